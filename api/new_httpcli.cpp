#include "api/new_httpcli.h"

#include "core/exceptions.h"

namespace zorapi {

void TNewHttpcli::Post(const std::u16string&, TStringList*, TStream*, const TIdTextEncoding*) {
  throw EIdException(u"HTTP client not available");
}

}  // namespace zorapi
