// The cookie manager end to end: cookies taken from "Set-Cookie" values,
// replaced, deleted by a past expiry, chosen for a request, ordered and
// written as one "Cookie" line; and the store's lock.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/component.h"
#include "core/datetime.h"
#include "core/string_list.h"
#include "core/text.h"
#include "http/cookie_manager.h"
#include "http/uri.h"
#include "platform/clock.h"

namespace zorapi {
namespace {

// What GenerateClientCookies writes into.
struct THeaderLines {
  std::vector<std::pair<std::u16string, std::u16string>> Lines;
  void AddValue(std::u16string_view AName, std::u16string_view AValue) { Lines.emplace_back(AName, AValue); }
};

constexpr char16_t kApi[] = u"http://api.zorapi.example/api.php";

class CookieManagerTest : public testing::Test {
 protected:
  CookieManagerTest() : FManager(NewComponent<TIdCookieManager>()) {}

  TIdCookies& Store() { return *FManager->CookieCollection(); }

  void Receive(std::initializer_list<std::u16string> AValues, std::u16string_view AURL = kApi) {
    TStringList values;
    for (const std::u16string& value : AValues) values.Add(value);
    FManager->AddServerCookies(values, TIdURI(AURL));
  }

  // The "Cookie" value of a request to AURL; empty when no line was added.
  std::u16string Send(std::u16string_view AURL = kApi, bool SecureOnly = false) {
    THeaderLines headers;
    FManager->GenerateClientCookies(TIdURI(AURL), SecureOnly, headers);
    if (headers.Lines.empty()) return {};
    EXPECT_EQ(headers.Lines.size(), 1u);
    EXPECT_EQ(headers.Lines.front().first, u"Cookie");
    EXPECT_FALSE(headers.Lines.front().second.empty());
    return headers.Lines.front().second;
  }

  // The listed cookies' "name=value", in list order.
  std::vector<std::u16string> Listed() {
    std::vector<std::u16string> out;
    for (const TIdCookie* cookie : Store().LockCookieList(caRead)) out.push_back(cookie->ClientCookie());
    Store().UnlockCookieList(caRead);
    return out;
  }

  TIdCookie* ListedCookie(std::u16string_view AName) {
    TIdCookie* found = nullptr;
    for (TIdCookie* cookie : Store().LockCookieList(caRead))
      if (cookie->CookieName() == AName) found = cookie;
    Store().UnlockCookieList(caRead);
    return found;
  }

  // A cookie put into the store directly, with a chosen creation time.
  TIdCookie* Put(std::u16string AName, std::u16string APath, TDateTime ACreatedAt, bool AReplaceOld = true) {
    const TIdURI target(kApi);
    TIdCookie* cookie = Store().Add();
    cookie->SetCookieName(std::move(AName));
    cookie->SetValue(u"1");
    cookie->SetDomain(target.Host());
    cookie->SetHostOnly(true);
    cookie->SetPath(std::move(APath));
    cookie->SetCreatedAt(ACreatedAt);
    cookie->SetLastAccessed(ACreatedAt);
    EXPECT_TRUE(Store().AddCookie(cookie, &target, AReplaceOld));
    return cookie;
  }

  // Gives the listed cookies creation times a second apart in list order,
  // so that cookies of one reply with paths of one length go in that order.
  void Stagger() {
    int i = 0;
    for (TIdCookie* cookie : Store().LockCookieList(caRead)) cookie->SetCreatedAt(Day() + i++ / 86400.0);
    Store().UnlockCookieList(caRead);
  }

  // A creation time long before any cookie parsed now.
  static TDateTime Day() {
    TDateTime d = 0;
    TryEncodeDate(2000, 1, 15, d);
    return d;
  }

