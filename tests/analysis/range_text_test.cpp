#include <gtest/gtest.h>

#include "analysis/client_analyzer.h"
#include "lexer_build.h"

namespace synt::test {
namespace {

constexpr uint32_t kIdent = 1u << 2;

struct Fmt : ::testing::Test {
  Fmt() {
    AddToken(L, u"Ident", u"[a-z_]\\w*", 2);
    AddToken(L, u"Symbol", u"[.;:=(),]", 3);
    begin = AddBlock(L, u"Begin", btRangeStart, {{u"begin case", tcEqual, kIdent}});
    end = AddBlock(L, u"End", btRangeEnd, {{u".", tcNotEqual}, {u"end", tcEqual, kIdent}});
    end->SetBlockOffset(1);
    SetBlockEnd(begin, end);
  }
  std::u16string Format(std::u16string_view Text, std::u16string_view F, int RangeIndex = 0) {
    doc = std::make_unique<Doc>(L, Text);
    auto& c = doc->Analyze();
    return c.FormatRangeText(F, c.Ranges(RangeIndex));
  }
  TSyntAnalyzer L{nullptr};
  TTagBlockCondition *begin, *end;
  std::unique_ptr<Doc> doc;
};

TEST_F(Fmt, TokensOfTheRange) {
  const char16_t* t = u"begin a b c d end;";
  EXPECT_EQ(Format(t, u"%s0 ..."), u"begin ...");
  EXPECT_EQ(Format(t, u"%S-1"), u"a");
  EXPECT_EQ(Format(t, u"%e0"), u";");  // the closing rule's reference token
  EXPECT_EQ(Format(t, u"%e1"), u"end");
  EXPECT_EQ(Format(t, u"%s0~e1"), u"begin a b c d end");
  EXPECT_EQ(Format(t, u"%s0~3"), u"begin a b ...");
  EXPECT_EQ(Format(t, u"%s0~e1~2"), u"begin a ...");
  EXPECT_EQ(Format(t, u"[%s-1|%s-2]"), u"[a|b]");
  EXPECT_EQ(Format(t, u"%:label:s0"), u"begin");
}

TEST_F(Fmt, SearchForwardAndBackward) {
  const char16_t* t = u"begin a b a c end;";
  EXPECT_EQ(Format(t, u"%s[a]~e1"), u"a b a c end");
  EXPECT_EQ(Format(t, u"%e[a]"), u"a");
  EXPECT_EQ(Format(t, u"%e[a]~e0"), u"a c end ;");
  EXPECT_EQ(Format(t, u"<%s[zz]>"), u"<>");  // not found: nothing inserted
}

TEST_F(Fmt, ParentsAndOpenRanges) {
  // Ranges in AllRanges order: case (0), begin (1).
  const char16_t* t = u"case x begin y end; z";
  EXPECT_EQ(Format(t, u"%ps0/%s0", 1), u"case/begin");
  EXPECT_EQ(Format(t, u"%Ps0", 0), u"");  // beyond the outermost range: the whole text is empty
  // The open case range has no closing token: %e0 inserts nothing and disappears.
  EXPECT_EQ(Format(t, u"<%e0>", 0), u"<>");
  EXPECT_EQ(Format(t, u"%s0~3", 0), u"case");
}

TEST_F(Fmt, LineModes) {
  const char16_t* t = u"x;\n  y begin a\n b end;";
  EXPECT_EQ(Format(t, u"%sl0"), u"  y begin");
  EXPECT_EQ(Format(t, u"%sz0 ..."), u"begin a ...");
  EXPECT_EQ(Format(t, u"%el1"), u" b end");
}

TEST_F(Fmt, MalformedSpecifiersStay) {
  const char16_t* t = u"begin a end;";
  EXPECT_EQ(Format(t, u"100%"), u"100%");
  EXPECT_EQ(Format(t, u"%x %s0"), u"%x begin");
  EXPECT_EQ(Format(t, u"%s %s0"), u"%s begin");          // a bare S needs a number
  EXPECT_EQ(Format(t, u"%:open %s0"), u"%:open begin");  // no closing colon
  EXPECT_EQ(Format(t, u"%s[a %s0"), u"%s[a begin");      // unclosed search
  EXPECT_EQ(Format(t, u"%s99"), u"");                    // out of range: nothing inserted
  EXPECT_EQ(Format(t, u"%%s0"), u"%begin");
}

TEST_F(Fmt, CollapsedAndAutoCloseTexts) {
  // Changing a rule clears the analysis: analyse again after each change.
  auto autoClose = [&](const std::u16string& Text, std::u16string_view Indent) {
    begin->SetAutoCloseText(Text);
    doc = std::make_unique<Doc>(L, u"begin a end;");
    auto& c = doc->Analyze();
    return c.GetAutoCloseText(c.Ranges(0), Indent);
  };
  begin->SetCollapseFmt(u"%s0 ...");
  EXPECT_EQ(autoClose(u"end; // %s0\r\n%s-1", u"  "), u"  end; // begin\r\n  a");
  EXPECT_EQ(doc->client->GetCollapsedText(doc->client->Ranges(0)), u"begin ...");
  EXPECT_EQ(autoClose(u"", u"  "), u"");
  EXPECT_EQ(autoClose(u"x", u""), u"x");
  EXPECT_EQ(autoClose(u"\r\n", u""), u"\r\n");  // not longer than two characters: kept
}

}  // namespace
}  // namespace synt::test
