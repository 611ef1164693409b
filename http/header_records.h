// The header records: typed header fields of a body (entity), of a request
// and of a reply, each keeping its raw lines in a header list. WriteHeaders
// turns the fields into lines in a fixed order; ReadHeaders turns received
// lines into fields. Every record starts from the values its Clear gives.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/component.h"
#include "core/datetime.h"
#include "core/string_list.h"
#include "http/authentication.h"
#include "http/header_list.h"

namespace zorapi {

// One range of a "Range" header; -1 marks a missing number.
struct TIdEntityRange {
  std::int64_t StartPos = -1;
  std::int64_t EndPos = -1;
  std::int64_t SuffixLength = -1;
};

// The ranges of a request: a units name and a list of ranges.
class TIdEntityRanges {
 public:
  // The units, "=" and the ranges joined by ","; empty without ranges.
  std::u16string Text() const;
  // Splits text the same way; a missing units part gives "bytes".
  void SetText(std::u16string_view AValue);

  int Count() const { return static_cast<int>(FRanges.size()); }
  const TIdEntityRange& operator[](int AIndex) const { return FRanges[static_cast<std::size_t>(AIndex)]; }
  TIdEntityRange& Add();
  void Clear() { FRanges.clear(); }

  const std::u16string& Units() const { return FUnits; }
  void SetUnits(std::u16string AValue) { FUnits = std::move(AValue); }

 private:
  std::u16string FUnits = u"bytes";
  std::vector<TIdEntityRange> FRanges;
};

class TIdEntityHeaderInfo {
 public:
  explicit TIdEntityHeaderInfo(TComponent* AOwner);
  virtual ~TIdEntityHeaderInfo() = default;
  TIdEntityHeaderInfo(const TIdEntityHeaderInfo&) = delete;
  TIdEntityHeaderInfo& operator=(const TIdEntityHeaderInfo&) = delete;

  // Copies the entity fields of ASource (not Connection, CustomHeaders,
  // Pragma, TransferEncoding or HasContentLength).
  virtual void Assign(const TIdEntityHeaderInfo& ASource);
  // Fills the fields from RawHeaders.
  virtual void ReadHeaders();
  // Empties RawHeaders and writes the fields into it.
  virtual void WriteHeaders();
  virtual void Clear();

  TComponent* OwnerComponent() const { return FOwner; }

  const std::u16string& CacheControl() const { return FCacheControl; }
  void SetCacheControl(std::u16string AValue) { FCacheControl = std::move(AValue); }
  TIdHeaderList& RawHeaders() { return FRawHeaders; }
  const TIdHeaderList& RawHeaders() const { return FRawHeaders; }
  const std::u16string& CharSet() const { return FCharSet; }
  void SetCharSet(std::u16string AValue) { FCharSet = std::move(AValue); }
  const std::u16string& Connection() const { return FConnection; }
  void SetConnection(std::u16string AValue) { FConnection = std::move(AValue); }
  const std::u16string& ContentDisposition() const { return FContentDisposition; }
  void SetContentDisposition(std::u16string AValue) { FContentDisposition = std::move(AValue); }
  const std::u16string& ContentEncoding() const { return FContentEncoding; }
  void SetContentEncoding(std::u16string AValue) { FContentEncoding = std::move(AValue); }
  const std::u16string& ContentLanguage() const { return FContentLanguage; }
  void SetContentLanguage(std::u16string AValue) { FContentLanguage = std::move(AValue); }
  std::int64_t ContentLength() const { return FContentLength; }
  // Also sets HasContentLength to whether AValue is 0 or more.
  void SetContentLength(std::int64_t AValue);
  std::int64_t ContentRangeEnd() const { return FContentRangeEnd; }
  void SetContentRangeEnd(std::int64_t AValue) { FContentRangeEnd = AValue; }
  std::int64_t ContentRangeStart() const { return FContentRangeStart; }
  void SetContentRangeStart(std::int64_t AValue) { FContentRangeStart = AValue; }
  std::int64_t ContentRangeInstanceLength() const { return FContentRangeInstanceLength; }
  void SetContentRangeInstanceLength(std::int64_t AValue) { FContentRangeInstanceLength = AValue; }
  const std::u16string& ContentRangeUnits() const { return FContentRangeUnits; }
  void SetContentRangeUnits(std::u16string AValue) { FContentRangeUnits = std::move(AValue); }
  const std::u16string& ContentType() const { return FContentType; }
  // The content-type rule: the charset parameter moves into CharSet, and a
  // "text" type without one gets "us-ascii" (XML subtypes) or "ISO-8859-1".
  void SetContentType(std::u16string_view AValue);
  const std::u16string& ContentVersion() const { return FContentVersion; }
  void SetContentVersion(std::u16string AValue) { FContentVersion = std::move(AValue); }
  TIdHeaderList& CustomHeaders() { return FCustomHeaders; }
  const TIdHeaderList& CustomHeaders() const { return FCustomHeaders; }
  // Copies the lines of AValue.
  void SetCustomHeaders(const TStringList& AValue);
  TDateTime Date() const { return FDate; }
  void SetDate(TDateTime AValue) { FDate = AValue; }
  TDateTime Expires() const { return FExpires; }
  void SetExpires(TDateTime AValue) { FExpires = AValue; }
  const std::u16string& ETag() const { return FETag; }
  void SetETag(std::u16string AValue) { FETag = std::move(AValue); }
  TDateTime LastModified() const { return FLastModified; }
  void SetLastModified(TDateTime AValue) { FLastModified = AValue; }
  const std::u16string& Pragma() const { return FPragma; }
  void SetPragma(std::u16string AValue) { FPragma = std::move(AValue); }
  bool HasContentLength() const { return FHasContentLength; }
  const std::u16string& TransferEncoding() const { return FTransferEncoding; }
  void SetTransferEncoding(std::u16string AValue) { FTransferEncoding = std::move(AValue); }
  bool HasContentRange() const { return FContentRangeEnd >= 0; }
  bool HasContentRangeInstance() const { return FContentRangeInstanceLength >= 0; }

