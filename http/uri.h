// A URL split into its parts, as the client keeps its current target.
#pragma once

#include <string>
#include <string_view>

#include "core/ip_version.h"

namespace zorapi {

class TIdURI {
 public:
  // An empty target, or the parse of AURI when it is not empty.
  explicit TIdURI(std::u16string_view AURI = {});

  // Parses AURI into the fields; every field is set anew.
  void SetURI(std::u16string_view AURI);

  // The request target: path, document and, with a query, "?" and the query.
  std::u16string GetPathAndParams() const;

  // Backslashes of the path part turned into slashes; the path part starts
  // after the scheme's ":" (and "//" or "\\" right after it) and ends at the
  // first "?" or "#".
  static std::u16string NormalizePath(std::u16string_view APath);
  // Resolves APath against ABasePath, collapsing runs of the delimiter and
  // taking ".." segments back.
  static std::u16string MergePath(std::u16string_view ABasePath, std::u16string_view APath,
                                  char16_t ADelimiter = u'/');

  const std::u16string& Document() const { return FDocument; }
  void SetDocument(std::u16string AValue) { FDocument = std::move(AValue); }
  const std::u16string& Protocol() const { return FProtocol; }
  void SetProtocol(std::u16string AValue) { FProtocol = std::move(AValue); }
  const std::u16string& Port() const { return FPort; }
  void SetPort(std::u16string AValue) { FPort = std::move(AValue); }
  const std::u16string& Path() const { return Fpath; }
  void SetPath(std::u16string AValue) { Fpath = std::move(AValue); }
  const std::u16string& Host() const { return FHost; }
  void SetHost(std::u16string AValue) { FHost = std::move(AValue); }
  const std::u16string& Bookmark() const { return FBookmark; }
  void SetBookmark(std::u16string AValue) { FBookmark = std::move(AValue); }
  const std::u16string& Username() const { return FUserName; }
  void SetUsername(std::u16string AValue) { FUserName = std::move(AValue); }
  const std::u16string& Password() const { return FPassword; }
  void SetPassword(std::u16string AValue) { FPassword = std::move(AValue); }
  const std::u16string& Params() const { return FParams; }
  void SetParams(std::u16string AValue) { FParams = std::move(AValue); }
  TIdIPVersion IPVersion() const { return FIPVersion; }
  void SetIPVersion(TIdIPVersion AValue) { FIPVersion = AValue; }

 private:
  std::u16string FDocument;
  std::u16string FProtocol;
  std::u16string FURI;  // the text last assigned, after path normalisation
  std::u16string FPort;
  std::u16string Fpath;
  std::u16string FHost;
  std::u16string FBookmark;
  std::u16string FUserName;
  std::u16string FPassword;
  std::u16string FParams;
  TIdIPVersion FIPVersion = Id_IPv4;
};

}  // namespace zorapi
