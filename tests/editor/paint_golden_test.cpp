// What the painter draws for Pascal samples that exercise each rule of style priority, runs,
// collapse marks, zoom, non-printed glyphs and tab stops, against reviewed dumps that name styles
// (tests/data/editor/*.golden; SYNT_UPDATE_GOLDEN=1 rewrites them after a reviewed change).
#include <gtest/gtest.h>

#include "paint_fixture.h"

namespace synt::test {
namespace {

const std::u16string kSample =
    u"program Demo;\n"
    u"{ a comment }\n"
    u"procedure Run(x: Integer);\n"
    u"var\n"
    u"  s: string;\n"
    u"begin\n"
    u"  s := 'hello';\n"
    u"  if x > 0 then\n"
    u"  begin\n"
    u"    x := x - 1;\n"
    u"  end;\n"
    u"end;\n";

int Offset(const PaintDoc& D, int Line, int Col) {
  return D.lines.LineStart(Line) + Col;
}

TEST(PaintGolden, SearchMarkOverTokenSelectionOverEverythingCurrentLine) {
  PaintDoc d;
  d.SetText(kSample);
  // A search mark inside the string token, a selection across it and the next line's start.
  d.searchMarks.Add(TRange(Offset(d, 6, 8), Offset(d, 6, 11)));
  d.ctx.SelMode = msNormal;
  d.ctx.SelStart = Offset(d, 6, 10);
  d.ctx.SelEnd = Offset(d, 7, 4);
  d.ctx.CaretLine = 7;
  d.PaintAll(320);
  ExpectGolden("priorities", d.Dump());

  // The current-line style disabled: the caret line looks like any other.
  d.ctx.SelMode = msNone;
  d.ctx.CurrentLineStyle->SetEnabled(false);
  d.PaintAll(320);
  std::vector<std::string> off = d.Dump();
  d.ctx.CaretLine = -1;
  d.PaintAll(320);
  EXPECT_EQ(off, d.Dump());
  d.ctx.CurrentLineStyle->SetEnabled(true);
}

TEST(PaintGolden, SelectionToLineEndFollowsTheOption) {
  PaintDoc d;
  d.SetText(u"var a;\nvar b;\n");
  d.ctx.SelMode = msNormal;
  d.ctx.SelStart = 4;
  d.ctx.SelEnd = Offset(d, 1, 3);
  d.ctx.OptionsEx.Exclude(soNormalSelToLineEnd);
  d.PaintAll(160);
  ExpectGolden("sel_to_line_end_off", d.Dump());
  d.ctx.OptionsEx.Include(soNormalSelToLineEnd);
  d.PaintAll(160);
  ExpectGolden("sel_to_line_end_on", d.Dump());
}

TEST(PaintGolden, CollapseStyles) {
  PaintDoc d;
  d.SetText(u"begin\n  a := 1;\nend; { tail }\nx;\n");
  TLineCollapse named{0, Offset(d, 2, 4), u"begin..end"};
  TLineCollapse unnamed{0, Offset(d, 2, 4), u""};
  std::vector<std::string> all;
  const char* names[] = {"csLineSeparator", "csRegionName", "csNameWhenDefined", "csEndEllipsis"};
  for (TCollapseStyle style : {csLineSeparator, csRegionName, csNameWhenDefined, csEndEllipsis})
    for (const TLineCollapse* fold : {&named, &unnamed}) {
      d.ctx.CollapseStyle = style;
      d.collapsed = {{0, *fold}};
      d.PaintAll(240);
      all.push_back(std::string("== ") + names[style] + (fold == &named ? " named" : " unnamed"));
      for (const std::string& l : d.Dump()) all.push_back(l);
    }
  ExpectGolden("collapse_styles", all);
}

TEST(PaintGolden, LongRunIsCutAt256) {
  PaintDoc d;
  d.SetText(u"{" + std::u16string(298, u'c') + u"}\n");
  d.PaintAll(4000);
  std::vector<std::string> runs;
  for (const std::string& l : d.Dump())
    if (l.rfind("run", 0) == 0) runs.push_back(l.substr(0, l.find(' ', 4)));
  EXPECT_EQ(runs, (std::vector<std::string>{"run L0:0+256", "run L0:256+44"}));
}

TEST(PaintGolden, Zoom200) {
  PaintDoc d;
  d.SetText(u"begin\n  if a then\n    b;\nend;\n");
  d.ctx.Zoom = 200;
  d.ctx.Cell = {16, 32};  // DefTextExt doubles with the zoom
  d.PaintAll(400);
  ExpectGolden("zoom200", d.Dump());
}

TEST(PaintGolden, NonPrintedGlyphsShowHiddenTextAndLineBreaks) {
  PaintDoc d;
  TSyntaxFormat* comment = d.Style(u"Comment");
  TFormatFlags f = comment->FormatFlags();
  f.Include(ffHidden);
  comment->SetFormatFlags(f);
  comment->SetHidden(true);
  d.SetText(u"a {c}\tb;\r\nc;\nd;");
  d.lines.SetLineBreakStyle(lbCRLF);
  d.nonPrinted.SetVisible(false);
  d.PaintAll(240);
  ExpectGolden("hidden_without_glyphs", d.Dump());
  d.nonPrinted.SetVisible(true);
  d.PaintAll(240);
  ExpectGolden("nonprinted", d.Dump());
}

TEST(PaintGolden, TabStops) {
  PaintDoc d;
  d.SetText(u"\ta;\n12345\tb;\n\t\t\tc;\n");
  d.tabs.SetAsString(u"4 10");
  d.PaintAll(320);
  ExpectGolden("tab_stops", d.Dump());
}

}  // namespace
}  // namespace synt::test
