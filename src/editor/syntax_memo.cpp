#include "editor/syntax_memo.h"

#include <algorithm>
#include <cmath>

#include "analysis/client_analyzer.h"
#include "analysis/lexer_library.h"
#include "analysis/synt_text_source.h"
#include "analysis/syntax_analyzer.h"
#include "editor/memo_document.h"
#include "platform/control_host.h"
#include "text/memo_strings.h"

namespace synt {

// ---- Parts ------------------------------------------------------------------------------------

TMemoPart::TMemoPart(TCustomSyntaxMemo& Memo, int Order) : memo_(Memo), order_(Order) {
  memo_.AddPart(this);
}

TMemoPart::~TMemoPart() {
  memo_.RemovePart(this);
}

void TMemoPart::TellCaretPosChanged() {
  memo_.ForParts([](TMemoPart& p) { p.CaretPosChanged(); });
}

void TCustomSyntaxMemo::AddPart(TMemoPart* Part) {
  auto at = std::upper_bound(parts_.begin(), parts_.end(), Part,
                             [](TMemoPart* a, TMemoPart* b) { return a->Order() < b->Order(); });
  parts_.insert(at, Part);
}

void TCustomSyntaxMemo::RemovePart(TMemoPart* Part) {
  parts_.erase(std::remove(parts_.begin(), parts_.end(), Part), parts_.end());
}

// ---- Construction -----------------------------------------------------------------------------

TCustomSyntaxMemo::TCustomSyntaxMemo(TComponent* Owner)
    : TCustomControl(Owner),
      document_(std::make_unique<TMemoDocument>(*this)),
      keyQueue_(std::make_unique<TKeyQueue>()),
      font_(std::make_unique<TFont>()),
      defaultStyles_(std::make_unique<TDefaultStyles>()),
      nonPrinted_(std::make_unique<TNonPrinted>()),
      tabList_(std::make_unique<TTabList>()),
      backGround_(std::make_unique<TqxBackGround>()),
      userRanges_(std::make_unique<TUserRanges>(
          this, [this] { return Lines(); },
          [this](std::u16string_view Name) { return FindStyle(Name); })),
      staplePen_(std::make_unique<TPen>()) {
  document_->OwnLines()->SetUndoLimit(undoLimit_);
  font_->SetName(u"Courier New");
  font_->SetSize(10);
  font_->OnChange = [this](TObject*) { FontChanged(); };
  staplePen_->SetColor(clGray);
  staplePen_->OnChange = [this](TObject*) { SettingsChanged(); };
  defaultStyles_->OnChange = [this](TObject*) { SettingsChanged(); };
  nonPrinted_->OnChange = [this](TObject*) { SettingsChanged(); };
  backGround_->OnChange = [this](TObject*) { SettingsChanged(); };
  tabList_->OnChange = [this](TObject*) { LayoutChanged(); };
  userRanges_->OnChange = [this](TUserRange*, bool FoldingChanged) {
    if (FoldingChanged)
      DocumentChanged();
    else
      SettingsChanged();
  };
}

TCustomSyntaxMemo::~TCustomSyntaxMemo() {
  Destroying();
  // Let go of everything that refers back to this control before any of its parts is freed.
  document_->Release();
  // The links to attached components stay: the component base tells them that this control is
  // going, so that they drop their references to it.
  plugins_.clear();
  if (userStyles_) RemoveFreeNotification(userStyles_);
  userStyles_ = nullptr;
  if (keyMapping_) RemoveFreeNotification(keyMapping_);
  keyMapping_ = nullptr;
  font_->OnChange = nullptr;
  staplePen_->OnChange = nullptr;
  defaultStyles_->OnChange = nullptr;
  nonPrinted_->OnChange = nullptr;
  backGround_->OnChange = nullptr;
  tabList_->OnChange = nullptr;
  userRanges_->OnChange = nullptr;
}

// ---- Document binding -------------------------------------------------------------------------

TSyntMemoStrings* TCustomSyntaxMemo::Lines() const {
  return document_->Lines();
}

void TCustomSyntaxMemo::SetLines(const TStrings* Value) {
  TSyntMemoStrings* lines = Lines();
  lines->Assign(Value);
  // The history describes edits of a text that is gone: undoing them would corrupt the new one.
  lines->ClearUndo();
}

std::u16string TCustomSyntaxMemo::Text() const {
  return Lines()->GetTextStr();
}

void TCustomSyntaxMemo::SetText(std::u16string_view Value) {
  TSyntMemoStrings* lines = Lines();
  lines->SetTextStr(Value);
  lines->ClearUndo();
}

bool TCustomSyntaxMemo::IsRebinding() const {
  return document_->IsRebinding();
}

bool TCustomSyntaxMemo::FixedPitch() const {
  return document_->FixedPitch();
}

TSize TCustomSyntaxMemo::CharCell() const {
  return document_->CharCell();
}

TSyntTextSource* TCustomSyntaxMemo::TextSource() const {
  return document_->TextSource();
}

void TCustomSyntaxMemo::SetTextSource(TSyntTextSource* Value) {
  document_->SetTextSource(Value);
}

TSyntAnalyzer* TCustomSyntaxMemo::SyntaxAnalyzer() const {
  return document_->SyntaxAnalyzer();
}

void TCustomSyntaxMemo::SetSyntaxAnalyzer(TSyntAnalyzer* Value) {
  document_->SetSyntaxAnalyzer(Value);
}

TClientSyntAnalyzer* TCustomSyntaxMemo::SyntClient() const {
  return document_->SyntClient();
}

ISyntDisplayQueries* TCustomSyntaxMemo::Analysis() const {
  return document_->SyntClient();
}

TSyntAnalyzer* TCustomSyntaxMemo::CurrentLexer() const {
  return document_->CurrentLexer();
}

void TCustomSyntaxMemo::SetKeyMapping(TSyntKeyMapping* Value) {
  if (Value == keyMapping_) return;
  if (keyMapping_) RemoveFreeNotification(keyMapping_);
  keyMapping_ = Value;
  if (Value) FreeNotification(Value);
}

void TCustomSyntaxMemo::AddPlugin(TComponent* Plugin) {
  if (!Plugin || std::find(plugins_.begin(), plugins_.end(), Plugin) != plugins_.end()) return;
  plugins_.push_back(Plugin);
  FreeNotification(Plugin);
}

void TCustomSyntaxMemo::RemovePlugin(TComponent* Plugin) {
  auto it = std::find(plugins_.begin(), plugins_.end(), Plugin);
  if (it == plugins_.end()) return;
  plugins_.erase(it);
  RemoveFreeNotification(Plugin);
}

void TCustomSyntaxMemo::Notification(TComponent* Component, TOperation Operation) {
  TCustomControl::Notification(Component, Operation);
  if (Operation != opRemove || !Component) return;
  plugins_.erase(std::remove(plugins_.begin(), plugins_.end(), Component), plugins_.end());
  document_->ComponentFreed(Component);
  gutterPart_.ComponentFreed(Component);
  if (Component == userStyles_) {
    userStyles_ = nullptr;
    if (!IsDestroying()) {
      UpdateFixedPitch();
      SettingsChanged();
    }
  }
  if (Component == keyMapping_) keyMapping_ = nullptr;
  hintPart_.Props()->ComponentFreed(Component);
}

// ---- Text changes -----------------------------------------------------------------------------

void TCustomSyntaxMemo::TextChanged(TObject* Sender, int Pos, int Count, int LineChange) {
  if (document_->TextSource()) DoTextChanged(Pos, Count, LineChange);
}

void TCustomSyntaxMemo::DoTextChanged(int Pos, int Count, int LineChange) {
  if (IsDestroying()) return;
  selection_.TextChanged(Pos, Count, LineChange);
  userRanges_->TextChanged(Pos, Count, LineChange);
  ForParts([&](TMemoPart& p) { p.TextChanged(Pos, Count, LineChange); });
  Invalidate();
  if (OnTextChanged) OnTextChanged(this, Pos, Count, LineChange);
  if (OnChange) OnChange(this);
}

TCanvas& TCustomSyntaxMemo::MeasureCanvas() {
  if (IControlHost* h = Host()) return h->MeasureCanvas();
  return document_->OwnMeasureCanvas();
}

void TCustomSyntaxMemo::UpdateFixedPitch() {
  if (!document_->DecideFixedPitch()) return;
  ForParts([](TMemoPart& p) { p.LayoutChanged(); });
  Invalidate();
}

TSize TCustomSyntaxMemo::DefTextExt() {
  return document_->DefTextExt();
}

void TCustomSyntaxMemo::ModifiedChanged() {
  if (OnModifiedChanged) OnModifiedChanged(this);
}

bool TCustomSyntaxMemo::ReadOnly() const {
  TSyntTextSource* source = document_->TextSource();
  return source ? source->ReadOnly() : readOnly_;
}

void TCustomSyntaxMemo::SetReadOnly(bool Value) {
  if (TSyntTextSource* source = document_->TextSource())
    source->SetReadOnly(Value);
  else
    readOnly_ = Value;
}

bool TCustomSyntaxMemo::Modified() const {
  return Lines()->Modified();
}

void TCustomSyntaxMemo::SetModified(bool Value) {
  TSyntMemoStrings* lines = Lines();
  if (Value == lines->Modified()) return;
  if (!Value && options_.Contains(soUndoAfterSave)) {
    // Saved: the history stays and can be undone past the save point.
    lines->MarkLinesSaved();
    lines->MarkSaved();
  } else {
    lines->SetModified(Value);
  }
}

void TCustomSyntaxMemo::SetUndoLimit(int Value) {
  undoLimit_ = Value;
  document_->OwnLines()->SetUndoLimit(Value);
}

// ---- Analysis notifications -------------------------------------------------------------------

void TCustomSyntaxMemo::FormatChanged() {
  if (IsDestroying()) return;
  UpdateFixedPitch();
  ForParts([](TMemoPart& p) { p.FormatChanged(); });
  Invalidate();
  for (size_t i = 0; i < plugins_.size(); ++i)
    if (auto* c = dynamic_cast<IqxSyntClient*>(plugins_[i])) c->FormatChanged();
}

void TCustomSyntaxMemo::Finished() {
  if (IsDestroying()) return;
  ForParts([](TMemoPart& p) { p.AnalysisFinished(); });
  Invalidate();
  // A rewritten span starts another pass; this one is not reported as finished.
  if (optionsEx_.Contains(soAutoFormat) && editPart_.AutoFormat()) return;
  for (size_t i = 0; i < plugins_.size(); ++i)
    if (auto* c = dynamic_cast<IqxSyntClient*>(plugins_[i])) c->Finished();
  if (OnFinishAnalysis) OnFinishAnalysis(this);
}

// ---- Routing to the parts ---------------------------------------------------------------------

void TCustomSyntaxMemo::SettingsChanged() {
  ForParts([](TMemoPart& p) { p.SettingsChanged(); });
  Invalidate();
}

void TCustomSyntaxMemo::LayoutChanged() {
  ForParts([](TMemoPart& p) { p.LayoutChanged(); });
  Invalidate();
}

void TCustomSyntaxMemo::DocumentChanged() {
  ForParts([](TMemoPart& p) { p.DocumentChanged(); });
  Invalidate();
}

TRect TCustomSyntaxMemo::TextArea() const {
  const TSize size = ClientSize();
  const int left = gutterPart_.GutterWidth() + textMargin_;
  const int top = rulerPart_.HorzRuler()->VisibleHeight();
  return {left, top, std::max(left, size.cx), std::max(top, size.cy)};
}

void TCustomSyntaxMemo::Resize() {
  ForParts([](TMemoPart& p) { p.Resized(); });
  Invalidate();
}

bool TCustomSyntaxMemo::KeyDown(TShortCut Key) {
  return commandPart_.KeyDown(Key);
}
bool TCustomSyntaxMemo::KeyUp(TShortCut Key) {
  return commandPart_.KeyUp(Key);
}
bool TCustomSyntaxMemo::KeyPress(char16_t Ch) {
  return commandPart_.KeyPress(Ch);
}
void TCustomSyntaxMemo::InputMethodPreedit(const TPreedit& Preedit) {
  commandPart_.InputMethodPreedit(Preedit);
}
void TCustomSyntaxMemo::InputMethodCommit(const std::u16string& Text) {
  commandPart_.InputMethodCommit(Text);
}
void TCustomSyntaxMemo::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y,
                                  int ClickCount) {
  incSearchPart_.StopIncSearch();
  mousePart_.MouseDown(Button, Shift, X, Y, ClickCount);
}
void TCustomSyntaxMemo::MouseMove(TShiftState Shift, int X, int Y) {
  mousePart_.MouseMove(Shift, X, Y);
}
void TCustomSyntaxMemo::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  mousePart_.MouseUp(Button, Shift, X, Y);
}
void TCustomSyntaxMemo::CaptureLost() {
  mousePart_.CaptureLost();
}
void TCustomSyntaxMemo::FocusIn() {
  caretPart_.FocusIn();
}
void TCustomSyntaxMemo::FocusOut() {
  hintPart_.HideHint();
  incSearchPart_.StopIncSearch();
  caretPart_.FocusOut();
}
TDropEffect TCustomSyntaxMemo::DragEnter(const TClipboardData& Data, TShiftState Shift, int X,
                                         int Y, TDropEffects Allowed) {
  return mousePart_.DragEnter(Data, Shift, X, Y, Allowed);
}
TDropEffect TCustomSyntaxMemo::DragOver(TShiftState Shift, int X, int Y, TDropEffects Allowed) {
  return mousePart_.DragOver(Shift, X, Y, Allowed);
}
void TCustomSyntaxMemo::DragLeave() {
  mousePart_.DragLeave();
}
TDropEffect TCustomSyntaxMemo::Drop(const TClipboardData& Data, TShiftState Shift, int X, int Y,
                                    TDropEffects Allowed) {
  return mousePart_.Drop(Data, Shift, X, Y, Allowed);
}

