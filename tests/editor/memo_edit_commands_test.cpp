#include <gtest/gtest.h>

#include "analysis/syntax_analyzer.h"
#include "editor/commands.h"
#include "editor/syntax_memo.h"
#include "platform/clipboard.h"
#include "platform/headless_host.h"
#include "text/memo_strings.h"

namespace synt {
namespace {

// "|" marks the caret in a text; "[" and "]" a stream selection.
struct Marked {
  std::u16string Text;
  int Caret = -1, SelStart = -1, SelEnd = -1;
};

Marked Parse(std::u16string_view S) {
  Marked m;
  for (char16_t c : S) {
    if (c == u'|')
      m.Caret = int(m.Text.size());
    else if (c == u'[')
      m.SelStart = int(m.Text.size());
    else if (c == u']')
      m.SelEnd = int(m.Text.size());
    else
      m.Text += c;
  }
  return m;
}

std::u16string Mark(const std::u16string& Text, int Caret) {
  std::u16string s = Text;
  s.insert(size_t(std::clamp(Caret, 0, int(s.size()))), 1, u'|');
  return s;
}

struct Case {
  const char* Name;
  int Command;
  const char16_t* Before;
  const char16_t* After;  // with the caret mark
  TSyntaxMemoOptions Options = DefaultMemoOptions;
  const char16_t* Data = nullptr;
};

class EditCommands : public testing::Test {
 protected:
  THeadlessDesktop desktop;
  TSyntaxMemo memo{nullptr};
  THeadlessHost host{desktop, memo, {400, 300}};

