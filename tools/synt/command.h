// The tool's sub-commands. Each lives in its own source file and registers itself:
//
//   static int RunRegex(const synt::tool::Args& args);
//   static synt::tool::Command regex_cmd{"regex", "compile and match expressions", RunRegex};
//
// A command returns the process exit status; it writes results to stdout and errors to stderr.
#pragma once

#include <functional>
#include <iosfwd>
#include <stdexcept>
#include <string>
#include <vector>

namespace synt::tool {

using Args = std::vector<std::string>;  // the arguments after the command's name

struct Command {
  Command(std::string name, std::string summary, std::function<int(const Args&)> run);
  std::string name;
  std::string summary;
  std::function<int(const Args&)> run;
};

const std::vector<Command*>& Commands();

// A usage error: main prints "synt: <message>" and exits with status 2.
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Reads a whole file ("-" is standard input) as bytes; throws std::runtime_error with a clear
// message.
std::string ReadFileBytes(const std::string& path);

}  // namespace synt::tool
