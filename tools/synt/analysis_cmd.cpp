// synt tokens / synt ranges: analyse a text with a lexer from a lexer file or a lexer library.
//   synt tokens --lexer FILE [--name LEXER] INPUT    one JSON line per token
//   synt ranges --lexer FILE [--name LEXER] INPUT    one JSON line per text range, then per line
//                                                    separator
// INPUT may be "-" for standard input. Without --name the first lexer of a library that is not
// Internal is used.
#include <iostream>
#include <map>
#include <memory>

#include "analysis/client_analyzer.h"
#include "analysis/lexer_library.h"
#include "analysis/syntax_analyzer.h"
#include "command.h"
#include "json.h"
#include "platform/dialogs.h"
#include "platform/streams.h"
#include "platform/utf.h"
#include "text/memo_strings.h"

namespace synt::tool {
namespace {

struct Options {
  std::string lexerFile;
  std::u16string name;
  bool hasName = false;
  std::string input;
};

Options ParseOptions(const Args& args, const char* command) {
  Options o;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--lexer" || a == "--name") {
      if (i + 1 >= args.size()) throw UsageError(a + " needs a value");
      if (a == "--lexer")
        o.lexerFile = args[++i];
      else
        o.name = Utf8ToUtf16(args[++i]), o.hasName = true;
    } else if (a.size() > 1 && a[0] == '-' && a != "-") {
      throw UsageError("unknown option '" + a + "'");
    } else if (o.input.empty()) {
      o.input = a;
    } else {
      throw UsageError("more than one input ('" + o.input + "', '" + a + "')");
    }
  }
  if (o.lexerFile.empty())
    throw UsageError(std::string(command) + " needs --lexer FILE (usage: synt " + command +
                     " --lexer FILE [--name LEXER] INPUT)");
  if (o.input.empty()) throw UsageError(std::string(command) + " needs an INPUT file or -");
  return o;
}

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

// Owns whatever was read: a library or a single lexer.
struct LoadedLexer {
  std::unique_ptr<TSyntaxManager> library;
  std::unique_ptr<TSyntAnalyzer> single;
  TSyntAnalyzer* lexer = nullptr;
};

LoadedLexer LoadLexer(const Options& o) {
  std::string bytes;
  try {
    bytes = ReadFileBytes(o.lexerFile);
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
      if (o.hasName) {
        l.lexer = l.library->FindLexer(o.name);
        if (!l.lexer)
          throw std::runtime_error("'" + o.lexerFile + "' has no lexer named '" +
                                   Utf16ToUtf8(o.name) + "'");
      } else {
        for (int i = 0; i < l.library->LexerCount() && !l.lexer; ++i)
          if (!l.library->Lexers(i)->Internal()) l.lexer = l.library->Lexers(i);
        if (!l.lexer && l.library->LexerCount() > 0) l.lexer = l.library->Lexers(0);
        if (!l.lexer) throw std::runtime_error("'" + o.lexerFile + "' holds no lexer");
      }
    } else if (cls == "TSyntAnalyzer" || cls == "TLibSyntAnalyzer") {
      if (cls == "TLibSyntAnalyzer")
        l.single = std::make_unique<TLibSyntAnalyzer>(nullptr);
      else
        l.single = std::make_unique<TSyntAnalyzer>(nullptr);
      l.single->LoadFromStream(stream);
      if (!dialogs.shown.empty()) throw std::runtime_error(Utf16ToUtf8(dialogs.shown));
      if (o.hasName && !SameText(l.single->LexerName(), o.name, cmIgnoreCase) &&
          !SameText(l.single->Name(), o.name, cmIgnoreCase))
        throw std::runtime_error("'" + o.lexerFile + "' has no lexer named '" +
                                 Utf16ToUtf8(o.name) + "'");
      l.lexer = l.single.get();
    } else {
      throw std::runtime_error("'" + o.lexerFile + "' is not a lexer file or lexer library");
    }
  } catch (const Exception& e) {
    throw std::runtime_error("cannot read lexer '" + o.lexerFile + "': " + e.what());
  }
  return l;
}

// Runs Body with an analysed document; errors go to stderr.
template <class Body>
int WithAnalysis(const Args& args, const char* command, Body body) {
  Options o = ParseOptions(args, command);
  try {
    LoadedLexer l = LoadLexer(o);
    TSyntMemoStrings lines;
    std::string data = ReadFileBytes(o.input);
    lines.LoadFromBytes(data);
    TClientSyntAnalyzer client(l.lexer, nullptr, [&] { return &lines; });
    client.Analyze(true);
    body(client);
    std::cout.flush();
    return 0;
  } catch (const std::exception& e) {
    std::cout.flush();
    std::cerr << "synt " << command << ": " << e.what() << "\n";
    return 1;
  }
}

std::u16string RuleName(const TRuleCollectionItem* r) {
  return r ? r->DisplayName() : u"";
}

int RunTokens(const Args& args) {
  return WithAnalysis(args, "tokens", [](TClientSyntAnalyzer& c) {
    for (int i = 0; i < c.TagCount(); ++i) {
      const TSyntToken& t = c.Tags(i);
      TRuleCollectionItem* rule = c.TokenRule(i);
      TSyntaxFormat* style = rule ? rule->Style() : nullptr;
      std::cout << JsonLine()
                       .Add("start", t.StartPos)
                       .Add("end", t.EndPos)
                       .Add("type", t.TokenType)
                       .Add("rule", RuleName(rule))
                       .Add("style", style ? style->DisplayName() : std::u16string())
                       .Add("text", c.TagTextView(i))
                       .Str()
                << '\n';
    }
  });
}

int RunRanges(const Args& args) {
  return WithAnalysis(args, "ranges", [](TClientSyntAnalyzer& c) {
    std::map<const TTextRange*, int> position;
    for (int i = 0; i < c.RangeCount(); ++i) position[c.Ranges(i)] = i;
    for (int i = 0; i < c.RangeCount(); ++i) {
      const TTextRange* r = c.Ranges(i);
      auto parent = r->Parent ? position.find(r->Parent) : position.end();
      std::cout << JsonLine()
                       .Add("rule", RuleName(r->Rule))
                       .Add("start_idx", r->StartIdx)
                       .Add("end_idx", r->EndIdx)
                       .Add("ident_idx", r->IdentIdx)
                       .Add("start", c.RangeStartPos(r))
                       .Add("end", c.RangeEndPos(r))
                       .Add("parent", parent == position.end() ? -1 : parent->second)
                       .Add("collapsed_text", c.GetCollapsedText(r))
                       .Str()
                << '\n';
    }
    for (const TLineBreak& b : c.LineBreaks())
      std::cout << JsonLine()
                       .Add("rule", RuleName(b.Rule))
                       .Add("line", b.Line)
                       .Add("ref_tag", b.RefTag)
                       .Str()
                << '\n';
  });
}

Command tokens_cmd{"tokens", "analyse a text with a lexer and print its tokens", RunTokens};
Command ranges_cmd{"ranges", "analyse a text with a lexer and print its text ranges", RunRanges};

}  // namespace
}  // namespace synt::tool
