// The socket object of one connection: the platform handle, its local and
// peer addresses, and the operations on it. Its lock orders a close on one
// thread against the address read-back after a connect on another.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "core/ip_version.h"
#include "transport/id_global.h"
#include "transport/socket_list.h"
#include "transport/stack.h"

namespace zorapi {

class TIdSocketHandle {
 public:
  // No collection is ever given in this library.
  explicit TIdSocketHandle(void* ACollection = nullptr);
  virtual ~TIdSocketHandle();
  TIdSocketHandle(const TIdSocketHandle&) = delete;
  TIdSocketHandle& operator=(const TIdSocketHandle&) = delete;

  // Closes any socket held, then takes a new one of the IPVersion family.
  void AllocateSocket(int ASocketType = Id_SOCK_STREAM, int AProtocol = 0);
  // Binds to IP and Port, or to a port of the client port range.
  void Bind();
  // Connects to PeerIP:PeerPort, then reads the addresses back while the
  // handle is still allocated. AAbort lets another thread give up. A
  // connect that BeginConnect left under way is only waited for.
  virtual void Connect(platform::ConnectAbort* AAbort = nullptr);
  // Starts the connect to PeerIP:PeerPort without waiting for it: true
  // when it has ended at once and connected (addresses read back as by
  // Connect), false while it is under way; a failure raises.
  bool BeginConnect();
  // Shuts down sending and closes; nothing for a socket without handle.
  virtual void CloseSocket();
  // Forgets the handle (without closing it) and the peer address, and with
  // AResetLocal the local one too.
  void Reset(bool AResetLocal = true);
  void SetPeer(const std::u16string& AIP, TIdPort APort, TIdIPVersion AIPVersion = Id_IPv4);

  int Receive(TIdBytes& VBuffer);
  int Receive(void* ABuffer, int ALength);
  int Send(const TIdBytes& ABuffer, int AOffset = 0, int ASize = -1);
  // AMoreFollows: see platform::Send.
  int Send(const void* ABuffer, int ALength, bool AMoreFollows = false);
  // -1 waits without limit; raises EIdConnClosedGracefully without handle.
  bool Readable(std::int32_t AMSec = -1);
  bool Select(std::int32_t ATimeout);

  void GetSockOpt(int ALevel, int AOptName, std::int32_t& VOptVal);
  void SetSockOpt(int ALevel, int AOptName, std::int32_t AOptVal);
  void SetNagleOpt(bool AEnabled);
  void UpdateBindingLocal();
  void UpdateBindingPeer();

  const std::u16string& IP() const { return FIP; }
  void SetIP(std::u16string AValue) { FIP = std::move(AValue); }
  TIdPort Port() const { return FPort; }
  void SetPort(TIdPort AValue) { FPort = AValue; }
  const std::u16string& PeerIP() const { return FPeerIP; }
  TIdPort PeerPort() const { return FPeerPort; }
  TIdIPVersion IPVersion() const { return FIPVersion; }
  void SetIPVersion(TIdIPVersion AValue);
  TIdPort ClientPortMin() const { return FClientPortMin; }
  void SetClientPortMin(TIdPort AValue) { FClientPortMin = AValue; }
  TIdPort ClientPortMax() const { return FClientPortMax; }
  void SetClientPortMax(TIdPort AValue) { FClientPortMax = AValue; }
  TIdStackSocketHandle Handle() const { return FHandle; }
  bool HandleAllocated() const { return FHandleAllocated; }
  std::int32_t SocketType() const { return FSocketType; }
  bool OverLapped() const { return FOverLapped; }
  bool UseNagle() const { return FUseNagle; }
  void SetUseNagle(bool AValue);
  bool BroadcastEnabled() const { return FBroadcastEnabled; }

 protected:
  // The stack's Disconnect of the handle.
  virtual void Disconnect();

 private:
  // AKnownType: the type of a socket just made, so nothing is asked of
  // the platform; 0 to ask it.
  void SetHandle(TIdStackSocketHandle AHandle, int AKnownType = 0);
  bool TryBind(TIdPort APort);
  // The addresses of a connected socket, while the handle is allocated.
  void UpdateBindingConnected();

  TIdPort FClientPortMin = 0;
  TIdPort FClientPortMax = 0;
  TIdStackSocketHandle FHandle = Id_INVALID_SOCKET;
  bool FHandleAllocated = false;
  std::u16string FIP;
  std::u16string FPeerIP;
  TIdPort FPort = 0;
  TIdPort FPeerPort = 0;
  std::unique_ptr<TIdSocketList> FReadSocketList;
  std::int32_t FSocketType = 0;
  bool FOverLapped = false;
  TIdIPVersion FIPVersion = Id_IPv4;
  std::mutex FConnectionHandle;
  bool FBroadcastEnabled = false;
  bool FUseNagle = true;
  bool FConnectPending = false;  // BeginConnect left the connect under way
};

}  // namespace zorapi
