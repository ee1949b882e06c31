// The editor control: shows the lines of its own storage or of a shared text source, highlighted by
// a client analysis of its own or the text source's. The control holds the properties and routes
// every change to its parts (selection, user ranges, layout, painting), which hold the behaviour.
//
//   synt::THeadlessDesktop desktop;
//   synt::TSyntaxMemo memo(nullptr);
//   memo.SetSyntaxAnalyzer(&pascal);          // an analysis of its own
//   memo.Lines()->SetTextStr(u"begin end;");
//   synt::THeadlessHost host(desktop, memo, {640, 480});
//
//   synt::TSyntTextSource doc(nullptr);       // or a document shared with other editors,
//   memo.SetTextSource(&doc);                 // highlighted by the document's analysis
//   memo.SelText();                           // the selected text of doc
//
// Lifetimes: the control references, and is told when they are freed, its text source, lexer,
// UserStyles, key mapping and attached components; it drops each reference then and goes on
// working without it.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "analysis/display_queries.h"
#include "editor/key_mapping.h"
#include "editor/memo_caret.h"
#include "editor/memo_commands.h"
#include "editor/memo_editing.h"
#include "editor/memo_gutter.h"
#include "editor/memo_hints.h"
#include "editor/memo_hooks.h"
#include "editor/memo_inc_search.h"
#include "editor/memo_layout.h"
#include "editor/memo_options.h"
#include "editor/memo_paint.h"
#include "editor/memo_part.h"
#include "editor/memo_ruler.h"
#include "editor/memo_scroll.h"
#include "editor/memo_selection.h"
#include "editor/memo_settings.h"
#include "editor/memo_sync_edit.h"
#include "editor/user_ranges.h"
#include "platform/control.h"
#include "text/memo_strings.h"
#include "text/text_hooks.h"

namespace synt {

class TClientSyntAnalyzer;
class TMemoDocument;
class TSyntAnalyzer;
class TSyntStyles;
class TSyntTextSource;
struct TBlockStaple;

// ---- Events ----------------------------------------------------------------------------------
using TLineDrawEvent = std::function<void(TObject* Sender, const TRect& Rect, int Line)>;
using TDrawTokenEvent =
    std::function<void(TObject* Sender, const TRect& Rect, TPoint TextPos, int CharCount)>;
using TLineHighLightEvent = std::function<void(TObject* Sender, int Line, bool& Selected,
                                               TColor& bgColor, TColor& frColor)>;
using TGetLineStyleEvent = std::function<void(TObject* Sender, int Line, TSyntaxFormat*& Style)>;
using TGetStyleEntryEvent =
    std::function<void(TObject* Sender, int CurPos, TStyleEntries& StyleList, int& NextPos)>;
using TBeforeDrawStapleEvent =
    std::function<void(TObject* Sender, TCanvas* Canvas, TBlockStaple* Staple, int Level)>;

class TCustomSyntaxMemo : public TCustomControl, public IqxSyntClient, public ISyntMemoTextHook {
  SYNT_CLASS_INFO()

 public:
  explicit TCustomSyntaxMemo(TComponent* Owner);
  ~TCustomSyntaxMemo() override;

  // ---- Document binding ----------------------------------------------------------------------
  // The text source's lines when one is attached, else the own storage.
  TSyntMemoStrings* Lines() const;
  // Replaces the text of Lines by Value's lines; the undo history no longer fits and is cleared.
  void SetLines(const TStrings* Value);
  std::u16string Text() const;
  void SetText(std::u16string_view Value);
  TSyntTextSource* TextSource() const;
  void SetTextSource(TSyntTextSource* Value);
  // The lexer of the own analysis, or none.
  TSyntAnalyzer* SyntaxAnalyzer() const;
  void SetSyntaxAnalyzer(TSyntAnalyzer* Value);
  // The analysis in use: the text source's when one is attached (even if it has none), else the
  // own one. Null without analysis.
  TClientSyntAnalyzer* SyntClient() const;
  ISyntDisplayQueries* Analysis() const;
  // The lexer of the analysis in use.
  TSyntAnalyzer* CurrentLexer() const;
  // True while the control re-reads a newly bound text (text-changed calls with Pos -1).
  bool IsRebinding() const;

