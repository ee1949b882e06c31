// The log of text changes made since the analysis results that are on display were computed, and
// the mapping of positions between that older text and the current one.
//
//   synt::TChangeFixer log;
//   log.Add(10, 3);                  // 3 characters inserted at offset 10
//   log.Add(2, -1);                  // then 1 character deleted at offset 2
//   int now = log.OldToCur(20);      // 22: where old offset 20 is now
//   int then = log.CurToOld(22);     // 20
//   int end = log.MaxChangedPos();   // 12: the changed area ends here, in current coordinates
//
// A position inside inserted text maps back to the insertion point; a position inside deleted text
// maps forward to the deletion point. Typing and backspacing at one spot merge into one change, so
// that the log (and every mapping, which walks it) stays short while the user types.
#pragma once

#include <cstddef>
#include <vector>

namespace synt {

struct TTextChangeInfo {
  int Pos = 0;    // 0-based offset where the change happened
  int Count = 0;  // characters inserted (> 0) or removed (< 0)
  friend bool operator==(const TTextChangeInfo&, const TTextChangeInfo&) = default;
};

class TChangeFixer {
 public:
  void Add(int Pos, int Count);
  void Clear() { changes_.clear(); }
  int Count() const { return int(changes_.size()); }
  bool Empty() const { return changes_.empty(); }
  const TTextChangeInfo& Items(int Index) const { return changes_.at(std::size_t(Index)); }

  // Current offset -> offset in the text before the logged changes.
  int CurToOld(int P) const { return CurToOld(P, 0); }
  // Offset before the logged changes -> current offset.
  int OldToCur(int P) const { return OldToCur(P, 0); }
  // The same relative to the text as it was after the first From changes (data cut off later than
  // the start of the log lives in that text).
  int CurToOld(int P, int From) const;
  int OldToCur(int P, int From) const;
  // Where the changed area ends, in current coordinates (0 with an empty log).
  int MaxChangedPos() const;

 private:
  std::vector<TTextChangeInfo> changes_;
};

}  // namespace synt
