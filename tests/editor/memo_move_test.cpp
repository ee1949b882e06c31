// The movement commands at their edges, table-driven, and the selection they extend.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "editor/commands.h"
#include "editor/syntax_memo.h"
#include "memo_test_util.h"
#include "platform/headless_host.h"

namespace synt {
namespace {

const char16_t kText[] =
    u"abc def  ghi\r\n"  // 0: 12
    u"   xyz\r\n"        // 1: 6
    u"\r\n"              // 2: 0
    u"\tab\r\n"          // 3: 3, display width 6
    u"end   ";           // 4: 6

struct MoveCase {
  int Command;
  TPoint From;
  TPoint To;
  bool KeepCaretInText = false;
};

class MemoMove : public test::MemoWindow {
 protected:
  TPoint Run(int Command, TPoint From) {
    memo.SetCaretPos(From);
    memo.ExecuteCommand(Command, nullptr);
    return memo.CaretPos();
  }
};

TEST_F(MemoMove, EveryMovementAtItsEdges) {
  Make(kText);
  const MoveCase cases[] = {
      {cmLeft, {3, 0}, {2, 0}},
      {cmLeft, {0, 0}, {0, 0}},
      {cmLeft, {0, 1}, {0, 1}},
      {cmLeft, {0, 1}, {12, 0}, true},
      {cmLeftUp, {0, 1}, {12, 0}},
      {cmLeftUp, {0, 0}, {0, 0}},
      {cmRight, {12, 0}, {13, 0}},
      {cmRight, {12, 0}, {0, 1}, true},
      {cmRight, {6, 4}, {6, 4}, true},
      {cmUp, {5, 0}, {5, 0}},
      {cmUp, {5, 1}, {5, 0}},
      {cmUp, {5, 4}, {2, 3}},  // display column 5 is the b after the tab
      {cmDown, {2, 3}, {5, 4}},
      {cmDown, {3, 4}, {3, 4}},
      {cmWordLeft, {9, 0}, {4, 0}},
      {cmWordLeft, {4, 0}, {0, 0}},
      {cmWordLeft, {0, 0}, {0, 0}},
      {cmWordLeft, {3, 1}, {12, 0}},  // nothing of a word left of it: the previous line's end
      {cmWordLeft, {40, 1}, {3, 1}},
      {cmWordRight, {0, 0}, {4, 0}},
      {cmWordRight, {4, 0}, {9, 0}},
      {cmWordRight, {9, 0}, {12, 0}},
      {cmWordRight, {12, 0}, {0, 1}},
      {cmWordRight, {6, 4}, {6, 4}},
      {cmLineStart, {5, 1}, {0, 1}},
      {cmLineEnd, {0, 1}, {6, 1}},
      {cmLineEnd, {9, 1}, {6, 1}},
      {cmFirstChar, {5, 1}, {3, 1}},
      {cmFirstChar, {3, 1}, {0, 1}},
      {cmFirstChar, {0, 1}, {0, 1}},
      {cmLastChar, {0, 4}, {3, 4}},
      {cmLastChar, {3, 4}, {6, 4}},
      {cmTextStart, {3, 3}, {0, 0}},
      {cmTextEnd, {0, 0}, {6, 4}},
      {cmPageRight, {1, 0}, {1 + 80, 0}},
      {cmPageLeft, {100, 0}, {20, 0}},
      {cmPageLeft, {10, 0}, {0, 0}},
      {cmPageTop, {3, 4}, {3, 0}},
      {cmPageBottom, {3, 0}, {3, 4}},
  };
  for (const MoveCase& c : cases) {
    Opt(soKeepCaretInText, c.KeepCaretInText);
    EXPECT_EQ(Run(c.Command, c.From), c.To)
        << "command " << c.Command << " from " << c.From.X << "," << c.From.Y;
  }
  TPoint target{2, 1};
  memo.ExecuteCommand(cmGotoXY, &target);
  EXPECT_EQ(memo.CaretPos(), target);
  memo.ExecuteCommand(cmGotoXY, nullptr);
  EXPECT_EQ(memo.CaretPos(), target) << "no data: nothing";
}

TEST_F(MemoMove, VerticalMovesKeepTheirColumn) {
  Make(u"0123456789\r\n0123\r\n\r\n0123456789012");
  Opt(soKeepCaretInText);
  memo.SetCaretPos({8, 0});
  const TPoint expected[] = {{4, 1}, {0, 2}, {8, 3}};
  for (TPoint e : expected) {
    memo.ExecuteCommand(cmDown, nullptr);
    EXPECT_EQ(memo.CaretPos(), e);
  }
  memo.ExecuteCommand(cmLeft, nullptr);
  memo.ExecuteCommand(cmUp, nullptr);
  EXPECT_EQ(memo.CaretPos(), TPoint(0, 2)) << "a sideways move forgets the column";
  memo.ExecuteCommand(cmUp, nullptr);
  EXPECT_EQ(memo.CaretPos(), TPoint(4, 1));
  memo.ExecuteCommand(cmUp, nullptr);
  EXPECT_EQ(memo.CaretPos(), TPoint(7, 0));

  // soFixedColumnMove: a caret right of where the last move left it starts from there.
  Opt(soKeepCaretInText, false);
  Opt(soFixedColumnMove);
  memo.SetCaretPos({2, 0});
  memo.ExecuteCommand(cmRight, nullptr);  // last move at (3, 0)
  memo.SetCaretPos({6, 0});
  memo.ExecuteCommand(cmDown, nullptr);
  EXPECT_EQ(memo.CaretPos(), TPoint(3, 1));
}

TEST_F(MemoMove, PagesMoveTheViewAndTheCaretKeepsItsRow) {
  std::u16string t;
  for (int i = 0; i < 100; ++i) t += u"line\r\n";
  Make(t);
  ASSERT_EQ(memo.VisibleLines(), 10);
  memo.SetCaretPos({2, 3});
  memo.ExecuteCommand(cmPageDown, nullptr);
  EXPECT_EQ(memo.TopDisplayLine(), 10);
  EXPECT_EQ(memo.CaretPos(), TPoint(2, 13));
  memo.ExecuteCommand(cmPageUp, nullptr);
  EXPECT_EQ(memo.TopDisplayLine(), 0);
  EXPECT_EQ(memo.CaretPos(), TPoint(2, 3));
  memo.ExecuteCommand(cmPageUp, nullptr);
  EXPECT_EQ(memo.CaretPos(), TPoint(2, 0)) << "at the limit the caret moves";
  memo.ExecuteCommand(cmTextEnd, nullptr);
  memo.SetCaretPos({0, 95});
  const int top = memo.TopDisplayLine();
  memo.ExecuteCommand(cmPageDown, nullptr);
  EXPECT_EQ(memo.CaretPos().Y, 100);
  EXPECT_GE(memo.TopDisplayLine(), top);
}

TEST_F(MemoMove, SelectionModesPerIdRange) {
  Make(kText);
  memo.SetCaretPos({0, 0});
  for (int i = 0; i < 3; ++i) memo.ExecuteCommand(cmSelRight, nullptr);
  EXPECT_EQ(memo.SelectionMode(), msNormal);
  EXPECT_EQ(memo.SelText(), u"abc");
  memo.ExecuteCommand(cmSelDown, nullptr);
  EXPECT_EQ(memo.SelText(), u"abc def  ghi\r\n   ");
  memo.ExecuteCommand(cmRight, nullptr);
  EXPECT_FALSE(memo.HaveSelection());
  EXPECT_EQ(memo.SelectionMode(), msNone);

  Opt(soKeepSelMode);
  memo.SetCaretPos({0, 0});
  memo.ExecuteCommand(cmSelRight, nullptr);
  memo.ExecuteCommand(cmRight, nullptr);
  EXPECT_EQ(memo.SelText(), u"ab") << "soKeepSelMode: plain moves extend";
  Opt(soKeepSelMode, false);

  memo.SetCaretPos({1, 0});
  memo.ExecuteCommand(cmColSelDown, nullptr);
  memo.ExecuteCommand(cmColSelRight, nullptr);
  EXPECT_EQ(memo.SelectionMode(), msColumn);
  EXPECT_EQ(memo.Selection().BlockRect(), TRect(1, 0, 2, 1));
  EXPECT_EQ(memo.SelText(), u"b\r\n \r\n");
}

TEST_F(MemoMove, MarksAreClearedWhenAMoveFails) {
  Make(kText);
  memo.OnCaretPosChanged = [](TObject*) { throw std::runtime_error("handler"); };
  EXPECT_THROW(memo.ExecuteCommand(cmSelRight, nullptr), std::runtime_error);
  EXPECT_FALSE(memo.CaretPart().extendingByKeyboard);
  EXPECT_FALSE(memo.CaretPart().movingByCommand);
}

TEST_F(MemoMove, SmartCaret) {
  Make(u"aaaa bbbb cccc dddd eeee ffff\r\n\tx", {2 + 12 * 8, 170});
  Opt(soSmartCaret);
  memo.SetWordWrap(true);
  ASSERT_GT(memo.GetLineInfo(0).RowCount(), 2);
  memo.SetCaretPos({12, 0});  // on the second piece
  const int row = memo.GetLineInfo(0).RowOfChar(12);
  const int start = memo.GetLineInfo(0).RowStart(row);
  memo.ExecuteCommand(cmLineStart, nullptr);
  EXPECT_EQ(memo.CaretPos(), TPoint(start, 0)) << "Home: the start of the piece";
  memo.ExecuteCommand(cmLineEnd, nullptr);
  EXPECT_EQ(memo.CaretPos().X, memo.GetLineInfo(0).RowEnd(row, 29) - 1);
  memo.SetCaretPos({1, 0});
  memo.ExecuteCommand(cmDown, nullptr);
  EXPECT_EQ(memo.CaretPos(), TPoint(memo.GetLineInfo(0).RowStart(1) + 1, 0)) << "by pixels";
  memo.SetWordWrap(false);
  memo.SetCaretPos({3, 0});  // x of column 3; on the next line the tab covers it
  memo.ExecuteCommand(cmDown, nullptr);
  EXPECT_EQ(memo.CaretPos(), TPoint(1, 1));
  memo.ExecuteCommand(cmUp, nullptr);
  EXPECT_EQ(memo.CaretPos(), TPoint(4, 0));
}

}  // namespace
}  // namespace synt
