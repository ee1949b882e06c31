// synt paint: lays a text out in the editor control on the headless host and prints what each
// visible display line shows, run by run, with the styles merged for it.
//   synt paint [--lexer FILE [--name LEXER]] [--cols N] [--rows N] [--top LINE] [--wrap
//              [--wrap-at N]] [--fold LINE,...] [--fold-all] [--select START:END]
//              [--mark START:END] [--gutter [--bookmark N:OFFSET]...] INPUT
// One JSON line per display line: {"line", "row", "start", "end", "folded", "collapsed_text",
// "runs": [{"start", "end", "text", "styles", "fg", "bg", "font", "bold", "italic", "underline",
// "strike"}]}. Lines are 0-based, offsets 0-based UTF-16 units of the text; "styles" names the
// styles merged into the run, lowest priority first. The window is N columns of a fixed cell wide
// (default 120); without --rows every display line is printed. --top is the first text line shown;
// --fold collapses the blocks that start on the given lines.
// --gutter adds "gutter": {"number", "state", "fold", "bookmarks", "objects"} to each display line:
// the line number text as the gutter shows it (on the line's first row only, "" on continuation
// rows), the line's change state (0 unchanged, 1 changed, 2 inserted, 3 saved), its fold mark
// ("none", "open" a foldable block starts, "closed" a folded one, "line" inside a block, "end"
// a block ends), the numbers of the bookmarks on the line, and its other gutter objects, each as
// its Name, or as its image index (a number) when it has no name. --bookmark sets bookmark N at a
// text offset first.
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <iostream>
#include <map>
#include <sstream>

#include "analysis/client_analyzer.h"
#include "command.h"
#include "editor/syntax_memo.h"
#include "json.h"
#include "lexer_load.h"
#include "platform/headless_host.h"

