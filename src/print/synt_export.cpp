#include "print/synt_export.h"

#include <algorithm>
#include <climits>
#include <cstdint>

#include "analysis/client_analyzer.h"
#include "analysis/syntax_analyzer.h"
#include "editor/line_painter.h"
#include "editor/syntax_memo.h"
#include "lists/char_utils.h"
#include "platform/clipboard.h"
#include "platform/control_host.h"
#include "platform/properties.h"
#include "platform/streams.h"
#include "platform/utf.h"
#include "print/html_export.h"
#include "print/rtf_export.h"
#include "text/memo_strings.h"

namespace synt {

namespace {

// What the exporters style text with: the painter's sources on a foreign canvas with block
// highlighting (no search marks, no caret-dependent ranges, no line styles).
constexpr unsigned kExportSources = ssStyledRanges | ssTokenStyle | ssUserRanges | ssStyleEvent;

void DescribePlainExport(TPropertyList& List) {
  using E = TPlainTextSyntExport;
  TPropsOf<E> p(List);
  p.Component("SyntMemo", &E::SyntMemo, &E::SetSyntMemo);
  p.Enum("ExportType", &E::ExportType, &E::SetExportType, ExportTypeInfo()).Def(etCustom);
}

void DescribeFormattedExport(TPropertyList& List) {
  using E = TBaseFormattedExport;
  TPropsOf<E> p(List);
  p.Boolean("UseCaseFormatting", &E::UseCaseFormatting, &E::SetUseCaseFormatting).Def(false);
}

}  // namespace

const TEnumInfo& ExportTypeInfo() {
  static const TEnumInfo i{"TExportType", {"etCustom", "etAllText", "etSelection"}};
  return i;
}

const TClassInfo& TPlainTextSyntExport::StaticClassInfo() {
  static const TClassInfo info("TPlainTextSyntExport", &TComponent::StaticClassInfo(),
                               DescribePlainExport,
                               &TClassInfo::ComponentFactory<TPlainTextSyntExport>);
  return info;
}

const TClassInfo& TBaseFormattedExport::StaticClassInfo() {
  static const TClassInfo info("TBaseFormattedExport", &TPlainTextSyntExport::StaticClassInfo(),
                               DescribeFormattedExport,
                               &TClassInfo::ComponentFactory<TBaseFormattedExport>);
  return info;
}

void RegisterExportClasses() {
  RegisterClass(TPlainTextSyntExport::StaticClassInfo());
  RegisterClass(TBaseFormattedExport::StaticClassInfo());
  RegisterClass(TRTFSyntExport::StaticClassInfo());
  RegisterClass(THTMLSyntExport::StaticClassInfo());
  InstallEditorCopy();
}

// ---- TPlainTextSyntExport -----------------------------------------------------------------------

TPlainTextSyntExport::TPlainTextSyntExport(TComponent* Owner) : TComponent(Owner) {}

TPlainTextSyntExport::~TPlainTextSyntExport() {
  SetSyntMemo(nullptr);
}

void TPlainTextSyntExport::SetSyntMemo(TCustomSyntaxMemo* Value) {
  if (memo_ == Value) return;
  if (memo_) memo_->RemoveFreeNotification(this);
  memo_ = Value;
  if (memo_) memo_->FreeNotification(this);
}

void TPlainTextSyntExport::Notification(TComponent* Component, TOperation Operation) {
  TComponent::Notification(Component, Operation);
  if (Operation == opRemove && Component == memo_) memo_ = nullptr;
}

std::string TPlainTextSyntExport::ExportData() const {
  std::string s = Header();
  AppendBody(s);
  s += Footer();
  return s;
}

std::u16string TPlainTextSyntExport::PlainText() const {
  return plain_;
}

void TPlainTextSyntExport::Execute() {
  if (!memo_) return;
  switch (exportType_) {
    case etCustom:
      break;
    case etAllText:
      ExportRange(0, memo_->Lines()->TextLength());
      break;
    case etSelection: {
      const TMemoSelection& sel = memo_->Selection();
      // An empty block is no selection: nothing to export, as the editor copies nothing.
      if (sel.SelectionMode() == msColumn && sel.HaveSelection()) {
        const TRect& b = sel.BlockRect();
        ExportBlock({b.Left, b.Top}, {b.Right, b.Bottom});
      } else {
        ExportRange(sel.SelStart(), sel.SelLength());
      }
      break;
    }
  }
}

void TPlainTextSyntExport::ExportRange(int Start, int Length) {
  if (!memo_) return;
  const int64_t size = memo_->Lines()->TextLength();
  const int64_t a = std::clamp<int64_t>(Start, 0, size);
  const int64_t b = std::clamp<int64_t>(int64_t(Start) + std::max(Length, 0), a, size);
  blockKind_ = kBlockKindStream;
  sizeHint_ = int(b - a);
  BeginExport();
  ExportText(int(a), int(b));
  EndExport();
}

void TPlainTextSyntExport::ExportBlock(TPoint TopLeft, TPoint BottomRight) {
  if (!memo_) return;
  const TSyntMemoStrings& lines = *memo_->Lines();
  const TMemoSelection& sel = memo_->Selection();
  // Lines past the text have no characters; a block is never walked beyond them.
  const int top = std::max(0, std::min(TopLeft.Y, BottomRight.Y));
  const int bottom = std::min(std::max(TopLeft.Y, BottomRight.Y), lines.GetCount() - 1);
  // Columns past any line are all alike; bounded, they cannot overflow the conversions.
  constexpr int kFar = INT32_MAX / 4;
  const int leftCol = std::clamp(std::min(TopLeft.X, BottomRight.X), 0, kFar);
  const int rightCol = std::clamp(std::max(TopLeft.X, BottomRight.X), 0, kFar);
  blockKind_ = kBlockKindColumn;
  // Columns may be anything a caller passes: the hint stays within the text.
  sizeHint_ = int(std::clamp<int64_t>(int64_t(bottom - top + 1) * (int64_t(rightCol) - leftCol + 2),
                                      0, lines.TextLength()));
  BeginExport();
  for (int line = top; line <= bottom; ++line) {
    const int len = lines.LineLength(line);
    const int left = sel.DisplayColumnToCaret(line, leftCol);
    const int right = std::min(sel.DisplayColumnToCaret(line, rightCol), len);
    const int start = lines.LineStart(line);
    if (left < len && left < right) ExportText(start + left, start + right);
    LineBreak();
  }
  EndExport();
}

void TPlainTextSyntExport::ExportText(int Start, int Stop) {
  if (TClientSyntAnalyzer* client = memo_->SyntClient()) client->AppendToPos(Stop);
  cursor_ = -1;
  while (Start < Stop) {
    const int from = Start;
    int end = NextRun(Start);
    // Hidden text leaves out its characters, not the lines it spans.
    if (Start > from) {
      const int la = LineAt(from);
      const int breaks = LineAt(std::min(Start, Stop)) - la;
      for (int i = 0; i < breaks; ++i) LineBreak();
    }
    end = std::min(end, Stop);
    if (Start >= end) break;
    // The run line by line: the part of each line's text it covers, a break between lines.
    for (int pos = Start;;) {
      LineAt(pos);
      const int b = std::min(end, cursorStart_ + int(cursorText_.size()));
      if (b > pos)
        EmitText(RangeText(pos, b - pos));
      else
        EmitText({});
      if (end < cursorNext_) break;
      LineBreak();
      pos = cursorNext_;
    }
    Start = end;
  }
}

int TPlainTextSyntExport::NextRun(int& Pos) {
  return memo_->Lines()->TextLength();
}

void TPlainTextSyntExport::BeginExport() {
  plain_.clear();
  plain_.reserve(size_t(SizeHint()) + size_t(SizeHint()) / 16);
  cursor_ = -1;
}

void TPlainTextSyntExport::EndExport() {}

void TPlainTextSyntExport::EmitText(std::u16string_view Text) {
  plain_ += Text;
}

int TPlainTextSyntExport::LineAt(int Pos) {
  if (cursor_ >= 0 && Pos >= cursorStart_ && Pos < cursorNext_) return cursor_;
  const TSyntMemoStrings& lines = *memo_->Lines();
  const int count = lines.GetCount();
  // Runs move forward a little at a time: the next line before a search.
  int l = cursor_ >= 0 && Pos >= cursorNext_ && cursor_ + 1 < count ? cursor_ + 1 : -1;
  if (l < 0 || (l + 1 < count && lines.LineStart(l + 1) <= Pos)) l = lines.LineOfPos(Pos);
  cursor_ = l;
  cursorStart_ = lines.LineStart(l);
  cursorNext_ = l + 1 < count ? lines.LineStart(l + 1) : INT32_MAX;
  cursorText_ = lines.LineText(l);
  return l;
}

std::u16string_view TPlainTextSyntExport::RangeText(int Start, int Length) {
  LineAt(Start);
  return cursorText_.substr(size_t(Start - cursorStart_), size_t(Length));
}

void TPlainTextSyntExport::LineBreak() {
  plain_ += u"\r\n";
}

std::string TPlainTextSyntExport::Header() const {
  return {};
}

void TPlainTextSyntExport::AppendBody(std::string& Out) const {
  Out += Utf16ToUtf8(plain_);
}

std::string TPlainTextSyntExport::Footer() const {
  return {};
}

void TPlainTextSyntExport::SaveToStream(TStream& Stream) {
  Execute();
  if (!memo_) return;
  // Written as saving the editor's lines would write them: encoding, code page, signature and
  // line breaks.
  const TSyntMemoStrings& source = *memo_->Lines();
  TSyntMemoStrings out;
  out.SetEncoding(source.Encoding());
  out.SetLineBreakStyle(source.LineBreakStyle());
  out.SetNoSignature(source.NoSignature());
  out.SetCharset(source.Charset());
  out.SetCodePage(source.CodePage());
  out.SetTextStr(PlainText());
  out.SaveToStream(Stream);
}

void TPlainTextSyntExport::AddClipboardFormats(TClipboardData&) const {}

void TPlainTextSyntExport::CopyToClipboard(TClipboard& Clipboard) {
  Execute();
  TClipboardData data;
  std::u16string text = PlainText();
  const uint32_t cp = CharsetToCodePage(memo_ ? memo_->Charset() : DEFAULT_CHARSET);
  data.AnsiText = TAnsiText{Utf16ToCodePage(text, cp), cp};
  data.Text = std::move(text);
  data.Formats[std::u16string(cfColumnBlock)] = std::string(1, char(blockKind_));
  AddClipboardFormats(data);
  // One replacement of the whole content: a failure leaves the clipboard as it was.
  Clipboard.SetData(data);
}

void TPlainTextSyntExport::CopyToClipboard() {
  if (!memo_ || !memo_->Host()) throw EClipboardError("No clipboard to copy to");
  CopyToClipboard(memo_->Host()->Clipboard());
}

// ---- TBaseFormattedExport -----------------------------------------------------------------------

TBaseFormattedExport::TBaseFormattedExport(TComponent* Owner) : TPlainTextSyntExport(Owner) {}

void TBaseFormattedExport::SaveToStream(TStream& Stream) {
  Execute();
  Stream.WriteString(ExportData());
}

namespace {

// The entry that decides whether a run is shown: the last one whose style takes part in hiding.
bool RunHidden(const TStyleEntries& Entries) {
  for (auto it = Entries.rbegin(); it != Entries.rend(); ++it) {
    const TSyntaxFormat* s = it->Style;
    if (s && s->Enabled() && s->FormatFlags().Contains(ffHidden)) return s->Hidden();
  }
  return false;
}

}  // namespace

int TBaseFormattedExport::NextRun(int& Pos) {
  TCustomSyntaxMemo& m = *SyntMemo();
  const int length = m.Lines()->TextLength();
  // A loop rather than recursion: a long stretch of hidden runs must not deepen the stack.
  for (;;) {
    entries_.clear();
    const int next = m.CollectStyleEntries(Pos, entries_, false, kExportSources);
    if (next <= Pos || !RunHidden(entries_)) return next;
    Pos = next;
    if (Pos >= length) return Pos;
  }
}

std::u16string_view TBaseFormattedExport::RangeText(int Start, int Length) {
  const std::u16string_view s = TPlainTextSyntExport::RangeText(Start, Length);
  TCustomSyntaxMemo& m = *SyntMemo();
  if (!useCaseFormatting_ && !m.OptionsEx().Contains(soUseCaseFormat)) return s;
  TRunText run;
  run.Text = s;
  if (m.CharCase() == ecUpperCase)
    for (char16_t& c : run.Text) c = CharUpper(c);
  else if (m.CharCase() == ecLowerCase)
    for (char16_t& c : run.Text) c = CharLower(c);
  ApplyChangeCase(entries_, Start, run);
  cased_ = std::move(run.Text);
  return cased_;
}

void TBaseFormattedExport::BeginExport() {
  TPlainTextSyntExport::BeginExport();
  editorFormat_ = EditorFormat();
  queries_ = SyntMemo()->Analysis();
  lexer_ = SyntMemo()->CurrentLexer();
}

TBaseFormattedExport::TRunFormat TBaseFormattedExport::EditorFormat() const {
  TRunFormat f;
  const TCustomSyntaxMemo& m = *SyntMemo();
  const TFont& font = *m.Font();
  f.FontName = &font.Name();
  f.FontSize = font.Size();
  f.FontColor = font.Color();
  f.BgColor = m.Color();
  f.Style = font.Style();
  return f;
}

TBaseFormattedExport::TRunFormat TBaseFormattedExport::MergeRunFormat(int Pos) const {
  TRunFormat f = editorFormat_;
  auto apply = [&f](const TSyntaxFormat* s) {
    if (!s || !s->Enabled()) return;
    if (s->BgColor() != clNone) f.BgColor = s->BgColor();
    const TFont& font = *s->Font();
    switch (s->FormatType()) {
      case ftCustomFont:
        f.FontName = &font.Name();
        f.FontSize = font.Size();
        f.Style = font.Style();
        if (font.Color() != clNone) f.FontColor = font.Color();
        break;
      case ftFontAttr:
        f.Style = font.Style();
        if (font.Color() != clNone) f.FontColor = font.Color();
        break;
      case ftColor:
        if (font.Color() != clNone) f.FontColor = font.Color();
        break;
      case ftBackGround:
        break;
    }
    f.Top = s;
  };
  // The default style of the lexer in effect there: a sub-lexer's inside its region.
  TSyntAnalyzer* lexer = queries_ ? queries_->AnalyzerAtPos(Pos) : nullptr;
  if (!lexer) lexer = lexer_;
  if (lexer) apply(lexer->DefaultStyle());
  for (const TStyleEntry& e : entries_) apply(e.Style);
  return f;
}

}  // namespace synt
