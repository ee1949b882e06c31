// Synchronous editing inside the edit primitives: an edit inside a sync word is made at the same
// place of every occurrence of its group instead, from the last place to the first so that the
// offsets still to be used stay valid. Each copy passes the guards and gets its undo record; the
// caller's update bracket makes them one undo step.
#include <algorithm>

#include "editor/memo_editing.h"
#include "editor/syntax_memo.h"

namespace synt {

namespace {

// Ends the repetition however the edits end.
class TReplication {
 public:
  TReplication(bool& Flag, const std::function<void(int)>& Tell) : flag_(Flag), tell_(Tell) {
    flag_ = true;
  }
  ~TReplication() {
    flag_ = false;
    if (tell_) tell_(-1);
  }
  TReplication(const TReplication&) = delete;
  TReplication& operator=(const TReplication&) = delete;
  void At(int Index) const {
    if (tell_) tell_(Index);
  }

 private:
  bool& flag_;
  const std::function<void(int)>& tell_;
};

}  // namespace

bool TMemoEditPart::ReplicateInsert(int Pos, std::u16string_view S, bool CaretAfter) {
  if (replicating_ || !SyncEditTargets) return false;
  const std::vector<int> targets = SyncEditTargets(Pos, int(S.size()), S);
  if (targets.empty()) return false;
  // All or nothing: a copy refused at one place would leave the words unequal.
  for (int t : targets)
    if (t != Pos && !CanInsert(t)) return false;
  TCustomSyntaxMemo& m = Memo();
  const TSyntMemoStrings& lines = *m.Lines();
  TMemoUpdate update(m);
  TReplication guard(replicating_, SyncEditReplicating);
  int ownEnd = -1, before = 0;
  bool own = false;
  for (int k = int(targets.size()) - 1; k >= 0; --k) {
    const int t = targets[size_t(k)];
    const int length = lines.TextLength();
    lastInsertEnd_ = -1;
    guard.At(k);
    const bool done = RawInsert(t, S, CaretAfter);
    // Words of a group may touch: the last copy at Pos is the edit's own, those before it move it.
    if (t == Pos && !own) {
      own = true;
      ownEnd = done ? lastInsertEnd_ : -1;
    } else if (t <= Pos && own) {
      before += lines.TextLength() - length;
    }
  }
  lastInsertEnd_ = ownEnd < 0 ? -1 : ownEnd + before;
  return true;
}

bool TMemoEditPart::ReplicateDelete(int Pos, int Count, bool CaretAfter) {
  if (replicating_ || !SyncEditTargets) return false;
  const std::vector<int> targets = SyncEditTargets(Pos, -Count, {});
  if (targets.empty()) return false;
  for (int t : targets)
    if (t != Pos && !CanDelete(t, Count)) return false;
  TCustomSyntaxMemo& m = Memo();
  const TSyntMemoStrings& lines = *m.Lines();
  TMemoUpdate update(m);
  TReplication guard(replicating_, SyncEditReplicating);
  int before = 0;
  for (int k = int(targets.size()) - 1; k >= 0; --k) {
    const int length = lines.TextLength();
    guard.At(k);
    RawDelete(targets[size_t(k)], Count, CaretAfter);
    if (targets[size_t(k)] < Pos) before += lines.TextLength() - length;
  }
  replicaShift_ = before;
  return true;
}

}  // namespace synt
