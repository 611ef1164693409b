// The three exported operations.
#include <mutex>
#include <string>
#include <string_view>

#include "api/service_operations.h"
#include "api/shared_client.h"
#include "platform/export_attribute.h"
#include "platform/thread_result.h"
#include "zorapi.h"

static_assert(sizeof(zorapi_char) == sizeof(char16_t), "results and arguments are UTF-16");

namespace zorapi {
namespace {

// Every empty result points here; it stays valid for the life of the library.
constexpr zorapi_char kEmptyResult[1] = {0};

// The operations share one client and one matcher; a host that calls from
// several threads at once is served one call at a time.
std::mutex gOperationLock;

// Read up to the first zero unit; a null pointer is the empty string.
std::u16string_view Argument(const zorapi_char* p) {
  if (p == nullptr) return {};
  return std::u16string_view(reinterpret_cast<const char16_t*>(p));
}

// A non-empty result stays readable until the same thread calls the same
// operation again.
const zorapi_char* Result(std::u16string& storage, std::u16string value) {
  storage = std::move(value);
  if (storage.empty() || storage[0] == u'\0') return kEmptyResult;
  return reinterpret_cast<const zorapi_char*>(storage.c_str());
}

bool Ready() { return SharedHttpClient != nullptr && SharedRegExpr != nullptr; }

}  // namespace
}  // namespace zorapi

using namespace zorapi;

extern "C" ZORAPI_EXPORT const zorapi_char* ZORAPI_CALL zorlogin(const zorapi_char* user,
                                                                 const zorapi_char* password) {
  try {
    std::u16string& result = platform::ThreadResult(0);
    std::lock_guard<std::mutex> lock(gOperationLock);
    if (!Ready()) return kEmptyResult;
    return Result(result, Login(PostToSharedClient, EndpointURL(), *SharedRegExpr, Argument(user),
                                Argument(password)));
  } catch (...) {
    return kEmptyResult;
  }
}

extern "C" ZORAPI_EXPORT const zorapi_char* ZORAPI_CALL identifySynonyms(const zorapi_char* session,
                                                                         const zorapi_char* text,
                                                                         std::int32_t maxsyns) {
  try {
    std::u16string& result = platform::ThreadResult(1);
    std::lock_guard<std::mutex> lock(gOperationLock);
    if (!Ready()) return kEmptyResult;
    return Result(result, IdentifySynonyms(PostToSharedClient, EndpointURL(), Argument(session),
                                           Argument(text), maxsyns));
  } catch (...) {
    return kEmptyResult;
  }
}

extern "C" ZORAPI_EXPORT const zorapi_char* ZORAPI_CALL replaceEveryonesFavorites(
    const zorapi_char* session, const zorapi_char* text, std::int32_t maxsyns, std::int32_t quality) {
  try {
    std::u16string& result = platform::ThreadResult(2);
    std::lock_guard<std::mutex> lock(gOperationLock);
    if (!Ready()) return kEmptyResult;
    return Result(result, ReplaceEveryonesFavorites(PostToSharedClient, EndpointURL(), Argument(session),
                                                    Argument(text), maxsyns, quality));
  } catch (...) {
    return kEmptyResult;
  }
}
