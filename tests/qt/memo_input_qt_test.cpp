// The editor's input on the Qt backend: key events become commands or characters (never both),
// AltGr and dead-key characters type what the keyboard shows, the input method's preedit and
// commit, and, end to end, typing, Shift+arrows, double click and drag-select.
#include <gtest/gtest.h>

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <string>
#include <vector>

#include "editor/commands.h"
#include "editor/syntax_memo.h"
#include "qt/qt_platform.h"
#include "qt_driver.h"

namespace synt {
namespace {

struct TRan {
  int Command;
  std::u16string Text;
  bool operator==(const TRan&) const = default;
};

void PrintTo(const TRan& R, std::ostream* Os) {
  *Os << R.Command << " '" << std::string(R.Text.begin(), R.Text.end()) << "'";
}

class MemoInputQt : public ::testing::Test {
 protected:
  void SetUp() override {
    memo.SetText(u"alpha beta\r\ngamma");
    driver = std::make_unique<TQtDriver>(memo, TSize{400, 200});
    driver->Widget().setFocus();
    synt::Flush();
  }
  void Record() {
    memo.OnExecuteCommand = [this](TObject*, int C, void* D, bool&) {
      std::u16string t;
      if (C == cmChar) t = std::u16string(1, *static_cast<char16_t*>(D));
      if (C == cmString) t = static_cast<char16_t*>(D);
      ran.push_back({C, t});
    };
  }
  void Key(int K, Qt::KeyboardModifiers M = Qt::NoModifier, const QString& Text = {}) {
    QKeyEvent press(QEvent::KeyPress, K, M, Text);
    QApplication::sendEvent(&driver->Widget(), &press);
    QKeyEvent release(QEvent::KeyRelease, K, M, Text);
    QApplication::sendEvent(&driver->Widget(), &release);
  }
  // The editing and caret parts are merged separately: the end-to-end cases wait for them.
  bool CanType() {
    const std::u16string before = memo.Text();
    char16_t c = u'x';
    memo.ExecuteCommand(cmChar, &c);
    const bool typed = memo.Text() != before;
    if (typed) memo.SetText(before);
    memo.SetCaretPos({0, 0});
    memo.ExecuteCommand(cmRight, nullptr);
    const bool moved = memo.CaretPos().X == 1;
    memo.SetCaretPos({0, 0});
    return typed && moved;
  }

