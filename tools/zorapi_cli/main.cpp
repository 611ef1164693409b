// zorapi: the command-line tool over the library's three operations.
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <optional>
#include <string>

#include "command_line.h"
#include "core/utf8.h"
#include "host.h"

using namespace zorapi;
using namespace zorapi::cli;

namespace {

constexpr int kNonEmpty = 0, kEmpty = 1, kBadUsage = 2, kNoLibrary = 3;

int BadUsage(const std::string& problem) {
  std::fprintf(stderr, "zorapi: %s\nTry 'zorapi --help'.\n", problem.c_str());
  return kBadUsage;
}

std::string ReadStandardInput() {
  std::string bytes;
  char chunk[4096];
  std::size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, stdin)) > 0) bytes.append(chunk, n);
  return bytes;
}

// An operand as the library's UTF-16; nothing when it is not UTF-8 or holds
// a NUL, which the library would silently cut the string at.
std::optional<std::u16string> Operand(const std::string& utf8) {
  auto text = DecodeUtf8Strict(reinterpret_cast<const std::uint8_t*>(utf8.data()), utf8.size());
  if (!text || text->find(u'\0') != std::u16string::npos) return std::nullopt;
  return text;
}

const zorapi_char* Library(const std::u16string& text) {
  return reinterpret_cast<const zorapi_char*>(text.c_str());
}

std::u16string FromLibrary(const zorapi_char* result) {
  return std::u16string(reinterpret_cast<const char16_t*>(result));
}

std::u16string Run(const ZorapiFunctions& library, const Invocation& call, const std::u16string& first,
                   const std::u16string& second) {
  switch (call.command) {
    case Command::Login: return FromLibrary(library.login(Library(first), Library(second)));
    case Command::Identify: return FromLibrary(library.identify(Library(first), Library(second), call.maxsyns));
    case Command::Replace:
      return FromLibrary(library.replace(Library(first), Library(second), call.maxsyns, call.quality));
    case Command::Help: break;
  }
  return {};
}

}  // namespace

int main(int argc, char** argv) {
  UseBinaryStandardStreams();
  const Invocation call = ParseCommandLine(Utf8Arguments(argc, argv));
  if (!call.error.empty()) return BadUsage(call.error);
  if (call.command == Command::Help) {
    std::fputs(kHelp, stdout);
    return 0;
  }

  const bool textOperation = call.command != Command::Login;
  const char* names[2] = {textOperation ? "SESSION" : "USER", textOperation ? "TEXT" : "PASSWORD"};
  std::u16string operands[2];
  for (int i = 0; i < 2; ++i) {
    const bool fromInput = textOperation && i == 1 && call.operands[1] == "-";
    const auto text = Operand(fromInput ? ReadStandardInput() : call.operands[i]);
    if (!text) return BadUsage(std::string(names[i]) + " is not UTF-8 text without NUL characters");
    operands[i] = *text;
  }

  if (call.endpoint) SetEnvironmentValue("ZORAPI_ENDPOINT", *call.endpoint);
  std::string error;
  const auto functions = LoadZorapi(call.library.value_or(DefaultLibrary()), error);
  if (!functions) {
    std::fprintf(stderr, "zorapi: cannot load the library: %s\n", error.c_str());
    return kNoLibrary;
  }

  const std::u16string result = Run(*functions, call, operands[0], operands[1]);
  if (result.empty()) {
    std::fputs("zorapi: empty result (the call failed, or the service answered nothing)\n", stderr);
    return kEmpty;
  }
  const std::string printed = EncodeUtf8(result) + "\n";
  std::fwrite(printed.data(), 1, printed.size(), stdout);
  return std::fflush(stdout) == 0 ? kNonEmpty : kEmpty;
}
