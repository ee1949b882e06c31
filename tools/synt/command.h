// The tool's sub-commands. Each lives in its own source file and registers itself:
//
//   static int RunRegex(const synt::tool::Args& args);
//   static synt::tool::Command regex_cmd{"regex", "compile and match expressions", RunRegex};
//
// A command returns the process exit status; it writes results to stdout and errors to stderr.
#pragma once

#include <cstdint>
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

// The value of the option at A[I], the argument after it; advances I past it. UsageError
// "<option> needs a value" when there is none.
const std::string& OptionValue(const Args& A, size_t& I);

// Value read as a whole number of at least Min (and at most Max); UsageError "<option> needs a
// whole number of at least Min, not '<value>'" (or "from Min to Max") otherwise.
int IntOption(const std::string& Option, const std::string& Value, int Min, int Max = INT32_MAX);

// An argument that is not an option the command knows: its input (the only one; "-" is standard
// input). UsageError for an unknown option or a second input.
void TakeInput(const std::string& Arg, std::string& Input);

// --lexer FILE and --name LEXER, which every command that reads a lexer takes alike.
struct LexerChoice {
  std::string file;
  std::u16string name;
  bool hasName = false;
  // Takes the option at A[I] (and its value) when it is one of the two; false otherwise.
  bool Take(const Args& A, size_t& I);
  const std::u16string* Name() const { return hasName ? &name : nullptr; }
};

// Reads a whole file ("-" is standard input) as bytes; throws std::runtime_error with a clear
// message.
std::string ReadFileBytes(const std::string& path);

}  // namespace synt::tool