  TSyntaxMemo memo{nullptr};
  std::unique_ptr<TQtDriver> driver;
  std::vector<TRan> ran;
};

TEST_F(MemoInputQt, AKeyRunsItsCommandOrTypesItsCharacterNeverBoth) {
  Record();
  Key(Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
  Key(Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
  Key(Qt::Key_B, Qt::ShiftModifier, QStringLiteral("B"));
  Key(Qt::Key_A, Qt::ControlModifier, QStringLiteral("\x01"));  // select all, no control code
  Key(Qt::Key_P, Qt::ControlModifier, QStringLiteral("\x10"));  // unbound: nothing typed
  Key(Qt::Key_X, Qt::AltModifier, QStringLiteral("x"));         // unbound Alt chord: no x
  EXPECT_EQ(ran, (std::vector<TRan>{
                     {cmNewLine, u""}, {cmChar, u"a"}, {cmChar, u"B"}, {cmSelectAll, u""}}));
}

TEST_F(MemoInputQt, AltGrAndDeadKeysTypeWhatTheKeyboardShows) {
  // Ctrl+Alt+Q bound to a command must not steal the '@' AltGr+Q types on such keyboards.
  TSyntKeyMapping own;
  own.AddDefaultCommands();
  own.AddCommand(cmSelectAll, u"Test", 0, ShortCut('Q', scCtrl | scAlt), u"Select all", u"");
  memo.SetKeyMapping(&own);
  Record();
  Key(Qt::Key_Q, Qt::ControlModifier | Qt::AltModifier, QStringLiteral("@"));
  Key(Qt::Key_7, Qt::GroupSwitchModifier, QStringLiteral("{"));
  Key(Qt::Key_Dead_Acute);  // a dead key types nothing by itself
  Key(Qt::Key_E, Qt::NoModifier, QString(QChar(0xE9)));
  Key(Qt::Key_Q, Qt::ControlModifier | Qt::AltModifier);  // no character: the command runs
  EXPECT_EQ(ran, (std::vector<TRan>{
                     {cmChar, u"@"}, {cmChar, u"{"}, {cmChar, u"\u00E9"}, {cmSelectAll, u""}}));
  memo.SetKeyMapping(nullptr);
}

TEST_F(MemoInputQt, DeleteIsNotTakenByTheWindowsShortcuts) {
  QKeyEvent over(QEvent::ShortcutOverride, Qt::Key_Delete, Qt::NoModifier);
  over.ignore();
  QApplication::sendEvent(&driver->Widget(), &over);
  EXPECT_TRUE(over.isAccepted());
}

TEST_F(MemoInputQt, InputMethodPreeditThenCommit) {
  Record();
  QList<QInputMethodEvent::Attribute> attrs;
  attrs << QInputMethodEvent::Attribute(QInputMethodEvent::Cursor, 1, 1);
  QInputMethodEvent pre(QStringLiteral("\u304B\u306A"), attrs);
  QApplication::sendEvent(&driver->Widget(), &pre);
  EXPECT_EQ(memo.CommandPart().Preedit().Text, u"\u304B\u306A");
  EXPECT_EQ(memo.CommandPart().Preedit().Caret, 1);
  EXPECT_TRUE(ran.empty()) << "the text does not change while composing";
  driver->Widget().repaint();  // the preedit is drawn without failing

  QInputMethodEvent commit;
  commit.setCommitString(QStringLiteral("\u6F22\u5B57\U0001F600"));
  QApplication::sendEvent(&driver->Widget(), &commit);
  EXPECT_TRUE(memo.CommandPart().Preedit().Text.empty());
  EXPECT_EQ(ran, (std::vector<TRan>{{cmString, u"\u6F22\u5B57\U0001F600"}}));
}

TEST_F(MemoInputQt, TypingSelectingAndClickingEndToEnd) {
  if (!CanType()) GTEST_SKIP() << "the editing and caret parts are not merged yet";
  memo.SetCaretPos({0, 1});
  for (QChar c : QStringLiteral("new "))
    Key(c == u' ' ? Qt::Key_Space : Qt::Key_A + (c.unicode() - u'a'), Qt::NoModifier, c);
  EXPECT_EQ(memo.Lines()->Get(1), u"new gamma");
  Key(Qt::Key_Left, Qt::ShiftModifier);
  Key(Qt::Key_Left, Qt::ShiftModifier);
  EXPECT_EQ(memo.SelLength(), 2);
  EXPECT_EQ(memo.SelText(), u"w ");
  Key(Qt::Key_Z, Qt::ControlModifier, QStringLiteral("\x1A"));
  EXPECT_EQ(memo.Lines()->Get(1), u"gamma") << "one undo step for the typing";

  // Double click selects the word; a drag selects from press to release.
  const TPoint beta = memo.CaretPart().CaretToPoint({7, 0});
  driver->MouseDown({beta.X + 2, beta.Y + 4}, mbLeft);
  driver->MouseUp({beta.X + 2, beta.Y + 4}, mbLeft);
  driver->MouseDown({beta.X + 2, beta.Y + 4}, mbLeft);
  driver->MouseUp({beta.X + 2, beta.Y + 4}, mbLeft);
  synt::Flush();
  EXPECT_EQ(memo.SelText(), u"beta");
  PumpFor(QApplication::doubleClickInterval() + 50);
  const TPoint a = memo.CaretPart().CaretToPoint({1, 0});
  const TPoint b = memo.CaretPart().CaretToPoint({3, 1});
  driver->MouseDown({a.X + 1, a.Y + 4}, mbLeft);
  driver->MouseMove({b.X + 1, b.Y + 4});
  driver->MouseUp({b.X + 1, b.Y + 4}, mbLeft);
  synt::Flush();
  EXPECT_EQ(memo.SelText(), u"lpha beta\r\ngam");
}

}  // namespace
}  // namespace synt