namespace synt::tool {
namespace {

struct Options {
  LexerChoice lexer;
  std::string input;
  int cols = 120;
  int rows = -1;
  int top = 0;
  bool wrap = false;
  int wrapAt = 0;
  std::vector<int> fold;
  bool foldAll = false;
  int selStart = -1, selEnd = -1;
  int markStart = -1, markEnd = -1;
  bool gutter = false;
  std::vector<std::pair<int, int>> bookmarks;
};

void ParseSpan(const std::string& option, const std::string& s, int& start, int& end) {
  const size_t colon = s.find(':');
  if (colon == std::string::npos) {
    std::string msg = option;
    msg += " needs START:END, not '";
    msg += s;
    msg += "'";
    throw UsageError(msg);
  }
  start = IntOption(option, s.substr(0, colon), 0);
  end = IntOption(option, s.substr(colon + 1), 0);
  if (end < start) std::swap(start, end);
}

Options ParseOptions(const Args& args) {
  Options o;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (o.lexer.Take(args, i)) continue;
    if (a == "--cols") {
      o.cols = IntOption(a, OptionValue(args, i), 1);
    } else if (a == "--rows") {
      o.rows = IntOption(a, OptionValue(args, i), 1);
    } else if (a == "--top") {
      o.top = IntOption(a, OptionValue(args, i), 0);
    } else if (a == "--wrap") {
      o.wrap = true;
    } else if (a == "--wrap-at") {
      o.wrapAt = IntOption(a, OptionValue(args, i), 1);
    } else if (a == "--fold") {
      std::stringstream list(OptionValue(args, i));
      for (std::string item; std::getline(list, item, ',');)
        o.fold.push_back(IntOption(a, item, 0));
    } else if (a == "--fold-all") {
      o.foldAll = true;
    } else if (a == "--select") {
      ParseSpan(a, OptionValue(args, i), o.selStart, o.selEnd);
    } else if (a == "--mark") {
      ParseSpan(a, OptionValue(args, i), o.markStart, o.markEnd);
    } else if (a == "--gutter") {
      o.gutter = true;
    } else if (a == "--bookmark") {
      const std::string v = OptionValue(args, i);
      const size_t colon = v.find(':');
      if (colon == std::string::npos) {
        std::string msg = "--bookmark needs N:OFFSET, not '";
        msg += v;
        msg += "'";
        throw UsageError(msg);
      }
      o.bookmarks.emplace_back(IntOption(a, v.substr(0, colon), 0),
                               IntOption(a, v.substr(colon + 1), 0));
    } else {
      TakeInput(a, o.input);
    }
  }
  if (o.input.empty()) throw UsageError("paint needs an INPUT file or -");
  if (o.lexer.file.empty() && o.input == "-")
    throw UsageError("paint reading standard input needs --lexer FILE");
  if (o.wrapAt > 0 && !o.wrap) throw UsageError("--wrap-at needs --wrap");
  if (!o.bookmarks.empty() && !o.gutter) throw UsageError("--bookmark needs --gutter");
  return o;
}

std::string Hex(TColor c) {
  const uint32_t rgb = ColorToRGB(c);  // 0x00BBGGRR
  char buf[8];
  std::snprintf(buf, sizeof buf, "#%02x%02x%02x", rgb & 0xFF, (rgb >> 8) & 0xFF,
                (rgb >> 16) & 0xFF);
  return buf;
}

// One run as the painter drew it.
struct Run {
  int start = 0, len = 0;
  std::u16string text;
  std::vector<std::u16string> styles;
  TColor fg = 0, bg = 0;
  bool clearBrush = false;
  std::u16string font;
  TFontStyles fontStyle;
  bool collapseMark = false;
};

// Everything drawn on one text line, in drawing order.
using LineRuns = std::map<int, std::vector<Run>>;

std::string RunJson(const Run& r, int lineStart, TColor windowColor) {
  std::string s = "{\"start\":";
  s += std::to_string(lineStart + r.start);
  s += ",\"end\":";
  s += std::to_string(lineStart + r.start + r.len);
  s += ",\"text\":";
  s += JsonQuote(r.text);
  s += ",\"styles\":";
  s += JsonArray(r.styles);
  s += ",\"fg\":\"";
  s += Hex(r.fg);
  s += "\",\"bg\":\"";
  s += Hex(r.clearBrush ? windowColor : r.bg);
  s += "\",\"font\":";
  s += JsonQuote(r.font);
  s += ",\"bold\":";
  s += r.fontStyle.Contains(fsBold) ? "true" : "false";
  s += ",\"italic\":";
  s += r.fontStyle.Contains(fsItalic) ? "true" : "false";
  s += ",\"underline\":";
  s += r.fontStyle.Contains(fsUnderline) ? "true" : "false";
  s += ",\"strike\":";
  s += r.fontStyle.Contains(fsStrikeOut) ? "true" : "false";
  s += "}";
  return s;
}

const char* FoldName(int State) {
  switch (State) {
    case 1:
      return "closed";
    case 0:
      return "open";
    case -1:
      return "end";
    case -2:
      return "line";
    default:
      return "none";
  }
}

// The gutter of one display line.
std::string GutterJson(TSyntaxMemo& Memo, int Line, int Row) {
  TMemoGutterPart& g = Memo.GutterPart();
  std::string s = "{\"number\":";
  s += JsonQuote(Row == 0 && Memo.LineNumbers()->Visible() ? g.LineNumberText(Line) : u"");
  s += ",\"state\":";
  s += std::to_string(int(Memo.Lines()->LineState(Line)));
  s += ",\"fold\":\"";
  s += FoldName(Memo.GetLineState(Line));
  s += "\",\"bookmarks\":[";
  std::string objects;
  bool firstMark = true;
  TGutterLineObjects list;
  g.LineObjects(Line, list);
  for (const TGutterLineObject& it : list.Items()) {
    if (auto* b = dynamic_cast<TBookmark*>(it.Object)) {
      if (!firstMark) s += ",";
      firstMark = false;
      s += std::to_string(b->Number());
      continue;
    }
    if (!objects.empty()) objects += ",";
    objects += it.Object->Name().empty() ? std::to_string(it.Object->ImageIndex())
                                         : JsonQuote(it.Object->Name());
  }
  s += "],\"objects\":[";
  s += objects;
  s += "]}";
  return s;
}

int RunPaint(const Args& args) {
  const Options o = ParseOptions(args);
  try {
    LoadedLexer l = o.lexer.file.empty() ? LexerForInput(o.input, "paint")
                                         : LoadLexer(o.lexer.file, o.lexer.Name(), "paint");
    THeadlessDesktop desktop;  // its event loop serves the analysis
    TSyntaxMemo memo(nullptr);
    memo.Lines()->LoadFromBytes(ReadFileBytes(o.input));
    memo.SetSyntaxAnalyzer(l.lexer);
    const int cellW = 8, cellH = 16;  // the headless host's fixed cell
    THeadlessHost host(desktop, memo, {o.cols * cellW + memo.PaintPart().TextAreaLeft(), cellH});
    host.Focus();
    if (TClientSyntAnalyzer* client = memo.SyntClient()) SettleAnalysis(*client, desktop.Loop());
    desktop.ProcessEvents();

    if (o.wrap) {
      if (o.wrapAt > 0) {
        memo.SetRightMargin(o.wrapAt);
        TSyntaxMemoOptions opts = memo.Options();
        opts.Include(soBreakOnRightMargin);
        memo.SetOptions(opts);
      }
      memo.SetWordWrap(true);
    }
    if (o.foldAll) memo.CollapseAll();
    for (int line : o.fold) {
      if (line >= memo.Lines()->GetCount()) {
        std::string msg = "--fold: line ";
        msg += std::to_string(line);
        msg += " is past the last line (";
        msg += std::to_string(memo.Lines()->GetCount() - 1);
        msg += ")";
        throw std::runtime_error(msg);
      }
      const int state = memo.GetLineState(line);  // 1: folded already
      if (state != 1 && (state != 0 || !memo.ToggleCollapse(line)))
        std::cerr << "synt paint: --fold: no block to collapse starts on line " << line << "\n";
    }
    const int length = memo.Lines()->TextLength();
    if (o.selStart >= 0) {
      const int a = std::min(o.selStart, length), b = std::min(o.selEnd, length);
      memo.Selection().SetSelection(a, b - a);
    }
    for (const auto& [number, offset] : o.bookmarks) memo.SetBookmark(number, offset);
    if (o.markStart >= 0) {
      const int a = std::min(o.markStart, length), b = std::min(o.markEnd, length);
      if (b > a) memo.SearchMarks()->Add(TRange(a, b));
    }

    // The window: the rows asked for, or every display line from the top one.
    const int topLine = std::min(o.top, std::max(0, memo.Lines()->GetCount() - 1));
    const int topIndex = memo.DisplayIndex(memo.NextVisibleLine(topLine));
    memo.SetTopDisplayLine(topIndex);
    const int shown = o.rows > 0 ? o.rows : std::max(1, memo.DisplayLineCount() - topIndex);
    const int rowHeight = memo.DefTextExt().cy + memo.LineSpacing();
    host.SetClientSize({o.cols * cellW + memo.PaintPart().TextAreaLeft(), shown * rowHeight});

    LineRuns runs;
    const TSyntaxFormat* collapseMark = memo.DefaultStyles()->CollapseMark();
    memo.PaintPart().SetRunObserver(
        [&](int Line, int Start, int Len, std::u16string_view Text, const TRect&,
            const std::vector<const TSyntaxFormat*>& Styles, TCanvas& Canvas) {
          Run r;
          r.start = Start;
          r.len = Len;
          r.text = Text;
          for (const TSyntaxFormat* s : Styles) {
            r.styles.push_back(s->DisplayName());
            if (s == collapseMark) r.collapseMark = true;
          }
          r.collapseMark = r.collapseMark || Len == 0;
          r.fg = Canvas.Font()->Color();
          r.bg = Canvas.Brush()->Color();
          r.clearBrush = Canvas.Brush()->Style() == bsClear;
          r.font = Canvas.Font()->Name();
          r.fontStyle = Canvas.Font()->Style();
          runs[Line].push_back(std::move(r));
        });
    host.PaintAll();
    memo.PaintPart().SetRunObserver(nullptr);

    const TColor windowColor = memo.Color();
    for (int d = topIndex; d < topIndex + shown && d < memo.DisplayLineCount(); ++d) {
      const TDisplayPos p = memo.DisplayToLine(d);
      const int lineStart = memo.Lines()->LineStart(p.Line);
      const TLineInfo& info = memo.GetLineInfo(p.Line);
      const int lineLen = memo.Lines()->LineLength(p.Line);
      const int rowStart = p.Row == 0 ? 0 : info.WrapPoints()[size_t(p.Row - 1)];
      const int rowEnd = p.Row + 1 < info.RowCount() ? info.WrapPoints()[size_t(p.Row)] : lineLen;
      const bool folded = memo.GetLineState(p.Line) == 1;
      std::u16string collapsed;
      std::string list;
      for (const Run& r : runs[p.Line]) {
        if (r.collapseMark && r.len == 0) {
          if (p.Row + 1 == info.RowCount()) collapsed = r.text;
          continue;
        }
        // Runs never cross a wrap point: each belongs to the row holding its first unit.
        if (info.RowOfChar(r.start) != p.Row) continue;
        if (!list.empty()) list += ",";
        list += RunJson(r, lineStart, windowColor);
      }
      std::string out = "{\"line\":";
      out += std::to_string(p.Line);
      out += ",\"row\":";
      out += std::to_string(p.Row);
      out += ",\"start\":";
      out += std::to_string(lineStart + rowStart);
      out += ",\"end\":";
      out += std::to_string(lineStart + rowEnd);
      out += ",\"folded\":";
      out += folded ? "true" : "false";
      out += ",\"collapsed_text\":";
      out += JsonQuote(collapsed);
      out += ",\"runs\":[";
      out += list;
      out += "]";
      if (o.gutter) {
        out += ",\"gutter\":";
        out += GutterJson(memo, p.Line, p.Row);
      }
      out += "}\n";
      std::cout << out;
    }
    std::cout.flush();
    return 0;
  } catch (const std::exception& e) {
    std::cout.flush();
    std::cerr << "synt paint: " << e.what() << "\n";
    return 1;
  }
}

Command paint_cmd{"paint", "lay a text out in the editor and print each display line's styled runs",
                  RunPaint};

}  // namespace
}  // namespace synt::tool
