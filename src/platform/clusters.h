// Where the clusters of UTF-16 text begin: the units a caret never stands inside and a canvas
// measures as one.
//
//   std::u16string_view t = u"e\u0301x";      // e + combining acute, x
//   synt::ContinuesCluster(t, 1);            // true: the accent belongs to the e
//   synt::ContinuesCluster(t, 2);            // false
#pragma once

#include <cstddef>
#include <string_view>

namespace synt {

// Whether unit Index of Text continues the cluster begun before it rather than starting one: the
// low half of a surrogate pair, or a combining mark (general category M) that follows something.
// Lone surrogates are clusters of their own; Index 0 and indexes past the end start nothing.
bool ContinuesCluster(std::u16string_view Text, size_t Index);

}  // namespace synt
