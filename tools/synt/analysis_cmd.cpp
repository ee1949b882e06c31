// synt tokens / synt ranges: analyse a text with a lexer from a lexer file or a lexer library, or
// without --lexer with the shipped lexer that serves the input's file name.
//   synt tokens --lexer FILE [--name LEXER] [--edits FILE [--settle]] INPUT
//                                   one JSON line per token
//   synt ranges --lexer FILE [--name LEXER] [--edits FILE [--settle]] [--display] INPUT
//                                   one JSON line per text range, then per line separator; with
//                                   --display also the styled, dynamic and collapsible ranges,
//                                   staples and separator ranges of the background pass
// INPUT may be "-" for standard input. Without --name the first lexer of a library that is not
// Internal is used.
//
// --edits FILE applies edits after the first complete analysis, in order, through the line
// storage: JSON Lines {"pos": offset, "delete": n, "insert": "text"} (offsets in UTF-16 units of
// the text as it is when the edit comes). Between edits the analysis runs one idle slice, as an
// editor's event loop lets it; with --settle it finishes after every edit, background pass
// included. The results are printed once the analysis of the final text has finished.
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>

#include "analysis/client_analyzer.h"
#include "analysis/internal/client_access.h"
#include "analysis/lexer_catalog.h"
#include "analysis/lexer_library.h"
#include "analysis/syntax_analyzer.h"
#include "command.h"
#include "json.h"
#include "platform/dialogs.h"
#include "platform/event_loop.h"
#include "platform/streams.h"
#include "platform/utf.h"
#include "text/memo_strings.h"

namespace synt::tool {
namespace {

using analysis_internal::ClientAccess;

struct Options {
  std::string lexerFile;
  std::u16string name;
  bool hasName = false;
  std::string input;
  std::string editsFile;
  bool settle = false;
  bool display = false;
};

Options ParseOptions(const Args& args, const char* command) {
  Options o;
  const bool ranges = std::string(command) == "ranges";
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--lexer" || a == "--name" || a == "--edits") {
      if (i + 1 >= args.size()) throw UsageError(a + " needs a value");
      if (a == "--lexer")
        o.lexerFile = args[++i];
      else if (a == "--edits")
        o.editsFile = args[++i];
      else
        o.name = Utf8ToUtf16(args[++i]), o.hasName = true;
    } else if (a == "--settle") {
      o.settle = true;
    } else if (a == "--display" && ranges) {
      o.display = true;
    } else if (a.size() > 1 && a[0] == '-' && a != "-") {
      throw UsageError("unknown option '" + a + "'");
    } else if (o.input.empty()) {
      o.input = a;
    } else {
      throw UsageError("more than one input ('" + o.input + "', '" + a + "')");
    }
  }
  if (o.input.empty()) throw UsageError(std::string(command) + " needs an INPUT file or -");
  if (o.lexerFile.empty() && o.input == "-")
    throw UsageError(std::string(command) +
                     " reading standard input needs --lexer FILE (usage: synt " + command +
                     " [--lexer FILE [--name LEXER]] INPUT)");
  if (o.settle && o.editsFile.empty()) throw UsageError("--settle needs --edits FILE");
  return o;
}

// Owns whatever was read: a library, a single lexer or the shipped lexers.
struct LoadedLexer {
  std::unique_ptr<TSyntaxManager> library;
  std::unique_ptr<TSyntAnalyzer> single;
  std::unique_ptr<TLexerCatalog> catalog;
  TSyntAnalyzer* lexer = nullptr;
};

// The shipped lexers: SYNT_LEXERS, else lexers/ beside the folder the tool was built or installed
// in (build/synt -> lexers/), else lexers/ in the current folder.
std::filesystem::path LexerFolder() {
  if (const char* d = std::getenv("SYNT_LEXERS")) return d;
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::canonical("/proc/self/exe", ec);
  if (!ec) {
    for (const auto& up : {exe.parent_path().parent_path(), exe.parent_path()}) {
      if (std::filesystem::is_directory(up / "lexers", ec)) return up / "lexers";
    }
  }
  return "lexers";
}

