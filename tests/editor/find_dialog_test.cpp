// The find and replace dialogs on an editor in a headless window: ranges, marks, wrapping,
// replace-all against a plain model with one-step undo, prompts answered by a script, the forms
// and the commands.
#include <random>
#include <stdexcept>

#include "editor/commands.h"
#include "editor/find_dialog.h"
#include "lists/char_utils.h"
#include "memo_test_util.h"

namespace synt {
namespace {

class FinderTest : public test::MemoWindow {
 protected:
  // Runs the replace dialog as its form would with the "Replace All" button.
  void ReplaceAllByDialog() {
    replace.OnShowDialog = [](TObject*, int& Result) { Result = mrAll; };
    replace.Execute();
    replace.OnShowDialog = nullptr;
  }
  TScriptedDialogService& Script() { return desktop.Dialogs(); }
  TSyntFindDialog find{nullptr};
  TSyntReplaceDialog replace{nullptr};
  void Attach() {
    find.SetControl(&memo);
    replace.SetControl(&memo);
  }
  std::vector<TRange> Marks() {
    return std::vector<TRange>(memo.SearchMarks()->begin(), memo.SearchMarks()->end());
  }
};

TEST_F(FinderTest, FindNextSelectsOrMarksAndWrapsWhenAsked) {
  Make(u"one two one two");
  Attach();
  find.SetFindText(u"two");
  ASSERT_TRUE(find.FindNext());
  EXPECT_EQ(memo.CaretStrPos(), 7);
  EXPECT_EQ(Marks(), (std::vector<TRange>{{4, 7}}));
  ASSERT_TRUE(find.FindNext());
  EXPECT_EQ(memo.CaretStrPos(), 15);
  // Nothing further: the not-found message, no wrap.
  Script().ClearShown();
  EXPECT_FALSE(find.FindNext());
  ASSERT_EQ(Script().Shown().size(), 1u);
  EXPECT_EQ(Script().Shown()[0].Text, u"Search string 'two' not found.");
  // Wrapping silently with an empty CycleSearchMsg.
  find.SetCycleSearch(true);
  find.SetSelectResult(true);
  Script().ClearShown();
  ASSERT_TRUE(find.FindNext());
  EXPECT_EQ(memo.SelStart(), 4);
  EXPECT_EQ(memo.SelLength(), 3);
  EXPECT_TRUE(Script().Shown().empty());
  // Backwards from the caret: the nearer occurrence, caret at its start.
  memo.ResetSelection();
  memo.SetCaretStrPos(15);
  ASSERT_TRUE(find.FindPrevious());
  EXPECT_EQ(memo.SelStart(), 12);
  EXPECT_EQ(memo.CaretStrPos(), 12);
}

TEST_F(FinderTest, FindAllMarksEveryOccurrenceAndNeverWraps) {
  Make(u"ab ab ab");
  Attach();
  find.SetFindText(u"ab");
  find.SetCycleSearch(true);
  memo.SetCaretStrPos(8);
  ASSERT_TRUE(find.FindAll());
  EXPECT_EQ(find.FoundCount(), 3);
  EXPECT_EQ(Marks(), (std::vector<TRange>{{0, 2}, {3, 5}, {6, 8}}));
  EXPECT_EQ(memo.CaretStrPos(), 2);
  EXPECT_TRUE(memo.IsCommandEnabled(cmNextSearchMark, nullptr));
  find.SetFindText(u"zz");
  Script().ClearShown();
  EXPECT_FALSE(find.FindAll());
  EXPECT_EQ(Script().Shown().size(), 1u);  // not found, and no question about wrapping
}

TEST_F(FinderTest, OnFindVetoCounts) {
  Make(u"a1 a2 a3");
  Attach();
  find.SetFindText(u"a");
  find.OnFind = [](TObject*, int StartPos, int, bool& Accept) { Accept = StartPos != 1; };
  ASSERT_TRUE(find.FindNext());
  EXPECT_EQ(memo.CaretStrPos(), 4);
  replace.SetFindText(u"a");
  replace.SetReplaceText(u"b");
  replace.OnFind = [](TObject*, int StartPos, int, bool& Accept) { Accept = StartPos != 4; };
  ASSERT_TRUE(replace.FindAll());
  EXPECT_EQ(memo.Text(), u"b1 a2 b3");
}

// The replaced text a model gives: occurrences in the unchanged text, replaced in order.
std::u16string ModelReplace(std::u16string_view T, std::u16string_view Pattern, bool Regex,
                            bool Case, bool Backward, std::u16string_view With) {
  TTextFinder f(nullptr);
  f.SetFindText(std::u16string(Pattern));
  TSearchOptions flags;
  if (Regex) flags.Include(ftRegularExpr);
  if (Case) flags.Include(ftCaseSensitive);
  f.SetFlags(flags);
  std::vector<std::pair<int, int>> occ;
  f.FindAll(T, 0, int(T.size()), Backward, [&](int s, int l) {
    occ.emplace_back(s, l);
    return true;
  });
  std::sort(occ.begin(), occ.end());
  std::u16string out;
  int at = 0;
  for (auto [s, l] : occ) {
    out.append(T.substr(size_t(at), size_t(s - at)));
    out.append(With);
    at = s + l;
  }
  out.append(T.substr(size_t(at)));
  return out;
}

TEST_F(FinderTest, ReplaceAllAgreesWithModelAndUndoesInOneStep) {
  Make(u"");
  Attach();
  std::mt19937 rng(7);
  const std::vector<std::u16string> patterns = {u"a", u"ab", u"A", u"a*", u"b+", u"\\w+", u"ba?"};
  for (int round = 0; round < 300; ++round) {
    std::u16string text;
    for (int i = 0, n = int(rng() % 40); i < n; ++i) text.push_back(u"aAb \r\n"[rng() % 6]);
    memo.SetText(text);
    memo.ClearUndo();
    text = memo.Text();
    const std::u16string& pattern = patterns[rng() % patterns.size()];
    const bool regex = pattern.size() > 1 && (pattern[1] == u'*' || pattern[1] == u'+' ||
                                              pattern[0] == u'\\' || pattern[2] == u'?');
    const bool cs = rng() % 2, backward = rng() % 2;
    const std::u16string with = rng() % 2 ? u"<>" : u"";
    TSearchOptions flags;
    if (regex) flags.Include(ftRegularExpr);
    if (cs) flags.Include(ftCaseSensitive);
    replace.SetFlags(flags);
    replace.SetFindText(pattern);
    replace.SetReplaceText(with);
    replace.Search(true, backward, false);
    const std::u16string expected = ModelReplace(text, pattern, regex, cs, backward, with);
    ASSERT_EQ(memo.Text(), expected) << "round " << round;
    if (expected != text) {
      memo.Undo();
      ASSERT_EQ(memo.Text(), text) << "round " << round;
      EXPECT_FALSE(memo.CanUndo());
    }
  }
}

TEST_F(FinderTest, PromptedReplaceFollowsTheAnswersAndUndoesAtOnce) {
  Make(u"a a a a a");
  Attach();
  replace.SetFindText(u"a");
  replace.SetReplaceText(u"bb");
  replace.SetFlags({ftPromtOnReplace});
  Script().Push(mrYes);
  Script().Push(mrNo);
  Script().Push(mrAll);
  ASSERT_TRUE(replace.FindAll());
  EXPECT_EQ(memo.Text(), u"bb a bb bb bb");
  // Only the first three asked; All replaced the rest without asking.
  ASSERT_EQ(Script().Shown().size(), 3u);
  EXPECT_EQ(Script().Shown()[0].Text, u"Replace this occurence of 'a'?");
  memo.Undo();
  EXPECT_EQ(memo.Text(), u"a a a a a");

  Script().ClearShown();
  Script().Push(mrYes);
  Script().Push(mrCancel);
  memo.SetCaretStrPos(0);
  ASSERT_TRUE(replace.FindAll());
  EXPECT_EQ(memo.Text(), u"bb a a a a");
  EXPECT_EQ(Script().Shown().size(), 2u);  // cancelled: no not-found message either
}

// The prompt goes next to the occurrence it asks about (AutoPosPrompt), or where the service puts
// its boxes.
TEST_F(FinderTest, PromptIsPlacedNearTheOccurrence) {
  Make(u"xx abc\n\n\n  abc");
  Attach();
  replace.SetFindText(u"abc");
  replace.SetReplaceText(u"d");
  replace.SetFlags({ftPromtOnReplace});
  Script().Push(mrNo);
  Script().Push(mrNo);
  ASSERT_TRUE(replace.FindAll());
  ASSERT_EQ(Script().Shown().size(), 2u);
  ASSERT_TRUE(Script().Shown()[0].Near && Script().Shown()[1].Near);
  const TRect a = *Script().Shown()[0].Near, b = *Script().Shown()[1].Near;
  const TPoint origin = host->ClientToScreen({0, 0});
  const TPoint caret = memo.CaretPart().CaretToPoint({3, 0});
  const int row = memo.DefTextExt().cy + memo.LineSpacing();
  EXPECT_EQ(a, (TRect{origin.X + caret.X, origin.Y + caret.Y, origin.X + caret.X + 3 * 8,
                      origin.Y + caret.Y + row}));
  EXPECT_EQ(b.Left, a.Left - 8) << "two columns left of the first";
  EXPECT_EQ(b.Top, a.Top + 3 * row) << "three lines down";

  replace.SetAutoPosPrompt(false);
  Script().ClearShown();
  Script().Push(mrNo);
  Script().Push(mrNo);
  memo.SetCaretStrPos(0);
  ASSERT_TRUE(replace.FindAll());
  ASSERT_EQ(Script().Shown().size(), 2u);
  EXPECT_FALSE(Script().Shown()[0].Near);
}

TEST(PlaceDialogNear, AboveElseBelowAndAlwaysInsideTheWorkArea) {
  const TRect work{0, 0, 1000, 800};
  EXPECT_EQ(PlaceDialogNear({300, 100}, {200, 400, 230, 416}, work), (TPoint{200, 300}));
  EXPECT_EQ(PlaceDialogNear({300, 100}, {200, 50, 230, 66}, work), (TPoint{200, 66}))
      << "no room above: below the line";
  EXPECT_EQ(PlaceDialogNear({300, 100}, {900, 400, 930, 416}, work), (TPoint{700, 300}))
      << "pulled in from the right edge";
  EXPECT_EQ(PlaceDialogNear({300, 100}, {-50, 40, 10, 790}, work), (TPoint{0, 700}))
      << "a tall occurrence at the top: below it would leave the screen, so the bottom edge";
  EXPECT_EQ(PlaceDialogNear({2000, 100}, {10, 400, 20, 416}, work).X, 0)
      << "wider than the screen: its left edge shows";
}

TEST_F(FinderTest, TemplatesAndTheReplaceTextEvent) {
  Make(u"x=1; y=2;");
  Attach();
  replace.SetFindText(u"(\\w)=(\\d)");
  replace.SetReplaceText(u"\\2=\\1");
  replace.SetFlags({ftRegularExpr, ftReplaceTemplate});
  ASSERT_TRUE(replace.FindAll());
  EXPECT_EQ(memo.Text(), u"1=x; 2=y;");
  replace.SetFlags({ftRegularExpr});
  replace.SetFindText(u"\\d");
  replace.OnReplaceText = [](TObject*, const std::u16string& Source, std::u16string& With) {
    With = Source + Source;
  };
  ASSERT_TRUE(replace.FindAll());
  EXPECT_EQ(memo.Text(), u"11=x; 22=y;");
}

TEST_F(FinderTest, ReplacingInTheSelectionLeavesTheTextAfterItAlone) {
  Make(u"aaaa|aaaa");
  Attach();
  memo.SelectRange(0, 4);
  replace.SetFindText(u"a+");
  replace.SetReplaceText(u"X");
  replace.SetFlags({ftRegularExpr, ftSelectedText, ftEntireScope});
  ReplaceAllByDialog();
  EXPECT_EQ(memo.Text(), u"X|aaaa");
  // A plain occurrence may not run one past the selection either.
  memo.SetText(u"abab");
  memo.SelectRange(0, 3);
  replace.SetFindText(u"ab");
  replace.SetFlags({ftSelectedText, ftEntireScope});
  ReplaceAllByDialog();
  EXPECT_EQ(memo.Text(), u"Xab");
}

TEST_F(FinderTest, ColumnBlockRangesStayAlignedAfterReplacements) {
  Make(u"xaax\nxaax\nxaax");
  Attach();
  Opt(soEnableBlockSel);
  memo.SetSelectionMode(msColumn);
  memo.Selection().SetBlock({1, 0, 3, 2});
  replace.SetFindText(u"a");
  replace.SetReplaceText(u"bcd");
  replace.SetFlags({ftSelectedText, ftEntireScope});
  ReplaceAllByDialog();
  EXPECT_EQ(memo.Text(), u"xbcdbcdx\nxbcdbcdx\nxbcdbcdx");
  memo.Undo();
  EXPECT_EQ(memo.Text(), u"xaax\nxaax\nxaax");
}

TEST_F(FinderTest, PersistentBlocksAreRestoredWhenAHandlerThrows) {
  Make(u"one two one");
  Attach();
  Opt(soPersistentBlocks, false);
  memo.SelectRange(0, 3);
  find.SetKeepSelection(true);
  find.SetFindText(u"one");
  memo.SetCaretStrPos(3);
  memo.SelectRange(0, 3);
  memo.OnCaretPosChanged = [](TObject*) { throw std::runtime_error("handler"); };
  EXPECT_THROW(find.FindNext(), std::runtime_error);
  memo.OnCaretPosChanged = nullptr;
  EXPECT_FALSE(memo.Options().Contains(soPersistentBlocks));
}

TEST_F(FinderTest, CommandsRunTheAttachedDialogs) {
  Make(u"begin end begin end");
  EXPECT_FALSE(memo.IsCommandEnabled(cmFindDialog, nullptr));
  Attach();
  EXPECT_TRUE(memo.IsCommandEnabled(cmFindDialog, nullptr));
  EXPECT_FALSE(memo.IsCommandEnabled(cmFindNext, nullptr));  // no search text yet
  EXPECT_TRUE(memo.IsCommandEnabled(cmFindCurrentWordNext, nullptr));
  memo.ExecuteCommand(cmFindCurrentWordNext, nullptr);
  EXPECT_EQ(find.FindText(), u"begin");
  EXPECT_EQ(Marks(), (std::vector<TRange>{{10, 15}}));
  memo.ExecuteCommand(cmFindAll, nullptr);
  EXPECT_EQ(Marks(), (std::vector<TRange>{{0, 5}, {10, 15}}));

  // The dialog through the form: search text and options typed in, replaced through 610.
  Script().PushForm({mrAll, {{u"FindText", u"END"}, {u"ReplaceText", u"fin"}}});
  memo.ExecuteCommand(cmReplaceDialog, nullptr);
  EXPECT_EQ(memo.Text(), u"begin fin begin fin");
  ASSERT_EQ(Script().ShownForms().size(), 1u);
  const TDialogForm& form = Script().ShownForms()[0];
  EXPECT_EQ(form.Field(u"FindText")->Text, u"begin");  // filled with the word at the caret
  EXPECT_EQ(form.Field(u"ReplaceTemplate")->EnabledBy, u"RegularExpr");
  EXPECT_EQ(replace.History()->Strings(0), u"END");
  EXPECT_EQ(replace.ReplaceHistory()->Strings(0), u"fin");
  memo.SetReadOnly(true);
  EXPECT_FALSE(memo.IsCommandEnabled(cmReplaceNext, nullptr));
  EXPECT_TRUE(memo.IsCommandEnabled(cmFindNext, nullptr));
}

TEST_F(FinderTest, DialogReadsTheFormIntoFlags) {
  Make(u"abc");
  Attach();
  Script().PushForm({mrOk,
                     {{u"FindText", u"B"},
                      {u"CaseSensitive", u"1"},
                      {u"Direction", u"&Backward"},
                      {u"Origin", u"&Entire scope"}}});
  Script().ClearShown();
  find.Execute();
  EXPECT_EQ(find.Flags(), (TSearchOptions{ftCaseSensitive, ftBackward, ftEntireScope}));
  EXPECT_EQ(Script().Shown().size(), 1u);  // "B" case-sensitive: not found
  Script().PushForm({mrCancel, {}});
  find.Execute();
  EXPECT_EQ(find.FindText(), u"B");
}

TEST_F(FinderTest, ControlIsClearedWhenTheEditorGoes) {
  auto other = std::make_unique<TSyntaxMemo>(nullptr);
  find.SetControl(other.get());
  EXPECT_EQ(other->PluginCount(), 1);
  other.reset();
  EXPECT_EQ(find.Control(), nullptr);
  EXPECT_FALSE(find.FindNext());
}

}  // namespace
}  // namespace synt

namespace synt {
namespace {

// Deleting "a" from "\ra\n" first would join the CR and the LF, and the storage never inserts
// between them: the replacement must still land where the occurrence was.
TEST_F(FinderTest, ReplacingBetweenCrAndLfKeepsTheOrder) {
  Make(u"x\ra\ny");
  Attach();
  replace.SetFindText(u"a");
  replace.SetReplaceText(u"BB");
  ASSERT_TRUE(replace.FindAll());
  EXPECT_EQ(memo.Text(), u"x\rBB\ny");
  memo.Undo();
  EXPECT_EQ(memo.Text(), u"x\ra\ny");
}

}  // namespace
}  // namespace synt
