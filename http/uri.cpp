#include "http/uri.h"

namespace zorapi {
namespace {

constexpr auto npos = std::u16string_view::npos;

bool IsSlash(char16_t c) { return c == u'/' || c == u'\\'; }

// Splits text at the first occurrence of c: returns what comes before and
// leaves in text what follows. Without c, everything is returned.
std::u16string_view CutAt(std::u16string_view& text, char16_t c) {
  const std::size_t p = text.find(c);
  if (p == npos) {
    const std::u16string_view all = text;
    text = {};
    return all;
  }
  const std::u16string_view before = text.substr(0, p);
  text.remove_prefix(p + 1);
  return before;
}

}  // namespace

TIdURI::TIdURI(std::u16string_view AURI) {
  if (!AURI.empty()) SetURI(AURI);
}

std::u16string TIdURI::NormalizePath(std::u16string_view APath) {
  std::u16string out(APath);
  std::size_t start = 0;
  const std::size_t colon = out.find(u':');
  if (colon != npos) {
    start = colon + 1;
    if (start + 1 < out.size() && IsSlash(out[start]) && IsSlash(out[start + 1])) start += 2;
  }
  for (std::size_t i = start; i < out.size() && out[i] != u'?' && out[i] != u'#'; ++i)
    if (out[i] == u'\\') out[i] = u'/';
  return out;
}

void TIdURI::SetURI(std::u16string_view AURI) {
  FURI = NormalizePath(AURI);
  FDocument.clear();
  FProtocol.clear();
  FPort.clear();
  Fpath.clear();
  FHost.clear();
  FBookmark.clear();
  FUserName.clear();
  FPassword.clear();
  FParams.clear();
  FIPVersion = Id_IPv4;

  std::u16string_view rest = FURI;
  const std::size_t schemeEnd = rest.find(u"://");
  if (schemeEnd != npos) {
    FProtocol = rest.substr(0, schemeEnd);
    rest.remove_prefix(schemeEnd + 3);
    if (const std::size_t q = rest.find(u'?'); q != npos) {
      FParams = rest.substr(q + 1);
      rest = rest.substr(0, q);
    }
    std::u16string_view authority = CutAt(rest, u'/');
    if (const std::size_t at = authority.find(u'@'); at != npos) {
      std::u16string_view credentials = authority.substr(0, at);
      authority.remove_prefix(at + 1);
      FUserName = CutAt(credentials, u':');
      FPassword = credentials;
      if (FUserName.empty()) FPassword.clear();
    }
    const std::size_t open = authority.find(u'[');
    const std::size_t close = authority.find(u']');
    std::u16string_view portText;
    if (open != npos && close != npos && open < close) {
      FHost = authority.substr(open + 1, close - open - 1);
      std::u16string_view afterBracket = authority.substr(close + 1);
      if (const std::size_t colon = afterBracket.find(u':'); colon != npos)
        portText = afterBracket.substr(colon + 1);
      FIPVersion = Id_IPv6;
    } else {
      FHost = CutAt(authority, u':');
      portText = authority;
    }
    FPort = portText;
    if (const std::size_t slash = rest.rfind(u'/'); slash != npos) {
      Fpath = u"/";
      Fpath += rest.substr(0, slash + 1);
      rest.remove_prefix(slash + 1);
    } else {
      Fpath = u"/";
    }
  } else {
    if (const std::size_t q = rest.find(u'?'); q != npos) {
      FParams = rest.substr(q + 1);
      rest = rest.substr(0, q);
    }
    if (const std::size_t slash = rest.rfind(u'/'); slash != npos) {
      Fpath = rest.substr(0, slash + 1);
      rest.remove_prefix(slash + 1);
    }
  }
  FDocument = CutAt(rest, u'#');
  FBookmark = rest;
}

std::u16string TIdURI::GetPathAndParams() const {
  std::u16string target = Fpath + FDocument;
  if (!FParams.empty()) {
    target += u'?';
    target += FParams;
  }
  return target;
}

std::u16string TIdURI::MergePath(std::u16string_view ABasePath, std::u16string_view APath,
                                 char16_t ADelimiter) {
  if (!APath.empty() && APath.front() == ADelimiter) return std::u16string(APath);

  const bool keepTrail = APath.empty() || APath.back() == ADelimiter;
  std::u16string work(ABasePath);
  if (!work.empty() && work.back() != ADelimiter) work += ADelimiter;
  work += APath;

  std::u16string result;
  const auto endsWithDelimiter = [&] { return !result.empty() && result.back() == ADelimiter; };
  for (std::size_t i = 0; i < work.size(); ++i) {
    const char16_t c = work[i];
    if (c == ADelimiter) {
      if (i == 0)
        result = ADelimiter;
      else if (!endsWithDelimiter())
        result += ADelimiter;
    } else if (c == u'.' && endsWithDelimiter() && i + 1 < work.size() && work[i + 1] == u'.') {
      ++i;  // both dots go
      // Back to, and including, the delimiter before the last segment.
      const std::size_t lastDelimiter = result.size() - 1;
      const std::size_t before =
          lastDelimiter == 0 ? std::u16string::npos : result.rfind(ADelimiter, lastDelimiter - 1);
      result.resize(before == std::u16string::npos ? 0 : before + 1);
    } else {
      result += c;
    }
  }
  if (result.size() != 1 && endsWithDelimiter() && !keepTrail) result.pop_back();
  return result;
}

}  // namespace zorapi
