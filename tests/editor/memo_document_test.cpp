// Fixed-pitch decision, character cells, routing to the parts.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "analysis/synt_text_source.h"
#include "analysis/syntax_analyzer.h"
#include "editor/syntax_memo.h"
#include "memo_test_util.h"
#include "platform/headless_host.h"

namespace synt {
namespace {

// Records what the control tells it, in a log shared by several probes.
class TProbe : public TMemoPart {
 public:
  TProbe(TCustomSyntaxMemo& Memo, int Order, std::string Name, std::vector<std::string>& Log)
      : TMemoPart(Memo, Order), name_(std::move(Name)), log_(Log) {}
  void TextChanged(int Pos, int Count, int LineChange) override {
    log_.push_back(name_ + ".text " + std::to_string(Pos) + " " + std::to_string(Count) + " " +
                   std::to_string(LineChange));
  }
  void FormatChanged() override { log_.push_back(name_ + ".format"); }
  void AnalysisFinished() override { log_.push_back(name_ + ".finished"); }
  void DocumentChanged() override { log_.push_back(name_ + ".document"); }
  void LayoutChanged() override { log_.push_back(name_ + ".layout"); }
  void Resized() override { log_.push_back(name_ + ".resized"); }
  void SettingsChanged() override { log_.push_back(name_ + ".settings"); }

