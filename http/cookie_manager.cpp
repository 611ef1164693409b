#include "http/cookie_manager.h"

#include <utility>
#include <vector>

#include "platform/clock.h"

namespace zorapi {
namespace {

// A chosen cookie with what the order looks at, copied out so that sorting
// many cookies does not chase a pointer per comparison.
struct TChosenCookie {
  TIdCookie* Cookie;
  std::size_t PathLength;
  TDateTime CreatedAt;
};

// Longer paths first; with paths of equal length the earlier created first.
// Two cookies created at the same moment each sort before the other, so the
// sort below decides their order.
int CompareCookies(const TChosenCookie& a, const TChosenCookie& b) {
  if (a.Cookie == b.Cookie) return 0;
  if (a.PathLength < b.PathLength) return 1;
  if (a.PathLength > b.PathLength) return -1;
  return b.CreatedAt >= a.CreatedAt ? -1 : 1;
}

// Quicksort with the middle element as pivot. The order of cookies that
// compare both ways depends on exactly these steps. The left part is kept
// on an explicit stack instead of the call stack, which a long run of such
// cookies would otherwise exhaust; the parts are disjoint, so the order of
// working on them does not change the result.
void SortCookies(std::vector<TChosenCookie>& list) {
  std::vector<std::pair<std::ptrdiff_t, std::ptrdiff_t>> pending;
  pending.emplace_back(0, static_cast<std::ptrdiff_t>(list.size()) - 1);
  while (!pending.empty()) {
    auto [L, R] = pending.back();
    pending.pop_back();
    std::ptrdiff_t i;
    do {
      i = L;
      std::ptrdiff_t j = R;
      const TChosenCookie pivot = list[static_cast<std::size_t>((L + R) / 2)];
      do {
        while (CompareCookies(list[static_cast<std::size_t>(i)], pivot) < 0) ++i;
        while (CompareCookies(list[static_cast<std::size_t>(j)], pivot) > 0) --j;
        if (i <= j) {
          if (i != j) std::swap(list[static_cast<std::size_t>(i)], list[static_cast<std::size_t>(j)]);
          ++i;
          --j;
        }
      } while (i <= j);
      if (L < j) pending.emplace_back(L, j);
      L = i;
    } while (i < R);
  }
}

}  // namespace

TIdCookieManager::TIdCookieManager(TComponent* AOwner)
    : TComponent(AOwner), FCookieCollection(std::make_unique<TIdCookies>()) {}

void TIdCookieManager::SetUpComponent() {
  TComponent::SetUpComponent();
  if (OnCreate) OnCreate(this, FCookieCollection.get());
}

TIdCookieManager::~TIdCookieManager() {
  FCookieCollection->RemoveExpiredCookies();
  if (OnDestroy) OnDestroy(this, FCookieCollection.get());
}

void TIdCookieManager::AddServerCookies(const TStringList& ACookies, const TIdURI& AURL) {
  for (const std::u16string& cookie : ACookies.Lines()) AddServerCookie(cookie, AURL);
}

void TIdCookieManager::AddServerCookie(std::u16string_view ACookie, const TIdURI& AURL) {
  TIdCookies& store = *FCookieCollection;
  TIdCookie* cookie = store.Add();
  bool kept = false;
  try {
    cookie->SetCreatedAt(platform::LocalNow());
    cookie->SetLastAccessed(cookie->CreatedAt());
    if (cookie->ParseServerCookie(ACookie, AURL)) {
      bool accept = true;
      if (OnNewCookie) OnNewCookie(this, cookie, accept);
      kept = accept && store.AddCookie(cookie, &AURL, true);
    }
  } catch (...) {
    store.Delete(cookie);
    throw;
  }
  if (!kept) store.Delete(cookie);
}

std::u16string TIdCookieManager::ClientCookiesText(const TIdURI& AURL, bool SecureOnly) {
  TIdCookies& store = *FCookieCollection;
  store.RemoveExpiredCookies();

  std::u16string text;
  const TIdCookieList& list = store.LockCookieList(caRead);
  try {
    std::vector<TChosenCookie> chosen;
    chosen.reserve(list.size());
    std::size_t length = 0;
    for (TIdCookie* cookie : list) {
      if (!cookie->IsAllowed(AURL, SecureOnly)) continue;
      chosen.push_back({cookie, cookie->Path().size(), cookie->CreatedAt()});
      length += cookie->CookieName().size() + cookie->Value().size() + 3;
    }
    if (chosen.size() > 1) SortCookies(chosen);
    if (!chosen.empty()) {
      const TDateTime now = platform::LocalNow();
      text.reserve(length);
      for (const TChosenCookie& entry : chosen) {
        TIdCookie* cookie = entry.Cookie;
        cookie->SetLastAccessed(now);
        if (!text.empty()) text += u"; ";
        text += cookie->CookieName();
        text += u'=';
        text += cookie->Value();
      }
    }
  } catch (...) {
    store.UnlockCookieList(caRead);
    throw;
  }
  store.UnlockCookieList(caRead);
  return text;
}

}  // namespace zorapi
