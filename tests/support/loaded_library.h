// The exported functions of the shared library, loaded into the test
// process as a host loads it. The library reads its endpoint when it is
// loaded and stays loaded, so each load is of a fresh copy of the file: a
// library of its own, pointed at the test's own peer, whatever other tests
// of the same process have loaded.
#pragma once

#include <cstdint>
#include <string>

namespace zorapi::testing {

struct LibraryExports {
  const char16_t* (*zorlogin)(const char16_t* user, const char16_t* password) = nullptr;
  const char16_t* (*identifySynonyms)(const char16_t* session, const char16_t* text, std::int32_t maxsyns) = nullptr;
  const char16_t* (*replaceEveryonesFavorites)(const char16_t* session, const char16_t* text, std::int32_t maxsyns,
                                               std::int32_t quality) = nullptr;
};

// Loads a fresh copy of the library with its endpoint set to AEndpoint and
// looks up the three exports; false with AWhyNot when that failed.
bool LoadLibraryExports(const std::string& AEndpoint, LibraryExports& AExports, std::string& AWhyNot);

// "http://127.0.0.1:<port>/api.php"
std::string LoopbackEndpoint(std::uint16_t APort);

}  // namespace zorapi::testing