bool TCustomSyntaxMemo::MouseWheel(TShiftState Shift, int Delta, int, int, bool Horizontal) {
  return scrollPart_.MouseWheel(Shift, Delta, Horizontal);
}

void TCustomSyntaxMemo::DisplayLinesChanged() {
  ForParts([](TMemoPart& p) { p.DisplayLinesChanged(); });
}

void TCustomSyntaxMemo::SetCursor(TCursor Value) {
  cursor_ = Value;
  if (IControlHost* h = Host()) h->SetCursor(Value);
}

void TCustomSyntaxMemo::HostChanged() {
  if (IControlHost* h = Host()) {
    h->SetAcceptDrops(true);
    h->SetCursor(cursor_);
  }
  UpdateFixedPitch();
  LayoutChanged();
}

// ---- Properties -------------------------------------------------------------------------------

void TCustomSyntaxMemo::FontChanged() {
  if (document_->DecidingPitch()) return;
  UpdateFixedPitch();
  LayoutChanged();
}

void TCustomSyntaxMemo::SetColor(TColor Value) {
  if (Change(color_, Value)) SettingsChanged();
}

void TCustomSyntaxMemo::SetCharset(TFontCharset Value) {
  if (!Change(charset_, Value)) return;
  UpdateFixedPitch();
  LayoutChanged();
}

