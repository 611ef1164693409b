#include "core/exceptions.h"

#include "core/utf8.h"

namespace zorapi {

Exception::Exception(std::u16string message)
    : FMessage(std::move(message)), FWhat(EncodeUtf8(FMessage)) {}

}  // namespace zorapi
