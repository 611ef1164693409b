// The tool's command line: what to run, with which operands and settings.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zorapi::cli {

enum class Command { Help, Login, Identify, Replace };

struct Invocation {
  Command command = Command::Help;
  std::vector<std::string> operands;  // USER PASSWORD, or SESSION TEXT
  std::optional<std::string> endpoint;
  std::optional<std::string> library;
  std::int32_t maxsyns = 3;
  std::int32_t quality = 3;
  std::string error;  // not empty when the command line is unusable
};

// Reads the arguments after the program name (UTF-8). Options may stand
// before or after the command, as "--name value" or "--name=value"; "--"
// makes every later argument an operand.
Invocation ParseCommandLine(const std::vector<std::string>& arguments);

extern const char kHelp[];

}  // namespace zorapi::cli
