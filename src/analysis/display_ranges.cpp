// Building the display ranges from a complete analysis (the background pass).
#include "analysis/display_ranges.h"

#include <algorithm>
#include <utility>

#include "analysis/client_analyzer.h"
#include "analysis/internal/client_access.h"

namespace synt {

using analysis_internal::ClientAccess;

void TDisplayRules::Take(TSyntAnalyzer* Lexer) {
  if (!Lexer) return;
  OnGetStapleRange = Lexer->OnGetStapleRange;
  OnGetCollapseRange = Lexer->OnGetCollapseRange;
  std::vector<TSyntAnalyzer*> pending{Lexer}, seen{Lexer};
  while (!pending.empty()) {
    TSyntAnalyzer* lexer = pending.back();
    pending.pop_back();
    TBlockRuleCollection* blocks = lexer->BlockRules();
    for (int i = 0; i < blocks->Count(); ++i) {
      const TTagBlockCondition* b = blocks->Items(i);
      TBlock& t = Blocks[b];
      t.Style = b->Style();
      t.DynHighlight = b->DynHighlight();
      t.HighlightPos = b->HighlightPos();
      t.DrawStaple = b->DrawStaple();
      t.NotCollapsed = b->NotCollapsed();
      t.Highlight = b->Highlight();
      t.InvertColors = b->InvertColors();
      t.DynSelectMin = b->DynSelectMin();
    }
    TSubAnalyzerRules* subs = lexer->SubAnalyzers();
    for (int i = 0; i < subs->Count(); ++i) {
      const TSubAnalyzerRule* r = subs->Items(i);
      RegionStyles[r] = r->Style();
      TSyntAnalyzer* sub = r->SyntAnalyzer();
      if (sub && std::find(seen.begin(), seen.end(), sub) == seen.end()) {
        seen.push_back(sub);
        pending.push_back(sub);
      }
    }
  }
}

void TDisplayRanges::Clear() {
  Styled.Clear();
  Dyno.Clear();
  Collapsible.Clear();
  Staples.Clear();
  LineBreaks.Clear();
}

void TDisplayRanges::Swap(TDisplayRanges& Other) noexcept {
  std::swap(Styled, Other.Styled);
  std::swap(Dyno, Other.Dyno);
  std::swap(Collapsible, Other.Collapsible);
  std::swap(Staples, Other.Staples);
  std::swap(LineBreaks, Other.LineBreaks);
}

size_t TDisplayRanges::IndexBytes() const {
  return Styled.IndexBytes() + Dyno.IndexBytes() + Collapsible.IndexBytes() + Staples.IndexBytes() +
         LineBreaks.IndexBytes();
}

namespace {

class Builder {
 public:
  Builder(TClientSyntAnalyzer& C, const TDisplayRules& R, TDisplayRanges& D)
      : c_(C), rules_(R), d_(D), tags_(C.TagCount()) {}

  void Regions(int TextLength) {
    const auto& regions = c_.SubLexerRanges();
    for (int i = int(regions.size()) - 1; i >= 0; --i) {
      const TSubLexerRange& r = regions[size_t(i)];
      auto known = rules_.RegionStyles.find(r.Rule);
      TSyntaxFormat* style = known != rules_.RegionStyles.end() ? known->second : nullptr;
      if (!style) continue;
      // A region still open at the end of a complete analysis runs to the end of the text (its
      // lexer is in effect there).
      const int end = r.IsOpen() ? TextLength : r.EndPos;
      if (end < r.StartPos) continue;
      TStyledRange s;
      s.StartPos = r.StartPos;
      s.EndPos = end;
      s.Style = style;
      s.Flags = srSubLexer;
      d_.Styled.Add(s);
    }
  }

