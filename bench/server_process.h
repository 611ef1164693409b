// The bench server as a child process: started with a pipe on its standard
// input (closing it stops the server) and its port read from its output.
#pragma once

#include <sys/types.h>

#include <string>

namespace bench {

class ServerProcess {
 public:
  ServerProcess(const std::string& path, std::size_t bodyMiB);
  ~ServerProcess();
  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;

  int Port() const { return FPort; }
  // CPU seconds the server has used so far (user + system).
  double CpuSeconds() const;

 private:
  pid_t FPid = -1;
  int FStdin = -1;
  int FPort = 0;
};

// The share of one core a process used over a stretch of wall time.
struct CpuShare {
  const ServerProcess& server;
  double cpuStart;
  double wallStart;
  explicit CpuShare(const ServerProcess& s);
  double Percent() const;
};

}  // namespace bench
