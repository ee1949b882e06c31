// The exporters on an editor with a small lexer built here: what each format writes for styles,
// hidden text, case formatting, column blocks, the clipboard and streams. Plain exports are
// checked against the editor's own selected text and substrings (the oracle), formatted ones
// against exact expected bytes where the layout matters.
#include <gtest/gtest.h>

#include <random>

#include "analysis/client_analyzer.h"
#include "analysis/syntax_analyzer.h"
#include "editor/syntax_memo.h"
#include "platform/clipboard.h"
#include "platform/headless_host.h"
#include "platform/properties.h"
#include "platform/streams.h"
#include "print/html_export.h"
#include "print/rtf_export.h"

namespace synt {
namespace {

// Keywords bold navy, comments italic green, strings red, "#word" underlined without a colour of
// its own, "@word" in a custom font without a colour of its own.
struct TestLexer {
  TSyntAnalyzer lexer{nullptr};
  TSyntaxFormat *keyword, *comment, *string, *plainUnderline, *custom, *marker;
  TestLexer() {
    keyword = Style(u"Keyword", ftFontAttr, clNavy, {fsBold});
    comment = Style(u"Comment", ftFontAttr, clGreen, {fsItalic});
    string = Style(u"String", ftColor, clRed, {});
    plainUnderline = Style(u"Underline", ftFontAttr, clNone, {fsUnderline});
    custom = Style(u"Custom", ftCustomFont, clNone, {});
    custom->Font()->SetName(u"Arial");
    custom->Font()->SetSize(12);
    marker = Style(u"Marker", ftBackGround, clNone, {});
    marker->SetBgColor(clNavy);  // the keyword colour: one table entry serves both
    Rule(u"\\{[^}]*\\}", u"Comment");
    Rule(u"'[^']*'", u"String");
    Rule(u"(begin|end)\\b", u"Keyword");
    Rule(u"\\#[a-z]+", u"Underline");  // # opens a comment in extended mode
    Rule(u"@[a-z]+", u"Custom");
    Rule(u"[a-z]+", u"");
  }
  TSyntaxFormat* Style(const std::u16string& Name, TFormatType Type, TColor Color,
                       TFontStyles Styles) {
    TSyntaxFormat* s = lexer.Formats()->Add();
    s->SetDisplayName(Name);
    s->SetFormatType(Type);
    s->Font()->SetColor(Color);
    s->Font()->SetStyle(Styles);
    return s;
  }
  void Rule(const std::u16string& Expr, const std::u16string& Style) {
    TTokenRule* r = lexer.TokenRules()->Add();
    r->SetExpression(Expr);
    if (!Style.empty()) r->SetStyleName(Style);
  }
};

struct ExportTest : ::testing::Test {
  THeadlessDesktop desktop;
  TestLexer l;
  TSyntaxMemo memo{nullptr};
  void SetText(std::u16string_view Text) {
    memo.SetText(Text);
    memo.SetSyntaxAnalyzer(&l.lexer);
  }
};

const std::string kRtfHead =
    "{\\rtf1\\ansi\\deff0\\deftab720{\\fonttbl{\\f0\\fmodern Courier New;}}\r\n{\\colortbl";

TEST_F(ExportTest, EmptySelectionGivesNoTextButACompleteRtfDocument) {
  SetText(u"begin end");
  TPlainTextSyntExport plain(nullptr);
  TRTFSyntExport rtf(nullptr);
  for (TPlainTextSyntExport* e : {&plain, static_cast<TPlainTextSyntExport*>(&rtf)}) {
    e->SetSyntMemo(&memo);
    e->SetExportType(etSelection);
    e->Execute();
    EXPECT_EQ(e->PlainText(), u"");
    EXPECT_EQ(e->BlockKind(), kBlockKindStream);
  }
  EXPECT_EQ(plain.ExportData(), "");
  // A block without width selects nothing either.
  memo.Selection().SetBlock({2, 0, 2, 0});
  plain.Execute();
  EXPECT_EQ(plain.PlainText(), u"");
  // The editor's font is written first; black needs no colour change, white no highlight.
  EXPECT_EQ(rtf.ExportData(), kRtfHead + "}\r\n\\deflang1033\\pard\\plain\\f0\\fs20 }");
}

TEST_F(ExportTest, RtfWritesOnlyWhatChangesAndSharesColours) {
  SetText(u"begin #u @c x\n'\\{}'");
  TUserRange* r = memo.UserRanges()->Add();
  r->SetStartPos(6);  // "#u" on the keyword colour as background
  r->SetEndPos(8);
  r->SetStyle(u"Marker");
  TRTFSyntExport rtf(nullptr);
  rtf.SetSyntMemo(&memo);
  rtf.SetExportType(etAllText);
  rtf.Execute();
  // Navy serves the keyword's text and the marker's background: one entry. A style whose colour
  // is none keeps the colour before it, the custom font included.
  EXPECT_EQ(rtf.ExportData(),
            "{\\rtf1\\ansi\\deff0\\deftab720{\\fonttbl{\\f0\\fmodern Courier New;}{\\f1\\fmodern "
            "Arial;}}\r\n{\\colortbl"
            "\\red0\\green0\\blue128;\\red0\\green0\\blue0;\\red255\\green255\\blue255;\\red255"
            "\\green0\\blue0;}\r\n\\deflang1033\\pard\\plain\\f0\\fs20 \\cf0\\b begin\\cf1\\b0 "
            " \\highlight0\\ul #u\\highlight2\\ul0  \\f1\\fs24 @c\\f0\\fs20  x\r\n"
            "\\par \\cf3 '\\\\\\{\\}'}");
  EXPECT_EQ(rtf.FontTable(), (std::vector<std::u16string>{u"Courier New", u"Arial"}));
}

TEST_F(ExportTest, HiddenTextLeavesFormattedExportsButKeepsItsLines) {
  SetText(u"a {qqq\nzzz} b\nc");
  TFormatFlags f = l.comment->FormatFlags();
  f.Include(ffHidden);
  l.comment->SetFormatFlags(f);
  l.comment->SetHidden(true);
  TPlainTextSyntExport plain(nullptr);
  TBaseFormattedExport formatted(nullptr);
  TRTFSyntExport rtf(nullptr);
  THTMLSyntExport html(nullptr);
  for (TPlainTextSyntExport* e :
       std::initializer_list<TPlainTextSyntExport*>{&plain, &formatted, &rtf, &html}) {
    e->SetSyntMemo(&memo);
    e->ExportRange(0, memo.Lines()->TextLength());
  }
  EXPECT_EQ(plain.PlainText(), u"a {qqq\r\nzzz} b\r\nc");
  EXPECT_EQ(formatted.PlainText(), u"a \r\n b\r\nc");
  EXPECT_EQ(rtf.PlainText(), u"a \r\n b\r\nc");
  EXPECT_EQ(html.PlainText(), u"a \r\n b\r\nc");
  EXPECT_EQ(rtf.ExportData().find("qqq"), std::string::npos);
  EXPECT_EQ(html.ExportData().find("zzz"), std::string::npos);
  // Hidden only counts while the style takes part in hiding.
  f.Exclude(ffHidden);
  l.comment->SetFormatFlags(f);
  formatted.ExportRange(0, memo.Lines()->TextLength());
  EXPECT_EQ(formatted.PlainText(), plain.PlainText());
}

TEST_F(ExportTest, CaseFormattingFollowsTheEditorAndTheStyles) {
  SetText(u"begin abc 'q'");
  l.string->SetChangeCase(ccUpper);
  l.keyword->SetChangeCase(ccTitle);
  TBaseFormattedExport e(nullptr);
  e.SetSyntMemo(&memo);
  e.ExportRange(0, memo.Lines()->TextLength());
  EXPECT_EQ(e.PlainText(), u"begin abc 'q'");  // off unless asked
  e.SetUseCaseFormatting(true);
  e.ExportRange(0, memo.Lines()->TextLength());
  EXPECT_EQ(e.PlainText(), u"Begin abc 'Q'");
  e.SetUseCaseFormatting(false);
  TSyntaxMemoOptionsEx o = memo.OptionsEx();
  o.Include(soUseCaseFormat);
  memo.SetOptionsEx(o);
  memo.SetCharCase(ecUpperCase);
  e.ExportRange(4, 6);  // a run cut short: the title rule sees no start
  EXPECT_EQ(e.PlainText(), u"N ABC ");
}

TEST_F(ExportTest, PlainRangesEqualTheTextWithCrLfBreaks) {
  const std::u16string text = u"begin\r\n\tx {c\nd}\r'y'\n\nend é😀\n";
  SetText(text);
  TRTFSyntExport rtf(nullptr);
  rtf.SetSyntMemo(&memo);
  std::mt19937 rng(7);
  auto crlf = [](std::u16string s) {
    std::u16string out;
    for (size_t i = 0; i < s.size(); ++i) {
      if (s[i] == u'\r' && i + 1 < s.size() && s[i + 1] == u'\n') continue;
      if (s[i] == u'\r' || s[i] == u'\n')
        out += u"\r\n";
      else
        out += s[i];
    }
    return out;
  };
  for (int i = 0; i < 300; ++i) {
    const int a = int(rng() % (text.size() + 1));
    const int n = int(rng() % (text.size() + 1 - size_t(a)));
    rtf.ExportRange(a, n);
    // A range that ends between CR and LF ends on the line before the break; one that starts
    // there starts with the break.
    std::u16string want = crlf(text.substr(size_t(a), size_t(n)));
    if (n > 0 && text[size_t(a + n) - 1] == u'\r' && size_t(a + n) < text.size() &&
        text[size_t(a + n)] == u'\n')
      want.resize(want.size() - 2);
    ASSERT_EQ(rtf.PlainText(), want) << "range " << a << "+" << n;
  }
}

TEST_F(ExportTest, ColumnBlocksEqualTheSelectedTextTabsAndShortLinesIncluded) {
  SetText(u"begin\tend\nab\n\n\ta\tb\tc\nlonger line here\nx");
  memo.TabList()->SetAsString(u"4 6");
  TRTFSyntExport rtf(nullptr);
  rtf.SetSyntMemo(&memo);
  rtf.SetExportType(etSelection);
  std::mt19937 rng(11);
  for (int i = 0; i < 200; ++i) {
    const int top = int(rng() % 6), bottom = int(rng() % 6);
    const int left = int(rng() % 20), right = int(rng() % 20);
    memo.Selection().SetBlock({left, top, right, bottom});
    if (!memo.Selection().HaveSelection()) continue;
    rtf.Execute();
    ASSERT_EQ(rtf.PlainText(), memo.SelText())
        << left << "," << top << " " << right << "," << bottom;
    EXPECT_EQ(rtf.BlockKind(), kBlockKindColumn);
  }
  // Any corner a caller passes is taken without harm.
  rtf.ExportBlock({INT32_MIN, INT32_MIN}, {INT32_MAX, INT32_MAX});
  EXPECT_EQ(rtf.PlainText(), u"begin\tend\r\nab\r\n\r\n\ta\tb\tc\r\nlonger line here\r\nx\r\n");
  // Lines shorter than the block give empty lines, each with its break.
  memo.Selection().SetBlock({3, 1, 5, 3});
  rtf.Execute();
  EXPECT_EQ(rtf.PlainText(), u"\r\n\r\n\ta\r\n");
  EXPECT_NE(rtf.ExportData().find("\r\n\\par \r\n\\par \\tab a\r\n\\par }"), std::string::npos)
      << rtf.ExportData();
}

TEST_F(ExportTest, ClipboardCarriesTextBlockKindAndRtf) {
  SetText(u"begin é\nend");
  THeadlessClipboard clip;
  TRTFSyntExport rtf(nullptr);
  rtf.SetSyntMemo(&memo);
  rtf.SetExportType(etAllText);
  rtf.CopyToClipboard(clip);
  TClipboardData d = clip.Data();
  ASSERT_TRUE(d.Text && d.AnsiText);
  EXPECT_EQ(*d.Text, u"begin é\r\nend");
  EXPECT_EQ(*d.Format(cfColumnBlock), std::string(1, '\3'));
  EXPECT_EQ(*d.Format(cfRichText), rtf.ExportData());
  EXPECT_EQ(d.AnsiText->CodePage, CharsetToCodePage(memo.Charset()));

  TPlainTextSyntExport plain(nullptr);
  plain.SetSyntMemo(&memo);
  plain.SetExportType(etSelection);
  memo.Selection().SetBlock({0, 0, 3, 1});
  plain.CopyToClipboard(clip);
  d = clip.Data();
  EXPECT_EQ(*d.Text, u"beg\r\nend\r\n");
  EXPECT_EQ(*d.Format(cfColumnBlock), std::string(1, '\2'));
  EXPECT_FALSE(d.HasFormat(cfRichText));
  // Without a host there is no clipboard to reach.
  EXPECT_THROW(plain.CopyToClipboard(), EClipboardError);
}

TEST_F(ExportTest, FreedEditorIsForgotten) {
  TRTFSyntExport rtf(nullptr);
  {
    TSyntaxMemo other(nullptr);
    other.SetText(u"begin");
    rtf.SetSyntMemo(&other);
  }
  EXPECT_EQ(rtf.SyntMemo(), nullptr);
  rtf.SetExportType(etAllText);
  rtf.Execute();
  // Nothing was exported: no font either.
  EXPECT_EQ(
      rtf.ExportData(),
      "{\\rtf1\\ansi\\deff0\\deftab720{\\fonttbl}\r\n{\\colortbl}\r\n\\deflang1033\\pard\\plain}");
  TMemoryStream s;
  TPlainTextSyntExport plain(nullptr);
  plain.SaveToStream(s);
  EXPECT_EQ(s.DataString(), "");
}

TEST_F(ExportTest, EveryCharacterSurvivesAsEscapes) {
  SetText(std::u16string(u"\\}{\t\x01") + u"é€😀<&>\"'");
  TRTFSyntExport rtf(nullptr);
  THTMLSyntExport html(nullptr);
  rtf.SetSyntMemo(&memo);
  html.SetSyntMemo(&memo);
  rtf.ExportRange(0, memo.Lines()->TextLength());
  html.ExportRange(0, memo.Lines()->TextLength());
  EXPECT_NE(rtf.ExportData().find("\\\\\\}\\{\\tab \\u1\\'3f\\u233\\'3f\\u8364\\'3f\\u-10179\\'3f"
                                  "\\u-8704\\'3f<&>\"'}"),
            std::string::npos)
      << rtf.ExportData();
  for (const char c : rtf.ExportData()) ASSERT_LT(static_cast<unsigned char>(c), 0x80);
  EXPECT_NE(html.ExportData().find("\\}{\t\x01\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80&lt;&amp;&gt;"
                                   "&quot;&#39;"),
            std::string::npos)
      << html.ExportData();
  std::string lone;
  AppendHtmlText(lone, u"a\xD800z\xDC00");
  EXPECT_EQ(lone, "a\xEF\xBF\xBDz\xEF\xBF\xBD");
}

TEST_F(ExportTest, HtmlHasOneClassPerLookAndTheEditorsLookOnThePre) {
  SetText(u"begin x end 'a'\n{c}");
  THTMLSyntExport html(nullptr);
  html.SetSyntMemo(&memo);
  html.SetTitle(u"a<b>");
  html.SetExportType(etAllText);
  html.Execute();
  const std::string page = html.ExportData();
  EXPECT_EQ(page.rfind("<!DOCTYPE html>\n", 0), 0u);
  EXPECT_NE(page.find("<meta charset=\"utf-8\">"), std::string::npos);
  EXPECT_NE(page.find("<title>a&lt;b&gt;</title>"), std::string::npos);
  EXPECT_NE(page.find("pre.synt { margin: 0; padding: 4px; tab-size: 4; -moz-tab-size: 4; color: "
                      "#000000; background-color: #ffffff; font-family: \"Courier New\", "
                      "monospace; font-size: 10pt;"),
            std::string::npos)
      << page;
  EXPECT_NE(page.find(".s0 { color: #000080; background-color: #ffffff; font-weight: bold; "
                      "font-style: normal; text-decoration: none; }  /* Keyword */"),
            std::string::npos)
      << page;
  // Both keywords share the class; the default look has none.
  EXPECT_NE(
      page.find("<code><span class=\"s0\">begin</span> x <span class=\"s0\">end</span> "
                "<span class=\"s1\">&#39;a&#39;\n</span><span class=\"s2\">{c}</span></code>"),
      std::string::npos)
      << page;
  EXPECT_EQ(page.find(".s3"), std::string::npos);
}

TEST(ExportClasses, PublishTheirProperties) {
  RegisterExportClasses();
  const TClassInfo* html = FindClass("THTMLSyntExport");
  ASSERT_NE(html, nullptr);
  std::vector<std::string> names;
  for (const TPropInfo* p : html->Properties()) names.push_back(p->Name);
  EXPECT_EQ(names, (std::vector<std::string>{"Tag", "SyntMemo", "ExportType", "UseCaseFormatting",
                                             "Title"}));
}

TEST_F(ExportTest, PlainSavesInTheEditorsEncodingFormattedAsWritten) {
  SetText(u"é\nx");
  memo.Lines()->SetEncoding(teUtf16LE);
  memo.Lines()->SetLineBreakStyle(lbLF);
  TPlainTextSyntExport plain(nullptr);
  plain.SetSyntMemo(&memo);
  plain.SetExportType(etAllText);
  TMemoryStream s;
  plain.SaveToStream(s);
  EXPECT_EQ(s.DataString(), std::string("\xFF\xFE\xE9\0\n\0x\0", 8));
  TRTFSyntExport rtf(nullptr);
  rtf.SetSyntMemo(&memo);
  rtf.SetExportType(etAllText);
  TMemoryStream r;
  rtf.SaveToStream(r);
  EXPECT_EQ(r.DataString(), rtf.ExportData());
}

}  // namespace
}  // namespace synt
