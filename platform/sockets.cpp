#include "platform/sockets.h"

namespace zorapi::platform {

EIdWinsockStubError::EIdWinsockStubError(std::int32_t AWin32Error, std::u16string ATitle,
                                         std::u16string AWin32ErrorMessage, std::u16string AMessage)
    : EIdException(std::move(AMessage)),
      FWin32Error(AWin32Error),
      FTitle(std::move(ATitle)),
      FWin32ErrorMessage(std::move(AWin32ErrorMessage)) {}

EIdWinsockStubError EIdWinsockStubError::Build(std::int32_t AWin32Error, std::u16string ATitle) {
  if (AWin32Error == 0) return EIdWinsockStubError(0, ATitle, {}, ATitle);
  std::u16string text = SystemErrorMessage(AWin32Error);
  std::u16string message = ATitle + u": " + text;
  return EIdWinsockStubError(AWin32Error, std::move(ATitle), std::move(text), std::move(message));
}

}  // namespace zorapi::platform
