// The request and response objects of the HTTP client: the request header
// record with what is to be sent, and the response header record with the
// status line of the current reply and the keep-alive decision.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/ip_version.h"
#include "core/streams.h"
#include "http/header_records.h"
#include "http/meta_http_equiv.h"

namespace zorapi {

class TIdCustomHTTP;

enum TIdHTTPProtocolVersion : std::uint8_t { pv1_0, pv1_1 };
enum TIdHTTPConnectionType : std::uint8_t { ctNormal, ctSSL, ctProxy, ctSSLProxy };

// "1.0" and "1.1", indexed by the version.
std::u16string_view ProtocolVersionText(TIdHTTPProtocolVersion AVersion);

class TIdHTTPRequest : public TIdRequestHeaderInfo {
 public:
  explicit TIdHTTPRequest(TIdCustomHTTP* AHTTP);

  const std::u16string& URL() const { return FURL; }
  void SetURL(std::u16string AValue) { FURL = std::move(AValue); }
  const std::u16string& Method() const { return FMethod; }
  void SetMethod(std::u16string AValue) { FMethod = std::move(AValue); }
  TStream* Source() const { return FSourceStream; }
  void SetSource(TStream* AValue) { FSourceStream = AValue; }
  TIdHTTPConnectionType UseProxy() const { return FUseProxy; }
  void SetUseProxy(TIdHTTPConnectionType AValue) { FUseProxy = AValue; }
  TIdIPVersion IPVersion() const { return FIPVersion; }
  void SetIPVersion(TIdIPVersion AValue) { FIPVersion = AValue; }

 private:
  TIdCustomHTTP* FHTTP;  // not owned
  std::u16string FURL;
  std::u16string FMethod;
  TStream* FSourceStream = nullptr;  // not owned
  TIdHTTPConnectionType FUseProxy = ctNormal;
  TIdIPVersion FIPVersion = Id_IPv4;
};

class TIdHTTPResponse : public TIdResponseHeaderInfo {
 public:
  explicit TIdHTTPResponse(TIdCustomHTTP* AHTTP);
  ~TIdHTTPResponse() override;

  const std::u16string& ResponseText() const { return FResponseText; }
  // Takes a status line: the cached code is dropped and the version is read
  // from its characters 6 to 8.
  void SetResponseText(std::u16string AValue);
  // The status code, parsed on demand; -1 when the line holds none.
  std::int32_t ResponseCode();
  TIdHTTPProtocolVersion ResponseVersion() const { return FResponseVersion; }
  // Whether the connection may stay open after this reply; recomputed at
  // every call, closing a connection that the peer has closed.
  bool KeepAlive();
  TStream* ContentStream() const { return FContentStream; }
  void SetContentStream(TStream* AValue) { FContentStream = AValue; }
  TIdMetaHTTPEquiv& MetaHTTPEquiv() { return *FMetaHTTPEquiv; }

 private:
  TIdCustomHTTP* FHTTP;  // not owned
  std::int32_t FResponseCode = -1;
  std::u16string FResponseText;
  bool FKeepAlive = false;
  TStream* FContentStream = nullptr;  // not owned
  TIdHTTPProtocolVersion FResponseVersion = pv1_0;
  std::unique_ptr<TIdMetaHTTPEquiv> FMetaHTTPEquiv;
};

}  // namespace zorapi
