// Every exception class of the transport.
#pragma once

#include <cstdint>
#include <string>

#include "core/exceptions.h"
#include "platform/sockets.h"

namespace zorapi {

// Socket layer

class EIdSocketError : public EIdException {
 public:
  EIdSocketError(std::int32_t AErr, std::u16string AMsg) : EIdException(std::move(AMsg)), FLastError(AErr) {}
  static EIdSocketError CreateError(std::int32_t AErr, std::u16string AMsg) {
    return EIdSocketError(AErr, std::move(AMsg));
  }
  std::int32_t LastError() const { return FLastError; }

 private:
  std::int32_t FLastError;
};

// Raised instead of EIdSocketError for error 10038.
ZORAPI_DECLARE_EXCEPTION(EIdNotASocket, EIdSocketError);

ZORAPI_DECLARE_EXCEPTION(EIdStackError, EIdException);
ZORAPI_DECLARE_EXCEPTION(EIdStackInitializationFailed, EIdStackError);
ZORAPI_DECLARE_EXCEPTION(EIdStackSetSizeExceeded, EIdStackError);
ZORAPI_DECLARE_EXCEPTION(EIdIPVersionUnsupported, EIdStackError);

ZORAPI_DECLARE_EXCEPTION(EIdSocketHandleError, EIdException);
ZORAPI_DECLARE_EXCEPTION(EIdCouldNotBindSocket, EIdSocketHandleError);
ZORAPI_DECLARE_EXCEPTION(EIdCanNotBindPortInRange, EIdSocketHandleError);
ZORAPI_DECLARE_EXCEPTION(EIdInvalidPortRange, EIdSocketHandleError);
ZORAPI_DECLARE_EXCEPTION(EIdCannotSetIPVersionWhenConnected, EIdSocketHandleError);

using platform::EIdWinsockStubError;

ZORAPI_DECLARE_EXCEPTION(EIdIPv6Unavailable, EIdException);

// Buffered connection I/O

ZORAPI_DECLARE_EXCEPTION(EIdConnClosedGracefully, EIdSilentException);
ZORAPI_DECLARE_EXCEPTION(EIdReadTimeout, EIdException);
ZORAPI_DECLARE_EXCEPTION(EIdReadLnMaxLineLengthExceeded, EIdException);
ZORAPI_DECLARE_EXCEPTION(EIdNotConnected, EIdException);
ZORAPI_DECLARE_EXCEPTION(EIdClosedSocket, EIdException);
ZORAPI_DECLARE_EXCEPTION(EIdTCPConnectionError, EIdException);
ZORAPI_DECLARE_EXCEPTION(EIdNoDataToRead, EIdTCPConnectionError);
ZORAPI_DECLARE_EXCEPTION(EIdIOHandler, EIdException);
ZORAPI_DECLARE_EXCEPTION(EIdIOHandlerStreamDataTooLarge, EIdIOHandler);
ZORAPI_DECLARE_EXCEPTION(EIdIOHandlerRequiresLargeStream, EIdIOHandler);
ZORAPI_DECLARE_EXCEPTION(EIdNotEnoughDataInBuffer, EIdException);
ZORAPI_DECLARE_EXCEPTION(EIdTooMuchDataInBuffer, EIdException);

// Connection establishment

ZORAPI_DECLARE_EXCEPTION(EIdAlreadyConnected, EIdException);
ZORAPI_DECLARE_EXCEPTION(EIdHostRequired, EIdException);
ZORAPI_DECLARE_EXCEPTION(EIdPortRequired, EIdException);
ZORAPI_DECLARE_EXCEPTION(EIdConnectTimeout, EIdException);
ZORAPI_DECLARE_EXCEPTION(EIdConnectException, EIdException);

}  // namespace zorapi
