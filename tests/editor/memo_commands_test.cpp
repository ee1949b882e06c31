// Command dispatch: the order of events and hooks, the enabled table, keys through the key mapping,
// the remaining commands, markers, the go-to-line dialog and the edit-control messages.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/commands.h"
#include "editor/memo_hooks.h"
#include "editor/syntax_memo.h"
#include "platform/clipboard.h"
#include "platform/dialogs.h"
#include "platform/headless_host.h"

namespace synt {
namespace {

using Log = std::vector<std::string>;

std::string N(int i) {
  return std::to_string(i);
}

// Attaches to an editor and records every hook call; answers as told.
class TRecorder : public TComponent, public ISyntMemoCommandHook, public ISyntMemoInputHook {
 public:
  TRecorder(std::string Name, Log& L) : TComponent(nullptr), name_(std::move(Name)), log_(L) {}
  void BeforeCommand(int C, void*, bool& Handled) override {
    log_.push_back(name_ + ".before " + N(C));
    if (C == takeBefore) Handled = true;
  }
  void AfterCommand(int C, void*, bool& Handled) override {
    log_.push_back(name_ + ".after " + N(C));
    if (C == takeAfter) Handled = true;
  }
  void EnableCommand(int C, void*, bool& Enabled) override {
    log_.push_back(name_ + ".enable " + N(C) + (Enabled ? " on" : " off"));
    if (C == flipEnabled) Enabled = !Enabled;
  }
  bool HandleKey(TShortCut Key) override {
    log_.push_back(name_ + ".key " + N(Key));
    return Key == takeKey;
  }
  bool HandleMouseDown(TMouseButton, TShiftState, int, int) override { return false; }
  void AdjustCursor(int, int, TCursor&, TShiftState) override {}

  int takeBefore = 0, takeAfter = 0, flipEnabled = 0;
  TShortCut takeKey = 0;

 private:
  std::string name_;
  Log& log_;
};

class TRecordingMapping : public TSyntKeyMapping {
 public:
  explicit TRecordingMapping(Log& L) : log_(L) { AddDefaultCommands(); }
  bool ExecuteCommandHook(TObject*, int C, void*) override {
    log_.push_back("mapping " + N(C));
    return C == take;
  }
  int take = 0;

 private:
  Log& log_;
};

class MemoCommands : public ::testing::Test {
 protected:
  void Make(std::u16string_view Text) {
    memo.SetText(Text);
    host = std::make_unique<THeadlessHost>(desktop, memo, TSize{2 + 40 * 8, 10 * 17});
    desktop.RunUntilIdle();
  }
  void Record() {
    memo.OnExecuteCommand = [this](TObject*, int C, void*, bool& H) {
      log.push_back("event " + N(C));
      if (C == eventTakes) H = true;
    };
    memo.OnEnableCommand = [this](TObject*, int C, void*, bool& E) {
      log.push_back("enable-event " + N(C) + (E ? " on" : " off"));
    };
  }
  bool On(int C, void* Data = nullptr) { return memo.IsCommandEnabled(C, Data); }

