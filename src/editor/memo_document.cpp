#include "editor/memo_document.h"

#include <algorithm>
#include <cmath>

#include "analysis/client_analyzer.h"
#include "analysis/lexer_library.h"
#include "analysis/synt_text_source.h"
#include "analysis/syntax_analyzer.h"
#include "editor/syntax_memo.h"
#include "platform/control_host.h"

namespace synt {

namespace {

bool SameFontName(const std::u16string& a, const std::u16string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char16_t x = a[i], y = b[i];
    if (x >= u'A' && x <= u'Z') x = char16_t(x + 32);
    if (y >= u'A' && y <= u'Z') y = char16_t(y + 32);
    if (x != y) return false;
  }
  return true;
}

int Zoomed(int Value, int Zoom) {
  return int(std::lround(double(Value) * Zoom / 100.0));
}

}  // namespace

// ---- The own analysis's document -------------------------------------------------------------

// The own analysis reports here; its news matter only while it is the analysis in use (a text
// source's analysis takes over while one is attached, and the own one idles).
class TMemoDocument::TOwnDocument final : public IqxSyntClient {
 public:
  explicit TOwnDocument(TMemoDocument& Document) : document_(Document) {}
  void FormatChanged() override {
    if (!document_.textSource_) document_.memo_.FormatChanged();
  }
  void Finished() override {
    if (!document_.textSource_) document_.memo_.Finished();
  }

 private:
  TMemoDocument& document_;
};

// ---- Binding ----------------------------------------------------------------------------------

TMemoDocument::TMemoDocument(TCustomSyntaxMemo& Memo)
    : memo_(Memo),
      ownLines_(std::make_unique<TSyntMemoStrings>()),
      ownDocument_(std::make_unique<TOwnDocument>(*this)) {
  ownLines_->OnChange = [this](TObject*, int Pos, int Count, int LineChange) {
    OwnLinesChanged(Pos, Count, LineChange);
  };
  ownLines_->OnModifiedChanged = [this](TObject*) { memo_.ModifiedChanged(); };
}

TMemoDocument::~TMemoDocument() {
  Release();
}

void TMemoDocument::Release() {
  if (textSource_) Detach(false);
  ownLines_->OnChange = nullptr;
  ownLines_->OnModifiedChanged = nullptr;
  DropOwnAnalysis();
}

TSyntMemoStrings* TMemoDocument::Lines() const {
  return textSource_ ? textSource_->Lines() : ownLines_.get();
}

TClientSyntAnalyzer* TMemoDocument::SyntClient() const {
  return textSource_ ? textSource_->SyntClient() : ownAnalysis_.get();
}

TSyntAnalyzer* TMemoDocument::CurrentLexer() const {
  if (textSource_) return textSource_->SyntClient() ? textSource_->SyntaxAnalyzer() : nullptr;
  return ownAnalysis_ ? ownLexer_ : nullptr;
}

void TMemoDocument::DropOwnAnalysis() {
  ownAnalysis_.reset();
  if (ownLexer_) memo_.RemoveFreeNotification(ownLexer_);
  ownLexer_ = nullptr;
}

void TMemoDocument::SetSyntaxAnalyzer(TSyntAnalyzer* Value) {
  if (Value == ownLexer_) return;
  DropOwnAnalysis();
  if (Value) {
    ownAnalysis_ = std::make_unique<TClientSyntAnalyzer>(Value, ownDocument_.get(),
                                                         [this] { return ownLines_.get(); });
    ownLexer_ = Value;
    memo_.FreeNotification(Value);
  }
  if (textSource_) return;  // the analysis in use did not change
  memo_.UpdateFixedPitch();
  memo_.DocumentChanged();
  // Without an analysis nothing will report a pass: the old highlighting goes now.
  if (!ownAnalysis_) memo_.Finished();
}

void TMemoDocument::SetTextSource(TSyntTextSource* Value) {
  if (Value == textSource_) return;
  const bool wasModified = memo_.Modified();
  if (textSource_) Detach(false);
  if (Value) {
    TSyntMemoStrings* lines = Value->Lines();
    if (!lines->OnModifiedChanged) {
      lines->OnModifiedChanged = [this](TObject*) { memo_.ModifiedChanged(); };
      gaveModifiedHandler_ = true;
    }
    textSource_ = Value;
    Value->AddClient(&memo_);
    memo_.FreeNotification(Value);
  }
  Rebound();
  if (memo_.Modified() != wasModified) memo_.ModifiedChanged();
}

// The text shown is another: everyone hears that the whole text changed.
void TMemoDocument::Rebound() {
  rebinding_ = true;
  memo_.DoTextChanged(-1, 0, 0);
  rebinding_ = false;
  memo_.Selection().SetCaretPos({0, 0});
  memo_.UpdateFixedPitch();
  memo_.DocumentChanged();
}

// SourceGone: the text source is being destroyed; its members are gone, so nothing of it may be
// touched.
void TMemoDocument::Detach(bool SourceGone) {
  TSyntTextSource* source = textSource_;
  textSource_ = nullptr;
  if (!SourceGone) {
    source->RemoveClient(&memo_);
    if (gaveModifiedHandler_) source->Lines()->OnModifiedChanged = nullptr;
    memo_.RemoveFreeNotification(source);
  }
  gaveModifiedHandler_ = false;
}

