// synt edit: loads a file into an editor on the headless host, feeds keys through the same path as
// a window's key events, and prints the editor's state.
//   synt edit [--lexer FILE [--name LEXER]] [--cols N] [--rows N] INPUT --keys "K, K, ..." [-o OUT]
// A key is written as the key mapping writes it ("Ctrl+K", "Shift+End", "Enter", "F3"): a key
// down, then, when it makes a character and no command took it, that character. A quoted item
// ("begin", with \" and \\ inside) types its characters. The result is one JSON line: {"text",
// "caret": [x, y], "sel_start", "sel_end", "sel_mode", "modified", "can_undo", "can_redo"}. With -o
// the document is saved as the application saves it (its encoding and line breaks kept).
#include <charconv>
#include <iostream>
#include <optional>

#include "analysis/client_analyzer.h"
#include "command.h"
#include "editor/memo_file.h"
#include "editor/syntax_memo.h"
#include "json.h"
#include "lexer_load.h"
#include "platform/headless_host.h"
#include "platform/shortcut.h"
#include "platform/utf.h"

namespace synt::tool {
namespace {

struct Options {
  LexerChoice lexer;
  std::string input;
  std::string keys;
  bool hasKeys = false;
  std::string output;
  int cols = 80;
  int rows = 25;
};

Options ParseOptions(const Args& args) {
  Options o;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (o.lexer.Take(args, i)) continue;
    if (a == "--cols") {
      o.cols = IntOption(a, OptionValue(args, i), 1, 10000);
    } else if (a == "--rows") {
      o.rows = IntOption(a, OptionValue(args, i), 1, 10000);
    } else if (a == "--keys") {
      o.keys = OptionValue(args, i);
      o.hasKeys = true;
    } else if (a == "-o") {
      o.output = OptionValue(args, i);
    } else {
      TakeInput(a, o.input);
    }
  }
  if (o.input.empty()) throw UsageError("edit needs an INPUT file");
  if (!o.hasKeys) throw UsageError("edit needs --keys \"K, K, ...\"");
  return o;
}

// One item of --keys: a key, or text to type.
struct KeyItem {
  bool isText = false;
  TShortCut key = 0;
  std::u16string text;
};

std::string Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return std::string(s);
}

// A modifier pressed alone ("Shift", "Ctrl", "Alt").
std::optional<TShortCut> BareModifier(const std::string& Name) {
  if (Name == "Shift") return TShortCut(vkShift | scShift);
  if (Name == "Ctrl") return TShortCut(vkControl | scCtrl);
  if (Name == "Alt") return TShortCut(vkMenu | scAlt);
  return std::nullopt;
}

std::vector<KeyItem> ParseKeys(const std::string& s) {
  std::vector<KeyItem> items;
  size_t i = 0;
  auto skipBlanks = [&] {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  };
  for (;;) {
    skipBlanks();
    if (i >= s.size()) break;
    KeyItem item;
    if (s[i] == '"') {
      std::string text;
      bool closed = false;
      for (++i; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size()) {
          text += s[++i];
        } else if (s[i] == '"') {
          closed = true;
          ++i;
          break;
        } else {
          text += s[i];
        }
      }
      if (!closed) throw UsageError("--keys: a quoted item is not closed: \"" + text);
      item.isText = true;
      item.text = Utf8ToUtf16(text);
      skipBlanks();
      if (i < s.size() && s[i] != ',')
        throw UsageError("--keys: ',' expected after \"" + text + "\"");
    } else {
      // A key name runs to the next comma; "Ctrl+," names the comma key itself.
      size_t end = s.find(',', i);
      while (end != std::string::npos && end > i && s[end - 1] == '+') end = s.find(',', end + 1);
      const std::string name = Trim(s.substr(i, end == std::string::npos ? end : end - i));
      i = end == std::string::npos ? s.size() : end;
      if (name.empty()) throw UsageError("--keys: an empty item");
      std::optional<TShortCut> k = BareModifier(name);
      if (!k) k = TryTextToShortCut(Utf8ToUtf16(name));
      if (!k || *k == 0) throw UsageError("--keys: unknown key '" + name + "'");
      item.key = *k;
    }
    items.push_back(std::move(item));
    if (i < s.size() && s[i] == ',') ++i;
  }
  return items;
}

