// The ordered list of header lines: "Name: value" lines, each possibly
// followed by continuation lines that begin with a space or a tab. Lookup by
// name ignores case; long lines are folded when written and continuation
// lines unfolded when read.
#pragma once

#include <string>
#include <string_view>

#include "core/string_list.h"
#include "http/header_values.h"

namespace zorapi {

class TIdHeaderList : public TStringList {
 public:
  explicit TIdHeaderList(TIdHeaderQuotingType AQuoteType);

  // The line's text before its first ":" (not trimmed); empty without ":".
  std::u16string NameAt(int AIndex) const;
  // First line, continuation lines included, whose name is AName; or -1.
  int IndexOfName(std::u16string_view AName) const;
  // The value that starts at line VLine, unfolded; VLine moves past it.
  // Out of range: empty and VLine unchanged.
  std::u16string ValueAtLine(int& VLine) const;
  // Moves VLine past one header and its continuation lines.
  void SkipValueLines(int& VLine) const;
  // The value of the first header named AName, empty when there is none.
  std::u16string ValueOfName(std::u16string_view AName) const;
  // Appends to ADest the value of every header named AName, in list order.
  void Extract(std::u16string_view AName, TStringList* ADest) const;
  void Extract(std::u16string_view AName, TStringList& ADest) const { Extract(AName, &ADest); }
  // Sets the first header named AName in place, appends it when absent, or
  // removes it (with its continuation lines) when AValue is empty.
  void ReplaceValue(std::u16string_view AName, std::u16string_view AValue);
  // Appends a header even when one of that name exists; only when both
  // name and value are non-empty.
  void AddValue(std::u16string_view AName, std::u16string_view AValue);
  // Sets or removes the parameter AParam inside the value of AName; nothing
  // happens when the header is absent.
  void SetParamValue(std::u16string_view AName, std::u16string_view AParam, std::u16string_view AValue);
  // Appends every "name=value" line of ASrc as a header.
  void AddStdValues(const TStringList& ASrc);
  // A header list's lines are copied as they are, any other list's lines
  // are read as "name=value".
  void AddStrings(const TStringList& Strings);
  // Appends to ADest one "name=value" line per header, the value unfolded.
  void ConvertToStdValues(TStringList& ADest) const;

  const std::u16string& NameValueSeparator() const { return FNameValueSeparator; }
  void SetNameValueSeparator(std::u16string AValue) { FNameValueSeparator = std::move(AValue); }
  bool UnfoldLines() const { return FUnfoldLines; }
  void SetUnfoldLines(bool AValue) { FUnfoldLines = AValue; }
  bool FoldLines() const { return FFoldLines; }
  void SetFoldLines(bool AValue) { FFoldLines = AValue; }
  int FoldLength() const { return FFoldLinesLength; }
  void SetFoldLength(int AValue) { FFoldLinesLength = AValue; }
  TIdHeaderQuotingType QuoteType() const { return FQuoteType; }

 protected:
  // Deletes the continuation lines right after AIndex.
  void DropFoldedLines(int AIndex);
  // Puts ALine, folded, at AIndex: the last piece replaces the line there,
  // the earlier ones are inserted before it.
  void FoldInto(std::u16string_view ALine, int AIndex);
  // The pieces of ALine folded at FoldLength.
  void FoldToLines(std::u16string_view ALine, TStringList& ALines) const;

 private:
  // The name of ALine, as NameAt gives it, without a copy.
  std::u16string_view NameOf(std::u16string_view ALine) const;
  // Fills the line at AIndex with "AName: AValue", folded when FoldLines.
  void SetValueAt(int AIndex, std::u16string_view AName, std::u16string_view AValue);

  std::u16string FNameValueSeparator = u": ";
  bool FUnfoldLines = true;
  bool FFoldLines = true;
  int FFoldLinesLength = 78;
  TIdHeaderQuotingType FQuoteType;
};

}  // namespace zorapi
