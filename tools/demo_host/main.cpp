// A small host program: loads the library the way a real host does, signs
// in and runs both text operations on a sample text.
//
//   demo_host --library PATH (--port N | --endpoint URL) [--user U] [--password P] [--text T]
//
// The endpoint is put into ZORAPI_ENDPOINT before the library is loaded,
// since the library reads it at load. Exits with 1 when any result is empty.
#include <dlfcn.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "zorapi.h"

namespace {

using LoginFunction = const zorapi_char* (*)(const zorapi_char*, const zorapi_char*);
using IdentifyFunction = const zorapi_char* (*)(const zorapi_char*, const zorapi_char*, int32_t);
using ReplaceFunction = const zorapi_char* (*)(const zorapi_char*, const zorapi_char*, int32_t, int32_t);

// UTF-8 to UTF-16; the arguments come from the command line or this file.
std::u16string FromUtf8(const std::string& s) {
  std::u16string out;
  for (std::size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    char32_t cp;
    std::size_t n;
    if (b < 0x80) { cp = b; n = 1; }
    else if ((b & 0xE0) == 0xC0) { cp = b & 0x1F; n = 2; }
    else if ((b & 0xF0) == 0xE0) { cp = b & 0x0F; n = 3; }
    else { cp = b & 0x07; n = 4; }
    if (i + n > s.size()) n = s.size() - i;
    for (std::size_t k = 1; k < n; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    i += n;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  }
  return out;
}

// UTF-16 to UTF-8; a lone surrogate prints as U+FFFD.
std::string ToUtf8(const zorapi_char* text) {
  std::string out;
  for (const zorapi_char* p = text; *p; ++p) {
    char32_t cp = static_cast<char16_t>(*p);
    if (cp >= 0xD800 && cp <= 0xDBFF && p[1] >= 0xDC00 && p[1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (static_cast<char16_t>(p[1]) - 0xDC00);
      ++p;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

// Control characters shown as escapes, so that an argument's line breaks
// are visible.
std::string Shown(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else if (c == '\t') out += "\\t";
    else out += c;
  }
  return out;
}

void* Resolve(void* library, const char* name) {
  void* symbol = dlsym(library, name);
  if (!symbol) std::fprintf(stderr, "demo_host: %s not exported: %s\n", name, dlerror());
  return symbol;
}

int Usage() {
  std::fprintf(stderr,
               "usage: demo_host --library PATH (--port N | --endpoint URL) [--user U] [--password P] "
               "[--text T]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string library, endpoint, user = "demo", password = "demo-password";
  std::string text = "  The quick brown fox jumps over the lazy dog \xE2\x80\x94 na\xC3\xAFve & clever.\n";
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string arg = argv[i];
    const std::string value = argv[i + 1];
    if (arg == "--library") library = value;
    else if (arg == "--port") endpoint = "http://127.0.0.1:" + value + "/api.php";
    else if (arg == "--endpoint") endpoint = value;
    else if (arg == "--user") user = value;
    else if (arg == "--password") password = value;
    else if (arg == "--text") text = value;
    else return Usage();
  }
  if (argc % 2 == 0 || library.empty() || endpoint.empty()) return Usage();

  setenv("ZORAPI_ENDPOINT", endpoint.c_str(), 1);
  void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    std::fprintf(stderr, "demo_host: cannot load %s: %s\n", library.c_str(), dlerror());
    return 1;
  }
  const auto login = reinterpret_cast<LoginFunction>(Resolve(handle, "zorlogin"));
  const auto identify = reinterpret_cast<IdentifyFunction>(Resolve(handle, "identifySynonyms"));
  const auto replace = reinterpret_cast<ReplaceFunction>(Resolve(handle, "replaceEveryonesFavorites"));
  if (!login || !identify || !replace) return 1;

  const std::u16string u16user = FromUtf8(user), u16password = FromUtf8(password), u16text = FromUtf8(text);
  const int32_t maxsyns = 3, quality = 1;
  std::printf("endpoint: %s\n\n", endpoint.c_str());

  std::printf("zorlogin(user=\"%s\", password=\"%s\")\n", user.c_str(), password.c_str());
  // The result stays valid only until the next login call: copy it.
  const std::u16string session = reinterpret_cast<const char16_t*>(login(
      reinterpret_cast<const zorapi_char*>(u16user.c_str()), reinterpret_cast<const zorapi_char*>(u16password.c_str())));
  const std::string sessionUtf8 = ToUtf8(reinterpret_cast<const zorapi_char*>(session.c_str()));
  std::printf("  -> \"%s\"\n\n", sessionUtf8.c_str());

  const auto* s = reinterpret_cast<const zorapi_char*>(session.c_str());
  const auto* t = reinterpret_cast<const zorapi_char*>(u16text.c_str());
  std::printf("identifySynonyms(session=\"%s\", text=\"%s\", maxsyns=%d)\n", sessionUtf8.c_str(), Shown(text).c_str(),
              maxsyns);
  const std::string identified = ToUtf8(identify(s, t, maxsyns));
  std::printf("  -> \"%s\"\n\n", identified.c_str());

  std::printf("replaceEveryonesFavorites(session=\"%s\", text=\"%s\", maxsyns=%d, quality=%d)\n",
              sessionUtf8.c_str(), Shown(text).c_str(), maxsyns, quality);
  const std::string replaced = ToUtf8(replace(s, t, maxsyns, quality));
  std::printf("  -> \"%s\"\n", replaced.c_str());

  const bool complete = !session.empty() && !identified.empty() && !replaced.empty();
  if (!complete) std::fprintf(stderr, "\ndemo_host: at least one result is empty\n");
  return complete ? 0 : 1;
}
