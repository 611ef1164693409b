#include "http/custom_http.h"

#include "http/http_exceptions.h"
#include "http/response_charset.h"
#include "transport/transport_exceptions.h"

namespace zorapi {
namespace {

// The scheme of the first challenge whose name is registered.
TIdAuthenticationClass FindSchemeOfChallenges(const TIdHeaderList& AChallenges) {
  for (int i = 0; i < AChallenges.Count(); ++i) {
    const std::u16string_view challenge = AChallenges[i];
    if (TIdAuthenticationClass scheme = FindAuthClass(challenge.substr(0, challenge.find(u' ')))) return scheme;
  }
  return nullptr;
}

}  // namespace

TIdCustomHTTP::TIdCustomHTTP(TComponent* AOwner) : TIdTCPClientCustom(AOwner) {}

TIdCustomHTTP::~TIdCustomHTTP() {
  FHTTPProto.reset();
  FURI.reset();
  FProxyParameters.reset();
  SetCookieManager(nullptr);
}

void TIdCustomHTTP::SetUpComponent() {
  TIdTCPClientCustom::SetUpComponent();
  FURI = std::make_unique<TIdURI>();
  FAuthRetries = 0;
  FAuthProxyRetries = 0;
  FAllowCookies = true;
  FFreeCookieManager = false;
  FOptions = {hoForceEncodeParams};
  FRedirectMax = 15;
  FHandleRedirects = false;
  FProtocolVersion = pv1_1;
  FHTTPProto = MakeProtocolWorker();
  FProxyParameters = std::make_unique<TIdProxyConnectionInfo>();
  FProxyParameters->Clear();
  FMaxAuthRetries = 3;
  FMaxHeaderLines = 255;
}

std::unique_ptr<TIdHTTPProtocol> TIdCustomHTTP::MakeProtocolWorker() {
  return std::make_unique<TIdHTTPProtocol>(this);
}

void TIdCustomHTTP::Post(const std::u16string& AURL, TStream* ASource, TStream* AResponseContent) {
  const TIdHTTPProtocolVersion saved = FProtocolVersion;
  try {
    if (!FOptions.Contains(hoKeepOrigProtocol)) {
      if (Connected()) Disconnect(true);
      FProtocolVersion = pv1_0;
    }
    PerformRequest(u"POST", AURL, ASource, AResponseContent, {});
  } catch (...) {
    FProtocolVersion = saved;
    throw;
  }
  FProtocolVersion = saved;
}

void TIdCustomHTTP::SetCookieManager(TIdCookieManager* ACookieManager) {
  if (ACookieManager == FCookieManager) return;
  if (FCookieManager) {
    TIdCookieManager* old = FCookieManager;
    FCookieManager = nullptr;
    if (FFreeCookieManager) {
      delete old;
    } else {
      old->RemoveFreeNotification(this);
    }
  }
  FCookieManager = ACookieManager;
  FFreeCookieManager = false;
  if (FCookieManager) FCookieManager->FreeNotification(this);
}

void TIdCustomHTTP::Notification(TComponent* AComponent, TOperation Operation) {
  TIdTCPClientCustom::Notification(AComponent, Operation);
  if (Operation != TOperation::opRemove) return;
  if (AComponent == FCookieManager) {
    FCookieManager = nullptr;
    FFreeCookieManager = false;
  }
}

void TIdCustomHTTP::PerformRequest(const std::u16string& AMethod, const std::u16string& AURL, TStream* ASource,
                                   TStream* AResponseContent, const TIdResponseCodeIgnoreList& AIgnoreReplies) {
  FRedirectCount = 0;
  FAuthRetries = 0;
  FAuthProxyRetries = 0;
  const std::int64_t start = AResponseContent ? AResponseContent->Position() : 0;
  Request().SetURL(AURL);
  Request().SetMethod(AMethod);
  Request().SetSource(ASource);
  Response().SetContentStream(AResponseContent);
  try {
    for (;;) {
      ResolveRequest(Request());
      ConnectAndSend(Request(), Response());
      ReadResponseHead();
      const TIdHTTPNextStep next = FHTTPProto->ProcessResponse(AIgnoreReplies);
      if (next == nsFinished) break;
      if (next == nsFollowLocation) {
        if (AResponseContent) {
          AResponseContent->SetPosition(start);
          AResponseContent->SetSize(start);
        }
        FAuthRetries = 0;
        FAuthProxyRetries = 0;
      } else {
        Request().SetURL(AURL);
      }
    }
  } catch (const EIdHTTPProtocolException&) {
    // The whole reply was read; its own Connection header decides.
    CloseUnlessKeptAlive();
    throw;
  } catch (...) {
    // A reply that failed part-way leaves the connection at an unknown point, and the
    // Connection header at hand may still be the previous reply's.
    Disconnect(true);
    throw;
  }
  CloseUnlessKeptAlive();
}

bool TIdCustomHTTP::Connected() {
  try {
    return TIdTCPClientCustom::Connected();
  } catch (const EIdSocketError&) {
    return false;
  }
}

void TIdCustomHTTP::CloseUnlessKeptAlive() {
  if (!Response().KeepAlive()) Disconnect(true);
}

bool TIdCustomHTTP::ConfirmRedirect(std::u16string&, std::u16string&, std::int32_t) {
  // No redirect handler is ever assigned.
  return FHandleRedirects;
}

bool TIdCustomHTTP::TryAuthorization(TIdHTTPRequest& ARequest, TIdHTTPResponse& AResponse) {
  ++FAuthRetries;
  if (!ARequest.Authentication()) {
    const TIdAuthenticationClass scheme = FindSchemeOfChallenges(AResponse.WWWAuthenticate());
    if (!scheme) return false;
    ARequest.SetAuthentication(scheme());
  }
  // No authorization handler is assigned, so only a password could go on;
  // the exchanges of the schemes are not run by this client.
  return false;
}

bool TIdCustomHTTP::TryProxyAuthorization(TIdHTTPRequest&, TIdHTTPResponse& AResponse) {
  ++FAuthProxyRetries;
  TIdProxyConnectionInfo& proxy = *FProxyParameters;
  if (!proxy.Authentication()) {
    const TIdAuthenticationClass scheme = FindSchemeOfChallenges(AResponse.ProxyAuthenticate());
    if (!scheme) return false;
    proxy.SetAuthentication(scheme());
  }
  // Without an OnProxyAuthorization handler nothing is tried.
  return false;
}

void TIdCustomHTTP::NotifyDisconnected() {
  TIdTCPClientCustom::NotifyDisconnected();
  if (!FHTTPProto) return;  // being destroyed
  TIdAuthentication* auth = Request().Authentication();
  if (auth && auth->CurrentStep() == auth->Steps()) {
    // No authentication manager is assigned to keep it.
    Request().SetAuthentication(nullptr);
  }
  TIdAuthentication* proxyAuth = FProxyParameters ? FProxyParameters->Authentication() : nullptr;
  if (proxyAuth && proxyAuth->CurrentStep() == proxyAuth->Steps()) proxyAuth->Reset();
}

std::u16string TIdCustomHTTP::ResponseTextCharset() {
  TIdHTTPResponse& response = Response();
  if (IsXmlMediaType(response)) {
    // Without a stream there is no body to read a declaration from.
    TStream* const content = response.ContentStream();
    return content ? XmlDeclaredCharset(*content) : std::u16string();
  }
  if (!response.CharSet().empty()) return response.CharSet();
  return response.MetaHTTPEquiv().CharSet();
}

}  // namespace zorapi
