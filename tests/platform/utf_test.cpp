#include "platform/utf.h"

#include <gtest/gtest.h>

namespace synt {
namespace {

TEST(Utf, RoundTripsEveryPlane) {
  std::u16string s = u"a\u00e9\u20ac\U0001F600z";
  EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(s)), s);
  EXPECT_EQ(Utf16ToUtf8(s), "a\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80z");
}

TEST(Utf, MalformedUtf8BecomesReplacementPerByte) {
  // Truncated sequence, stray continuation byte, overlong form, encoded surrogate, beyond U+10FFFF.
  EXPECT_EQ(Utf8ToUtf16("a\xe2\x82"), u"a\uFFFD\uFFFD");
  EXPECT_EQ(Utf8ToUtf16("\x80"
                        "b"),
            u"\uFFFDb");
  EXPECT_EQ(Utf8ToUtf16("\xc0\xaf"), u"\uFFFD\uFFFD");
  EXPECT_EQ(Utf8ToUtf16("\xe0\x80\xaf"), u"\uFFFD\uFFFD\uFFFD");
  EXPECT_EQ(Utf8ToUtf16("\xed\xa0\x80"), u"\uFFFD\uFFFD\uFFFD");
  EXPECT_EQ(Utf8ToUtf16("\xf4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD");
}

TEST(Utf, LoneSurrogatesEncodeAsReplacement) {
  std::u16string s = {u'a', char16_t(0xD800), u'b', char16_t(0xDC00)};
  EXPECT_EQ(Utf16ToUtf8(s),
            "a\xef\xbf\xbd"
            "b\xef\xbf\xbd");
}

}  // namespace
}  // namespace synt