void TCustomSyntaxMemo::SetCharCase(TCharCase Value) {
  if (Change(charCase_, Value)) SettingsChanged();
}

void TCustomSyntaxMemo::SetOptions(TSyntaxMemoOptions Value) {
  const TSyntaxMemoOptions changed = (Value - options_) + (options_ - Value);
  if (changed.Empty()) return;
  options_ = Value;
  if (!(changed * TSyntaxMemoOptions{soBreakOnRightMargin, soCallapseEmptyLines, soFixedLineHeight})
           .Empty())
    LayoutChanged();
  else
    SettingsChanged();
}

void TCustomSyntaxMemo::SetOptionsEx(TSyntaxMemoOptionsEx Value) {
  const TSyntaxMemoOptionsEx changed = (Value - optionsEx_) + (optionsEx_ - Value);
  if (changed.Empty()) return;
  optionsEx_ = Value;
  // Dropped or split characters change the measured width of a line, too.
  if (!(changed * TSyntaxMemoOptionsEx{soWordWrapAtSpace, soAllowZeroTab, soCorrectNonPrinted,
                                       soExtractAnsiParts})
           .Empty())
    LayoutChanged();
  else
    SettingsChanged();
}

void TCustomSyntaxMemo::SetUserStyles(TSyntStyles* Value) {
  if (Value == userStyles_) return;
  if (userStyles_) RemoveFreeNotification(userStyles_);
  userStyles_ = Value;
  if (Value) FreeNotification(Value);
  UpdateFixedPitch();
  SettingsChanged();
}

