// Random use of the editor as a user would use it, checked against what must always hold: random
// keys of the default mapping, typed text, mouse clicks and drags, clipboard operations, folding
// and word wrap on a highlighted Pascal text, with the clock moving now and then so the analysis
// catches up partly. After every step the caret and the selection must be valid positions of the
// text; at the end the analysis must equal a fresh analysis of the same text, undoing everything
// must give back the original text unit for unit, and redoing everything the final one.
//   SYNT_RANDOM_RUNS=2000 ./synt_editor_tests --gtest_filter='MemoRandom*'   (default: 60 runs)
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/incremental_util.h"
#include "editor/commands.h"
#include "editor/syntax_memo.h"
#include "memo_test_util.h"
#include "platform/headless_host.h"
#include "platform/shortcut.h"

namespace synt {
namespace {

constexpr char16_t kStartText[] =
    u"program Demo;\r\n"
    u"\r\n"
    u"procedure Run(a: Integer);\r\n"
    u"var\r\n"
    u"  i: Integer;\r\n"
    u"begin\r\n"
    u"  for i := 0 to a do\r\n"
    u"  begin\r\n"
    u"    WriteLn('line ', i); { comment }\r\n"
    u"\tif i > 2 then Exit;\r\n"
    u"  end;\r\n"
    u"end;\r\n"
    u"\r\n"
    u"begin\r\n"
    u"  Run(5); // done\r\n"
    u"end.";

int EnvInt(const char* Name, int Default) {
  if (const char* s = std::getenv(Name)) return std::atoi(s);
  return Default;
}

int Runs() {
  if (const char* s = std::getenv("SYNT_RANDOM_RUNS")) return std::max(1, std::atoi(s));
  return 60;
}

// Keys as the default mapping binds them: movement, selection in both modes, editing, clipboard,
// undo and redo.
std::vector<TShortCut> Keys() {
  const TShortCut S = scShift, C = scCtrl, A = scAlt;
  std::vector<TShortCut> k;
  for (std::uint16_t v : {vkLeft, vkRight, vkUp, vkDown, vkHome, vkEnd, vkPrior, vkNext}) {
    k.push_back(ShortCut(v, 0));
    k.push_back(ShortCut(v, S));
    k.push_back(ShortCut(v, S | A));
    k.push_back(ShortCut(v, C));
    k.push_back(ShortCut(v, C | S));
  }
  for (std::uint16_t v : {vkBack, vkDelete, vkReturn, vkTab}) {
    k.push_back(ShortCut(v, 0));
    k.push_back(ShortCut(v, 0));
  }
  for (char v : {'C', 'X', 'V', 'Z', 'A', 'Y', 'T'}) k.push_back(ShortCut(std::uint16_t(v), C));
  k.push_back(ShortCut('Z', C | S));
  k.push_back(ShortCut(vkBack, C));
  k.push_back(ShortCut(vkDelete, C));
  k.push_back(ShortCut(vkInsert, 0));
  return k;
}

const std::vector<std::u16string> kTyped = {u"x",  u"begin", u"end;",   u"{",  u"}", u"'",
                                            u"(*", u"*)",    u" ",      u"\t", u"é", u"\U0001F600",
                                            u"//", u"12",    u"\u0301", u"a b"};

std::string Trail(const std::vector<std::string>& Log) {
  std::string t = "steps: ";
  for (const std::string& l : Log) t += l + "; ";
  return t;
}

class MemoRandom : public ::testing::Test {
 protected:
  void SetUp() override {
    lexer = test::LoadLexer("pascal.lxl");
    ASSERT_TRUE(lexer);
  }

  // Caret and selection are positions of the text after every step.
  static std::string CheckState(TSyntaxMemo& M) {
    std::ostringstream err;
    TSyntMemoStrings& lines = *M.Lines();
    const int len = lines.TextLength();
    const int count = lines.Count();
    const TPoint c = M.CaretPos();
    if (c.X < 0 || c.Y < 0) err << "negative caret";
    if (c.Y > std::max(0, count - 1)) err << "caret below the text (" << c.Y << ")";
    const int off = M.CaretStrPos();
    if (off < 0 || off > len) err << "caret offset " << off << " outside the text";
    if (c.Y < count) {
      const int x = std::min(c.X, lines.LineLength(c.Y));
      if (M.CaretPosToStrPos({x, c.Y}) != off)
        err << "caret offset " << off << " disagrees with its position (" << c.X << ", " << c.Y
            << "), which is offset " << M.CaretPosToStrPos({x, c.Y}) << " in a line of "
            << lines.LineLength(c.Y) << " units";
    }
    // SubString counts from 1: units off - 1 and off of the text.
    if (off > 0 && off < len && lines.SubString(off, 2) == u"\r\n")
      err << "caret between CR and LF";
    if (off > 0 && off < len) {
      const std::u16string pair = lines.SubString(off, 2);
      if (pair[0] >= 0xD800 && pair[0] < 0xDC00 && pair[1] >= 0xDC00 && pair[1] < 0xE000)
        err << "caret inside a surrogate pair";
    }
    const TMemoSelection& s = M.Selection();
    if (s.SelStart() < 0 || s.SelLength() < 0 || s.SelEnd() > len)
      err << "selection [" << s.SelStart() << ", +" << s.SelLength() << ") outside the text";
    if (s.SelectionMode() == msColumn) {
      const TRect& b = s.BlockRect();
      if (b.Left > b.Right || b.Top > b.Bottom || b.Top < 0 || b.Bottom >= std::max(1, count))
        err << "column block not normalised";
    }
    return err.str();
  }

