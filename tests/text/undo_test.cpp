#include <gtest/gtest.h>

#include <random>

#include "text/memo_strings.h"

namespace synt {
namespace {

// What the editor does for one editing operation: a group around the record and the edit.
void Type(TSyntMemoStrings& s, int pos, std::u16string_view text) {
  s.BeginUndoGroup();
  s.AddUndo(ukReplace, text, true, pos, u"");
  s.InsertText(pos, text);
  s.EndUndoGroup();
}

void Erase(TSyntMemoStrings& s, int pos, int count, bool backspace) {
  s.BeginUndoGroup();
  s.AddUndo(ukDelete, u"", backspace, pos, s.Text().substr(size_t(pos), size_t(count)));
  s.DeleteText(pos, count);
  s.EndUndoGroup();
}

TEST(Undo, TypingMergesOnlyWithGroupUndo) {
  TSyntMemoStrings s;
  Type(s, 0, u"a");
  Type(s, 1, u"b");
  Type(s, 2, u"c");
  EXPECT_EQ(s.Undo(true), 0);
  EXPECT_EQ(s.Text(), u"");
  EXPECT_EQ(s.Redo(true), 3);
  EXPECT_EQ(s.Text(), u"abc");
  EXPECT_EQ(s.Undo(false), 2);
  EXPECT_EQ(s.Text(), u"ab");
  EXPECT_EQ(s.Undo(false), 1);
  EXPECT_EQ(s.Text(), u"a");
  EXPECT_EQ(s.Redo(false), 2);
  EXPECT_EQ(s.Text(), u"ab");
}

TEST(Undo, BackspacesAndForwardDeletesMerge) {
  TSyntMemoStrings s;
  s.SetTextStr(u"0123456789AB");
  Erase(s, 9, 1, true);
  Erase(s, 8, 1, true);
  Erase(s, 7, 1, true);
  EXPECT_EQ(s.Text(), u"0123456AB");
  EXPECT_EQ(s.Undo(true), 10);  // the caret goes after the restored text
  EXPECT_EQ(s.Text(), u"0123456789AB");
  EXPECT_EQ(s.Redo(true), 7);
  Erase(s, 5, 1, false);
  Erase(s, 5, 1, false);
  Erase(s, 5, 1, false);
  EXPECT_EQ(s.Text(), u"01234B");
  EXPECT_EQ(s.Undo(true), 5);
  EXPECT_EQ(s.Text(), u"0123456AB");
  ASSERT_TRUE(TSyntMemoStrings::Mergeable({ukDelete, 5, u"", u"x", false, 0},
                                          {ukDelete, 5, u"", u"y", false, 1}));
  ASSERT_FALSE(TSyntMemoStrings::Mergeable({ukDelete, 5, u"", u"x", false, 0},
                                           {ukReplace, 5, u"y", u"", false, 1}));
}

TEST(Undo, OneGroupIsOneStep) {
  TSyntMemoStrings s;
  s.SetTextStr(u"a-a-a");
  s.BeginUndoGroup();  // a replace-all
  for (int pos : {0, 2, 4}) {
    s.BeginUndoGroup();  // nested brackets stay in the outer group
    s.AddUndo(ukReplace, u"bb", true, pos + pos / 2, u"a");
    s.DeleteText(pos + pos / 2, 1);
    s.InsertText(pos + pos / 2, u"bb");
    s.EndUndoGroup();
  }
  s.EndUndoGroup();
  EXPECT_EQ(s.Text(), u"bb-bb-bb");
  s.Undo(false);
  EXPECT_EQ(s.Text(), u"a-a-a");
  EXPECT_FALSE(s.CanUndo());
  s.Redo(false);
  EXPECT_EQ(s.Text(), u"bb-bb-bb");
}

TEST(Undo, RecordsOutsideGroupsGoTogether) {
  TSyntMemoStrings s;
  s.AddUndo(ukReplace, u"x", true, 0, u"");
  s.InsertText(0, u"x");
  s.AddUndo(ukReplace, u"y", false, 1, u"");  // not mergeable, but both carry -1
  s.InsertText(1, u"y");
  EXPECT_EQ(s.UndoRecord(0).Group, -1);
  s.Undo(false);
  EXPECT_EQ(s.Text(), u"");
}

TEST(Undo, LimitKeepsTheDocumentModified) {
  TSyntMemoStrings s;
  s.SetUndoLimit(2);
  Type(s, 0, u"a");
  Type(s, 1, u" ");
  Type(s, 2, u"c");
  EXPECT_EQ(s.UndoCount(), 2);
  s.Undo(false);
  s.Undo(false);
  EXPECT_EQ(s.Text(), u"a");
  EXPECT_FALSE(s.CanUndo());
  EXPECT_TRUE(s.Modified());
}

TEST(Undo, SavePointAndModifiedEvents) {
  TSyntMemoStrings s;
  int events = 0;
  s.OnModifiedChanged = [&](TObject*) { ++events; };
  Type(s, 0, u"a");
  EXPECT_TRUE(s.Modified());
  EXPECT_EQ(events, 1);
  s.MarkSaved();  // a save that keeps the history
  EXPECT_FALSE(s.Modified());
  EXPECT_EQ(events, 2);
  s.Undo(false);
  EXPECT_TRUE(s.Modified());
  EXPECT_EQ(events, 3);
  s.Redo(false);
  EXPECT_FALSE(s.Modified());
  EXPECT_EQ(events, 4);
  s.SetModified(false);  // a save that drops the history
  EXPECT_FALSE(s.CanUndo());
  EXPECT_EQ(events, 4);
  s.SetModified(true);
  EXPECT_TRUE(s.Modified());
  EXPECT_EQ(events, 5);
}

TEST(Undo, NewEditDropsRedo) {
  TSyntMemoStrings s;
  Type(s, 0, u"a");
  Type(s, 1, u" b");
  s.Undo(false);
  EXPECT_TRUE(s.CanRedo());
  Type(s, 1, u"c");
  EXPECT_FALSE(s.CanRedo());
  EXPECT_EQ(s.Redo(false), -1);
  s.Undo(false);
  s.Undo(false);
  EXPECT_EQ(s.Undo(false), -1);
}

TEST(Undo, UnreachableSavedStateStaysModified) {
  TSyntMemoStrings s;
  Type(s, 0, u"a");
  Type(s, 1, u" b");
  s.MarkSaved();
  s.Undo(false);
  s.Undo(false);
  Type(s, 0, u"z");  // the saved text can no longer be reached
  s.Undo(false);
  EXPECT_EQ(s.Text(), u"");
  EXPECT_TRUE(s.Modified());
}

TEST(Undo, ClearingTheHistoryKeepsUnsavedChangesModified) {
  TSyntMemoStrings s;
  Type(s, 0, u"a");
  s.ClearUndo();
  EXPECT_FALSE(s.CanUndo());
  EXPECT_TRUE(s.Modified());
  s.MarkSaved();
  s.ClearUndo();
  EXPECT_FALSE(s.Modified());
}

// Loading a file over unsaved edits and clearing the history (how a document loads) gives an
// unmodified document; an edit after the load counts again.
TEST(Undo, ClearingTheHistoryAfterALoadLeavesTheDocumentUnmodified) {
  TSyntMemoStrings s;
  int events = 0;
  s.OnModifiedChanged = [&](TObject*) { ++events; };
  Type(s, 0, u"unsaved");
  s.SetModified(true);
  ASSERT_EQ(events, 1);
  s.LoadFromBytes("loaded\r\ntext");
  EXPECT_TRUE(s.Modified());  // loading leaves the history alone
  s.ClearUndo();
  EXPECT_FALSE(s.Modified());
  EXPECT_EQ(events, 2);
  // An empty file too.
  Type(s, 0, u"x");
  s.LoadFromBytes("");
  s.ClearUndo();
  EXPECT_FALSE(s.Modified());
  // Edited after loading: clearing keeps the edit modified.
  s.LoadFromBytes("abc");
  Type(s, 3, u"d");
  s.ClearUndo();
  EXPECT_TRUE(s.Modified());
  // A text set in code is no load.
  s.LoadFromBytes("abc");
  Type(s, 3, u"d");
  s.SetTextStr(u"other");
  s.ClearUndo();
  EXPECT_TRUE(s.Modified());
}

// Deleting a break joins two lines into the first: the joined line keeps the first line's state
// and object (the second line's go with its break); undoing gives both lines theirs back.
TEST(Undo, JoinedLinesKeepTheFirstLineAndUndoRestoresBoth) {
  TSyntMemoStrings s;
  TObject first, second, third;
  s.SetTextStr(u"ab\r\ncd\r\nef");
  s.CreateLineObjects();
  s.PutObject(0, &first);
  s.PutObject(1, &second);
  s.PutObject(2, &third);
  Type(s, 5, u"x");  // line 1 is changed, lines 0 and 2 are not
  ASSERT_EQ(s.LineState(1), lsChanged);
  Erase(s, 2, 2, false);  // the break after "ab"
  EXPECT_EQ(s.Text(), u"abcxd\r\nef");
  EXPECT_EQ(s.GetObject(0), &first);
  EXPECT_EQ(s.LineState(0), lsChanged);
  EXPECT_EQ(s.GetObject(1), &third);
  EXPECT_EQ(s.LineState(1), lsUnchanged);
  s.Check();
  s.Undo(false);
  EXPECT_EQ(s.Text(), u"ab\r\ncxd\r\nef");
  EXPECT_EQ(s.GetObject(0), &first);
  EXPECT_EQ(s.GetObject(1), &second);
  EXPECT_EQ(s.GetObject(2), &third);
  EXPECT_EQ(s.LineState(0), lsUnchanged);
  EXPECT_EQ(s.LineState(1), lsChanged);
  s.Redo(false);
  EXPECT_EQ(s.GetObject(0), &first);
  // Backspace at the start of the second line joins the same way; a deletion that starts at a
  // line start and runs into the next line leaves the next line's entry (its text goes on).
  s.SetTextStr(u"ab\r\ncd\r\nef");
  s.PutObject(0, &first);
  s.PutObject(1, &second);
  s.PutObject(2, &third);
  Erase(s, 4, 4, true);  // "cd\r\n"
  EXPECT_EQ(s.Text(), u"ab\r\nef");
  EXPECT_EQ(s.GetObject(1), &third);
  s.Undo(false);
  EXPECT_EQ(s.GetObject(1), &second);
  EXPECT_EQ(s.GetObject(2), &third);
  s.Check();
  // A save in between marks the lines: undoing then keeps the saved marks, objects come back.
  Erase(s, 2, 2, false);
  s.MarkLinesSaved();
  s.Undo(false);
  EXPECT_EQ(s.GetObject(1), &second);
  EXPECT_EQ(s.LineState(1), lsInserted);
  s.Check();
}

TEST(Undo, RedoCountIsClipped) {
  TSyntMemoStrings s;
  Type(s, 0, u"a");
  s.SetRedoCount(5);
  EXPECT_EQ(s.RedoCount(), 1);
  s.SetRedoCount(-1);
  EXPECT_EQ(s.RedoCount(), 0);
  EXPECT_THROW(s.UndoRecord(3), EListError);
}

// Random edits recorded as the editor records them: undoing everything restores the text unit
// for unit (also where a deletion joined a CR and an LF), and redoing everything gives it back.
TEST(Undo, RandomEditsUndoAndRedoExactly) {
  std::mt19937 rng(8);
  const char16_t* pieces[] = {u"a", u"\r", u"\n", u"\r\n", u"xy", u"\u00E9"};
  for (int round = 0; round < 60; ++round) {
    TSyntMemoStrings s;
    s.SetTextStr(u"start\r\nline\rtwo\n");
    std::vector<std::u16string> history{std::u16string(s.Text())};
    for (int op = 0; op < 40; ++op) {
      std::u16string t(s.Text());
      int len = int(t.size());
      int pos = int(rng() % unsigned(len + 1));
      int count = len == 0 ? 0 : std::min(int(rng() % 5), len - pos);
      std::u16string add = rng() % 3 ? pieces[rng() % 6] : u"";
      // As an editor: text never goes in between a CR and its LF.
      if (pos > 0 && size_t(pos + count) < t.size() && t[size_t(pos) - 1] == '\r' &&
          t[size_t(pos + count)] == '\n' && !add.empty())
        continue;
      if (count == 0 && add.empty()) continue;
      s.BeginUndoGroup();
      if (add.empty()) {
        s.AddUndo(ukDelete, u"", rng() % 2, pos, t.substr(size_t(pos), size_t(count)));
      } else {
        s.AddUndo(ukReplace, add, rng() % 2, pos, t.substr(size_t(pos), size_t(count)));
      }
      s.DeleteText(pos, count);
      s.InsertText(pos, add);
      s.EndUndoGroup();
      history.emplace_back(s.Text());
      ASSERT_NO_THROW(s.Check());
    }
    for (size_t i = history.size() - 1; i > 0; --i) {
      ASSERT_GE(s.Undo(false), 0);
      ASSERT_EQ(s.Text(), history[i - 1]);
      ASSERT_NO_THROW(s.Check());
    }
    EXPECT_FALSE(s.CanUndo());
    for (size_t i = 1; i < history.size(); ++i) {
      ASSERT_GE(s.Redo(false), 0);
      ASSERT_EQ(s.Text(), history[i]);
    }
  }
}

}  // namespace
}  // namespace synt
