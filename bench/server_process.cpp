#include "bench/server_process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

#include "bench/stats.h"

extern char** environ;

namespace bench {
namespace {

double WallSeconds() { return std::chrono::duration<double>(Clock::now().time_since_epoch()).count(); }

}  // namespace

ServerProcess::ServerProcess(const std::string& path, std::size_t bodyMiB) {
  int in[2], out[2];
  if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  const std::string mib = std::to_string(bodyMiB);
  char* argv[] = {const_cast<char*>(path.c_str()), const_cast<char*>("--body-mib"),
                  const_cast<char*>(mib.c_str()), nullptr};
  const int rc = posix_spawn(&FPid, path.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  close(in[0]);
  close(out[1]);
  FStdin = in[1];
  if (rc != 0) throw std::runtime_error("cannot start " + path);
  std::string line;
  char c;
  while (read(out[0], &c, 1) == 1 && c != '\n') line += c;
  close(out[0]);
  FPort = std::atoi(line.c_str());
  if (FPort <= 0) throw std::runtime_error("the bench server printed no port");
}

ServerProcess::~ServerProcess() {
  if (FStdin >= 0) close(FStdin);
  if (FPid > 0) waitpid(FPid, nullptr, 0);
}

double ServerProcess::CpuSeconds() const {
  std::ifstream stat("/proc/" + std::to_string(FPid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  // Fields after the command name, which is in parentheses and may hold spaces.
  std::istringstream rest(text.substr(text.rfind(')') + 2));
  std::string field;
  double utime = 0, stime = 0;
  for (int i = 3; i <= 15 && rest >> field; ++i) {
    if (i == 14) utime = std::atof(field.c_str());
    if (i == 15) stime = std::atof(field.c_str());
  }
  return (utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

CpuShare::CpuShare(const ServerProcess& s) : server(s), cpuStart(s.CpuSeconds()), wallStart(WallSeconds()) {}

double CpuShare::Percent() const {
  const double wall = WallSeconds() - wallStart;
  return wall > 0 ? 100.0 * (server.CpuSeconds() - cpuStart) / wall : 0;
}

}  // namespace bench
