#include "api/shared_client.h"

#include "core/text.h"
#include "platform/environment.h"
#include "platform/library_entry.h"

namespace zorapi {

// Created at load and never destroyed: unloading the library destroys none
// of them, and a connection left open is not closed by it.
TNewHttpcli* SharedHttpClient = nullptr;
TLoginReplyMatcher* SharedRegExpr = nullptr;

namespace {

std::u16string* gEndpointURL = nullptr;

std::u16string DefaultEndpoint() { return u"http://" + AsciiToText(ZORAPI_SERVICE_HOST) + u"/api.php"; }

}  // namespace

const std::u16string& EndpointURL() {
  static const std::u16string fallback = DefaultEndpoint();
  return gEndpointURL ? *gEndpointURL : fallback;
}

void PostToSharedClient(const std::u16string& AURL, TStringList& ASource, TMemoryStream& AResponseContent) {
  SharedHttpClient->Post(AURL, &ASource, &AResponseContent, &UTF8Encoding());
}

void LibraryStartup() {
  if (SharedHttpClient) return;
  const auto overridden = platform::EnvironmentVariable("ZORAPI_ENDPOINT");
  gEndpointURL = new std::u16string(overridden && !overridden->empty() ? *overridden : DefaultEndpoint());
  SharedHttpClient = TNewHttpcli::Create(nullptr);
  SharedRegExpr = new TLoginReplyMatcher();
}

}  // namespace zorapi
