// Synchronous editing: inside marked regions (sync ranges), groups of equal words are tracked, and
// an edit made inside one occurrence of a group is repeated at the same place in every other one.
// TSyntSyncEdit is the model: the ranges and groups, their styles (it is a style provider of the
// painter), keeping them in step with text changes, and the offsets an edit is repeated at. The
// editor performs the repetition (TMemoEditPart) and drives the model (TMemoSyncEditPart).
//
//   synt::TSyncRangeList list;                       // "a = a + b; b = a"
//   synt::TSyncRange r(0, 16);
//   r.Groups.push_back(synt::SyncGroup({{0, 1}, {4, 5}, {15, 16}}));   // the a's
//   r.Groups.push_back(synt::SyncGroup({{8, 9}, {11, 12}}));           // the b's
//   list.TryInsert(std::move(r));
//   synt::TSyntSyncEdit sync;
//   sync.SetSyncRanges(std::move(list));             // checked: raises on a malformed list
//   std::vector<int> at = sync.ReplicationTargets(5, 1, true).Offsets;   // {1, 5, 16}
//
// Boundaries. An insertion strictly inside an occurrence belongs to it. One at an occurrence's
// start or end belongs to it only when the inserted text is made of word characters: typing
// extends a word, while punctuation or a line break typed next to it stays outside (a user who
// types "(" after a sync word means the call, not a new name). Sync ranges follow the same rule.
// A deletion belongs to an occurrence when it lies within it; one that overlaps an occurrence
// only partly (or covers it together with other text) drops that occurrence's group.
#pragma once

#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

#include "analysis/display_ranges.h"
#include "analysis/lexer_items.h"
#include "editor/style_merge.h"
#include "lists/range_list.h"
#include "platform/persistent.h"

namespace synt {

// The occurrences of one word in a sync range, in text order.
using TSyncWordGroup = TRangeList<TRange>;
TSyncWordGroup SyncGroup(std::initializer_list<TRange> Occurrences);

// A marked region with its word groups.
struct TSyncRange : TRange {
  std::vector<TSyncWordGroup> Groups;
  TSyncRange() = default;
  TSyncRange(int AStartPos, int AEndPos) : TRange(AStartPos, AEndPos) {}
};

using TSyncRangeList = TRangeList<TSyncRange>;

// Offered the sync ranges about to be used; clearing CanSynchronize refuses them.
using TCanSyncEditEvent =
    std::function<void(TObject* Sender, TSyncRangeList& SyncList, bool& CanSynchronize)>;

// Where an edit is repeated: Offsets in text order (the edit's own offset among them), and the
// range and group it belongs to. No offsets: the edit is made once.
struct TSyncTargets {
  int Range = -1;
  int Group = -1;
  std::vector<int> Offsets;
};

class TSyntSyncEdit : public TPersistent, public ISyntMemoStyleHook {
  SYNT_CLASS_INFO()

 public:
  TSyntSyncEdit();
  ~TSyntSyncEdit() override;

  // ---- Published
  // Clearing it drops every sync range.
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool Value);
  TSyntaxFormat* SyncRangeStyle() const { return Style(0); }
  void SetSyncRangeStyle(const TSyntaxFormat* Value) { Style(0)->Assign(Value); }
  TSyntaxFormat* ActiveWordsStyle() const { return Style(1); }
  void SetActiveWordsStyle(const TSyntaxFormat* Value) { Style(1)->Assign(Value); }
  TSyntaxFormat* InactiveWordsStyle() const { return Style(2); }
  void SetInactiveWordsStyle(const TSyntaxFormat* Value) { Style(2)->Assign(Value); }
  // The three styles and Enabled; the sync ranges are cleared.
  void Assign(const TPersistent* Source) override;

  // ---- Ranges
  bool Active() const { return !ranges_.Empty(); }
  const TSyncRangeList& SyncRanges() const { return ranges_; }
  // Takes List. Raises Exception when it is malformed: ranges overlapping, an occurrence outside
  // its range or overlapping another one, a group empty or with words of different lengths.
  // Ranges without groups are dropped. Ignored (cleared) while not Enabled.
  void SetSyncRanges(TSyncRangeList List);
  void Clear();
  // The range containing the caret and, within it, the group of the occurrence containing it
  // (an occurrence's end counts: typing there extends the word); -1 for none.
  int ActiveRange() const { return activeRange_; }
  int ActiveGroup() const { return activeGroup_; }
  // Recomputes them; true when either changed.
  bool UpdateActive(int CaretPos);

  // ---- Following the text
  // ISyntMemoStyleHook: the range's style over the range, the occurrences' over each occurrence;
  // returns the next offset at which they change (-1: none after Pos).
  int AddStyleEntries(int Pos, TStyleEntries& Entries) override;
  // The text changed at Pos by Delta units (negative: deleted); Pos -1 clears everything.
  // WordText: the inserted text is made of word characters (see the boundary rule above).
  void TextChanged(int Pos, int Delta, bool WordText = true);
  // Where an edit at Pos of Delta units is repeated.
  TSyncTargets ReplicationTargets(int Pos, int Delta, bool WordText = true) const;
  // While the copy of an edit at Targets.Offsets[Index] is made, the insertion goes into that
  // occurrence (even where words of the group touch) and into no other group's word. End with
  // EndReplication.
  void BeginReplication(const TSyncTargets& Targets, int Index);
  void EndReplication();
  // Drops groups whose occurrences differ in length and ranges left without groups; true when
  // anything was dropped.
  bool Validate();

  // The styles or Enabled changed (the editor repaints).
  TNotifyEvent OnChange;

 private:
  TSyntaxFormat* Style(int Index) const { return styles_->Items(Index); }
  void Changed();
  // The range an insertion at Pos goes into, or -1.
  int InsertRange(int Pos, bool WordText) const;
  void Insert(int Pos, int Count, bool WordText);
  void Delete(int Pos, int Count);
  // One group's share of an insertion at Pos into its range (BoundaryJoins: an occurrence that
  // starts or ends at Pos takes it).
  static void InsertIntoGroup(TSyncWordGroup& G, int Pos, int Count, bool BoundaryJoins);
  // One group's share of a deletion of [Pos, End); false when the group must go.
  static bool DeleteFromGroup(TSyncWordGroup& G, int Pos, int End);
  static void Shift(TSyncRange& R, int Delta);

  std::unique_ptr<TStylesCollection> styles_;
  bool enabled_ = true;
  TSyncRangeList ranges_;
  int activeRange_ = -1;
  int activeGroup_ = -1;
  int replicatingRange_ = -1;
  int replicatingGroup_ = -1;
  int replicatingIndex_ = -1;
};

}  // namespace synt
