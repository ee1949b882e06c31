#include "print/html_export.h"

#include <cctype>
#include <cstdio>

#include "editor/memo_settings.h"
#include "editor/syntax_memo.h"
#include "platform/clipboard.h"
#include "platform/properties.h"
#include "platform/utf.h"

namespace synt {

namespace {

void DescribeHtmlExport(TPropertyList& List) {
  using E = THTMLSyntExport;
  TPropsOf<E> p(List);
  p.String("Title", &E::Title, &E::SetTitle);
}

// The UTF-8 bytes of C (at least 0x80) into Buf at N; returns the new length.
size_t AppendUtf8(char* Buf, size_t N, char32_t C) {
  if (C < 0x800) {
    Buf[N++] = char(0xC0 | (C >> 6));
  } else if (C < 0x10000) {
    Buf[N++] = char(0xE0 | (C >> 12));
    Buf[N++] = char(0x80 | ((C >> 6) & 0x3F));
  } else {
    Buf[N++] = char(0xF0 | (C >> 18));
    Buf[N++] = char(0x80 | ((C >> 12) & 0x3F));
    Buf[N++] = char(0x80 | ((C >> 6) & 0x3F));
  }
  Buf[N++] = char(0x80 | (C & 0x3F));
  return N;
}

std::string CssColor(TColor C) {
  const uint32_t rgb = ColorToRGB(C);
  char buf[8];
  std::snprintf(buf, sizeof buf, "#%02x%02x%02x", unsigned(rgb & 0xFF), unsigned((rgb >> 8) & 0xFF),
                unsigned((rgb >> 16) & 0xFF));
  return buf;
}

// A font family as a CSS string; what could end the string or the <style> element is escaped.
std::string CssFamily(const std::u16string& Name) {
  std::string s = "\"";
  for (char16_t c : Name) {
    if (c == u'"' || c == u'\\' || c == u'<' || c == u'>' || c < 0x20) {
      char buf[12];
      std::snprintf(buf, sizeof buf, "\\%x ", unsigned(c));
      s += buf;
    } else {
      std::u16string_view one(&c, 1);
      s += Utf16ToUtf8(one);
    }
  }
  s += '"';
  return s;
}

// A style name inside a CSS comment: letters, digits, blanks, '-' and '_' only, so that nothing
// can end the comment or the element.
std::string CommentName(std::u16string_view Name) {
  std::string s;
  for (char16_t c : Name)
    s +=
        (c < 0x80 && (std::isalnum(int(c)) || c == u' ' || c == u'-' || c == u'_')) ? char(c) : '_';
  return s;
}

// The declarations of a look.
std::string CssRule(const TBaseFormattedExport::TRunFormat& F, bool WithFont) {
  std::string r = "color: " + CssColor(F.FontColor);
  r += "; background-color: ";
  r += CssColor(F.BgColor);
  if (WithFont) {
    r += "; font-family: ";
    r += CssFamily(*F.FontName);
    r += ", monospace; font-size: ";
    r += std::to_string(F.FontSize);
    r += "pt";
  }
  r += F.Style.Contains(fsBold) ? "; font-weight: bold" : "; font-weight: normal";
  r += F.Style.Contains(fsItalic) ? "; font-style: italic" : "; font-style: normal";
  const bool u = F.Style.Contains(fsUnderline), s = F.Style.Contains(fsStrikeOut);
  r += "; text-decoration: ";
  r += u && s ? "underline line-through" : u ? "underline" : s ? "line-through" : "none";
  return r;
}

}  // namespace

const TClassInfo& THTMLSyntExport::StaticClassInfo() {
  static const TClassInfo info("THTMLSyntExport", &TBaseFormattedExport::StaticClassInfo(),
                               DescribeHtmlExport, &TClassInfo::ComponentFactory<THTMLSyntExport>);
  return info;
}

void AppendHtmlText(std::string& Out, std::u16string_view Text) {
  // Written through a local buffer: one append per piece instead of one per character.
  char buf[512];
  size_t n = 0;
  auto put = [&](std::string_view s) {
    for (const char k : s) buf[n++] = k;
  };
  const size_t size = Text.size();
  for (size_t i = 0; i < size; ++i) {
    if (n > sizeof buf - 8) {
      Out.append(buf, n);
      n = 0;
    }
    const char16_t c = Text[i];
    char32_t code = c;
    if (c < 0x80) {
      switch (c) {
        case u'&':
          put("&amp;");
          break;
        case u'<':
          put("&lt;");
          break;
        case u'>':
          put("&gt;");
          break;
        case u'"':
          put("&quot;");
          break;
        case u'\'':
          put("&#39;");
          break;
        default:
          buf[n++] = char(c);
      }
      continue;
    }
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < size && Text[i + 1] >= 0xDC00 &&
        Text[i + 1] <= 0xDFFF)
      code = 0x10000 + ((char32_t(c) - 0xD800) << 10) + (Text[++i] - 0xDC00);
    else if (c >= 0xD800 && c <= 0xDFFF)
      code = 0xFFFD;  // UTF-8 cannot carry an unpaired surrogate
    n = AppendUtf8(buf, n, code);
  }
  Out.append(buf, n);
}

