// What the editor reads of a document's analysis: token styles, styled ranges, line highlights,
// collapse states, collapsible ranges, staples, separators, active ranges and range texts, all in
// the coordinates of the current text. TClientSyntAnalyzer implements it; the editor sees nothing
// else of the analysis.
//
//   synt::ISyntDisplayQueries& q = *client;          // from the document binding
//   synt::TStyleEntries entries;
//   for (int pos = lineStart; pos < lineEnd;) {      // one visible line, left to right
//     entries.clear();
//     const int a = q.GetTokenStyleAt(pos, entries);
//     const int b = q.GetStyledRangesAt(pos, entries, /*WithDynamic=*/true);
//     int next = lineEnd;                            // -1: no change ahead
//     if (a > pos) next = std::min(next, a);
//     if (b > pos) next = std::min(next, b);
//     Paint(pos, next, entries);                     // merge the entries, draw [pos, next)
//     pos = next;
//   }
//   if (q.UpdateActiveRanges(caretPos)) Invalidate();   // the caret moved
//
// Validity. Everything these queries hand out belongs to the analysis and changes under it, so
// it is asked for again on every paint and never kept across a text change or a finished
// background pass:
// - "until the next change": until the text changes, the lexer changes (which clears the
//   analysis), or the document is bound to another lexer;
// - "until the next pass": besides, until the result of the next background pass is taken over
//   (which the document learns through IqxSyntClient::Finished);
// - a TSyntaxFormat* is a style of a lexer: it stays while that lexer and its style collection
//   are unchanged (changing them repaints every document).
// Values returned or appended by value (offsets, lines, states, colours, strings) are the
// caller's. All queries run on the GUI thread; none blocks on the background pass.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "analysis/display_ranges.h"
#include "analysis/syntax_token.h"
#include "analysis/text_range.h"
#include "platform/graphics.h"

namespace synt {

class TSyntAnalyzer;
class TSyntaxFormat;

class ISyntDisplayQueries {
 public:
  // ---- Tokens ---------------------------------------------------------------------------------
  // The tokens analysed so far, in current coordinates (NextAt gives the token containing or
  // following an offset). Until the next change or the next analysis step (the idle loop, or a
  // TryAppend of the document binding), which may append to it.
  virtual const TTokenList& Tokens() const = 0;
  // The style of token Index (its rule's style), or null.
  virtual TSyntaxFormat* TokenStyle(int Index) const = 0;
  // The next position at which token styling can change (-1: none known); appends the entry of
  // the token at Pos (also of a token kept from before a change and not yet re-analysed).
  virtual int GetTokenStyleAt(int Pos, TStyleEntries& Entries) = 0;
  // The lexer in effect at the 0-based Pos: the document's lexer, or a sub-lexer's inside its
  // region (line comments and templates at the caret). Valid while that lexer component lives.
  virtual TSyntAnalyzer* AnalyzerAtPos(int Pos) const = 0;

  // ---- Styled ranges and line highlights (until the next pass) --------------------------------
  // Appends the entries of the styled ranges at Pos, line highlights excluded; dynamic ones
  // (caret-dependent) only with WithDynamic and when shown, as Overlay entries. Returns the next
  // position at which that set can change, or -1.
  virtual int GetStyledRangesAt(int Pos, TStyleEntries& Entries, bool WithDynamic) = 0;
  // The whole-line highlight of Line: the variables keep their values when nothing applies.
  virtual void GetLineHighlight(int Line, bool WithDynamic, bool& Invert, TColor& FontColor,
                                TColor& BgColor) const = 0;

  // ---- Collapsing -----------------------------------------------------------------------------
  // -3 nothing, -2 inside a collapsible range, -1 a range ends here, 0 a range starts here.
  virtual int GetLineCollapseState(int Line) const = 0;
  // The text range that starts on Line and runs past it, or null. Until the next change.
  virtual TTextRange* GetCollapsibleAtLine(int Line) const = 0;
  // The innermost collapsible text range containing Pos, or null. Until the next change.
  virtual TTextRange* GetCollapsibleAt(int Pos) = 0;
  // The lines of a display range's bounds (a staple, a separator, a collapsible range).
  virtual void GetRangeLines(const TRange& Range, int& FirstLine, int& LastLine) const = 0;

  // ---- Staples and separators (until the next pass) -------------------------------------------
  // Appends the staples meeting Line. The painter may lay out their XPos; ResetStaplePositions
  // sets every one back to -1.
  virtual void GetStaplesAtLine(int Line, std::vector<TBlockStaple*>& List) = 0;
  // The same for the lines First..Last at once: each staple meeting any of them, in the order
  // GetStaplesAtLine gives each line's, once. A line's staples are those whose FirstMet..LastMet
  // holds it; a line written since the pass, which GetStaplesAtLine leaves bare, so gets the
  // staples running through the lines around it. One query per screen instead of one per line,
  // where thousands of open blocks meet every line.
  virtual void GetStaplesAtLines(int First, int Last, std::vector<TStapleAtLines>& List) = 0;
  virtual void ResetStaplePositions() = 0;
  // Counts the changes of what the staple and range queries describe (a text change, a finished
  // pass, a cleared analysis): what a painter derives from them holds while this is unchanged.
  virtual uint64_t DisplayGeneration() const = 0;
  // The separator drawn above Line, or null.
  virtual TLineBreakRange* GetLineSeparator(int Line) = 0;

  // ---- Active ranges --------------------------------------------------------------------------
  // Makes the text ranges whose dynamic highlight holds at the caret position Pos active; true
  // when that set changed (the editor repaints). The analysis applies the same caret again after
  // each pass.
  virtual bool UpdateActiveRanges(int Pos) = 0;
  // The active text ranges; until the next UpdateActiveRanges, change or pass.
  virtual const std::vector<TTextRange*>& ActiveRanges() const = 0;

  // ---- Text ranges (until the next change) ----------------------------------------------------
  // Every range in order of StartPos, and the ranges still open (offered for auto-closing).
  virtual int RangeCount() const = 0;
  virtual TTextRange* Ranges(int Index) const = 0;
  virtual int OpenCount() const = 0;
  virtual TTextRange* OpenedRanges(int Index) const = 0;
  // Index of the last range starting at or before Pos, else -1.
  virtual int PriorRangeAt(int Pos) const = 0;
  // The text offsets of a range's tokens: the first token's start and, if closed, the last
  // token's end, else the first token's start again (the lexer's OnGetCollapseRange may move
  // both tokens).
  virtual int RangeStartPos(const TTextRange* Range) const = 0;
  virtual int RangeEndPos(const TTextRange* Range) const = 0;
  // Number of Parent links above Range.
  static int RangeLevel(const TTextRange* Range);
  // The rule's collapse format applied to Range.
  virtual std::u16string GetCollapsedText(const TTextRange* Range) const = 0;
  // The rule's AutoCloseText, each line prefixed with Indent, joined by CR LF (the final CR LF is
  // dropped when the result is longer than two characters).
  virtual std::u16string GetAutoCloseText(const TTextRange* Range,
                                          std::u16string_view Indent) const = 0;

 protected:
  ~ISyntDisplayQueries() = default;
};

}  // namespace synt
