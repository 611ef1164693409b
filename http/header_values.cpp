#include "http/header_values.h"

#include <utility>
#include <vector>

#include "core/text.h"

namespace zorapi {
namespace {

constexpr std::u16string_view kRFC822Delimiters = u"()<>@,;:\\\"./";
constexpr std::u16string_view kMIMEDelimiters = u"()<>@,;:\\\"/[]?=";
constexpr std::u16string_view kHTTPDelimiters = u"()<>@,;:\\\"/[]?={} \t";

constexpr bool IsBlank(char16_t c) { return c <= 0x20; }

std::u16string_view TrimLeftView(std::u16string_view s) {
  std::size_t b = 0;
  while (b < s.size() && IsBlank(s[b])) ++b;
  return s.substr(b);
}

using TParam = std::pair<std::u16string, std::u16string>;

// Reads a double-quoted value at the front of rest (the opening quote
// already dropped): backslash escapes one character. False without a
// closing quote.
bool ReadQuoted(std::u16string_view& rest, std::u16string& value) {
  value.clear();
  std::size_t i = 0;
  while (i < rest.size()) {
    const char16_t c = rest[i];
    if (c == u'\\' && i + 1 < rest.size()) {
      value.push_back(rest[i + 1]);
      i += 2;
    } else if (c == u'"') {
      rest.remove_prefix(i + 1);
      return true;
    } else {
      value.push_back(c);
      ++i;
    }
  }
  rest = {};
  value.clear();
  return false;
}

std::vector<TParam> ParamsOf(std::u16string_view AHeaderLine, TIdHeaderQuotingType AQuoteType) {
  std::vector<TParam> params;
  const std::size_t first = AHeaderLine.find(u';');
  std::u16string_view rest =
      first == std::u16string_view::npos ? std::u16string_view{} : AHeaderLine.substr(first + 1);
  while (!rest.empty()) {
    rest = TrimLeftView(rest);
    if (rest.empty()) break;
    const std::size_t eq = rest.find(u'=');
    const std::size_t semi = rest.find(u';');
    if (semi < eq) {
      // A parameter without "=" (or a stray ";") has no value: passing over
      // it keeps the next parameter's name clean.
      rest.remove_prefix(semi + 1);
      continue;
    }
    std::u16string name = Trim(rest.substr(0, eq));
    rest = eq == std::u16string_view::npos ? std::u16string_view{} : rest.substr(eq + 1);
    rest = TrimLeftView(rest);
    std::u16string value;
    if (!rest.empty() && rest[0] == u'"') {
      rest.remove_prefix(1);
      ReadQuoted(rest, value);
      const std::size_t next = rest.find(u';');
      rest = next == std::u16string_view::npos ? std::u16string_view{} : rest.substr(next + 1);
    } else {
      std::size_t end = 0;
      while (end < rest.size() && !IsHeaderDelimiter(rest[end], AQuoteType)) ++end;
      value = std::u16string(rest.substr(0, end));
      // A ";" ends the parameter; any other separator starts the next text.
      rest = end < rest.size() && rest[end] == u';' ? rest.substr(end + 1) : rest.substr(end);
    }
    if (!name.empty() && !value.empty()) params.emplace_back(std::move(name), std::move(value));
  }
  return params;
}

}  // namespace

bool IsHeaderDelimiter(char16_t c, TIdHeaderQuotingType AQuoteType) {
  if (c <= 0x20 || c == 0x7F) return true;
  switch (AQuoteType) {
    case QuotePlain:
      return false;
    case QuoteRFC822:
      return kRFC822Delimiters.find(c) != std::u16string_view::npos;
    case QuoteMIME:
      return kMIMEDelimiters.find(c) != std::u16string_view::npos;
    case QuoteHTTP:
      return kHTTPDelimiters.find(c) != std::u16string_view::npos;
  }
  return false;
}

std::u16string MainValueOf(std::u16string_view AHeaderLine) {
  return Trim(AHeaderLine.substr(0, AHeaderLine.find(u';')));
}

void SplitParams(std::u16string_view AHeaderLine, TIdHeaderQuotingType AQuoteType, TStringList& AParams) {
  for (auto& [name, value] : ParamsOf(AHeaderLine, AQuoteType)) AParams.Add(name + u"=" + value);
}

std::u16string QuoteIfNeeded(std::u16string_view AValue, TIdHeaderQuotingType AQuoteType) {
  if (AValue.empty()) return {};
  const bool escapeCR = AQuoteType == QuoteRFC822 || AQuoteType == QuoteMIME;
  bool needQuotes = false;
  std::u16string out;
  out.reserve(AValue.size() + 2);
  for (char16_t c : AValue) {
    if (c == u'"' || c == u'\\' || (escapeCR && c == u'\r')) {
      out.push_back(u'\\');
      needQuotes = true;
    } else if (IsHeaderDelimiter(c, AQuoteType)) {
      needQuotes = true;
    }
    out.push_back(c);
  }
  if (needQuotes) return u"\"" + out + u"\"";
  return out;
}

std::u16string ReplaceParam(std::u16string_view AHeaderLine, std::u16string_view AParam,
                            std::u16string_view ANewValue, std::u16string& AOldValue,
                            TIdHeaderQuotingType AQuoteType) {
  std::vector<TParam> params = ParamsOf(AHeaderLine, AQuoteType);
  auto found = params.begin();
  while (found != params.end() && !SameText(found->first, AParam)) ++found;
  AOldValue = found != params.end() ? found->second : std::u16string{};

  std::u16string v = Trim(ANewValue);
  if (!v.empty()) {
    if (found != params.end())
      *found = {std::u16string(AParam), std::move(v)};
    else
      params.emplace_back(std::u16string(AParam), std::move(v));
  } else if (found != params.end()) {
    params.erase(found);
  }

  std::u16string result = MainValueOf(AHeaderLine);
  if (result.empty()) return result;
  for (const auto& [name, value] : params) result += u"; " + name + u"=" + QuoteIfNeeded(value, AQuoteType);
  return result;
}

std::u16string ReplaceParam(std::u16string_view AHeaderLine, std::u16string_view AParam,
                            std::u16string_view ANewValue, TIdHeaderQuotingType AQuoteType) {
  std::u16string old;
  return ReplaceParam(AHeaderLine, AParam, ANewValue, old, AQuoteType);
}

std::u16string RemoveParam(std::u16string_view AHeaderLine, std::u16string_view AParam,
                           std::u16string& AOldValue, TIdHeaderQuotingType AQuoteType) {
  return ReplaceParam(AHeaderLine, AParam, {}, AOldValue, AQuoteType);
}

std::u16string RemoveParam(std::u16string_view AHeaderLine, std::u16string_view AParam,
                           TIdHeaderQuotingType AQuoteType) {
  std::u16string old;
  return ReplaceParam(AHeaderLine, AParam, {}, old, AQuoteType);
}

bool HasMediaType(std::u16string_view AHeaderLine, std::u16string_view AMediaType) {
  const std::u16string m = MainValueOf(AHeaderLine);
  if (AMediaType.find(u'/') == std::u16string_view::npos)
    return m.size() > AMediaType.size() && StartsText(AMediaType, m) && m[AMediaType.size()] == u'/';
  return SameText(m, AMediaType);
}

std::u16string MediaSubtypeOf(std::u16string_view AHeaderLine) {
  const std::u16string m = MainValueOf(AHeaderLine);
  const std::size_t slash = m.find(u'/');
  return slash == std::u16string::npos ? std::u16string{} : m.substr(slash + 1);
}

bool FitsUnfolded(std::u16string_view ALine, int AMaxCol, std::u16string_view ABreakStr) {
  // A break for length needs a column past AMaxCol, which a line shorter
  // than AMaxCol never reaches; a break already in the line begins with
  // the first character of ABreakStr.
  return static_cast<long long>(ALine.size()) < AMaxCol &&
         (ABreakStr.empty() || ALine.find(ABreakStr[0]) == std::u16string_view::npos);
}

std::u16string FoldText(std::u16string_view ALine, std::u16string_view ABreakStr,
                        std::u16string_view ABreakChars, int AMaxCol) {
  if (FitsUnfolded(ALine, AMaxCol, ABreakStr)) return std::u16string(ALine);
  // Positions count from 1 as the folding rule is stated; At(p) reads ALine.
  const std::size_t len = ALine.size();
  auto At = [&](std::size_t p) { return ALine[p - 1]; };
  auto IsBreakChar = [&](char16_t c) { return ABreakChars.find(c) != std::u16string_view::npos; };
  auto Copy = [&](std::size_t from, std::size_t to) {  // from..to inclusive
    return to >= from ? ALine.substr(from - 1, to - from + 1) : std::u16string_view{};
  };

  std::size_t col = 1, linePos = 1, breakPos = 0, pos = 1;
  char16_t quote = u' ';
  bool existingBreak = false;
  std::u16string result;
  result.reserve(len + len / 32 + 8);
  while (pos <= len) {
    const char16_t ch = At(pos);
    if (!ABreakStr.empty() && ch == ABreakStr[0] && quote == u' ') {
      existingBreak = SameText(ALine.substr(pos - 1, ABreakStr.size()), ABreakStr);
      if (existingBreak) {
        pos += ABreakStr.size() - 1;
        breakPos = pos;
      }
    } else if (IsBreakChar(ch)) {
      if (quote == u' ') breakPos = pos;
    } else if (ch == u'"') {
      if (ch == quote)
        quote = u' ';
      else if (quote == u' ')
        quote = ch;
    }
    ++pos;
    ++col;
    if (quote != u'"' && (existingBreak ||
                             (static_cast<long long>(col) > AMaxCol && breakPos > linePos))) {
      col = pos - breakPos;
      result += Copy(linePos, breakPos);
      if (ch != u'"') {
        while (pos <= len && (IsBreakChar(At(pos)) || At(pos) == u'\r' || At(pos) == u'\n')) ++pos;
        if (!existingBreak && pos < len) result += ABreakStr;
      }
      ++breakPos;
      linePos = breakPos;
      existingBreak = false;
    }
  }
  result += Copy(linePos, len);
  return result;
}

}  // namespace zorapi