void TCustomSyntaxMemo::SetMonoFontMode(TMonoFontMode Value) {
  if (Change(monoFontMode_, Value)) UpdateFixedPitch();
}

void TCustomSyntaxMemo::SetWordWrap(bool Value) {
  if (Change(wordWrap_, Value)) LayoutChanged();
}

void TCustomSyntaxMemo::SetDisableFolding(bool Value) {
  if (Change(disableFolding_, Value)) LayoutChanged();
}

void TCustomSyntaxMemo::SetCollapseLevel(int Value) {
  collapseLevel_ = Value;
}

void TCustomSyntaxMemo::SetCollapseStyle(TCollapseStyle Value) {
  // The collapse text is part of the line's visible text, so rows may change.
  if (Change(collapseStyle_, Value)) LayoutChanged();
}

void TCustomSyntaxMemo::SetCollapseBreakColor(TColor Value) {
  if (Change(collapseBreakColor_, Value)) SettingsChanged();
}

void TCustomSyntaxMemo::SetLineSpacing(int Value) {
  if (Change(lineSpacing_, Value)) LayoutChanged();
}

void TCustomSyntaxMemo::SetLineSpacingBefore(int Value) {
  if (Change(lineSpacingBefore_, Value)) LayoutChanged();
}

void TCustomSyntaxMemo::SetLineSpacingAfter(int Value) {
  if (Change(lineSpacingAfter_, Value)) LayoutChanged();
}

