/* Calls each operation of an installed zorapi; with no service reachable,
 * each answers a non-null empty string. */
#include <stdio.h>
#include <zorapi.h>

int main(void) {
  const zorapi_char* results[3];
  int i;
  results[0] = zorlogin(u"demo", u"demo-password");
  results[1] = identifySynonyms(u"session", u"The quick brown fox.", 3);
  results[2] = replaceEveryonesFavorites(u"session", u"The quick brown fox.", 3, 3);
  for (i = 0; i < 3; ++i) {
    if (results[i] == NULL || results[i][0] != 0) {
      fprintf(stderr, "consumer: expected the empty result\n");
      return 1;
    }
  }
  puts("consumer (pkg-config, C): three empty results");
  return 0;
}
