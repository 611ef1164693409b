// An ordered list of text lines: the form field list, and the base of the
// header list.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zorapi {

class TStringList {
 public:
  virtual ~TStringList() = default;

  int Count() const { return static_cast<int>(FLines.size()); }
  const std::u16string& operator[](int index) const { return FLines[static_cast<std::size_t>(index)]; }
  std::u16string& operator[](int index) { return FLines[static_cast<std::size_t>(index)]; }
  void Add(std::u16string line) { FLines.push_back(std::move(line)); }
  void Insert(int index, std::u16string line);
  void Delete(int index);
  void Clear() { FLines.clear(); }

  // Every line followed by CR LF.
  std::u16string Text() const;
  // Replaces the lines by the text split at CR LF, CR or LF; a final line
  // break does not make an empty last line.
  void SetText(std::u16string_view text);

  const std::vector<std::u16string>& Lines() const { return FLines; }

 private:
  std::vector<std::u16string> FLines;
};

}  // namespace zorapi
