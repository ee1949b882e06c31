// synt: the command-line tool on the engine, for lexer authors, batch users and the tests.
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include "command.h"

namespace synt::tool {

namespace {
std::vector<Command*>& Registry() {
  static std::vector<Command*> commands;
  return commands;
}
}  // namespace

Command::Command(std::string n, std::string s, std::function<int(const Args&)> r)
    : name(std::move(n)), summary(std::move(s)), run(std::move(r)) {
  Registry().push_back(this);
}

const std::vector<Command*>& Commands() {
  return Registry();
}

}  // namespace synt::tool

namespace {
void Usage(std::ostream& out) {
  out << "usage: synt COMMAND [ARGS...]\n\ncommands:\n";
  for (const auto* c : synt::tool::Commands()) out << "  " << c->name << "\t" << c->summary << "\n";
}
}  // namespace

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  if (argc < 2) {
    Usage(std::cerr);
    return 2;
  }
  std::string name = argv[1];
  if (name == "--help" || name == "-h" || name == "help") {
    Usage(std::cout);
    return 0;
  }
  for (const auto* c : synt::tool::Commands()) {
    if (c->name != name) continue;
    synt::tool::Args args(argv + 2, argv + argc);
    try {
      int rc = c->run(args);
      std::cout.flush();
      return rc;
    } catch (const synt::tool::UsageError& e) {
      std::cerr << "synt " << name << ": " << e.what() << "\n";
      return 2;
    } catch (const std::exception& e) {
      std::cerr << "synt " << name << ": " << e.what() << "\n";
      return 1;
    }
  }
  std::cerr << "synt: unknown command '" << name << "'\n";
  Usage(std::cerr);
  return 2;
}
