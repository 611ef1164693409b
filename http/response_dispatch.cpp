// The status dispatch of a reply: a 2xx body goes to the caller's stream,
// every other final status raises with the body as text.
#include "core/text.h"
#include "http/custom_http.h"
#include "http/http_exceptions.h"
#include "http/response_charset.h"

namespace zorapi {

TIdHTTPProtocol::TIdHTTPProtocol(TIdCustomHTTP* AConnection)
    : FHTTP(AConnection),
      FRequest(std::make_unique<TIdHTTPRequest>(AConnection)),
      FResponse(std::make_unique<TIdHTTPResponse>(AConnection)) {}

TIdHTTPProtocol::~TIdHTTPProtocol() = default;

bool TIdHTTPProtocol::NotifyHeadersAvailable() {
  // No OnHeadersAvailable handler is ever assigned.
  return true;
}

TIdHTTPNextStep TIdHTTPProtocol::ProcessResponse(const TIdResponseCodeIgnoreList& AIgnoreReplies) {
  if (!NotifyHeadersAvailable()) return nsFinished;
  TIdHTTPRequest& request = *FRequest;
  TIdHTTPResponse& response = *FResponse;
  const std::int32_t code = response.ResponseCode();
  const std::int32_t statusClass = code / 100;

  if (statusClass == 3 && code != 304) {
    if (response.Location().empty()) {
      RaiseProtocolError(code, AIgnoreReplies);
      return nsFinished;
    }
    ++FHTTP->FRedirectCount;
    std::u16string location = response.Location();
    std::u16string method = request.Method();
    if (!FHTTP->ConfirmRedirect(location, method, FHTTP->FRedirectCount)) {
      RaiseProtocolError(code, AIgnoreReplies);
      return nsFinished;
    }
    TIdHTTPNextStep next = nsFinished;
    if (FHTTP->HandleRedirects() && FHTTP->FRedirectCount < FHTTP->RedirectMaximum()) {
      next = nsFollowLocation;
      request.SetURL(location);
      request.SetMethod(method);
      request.SetMethodOverride(u"");
    } else {
      response.SetLocation(location);
    }
    if (FHTTP->Connected()) DiscardBody();
    return next;
  }

  bool authorized = false;
  if (statusClass == 2) {
    // success: on to the tail
  } else if (code == 401) {
    if (FHTTP->FAuthRetries < FHTTP->MaxAuthRetries() && FHTTP->TryAuthorization(request, response)) {
      authorized = FHTTP->HTTPOptions().Contains(hoInProcessAuth);
    } else {
      if (TIdAuthentication* auth = request.Authentication()) auth->Reset();
      RaiseProtocolError(code, AIgnoreReplies);
      return nsFinished;
    }
  } else if (code == 407) {
    if (FHTTP->FAuthProxyRetries < FHTTP->MaxAuthRetries() && FHTTP->TryProxyAuthorization(request, response)) {
      authorized = FHTTP->HTTPOptions().Contains(hoInProcessAuth);
    } else {
      if (TIdAuthentication* auth = FHTTP->ProxyParams().Authentication()) auth->Reset();
      RaiseProtocolError(code, AIgnoreReplies);
      return nsFinished;
    }
  } else {
    RaiseProtocolError(code, AIgnoreReplies);
    return nsFinished;
  }

  if (authorized) {
    DiscardBody();
    return nsRetryAuthorized;
  }
  if (SameText(request.Method(), u"HEAD") || SameText(request.MethodOverride(), u"HEAD") || code == 204) {
    DiscardBody();
  } else {
    FHTTP->ReadResponseBody(request, response);
  }
  return nsFinished;
}

void TIdHTTPProtocol::RaiseProtocolError(std::int32_t ACode, const TIdResponseCodeIgnoreList& AIgnoreReplies) {
  TIdHTTPResponse& response = *FResponse;
  TMemoryStream scratch;
  TStream* const saved = response.ContentStream();
  response.SetContentStream(&scratch);
  struct Restore {
    TIdHTTPResponse& response;
    TStream* saved;
    ~Restore() { response.SetContentStream(saved); }
  } restore{response, saved};

  FHTTP->ReadResponseBody(*FRequest, response);
  for (std::int16_t ignored : AIgnoreReplies)
    if (ignored == ACode) return;
  scratch.SetPosition(0);
  const std::u16string charset = FHTTP->ResponseTextCharset();
  throw EIdHTTPProtocolException::CreateError(ACode, FHTTP->ResponseText(), DecodeStreamAsCharset(scratch, charset));
}

void TIdHTTPProtocol::DiscardBody() {
  TIdHTTPResponse& response = *FResponse;
  TStream* const saved = response.ContentStream();
  response.SetContentStream(nullptr);
  try {
    FHTTP->ReadResponseBody(*FRequest, response);
  } catch (...) {
    response.SetContentStream(saved);
    throw;
  }
  response.SetContentStream(saved);
}

}  // namespace zorapi
