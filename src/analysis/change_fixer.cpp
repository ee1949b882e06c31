#include "analysis/change_fixer.h"

#include <algorithm>

namespace synt {

void TChangeFixer::Add(int Pos, int Count) {
  if (Count == 0) return;
  if (!changes_.empty()) {
    // Each merge below maps every position exactly as the two changes do one after the other.
    TTextChangeInfo& last = changes_.back();
    if (last.Count >= 0 && Count > 0 && last.Pos <= Pos && Pos <= last.Pos + last.Count) {
      last.Count += Count;  // typing on inside or at either end of the text just inserted
      return;
    }
    if (last.Count < 0 && Count < 0 && Pos <= last.Pos && last.Pos <= Pos - Count) {
      last.Pos = Pos;  // backspace or delete next to the text just removed
      last.Count += Count;
      return;
    }
    if (last.Count > 0 && Count < 0 && last.Pos <= Pos && Pos - Count <= last.Pos + last.Count) {
      // Removing text just inserted. An empty change stays: the changed area still reaches it.
      last.Count += Count;
      return;
    }
  }
  changes_.push_back({Pos, Count});
}

int TChangeFixer::CurToOld(int P, int From) const {
  for (int i = int(changes_.size()) - 1; i >= std::max(From, 0); --i) {
    const TTextChangeInfo& c = changes_[size_t(i)];
    if (c.Pos < P) {
      if (c.Count > 0 && P < c.Pos + c.Count)
        P = c.Pos;
      else
        P -= c.Count;
    }
  }
  return P;
}

int TChangeFixer::OldToCur(int P, int From) const {
  for (size_t i = size_t(std::max(From, 0)); i < changes_.size(); ++i) {
    const TTextChangeInfo& c = changes_[i];
    if (P >= c.Pos) {
      if (c.Count < 0 && P < c.Pos - c.Count)
        P = c.Pos;
      else
        P += c.Count;
    }
  }
  return P;
}

int TChangeFixer::MaxChangedPos() const {
  int r = 0;
  for (const TTextChangeInfo& c : changes_) {
    if (c.Pos < r) {
      if (c.Count < 0 && r < c.Pos - c.Count)
        r = c.Pos;
      else
        r += c.Count;
    }
    r = std::max(r, c.Count > 0 ? c.Pos + c.Count : c.Pos);
  }
  return r;
}

}  // namespace synt
