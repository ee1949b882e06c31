// Scrolling on the headless host: limits of the top line and left column, the scroll bars the
// host is given (scaled for long texts), bar actions, the wheel, the paging keys, and what the
// window is asked to move or repaint.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "analysis/synt_text_source.h"
#include "editor/commands.h"
#include "editor/memo_hooks.h"
#include "editor/syntax_memo.h"
#include "platform/headless_host.h"

namespace synt {
namespace {

std::u16string Numbered(int Lines, int Width = 10) {
  std::u16string t;
  for (int i = 0; i < Lines; ++i) {
    if (i) t += u"\r\n";
    std::u16string line = u"line ";
    for (char c : std::to_string(i)) line.push_back(char16_t(c));
    while (int(line.size()) < Width) line.push_back(u'x');
    t += line;
  }
  return t;
}

// Cells of 8 x 16 and a line spacing of 1: rows of 17 pixels; 10 rows and 79 columns fit.
class MemoScroll : public ::testing::Test {
 protected:
  TSyntaxMemo& Make(int Lines, int Width = 10, TSize Client = {2 + 79 * 8, 170}) {
    memo.SetText(Numbered(Lines, Width));
    memo.Gutter()->SetVisible(false);  // 79 columns right of the 2-pixel text margin
    host = std::make_unique<THeadlessHost>(desktop, memo, Client);
    desktop.RunUntilIdle();
    return memo;
  }
  void SetScrollLastLine(bool On) {
    TSyntaxMemoOptions o = memo.Options();
    if (On)
      o.Include(soScrollLastLine);
    else
      o.Exclude(soScrollLastLine);
    memo.SetOptions(o);
  }
  int Top() { return memo.ScrollPart().TopDisplayLine(); }
  TScrollBarInfo VBar() { return host->ScrollBar(sbVertical); }
  TScrollBarInfo HBar() { return host->ScrollBar(sbHorizontal); }

  THeadlessDesktop desktop;
  TSyntaxMemo memo{nullptr};
  std::unique_ptr<THeadlessHost> host;
};

// Scroll hooks: a plugin and a text source that listen, each told once per scroll, after OnScroll.
class TScrollLog : public TComponent, public ISyntMemoScrollHook {
 public:
  TScrollLog(std::vector<std::string>& Log, std::string Name)
      : TComponent(nullptr), log_(Log), name_(std::move(Name)) {}
  void Scrolled() override { log_.push_back(name_); }

 private:
  std::vector<std::string>& log_;
  std::string name_;
};

class TListeningSource : public TSyntTextSource, public ISyntMemoScrollHook {
 public:
  explicit TListeningSource(std::vector<std::string>& Log) : TSyntTextSource(nullptr), log_(Log) {}
  void Scrolled() override { log_.push_back("source"); }

