// The one table the benchmark prints: a row per figure, with the library's
// value, libcurl's, the floor's, the ratio that a goal is judged on, the
// goal and whether it is met.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace bench {

struct Row {
  std::string measure;
  std::string ours, curl, floor;
  std::string ratio;
  std::string goal;
  std::string result;  // "PASS", "MISS", "n/a" or empty for figures without a goal
};

class Report {
 public:
  void Section(std::string title);
  void Add(Row row);
  void Note(std::string text);
  void Print() const;

 private:
  std::vector<Row> FRows;  // a row with only `measure` set is a section title
  std::vector<std::string> FNotes;
};

// Number formatting; nothing gives "n/a".
std::string Fixed(std::optional<double> value, int decimals);
std::string Times(std::optional<double> ratio);  // "0.93x"
// PASS or MISS for a condition that can be judged, n/a otherwise.
std::string Verdict(std::optional<bool> met);

}  // namespace bench