bool TMemoDocument::ComponentFreed(TComponent* Component) {
  if (Component == textSource_) {
    Detach(true);
    if (!memo_.IsDestroying()) Rebound();
    return true;
  }
  if (Component == ownLexer_) {
    // The lexer has already unbound the analysis; it goes, and the text shows unhighlighted.
    ownAnalysis_.reset();
    ownLexer_ = nullptr;
    if (!textSource_ && !memo_.IsDestroying()) {
      memo_.UpdateFixedPitch();
      memo_.DocumentChanged();
    }
    return true;
  }
  return false;
}

void TMemoDocument::OwnLinesChanged(int Pos, int Count, int LineChange) {
  if (ownAnalysis_) ownAnalysis_->TextChanged(Pos, Count, LineChange, ownLines_->LineOfPos(Pos));
  // While a text source is shown, the own lines are not on screen.
  if (!textSource_) memo_.DoTextChanged(Pos, Count, LineChange);
}

// ---- Character cells --------------------------------------------------------------------------

TCanvas& TMemoDocument::OwnMeasureCanvas() {
  if (!ownMeasureCanvas_) ownMeasureCanvas_ = std::make_unique<THeadlessCanvas>();
  return *ownMeasureCanvas_;
}

// A style keeps the cell grid when it changes no font, or only to the editor's own face and size.
bool TMemoDocument::StyleFitsCells(const TSyntaxFormat* Style) const {
  if (!Style || !Style->Enabled() || Style->FormatType() != ftCustomFont) return true;
  const TFont& f = *Style->Font();
  const TFont& font = *memo_.Font();
  return f.Size() == font.Size() && SameFontName(f.Name(), font.Name()) &&
         (f.Pitch() == fpDefault || f.Pitch() == fpFixed);
}

bool TMemoDocument::LexerFitsCells(TSyntAnalyzer* Lexer, std::vector<TSyntAnalyzer*>& Seen) const {
  if (!Lexer || std::find(Seen.begin(), Seen.end(), Lexer) != Seen.end()) return true;
  Seen.push_back(Lexer);
  for (const TSyntaxFormat* s :
       {Lexer->MarkedBlock(), Lexer->SearchMatch(), Lexer->CurrentLine(), Lexer->DefaultStyle()})
    if (!StyleFitsCells(s)) return false;
  auto rulesFit = [this](const auto* Rules) {
    for (int i = 0; i < Rules->Count(); ++i) {
      const TRuleCollectionItem* r = Rules->Items(i);
      if (r->Enabled() && !StyleFitsCells(r->Style())) return false;
    }
    return true;
  };
  if (!rulesFit(Lexer->TokenRules()) || !rulesFit(Lexer->BlockRules()) ||
      !rulesFit(Lexer->SubAnalyzers()))
    return false;
  const TSubAnalyzerRules* subs = Lexer->SubAnalyzers();
  for (int i = 0; i < subs->Count(); ++i) {
    const TSubAnalyzerRule* r = subs->Items(i);
    if (r->Enabled() && !LexerFitsCells(r->SyntAnalyzer(), Seen)) return false;
  }
  return true;
}

bool TMemoDocument::StylesFitCells() const {
  const TDefaultStyles& d = *memo_.DefaultStyles();
  for (const TSyntaxFormat* s :
       {d.SearchMark(), d.SelectioMark(), d.CurrentLine(), d.CollapseMark()})
    if (!StyleFitsCells(s)) return false;
  if (TSyntStyles* user = memo_.UserStyles()) {
    const TStylesCollection* styles = user->Styles();
    for (int i = 0; i < styles->Count(); ++i)
      if (!StyleFitsCells(styles->Items(i))) return false;
  }
  std::vector<TSyntAnalyzer*> seen;
  return LexerFitsCells(CurrentLexer(), seen);
}

bool TMemoDocument::DecideFixedPitch() {
  if (decidingPitch_ || memo_.IsDestroying()) return false;
  const TMonoFontMode mode = memo_.MonoFontMode();
  TFont& font = *memo_.Font();
  decidingPitch_ = true;
  font.SetPitch(mode == mfFixed ? fpFixed : fpDefault);
  decidingPitch_ = false;
  bool fixed = mode != mfVariable && memo_.Zoom() == 100;
  TCanvas* canvas = nullptr;
  if (fixed) {
    canvas = &memo_.MeasureCanvas();
    canvas->Font()->Assign(&font);
    canvas->Font()->SetCharset(memo_.Charset());
    fixed = canvas->GetTextMetrics().FixedPitch;
    if (fixed && mode == mfAuto) fixed = StylesFitCells();
  }
  // The cell is measured again whenever the answer is yes, not only when the mode switches on: a
  // new font size in fixed-pitch mode must not leave the old cell behind.
  const TSize cell = fixed ? canvas->TextExtent(u"W") : charCell_;
  if (fixed == fixedPitch_ && cell == charCell_) return false;
  charCell_ = cell;
  fixedPitch_ = fixed;
  return true;
}

TSize TMemoDocument::DefTextExt() {
  TSize s;
  if (fixedPitch_) {
    s = charCell_;
  } else {
    TCanvas& c = memo_.MeasureCanvas();
    c.Font()->Assign(memo_.Font());
    if (TSyntAnalyzer* lexer = CurrentLexer())
      if (TSyntaxFormat* d = lexer->DefaultStyle()) d->ApplyTo(&c);
    const TTextMetrics m = c.GetTextMetrics();
    s = {m.AveCharWidth, m.Height};
  }
  const int zoom = memo_.Zoom();
  if (zoom != 100) s = {Zoomed(s.cx, zoom), Zoomed(s.cy, zoom)};
  if (s.cx <= 0) throw Exception("Internal error: DefTextExt.cx = 0");
  return s;
}

}  // namespace synt
