#include "lists/char_utils.h"

#include <gtest/gtest.h>
#include <langinfo.h>
#include <locale.h>
#include <unicode/uchar.h>

#include <random>

#include "lists/utf8_codec.h"
#include "platform/utf.h"

namespace synt {
namespace {

TEST(CharClasses, TablesAgreeWithIcuOverTheWholeBmp) {
  for (UChar32 c = 0; c <= 0xFFFF; ++c) {
    char16_t u = char16_t(c);
    bool letter = u_isUAlphabetic(c), digit = u_isdigit(c);
    ASSERT_EQ(IsLetterChar(u), letter) << c;
    ASSERT_EQ(IsDigitChar(u), digit) << c;
    ASSERT_EQ(IsWordChar(u), letter || digit || c == '_') << c;
    ASSERT_EQ(IsSpaceChar(u), bool(u_isUWhiteSpace(c))) << c;
    ASSERT_EQ(IsHexDigitChar(u), bool(u_hasBinaryProperty(c, UCHAR_POSIX_XDIGIT))) << c;
    UChar32 up = u_toupper(c), lo = u_tolower(c);
    ASSERT_EQ(CharUpper(u), up > 0xFFFF ? u : char16_t(up)) << c;
    ASSERT_EQ(CharLower(u), lo > 0xFFFF ? u : char16_t(lo)) << c;
  }
}

TEST(CharClasses, Samples) {
  EXPECT_TRUE(IsWordChar(u'_'));
  EXPECT_FALSE(IsWordChar(u'$'));
  EXPECT_TRUE(IsWordChar(u'\u00E9'));   // é
  EXPECT_TRUE(IsWordChar(u'\u0416'));   // Ж
  EXPECT_TRUE(IsDigitChar(u'\u0663'));  // Arabic-Indic three
  EXPECT_FALSE(IsAsciiDigit(u'\u0663'));
  EXPECT_TRUE(IsHexDigitChar(u'f'));
  EXPECT_FALSE(IsHexDigitChar(u'g'));
  EXPECT_TRUE(IsSpaceChar(u'\t'));
  EXPECT_TRUE(IsSpaceChar(u'\f'));
  EXPECT_TRUE(IsSpaceChar(u'\u00A0'));
  EXPECT_FALSE(IsSpaceChar(u'x'));
  for (char16_t c : {u'\n', u'\v', u'\f', u'\r', u'\u0085', u'\u2028', u'\u2029'})
    EXPECT_TRUE(IsLineBreakChar(c)) << int(c);
  EXPECT_FALSE(IsLineBreakChar(u'\t'));
  EXPECT_TRUE(IsLineBreakChar('\n'));
  EXPECT_FALSE(IsLineBreakChar('\v'));  // the 8-bit form knows CR and LF only
  EXPECT_TRUE(IsAsciiIdentStart(u'_'));
  EXPECT_FALSE(IsAsciiIdentStart(u'1'));
  EXPECT_TRUE(IsAsciiIdentChar(u'1'));
  EXPECT_FALSE(IsAsciiIdentChar(u'\u00E9'));
  EXPECT_EQ(CharUpper(u'\u00E9'), u'\u00C9');
  EXPECT_EQ(CharUpper(u'\u00DF'), u'\u00DF');  // ß has no one-unit upper case
}

TEST(CharClasses, EightBitFormsFollowTheSystemCodePage) {
  EXPECT_TRUE(IsWordChar('a'));
  EXPECT_TRUE(IsWordChar('_'));
  EXPECT_FALSE(IsWordChar('-'));
  EXPECT_TRUE(IsSpaceChar(' '));
  EXPECT_TRUE(IsDigitChar('7'));
  EXPECT_TRUE(IsHexDigitChar('C'));
  EXPECT_EQ(CharUpper('q'), 'Q');
  EXPECT_EQ(CharLower('Q'), 'q');
  if (SystemCodePage() == CP_UTF8) {
    // A byte above 0x7F is no character of UTF-8 on its own.
    EXPECT_FALSE(IsLetterChar('\xC3'));
    EXPECT_EQ(CharUpper('\xE9'), '\xE9');
    EXPECT_EQ(ChangeCase(std::string("h\xC3\xA9llo"), ccUpper), "H\xC3\x89LLO");
    // Broken bytes are left alone.
    EXPECT_EQ(ChangeCase(std::string("a\xFF"
                                     "b"),
                         ccUpper),
              "A\xFF"
              "B");
  }
}

TEST(ChangeCase, Modes) {
  EXPECT_EQ(ChangeCase(u"aBc1\u00E9", ccUpper), u"ABC1\u00C9");
  EXPECT_EQ(ChangeCase(u"aBc1\u00C9", ccLower), u"abc1\u00E9");
  EXPECT_EQ(ChangeCase(u"aBc1", ccToggle), u"AbC1");
  EXPECT_EQ(ChangeCase(u"hello world", ccTitle), u"Hello world");
  EXPECT_EQ(ChangeCase(u"hELLO", ccTitle), u"HELLO");
  EXPECT_EQ(ChangeCase(u"aBc", ccNone), u"aBc");
  EXPECT_EQ(ChangeCase(u"", ccTitle), u"");
  EXPECT_EQ(ChangeCase(std::string("aBc"), ccToggle), "AbC");
  EXPECT_EQ(ChangeCase(std::string("abc def"), ccTitle), "Abc def");
}

TEST(WordBreak, Positions) {
  std::u16string_view s = u"ab cd";
  EXPECT_TRUE(IsWordBreak(s, 1));
  EXPECT_FALSE(IsWordBreak(s, 2));  // between two letters
  EXPECT_TRUE(IsWordBreak(s, 3));   // b | blank
  EXPECT_TRUE(IsWordBreak(s, 4));   // blank | c
  EXPECT_TRUE(IsWordBreak(s, 6));   // past the end
  EXPECT_TRUE(IsWordBreak(s, 0));
  EXPECT_TRUE(IsWordBreak(u"", 1));
  EXPECT_FALSE(IsWordBreak(u"  ", 2));  // neither side is a word character
  EXPECT_FALSE(IsWordBreak(std::string_view("ab"), 2));
}

TEST(LineStarts, Breaks) {
  std::vector<int> st;
  EXPECT_EQ(LineStarts(u""), 0);
  EXPECT_EQ(LineStarts(u"abc", &st), 1);
  EXPECT_EQ(st, std::vector<int>{0});
  st.clear();
  EXPECT_EQ(LineStarts(u"abc\r\n", &st), 2);
  EXPECT_EQ(st, (std::vector<int>{0, 5}));
  st.clear();
  EXPECT_EQ(LineStarts(u"a\rb\nc\r\nd", &st), 4);
  EXPECT_EQ(st, (std::vector<int>{0, 2, 4, 7}));
  EXPECT_EQ(LineStarts(u"\n\r"), 3);
  EXPECT_EQ(LineStarts(u"a\r\n\r\n"), 3);
}

// The vectorised scans against a plain loop, with breaks at every alignment.
TEST(LineStarts, FastScansMatchASimpleModel) {
  std::mt19937 rng(7);
  const char16_t alphabet[] = {u'a', u'\r', u'\n', u' ', u'\u00E9', u'\u4E2D'};
  for (int round = 0; round < 300; ++round) {
    std::u16string s;
    int len = int(rng() % 80);
    for (int i = 0; i < len; ++i) s.push_back(alphabet[rng() % (round % 2 ? 6 : 3)]);
    std::vector<int> model;
    if (!s.empty()) model.push_back(0);
    for (size_t i = 0; i < s.size(); ++i) {
      if (s[i] == '\n' || (s[i] == '\r' && (i + 1 == s.size() || s[i + 1] != '\n')))
        model.push_back(int(i + 1));
    }
    std::vector<int> st;
    EXPECT_EQ(LineStarts(s, &st), int(model.size()));
    EXPECT_EQ(LineStarts(s), int(model.size()));
    ASSERT_EQ(st, model);
    // The same through the decoder of UTF-8 files.
    std::string utf8 = Utf8EncodeLossless(s);
    std::u16string back(utf8.size(), u'\0');
    std::vector<int> dst;
    if (!s.empty()) dst.push_back(0);
    back.resize(Utf8DecodeInto(utf8.data(), utf8.size(), back.data(), &dst));
    ASSERT_EQ(back, s);
    ASSERT_EQ(dst, model);
  }
}

TEST(Strings, BlankAndCollapse) {
  EXPECT_TRUE(IsBlank(u""));
  EXPECT_TRUE(IsBlank(u" \t\r\n"));
  EXPECT_FALSE(IsBlank(u" x "));
  EXPECT_EQ(CollapseSpaces(u"  a  b\t\tc "), u"a b c ");
  EXPECT_EQ(CollapseSpaces(u"\t\n"), u"");
  EXPECT_EQ(CollapseSpaces(u"ab"), u"ab");
}

TEST(Compare, ThreeModes) {
  EXPECT_TRUE(SameText(u"abc", u"abc", cmExact));
  EXPECT_FALSE(SameText(u"abc", u"aBc", cmExact));
  EXPECT_TRUE(SameText(u"\u00C4bC", u"\u00E4Bc", cmIgnoreCase));
  EXPECT_FALSE(SameText(u"abc", u"abd", cmIgnoreCase));
  EXPECT_FALSE(SameText(u"resume", u"r\u00E9sum\u00E9", cmIgnoreCase));
  EXPECT_TRUE(SameText(u"resume", u"R\u00E9sum\u00E9", cmLoose));
  EXPECT_TRUE(SameText(u"a-b", u"ab", cmLoose));           // symbols
  EXPECT_TRUE(SameText(u"\u30AB", u"\u304B", cmLoose));    // katakana / hiragana
  EXPECT_TRUE(SameText(u"\uFF21\uFF22", u"ab", cmLoose));  // full width
  EXPECT_FALSE(SameText(u"ab", u"ac", cmLoose));
  EXPECT_LT(CompareText(u"apple", u"banana", cmExact), 0);
  EXPECT_GT(CompareText(u"b", u"A", cmIgnoreCase), 0);
  EXPECT_EQ(CompareText(u"ABC", u"abc", cmIgnoreCase), 0);
  EXPECT_TRUE(SameTextAt(u"xxHello", 3, u"hello", cmIgnoreCase));
  EXPECT_FALSE(SameTextAt(u"xxHello", 4, u"hello", cmIgnoreCase));  // does not fit
  EXPECT_FALSE(SameTextAt(u"abc", 0, u"a", cmExact));
}

TEST(Search, ForwardAndBackward) {
  std::u16string_view t = u"one Two one two";
  EXPECT_EQ(SearchText(u"one", t), 1);
  EXPECT_EQ(SearchText(u"one", t, 2), 9);
  EXPECT_EQ(SearchText(u"one", t, 10), 0);
  EXPECT_EQ(SearchText(u"two", t), 13);
  EXPECT_EQ(SearchText(u"two", t, 1, true), 5);
  EXPECT_EQ(SearchText(u"", t), 0);
  EXPECT_EQ(SearchText(u"longer than the text itself", u"short"), 0);
  EXPECT_EQ(SearchTextBack(u"one", t), 9);
  EXPECT_EQ(SearchTextBack(u"one", t, 8), 1);
  EXPECT_EQ(SearchTextBack(u"one", t, 9), 9);
  EXPECT_EQ(SearchTextBack(u"TWO", t, -1, true), 13);
  EXPECT_EQ(SearchTextBack(u"TWO", t, 12, true), 5);
  EXPECT_EQ(SearchTextBack(u"two", t, 4), 0);
  EXPECT_EQ(SearchTextBack(u"one", t, 0), 0);
}

TEST(CodePages, SystemAndCharsets) {
  // A UTF-8 locale and the plain C locale both give UTF-8.
  locale_t loc = newlocale(LC_CTYPE_MASK, "", locale_t(0));
  std::string codeset = loc ? nl_langinfo_l(CODESET, loc) : "";
  if (loc) freelocale(loc);
  if (codeset == "UTF-8" || codeset == "ANSI_X3.4-1968" || codeset.empty()) {
    EXPECT_EQ(SystemCodePage(), CP_UTF8);
  }
  EXPECT_EQ(CharsetToCodePage(1), SystemCodePage());
  EXPECT_EQ(CharsetToCodePage(255), OemCodePage());
  EXPECT_EQ(CharsetToCodePage(0), 1252u);
  EXPECT_EQ(CharsetToCodePage(204), 1251u);
  EXPECT_EQ(CharsetToCodePage(128), 932u);
  EXPECT_EQ(CharsetToCodePage(99), SystemCodePage());
  EXPECT_TRUE(IsCodePageSupported(0));
  EXPECT_TRUE(IsCodePageSupported(1252));
  EXPECT_TRUE(IsCodePageSupported(28591));
  EXPECT_FALSE(IsCodePageSupported(12345));
  EXPECT_FALSE(IsCodePageSupported(1200));  // UTF-16 is no 8-bit code page
  EXPECT_TRUE(IsMultiByteCodePage(932));
  EXPECT_FALSE(IsMultiByteCodePage(1252));
  EXPECT_THROW(CodePageToUtf16("x", 12345), EConvertError);
}

TEST(CodePages, Conversions) {
  EXPECT_EQ(CodePageToUtf16("caf\xE9", 1252), u"caf\u00E9");
  EXPECT_EQ(CodePageToUtf16("\xC6", 1251), u"\u0416");
  EXPECT_EQ(CodePageToUtf16("\x93\xFA\x96\x7B", 932), u"\u65E5\u672C");
  EXPECT_EQ(Utf16ToCodePage(u"\u65E5\u672C", 932), "\x93\xFA\x96\x7B");
  size_t bad = 99;
  EXPECT_EQ(Utf16ToCodePage(u"a\u65E5\u672C", 1252, &bad), "a??");
  EXPECT_EQ(bad, 2u);
  EXPECT_EQ(Utf16ToCodePage(u"caf\u00E9", CP_UTF8, &bad), "caf\xC3\xA9");
  EXPECT_EQ(bad, 0u);
  // A byte that windows-1252 leaves undefined is kept as an escape.
  std::u16string u = CodePageToUtf16(
      "a\x81"
      "b",
      1252);
  EXPECT_EQ(Utf16ToCodePage(u, 1252),
            "a\x81"
            "b");
}

TEST(CodePages, AnyBytesRoundTripInEveryCodePage) {
  std::mt19937 rng(11);
  for (uint32_t cp : {1252u, 1251u, 1253u, 874u, 932u, 936u, 949u, 950u, 54936u, 28591u, 28605u,
                      20866u, 437u, 850u, 20932u, 65001u}) {
    for (int round = 0; round < 40; ++round) {
      std::string bytes;
      int len = int(rng() % 64);
      for (int i = 0; i < len; ++i) bytes.push_back(char(round % 3 ? rng() : 'a' + rng() % 4));
      std::u16string u = CodePageToUtf16(bytes, cp);
      ASSERT_EQ(Utf16ToCodePage(u, cp), bytes) << cp;
    }
  }
}

TEST(Utf8, LosslessDecoding) {
  EXPECT_EQ(Utf8DecodeLossless("a\xC3\xA9"), u"a\u00E9");
  EXPECT_EQ(Utf8DecodeLossless("\xF0\x9F\x98\x80"), u"\U0001F600");
  // Overlong, surrogate and truncated forms are kept byte by byte.
  EXPECT_EQ(Utf8DecodeLossless("\xC0\x80"), u"\xDCC0\xDC80");
  EXPECT_EQ(Utf8DecodeLossless("\xED\xA0\x80"), u"\xDCED\xDCA0\xDC80");
  EXPECT_EQ(Utf8DecodeLossless("\xE2\x82"
                               "x"),
            u"\xDCE2\xDC82x");
  EXPECT_EQ(Utf8DecodeLossless("\xF4\x90\x80\x80"), u"\xDCF4\xDC90\xDC80\xDC80");
  // Lone surrogates that are no escapes survive as their three-byte form.
  EXPECT_EQ(Utf8EncodeLossless(u"\xD800"), "\xED\xA0\x80");
}

TEST(Utf8, AgreesWithTheStrictDecoderOnWellFormedText) {
  std::mt19937 rng(3);
  for (int round = 0; round < 200; ++round) {
    std::u16string s;
    for (int i = int(rng() % 50); i > 0; --i) {
      switch (rng() % 4) {
        case 0:
          s.push_back(char16_t('a' + rng() % 26));
          break;
        case 1:
          s.push_back(char16_t(0x80 + rng() % 0x700));
          break;
        case 2:
          s.push_back(char16_t(0x800 + rng() % 0xD000));
          break;
        default:
          s += u"\U0001F600";
          break;
      }
    }
    std::string utf8 = Utf16ToUtf8(s);
    ASSERT_EQ(Utf8EncodeLossless(s), utf8);
    ASSERT_EQ(Utf8DecodeLossless(utf8), Utf8ToUtf16(utf8));
  }
}

TEST(Utf8, AnyBytesRoundTrip) {
  std::mt19937 rng(5);
  for (int round = 0; round < 2000; ++round) {
    std::string bytes;
    int len = int(rng() % 70);
    for (int i = 0; i < len; ++i) {
      unsigned r = rng();
      bytes.push_back(char(r % 4 == 0 ? 'a' : r % 4 == 1 ? 0x80 + (r >> 8) % 0x40 : r >> 8));
    }
    ASSERT_EQ(Utf8EncodeLossless(Utf8DecodeLossless(bytes)), bytes);
  }
}

}  // namespace
}  // namespace synt
