#include <gtest/gtest.h>

#include <random>
#include <stdexcept>

#include "analysis/syntax_analyzer.h"
#include "editor/commands.h"
#include "editor/syntax_memo.h"
#include "memo_test_util.h"
#include "platform/clipboard.h"
#include "platform/headless_host.h"
#include "text/memo_strings.h"

namespace synt {
namespace {

// A lexer whose "[...]" tokens are in a read-only style, words in a plain one.
struct TLockLexer {
  TSyntAnalyzer lexer{nullptr};
  TLockLexer() {
    TSyntaxFormat* locked = lexer.Formats()->Add();
    locked->SetDisplayName(u"Locked");
    locked->SetReadOnly(true);
    TSyntaxFormat* word = lexer.Formats()->Add();
    word->SetDisplayName(u"Word");
    TTokenRule* r = lexer.TokenRules()->Add();
    r->SetExpression(u"\\[[^\\]]*\\]");
    r->SetStyleName(u"Locked");
    r = lexer.TokenRules()->Add();
    r->SetExpression(u"[a-z]+");
    r->SetStyleName(u"Word");
    lexer.SetLineComment(u"//");
  }
};

class Editing : public testing::Test {
 protected:
  THeadlessDesktop desktop;
  TSyntaxMemo memo{nullptr};
  THeadlessHost host{desktop, memo, {400, 300}};
  TMemoEditPart& edit = memo.EditPart();

