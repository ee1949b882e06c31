#include "lexer_load.h"

#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "analysis/client_analyzer.h"
#include "analysis/internal/client_access.h"
#include "command.h"
#include "lint.h"
#include "platform/dialogs.h"
#include "platform/event_loop.h"
#include "platform/streams.h"
#include "platform/utf.h"

namespace synt::tool {
namespace {

void ReportFindings(TSyntAnalyzer& Lexer, const std::string& File, const char* Command) {
  for (const LintFinding& f : LoadFindings(Lexer))
    std::cerr << "synt " << Command << ": " << File << ": " << FormatFinding(f) << "\n";
}

// The name of a stored form's root object ("object NAME: TClass"), "" when it has none. A lexer
// read from a file keeps the name it has, so the reader gives it this one first: messages and
// name paths then say "CAnalyzer.TokenRules[3]" as the file does.
std::u16string StoredRootName(const std::string& Text) {
  const size_t p = Text.find("object");
  if (p == std::string::npos) return {};
  const size_t colon = Text.find(':', p), eol = Text.find('\n', p);
  if (colon == std::string::npos || (eol != std::string::npos && colon > eol)) return {};
  std::string name = Text.substr(p + 6, colon - p - 6);
  const size_t b = name.find_first_not_of(" \t"), e = name.find_last_not_of(" \t");
  return b == std::string::npos ? std::u16string() : Utf8ToUtf16(name.substr(b, e - b + 1));
}

// SYNT_LEXERS, else lexers/ beside the folder the tool was built or installed in (build/synt ->
// lexers/), else lexers/ in the current folder.
std::filesystem::path LexerFolder() {
  if (const char* d = std::getenv("SYNT_LEXERS")) return d;
  if (const char* d = std::getenv("SYNT_LEXER_DIR")) return d;
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::canonical("/proc/self/exe", ec);
  if (!ec) {
    for (const auto& up : {exe.parent_path().parent_path(), exe.parent_path()}) {
      if (std::filesystem::is_directory(up / "lexers", ec)) return up / "lexers";
    }
    const auto shared = exe.parent_path().parent_path() / "share" / "synt" / "lexers";
    if (std::filesystem::is_directory(shared, ec)) return shared;
  }
  return "lexers";
}

}  // namespace

LoadedLexer LoadLexer(const std::string& File, const std::u16string* Name, const char* Command,
                      bool Report) {
  std::string bytes;
  try {
    bytes = ReadFileBytes(File);
  } catch (const std::exception& e) {
    throw std::runtime_error(std::string("lexer ") + e.what());
  }
  TRefuseReadErrors dialogs;
  TDialogServiceScope scope(&dialogs);
  RegisterLexerClasses();
  LoadedLexer l;
  const std::string cls = StoredRootClass(bytes);
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
      if (const std::u16string n = StoredRootName(bytes); IsValidIdent(n)) l.single->SetName(n);
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
  if (Report) ReportFindings(*l.lexer, File, Command);
  return l;
}

LoadedLexer LexerForInput(const std::string& Input, const char* Command) {
  LoadedLexer l;
  l.catalog = std::make_unique<TLexerCatalog>();
  const std::filesystem::path dir = LexerFolder();
  l.catalog->LoadFolder(dir);
  l.lexer = l.catalog->ForFile(Input);
  if (!l.lexer)
    throw std::runtime_error("no lexer in '" + dir.string() + "' serves '" + Input +
                             "' (give --lexer FILE)");
  ReportFindings(*l.lexer, l.catalog->FileOf(l.lexer), Command);
  return l;
}

using analysis_internal::ClientAccess;

void SettleAnalysis(TClientSyntAnalyzer& Client, THeadlessEventLoop& Loop) {
  SettleAnalysis(Client, [&Loop](unsigned WaitMs) {
    if (WaitMs > 0) Loop.WaitForPosted(WaitMs);
    Loop.RunPosted();
  });
}

void SettleAnalysis(TClientSyntAnalyzer& Client, const std::function<void(unsigned)>& Pump) {
  while (!Client.IsFinished()) {
    Pump(0);
    const int tokens = Client.TagCount(), blocks = ClientAccess::BlockAnalPos(Client),
              next = Client.NextAnalPos();
    Client.IdleAppend();
    // A slice that got nowhere ended on an error: analysing at once reports it.
    if (!Client.IsFinished() && tokens == Client.TagCount() &&
        blocks == ClientAccess::BlockAnalPos(Client) && next == Client.NextAnalPos())
      Client.CompleteAnalysis();
  }
  while (Client.IsSyntThreadRunning()) Pump(100);
}

}  // namespace synt::tool
