// The gutter of synt-edit on the Qt backend, looked at as pixels: an edited line's band takes the
// modified colour, a bookmark set from the keyboard shows its mark, and the jump animation's
// frame is drawn over the window and gone once it ends.
#include <gtest/gtest.h>

#include <QImage>
#include <QKeyEvent>

#include "editor/commands.h"
#include "editor_window.h"
#include "platform/bitmap.h"
#include "platform/dialogs.h"
#include "qt/qt_platform.h"
#include "qt_driver.h"
#include "tool_runner.h"

namespace synt {
namespace {

int CountColour(const QImage& Image, const TRect& R, TColor Color) {
  const QRgb want = ColorToPixel(Color) & 0xFFFFFF;
  int n = 0;
  for (int y = R.Top; y < R.Bottom; ++y)
    for (int x = R.Left; x < R.Right; ++x)
      if ((Image.pixel(x, y) & 0xFFFFFF) == want) ++n;
  return n;
}

class GutterQt : public test::ToolTest {
 protected:
  void SetUp() override {
    ToolTest::SetUp();
    window = std::make_unique<edit::TEditorWindow>();
    window->resize(600, 300);
    window->show();
  }
  void TearDown() override {
    window.reset();
    ToolTest::TearDown();
  }
  // Timers run on the Qt event loop, as in the application.
  TQtPlatform platform;
  QImage Shot() {
    Flush();
    return window->Editor().viewport()->grab().toImage();
  }
  // The band's columns over line Line's row.
  TRect BandRow(int Band, int Line) {
    TSyntaxMemo& m = window->Memo();
    const TRect b = m.GutterPart().BandBounds(Band);
    TGutterLineSpan s;
    EXPECT_TRUE(m.GutterPart().LineSpan(Line, s));
    return {b.Left, s.Top, b.Right, s.Bottom};
  }

  TScriptedDialogService dialogs{{}, mrCancel};
  TDialogServiceScope scope{&dialogs};
  std::unique_ptr<edit::TEditorWindow> window;
};

TEST_F(GutterQt, AnEditedLineShowsInTheChangeBandAndBookmarksShowTheirMark) {
  Write(Path("g.txt"), "one\ntwo\nthree\nfour\n");
  window->Open(Path("g.txt"));
  TSyntaxMemo& m = window->Memo();
  ASSERT_GT(m.Gutter()->Width(), 40) << "bookmarks, numbers, changes and fold buttons";
  EXPECT_EQ(m.TextArea().Left, m.Gutter()->Width() + m.TextMargin());
  const TColor modified = m.LineStateDisplay()->ModifiedColor();
  QImage shot = Shot();
  EXPECT_EQ(CountColour(shot, BandRow(2, 1), modified), 0);

  m.SetCaretPos({0, 1});
  QKeyEvent key(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
  QApplication::sendEvent(&window->Editor(), &key);
  ASSERT_EQ(m.Lines()->LineText(1), u"xtwo");
  shot = Shot();
  const TRect band = BandRow(2, 1);
  EXPECT_EQ(CountColour(shot, band, modified), band.Width() * band.Height());
  EXPECT_EQ(CountColour(shot, BandRow(2, 2), modified), 0) << "line 3 was not edited";

  // Ctrl+Shift+3 toggles bookmark 3 on the caret line: its mark shows in band 0.
  const int before = CountColour(shot, BandRow(0, 1), TColor(0xB05A1E));
  QKeyEvent toggle(QEvent::KeyPress, Qt::Key_3, Qt::ControlModifier | Qt::ShiftModifier);
  QApplication::sendEvent(&window->Editor(), &toggle);
  ASSERT_GE(m.GetBookmark(3), 0);
  shot = Shot();
  EXPECT_GT(CountColour(shot, BandRow(0, 1), TColor(0xB05A1E)), before + 20);
}

TEST_F(GutterQt, TheJumpAnimationIsDrawnOverTheWindowAndErased) {
  Write(Path("a.txt"), std::string(40, 'a') + "\n" + std::string(40, 'b') + "\n");
  window->Open(Path("a.txt"));
  TSyntaxMemo& m = window->Memo();
  m.Animation()->SetRadius(20);
  m.Animation()->SetStep(5);
  m.Animation()->SetInterval(200);
  m.SetBookmark(1, m.Lines()->LineStart(1) + 20);
  m.GotoBookmark(1);
  ASSERT_TRUE(m.GutterPart().Animating());
  const TPoint c = m.CaretPart().CaretToPoint(m.CaretPos());
  const int cy = c.Y + m.DefTextExt().cy;
  // The first frame comes with the first tick, a step smaller than the radius; which frame the
  // shot catches depends on the machine, so the area holds the lower left of every frame, below
  // the text, where nothing else is black.
  const TRect side{c.X - 20, cy + 2, c.X - 1, cy + 21};
  PumpFor(250);
  QImage shot = Shot();
  EXPECT_GE(CountColour(shot, side, clBlack), 4);
  for (int i = 0; i < 100 && m.GutterPart().Animating(); ++i) PumpFor(30);
  EXPECT_FALSE(m.GutterPart().Animating());
  shot = Shot();
  EXPECT_EQ(CountColour(shot, side, clBlack), 0);
}

}  // namespace
}  // namespace synt
