#include <gtest/gtest.h>

#include <random>

#include "editor/memo_settings.h"
#include "platform/graphics.h"

namespace synt {
namespace {

// The stops one by one, as a tab walks them from column 0.
std::vector<int> Walk(const TTabList& Tabs, int Count) {
  std::vector<int> stops;
  int col = 0;
  for (int i = 0; i < Count; ++i) stops.push_back(col = Tabs.NextTab(col, false));
  return stops;
}

std::string Message(const std::function<void()>& f) {
  try {
    f();
  } catch (const Exception& e) {
    return e.what();
  }
  return "";
}

TEST(TabList, StopsRepeatPastTheLastOne) {
  TTabList tabs;
  EXPECT_EQ(Walk(tabs, 4), (std::vector<int>{4, 8, 12, 16}));
  tabs.SetAsString(u"4 10");
  EXPECT_EQ(Walk(tabs, 5), (std::vector<int>{4, 10, 16, 22, 28}));
  EXPECT_EQ(tabs.AsString(), u"4 10");
  tabs.SetAsString(u"  3,5;\t9 ");
  EXPECT_EQ(tabs.AsString(), u"3 5 9");
  EXPECT_EQ(Walk(tabs, 5), (std::vector<int>{3, 5, 9, 13, 17}));
  tabs.SetAsString(u"10 4");  // kept ascending
  EXPECT_EQ(tabs.AsString(), u"4 10");
  tabs.SetAsString(u"");
  EXPECT_EQ(tabs.Count(), 0);
  EXPECT_EQ(tabs.NextTab(7, false), 8);
  EXPECT_EQ(tabs.NextTab(7, true), 8);
}

TEST(TabList, InclusiveVariantKeepsAColumnOnAStop) {
  TTabList tabs;
  tabs.SetAsString(u"4 10");
  EXPECT_EQ(tabs.NextTab(4, true), 4);
  EXPECT_EQ(tabs.NextTab(4, false), 10);
  EXPECT_EQ(tabs.NextTab(5, true), 10);
  EXPECT_EQ(tabs.NextTab(16, true), 16);  // a repeated stop
  EXPECT_EQ(tabs.NextTab(17, true), 22);
  EXPECT_EQ(tabs.NextTab(0, true), 4);
}

// Against walking the stops column by column: the first stop after c, the repeated ones included.
TEST(TabList, NextTabAgreesWithTheStopsListedOut) {
  std::mt19937 rng(7);
  for (int round = 0; round < 300; ++round) {
    std::vector<int> stops;
    int c = 0;
    const int n = int(rng() % 4) + 1;
    for (int i = 0; i < n; ++i) stops.push_back(c += int(rng() % 7) + 1);
    TTabList tabs;
    tabs.SetStops(stops);
    const int d = n > 1 ? stops[size_t(n) - 1] - stops[size_t(n) - 2] : stops[0];
    std::vector<int> all = stops;
    while (all.back() < 200) all.push_back(all.back() + d);
    for (int col = 0; col < 150; ++col) {
      const int after = *std::upper_bound(all.begin(), all.end(), col);
      const int atOrAfter = *std::lower_bound(all.begin(), all.end(), col);
      ASSERT_EQ(tabs.NextTab(col, false), after) << tabs.AsString().size() << " col " << col;
      ASSERT_EQ(tabs.NextTab(col, true), atOrAfter) << " col " << col;
    }
  }
}

TEST(TabList, ABadStringLeavesTheOldStopsWhole) {
  TTabList tabs;
  tabs.SetAsString(u"2 6 9");
  int changes = 0;
  tabs.OnChange = [&](TObject*) { ++changes; };
  EXPECT_EQ(Message([&] { tabs.SetAsString(u"4 4"); }), "Duplicate tab position");
  EXPECT_EQ(Message([&] { tabs.SetAsString(u"4 x 8"); }), "Invalid tab position: x");
  EXPECT_EQ(Message([&] { tabs.SetAsString(u"4 0"); }), "Invalid tab position: 0");
  EXPECT_EQ(Message([&] { tabs.SetAsString(u"-3"); }), "Invalid tab position: -3");
  EXPECT_EQ(Message([&] { tabs.SetAsString(u"99999999999999"); }),
            "Invalid tab position: 99999999999999");
  const int dup[] = {5, 3, 5};
  EXPECT_EQ(Message([&] { tabs.SetStops(dup); }), "Duplicate tab position");
  EXPECT_EQ(tabs.AsString(), u"2 6 9");
  EXPECT_EQ(changes, 0);
  tabs.SetAsString(u"2 6 9");  // no change, no report
  EXPECT_EQ(changes, 0);
  tabs.SetAsString(u"8");
  EXPECT_EQ(changes, 1);
}

TEST(LineHighlightAttr, SwapsColoursInsideTheSelectionOnlyWhenSelected) {
  THeadlessCanvas c;
  c.Brush()->SetColor(clWhite);
  c.Font()->SetColor(clBlack);
  TLineHighlightAttr a{clYellow, clNone, false};
  a.ApplyTo(&c, false);
  EXPECT_EQ(c.Brush()->Color(), clYellow);
  EXPECT_EQ(c.Font()->Color(), clBlack);  // none leaves it
  a.ApplyTo(&c, true);                    // not Selected: nothing inside the selection
  EXPECT_EQ(c.Brush()->Color(), clYellow);
  TLineHighlightAttr s{clNavy, clRed, true};
  s.ApplyTo(&c, true);
  EXPECT_EQ(c.Brush()->Color(), clRed);
  EXPECT_EQ(c.Font()->Color(), clNavy);
}

TEST(MemoSettings, DefaultsAndChangeReports) {
  TNonPrinted np;
  EXPECT_FALSE(np.Visible());
  EXPECT_EQ(np.Color(), clSilver);
  EXPECT_EQ(np.TabChar(), 155);
  EXPECT_EQ(np.SpaceChar(), 183);
  EXPECT_EQ(np.LineBreakChar(), 182);
  EXPECT_EQ(np.SoftLineBreakChar(), 172);
  EXPECT_EQ(TNonPrinted::Glyph(np.TabChar()), u'\u203A');
  EXPECT_EQ(TNonPrinted::Glyph(np.SpaceChar()), u'\u00B7');
  EXPECT_EQ(TNonPrinted::Glyph(np.LineBreakChar()), u'\u00B6');
  EXPECT_EQ(TNonPrinted::Glyph(np.SoftLineBreakChar()), u'\u00AC');
  int changes = 0;
  np.OnChange = [&](TObject*) { ++changes; };
  np.SetVisible(true);
  np.SetVisible(true);
  np.Font()->SetSize(20);
  EXPECT_EQ(changes, 2);

  TqxBackGround bg;
  EXPECT_EQ(bg.FillStyle(), fstNone);
  EXPECT_EQ(bg.GradColor(), clBlue);
  EXPECT_TRUE(bg.IsPlain());
  bg.SetFillStyle(fstTile);
  EXPECT_TRUE(bg.IsPlain());  // no picture to tile
  bg.SetBitmap(TPixelImage(2, 2));
  EXPECT_FALSE(bg.IsPlain());
  bg.SetFillStyle(fstVertGradient);
  bg.SetBitmap({});
  EXPECT_FALSE(bg.IsPlain());

  TDefaultStyles d;
  int styleChanges = 0;
  d.OnChange = [&](TObject*) { ++styleChanges; };
  d.CurrentLine()->SetEnabled(true);
  d.SearchMark()->SetBgColor(clYellow);
  TDefaultStyles e;
  e.Assign(&d);
  EXPECT_TRUE(e.CurrentLine()->Enabled());
  EXPECT_EQ(e.SearchMark()->BgColor(), clYellow);
  EXPECT_EQ(styleChanges, 2);
}

}  // namespace
}  // namespace synt
