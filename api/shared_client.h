// The objects the library creates when it is loaded and keeps for its whole
// life: the HTTP client, the login matcher and the endpoint URL.
#pragma once

#include <string>

#include "api/login_reply_matcher.h"
#include "api/new_httpcli.h"

namespace zorapi {

extern TNewHttpcli* SharedHttpClient;
extern TLoginReplyMatcher* SharedRegExpr;

// "http://" + the service host + "/api.php", or ZORAPI_ENDPOINT when that
// was set and not empty at load.
const std::u16string& EndpointURL();

// The POST contract of the operations, bound to the shared client.
void PostToSharedClient(const std::u16string& AURL, TStringList& ASource, TMemoryStream& AResponseContent);

}  // namespace zorapi
