// One cookie: what a "Set-Cookie" value sets, and whether it goes with a
// request to a target.
#pragma once

#include <atomic>
#include <cstddef>
#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/datetime.h"
#include "http/uri.h"

namespace zorapi {

class TIdCookie;
class TIdCookies;

// A store's listed cookies by name, domain and path (lower-cased), each
// entry in list order.
using TIdCookieKeyIndex = std::unordered_map<std::u16string, std::vector<TIdCookie*>>;

class TIdCookie {
 public:
  TIdCookie() = default;
  TIdCookie(const TIdCookie&) = delete;
  TIdCookie& operator=(const TIdCookie&) = delete;

  // Fills the cookie from one "Set-Cookie" value sent by ATarget; false when
  // the value is refused, as is any value holding a control character other
  // than tab.
  bool ParseServerCookie(std::u16string_view ACookieText, const TIdURI& ATarget);
  // Whether the cookie goes with a request to AURI; Secure cookies only
  // when SecureOnly.
  bool IsAllowed(const TIdURI& AURI, bool SecureOnly) const;

  // The expiry is set and the current local time is later than it.
  bool IsExpired() const;
  bool IsExpiredAt(TDateTime ANow) const { return FExpires != 0 && ANow > FExpires; }
  // The name, "=" and the value, as the "Cookie" line carries it.
  std::u16string ClientCookie() const { return FName + u"=" + FValue; }

  const std::u16string& Domain() const { return FDomain; }
  void SetDomain(std::u16string AValue) { FDomain = std::move(AValue); }
  TDateTime Expires() const { return FExpires; }
  void SetExpires(TDateTime AValue) { FExpires = AValue; }
  bool HttpOnly() const { return FHttpOnly; }
  void SetHttpOnly(bool AValue) { FHttpOnly = AValue; }
  const std::u16string& CookieName() const { return FName; }
  void SetCookieName(std::u16string AValue) { FName = std::move(AValue); }
  const std::u16string& Path() const { return FPath; }
  void SetPath(std::u16string AValue) { FPath = std::move(AValue); }
  bool Secure() const { return FSecure; }
  void SetSecure(bool AValue) { FSecure = AValue; }
  const std::u16string& Value() const { return FValue; }
  void SetValue(std::u16string AValue) { FValue = std::move(AValue); }
  TDateTime CreatedAt() const { return FCreatedAt; }
  void SetCreatedAt(TDateTime AValue) { FCreatedAt = AValue; }
  bool HostOnly() const { return FHostOnly; }
  void SetHostOnly(bool AValue) { FHostOnly = AValue; }
  TDateTime LastAccessed() const { return FLastAccessed.load(std::memory_order_relaxed); }
  void SetLastAccessed(TDateTime AValue) { FLastAccessed.store(AValue, std::memory_order_relaxed); }
  bool Persistent() const { return FPersistent; }
  void SetPersistent(bool AValue) { FPersistent = AValue; }

  // The store that made the cookie, or null.
  TIdCookies* Collection() const { return FCollection; }

 private:
  friend class TIdCookies;

  std::u16string FDomain;
  TDateTime FExpires = 0;
  bool FHttpOnly = false;
  std::u16string FName;
  std::u16string FPath;
  bool FSecure = false;
  std::u16string FValue;
  TDateTime FCreatedAt = 0;
  bool FHostOnly = false;
  // Stamped by requests that share the store's read side.
  std::atomic<TDateTime> FLastAccessed = 0;
  bool FPersistent = false;

  // Where the store holds the cookie, so that taking it out is one step
  // however many cookies there are.
  TIdCookies* FCollection = nullptr;
  std::list<std::unique_ptr<TIdCookie>>::iterator FOwnedAt;
  bool FListed = false;  // in the store's list of accepted cookies
  std::size_t FListedAt = 0;
  TIdCookieKeyIndex::value_type* FKeyEntry = nullptr;  // by the values it had when listed
};

// Whether a protocol is "http" or "https", ignoring case.
bool IsHttpProtocol(std::u16string_view AProtocol);

}  // namespace zorapi
