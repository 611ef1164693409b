// What the tool needs from the operating system, kept apart so that the rest
// of the tool has no platform code: its arguments as UTF-8, standard streams
// that pass bytes unchanged, the environment, and the library loaded at run
// time. The library reads ZORAPI_ENDPOINT when it is loaded, so the tool
// loads it itself, after setting that variable, instead of linking to it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "zorapi.h"

namespace zorapi::cli {

// The program's arguments after its name, in UTF-8.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// Standard input and output without any line-end translation.
void UseBinaryStandardStreams();

void SetEnvironmentValue(const char* name, const std::string& utf8Value);

struct ZorapiFunctions {
  decltype(&::zorlogin) login;
  decltype(&::identifySynonyms) identify;
  decltype(&::replaceEveryonesFavorites) replace;
};

// The file name of the installed library, found the way the platform finds
// a program's libraries.
std::string DefaultLibrary();

// Loads the library at a path (UTF-8) and finds the three operations; on
// failure, nothing and the reason in error.
std::optional<ZorapiFunctions> LoadZorapi(const std::string& path, std::string& error);

}  // namespace zorapi::cli
