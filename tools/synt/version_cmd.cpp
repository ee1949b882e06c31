#include <iostream>

#include "command.h"

namespace synt::tool {
namespace {
int RunVersion(const Args&) {
  std::cout << "synt 0.1\n";
  return 0;
}
Command version_cmd{"version", "print the tool's version", RunVersion};
}  // namespace
}  // namespace synt::tool
