// The document side of the control: fixed-pitch decision, the character cell, and the styles the
// control takes from its lexer or falls back on.
#include <algorithm>
#include <cmath>

#include "analysis/lexer_library.h"
#include "analysis/syntax_analyzer.h"
#include "editor/syntax_memo.h"
#include "lists/char_utils.h"
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

TCanvas& TCustomSyntaxMemo::MeasureCanvas() {
  if (IControlHost* h = Host()) return h->MeasureCanvas();
  if (!ownMeasureCanvas_) ownMeasureCanvas_ = std::make_unique<THeadlessCanvas>();
  return *ownMeasureCanvas_;
}

// A style keeps the cell grid when it changes no font, or only to the editor's own face and size.
bool TCustomSyntaxMemo::StyleFitsCells(const TSyntaxFormat* Style) const {
  if (!Style || !Style->Enabled() || Style->FormatType() != ftCustomFont) return true;
  const TFont& f = *Style->Font();
  return f.Size() == font_->Size() && SameFontName(f.Name(), font_->Name()) &&
         (f.Pitch() == fpDefault || f.Pitch() == fpFixed);
}

bool TCustomSyntaxMemo::LexerFitsCells(TSyntAnalyzer* Lexer,
                                       std::vector<TSyntAnalyzer*>& Seen) const {
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

bool TCustomSyntaxMemo::StylesFitCells() const {
  for (const TSyntaxFormat* s : {defaultStyles_->SearchMark(), defaultStyles_->SelectioMark(),
                                 defaultStyles_->CurrentLine(), defaultStyles_->CollapseMark()})
    if (!StyleFitsCells(s)) return false;
  if (userStyles_) {
    const TStylesCollection* styles = userStyles_->Styles();
    for (int i = 0; i < styles->Count(); ++i)
      if (!StyleFitsCells(styles->Items(i))) return false;
  }
  std::vector<TSyntAnalyzer*> seen;
  return LexerFitsCells(CurrentLexer(), seen);
}

void TCustomSyntaxMemo::UpdateFixedPitch() {
  if (decidingPitch_ || IsDestroying()) return;
  decidingPitch_ = true;  // setting the pitch below reports a font change
  font_->SetPitch(monoFontMode_ == mfFixed ? fpFixed : fpDefault);
  decidingPitch_ = false;
  bool fixed = monoFontMode_ != mfVariable && zoom_ == 100;
  TCanvas* canvas = nullptr;
  if (fixed) {
    canvas = &MeasureCanvas();
    canvas->Font()->Assign(font_.get());
    canvas->Font()->SetCharset(charset_);
    fixed = canvas->GetTextMetrics().FixedPitch;
    if (fixed && monoFontMode_ == mfAuto) fixed = StylesFitCells();
  }
  if (fixed == fixedPitch_) return;
  if (fixed) charCell_ = canvas->TextExtent(u"W");
  fixedPitch_ = fixed;
  ForParts([](TMemoPart& p) { p.LayoutChanged(); });
  Invalidate();
}

TSize TCustomSyntaxMemo::DefTextExt() {
  TSize s;
  if (fixedPitch_) {
    s = charCell_;
  } else {
    TCanvas& c = MeasureCanvas();
    c.Font()->Assign(font_.get());
    if (TSyntAnalyzer* lexer = CurrentLexer())
      if (TSyntaxFormat* d = lexer->DefaultStyle()) d->ApplyTo(&c);
    const TTextMetrics m = c.GetTextMetrics();
    s = {m.AveCharWidth, m.Height};
  }
  if (zoom_ != 100) s = {Zoomed(s.cx, zoom_), Zoomed(s.cy, zoom_)};
  if (s.cx <= 0) throw Exception("Internal error: DefTextExt.cx = 0");
  return s;
}

// ---- Styles -----------------------------------------------------------------------------------

TSyntaxFormat* TCustomSyntaxMemo::SelectionStyle() const {
  TSyntAnalyzer* lexer = CurrentLexer();
  TSyntaxFormat* s = lexer ? lexer->MarkedBlock() : nullptr;
  return s ? s : defaultStyles_->SelectioMark();
}

TSyntaxFormat* TCustomSyntaxMemo::SearchMarkStyle() const {
  TSyntAnalyzer* lexer = CurrentLexer();
  TSyntaxFormat* s = lexer ? lexer->SearchMatch() : nullptr;
  return s ? s : defaultStyles_->SearchMark();
}

TSyntaxFormat* TCustomSyntaxMemo::CurrentLineStyle() const {
  TSyntAnalyzer* lexer = CurrentLexer();
  TSyntaxFormat* s = lexer ? lexer->CurrentLine() : nullptr;
  return s ? s : defaultStyles_->CurrentLine();
}

TSyntaxFormat* TCustomSyntaxMemo::CollapseMarkStyle() const {
  TSyntAnalyzer* lexer = CurrentLexer();
  TSyntaxFormat* s = lexer ? lexer->CollapseStyle() : nullptr;
  return s ? s : defaultStyles_->CollapseMark();
}

TSyntaxFormat* TCustomSyntaxMemo::FindStyle(std::u16string_view Name) const {
  if (Name.empty()) return nullptr;
  if (userStyles_)
    if (TSyntaxFormat* s = userStyles_->Styles()->ItemByName(Name)) return s;
  if (TSyntAnalyzer* lexer = CurrentLexer()) return lexer->Formats()->ItemByName(Name);
  return nullptr;
}

}  // namespace synt
