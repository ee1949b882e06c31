// Ranges of the text that the application defines: a style painted over them, separator lines
// above or below them, whole-line highlighting and folding. The editor keeps them in step with
// the text and asks them, next to the analysis, what to paint and what can fold.
//
//   synt::TUserRange* r = memo.UserRanges()->Add();
//   r->SetStartPos(120);
//   r->SetEndPos(480);
//   r->SetStyle(u"Warning");                   // looked up in UserStyles, then the lexer
//   r->SetLineBreaks({synt::lbTop});           // a separator above its first line
//   r->SetCollapsable(true);                   // foldable like a lexer block
//   memo.UserRanges()->SetActive(false);       // every query answers nothing
//
// Offsets are 0-based and the span half-open; lines are derived from the offsets.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/display_ranges.h"
#include "analysis/lexer_items.h"
#include "editor/memo_settings.h"
#include "platform/collection.h"

namespace synt {

class TSyntMemoStrings;
class TUserRanges;

class TUserRange : public TCollectionItem {
  SYNT_CLASS_INFO()

 public:
  explicit TUserRange(TCollection* Collection);

  int StartPos() const { return startPos_; }
  void SetStartPos(int Value);
  int EndPos() const { return endPos_; }
  void SetEndPos(int Value);
  // The lines of the offsets (0 without text). Setting a line puts the offset at its start.
  int StartLine() const;
  void SetStartLine(int Value);
  int EndLine() const;
  void SetEndLine(int Value);
  const std::u16string& Style() const { return style_; }
  void SetStyle(const std::u16string& Value);
  TLineBreakBound LineBreaks() const { return lineBreaks_; }
  void SetLineBreaks(TLineBreakBound Value);
  TColor LineBreakColor() const { return lineBreakColor_; }
  void SetLineBreakColor(TColor Value);
  bool Collapsable() const { return collapsable_; }
  void SetCollapsable(bool Value);
  bool HighlightLines() const { return highlightLines_; }
  void SetHighlightLines(bool Value);
  int64_t Tag() const { return tag_; }
  void SetTag(int64_t Value) { tag_ = Value; }
  const std::u16string& CollapseIcon() const { return collapseIcon_; }
  void SetCollapseIcon(const std::u16string& Value);

  bool Contains(int Pos) const { return Pos >= startPos_ && Pos < endPos_; }
  // Folds like a lexer block: collapsible and spanning more than one line.
  bool CanCollapse() const { return collapsable_ && StartLine() < EndLine(); }

  void Assign(const TPersistent* Source) override;

 private:
  friend class TUserRanges;
  TUserRanges* Ranges() const;
  int startPos_ = 0;
  int endPos_ = 0;
  std::u16string style_;
  TLineBreakBound lineBreaks_;
  TColor lineBreakColor_ = clBlue;
  bool collapsable_ = false;
  bool highlightLines_ = false;
  int64_t tag_ = 0;
  std::u16string collapseIcon_;
};

class TUserRanges : public TCollection {
  SYNT_CLASS_INFO()

 public:
  using TStyleLookup = std::function<TSyntaxFormat*(std::u16string_view Name)>;
  using TLinesProc = std::function<TSyntMemoStrings*()>;

  // Lines gives the text the offsets refer to (null: none); FindStyle resolves style names.
  TUserRanges(TPersistent* Owner, TLinesProc Lines, TStyleLookup FindStyle);

  TUserRange* Add() { return static_cast<TUserRange*>(TCollection::Add()); }
  TUserRange* Items(int Index) const { return static_cast<TUserRange*>(TCollection::Items(Index)); }

  bool Active() const { return active_; }
  void SetActive(bool Value);

  // ---- Queries (all empty while not Active) ----------------------------------------------------
  // Appends an entry for every styled range containing Pos whose style is found (last range
  // first); returns the nearest offset after Pos where that set changes, or -1.
  int StyleEntriesAt(int Pos, TStyleEntries& Entries) const;
  // The colour of the separator above Line (a range with lbTop starting on Line, or lbBottom
  // ending on the line before), or clNone.
  TColor SeparatorColor(int Line) const;
  // Whole-line highlight of Line from the ranges with HighlightLines; Attr keeps what no range
  // sets. True when a range applied.
  bool LineHighlight(int Line, TLineHighlightAttr& Attr) const;
  // 0 a foldable range starts on Line, -1 one ends there, -2 Line lies inside one, -3 none; the
  // largest over all ranges.
  int FoldState(int Line) const;
  // The first foldable range starting on Line, or null.
  TUserRange* CollapsibleAtLine(int Line) const;
  // Among the ranges containing Pos, the one that starts last (the innermost), or null.
  TUserRange* RangeAt(int Pos) const;

  // Follows a change of the text at Pos by Count units: an offset after Pos moves by Count, never
  // before Pos; a range emptied by a deletion is deleted. A whole-text change (Pos -1) moves
  // nothing.
  void TextChanged(int Pos, int Count, int LineChange);

  TSyntMemoStrings* Lines() const { return lines_ ? lines_() : nullptr; }
  TSyntaxFormat* FindStyle(std::u16string_view Name) const;

  // Item null: the whole collection changed. FoldingChanged: what can fold has changed.
  std::function<void(TUserRange* Item, bool FoldingChanged)> OnChange;

 protected:
  void Update(TCollectionItem* Item) override;
  void Notify(TCollectionItem* Item, TCollectionNotification Action) override;

 private:
  friend class TUserRange;
  void RangeChanged(TUserRange* Range, bool FoldingChanged);
  void Regroup(TUserRange* Range);
  void Drop(const TCollectionItem* Item);
  TLinesProc lines_;
  TStyleLookup findStyle_;
  bool active_ = true;
  bool pendingFolding_ = false;
  bool following_ = false;
  // The three groups the queries walk, each in collection order.
  std::vector<TUserRange*> styled_, collapsible_, lineBreaks_;
};

}  // namespace synt
