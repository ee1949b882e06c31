#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>

#include "analysis/synt_text_source.h"
#include "analysis/syntax_analyzer.h"
#include "editor/syntax_memo.h"
#include "memo_test_util.h"
#include "platform/headless_host.h"

namespace synt {
namespace {

using test::LoadLexer;
using test::Settle;

// The style names the token styles of the analysis give along a text, for comparing analyses.
std::vector<std::u16string> TokenStyles(ISyntDisplayQueries& Q, int Length) {
  std::vector<std::u16string> names;
  for (int pos = 0; pos < Length; ++pos) {
    TStyleEntries e;
    Q.GetTokenStyleAt(pos, e);
    names.push_back(e.empty() || !e.back().Style ? u"" : e.back().Style->DisplayName());
  }
  return names;
}

TEST(MemoBinding, DefaultsOfANewEditor) {
  THeadlessDesktop desktop;
  TSyntaxMemo memo(nullptr);
  EXPECT_EQ(memo.Color(), clWindow);
  EXPECT_EQ(memo.Font()->Name(), u"Courier New");
  EXPECT_EQ(memo.Font()->Size(), 10);
  EXPECT_EQ(memo.Options(), DefaultMemoOptions);
  EXPECT_EQ(memo.OptionsEx(), DefaultMemoOptionsEx);
  EXPECT_EQ(memo.TabList()->AsString(), u"4");
  EXPECT_EQ(memo.Zoom(), 100);
  EXPECT_EQ(memo.CollapseLevel(), -1);
  EXPECT_EQ(memo.CollapseStyle(), csRegionName);
  EXPECT_EQ(memo.StaplePen()->Color(), clGray);
  EXPECT_EQ(memo.MonoFontMode(), mfVariable);
  EXPECT_FALSE(memo.FixedPitch());
  EXPECT_EQ(memo.UndoLimit(), 1000);
  EXPECT_EQ(memo.Lines()->UndoLimit(), 1000);
  EXPECT_EQ(memo.SyntClient(), nullptr);
  const TDefaultStyles& d = *memo.DefaultStyles();
  EXPECT_EQ(d.SelectioMark()->BgColor(), clHighlight);
  EXPECT_EQ(d.SelectioMark()->Font()->Color(), clHighlightText);
  EXPECT_EQ(d.SearchMark()->BgColor(), clBlack);
  EXPECT_FALSE(d.CurrentLine()->Enabled());
  EXPECT_EQ(d.CollapseMark()->BorderType(2), blSolid);
  EXPECT_EQ(d.CollapseMark()->BorderColor(3), clSilver);
}

TEST(MemoBinding, OwnAnalysisHighlightsOwnLines) {
  THeadlessDesktop desktop;
  auto pascal = LoadLexer("pascal.lxl");
  TSyntaxMemo memo(nullptr);
  memo.SetText(u"begin x := 1; end;");
  memo.SetSyntaxAnalyzer(pascal.get());
  ASSERT_NE(memo.SyntClient(), nullptr);
  EXPECT_EQ(memo.CurrentLexer(), pascal.get());
  int finished = 0;
  memo.OnFinishAnalysis = [&](TObject*) { ++finished; };
  ASSERT_TRUE(Settle(desktop, memo.SyntClient()));
  EXPECT_GE(finished, 1);
  EXPECT_GT(memo.SyntClient()->TagCount(), 3);
  memo.SetSyntaxAnalyzer(pascal.get());  // the same lexer again: nothing happens
  EXPECT_EQ(memo.SyntClient()->TagCount() > 3, true);
}

// The source's analysis serves both editors, whatever lexer an editor has of its own; the own one
// idles over the own lines until the source goes.
TEST(MemoBinding, SharedSourceIsHighlightedByTheSourcesAnalysis) {
  THeadlessDesktop desktop;
  auto pascal = LoadLexer("pascal.lxl");
  auto c = LoadLexer("c.lxl");
  TSyntTextSource doc(nullptr);
  const std::u16string text = u"begin { c } x := 'a'; end;";
  doc.Lines()->SetTextStr(text);
  doc.SetSyntaxAnalyzer(pascal.get());
  TSyntaxMemo a(nullptr), b(nullptr);
  a.SetSyntaxAnalyzer(c.get());
  a.SetText(u"int main() { return 0; }");
  a.SetTextSource(&doc);
  b.SetTextSource(&doc);
  EXPECT_EQ(a.SyntClient(), doc.SyntClient());
  EXPECT_EQ(b.SyntClient(), doc.SyntClient());
  EXPECT_EQ(a.CurrentLexer(), pascal.get());
  EXPECT_EQ(a.SyntaxAnalyzer(), c.get());
  EXPECT_EQ(a.Lines(), doc.Lines());
  ASSERT_TRUE(Settle(desktop, doc.SyntClient()));

  // Against a fresh analysis of the same text by a third editor of its own.
  TSyntaxMemo fresh(nullptr);
  fresh.SetText(text);
  fresh.SetSyntaxAnalyzer(pascal.get());
  ASSERT_TRUE(Settle(desktop, fresh.SyntClient()));
  EXPECT_EQ(TokenStyles(*a.Analysis(), int(text.size())),
            TokenStyles(*fresh.Analysis(), int(text.size())));

  // An edit through one editor's lines reaches both, highlighted by the source.
  int changesB = 0;
  b.OnTextChanged = [&](TObject*, int, int, int) { ++changesB; };
  a.Lines()->InsertText(0, u"x ");
  EXPECT_EQ(changesB, 1);
  ASSERT_TRUE(Settle(desktop, doc.SyntClient()));
  fresh.SetText(doc.Lines()->GetTextStr());
  ASSERT_TRUE(Settle(desktop, fresh.SyntClient()));
  EXPECT_EQ(TokenStyles(*b.Analysis(), int(text.size()) + 2),
            TokenStyles(*fresh.Analysis(), int(text.size()) + 2));

  // Detached, a shows its own lines and its own analysis again.
  a.SetTextSource(nullptr);
  EXPECT_EQ(a.Text(), u"int main() { return 0; }");
  EXPECT_EQ(a.CurrentLexer(), c.get());
  ASSERT_TRUE(Settle(desktop, a.SyntClient()));
  EXPECT_GT(a.SyntClient()->TagCount(), 5);
}

TEST(MemoBinding, AttachingResetsCaretAndReportsModifiedOnlyWhenItChanges) {
  THeadlessDesktop desktop;
  TSyntTextSource doc(nullptr);
  doc.Lines()->SetTextStr(u"one\r\ntwo\r\nthree");
  TSyntaxMemo memo(nullptr);
  memo.SetText(u"abc\r\ndef");
  memo.Selection().SetCaretPos({2, 1});
  memo.Selection().SetSelection(1, 3);
  int reports = 0;
  memo.OnModifiedChanged = [&](TObject*) { ++reports; };
  memo.SetTextSource(&doc);  // both unmodified
  EXPECT_EQ(reports, 0);
  EXPECT_EQ(memo.Selection().CaretPos(), (TPoint{0, 0}));
  EXPECT_FALSE(memo.Selection().HaveSelection());
  memo.SetTextSource(nullptr);

  memo.Lines()->AddUndo(ukReplace, u"x", true, 0, u"");
  memo.Lines()->InsertText(0, u"x");
  ASSERT_TRUE(memo.Modified());
  reports = 0;
  memo.SetTextSource(&doc);  // modified -> unmodified
  EXPECT_EQ(reports, 1);
  memo.SetTextSource(nullptr);  // unmodified -> modified
  EXPECT_EQ(reports, 2);
}

// The editor's handler on the source's lines names the editor; it must leave with it.
TEST(MemoBinding, ModifiedHandlerGivenToTheSourceLeavesWithTheEditor) {
  THeadlessDesktop desktop;
  TSyntTextSource doc(nullptr);
  doc.Lines()->SetTextStr(u"text");
  int reports = 0;
  {
    TSyntaxMemo memo(nullptr);
    memo.OnModifiedChanged = [&](TObject* Sender) {
      EXPECT_EQ(Sender, &memo);
      ++reports;
    };
    memo.SetTextSource(&doc);
    ASSERT_TRUE(doc.Lines()->OnModifiedChanged);
    doc.Lines()->AddUndo(ukReplace, u"y", true, 0, u"");
    doc.Lines()->InsertText(0, u"y");
    EXPECT_EQ(reports, 1);
    memo.SetTextSource(nullptr);
    EXPECT_FALSE(doc.Lines()->OnModifiedChanged);
    memo.SetTextSource(&doc);
    EXPECT_TRUE(doc.Lines()->OnModifiedChanged);
  }
  EXPECT_FALSE(doc.Lines()->OnModifiedChanged);
  const int before = reports;
  doc.Lines()->SetModified(false);  // would call into the freed editor
  EXPECT_EQ(reports, before);

  // A handler the source's lines already have is left alone.
  int own = 0;
  doc.Lines()->OnModifiedChanged = [&](TObject*) { ++own; };
  {
    TSyntaxMemo memo(nullptr);
    memo.OnModifiedChanged = [&](TObject*) { ++reports; };
    memo.SetTextSource(&doc);
  }
  ASSERT_TRUE(doc.Lines()->OnModifiedChanged);
  doc.Lines()->AddUndo(ukReplace, u"z", true, 0, u"");
  doc.Lines()->InsertText(0, u"z");
  EXPECT_EQ(own, 1);
}

TEST(MemoBinding, ReplacingTheWholeTextDropsTheUndoHistory) {
  THeadlessDesktop desktop;
  TSyntaxMemo memo(nullptr);
  memo.SetText(u"first text");
  memo.Lines()->AddUndo(ukReplace, u"long insertion ", true, 6, u"");
  memo.Lines()->InsertText(6, u"long insertion ");
  ASSERT_TRUE(memo.Lines()->CanUndo());
  memo.SetText(u"short");
  EXPECT_FALSE(memo.Lines()->CanUndo());
  EXPECT_EQ(memo.Lines()->Undo(false), -1);
  EXPECT_EQ(memo.Text(), u"short");

  TStringList other;
  other.Add(u"alpha");
  other.Add(u"beta");
  memo.Lines()->AddUndo(ukDelete, u"", false, 0, u"sh");
  memo.Lines()->DeleteText(0, 2);
  memo.SetLines(&other);
  EXPECT_FALSE(memo.Lines()->CanUndo());
  EXPECT_EQ(memo.Lines()->Get(1), u"beta");

  // The same through a text source's lines.
  TSyntTextSource doc(nullptr);
  memo.SetTextSource(&doc);
  doc.Lines()->AddUndo(ukReplace, u"q", true, 0, u"");
  doc.Lines()->InsertText(0, u"q");
  memo.SetText(u"new");
  EXPECT_FALSE(doc.Lines()->CanUndo());
  EXPECT_EQ(doc.Lines()->GetTextStr(), u"new");
}

TEST(MemoBinding, FreeingTheLexerLeavesTheTextUnhighlighted) {
  THeadlessDesktop desktop;
  auto pascal = LoadLexer("pascal.lxl");
  TSyntaxMemo memo(nullptr);
  memo.SetText(u"begin end;");
  memo.SetSyntaxAnalyzer(pascal.get());
  ASSERT_TRUE(Settle(desktop, memo.SyntClient()));
  pascal.reset();
  EXPECT_EQ(memo.SyntaxAnalyzer(), nullptr);
  EXPECT_EQ(memo.SyntClient(), nullptr);
  EXPECT_EQ(memo.CurrentLexer(), nullptr);
  EXPECT_EQ(memo.Text(), u"begin end;");
  memo.Lines()->InsertText(0, u"x");
  EXPECT_EQ(memo.Text(), u"xbegin end;");
}

TEST(MemoBinding, FreedReferencesAreDropped) {
  THeadlessDesktop desktop;
  TSyntaxMemo memo(nullptr);
  auto styles = std::make_unique<TSyntStyles>(nullptr);
  styles->Styles()->Add()->SetDisplayName(u"Mark");
  auto mapping = std::make_unique<TSyntKeyMapping>(nullptr);
  auto plugin = std::make_unique<TComponent>(nullptr);
  memo.SetUserStyles(styles.get());
  memo.SetKeyMapping(mapping.get());
  memo.AddPlugin(plugin.get());
  memo.AddPlugin(plugin.get());
  EXPECT_EQ(memo.PluginCount(), 1);
  EXPECT_NE(memo.FindStyle(u"Mark"), nullptr);
  styles.reset();
  mapping.reset();
  plugin.reset();
  EXPECT_EQ(memo.UserStyles(), nullptr);
  EXPECT_EQ(memo.FindStyle(u"Mark"), nullptr);
  EXPECT_EQ(memo.KeyMapping(), nullptr);
  EXPECT_EQ(memo.PluginCount(), 0);
}

// Two editors share a source; one of them also has a lexer of its own, and the source uses the
// same lexer. Freed in every order, with edits and analysis in between: under the address
// sanitizer a dangling reference anywhere fails the test.
TEST(MemoBinding, LifetimesInEveryOrder) {
  std::array<int, 4> order{0, 1, 2, 3};  // lexer, source, editor A, editor B
  int runs = 0;
  do {
    SCOPED_TRACE(testing::Message() << order[0] << order[1] << order[2] << order[3]);
    THeadlessDesktop desktop;
    std::unique_ptr<TSyntAnalyzer> lexer = LoadLexer("pascal.lxl");
    auto source = std::make_unique<TSyntTextSource>(nullptr);
    auto a = std::make_unique<TSyntaxMemo>(nullptr);
    auto b = std::make_unique<TSyntaxMemo>(nullptr);
    int modifiedA = 0;
    a->OnModifiedChanged = [&](TObject*) { ++modifiedA; };
    a->SetText(u"procedure P; begin end;");
    a->SetSyntaxAnalyzer(lexer.get());
    source->Lines()->SetTextStr(u"begin\r\n  x := 1;\r\nend.");
    source->SetSyntaxAnalyzer(lexer.get());
    a->SetTextSource(source.get());
    b->SetTextSource(source.get());
    b->SetSyntaxAnalyzer(lexer.get());
    b->Selection().SetSelection(2, 5);

    auto exercise = [&] {
      for (TSyntaxMemo* m : {a.get(), b.get()}) {
        if (!m) continue;
        m->Lines()->InsertText(0, u"{x}");
        m->Lines()->SetModified(false);
        (void)m->SelText();
        if (ISyntDisplayQueries* q = m->Analysis()) {
          TStyleEntries e;
          q->GetTokenStyleAt(1, e);
          q->GetLineCollapseState(0);
        }
        (void)m->DefTextExt();
        m->UpdateFixedPitch();
      }
      if (source) source->Lines()->InsertText(0, u" ");
      for (int i = 0; i < 50 && desktop.Loop().ProcessEvents() > 0; ++i) {
      }
      desktop.Clock().Advance(300);
      desktop.Loop().ProcessEvents();
    };
    exercise();
    for (int which : order) {
      switch (which) {
        case 0:
          lexer.reset();
          break;
        case 1:
          source.reset();
          break;
        case 2:
          a.reset();
          break;
        case 3:
          b.reset();
          break;
      }
      exercise();
    }
    desktop.Loop().RunPosted();
    ++runs;
  } while (std::next_permutation(order.begin(), order.end()));
  EXPECT_EQ(runs, 24);
}

}  // namespace
}  // namespace synt
