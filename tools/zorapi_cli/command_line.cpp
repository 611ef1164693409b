#include "command_line.h"

#include <charconv>
#include <string_view>

namespace zorapi::cli {

const char kHelp[] =
    "Usage: zorapi [OPTIONS] login USER PASSWORD\n"
    "       zorapi [OPTIONS] identify SESSION TEXT [--maxsyns N]\n"
    "       zorapi [OPTIONS] replace SESSION TEXT [--maxsyns N] [--quality Q]\n"
    "\n"
    "Calls the zorapi library's operations and prints the result (UTF-8):\n"
    "  login     signs in; prints the session identifier\n"
    "  identify  prints TEXT with each word that has synonyms marked\n"
    "  replace   prints TEXT with words replaced by everyone's favourite synonyms\n"
    "TEXT \"-\" reads the text from standard input. Arguments and input are UTF-8.\n"
    "\n"
    "Options:\n"
    "  --endpoint URL   the service endpoint (sets ZORAPI_ENDPOINT for the library;\n"
    "                   without it the inherited ZORAPI_ENDPOINT or the built-in\n"
    "                   endpoint applies)\n"
    "  --library PATH   the library to load instead of the installed one\n"
    "  --maxsyns N      the maxsyns field, a 32-bit integer (default 3)\n"
    "  --quality Q      the quality field, a 32-bit integer (default 3)\n"
    "  --help           this text\n"
    "\n"
    "Exit status: 0 for a non-empty result, 1 for an empty one (the call failed\n"
    "or the service answered nothing), 2 for bad usage, 3 when the library\n"
    "cannot be loaded.\n";

namespace {

std::optional<std::int32_t> Int32(std::string_view text) {
  std::int32_t value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, failure] = std::from_chars(text.data(), end, value);
  if (text.empty() || failure != std::errc() || stop != end) return std::nullopt;
  return value;
}

struct CommandShape {
  std::string_view name;
  Command command;
  const char* operands;  // for messages
};

constexpr CommandShape kCommands[] = {
    {"login", Command::Login, "USER and PASSWORD"},
    {"identify", Command::Identify, "SESSION and TEXT"},
    {"replace", Command::Replace, "SESSION and TEXT"},
};

// Fills in the command from the operands and checks what goes with it.
void CheckCommand(Invocation& call, bool sawMaxsyns, bool sawQuality) {
  if (call.operands.empty()) {
    call.error = "no command given";
    return;
  }
  const std::string name = call.operands.front();
  call.operands.erase(call.operands.begin());
  for (const CommandShape& shape : kCommands) {
    if (shape.name != name) continue;
    call.command = shape.command;
    if (call.operands.size() != 2)
      call.error = name + " takes " + shape.operands + " (" + std::to_string(call.operands.size()) + " given)";
    else if (call.command == Command::Login && (sawMaxsyns || sawQuality))
      call.error = "login takes no --maxsyns or --quality";
    else if (call.command == Command::Identify && sawQuality)
      call.error = "identify takes no --quality";
    return;
  }
  call.error = "unknown command '" + name + "'";
}

}  // namespace

Invocation ParseCommandLine(const std::vector<std::string>& arguments) {
  Invocation call;
  bool sawMaxsyns = false, sawQuality = false, onlyOperands = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& arg = arguments[i];
    if (onlyOperands || arg == "-" || arg.empty() || arg[0] != '-') {
      call.operands.push_back(arg);
      continue;
    }
    if (arg == "--") {
      onlyOperands = true;
      continue;
    }
    if (arg == "--help" || arg == "-h") {
      call = Invocation{};
      return call;
    }
    const std::size_t equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    if (name != "--endpoint" && name != "--library" && name != "--maxsyns" && name != "--quality") {
      call.error = "unknown option '" + name + "'";
      return call;
    }
    std::string value;
    if (equals != std::string::npos) {
      value = arg.substr(equals + 1);
    } else if (i + 1 < arguments.size()) {
      value = arguments[++i];
    } else {
      call.error = name + " needs a value";
      return call;
    }
    if (name == "--endpoint" || name == "--library") {
      if (value.empty()) {
        call.error = name + " needs a value";
        return call;
      }
      (name == "--endpoint" ? call.endpoint : call.library) = value;
      continue;
    }
    const std::optional<std::int32_t> number = Int32(value);
    if (!number) {
      call.error = name + " takes a 32-bit integer, not '" + value + "'";
      return call;
    }
    (name == "--maxsyns" ? call.maxsyns : call.quality) = *number;
    (name == "--maxsyns" ? sawMaxsyns : sawQuality) = true;
  }
  CheckCommand(call, sawMaxsyns, sawQuality);
  return call;
}

}  // namespace zorapi::cli