THTMLSyntExport::THTMLSyntExport(TComponent* Owner) : TBaseFormattedExport(Owner) {}

int THTMLSyntExport::ClassOf(const TRunFormat& F) {
  if (F.SameLook(base_)) return -1;
  if (lastClass_ >= 0 && F.SameLook(classes_[size_t(lastClass_)].Look)) return lastClass_;
  for (size_t i = 0; i < classes_.size(); ++i)
    if (F.SameLook(classes_[i].Look)) return lastClass_ = int(i);
  TClass c;
  c.FontName = *F.FontName;
  if (F.Top) c.StyleName = F.Top->DisplayName();
  classes_.push_back(std::move(c));
  TClass& added = classes_.back();
  added.Look = F;
  added.Look.Top = nullptr;
  added.Look.FontName = &added.FontName;
  // The vector may have moved the older classes: their names go with them.
  for (TClass& k : classes_) k.Look.FontName = &k.FontName;
  return lastClass_ = int(classes_.size()) - 1;
}

void THTMLSyntExport::BeginExport() {
  TBaseFormattedExport::BeginExport();
  body_.clear();
  body_.reserve(size_t(SizeHint()) * 9 / 2 + 1024);
  classes_.clear();
  base_ = EditorFormat();
  baseFont_ = *base_.FontName;
  base_.FontName = &baseFont_;
  lastClass_ = pending_ = open_ = -1;
}

void THTMLSyntExport::EndExport() {
  if (open_ >= 0) body_ += "</span>";
  open_ = -1;
  TBaseFormattedExport::EndExport();
}

int THTMLSyntExport::NextRun(int& Pos) {
  const int next = TBaseFormattedExport::NextRun(Pos);
  pending_ = ClassOf(MergeRunFormat(Pos));
  return next;
}

void THTMLSyntExport::EmitText(std::u16string_view Text) {
  TBaseFormattedExport::EmitText(Text);
  if (Text.empty()) return;
  if (pending_ != open_) {
    if (open_ >= 0) body_ += "</span>";
    if (pending_ >= 0) {
      body_ += "<span class=\"s";
      body_ += std::to_string(pending_);
      body_ += "\">";
    }
    open_ = pending_;
  }
  AppendHtmlText(body_, Text);
}

void THTMLSyntExport::LineBreak() {
  TBaseFormattedExport::LineBreak();
  body_ += '\n';
}

std::string THTMLSyntExport::Header() const {
  std::string h = "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>";
  AppendHtmlText(h, title_);
  h += "</title>\n<style>\n";
  if (SyntMemo() && base_.FontName) {
    const TTabList& tabs = *SyntMemo()->TabList();
    // CSS knows one tab width: the first stop, as the editor's stops repeat with it.
    const int tab = tabs.Count() > 0 ? tabs.Items(0) : 8;
    h += "body { margin: 0; background-color: ";
    h += CssColor(base_.BgColor);
    h += "; }\npre.synt { margin: 0; padding: 4px; tab-size: ";
    h += std::to_string(tab);
    h += "; -moz-tab-size: ";
    h += std::to_string(tab);
    h += "; ";
    h += CssRule(base_, true);
    h += "; }\n";
    for (size_t i = 0; i < classes_.size(); ++i) {
      const TClass& c = classes_[i];
      h += ".s";
      h += std::to_string(i);
      h += " { ";
      h += CssRule(c.Look, c.FontName != baseFont_ || c.Look.FontSize != base_.FontSize);
      h += "; }";
      if (!c.StyleName.empty()) {
        h += "  /* ";
        h += CommentName(c.StyleName);
        h += " */";
      }
      h += '\n';
    }
  }
  // <code> keeps a first empty line: a line feed right after <pre> is dropped by parsers.
  h += "</style>\n</head>\n<body>\n<pre class=\"synt\"><code>";
  return h;
}

std::string THTMLSyntExport::Footer() const {
  return "</code></pre>\n</body>\n</html>\n";
}

}  // namespace synt
