// HTTP dates: the lenient reader of header dates (RFC 1123, RFC 850,
// asctime and many variants, month names of several languages, named and
// numeric zones) and the writer of RFC 1123 dates. Date-times are local,
// in days since 1899-12-30; 0 means no date.
#pragma once

#include <string>
#include <string_view>

#include "core/datetime.h"
#include "core/exceptions.h"

namespace zorapi {

ZORAPI_DECLARE_EXCEPTION(EIdFailedToRetreiveTimeZoneInfo, EIdException);

// Reads date and time from the front of VDate into VDateTime and leaves in
// VDate what follows (the zone). False with VDateTime 0 when it cannot.
bool ReadInternetDate(std::u16string& VDate, TDateTime& VDateTime);
// The offset from UTC of the zone word at the front of AZone, positive east
// of UTC, as a date-time difference; 0 for a word it cannot read.
TDateTime ZoneOffsetOf(std::u16string_view AZone);
// The platform's current offset of local time from UTC, positive east.
// Raises EIdFailedToRetreiveTimeZoneInfo when the platform cannot tell.
TDateTime LocalUtcOffset();
// The local date-time of an HTTP date, 0 when it cannot be read.
TDateTime HttpDateToLocal(std::u16string_view AValue);
// The RFC 1123 text of a local date-time, as "Sun, 06 Nov 1994 08:49:37 GMT".
std::u16string HttpDateText(TDateTime AValue);

}  // namespace zorapi
