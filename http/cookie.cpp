#include "http/cookie.h"

#include <cstdint>
#include <optional>

#include "core/text.h"
#include "http/cookie_dates.h"
#include "http/cookie_matching.h"
#include "platform/clock.h"

namespace zorapi {
namespace {

// Expiry of the cookies that live as long as the store.
TDateTime SessionExpiry() {
  TDateTime date = 0, time = 0;
  TryEncodeDate(9999, 12, 31, date);
  TryEncodeTime(23, 59, 59, 999, time);
  return date + time;
}

// A numeric Expires or Max-Age: a negative count means long ago.
TDateTime ExpiryAfterSeconds(TDateTime now, std::int64_t seconds) {
  if (seconds < 0) {
    TDateTime longAgo = 0;
    TryEncodeDate(1, 1, 1, longAgo);
    return longAgo;
  }
  return IncSeconds(now, static_cast<double>(seconds));
}

// A control character other than tab, which would be written back into the
// "Cookie" line of later requests: a bare CR or LF there ends the line early.
bool HasControlCharacter(std::u16string_view text) {
  for (char16_t c : text)
    if ((c < 0x20 && c != u'\t') || c == 0x7F) return true;
  return false;
}

// A value without its surrounding double quotes: one leading quote is
// dropped and the value ends before the next one.
std::u16string_view Unquote(std::u16string_view value) {
  if (value.empty() || value.front() != u'"') return value;
  value.remove_prefix(1);
  return value.substr(0, value.find(u'"'));
}

// What the attributes of a "Set-Cookie" value note; the last occurrence of
// an attribute counts.
struct TCookieAttributes {
  std::optional<TDateTime> Expires;
  std::optional<TDateTime> MaxAge;
  std::optional<std::u16string> Domain;
  std::optional<std::u16string> Path;
  bool Secure = false;
  bool HttpOnly = false;
};

void NoteAttribute(std::u16string_view name, std::u16string_view value, TDateTime now,
                   const TIdURI& target, TCookieAttributes& notes) {
  std::int64_t seconds;
  if (SameText(name, u"Expires")) {
    if (TryTextToInt(value, 64, seconds)) {
      notes.Expires = ExpiryAfterSeconds(now, seconds);
    } else if (const TDateTime date = CookieDateToLocal(value); date != 0) {
      notes.Expires = date;
    }
  } else if (SameText(name, u"Max-Age")) {
    if (TryTextToInt(value, 64, seconds)) notes.MaxAge = ExpiryAfterSeconds(now, seconds);
  } else if (SameText(name, u"Domain")) {
    if (value.empty()) return;
    if (value.front() == u'.') value.remove_prefix(1);
    notes.Domain = LowerCase(value.substr(0, value.find(u':')));
  } else if (SameText(name, u"Path")) {
    notes.Path = value.empty() || value.front() != u'/' ? DefaultCookiePath(target) : std::u16string(value);
  } else if (SameText(name, u"Secure")) {
    notes.Secure = true;
  } else if (SameText(name, u"HttpOnly")) {
    notes.HttpOnly = true;
  }
}

TCookieAttributes ReadAttributes(std::u16string_view attributes, TDateTime now, const TIdURI& target) {
  TCookieAttributes notes;
  while (!attributes.empty()) {
    attributes.remove_prefix(1);  // the ";"
    const std::size_t end = attributes.find(u';');
    const std::u16string_view item = attributes.substr(0, end);
    attributes = end == attributes.npos ? std::u16string_view() : attributes.substr(end);
    const std::size_t eq = item.find(u'=');
    if (eq == item.npos)
      NoteAttribute(TrimView(item), {}, now, target, notes);
    else
      NoteAttribute(TrimView(item.substr(0, eq)), Unquote(TrimView(item.substr(eq + 1))), now, target, notes);
  }
  return notes;
}

}  // namespace

bool IsHttpProtocol(std::u16string_view AProtocol) {
  return SameText(AProtocol, u"http") || SameText(AProtocol, u"https");
}

bool TIdCookie::IsExpired() const { return IsExpiredAt(platform::LocalNow()); }

bool TIdCookie::ParseServerCookie(std::u16string_view ACookieText, const TIdURI& ATarget) {
  if (HasControlCharacter(ACookieText)) return false;
  const std::size_t semicolon = ACookieText.find(u';');
  const std::u16string_view pair = ACookieText.substr(0, semicolon);
  const std::size_t eq = pair.find(u'=');
  if (eq == pair.npos) return false;
  const std::u16string_view name = TrimView(pair.substr(0, eq));
  if (name.empty()) return false;
  const std::u16string_view value = Unquote(TrimView(pair.substr(eq + 1)));

  const TDateTime now = platform::LocalNow();
  const TCookieAttributes notes =
      ReadAttributes(semicolon == ACookieText.npos ? std::u16string_view() : ACookieText.substr(semicolon),
                     now, ATarget);

  FName = name;
  FValue = value;
  FCreatedAt = now;
  SetLastAccessed(FCreatedAt);

  if (notes.MaxAge) {
    FPersistent = true;
    FExpires = *notes.MaxAge;
  } else if (notes.Expires) {
    FPersistent = true;
    FExpires = *notes.Expires;
  } else {
    FPersistent = false;
    FExpires = SessionExpiry();
  }

  if (!notes.Domain || notes.Domain->empty()) {
    FHostOnly = true;
    FDomain = ATarget.Host();
  } else if (DomainMatches(ATarget.Host(), *notes.Domain)) {
    FHostOnly = false;
    FDomain = *notes.Domain;
  } else {
    return false;
  }

  FPath = notes.Path ? *notes.Path : DefaultCookiePath(ATarget);
  FSecure = notes.Secure;
  FHttpOnly = notes.HttpOnly;
  return !(FHttpOnly && !IsHttpProtocol(ATarget.Protocol()));
}

bool TIdCookie::IsAllowed(const TIdURI& AURI, bool SecureOnly) const {
  const bool hostMatches = FHostOnly ? SameText(AURI.Host(), FDomain) : DomainMatches(AURI.Host(), FDomain);
  return hostMatches && PathMatches(AURI.Path(), FPath) && (!FSecure || SecureOnly) &&
         (!FHttpOnly || IsHttpProtocol(AURI.Protocol()));
}

}  // namespace zorapi
