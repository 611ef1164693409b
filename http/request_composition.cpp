// Preparing a request and writing it: the target and "Host" value, the
// connection-level headers, the connect when none is open, and the head in
// one send followed by the body.
#include "core/text.h"
#include "http/custom_http.h"
#include "http/http_exceptions.h"
#include "transport/io_handler_socket.h"

namespace zorapi {
namespace {

bool IsOneOf(std::u16string_view AValue, std::initializer_list<std::u16string_view> AWords) {
  for (std::u16string_view w : AWords)
    if (SameText(AValue, w)) return true;
  return false;
}

}  // namespace

void TIdCustomHTTP::ResolveRequest(TIdHTTPRequest& ARequest) {
  const TIdURI parsed(ARequest.URL());
  if (!parsed.Username().empty()) {
    ARequest.SetUsername(parsed.Username());
    ARequest.SetPassword(parsed.Password());
  }
  FURI->SetUsername(ARequest.Username());
  FURI->SetPassword(ARequest.Password());
  FURI->SetPath(TIdURI::MergePath(FURI->Path(), parsed.Path(), u'/'));
  FURI->SetDocument(parsed.Document());
  FURI->SetParams(parsed.Params());
  if (!parsed.Host().empty()) FURI->SetHost(parsed.Host());

  if (!parsed.Protocol().empty()) {
    FURI->SetProtocol(parsed.Protocol());
  } else {
    FURI->SetProtocol(SameText(FURI->Protocol(), u"https") ? u"https" : u"http");
  }

  if (!parsed.Port().empty()) {
    FURI->SetPort(parsed.Port());
  } else if (SameText(parsed.Protocol(), u"http")) {
    FURI->SetPort(u"80");
  } else if (SameText(parsed.Protocol(), u"https")) {
    FURI->SetPort(u"443");
  } else if (FURI->Port().empty()) {
    throw EIdUnknownProtocol(u"Unknown Protocol");
  }

  ARequest.SetURL(FURI->GetPathAndParams());
  if ((SameText(ARequest.Method(), u"OPTIONS") || SameText(ARequest.MethodOverride(), u"OPTIONS")) &&
      parsed.Document() == u"*") {
    ARequest.SetURL(u"*");
  }
  ARequest.SetIPVersion(parsed.IPVersion());
  FURI->SetIPVersion(parsed.IPVersion());

  static constexpr std::initializer_list<std::u16string_view> kNeedsHttp11 = {u"TRACE", u"PUT", u"OPTIONS",
                                                                             u"DELETE"};
  const bool needsHttp11 =
      IsOneOf(ARequest.Method(), kNeedsHttp11) || IsOneOf(ARequest.MethodOverride(), kNeedsHttp11);
  if (needsHttp11 && FProtocolVersion != pv1_1) throw EIdException(u"Request method requires HTTP version 1.1");

  ARequest.SetContentLength(ARequest.Source() ? ARequest.Source()->Size() : -1);

  const bool defaultPort = (SameText(FURI->Protocol(), u"http") && FURI->Port() == u"80") ||
                           (SameText(FURI->Protocol(), u"https") && FURI->Port() == u"443");
  ARequest.SetHost(defaultPort ? FURI->Host() : FURI->Host() + u":" + FURI->Port());
}

TIdHTTPConnectionType TIdCustomHTTP::SelectHostAndPort() {
  if (auto* socketHandler = dynamic_cast<TIdIOHandlerSocket*>(IOHandler())) {
    TIdSocketHandle* binding = socketHandler->Binding();
    if (binding && binding->HandleAllocated() && binding->IPVersion() != FURI->IPVersion() && Connected())
      Disconnect(true);
  }
  const std::u16string host = FURI->Host();
  // A port text outside the 16-bit range counts as no port, not as the
  // port its low bits would name.
  std::int32_t portValue = TextToIntDef<std::int32_t>(FURI->Port(), 80);
  if (portValue < 0 || portValue > 65535) portValue = 80;
  const auto port = static_cast<TIdPort>(portValue);
  if ((!SameText(Host(), host) || Port() != port) && Connected()) Disconnect(true);

  // No handler of this client can do TLS.
  if (SameText(FURI->Protocol(), u"HTTPS")) throw EIdIOHandlerPropInvalid(u"IOHandler value is not valid");

  SetHost(host);
  SetPort(port);
  return ctNormal;
}

void TIdCustomHTTP::ConnectAndSend(TIdHTTPRequest& ARequest, TIdHTTPResponse& AResponse) {
  ARequest.SetUseProxy(SelectHostAndPort());
  if (FProtocolVersion == pv1_0 && ARequest.Connection().empty()) ARequest.SetConnection(u"keep-alive");
  if (ARequest.AcceptEncoding().find(u"identity") == std::u16string::npos) {
    ARequest.SetAcceptEncoding(ARequest.AcceptEncoding().empty() ? u"identity"
                                                                 : ARequest.AcceptEncoding() + u", identity");
  }
  EnsureConnected(AResponse);
  // A body follows the head at once: the head's sends say so, so that a
  // small request leaves in one segment rather than two (each costs a trip
  // through both ends' network stacks). The sends are the same.
  TStream* const body = ARequest.Source();
  TIdIOHandler* const io = IOHandler();
  io->SetMoreFollows(body != nullptr && body->Size() > 0);
  try {
    FHTTPProto->BuildAndSendRequest(FURI.get());
  } catch (...) {
    io->SetMoreFollows(false);
    throw;
  }
  io->SetMoreFollows(false);
  if (body) io->Write(body, 0, false);
}

void TIdCustomHTTP::EnsureConnected(TIdHTTPResponse& AResponse) {
  if (!AResponse.KeepAlive()) Disconnect(true);
  if (IOHandler()) IOHandler()->InputBuffer()->Clear();
  CheckForGracefulDisconnect(false);
  if (!Connected()) {
    SetIPVersion(FURI->IPVersion());
    Connect();
  }
}

void TIdCustomHTTP::AddCookieHeader(TIdURI& ATarget, TIdHTTPRequest& ARequest) {
  if (!FCookieManager || !FAllowCookies) return;
  FCookieManager->GenerateClientCookies(ATarget, SameText(ATarget.Protocol(), u"HTTPS"), ARequest.RawHeaders());
}

void TIdHTTPProtocol::BuildAndSendRequest(TIdURI* AURI) {
  TIdHTTPRequest& request = *FRequest;
  request.WriteHeaders();
  FHTTP->ProxyParams().SetHeaders(request.RawHeaders());
  if (AURI) FHTTP->AddCookieHeader(*AURI, request);

  TIdIOHandler& io = *FHTTP->IOHandler();
  const bool started = !io.WriteBufferingActive();
  if (started) io.WriteBufferOpen(-1);
  try {
    io.WriteLn(request.Method() + u" " + request.URL() + u" HTTP/" +
               std::u16string(ProtocolVersionText(FHTTP->ProtocolVersion())));
    const TIdHeaderList& lines = request.RawHeaders();
    for (int i = 0; i < lines.Count(); ++i)
      if (!lines[i].empty()) io.WriteLn(lines[i]);
    io.WriteLn(u"");
    if (started) io.WriteBufferClose();
  } catch (...) {
    if (started) io.WriteBufferCancel();
    throw;
  }
}

}  // namespace zorapi
