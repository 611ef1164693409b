#include "http/header_records.h"

#include "core/text.h"
#include "http/header_values.h"
#include "http/http_dates.h"
#include "platform/clock.h"

namespace zorapi {
namespace {

// The text before the first ADelim, removed with it from VText; all of
// VText when there is none.
std::u16string_view Fetch(std::u16string_view& VText, char16_t ADelim) {
  const std::size_t at = VText.find(ADelim);
  const std::u16string_view head = VText.substr(0, at);
  VText = at == std::u16string_view::npos ? std::u16string_view{} : VText.substr(at + 1);
  return head;
}

std::int64_t ToInt64Def(std::u16string_view AText, std::int64_t ADefault) {
  return TextToIntDef<std::int64_t>(AText, ADefault);
}

void WriteIfNotEmpty(TIdHeaderList& AHeaders, std::u16string_view AName, std::u16string_view AValue) {
  if (!AValue.empty()) AHeaders.ReplaceValue(AName, AValue);
}

void WriteDateIfSet(TIdHeaderList& AHeaders, std::u16string_view AName, TDateTime AValue) {
  if (AValue > 0) AHeaders.ReplaceValue(AName, HttpDateText(AValue));
}

// The value a scheme object yields, attaching a "Basic" one with the given
// credentials first when none is attached and Basic is the default.
std::u16string SchemeValue(std::unique_ptr<TIdAuthentication>& VAuthentication, bool ABasicByDefault,
                           const std::u16string& AUsername, const std::u16string& APassword) {
  if (!VAuthentication) {
    if (!ABasicByDefault) return {};
    VAuthentication = std::make_unique<TIdBasicAuthentication>();
    VAuthentication->SetUsername(AUsername);
    VAuthentication->SetPassword(APassword);
  }
  return VAuthentication->Authentication();
}

}  // namespace

// --- TIdEntityRanges ---------------------------------------------------------

TIdEntityRange& TIdEntityRanges::Add() { return FRanges.emplace_back(); }

std::u16string TIdEntityRanges::Text() const {
  std::u16string ranges;
  for (const TIdEntityRange& r : FRanges) {
    std::u16string one;
    if (r.StartPos >= 0) {
      one = IntToText(r.StartPos) + u"-";
      if (r.EndPos >= 0) one += IntToText(r.EndPos);
    } else if (r.SuffixLength >= 0) {
      one = u"-" + IntToText(r.SuffixLength);
    } else {
      continue;
    }
    if (!ranges.empty()) ranges += u',';
    ranges += one;
  }
  if (ranges.empty()) return {};
  return FUnits + u"=" + ranges;
}

void TIdEntityRanges::SetText(std::u16string_view AValue) {
  FRanges.clear();
  std::u16string_view rest = TrimView(AValue);
  const std::size_t eq = rest.find(u'=');
  if (eq != std::u16string_view::npos) {
    FUnits = Trim(rest.substr(0, eq));
    rest.remove_prefix(eq + 1);
  } else {
    FUnits.clear();
  }
  if (FUnits.empty()) FUnits = u"bytes";
  while (!rest.empty()) {
    std::u16string_view item = TrimView(Fetch(rest, u','));
    if (item.empty()) continue;
    TIdEntityRange r;
    const std::u16string_view start = TrimView(Fetch(item, u'-'));
    if (start.empty()) {
      r.SuffixLength = ToInt64Def(item, -1);
    } else {
      r.StartPos = ToInt64Def(start, -1);
      r.EndPos = ToInt64Def(item, -1);
    }
    FRanges.push_back(r);
  }
}

// --- TIdEntityHeaderInfo -----------------------------------------------------

TIdEntityHeaderInfo::TIdEntityHeaderInfo(TComponent* AOwner) : FOwner(AOwner) {
  FRawHeaders.SetFoldLength(1024);
  TIdEntityHeaderInfo::Clear();
}

void TIdEntityHeaderInfo::Assign(const TIdEntityHeaderInfo& ASource) {
  if (&ASource == this) return;
  static_cast<TStringList&>(FRawHeaders) = static_cast<const TStringList&>(ASource.FRawHeaders);
  FCacheControl = ASource.FCacheControl;
  FCharSet = ASource.FCharSet;
  FContentDisposition = ASource.FContentDisposition;
  FContentEncoding = ASource.FContentEncoding;
  FContentLanguage = ASource.FContentLanguage;
  FContentType = ASource.FContentType;
  FContentVersion = ASource.FContentVersion;
  FContentLength = ASource.FContentLength;
  FContentRangeEnd = ASource.FContentRangeEnd;
  FContentRangeStart = ASource.FContentRangeStart;
  FContentRangeInstanceLength = ASource.FContentRangeInstanceLength;
  FContentRangeUnits = ASource.FContentRangeUnits;
  FDate = ASource.FDate;
  FETag = ASource.FETag;
  FExpires = ASource.FExpires;
  FLastModified = ASource.FLastModified;
}

void TIdEntityHeaderInfo::Clear() {
  FCacheControl.clear();
  FRawHeaders.Clear();
  FCharSet.clear();
  FConnection.clear();
  FContentDisposition.clear();
  FContentEncoding.clear();
  FContentLanguage.clear();
  FContentLength = -1;
  FContentRangeEnd = -1;
  FContentRangeStart = -1;
  FContentRangeInstanceLength = -1;
  FContentRangeUnits.clear();
  FContentType.clear();
  FContentVersion.clear();
  FDate = 0;
  FExpires = 0;
  FETag.clear();
  FLastModified = 0;
}

void TIdEntityHeaderInfo::SetContentLength(std::int64_t AValue) {
  FContentLength = AValue;
  FHasContentLength = AValue >= 0;
}

void TIdEntityHeaderInfo::SetContentType(std::u16string_view AValue) {
  if (AValue.empty()) {
    FContentType.clear();
    FCharSet.clear();
    return;
  }
  std::u16string charSet;
  FContentType = RemoveParam(AValue, u"charset", charSet, QuoteHTTP);
  if (charSet.empty() && HasMediaType(FContentType, u"text")) {
    const std::u16string subtype = MediaSubtypeOf(FContentType);
    const bool xml = SameText(subtype, u"xml") || SameText(subtype, u"xml-external-parsed-entity") ||
                     EndsText(u"+xml", subtype);
    charSet = xml ? u"us-ascii" : u"ISO-8859-1";
  }
  if (!charSet.empty()) FCharSet = std::move(charSet);
}

void TIdEntityHeaderInfo::SetCustomHeaders(const TStringList& AValue) {
  if (&AValue == &FCustomHeaders) return;
  static_cast<TStringList&>(FCustomHeaders) = AValue;
}

void TIdEntityHeaderInfo::ReadHeaders() {
  const TIdHeaderList& h = FRawHeaders;
  FCacheControl = h.ValueOfName(u"Cache-control");
  FConnection = h.ValueOfName(u"Connection");
  FContentVersion = h.ValueOfName(u"Content-Version");
  FContentDisposition = h.ValueOfName(u"Content-Disposition");
  FContentEncoding = h.ValueOfName(u"Content-Encoding");
  FContentLanguage = h.ValueOfName(u"Content-Language");
  SetContentType(h.ValueOfName(u"Content-Type"));
  SetContentLength(ToInt64Def(h.ValueOfName(u"Content-Length"), -1));

  FContentRangeStart = -1;
  FContentRangeEnd = -1;
  FContentRangeInstanceLength = -1;
  FContentRangeUnits.clear();
  const std::u16string contentRange = h.ValueOfName(u"Content-Range");
  if (!contentRange.empty()) {
    std::u16string_view rest = contentRange;
    const std::u16string_view units = Fetch(rest, u' ');
    std::u16string_view range = Fetch(rest, u'/');
    const std::u16string_view instance = Fetch(rest, u' ');
    FContentRangeUnits = std::u16string(units);
    FContentRangeStart = ToInt64Def(Fetch(range, u'-'), -1);
    FContentRangeEnd = ToInt64Def(range, -1);
    FContentRangeInstanceLength = ToInt64Def(instance, -1);
  }

  const std::u16string date = h.ValueOfName(u"Date");
  FDate = date.empty() ? platform::LocalNow() : HttpDateToLocal(date);
  FLastModified = HttpDateToLocal(h.ValueOfName(u"Last-Modified"));

  const std::u16string expires = h.ValueOfName(u"Expires");
  FExpires = 0;
  if (!expires.empty()) {
    std::int64_t seconds;
    if (TryTextToInt(expires, seconds)) {
      // A number of seconds from now, as some servers send; negative is past.
      FExpires = seconds < 0 ? 0 : IncSeconds(platform::LocalNow(), static_cast<double>(seconds));
    } else {
      try {
        FExpires = HttpDateToLocal(expires);
      } catch (const EIdFailedToRetreiveTimeZoneInfo&) {
        FExpires = IncSeconds(platform::LocalNow(), -1);
      }
    }
  }

  FETag = h.ValueOfName(u"ETag");
  FPragma = h.ValueOfName(u"Pragma");
  FTransferEncoding = h.ValueOfName(u"Transfer-Encoding");
}

void TIdEntityHeaderInfo::WriteHeaders() {
  TIdHeaderList& h = FRawHeaders;
  h.Clear();
  WriteIfNotEmpty(h, u"Connection", FConnection);
  WriteIfNotEmpty(h, u"Content-Version", FContentVersion);
  WriteIfNotEmpty(h, u"Content-Disposition", FContentDisposition);
  WriteIfNotEmpty(h, u"Content-Encoding", FContentEncoding);
  WriteIfNotEmpty(h, u"Content-Language", FContentLanguage);
  if (!FContentType.empty()) {
    h.ReplaceValue(u"Content-Type", FContentType);
    h.SetParamValue(u"Content-Type", u"charset", FCharSet);
  }
  if (FContentLength >= 0) h.ReplaceValue(u"Content-Length", IntToText(FContentLength));
  WriteIfNotEmpty(h, u"Cache-control", FCacheControl);
  WriteDateIfSet(h, u"Date", FDate);
  WriteIfNotEmpty(h, u"ETag", FETag);
  WriteDateIfSet(h, u"Expires", FExpires);
  WriteIfNotEmpty(h, u"Pragma", FPragma);
  WriteIfNotEmpty(h, u"Transfer-Encoding", FTransferEncoding);
  if (FCustomHeaders.Count() > 0) h.SetText(h.Text() + FCustomHeaders.Text());
}

// --- TIdRequestHeaderInfo ----------------------------------------------------

TIdRequestHeaderInfo::TIdRequestHeaderInfo(TComponent* AOwner) : TIdEntityHeaderInfo(AOwner) {
  TIdRequestHeaderInfo::Clear();
}

void TIdRequestHeaderInfo::Assign(const TIdEntityHeaderInfo& ASource) {
  const auto* source = dynamic_cast<const TIdRequestHeaderInfo*>(&ASource);
  if (source == nullptr) {
    TIdEntityHeaderInfo::Assign(ASource);
    return;
  }
  if (source == this) return;
  FAccept = source->FAccept;
  FAcceptCharSet = source->FAcceptCharSet;
  FAcceptEncoding = source->FAcceptEncoding;
  FAcceptLanguage = source->FAcceptLanguage;
  FFrom = source->FFrom;
  FUserName = source->FUserName;
  FPassword = source->FPassword;
  FReferer = source->FReferer;
  FUserAgent = source->FUserAgent;
  FBasicByDefault = source->FBasicByDefault;
  FRanges = source->FRanges;
  FMethodOverride = source->FMethodOverride;
}

void TIdRequestHeaderInfo::Clear() {
  FAccept = u"text/html, */*";
  FAcceptCharSet.clear();
  FUserAgent = u"Mozilla/3.0 (compatible; Zora Library)";
  FRanges.Clear();
  FBasicByDefault = false;
  FMethodOverride.clear();
  TIdEntityHeaderInfo::Clear();
}

void TIdRequestHeaderInfo::ReadHeaders() {
  TIdEntityHeaderInfo::ReadHeaders();
  const TIdHeaderList& h = FRawHeaders;
  FAccept = h.ValueOfName(u"Accept");
  FAcceptCharSet = h.ValueOfName(u"Accept-Charset");
  FAcceptEncoding = h.ValueOfName(u"Accept-Encoding");
  FAcceptLanguage = h.ValueOfName(u"Accept-Language");
  FHost = h.ValueOfName(u"Host");
  FFrom = h.ValueOfName(u"From");
  FReferer = h.ValueOfName(u"Referer");
  FUserAgent = h.ValueOfName(u"User-Agent");
  FRanges.SetText(h.ValueOfName(u"Range"));
  FMethodOverride = h.ValueOfName(u"X-HTTP-Method-Override");
}

void TIdRequestHeaderInfo::WriteHeaders() {
  TIdEntityHeaderInfo::WriteHeaders();
  TIdHeaderList& h = FRawHeaders;
  WriteIfNotEmpty(h, u"Proxy-Connection", FProxyConnection);
  WriteIfNotEmpty(h, u"Host", FHost);
  WriteIfNotEmpty(h, u"Accept", FAccept);
  WriteIfNotEmpty(h, u"Accept-Charset", FAcceptCharSet);
  WriteIfNotEmpty(h, u"Accept-Encoding", FAcceptEncoding);
  WriteIfNotEmpty(h, u"Accept-Language", FAcceptLanguage);
  WriteIfNotEmpty(h, u"From", FFrom);
  WriteIfNotEmpty(h, u"Referer", FReferer);
  WriteIfNotEmpty(h, u"User-Agent", FUserAgent);
  WriteIfNotEmpty(h, u"Range", FRanges.Text());
  WriteDateIfSet(h, u"If-Modified-Since", FLastModified);
  WriteIfNotEmpty(h, u"Authorization", SchemeValue(FAuthentication, FBasicByDefault, FUserName, FPassword));
  WriteIfNotEmpty(h, u"X-HTTP-Method-Override", FMethodOverride);
}

// --- TIdResponseHeaderInfo ---------------------------------------------------

TIdResponseHeaderInfo::TIdResponseHeaderInfo(TComponent* AOwner) : TIdEntityHeaderInfo(AOwner) {
  FContentType = u"text/html";
  FCharSet = u"ISO-8859-1";
  TIdResponseHeaderInfo::Clear();
}

void TIdResponseHeaderInfo::Clear() {
  TIdEntityHeaderInfo::Clear();
  FContentType = u"text/html";
  FCharSet = u"ISO-8859-1";
  FAcceptRanges.clear();
  FLocation.clear();
  FServer.clear();
  FProxyAuthenticate.Clear();
  FWWWAuthenticate.Clear();
}

void TIdResponseHeaderInfo::SetProxyAuthenticate(const TStringList& AValue) {
  if (&AValue != &FProxyAuthenticate) static_cast<TStringList&>(FProxyAuthenticate) = AValue;
}

void TIdResponseHeaderInfo::SetWWWAuthenticate(const TStringList& AValue) {
  if (&AValue != &FWWWAuthenticate) static_cast<TStringList&>(FWWWAuthenticate) = AValue;
}

void TIdResponseHeaderInfo::ReadHeaders() {
  TIdEntityHeaderInfo::ReadHeaders();
  const TIdHeaderList& h = FRawHeaders;
  FLocation = h.ValueOfName(u"Location");
  FServer = h.ValueOfName(u"Server");
  FProxyConnection = h.ValueOfName(u"Proxy-Connection");
  FWWWAuthenticate.Clear();
  h.Extract(u"WWW-Authenticate", FWWWAuthenticate);
  FProxyAuthenticate.Clear();
  h.Extract(u"Proxy-Authenticate", FProxyAuthenticate);
  FAcceptRanges = h.ValueOfName(u"Accept-Ranges");
}

void TIdResponseHeaderInfo::WriteHeaders() {
  TIdEntityHeaderInfo::WriteHeaders();
  TIdHeaderList& h = FRawHeaders;
  if (HasContentRange() || HasContentRangeInstance()) {
    std::u16string value = FContentRangeUnits.empty() ? std::u16string(u"bytes") : FContentRangeUnits;
    value += u' ';
    value += HasContentRange() ? IntToText(FContentRangeStart) + u"-" + IntToText(FContentRangeEnd)
                               : std::u16string(u"*");
    value += u'/';
    value += HasContentRangeInstance() ? IntToText(FContentRangeInstanceLength) : std::u16string(u"*");
    h.ReplaceValue(u"Content-Range", value);
  }
  WriteIfNotEmpty(h, u"Accept-Ranges", FAcceptRanges);
  WriteDateIfSet(h, u"Last-Modified", FLastModified);
}

// --- TIdProxyConnectionInfo --------------------------------------------------

void TIdProxyConnectionInfo::Assign(const TIdProxyConnectionInfo& ASource) {
  if (&ASource == this) return;
  FPassword = ASource.FPassword;
  FPort = ASource.FPort;
  FServer = ASource.FServer;
  FUsername = ASource.FUsername;
  FBasicByDefault = ASource.FBasicByDefault;
}

void TIdProxyConnectionInfo::Clear() {
  FServer.clear();
  FUsername.clear();
  FPassword.clear();
  FPort = 0;
}

void TIdProxyConnectionInfo::SetProxyPort(int AValue) {
  if (AValue != FPort) FAuthentication.reset();
  FPort = AValue;
}

void TIdProxyConnectionInfo::SetProxyServer(std::u16string AValue) {
  if (!SameText(AValue, FServer)) FAuthentication.reset();
  FServer = std::move(AValue);
}

void TIdProxyConnectionInfo::SetHeaders(TIdHeaderList& AHeaders) {
  WriteIfNotEmpty(AHeaders, u"Proxy-Authorization",
                  SchemeValue(FAuthentication, FBasicByDefault, FUsername, FPassword));
}

}  // namespace zorapi