// Without --lexer: the shipped lexer whose Extentions serve the input's name.
LoadedLexer LexerForInput(const Options& o) {
  LoadedLexer l;
  l.catalog = std::make_unique<TLexerCatalog>();
  const std::filesystem::path dir = LexerFolder();
  l.catalog->LoadFolder(dir);
  l.lexer = l.catalog->ForFile(o.input);
  if (!l.lexer)
    throw std::runtime_error("no lexer in '" + dir.string() + "' serves '" + o.input +
                             "' (give --lexer FILE)");
  return l;
}

LoadedLexer LoadLexer(const Options& o) {
  if (o.lexerFile.empty()) return LexerForInput(o);
  std::string bytes;
  try {
    bytes = ReadFileBytes(o.lexerFile);
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

struct TextEdit {
  int pos = 0, remove = 0;
  std::u16string insert;
};

// Reads the edits, each checked for form; offsets are checked when the edit is applied.
std::vector<TextEdit> ReadEdits(const std::string& File) {
  std::string bytes;
  try {
    bytes = ReadFileBytes(File);
  } catch (const std::exception& e) {
    throw std::runtime_error(std::string("edits ") + e.what());
  }
  std::vector<TextEdit> edits;
  size_t start = 0;
  for (int line = 1; start < bytes.size(); ++line) {
    size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    std::string_view text(bytes.data() + start, end - start);
    start = end + 1;
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    if (text.find_first_not_of(" \t") == std::string_view::npos) continue;
    auto fail = [&](const std::string& why) {
      return std::runtime_error("'" + File + "' line " + std::to_string(line) + ": " + why);
    };
    JsonValue v;
    std::string error;
    if (!ParseJson(text, v, error)) throw fail(error);
    if (v.kind() != JsonValue::Kind::Object) throw fail("an edit is a JSON object");
    TextEdit e;
    auto number = [&](const char* key, int& out) {
      const JsonValue* m = v.Find(key);
      if (!m) return;
      const double d = m->kind() == JsonValue::Kind::Number ? m->AsNumber() : -1;
      if (d < 0 || d > 2147483647.0 || d != double(int(d)))
        throw fail(std::string("\"") + key + "\" must be a whole number from 0");
      out = int(d);
    };
    for (const auto& [key, value] : v.Members())
      if (key != "pos" && key != "delete" && key != "insert")
        throw fail("unknown member \"" + key + "\"");
    if (!v.Find("pos")) throw fail("an edit needs \"pos\"");
    number("pos", e.pos);
    number("delete", e.remove);
    if (const JsonValue* m = v.Find("insert")) {
      if (m->kind() != JsonValue::Kind::String) throw fail("\"insert\" must be a string");
      e.insert = m->AsString();
    }
    edits.push_back(std::move(e));
  }
  return edits;
}

// Turns the tool's event loop until the analysis has finished and, when it builds display
// ranges, its background pass has been taken over.
void Settle(TClientSyntAnalyzer& Client, THeadlessEventLoop& Loop) {
  while (!Client.IsFinished()) {
    Loop.RunPosted();
    const int tokens = Client.TagCount(), blocks = ClientAccess::BlockAnalPos(Client),
              next = Client.NextAnalPos();
    Client.IdleAppend();
    // A slice that got nowhere ended on an error: analysing at once reports it.
    if (!Client.IsFinished() && tokens == Client.TagCount() &&
        blocks == ClientAccess::BlockAnalPos(Client) && next == Client.NextAnalPos())
      Client.CompleteAnalysis();
  }
  while (Client.IsSyntThreadRunning()) {
    Loop.WaitForPosted(100);
    Loop.RunPosted();
  }
}

// Runs Body with an analysed document; errors go to stderr.
template <class Body>
int WithAnalysis(const Args& args, const char* command, Body body) {
  Options o = ParseOptions(args, command);
  try {
    LoadedLexer l = LoadLexer(o);
    std::vector<TextEdit> edits;
    if (!o.editsFile.empty()) edits = ReadEdits(o.editsFile);
    THeadlessEventLoop loop;
    SetEventLoop(&loop);
    struct Restore {
      ~Restore() { SetEventLoop(nullptr); }
    } restore;
    TSyntMemoStrings lines;
    std::string data = ReadFileBytes(o.input);
    lines.LoadFromBytes(data);
    TClientSyntAnalyzer client(l.lexer, nullptr, [&] { return &lines; });
    ClientAccess::SetBackgroundFinish(client, o.display);
    if (edits.empty()) {
      client.Analyze(true);
    } else {
      lines.OnChange = [&](TObject*, int Pos, int Count, int LineChange) {
        client.TextChanged(Pos, Count, LineChange, Pos < 0 ? 0 : lines.LineOfPos(Pos));
      };
      client.CompleteAnalysis();
      int n = 0;
      for (const TextEdit& e : edits) {
        ++n;
        const int length = lines.TextLength();
        if (e.pos > length || e.remove > length - e.pos)
          throw std::runtime_error("edit " + std::to_string(n) +
                                   " reaches past the end of the text (" + std::to_string(length) +
                                   " units)");
        if (e.remove > 0) lines.DeleteText(e.pos, e.remove);
        if (!e.insert.empty()) lines.InsertText(e.pos, e.insert);
        if (o.settle)
          Settle(client, loop);
        else
          client.IdleAppend();  // the slice an event loop runs between two keystrokes
      }
    }
    Settle(client, loop);
    body(client, o);
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
  return WithAnalysis(args, "tokens", [](TClientSyntAnalyzer& c, const Options&) {
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

// One JSON line per display range: "display" names the collection, "layer" its layer.
void PrintDisplayRanges(const TClientSyntAnalyzer& c,
                        const std::map<const TTextRange*, int>& position) {
  auto index = [&](const TTextRange* r) {
    auto it = r ? position.find(r) : position.end();
    return it == position.end() ? -1 : it->second;
  };
  auto each = [](const auto& collection, const char* kind, auto fields) {
    for (int l = 0; l < collection.Count(); ++l) {
      const auto& layer = collection.Layers(l);
      for (int i = 0; i < layer.Count(); ++i) {
        JsonLine j;
        j.AddUtf8("display", kind)
            .Add("layer", l)
            .Add("start", layer[i].StartPos)
            .Add("end", layer[i].EndPos);
        fields(j, layer[i]);
        std::cout << j.Str() << '\n';
      }
    }
  };
  auto styleName = [](const TSyntaxFormat* s) { return s ? s->DisplayName() : std::u16string(); };
  const TDisplayRanges& d = ClientAccess::DisplayRanges(c);
  each(d.Styled, "styled", [&](JsonLine& j, const TStyledRange& r) {
    j.Add("style", styleName(r.Style)).Add("flags", r.Flags).Add("range", index(r.TextRange));
  });
  each(d.Dyno, "dynamic", [&](JsonLine& j, const TDynoRange& r) {
    j.Add("range", index(r.TextRange)).Add("rule", RuleName(r.Rule));
  });
  each(d.Collapsible, "collapsible",
       [&](JsonLine& j, const TCollapsibleRange& r) { j.Add("range", r.RangeIndex); });
  each(d.Staples, "staple",
       [&](JsonLine& j, const TBlockStaple& r) { j.Add("rule", RuleName(r.Rule)); });
  each(d.LineBreaks, "separator",
       [&](JsonLine& j, const TLineBreakRange& r) { j.Add("rule", RuleName(r.Rule)); });
}

int RunRanges(const Args& args) {
  return WithAnalysis(args, "ranges", [](TClientSyntAnalyzer& c, const Options& o) {
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
    if (o.display) PrintDisplayRanges(c, position);
  });
}

Command tokens_cmd{"tokens", "analyse a text with a lexer and print its tokens", RunTokens};
Command ranges_cmd{"ranges", "analyse a text with a lexer and print its text ranges", RunRanges};

}  // namespace
}  // namespace synt::tool
