// The client's cookie manager: takes the cookies that replies set and
// writes the "Cookie" line of later requests.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "core/component.h"
#include "core/string_list.h"
#include "http/cookie.h"
#include "http/cookie_store.h"
#include "http/uri.h"

namespace zorapi {

class TIdCookieManager;

using TOnCookieManagerEvent = std::function<void(TIdCookieManager* ASender, TIdCookies* ACookieCollection)>;
using TOnNewCookieEvent = std::function<void(TIdCookieManager* ASender, TIdCookie* ACookie, bool& VAccept)>;

class TIdCookieManager : public TComponent {
 public:
  explicit TIdCookieManager(TComponent* AOwner);
  ~TIdCookieManager() override;

  // Accepts each "Set-Cookie" value, in order, for the target AURL.
  void AddServerCookies(const TStringList& ACookies, const TIdURI& AURL);
  void AddServerCookie(std::u16string_view ACookie, const TIdURI& AURL);

  // The "Cookie" value for a request to AURL (empty when no cookie goes
  // with it): expired cookies are dropped first, the matching ones are
  // ordered longest path first and stamped as accessed.
  std::u16string ClientCookiesText(const TIdURI& AURL, bool SecureOnly);

  // Appends the "Cookie" line for a request to AURL to a header list.
  template <class THeaderList>
  void GenerateClientCookies(const TIdURI& AURL, bool SecureOnly, THeaderList& Headers) {
    const std::u16string text = ClientCookiesText(AURL, SecureOnly);
    if (!text.empty()) Headers.AddValue(u"Cookie", text);
  }

  TIdCookies* CookieCollection() const { return FCookieCollection.get(); }

  TOnCookieManagerEvent OnCreate;
  TOnCookieManagerEvent OnDestroy;
  TOnNewCookieEvent OnNewCookie;

 protected:
  void SetUpComponent() override;

 private:
  std::unique_ptr<TIdCookies> FCookieCollection;
};

}  // namespace zorapi
