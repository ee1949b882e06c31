// A plain matcher for tests and fuzzing: the same semantics as the engine, written the simplest
// way (every count tried upwards, every alternative tried, the whole capture state copied at
// every choice), so that the engine's shortcuts can be checked against it.
//
//   std::vector<int> bounds;
//   int r = synt::regex_internal::ReferenceMatch(prog, text, pos, false, 1000000, bounds);
//   // r > 0: end (start when backwards) of the match; 0: no match; -1: budget exhausted
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "regex/reg_nodes.h"

namespace synt {
namespace regex_internal {

// Bounds receives start and end of every numbered group (-1 unset) on a match.
int ReferenceMatch(const Program& Prog, std::u16string_view S, int Pos, bool Backward,
                   int64_t Budget, std::vector<int>& Bounds);

}  // namespace regex_internal
}  // namespace synt
