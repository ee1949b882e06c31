#include "json.h"

#include <gtest/gtest.h>

namespace synt::tool {
namespace {

TEST(Json, ParsesAJsonLinesCase) {
  JsonValue v;
  std::string err;
  ASSERT_TRUE(ParseJson(
      R"({"expr": "a\\d+", "text": "x\u00e9\ud83d\ude00", "pos": 3, "backward": true})", v, err))
      << err;
  EXPECT_EQ(v.Find("expr")->AsString(), u"a\\d+");
  EXPECT_EQ(v.Find("text")->AsString(), u"x\u00e9\U0001F600");
  EXPECT_EQ(v.Find("pos")->AsNumber(), 3);
  EXPECT_TRUE(v.Find("backward")->AsBool());
  EXPECT_EQ(v.Find("subst"), nullptr);
}

TEST(Json, RejectsMalformedInputWithAPosition) {
  JsonValue v;
  std::string err;
  for (const char* bad :
       {"", "{", "{\"a\" 1}", "[1,]", "\"abc", "{\"a\": tru}", "1 2", "\"\\x\""}) {
    EXPECT_FALSE(ParseJson(bad, v, err)) << bad;
    EXPECT_NE(err.find("at byte"), std::string::npos) << bad;
  }
  std::string deep(100000, '[');
  EXPECT_FALSE(ParseJson(deep, v, err));
}

TEST(Json, QuoteRoundTripsLoneSurrogatesAndControls) {
  std::u16string s = {u'"', u'\\', u'\n', char16_t(1), char16_t(0xD800), u'\u00e9'};
  JsonValue v;
  std::string err;
  ASSERT_TRUE(ParseJson(JsonQuote(s), v, err)) << err;
  EXPECT_EQ(v.AsString(), s);
  EXPECT_EQ(JsonLine().Add("a", 1).Add("b", u"x").Add("c", true).Str(),
            R"({"a": 1, "b": "x", "c": true})");
}

}  // namespace
}  // namespace synt::tool
