// Header values taken apart: the main value before the first ";", the
// parameters after it, quoting of parameter values, media type tests, and
// the line folding used when header lines are written.
#pragma once

#include <string>
#include <string_view>

#include "core/string_list.h"

namespace zorapi {

// Which characters end an unquoted parameter value and force quoting.
enum TIdHeaderQuotingType { QuotePlain, QuoteRFC822, QuoteMIME, QuoteHTTP };

// Whether c is a delimiter for AQuoteType; U+0000..U+0020 and U+007F always are.
bool IsHeaderDelimiter(char16_t c, TIdHeaderQuotingType AQuoteType);

// The text before the first ";" (all of it without one), trimmed.
std::u16string MainValueOf(std::u16string_view AHeaderLine);
// Appends to AParams the parameters after the main value, one "name=value"
// line each; pairs with an empty name or value are left out, and a word
// without "=" is passed over rather than joined to the next name.
void SplitParams(std::u16string_view AHeaderLine, TIdHeaderQuotingType AQuoteType, TStringList& AParams);
// AValue, escaped and wrapped in double quotes when AQuoteType requires it.
std::u16string QuoteIfNeeded(std::u16string_view AValue, TIdHeaderQuotingType AQuoteType);
// AHeaderLine with the parameter AParam set to ANewValue (trimmed), added
// when absent, or removed when ANewValue is empty; AOldValue receives the
// parameter's value before. An empty main value gives an empty result.
std::u16string ReplaceParam(std::u16string_view AHeaderLine, std::u16string_view AParam,
                            std::u16string_view ANewValue, std::u16string& AOldValue,
                            TIdHeaderQuotingType AQuoteType);
std::u16string ReplaceParam(std::u16string_view AHeaderLine, std::u16string_view AParam,
                            std::u16string_view ANewValue, TIdHeaderQuotingType AQuoteType);
// ReplaceParam with an empty new value.
std::u16string RemoveParam(std::u16string_view AHeaderLine, std::u16string_view AParam,
                           std::u16string& AOldValue, TIdHeaderQuotingType AQuoteType);
std::u16string RemoveParam(std::u16string_view AHeaderLine, std::u16string_view AParam,
                           TIdHeaderQuotingType AQuoteType);
// Whether the main value has AMediaType: with a "/" the whole type must
// match, without one only the part before the "/". Ignores case.
bool HasMediaType(std::u16string_view AHeaderLine, std::u16string_view AMediaType);
// The main value after its first "/", empty without one.
std::u16string MediaSubtypeOf(std::u16string_view AHeaderLine);

// Inserts ABreakStr into ALine so that no piece goes beyond AMaxCol columns
// where a break character allows it; breaks inside double quotes are not
// taken, and a break text already in the line starts a new piece.
std::u16string FoldText(std::u16string_view ALine, std::u16string_view ABreakStr,
                        std::u16string_view ABreakChars, int AMaxCol);
// Whether FoldText leaves ALine as it is without scanning it: shorter than
// AMaxCol and without the first character of ABreakStr.
bool FitsUnfolded(std::u16string_view ALine, int AMaxCol, std::u16string_view ABreakStr = u"\r\n ");

}  // namespace zorapi