void TCustomSyntaxMemo::SetZoom(int Value) {
  // Below 10 % cells shrink to nothing (zero widths break measuring and hit-testing); above
  // 1000 % a cell outgrows any screen.
  if (!Change(zoom_, std::clamp(Value, kMinZoom, kMaxZoom))) return;
  UpdateFixedPitch();
  LayoutChanged();
}

void TCustomSyntaxMemo::SetTextMargin(int Value) {
  if (Change(textMargin_, Value)) LayoutChanged();
}

void TCustomSyntaxMemo::SetStapleOffset(int Value) {
  if (Change(stapleOffset_, Value)) SettingsChanged();
}

void TCustomSyntaxMemo::SetTransparent(bool Value) {
  if (Change(transparent_, Value)) SettingsChanged();
}

void TCustomSyntaxMemo::SetDoubleBuffered(bool Value) {
  if (Change(doubleBuffered_, Value)) SettingsChanged();
}

void TCustomSyntaxMemo::SetMultiLine(bool Value) {
  if (Change(multiLine_, Value)) LayoutChanged();
}

void TCustomSyntaxMemo::Assign(const TPersistent* Source) {
  auto* src = dynamic_cast<const TCustomSyntaxMemo*>(Source);
  if (!src) {
    TCustomControl::Assign(Source);
    return;
  }
  if (src == this) return;
  SetReplaceMode(src->ReplaceMode());
  SetUndoLimit(src->UndoLimit());
  // A new own analysis of the same lexer: analyses are never shared between documents.
  SetSyntaxAnalyzer(src->SyntaxAnalyzer());
  SetTabList(src->TabList());
  SetTabMode(src->TabMode());
  SetRightMargin(src->RightMargin());
  SetNonPrinted(src->NonPrinted());
  SetScrollBars(src->ScrollBars());
  SetOptions(src->Options());
  SetCursor(src->Cursor());
  SetColor(src->Color());
  SetFont(src->Font());
}

// ---- Styles -----------------------------------------------------------------------------------

TSyntaxFormat* TCustomSyntaxMemo::SelectionStyle() const {
  TSyntAnalyzer* lexer = CurrentLexer();
  TSyntaxFormat* s = lexer ? lexer->MarkedBlock() : nullptr;
  return s ? s : DefaultStyles()->SelectioMark();
}

TSyntaxFormat* TCustomSyntaxMemo::SearchMarkStyle() const {
  TSyntAnalyzer* lexer = CurrentLexer();
  TSyntaxFormat* s = lexer ? lexer->SearchMatch() : nullptr;
  return s ? s : DefaultStyles()->SearchMark();
}

TSyntaxFormat* TCustomSyntaxMemo::CurrentLineStyle() const {
  TSyntAnalyzer* lexer = CurrentLexer();
  TSyntaxFormat* s = lexer ? lexer->CurrentLine() : nullptr;
  return s ? s : DefaultStyles()->CurrentLine();
}

TSyntaxFormat* TCustomSyntaxMemo::CollapseMarkStyle() const {
  TSyntAnalyzer* lexer = CurrentLexer();
  TSyntaxFormat* s = lexer ? lexer->CollapseStyle() : nullptr;
  return s ? s : DefaultStyles()->CollapseMark();
}

TSyntaxFormat* TCustomSyntaxMemo::FindStyle(std::u16string_view Name) const {
  if (Name.empty()) return nullptr;
  if (userStyles_)
    if (TSyntaxFormat* s = userStyles_->Styles()->ItemByName(Name)) return s;
  if (TSyntAnalyzer* lexer = CurrentLexer()) return lexer->Formats()->ItemByName(Name);
  return nullptr;
}

}  // namespace synt
