#include "bench/growth.h"

#include <memory>
#include <string>

#include "api/login_reply_matcher.h"
#include "api/service_operations.h"
#include "bench/curl_client.h"
#include "bench/ours_internal.h"
#include "bench/stats.h"
#include "bench/wire.h"
#include "core/component.h"
#include "core/datetime.h"
#include "core/text.h"
#include "core/string_list.h"
#include "core/utf8.h"
#include "http/cookie_manager.h"
#include "http/header_records.h"
#include "http/uri.h"
#include "transport/io_handler.h"

namespace bench {
namespace {

// What GenerateClientCookies writes into; only the "Cookie" line matters.
struct CookieLine {
  std::u16string name, value;
  void AddValue(std::u16string_view n, std::u16string_view v) {
    name.assign(n);
    value.assign(v);
  }
};

std::unique_ptr<zorapi::TIdCookieManager> ManagerWith(int count, bool distinctTimes, const zorapi::TIdURI& target) {
  std::unique_ptr<zorapi::TIdCookieManager> manager(
      zorapi::ComponentFactory::Build<zorapi::TIdCookieManager>(nullptr));
  zorapi::TIdCookies& store = *manager->CookieCollection();
  zorapi::TDateTime base = 0;
  zorapi::TryEncodeDate(2026, 12, 10, base);
  for (int i = 0; i < count; ++i) {
    const std::u16string n = zorapi::IntToText(i);
    zorapi::TIdCookie* cookie = store.Add();
    cookie->SetCookieName(u"pref" + n);
    cookie->SetValue(u"v" + n + u"x" + n);
    cookie->SetDomain(target.Host());
    cookie->SetHostOnly(true);
    cookie->SetPath(u"/");
    // One millisecond apart, in order of arrival.
    const zorapi::TDateTime created = distinctTimes ? base + i / 86400000.0 : base;
    cookie->SetCreatedAt(created);
    cookie->SetLastAccessed(created);
    store.AddCookie(cookie, &target, false);
  }
  return manager;
}

// A login reply of about `bytes` bytes with the match at its end.
std::string LoginReply(std::size_t bytes, bool nearMisses) {
  static constexpr std::string_view kFiller = "<item lang=\"en\">r\xC3\xA9sum\xC3\xA9 of the quick brown fox</item>\n";
  static constexpr std::string_view kNearMiss = "<success>true</success><session>a1b2c3d4e5f6-</session>\n";
  static constexpr std::string_view kEnd = "<success>true</success><session>a1b2c3d4e5f6</session></response>\n";
  const std::string_view piece = nearMisses ? kNearMiss : kFiller;
  std::string reply = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<response>\n";
  reply.reserve(bytes + piece.size() + kEnd.size());
  while (reply.size() + kEnd.size() < bytes) reply += piece;
  reply += kEnd;
  return reply;
}

std::size_t MiBBytes(double mib) { return static_cast<std::size_t>(mib * 1024 * 1024); }

}  // namespace

std::vector<SizedCost> CookieGeneration(const std::vector<int>& counts, bool distinctTimes, double budget) {
  const zorapi::TIdURI target(u"http://127.0.0.1:8080/api.php");
  std::vector<SizedCost> costs;
  for (int n : counts) {
    const auto manager = ManagerWith(n, distinctTimes, target);
    CookieLine line;
    bool complete = true;
    const double seconds = SecondsPerCall(
        [&] {
          manager->GenerateClientCookies(target, false, line);
          complete = complete && !line.value.empty();
        },
        budget, distinctTimes ? 9 : 3);
    costs.push_back({static_cast<double>(n), complete ? std::optional(seconds) : std::nullopt, {}});
  }
  return costs;
}

std::vector<SizedCost> LoginDecoding(const std::vector<double>& mib, int reps) {
  std::vector<SizedCost> costs;
  for (double m : mib) {
    const std::string reply = LoginReply(MiBBytes(m), false);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(reply.data());
    bool ok = true;
    const double seconds =
        ColdSecondsPerCall([&] { ok = ok && zorapi::DecodeUtf8Strict(bytes, reply.size()).has_value(); }, reps);
    costs.push_back({m, ok ? std::optional(seconds) : std::nullopt, {}});
  }
  return costs;
}

std::vector<SizedCost> LoginMatching(const std::vector<double>& mib, bool nearMisses, int reps) {
  std::vector<SizedCost> costs;
  zorapi::TLoginReplyMatcher matcher;
  for (double m : mib) {
    const std::string reply = LoginReply(MiBBytes(m), nearMisses);
    const std::u16string text = *zorapi::DecodeUtf8Strict(reinterpret_cast<const std::uint8_t*>(reply.data()),
                                                          reply.size());
    bool ok = true;
    const double seconds =
        ColdSecondsPerCall([&] { ok = ok && zorapi::SessionFromReply(matcher, text) == u"a1b2c3d4e5f6"; }, reps);
    costs.push_back({m, ok ? std::optional(seconds) : std::nullopt, {}});
  }
  return costs;
}

std::vector<SizedCost> HeadParsing(const std::vector<int>& lines, double budget) {
  constexpr int kMaxHeaderLines = 255;
  const std::unique_ptr<zorapi::TIdIOHandler> io(zorapi::TIdIOHandler::MakeDefaultIOHandler(nullptr));
  zorapi::TIdResponseHeaderInfo response(nullptr);
  std::vector<SizedCost> costs;
  for (int n : lines) {
    const std::string all = HeadOfLines(n, 0);
    const std::string head = all.substr(all.find("\r\n") + 2);  // the status line is read before
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(head.data());
    bool ok = true;
    const double seconds = SecondsPerCall(
        [&] {
          io->InputBuffer()->Write(bytes, static_cast<std::int32_t>(head.size()));
          zorapi::TIdHeaderList& raw = response.RawHeaders();
          raw.Clear();
          int count = 0;
          for (std::u16string line = io->ReadLn(); !line.empty() && count < kMaxHeaderLines; line = io->ReadLn()) {
            raw.Add(std::move(line));
            ++count;
          }
          response.ReadHeaders();
          zorapi::TStringList cookies;
          raw.Extract(u"Set-Cookie", &cookies);
          io->InputBuffer()->Clear();
          // With the limit reached, the later lines (Content-Length among them) stay unread.
          ok = ok && (n + 3 > kMaxHeaderLines || response.ContentLength() == 0);
        },
        budget);
    costs.push_back({static_cast<double>(n), ok ? std::optional(seconds) : std::nullopt, {}});
  }
  return costs;
}

std::vector<SizedCost> HeadReading(int port, const std::vector<int>& lines, int rounds) {
  OursInternal ours(port);
  CurlClient curl(port);
  zorapi::TMemoryStream probe;
  bool oursWorks = ours.Post("/head/0", probe);

  std::vector<std::vector<double>> oursTimes(lines.size()), curlTimes(lines.size());
  auto target = [](int n) { return "/head/" + std::to_string(n); };
  for (int r = 0; r < rounds; ++r) {
    for (std::size_t k = 0; k < lines.size(); ++k) {
      const std::size_t i = (k + static_cast<std::size_t>(r)) % lines.size();
      if (oursWorks) {
        zorapi::TMemoryStream stream;
        const auto start = Clock::now();
        if (ours.Post(target(lines[i]), stream)) oursTimes[i].push_back(SecondsSince(start));
      }
      const auto start = Clock::now();
      if (curl.Post(target(lines[i]), "format=xml")) curlTimes[i].push_back(SecondsSince(start));
    }
  }
  std::vector<SizedCost> costs;
  const double oursBase = Median(oursTimes[0]), curlBase = Median(curlTimes[0]);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    SizedCost c{static_cast<double>(lines[i]), {}, {}};
    if (oursWorks && !oursTimes[i].empty()) c.seconds = Median(oursTimes[i]) - oursBase;
    if (!curlTimes[i].empty()) c.curlSeconds = Median(curlTimes[i]) - curlBase;
    costs.push_back(c);
  }
  return costs;
}

}  // namespace bench
