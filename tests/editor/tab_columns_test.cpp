// Tabs after wide characters, combining marks and text (soAllowZeroTab): the painter, the layout
// and the selection count display columns alike, so what is drawn, where rows break and what a
// column block holds agree.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/syntax_memo.h"
#include "platform/headless_host.h"

namespace synt {
namespace {

const char16_t kLines[] =
    u"\u4e2d\tx\u6587\ty\r\n"  // wide characters before tabs
    u"e\u0301\tx\r\n"          // a combining mark before a tab
    u"a\U0001F600\tz\r\n"      // a surrogate pair before a tab
    u"abcd\te\r\n"             // a tab starting on a stop (zero width with soAllowZeroTab)
    u"\tab\t\tc";

class TabColumns : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    // Character cells: pixels are columns times the cell width.
    memo.SetMonoFontMode(mfFixed);
    memo.SetText(kLines);
    host = std::make_unique<THeadlessHost>(desktop, memo, TSize{642, 170});
    if (GetParam()) memo.SetOptionsEx(memo.OptionsEx() + TSyntaxMemoOptionsEx{soAllowZeroTab});
    desktop.RunUntilIdle();
  }
  THeadlessDesktop desktop;
  TSyntaxMemo memo{nullptr};
  std::unique_ptr<THeadlessHost> host;
};

TEST_P(TabColumns, PainterLayoutAndSelectionAgree) {
  const TMemoSelection& sel = memo.Selection();
  const int cell = memo.DefTextExt().cx;
  for (int line = 0; line < memo.Lines()->GetCount(); ++line) {
    ASSERT_TRUE(memo.FixedPitch());
    const int len = memo.Lines()->LineLength(line);
    for (int x = 0; x <= len; ++x) {
      if (memo.CaretPart().NormalizePos({x, line}, true).X != x) continue;  // inside a cluster
      int row = 0;
      const int px = memo.PaintPart().XOfUnit(line, x, row);
      EXPECT_EQ(px, sel.CaretToDisplayColumn(line, x) * cell) << "line " << line << " unit " << x;
    }
    EXPECT_EQ(memo.GetLineInfo(line).RowWidth(0), sel.LineDisplayWidth(line) * cell)
        << "line " << line;
  }
}

// A column block whose left edge falls inside a tab holds the tab, and so does its painting.
TEST_P(TabColumns, ColumnBlockInsideATab) {
  memo.SetOptions(memo.Options() + TSyntaxMemoOptions{soEnableBlockSel});
  memo.Selection().SetBlock({2, 4, 5, 4});
  EXPECT_EQ(memo.SelText(), u"\ta\r\n");
  std::vector<int> selectedUnits;
  TSyntaxFormat* selStyle = memo.SelectionStyle();
  memo.PaintPart().SetRunObserver([&](int Line, int Start, int Len, std::u16string_view,
                                      const TRect&, const std::vector<const TSyntaxFormat*>& Styles,
                                      TCanvas&) {
    if (Line != 4) return;
    for (const TSyntaxFormat* s : Styles)
      if (s == selStyle)
        for (int i = 0; i < Len; ++i) selectedUnits.push_back(Start + i);
  });
  host->Focus();
  host->PaintAll();
  EXPECT_EQ(selectedUnits, (std::vector<int>{0, 1}));
}

INSTANTIATE_TEST_SUITE_P(ZeroTab, TabColumns, ::testing::Bool());

}  // namespace
}  // namespace synt
