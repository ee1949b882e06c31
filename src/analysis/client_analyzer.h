// The analysis of one document: tokens (TParserResults) plus the text ranges and line separators
// that block rules build over them, the incremental re-analysis after edits, and the display
// ranges of the background pass.
//
//   TClientSyntAnalyzer client(&lexer, &document, [&] { return &lines; });
//   client.Analyze(true);
//   for (int i = 0; i < client.RangeCount(); ++i) {
//     const TTextRange* r = client.Ranges(i);             // AllRanges order (by StartPos)
//     std::u16string folded = client.GetCollapsedText(r);
//   }
//
// The editor reads it only through ISyntDisplayQueries (display_queries.h), which says how long
// what it returns stays valid. What only the engine itself does (plans, scratch, retagging, state
// bits, the block-rule position, the tokenizer loop) is private here and reached by the engine's
// own parts, and by tests, through analysis/internal/client_access.h.
//
// Ranges have identity (Parent links, the opened list, the editor's active ranges) and are owned by
// the client; they are created in order of their Index, so discarding the ranges made after a token
// (re-analysis) always removes a tail of that order.
//
// Threads: everything here runs on the GUI thread, except the background pass that Finish starts.
// That pass holds the client's lock while it reads the tokens, regions, ranges and separators, and
// calls the lexer's OnGetStapleRange and OnGetCollapseRange on its thread (see TSyntAnalyzer); it
// reads the lexer's rules only from a copy taken when it starts. The idle timer's slices, the
// take-over of the pass and the document's IqxSyntClient calls run on the GUI thread.
#pragma once

#include <climits>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "analysis/change_fixer.h"
#include "analysis/display_queries.h"
#include "analysis/display_ranges.h"
#include "analysis/parser_results.h"
#include "analysis/range_log.h"
#include "analysis/text_range.h"
#include "lists/sorted_list.h"
#include "platform/event_loop.h"
#include "text/text_hooks.h"

