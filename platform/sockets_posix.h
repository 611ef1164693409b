// The translation of POSIX socket failures into Windows Sockets numbers,
// for the sockets of a POSIX system.
#pragma once

namespace zorapi::platform {

// An errno value as a Windows Sockets number (ECONNREFUSED gives 10061);
// a value without counterpart is passed on unchanged.
int WsaFromErrno(int AErrno);

// A non-zero getaddrinfo result as a Windows Sockets number (EAI_NONAME
// gives 11001); ASavedErrno is the errno that came with EAI_SYSTEM. Never
// 0, since it describes a failed lookup.
int WsaFromAddrInfo(int AResult, int ASavedErrno);

}  // namespace zorapi::platform
