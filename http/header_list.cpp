#include "http/header_list.h"

#include "core/text.h"

namespace zorapi {
namespace {

constexpr bool IsContinuation(std::u16string_view ALine) {
  return !ALine.empty() && (ALine[0] == u' ' || ALine[0] == u'\t');
}

// The separator without its trailing spaces: ":" for ": ".
std::u16string_view SeparatorCore(std::u16string_view ASeparator) {
  while (!ASeparator.empty() && ASeparator.back() == u' ') ASeparator.remove_suffix(1);
  return ASeparator;
}

// Trims both ends without copying the kept part, so that unfolding many
// continuation lines stays linear.
void TrimInPlace(std::u16string& AText) {
  while (!AText.empty() && AText.back() <= 0x20) AText.pop_back();
  std::size_t b = 0;
  while (b < AText.size() && AText[b] <= 0x20) ++b;
  if (b > 0) AText.erase(0, b);
}

}  // namespace

TIdHeaderList::TIdHeaderList(TIdHeaderQuotingType AQuoteType) : FQuoteType(AQuoteType) {}

std::u16string_view TIdHeaderList::NameOf(std::u16string_view ALine) const {
  const std::u16string_view sep = SeparatorCore(FNameValueSeparator);
  const std::size_t at = sep.empty() ? std::u16string_view::npos : ALine.find(sep);
  return at == std::u16string_view::npos ? std::u16string_view{} : ALine.substr(0, at);
}

std::u16string TIdHeaderList::NameAt(int AIndex) const { return std::u16string(NameOf((*this)[AIndex])); }

int TIdHeaderList::IndexOfName(std::u16string_view AName) const {
  const std::u16string_view sep = SeparatorCore(FNameValueSeparator);
  if (AName.empty() || sep.empty()) {
    // An empty name also matches every line that has no separator.
    for (int i = 0; i < Count(); ++i)
      if (SameText(NameOf((*this)[i]), AName)) return i;
    return -1;
  }
  for (int i = 0; i < Count(); ++i) {
    const std::u16string_view line = (*this)[i];
    // Only a line with its first separator right after a name of this length
    // can match; looking there first spares a search of every value.
    if (line.size() < AName.size() + sep.size() || line.compare(AName.size(), sep.size(), sep) != 0) continue;
    if (line.find(sep) == AName.size() && SameText(line.substr(0, AName.size()), AName)) return i;
  }
  return -1;
}

std::u16string TIdHeaderList::ValueAtLine(int& VLine) const {
  if (VLine < 0 || VLine >= Count()) return {};
  std::u16string_view line = (*this)[VLine];
  ++VLine;
  const std::u16string_view sep = SeparatorCore(FNameValueSeparator);
  const std::size_t at = sep.empty() ? std::u16string_view::npos : line.find(sep);
  if (at != std::u16string_view::npos) line.remove_prefix(at + sep.size());
  std::u16string value = TrimLeft(line);
  if (FUnfoldLines) {
    while (VLine < Count() && IsContinuation((*this)[VLine])) {
      TrimInPlace(value);
      value += u' ';
      value += TrimView((*this)[VLine]);
      ++VLine;
    }
  }
  return Trim(value);
}

void TIdHeaderList::SkipValueLines(int& VLine) const {
  if (VLine < 0 || VLine >= Count()) return;
  ++VLine;
  if (FUnfoldLines)
    while (VLine < Count() && IsContinuation((*this)[VLine])) ++VLine;
}

std::u16string TIdHeaderList::ValueOfName(std::u16string_view AName) const {
  int index = IndexOfName(AName);
  return index < 0 ? std::u16string{} : ValueAtLine(index);
}

void TIdHeaderList::Extract(std::u16string_view AName, TStringList* ADest) const {
  if (ADest == nullptr) return;
  int index = 0;
  while (index < Count()) {
    if (SameText(NameOf((*this)[index]), AName))
      ADest->Add(ValueAtLine(index));
    else
      SkipValueLines(index);
  }
}

void TIdHeaderList::SetValueAt(int AIndex, std::u16string_view AName, std::u16string_view AValue) {
  std::u16string line(AName);
  line += FNameValueSeparator;
  line += AValue;
  if (FFoldLines) {
    DropFoldedLines(AIndex);
    FoldInto(line, AIndex);
  } else {
    (*this)[AIndex] = std::move(line);
  }
}

void TIdHeaderList::ReplaceValue(std::u16string_view AName, std::u16string_view AValue) {
  int index = IndexOfName(AName);
  if (!AValue.empty()) {
    if (index == -1) {
      Add({});
      index = Count() - 1;
    }
    SetValueAt(index, AName, AValue);
  } else if (index != -1) {
    if (FFoldLines) DropFoldedLines(index);
    Delete(index);
  }
}

void TIdHeaderList::AddValue(std::u16string_view AName, std::u16string_view AValue) {
  if (AName.empty() || AValue.empty()) return;
  Add({});
  SetValueAt(Count() - 1, AName, AValue);
}

void TIdHeaderList::SetParamValue(std::u16string_view AName, std::u16string_view AParam,
                                  std::u16string_view AValue) {
  TIdHeaderQuotingType quoteType = FQuoteType;
  const bool mimeHeader = SameText(AName, u"Content-Type") || SameText(AName, u"Content-Disposition");
  if (quoteType == QuoteRFC822 && mimeHeader)
    quoteType = QuoteMIME;
  else if (quoteType == QuoteMIME && !mimeHeader)
    quoteType = QuoteRFC822;
  ReplaceValue(AName, ReplaceParam(ValueOfName(AName), AParam, AValue, quoteType));
}

void TIdHeaderList::AddStdValues(const TStringList& ASrc) {
  for (const std::u16string& line : ASrc.Lines()) {
    const std::size_t eq = line.find(u'=');
    if (eq == std::u16string::npos) continue;
    AddValue(std::u16string_view(line).substr(0, eq), std::u16string_view(line).substr(eq + 1));
  }
}

void TIdHeaderList::AddStrings(const TStringList& Strings) {
  if (dynamic_cast<const TIdHeaderList*>(&Strings) != nullptr) {
    if (&Strings == this) {
      const std::vector<std::u16string> copy = Strings.Lines();
      for (const auto& line : copy) Add(line);
    } else {
      for (const auto& line : Strings.Lines()) Add(line);
    }
  } else {
    AddStdValues(Strings);
  }
}

void TIdHeaderList::ConvertToStdValues(TStringList& ADest) const {
  int index = 0;
  while (index < Count()) {
    std::u16string name = NameAt(index);
    ADest.Add(name + u"=" + ValueAtLine(index));
  }
}

void TIdHeaderList::DropFoldedLines(int AIndex) {
  while (AIndex + 1 < Count() && IsContinuation((*this)[AIndex + 1])) Delete(AIndex + 1);
}

void TIdHeaderList::FoldInto(std::u16string_view ALine, int AIndex) {
  // Most header lines fit: such a line stays one line, right-trimmed, and
  // needs neither the folding scan nor a list of pieces.
  if (FitsUnfolded(ALine, FFoldLinesLength)) {
    (*this)[AIndex] = TrimRight(ALine);
    return;
  }
  TStringList pieces;
  FoldToLines(ALine, pieces);
  if (pieces.Count() == 0) {
    (*this)[AIndex] = TrimRight(ALine);
    return;
  }
  (*this)[AIndex] = pieces[pieces.Count() - 1];
  for (int i = pieces.Count() - 2; i >= 0; --i) Insert(AIndex, pieces[i]);
}

void TIdHeaderList::FoldToLines(std::u16string_view ALine, TStringList& ALines) const {
  const std::u16string text = FoldText(ALine, u"\r\n ", u"\t ,", FFoldLinesLength);
  std::u16string_view rest = text;
  while (true) {
    const std::size_t cut = rest.find(u"\r\n");
    ALines.Add(TrimRight(rest.substr(0, cut)));
    if (cut == std::u16string_view::npos) break;
    rest.remove_prefix(cut + 2);
  }
}

}  // namespace zorapi