  Log log;
  int eventTakes = 0;
  THeadlessDesktop desktop;
  TSyntaxMemo memo{nullptr};
  std::unique_ptr<THeadlessHost> host;
};

TEST_F(MemoCommands, DispatchRunsEventMappingAndHooksInOrder) {
  Make(u"a\nb\nc\nd\ne\nf\ng\nh\ni\nj\nk\nl\nm\nn");
  TRecordingMapping mapping(log);
  memo.SetKeyMapping(&mapping);
  TRecorder p1("p1", log), p2("p2", log);
  memo.AddPlugin(&p1);
  memo.AddPlugin(&p2);
  Record();

  memo.ExecuteCommand(cmScrollDown, nullptr);
  EXPECT_EQ(memo.TopDisplayLine(), 1) << "performed between the before and after hooks";
  EXPECT_EQ(log,
            (Log{"event 312", "mapping 312", "p1.before 312", "p2.before 312", "p1.enable 312 on",
                 "p2.enable 312 on", "enable-event 312 on", "p1.after 312", "p2.after 312"}));

  // The event stops everything, the mapping hook too, the first BeforeCommand that takes it too.
  log.clear();
  eventTakes = cmScrollDown;
  memo.ExecuteCommand(cmScrollDown, nullptr);
  EXPECT_EQ(log, (Log{"event 312"}));
  eventTakes = 0;
  log.clear();
  mapping.take = cmScrollDown;
  memo.ExecuteCommand(cmScrollDown, nullptr);
  EXPECT_EQ(log, (Log{"event 312", "mapping 312"}));
  mapping.take = 0;
  log.clear();
  p1.takeBefore = cmScrollDown;
  memo.ExecuteCommand(cmScrollDown, nullptr);
  EXPECT_EQ(log, (Log{"event 312", "mapping 312", "p1.before 312"}));
  EXPECT_EQ(memo.TopDisplayLine(), 1);
  p1.takeBefore = 0;

  // The first AfterCommand that sets handled ends the after walk.
  log.clear();
  p1.takeAfter = cmFindDialog;
  memo.ExecuteCommand(cmFindDialog, nullptr);
  EXPECT_EQ(log,
            (Log{"event 600", "mapping 600", "p1.before 600", "p2.before 600", "p1.enable 600 off",
                 "p2.enable 600 off", "enable-event 600 off", "p1.after 600"}));

  // Without an own mapping the shared default one is not asked.
  memo.SetKeyMapping(nullptr);
  log.clear();
  memo.ExecuteCommand(cmToggleMode, nullptr);
  EXPECT_EQ(log.at(1), "p1.before 373");
  memo.RemovePlugin(&p1);
  memo.RemovePlugin(&p2);
}

TEST_F(MemoCommands, EnableHooksAndEventMayChangeTheTableAnswer) {
  Make(u"abc");
  TRecorder p1("p1", log), p2("p2", log);
  memo.AddPlugin(&p1);
  memo.AddPlugin(&p2);
  Record();
  p1.flipEnabled = cmPrint;  // a printer that attached itself enables printing
  EXPECT_TRUE(On(cmPrint));
  EXPECT_EQ(log, (Log{"p1.enable 630 off", "p2.enable 630 on", "enable-event 630 on"}));
  memo.OnEnableCommand = [](TObject*, int, void*, bool& E) { E = false; };
  EXPECT_FALSE(On(cmRight));
  memo.RemovePlugin(&p1);
  memo.RemovePlugin(&p2);
}

TEST_F(MemoCommands, EnabledTableMovement) {
  Make(u"abc\n  def\nghi");
  memo.SetCaretPos({0, 0});
  EXPECT_FALSE(On(cmLeft));
  EXPECT_FALSE(On(cmSelLeft)) << "101 is judged as 1";
  EXPECT_FALSE(On(cmColSelUp));
  EXPECT_FALSE(On(cmUp));
  EXPECT_FALSE(On(cmPageUp));
  EXPECT_TRUE(On(cmDown));
  EXPECT_TRUE(On(cmPageBottom));
  EXPECT_FALSE(On(cmLineStart));
  EXPECT_FALSE(On(cmPageTop));
  EXPECT_FALSE(On(cmTextStart));
  EXPECT_TRUE(On(cmLineEnd));
  EXPECT_TRUE(On(cmTextEnd));
  EXPECT_TRUE(On(cmPageRight)) << "11 moves right: always";
  EXPECT_FALSE(On(cmPageLeft)) << "12 moves left: needs X > 0";
  EXPECT_FALSE(On(cmGotoXY));
  TPoint target{1, 1};
  EXPECT_TRUE(On(cmGotoXY, &target));
  EXPECT_TRUE(On(cmRight));
  EXPECT_TRUE(On(cmWordLeft));

  memo.SetCaretPos({0, 1});
  EXPECT_FALSE(On(cmLeft));
  TSyntaxMemoOptions o = memo.Options();
  o.Include(soKeepCaretInText);
  memo.SetOptions(o);
  EXPECT_TRUE(On(cmLeft)) << "keeping the caret in text, Left goes to the previous line";
  EXPECT_TRUE(On(cmTextStart)) << "column 0 of a later line can still go to the start";
  EXPECT_TRUE(On(cmUp));

  memo.SetCaretPos({3, 2});
  EXPECT_FALSE(On(cmDown));
  EXPECT_FALSE(On(cmPageDown));
  EXPECT_FALSE(On(cmLineEnd));
  EXPECT_FALSE(On(cmTextEnd));
  EXPECT_TRUE(On(cmPageLeft));
  memo.SetCaretPos({1, 2});
  EXPECT_TRUE(On(cmTextEnd)) << "inside the last line the end is still ahead";
}

TEST_F(MemoCommands, EnabledTableEditing) {
  Make(u"abc\ndef");
  memo.SetCaretPos({0, 0});
  EXPECT_FALSE(On(cmCopy));
  EXPECT_FALSE(On(cmCut));
  EXPECT_FALSE(On(cmResetSelection));
  EXPECT_FALSE(On(cmBackspace)) << "nothing before (0, 0)";
  EXPECT_TRUE(On(cmDeleteChar));
  EXPECT_FALSE(On(cmChar));
  char16_t c = u'x';
  EXPECT_TRUE(On(cmChar, &c));
  EXPECT_TRUE(On(cmNewLine));
  EXPECT_FALSE(On(cmPaste)) << "empty clipboard";
  desktop.Clipboard().SetText(u"pasted");
  EXPECT_TRUE(On(cmPaste));
  EXPECT_TRUE(On(cmSelectAll));
  EXPECT_FALSE(On(cmInsertMode)) << "already inserting";
  EXPECT_TRUE(On(cmOverwriteMode));
  EXPECT_TRUE(On(cmColumnSelect));
  TSyntaxMemoOptions o = memo.Options();
  o.Exclude(soEnableBlockSel);
  memo.SetOptions(o);
  EXPECT_FALSE(On(cmColumnSelect));

  memo.SelectRange(1, 2);
  EXPECT_TRUE(On(cmCopy));
  EXPECT_TRUE(On(cmCut));
  EXPECT_TRUE(On(cmClearSelection));
  EXPECT_TRUE(On(cmResetSelection));
  EXPECT_TRUE(On(cmCopyPasteToEnd));

  memo.SetReadOnly(true);
  EXPECT_TRUE(On(cmCopy));
  EXPECT_FALSE(On(cmCut));
  EXPECT_FALSE(On(cmPaste));
  EXPECT_FALSE(On(cmChar, &c));
  EXPECT_FALSE(On(cmDeleteChar));
  EXPECT_FALSE(On(cmSelUpperCase));
  EXPECT_FALSE(On(cmToggleMode));
  EXPECT_FALSE(On(cmCopyPasteToEnd));
  EXPECT_FALSE(On(cmCommentLines));
}

TEST_F(MemoCommands, EnabledTableOtherRows) {
  Make(u"abc\ndef");
  EXPECT_FALSE(On(cmCollectMarker));
  EXPECT_FALSE(On(cmSwapMarker));
  memo.ExecuteCommand(cmDropMarker, nullptr);
  EXPECT_TRUE(On(cmCollectMarker));
  EXPECT_TRUE(On(cmSwapMarker));
  EXPECT_FALSE(On(cmResetSearchMarks));
  memo.SearchMarks()->Add(TRange(1, 2));
  EXPECT_TRUE(On(cmResetSearchMarks));
  EXPECT_TRUE(On(cmNextSearchMark));
  EXPECT_FALSE(On(cmFullExpand)) << "nothing collapsed";
  EXPECT_FALSE(On(cmFullCollapse)) << "no analyzer and no user range";
  EXPECT_FALSE(On(cmCommentLines)) << "no analyzer with a line comment";
  EXPECT_TRUE(On(cmGotoLine));
  EXPECT_TRUE(On(cmDuplicateLine));
  EXPECT_FALSE(On(cmScrollUp));
  EXPECT_FALSE(On(cmScrollLeft));
  EXPECT_TRUE(On(cmScrollRight));
  EXPECT_FALSE(On(cmGotoBookmark0)) << "no bookmark 0";
  EXPECT_TRUE(On(cmToggleBookmark9));
  EXPECT_TRUE(On(cmIncrementalSearch));
  EXPECT_FALSE(On(cmSyncEdit)) << "no selection to take";
  // Parts that attach later (find, print, macros, popups) are off until a hook says on.
  for (int c : {cmStartMacro, cmPlayMacro, cmFindDialog, cmFindCurrentWordNext, cmReplaceAgain,
                cmPrint, cmPageSetup, cmAutoCompletion, cmAutoCorrectAll})
    EXPECT_FALSE(On(c)) << c;
  EXPECT_TRUE(On(9999)) << "unknown ids are left to the hooks and reported enabled";
  memo.SetText(u"one line");
  EXPECT_FALSE(On(cmGotoLine)) << "needs more than one line";
}

TEST_F(MemoCommands, OtherCommandsRunOnlyWhenEnabled) {
  Make(u"abc\ndef\nghi");
  memo.SetCaretPos({1, 1});
  memo.ExecuteCommand(cmMarkSelStart, nullptr);
  EXPECT_EQ(memo.CommandPart().blockStartMark, 5);
  memo.SetCaretPos({2, 2});
  memo.ExecuteCommand(cmMarkSelEnd, nullptr);
  EXPECT_EQ(memo.SelStart(), 5);
  EXPECT_EQ(memo.SelLength(), 5);
  EXPECT_EQ(memo.CaretPos(), (TPoint{2, 2})) << "the caret stays";
  memo.Lines()->InsertText(0, u"x");
  EXPECT_EQ(memo.CommandPart().blockStartMark, -1) << "forgotten on every text change";

  memo.ExecuteCommand(cmLineSelect, nullptr);
  EXPECT_EQ(memo.SelectionMode(), msLine);
  memo.ExecuteCommand(cmNormalSelect, nullptr);
  EXPECT_EQ(memo.SelectionMode(), msNormal);

  memo.ExecuteCommand(cmScrollFarRight, nullptr);
  EXPECT_EQ(memo.LeftCol(), 799) << "as far right as 800 columns go";
  memo.ExecuteCommand(cmScrollFarLeft, nullptr);
  EXPECT_EQ(memo.LeftCol(), 0);
  memo.ExecuteCommand(cmToggleWordWrap, nullptr);
  EXPECT_TRUE(memo.WordWrap());
  memo.ExecuteCommand(cmToggleFolding, nullptr);
  EXPECT_TRUE(memo.DisableFolding());
  const bool np = memo.NonPrinted()->Visible();
  memo.ExecuteCommand(cmToggleNonPrinted, nullptr);
  EXPECT_NE(memo.NonPrinted()->Visible(), np);
  const bool numbers = memo.LineNumbers()->Visible();
  memo.ExecuteCommand(cmToggleLineNumbers, nullptr);
  EXPECT_NE(memo.LineNumbers()->Visible(), numbers);
}

TEST_F(MemoCommands, SearchMarksAreVisitedWrappingAndSkipTheCurrentOne) {
  Make(u"0123456789abcdefghij");
  memo.SetCaretStrPos(3);  // inside the first mark: it is the current one
  TRangeList<TRange>& marks = *memo.SearchMarks();
  marks.Add(TRange(2, 4));
  marks.Add(TRange(8, 10));
  marks.Add(TRange(15, 17));
  memo.ExecuteCommand(cmNextSearchMark, nullptr);
  EXPECT_EQ(memo.CaretStrPos(), 8);
  memo.ExecuteCommand(cmNextSearchMark, nullptr);
  EXPECT_EQ(memo.CaretStrPos(), 15);
  memo.ExecuteCommand(cmNextSearchMark, nullptr);
  EXPECT_EQ(memo.CaretStrPos(), 2) << "wraps to the first";
  memo.ExecuteCommand(cmPreviousSearchMark, nullptr);
  EXPECT_EQ(memo.CaretStrPos(), 15) << "wraps to the last";
  memo.ExecuteCommand(cmPreviousSearchMark, nullptr);
  EXPECT_EQ(memo.CaretStrPos(), 8);
  EXPECT_EQ(marks.Count(), 3) << "going from mark to mark keeps them";
  memo.ExecuteCommand(cmResetSearchMarks, nullptr);
  EXPECT_TRUE(marks.Empty());
}

TEST_F(MemoCommands, MarkersRestoreTheViewAndFollowTheText) {
  Make(u"line0\nline1\nline2\nline3");
  memo.SetCaretPos({3, 2});
  memo.ExecuteCommand(cmDropMarker, nullptr);
  TPoint given{1, 1};
  memo.ExecuteCommand(cmDropMarker, &given);
  ASSERT_EQ(memo.CommandPart().Markers().size(), 2u);
  EXPECT_EQ(memo.CommandPart().Markers()[1].CaretOffset, 7);

  memo.SetCaretPos({0, 0});
  memo.ExecuteCommand(cmSwapMarker, nullptr);  // to (1, 1); the current view takes its place
  EXPECT_EQ(memo.CaretPos(), (TPoint{1, 1}));
  ASSERT_EQ(memo.CommandPart().Markers().size(), 2u);
  EXPECT_EQ(memo.CommandPart().Markers()[1].CaretPos, (TPoint{0, 0}));
  memo.ExecuteCommand(cmCollectMarker, nullptr);
  EXPECT_EQ(memo.CaretPos(), (TPoint{0, 0}));

  // Floating markers return to their offset, which moves with the text.
  TSyntaxMemoOptions o = memo.Options();
  o.Include(soFloatMarkers);
  memo.SetOptions(o);
  memo.Lines()->InsertText(0, u"++");
  EXPECT_EQ(memo.CommandPart().Markers()[0].CaretOffset, 17);
  memo.Lines()->DeleteText(10, 10);  // swallows the marker's offset: it goes to the cut
  EXPECT_EQ(memo.CommandPart().Markers()[0].CaretOffset, 10);
  memo.ExecuteCommand(cmCollectMarker, nullptr);
  EXPECT_EQ(memo.CaretStrPos(), 10);
  EXPECT_TRUE(memo.CommandPart().Markers().empty());
  memo.ExecuteCommand(cmCollectMarker, nullptr);  // disabled: nothing happens
}

// ---- Keyboard -----------------------------------------------------------------------------------

TEST_F(MemoCommands, KeysRunTheirCommandsAndSuppressTheCharacter) {
  Make(u"abc\ndef");
  std::vector<int> ran;
  memo.OnExecuteCommand = [&](TObject*, int C, void*, bool&) { ran.push_back(C); };
  EXPECT_TRUE(host->KeyDown(vkReturn)) << "a command ran: the host must not send the character";
  EXPECT_TRUE(memo.CommandPart().KeyHandled());
  EXPECT_FALSE(host->KeyDown('A')) << "no command: the character follows";
  EXPECT_FALSE(memo.CommandPart().KeyHandled());
  EXPECT_TRUE(memo.KeyPress(u'a'));
  EXPECT_FALSE(host->KeyDown(vkShift)) << "a bare modifier only updates the cursor";
  EXPECT_EQ(memo.KeyQueue()->Count(), 2) << "and is not queued";
  EXPECT_EQ(ran, (std::vector<int>{cmNewLine, cmChar}));

  // Key sequences through the queue: Ctrl+K then B marks the block start.
  ran.clear();
  desktop.Clock().Advance(5000);
  EXPECT_FALSE(host->KeyDown(ShortCut('K', scCtrl)));
  EXPECT_TRUE(host->KeyDown('B'));
  EXPECT_EQ(ran, (std::vector<int>{cmMarkSelStart}));

  // Tab moves the focus in dialog mode: left to the host.
  memo.SetTabMode(tmDialog);
  EXPECT_FALSE(host->KeyDown(vkTab));
  memo.SetTabMode(tmSpaces);
  EXPECT_TRUE(host->KeyDown(vkTab));

  // OnKeyDown may take the key.
  ran.clear();
  memo.OnKeyDown = [](TObject*, TShortCut& K) {
    if (K == vkReturn) K = 0;
  };
  EXPECT_TRUE(host->KeyDown(vkReturn));
  EXPECT_TRUE(ran.empty());
}

TEST_F(MemoCommands, OwnMappingReplacesTheDefaultAndInputHooksComeFirst) {
  Make(u"abc");
  std::vector<int> ran;
  memo.OnExecuteCommand = [&](TObject*, int C, void*, bool&) { ran.push_back(C); };
  TSyntKeyMapping own;
  own.AddCommand(cmSelectAll, u"Test", 0, ShortCut('Q', scCtrl), u"Select all", u"");
  memo.SetKeyMapping(&own);
  EXPECT_TRUE(host->KeyDown(ShortCut('Q', scCtrl)));
  EXPECT_FALSE(host->KeyDown(ShortCut('A', scCtrl))) << "the default binding is gone";
  EXPECT_EQ(ran, (std::vector<int>{cmSelectAll}));
  memo.SetKeyMapping(nullptr);

  TRecorder p("p", log);
  p.takeKey = vkReturn;
  memo.AddPlugin(&p);
  ran.clear();
  EXPECT_TRUE(host->KeyDown(vkReturn)) << "the hook took it: its character goes too";
  EXPECT_TRUE(ran.empty());
  EXPECT_EQ(log, (Log{"p.key 13"}));
  memo.RemovePlugin(&p);
}

TEST_F(MemoCommands, TypedCharactersAndComposedText) {
  Make(u"");
  std::vector<std::u16string> typed;
  memo.OnExecuteCommand = [&](TObject*, int C, void* D, bool&) {
    if (C == cmChar) typed.push_back(std::u16string(1, *static_cast<char16_t*>(D)));
    if (C == cmString) typed.push_back(u"[" + std::u16string(static_cast<char16_t*>(D)) + u"]");
  };
  host->Type(u"a\U0001F600b");
  EXPECT_EQ(typed, (std::vector<std::u16string>{u"a", u"[\U0001F600]", u"b"}))
      << "a surrogate pair goes in as one string";
  typed.clear();
  host->Type(std::u16string{char16_t(0xD83D), u'x'});
  EXPECT_EQ(typed, (std::vector<std::u16string>{std::u16string(1, char16_t(0xD83D)), u"x"}))
      << "a high surrogate without its pair is not lost";

  // Alt+key ran a command; the character the platform sends when Alt is released is dropped,
  // unless soNotSuppressAltNNNN.
  typed.clear();
  host->KeyDown(ShortCut(vkHome, scAlt));  // drop marker
  host->KeyUp(vkMenu | scAlt);
  memo.KeyPress(u'7');
  EXPECT_TRUE(typed.empty());
  memo.KeyPress(u'8');
  EXPECT_EQ(typed, (std::vector<std::u16string>{u"8"}));
  TSyntaxMemoOptionsEx ox = memo.OptionsEx();
  ox.Include(soNotSuppressAltNNNN);
  memo.SetOptionsEx(ox);
  typed.clear();
  host->KeyDown(ShortCut(vkHome, scAlt));
  host->KeyUp(vkMenu | scAlt);
  memo.KeyPress(u'7');
  EXPECT_EQ(typed, (std::vector<std::u16string>{u"7"}));

  // Input method: the preedit shows until committed; the commit is one string, UTF-16 intact.
  typed.clear();
  host->InputMethod().SetEnabled(true);
  TPreedit pre{u"\u304B", 1, {{0, 1, imRaw}}};
  const std::u16string before = memo.Text();
  memo.InputMethodPreedit(pre);
  EXPECT_EQ(memo.CommandPart().Preedit(), pre);
  host->PaintAll();
  bool drawn = false;
  for (const TCanvasOp& op : host->Canvas().Ops()) drawn = drawn || op.Text == u"\u304B";
  EXPECT_TRUE(drawn) << "the composition is drawn at the caret";
  EXPECT_EQ(memo.Text(), before) << "but is not in the text";
  memo.InputMethodCommit(u"\u6F22\u5B57");
  EXPECT_TRUE(memo.CommandPart().Preedit().Text.empty());
  EXPECT_EQ(typed, (std::vector<std::u16string>{u"[\u6F22\u5B57]"}));
}

// ---- Go to line ---------------------------------------------------------------------------------

TEST_F(MemoCommands, GotoLineChecksTheEntryBeforeClosing) {
  std::u16string text;
  for (int i = 0; i < 30; ++i) text += u"line of text\n";
  Make(text);
  TMemoCommandPart::GotoLineHistory().clear();
  TScriptedDialogService& d = desktop.Dialogs();
  memo.SetCaretPos({4, 2});
  // Bad column, bad line, out of range: each shown, the dialog stays; then a good entry.
  d.PushForm({mrOk, {{u"Line", u"5:x"}}});
  d.PushForm({mrOk, {{u"Line", u" y :3"}}});
  d.PushForm({mrOk, {{u"Line", u"99"}}});
  d.PushForm({mrOk, {{u"Line", u" 12 : 7 "}}});
  memo.ExecuteCommand(cmGotoLine, nullptr);
  ASSERT_EQ(d.ShownForms().size(), 4u);
  EXPECT_EQ(d.ShownForms()[0].Caption, u"Go to Line Number");
  EXPECT_EQ(d.ShownForms()[0].Field(u"Line")->Text, u"3:5") << "pre-filled with the caret";
  EXPECT_EQ(d.ShownForms()[1].Field(u"Line")->Text, u"5:x") << "the dialog stays with the entry";
  ASSERT_EQ(d.Shown().size(), 3u);
  EXPECT_EQ(d.Shown()[0].Text, u"Invalid column number.");
  EXPECT_EQ(d.Shown()[1].Text, u"Invalid line number.");
  EXPECT_EQ(d.Shown()[2].Text, u"Line number must be between 1 and 31");
  for (const auto& s : d.Shown()) {
    EXPECT_EQ(s.Caption, u"Error");
    EXPECT_EQ(s.Icon, mbiError);
  }
  EXPECT_EQ(memo.CaretPos(), (TPoint{6, 11}));
  EXPECT_EQ(TMemoCommandPart::GotoLineHistory(), (std::vector<std::u16string>{u" 12 : 7 "}));

  // Cancel moves nothing; a line alone keeps the column.
  d.PushForm({mrCancel, {}});
  memo.ExecuteCommand(cmGotoLine, nullptr);
  EXPECT_EQ(memo.CaretPos(), (TPoint{6, 11}));
  d.PushForm({mrOk, {{u"Line", u"2"}}});
  memo.ExecuteCommand(cmGotoLine, nullptr);
  EXPECT_EQ(memo.CaretPos(), (TPoint{6, 1}));
}

TEST_F(MemoCommands, GotoLineHistoryKeepsTwentyNewestFirst) {
  std::u16string text;
  for (int i = 0; i < 30; ++i) text += u"x\n";
  Make(text);
  auto& history = TMemoCommandPart::GotoLineHistory();
  history.clear();
  TScriptedDialogService& d = desktop.Dialogs();
  for (int i = 1; i <= 25; ++i) {
    const std::string s = std::to_string(i);
    d.PushForm({mrOk, {{u"Line", std::u16string(s.begin(), s.end())}}});
    memo.ExecuteCommand(cmGotoLine, nullptr);
  }
  ASSERT_EQ(history.size(), 20u);
  EXPECT_EQ(history.front(), u"6") << "the oldest went";
  EXPECT_EQ(history.back(), u"25");
  d.PushForm({mrOk, {{u"Line", u"10"}}});  // again: moved to the end, not doubled
  memo.ExecuteCommand(cmGotoLine, nullptr);
  EXPECT_EQ(history.size(), 20u);
  EXPECT_EQ(history.back(), u"10");
  d.PushForm({mrCancel, {}});
  memo.ExecuteCommand(cmGotoLine, nullptr);
  const auto& items = d.ShownForms().back().Field(u"Line")->Items;
  ASSERT_EQ(items.size(), 20u);
  EXPECT_EQ(items.front(), u"10") << "shown newest first";
  EXPECT_EQ(items[1], u"25");
  history.clear();
}

// ---- Edit-control messages ----------------------------------------------------------------------

TEST_F(MemoCommands, MessagesCopyIntoBuffersWithinTheirSize) {
  Make(u"hello\nworld");
  char16_t buf[16];
  std::fill(std::begin(buf), std::end(buf), u'#');
  auto P = [&](unsigned M, uintptr_t W, intptr_t L) { return memo.Perform(M, W, L); };
  const intptr_t b = reinterpret_cast<intptr_t>(buf);
  EXPECT_EQ(P(WM_GETTEXTLENGTH, 0, 0), 11);
  EXPECT_EQ(P(WM_GETTEXT, 0, b), 0) << "size 0 copies nothing";
  EXPECT_EQ(buf[0], u'#');
  EXPECT_EQ(P(WM_GETTEXT, uintptr_t(-5), b), 0) << "a negative size copies nothing";
  EXPECT_EQ(buf[0], u'#');
  EXPECT_EQ(P(WM_GETTEXT, 4, b), 3);
  EXPECT_EQ(std::u16string(buf), u"hel");
  EXPECT_EQ(P(WM_GETTEXT, 16, b), 11);
  EXPECT_EQ(std::u16string(buf), u"hello\nworld");

  std::fill(std::begin(buf), std::end(buf), u'#');
  buf[0] = 0;
  EXPECT_EQ(P(EM_GETLINE, 1, b), 0) << "size word 0: nothing";
  buf[0] = 3;
  EXPECT_EQ(P(EM_GETLINE, 1, b), 3);
  EXPECT_EQ(std::u16string(buf, 4), u"wor#");
  buf[0] = 15;
  EXPECT_EQ(P(EM_GETLINE, 1, b), 5);
  EXPECT_EQ(P(EM_GETLINE, 7, b), 0) << "no such line";

  EXPECT_EQ(P(EM_GETLINECOUNT, 0, 0), 2);
  EXPECT_EQ(P(EM_LINEINDEX, 1, 0), 6);
  EXPECT_EQ(P(EM_LINELENGTH, 7, 0), 5);
  EXPECT_EQ(P(EM_LINEFROMCHAR, 7, 0), 1);
  EXPECT_EQ(P(EM_EXLINEFROMCHAR, 0, 3), 0);
}

TEST_F(MemoCommands, MessagesDriveSelectionStateAndView) {
  std::u16string text;
  for (int i = 0; i < 40; ++i) text += u"some line\n";
  Make(text);
  auto P = [&](unsigned M, uintptr_t W, intptr_t L) { return memo.Perform(M, W, L); };
  P(EM_SETSEL, 12, 4);
  EXPECT_EQ(memo.SelStart(), 4);
  EXPECT_EQ(memo.SelLength(), 8);
  EXPECT_EQ(P(EM_GETSEL, 0, 0), intptr_t(4 | (12 << 16)));
  TMemoCommandPart::TCharRange r{30, 20};
  EXPECT_EQ(P(EM_EXSETSEL, 0, reinterpret_cast<intptr_t>(&r)), 2) << "answers the start's line";
  TMemoCommandPart::TCharRange got;
  P(EM_EXGETSEL, 0, reinterpret_cast<intptr_t>(&got));
  EXPECT_EQ(got.cpMin, 20);
  EXPECT_EQ(got.cpMax, 30);
  P(EM_SETSEL, uintptr_t(-1), 0);
  EXPECT_EQ(memo.SelLength(), 0);

  EXPECT_EQ(P(EM_SCROLL, 1, 0), 0x10001) << "one line down";
  EXPECT_EQ(P(EM_GETFIRSTVISIBLELINE, 0, 0), 1);
  EXPECT_EQ(P(EM_LINESCROLL, 3, 5), 1);
  EXPECT_EQ(memo.TopDisplayLine(), 6);
  EXPECT_EQ(memo.LeftCol(), 3);

  P(EM_SETMODIFY, 1, 0);
  EXPECT_EQ(P(EM_GETMODIFY, 0, 0), 1);
  P(EM_SETMODIFY, 0, 0);
  EXPECT_FALSE(memo.Modified());
  P(EM_SETREADONLY, 1, 0);
  EXPECT_TRUE(memo.ReadOnly());
  int stops[] = {8, 16};
  EXPECT_EQ(P(EM_SETTABSTOPS, 2, reinterpret_cast<intptr_t>(stops)), 1);
  EXPECT_EQ(memo.TabList()->Count(), 2);

  const char16_t* replacement = u"fresh\ntext";
  P(WM_SETTEXT, 0, reinterpret_cast<intptr_t>(replacement));
  EXPECT_EQ(memo.Text(), u"fresh\ntext");
  EXPECT_EQ(memo.TopDisplayLine(), 0);
  EXPECT_EQ(memo.LeftCol(), 0);
}

}  // namespace
}  // namespace synt
