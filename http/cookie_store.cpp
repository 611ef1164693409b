#include "http/cookie_store.h"

#include <algorithm>
#include <iterator>

#include "core/text.h"
#include "platform/clock.h"

namespace zorapi {
namespace {

void AppendLength(std::u16string& key, std::size_t length) {
  key += static_cast<char16_t>((length >> 16) & 0xFFFF);
  key += static_cast<char16_t>(length & 0xFFFF);
}

// Name, domain and path lower-cased; the first two are led by their length
// so that no two different triples give the same key.
std::u16string ListKey(const TIdCookie& ACookie) {
  std::u16string key;
  key.reserve(ACookie.CookieName().size() + ACookie.Domain().size() + ACookie.Path().size() + 4);
  AppendLength(key, ACookie.CookieName().size());
  key += LowerCase(ACookie.CookieName());
  AppendLength(key, ACookie.Domain().size());
  key += LowerCase(ACookie.Domain());
  key += LowerCase(ACookie.Path());
  return key;
}

}  // namespace

TIdCookies::~TIdCookies() = default;

TIdCookie* TIdCookies::Add() {
  TWriteLockGuard guard(FRWLock);
  FCollection.push_back(std::make_unique<TIdCookie>());
  TIdCookie* cookie = FCollection.back().get();
  cookie->FCollection = this;
  cookie->FOwnedAt = std::prev(FCollection.end());
  return cookie;
}

void TIdCookies::Delete(TIdCookie* ACookie) {
  if (!ACookie || ACookie->FCollection != this) return;
  TWriteLockGuard guard(FRWLock);
  Free(ACookie);
  CloseGaps();
}

void TIdCookies::Free(TIdCookie* ACookie) {
  if (ACookie->FListed) Unlist(ACookie);
  FCollection.erase(ACookie->FOwnedAt);
}

void TIdCookies::List(TIdCookie* ACookie, std::u16string AKey) {
  ACookie->FListedAt = FCookieList.FSlots.size();
  FCookieList.FSlots.push_back(ACookie);
  ACookie->FListed = true;
  const auto entry = FListIndex.try_emplace(std::move(AKey)).first;
  entry->second.push_back(ACookie);
  ACookie->FKeyEntry = &*entry;  // elements stay put when the index grows
}

void TIdCookies::Unlist(TIdCookie* ACookie) {
  FCookieList.FSlots[ACookie->FListedAt] = nullptr;
  ++FCookieList.FGaps;
  ACookie->FListed = false;
  std::vector<TIdCookie*>& same = ACookie->FKeyEntry->second;
  same.erase(std::find(same.begin(), same.end(), ACookie));
  if (same.empty()) FListIndex.erase(FListIndex.find(ACookie->FKeyEntry->first));
  ACookie->FKeyEntry = nullptr;
}

void TIdCookies::CloseGaps() {
  std::vector<TIdCookie*>& slots = FCookieList.FSlots;
  if (FCookieList.FGaps * 2 <= slots.size()) return;
  std::size_t kept = 0;
  for (TIdCookie* cookie : slots) {
    if (!cookie) continue;
    cookie->FListedAt = kept;
    slots[kept++] = cookie;
  }
  slots.resize(kept);
  FCookieList.FGaps = 0;
}

TIdCookie* TIdCookies::FindListed(const std::u16string& AKey) const {
  const auto entry = FListIndex.find(AKey);
  return entry == FListIndex.end() ? nullptr : entry->second.front();
}

bool TIdCookies::AddCookie(TIdCookie* ACookie, const TIdURI* ATarget, bool AReplaceOld) {
  TWriteLockGuard guard(FRWLock);
  if (!ACookie || ACookie->FCollection != this || ACookie->FListed) return false;
  std::u16string key = ListKey(*ACookie);
  if (AReplaceOld) {
    if (TIdCookie* old = FindListed(key)) {
      if (ATarget && !IsHttpProtocol(ATarget->Protocol()) && old->FHttpOnly) return false;
      ACookie->FCreatedAt = old->FCreatedAt;
      Delete(old);
    }
  }
  if (ACookie->IsExpired()) return false;
  List(ACookie, std::move(key));
  return true;
}

void TIdCookies::RemoveExpiredCookies() {
  TWriteLockGuard guard(FRWLock);
  const TDateTime now = platform::LocalNow();
  const std::vector<TIdCookie*>& slots = FCookieList.FSlots;
  for (std::size_t i = slots.size(); i-- > 0;)
    if (slots[i] && slots[i]->IsExpiredAt(now)) Free(slots[i]);
  CloseGaps();
}

void TIdCookies::Clear() {
  TWriteLockGuard guard(FRWLock);
  FListIndex.clear();
  FCookieList.FSlots.clear();
  FCookieList.FGaps = 0;
  FCollection.clear();
}

int TIdCookies::GetCookieIndex(std::u16string_view AName, int FirstIndex) const {
  TReadLockGuard guard(FRWLock);
  int i = 0;
  for (const auto& cookie : FCollection) {
    if (i >= FirstIndex && SameText(cookie->FName, AName)) return i;
    ++i;
  }
  return -1;
}

int TIdCookies::GetCookieIndex(std::u16string_view AName, std::u16string_view ADomain, int FirstIndex) const {
  TReadLockGuard guard(FRWLock);
  int i = 0;
  for (const auto& cookie : FCollection) {
    if (i >= FirstIndex && SameText(cookie->FName, AName) && SameText(cookie->FDomain, ADomain)) return i;
    ++i;
  }
  return -1;
}

int TIdCookies::Count() const {
  TReadLockGuard guard(FRWLock);
  return static_cast<int>(FCollection.size());
}

TIdCookie* TIdCookies::Cookies(int AIndex) const {
  TReadLockGuard guard(FRWLock);
  if (AIndex < 0 || AIndex >= static_cast<int>(FCollection.size())) return nullptr;
  return std::next(FCollection.begin(), AIndex)->get();
}

TIdCookieList& TIdCookies::LockCookieList(TIdCookieAccess AAccessType) {
  if (AAccessType == caRead)
    FRWLock.BeginRead();
  else
    FRWLock.BeginWrite();
  return FCookieList;
}

void TIdCookies::UnlockCookieList(TIdCookieAccess AAccessType) {
  if (AAccessType == caRead)
    FRWLock.EndRead();
  else
    FRWLock.EndWrite();
}

}  // namespace zorapi
