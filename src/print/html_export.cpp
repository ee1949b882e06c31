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

void AppendUtf8(std::string& Out, char32_t C) {
  if (C < 0x80) {
    Out += char(C);
  } else if (C < 0x800) {
    Out += char(0xC0 | (C >> 6));
    Out += char(0x80 | (C & 0x3F));
  } else if (C < 0x10000) {
    Out += char(0xE0 | (C >> 12));
    Out += char(0x80 | ((C >> 6) & 0x3F));
    Out += char(0x80 | (C & 0x3F));
  } else {
    Out += char(0xF0 | (C >> 18));
    Out += char(0x80 | ((C >> 12) & 0x3F));
    Out += char(0x80 | ((C >> 6) & 0x3F));
    Out += char(0x80 | (C & 0x3F));
  }
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
  const size_t n = Text.size();
  for (size_t i = 0; i < n; ++i) {
    const char16_t c = Text[i];
    switch (c) {
      case u'&':
        Out += "&amp;";
        continue;
      case u'<':
        Out += "&lt;";
        continue;
      case u'>':
        Out += "&gt;";
        continue;
      case u'"':
        Out += "&quot;";
        continue;
      case u'\'':
        Out += "&#39;";
        continue;
      default:
        break;
    }
    if (c < 0x80) {
      Out += char(c);
    } else if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && Text[i + 1] >= 0xDC00 &&
               Text[i + 1] <= 0xDFFF) {
      AppendUtf8(Out, 0x10000 + ((char32_t(c) - 0xD800) << 10) + (Text[i + 1] - 0xDC00));
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      AppendUtf8(Out, 0xFFFD);
    } else {
      AppendUtf8(Out, c);
    }
  }
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