 private:
  std::vector<std::string>& log_;
};

TEST_F(MemoScroll, ScrollHooksAreToldAfterEveryScroll) {
  std::vector<std::string> log;
  TListeningSource source(log);
  source.Lines()->SetTextStr(Numbered(100, 120));
  memo.SetTextSource(&source);
  TScrollLog plugin(log, "plugin");
  memo.AddPlugin(&plugin);
  memo.OnScroll = [&](TObject*) { log.push_back("event"); };
  Make(0);
  memo.SetText(Numbered(100, 120));
  log.clear();
  memo.ScrollPart().SetTopDisplayLine(5);
  EXPECT_EQ(log, (std::vector<std::string>{"event", "plugin", "source"}));
  memo.ScrollPart().SetTopDisplayLine(5);
  EXPECT_EQ(log.size(), 3u) << "no move, no news";
  memo.ScrollPart().SetLeftCol(3);
  EXPECT_EQ(log.size(), 6u);
  memo.RemovePlugin(&plugin);
  memo.ScrollPart().SetTopDisplayLine(0);
  EXPECT_EQ(log.back(), "source");
  EXPECT_EQ(log.size(), 8u);
}

TEST_F(MemoScroll, TopLineStaysWithinTheText) {
  Make(100);
  TMemoScrollPart& s = memo.ScrollPart();
  EXPECT_EQ(memo.VisibleLines(), 10);
  EXPECT_EQ(memo.VisibleCols(), 79);
  s.SetTopDisplayLine(1000);
  EXPECT_EQ(Top(), 99) << "the last line may reach the top";
  s.SetTopDisplayLine(-5);
  EXPECT_EQ(Top(), 0);
  SetScrollLastLine(false);
  s.SetTopDisplayLine(1000);
  EXPECT_EQ(Top(), 90) << "the last line stops at the bottom";
  memo.SetTopLine(50);
  EXPECT_EQ(memo.TopLine(), 50);
}

TEST_F(MemoScroll, VerticalBarCountsDisplayLinesAndPage) {
  Make(100);
  memo.ScrollPart().SetTopDisplayLine(7);
  EXPECT_EQ(VBar(), (TScrollBarInfo{0, 100 + 9 - 1, 10, 7, true}));
  SetScrollLastLine(false);
  EXPECT_EQ(VBar(), (TScrollBarInfo{0, 99, 10, 7, true}));
  // Collapsing hides lines: the range shrinks with the display lines.
  const int start = memo.Lines()->LineStart(10), end = memo.Lines()->LineStart(30);
  memo.CollapseSelection(start, end);
  EXPECT_EQ(memo.DisplayLineCount(), 100 - 20);
  EXPECT_EQ(VBar().Max, 79);
}

TEST_F(MemoScroll, ShortTextsHideTheVerticalBar) {
  Make(5);
  SetScrollLastLine(false);
  EXPECT_FALSE(VBar().Visible);
  memo.SetScrollBars(ssHorizontal);
  EXPECT_FALSE(VBar().Visible);
  EXPECT_TRUE(HBar().Visible);
}

TEST_F(MemoScroll, LongTextsScaleTheBarAndThumbPositionsMapBack) {
  Make(100000, 6);
  TMemoScrollPart& s = memo.ScrollPart();
  // 100 009 positions (the last line may reach the top): k = 4.
  EXPECT_EQ(s.VerticalScale(), 4);
  TScrollBarInfo bar = VBar();
  EXPECT_EQ(bar.Max, 25002);
  EXPECT_LE(bar.Max, TMemoScrollPart::kMaxBarRange);
  EXPECT_EQ(bar.Page, 3);  // 10 / 4, rounded
  host->ScrollBarAction(sbVertical, scTrack, 12500);
  EXPECT_EQ(Top(), 50000);
  EXPECT_EQ(VBar().Position, 12500);
  host->ScrollBarAction(sbVertical, scBottom);
  EXPECT_EQ(Top(), 99999);
  EXPECT_EQ(memo.TopLine(), 99999);
  EXPECT_EQ(VBar().Position, 25000);
  // Every thumb position reaches the line it stands for, and the bar shows it back.
  std::mt19937 rng(7);
  for (int i = 0; i < 200; ++i) {
    const int p = int(rng() % unsigned(bar.Max + 1));
    host->ScrollBarAction(sbVertical, i % 2 ? scTrack : scPosition, p);
    ASSERT_EQ(Top(), std::min(p * 4, 99999)) << "thumb " << p;
    ASSERT_EQ(VBar().Position, (Top() + 2) / 4) << "thumb " << p;
  }
}

TEST_F(MemoScroll, BarActionsRunTheScrollingCommands) {
  Make(100, 200);
  host->ScrollBarAction(sbVertical, scLineDown);
  host->ScrollBarAction(sbVertical, scLineDown);
  EXPECT_EQ(Top(), 2);
  host->ScrollBarAction(sbVertical, scPageDown);
  EXPECT_EQ(Top(), 12);
  host->ScrollBarAction(sbVertical, scPageUp);
  host->ScrollBarAction(sbVertical, scLineUp);
  EXPECT_EQ(Top(), 1);
  host->ScrollBarAction(sbVertical, scTop);
  EXPECT_EQ(Top(), 0);
  EXPECT_EQ(VBar().Position, 0);

  host->ScrollBarAction(sbHorizontal, scLineDown);
  EXPECT_EQ(memo.LeftCol(), 1);
  host->ScrollBarAction(sbHorizontal, scPageDown);
  EXPECT_EQ(memo.LeftCol(), 80);
  host->ScrollBarAction(sbHorizontal, scBottom);
  EXPECT_EQ(memo.LeftCol(), 799) << "800 columns: the last one is 799";
  // The host keeps the thumb inside the bar: 800 - 79 positions.
  EXPECT_EQ(HBar(), (TScrollBarInfo{0, 799, 79, 721, true}));
  host->ScrollBarAction(sbHorizontal, scTrack, 40);
  EXPECT_EQ(memo.LeftCol(), 40);
  EXPECT_TRUE(memo.ScrollPart().ExecuteScrollCommand(cmScrollFarLeft));
  EXPECT_EQ(memo.LeftCol(), 0);
  EXPECT_FALSE(memo.ScrollPart().ExecuteScrollCommand(cmCopy));
}

TEST_F(MemoScroll, WheelScrollsThreeLinesPerNotchAndKeepsFractions) {
  Make(100);
  host->Wheel({10, 10}, -120);
  EXPECT_EQ(Top(), 3);
  for (int i = 0; i < 8; ++i) host->Wheel({10, 10}, -15);  // a touchpad's small steps
  EXPECT_EQ(Top(), 6);
  host->Wheel({10, 10}, 240);
  EXPECT_EQ(Top(), 0);
  host->Wheel({10, 10}, 120);
  EXPECT_EQ(Top(), 0) << "not above the first line";
}

// The paging keys are commands of the key mapping: Ctrl+Up / Ctrl+Down scroll the view, the
// others move the caret (and the view follows it).
TEST_F(MemoScroll, PagingKeysRunTheirCommands) {
  Make(100);
  std::vector<int> ran;
  memo.OnExecuteCommand = [&](TObject*, int Command, void*, bool&) { ran.push_back(Command); };
  EXPECT_TRUE(host->PressKey(vkNext));
  EXPECT_TRUE(host->PressKey(vkEnd | scCtrl));
  EXPECT_TRUE(host->PressKey(vkPrior));
  EXPECT_TRUE(host->PressKey(vkHome | scCtrl));
  EXPECT_EQ(ran, (std::vector<int>{cmPageDown, cmTextEnd, cmPageUp, cmTextStart}));
  memo.OnExecuteCommand = nullptr;
  memo.SetTopLine(10);
  host->PressKey(vkDown | scCtrl);
  EXPECT_EQ(Top(), 11);
  host->PressKey(vkUp | scCtrl);
  host->PressKey(vkUp | scCtrl);
  EXPECT_EQ(Top(), 9);
}

TEST_F(MemoScroll, SmallMovesScrollPixelsLargeOnesRepaint) {
  Make(100);
  desktop.RunUntilIdle();
  const size_t before = host->Scrolls().size();
  memo.ScrollPart().SetTopDisplayLine(3);
  ASSERT_EQ(host->Scrolls().size(), before + 1);
  EXPECT_EQ(host->Scrolls().back().Dy, -3 * 17);
  EXPECT_EQ(host->Scrolls().back().Dx, 0);
  memo.ScrollPart().SetTopDisplayLine(3 + TMemoScrollPart::kScrollPixelsLimit + 1);
  EXPECT_EQ(host->Scrolls().size(), before + 1);
  EXPECT_EQ(host->PendingUpdate(), (TRect{0, 0, 2 + 79 * 8, 170}));
  memo.SetLeftCol(2);
  ASSERT_EQ(host->Scrolls().size(), before + 2);
  EXPECT_EQ(host->Scrolls().back().Dx, -2 * 8);
  EXPECT_EQ(host->Scrolls().back().Rect.Left, 2) << "the text margin does not move";
}

TEST_F(MemoScroll, PaintingFollowsTheScrollPosition) {
  Make(100, 30);
  memo.SetTopLine(20);
  memo.SetLeftCol(3);
  host->PaintAll();
  const TCanvasOp* first = nullptr;
  for (const TCanvasOp& op : host->Canvas().Ops())
    if (op.Kind == TCanvasOpKind::TextOut && !first) first = &op;
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->TextPos.X, 2 - 3 * 8);
  EXPECT_EQ(first->TextPos.Y, 0);
  EXPECT_EQ(first->Text.substr(0, 7), u"line 20");
}

TEST_F(MemoScroll, ResizeAndEditsKeepTheLimits) {
  Make(100);
  SetScrollLastLine(false);
  memo.ScrollPart().SetTopDisplayLine(90);
  host->SetClientSize({2 + 79 * 8, 340});  // 20 rows now fit
  EXPECT_EQ(Top(), 80);
  EXPECT_EQ(VBar().Page, 20);
  memo.SetText(Numbered(30));
  EXPECT_EQ(Top(), 0) << "a new text starts at its beginning";
  EXPECT_EQ(VBar().Max, 29);
}

TEST_F(MemoScroll, WordWrapAtTheWindowEdgeNeedsNoHorizontalScrolling) {
  Make(20, 300);
  memo.SetLeftCol(5);
  memo.SetWordWrap(true);
  EXPECT_EQ(memo.LeftCol(), 0);
  EXPECT_FALSE(HBar().Visible);
  memo.SetLeftCol(5);
  EXPECT_EQ(memo.LeftCol(), 0);
  EXPECT_GT(memo.DisplayLineCount(), 20);
  // Breaking at a right margin wider than the window scrolls up to the margin.
  TSyntaxMemoOptions o = memo.Options();
  o.Include(soBreakOnRightMargin);
  memo.SetOptions(o);
  memo.SetRightMargin(120);
  EXPECT_TRUE(HBar().Visible);
  EXPECT_EQ(HBar().Max, 119);
  memo.SetLeftCol(500);
  EXPECT_EQ(memo.LeftCol(), 119);
}

}  // namespace
}  // namespace synt
