#include "bench/report.h"

#include <algorithm>
#include <cstdio>

namespace bench {

void Report::Section(std::string title) { FRows.push_back(Row{std::move(title), {}, {}, {}, {}, {}, {}}); }

void Report::Add(Row row) { FRows.push_back(std::move(row)); }

void Report::Note(std::string text) { FNotes.push_back(std::move(text)); }

void Report::Print() const {
  const Row header{"measure", "ours", "libcurl", "floor", "ratio", "goal", "result"};
  auto cells = [](const Row& r) {
    return std::vector<const std::string*>{&r.measure, &r.ours, &r.curl, &r.floor, &r.ratio, &r.goal, &r.result};
  };
  auto isTitle = [](const Row& r) {
    return r.ours.empty() && r.curl.empty() && r.floor.empty() && r.ratio.empty() && r.goal.empty() &&
           r.result.empty();
  };
  std::vector<std::size_t> width(7, 0);
  for (const Row& r : FRows) {
    if (isTitle(r)) continue;
    const auto c = cells(r);
    for (std::size_t i = 0; i < c.size(); ++i) width[i] = std::max(width[i], c[i]->size());
  }
  auto line = [&](const Row& r) {
    const auto c = cells(r);
    std::string out;
    for (std::size_t i = 0; i < c.size(); ++i) {
      std::string cell = *c[i];
      // Figures right-aligned, words left-aligned.
      const bool right = i >= 1 && i <= 4;
      const std::string pad(width[i] - std::min(width[i], cell.size()), ' ');
      out += right ? pad + cell : cell + pad;
      if (i + 1 < c.size()) out += "  ";
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    std::printf("%s\n", out.c_str());
  };
  for (std::size_t i = 0; i < width.size(); ++i) width[i] = std::max(width[i], cells(header)[i]->size());
  std::size_t total = 0;
  for (std::size_t w : width) total += w + 2;
  const std::string rule(total - 2, '-');
  line(header);
  std::printf("%s\n", rule.c_str());
  for (const Row& r : FRows) {
    if (isTitle(r))
      std::printf("%s\n", r.measure.c_str());
    else
      line(r);
  }
  std::printf("%s\n", rule.c_str());
  for (const std::string& n : FNotes) std::printf("%s\n", n.c_str());
}

std::string Fixed(std::optional<double> value, int decimals) {
  if (!value) return "n/a";
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, *value);
  return buffer;
}

std::string Times(std::optional<double> ratio) {
  if (!ratio) return "n/a";
  return Fixed(ratio, 2) + "x";
}

std::string Verdict(std::optional<bool> met) {
  if (!met) return "n/a";
  return *met ? "PASS" : "MISS";
}

}  // namespace bench
