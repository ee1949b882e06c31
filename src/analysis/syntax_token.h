// A client analysis's tokens: 16-byte values in one sorted, chunked list.
//
//   const synt::TTokenList& tokens = queries.Tokens();
//   int i = tokens.NextAt(pos);           // the token containing or following pos, -1 for none
//   if (i >= 0) style = queries.TokenStyle(i);
//
// Offsets are 0-based and half-open; a token names its rule by an index into the client's rule
// table, never by a copy.
#pragma once

#include <algorithm>
#include <string_view>

#include "lists/chunked_range_list.h"
#include "lists/range_list.h"

namespace synt {

// A token: its span, its type and the rule that styles it (an index into the owner's rule table).
struct TSyntToken : TRange {
  int TokenType = 0;
  int RuleIndex = -1;

  constexpr TSyntToken() = default;
  constexpr TSyntToken(int AStartPos, int AEndPos, int ATokenType, int ARuleIndex)
      : TRange(AStartPos, AEndPos), TokenType(ATokenType), RuleIndex(ARuleIndex) {}

  // The token's text in Text (clipped to it), and its first unit (0 for an empty token).
  std::u16string_view TextIn(std::u16string_view Text) const {
    const size_t s = std::min(size_t(std::max(StartPos, 0)), Text.size());
    const size_t e = std::min(size_t(std::max(EndPos, StartPos)), Text.size());
    return Text.substr(s, e - s);
  }
  char16_t FirstIn(std::u16string_view Text) const {
    return StartPos >= 0 && size_t(StartPos) < Text.size() && EndPos > StartPos
               ? Text[size_t(StartPos)]
               : 0;
  }
};
static_assert(sizeof(TSyntToken) == 16, "tokens stay small: millions of them per document");

// The token list: sorted, non-overlapping; the tokenizer appends in order. Chunked, so that
// re-analysis cuts it at any point and hands the tail on without copying millions of tokens.
class TTokenList : public TChunkedRangeList<TSyntToken> {};

}  // namespace synt
