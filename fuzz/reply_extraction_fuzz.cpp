// Any reply body through the strict decoder and both extractions.
#include <cstddef>
#include <cstdint>

#include "api/login_reply_matcher.h"
#include "api/service_operations.h"
#include "core/utf8.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto text = zorapi::DecodeUtf8Strict(data, size);
  const std::u16string lenient = zorapi::DecodeUtf8Lenient(data, size);
  zorapi::TLoginReplyMatcher matcher;
  for (const std::u16string* t : {text ? &*text : nullptr, &lenient}) {
    if (!t) continue;
    zorapi::SessionFromReply(matcher, *t);
    const std::u16string out = zorapi::OutputFromReply(*t);
    if (out.size() > t->size()) __builtin_trap();
  }
  // Strictly decoded text must survive a round trip.
  if (text && zorapi::EncodeUtf8(*text) != std::string(reinterpret_cast<const char*>(data), size))
    __builtin_trap();
  return 0;
}
