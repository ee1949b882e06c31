#include "lexer_load.h"

#include <cctype>
#include <iostream>

#include "command.h"
#include "lint.h"
#include "platform/dialogs.h"
#include "platform/streams.h"
#include "platform/utf.h"

namespace synt::tool {
namespace {

// No user to ask: every read error ends the load (the error reaches the caller).
class RefuseErrors : public TDialogService {
 public:
  int MessageDlg(const std::u16string&, TMsgDlgType, TMsgDlgButtons, int) override { return mrNo; }
  int MessageBox(const std::u16string& Text, const std::u16string&, TMessageBoxButtons,
                 TMessageBoxIcon) override {
    shown = Text;
    return mrOk;
  }
  std::u16string shown;
};

// The class of the stored file's root object ("object Name: TClass").
std::string RootClass(const std::string& Text) {
  size_t p = Text.find("object");
  if (p == std::string::npos) return {};
  size_t colon = Text.find(':', p);
  size_t eol = Text.find('\n', p);
  if (colon == std::string::npos || (eol != std::string::npos && colon > eol)) return {};
  size_t b = colon + 1;
  while (b < Text.size() && Text[b] == ' ') ++b;
  size_t e = b;
  while (e < Text.size() && (isalnum(static_cast<unsigned char>(Text[e])) || Text[e] == '_')) ++e;
  return Text.substr(b, e - b);
}

}  // namespace

LoadedLexer LoadLexer(const std::string& File, const std::u16string* Name, const char* Command,
                      bool ReportFindings) {
  std::string bytes;
  try {
    bytes = ReadFileBytes(File);
  } catch (const std::exception& e) {
    throw std::runtime_error(std::string("lexer ") + e.what());
  }
  RefuseErrors dialogs;
  TDialogServiceScope scope(&dialogs);
  RegisterLexerClasses();
  LoadedLexer l;
  const std::string cls = RootClass(bytes);
  TMemoryStream stream(bytes);
  try {
    if (cls == "TSyntaxManager") {
      l.library = std::make_unique<TSyntaxManager>(nullptr);
      l.library->LoadFromStream(stream);
      if (Name) {
        l.lexer = l.library->FindLexer(*Name);
        if (!l.lexer)
          throw std::runtime_error("'" + File + "' has no lexer named '" + Utf16ToUtf8(*Name) +
                                   "'");
      } else {
        for (int i = 0; i < l.library->LexerCount() && !l.lexer; ++i)
          if (!l.library->Lexers(i)->Internal()) l.lexer = l.library->Lexers(i);
        if (!l.lexer && l.library->LexerCount() > 0) l.lexer = l.library->Lexers(0);
        if (!l.lexer) throw std::runtime_error("'" + File + "' holds no lexer");
      }
    } else if (cls == "TSyntAnalyzer" || cls == "TLibSyntAnalyzer") {
      if (cls == "TLibSyntAnalyzer")
        l.single = std::make_unique<TLibSyntAnalyzer>(nullptr);
      else
        l.single = std::make_unique<TSyntAnalyzer>(nullptr);
      l.single->LoadFromStream(stream);
      if (!dialogs.shown.empty()) throw std::runtime_error(Utf16ToUtf8(dialogs.shown));
      if (Name && !SameText(l.single->LexerName(), *Name, cmIgnoreCase) &&
          !SameText(l.single->Name(), *Name, cmIgnoreCase))
        throw std::runtime_error("'" + File + "' has no lexer named '" + Utf16ToUtf8(*Name) + "'");
      l.lexer = l.single.get();
    } else {
      throw std::runtime_error("'" + File + "' is not a lexer file or lexer library");
    }
  } catch (const Exception& e) {
    throw std::runtime_error("cannot read lexer '" + File + "': " + e.what());
  }
  if (ReportFindings)
    for (const LintFinding& f : LoadFindings(*l.lexer))
      std::cerr << "synt " << Command << ": " << File << ": " << FormatFinding(f) << "\n";
  return l;
}

}  // namespace synt::tool