  void Range(int Index, TTextRange* R) {
    TTagBlockCondition* rule = R->Rule;
    auto known = rules_.Blocks.find(rule);
    if (!rule || known == rules_.Blocks.end()) return;
    const TDisplayRules::TBlock& b = known->second;
    const bool closed = R->IsClosed();
    TRange span;
    if (closed && b.DrawStaple && HandledSpan(R, rules_.OnGetStapleRange, span)) {
      TBlockStaple st;
      st.StartPos = span.StartPos;
      st.EndPos = span.EndPos;
      st.Rule = rule;
      d_.Staples.Add(st);
    }
    if (closed && !b.NotCollapsed && HandledSpan(R, rules_.OnGetCollapseRange, span)) {
      TCollapsibleRange cr;
      cr.StartPos = span.StartPos;
      cr.EndPos = span.EndPos;
      cr.RangeIndex = Index;
      cr.TextRange = R;
      d_.Collapsible.Add(cr);
    }
    TSyntaxFormat* style = b.Style;
    if (!style || b.DynHighlight == dhNone) return;
    if (!Valid(R->StartIdx) || (closed && !Valid(R->EndIdx))) return;
    const TSyntToken& s = c_.Tags(R->StartIdx);
    const TSyntToken* e = closed ? &c_.Tags(R->EndIdx) : nullptr;
    const bool dynamic = b.HighlightPos != cpAny;
    int flags = 0;
    if (b.Highlight) flags |= srLineHighlight;
    if (b.InvertColors) flags |= srInvertColors;
    if (b.HighlightPos == cpOutOfRange) flags |= srWhenInactive;
    bool made = false;
    auto styled = [&](int from, int to) {
      if (to < from) return;
      TStyledRange r;
      r.StartPos = from;
      r.EndPos = to;
      r.Style = style;
      r.Flags = flags;
      r.TextRange = dynamic ? R : nullptr;
      d_.Styled.Add(r);
      made = true;
    };
    switch (b.DynHighlight) {
      case dhBound:
        styled(s.StartPos, s.EndPos);
        if (e) styled(e->StartPos, e->EndPos);
        break;
      case dhRangeNoBound:
        if (e) styled(s.EndPos, e->StartPos);
        break;
      case dhRange:
        if (e) styled(s.StartPos, e->EndPos);
        break;
      case dhNone:
        break;
    }
    if (!made || !dynamic) return;
    TTagBlockCondition* selectMin = b.DynSelectMin ? rule : nullptr;
    auto dyno = [&](int from, int to) {
      if (to < from) return;
      TDynoRange r;
      r.StartPos = from;
      r.EndPos = to;
      r.TextRange = R;
      r.Rule = selectMin;
      d_.Dyno.Add(r);
    };
    switch (b.HighlightPos) {
      case cpBound:
        dyno(s.StartPos, s.StartPos + 1);
        if (e) dyno(e->EndPos, e->EndPos + 1);
        break;
      case cpBoundTag:
        dyno(s.StartPos, s.EndPos);
        if (e) dyno(e->StartPos, e->EndPos);
        break;
      case cpRange:
      case cpOutOfRange:
        if (e) dyno(s.StartPos, e->EndPos);
        break;
      case cpBoundTagBegin:
        dyno(s.StartPos, s.StartPos + 1);
        if (e) dyno(e->StartPos, e->StartPos + 1);
        break;
      case cpAny:
        break;
    }
  }

  void LineBreak(const TLineBreak& B) {
    if (!Valid(B.RefTag)) return;
    const TSyntToken& t = c_.Tags(B.RefTag);
    TLineBreakRange r;
    r.StartPos = t.StartPos;
    r.EndPos = t.EndPos;
    r.Rule = B.Rule;
    d_.LineBreaks.Add(r);
  }

 private:
  bool Valid(int Idx) const { return Idx >= 0 && Idx < tags_; }
  // [token s start, token e end), when both indexes are tokens and the span is not reversed (a
  // bound handler may hand back anything).
  bool TokenSpan(int s, int e, TRange& Out) const {
    if (!Valid(s) || !Valid(e)) return false;
    Out = TRange(c_.Tags(s).StartPos, c_.Tags(e).EndPos);
    return Out.EndPos >= Out.StartPos;
  }

  // The text span of R's tokens after the lexer's bound handler (if any) has had its say.
  bool HandledSpan(TTextRange* R, const TBoundDefEvent& Handler, TRange& Out) {
    int s = R->StartIdx, e = R->EndIdx;
    if (Handler) Handler(&c_, R, s, e);
    return e != -1 && TokenSpan(s, e, Out);
  }

  TClientSyntAnalyzer& c_;
  const TDisplayRules& rules_;
  TDisplayRanges& d_;
  const int tags_;
};

}  // namespace

bool TDisplayRanges::Build(TClientSyntAnalyzer& Client, const TDisplayRules& Rules,
                           std::stop_token Stop) {
  Clear();
  Builder b(Client, Rules, *this);
  b.Regions(ClientAccess::AnalyzedLength(Client));
  const int n = Client.RangeCount();
  for (int i = 0; i < n; ++i) {
    // Every range: with ranges that stay open to the end of a large text the collections get
    // thousands of layers, and one Add can take a fraction of a millisecond, while a change on the
    // GUI thread waits for this pass to let go of the client.
    if (Stop.stop_requested()) return false;
    b.Range(i, Client.Ranges(i));
  }
  const auto& breaks = Client.LineBreaks();
  for (size_t i = 0; i < breaks.size(); ++i) {
    if ((i & 255) == 0 && Stop.stop_requested()) return false;
    b.LineBreak(breaks[i]);
  }
  return !Stop.stop_requested();
}

bool TDisplayRanges::BuildIndexes(std::stop_token Stop) {
  if (Stop.stop_requested()) return false;
  Styled.BuildIndex();
  if (Stop.stop_requested()) return false;
  Dyno.BuildIndex();
  if (Stop.stop_requested()) return false;
  Collapsible.BuildIndex();
  if (Stop.stop_requested()) return false;
  Staples.BuildIndex();
  if (Stop.stop_requested()) return false;
  LineBreaks.BuildIndex();
  return !Stop.stop_requested();
}

}  // namespace synt
