// synt find: the editor's text finder on a file.
//
//   synt find INPUT --find TEXT [--regex] [--case] [--whole-word] [--backward] [--from OFFSET]
//             [--range START:END] [--all] [--replace TEXT]
//
// Prints one line {"start": S, "end": E} per occurrence as the finder finds them (0-based UTF-16
// offsets; the first only, unless --all). With --replace the occurrence (or, with --all, every
// one) is replaced by the editor's replace dialog and the line {"text": ...} gives the result.
#include <iostream>

#include "command.h"
#include "editor/find_dialog.h"
#include "editor/memo_file.h"
#include "editor/syntax_memo.h"
#include "json.h"
#include "platform/dialogs.h"
#include "platform/headless_host.h"
#include "platform/utf.h"

namespace synt::tool {
namespace {

struct Options {
  std::string input;
  std::u16string find;
  bool hasFind = false;
  std::u16string replace;
  bool hasReplace = false;
  TSearchOptions flags;
  bool all = false;
  int from = -1;
  int rangeStart = -1, rangeEnd = -1;
};

void ParseRange(const std::string& Value, Options& O) {
  const size_t colon = Value.find(':');
  if (colon == std::string::npos) throw UsageError("--range needs START:END, not '" + Value + "'");
  O.rangeStart = IntOption("--range START", Value.substr(0, colon), 0);
  O.rangeEnd = IntOption("--range END", Value.substr(colon + 1), 0);
  if (O.rangeEnd < O.rangeStart) {
    std::string msg = "--range ends before it starts ('";
    msg += Value;
    msg += "')";
    throw UsageError(msg);
  }
}

Options ParseOptions(const Args& args) {
  Options o;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--find") {
      o.find = Utf8ToUtf16(OptionValue(args, i));
      o.hasFind = true;
    } else if (a == "--replace") {
      o.replace = Utf8ToUtf16(OptionValue(args, i));
      o.hasReplace = true;
    } else if (a == "--regex") {
      o.flags.Include(ftRegularExpr);
    } else if (a == "--case") {
      o.flags.Include(ftCaseSensitive);
    } else if (a == "--whole-word") {
      o.flags.Include(ftWholeWordOnly);
    } else if (a == "--backward") {
      o.flags.Include(ftBackward);
    } else if (a == "--all") {
      o.all = true;
    } else if (a == "--from") {
      o.from = IntOption(a, OptionValue(args, i), 0);
    } else if (a == "--range") {
      ParseRange(OptionValue(args, i), o);
    } else {
      TakeInput(a, o.input);
    }
  }
  if (o.input.empty()) throw UsageError("find needs an INPUT file");
  if (!o.hasFind) throw UsageError("find needs --find TEXT");
  if (o.find.empty()) throw UsageError("--find needs a non-empty TEXT");
  return o;
}

std::string Offset(const char* What, int Value) {
  std::string s = What;
  s += " ";
  s += std::to_string(Value);
  return s;
}

// Offsets past the text are errors rather than silently clipped.
void CheckOffsets(const Options& O, int Length) {
  auto check = [&](const char* What, int Value) {
    if (Value <= Length) return;
    std::string msg = Offset(What, Value);
    msg += " is past the end of the text (";
    msg += std::to_string(Length);
    msg += " units)";
    throw UsageError(msg);
  };
  if (O.rangeStart >= 0) {
    check("--range START", O.rangeStart);
    check("--range END", O.rangeEnd);
  }
  if (O.from >= 0) check("--from", O.from);
}

void PrintOccurrence(int Start, int End) {
  std::cout << JsonLine().Add("start", Start).Add("end", End).Str() << "\n";
}

int Find(const Options& O, std::u16string_view Text) {
  TTextFinder finder(nullptr);
  finder.SetFindText(O.find);
  finder.SetFlags(O.flags);
  const bool backward = O.flags.Contains(ftBackward);
  int start = O.rangeStart >= 0 ? O.rangeStart : 0;
  int end = O.rangeStart >= 0 ? O.rangeEnd : int(Text.size());
  if (O.from >= 0) (backward ? end : start) = std::clamp(O.from, start, end);
  finder.FindAll(Text, start, end, backward, [&](int s, int len) {
    PrintOccurrence(s, s + len);
    return O.all;
  });
  return 0;
}

int Replace(const Options& O, TCustomSyntaxMemo& Memo) {
  TSyntReplaceDialog dialog(nullptr);
  dialog.SetControl(&Memo);
  dialog.SetFindText(O.find);
  dialog.SetReplaceText(O.replace);
  TSearchOptions flags = O.flags;
  // Groups of a regular expression may be used in the replacement ("\1").
  if (flags.Contains(ftRegularExpr)) flags.Include(ftReplaceTemplate);
  if (O.rangeStart >= 0) {
    flags.Include(ftSelectedText);
    Memo.SelectRange(O.rangeStart, O.rangeEnd - O.rangeStart);
  }
  if (O.from >= 0) {
    TPersistentBlocks keep(&Memo, true);
    Memo.SetCaretStrPos(O.from);
  } else {
    flags.Include(ftEntireScope);
  }
  dialog.SetFlags(flags);
  dialog.SetNoSearchMsg(u"");
  dialog.OnShowDialog = [&](TObject*, int& Result) { Result = O.all ? mrAll : mrOk; };
  dialog.Execute();
  std::cout << JsonLine()
                   .Add("text", std::u16string_view(Memo.Lines()->TextView()))
                   .Add("replaced", dialog.FoundCount())
                   .Str()
            << "\n";
  return 0;
}

int RunFind(const Args& args) {
  const Options o = ParseOptions(args);
  try {
    if (o.flags.Contains(ftRegularExpr)) {
      TqxRegExpr re(o.find);
      const std::string why = re.InvalidReason();
      if (!why.empty()) {
        std::cerr << "synt find: invalid regular expression: " << why << "\n";
        return 1;
      }
    }
    THeadlessDesktop desktop;
    TSyntaxMemo memo(nullptr);
    LoadMemoFile(memo, o.input);
    CheckOffsets(o, memo.Lines()->TextLength());
    if (!o.hasReplace) return Find(o, memo.Lines()->TextView());
    THeadlessHost host(desktop, memo, {640, 480});
    return Replace(o, memo);
  } catch (const UsageError&) {
    throw;
  } catch (const std::exception& e) {
    std::cerr << "synt find: " << e.what() << "\n";
    return 1;
  }
}

Command find_cmd{"find", "find (and replace) text in a file as the editor's finder does", RunFind};

}  // namespace
}  // namespace synt::tool
