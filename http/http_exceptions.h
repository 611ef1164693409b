// The exceptions the HTTP client raises of its own: the error reply with its
// status and body text, and the refusals of request preparation.
#pragma once

#include <cstdint>
#include <string>

#include "core/exceptions.h"

namespace zorapi {

class EIdReplyError : public EIdException {
 public:
  using EIdException::EIdException;
};

class EIdReplyRFCError : public EIdReplyError {
 public:
  EIdReplyRFCError(std::int32_t AErrorCode, std::u16string AReplyMessage)
      : EIdReplyError(std::move(AReplyMessage)), FErrorCode(AErrorCode) {}
  static EIdReplyRFCError CreateError(std::int32_t AErrorCode, std::u16string AReplyMessage) {
    return EIdReplyRFCError(AErrorCode, std::move(AReplyMessage));
  }
  std::int32_t ErrorCode() const noexcept { return FErrorCode; }

 private:
  std::int32_t FErrorCode;
};

// An HTTP reply whose status is not accepted: Message is the status line,
// ErrorCode the status code, ErrorMessage the reply body as text.
class EIdHTTPProtocolException : public EIdReplyRFCError {
 public:
  EIdHTTPProtocolException(std::int32_t anErrCode, std::u16string asReplyMessage, std::u16string asErrorMessage)
      : EIdReplyRFCError(anErrCode, std::move(asReplyMessage)), FErrorMessage(std::move(asErrorMessage)) {}
  static EIdHTTPProtocolException CreateError(std::int32_t anErrCode, std::u16string asReplyMessage,
                                              std::u16string asErrorMessage) {
    return EIdHTTPProtocolException(anErrCode, std::move(asReplyMessage), std::move(asErrorMessage));
  }
  const std::u16string& ErrorMessage() const noexcept { return FErrorMessage; }

 private:
  std::u16string FErrorMessage;
};

ZORAPI_DECLARE_EXCEPTION(EIdUnknownProtocol, EIdException);
ZORAPI_DECLARE_EXCEPTION(EIdIOHandlerPropInvalid, EIdException);

// A reply framing the client will not read (a chunk too large to be real).
ZORAPI_DECLARE_EXCEPTION(EIdHTTPMalformedReply, EIdException);

}  // namespace zorapi