  std::unique_ptr<TSyntAnalyzer> lexer;
};

TEST_F(MemoRandom, EveryStepKeepsTheEditorValidAndUndoRedoRoundTrips) {
  const std::vector<TShortCut> keys = Keys();
  const int runs = Runs();
  // SYNT_RANDOM_FIRST and SYNT_RANDOM_STEPS narrow a failure down to its shortest script.
  const bool trace = EnvInt("SYNT_RANDOM_TRACE", 0) != 0;
  const int first = EnvInt("SYNT_RANDOM_FIRST", 0), steps = EnvInt("SYNT_RANDOM_STEPS", 80);
  for (int run = first; run < first + runs; ++run) {
    SCOPED_TRACE("run " + std::to_string(run));
    std::mt19937 rng(1234u + unsigned(run));
    auto pick = [&](int n) { return int(rng() % unsigned(n)); };

    THeadlessDesktop desktop;
    TSyntaxMemo memo(nullptr);
    memo.SetSyntaxAnalyzer(lexer.get());
    memo.SetText(kStartText);
    memo.ClearUndo();
    THeadlessHost host(desktop, memo, {400, 200});
    host.Focus();
    desktop.RunUntilIdle();
    const std::u16string original = memo.Text();

    std::vector<std::string> log;
    for (int step = 0; step < steps; ++step) {
      std::ostringstream what;
      const int kind = pick(100);
      if (kind < 45) {
        const TShortCut k = keys[size_t(pick(int(keys.size())))];
        what << "key " << std::hex << k << std::dec;
        host.PressKey(k);
      } else if (kind < 70) {
        const std::u16string& t = kTyped[size_t(pick(int(kTyped.size())))];
        what << "type #" << (&t - kTyped.data());
        host.Type(t);
      } else if (kind < 80) {
        const TPoint p{pick(400), pick(200)};
        const int clicks = 1 + pick(3);
        what << "click " << clicks << "x at " << p.X << "," << p.Y;
        for (int i = 0; i < clicks; ++i) host.Click(p);
        desktop.Clock().Advance(1000);
      } else if (kind < 88) {
        TShiftState mods;
        if (pick(3) == 0) mods.Include(ssAlt);
        TPoint p{pick(400), pick(200)};
        what << "drag from " << p.X << "," << p.Y;
        host.MouseDown(p, mbLeft, mods);
        for (int i = 0; i < 3; ++i) {
          p = {p.X + pick(81) - 40, p.Y + pick(41) - 20};
          host.MouseMove(p, mods);
        }
        host.MouseUp(p, mbLeft, mods);
        desktop.Clock().Advance(1000);
      } else if (kind < 94) {
        static constexpr int kFolds[] = {cmToggleCollapse,        cmFullCollapse, cmFullExpand,
                                         cmToggleCollapseNearest, cmCollapse,     cmExpand};
        const int c = kFolds[pick(6)];
        what << "command " << c;
        memo.ExecuteCommand(c, nullptr);
      } else if (kind < 97) {
        what << "word wrap";
        memo.SetWordWrap(!memo.WordWrap());
      } else {
        const int ms = pick(300);
        what << "wait " << ms << " ms";
        desktop.Advance(uint64_t(ms));
      }
      host.Update();
      if (trace)
        std::printf("%d %s: caret (%d, %d) offset %d sel %d+%d mode %d\n", step, what.str().c_str(),
                    memo.CaretPos().X, memo.CaretPos().Y, memo.CaretStrPos(), memo.SelStart(),
                    memo.SelLength(), int(memo.SelectionMode()));
      log.push_back(what.str());
      const std::string bad = CheckState(memo);
      if (!bad.empty()) FAIL() << "after step " << step << ": " << bad << "\n  " << Trail(log);
    }

    // The analysis of the edited text equals a fresh one of the same text.
    ASSERT_TRUE(test::Settle(desktop, memo.SyntClient()));
    TSyntaxMemo fresh(nullptr);
    fresh.SetSyntaxAnalyzer(lexer.get());
    fresh.SetText(memo.Text());
    ASSERT_TRUE(test::Settle(desktop, fresh.SyntClient()));
    const std::string diff = test::FirstDifference(test::DumpAnalysis(*fresh.SyntClient()),
                                                   test::DumpAnalysis(*memo.SyntClient()));
    EXPECT_EQ(diff, "") << "the analysis after the edits differs from a fresh one";

    // Steps that undid something leave redo records: the final text is the one with them redone.
    int guard = 0;
    while (memo.CanRedo() && ++guard < 10000) memo.Redo();
    const std::u16string final = memo.Text();
    guard = 0;
    while (memo.CanUndo() && ++guard < 10000) memo.Undo();
    EXPECT_TRUE(memo.Text() == original)
        << "undoing everything does not restore the text\n  " << Trail(log);
    EXPECT_EQ(CheckState(memo), "");
    guard = 0;
    while (memo.CanRedo() && ++guard < 10000) memo.Redo();
    EXPECT_TRUE(memo.Text() == final)
        << "redoing everything does not restore the final text\n  " << Trail(log);
    EXPECT_EQ(CheckState(memo), "");
    if (HasFailure()) return;
  }
}

}  // namespace
}  // namespace synt
