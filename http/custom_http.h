// The HTTP client: its settings, the POST entry and the request cycle with
// its status dispatch, over the TCP client it derives from.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/streams.h"
#include "core/string_list.h"
#include "core/text_encoding.h"
#include "http/cookie_manager.h"
#include "http/header_records.h"
#include "http/http_request.h"
#include "http/uri.h"
#include "transport/tcp_client.h"

namespace zorapi {

enum TIdHTTPOption : std::uint8_t {
  hoInProcessAuth,
  hoKeepOrigProtocol,
  hoForceEncodeParams,
  hoNonSSLProxyUseConnectVerb,
  hoNoParseMetaHTTPEquiv,
  hoWaitForUnexpectedData
};

// A set of options, one bit per value in declaration order.
class TIdHTTPOptions {
 public:
  constexpr TIdHTTPOptions() = default;
  constexpr TIdHTTPOptions(std::initializer_list<TIdHTTPOption> AOptions) {
    for (TIdHTTPOption o : AOptions) FBits |= Bit(o);
  }
  constexpr bool Contains(TIdHTTPOption AOption) const { return (FBits & Bit(AOption)) != 0; }
  constexpr std::uint8_t Bits() const { return FBits; }

 private:
  static constexpr std::uint8_t Bit(TIdHTTPOption o) { return static_cast<std::uint8_t>(1u << o); }
  std::uint8_t FBits = 0;
};

enum TIdHTTPNextStep : std::uint8_t { nsFollowLocation, nsFinished, nsRetryAuthorized };

// Status codes for which an error reply raises nothing.
using TIdResponseCodeIgnoreList = std::vector<std::int16_t>;

// The protocol worker: the request and response objects of the client, the
// writing of a request and the reading and dispatch of a reply.
class TIdHTTPProtocol {
 public:
  explicit TIdHTTPProtocol(TIdCustomHTTP* AConnection);
  ~TIdHTTPProtocol();
  TIdHTTPProtocol(const TIdHTTPProtocol&) = delete;
  TIdHTTPProtocol& operator=(const TIdHTTPProtocol&) = delete;

  // Writes the request line and the header lines in one send.
  void BuildAndSendRequest(TIdURI* AURI);
  // Reads the header lines of the current reply (at most AMaxHeaderCount
  // when it is positive) and fills the response's header record.
  void RetrieveHeaders(std::int32_t AMaxHeaderCount);
  TIdHTTPNextStep ProcessResponse(const TIdResponseCodeIgnoreList& AIgnoreReplies);

  TIdHTTPRequest& Request() { return *FRequest; }
  TIdHTTPResponse& Response() { return *FResponse; }

 private:
  bool NotifyHeadersAvailable();
  void RaiseProtocolError(std::int32_t ACode, const TIdResponseCodeIgnoreList& AIgnoreReplies);
  void DiscardBody();

  TIdCustomHTTP* FHTTP;  // not owned
  std::unique_ptr<TIdHTTPRequest> FRequest;
  std::unique_ptr<TIdHTTPResponse> FResponse;
};

class TIdCustomHTTP : public TIdTCPClientCustom {
 public:
  explicit TIdCustomHTTP(TComponent* AOwner);
  ~TIdCustomHTTP() override;

  // The stream entry: closes a connection left open, sends the request as
  // HTTP/1.0 and puts the protocol version back on every path.
  void Post(const std::u16string& AURL, TStream* ASource, TStream* AResponseContent);
  // The form-list entry: encodes the fields into a body and posts it.
  void Post(const std::u16string& AURL, TStringList* ASource, TStream* AResponseContent,
            const TIdTextEncoding* AByteEncoding);
  // The field list as the body text; with hoForceEncodeParams each line's
  // name and value are escaped apart.
  std::u16string EncodeFormFields(const TStringList* ASource, const TIdTextEncoding* AByteEncoding) const;

  TIdHTTPProtocolVersion ProtocolVersion() const { return FProtocolVersion; }
  void SetProtocolVersion(TIdHTTPProtocolVersion AValue) { FProtocolVersion = AValue; }
  TIdHTTPOptions HTTPOptions() const { return FOptions; }
  void SetHTTPOptions(TIdHTTPOptions AValue) { FOptions = AValue; }
  bool HandleRedirects() const { return FHandleRedirects; }
  void SetHandleRedirects(bool AValue) { FHandleRedirects = AValue; }
  std::int32_t RedirectMaximum() const { return FRedirectMax; }
  void SetRedirectMaximum(std::int32_t AValue) { FRedirectMax = AValue; }
  std::int32_t RedirectCount() const { return FRedirectCount; }
  std::int32_t AuthRetries() const { return FAuthRetries; }
  std::int32_t AuthProxyRetries() const { return FAuthProxyRetries; }
  std::int32_t MaxAuthRetries() const { return FMaxAuthRetries; }
  void SetMaxAuthRetries(std::int32_t AValue) { FMaxAuthRetries = AValue; }
  std::int32_t MaxHeaderLines() const { return FMaxHeaderLines; }
  void SetMaxHeaderLines(std::int32_t AValue) { FMaxHeaderLines = AValue; }
  bool AllowCookies() const { return FAllowCookies; }
  void SetAllowCookies(bool AValue) { FAllowCookies = AValue; }
  TIdCookieManager* CookieManager() const { return FCookieManager; }
  void SetCookieManager(TIdCookieManager* ACookieManager);
  TIdProxyConnectionInfo& ProxyParams() { return *FProxyParameters; }
  TIdURI& URL() { return *FURI; }

