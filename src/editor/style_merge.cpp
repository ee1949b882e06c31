#include "editor/style_merge.h"

#include <algorithm>

namespace synt {

namespace {

// Lowers Next to a source's proposal when it lies after Pos.
void Lower(int& Next, int Proposal, int Pos) {
  if (Proposal > Pos && Proposal < Next) Next = Proposal;
}

void AddSearchMark(const TStyleSources& S, int Pos, TStyleEntries& Entries, int& Next) {
  const TRangeList<TRange>& marks = *S.SearchMarks;
  if (marks.Empty()) return;
  // The mark at or before Pos, then the one after it.
  int i = marks.PriorAt(Pos);
  if (i >= 0 && marks[i].EndPos > Pos) {
    Entries.emplace_back(marks[i].StartPos, marks[i].EndPos, S.SearchMarkStyle, true);
    Lower(Next, marks[i].EndPos, Pos);
  }
  if (i + 1 < marks.Count()) Lower(Next, marks[i + 1].StartPos, Pos);
}

}  // namespace

int CollectStyleEntries(const TStyleSources& S, int Pos, TStyleEntries& Entries, unsigned Mask,
                        int TextLength) {
  int next = std::max(TextLength, Pos + 1);
  if (S.Queries) {
    if (Mask & ssStyledRanges) {
      // Static ranges are normal entries; the dynamic ones come as overlays and are applied later.
      Lower(next, S.Queries->GetStyledRangesAt(Pos, Entries, (Mask & ssDynamic) != 0), Pos);
    }
    if (Mask & ssTokenStyle) Lower(next, S.Queries->GetTokenStyleAt(Pos, Entries), Pos);
  }
  if ((Mask & ssUserRanges) && S.UserRanges) Lower(next, S.UserRanges(Pos, Entries), Pos);
  if ((Mask & ssStyleEvent) && S.OnGetStyleEntry && *S.OnGetStyleEntry) {
    int proposed = -1;
    (*S.OnGetStyleEntry)(S.Sender, Pos, Entries, proposed);
    Lower(next, proposed, Pos);
  }
  if ((Mask & ssSearchMarks) && S.SearchMarks && S.SearchMarkStyle)
    AddSearchMark(S, Pos, Entries, next);
  for (ISyntMemoStyleHook* hook : S.Hooks)
    if (hook) Lower(next, hook->AddStyleEntries(Pos, Entries), Pos);
  // Entries reaching past Pos also bound the run: a source that forgot to propose its end must
  // not let its style leak over the following text.
  for (const TStyleEntry& e : Entries)
    if (e.StartPos <= Pos) Lower(next, e.EndPos, Pos);
  return next;
}

void ApplyFormat(TCanvas& Canvas, const TSyntaxFormat* Style, bool FixedPitch, TMergeFlags& Flags) {
  if (!Style || !Style->Enabled()) return;
  const TFormatFlags f = Style->FormatFlags();
  if (f.Contains(ffHidden)) Flags.Hidden = Style->StoredHidden();
  if ((Style->FormatType() == ftCustomFont || Style->FormatType() == ftFontAttr) &&
      f.Contains(ffVertAlign))
    Flags.VertAlignment = Style->VertAlignment();
  Style->ApplyTo(&Canvas, !FixedPitch);
}

bool HasBorders(const TSyntaxFormat* Style) {
  if (!Style || !Style->Enabled()) return false;
  for (int side = 0; side < 4; ++side)
    if (Style->BorderType(side) != blNone) return true;
  return false;
}

}  // namespace synt
