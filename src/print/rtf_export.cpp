#include "print/rtf_export.h"

#include <charconv>
#include <cstdint>

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
  // Most text needs no escape: it is copied in one go.
  size_t i = 0;
  const size_t n = Text.size();
  while (i < n) {
    size_t j = i;
    while (j < n && Text[j] >= 0x20 && Text[j] < 0x80 && Text[j] != u'\\' && Text[j] != u'{' &&
           Text[j] != u'}')
      ++j;
    if (j > i) {
      const size_t at = Out.size();
      Out.resize(at + (j - i));
      for (size_t k = i; k < j; ++k) Out[at + (k - i)] = char(Text[k]);
      i = j;
      if (i == n) break;
    }
    const char16_t c = Text[i++];
    if (c == u'\\' || c == u'{' || c == u'}') {
      Out += '\\';
      Out += char(c);
    } else if (c == u'\t') {
      Out += "\\tab ";
    } else {
      // RTF numbers Unicode escapes as signed 16-bit values. The one-character fallback that
      // readers skip is "?", written as \'3f: some readers skip one character too many after a
      // literal "?".
      Out += "\\u";
      AppendInt(Out, int16_t(c));
      Out += "\\'3f";
    }
  }
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
  if (F.FontName != currentName_ && *F.FontName != current_.Name) {
    AppendWord(out, "\\f", FontIndex(*F.FontName));
    current_.Name = *F.FontName;
  }
  currentName_ = F.FontName;
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

void TRTFSyntExport::BeginExport() {
  TBaseFormattedExport::BeginExport();
  body_.clear();
  fonts_.clear();
  colors_.clear();
  current_ = TWritten();
  currentName_ = nullptr;
  currentHighlight_ = 0xFFFFFF;
  WriteFormat(EditorFormat());
  if (fonts_.empty()) fonts_.push_back(current_.Name);
}

int TRTFSyntExport::NextRun(int& Pos) {
  const int next = TBaseFormattedExport::NextRun(Pos);
  WriteFormat(MergeRunFormat(Pos));
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

}  // namespace synt
