// Both date readers over any text: the lenient HTTP date reader (with the
// zone it leaves behind) and the cookie date rules. A date read back from
// the RFC 1123 text it is written as must be the same instant.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>

#include "core/datetime.h"
#include "http/cookie_dates.h"
#include "http/http_dates.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // A zone off the hour, so that the offset arithmetic is not hidden by zero.
  setenv("TZ", "<-0330>3:30", 1);
  tzset();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zorapi;
  using namespace zorapi::fuzz;
  const std::u16string text = TextOf(BytesOf(data, size));

  std::u16string rest = text;
  TDateTime read = 123;
  if (ReadInternetDate(rest, read)) {
    Check(std::isfinite(read), "ReadInternetDate gave no finite date");
    Check(rest.size() <= text.size(), "ReadInternetDate left more than it was given");
  } else {
    Check(read == 0, "an unreadable date left a date-time");
  }
  (void)ZoneOffsetOf(text);

  const TDateTime local = HttpDateToLocal(text);
  Check(std::isfinite(local), "HttpDateToLocal gave no finite date");
  const TDateTimeParts parts = DecodeDateTime(local);
  if (local != 0 && parts.Year >= 1900 && parts.Year <= 9999) {
    const std::u16string written = HttpDateText(local);
    const TDateTime again = HttpDateToLocal(written);
    Check(std::fabs(again - local) < 1.001 / 86400, "a written date read back as another instant");
  }

  Check(std::isfinite(CookieDateToLocal(text)), "CookieDateToLocal gave no finite date");
  return 0;
}