 protected:
  TComponent* FOwner;
  std::u16string FCacheControl;
  TIdHeaderList FRawHeaders{QuoteHTTP};
  std::u16string FCharSet;
  std::u16string FConnection;
  std::u16string FContentDisposition;
  std::u16string FContentEncoding;
  std::u16string FContentLanguage;
  std::int64_t FContentLength = -1;
  std::int64_t FContentRangeEnd = -1;
  std::int64_t FContentRangeStart = -1;
  std::int64_t FContentRangeInstanceLength = -1;
  std::u16string FContentRangeUnits;
  std::u16string FContentType;
  std::u16string FContentVersion;
  TIdHeaderList FCustomHeaders{QuoteHTTP};
  TDateTime FDate = 0;
  TDateTime FExpires = 0;
  std::u16string FETag;
  TDateTime FLastModified = 0;
  std::u16string FPragma;
  bool FHasContentLength = false;
  std::u16string FTransferEncoding;
};

class TIdRequestHeaderInfo : public TIdEntityHeaderInfo {
 public:
  explicit TIdRequestHeaderInfo(TComponent* AOwner);

  // From another request record only the request fields listed for copying
  // are taken; from any other record, its entity fields.
  void Assign(const TIdEntityHeaderInfo& ASource) override;
  void ReadHeaders() override;
  // The entity lines, the custom lines, then the request lines in order.
  void WriteHeaders() override;
  void Clear() override;

  const std::u16string& Accept() const { return FAccept; }
  void SetAccept(std::u16string AValue) { FAccept = std::move(AValue); }
  const std::u16string& AcceptCharSet() const { return FAcceptCharSet; }
  void SetAcceptCharSet(std::u16string AValue) { FAcceptCharSet = std::move(AValue); }
  const std::u16string& AcceptEncoding() const { return FAcceptEncoding; }
  void SetAcceptEncoding(std::u16string AValue) { FAcceptEncoding = std::move(AValue); }
  const std::u16string& AcceptLanguage() const { return FAcceptLanguage; }
  void SetAcceptLanguage(std::u16string AValue) { FAcceptLanguage = std::move(AValue); }
  const std::u16string& From() const { return FFrom; }
  void SetFrom(std::u16string AValue) { FFrom = std::move(AValue); }
  const std::u16string& Password() const { return FPassword; }
  void SetPassword(std::u16string AValue) { FPassword = std::move(AValue); }
  const std::u16string& Referer() const { return FReferer; }
  void SetReferer(std::u16string AValue) { FReferer = std::move(AValue); }
  const std::u16string& UserAgent() const { return FUserAgent; }
  void SetUserAgent(std::u16string AValue) { FUserAgent = std::move(AValue); }
  const std::u16string& Username() const { return FUserName; }
  void SetUsername(std::u16string AValue) { FUserName = std::move(AValue); }
  const std::u16string& Host() const { return FHost; }
  void SetHost(std::u16string AValue) { FHost = std::move(AValue); }
  const std::u16string& ProxyConnection() const { return FProxyConnection; }
  void SetProxyConnection(std::u16string AValue) { FProxyConnection = std::move(AValue); }
  TIdEntityRanges& Ranges() { return FRanges; }
  const TIdEntityRanges& Ranges() const { return FRanges; }
  std::u16string Range() const { return FRanges.Text(); }
  void SetRange(std::u16string_view AValue) { FRanges.SetText(AValue); }
  bool BasicAuthentication() const { return FBasicByDefault; }
  void SetBasicAuthentication(bool AValue) { FBasicByDefault = AValue; }
  // The attached scheme object, owned by the record; null when none.
  TIdAuthentication* Authentication() const { return FAuthentication.get(); }
  void SetAuthentication(std::unique_ptr<TIdAuthentication> AValue) { FAuthentication = std::move(AValue); }
  const std::u16string& MethodOverride() const { return FMethodOverride; }
  void SetMethodOverride(std::u16string AValue) { FMethodOverride = std::move(AValue); }