  TIdHTTPRequest& Request() { return FHTTPProto->Request(); }
  TIdHTTPResponse& Response() { return FHTTPProto->Response(); }
  std::int32_t ResponseCode() { return Response().ResponseCode(); }
  const std::u16string& ResponseText() { return Response().ResponseText(); }
  TIdMetaHTTPEquiv& MetaHTTPEquiv() { return Response().MetaHTTPEquiv(); }

  // The request cycle behind every verb.
  virtual void PerformRequest(const std::u16string& AMethod, const std::u16string& AURL, TStream* ASource,
                              TStream* AResponseContent, const TIdResponseCodeIgnoreList& AIgnoreReplies);
  virtual std::unique_ptr<TIdHTTPProtocol> MakeProtocolWorker();
  virtual bool TryAuthorization(TIdHTTPRequest& ARequest, TIdHTTPResponse& AResponse);
  virtual bool TryProxyAuthorization(TIdHTTPRequest& ARequest, TIdHTTPResponse& AResponse);
  virtual bool ConfirmRedirect(std::u16string& ALocation, std::u16string& AMethod, std::int32_t ARedirectCount);

  // The charset name for turning the response's current content stream
  // into text.
  std::u16string ResponseTextCharset();

  // Whether the connection can carry another request. A connection that the
  // peer has reset is not connected: the reset says nothing against a reply
  // already read, nor against the next request on a new connection.
  bool Connected() override;

 protected:
  void SetUpComponent() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void NotifyDisconnected() override;

 private:
  friend class TIdHTTPProtocol;
  friend class TIdHTTPResponse;

  std::u16string ReadReplyLine();
  void CloseUnlessKeptAlive();
  void ReadResponseHead();
  void ResolveRequest(TIdHTTPRequest& ARequest);
  TIdHTTPConnectionType SelectHostAndPort();
  void ConnectAndSend(TIdHTTPRequest& ARequest, TIdHTTPResponse& AResponse);
  void EnsureConnected(TIdHTTPResponse& AResponse);
  void AddCookieHeader(TIdURI& ATarget, TIdHTTPRequest& ARequest);
  void StoreResponseCookies(TIdHTTPRequest& ARequest, TIdHTTPResponse& AResponse);
  void ReadResponseBody(TIdHTTPRequest& ARequest, TIdHTTPResponse& AResponse);
  bool BodyExpected(TIdHTTPRequest& ARequest, TIdHTTPResponse& AResponse);
  bool DataPending(std::int32_t ATimeout);
  void ReadChunkedBody(TIdHTTPResponse& AResponse, TStream* ATarget);
  std::int32_t ReadChunkSize();

  std::int32_t FAuthRetries = 0;
  std::int32_t FAuthProxyRetries = 0;
  TIdCookieManager* FCookieManager = nullptr;  // owned when FFreeCookieManager
  bool FFreeCookieManager = false;
  std::int32_t FMaxAuthRetries = 0;
  std::int32_t FMaxHeaderLines = 0;
  bool FAllowCookies = false;
  TIdHTTPProtocolVersion FProtocolVersion = pv1_0;
  std::int32_t FRedirectCount = 0;
  std::int32_t FRedirectMax = 0;
  bool FHandleRedirects = false;
  TIdHTTPOptions FOptions;
  std::unique_ptr<TIdURI> FURI;
  std::unique_ptr<TIdHTTPProtocol> FHTTPProto;
  std::unique_ptr<TIdProxyConnectionInfo> FProxyParameters;
};

// Publishes the settings of the custom client; adds nothing.
class TIdHTTP : public TIdCustomHTTP {
 public:
  using TIdCustomHTTP::TIdCustomHTTP;
};

// Whether a header record's media type is "text/html" or
// "text/html-sandboxed", ignoring case.
bool IsHtmlMediaType(const TIdEntityHeaderInfo& AHeaders);

}  // namespace zorapi
