// What the painter needs besides tokens, derived from a complete analysis by the background pass:
// styled ranges, caret-position (dynamic) ranges, collapsible ranges, block staples and line
// separators; and the style entries the editor's queries append to.
//
//   std::vector<synt::TBlockStaple*> staples;
//   queries.GetStaplesAtLine(line, staples);                 // ISyntDisplayQueries
//   for (synt::TBlockStaple* s : staples) queries.GetRangeLines(*s, first, last);
//
//   synt::TStyleEntries entries;
//   int next = queries.GetTokenStyleAt(pos, entries);        // current coordinates
//
// Display ranges are values (millions of them in a large text) kept in layered collections; they
// are in the coordinates of the text as it was when they were built, and the client's queries map
// positions through its change log. The editor gets them only through ISyntDisplayQueries.
#pragma once

#include <cstdint>
#include <stop_token>
#include <unordered_map>
#include <vector>

#include "analysis/lexer_items.h"
#include "lists/range_list.h"

namespace synt {

class TClientSyntAnalyzer;
class TSyntAnalyzer;
class TTextRange;

// Flags of a styled range.
enum : int {
  srLineHighlight = 1,  // colours whole lines
  srWhenInactive = 2,   // shown while its text range is not active (instead of while it is)
  srInvertColors = 4,
  srSubLexer = 8,  // the region of a sub-lexer
};

struct TStyledRange : TRange {
  TTextRange* TextRange = nullptr;  // none for a static range
  TSyntaxFormat* Style = nullptr;
  int Flags = 0;
  bool IsDynamic() const { return TextRange != nullptr; }
};

struct TDynoRange : TRange {
  TTextRange* TextRange = nullptr;
  TTagBlockCondition* Rule = nullptr;  // set when the rule has DynSelectMin
};

struct TCollapsibleRange : TRange {
  int RangeIndex = -1;  // index of its text range in AllRanges when it was built
  // The text range itself: after a change AllRanges is renumbered before the next pass, and the
  // queries must still find the range this one was made for (or know that it is gone).
  TTextRange* TextRange = nullptr;
};

struct TBlockStaple : TRange {
  int XPos = -1;  // horizontal position, laid out by the painter
  // Which layout of the painter XPos belongs to (0: none); the painter keeps a staple's place
  // from paint to paint while its stamp holds.
  uint32_t XStamp = 0;
  TTagBlockCondition* Rule = nullptr;
};

// A staple met by some of a run of lines (GetStaplesAtLines): the first and last of those lines
// it meets, and its own first and last lines where they fall inside the run (else one line
// before or after it).
struct TStapleAtLines {
  TBlockStaple* Staple = nullptr;
  int FirstMet = 0, LastMet = 0;
  int FirstLine = 0, LastLine = 0;
};

struct TLineBreakRange : TRange {
  TTagBlockCondition* Rule = nullptr;
};

// What the background pass needs of the lexers' rules, copied on the GUI thread when the pass
// starts (Take: the lexer and every lexer its sub-lexer rules use, through and through). The pass
// then reads no lexer object: rules, styles and handlers may be changed, and rules deleted or
// replaced (a style dialog assigning its edited copy back), while it runs. Rules serve only as
// keys here; every such change clears the clients, which drops the pass and its result.
struct TDisplayRules {
  struct TBlock {
    TSyntaxFormat* Style = nullptr;
    TDynamicHighlight DynHighlight = dhNone;
    THighlightPos HighlightPos = cpAny;
    bool DrawStaple = false;
    bool NotCollapsed = false;
    bool Highlight = false;
    bool InvertColors = false;
    bool DynSelectMin = false;
  };
  std::unordered_map<const TTagBlockCondition*, TBlock> Blocks;
  std::unordered_map<const TSubAnalyzerRule*, TSyntaxFormat*> RegionStyles;
  // Copies of the lexer's handlers: the pass calls them on its own thread.
  TBoundDefEvent OnGetStapleRange, OnGetCollapseRange;

  void Take(TSyntAnalyzer* Lexer);
};

// The five collections of one background pass. Taking over a pass swaps them.
struct TDisplayRanges {
  TRangeCollection<TStyledRange> Styled;
  TRangeCollection<TDynoRange> Dyno;
  TRangeCollection<TCollapsibleRange> Collapsible;
  TRangeCollection<TBlockStaple> Staples;
  TRangeCollection<TLineBreakRange> LineBreaks;

  void Clear();
  void Swap(TDisplayRanges& Other) noexcept;
  // Heap bytes of the collections' lookup indexes.
  size_t IndexBytes() const;
  // Builds the collections from a client's complete results (tokens, sub-lexer regions, text
  // ranges, line separators). Returns false, with the collections incomplete, when Stop is
  // requested on the way.
  bool Build(TClientSyntAnalyzer& Client, const TDisplayRules& Rules, std::stop_token Stop);
  // Indexes the built collections, so that the editor's queries cost the same at any size. It
  // reads nothing of the client: the pass does it after letting the client go. False when Stop
  // is requested on the way (some collections are then left without an index).
  bool BuildIndexes(std::stop_token Stop);
};

// A painter's style entry: a span, a style, and whether it is applied over the normal entries.
struct TStyleEntry : TRange {
  TSyntaxFormat* Style = nullptr;
  bool Overlay = false;
  TStyleEntry() = default;
  TStyleEntry(int AStartPos, int AEndPos, TSyntaxFormat* AStyle, bool AOverlay)
      : TRange(AStartPos, AEndPos), Style(AStyle), Overlay(AOverlay) {}
};
// In insertion order; later entries override earlier ones within the same pass.
using TStyleEntries = std::vector<TStyleEntry>;

}  // namespace synt
