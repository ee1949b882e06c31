// synt tokens / synt ranges: analyse a text with a lexer from a lexer file or a lexer library, or
// without --lexer with the shipped lexer that serves the input's file name.
//   synt tokens [--lexer FILE [--name LEXER]] [--edits FILE [--settle]] [--format F] INPUT
//                                   one JSON line per token: start, end, type, rule (the rule
//                                   that styles it: the block rule that tagged it, if one did),
//                                   style, text, token_rule (the token rule that made it; empty
//                                   when it cannot be told), block_rule (the tagging block rule,
//                                   or empty); --format text: one line per token of
//                                   tab-separated start, end, line:column, type name, token rule,
//                                   block rule, style ("-" for none) and the quoted text
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
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <map>
#include <memory>

#include "analysis/client_analyzer.h"
#include "analysis/internal/client_access.h"
#include "analysis/lexer_library.h"
#include "analysis/syntax_analyzer.h"
#include "command.h"
#include "json.h"
#include "lexer_load.h"
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
  std::string format = "json";
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
    } else if (a == "--format" && !ranges) {
      if (i + 1 >= args.size()) throw UsageError(a + " needs a value");
      o.format = args[++i];
      if (o.format != "json" && o.format != "text") throw UsageError("--format is json or text");
    } else if (a == "--settle") {
      o.settle = true;
    } else if (a == "--display" && ranges) {
      o.display = true;
    } else {
      TakeInput(a, o.input);
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

// Runs Body with an analysed document; errors go to stderr.
template <class Body>
int WithAnalysis(const Args& args, const char* command, Body body) {
  Options o = ParseOptions(args, command);
  try {
    LoadedLexer l = o.lexerFile.empty()
                        ? LexerForInput(o.input, command)
                        : LoadLexer(o.lexerFile, o.hasName ? &o.name : nullptr, command);
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
          SettleAnalysis(client, loop);
        else
          client.IdleAppend();  // the slice an event loop runs between two keystrokes
      }
    }
    SettleAnalysis(client, loop);
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

// What a token shows: the rule that styles it (the block rule that tagged it, if one did), the
// token rule that made it and the tagging block rule.
struct TokenRecord {
  TSyntToken token;
  TRuleCollectionItem* rule = nullptr;
  TRuleCollectionItem* tokenRule = nullptr;
  TRuleCollectionItem* blockRule = nullptr;
};

void CollectLexers(TSyntAnalyzer* L, std::vector<TSyntAnalyzer*>& Out) {
  if (!L || std::find(Out.begin(), Out.end(), L) != Out.end()) return;
  Out.push_back(L);
  for (int i = 0; i < L->SubAnalyzers()->Count(); ++i)
    CollectLexers(L->SubAnalyzers()->Items(i)->SyntAnalyzer(), Out);
}

// A tagged token no longer records the token rule that made it. When block rules cannot change
// what the token rules make (the lexer's block analysis may run separately: no state changes by
// block or sub-lexer rules, no parent test on a token rule), a second run with every block rule
// disabled makes the same tokens by the same token rules, and names them. Otherwise the token
// rule of a tagged token stays unknown. Changing the rules resets Client, so Records are taken
// first.
void FindTokenRules(TClientSyntAnalyzer& Client, std::vector<TokenRecord>& Records) {
  TSyntAnalyzer* owner = Client.Owner();
  if (!owner->SeparateBlockAnalysis()) return;
  std::vector<TSyntAnalyzer*> lexers;
  CollectLexers(owner, lexers);
  std::vector<std::pair<TTagBlockCondition*, bool>> saved;
  for (TSyntAnalyzer* l : lexers)
    for (int i = 0; i < l->BlockRules()->Count(); ++i) {
      TTagBlockCondition* b = l->BlockRules()->Items(i);
      saved.emplace_back(b, b->Enabled());
      b->SetEnabled(false);
    }
  {
    TSyntMemoStrings* lines = Client.Source();
    TClientSyntAnalyzer plain(owner, nullptr, [lines] { return lines; });
    ClientAccess::SetBackgroundFinish(plain, false);  // only its tokens are read
    plain.Analyze(true);
    if (plain.TagCount() == int(Records.size()))
      for (size_t i = 0; i < Records.size(); ++i) {
        const TSyntToken& t = plain.Tags(int(i));
        TokenRecord& r = Records[i];
        if (t.StartPos != r.token.StartPos || t.EndPos != r.token.EndPos) continue;
        if (r.blockRule) r.tokenRule = plain.TokenRule(int(i));
      }
  }
  for (auto& [rule, enabled] : saved) rule->SetEnabled(enabled);
}

std::string EscapeText(std::u16string_view Text) {
  std::string out = "\"";
  std::u16string run;  // converted as a whole, so that surrogate pairs stay pairs
  auto flush = [&] {
    out += Utf16ToUtf8(run);
    run.clear();
  };
  for (char16_t c : Text) {
    const char* escape = c == u'\\'   ? "\\\\"
                         : c == u'"'  ? "\\\""
                         : c == u'\n' ? "\\n"
                         : c == u'\r' ? "\\r"
                         : c == u'\t' ? "\\t"
                                      : nullptr;
    if (!escape && c >= 0x20 && c != 0x7F) {
      run.push_back(c);
      continue;
    }
    flush();
    if (escape) {
      out += escape;
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", unsigned(c));
      out += buf;
    }
  }
  flush();
  return out + "\"";
}

std::string TypeName(const TClientSyntAnalyzer& Client, const TSyntToken& T) {
  const TSyntAnalyzer* l = Client.AnalyzerAtPos(T.StartPos);
  const TStrings* names = l ? l->TokenTypeNames() : nullptr;
  if (names && T.TokenType >= 0 && T.TokenType < names->Count())
    return Utf16ToUtf8(names->Strings(T.TokenType));
  return std::to_string(T.TokenType);
}

int RunTokens(const Args& args) {
  return WithAnalysis(args, "tokens", [](TClientSyntAnalyzer& c, const Options& o) {
    std::vector<TokenRecord> records;
    records.reserve(size_t(c.TagCount()));
    bool tagged = false;
    for (int i = 0; i < c.TagCount(); ++i) {
      TokenRecord r;
      r.token = c.Tags(i);
      r.rule = c.TokenRule(i);
      if (dynamic_cast<TTagBlockCondition*>(r.rule))
        r.blockRule = r.rule, tagged = true;
      else
        r.tokenRule = r.rule;
      records.push_back(r);
    }
    // Texts, positions and type names are read while the results stand.
    std::vector<std::u16string> texts;
    std::vector<TPoint> points;
    std::vector<std::string> typeNames;
    for (int i = 0; i < c.TagCount(); ++i) {
      texts.emplace_back(c.TagTextView(i));
      if (o.format == "text") {
        points.push_back(c.Source()->StrPosToCaretPos(records[size_t(i)].token.StartPos));
        typeNames.push_back(TypeName(c, records[size_t(i)].token));
      }
    }
    if (tagged) FindTokenRules(c, records);
    for (size_t i = 0; i < records.size(); ++i) {
      const TokenRecord& r = records[i];
      TSyntaxFormat* style = r.rule ? r.rule->Style() : nullptr;
      if (o.format == "text") {
        auto name = [](const TRuleCollectionItem* x) {
          return x ? "'" + Utf16ToUtf8(x->DisplayName()) + "'" : std::string("-");
        };
        std::cout << r.token.StartPos << '\t' << r.token.EndPos << '\t' << points[i].Y + 1 << ':'
                  << points[i].X + 1 << '\t' << typeNames[i] << '\t' << name(r.tokenRule) << '\t'
                  << name(r.blockRule) << '\t'
                  << (style ? "'" + Utf16ToUtf8(style->DisplayName()) + "'" : std::string("-"))
                  << '\t' << EscapeText(texts[i]) << '\n';
        continue;
      }
      std::cout << JsonLine()
                       .Add("start", r.token.StartPos)
                       .Add("end", r.token.EndPos)
                       .Add("type", r.token.TokenType)
                       .Add("rule", RuleName(r.rule))
                       .Add("style", style ? style->DisplayName() : std::u16string())
                       .Add("text", std::u16string_view(texts[i]))
                       .Add("token_rule", RuleName(r.tokenRule))
                       .Add("block_rule", RuleName(r.blockRule))
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
