// Set-Cookie intake and the cookie store: the first line of the input is the
// URL of the reply, every further line one "Set-Cookie" value it sent. The
// store then writes the "Cookie" lines of later requests.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "http/cookie_manager.h"
#include "http/header_list.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zorapi;
  using namespace zorapi::fuzz;
  const auto lines = SplitAt(BytesOf(data, size), '\n');
  const TIdURI target(TextOf(lines[0]));

  auto manager = NewComponent<TIdCookieManager>();
  TStringList batch;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::u16string value = TextOf(lines[i]);
    // Half the values one by one, the rest as one list, as a reply's head gives them.
    if (i % 2) manager->AddServerCookie(value, target);
    else batch.Add(value);
  }
  manager->AddServerCookies(batch, target);

  for (const bool secureOnly : {false, true}) {
    TIdHeaderList headers(QuoteHTTP);
    manager->GenerateClientCookies(target, secureOnly, headers);
    const TIdURI other(u"http://www.example.com/a/b/c.php?q=1");
    manager->GenerateClientCookies(other, secureOnly, headers);
    TStringList values;
    headers.Extract(u"Cookie", values);
    Check(values.Count() <= 2, "more than one Cookie line per request");
  }

  // Every listed cookie must still belong to the store that made it.
  TIdCookies* store = manager->CookieCollection();
  Check(store != nullptr, "no cookie collection");
  for (int i = 0; i < store->Count(); ++i) Check(store->Cookies(i)->Collection() == store, "cookie of another store");
  store->RemoveExpiredCookies();
  store->Clear();
  return 0;
}
