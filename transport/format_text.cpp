#include "transport/format_text.h"

namespace zorapi {

std::u16string FormatText(std::u16string_view AFormat, std::initializer_list<std::u16string_view> AArgs) {
  std::u16string out;
  out.reserve(AFormat.size() + 16);
  auto arg = AArgs.begin();
  for (std::size_t i = 0; i < AFormat.size(); ++i) {
    const char16_t c = AFormat[i];
    if (c == u'%' && i + 1 < AFormat.size()) {
      const char16_t k = AFormat[i + 1];
      if (k == u'%') {
        out.push_back(u'%');
        ++i;
        continue;
      }
      if (k == u's' || k == u'd') {
        if (arg != AArgs.end()) out.append(*arg++);
        ++i;
        continue;
      }
    }
    out.push_back(c);
  }
  return out;
}

}  // namespace zorapi
