// Style collection and merging for the editor's painter: the entries that cover one text offset,
// gathered from every source in a fixed order, and a lexer style applied to a canvas.
//
//   synt::TStyleSources src;
//   src.Queries = &client;                    // the document's ISyntDisplayQueries
//   src.SearchMarks = &marks;                 // the control's search-mark ranges
//   src.SearchMarkStyle = searchStyle;
//   synt::TStyleEntries entries;
//   int next = synt::CollectStyleEntries(src, pos, entries, synt::ssAll, textLength);
//   synt::TMergeFlags flags;
//   for (const synt::TStyleEntry& e : entries)
//     if (!e.Overlay) synt::ApplyFormat(canvas, e.Style, /*FixedPitch=*/false, flags);
#pragma once

#include <functional>
#include <vector>

#include "analysis/display_queries.h"
#include "analysis/display_ranges.h"
#include "analysis/lexer_items.h"
#include "lists/range_list.h"
#include "platform/graphics.h"

namespace synt {

class TObject;

// Bits of the source mask of CollectStyleEntries.
enum : unsigned {
  ssStyledRanges = 0x02,  // the analysis's styled ranges (static ones)
  ssTokenStyle = 0x04,    // the style of the token at the offset
  ssDynamic = 0x08,       // with ssStyledRanges: the caret-dependent ones too, as overlays
  ssUserRanges = 0x10,
  ssStyleEvent = 0x20,  // OnGetStyleEntry
  ssSearchMarks = 0x40,
  ssAll = 0xFF,
};

// A component attached to the editor (or its text source) that styles text itself.
class ISyntMemoStyleHook {
 public:
  // Appends the entries covering Pos; returns the next offset at which they change (-1: none).
  virtual int AddStyleEntries(int Pos, TStyleEntries& Entries) = 0;

 protected:
  ~ISyntMemoStyleHook() = default;
};

using TGetStyleEntryEvent =
    std::function<void(TObject* Sender, int CurPos, TStyleEntries& StyleList, int& NextPos)>;

// Everything CollectStyleEntries draws from; the control fills one per paint. Missing sources
// are simply skipped.
struct TStyleSources {
  ISyntDisplayQueries* Queries = nullptr;
  // The user ranges' entries at Pos; returns their next change (-1: none).
  std::function<int(int Pos, TStyleEntries& Entries)> UserRanges;
  TObject* Sender = nullptr;
  const TGetStyleEntryEvent* OnGetStyleEntry = nullptr;
  // Attached components' hooks, then the text source's, then the sync-edit ranges'.
  std::vector<ISyntMemoStyleHook*> Hooks;
  const TRangeList<TRange>* SearchMarks = nullptr;
  TSyntaxFormat* SearchMarkStyle = nullptr;
};

// Appends every entry covering Pos from the sources Mask selects (and, always, the hooks), and
// returns the nearest offset after Pos at which any of them changes, TextLength when none does.
int CollectStyleEntries(const TStyleSources& Sources, int Pos, TStyleEntries& Entries,
                        unsigned Mask, int TextLength);

// The merged state that a canvas does not hold.
struct TMergeFlags {
  bool Hidden = false;
  TVertAlignment VertAlignment = vaCenter;
};

// Applies one style to the canvas (a null or disabled one does nothing): hidden and vertical
// alignment as its flags allow, then colours, font style bits and, unless the editor is in
// fixed-pitch mode, the font face of a ftCustomFont style.
void ApplyFormat(TCanvas& Canvas, const TSyntaxFormat* Style, bool FixedPitch, TMergeFlags& Flags);

// Whether a style draws any border.
bool HasBorders(const TSyntaxFormat* Style);

}  // namespace synt
