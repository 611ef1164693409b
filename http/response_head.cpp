// Reading the head of a reply: the status line, the header lines, interim
// 100 replies, the cookies of every head and the keep-alive decision.
#include "core/text.h"
#include "http/custom_http.h"
#include "transport/transport_exceptions.h"

namespace zorapi {

std::u16string_view ProtocolVersionText(TIdHTTPProtocolVersion AVersion) {
  return AVersion == pv1_0 ? u"1.0" : u"1.1";
}

TIdHTTPRequest::TIdHTTPRequest(TIdCustomHTTP* AHTTP) : TIdRequestHeaderInfo(AHTTP), FHTTP(AHTTP) {}

TIdHTTPResponse::TIdHTTPResponse(TIdCustomHTTP* AHTTP)
    : TIdResponseHeaderInfo(AHTTP), FHTTP(AHTTP), FMetaHTTPEquiv(std::make_unique<TIdMetaHTTPEquiv>(AHTTP)) {}

TIdHTTPResponse::~TIdHTTPResponse() = default;

void TIdHTTPResponse::SetResponseText(std::u16string AValue) {
  FResponseText = std::move(AValue);
  FResponseCode = -1;
  FResponseVersion = pv1_0;
  // The first five characters are not examined: "HTTP/" is not required.
  const std::u16string_view version = std::u16string_view(FResponseText).substr(std::min<std::size_t>(5, FResponseText.size()), 3);
  for (TIdHTTPProtocolVersion v : {pv1_0, pv1_1}) {
    if (SameText(version, ProtocolVersionText(v))) {
      FResponseVersion = v;
      break;
    }
  }
}

std::int32_t TIdHTTPResponse::ResponseCode() {
  if (FResponseCode != -1) return FResponseCode;
  std::u16string_view s = FResponseText;
  const std::size_t space = s.find(u' ');
  s = space == std::u16string_view::npos ? std::u16string_view() : s.substr(space + 1);
  s = TrimView(s);
  s = s.substr(0, s.find(u' '));
  FResponseCode = TextToIntDef<std::int32_t>(s, -1);
  return FResponseCode;
}

bool TIdHTTPResponse::KeepAlive() {
  if (FHTTP->Connected()) FHTTP->IOHandler()->CheckForDisconnect(false, false);
  bool keep = FHTTP->Connected();
  if (keep) {
    const std::u16string_view connection = TrimView(Connection());
    const std::u16string_view proxyConnection = TrimView(ProxyConnection());
    if (FHTTP->ProtocolVersion() == pv1_0) {
      keep = SameText(connection, u"KEEP-ALIVE") || SameText(proxyConnection, u"KEEP-ALIVE");
    } else {
      keep = !SameText(connection, u"CLOSE") && !SameText(proxyConnection, u"CLOSE");
    }
  }
  FKeepAlive = keep;
  return keep;
}

std::u16string TIdCustomHTTP::ReadReplyLine() {
  TIdIOHandler& io = *IOHandler();
  std::u16string line = io.ReadLn();
  if (io.ReadLnTimedout()) throw EIdReadTimeout(u"Read timed out.");
  return line;
}

void TIdCustomHTTP::ReadResponseHead() {
  do {
    Response().SetResponseText(ReadReplyLine());
    FHTTPProto->RetrieveHeaders(FMaxHeaderLines);
    StoreResponseCookies(Request(), Response());
  } while (Response().ResponseCode() == 100);
}

void TIdHTTPProtocol::RetrieveHeaders(std::int32_t AMaxHeaderCount) {
  TIdHTTPResponse& response = *FResponse;
  response.RawHeaders().Clear();
  response.MetaHTTPEquiv().Clear();
  try {
    std::u16string line = FHTTP->ReadReplyLine();
    std::int32_t count = 0;
    while (!line.empty() && (AMaxHeaderCount <= 0 || count < AMaxHeaderCount)) {
      response.RawHeaders().Add(std::move(line));
      line = FHTTP->ReadReplyLine();
      ++count;
    }
  } catch (const EIdConnClosedGracefully&) {
    // The peer closed at a line boundary: the head ends with what came.
    FHTTP->Disconnect(true);
  }
  response.ReadHeaders();
}

void TIdCustomHTTP::StoreResponseCookies(TIdHTTPRequest&, TIdHTTPResponse& AResponse) {
  if (!FCookieManager && FAllowCookies) {
    auto* manager = NewOwnedComponent<TIdCookieManager>(this);
    SetCookieManager(manager);
    FFreeCookieManager = true;
  }
  if (!FCookieManager || !FAllowCookies) return;
  TStringList values;
  AResponse.RawHeaders().Extract(u"Set-Cookie", values);
  AResponse.MetaHTTPEquiv().RawHeaders().Extract(u"Set-Cookie", values);
  FCookieManager->AddServerCookies(values, *FURI);
}

}  // namespace zorapi
