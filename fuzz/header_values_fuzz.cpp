// Header values taken apart and put together: SplitParams, ReplaceParam,
// RemoveParam, the media type tests, FoldText, and the folding and
// unfolding of a header list. The first byte picks the quoting type (low two
// bits) and the fold column (the rest); the remaining bytes are split at
// newlines into a header line, a parameter name, a new value, a break text
// and break characters.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/text.h"
#include "http/header_list.h"
#include "http/header_values.h"
#include "fuzz_input.h"

namespace zorapi::fuzz {
namespace {

// The value with what folding may change made plain: every code unit up to
// U+0020 and every comma become one space, runs of spaces one, no space at
// either end. Such a value must come back unchanged from a folded list.
std::u16string Foldable(std::u16string_view AValue) {
  std::u16string out;
  for (char16_t c : AValue) {
    if (c <= u' ' || c == u',') c = u' ';
    if (c == u' ' && (out.empty() || out.back() == u' ')) continue;
    out.push_back(c);
  }
  while (!out.empty() && out.back() == u' ') out.pop_back();
  return out;
}

}  // namespace
}  // namespace zorapi::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zorapi;
  using namespace zorapi::fuzz;
  if (size == 0) return 0;
  const auto quote = static_cast<TIdHeaderQuotingType>(data[0] & 3);
  const int column = data[0] >> 2;
  const auto parts = SplitAt(BytesOf(data + 1, size - 1), '\n');
  auto part = [&](std::size_t i) { return i < parts.size() ? TextOf(parts[i]) : std::u16string{}; };
  const std::u16string line = part(0), param = part(1), value = part(2), breakStr = part(3), breakChars = part(4);

  (void)MainValueOf(line);
  TStringList params;
  SplitParams(line, quote, params);
  (void)QuoteIfNeeded(value, quote);
  std::u16string old;
  const std::u16string replaced = ReplaceParam(line, param, value, old, quote);
  if (TrimView(MainValueOf(line)).empty()) Check(replaced.empty(), "ReplaceParam without a main value");
  SplitParams(replaced, quote, params);
  (void)RemoveParam(replaced, param, old, quote);
  (void)HasMediaType(line, param);
  (void)MediaSubtypeOf(line);
  (void)FoldText(line, breakStr, breakChars, column);

  // A header list holding the input's lines, read and changed.
  TIdHeaderList list(quote);
  for (const auto& piece : parts) list.Add(TextOf(piece));
  (void)list.ValueOfName(param);
  TStringList found;
  list.Extract(param, found);
  TStringList std;
  list.ConvertToStdValues(std);
  list.SetParamValue(list.Count() ? list.NameAt(0) : std::u16string{}, param, value);
  TIdHeaderList copy(quote);
  copy.AddStdValues(std);
  copy.AddStrings(list);

  // A plain value comes back whole from a list that folds it at any column.
  const std::u16string plain = Foldable(line);
  if (!plain.empty()) {
    TIdHeaderList folded(quote);
    folded.SetFoldLength(column);
    folded.AddValue(u"X-Before", u"1");
    folded.ReplaceValue(u"X-Fuzz", plain);
    folded.AddValue(u"X-After", u"2");
    Check(folded.ValueOfName(u"X-Fuzz") == plain, "a folded value did not unfold to itself");
    Check(folded.ValueOfName(u"X-After") == u"2", "folding ran into the next header");
    folded.ReplaceValue(u"X-Fuzz", u"");
    Check(folded.IndexOfName(u"X-Fuzz") == -1 && folded.Count() == 2, "a removed value left lines behind");
  }
  return 0;
}
