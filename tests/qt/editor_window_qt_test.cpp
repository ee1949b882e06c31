// The synt-edit window in process: the title follows the file and its unsaved changes, saving
// keeps the file's bytes as they were read, failures are shown and lose nothing, and closing with
// unsaved changes asks first.
#include <gtest/gtest.h>

#include <QMenu>
#include <filesystem>

#include "editor/commands.h"
#include "editor_window.h"
#include "platform/dialogs.h"
#include "qt_driver.h"
#include "tool_runner.h"

namespace synt {
namespace {

class EditorWindowQt : public test::ToolTest {
 protected:
  void SetUp() override {
    ToolTest::SetUp();
    window = std::make_unique<edit::TEditorWindow>();
  }
  void TearDown() override {
    window.reset();
    ToolTest::TearDown();
  }
  std::string Title() const { return window->windowTitle().toStdString(); }

  TScriptedDialogService dialogs{{}, mrCancel};
  TDialogServiceScope scope{&dialogs};
  std::unique_ptr<edit::TEditorWindow> window;
};

TEST_F(EditorWindowQt, TitleShowsTheFileAndUnsavedChanges) {
  const std::string bytes = "caf\xC3\xA9 au lait\r\nsecond line\r\n";
  Write(Path("notes.txt"), bytes);
  window->Open(Path("notes.txt"));
  EXPECT_EQ(Title(), "notes.txt \xE2\x80\x94 synt-edit");
  window->Memo().Lines()->InsertText(0, u"\u20AC ");
  window->Memo().SetModified(true);
  EXPECT_EQ(Title(), "*notes.txt \xE2\x80\x94 synt-edit");
  ASSERT_TRUE(window->Save());
  EXPECT_EQ(Title(), "notes.txt \xE2\x80\x94 synt-edit");
  EXPECT_EQ(Read(Path("notes.txt")), "\xE2\x82\xAC " + bytes) << "UTF-8 without a mark, CR LF";
  EXPECT_TRUE(dialogs.Shown().empty());
}

TEST_F(EditorWindowQt, AFailedSaveIsShownAndLosesNothing) {
  Write(Path("a.txt"), "text\n");
  window->Open(Path("a.txt"));
  window->Memo().Lines()->InsertText(0, u"more ");
  window->Memo().SetModified(true);
  EXPECT_FALSE(window->Save(Path("no/such/folder/a.txt")));
  ASSERT_EQ(dialogs.Shown().size(), 1u);
  EXPECT_EQ(dialogs.Shown()[0].Icon, mbiError);
  EXPECT_NE(dialogs.Shown()[0].Text.find(u"not saved"), std::u16string::npos);
  EXPECT_TRUE(window->Memo().Modified());
  EXPECT_EQ(window->Memo().Text(), u"more text\n");
  EXPECT_EQ(window->FileName(), Path("a.txt")) << "still the file it was";
  EXPECT_EQ(Read(Path("a.txt")), "text\n");

  // Opening what cannot be read keeps the window's text.
  EXPECT_ANY_THROW(window->Open(Path("missing.txt")));
  EXPECT_EQ(window->Memo().Text(), u"more text\n");
}

TEST_F(EditorWindowQt, TextTheCodePageCannotHoldIsSavedAsUtf8OnlyWhenAccepted) {
  Write(Path("l.txt"), "caf\xE9\n");
  window->Memo().Lines()->SetCodePage(1252);
  window->Open(Path("l.txt"));
  window->Memo().Lines()->InsertText(0, u"\u4E2D");
  window->Memo().SetModified(true);
  dialogs.Push(mrNo);
  EXPECT_FALSE(window->Save());
  EXPECT_EQ(Read(Path("l.txt")), "caf\xE9\n");
  dialogs.Push(mrYes);
  EXPECT_TRUE(window->Save());
  EXPECT_EQ(Read(Path("l.txt")),
            "\xE4\xB8\xAD"
            "caf\xC3\xA9\n");
}

TEST_F(EditorWindowQt, ClosingWithUnsavedChangesAsks) {
  Write(Path("c.txt"), "x\n");
  window->Open(Path("c.txt"));
  window->show();
  synt::Flush();
  EXPECT_TRUE(window->close()) << "nothing to save: no question";
  EXPECT_TRUE(dialogs.Shown().empty());
  window->show();
  window->Memo().Lines()->InsertText(0, u"y");
  window->Memo().SetModified(true);
  dialogs.Push(mrCancel);
  EXPECT_FALSE(window->close());
  EXPECT_TRUE(window->isVisible());
  dialogs.Push(mrYes);  // save, then close
  EXPECT_TRUE(window->close());
  EXPECT_EQ(Read(Path("c.txt")), "yx\n");
  window->show();
  window->Memo().Lines()->InsertText(0, u"z");
  window->Memo().SetModified(true);
  dialogs.Push(mrNo);  // discard
  EXPECT_TRUE(window->close());
  EXPECT_EQ(Read(Path("c.txt")), "yx\n");
  EXPECT_EQ(dialogs.Shown().size(), 3u);
}

TEST_F(EditorWindowQt, MenuItemsRunTheEditorsCommands) {
  Write(Path("m.txt"), "one\ntwo\n");
  window->Open(Path("m.txt"));
  std::vector<int> ran;
  window->Memo().OnExecuteCommand = [&](TObject*, int C, void*, bool&) { ran.push_back(C); };
  for (int c : {cmUndo, cmRedo, cmCut, cmCopy, cmPaste, cmSelectAll, cmGotoLine}) {
    QAction* a = window->ActionFor(c);
    ASSERT_NE(a, nullptr) << c;
    a->trigger();
  }
  EXPECT_EQ(ran,
            (std::vector<int>{cmUndo, cmRedo, cmCut, cmCopy, cmPaste, cmSelectAll, cmGotoLine}));
  EXPECT_TRUE(window->ActionFor(cmSelectAll)->text().contains(QStringLiteral("Ctrl+A")))
      << "the key the editor's mapping gives it";
}

}  // namespace
}  // namespace synt
