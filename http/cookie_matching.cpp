#include "http/cookie_matching.h"

#include "core/text.h"

namespace zorapi {
namespace {

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsHexDigit(char16_t c) {
  return IsDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

// One part of an IPv4 address: decimal, octal after a leading 0, or
// hexadecimal after "0x".
bool IsIPv4Number(std::u16string_view part) {
  if (part.empty()) return false;
  if (part.size() >= 2 && part[0] == u'0' && (part[1] == u'x' || part[1] == u'X')) {
    for (char16_t c : part.substr(2))
      if (!IsHexDigit(c)) return false;
    return true;
  }
  const bool octal = part.size() > 1 && part[0] == u'0';
  for (char16_t c : part)
    if (!IsDigit(c) || (octal && c > u'7')) return false;
  return true;
}

bool IsIPv4Address(std::u16string_view host) {
  int parts = 0;
  std::size_t start = 0;
  while (true) {
    const std::size_t dot = host.find(u'.', start);
    if (++parts > 4 || !IsIPv4Number(host.substr(start, dot == host.npos ? host.npos : dot - start)))
      return false;
    if (dot == host.npos) return true;
    start = dot + 1;
  }
}

bool IsDottedQuad(std::u16string_view text) {
  int parts = 0;
  std::size_t start = 0;
  while (true) {
    const std::size_t dot = text.find(u'.', start);
    const std::u16string_view part = text.substr(start, dot == text.npos ? text.npos : dot - start);
    if (++parts > 4 || part.empty() || part.size() > 3) return false;
    int value = 0;
    for (char16_t c : part) {
      if (!IsDigit(c)) return false;
      value = value * 10 + (c - u'0');
    }
    if (value > 255) return false;
    if (dot == text.npos) return parts == 4;
    start = dot + 1;
  }
}

// The text forms of an IPv6 address: eight groups of up to four hex digits,
// one "::" for a run of zero groups, an optional dotted quad for the last
// two groups, and an optional zone after "%".
bool IsIPv6Address(std::u16string_view host) {
  if (const std::size_t zone = host.find(u'%'); zone != host.npos) {
    if (zone + 1 == host.size()) return false;
    host = host.substr(0, zone);
  }
  if (host.find(u':') == host.npos) return false;
  int groups = 0;
  bool compressed = false;
  std::size_t i = 0;
  if (host.substr(0, 2) == u"::") {
    compressed = true;
    i = 2;
  } else if (!host.empty() && host[0] == u':') {
    return false;
  }
  while (i < host.size()) {
    std::size_t end = i;
    while (end < host.size() && host[end] != u':') ++end;
    const std::u16string_view group = host.substr(i, end - i);
    if (end == host.size() && group.find(u'.') != group.npos) {
      if (!IsDottedQuad(group)) return false;
      groups += 2;
      break;
    }
    if (group.empty() || group.size() > 4) return false;
    for (char16_t c : group)
      if (!IsHexDigit(c)) return false;
    ++groups;
    if (end == host.size()) break;
    if (end + 1 < host.size() && host[end + 1] == u':') {
      if (compressed) return false;
      compressed = true;
      i = end + 2;
    } else {
      if (end + 1 == host.size()) return false;  // a single trailing ":"
      i = end + 1;
    }
  }
  return compressed ? groups < 8 : groups == 8;
}

}  // namespace

bool HostIsName(std::u16string_view AHost) {
  if (!AHost.empty() && AHost.front() == u'.') return false;
  return !IsIPv4Address(AHost) && !IsIPv6Address(AHost);
}

bool DomainMatches(std::u16string_view AHost, std::u16string_view ADomain) {
  if (AHost.empty() || ADomain.empty()) return false;
  if (SameText(AHost, ADomain)) return true;
  if (AHost.size() <= ADomain.size() || !EndsText(ADomain, AHost)) return false;
  return AHost[AHost.size() - ADomain.size() - 1] == u'.' && HostIsName(AHost);
}

bool PathMatches(std::u16string_view AURIPath, std::u16string_view ACookiePath) {
  if (SameText(AURIPath, ACookiePath)) return true;
  if (!StartsText(ACookiePath, AURIPath)) return false;
  return (!ACookiePath.empty() && ACookiePath.back() == u'/') ||
         (AURIPath.size() > ACookiePath.size() && AURIPath[ACookiePath.size()] == u'/');
}

std::u16string DefaultCookiePath(const TIdURI& ATarget) {
  const std::u16string& path = ATarget.Path();
  if (!path.empty() && path.front() == u'/') {
    const std::size_t last = path.rfind(u'/');
    if (last != 0) return path.substr(0, last);
  }
  return u"/";
}

}  // namespace zorapi