  TSyntKeyMapping* KeyMapping() const { return keyMapping_; }
  void SetKeyMapping(TSyntKeyMapping* Value);
  // The mapping keys go through: KeyMapping, or the shared default one without it.
  TSyntKeyMapping& ActiveKeyMapping() const {
    return keyMapping_ ? *keyMapping_ : DefaultKeyMapping();
  }
  TKeyQueue* KeyQueue() const { return keyQueue_.get(); }

  // Components that attached themselves (popups, exporters, ...): told of format changes and
  // finished passes; dropped when freed.
  void AddPlugin(TComponent* Plugin);
  void RemovePlugin(TComponent* Plugin);
  int PluginCount() const { return int(plugins_.size()); }
  TComponent* Plugins(int Index) const { return plugins_.at(size_t(Index)); }

  bool ReadOnly() const;
  void SetReadOnly(bool Value);
  bool Modified() const;
  void SetModified(bool Value);
  int UndoLimit() const { return undoLimit_; }
  void SetUndoLimit(int Value);
  TSaveStateOptions SaveState() const { return saveState_; }
  void SetSaveState(TSaveStateOptions Value) { saveState_ = Value; }

  // ---- Selection -----------------------------------------------------------------------------
  TMemoSelection& Selection() { return selection_; }
  const TMemoSelection& Selection() const { return selection_; }
  std::u16string SelText() const { return selection_.SelText(); }

  // ---- Character cells -----------------------------------------------------------------------
  TMonoFontMode MonoFontMode() const { return monoFontMode_; }
  void SetMonoFontMode(TMonoFontMode Value);
  // Text is laid out in character cells of CharCell's size (decided by UpdateFixedPitch).
  bool FixedPitch() const;
  TSize CharCell() const;
  // Decides whether the control works in character cells (the rules: TMemoDocument).
  void UpdateFixedPitch();
  // The default character cell (average width and height of the lexer's default font, else of
  // Font), zoomed. Raises Exception "Internal error: DefTextExt.cx = 0" when it has no width.
  TSize DefTextExt();
  // For measuring outside a paint: the host's measuring canvas, or an internal one of default
  // cells while the control has no host.
  virtual TCanvas& MeasureCanvas();

