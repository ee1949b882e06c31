// Lexer libraries and shared style sets, stored as files of the component text form.
//
//   synt::TSyntaxManager lib(nullptr);
//   lib.LoadFromFile("lexers.lxl");                 // replaces every lexer
//   for (int i = 0; i < lib.LexerCount(); ++i) use(lib.Lexers(i));
//   lib.SetLexersMenu(&viewLexersMenu);             // "Plain Text", then the lexers grouped by
//   "::" lib.OnLexerChanged = [&](synt::TObject*) { editor.SetSyntaxAnalyzer(lib.CurrentLexer());
//   }; synt::TLibSyntAnalyzer* css = lib.AddLexer();   // a new, empty lexer of the library
//   lib.SaveToFile("lexers.lxl");                   // lexers only, no menu settings
//
//   synt::TSyntStyles styles(nullptr);
//   styles.LoadFromFile("dark.lxs");                // a named set of styles editors share
#pragma once

#include <string>
#include <vector>

#include "analysis/syntax_analyzer.h"
#include "platform/menus.h"

namespace synt {

class TSyntaxManager;

// A lexer that belongs to a library: its parent is the manager, and it reports a failed load in a
// message box instead of raising.
class TLibSyntAnalyzer : public TSyntAnalyzer {
  SYNT_CLASS_INFO()

 public:
  // With a manager as Owner, the manager's own owner becomes the component owner and the lexer
  // joins the manager.
  explicit TLibSyntAnalyzer(TComponent* Owner);
  ~TLibSyntAnalyzer() override;

  TSyntaxManager* SyntaxManager() const { return manager_; }
  TComponent* GetParentComponent() const override;
  bool HasParent() const override { return manager_ != nullptr; }
  void SetParentComponent(TComponent* Parent) override;

  // An error of the library's exception class shows "Lexer loading error" and ends the load.
  void LoadFromStream(TStream& Stream) override;

 private:
  friend class TSyntaxManager;
  TSyntaxManager* manager_ = nullptr;
};

class TSyntaxManager : public TLoadableComponent {
  SYNT_CLASS_INFO()

 public:
  explicit TSyntaxManager(TComponent* Owner);
  ~TSyntaxManager() override;

  // --- published ---
  TMenuItem* LexersMenu() const { return lexersMenu_; }
  void SetLexersMenu(TMenuItem* Value);
  const std::u16string& MenuPlainText() const { return menuPlainText_; }
  void SetMenuPlainText(const std::u16string& Value);
  TNotifyEvent OnLexerChanged;
  TNotifyEvent OnChange;

  // --- the library ---
  int LexerCount() const { return int(lexers_.size()); }
  TLibSyntAnalyzer* Lexers(int Index) const { return lexers_.at(size_t(Index)); }
  int IndexOf(const TSyntAnalyzer* Lexer) const;
  // A new lexer of the library (owned like the ones read from a file).
  TLibSyntAnalyzer* AddLexer();
  // The first lexer whose LexerName, or else component name, equals Name (without case).
  TLibSyntAnalyzer* FindLexer(std::u16string_view Name) const;
  TLibSyntAnalyzer* CurrentLexer() const { return currentLexer_; }
  // Ignored unless the value differs and is none or one of Lexers.
  void SetCurrentLexer(TLibSyntAnalyzer* Value);
  bool Modified() const { return modified_; }
  void SetModified(bool Value) { modified_ = Value; }

  // Frees every lexer; OnChange; Modified.
  void Clear();
  // Rebuilds the items the manager keeps in LexersMenu.
  void UpdateLexersMenu();

  void LoadFromFile(const std::string& FileName) override;
  void LoadFromStream(TStream& Stream) override;
  void SaveToFile(const std::string& FileName) override;
  // Prefixes "Error in lexer: <last lexer read>. " before the usual question.
  void OnReadError(TReader& Reader, const std::string& Message, bool& Handled) override;

  void GetChildren(const std::function<void(TComponent*)>& Proc, TComponent* Root) override;
  void Loaded() override;

 protected:
  void Notification(TComponent* Component, TOperation Operation) override;

 private:
  friend class TLibSyntAnalyzer;
  struct TMenuClick;
  void AddLexerToList(TLibSyntAnalyzer* Lexer);
  void RemoveLexerFromList(TLibSyntAnalyzer* Lexer);
  void Changed();
  void UpdateCheckMarks();
  void MenuItemClick(TObject* Sender);
  bool IsManagerItem(const TMenuItem* Item) const;

  TMenuItem* lexersMenu_ = nullptr;
  std::u16string menuPlainText_ = u"Plain Text";
  std::vector<TLibSyntAnalyzer*> lexers_;
  TLibSyntAnalyzer* currentLexer_ = nullptr;
  bool modified_ = false;
  int changeLock_ = 0;
};

// A named set of styles shared by editors and popups.
class TSyntStyles : public TLoadableComponent {
  SYNT_CLASS_INFO()

 public:
  explicit TSyntStyles(TComponent* Owner);
  ~TSyntStyles() override;

  TStylesCollection* Styles() const { return styles_.get(); }
  void SetStyles(const TStylesCollection* Value) { styles_->Assign(Value); }

 private:
  std::unique_ptr<TStylesCollection> styles_;
};

}  // namespace synt
