// The editor's read interface, driven the way its header shows: a paint walk over every line
// through ISyntDisplayQueries alone, compared with a fresh analysis of the same text.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "analysis/display_queries.h"
#include "incremental_util.h"
#include "lexer_build.h"

namespace synt::test {
namespace {

struct DisplayQueries : ::testing::Test {
  DisplayQueries() {
    word = L.Formats()->Add();
    word->SetDisplayName(u"Word");
    number = L.Formats()->Add();
    number->SetDisplayName(u"Number");
    AddToken(L, u"Word", u"[a-z]+", 1)->SetStyleName(u"Word");
    AddToken(L, u"Number", u"\\d+", 2)->SetStyleName(u"Number");
    AddToken(L, u"Other", u"[;=]", 3);
  }

  // The style painted at every offset by the walk of display_queries.h; fails the test when a
  // step does not advance.
  static std::vector<TSyntaxFormat*> Paint(ISyntDisplayQueries& Q, const TSyntMemoStrings& Lines) {
    std::vector<TSyntaxFormat*> styles(size_t(Lines.TextLength()), nullptr);
    TStyleEntries entries;
    for (int line = 0; line < Lines.GetCount(); ++line) {
      const int lineStart = Lines.LineStart(line);
      const int lineEnd = lineStart + Lines.LineLength(line);
      for (int pos = lineStart; pos < lineEnd;) {
        entries.clear();
        const int a = Q.GetTokenStyleAt(pos, entries);
        const int b = Q.GetStyledRangesAt(pos, entries, true);
        int next = lineEnd;
        if (a > pos) next = std::min(next, a);
        if (b > pos) next = std::min(next, b);
        if (next <= pos) {
          ADD_FAILURE() << "the walk does not advance at " << pos;
          return styles;
        }
        for (const TStyleEntry& e : entries)
          for (int p = std::max(e.StartPos, pos); p < std::min(e.EndPos, next); ++p)
            styles[size_t(p)] = e.Style;
        pos = next;
      }
    }
    return styles;
  }

  LoopHarness h;
  TSyntAnalyzer L{nullptr};
  TSyntaxFormat* word = nullptr;
  TSyntaxFormat* number = nullptr;
};

std::u16string Lines(int Count) {
  std::u16string text;
  for (int i = 0; i < Count; ++i)
    text += u"abc = " + std::u16string(1, char16_t(u'0' + i % 10)) + u";\n";
  return text;
}

TEST_F(DisplayQueries, BetweenAnEditAndItsReanalysisThePaintMatchesAFreshAnalysis) {
  L.SetFullRefreshSize(0);  // restart at the change, so that the tokens after it are kept
  // Lines are "abc = d;\n" (9 units). Edits inside a token or a gap leave the kept tokens right
  // once shifted; one at a token's start would show the new units unstyled until re-analysis.
  for (const auto& [at, insert] : std::vector<std::pair<int, std::u16string>>{
           {1, u"x"}, {5 * 9 + 2, u"zz"}, {20 * 9 + 7, u"7"}, {30 * 9 + 5, u" "}}) {
    EditDoc d(&L, Lines(40));
    ASSERT_TRUE(d.Settle(h));
    d.lines.InsertText(at, insert);
    // Before the idle loop runs: tokens before the change, the kept ones after it, shifted.
    const std::vector<TSyntaxFormat*> shown = Paint(*d.client, d.lines);

    EditDoc fresh(&L, d.lines.TextView());
    ASSERT_TRUE(fresh.Settle(h));
    EXPECT_EQ(shown, Paint(*fresh.client, fresh.lines)) << "insert at " << at;

    // And once re-analysed, the same again.
    ASSERT_TRUE(d.Settle(h));
    EXPECT_EQ(Paint(*d.client, d.lines), shown) << "insert at " << at;
  }
}

TEST_F(DisplayQueries, TheWalkOverAnEmptyOrUnanalysedTextEndsAndPaintsNothing) {
  EditDoc empty(&L, u"");
  EXPECT_TRUE(Paint(*empty.client, empty.lines).empty());
  EditDoc pending(&L, u"abc = 1;\nxyz;\n");  // the idle loop has not run yet
  const std::vector<TSyntaxFormat*> styles = Paint(*pending.client, pending.lines);
  EXPECT_TRUE(std::all_of(styles.begin(), styles.end(), [](auto* s) { return s == nullptr; }));
}

}  // namespace
}  // namespace synt::test