  void SetText(std::u16string_view Text) {
    memo.SetText(Text);
    memo.SetCaretPos({0, 0});
  }
  void Caret(int X, int Y) { memo.SetCaretPos({X, Y}); }
  void Options(std::initializer_list<TSyntaxMemoOption> Add,
               std::initializer_list<TSyntaxMemoOption> Remove = {}) {
    TSyntaxMemoOptions o = memo.Options();
    for (auto a : Add) o.Include(a);
    for (auto r : Remove) o.Exclude(r);
    memo.SetOptions(o);
  }
  void OptionsEx(std::initializer_list<TSyntaxMemoOptionEx> Add) {
    TSyntaxMemoOptionsEx o = memo.OptionsEx();
    for (auto a : Add) o.Include(a);
    memo.SetOptionsEx(o);
  }
  std::u16string Text() const { return memo.Text(); }
};

// ---- Protection -----------------------------------------------------------------------------

TEST_F(Editing, ProtectedTextRefusesInsertionBetweenAndDeletionInside) {
  TLockLexer l;
  memo.SetSyntaxAnalyzer(&l.lexer);
  SetText(u"ab[xy]cd");
  EXPECT_FALSE(edit.IsProtected(1));
  EXPECT_TRUE(edit.IsProtected(2));
  EXPECT_TRUE(edit.IsProtected(5));
  EXPECT_FALSE(edit.IsProtected(6));
  EXPECT_TRUE(edit.CanInsert(2));   // right after "b": the character before is free
  EXPECT_FALSE(edit.CanInsert(3));  // between "[" and "x"
  EXPECT_TRUE(edit.CanInsert(6));   // after "]", before "c"
  EXPECT_FALSE(edit.CanDelete(2, 4));
  EXPECT_TRUE(edit.CanDelete(1, 2));
  Caret(3, 0);
  memo.InsertText(u"Q");
  EXPECT_EQ(Text(), u"ab[xy]cd");
  Caret(2, 0);
  memo.InsertText(u"Q");
  EXPECT_EQ(Text(), u"abQ[xy]cd");

  // ReplaceText with nothing to delete is an insertion and is guarded like one.
  EXPECT_FALSE(memo.ReplaceText(4, 0, u"Z"));
  EXPECT_EQ(Text(), u"abQ[xy]cd");

  // Clearing a selection across the token removes the text around it and keeps the token.
  memo.Selection().SetSelection(1, 7);
  memo.ClearSelection();
  EXPECT_EQ(Text(), u"a[xy]d");

  memo.SetReadOnly(true);
  EXPECT_FALSE(edit.CanInsert(0));
  memo.SetReadOnly(false);
  bool asked = false;
  memo.OnCanInsert = [&](TObject*, int Pos, bool& Allow) {
    asked = true;
    if (Pos == 0) Allow = false;
  };
  Caret(0, 0);
  memo.InsertText(u"!");
  EXPECT_TRUE(asked);
  EXPECT_EQ(Text(), u"a[xy]d");
}

TEST_F(Editing, MovingASelectionWithProtectedTextShiftsByWhatWentAway) {
  TLockLexer l;
  memo.SetSyntaxAnalyzer(&l.lexer);
  SetText(u"ab[x]cd efgh");
  memo.Selection().SetSelection(1, 5);  // "b[x]c"
  ASSERT_TRUE(edit.MoveSelectionTo({10, 0}, false));
  // "b" and "c" go, the token stays: the target moved back by two, not five.
  EXPECT_EQ(Text(), u"a[x]d efb[x]cgh");
  EXPECT_EQ(memo.SelText(), u"b[x]c");
}

// ---- Insertion ------------------------------------------------------------------------------

TEST_F(Editing, SingleLineEditorTurnsBreaksIntoBlanks) {
  memo.SetMultiLine(false);
  SetText(u"ab");
  Caret(1, 0);
  memo.InsertText(u"x\r\ny\nz");
  EXPECT_EQ(Text(), u"ax  y zb");
}

TEST_F(Editing, FillerReachesAVirtualCaretWithTheDocumentsBreak) {
  OptionsEx({soVirtualCaretPos});
  SetText(u"ab\ncd");
  memo.Lines()->SetLineBreakStyle(lbLF);
  Caret(4, 0);
  memo.InsertText(u"x");
  EXPECT_EQ(Text(), u"ab  x\ncd");
  EXPECT_EQ(memo.CaretPos(), (TPoint{5, 0}));
  Caret(2, 3);
  memo.InsertText(u"y");
  EXPECT_EQ(Text(), u"ab  x\ncd\n\n  y");
  // A bare break below the text only moves the caret.
  Caret(0, 5);
  memo.InsertText(u"\r\n");
  EXPECT_EQ(Text(), u"ab  x\ncd\n\n  y");
  EXPECT_EQ(memo.CaretPos(), (TPoint{0, 6}));
}

TEST_F(Editing, DeleteNeverCutsACrLfPair) {
  SetText(u"ab\r\ncd");
  Caret(0, 1);
  memo.DeleteChars(-1);
  EXPECT_EQ(Text(), u"abcd");
  EXPECT_EQ(memo.CaretPos(), (TPoint{2, 0}));
  memo.Undo();
  EXPECT_EQ(Text(), u"ab\r\ncd");
  bool vetoed = false;
  memo.OnBeforeDelete = [&](TObject*, int&, int&, bool& Accept) {
    vetoed = true;
    Accept = false;
  };
  Caret(1, 0);
  memo.DeleteChars(1);
  EXPECT_TRUE(vetoed);
  EXPECT_EQ(Text(), u"ab\r\ncd");
}

TEST_F(Editing, BeforeInsertMayChangeTheText) {
  SetText(u"ab");
  memo.OnBeforeInsert = [](TObject*, int& Pos, std::u16string& S, bool&) {
    Pos = 0;
    S = u"<" + S;
  };
  Caret(2, 0);
  memo.InsertText(u"x");
  EXPECT_EQ(Text(), u"<xab");
}

// ---- Undo -----------------------------------------------------------------------------------

TEST_F(Editing, TypingUndoesPerKeyOrAtOnceWithGroupUndo) {
  for (bool group : {false, true}) {
    if (group)
      Options({soGroupUndo});
    else
      Options({}, {soGroupUndo});
    SetText(u"");
    for (char16_t c : std::u16string(u"abc")) memo.ExecuteCommand(cmChar, &c);
    EXPECT_EQ(Text(), u"abc");
    memo.Undo();
    EXPECT_EQ(Text(), group ? u"" : u"ab");
    memo.Redo();
    EXPECT_EQ(Text(), group ? u"a" : u"abc");  // redo merges only with soGroupRedo
  }
  // Backspaces running left merge as well.
  Options({soGroupUndo});
  SetText(u"0123456789xyz");
  Caret(10, 0);
  for (int i = 0; i < 3; ++i) memo.ExecuteCommand(cmBackspace, nullptr);
  EXPECT_EQ(Text(), u"0123456xyz");
  memo.Undo();
  EXPECT_EQ(Text(), u"0123456789xyz");
  EXPECT_EQ(memo.CaretStrPos(), 10);
}

TEST_F(Editing, ModifiedWithAndWithoutUndoAfterSave) {
  SetText(u"ab");
  Caret(2, 0);
  memo.InsertText(u"c");
  EXPECT_TRUE(memo.Modified());
  int changes = 0;
  memo.OnModifiedChanged = [&](TObject*) { ++changes; };
  Options({soUndoAfterSave});
  memo.SetModified(false);
  EXPECT_FALSE(memo.Modified());
  EXPECT_TRUE(memo.CanUndo());
  memo.Undo();
  EXPECT_TRUE(memo.Modified());
  memo.Redo();
  EXPECT_FALSE(memo.Modified());
  EXPECT_GE(changes, 3);
  Options({}, {soUndoAfterSave});
  memo.InsertText(u"d");
  memo.SetModified(false);
  EXPECT_FALSE(memo.CanUndo());
  memo.SetReadOnly(true);
  memo.InsertText(u"e");
  EXPECT_EQ(Text(), u"abcd");
}

TEST_F(Editing, ReadOnlyEditorDoesNotUndo) {
  SetText(u"ab");
  Caret(2, 0);
  memo.InsertText(u"c");
  memo.SetReadOnly(true);
  EXPECT_FALSE(memo.CanUndo());
  memo.Undo();
  EXPECT_EQ(Text(), u"abc");
}

// Random operations; undoing all restores the original text unit for unit, redoing all the final
// one, and the storage stays consistent throughout.
TEST_F(Editing, UndoRedoOracleOverRandomOperations) {
  TLockLexer l;
  memo.SetSyntaxAnalyzer(&l.lexer);
  Options({soGroupUndo});
  std::mt19937 rng(7);
  const std::u16string alphabet = u"ab \t\r\n[]x";
  for (int round = 0; round < 30; ++round) {
    std::u16string original;
    for (int i = 0; i < 30; ++i) original += alphabet[rng() % alphabet.size()];
    memo.SetText(original);
    memo.SetReadOnly(false);
    for (int step = 0; step < 40; ++step) {
      const TSyntMemoStrings& lines = *memo.Lines();
      const int n = std::max(1, lines.GetCount());
      const int y = int(rng() % unsigned(n));
      Caret(int(rng() % unsigned(lines.LineLength(y) + 3)), y);
      switch (rng() % 12) {
        case 0:
          memo.InsertText(std::u16string(1 + rng() % 3, alphabet[rng() % alphabet.size()]));
          break;
        case 1:
          memo.DeleteChars(int(rng() % 7) - 3);
          break;
        case 2:
          memo.ReplaceText(int(rng() % 40), int(rng() % 5), u"zz");
          break;
        case 3:
          edit.NewLine(int(rng() % 4), rng() % 2, rng() % 2);
          break;
        case 4:
          memo.Selection().SetSelection(int(rng() % 40), int(rng() % 10));
          edit.IndentLines(rng() % 2 ? 2 : -2);
          break;
        case 5:
          edit.ChangeCase(int(rng() % 40), int(rng() % 10), 1 + int(rng() % 4));
          break;
        case 6:
          memo.Selection().SetSelection(int(rng() % 40), int(rng() % 30));
          edit.SortLines(rng() % 2);
          break;
        case 7:
          edit.CommentLines(rng() % 2, int(rng() % 4), int(rng() % 6));
          break;
        case 8:
          memo.Selection().SetSelection(int(rng() % 40), int(rng() % 8));
          memo.ClearSelection();
          break;
        case 9:
          memo.Selection().SetSelection(int(rng() % 40), int(rng() % 8));
          edit.MoveSelectionTo({int(rng() % 5), int(rng() % 4)}, rng() % 2);
          break;
        case 10:
          edit.PasteText(u"p\r\nqq\r\n", true);
          break;
        default: {
          const int c = rng() % 2 ? cmMoveLinesDown : cmDuplicateLine;
          memo.ExecuteCommand(c, nullptr);
        }
      }
      ASSERT_NO_THROW(lines.Check());
    }
    const std::u16string final = Text();
    while (memo.CanUndo()) memo.Undo();
    ASSERT_EQ(Text(), original) << "round " << round;
    while (memo.CanRedo()) memo.Redo();
    ASSERT_EQ(Text(), final) << "round " << round;
  }
}

// ---- Lines ----------------------------------------------------------------------------------

TEST_F(Editing, NewLineUsesTheDocumentsBreakAndAutoIndent) {
  SetText(u"  ab\ncd");
  memo.Lines()->SetLineBreakStyle(lbLF);
  Caret(4, 0);
  memo.ExecuteCommand(cmNewLine, nullptr);
  EXPECT_EQ(Text(), u"  ab\n  \ncd");
  EXPECT_EQ(memo.CaretPos(), (TPoint{2, 1}));
  memo.Lines()->SetLineBreakStyle(lbCRLF);
  SetText(u"ab");
  Caret(1, 0);
  memo.ExecuteCommand(cmSoftBreak, nullptr);
  EXPECT_EQ(Text(), u"a\nb");
  memo.ExecuteCommand(cmInsertLine, nullptr);
  EXPECT_EQ(Text(), u"a\n\r\nb");
  EXPECT_EQ(memo.CaretPos(), (TPoint{0, 1}));
}

TEST_F(Editing, NewLineClosesTheInnermostOpenBlock) {
  std::unique_ptr<TSyntAnalyzer> pascal = test::LoadLexer("pascal.lxl");
  memo.SetSyntaxAnalyzer(pascal.get());
  SetText(u"begin\r\n  if x then begin");
  Caret(17, 1);
  memo.ExecuteCommand(cmNewLine, nullptr);
  EXPECT_EQ(Text(), u"begin\r\n  if x then begin\r\n    \r\n  end;");
  EXPECT_EQ(memo.CaretPos(), (TPoint{4, 2}));
  memo.Undo();
  OptionsEx({soMultiAutoClose});
  Caret(17, 1);
  memo.ExecuteCommand(cmNewLine, nullptr);
  EXPECT_EQ(Text(), u"begin\r\n  if x then begin\r\n    \r\n  end;\r\nend;");
  memo.Undo();
  OptionsEx({soDisableAutoClose});
  Caret(17, 1);
  memo.ExecuteCommand(cmNewLine, nullptr);
  EXPECT_EQ(Text(), u"begin\r\n  if x then begin\r\n  ");
}

TEST_F(Editing, UnindentKeepAlign) {
  SetText(u"    a\r\nb\r\n");
  memo.Selection().SetSelection(0, 9);
  Options({soUnindentKeepAlign});
  edit.IndentLines(-2);
  EXPECT_EQ(Text(), u"    a\r\nb\r\n");
  Options({}, {soUnindentKeepAlign});
  memo.Selection().SetSelection(0, 9);
  edit.IndentLines(-2);
  EXPECT_EQ(Text(), u"  a\r\nb\r\n");
  memo.Selection().SetSelection(0, 9);
  edit.IndentLines(3);
  EXPECT_EQ(Text(), u"     a\r\n   b\r\n");  // the empty last line is not included
  Options({soOptimalFill});
  memo.SetTabMode(tmTabChar);
  memo.Selection().SetSelection(0, 3);
  edit.IndentLines(5);
  EXPECT_EQ(Text(), u"\t\t  a\r\n   b\r\n");  // stops every 4 columns
}

TEST_F(Editing, SortNeedsThreeLinesAndKeepsAnOpenLastLine) {
  SetText(u"b\r\na\r\nc");
  memo.Selection().SetSelection(0, 4);
  edit.SortLines(true);
  EXPECT_EQ(Text(), u"b\r\na\r\nc");
  memo.Selection().SetSelection(0, 7);
  edit.SortLines(true);
  EXPECT_EQ(Text(), u"a\r\nb\r\nc");
  memo.Selection().SetSelection(0, 7);
  edit.SortLines(false);
  EXPECT_EQ(Text(), u"c\r\nb\r\na");
  SetText(u"B\r\na\r\nC\r\n");
  memo.Selection().SetSelection(0, 9);
  edit.SortLines(true);
  EXPECT_EQ(Text(), u"a\r\nB\r\nC\r\n");  // case-insensitive
}

TEST_F(Editing, AlignTokensKeepsUnmatchedTextAndTheDocumentsBreak) {
  TLockLexer l;
  memo.SetSyntaxAnalyzer(&l.lexer);
  SetText(u"  a = bb\nccc == d");
  memo.Lines()->SetLineBreakStyle(lbLF);
  edit.AlignTokens(0, 1);
  // "=" and "==" match no rule: they stay, as items of their own.
  EXPECT_EQ(Text(), u"  a   =  bb\n  ccc == d");
  memo.Undo();
  EXPECT_EQ(Text(), u"  a = bb\nccc == d");
}

TEST_F(Editing, UncommentTakesTheMarkerOnlyAtTheStartOfTheText) {
  TLockLexer l;
  memo.SetSyntaxAnalyzer(&l.lexer);
  SetText(u"a // b\r\n  //c\r\n\r\n");
  edit.CommentLines(false, 0, 2);
  EXPECT_EQ(Text(), u"a // b\r\n  c\r\n\r\n");
  edit.CommentLines(true, 0, 2);
  EXPECT_EQ(Text(), u"//a // b\r\n//  c\r\n//\r\n");
}

TEST_F(Editing, MoveAndDuplicateLines) {
  SetText(u"a\r\nb\r\nc");
  Caret(0, 2);
  memo.ExecuteCommand(cmMoveLinesUp, nullptr);
  EXPECT_EQ(Text(), u"a\r\nc\r\nb");
  EXPECT_EQ(memo.CaretPos().Y, 1);
  memo.ExecuteCommand(cmMoveLinesUp, nullptr);
  EXPECT_EQ(Text(), u"c\r\na\r\nb");
  memo.ExecuteCommand(cmMoveLinesUp, nullptr);  // at the top: nothing
  EXPECT_EQ(Text(), u"c\r\na\r\nb");
  memo.ExecuteCommand(cmMoveLinesDown, nullptr);
  memo.ExecuteCommand(cmMoveLinesDown, nullptr);
  EXPECT_EQ(Text(), u"a\r\nb\r\nc");
  memo.ExecuteCommand(cmDuplicateLine, nullptr);
  EXPECT_EQ(Text(), u"a\r\nb\r\nc\r\nc");
}

TEST_F(Editing, ChangeCaseModes) {
  SetText(u"hello WORLD mIxEd");
  EXPECT_TRUE(edit.ChangeCase(0, 5, 1));
  EXPECT_EQ(Text(), u"HELLO WORLD mIxEd");
  EXPECT_TRUE(edit.ChangeCase(6, 5, 2));
  EXPECT_TRUE(edit.ChangeCase(12, 5, 3));
  EXPECT_EQ(Text(), u"HELLO world MiXeD");
  EXPECT_TRUE(edit.ChangeCase(0, 17, 4));
  EXPECT_EQ(Text(), u"Hello World Mixed");
  EXPECT_FALSE(edit.ChangeCase(0, 5, 4));  // unchanged: no edit
  EXPECT_FALSE(edit.ChangeCase(2, 1, 4));  // "l" follows a letter: stays lower
  SetText(u"\u00e9t\u00e9");
  EXPECT_TRUE(edit.ChangeCase(0, 3, 1));
  EXPECT_EQ(Text(), u"\u00c9T\u00c9");
}

// ---- Clipboard ------------------------------------------------------------------------------

TEST_F(Editing, ColumnPastePadsShortLinesAndAppendsMissingOnes) {
  SetText(u"abcdef\r\nab\r\nabcdef");
  Caret(4, 1);
  TClipboardData d;
  d.Text = u"XY\r\nZ\tW\r\n1\r\n";
  d.Formats[std::u16string(cfColumnBlock)] = std::string(1, '\2');
  desktop.Clipboard().SetData(d);
  memo.PasteFromClipboard();
  EXPECT_EQ(Text(), u"abcdef\r\nab  XY\r\nabcdZ   Wef\r\n    1");
  EXPECT_EQ(memo.CaretPos(), (TPoint{5, 3}));
  memo.Undo();
  EXPECT_EQ(Text(), u"abcdef\r\nab\r\nabcdef");
}

TEST_F(Editing, PasteKeepsUtf16AndDecodesEightBitText) {
  SetText(u"");
  TClipboardData d;
  d.Text = u"\u4e2d\u6587 \u00e9";
  desktop.Clipboard().SetData(d);
  memo.PasteFromClipboard();
  EXPECT_EQ(Text(), u"\u4e2d\u6587 \u00e9");
  SetText(u"");
  d = {};
  d.AnsiText = TAnsiText{"caf\xe9", 1252};
  desktop.Clipboard().SetData(d);
  memo.PasteFromClipboard();
  EXPECT_EQ(Text(), u"caf\u00e9");
  // Smart paste: the form that lost fewer characters.
  SetText(u"");
  d.Text = u"caf?";
  desktop.Clipboard().SetData(d);
  memo.PasteFromClipboard();
  EXPECT_EQ(Text(), u"caf\u00e9");
}

TEST_F(Editing, CopyCutAndPasteRoundTrip) {
  SetText(u"one\r\ntwo\r\nthree");
  memo.Selection().SetSelection(2, 5);
  memo.ExecuteCommand(cmCopy, nullptr);
  EXPECT_EQ(desktop.Clipboard().Text(), u"e\r\ntw");
  const TClipboardData copied = desktop.Clipboard().Data();
  const std::string* kind = copied.Format(cfColumnBlock);
  ASSERT_TRUE(kind);
  EXPECT_EQ(*kind, std::string(1, '\3'));
  memo.ExecuteCommand(cmCut, nullptr);
  EXPECT_EQ(Text(), u"ono\r\nthree");
  Caret(0, 1);
  memo.ExecuteCommand(cmPaste, nullptr);
  EXPECT_EQ(Text(), u"ono\r\ne\r\ntwthree");
  memo.SetTabMode(tmSpaces);
  SetText(u"ab");
  Caret(1, 0);
  edit.PasteText(u"\tx\r\n\ty", false);
  EXPECT_EQ(Text(), u"a   x\r\n    yb");
  memo.ExecuteCommand(cmSelectAll, nullptr);
  EXPECT_EQ(memo.SelText(), Text());
}

TEST_F(Editing, UpdateBracketIsBalancedWhenAnEventThrows) {
  SetText(u"ab");
  memo.OnBeforeInsert = [](TObject*, int&, std::u16string&, bool&) {
    throw std::runtime_error("no");
  };
  EXPECT_THROW(memo.InsertText(u"x"), std::runtime_error);
  EXPECT_EQ(edit.UpdateCount(), 0);
  memo.OnBeforeInsert = nullptr;
  // The group was closed: two later operations undo one at a time.
  Options({}, {soGroupUndo});
  Caret(2, 0);
  memo.InsertText(u"c");
  memo.InsertText(u"d");
  memo.Undo();
  EXPECT_EQ(Text(), u"abc");
  EXPECT_EQ(memo.CaretStrPos(), 3);
}

TEST_F(Editing, ColumnBlocksAreClearedLineByLineAndMoved) {
  SetText(u"abcdef\r\nab\r\nabcdef");
  memo.Selection().SetBlock({1, 0, 4, 2});
  memo.ClearSelection();
  EXPECT_EQ(Text(), u"aef\r\na\r\naef");
  memo.Undo();
  EXPECT_EQ(Text(), u"abcdef\r\nab\r\nabcdef");
  memo.Selection().SetBlock({1, 0, 3, 1});  // "bc" and "b"
  ASSERT_TRUE(edit.MoveSelectionTo({5, 0}, false));
  // The target right of the block on its own line moves left by the block's width.
  EXPECT_EQ(Text(), u"adebcf\r\na  b\r\nabcdef");
  EXPECT_EQ(memo.Selection().BlockRect(), (TRect{3, 0, 5, 1}));
  memo.Undo();
  EXPECT_EQ(Text(), u"abcdef\r\nab\r\nabcdef");
  memo.Selection().SetSelection(0, 2);
  EXPECT_FALSE(edit.MoveSelectionTo({1, 0}, false));  // inside the selection
  ASSERT_TRUE(edit.MoveSelectionTo({2, 1}, true));
  EXPECT_EQ(Text(), u"abcdef\r\nabab\r\nabcdef");
  EXPECT_EQ(memo.SelText(), u"ab");
}

// ---- The analysis after edits ---------------------------------------------------------------

TEST_F(Editing, AnalysisAfterEditsEqualsAFreshOne) {
  std::unique_ptr<TSyntAnalyzer> pascal = test::LoadLexer("pascal.lxl");
  memo.SetSyntaxAnalyzer(pascal.get());
  SetText(u"program p;\r\nbegin\r\n  x := 1;\r\nend.\r\n");
  ASSERT_TRUE(test::Settle(desktop, memo.SyntClient()));
  std::mt19937 rng(11);
  const std::u16string pieces[] = {u"begin", u"end;", u"{", u"}", u"'", u"x", u" ", u"\r\n"};
  for (int step = 0; step < 60; ++step) {
    const int y = int(rng() % unsigned(memo.Lines()->GetCount()));
    Caret(int(rng() % unsigned(memo.Lines()->LineLength(y) + 1)), y);
    if (rng() % 3 == 0)
      memo.ExecuteCommand(cmBackspace, nullptr);
    else
      memo.InsertText(pieces[rng() % std::size(pieces)]);
    if (step % 7 == 0) {
      ASSERT_TRUE(test::Settle(desktop, memo.SyntClient()));
    }
  }
  ASSERT_TRUE(test::Settle(desktop, memo.SyntClient()));
  TSyntaxMemo fresh(nullptr);
  fresh.SetSyntaxAnalyzer(pascal.get());
  fresh.SetText(Text());
  ASSERT_TRUE(test::Settle(desktop, fresh.SyntClient()));
  const TClientSyntAnalyzer& a = *memo.SyntClient();
  const TClientSyntAnalyzer& b = *fresh.SyntClient();
  ASSERT_EQ(a.Tokens().Count(), b.Tokens().Count());
  for (int i = 0; i < a.Tokens().Count(); ++i) {
    EXPECT_EQ(a.Tokens()[i].StartPos, b.Tokens()[i].StartPos) << i;
    EXPECT_EQ(a.Tokens()[i].EndPos, b.Tokens()[i].EndPos) << i;
    EXPECT_EQ(a.Tokens()[i].TokenType, b.Tokens()[i].TokenType) << i;
  }
  ASSERT_EQ(a.RangeCount(), b.RangeCount());
  for (int i = 0; i < a.RangeCount(); ++i) {
    EXPECT_EQ(a.Ranges(i)->StartPos, b.Ranges(i)->StartPos) << i;
    EXPECT_EQ(a.Ranges(i)->IsClosed(), b.Ranges(i)->IsClosed()) << i;
  }
}

}  // namespace
}  // namespace synt

