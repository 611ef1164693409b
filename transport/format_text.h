// Fills "%s" and "%d" of a message text, in order, with texts.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace zorapi {

std::u16string FormatText(std::u16string_view AFormat, std::initializer_list<std::u16string_view> AArgs);

}  // namespace zorapi