// The character a key makes on a plain keyboard; 0 when none (Ctrl and Alt chords make none).
char16_t CharOfKey(TShortCut Key) {
  if (Key & (scCtrl | scAlt)) return 0;
  const bool shift = (Key & scShift) != 0;
  const int code = Key & 0xFF;
  if (code >= 'A' && code <= 'Z') return char16_t(shift ? code : code - 'A' + 'a');
  if (code >= '0' && code <= '9' && !shift) return char16_t(code);
  if (code >= 0x60 && code <= 0x69 && !shift) return char16_t('0' + code - 0x60);  // numpad
  if (code == vkSpace) return u' ';
  if (code == vkReturn) return u'\r';
  if (code == vkTab && !shift) return u'\t';
  if (code == vkBack) return 8;
  return 0;
}

const char* ModeName(TSyntSelectionMode m) {
  switch (m) {
    case msNormal:
      return "normal";
    case msColumn:
      return "column";
    case msLine:
      return "line";
    default:
      return "none";
  }
}

int RunEdit(const Args& args) {
  const Options o = ParseOptions(args);
  const std::vector<KeyItem> items = ParseKeys(o.keys);
  try {
    std::optional<LoadedLexer> l;
    if (!o.lexer.file.empty()) {
      l = LoadLexer(o.lexer.file, o.lexer.Name(), "edit");
    } else {
      try {
        l = LexerForInput(o.input, "edit");
      } catch (const std::exception&) {
        l.reset();  // no shipped lexer serves the file: plain text
      }
    }
    THeadlessDesktop desktop;
    TSyntaxMemo memo(nullptr);
    LoadMemoFile(memo, o.input);
    if (l && l->lexer) memo.SetSyntaxAnalyzer(l->lexer);
    const int cellW = 8, cellH = 16;
    THeadlessHost host(desktop, memo,
                       {o.cols * cellW + memo.PaintPart().TextAreaLeft(), o.rows * (cellH + 1)});
    host.Focus();
    if (TClientSyntAnalyzer* client = memo.SyntClient()) SettleAnalysis(*client, desktop.Loop());
    desktop.ProcessEvents();

    for (const KeyItem& item : items) {
      if (item.isText) {
        host.Type(item.text);
      } else {
        const bool handled = host.KeyDown(item.key);
        const char16_t c = CharOfKey(item.key);
        if (!handled && c) memo.KeyPress(c);
        host.KeyUp(item.key);
      }
      desktop.ProcessEvents();
    }

    const TPoint caret = memo.CaretPos();
    std::string caretJson = "[";
    caretJson += std::to_string(caret.X);
    caretJson += ",";
    caretJson += std::to_string(caret.Y);
    caretJson += "]";
    std::cout << JsonLine()
                     .Add("text", std::u16string_view(memo.Lines()->TextView()))
                     .AddRaw("caret", caretJson)
                     .Add("sel_start", memo.SelStart())
                     .Add("sel_end", memo.SelStart() + memo.SelLength())
                     .AddUtf8("sel_mode", ModeName(memo.SelectionMode()))
                     .Add("modified", memo.Modified())
                     .Add("can_undo", memo.CanUndo())
                     .Add("can_redo", memo.CanRedo())
                     .Str()
              << "\n";
    if (!o.output.empty()) SaveMemoFile(memo, o.output);
  } catch (const std::exception& e) {
    std::cerr << "synt edit: " << e.what() << "\n";
    return 1;
  }
  return 0;
}

Command edit_cmd{"edit", "type keys into a file in an editor and print its state", RunEdit};

}  // namespace
}  // namespace synt::tool