namespace synt {

class TSyntFinishThread;
namespace analysis_internal {
struct ClientAccess;
}

class TClientSyntAnalyzer : public TParserResults,
                            public ITextSourceAnalysis,
                            public ISyntDisplayQueries {
 public:
  // Ends with RestartTimer: the idle loop analyses the text on the event loop (EventLoop()).
  TClientSyntAnalyzer(TSyntAnalyzer* Owner, IqxSyntClient* Document, TSourceProc SourceProc);
  ~TClientSyntAnalyzer() override;

  // ---- Ranges ---------------------------------------------------------------------------------
  int RangeCount() const final { return allRanges_.Count(); }
  TTextRange* Ranges(int Index) const final { return allRanges_.Items(Index); }
  const TSortedList<TTextRange>& AllRanges() const { return allRanges_; }
  int OpenCount() const final { return openedRanges_.Count(); }
  TTextRange* OpenedRanges(int Index) const final { return openedRanges_.Items(Index); }
  int PriorRangeAt(int Pos) const final { return allRanges_.PriorAt(Pos); }
  int RangeStartPos(const TTextRange* Range) const final;
  int RangeEndPos(const TTextRange* Range) const final;
  const std::vector<TLineBreak>& LineBreaks() const { return lineBreaks_; }

  // ---- Block-rule bookkeeping -----------------------------------------------------------------
  // The parent-block test: Parent is a rule's BlockName reference.
  bool HasOpened(TRuleCollectionItem* Rule, TTagBlockCondition* Parent, bool Strict) const;
  // Takes Range over (adds it to AllRanges and, while open, to the opened list).
  void AddRange(std::unique_ptr<TTextRange> Range);
  bool CloseRange(TTagBlockCondition* Rule, int RefIdx);
  void CloseRangesAtEnd(int FromIdx) override;

  // ---- Range texts ----------------------------------------------------------------------------
  std::u16string GetCollapsedText(const TTextRange* Range) const final;
  std::u16string GetAutoCloseText(const TTextRange* Range, std::u16string_view Indent) const final;
  std::u16string FormatRangeText(std::u16string_view Format, const TTextRange* Range) const;

  // ---- Analysis -------------------------------------------------------------------------------
  // Tokenizes the whole text (nothing when finished). With ResetContent the results are cleared
  // first and block rules run right after every token. Without it, a lexer with separate block
  // analysis leaves the catch-up pass to the idle loop (CompleteAnalysis runs it at once).
  void Analyze(bool ResetContent);
  // Tokenizes until the tokens cover the 0-based Pos (or the end).
  virtual void AppendToPos(int Pos);
  // AppendToPos, limited to the changed area while the tokens kept from before the change serve
  // the text after it (a paint request asks for this).
  void TryAppend(int Pos);
  // AppendToPos, then the block rules that lag the tokens (separate block analysis), so the
  // ranges up to Pos are known without analysing the whole text.
  void AnalyzeUpTo(int Pos);
  // AppendToPos(Pos), then the index of the token containing Pos, or -1.
  int TokenIndexAt(int Pos);
  // Tokenizes everything and runs every pending block rule now, then Finish.
  void CompleteAnalysis();
  void Clear() override;
  // The end of the text is reached: regions and ranges that end with the text are closed and the
  // background pass that builds the display ranges is started.
  void Finish() override;

  // ---- Incremental re-analysis ----------------------------------------------------------------
  // Every change of the text, from the document (Pos -1: the whole text was replaced).
  void TextChanged(int Pos, int Count, int LineChange, int Line) override;
  // Discards the results from Pos on (the tokens cut off are kept for display as PendingTokens).
  void ChangedAtPos(int Pos);
  // Re-arms the idle timer: IdleAppendDelayInit until the first complete analysis, then
  // IdleAppendDelay. Off the GUI thread the timer is armed by the next TextChanged or AppendToPos
  // (TryAppend, TokenIndexAt, Analyze) on the GUI thread; a loop installed later takes the armed
  // timer over (SetEventLoop).
  void RestartTimer() override;
  // The idle timer's handler: one slice of analysis, re-armed at once while work remains.
  void IdleAppend();
  // A background pass is running (or its result not yet taken over).
  bool IsSyntThreadRunning() const { return thread_ != nullptr; }
  // Stops a running background pass; its results are dropped.
  void StopSyntThread();
  // Throws std::logic_error when the bookkeeping of ranges, tokens and regions is inconsistent.
  void Check() const;

  // ---- Display queries (ISyntDisplayQueries; current coordinates) -----------------------------
  const TTokenList& Tokens() const final { return TParserResults::Tokens(); }
  TSyntaxFormat* TokenStyle(int Index) const final { return TParserResults::TokenStyle(Index); }
  TSyntAnalyzer* AnalyzerAtPos(int Pos) const final { return TParserResults::AnalyzerAtPos(Pos); }
  int GetTokenStyleAt(int Pos, TStyleEntries& Entries) final;
  int GetStyledRangesAt(int Pos, TStyleEntries& Entries, bool WithDynamic) final;
  void GetLineHighlight(int Line, bool WithDynamic, bool& Invert, TColor& FontColor,
                        TColor& BgColor) const final;
  int GetLineCollapseState(int Line) const final;
  TTextRange* GetCollapsibleAtLine(int Line) const final;
  TTextRange* GetCollapsibleAt(int Pos) final;
  void GetStaplesAtLine(int Line, std::vector<TBlockStaple*>& List) final;
  TLineBreakRange* GetLineSeparator(int Line) final;
  void GetRangeLines(const TRange& Range, int& FirstLine, int& LastLine) const final;
  void GetStaplesAtLines(int First, int Last, std::vector<TStapleAtLines>& List) final;
  void ResetStaplePositions() final;
  uint64_t DisplayGeneration() const final { return displayGeneration_; }
  bool UpdateActiveRanges(int Pos) final;
  const std::vector<TTextRange*>& ActiveRanges() const final { return activeRanges_; }

  // The client's lock (held by a background pass for its whole run).
  void Lock() { lock_.lock(); }
  void Unlock() { lock_.unlock(); }

 private:
  friend class TSyntFinishThread;
  friend struct analysis_internal::ClientAccess;
  // Whether Line holds text the display data describes (not only text written since the pass).
  bool LineHasDisplay(int Line) const;

  // Final: the tokenizer loop inlines its case without rules (TokenizeUpTo).
  void BlockRulesAfterToken(std::u16string_view Text, TSyntAnalyzer* Current) final;
  std::mutex& Mutex() { return lock_; }

  // ---- Engine-only operations (reached through ClientAccess) ----
  bool ParentTest(TRuleCollectionItem* Rule) override;
  // Changes whenever the open ranges (and so every parent test) may have changed.
  uint64_t OpenedGeneration() const { return openedGeneration_; }
  int BlockAnalPos() const { return blockAnalPos_; }
  void SetBlockAnalPos(int Value) { blockAnalPos_ = Value; }
  // Records a separator made by the running block-rule run (BlockAnalPos).
  void AddLineBreak(const TLineBreak& LineBreak);
  // First and last token of Range after OnGetCollapseRange; false when Range has no valid span.
  bool RangeTokenSpan(const TTextRange* Range, int& sIdx, int& eIdx) const;
  // Separate block analysis: runs the block rules of the tokens not yet seen by them, for n from
  // BlockAnalPos + 1 up to UpTo (-1: every token). Tag detection already done after each token is
  // not repeated.
  void CatchUpBlockRules(int UpTo);
  // A slice of the idle loop ends after Ms milliseconds or MaxSteps tokenizer steps, whichever
  // comes first (0: no limit of that kind).
  void SetIdleSlice(unsigned Ms, int MaxSteps);
  // Whether Finish starts the background pass (private tokenizing clients turn it off).
  void SetBackgroundFinish(bool Value) { backgroundFinish_ = Value; }
  bool BackgroundFinish() const { return backgroundFinish_; }
  // The raw display data, in the coordinates of the text before the change log's changes.
  const TDisplayRanges& DisplayRanges() const { return display_; }
  const TChangeFixer& ChangeLog() const { return changeLog_; }
  // Tokens cut off by a change, in the coordinates of the text before the change log's first
  // PendingBase() changes were made.
  const TTokenList& PendingTokens() const { return pendingTokens_; }
  int PendingBase() const { return pendingBase_; }
  bool WasFinished() const { return wasFinished_; }
  bool StopRequested() const { return stopRequested_; }
  bool InIdleAppend() const { return inIdleAppend_; }
  const TTimer& IdleTimer() const { return *idleTimer_; }
  // The text length when the end was last reached.
  int AnalyzedLength() const { return analyzedLength_; }
  // Whether a styled range is shown with the current active ranges.
  bool IsShown(const TStyledRange& Range) const;

  // StepsUpTo with the block-rule step for a lexer without block rules inline (tokenizer.cpp).
  bool TokenizeUpTo(std::u16string_view Text, int& pos_, int Pos);
  bool SeparateBlocks() const;
  // The only changes of openedRanges_.
  void OpenedAdd(TTextRange* Range);
  void OpenedRemove(int Index);
  void OpenedClear();
  void OpenedChanged() {
    innermostValid_ = false;
    ++openedGeneration_;
  }

  // ---- Incremental re-analysis (incremental.cpp) ----
  void RangeAdded(TTextRange* Range, int Position);
  void RangeClosed(TTextRange* Range, int Run, int ClosedBy);
  void DiscardRuns(int k, const std::vector<char>& RegionReopened);
  void ThreadFinished(TSyntFinishThread* Pass);
  void ReapThreads(bool Wait);
  // Runs the catch-up pass up to UpTo runs, then Finish when every token has been seen.
  bool RunIdleStep(std::u16string_view Text, int& P);

  // Block rules run after every token whatever the lexer says (Analyze with ResetContent).
  bool forceSyncBlocks_ = false;
  TSortedList<TTextRange> allRanges_{true};
  // Ranges not yet closed, sorted by StartPos. Change it only through OpenedAdd, OpenedRemove
  // and OpenedClear: they keep the per-rule counts of the non-strict parent test and the cached
  // innermost parent.
  TSortedList<TTextRange> openedRanges_{false};
  std::vector<TLineBreak> lineBreaks_;
  int blockAnalPos_ = 0;

  TChangeFixer changeLog_;
  TTokenList pendingTokens_;
  int pendingBase_ = 0;
  bool stopRequested_ = false;
  bool inIdleAppend_ = false;
  bool wasFinished_ = false;
  bool tokensComplete_ = false;  // every token is there (a catch-up pass may be pending)
  bool backgroundFinish_ = true;
  bool idleDeferred_ = false;  // RestartTimer ran off the GUI thread
  int analyzedLength_ = 0;
  unsigned idleSliceMs_ = 8;
  int idleSliceSteps_ = 0;
  std::unique_ptr<TTimer> idleTimer_;
  // Every range in creation order with its creating and closing runs.
  analysis_internal::TRangeLog rangeLog_;
  // AllRanges positions below this hold the ranges in creation order (no range was inserted
  // before a later one there), so discarding the newest ranges is a truncation.
  int orderedPrefix_ = INT_MAX;
  // The block-rule run that made each line separator (parallel to lineBreaks_).
  std::vector<int> lineBreakRuns_;
  // Ranges that left the analysis together, owned and freed together (a keystroke in a large
  // text discards many; they are handed on as one vector).
  struct TRangeBatch {
    std::vector<TTextRange*> Items;
    TRangeBatch() = default;
    TRangeBatch(TRangeBatch&& Other) noexcept : Items(std::move(Other.Items)) {
      Other.Items.clear();
    }
    TRangeBatch& operator=(TRangeBatch&&) = delete;
    ~TRangeBatch();
  };
  // Discarded ranges: the display data of the last pass may still point at them, so they live
  // until that data is replaced.
  std::vector<TRangeBatch> deadRanges_;
  // What a take-over replaced; the next background pass frees it off the GUI thread.
  struct TGarbage;
  std::unique_ptr<TGarbage> garbage_;
  std::unique_ptr<TSyntFinishThread> thread_;
  std::vector<std::unique_ptr<TSyntFinishThread>> retired_;

  // ---- Display ranges (display_queries.cpp) ----
  TDisplayRanges display_;
  std::vector<TTextRange*> activeRanges_;
  int caretPos_ = -1;
  int tokenCache_ = -1;

  void CallOnCloseTextRange(TTextRange* Range);
  // The text range a collapsible range was built for, while it is still part of the analysis.
  TTextRange* CollapsibleTextRange(const TCollapsibleRange& Range) const;
  // The rule of the innermost open range that counts as a parent (not IgnoreAsParent), or null:
  // the strict parent test asks for it on most tokens, the opened list changes rarely.
  TTagBlockCondition* InnermostParentRule() const;
  mutable TTagBlockCondition* innermostRule_ = nullptr;
  mutable bool innermostValid_ = false;
  mutable int innermostCount_ = -1;
  mutable const TTextRange* innermostLast_ = nullptr;
  uint64_t openedGeneration_ = 0;  // counts the changes of the open ranges
  // DisplayGeneration: drawn from one count for all clients, so that a client made where another
  // was freed never repeats its value.
  uint64_t displayGeneration_ = NextDisplayGeneration();
  static uint64_t NextDisplayGeneration();
  // How many entries of the opened list each rule has.
  std::vector<std::pair<const TTagBlockCondition*, int>> openedPerRule_;
  std::u16string LineModeText(int TokenIndex, bool FromLineStart) const;
  std::mutex lock_;
};

}  // namespace synt
