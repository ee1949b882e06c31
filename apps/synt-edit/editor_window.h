// The main window of synt-edit: one file in an editor, a menu bar whose items run the editor's
// commands, opening and saving with the file's encoding and line breaks kept, and a title that
// shows the file's name and whether it has unsaved changes.
#pragma once

#include <QMainWindow>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "editor/find_dialog.h"
#include "editor/syntax_memo.h"
#include "lexer_load.h"
#include "platform/image_list.h"
#include "qt/qt_control_widget.h"

class QAction;
class QMenu;

namespace synt::edit {

class TEditorWindow : public QMainWindow {
 public:
  TEditorWindow();
  ~TEditorWindow() override;

  TSyntaxMemo& Memo() { return memo_; }
  TSyntFindDialog& FindDialog() { return find_; }
  TSyntReplaceDialog& ReplaceDialog() { return replace_; }
  TQtControlWidget& Editor() { return *editor_; }
  const std::string& FileName() const { return fileName_; }

  // Reads FileName with Lexer (none: the shipped lexer serving the file, else plain text).
  // Raises synt::Exception with a message for the user; the window keeps what it showed.
  void Open(const std::string& FileName, tool::LoadedLexer Lexer = {});
  // Writes to FileName (empty: the current one); false when the user cancelled or it failed
  // (the failure shown, the text still modified).
  bool Save(const std::string& FileName = {});
  // Asks where, then saves.
  bool SaveAs();
  // With unsaved changes: Save / Discard / Cancel. True when the window may drop the text.
  bool MayDiscard();

  // The menu actions by command id (tests and the menu's enabled states).
  QAction* ActionFor(int Command) const;

 protected:
  void closeEvent(QCloseEvent* E) override;

 private:
  void BuildMenus();
  // Line numbers, bookmarks, the changed-lines band and the fold buttons.
  void SetUpGutter();
  QAction* AddCommand(QMenu* Menu, const QString& Caption, int Command);
  void UpdateTitle();
  void UpdateEnabled();
  void ShowError(const QString& What, const std::exception& E);

  TSyntaxMemo memo_{nullptr};
  TImageList bookmarkImages_{nullptr};
  tool::LoadedLexer lexer_;
  // Attached to the editor: its search commands (and the Edit menu's) run them.
  TSyntFindDialog find_{nullptr};
  TSyntReplaceDialog replace_{nullptr};
  TQtControlWidget* editor_ = nullptr;
  std::string fileName_;
  std::vector<std::pair<int, QAction*>> actions_;
};

}  // namespace synt::edit