  std::unique_ptr<TIdCookieManager> FManager;
};

TEST_F(CookieManagerTest, SendsAHostOnlyCookieBack) {
  Receive({u"sid=abc; Path=/"});
  EXPECT_EQ(Send(), u"sid=abc");
  EXPECT_EQ(Send(u"http://API.ZORAPI.EXAMPLE/other/"), u"sid=abc");
  EXPECT_EQ(Send(u"http://x.api.zorapi.example/"), u"");
  EXPECT_EQ(Send(u"http://zorapi.example/"), u"");
}

TEST_F(CookieManagerTest, AddsNoLineWithoutMatchingCookies) {
  EXPECT_EQ(Send(), u"");
  Receive({u"sid=abc; Path=/only"});
  EXPECT_EQ(Send(), u"");
}

TEST_F(CookieManagerTest, SendsADomainCookieToHostsEndingWithIt) {
  Receive({u"sid=abc; Domain=.Zorapi.EXAMPLE"});
  EXPECT_EQ(Send(), u"sid=abc");
  EXPECT_EQ(Send(u"http://zorapi.example/"), u"sid=abc");
  EXPECT_EQ(Send(u"http://a.b.zorapi.example/"), u"sid=abc");
  EXPECT_EQ(Send(u"http://xzorapi.example/"), u"");
  EXPECT_EQ(Send(u"http://example/"), u"");
}

TEST_F(CookieManagerTest, DefaultPathIsTheTargetDirectory) {
  Receive({u"sid=abc"}, u"http://h.example/x/y/page.php");
  EXPECT_EQ(Send(u"http://h.example/x/y/"), u"sid=abc");
  EXPECT_EQ(Send(u"http://h.example/x/y/z/"), u"sid=abc");
  EXPECT_EQ(Send(u"http://h.example/x/"), u"");
  EXPECT_EQ(Send(u"http://h.example/x/yz/"), u"");
}

TEST_F(CookieManagerTest, IPv4HostsTakeOnlyTheirOwnAddress) {
  Receive({u"a=1", u"b=2; Domain=0.0.1", u"c=3; Domain=127.0.0.1"}, u"http://127.0.0.1:8080/api.php");
  EXPECT_EQ(Store().Count(), 2);
  Stagger();
  EXPECT_EQ(Send(u"http://127.0.0.1:8080/api.php"), u"a=1; c=3");
  EXPECT_EQ(Send(u"http://127.0.0.2/"), u"");
}

TEST_F(CookieManagerTest, RefusedValuesLeaveNothing) {
  Receive({u"novalue", u"=abc", u"sid=abc; Domain=other.example", u"sid=abc; Max-Age=-1",
           u"sid=abc; Expires=Thu, 01 Jan 1970 00:00:00 GMT"});
  Receive({u"sid=abc; HttpOnly"}, u"ftp://api.zorapi.example/");
  EXPECT_EQ(Store().Count(), 0);
  EXPECT_TRUE(Listed().empty());
  EXPECT_EQ(Send(), u"");
}

TEST_F(CookieManagerTest, OnNewCookieCanRefuse) {
  std::vector<std::u16string> seen;
  FManager->OnNewCookie = [&](TIdCookieManager* ASender, TIdCookie* ACookie, bool& VAccept) {
    EXPECT_EQ(ASender, FManager.get());
    EXPECT_TRUE(VAccept);
    seen.push_back(ACookie->CookieName());
    VAccept = ACookie->CookieName() != u"no";
  };
  Receive({u"no=1", u"yes=2", u"=bad"});
  EXPECT_EQ(seen, (std::vector<std::u16string>{u"no", u"yes"}));
  EXPECT_EQ(Store().Count(), 1);
  EXPECT_EQ(Send(), u"yes=2");
}

struct DeletionCase {
  const char* name;
  std::u16string deleting;
};

class CookieDeletionTest : public CookieManagerTest, public testing::WithParamInterface<DeletionCase> {};

TEST_P(CookieDeletionTest, APastExpiryRemovesTheOldCookie) {
  Receive({u"sid=old; Path=/", u"sid=other; Path=/x", u"keep=1"});
  ASSERT_EQ(Store().Count(), 3);
  Receive({GetParam().deleting});
  // A cookie that expires at the moment of parsing may be listed; it is
  // dropped at the first request after that moment.
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(Send(u"http://api.zorapi.example/x/"), u"sid=other; keep=1");
  EXPECT_EQ(Listed(), (std::vector<std::u16string>{u"sid=other", u"keep=1"}));
  EXPECT_EQ(Store().Count(), 2);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CookieDeletionTest,
    testing::Values(DeletionCase{"MaxAgeNegative", u"sid=; Max-Age=-1; Path=/"},
                    DeletionCase{"MaxAgeZero", u"sid=gone; Max-Age=0; Path=/"},
                    DeletionCase{"ExpiresNegative", u"sid=gone; Expires=-1; Path=/"},
                    DeletionCase{"ExpiresPastDate", u"sid=gone; Path=/; Expires=Thu, 01 Jan 1970 00:00:00 GMT"},
                    DeletionCase{"NameAndPathIgnoringCase", u"SID=gone; Path=/; Max-Age=-1"},
                    DeletionCase{"MaxAgeDecides", u"sid=gone; Max-Age=-1; Expires=Wed, 09 Jun 2100 10:18:14 GMT"}),
    [](const testing::TestParamInfo<DeletionCase>& info) { return std::string(info.param.name); });

TEST_F(CookieManagerTest, ExpiredCookiesAreDroppedAtTheNextRequest) {
  Receive({u"a=1", u"b=2; Max-Age=3600", u"c=3"});
  ListedCookie(u"b")->SetExpires(IncSeconds(platform::LocalNow(), -1));
  EXPECT_EQ(Send(u"http://other.example/"), u"");  // dropped even when nothing is sent
  EXPECT_EQ(Listed(), (std::vector<std::u16string>{u"a=1", u"c=3"}));
  EXPECT_EQ(Store().Count(), 2);
}

TEST_F(CookieManagerTest, AReplacementKeepsCreatedAtAndMovesToTheEnd) {
  Receive({u"sid=old", u"other=1"});
  TIdCookie* old = ListedCookie(u"sid");
  old->SetCreatedAt(Day());
  Receive({u"SID=new; Path=/; Max-Age=600"}, u"http://API.zorapi.example/api.php");
  EXPECT_EQ(Store().Count(), 2);
  EXPECT_EQ(Listed(), (std::vector<std::u16string>{u"other=1", u"SID=new"}));
  const TIdCookie* replacing = ListedCookie(u"SID");
  ASSERT_NE(replacing, nullptr);
  EXPECT_EQ(replacing->CreatedAt(), Day());
  EXPECT_TRUE(replacing->Persistent());
  // Created earlier, so sent first among paths of one length.
  EXPECT_EQ(Send(), u"SID=new; other=1");
}

TEST_F(CookieManagerTest, ReplacementNeedsNameDomainAndPath) {
  Receive({u"sid=root; Path=/", u"sid=x; Path=/x", u"sid=dom; Domain=zorapi.example"});
  Receive({u"sid=root2; Path=/", u"sid=dom2; Domain=ZORAPI.example"});
  EXPECT_EQ(Listed(), (std::vector<std::u16string>{u"sid=x", u"sid=root2", u"sid=dom2"}));
  EXPECT_EQ(Store().Count(), 3);
}

TEST_F(CookieManagerTest, OneReplyCanSetAndReplaceTheSameCookie) {
  Receive({u"sid=1", u"sid=2", u"sid=3"});
  EXPECT_EQ(Listed(), (std::vector<std::u16string>{u"sid=3"}));
  EXPECT_EQ(Store().Count(), 1);
}

TEST_F(CookieManagerTest, HttpOnlyCookiesStayWithHttp) {
  Receive({u"sid=abc; HttpOnly", u"plain=1"});
  Stagger();
  EXPECT_EQ(Send(), u"sid=abc; plain=1");
  EXPECT_EQ(Send(u"https://api.zorapi.example/", true), u"sid=abc; plain=1");
  EXPECT_EQ(Send(u"HTTP://api.zorapi.example/"), u"sid=abc; plain=1");
  EXPECT_EQ(Send(u"ftp://api.zorapi.example/"), u"plain=1");

  // A target of another protocol cannot replace an HttpOnly cookie, but can
  // replace a plain one.
  Receive({u"sid=ftp", u"plain=ftp"}, u"ftp://api.zorapi.example/");
  EXPECT_EQ(Listed(), (std::vector<std::u16string>{u"sid=abc", u"plain=ftp"}));
  EXPECT_EQ(Store().Count(), 2);
}

TEST_F(CookieManagerTest, SecureCookiesGoOnlyWithSecureOnly) {
  Receive({u"s=1; Secure", u"p=2"});
  Stagger();
  EXPECT_EQ(Send(kApi, false), u"p=2");
  EXPECT_EQ(Send(kApi, true), u"s=1; p=2");
  EXPECT_EQ(Send(u"https://api.zorapi.example/", true), u"s=1; p=2");
}

TEST_F(CookieManagerTest, LongerPathsGoFirst) {
  Receive({u"a=1; Path=/", u"a=2; Path=/x/y", u"b=3; Path=/x", u"c=4; Path=/x/y/"}, u"http://h.example/");
  EXPECT_EQ(Send(u"http://h.example/x/y/z/"), u"c=4; a=2; b=3; a=1");
}

TEST_F(CookieManagerTest, EqualPathsGoInOrderOfCreation) {
  Put(u"c", u"/", Day() + 3.0 / 86400);
  Put(u"a", u"/", Day() + 1.0 / 86400);
  Put(u"z", u"/a", Day() + 9.0 / 86400);
  Put(u"b", u"/", Day() + 5.0 / 86400);
  Put(u"d", u"/", Day() + 2.0 / 86400);
  Put(u"e", u"/", Day() + 4.0 / 86400);
  EXPECT_EQ(Send(u"http://api.zorapi.example/a/"), u"z=1; a=1; d=1; c=1; e=1; b=1");
}

// Cookies of paths of one length and one creation time each sort before the
// other; the quicksort's steps decide their order.
struct EqualTimeCase {
  std::vector<std::u16string> accepted;
  std::u16string sent;
};

class CookieEqualTimeTest : public CookieManagerTest, public testing::WithParamInterface<EqualTimeCase> {};

TEST_P(CookieEqualTimeTest, OrderIsTheQuicksorts) {
  for (const std::u16string& name : GetParam().accepted) Put(name, u"/", Day());
  EXPECT_EQ(Send(), GetParam().sent);
}

INSTANTIATE_TEST_SUITE_P(Table, CookieEqualTimeTest,
                         testing::Values(EqualTimeCase{{u"a"}, u"a=1"}, EqualTimeCase{{u"a", u"b"}, u"b=1; a=1"},
                                         EqualTimeCase{{u"a", u"b", u"c"}, u"c=1; a=1; b=1"},
                                         EqualTimeCase{{u"a", u"b", u"c", u"d"}, u"c=1; a=1; d=1; b=1"}),
                         [](const testing::TestParamInfo<EqualTimeCase>& info) {
                           return std::to_string(info.param.accepted.size()) + "Cookies";
                         });

TEST_F(CookieManagerTest, TwoCookiesOfOneReplyGoLaterAcceptedFirst) {
  Receive({u"first=1", u"second=2"});
  for (const char16_t* name : {u"first", u"second"}) ListedCookie(name)->SetCreatedAt(Day());
  EXPECT_EQ(Send(), u"second=2; first=1");
}

TEST_F(CookieManagerTest, ManyCookiesOfOneCreationTimeAreAllSent) {
  constexpr int kCount = 3000;
  for (int i = 0; i < kCount; ++i) Put(u"n" + IntToText(i), u"/", Day(), false);
  const std::u16string line = Send();
  int pairs = 1;
  for (char16_t c : line) pairs += c == u';';
  EXPECT_EQ(pairs, kCount);
  EXPECT_NE(line.find(u"n0=1"), std::u16string::npos);
  EXPECT_NE(line.find(u"n2999=1"), std::u16string::npos);
}

TEST_F(CookieManagerTest, SentCookiesAreStampedAsAccessed) {
  Put(u"sent", u"/", Day());
  TIdCookie* other = Put(u"other", u"/elsewhere", Day());
  const TDateTime before = platform::LocalNow();
  Send();
  const TIdCookie* sent = ListedCookie(u"sent");
  EXPECT_GE(sent->LastAccessed(), before);
  EXPECT_LE(sent->LastAccessed(), platform::LocalNow());
  EXPECT_EQ(other->LastAccessed(), Day());
  EXPECT_EQ(sent->CreatedAt(), Day());
}

TEST_F(CookieManagerTest, WithoutReplacingSameCookiesStayAndTheFirstIsReplacedLater) {
  Put(u"sid", u"/", Day(), false);
  Put(u"sid", u"/", Day() + 1, false);
  EXPECT_EQ(Store().Count(), 2);
  Receive({u"sid=new"});
  ASSERT_EQ(Store().Count(), 2);
  EXPECT_EQ(ListedCookie(u"sid")->Value(), u"new");
  EXPECT_EQ(ListedCookie(u"sid")->CreatedAt(), Day());
  // Then the second one.
  Receive({u"sid=newer"});
  ASSERT_EQ(Store().Count(), 2);
  std::vector<TDateTime> created;
  for (const TIdCookie* c : Store().LockCookieList(caRead)) created.push_back(c->CreatedAt());
  Store().UnlockCookieList(caRead);
  EXPECT_EQ(created, (std::vector<TDateTime>{Day(), Day() + 1}));
  EXPECT_EQ(Listed(), (std::vector<std::u16string>{u"sid=new", u"sid=newer"}));
}

// Cookies taken out of the middle of a long list, in many rounds, leave the
// others in order and each replacement takes out the right one.
TEST_F(CookieManagerTest, TakingCookiesOutKeepsTheOthersInOrder) {
  const auto name = [](int i) { return u"n" + IntToText(i); };
  std::vector<std::u16string> expected;
  for (int i = 0; i < 20; ++i) Receive({name(i) + u"=" + IntToText(i)});
  for (int i = 1; i < 20; i += 2) ListedCookie(name(i))->SetExpires(IncSeconds(platform::LocalNow(), -1));
  Send();
  for (int i = 0; i < 20; i += 2) expected.push_back(name(i) + u"=" + IntToText(i));
  ASSERT_EQ(Listed(), expected);
  for (int i : {2, 18, 0, 10, 18}) {
    Receive({name(i) + u"=new"});
    std::erase_if(expected, [&](const std::u16string& c) { return c.starts_with(name(i) + u"="); });
    expected.push_back(name(i) + u"=new");
    ASSERT_EQ(Listed(), expected);
  }
  EXPECT_EQ(Store().Count(), 10);
  EXPECT_EQ(Store().LockCookieList(caRead).size(), 10u);
  Store().UnlockCookieList(caRead);
}

TEST_F(CookieManagerTest, AddCookieTakesOnlyUnlistedCookiesOfItsOwnStore) {
  TIdCookies other;
  TIdCookie* foreign = other.Add();
  foreign->SetCookieName(u"x");
  EXPECT_FALSE(Store().AddCookie(foreign, nullptr, true));
  EXPECT_FALSE(Store().AddCookie(nullptr, nullptr, true));
  TIdCookie* listed = Put(u"a", u"/", Day());
  EXPECT_FALSE(Store().AddCookie(listed, nullptr, true));
  Store().Delete(foreign);  // not this store's: left alone
  EXPECT_EQ(other.Count(), 1);
  EXPECT_EQ(Listed(), (std::vector<std::u16string>{u"a=1"}));
}

TEST_F(CookieManagerTest, FindsCookiesByNameAndDomain) {
  Receive({u"a=1", u"b=2", u"A=3; Path=/x"});
  Receive({u"b=4"}, u"http://other.example/");
  EXPECT_EQ(Store().GetCookieIndex(u"A"), 0);
  EXPECT_EQ(Store().GetCookieIndex(u"a", 1), 2);
  EXPECT_EQ(Store().GetCookieIndex(u"a", 3), -1);
  EXPECT_EQ(Store().GetCookieIndex(u"B", u"OTHER.example"), 3);
  EXPECT_EQ(Store().GetCookieIndex(u"b", u"nowhere.example"), -1);
  EXPECT_EQ(Store().Cookies(3)->Value(), u"4");
  EXPECT_EQ(Store().Cookies(4), nullptr);
  Store().Clear();
  EXPECT_EQ(Store().Count(), 0);
  EXPECT_EQ(Send(), u"");
}

TEST_F(CookieManagerTest, DestructionDropsExpiredCookiesBeforeOnDestroy) {
  Receive({u"a=1", u"b=2"});
  ListedCookie(u"a")->SetExpires(IncSeconds(platform::LocalNow(), -1));
  std::vector<std::u16string> left;
  FManager->OnDestroy = [&](TIdCookieManager*, TIdCookies* ACookies) {
    for (const TIdCookie* c : ACookies->LockCookieList(caRead)) left.push_back(c->ClientCookie());
    ACookies->UnlockCookieList(caRead);
  };
  FManager.reset();
  EXPECT_EQ(left, (std::vector<std::u16string>{u"b=2"}));
}

// Taking the write side and then working on the store from the same thread
// re-enters the lock instead of waiting for itself.
TEST_F(CookieManagerTest, TheWriteSideIsReentrant) {
  TIdCookieList& list = Store().LockCookieList(caReadWrite);
  Receive({u"a=1", u"a=2", u"b=1; Max-Age=-1"});
  EXPECT_EQ(list.size(), 1u);
  EXPECT_EQ(Send(), u"a=2");
  EXPECT_EQ(Store().Count(), 1);
  Store().UnlockCookieList(caReadWrite);
  // Released: another thread can write now.
  std::thread writer([&] { Receive({u"c=3"}); });
  writer.join();
  EXPECT_EQ(Listed(), (std::vector<std::u16string>{u"a=2", u"c=3"}));
}

TEST_F(CookieManagerTest, ConcurrentRepliesAndRequestsKeepTheStoreWhole) {
  constexpr int kThreads = 4, kRounds = 50;
  std::atomic<int> empty{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      const std::u16string mine = u"t" + IntToText(t);
      for (int i = 0; i < kRounds; ++i) {
        Receive({mine + u"=" + IntToText(i), u"shared=" + IntToText(i), u"n" + IntToText(t * kRounds + i) + u"=1"});
        if (Send().empty()) ++empty;
      }
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(empty.load(), 0);
  // One per thread's own name, one shared, and every distinct name.
  EXPECT_EQ(Store().Count(), kThreads + 1 + kThreads * kRounds);
  EXPECT_EQ(Listed().size(), static_cast<std::size_t>(Store().Count()));
}

}  // namespace
}  // namespace zorapi