 private:
  std::string name_;
  std::vector<std::string>& log_;
};

bool Has(const std::vector<std::string>& Log, const std::string& S) {
  return std::find(Log.begin(), Log.end(), S) != Log.end();
}

// A lexer whose one token rule paints identifiers in Style.
struct TStyledLexer {
  TSyntAnalyzer lexer{nullptr};
  TSyntaxFormat* style = nullptr;
  TTokenRule* rule = nullptr;
  TStyledLexer() {
    style = lexer.Formats()->Add();
    style->SetDisplayName(u"Ident");
    rule = lexer.TokenRules()->Add();
    rule->SetExpression(u"[a-z]+");
    rule->SetStyleName(u"Ident");
  }
};

TEST(MemoParts, AreToldInOrderAndLeaveWhenDestroyed) {
  THeadlessDesktop desktop;
  TSyntaxMemo memo(nullptr);
  std::vector<std::string> log;
  auto paint = std::make_unique<TProbe>(memo, TMemoPart::kPaintOrder, "paint", log);
  auto layout = std::make_unique<TProbe>(memo, TMemoPart::kLayoutOrder, "layout", log);
  memo.Lines()->InsertText(0, u"ab\r\ncd");
  EXPECT_EQ(log, (std::vector<std::string>{"layout.text 0 6 2", "paint.text 0 6 2"}));
  log.clear();
  memo.TabList()->SetAsString(u"8");
  EXPECT_EQ(log, (std::vector<std::string>{"layout.layout", "paint.layout"}));
  log.clear();
  memo.NonPrinted()->SetVisible(true);
  memo.DefaultStyles()->CurrentLine()->SetEnabled(true);
  EXPECT_EQ(log, (std::vector<std::string>{"layout.settings", "paint.settings", "layout.settings",
                                           "paint.settings"}));
  log.clear();
  THeadlessHost host(desktop, memo, {200, 100});
  EXPECT_TRUE(Has(log, "layout.resized"));
  EXPECT_TRUE(Has(log, "layout.layout"));
  layout.reset();
  log.clear();
  memo.Lines()->DeleteText(0, 1);
  EXPECT_EQ(log, (std::vector<std::string>{"paint.text 0 -1 0"}));
}

TEST(MemoParts, SelectionAndUserRangesFollowBeforeTheParts) {
  THeadlessDesktop desktop;
  TSyntaxMemo memo(nullptr);
  memo.SetText(u"0123456789");
  TUserRange* r = memo.UserRanges()->Add();
  r->SetStartPos(4);
  r->SetEndPos(8);
  memo.SetOptions(memo.Options() + TSyntaxMemoOptions{soPersistentBlocks});
  memo.Selection().SetSelection(5, 2);
  struct TCheck : TMemoPart {
    using TMemoPart::TMemoPart;
    void TextChanged(int, int, int) override {
      seenStart = Memo().UserRanges()->Items(0)->StartPos();
      seenSel = Memo().Selection().SelStart();
    }
    int seenStart = -1, seenSel = -1;
  } check(memo, TMemoPart::kLayoutOrder);
  memo.Lines()->InsertText(0, u"xx");
  EXPECT_EQ(check.seenStart, 6);
  EXPECT_EQ(check.seenSel, 7);
}

TEST(FixedPitch, FollowsMonoFontModeZoomAndThePlatform) {
  THeadlessDesktop desktop;
  TSyntaxMemo memo(nullptr);
  THeadlessHost host(desktop, memo, {200, 100});
  EXPECT_TRUE(host.AcceptDrops());
  EXPECT_EQ(memo.TextArea(), (TRect{30 + 2, 0, 200, 100})) << "right of the gutter";
  EXPECT_FALSE(memo.FixedPitch());  // mfVariable
  std::vector<std::string> log;
  TProbe probe(memo, TMemoPart::kLayoutOrder, "p", log);
  memo.SetMonoFontMode(mfFixed);
  EXPECT_TRUE(memo.FixedPitch());
  EXPECT_EQ(memo.Font()->Pitch(), fpFixed);
  EXPECT_EQ(memo.CharCell(), (TSize{8, 16}));
  EXPECT_TRUE(Has(log, "p.layout"));
  memo.SetZoom(150);
  EXPECT_FALSE(memo.FixedPitch());
  EXPECT_EQ(memo.DefTextExt(), (TSize{12, 24}));
  memo.SetZoom(100);
  EXPECT_TRUE(memo.FixedPitch());
  memo.SetMonoFontMode(mfAuto);
  EXPECT_EQ(memo.Font()->Pitch(), fpDefault);
  EXPECT_TRUE(memo.FixedPitch());
  memo.SetMonoFontMode(mfVariable);
  EXPECT_FALSE(memo.FixedPitch());
}

// A canvas whose cells grow with the font, as a real one's do.
struct TSizedCells : THeadlessCanvas {
  TSize TextExtent(std::u16string_view Text) override {
    const int w = Font()->Size() - 2;
    return {w * int(Text.size()), 2 * w};
  }
  TTextMetrics GetTextMetrics() override {
    TTextMetrics m = THeadlessCanvas::GetTextMetrics();
    m.AveCharWidth = Font()->Size() - 2;
    m.Height = 2 * m.AveCharWidth;
    return m;
  }
};

TEST(FixedPitch, ANewFontSizeMeasuresTheCellAgain) {
  THeadlessDesktop desktop;
  struct TMemo : TSyntaxMemo {
    using TSyntaxMemo::TSyntaxMemo;
    TCanvas& MeasureCanvas() override { return canvas; }
    TSizedCells canvas;
  } memo(nullptr);
  memo.SetMonoFontMode(mfFixed);
  ASSERT_TRUE(memo.FixedPitch());
  EXPECT_EQ(memo.CharCell(), (TSize{8, 16}));  // 10 points
  std::vector<std::string> log;
  TProbe probe(memo, TMemoPart::kLayoutOrder, "p", log);
  memo.Font()->SetSize(14);
  EXPECT_TRUE(memo.FixedPitch());
  EXPECT_EQ(memo.CharCell(), (TSize{12, 24}));
  EXPECT_EQ(memo.DefTextExt(), (TSize{12, 24}));
  EXPECT_TRUE(Has(log, "p.layout"));
}

TEST(FixedPitch, AProportionalPlatformFontIsNeverCells) {
  THeadlessSettings s;
  s.Pitch = THeadlessPitch::Proportional;
  THeadlessDesktop desktop(s);
  TSyntaxMemo memo(nullptr);
  THeadlessHost host(desktop, memo, {200, 100});
  memo.SetMonoFontMode(mfFixed);
  EXPECT_FALSE(memo.FixedPitch());
}

TEST(FixedPitch, AutoModeAsksEveryStyleThatMayChangeTheFont) {
  THeadlessDesktop desktop;
  TStyledLexer l;
  TSyntaxMemo memo(nullptr);
  memo.SetText(u"abc def");
  memo.SetMonoFontMode(mfAuto);
  memo.SetSyntaxAnalyzer(&l.lexer);
  EXPECT_TRUE(memo.FixedPitch());  // ftFontAttr changes no face

  // A bold style of another face used by an enabled rule: proportional. The lexer tells the
  // document, which decides again.
  l.style->SetFormatType(ftCustomFont);
  l.style->Font()->SetName(u"Arial");
  l.style->Font()->SetStyle({fsBold});
  EXPECT_FALSE(memo.FixedPitch());
  l.rule->SetEnabled(false);
  EXPECT_TRUE(memo.FixedPitch());
  l.rule->SetEnabled(true);
  EXPECT_FALSE(memo.FixedPitch());
  // The editor's own face and size, bold: still cells.
  l.style->Font()->SetName(u"courier new");
  EXPECT_TRUE(memo.FixedPitch());
  l.style->Font()->SetSize(12);
  EXPECT_FALSE(memo.FixedPitch());
  l.style->SetEnabled(false);
  EXPECT_TRUE(memo.FixedPitch());

  // mfFixed does not ask the styles.
  l.style->SetEnabled(true);
  memo.SetMonoFontMode(mfFixed);
  EXPECT_TRUE(memo.FixedPitch());
  memo.SetMonoFontMode(mfAuto);
  EXPECT_FALSE(memo.FixedPitch());
  memo.SetSyntaxAnalyzer(nullptr);
  EXPECT_TRUE(memo.FixedPitch());

  // User styles and default styles count too.
  TSyntStyles styles(nullptr);
  TSyntaxFormat* wide = styles.Styles()->Add();
  wide->SetFormatType(ftCustomFont);
  wide->Font()->SetName(u"Arial");
  memo.SetUserStyles(&styles);
  EXPECT_FALSE(memo.FixedPitch());
  memo.SetUserStyles(nullptr);
  EXPECT_TRUE(memo.FixedPitch());
  memo.DefaultStyles()->SearchMark()->SetFormatType(ftCustomFont);
  memo.DefaultStyles()->SearchMark()->Font()->SetName(u"Arial");
  memo.UpdateFixedPitch();
  EXPECT_FALSE(memo.FixedPitch());
}

TEST(FixedPitch, SubLexersAreAskedOnce) {
  THeadlessDesktop desktop;
  TStyledLexer outer, inner;
  inner.style->SetFormatType(ftCustomFont);
  inner.style->Font()->SetName(u"Arial");
  TSubAnalyzerRule* sub = outer.lexer.SubAnalyzers()->Add();
  sub->SetStartExpression(u"<");
  sub->SetEndExpression(u">");
  sub->SetSyntAnalyzer(&inner.lexer);
  // A lexer that reaches itself again must not loop.
  TSubAnalyzerRule* self = inner.lexer.SubAnalyzers()->Add();
  self->SetStartExpression(u"\\(");
  self->SetEndExpression(u"\\)");
  self->SetSyntAnalyzer(&outer.lexer);
  TSyntaxMemo memo(nullptr);
  memo.SetMonoFontMode(mfAuto);
  memo.SetSyntaxAnalyzer(&outer.lexer);
  EXPECT_FALSE(memo.FixedPitch());
  inner.style->SetFormatType(ftColor);
  memo.UpdateFixedPitch();
  EXPECT_TRUE(memo.FixedPitch());
  memo.SetSyntaxAnalyzer(nullptr);
}

TEST(FixedPitch, TheSharedSourcesLexerDecides) {
  THeadlessDesktop desktop;
  TStyledLexer l;
  l.style->SetFormatType(ftCustomFont);
  l.style->Font()->SetName(u"Arial");
  TSyntTextSource doc(nullptr);
  doc.SetSyntaxAnalyzer(&l.lexer);
  TSyntaxMemo memo(nullptr);
  memo.SetMonoFontMode(mfAuto);
  EXPECT_TRUE(memo.FixedPitch());
  memo.SetTextSource(&doc);
  EXPECT_FALSE(memo.FixedPitch());
  memo.SetTextSource(nullptr);
  EXPECT_TRUE(memo.FixedPitch());
}

TEST(DefTextExt, MeasuresTheFontAndZooms) {
  THeadlessSettings s;
  s.CellWidth = 7;
  s.CellHeight = 15;
  THeadlessDesktop desktop(s);
  TSyntaxMemo memo(nullptr);
  EXPECT_EQ(memo.DefTextExt(), (TSize{8, 16}));  // no host: an internal canvas of default cells
  THeadlessHost host(desktop, memo, {200, 100});
  EXPECT_EQ(memo.DefTextExt(), (TSize{7, 15}));
  memo.SetZoom(200);
  EXPECT_EQ(memo.DefTextExt(), (TSize{14, 30}));
  memo.SetZoom(50);
  EXPECT_EQ(memo.DefTextExt(), (TSize{4, 8}));  // 3.5 and 7.5 rounded to nearest
}

TEST(DefTextExt, ZoomStaysWithinItsBounds) {
  THeadlessDesktop desktop;
  TSyntaxMemo memo(nullptr);
  for (int z : {0, -100, 1, 9}) {
    memo.SetZoom(z);
    EXPECT_EQ(memo.Zoom(), TCustomSyntaxMemo::kMinZoom);
    EXPECT_GT(memo.DefTextExt().cx, 0);
    EXPECT_GT(memo.DefTextExt().cy, 0);
  }
  memo.SetZoom(1 << 30);
  EXPECT_EQ(memo.Zoom(), TCustomSyntaxMemo::kMaxZoom);
  EXPECT_EQ(memo.DefTextExt(), (TSize{80, 160}));
}

TEST(DefTextExt, AZeroWidthCellIsAnError) {
  THeadlessDesktop desktop;
  struct TNoWidth : THeadlessCanvas {
    TTextMetrics GetTextMetrics() override {
      TTextMetrics m = THeadlessCanvas::GetTextMetrics();
      m.AveCharWidth = 0;
      return m;
    }
  };
  struct TMemo : TSyntaxMemo {
    using TSyntaxMemo::TSyntaxMemo;
    TCanvas& MeasureCanvas() override { return canvas; }
    TNoWidth canvas;
  } memo(nullptr);
  try {
    memo.DefTextExt();
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Internal error: DefTextExt.cx = 0");
  }
}

TEST(MemoStyles, TheLexersSpecialStylesReplaceTheDefaults) {
  THeadlessDesktop desktop;
  TStyledLexer l;
  TSyntaxMemo memo(nullptr);
  memo.SetSyntaxAnalyzer(&l.lexer);
  EXPECT_EQ(memo.SelectionStyle(), l.lexer.MarkedBlock());  // a new lexer makes one
  l.lexer.SetMarkedBlockStyle(u"");
  EXPECT_EQ(memo.SelectionStyle(), memo.DefaultStyles()->SelectioMark());
  EXPECT_EQ(memo.CollapseMarkStyle(), memo.DefaultStyles()->CollapseMark());
  for (const char16_t* name : {u"Sel", u"Search", u"Line", u"Fold"})
    l.lexer.Formats()->Add()->SetDisplayName(name);
  l.lexer.SetMarkedBlockStyle(u"Sel");
  l.lexer.SetSearchMatchStyle(u"Search");
  l.lexer.SetCurrentLineStyle(u"Line");
  l.lexer.SetCollapseStyleName(u"Fold");
  EXPECT_EQ(memo.SelectionStyle()->DisplayName(), u"Sel");
  EXPECT_EQ(memo.SearchMarkStyle()->DisplayName(), u"Search");
  EXPECT_EQ(memo.CurrentLineStyle()->DisplayName(), u"Line");
  EXPECT_EQ(memo.CollapseMarkStyle()->DisplayName(), u"Fold");
  EXPECT_EQ(memo.FindStyle(u"Ident"), l.style);
  TSyntStyles styles(nullptr);
  TSyntaxFormat* mine = styles.Styles()->Add();
  mine->SetDisplayName(u"Ident");
  memo.SetUserStyles(&styles);
  EXPECT_EQ(memo.FindStyle(u"Ident"), mine);  // user styles first
  memo.SetSyntaxAnalyzer(nullptr);
  EXPECT_EQ(memo.SearchMarkStyle(), memo.DefaultStyles()->SearchMark());
}

TEST(MemoAssign, CopiesTheListedSettingsAndMakesItsOwnAnalysis) {
  THeadlessDesktop desktop;
  TStyledLexer l;
  TSyntaxMemo a(nullptr), b(nullptr);
  a.SetSyntaxAnalyzer(&l.lexer);
  a.TabList()->SetAsString(u"2 6");
  a.NonPrinted()->SetVisible(true);
  a.SetColor(clYellow);
  a.Font()->SetSize(14);
  a.SetOptions({soGroupUndo});
  a.SetUndoLimit(5);
  a.SetRightMargin(100);
  a.SetTabMode(tmTabChar);
  b.Assign(&a);
  EXPECT_EQ(b.SyntaxAnalyzer(), &l.lexer);
  EXPECT_NE(b.SyntClient(), a.SyntClient());
  EXPECT_EQ(b.TabList()->AsString(), u"2 6");
  EXPECT_TRUE(b.NonPrinted()->Visible());
  EXPECT_EQ(b.Color(), clYellow);
  EXPECT_EQ(b.Font()->Size(), 14);
  EXPECT_EQ(b.Options(), (TSyntaxMemoOptions{soGroupUndo}));
  EXPECT_EQ(b.UndoLimit(), 5);
  EXPECT_EQ(b.RightMargin(), 100);
  EXPECT_EQ(b.TabMode(), tmTabChar);
}

}  // namespace
}  // namespace synt
