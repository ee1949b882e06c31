// The editor's hint window on the Qt backend: a top-level window that takes neither the focus nor
// the mouse, shown below the collapse mark after the pointer rested there.
#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>

#include "editor/syntax_memo.h"
#include "qt_driver.h"

namespace synt {
namespace {

TEST(MemoHintsQt, PreviewIsANonActivatingTopLevelWindow) {
  TSyntaxMemo memo(nullptr);
  memo.SetText(u"begin\n  a := 1;\n  b := 2;\nend;\n");
  TQtDriver driver(memo, {400, 200});
  driver.Widget().setFocus();
  Flush();
  memo.CollapseSelection(5, memo.Lines()->LineStart(2) + memo.Lines()->LineLength(2));
  memo.HintProps()->SetDelayBefore(20);
  const TRect markRect = memo.MousePart().CollapseMarkRect(0);
  ASSERT_FALSE(markRect.IsEmpty());
  const TPoint mark{markRect.Left + 2, markRect.Top + 2};
  driver.MouseMove(mark);
  PumpFor(200);
  TPopupWindow* popup = memo.HintPart().Popup();
  ASSERT_NE(popup, nullptr);
  ASSERT_TRUE(popup->Visible());
  QWidget* top = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible() && (w->windowFlags() & Qt::ToolTip) == Qt::ToolTip) top = w;
  ASSERT_NE(top, nullptr);
  EXPECT_TRUE(top->windowFlags().testFlag(Qt::WindowTransparentForInput));
  EXPECT_TRUE(top->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
  EXPECT_EQ(QApplication::focusWidget(), &driver.Widget()) << "the editor keeps the focus";
  const TPoint below = driver.Widget().ClientToScreen(
      {memo.TextArea().Left, memo.TextArea().Top + memo.CaretPart().DisplayLineHeight(0)});
  EXPECT_EQ(popup->Bounds().Left, below.X);
  EXPECT_EQ(popup->Bounds().Top, below.Y);
  EXPECT_TRUE(memo.HintPart().Window()->HasPreview());
  driver.MouseDown({300, 150}, mbLeft);
  driver.MouseUp({300, 150}, mbLeft);
  EXPECT_FALSE(popup->Visible());
}

}  // namespace
}  // namespace synt
