#include "print/rtf_export.h"

#include <charconv>
#include <cstdint>
#include <memory>

#include "editor/syntax_memo.h"
#include "platform/clipboard.h"
#include "platform/properties.h"

namespace synt {

const TClassInfo& TRTFSyntExport::StaticClassInfo() {
  static const TClassInfo info("TRTFSyntExport", &TBaseFormattedExport::StaticClassInfo(), nullptr,
                               &TClassInfo::ComponentFactory<TRTFSyntExport>);
  return info;
}

namespace {

void AppendInt(std::string& Out, int64_t V) {
  char buf[24];
  auto [p, ec] = std::to_chars(buf, buf + sizeof buf, V);
  Out.append(buf, p);
}

void AppendWord(std::string& Out, const char* Word, int64_t V) {
  Out += Word;
  AppendInt(Out, V);
}

}  // namespace

void AppendRtfText(std::string& Out, std::u16string_view Text) {
  // Written through a local buffer: one append per piece instead of one per character.
  char buf[512];
  size_t n = 0;
  for (const char16_t c : Text) {
    if (n > sizeof buf - 16) {
      Out.append(buf, n);
      n = 0;
    }
    if (c >= 0x20 && c < 0x80) {
      if (c == u'\\' || c == u'{' || c == u'}') buf[n++] = '\\';
      buf[n++] = char(c);
    } else if (c == u'\t') {
      for (const char k : {'\\', 't', 'a', 'b', ' '}) buf[n++] = k;
    } else {
      // RTF numbers Unicode escapes as signed 16-bit values. The one-character fallback that
      // readers skip is "?", written as \'3f: some readers skip one character too many after a
      // literal "?".
      buf[n++] = '\\';
      buf[n++] = 'u';
      n = size_t(std::to_chars(buf + n, buf + sizeof buf, int16_t(c)).ptr - buf);
      for (const char k : {'\\', '\'', '3', 'f'}) buf[n++] = k;
    }
  }
  Out.append(buf, n);
}

TRTFSyntExport::TRTFSyntExport(TComponent* Owner) : TBaseFormattedExport(Owner) {}

int TRTFSyntExport::ColorIndex(uint32_t Rgb) {
  // Tables hold a handful of colours: a scan beats any lookup structure.
  for (size_t i = 0; i < colors_.size(); ++i)
    if (colors_[i] == Rgb) return int(i);
  colors_.push_back(Rgb);
  return int(colors_.size()) - 1;
}

int TRTFSyntExport::FontIndex(const std::u16string& Name) {
  for (size_t i = 0; i < fonts_.size(); ++i)
    if (fonts_[i] == Name) return int(i);
  fonts_.push_back(Name);
  return int(fonts_.size()) - 1;
}

void TRTFSyntExport::WriteFormat(const TRunFormat& F) {
  std::string& out = body_;
  const size_t before = out.size();
  const uint32_t bg = ColorToRGB(F.BgColor);
  if (bg != currentHighlight_) AppendWord(out, "\\highlight", ColorIndex(bg));
  const uint32_t color = ColorToRGB(F.FontColor);
  if (color != current_.Color) AppendWord(out, "\\cf", ColorIndex(color));
  if (F.FontName != current_.Name && *F.FontName != *current_.Name)
    AppendWord(out, "\\f", FontIndex(*F.FontName));
  current_.Name = F.FontName;
  if (F.FontSize != current_.Size) AppendWord(out, "\\fs", int64_t(F.FontSize) * 2);
  static constexpr struct {
    TFontStyle Style;
    const char* Word;
  } kStyles[] = {
      {fsBold, "\\b"}, {fsItalic, "\\i"}, {fsUnderline, "\\ul"}, {fsStrikeOut, "\\strike"}};
  for (const auto& s : kStyles) {
    const bool on = F.Style.Contains(s.Style);
    if (on == current_.Style.Contains(s.Style)) continue;
    out += s.Word;
    if (!on) out += '0';
  }
  if (out.size() != before) out += ' ';
  current_.Size = F.FontSize;
  current_.Color = color;
  current_.Style = F.Style;
  currentHighlight_ = bg;
}

int TRTFSyntExport::LookOf(const TRunFormat& F) {
  if (lastLook_ >= 0 && F.SameLook(looks_[size_t(lastLook_)].Format)) return lastLook_;
  for (size_t i = 0; i < looks_.size(); ++i)
    if (F.SameLook(looks_[i].Format)) return lastLook_ = int(i);
  if (looks_.size() >= kMaxLooks) return -1;
  TLook look;
  look.Format = F;
  look.State.Name = F.FontName;
  look.State.Size = F.FontSize;
  look.State.Color = ColorToRGB(F.FontColor);
  look.State.Style = F.Style;
  look.Highlight = ColorToRGB(F.BgColor);
  looks_.push_back(look);
  return lastLook_ = int(looks_.size()) - 1;
}

void TRTFSyntExport::BeginExport() {
  TBaseFormattedExport::BeginExport();
  body_.clear();
  body_.reserve(size_t(SizeHint()) * 5 / 2 + 1024);
  fonts_.clear();
  colors_.clear();
  looks_.clear();
  transitions_.assign(size_t(kMaxLooks) * kMaxLooks, -1);
  words_.clear();
  lastLook_ = -1;
  static const std::u16string kNoName;
  current_ = TWritten();
  current_.Name = &kNoName;
  currentHighlight_ = 0xFFFFFF;
  const TRunFormat editor = EditorFormat();
  WriteFormat(editor);
  currentLook_ = LookOf(editor);
  if (fonts_.empty()) fonts_.push_back(*current_.Name);
}

int TRTFSyntExport::NextRun(int& Pos) {
  const int next = TBaseFormattedExport::NextRun(Pos);
  const TRunFormat f = MergeRunFormat(Pos);
  const int look = LookOf(f);
  if (look < 0 || currentLook_ < 0) {
    WriteFormat(f);
  } else if (int& t = transitions_[size_t(currentLook_ * kMaxLooks + look)]; t < 0) {
    const size_t before = body_.size();
    WriteFormat(f);
    words_.push_back(body_.substr(before));
    t = int(words_.size()) - 1;
  } else {
    body_ += words_[size_t(t)];
    current_ = looks_[size_t(look)].State;
    currentHighlight_ = looks_[size_t(look)].Highlight;
  }
  currentLook_ = look;
  return next;
}

void TRTFSyntExport::EmitText(std::u16string_view Text) {
  TBaseFormattedExport::EmitText(Text);
  AppendRtfText(body_, Text);
}

void TRTFSyntExport::LineBreak() {
  TBaseFormattedExport::LineBreak();
  body_ += "\r\n\\par ";
}

std::string TRTFSyntExport::Header() const {
  std::string h = "{\\rtf1\\ansi\\deff0\\deftab720{\\fonttbl";
  for (size_t i = 0; i < fonts_.size(); ++i) {
    AppendWord(h, "{\\f", int64_t(i));
    h += "\\fmodern ";
    AppendRtfText(h, fonts_[i]);
    h += ";}";
  }
  h += "}\r\n{\\colortbl";
  for (const uint32_t c : colors_) {
    AppendWord(h, "\\red", c & 0xFF);
    AppendWord(h, "\\green", (c >> 8) & 0xFF);
    AppendWord(h, "\\blue", (c >> 16) & 0xFF);
    h += ';';
  }
  h += "}\r\n\\deflang1033\\pard\\plain";
  return h;
}

void TRTFSyntExport::AddClipboardFormats(TClipboardData& Data) const {
  Data.Formats[std::u16string(cfRichText)] = ExportData();
}

// ---- The editor's copy
// ---------------------------------------------------------------------------

namespace {

void CopyWithExporter(TCustomSyntaxMemo& Memo, TClipboard& Clipboard, bool AsRTF) {
  std::unique_ptr<TPlainTextSyntExport> e;
  if (AsRTF)
    e = std::make_unique<TRTFSyntExport>(nullptr);
  else
    e = std::make_unique<TPlainTextSyntExport>(nullptr);
  e->SetSyntMemo(&Memo);
  e->SetExportType(etSelection);
  e->CopyToClipboard(Clipboard);
}

// Any program that links the exporters copies through them.
[[maybe_unused]] const bool kEditorCopyInstalled = (SetMemoCopyHandler(&CopyWithExporter), true);

}  // namespace

void InstallEditorCopy() {
  SetMemoCopyHandler(&CopyWithExporter);
}

}  // namespace synt