 protected:
  std::u16string FAccept;
  std::u16string FAcceptCharSet;
  std::u16string FAcceptEncoding;
  std::u16string FAcceptLanguage;
  std::u16string FExpect;
  std::u16string FFrom;
  std::u16string FPassword;
  std::u16string FReferer;
  std::u16string FUserAgent;
  std::u16string FUserName;
  std::u16string FHost;
  std::u16string FProxyConnection;
  TIdEntityRanges FRanges;
  bool FBasicByDefault = false;
  std::unique_ptr<TIdAuthentication> FAuthentication;
  std::u16string FMethodOverride;
};

class TIdResponseHeaderInfo : public TIdEntityHeaderInfo {
 public:
  explicit TIdResponseHeaderInfo(TComponent* AOwner);

  void ReadHeaders() override;
  // The entity lines, then "Content-Range", "Accept-Ranges" and
  // "Last-Modified" (server side only).
  void WriteHeaders() override;
  // The entity Clear, then "text/html" with "ISO-8859-1".
  void Clear() override;

  const std::u16string& AcceptRanges() const { return FAcceptRanges; }
  void SetAcceptRanges(std::u16string AValue) { FAcceptRanges = std::move(AValue); }
  const std::u16string& Location() const { return FLocation; }
  void SetLocation(std::u16string AValue) { FLocation = std::move(AValue); }
  const std::u16string& Server() const { return FServer; }
  void SetServer(std::u16string AValue) { FServer = std::move(AValue); }
  const std::u16string& ProxyConnection() const { return FProxyConnection; }
  void SetProxyConnection(std::u16string AValue) { FProxyConnection = std::move(AValue); }
  TIdHeaderList& ProxyAuthenticate() { return FProxyAuthenticate; }
  const TIdHeaderList& ProxyAuthenticate() const { return FProxyAuthenticate; }
  void SetProxyAuthenticate(const TStringList& AValue);
  TIdHeaderList& WWWAuthenticate() { return FWWWAuthenticate; }
  const TIdHeaderList& WWWAuthenticate() const { return FWWWAuthenticate; }
  void SetWWWAuthenticate(const TStringList& AValue);

 protected:
  std::u16string FAcceptRanges;
  std::u16string FLocation;
  std::u16string FServer;
  std::u16string FProxyConnection;
  TIdHeaderList FProxyAuthenticate{QuoteHTTP};
  TIdHeaderList FWWWAuthenticate{QuoteHTTP};

 private:
  // Kept for the record's layout; nothing fills it. The reply's meta record
  // is a separate object of the response.
  TIdHeaderList FMetaHTTPEquiv{QuoteHTTP};
};

// Proxy settings: server, port, credentials and the proxy's scheme object.
class TIdProxyConnectionInfo {
 public:
  TIdProxyConnectionInfo() { Clear(); }
  TIdProxyConnectionInfo(const TIdProxyConnectionInfo&) = delete;
  TIdProxyConnectionInfo& operator=(const TIdProxyConnectionInfo&) = delete;

  // Copies password, port, server, user name and BasicAuthentication.
  void Assign(const TIdProxyConnectionInfo& ASource);
  // Empties server, user name and password and sets the port to 0.
  void Clear();
  // Writes "Proxy-Authorization" into AHeaders when a scheme yields a value.
  void SetHeaders(TIdHeaderList& AHeaders);

  TIdAuthentication* Authentication() const { return FAuthentication.get(); }
  void SetAuthentication(std::unique_ptr<TIdAuthentication> AValue) { FAuthentication = std::move(AValue); }
  const std::u16string& ProxyPassword() const { return FPassword; }
  void SetProxyPassword(std::u16string AValue) { FPassword = std::move(AValue); }
  int ProxyPort() const { return FPort; }
  // A different port frees the scheme object.
  void SetProxyPort(int AValue);
  const std::u16string& ProxyServer() const { return FServer; }
  // A server that differs ignoring case frees the scheme object.
  void SetProxyServer(std::u16string AValue);
  const std::u16string& ProxyUsername() const { return FUsername; }
  void SetProxyUsername(std::u16string AValue) { FUsername = std::move(AValue); }
  bool BasicAuthentication() const { return FBasicByDefault; }
  void SetBasicAuthentication(bool AValue) { FBasicByDefault = AValue; }

 private:
  std::unique_ptr<TIdAuthentication> FAuthentication;
  std::u16string FPassword;
  int FPort = 0;
  std::u16string FServer;
  std::u16string FUsername;
  bool FBasicByDefault = false;
};

}  // namespace zorapi