  void Load(std::u16string_view S) {
    const Marked m = Parse(S);
    memo.SetText(m.Text);
    memo.SetCaretStrPos(m.Caret < 0 ? 0 : m.Caret);
    if (m.SelStart >= 0) memo.Selection().SetSelection(m.SelStart, m.SelEnd - m.SelStart);
  }
  std::u16string State() const { return Mark(memo.Text(), memo.CaretStrPos()); }
};

TSyntaxMemoOptions Without(TSyntaxMemoOption O) {
  TSyntaxMemoOptions o = DefaultMemoOptions;
  o.Exclude(O);
  return o;
}

// Each command at its edges: the text and caret after one run, and one Undo restoring the text.
TEST_F(EditCommands, AtTheirEdges) {
  const Case cases[] = {
      {"backspace at start", cmBackspace, u"|ab", u"|ab"},
      {"backspace joins lines", cmBackspace, u"ab\r\n|cd", u"ab|cd"},
      {"backspace one char", cmBackspace, u"ab|c", u"a|c"},
      {"backspace surrogate pair", cmBackspace, u"a\U0001F600|b", u"a|b"},
      {"backspace unindents to the level above", cmBackspace, u"  a\r\n    b\r\n    |c",
       u"  a\r\n    b\r\n  |c"},
      {"backspace unindents to 0", cmBackspace, u"    a\r\n    |", u"    a\r\n|"},
      {"backspace without back-unindent", cmBackspace, u"  a\r\n    |c", u"  a\r\n   |c",
       Without(soBackUnindent)},
      {"backspace overwrites a selection", cmBackspace, u"a[bc]|d", u"a|d"},
      {"delete one char", cmDeleteChar, u"a|bc", u"a|c"},
      {"delete joins at the end", cmDeleteChar, u"ab|\r\ncd", u"ab|cd"},
      {"delete at the text end", cmDeleteChar, u"ab|", u"ab|"},
      {"delete word and blanks", cmDeleteWord, u"|foo  bar", u"|bar"},
      {"delete blanks and breaks", cmDeleteWord, u"a|  \r\n  b", u"a|b"},
      {"delete other characters", cmDeleteWord, u"|+=- x", u"|x"},
      {"delete word at end", cmDeleteWord, u"ab|", u"ab|"},
      {"back delete word", cmBackDeleteWord, u"foo bar  |", u"foo |"},
      {"back delete word stops at the line", cmBackDeleteWord, u"a\r\nbc|", u"a\r\n|"},
      {"back delete at line start", cmBackDeleteWord, u"a\r\n|bc", u"a\r\n|bc"},
      {"delete to line start", cmDeleteToLineStart, u"x\r\nab|cd", u"x\r\n|cd"},
      {"delete to line end", cmDeleteToLineEnd, u"ab|cd\r\nx", u"ab|\r\nx"},
      {"delete line", cmDeleteLine, u"a\r\nb|c\r\nd", u"a\r\n|d"},
      {"clear all", cmClearAll, u"ab\r\n|cd", u"|"},
      {"new line auto-indent", cmNewLine, u"  ab|cd", u"  ab\r\n  |cd"},
      {"new line without auto-indent", cmNewLine, u"  ab|cd", u"  ab\r\n|cd",
       Without(soAutoIndentMode)},
      {"insert line keeps the caret", cmInsertLine, u"ab|cd", u"ab|\r\ncd"},
      {"insert string", cmString, u"a|b", u"axy|b", DefaultMemoOptions, u"xy"},
      {"character replaces a selection", cmChar, u"a[bc]|d", u"ax|d", DefaultMemoOptions, u"x"},
      {"control characters are ignored", cmChar, u"a|b", u"a|b", DefaultMemoOptions, u"\t"},
      {"tab to the next stop", cmTab, u"a|b", u"a   |b"},
      {"tab character", cmTabChar, u"a|b", u"a\t|b"},
      {"indent", cmIndent, u"a\r\n[b\r\nc]|", u"a\r\n  b\r\n  c|"},
      {"unindent", cmUnindent, u"   a|", u" a|"},
      {"word upper case", cmWordUpperCase, u"foo ba|r", u"foo BA|R"},
      {"word title case after the word", cmWordTitleCase, u"foo bar|", u"foo Bar|"},
      {"character case without a selection", cmSelToggleCase, u"|aB", u"|AB"},
      {"duplicate line", cmDuplicateLine, u"a\r\nb|", u"a\r\nb\r\nb|"},
      {"move line down", cmMoveLinesDown, u"a|\r\nb\r\nc", u"b\r\na|\r\nc"},
      {"move last line up", cmMoveLinesUp, u"a\r\nb|", u"b|\r\na"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    memo.SetOptions(c.Options);
    Load(c.Before);
    const std::u16string before = memo.Text();
    memo.ExecuteCommand(c.Command, const_cast<char16_t*>(c.Data));
    EXPECT_EQ(State(), c.After);
    memo.Undo();
    EXPECT_EQ(memo.Text(), before);
  }
}

TEST_F(EditCommands, BackspaceAndDeleteInVirtualSpace) {
  memo.SetText(u"ab\r\ncd");
  memo.SetCaretPos({5, 0});
  memo.ExecuteCommand(cmBackspace, nullptr);  // past the end: only moves
  EXPECT_EQ(memo.Text(), u"ab\r\ncd");
  EXPECT_EQ(memo.CaretPos(), (TPoint{4, 0}));
  memo.ExecuteCommand(cmDeleteChar, nullptr);  // the next line starts at the caret column
  EXPECT_EQ(memo.Text(), u"ab  cd");
  EXPECT_EQ(memo.CaretPos(), (TPoint{4, 0}));
}

TEST_F(EditCommands, OverwriteModeReplacesInsideTheLineOnly) {
  std::vector<std::pair<char16_t, int>> typed;
  memo.OnInsertChar = [&](TObject*, char16_t C, int Pos) { typed.emplace_back(C, Pos); };
  memo.ExecuteCommand(cmOverwriteMode, nullptr);
  EXPECT_TRUE(memo.ReplaceMode());
  memo.SetText(u"ab\r\ncd");
  memo.SetCaretPos({1, 0});
  char16_t x = u'x';
  memo.ExecuteCommand(cmChar, &x);
  memo.ExecuteCommand(cmChar, &x);  // at the end: inserts
  EXPECT_EQ(memo.Text(), u"axx\r\ncd");
  EXPECT_EQ(typed, (std::vector<std::pair<char16_t, int>>{{u'x', 1}, {u'x', 2}}));
  char16_t bell = 7;
  memo.ExecuteCommand(cmChar, &bell);
  EXPECT_EQ(memo.Text(), u"axx\r\ncd");
  EXPECT_EQ(typed.size(), 2u);
  memo.ExecuteCommand(cmToggleMode, nullptr);
  EXPECT_FALSE(memo.ReplaceMode());
  memo.SetCaretPos({0, 1});
  memo.ExecuteCommand(cmChar, &x);
  EXPECT_EQ(memo.Text(), u"axx\r\nxcd");
}

TEST_F(EditCommands, TabModes) {
  memo.SetText(u"ab   cd\r\n");
  memo.SetCaretPos({1, 1});
  memo.SetTabMode(tmSmartTab);
  memo.ExecuteCommand(cmTab, nullptr);  // to the word start above
  EXPECT_EQ(memo.Text(), u"ab   cd\r\n     ");
  memo.SetTabMode(tmDialog);
  memo.ExecuteCommand(cmTab, nullptr);
  EXPECT_EQ(memo.Text(), u"ab   cd\r\n     ");
  memo.SetTabMode(tmTabChar);
  memo.ExecuteCommand(cmTab, nullptr);
  EXPECT_EQ(memo.Text(), u"ab   cd\r\n     \t");
}

TEST_F(EditCommands, SelectionCaseKeepsTheSelection) {
  memo.SetText(u"one two\r\nthree");
  memo.Selection().SetSelection(2, 8);
  memo.ExecuteCommand(cmSelUpperCase, nullptr);
  EXPECT_EQ(memo.Text(), u"onE TWO\r\nThree");
  EXPECT_EQ(memo.SelText(), u"E TWO\r\nT");
  memo.Selection().SetBlock({1, 0, 3, 1});
  memo.ExecuteCommand(cmSelLowerCase, nullptr);
  EXPECT_EQ(memo.Text(), u"one TWO\r\nThree");
  EXPECT_EQ(memo.SelectionMode(), msColumn);
}

TEST_F(EditCommands, CommentSortAndAlignNeedTheirConditions) {
  TSyntAnalyzer lexer(nullptr);
  TTokenRule* r = lexer.TokenRules()->Add();
  r->SetExpression(u"[a-z]+");
  memo.SetText(u"c\r\nb\r\na");
  memo.ExecuteCommand(cmCommentLines, nullptr);  // no analyzer, no comment string
  EXPECT_EQ(memo.Text(), u"c\r\nb\r\na");
  memo.SetSyntaxAnalyzer(&lexer);
  lexer.SetLineComment(u"#");
  memo.Selection().SetSelection(0, 6);  // ends at the start of the last line: not included
  memo.ExecuteCommand(cmCommentLines, nullptr);
  EXPECT_EQ(memo.Text(), u"#c\r\n#b\r\na");
  memo.Selection().SetSelection(0, 11);
  memo.ExecuteCommand(cmUncommentLines, nullptr);
  EXPECT_EQ(memo.Text(), u"c\r\nb\r\na");
  memo.ExecuteCommand(cmSortAscending, nullptr);  // no selection: nothing
  EXPECT_EQ(memo.Text(), u"c\r\nb\r\na");
  memo.Selection().SetSelection(0, 7);
  memo.ExecuteCommand(cmSortAscending, nullptr);
  EXPECT_EQ(memo.Text(), u"a\r\nb\r\nc");
  memo.SetText(u"ab c\r\nd ef");
  memo.Selection().SetSelection(0, 8);
  memo.ExecuteCommand(cmAlignTokens, nullptr);
  EXPECT_EQ(memo.Text(), u"ab c\r\nd  ef");
  memo.SetReadOnly(true);
  memo.Selection().SetSelection(0, 8);
  memo.ExecuteCommand(cmSortDescending, nullptr);
  memo.ExecuteCommand(cmMoveLinesDown, nullptr);
  EXPECT_EQ(memo.Text(), u"ab c\r\nd  ef");
}

TEST_F(EditCommands, CopyAndPasteCombinations) {
  struct {
    int Command;
    const char16_t* After;
  } cases[] = {
      {cmCopyPasteToEnd, u"ab\r\ncd\r\nb\r\nc"}, {cmCopyPasteToStart, u"b\r\ncab\r\ncd\r\n"},
      {cmCutPasteToEnd, u"ad\r\nb\r\nc"},        {cmCutPasteToStart, u"b\r\ncad\r\n"},
      {cmCopyPasteAbove, u"ab\r\ncb\r\ncd\r\n"}, {cmCopyPasteBelow, u"ab\r\ncb\r\ncd\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Command);
    memo.SetText(u"ab\r\ncd\r\n");
    memo.Selection().SetSelection(1, 4);  // "b\r\nc"
    memo.ExecuteCommand(c.Command, nullptr);
    EXPECT_EQ(memo.Text(), c.After);
    memo.Undo();  // one command, one undo step
    EXPECT_EQ(memo.Text(), u"ab\r\ncd\r\n");
  }
}

TEST_F(EditCommands, ReadOnlyEditorChangesNothing) {
  memo.SetText(u"ab\r\ncd");
  memo.SetReadOnly(true);
  memo.SetCaretPos({1, 1});
  char16_t x = u'x';
  for (int c : {cmBackspace,         cmDeleteChar,      cmDeleteWord,  cmBackDeleteWord,
                cmDeleteToLineStart, cmDeleteToLineEnd, cmDeleteLine,  cmClearAll,
                cmNewLine,           cmInsertLine,      cmChar,        cmTab,
                cmTabChar,           cmIndent,          cmUnindent,    cmWordUpperCase,
                cmSelUpperCase,      cmDuplicateLine,   cmMoveLinesUp, cmPaste})
    memo.ExecuteCommand(c, c == cmChar ? &x : nullptr);
  EXPECT_EQ(memo.Text(), u"ab\r\ncd");
  EXPECT_FALSE(memo.Modified());
}

}  // namespace
}  // namespace synt
