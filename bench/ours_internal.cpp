#include "bench/ours_internal.h"

#include <exception>

#include "core/string_list.h"
#include "core/text.h"
#include "core/text_encoding.h"

namespace bench {

OursInternal::OursInternal(int port) : FPort(port), FClient(zorapi::TNewHttpcli::Create(nullptr)) {}

OursInternal::~OursInternal() = default;

bool OursInternal::Post(const std::string& target, zorapi::TMemoryStream& stream) {
  zorapi::TStringList fields;
  fields.Add(u"format=xml");
  const std::u16string url = zorapi::AsciiToText("http://127.0.0.1:" + std::to_string(FPort) + target);
  try {
    FClient->Post(url, &fields, &stream, &zorapi::UTF8Encoding());
    return true;
  } catch (const std::exception& e) {
    FError = e.what();
  }
  return false;
}

}  // namespace bench
