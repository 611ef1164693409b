/* A C host of the zorapi library: signs in, runs both text operations on a
 * text and prints the three results.
 *
 *   zorapi_c_example USER PASSWORD TEXT
 *
 * Arguments are UTF-8 (on Windows, main gets them in the ANSI code page:
 * keep them ASCII there) and so is the output. The library reads the endpoint
 * from ZORAPI_ENDPOINT when the program starts. Exits with 1 when a result
 * is empty (the library reports every failure that way). */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <zorapi.h>

/* UTF-8 to the library's zero-terminated UTF-16; the caller frees it. The
 * input is taken to be well-formed UTF-8. */
static zorapi_char* to_utf16(const char* utf8) {
  const unsigned char* s = (const unsigned char*)utf8;
  zorapi_char* out = malloc((strlen(utf8) + 1) * sizeof *out);
  size_t n = 0;
  if (out == NULL) return NULL;
  while (*s) {
    unsigned long cp;
    int more;
    if (*s < 0x80) { cp = *s; more = 0; }
    else if (*s < 0xE0) { cp = *s & 0x1F; more = 1; }
    else if (*s < 0xF0) { cp = *s & 0x0F; more = 2; }
    else { cp = *s & 0x07; more = 3; }
    ++s;
    while (more-- > 0 && (*s & 0xC0) == 0x80) cp = (cp << 6) | (*s++ & 0x3F);
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out[n++] = (zorapi_char)(0xD800 + (cp >> 10));
      out[n++] = (zorapi_char)(0xDC00 + (cp & 0x3FF));
    } else {
      out[n++] = (zorapi_char)cp;
    }
  }
  out[n] = 0;
  return out;
}

/* Prints a zero-terminated UTF-16 text as UTF-8; an unpaired surrogate
 * prints as U+FFFD. */
static void print_utf16(const zorapi_char* text) {
  for (; *text; ++text) {
    unsigned long cp = (unsigned long)*text;
    if (cp >= 0xD800 && cp <= 0xDBFF && text[1] >= 0xDC00 && text[1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + ((unsigned long)text[1] - 0xDC00);
      ++text;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      putchar((int)cp);
    } else if (cp < 0x800) {
      putchar((int)(0xC0 | (cp >> 6)));
      putchar((int)(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      putchar((int)(0xE0 | (cp >> 12)));
      putchar((int)(0x80 | ((cp >> 6) & 0x3F)));
      putchar((int)(0x80 | (cp & 0x3F)));
    } else {
      putchar((int)(0xF0 | (cp >> 18)));
      putchar((int)(0x80 | ((cp >> 12) & 0x3F)));
      putchar((int)(0x80 | ((cp >> 6) & 0x3F)));
      putchar((int)(0x80 | (cp & 0x3F)));
    }
  }
  putchar('\n');
}

/* A result is owned by the library and replaced by the next call of the same
 * operation on this thread: a host that keeps it copies it. */
static zorapi_char* copy_result(const zorapi_char* result) {
  size_t n = 0;
  zorapi_char* copy;
  while (result[n]) ++n;
  copy = malloc((n + 1) * sizeof *copy);
  if (copy != NULL) memcpy(copy, result, (n + 1) * sizeof *copy);
  return copy;
}

int main(int argc, char** argv) {
  zorapi_char *user, *password, *text, *session;
  const zorapi_char *identified, *replaced;
  int empty;
  if (argc != 4) {
    fprintf(stderr, "usage: %s USER PASSWORD TEXT\n", argv[0]);
    return 2;
  }
  user = to_utf16(argv[1]);
  password = to_utf16(argv[2]);
  text = to_utf16(argv[3]);
  if (user == NULL || password == NULL || text == NULL) return 2;

  session = copy_result(zorlogin(user, password));
  if (session == NULL) return 2;
  printf("session: ");
  print_utf16(session);

  identified = identifySynonyms(session, text, 3);
  printf("identifySynonyms: ");
  print_utf16(identified);
  empty = session[0] == 0 || identified[0] == 0;

  replaced = replaceEveryonesFavorites(session, text, 3, 3);
  printf("replaceEveryonesFavorites: ");
  print_utf16(replaced);
  empty = empty || replaced[0] == 0;

  free(user);
  free(password);
  free(text);
  free(session);
  if (empty) fprintf(stderr, "a result is empty: the call failed or the service answered nothing\n");
  return empty ? 1 : 0;
}
