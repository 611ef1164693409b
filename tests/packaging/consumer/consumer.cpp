// Calls each operation of an installed zorapi; with no service reachable,
// each answers a non-null empty string.
#include <zorapi.h>

#include <cstdio>

int main() {
  const zorapi_char* results[] = {
      zorlogin(u"demo", u"demo-password"),
      identifySynonyms(u"session", u"The quick brown fox.", 3),
      replaceEveryonesFavorites(u"session", u"The quick brown fox.", 3, 3),
  };
  for (const zorapi_char* result : results) {
    if (result == nullptr || result[0] != 0) {
      std::fprintf(stderr, "consumer: expected the empty result\n");
      return 1;
    }
  }
  std::puts("consumer (CMake, C++): three empty results");
  return 0;
}
