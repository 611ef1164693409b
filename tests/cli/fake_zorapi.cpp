// A stand-in for the library that answers without a network: each result
// describes the call it got, so that a test of a host (the command-line
// tool, the Python wrapper) sees exactly what the host passed. Like the
// library, it reads ZORAPI_ENDPOINT when it is loaded.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/export_attribute.h"
#include "zorapi.h"

namespace {

std::u16string& EndpointAtLoad() {
  static std::u16string endpoint;
  return endpoint;
}

__attribute__((constructor)) void ReadEndpoint() {
  const char* value = std::getenv("ZORAPI_ENDPOINT");
  // Tests pass ASCII endpoints; each byte stands for itself.
  for (const char* p = value ? value : "(unset)"; *p; ++p) EndpointAtLoad() += static_cast<char16_t>(*p);
}

std::u16string Text(const zorapi_char* p) {
  return p ? std::u16string(reinterpret_cast<const char16_t*>(p)) : u"(null)";
}

std::u16string Number(std::int32_t n) {
  const std::string digits = std::to_string(n);
  return std::u16string(digits.begin(), digits.end());
}

// "empty" as the first string gives the empty result, "lone" a result with
// an unpaired surrogate.
const zorapi_char* Result(std::u16string& storage, const std::u16string& first, std::u16string description) {
  static const zorapi_char empty[1] = {0};
  if (first == u"empty") return empty;
  storage = first == u"lone" ? std::u16string(u"a") + char16_t(0xD800) + u"b" : std::move(description);
  return reinterpret_cast<const zorapi_char*>(storage.c_str());
}

}  // namespace

extern "C" ZORAPI_EXPORT const zorapi_char* zorlogin(const zorapi_char* user, const zorapi_char* password) {
  thread_local std::u16string result;
  return Result(result, Text(user),
                u"login user=[" + Text(user) + u"] password=[" + Text(password) + u"] endpoint=[" +
                    EndpointAtLoad() + u"]");
}

extern "C" ZORAPI_EXPORT const zorapi_char* identifySynonyms(const zorapi_char* session, const zorapi_char* text,
                                                              std::int32_t maxsyns) {
  thread_local std::u16string result;
  return Result(result, Text(session),
                u"identify session=[" + Text(session) + u"] text=[" + Text(text) + u"] maxsyns=[" +
                    Number(maxsyns) + u"]");
}

extern "C" ZORAPI_EXPORT const zorapi_char* replaceEveryonesFavorites(const zorapi_char* session,
                                                                       const zorapi_char* text,
                                                                       std::int32_t maxsyns, std::int32_t quality) {
  thread_local std::u16string result;
  return Result(result, Text(session),
                u"replace session=[" + Text(session) + u"] text=[" + Text(text) + u"] maxsyns=[" +
                    Number(maxsyns) + u"] quality=[" + Number(quality) + u"]");
}