  // ---- Styles and settings -------------------------------------------------------------------
  TColor Color() const { return color_; }
  void SetColor(TColor Value);
  TFont* Font() const { return font_.get(); }
  void SetFont(const TFont* Value) { font_->Assign(Value); }
  TFontCharset Charset() const { return charset_; }
  void SetCharset(TFontCharset Value);
  TCharCase CharCase() const { return charCase_; }
  void SetCharCase(TCharCase Value);
  TSyntaxMemoOptions Options() const { return options_; }
  void SetOptions(TSyntaxMemoOptions Value);
  TSyntaxMemoOptionsEx OptionsEx() const { return optionsEx_; }
  void SetOptionsEx(TSyntaxMemoOptionsEx Value);
  TSyntStyles* UserStyles() const { return userStyles_; }
  void SetUserStyles(TSyntStyles* Value);
  TDefaultStyles* DefaultStyles() const { return defaultStyles_.get(); }
  void SetDefaultStyles(const TDefaultStyles* Value) { defaultStyles_->Assign(Value); }
  TNonPrinted* NonPrinted() const { return nonPrinted_.get(); }
  void SetNonPrinted(const TNonPrinted* Value) { nonPrinted_->Assign(Value); }
  TTabList* TabList() const { return tabList_.get(); }
  void SetTabList(const TTabList* Value) { tabList_->Assign(Value); }
  TqxBackGround* BackGround() const { return backGround_.get(); }
  void SetBackGround(const TqxBackGround* Value) { backGround_->Assign(Value); }
  TUserRanges* UserRanges() const { return userRanges_.get(); }
  void SetUserRanges(const TUserRanges* Value) { userRanges_->Assign(Value); }
  // The lexer's own selection, search-mark, current-line and collapse-mark styles when it defines
  // them, else the default styles.
  TSyntaxFormat* SelectionStyle() const;
  TSyntaxFormat* SearchMarkStyle() const;
  TSyntaxFormat* CurrentLineStyle() const;
  TSyntaxFormat* CollapseMarkStyle() const;
  // A style by name: UserStyles first, then the lexer in use.
  TSyntaxFormat* FindStyle(std::u16string_view Name) const;

  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool Value);
  bool DisableFolding() const { return disableFolding_; }
  void SetDisableFolding(bool Value);
  int CollapseLevel() const { return collapseLevel_; }
  void SetCollapseLevel(int Value);
  TCollapseStyle CollapseStyle() const { return collapseStyle_; }
  void SetCollapseStyle(TCollapseStyle Value);
  TColor CollapseBreakColor() const { return collapseBreakColor_; }
  void SetCollapseBreakColor(TColor Value);
  int LineSpacing() const { return lineSpacing_; }
  void SetLineSpacing(int Value);
  int LineSpacingBefore() const { return lineSpacingBefore_; }
  void SetLineSpacingBefore(int Value);
  int LineSpacingAfter() const { return lineSpacingAfter_; }
  void SetLineSpacingAfter(int Value);
  // Percent; kept within [kMinZoom, kMaxZoom].
  static constexpr int kMinZoom = 10;
  static constexpr int kMaxZoom = 1000;
  int Zoom() const { return zoom_; }
  void SetZoom(int Value);
  int TextMargin() const { return textMargin_; }
  void SetTextMargin(int Value);
  TPen* StaplePen() const { return staplePen_.get(); }
  void SetStaplePen(const TPen* Value) { staplePen_->Assign(Value); }
  int StapleOffset() const { return stapleOffset_; }
  void SetStapleOffset(int Value);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool Value);
  bool DoubleBuffered() const { return doubleBuffered_; }
  void SetDoubleBuffered(bool Value);
  bool MultiLine() const { return multiLine_; }
  void SetMultiLine(bool Value);
  TSyntMemoPrintOptions PrintOptions() const { return printOptions_; }
  void SetPrintOptions(TSyntMemoPrintOptions Value) { printOptions_ = Value; }
  bool ReplaceMode() const { return replaceMode_; }
  // The caret shows the mode (Insert or Overwrite shape).
  void SetReplaceMode(bool Value) {
    if (Value == replaceMode_) return;
    replaceMode_ = Value;
    caretPart_.UpdateCaret();
  }
  TTabMode TabMode() const { return tabMode_; }
  void SetTabMode(TTabMode Value) { tabMode_ = Value; }
  TScrollStyle ScrollBars() const { return scrollBars_; }
  void SetScrollBars(TScrollStyle Value) {
    if (Value == scrollBars_) return;
    scrollBars_ = Value;
    SettingsChanged();
  }
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor Value);

  // From another editor: the settings listed in the .cpp, and a new own analysis of its lexer.
  void Assign(const TPersistent* Source) override;

  // ---- IqxSyntClient and the text hook ---------------------------------------------------------
  // The analysis in use changed its results: re-decide fixed pitch, relayout, repaint.
  void FormatChanged() override;
  // The analysis in use finished a pass.
  void Finished() override;
  // A change of the text source's lines (the own lines report the same way).
  void TextChanged(TObject* Sender, int Pos, int Count, int LineChange) override;

  // ---- Events ----------------------------------------------------------------------------------
  TNotifyEvent OnModifiedChanged;
  TNotifyEvent OnFinishAnalysis;
  TNotifyEvent OnChange;
  TTextChangedEvent OnTextChanged;
  TNotifyEvent OnCollapsedChanged;
  TLineDrawEvent OnBeforeLineDraw;
  TLineDrawEvent OnAfterLineDraw;
  TDrawTokenEvent OnDrawToken;
  TLineHighLightEvent OnLineHighLight;
  TGetLineStyleEvent OnGetLineStyle;
  TGetStyleEntryEvent OnGetStyleEntry;
  TBeforeDrawStapleEvent OnBeforeDrawStaple;

  // ---- Control -------------------------------------------------------------------------------
  // The client area right of the gutter and the text margin strip, where lines are drawn.
  TRect TextArea() const;
  void Resize() override;
  // Input from the host: keys and characters go to the command part, the mouse and drags to the
  // mouse part, focus to the caret part.
  bool KeyDown(TShortCut Key) override;
  bool KeyUp(TShortCut Key) override;
  bool KeyPress(char16_t Ch) override;
  void InputMethodPreedit(const TPreedit& Preedit) override;
  void InputMethodCommit(const std::u16string& Text) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y, int ClickCount) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void CaptureLost() override;
  void FocusIn() override;
  void FocusOut() override;
  TDropEffect DragEnter(const TClipboardData& Data, TShiftState Shift, int X, int Y,
                        TDropEffects Allowed) override;
  TDropEffect DragOver(TShiftState Shift, int X, int Y, TDropEffects Allowed) override;
  void DragLeave() override;
  TDropEffect Drop(const TClipboardData& Data, TShiftState Shift, int X, int Y,
                   TDropEffects Allowed) override;

 protected:
  void Notification(TComponent* Component, TOperation Operation) override;
  void HostChanged() override;

 private:
  friend class TMemoPart;
  friend class TMemoDocument;
  void AddPart(TMemoPart* Part);
  void RemovePart(TMemoPart* Part);
  // Tells every part, in order; nothing while the control is being destroyed. A part may not add
  // or remove parts while being told; the copy keeps the walk safe anyway.
  template <class F>
  void ForParts(F&& f) {
    if (IsDestroying()) return;
    std::vector<TMemoPart*> parts = parts_;
    for (TMemoPart* p : parts) f(*p);
  }

  void DoTextChanged(int Pos, int Count, int LineChange);
  void ModifiedChanged();
  void FontChanged();
  void SettingsChanged();
  void LayoutChanged();
  void DocumentChanged();

  // Parts are told in ascending Order; declared first so that it outlives every part member.
  std::vector<TMemoPart*> parts_;

  std::unique_ptr<TMemoDocument> document_;
  TSyntKeyMapping* keyMapping_ = nullptr;
  std::unique_ptr<TKeyQueue> keyQueue_;
  std::vector<TComponent*> plugins_;
  TSyntStyles* userStyles_ = nullptr;
  bool readOnly_ = false;
  int undoLimit_ = 1000;
  TSaveStateOptions saveState_;

  TMemoSelection selection_{*this};

  TMonoFontMode monoFontMode_ = mfVariable;

  TColor color_ = clWindow;
  std::unique_ptr<TFont> font_;
  TFontCharset charset_ = DEFAULT_CHARSET;
  TCharCase charCase_ = ecNormal;
  TSyntaxMemoOptions options_ = DefaultMemoOptions;
  TSyntaxMemoOptionsEx optionsEx_ = DefaultMemoOptionsEx;
  std::unique_ptr<TDefaultStyles> defaultStyles_;
  std::unique_ptr<TNonPrinted> nonPrinted_;
  std::unique_ptr<TTabList> tabList_;
  std::unique_ptr<TqxBackGround> backGround_;
  std::unique_ptr<TUserRanges> userRanges_;
  std::unique_ptr<TPen> staplePen_;
  bool wordWrap_ = false;
  bool disableFolding_ = false;
  int collapseLevel_ = -1;
  TCollapseStyle collapseStyle_ = csRegionName;
  TColor collapseBreakColor_ = clSilver;
  int lineSpacing_ = 1;
  int lineSpacingBefore_ = 0;
  int lineSpacingAfter_ = 0;
  int zoom_ = 100;
  int textMargin_ = 2;
  int stapleOffset_ = 2;
  bool transparent_ = false;
  bool doubleBuffered_ = false;
  bool multiLine_ = true;
  TSyntMemoPrintOptions printOptions_;
  bool replaceMode_ = false;
  TTabMode tabMode_ = tmSpaces;
  TScrollStyle scrollBars_ = ssBoth;
  TCursor cursor_ = crIBeam;

 public:
  // ---- Layout and collapsing
  // Collapsed blocks, line states, per-line layouts with word wrap, the display-line map and the
  // top display line; the behaviour lives in TMemoLayoutPart (memo_layout.h).
  TMemoLayoutPart& LayoutPart() { return layoutPart_; }
  TCollapsedRanges* CollapsedRanges() { return &layoutPart_.Collapsed(); }
  int GetLineState(int Line) const { return layoutPart_.GetLineState(Line); }
  bool ToggleCollapse(int Line) { return layoutPart_.ToggleCollapse(Line); }
  void ToggleCollapseNested(int Line) { layoutPart_.ToggleCollapseNested(Line); }
  void CollapseNearest(int Line) { layoutPart_.CollapseNearest(Line); }
  // (0, -1): the whole text.
  void CollapseAll(int From = 0, int To = -1) { layoutPart_.CollapseAll(From, To); }
  void ExpandAll(int From = 0, int To = -1) { layoutPart_.ExpandAll(From, To); }
  void CollapseSelection(int Start, int End) { layoutPart_.CollapseSelection(Start, End); }
  void ExpandLines(int First, int Last) { layoutPart_.ExpandLines(First, Last); }
  bool LineVisible(int Line) const { return layoutPart_.LineVisible(Line); }
  TLineInfo& GetLineInfo(int Line) { return layoutPart_.Layout().GetLineInfo(Line); }
  void InvalidateLineInfos(int First, int Last, bool Free) {
    layoutPart_.Layout().InvalidateLineInfos(First, Last, Free);
  }
  int DisplayLineCount() { return layoutPart_.Layout().DisplayLineCount(); }
  int DisplayIndex(int Line, int Row = 0) { return layoutPart_.Layout().DisplayIndex(Line, Row); }
  TDisplayPos DisplayToLine(int Index) { return layoutPart_.Layout().DisplayToLine(Index); }
  int NextVisibleLine(int Line) const { return layoutPart_.Layout().NextVisibleLine(Line); }
  int PriorVisibleLine(int Line) const { return layoutPart_.Layout().PriorVisibleLine(Line); }
  int TopDisplayLine() { return layoutPart_.Layout().TopDisplayLine(); }
  void SetTopDisplayLine(int Index) { layoutPart_.Layout().SetTopDisplayLine(Index); }
  std::function<void(TObject* Sender, TLineInfo& LineInfo, int Line)> OnAfterCalcLineInfo;

 private:
  // Last member: built after everything it reads, gone before it.
  TMemoLayoutPart layoutPart_{*this};
  // ---- Layout and collapsing (end)

 public:
  // ---- Scrolling
  // The scroll position, the scroll bars and the requests that move the view; the behaviour
  // lives in TMemoScrollPart (memo_scroll.h).
  TMemoScrollPart& ScrollPart() { return scrollPart_; }
  int TopLine() { return scrollPart_.TopLine(); }
  void SetTopLine(int Line) { scrollPart_.SetTopLine(Line); }
  int LeftCol() const { return scrollPart_.LeftCol(); }
  void SetLeftCol(int Col) { scrollPart_.SetLeftCol(Col); }
  int VisibleLines() { return scrollPart_.VisibleLines(); }
  int VisibleCols() { return scrollPart_.VisibleCols(); }
  void Scroll(TScrollBarKind Kind, TScrollCode Code, int Position) override {
    scrollPart_.Scroll(Kind, Code, Position);
  }
  bool MouseWheel(TShiftState Shift, int Delta, int X, int Y, bool Horizontal) override;
  // Tells the parts that collapsing changed the display lines.
  void DisplayLinesChanged();
  TNotifyEvent OnScroll;

 private:
  TMemoScrollPart scrollPart_{*this};
  // ---- Scrolling (end)

 public:
  // ---- Painting
  // The window paint, style collection, measuring and hit-testing; the behaviour lives in
  // TMemoPaintPart (memo_paint.h) and the line painter (line_painter.h).
  TMemoPaintPart& PaintPart() { return paintPart_; }
  void Paint(TCanvas& Canvas, const TRect& UpdateRect) override;
  // Every style covering Pos from the sources Sources selects (ss* bits of style_merge.h), plus
  // the style hooks of attached components and the text source; with WithLineStyles also the
  // current-line and OnGetLineStyle styles over Pos's line. Returns the next offset at which any
  // of them changes.
  virtual int CollectStyleEntries(int Pos, TStyleEntries& Entries, bool WithLineStyles,
                                  unsigned Sources);
  // A descendant may paint the background of an end-of-line or below-text rectangle itself (Line
  // -1 below the text); true suppresses the fill.
  virtual bool DrawCustomBackground(TCanvas& Canvas, const TRect& Rect, int Line);
  // One block staple: the rule's own pen or StaplePen, OnBeforeDrawStaple, a vertical line with
  // 10-pixel ticks where the block starts and ends.
  virtual void DrawStaple(TCanvas& Canvas, int X, TBlockStaple* Staple, int Level, bool EndsHere,
                          bool StartsHere, int Bottom, int Top);
  // A marker at the bottom of a text line: a small red triangle.
  virtual void DrawMarker(TCanvas& Canvas, int X, int Y);
  TRangeList<TRange>* SearchMarks() { return &paintPart_.SearchMarks(); }

 private:
  // After the layout part, which it measures for.
  TMemoPaintPart paintPart_{*this};
  // ---- Painting (end)

 public:
  // ---- Caret and selection
  // Where the caret stands, the selection operations, coordinates, scrolling to the caret, the
  // caret's shape; the behaviour lives in TMemoCaretPart (memo_caret.h).
  TMemoCaretPart& CaretPart() { return caretPart_; }
  TPoint CaretPos() const { return caretPart_.CaretPos(); }
  void SetCaretPos(TPoint P) { caretPart_.SetCaretPos(P); }
  int CaretStrPos() const { return caretPart_.CaretStrPos(); }
  void SetCaretStrPos(int Pos) { caretPart_.SetCaretStrPos(Pos); }
  int SelStart() const { return selection_.SelStart(); }
  int SelLength() const { return selection_.SelLength(); }
  TSyntSelectionMode SelectionMode() const { return selection_.SelectionMode(); }
  void SetSelectionMode(TSyntSelectionMode Mode) { caretPart_.SetSelectionMode(Mode); }
  void SetSelection(int Start, int Length, bool Repaint = true) {
    caretPart_.SetSelection(Start, Length, Repaint);
  }
  void SelectRange(int Start, int Length, bool KeepCaret = false) {
    caretPart_.SelectRange(Start, Length, KeepCaret);
  }
  void SelectLines(int Start, int Length, bool Repaint = true) {
    caretPart_.SelectLines(Start, Length, Repaint);
  }
  void SelectLine(int Line) { caretPart_.SelectLine(Line); }
  void SelectWord() { caretPart_.SelectWord(); }
  void ResetSelection() { caretPart_.ResetSelection(); }
  bool HaveSelection() const { return caretPart_.HaveSelection(); }
  int CaretPosToStrPos(TPoint P) const { return selection_.CaretPosToStrPos(P); }
  TPoint StrPosToCaretPos(int Pos) const { return selection_.StrPosToCaretPos(Pos); }
  void ScrollToCaret(int Horz = 1, int Vert = 1) { caretPart_.ScrollToCaret(Horz, Vert); }
  TqxCaret* Caret() const { return caretPart_.Caret(); }
  void SetCaret(const TqxCaret* Value) { caretPart_.SetCaret(Value); }
  TNotifyEvent OnCaretPosChanged;
  TNotifyEvent OnSelectionChanged;
  TGetMouseSelModeEvent OnGetMouseSelMode;
  // Word characters beyond the lexer's word set: a handler may set IsWord.
  std::function<void(TObject* Sender, char16_t C, bool& IsWord)> OnCheckChar;

 private:
  TMemoCaretPart caretPart_{*this};
  // ---- Caret and selection (end)

 public:
  // ---- Editing
  // Every change of the text by the editor; the behaviour lives in TMemoEditPart (memo_editing.h).
  TMemoEditPart& EditPart() { return editPart_; }
  void BeginUpdate() { editPart_.BeginUpdate(); }
  void EndUpdate() { editPart_.EndUpdate(); }
  void InsertText(std::u16string_view S) { editPart_.InsertText(S); }
  void DeleteChars(int Count) { editPart_.DeleteChars(Count); }
  bool ReplaceText(int Offset, int Length, std::u16string_view S) {
    return editPart_.ReplaceText(Offset, Length, S);
  }
  void ClearSelection() { editPart_.ClearSelection(); }
  void CopyToClipboard() { editPart_.CopyToClipboard(); }
  void CutToClipboard() { editPart_.CutToClipboard(); }
  void PasteFromClipboard() { editPart_.PasteFromClipboard(); }
  void SelectAll() { editPart_.SelectAll(); }
  void Undo() { editPart_.Undo(); }
  void Redo() { editPart_.Redo(); }
  bool CanUndo() const { return editPart_.CanUndo(); }
  bool CanRedo() const { return editPart_.CanRedo(); }
  void ClearUndo() { editPart_.ClearUndo(); }
  int BlockIndent() const { return blockIndent_; }
  void SetBlockIndent(int Value) { blockIndent_ = Value; }
  TCanInsertEvent OnCanInsert;
  TCanDeleteEvent OnCanDelete;
  TBeforeInsertEvent OnBeforeInsert;
  TBeforeDeleteEvent OnBeforeDelete;
  TAfterInsertChar OnInsertChar;

 private:
  int blockIndent_ = 2;
  TMemoEditPart editPart_{*this};
  // ---- Editing (end)

 public:
  // ---- Commands and keyboard
  // ExecuteCommand with its hooks, the enabled states, keys, the marker stack and the edit-control
  // messages; the behaviour lives in TMemoCommandPart (memo_commands.h).
  TMemoCommandPart& CommandPart() { return commandPart_; }
  virtual void ExecuteCommand(int Command, void* Data) {
    commandPart_.ExecuteCommand(Command, Data);
  }
  virtual bool IsCommandEnabled(int Command, void* Data) {
    return commandPart_.IsCommandEnabled(Command, Data);
  }
  intptr_t Perform(unsigned Msg, uintptr_t WParam, intptr_t LParam) {
    return commandPart_.Perform(Msg, WParam, LParam);
  }
  TExecuteCommandEvent OnExecuteCommand;
  TExecuteCommandEvent OnEnableCommand;
  // Runs first on a key down; clearing Key ends all further handling.
  std::function<void(TObject* Sender, TShortCut& Key)> OnKeyDown;

 private:
  TMemoCommandPart commandPart_{*this};
  // ---- Commands and keyboard (end)

 public:
  // ---- Mouse
  TMemoMousePart& MousePart() { return mousePart_; }
  bool DragTypeOLE() const { return dragTypeOLE_; }
  void SetDragTypeOLE(bool Value) { dragTypeOLE_ = Value; }
  // Whether a drag of text from Source may drop here (OnDragOver may change Accept).
  std::function<void(TObject* Sender, TObject* Source, int X, int Y, bool& Accept)> OnDragOver;

 private:
  bool dragTypeOLE_ = false;
  TMemoMousePart mousePart_{*this};
  // ---- Mouse (end)

 public:
  // ---- Gutter
  // Line numbers, line states, gutter objects, bookmarks, fold buttons and the jump animation;
  // the behaviour lives in TMemoGutterPart (memo_gutter.h).
  TMemoGutterPart& GutterPart() { return gutterPart_; }
  TGutter* Gutter() const { return gutterPart_.Gutter(); }
  void SetGutter(const TGutter* Value) { gutterPart_.Gutter()->Assign(Value); }
  TLineNumbers* LineNumbers() const { return gutterPart_.LineNumbers(); }
  void SetLineNumbers(const TLineNumbers* Value) { gutterPart_.LineNumbers()->Assign(Value); }
  TLineStateDisplay* LineStateDisplay() const { return gutterPart_.LineStateDisplay(); }
  void SetLineStateDisplay(const TLineStateDisplay* Value) {
    gutterPart_.LineStateDisplay()->Assign(Value);
  }
  TSyntAnimation* Animation() const { return gutterPart_.Animation(); }
  void SetAnimation(const TSyntAnimation* Value) { gutterPart_.Animation()->Assign(Value); }
  TBookmarks* Bookmarks() const { return gutterPart_.Bookmarks(); }
  // Offset -1 deletes the bookmark.
  void SetBookmark(int Number, int Offset) { gutterPart_.SetBookmark(Number, Offset); }
  int GetBookmark(int Number) const { return gutterPart_.GetBookmark(Number); }
  void GotoBookmark(int Number) { gutterPart_.GotoBookmark(Number); }
  void ToggleBookmark(int Number) { gutterPart_.ToggleBookmark(Number); }
  void ClearBookmarks() { gutterPart_.ClearBookmarks(); }
  std::function<void(TObject* Snder, int Bookmark, bool& Accept)> OnSetBookmark;
  std::function<void(TObject* Sender, int Bookmark, bool& AllowDelete)> OnDeleteBookmark;
  std::function<void(TObject* Sender, int Line, TGutterLineObjects& List)> OnGetGutterImage;
  std::function<void(TObject* Sender, int Line, std::u16string& NumberStr)> OnGetLineNumberStr;
  std::function<void(TObject* Sender, int Line, TMouseButton Buton, TShiftState Shift, TPoint XY)>
      OnGutterClick;
  // Draws an atCustom animation frame centred at Pt.
  std::function<void(TObject* Sender, TPoint Pt, int Size)> OnAnimate;

 private:
  friend class TMemoGutterPart;
  TMemoGutterPart gutterPart_{*this};
  // ---- Gutter (end)

 public:
  // ---- Ruler and text margins
  // The column ruler above the text area and the text margins; the behaviour lives in
  // TMemoRulerPart (memo_ruler.h).
  TMemoRulerPart& RulerPart() { return rulerPart_; }
  TqxHorzRuler* HorzRuler() const { return rulerPart_.HorzRuler(); }
  void SetHorzRuler(const TqxHorzRuler* Value) { rulerPart_.HorzRuler()->Assign(Value); }
  TqxTextMargins* TextMargins() const { return rulerPart_.TextMargins(); }
  void SetTextMargins(const TqxTextMargins* Value) { rulerPart_.TextMargins()->Assign(Value); }
  // Shortcuts onto the first text margin (0 / false / clNone without margins; setting one adds
  // the margin then). The right margin is the column word wrap breaks at with soBreakOnRightMargin.
  int RightMargin() const;
  void SetRightMargin(int Value);
  bool ShowRightMargin() const;
  void SetShowRightMargin(bool Value);
  TColor RightMarginColor() const;
  void SetRightMarginColor(TColor Value);
  TDragMarginEvent OnDragTextMargin;

 private:
  friend class TMemoRulerPart;
  TMemoRulerPart rulerPart_{*this};
  // ---- Ruler and text margins (end)

 public:
  // ---- Hints
  // The editor's own hint window: previews of collapsed blocks, gutter-object, margin and token
  // hints; the behaviour lives in TMemoHintPart (memo_hints.h).
  TMemoHintPart& HintPart() { return hintPart_; }
  THintProps* HintProps() const { return hintPart_.Props(); }
  void SetHintProps(const THintProps* Value) { hintPart_.Props()->Assign(Value); }
  void HideHint() { hintPart_.HideHint(); }
  void MouseLeave() override { hintPart_.HideHint(); }
  TGetTokenHintEvent OnGetTokenHint;

 private:
  TMemoHintPart hintPart_{*this};
  // ---- Hints (end)

 public:
  // ---- Incremental search
  // Typing the search text into the editor; the behaviour lives in TMemoIncSearchPart
  // (memo_inc_search.h).
  TMemoIncSearchPart& IncSearchPart() { return incSearchPart_; }
  bool IncSearchBack() const { return incSearchPart_.IncSearchBack(); }
  void SetIncSearchBack(bool Value) { incSearchPart_.SetIncSearchBack(Value); }
  bool IncSearchIgnoreCase() const { return incSearchPart_.IncSearchIgnoreCase(); }
  void SetIncSearchIgnoreCase(bool Value) { incSearchPart_.SetIncSearchIgnoreCase(Value); }
  void StartIncSearch(int StartPos = -1) { incSearchPart_.StartIncSearch(StartPos); }
  bool IncSearchText(std::u16string_view Text) { return incSearchPart_.IncSearchText(Text); }
  void StopIncSearch() { incSearchPart_.StopIncSearch(); }
  TIncSearchChangeEvent OnIncSearchChange;

 private:
  TMemoIncSearchPart incSearchPart_{*this};
  // ---- Incremental search (end)

 public:
  // ---- Synchronous editing
  // Word groups edited together inside sync ranges; the behaviour lives in TMemoSyncEditPart
  // (memo_sync_edit.h) and the model in TSyntSyncEdit (sync_edit.h).
  TMemoSyncEditPart& SyncEditPart() { return syncEditPart_; }
  TSyntSyncEdit* SyncEditing() const { return syncEditPart_.SyncEditing(); }
  void SetSyncEditing(const TSyntSyncEdit* Value) { syncEditPart_.SyncEditing()->Assign(Value); }
  TCanSyncEditEvent OnCanSyncEdit;

 private:
  // After the edit part, whose seam it fills.
  TMemoSyncEditPart syncEditPart_{*this};
  // ---- Synchronous editing (end)
};

// The published editor.
class TSyntaxMemo : public TCustomSyntaxMemo {
  SYNT_CLASS_INFO()

 public:
  explicit TSyntaxMemo(TComponent* Owner) : TCustomSyntaxMemo(Owner) {}
};

}  // namespace synt
