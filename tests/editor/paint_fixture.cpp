#include "paint_fixture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/utf.h"
#include "tool_runner.h"

namespace synt::test {

namespace fs = std::filesystem;

std::string Utf8(std::u16string_view S) {
  return Utf16ToUtf8(S);
}

namespace {

std::string Hex(TColor C) {
  if (C == clNone) return "none";
  char b[16];
  if ((uint32_t(C) >> 24) == 0xFF)
    std::snprintf(b, sizeof b, "sys%u", unsigned(C) & 0xFF);
  else
    std::snprintf(b, sizeof b, "#%06x", unsigned(C) & 0xFFFFFF);
  return b;
}

std::string RectStr(const TRect& R) {
  std::ostringstream s;
  s << "(" << R.Left << "," << R.Top << "," << R.Right << "," << R.Bottom << ")";
  return s.str();
}

std::string FontStr(const TCanvasOp& Op) {
  std::string s = Utf8(Op.FontName) + " " + std::to_string(Op.FontHeight);
  if (Op.FontStyle.Contains(fsBold)) s += " bold";
  if (Op.FontStyle.Contains(fsItalic)) s += " italic";
  if (Op.FontStyle.Contains(fsUnderline)) s += " underline";
  if (Op.FontStyle.Contains(fsStrikeOut)) s += " strike";
  if (Op.FontCharset != DEFAULT_CHARSET) s += " charset" + std::to_string(Op.FontCharset);
  return s;
}

}  // namespace

PaintDoc::PaintDoc() {
  SetEventLoop(&loop);
  catalog.LoadFile(fs::path(SYNT_SOURCE_DIR) / "lexers" / "pascal.lxl");
  auto all = catalog.Lexers();
  if (!all.empty()) lexer = all.front();
  EXPECT_NE(lexer, nullptr) << "lexers/pascal.lxl did not load";
  ctx.Lines = &lines;
  ctx.Font = &font;
  ctx.Color = clWindow;
  ctx.NonPrinted = &nonPrinted;
  ctx.TabList = &tabs;
  staplePen.SetColor(clGray);
  ctx.StaplePen = &staplePen;
  ctx.Focused = true;
  ctx.FixedPitch = false;
  ctx.Cell = {8, 16};
  ctx.Sources.SearchMarks = &searchMarks;
  // The lexer's own styles replace the defaults, as the control resolves them.
  auto pick = [&](TSyntaxFormat* Own, TSyntaxFormat* Default) { return Own ? Own : Default; };
  ctx.SelectionStyle = pick(lexer ? lexer->MarkedBlock() : nullptr, defaults.SelectioMark());
  ctx.Sources.SearchMarkStyle = pick(lexer ? lexer->SearchMatch() : nullptr, defaults.SearchMark());
  ctx.CurrentLineStyle = pick(lexer ? lexer->CurrentLine() : nullptr, defaults.CurrentLine());
  ctx.CollapseMarkStyle = pick(lexer ? lexer->CollapseStyle() : nullptr, defaults.CollapseMark());
  ctx.OnRun = [this](int Line, int Start, int Len, std::u16string_view Text, const TRect& Cell,
                     const std::vector<const TSyntaxFormat*>& Styles, TCanvas& C) {
    std::ostringstream s;
    s << "run L" << Line << ":" << Start << "+" << Len << " \"" << Utf8(Text) << "\" "
      << RectStr(Cell) << " [";
    for (size_t i = 0; i < Styles.size(); ++i) {
      const TSyntaxFormat* st = Styles[i];
      std::string name = Utf8(st->DisplayName());
      if (st == defaults.SelectioMark()) name = "<default selection>";
      if (st == defaults.SearchMark()) name = "<default search mark>";
      if (st == defaults.CurrentLine()) name = "<default current line>";
      if (st == defaults.CollapseMark()) name = "<default collapse mark>";
      s << (i ? " > " : "") << name;
    }
    s << "] fg=" << Hex(C.Font()->Color())
      << " bg=" << (C.Brush()->Style() == bsClear ? std::string("clear") : Hex(C.Brush()->Color()));
    runs_.push_back({canvas ? canvas->Ops().size() : 0, s.str()});
  };
}

PaintDoc::~PaintDoc() {
  client.reset();
  SetEventLoop(nullptr);
}

void PaintDoc::SetText(std::u16string_view Text) {
  client.reset();
  lines.SetTextStr(Text);
  client = std::make_unique<TClientSyntAnalyzer>(lexer, nullptr, [this] { return &lines; });
  // Edits reach the analysis as the document binding passes them on.
  lines.OnChange = [this](TObject*, int Pos, int Count, int LineChange) {
    if (client) client->TextChanged(Pos, Count, LineChange, lines.LineOfPos(Pos));
  };
  client->CompleteAnalysis();
  while (client->IsSyntThreadRunning()) {
    loop.WaitForPosted(100);
    loop.RunPosted();
  }
  ctx.Queries = client.get();
  ctx.Sources.Queries = client.get();
}

TSyntaxFormat* PaintDoc::Style(std::u16string_view Name) const {
  for (int i = 0; i < lexer->Formats()->Count(); ++i)
    if (lexer->Formats()->Items(i)->DisplayName() == Name) return lexer->Formats()->Items(i);
  ADD_FAILURE() << "no style " << Utf8(Name);
  return nullptr;
}

THeadlessCanvas& PaintDoc::PaintAll(int Width, int TextLeft) {
  canvas = std::make_unique<THeadlessCanvas>(8, 16, TRect{0, 0, Width, 10000});
  runs_.clear();
  painter.BeginPaint();
  TLineRows rows;
  const int h = ctx.Cell.cy + ctx.LineSpacing;
  rows.Heights = {h};
  for (int line = 0, top = 0; line < lines.GetCount(); ++line, top += h) {
    const TLineCollapse* fold = nullptr;
    for (const auto& [l, c] : collapsed)
      if (l == line) fold = &c;
    painter.PaintLine(*canvas, line, rows, 0, {TextLeft, top, Width, top + h}, TextLeft, fold);
    // Lines a fold hides are skipped.
    if (fold) line = lines.LineOfPos(fold->EndPos);
  }
  return *canvas;
}

std::vector<std::string> PaintDoc::Dump() const {
  std::vector<std::string> out;
  size_t r = 0;
  const auto& ops = canvas->Ops();
  for (size_t i = 0; i <= ops.size(); ++i) {
    while (r < runs_.size() && runs_[r].op == i) out.push_back(runs_[r++].text);
    if (i == ops.size()) break;
    const TCanvasOp& op = ops[i];
    std::ostringstream s;
    switch (op.Kind) {
      case TCanvasOpKind::TextOut:
        s << "  text (" << op.TextPos.X << "," << op.TextPos.Y << ") \"" << Utf8(op.Text)
          << "\" fg=" << Hex(op.FontColor) << " font=" << FontStr(op);
        break;
      case TCanvasOpKind::FillRect:
        s << "  fill " << RectStr(op.Rect) << " " << Hex(op.BrushColor);
        break;
      case TCanvasOpKind::LineTo:
      case TCanvasOpKind::Polyline:
      case TCanvasOpKind::Polygon: {
        s << (op.Kind == TCanvasOpKind::LineTo     ? "  line"
              : op.Kind == TCanvasOpKind::Polyline ? "  polyline"
                                                   : "  polygon");
        for (const TPoint& p : op.Points) s << " " << p.X << "," << p.Y;
        s << " pen=" << Hex(op.PenColor) << " w" << op.PenWidth << " style" << int(op.PenStyle);
        if (op.Kind == TCanvasOpKind::Polygon) s << " brush=" << Hex(op.BrushColor);
        break;
      }
      default:
        s << "  op" << int(op.Kind) << " " << RectStr(op.Rect);
        break;
    }
    out.push_back(s.str());
  }
  return out;
}

void ExpectGolden(const std::string& Name, const std::vector<std::string>& Lines) {
  const fs::path expected = fs::path(SYNT_TEST_DATA_DIR) / "editor" / (Name + ".golden");
  std::string actual;
  for (const std::string& l : Lines) actual += l + "\n";
  fs::path fresh = expected;
  fresh += ".new";
  if (std::getenv("SYNT_UPDATE_GOLDEN")) {
    fs::create_directories(expected.parent_path());
    std::ofstream(expected, std::ios::binary) << actual;
    fs::remove(fresh);
    return;
  }
  ASSERT_TRUE(fs::exists(expected)) << expected << " is missing (SYNT_UPDATE_GOLDEN=1 writes it)";
  const std::string want = ReadFile(expected.string());
  if (want == actual) {
    fs::remove(fresh);
    return;
  }
  std::ofstream(fresh, std::ios::binary) << actual;
  std::istringstream a(want), b(actual);
  std::string la, lb;
  for (int line = 1;; ++line) {
    const bool ga = bool(std::getline(a, la)), gb = bool(std::getline(b, lb));
    if (!ga && !gb) break;
    if (!ga || !gb || la != lb) {
      ADD_FAILURE() << expected.string() << ":" << line << ": expected\n  " << (ga ? la : "<end>")
                    << "\nbut got\n  " << (gb ? lb : "<end>") << "\n(new dump in " << fresh.string()
                    << ")";
      return;
    }
  }
}

}  // namespace synt::test
