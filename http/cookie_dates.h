// The date of a cookie's Expires attribute, read by the cookie date rules
// (tokens for time, day, month and year in any order).
#pragma once

#include <string_view>

#include "core/datetime.h"

namespace zorapi {

// The local date-time of a cookie date taken as UTC, or 0 when the text is
// not a valid cookie date or the local offset cannot be had. Never raises.
TDateTime CookieDateToLocal(std::u16string_view AText);

}  // namespace zorapi