namespace synt {
namespace {

// soAutoFormat: a finished pass rewrites the last word whose style asks for upper case, which
// starts another pass, until every such word is in its case; only the last pass is reported, and
// the caret stays where the user left it (typing goes on after the word).
TEST(AutoFormat, RewritesOneSpanPerPassUntilAllAreInTheirCase) {
  TSyntAnalyzer lexer(nullptr);
  TSyntaxFormat* key = lexer.Formats()->Add();
  key->SetDisplayName(u"Key");
  key->SetChangeCase(ccUpper);
  TSyntaxFormat* flip = lexer.Formats()->Add();
  flip->SetDisplayName(u"Flip");
  flip->SetChangeCase(ccToggle);
  TTokenRule* r = lexer.TokenRules()->Add();
  r->SetExpression(u"begin|end");
  r->SetStyleName(u"Key");
  r = lexer.TokenRules()->Add();
  r->SetExpression(u"flip");
  r->SetStyleName(u"Flip");

  THeadlessDesktop desktop;
  TSyntaxMemo memo(nullptr);
  THeadlessHost host(desktop, memo, {400, 300});
  TSyntaxMemoOptionsEx o = memo.OptionsEx();
  o.Include(soAutoFormat);
  memo.SetOptionsEx(o);
  int finished = 0;
  memo.OnFinishAnalysis = [&](TObject*) { ++finished; };
  memo.SetSyntaxAnalyzer(&lexer);
  memo.SetText(u"begin flip x end");
  memo.SetCaretPos({5, 0});
  for (int i = 0; i < 20 && !(memo.SyntClient()->IsFinished() && finished > 0); ++i)
    ASSERT_TRUE(test::Settle(desktop, memo.SyntClient()));
  desktop.RunUntilIdle();
  EXPECT_TRUE(memo.Text() == u"BEGIN flip x END") << "a toggling style is never applied";
  EXPECT_EQ(finished, 1) << "passes that rewrote a span are not reported";
  EXPECT_EQ(memo.CaretPos().X, 5);
  memo.SetReadOnly(true);
  memo.SetText(u"end");
  ASSERT_TRUE(test::Settle(desktop, memo.SyntClient()));
  EXPECT_TRUE(memo.Text() == u"end") << "a read-only editor is not rewritten";
}

}  // namespace
}  // namespace synt
