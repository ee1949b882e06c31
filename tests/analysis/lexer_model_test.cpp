#include <gtest/gtest.h>

#include "analysis/syntax_analyzer.h"
#include "lexer_test_util.h"
#include "platform/filer.h"
#include "platform/utf.h"
#include "text/memo_strings.h"

namespace synt {
namespace {

using testing::TLogClient;
using Log = std::vector<std::string>;

TEST(LexerModel, ANewLexerHasItsDefaults) {
  TSyntAnalyzer l(nullptr);
  ASSERT_EQ(l.Formats()->Count(), 1);
  TSyntaxFormat* m = l.Formats()->Items(0);
  EXPECT_EQ(m->DisplayName(), u"Marked block");
  EXPECT_EQ(m->BgColor(), clHighlight);
  EXPECT_EQ(m->Font()->Color(), clHighlightText);
  EXPECT_EQ(m->FormatType(), ftColor);
  EXPECT_EQ(m->MarkedBlockFlag(), 1);
  EXPECT_EQ(l.MarkedBlock(), m);
  EXPECT_EQ(l.MarkedBlockStyle(), u"Marked block");
  EXPECT_EQ(l.TokenTypeNames()->Count(), 10);
  EXPECT_EQ(l.TokenTypeNames()->Strings(9), u"Preprocessor");
  EXPECT_TRUE(l.SkipSpaces());
  EXPECT_EQ(l.IdleAppendDelay(), 200u);
  EXPECT_EQ(l.IdleAppendDelayInit(), 50u);
  EXPECT_EQ(l.Charset(), DEFAULT_CHARSET);
  TSyntaxFormat* s = l.Formats()->Add();
  EXPECT_EQ(s->Font()->Name(), u"Courier New");
  EXPECT_EQ(s->Font()->Size(), 10);
  EXPECT_EQ(s->BgColor(), clNone);
  EXPECT_EQ(s->FormatFlags(), AllFormatFlags);
  TTagBlockCondition* b = l.BlockRules()->Add();
  EXPECT_EQ(b->BlockType(), btRangeStart);
  EXPECT_EQ(b->TokenType(), -1);
  EXPECT_EQ(b->TreeItemImage(), -1);
  EXPECT_TRUE(b->DisplayInTree());
  TTokenRule* t = l.TokenRules()->Add();
  EXPECT_EQ(t->RegexModifiers(), DefaultRegexOptions);
}

TEST(LexerModel, NewItemsTakeTheSmallestFreeNumber) {
  TSyntAnalyzer l(nullptr);
  TSyntaxFormat* a = l.Formats()->Add();
  TSyntaxFormat* b = l.Formats()->Add();
  TSyntaxFormat* c = l.Formats()->Add();
  EXPECT_EQ(a->DisplayName(), u"1 Style");
  EXPECT_EQ(b->DisplayName(), u"2 Style");
  l.Formats()->Delete(b->Index());
  EXPECT_EQ(c->DisplayName(), u"3 Style");
  EXPECT_EQ(l.Formats()->Add()->DisplayName(), u"2 Style");
  EXPECT_EQ(l.TokenRules()->Add()->DisplayName(), u"1 Token rule");
  EXPECT_EQ(l.BlockRules()->Add()->DisplayName(), u"1 Tag block rule");
  EXPECT_EQ(l.SubAnalyzers()->Add()->DisplayName(), u"1 Sub lexer rule");

  // A name another item bears is refused silently; names compare with case.
  c->SetDisplayName(u"1 Style");
  EXPECT_EQ(c->DisplayName(), u"3 Style");
  c->SetDisplayName(u"1 STYLE");
  EXPECT_EQ(c->DisplayName(), u"1 STYLE");
  EXPECT_EQ(l.Formats()->ItemByName(u"1 style"), nullptr);
}

TEST(LexerModel, ACollectionOfAnotherItemClassIsRefused) {
  try {
    TSyntCollection c(TSingleTagCondition::StaticClassInfo(), nullptr);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Allow only TSyntCollectionItem Class");
  }
}

TEST(LexerModel, NameReferencesFollowTheItemsAndNeverDangle) {
  TSyntAnalyzer l(nullptr);
  TSyntaxFormat* s = l.Formats()->Add();
  s->SetDisplayName(u"Str");
  TTokenRule* r = l.TokenRules()->Add();
  r->SetStyleName(u"Str");
  EXPECT_EQ(r->Style(), s);
  r->SetStyleName(u"nothing");
  EXPECT_EQ(r->Style(), nullptr);
  EXPECT_EQ(r->StyleName(), u"");
  r->SetStyleName(u"Str");
  s->SetDisplayName(u"String");  // a rename is followed
  EXPECT_EQ(r->StyleName(), u"String");
  l.SetDefaultStyleName(u"String");
  TTagBlockCondition* b = l.BlockRules()->Add();
  b->SetTreeItemStyle(u"String");
  EXPECT_EQ(b->TreeItemStyleObj(), s);
  l.Formats()->Delete(s->Index());
  EXPECT_EQ(r->Style(), nullptr);
  EXPECT_EQ(l.DefaultStyle(), nullptr);
  EXPECT_EQ(l.DefaultStyleName(), u"");
  EXPECT_EQ(b->TreeItemStyleObj(), nullptr);

  // Deleting directly (not through the collection) clears references too.
  TTagBlockCondition* e = l.BlockRules()->Add();
  e->SetDisplayName(u"E");
  b->SetBlockEnd(u"E");
  r->SetBlockName(u"E");
  EXPECT_EQ(b->BlockEndRule(), e);
  delete e;
  EXPECT_EQ(b->BlockEndRule(), nullptr);
  EXPECT_EQ(r->Block(), nullptr);
  EXPECT_EQ(l.BlockRules()->Count(), 1);
}

TEST(LexerModel, ChangesReachClientsAsTheCollectionDecides) {
  TSyntAnalyzer l(nullptr);
  TLogClient c(&l);
  int changes = 0;
  l.OnChange = [&](TObject*) { ++changes; };
  TTokenRule* r = l.TokenRules()->Add();
  EXPECT_EQ(c.Take(), (Log{"c.clear", "c.timer", "c.format"}));
  EXPECT_EQ(changes, 1);
  r->SetExpression(u"x");
  r->SetExpression(u"x");  // no change, no report
  EXPECT_EQ(c.Take(), (Log{"c.clear", "c.timer", "c.format"}));
  TSyntaxFormat* s = l.Formats()->Add();
  c.Take();
  s->Font()->SetStyle({fsItalic});
  EXPECT_EQ(c.Take(), (Log{"c.clear", "c.timer", "c.format"}));
  int styleChanges = 0;
  s->OnChange = [&](TObject*) { ++styleChanges; };
  s->SetBgColor(clRed);
  EXPECT_EQ(styleChanges, 1);
  c.Take();
  TTagBlockCondition* b = l.BlockRules()->Add();
  c.Take();
  b->ConditionList()->Add()->TagList()->Add(u"begin");  // a condition reports through its rule
  EXPECT_EQ(c.Take(), (Log{"c.clear", "c.timer", "c.format", "c.clear", "c.timer", "c.format"}));
  b->Pen()->SetWidth(4);
  EXPECT_EQ(c.Take(), (Log{"c.clear", "c.timer", "c.format"}));

  l.SetSkipSpaces(false);
  EXPECT_EQ(c.Take(), (Log{"c.clear", "c.timer", "c.format"}));
  l.SetSkipSpaces(false);
  l.SetParseEndOfLine(true);
  EXPECT_EQ(c.Take(), (Log{"c.clear", "c.timer", "c.format"}));
  l.SetMarkedBlockStyle(s->DisplayName());  // another style: repaint only
  EXPECT_EQ(c.Take(), (Log{"c.format"}));
  l.SetMarkedBlockStyle(s->DisplayName());
  EXPECT_TRUE(c.Take().empty());
  l.SetExtentions(u"pas");
  EXPECT_TRUE(c.Take().empty());

  int compiles = l.Gramma()->CompileCount();
  changes = 0;
  l.TokenTypeNames()->Add(u"Keyword");
  EXPECT_EQ(l.Gramma()->CompileCount(), compiles + 1);
  EXPECT_EQ(changes, 1);
  l.Gramma()->SetGramma(u"Root = 'x';");
  EXPECT_EQ(l.Gramma()->CompileCount(), compiles + 2);
}

TEST(LexerModel, ChangesReachMasterLexersAndCyclesEnd) {
  TSyntAnalyzer master(nullptr), sub(nullptr);
  TLogClient m(&master, "m"), s(&sub, "s");
  master.SubAnalyzers()->Add()->SetSyntAnalyzer(&sub);
  m.Take();
  sub.TokenRules()->Add();
  EXPECT_EQ(s.Take(), (Log{"s.clear", "s.timer", "s.format"}));
  // The master resets (and repaints) as part of the sub-lexer's reset, then repaints with it.
  EXPECT_EQ(m.Take(), (Log{"m.clear", "m.timer", "m.format", "m.format"}));
  // Each uses the other: the update lock stops the round trip.
  sub.SubAnalyzers()->Add()->SetSyntAnalyzer(&master);
  s.Take();
  m.Take();
  master.ClearClientContents();
  EXPECT_EQ(m.Take(), (Log{"m.clear", "m.timer", "m.format"}));
  EXPECT_EQ(s.Take(), (Log{"s.clear", "s.timer", "s.format", "s.format"}));
  EXPECT_TRUE(master.SeparateBlockAnalysis());  // the cycle does not hang
}

TEST(LexerModel, MasterListCountsALexerOnceAndDropsItWhenTheLastRuleLetsGo) {
  TSyntAnalyzer master(nullptr);
  auto* sub = new TSyntAnalyzer(nullptr);
  TSubAnalyzerRule* a = master.SubAnalyzers()->Add();
  TSubAnalyzerRule* b = master.SubAnalyzers()->Add();
  a->SetSyntAnalyzer(sub);
  b->SetSyntAnalyzer(sub);
  ASSERT_EQ(sub->MasterLexerCount(), 1);
  EXPECT_EQ(sub->MasterLexers(0), &master);
  a->SetSyntAnalyzer(nullptr);
  EXPECT_EQ(sub->MasterLexerCount(), 1);
  master.SubAnalyzers()->Delete(b->Index());  // a rule that goes lets go too
  EXPECT_EQ(sub->MasterLexerCount(), 0);
  a->SetSyntAnalyzer(&master);  // the owning lexer itself is never its own master
  EXPECT_EQ(master.MasterLexerCount(), 0);
  a->SetSyntAnalyzer(sub);
  delete sub;  // the reference becomes none
  EXPECT_EQ(a->SyntAnalyzer(), nullptr);

  // A master that goes leaves the sub-lexer's list.
  TSyntAnalyzer sub2(nullptr);
  auto* master2 = new TSyntAnalyzer(nullptr);
  master2->SubAnalyzers()->Add()->SetSyntAnalyzer(&sub2);
  EXPECT_EQ(sub2.MasterLexerCount(), 1);
  delete master2;
  EXPECT_EQ(sub2.MasterLexerCount(), 0);
}

TEST(LexerModel, SeparateBlockAnalysisFollowsTheRulesAndIsCached) {
  TSyntAnalyzer l(nullptr);
  EXPECT_TRUE(l.SeparateBlockAnalysis());
  TTokenRule* t = l.TokenRules()->Add();
  TTagBlockCondition* b = l.BlockRules()->Add();
  EXPECT_TRUE(l.SeparateBlockAnalysis());
  b->SetStatesAdd(1);  // a block rule change does not forget the cache
  EXPECT_TRUE(l.SeparateBlockAnalysis());
  l.ResetSeparateBlockAnalysis();
  EXPECT_FALSE(l.SeparateBlockAnalysis());
  b->SetStatesAdd(0);
  l.ResetSeparateBlockAnalysis();
  t->SetBlockName(b->DisplayName());  // a token rule change forgets it
  EXPECT_FALSE(l.SeparateBlockAnalysis());
  t->SetBlockName(u"");
  EXPECT_TRUE(l.SeparateBlockAnalysis());

  TLogClient c(&l);
  l.SetAlwaysSyncBlockAnal(true);  // it was yes: clients start over
  EXPECT_EQ(c.Take(), (Log{"c.clear", "c.timer", "c.format"}));
  EXPECT_FALSE(l.SeparateBlockAnalysis());
  l.SetAlwaysSyncBlockAnal(false);
  EXPECT_TRUE(c.Take().empty());

  TSyntAnalyzer sub(nullptr);
  sub.SetAlwaysSyncBlockAnal(true);
  TSubAnalyzerRule* s = l.SubAnalyzers()->Add();
  s->SetSyntAnalyzer(&sub);
  EXPECT_FALSE(l.SeparateBlockAnalysis());
  s->SetSyntAnalyzer(nullptr);
  s->SetStatesRemove(2);
  EXPECT_FALSE(l.SeparateBlockAnalysis());
}

TEST(LexerModel, TagListSplitsAssignedLinesIntoWords) {
  TSyntAnalyzer l(nullptr);
  TSingleTagCondition* c = l.BlockRules()->Add()->ConditionList()->Add();
  TStringList src;
  src.Add(u"begin end");
  c->SetTagList(&src);
  ASSERT_EQ(c->TagList()->Count(), 2);
  EXPECT_EQ(c->TagList()->Strings(0), u"begin");
  c->TagList()->Add(u"end");  // no duplicates
  c->TagList()->Add(u"End");  // case-sensitive by default
  EXPECT_EQ(c->TagList()->Count(), 3);
  int i;
  EXPECT_FALSE(c->TagList()->Find(u"BEGIN", i));
  c->SetIgnoreCase(true);
  EXPECT_TRUE(c->TagList()->Find(u"BEGIN", i));
}

TEST(LexerModel, HiddenNeedsItsFlag) {
  TSyntAnalyzer l(nullptr);
  TSyntaxFormat* s = l.Formats()->Add();
  s->SetHidden(true);
  EXPECT_TRUE(s->Hidden());
  EXPECT_TRUE(s->IsHidden());
  s->SetFormatFlags({ffBold});
  EXPECT_FALSE(s->Hidden());
  EXPECT_FALSE(s->IsHidden());
  EXPECT_TRUE(s->StoredHidden());
  s->SetBorderType(7, blSolid);  // outside 0..3: ignored
  EXPECT_EQ(s->BorderType(7), blNone);
  EXPECT_EQ(BorderThickness(blDouble), 3);
  EXPECT_EQ(BorderThickness(blWavyLine), 2);
}

TEST(LexerModel, ApplyToSetsWhatTheFormatTypeAllows) {
  TSyntAnalyzer l(nullptr);
  TSyntaxFormat* s = l.Formats()->Add();
  s->SetBgColor(clYellow);
  s->Font()->SetColor(clRed);
  s->Font()->SetStyle({fsBold, fsItalic});
  s->Font()->SetName(u"Arial");
  s->Font()->SetSize(20);
  s->Font()->SetCharset(GREEK_CHARSET);
  auto fresh = [] {
    auto c = std::make_unique<THeadlessCanvas>();
    c->Font()->SetStyle({fsUnderline, fsItalic});
    return c;
  };
  s->SetFormatType(ftBackGround);
  auto c = fresh();
  s->ApplyTo(c.get(), true);
  EXPECT_EQ(c->Brush()->Color(), clYellow);
  EXPECT_EQ(c->Font()->Color(), clWindowText);
  s->SetFormatType(ftColor);
  c = fresh();
  s->ApplyTo(c.get(), true);
  EXPECT_EQ(c->Font()->Color(), clRed);
  EXPECT_EQ(c->Font()->Style(), (TFontStyles{fsUnderline, fsItalic}));
  s->SetFormatType(ftFontAttr);
  s->SetFormatFlags(AllFormatFlags - TFormatFlags{ffUnderline});  // underline is left alone
  c = fresh();
  s->ApplyTo(c.get(), true);
  EXPECT_EQ(c->Font()->Style(), (TFontStyles{fsBold, fsItalic, fsUnderline}));
  EXPECT_EQ(c->Font()->Name(), u"Courier New");
  s->SetFormatType(ftCustomFont);
  c = fresh();
  s->ApplyTo(c.get(), false);
  EXPECT_EQ(c->Font()->Name(), u"Courier New");
  s->ApplyTo(c.get(), true);
  EXPECT_EQ(c->Font()->Name(), u"Arial");
  EXPECT_EQ(c->Font()->Size(), 20);
  EXPECT_EQ(c->Font()->Charset(), GREEK_CHARSET);
  // clNone colours leave the canvas alone; the style is written only when it changes.
  s->SetBgColor(clNone);
  s->Font()->SetColor(clNone);
  c = fresh();
  c->Font()->SetStyle({fsBold, fsItalic, fsUnderline});
  int fontChanges = 0;
  c->Font()->OnChange = [&](TObject*) { ++fontChanges; };
  s->SetFormatType(ftFontAttr);
  s->ApplyTo(c.get(), true);
  EXPECT_EQ(fontChanges, 0);
  EXPECT_EQ(c->Brush()->Color(), clWhite);
  s->SetEnabled(false);
  c = fresh();
  s->ApplyTo(c.get(), true);
  EXPECT_EQ(c->Font()->Style(), (TFontStyles{fsUnderline, fsItalic}));
}

TEST(LexerModel, AssignCopiesEverythingAndReferencesOwnItems) {
  TSyntAnalyzer sub(nullptr);
  TSyntAnalyzer src(nullptr);
  testing::BuildFullLexer(src, &sub);
  int matches = 0;
  src.TokenRules()->Items(0)->OnMatchToken = [&](TObject*, TParserResults*, std::u16string_view,
                                                 int, int&) { ++matches; };
  TSyntAnalyzer dst(nullptr);
  dst.SetTag(src.Tag());  // a component property, not part of the definition
  TLogClient c(&dst);
  dst.Assign(&src);
  std::string where;
  EXPECT_TRUE(EqualPublishedProperties(&src, &dst, &where)) << where;
  // References point into the new lexer, forward references included.
  TTagBlockCondition* open = dst.BlockRules()->Items(0);
  EXPECT_EQ(open->BlockEndRule(), dst.BlockRules()->Items(1));
  EXPECT_EQ(open->Block(), dst.BlockRules()->Items(1));
  EXPECT_EQ(open->Style(), dst.Formats()->Items(1));
  EXPECT_EQ(dst.DefaultStyle(), dst.Formats()->Items(2));
  EXPECT_EQ(dst.TokenRules()->Items(0)->Block(), open);
  EXPECT_EQ(dst.Formats()->Items(0)->MarkedBlockFlag(), 1);  // the unpublished flag is copied
  EXPECT_EQ(dst.SubAnalyzers()->Items(0)->SyntAnalyzer(), &sub);
  EXPECT_EQ(sub.MasterLexerCount(), 2);
  EXPECT_EQ(dst.TokenRules()->Items(0)->CodePage(), CharsetToCodePage(GREEK_CHARSET));
  int len = 0;
  dst.TokenRules()->Items(0)->OnMatchToken(nullptr, nullptr, u"", 1, len);
  EXPECT_EQ(matches, 1);
  // The clients started over once, after the lock: reset, repaint, timers.
  EXPECT_EQ(c.Take(), (Log{"c.clear", "c.timer", "c.format", "c.format", "c.timer"}));

  TStringList notALexer;
  dst.Assign(&notALexer);  // ignored
  EXPECT_TRUE(EqualPublishedProperties(&src, &dst));
}

TEST(LexerModel, RulesOwnTheirCompiledExpressions) {
  TSyntAnalyzer l(nullptr);
  TTokenRule* r = l.TokenRules()->Add();
  r->SetExpression(u"[a-z_]\\w*");
  EXPECT_EQ(r->RegExpr()->ModifierFlags(), DefaultRegexOptions);
  EXPECT_EQ(r->RegExpr()->MatchLength(u"Begin end", 1), 5);  // i is on: case is ignored
  r->SetExpression(u"a b");                                  // x is on: blanks are layout
  EXPECT_EQ(r->RegExpr()->MatchLength(u"ab", 1), 2);
  r->SetExpression(u"(");
  EXPECT_TRUE(r->RegExpr()->IsInvalid());  // never matches, no error shown
  TSubAnalyzerRule* s = l.SubAnalyzers()->Add();
  s->SetStartExpression(u"<\\?php");
  s->SetEndExpression(u"\\?>");
  EXPECT_EQ(s->StartRegExpr()->MatchLength(u"<?PHP", 1), 5);
  EXPECT_EQ(s->EndRegExpr()->MatchLength(u"?>", 1), 2);
  EXPECT_EQ(s->EndRegExpr()->ModifierFlags(), DefaultRegexOptions);
}

TEST(LexerModel, CharsetGivesTheExpressionsTheirCodePage) {
  TSyntAnalyzer l(nullptr);
  TTokenRule* a = l.TokenRules()->Add();
  l.SetCharset(RUSSIAN_CHARSET);
  EXPECT_EQ(a->CodePage(), CharsetToCodePage(RUSSIAN_CHARSET));
  EXPECT_EQ(l.TokenRules()->Add()->CodePage(), CharsetToCodePage(RUSSIAN_CHARSET));
}

TEST(LexerModel, DestroyingALexerTellsTheClientsStillBound) {
  auto* l = new TSyntAnalyzer(nullptr);
  TLogClient c(l);
  delete l;
  EXPECT_EQ(c.Take(), (Log{"c.gone"}));
  EXPECT_EQ(c.lexer, nullptr);
}

}  // namespace
}  // namespace synt
