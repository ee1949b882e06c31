// The lexer files of a folder, and the lexer that serves a file by its name or extension.
//
//   synt::TLexerCatalog lexers;
//   lexers.LoadFolder("lexers");                       // every *.lxl, in name order
//   synt::TSyntAnalyzer* l = lexers.ForFile("a.cpp");  // the C++ lexer, or null
//   std::string file = lexers.FileOf(l);               // "lexers/c.lxl"
//
// A lexer serves a file when one of the blank-separated words of its Extentions equals the file's
// extension (without the dot, "*." or "." in front of a word ignored) or its whole name (for
// "Makefile", "CMakeLists.txt"), without regard to case; a whole-name match wins, then the first
// lexer in file order. Internal lexers (sub-lexers) serve no file.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "analysis/lexer_library.h"
#include "platform/dialogs.h"

namespace synt {

// The class of a stored form's root object ("object Name: TClass"), or "" when there is none.
std::string StoredRootClass(const std::string& Text);

// No user to ask while lexers load unattended: every read error ends the load, and the last
// message shown is kept for the caller's report.
class TRefuseReadErrors : public TDialogService {
 public:
  int MessageDlg(const std::u16string&, TMsgDlgType, TMsgDlgButtons, int) override { return mrNo; }
  int MessageBox(const std::u16string& Text, const std::u16string& Caption,
                 TMessageBoxButtons Buttons, TMessageBoxIcon Icon) override;
  std::u16string shown;
};

class TLexerCatalog {
 public:
  TLexerCatalog();
  ~TLexerCatalog();
  TLexerCatalog(const TLexerCatalog&) = delete;
  TLexerCatalog& operator=(const TLexerCatalog&) = delete;

  // Loads every *.lxl of Dir (not its subfolders). A file that fails to load is left out and its
  // error kept in Errors(); the others still load. Read errors end a file's load (no dialog).
  void LoadFolder(const std::filesystem::path& Dir);
  // Loads one lexer file or library; false (and an entry in Errors()) when it cannot be read.
  bool LoadFile(const std::filesystem::path& File);

  TSyntAnalyzer* ForFile(const std::filesystem::path& File) const;
  TSyntAnalyzer* ForExtension(std::u16string_view Extension) const;
  // The file a lexer was loaded from ("" for a lexer the catalog does not hold).
  std::string FileOf(const TSyntAnalyzer* Lexer) const;
  // Every lexer that serves files, in file order.
  std::vector<TSyntAnalyzer*> Lexers() const;
  const std::vector<std::string>& Errors() const { return errors_; }

 private:
  struct Entry {
    std::filesystem::path file;
    std::unique_ptr<TSyntaxManager> library;
    std::unique_ptr<TSyntAnalyzer> single;
  };
  TSyntAnalyzer* Match(std::u16string_view Word) const;

  std::vector<Entry> entries_;
  std::vector<std::string> errors_;
};

}  // namespace synt
