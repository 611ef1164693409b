#include "http/cookie_store.h"

#include <algorithm>
#include <unordered_set>

#include "core/text.h"
#include "platform/clock.h"

namespace zorapi {

TIdCookies::~TIdCookies() = default;

TIdCookie* TIdCookies::Add() {
  TWriteLockGuard guard(FRWLock);
  FCollection.push_back(std::make_unique<TIdCookie>());
  TIdCookie* cookie = FCollection.back().get();
  cookie->FCollection = this;
  return cookie;
}

void TIdCookies::Delete(TIdCookie* ACookie) {
  if (!ACookie || ACookie->FCollection != this) return;
  FreeCookies({ACookie});
}

void TIdCookies::FreeCookies(const std::vector<TIdCookie*>& ACookies) {
  TWriteLockGuard guard(FRWLock);
  if (ACookies.size() == 1) {
    TIdCookie* cookie = ACookies.front();
    if (cookie->FListed) FCookieList.erase(std::find(FCookieList.begin(), FCookieList.end(), cookie));
    FCollection.erase(std::find_if(FCollection.begin(), FCollection.end(),
                                   [cookie](const auto& owned) { return owned.get() == cookie; }));
    return;
  }
  // Many at once: one pass over each container keeps the cost linear.
  const std::unordered_set<const TIdCookie*> doomed(ACookies.begin(), ACookies.end());
  std::erase_if(FCookieList, [&](TIdCookie* c) { return doomed.count(c) != 0; });
  std::erase_if(FCollection, [&](const auto& owned) { return doomed.count(owned.get()) != 0; });
}

bool TIdCookies::AddCookie(TIdCookie* ACookie, const TIdURI* ATarget, bool AReplaceOld) {
  TWriteLockGuard guard(FRWLock);
  if (!ACookie || ACookie->FCollection != this || ACookie->FListed) return false;
  if (AReplaceOld) {
    const auto old = std::find_if(FCookieList.begin(), FCookieList.end(), [ACookie](const TIdCookie* c) {
      return SameText(c->FName, ACookie->FName) && SameText(c->FDomain, ACookie->FDomain) &&
             SameText(c->FPath, ACookie->FPath);
    });
    if (old != FCookieList.end()) {
      TIdCookie* oldCookie = *old;
      if (ATarget && !IsHttpProtocol(ATarget->Protocol()) && oldCookie->FHttpOnly) return false;
      ACookie->FCreatedAt = oldCookie->FCreatedAt;
      Delete(oldCookie);
    }
  }
  if (ACookie->IsExpired()) return false;
  FCookieList.push_back(ACookie);
  ACookie->FListed = true;
  return true;
}

void TIdCookies::RemoveExpiredCookies() {
  TWriteLockGuard guard(FRWLock);
  const TDateTime now = platform::LocalNow();
  std::vector<TIdCookie*> expired;
  for (auto it = FCookieList.rbegin(); it != FCookieList.rend(); ++it)
    if ((*it)->IsExpiredAt(now)) expired.push_back(*it);
  if (!expired.empty()) FreeCookies(expired);
}

void TIdCookies::Clear() {
  TWriteLockGuard guard(FRWLock);
  FCookieList.clear();
  FCollection.clear();
}

int TIdCookies::GetCookieIndex(std::u16string_view AName, int FirstIndex) const {
  TReadLockGuard guard(FRWLock);
  for (int i = std::max(FirstIndex, 0); i < static_cast<int>(FCollection.size()); ++i)
    if (SameText(FCollection[static_cast<std::size_t>(i)]->FName, AName)) return i;
  return -1;
}

int TIdCookies::GetCookieIndex(std::u16string_view AName, std::u16string_view ADomain, int FirstIndex) const {
  TReadLockGuard guard(FRWLock);
  for (int i = std::max(FirstIndex, 0); i < static_cast<int>(FCollection.size()); ++i) {
    const TIdCookie& c = *FCollection[static_cast<std::size_t>(i)];
    if (SameText(c.FName, AName) && SameText(c.FDomain, ADomain)) return i;
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
  return FCollection[static_cast<std::size_t>(AIndex)].get();
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
