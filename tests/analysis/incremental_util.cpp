#include "incremental_util.h"

#include <sstream>

#include "analysis/internal/client_access.h"
#include "platform/utf.h"

namespace synt::test {

using analysis_internal::ClientAccess;

namespace {

std::string Name(const TSyntCollectionItem* Item) {
  return Item ? Utf16ToUtf8(Item->DisplayName()) : "-";
}

int RangeIndex(const TTextRange* R) {
  return R ? R->Index : -1;
}

template <class T, class F>
void DumpCollection(std::vector<std::string>& Out, const char* Kind, const TRangeCollection<T>& C,
                    F Fields) {
  for (int l = 0; l < C.Count(); ++l) {
    const auto& layer = C.Layers(l);
    for (int i = 0; i < layer.Count(); ++i) {
      std::ostringstream s;
      s << Kind << " L" << l << " [" << layer[i].StartPos << "," << layer[i].EndPos << ") ";
      Fields(s, layer[i]);
      Out.push_back(s.str());
    }
  }
}

}  // namespace

std::vector<std::string> DumpAnalysis(const TClientSyntAnalyzer& C, bool WithDisplay) {
  std::vector<std::string> out;
  std::ostringstream head;
  head << "finished " << C.IsFinished() << " tokens " << C.TagCount() << " ranges "
       << C.RangeCount() << " state " << C.CurrentState() << " blockpos "
       << ClientAccess::BlockAnalPos(C);
  out.push_back(head.str());
  for (int i = 0; i < C.TagCount(); ++i) {
    const TSyntToken& t = C.Tags(i);
    std::ostringstream s;
    s << "token " << i << " [" << t.StartPos << "," << t.EndPos << ") type " << t.TokenType << " "
      << Name(C.TokenRule(i));
    out.push_back(s.str());
  }
  for (int i = 0; i < C.RangeCount(); ++i) {
    const TTextRange* r = C.Ranges(i);
    std::ostringstream s;
    s << "range " << i << " " << Name(r->Rule) << " idx " << r->Index << " start " << r->StartIdx
      << " end " << r->EndIdx << " ident " << r->IdentIdx << " pos " << r->StartPos << " parent "
      << RangeIndex(r->Parent) << " cond " << r->CondIndex << " endcond " << r->EndCondIndex;
    out.push_back(s.str());
  }
  for (int i = 0; i < C.OpenCount(); ++i)
    out.push_back("open " + std::to_string(C.OpenedRanges(i)->Index));
  for (const TLineBreak& b : C.LineBreaks()) {
    std::ostringstream s;
    s << "separator tag " << b.RefTag << " line " << b.Line << " " << Name(b.Rule);
    out.push_back(s.str());
  }
  for (const TSubLexerRange& r : C.SubLexerRanges()) {
    std::ostringstream s;
    s << "region [" << r.StartPos << "," << r.EndPos << ") cond " << r.CondStartPos << ".."
      << r.CondEndPos << " " << Name(r.Rule) << " parent " << r.ParentIndex;
    out.push_back(s.str());
  }
  for (const TStateChange& c : C.StateChanges())
    out.push_back("state at " + std::to_string(c.TokenIndex) + " = " + std::to_string(c.State));
  if (!WithDisplay) return out;
  const TDisplayRanges& d = ClientAccess::DisplayRanges(C);
  DumpCollection(out, "styled", d.Styled, [](std::ostream& s, const TStyledRange& r) {
    s << Name(r.Style) << " flags " << r.Flags << " range " << RangeIndex(r.TextRange);
  });
  DumpCollection(out, "dyno", d.Dyno, [](std::ostream& s, const TDynoRange& r) {
    s << "range " << RangeIndex(r.TextRange) << " " << Name(r.Rule);
  });
  DumpCollection(
      out, "collapsible", d.Collapsible,
      [](std::ostream& s, const TCollapsibleRange& r) { s << "index " << r.RangeIndex; });
  // XPos is the painter's layout, not a result of the analysis.
  DumpCollection(out, "staple", d.Staples,
                 [](std::ostream& s, const TBlockStaple& r) { s << Name(r.Rule); });
  DumpCollection(out, "separator", d.LineBreaks,
                 [](std::ostream& s, const TLineBreakRange& r) { s << Name(r.Rule); });
  return out;
}

std::string FirstDifference(const std::vector<std::string>& Want,
                            const std::vector<std::string>& Got) {
  const size_t n = std::max(Want.size(), Got.size());
  for (size_t i = 0; i < n; ++i) {
    const std::string a = i < Want.size() ? Want[i] : "<none>";
    const std::string b = i < Got.size() ? Got[i] : "<none>";
    if (a != b) return "line " + std::to_string(i) + ": fresh\n  " + a + "\nincremental\n  " + b;
  }
  return {};
}

}  // namespace synt::test
