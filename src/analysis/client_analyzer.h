// The analysis of one document: tokens (TParserResults) plus the text ranges and line separators
// that block rules build over them.
//
//   TClientSyntAnalyzer client(&lexer, &document, [&] { return &lines; });
//   client.Analyze(true);
//   for (int i = 0; i < client.RangeCount(); ++i) {
//     const TTextRange* r = client.Ranges(i);             // AllRanges order (by StartPos)
//     std::u16string folded = client.GetCollapsedText(r);
//   }
//
// Ranges have identity (Parent links, the opened list, the editor's active ranges) and are owned by
// the client; they are created in order of their Index, so discarding the ranges made after a token
// (re-analysis) always removes a tail of that order.
#pragma once

#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "analysis/parser_results.h"
#include "lists/sorted_list.h"

namespace synt {

class TTextRange : public TSortedItem {
 public:
  TTagBlockCondition* Rule = nullptr;
  int StartIdx = 0;
  int EndIdx = -1;  // -1 while open
  int IdentIdx = 0;
  int StartPos = 0;  // the sort key
  TTextRange* Parent = nullptr;
  int CondIndex = 0;      // the token whose arrival completed the opening conditions
  int EndCondIndex = -1;  // reference token of the closing rule, -1 while open
  int Index = 0;          // ordinal in creation order

  int GetKey() const override { return StartPos; }
  bool IsClosed() const { return EndIdx != -1; }
};

struct TLineBreak {
  int RefTag = 0;  // token index
  int Line = 0;    // the separator is drawn above this 0-based line
  TTagBlockCondition* Rule = nullptr;
};

class TClientSyntAnalyzer : public TParserResults {
 public:
  TClientSyntAnalyzer(TSyntAnalyzer* Owner, IqxSyntClient* Document, TSourceProc SourceProc);
  ~TClientSyntAnalyzer() override;

  // ---- Ranges ---------------------------------------------------------------------------------
  int RangeCount() const { return fAllRanges.Count(); }
  TTextRange* Ranges(int Index) const { return fAllRanges.Items(Index); }
  const TSortedList<TTextRange>& AllRanges() const { return fAllRanges; }
  int OpenCount() const { return fOpenedRanges.Count(); }
  TTextRange* OpenedRanges(int Index) const { return fOpenedRanges.Items(Index); }
  const TSortedList<TTextRange>& OpenedRangeList() const { return fOpenedRanges; }
  // Index in AllRanges of the last range starting at or before Pos, else -1.
  int PriorRangeAt(int Pos) const { return fAllRanges.PriorAt(Pos); }
  // Number of Parent links above Range.
  static int RangeLevel(const TTextRange* Range);
  // First and last token of Range after OnGetCollapseRange; false when Range has no valid span.
  bool RangeTokenSpan(const TTextRange* Range, int& sIdx, int& eIdx) const;
  // Text offsets: the first token's start and, if closed, the last token's end, else the first
  // token's start again.
  int RangeStartPos(const TTextRange* Range) const;
  int RangeEndPos(const TTextRange* Range) const;

  const std::vector<TLineBreak>& LineBreaks() const { return fLineBreaks; }
  int BlockAnalPos() const { return fBlockAnalPos; }
  void SetBlockAnalPos(int Value) { fBlockAnalPos = Value; }

  // ---- Block-rule bookkeeping -----------------------------------------------------------------
  // The parent-block test: Parent is a rule's BlockName reference.
  bool HasOpened(TRuleCollectionItem* Rule, TTagBlockCondition* Parent, bool Strict) const;
  // Takes Range over (adds it to AllRanges and, while open, to the opened list).
  void AddRange(std::unique_ptr<TTextRange> Range);
  bool CloseRange(TTagBlockCondition* Rule, int RefIdx);
  void CloseRangesAtEnd(int FromIdx) override;
  void AddLineBreak(const TLineBreak& LineBreak) { fLineBreaks.push_back(LineBreak); }

  // ---- Range texts ----------------------------------------------------------------------------
  std::u16string GetCollapsedText(const TTextRange* Range) const;
  // The rule's AutoCloseText, each line prefixed with Indent, joined by CR LF (the final CR LF is
  // dropped when the result is longer than two characters).
  std::u16string GetAutoCloseText(const TTextRange* Range, std::u16string_view Indent) const;
  std::u16string FormatRangeText(std::u16string_view Format, const TTextRange* Range) const;

  // ---- Analysis -------------------------------------------------------------------------------
  // Tokenizes the whole text (nothing when finished). With ResetContent the results are cleared
  // first and block rules run right after every token.
  void Analyze(bool ResetContent);
  // Tokenizes until the tokens cover the 0-based Pos (or the end).
  virtual void AppendToPos(int Pos);
  // Separate block analysis: runs the block rules of the tokens not yet seen by them, for n from
  // BlockAnalPos + 1 up to UpTo (-1: every token). Tag detection already done after each token is
  // not repeated.
  void CatchUpBlockRules(int UpTo);
  void Clear() override;
  void Finish() override;
  bool ParentTest(TRuleCollectionItem* Rule) override;

  // The client's lock (held by a background pass for its whole run).
  void Lock() { fLock.lock(); }
  void Unlock() { fLock.unlock(); }
  std::mutex& Mutex() { return fLock; }

 protected:
  void BlockRulesAfterToken(std::u16string_view Text, TSyntAnalyzer* Current) override;
  // Every token exists but, with separate block analysis, block rules are pending. Without an
  // idle loop the catch-up pass runs at once, then Finish.
  virtual void TokensComplete();
  // Block rules run after every token whatever the lexer says (Analyze with ResetContent).
  bool fForceSyncBlocks = false;
  // Re-analysis support: drops what depends on tokens from Index k on (ranges opened by them are
  // freed, ranges closed by them reopen; separators and state history are cut).
  void DiscardFromToken(int k);

  TSortedList<TTextRange> fAllRanges{true};
  // Ranges not yet closed, sorted by StartPos. Change it only through OpenedAdd, OpenedRemove
  // and OpenedClear: they keep the per-rule counts of the non-strict parent test and the cached
  // innermost parent.
  TSortedList<TTextRange> fOpenedRanges{false};
  void OpenedAdd(TTextRange* Range);
  void OpenedRemove(int Index);
  void OpenedClear();
  void OpenedChanged() { fInnermostValid = false; }
  std::vector<TLineBreak> fLineBreaks;
  int fBlockAnalPos = 0;

 private:
  void CallOnCloseTextRange(TTextRange* Range);
  // The rule of the innermost open range that counts as a parent (not IgnoreAsParent), or null:
  // the strict parent test asks for it on most tokens, the opened list changes rarely.
  TTagBlockCondition* InnermostParentRule() const;
  mutable TTagBlockCondition* fInnermostRule = nullptr;
  mutable bool fInnermostValid = false;
  mutable int fInnermostCount = -1;
  mutable const TTextRange* fInnermostLast = nullptr;
  // How many entries of the opened list each rule has.
  std::vector<std::pair<const TTagBlockCondition*, int>> fOpenedPerRule;
  std::u16string LineModeText(int TokenIndex, bool FromLineStart) const;
  std::mutex fLock;
};

}  // namespace synt
