// The find and replace forms as Qt dialogs: every field kind with its access key, the history,
// the radio groups, the template box enabled by the expression box, default and cancel buttons;
// and the synt-edit menu running the finder. The form is grabbed to a PNG for a look
// ($SYNT_FORM_PNG, else in the temporary folder).
#include <gtest/gtest.h>

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QGroupBox>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>

#include "editor/commands.h"
#include "editor/find_dialog.h"
#include "editor_window.h"
#include "platform/dialogs.h"
#include "qt/qt_form_dialog.h"
#include "qt/qt_platform.h"

namespace synt {
namespace {

// Builds the Qt dialog of every form asked for, lets the test look at it, and cancels.
class TLookingService : public THeadlessDialogService {
 public:
  std::function<void(TQtFormDialog&)> Look;
  int RunForm(TDialogForm& Form) override {
    TQtFormDialog d(Form);
    Look(d);
    return mrCancel;
  }
};

TEST(FindFormQt, ReplaceFormHasEveryFieldWithAccessKeys) {
  TSyntaxMemo memo(nullptr);
  memo.SetText(u"alpha beta");
  TSyntReplaceDialog replace(nullptr);
  replace.SetControl(&memo);
  replace.SetEncHistory(u"alpha\r\nbe#09ta");
  replace.SetReplaceText(u"gamma");
  TLookingService service;
  TDialogServiceScope scope(&service);
  bool looked = false;
  service.Look = [&](TQtFormDialog& d) {
    looked = true;
    QDialog& w = d.Dialog();
    auto* find = w.findChild<QComboBox*>(QStringLiteral("FindText"));
    ASSERT_NE(find, nullptr);
    EXPECT_TRUE(find->isEditable());
    EXPECT_EQ(find->count(), 2);
    EXPECT_EQ(find->itemText(1), QStringLiteral("be\tta"));
    EXPECT_EQ(find->currentText(), QStringLiteral("alpha"));  // the word at the caret
    auto* with = w.findChild<QComboBox*>(QStringLiteral("ReplaceText"));
    ASSERT_NE(with, nullptr);
    EXPECT_EQ(with->currentText(), QStringLiteral("gamma"));
    QStringList boxes;
    for (QCheckBox* c : w.findChildren<QCheckBox*>()) boxes << c->text();
    EXPECT_EQ(boxes, (QStringList{"&Case sensitive", "&Whole words only", "Reg&ular expressions",
                                  "&Prompt on replace", "Replace with &template"}));
    EXPECT_EQ(w.findChildren<QRadioButton*>().size(), 6);
    EXPECT_EQ(w.findChildren<QButtonGroup*>().size(), 3);
    auto* regex = w.findChild<QCheckBox*>(QStringLiteral("RegularExpr"));
    auto* tmpl = w.findChild<QCheckBox*>(QStringLiteral("ReplaceTemplate"));
    EXPECT_FALSE(tmpl->isEnabled());
    regex->setChecked(true);
    EXPECT_TRUE(tmpl->isEnabled());
    regex->setChecked(false);
    QStringList buttons;
    QPushButton* def = nullptr;
    for (QPushButton* b : w.findChild<QDialogButtonBox*>()->findChildren<QPushButton*>()) {
      buttons << b->text();
      if (b->isDefault()) def = b;
    }
    buttons.sort();
    EXPECT_EQ(buttons, (QStringList{"&Replace", "Cancel", "Replace &All"}));
    ASSERT_NE(def, nullptr);
    EXPECT_EQ(def->text(), QStringLiteral("&Replace"));
    w.adjustSize();
    const QString png = qEnvironmentVariableIsSet("SYNT_FORM_PNG")
                            ? qEnvironmentVariable("SYNT_FORM_PNG")
                            : QDir::temp().filePath(QStringLiteral("synt-replace-form.png"));
    EXPECT_TRUE(w.grab().save(png));
  };
  replace.Execute();
  EXPECT_TRUE(looked);
  // Cancelled: nothing read back.
  EXPECT_EQ(replace.FindText(), u"");
}

TEST(FindFormQt, TheEditMenuRunsTheFinder) {
  TScriptedDialogService dialogs({}, mrCancel);
  TDialogServiceScope scope(&dialogs);
  edit::TEditorWindow window;
  window.Memo().SetText(u"one two one two");
  QAction* find = window.ActionFor(cmFindDialog);
  ASSERT_NE(find, nullptr);
  EXPECT_TRUE(find->text().contains(QStringLiteral("Ctrl+F")));
  EXPECT_TRUE(window.ActionFor(cmSearchAgain)->text().contains(QStringLiteral("F3")));
  EXPECT_TRUE(window.ActionFor(cmReplaceDialog)->text().contains(QStringLiteral("Ctrl+R")));
  dialogs.PushForm({mrOk, {{u"FindText", u"two"}}});
  find->trigger();
  EXPECT_EQ(window.Memo().SelStart(), 4);
  EXPECT_EQ(window.Memo().SelLength(), 3);
  window.ActionFor(cmSearchAgain)->trigger();
  EXPECT_EQ(window.Memo().SelStart(), 12);
  window.ActionFor(cmSearchAgain)->trigger();  // wraps to the start
  EXPECT_EQ(window.Memo().SelStart(), 4);
}

// A placed confirmation box opens next to the rectangle it must not cover, and answers with the
// button pressed.
TEST(FindFormQt, PlacedMessageBoxOpensAboveTheRectangle) {
  TQtDialogService service;
  QScreen* screen = QGuiApplication::primaryScreen();
  ASSERT_NE(screen, nullptr);
  const QRect work = screen->availableGeometry();
  const TRect near{work.left() + 100, work.top() + 400, work.left() + 160, work.top() + 416};
  QPoint at;
  QSize size;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    at = box->pos();
    size = box->frameGeometry().size();
    box->button(QMessageBox::No)->click();
  });
  EXPECT_EQ(service.MessageDlgNear(u"Replace this occurence of 'a'?", mtConfirmation,
                                   {mbYes, mbNo, mbCancel, mbAll}, near),
            mrNo);
  ASSERT_FALSE(size.isEmpty()) << "the box was shown";
  EXPECT_EQ(at.x(), near.Left);
  EXPECT_LE(at.y() + size.height(), near.Top + 1) << "above the rectangle";
  EXPECT_GE(at.y(), work.top());
}

}  // namespace
}  // namespace synt
