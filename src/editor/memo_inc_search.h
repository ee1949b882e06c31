// Incremental search: the user types the search text straight into the editor; each character
// extends it and moves the caret to the next match, shown as the one search mark. Started by
// cmIncrementalSearch (Ctrl+E), it ends with the first navigation key, a mouse press, the loss of
// the focus or a change of its settings.
//
//   synt::TMemoIncSearchPart& s = memo.IncSearchPart();
//   s.StartIncSearch();                 // from the caret
//   s.IncSearchText(u"pro");            // caret after the first "pro" at or after the caret
//   s.StopIncSearch();                  // the search mark stays (soKeepSearchMarks decides)
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "editor/memo_part.h"
#include "platform/shortcut.h"

namespace synt {

class TObject;

enum TIncSearchState { isStop, isStart, isStrChange };
using TIncSearchChangeEvent = std::function<void(TObject* Sender, TIncSearchState State)>;

// The offset of What in Text: forward, the first match starting at or after From; backward
// (Back), the last match starting at or before From. IgnoreCase compares the upper case of both
// sides. -1 when there is none (an empty What never matches). Reads Text in place.
int FindIncremental(std::u16string_view Text, std::u16string_view What, int From, bool Back,
                    bool IgnoreCase);

class TMemoIncSearchPart : public TMemoPart {
 public:
  static constexpr int kIncSearchOrder = 75;
  explicit TMemoIncSearchPart(TCustomSyntaxMemo& Memo);
  ~TMemoIncSearchPart() override;

  bool Active() const { return active_; }
  const std::u16string& SearchText() const { return text_; }
  // Fixed for the whole search (it follows edits made by others).
  int StartOffset() const { return start_; }

  // Published settings; changing either ends a search.
  bool IncSearchBack() const { return back_; }
  void SetIncSearchBack(bool Value);
  bool IncSearchIgnoreCase() const { return ignoreCase_; }
  void SetIncSearchIgnoreCase(bool Value);

  // Only with a window (which takes the focus). StartPos -1: the caret offset; else clamped to
  // the text (to 0 in an empty one).
  void StartIncSearch(int StartPos = -1);
  // Tries Text from the start offset: on a match it becomes the search text, the caret goes to
  // the match's end (its start when searching backward) and the match is the one search mark.
  // An empty Text clears the marks and puts the caret back at the start offset. False (nothing
  // changed) when there is no match or no search.
  bool IncSearchText(std::u16string_view Text);
  void StopIncSearch();
  // The search command again while searching: the next match after the current one (before it,
  // backward), wrapping at the end of the text; it becomes the new start offset.
  bool FindNext();

  // ---- Input while searching (the command part routes it here first)
  // True when the key was taken. Backspace shortens the search text; Esc and Enter end the search
  // and are taken; other keys up to Delete (arrows, page keys, Home, End, Tab, ...) end it and are
  // not taken, so that their command runs too.
  bool KeyDown(TShortCut Key);
  // A typed character extends the search text; true when taken.
  bool KeyPress(char16_t Ch);
  // Composed text extends the search text; true when taken.
  bool InputMethodCommit(std::u16string_view Text);
  // Before a command runs: the search's own command finds the next match (true: done); any other
  // ends the search.
  bool BeforeCommand(int Command);

  // ---- TMemoPart
  void TextChanged(int Pos, int Count, int LineChange) override;
  void DocumentChanged() override { StopIncSearch(); }

 private:
  // Shows the match of Length units at Match.
  void ShowMatch(int Match, int Length);
  void Changed(TIncSearchState State);

  bool active_ = false;
  bool back_ = false;
  bool ignoreCase_ = true;
  std::u16string text_;
  int start_ = 0;
  // The offset of the match shown (-1: none).
  int match_ = -1;
};

}  // namespace synt
