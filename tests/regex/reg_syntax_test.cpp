// The expression language: modifiers, escapes, sets, quantifiers, layout and compile errors.
#include <gtest/gtest.h>

#include "platform/properties.h"
#include "regex_test_util.h"

namespace synt {
namespace {

using test::ErrorOf;
using test::Whole;

constexpr int kPlain = rmGreedy | rmMultiLine;  // no i, r, s, x

TEST(RegSyntax, ModifierStrBothWays) {
  TqxRegExpr re;
  EXPECT_EQ(re.ModifierFlags(), 0x3B);
  EXPECT_EQ(re.ModifierStr(), u"(?irgmx-s)");
  re.SetModifierStr(u"(?-x)");
  EXPECT_EQ(re.ModifierStr(), u"(?irgm-sx)");
  re.SetModifierStr(u"(?sX)");
  EXPECT_EQ(re.ModifierStr(), u"(?irsgmx)");
  re.SetModifierFlags(0);
  EXPECT_EQ(re.ModifierStr(), u"(?-irsgmx)");

  // Static bits are left alone by inline letters and by the setter.
  TqxRegExpr st;
  st.SetModifiersStatic(rmExtended);
  st.SetModifierStr(u"(?-x)");
  EXPECT_EQ(st.ModifierStr(), u"(?irgmx-s)");
  st.SetExpression(u"(?-x)a b");
  int pos = 1;
  EXPECT_TRUE(st.Match(u"ab", pos));

  // Anything that is not "(?...)" is ignored; a bad letter raises and changes nothing.
  st.SetModifierStr(u"-i");
  st.SetModifierStr(u"(?");
  EXPECT_EQ(st.ModifierStr(), u"(?irgmx-s)");
  EXPECT_THROW(st.SetModifierStr(u"(?i-q)"), Exception);
  EXPECT_EQ(st.ModifierStr(), u"(?irgmx-s)");
  try {
    st.SetModifierStr(u"(?y)");
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Unexpected modifier");
  }

  TqxRegExpr a(u"x"), b;
  a.SetCodePage(1251);
  a.SetModifierFlags(rmIgnoreCase);
  b.Assign(a);
  EXPECT_EQ(b.Expression(), u"x");
  EXPECT_EQ(b.CodePage(), 1251u);
  EXPECT_EQ(b.ModifierFlags(), rmIgnoreCase);
}

TEST(RegSyntax, PublishedProperties) {
  // Published in this order; ModifierStr is not stored, CodePage defaults to 0.
  std::vector<std::string> names;
  for (const TPropInfo* p : TqxRegExpr::StaticClassInfo().Properties()) names.push_back(p->Name);
  EXPECT_EQ(names, (std::vector<std::string>{"Expression", "ModifierStr", "ModifierFlags",
                                             "ModifiersStatic", "CodePage"}));
  TqxRegExpr re(u"a+");
  const auto& props = TqxRegExpr::StaticClassInfo().Properties();
  EXPECT_FALSE(props[1]->IsStored(&re));
  EXPECT_TRUE(props[2]->IsStored(&re));
  EXPECT_TRUE(props[4]->IsDefault(&re));
  // Properties set through their descriptions act as the setters do.
  props[1]->SetStr(&re, u"(?-i)");
  EXPECT_EQ(props[2]->GetOrd(&re), 0x3A);
  EXPECT_EQ(re.MatchLength(u"AAA", 1), 0);
  props[0]->SetStr(&re, u"A+");
  EXPECT_EQ(re.MatchLength(u"AAA", 1), 3);

  // Assignment through the persistent interface copies CodePage, Expression and ModifierFlags.
  TqxRegExpr to;
  to.SetModifiersStatic(rmExtended);
  static_cast<TPersistent&>(to).Assign(&re);
  EXPECT_EQ(to.Expression(), u"A+");
  EXPECT_EQ(to.ModifierFlags(), 0x3A);
  EXPECT_EQ(to.ModifiersStatic(), rmExtended);
  TPersistent other;
  EXPECT_THROW(to.Assign(&other), EConvertError);
  // A copy is an independent expression with the same settings.
  TqxRegExpr copy(re);
  copy.SetExpression(u"b");
  EXPECT_EQ(re.Expression(), u"A+");
  EXPECT_EQ(copy.ModifierFlags(), 0x3A);
}

TEST(RegSyntax, ModifierStrSetterRecompiles) {
  // A tree compiled with the old modifiers must not keep matching with them.
  TqxRegExpr re(u"A");
  int pos = 1;
  EXPECT_TRUE(re.Match(u"a", pos));
  re.SetModifierStr(u"(?-i)");
  pos = 1;
  EXPECT_FALSE(re.Match(u"a", pos));
}

TEST(RegSyntax, DefaultModifiersAndInlineScopes) {
  EXPECT_EQ(Whole(u"[a-z_]\\w*", u"Hello_World42 x"), "Hello_World42");
  EXPECT_EQ(Whole(u"(?-i)[A-Z]", u"a"), "no match");
  EXPECT_EQ(Whole(u"(?-i)[A-Z]", u"Q"), "Q");
  // An inline modifier holds for the rest of its alternative, groups opened later included.
  EXPECT_EQ(Whole(u"a(?-i)b(c)", u"ABC"), "no match");
  EXPECT_EQ(Whole(u"a(?-i)b(c)", u"Abc"), "Abc");
  EXPECT_EQ(Whole(u"(?-i)a|b", u"B"), "B");
  EXPECT_EQ(Whole(u"((?-i)a)b", u"aB"), "aB");
  EXPECT_EQ(Whole(u"((?-i)a)b", u"Ab"), "no match");
  // Letters that are not modifiers.
  EXPECT_EQ(ErrorOf(u"(?q)a"), "Unexpected modifier");
}

TEST(RegSyntax, ExtendedLayoutAndComments) {
  std::u16string expr = u"# a number with a fraction\n\\d+ \\.? \\d+";
  EXPECT_EQ(Whole(expr, u"3.14 "), "3.14");
  EXPECT_EQ(Whole(u"a b  c", u"abc"), "abc");
  EXPECT_EQ(Whole(u"(?-x)a b", u"a b"), "a b");
  // Escaped blanks and "#" are literal with x; blanks inside sets are skipped too.
  EXPECT_EQ(Whole(u"a\\ b\\#", u"a b#"), "a b#");
  EXPECT_EQ(Whole(u"[ a]+", u"aa a"), "aa");
  // The comment group works only with x clear.
  EXPECT_EQ(Whole(u"a(?#comment)b", u"ab", 1, false, kPlain), "ab");
  EXPECT_EQ(ErrorOf(u"a(?#comment)b"), "Unexpected end of expression");
  // A quantifier may stand apart from its atom.
  EXPECT_EQ(Whole(u"a +", u"aaa"), "aaa");
}

TEST(RegSyntax, AlternativesAndStrayParenthesis) {
  // An empty alternative is dropped.
  EXPECT_EQ(Whole(u"[\\(]|", u"("), "(");
  EXPECT_EQ(Whole(u"[\\(]|", u"x"), "no match");
  EXPECT_EQ(Whole(u"(a|)b", u"b"), "no match");
  EXPECT_EQ(Whole(u"(a|)b", u"ab"), "ab");
  // A ")" without its "(" ends the expression.
  EXPECT_EQ(Whole(u"ab)c", u"abx"), "ab");
  TqxRegExpr empty(u"");
  EXPECT_TRUE(empty.IsInvalid());
  EXPECT_EQ(empty.CompileError(), "");
  TqxRegExpr onlyModifiers(u"(?i)");
  EXPECT_TRUE(onlyModifiers.IsInvalid());
  EXPECT_EQ(Whole(u"()", u"x"), "no match");
}

TEST(RegSyntax, LiteralsAndEscapes) {
  EXPECT_EQ(Whole(u"\\t\\n\\r\\f\\a\\e", u"\t\n\r\f\a\x1b"), "\t\n\r\f\a\x1b");
  EXPECT_EQ(Whole(u"\\x41\\x{ 42 }\\x{00e9}", u"AB\u00e9", 1, false, kPlain), "AB\u00e9");
  EXPECT_EQ(Whole(u"\\.\\\\\\(\\[\\-\\]\\0", u".\\([-]0"), ".\\([-]0");
  EXPECT_EQ(Whole(u"a\\", u"a\\"), "a\\");
  // Quantifier characters where an atom is expected are literals; "**" repeats and then matches
  // "*".
  EXPECT_EQ(Whole(u"*a", u"*a"), "*a");
  EXPECT_EQ(Whole(u"a**", u"aaa*"), "aaa*");
  EXPECT_EQ(Whole(u"}]", u"}]"), "}]");
  EXPECT_EQ(Whole(u"^*", u"*"), "*");
  // Ignore-case literals.
  EXPECT_EQ(Whole(u"stra\u00dfe", u"STRA\u00dfE"), "STRA\u00dfE");
  EXPECT_EQ(Whole(u"\u00e9t\u00e9", u"\u00c9T\u00c9"), "\u00c9T\u00c9");
}

TEST(RegSyntax, Sets) {
  EXPECT_EQ(Whole(u"[]a]+", u"]a]b"), "]a]");
  EXPECT_EQ(Whole(u"[a-]+", u"a-a-b"), "a-a-");
  EXPECT_EQ(Whole(u"[-a]+", u"-a"), "-a");
  EXPECT_EQ(Whole(u"[^]", u"\n"), "\n");
  EXPECT_EQ(Whole(u"[^]]", u"]"), "no match");
  EXPECT_EQ(Whole(u"[\\]\\-]+", u"]-]x"), "]-]");
  EXPECT_EQ(Whole(u"[a\\-z]+", u"a-zb"), "a-z");
  EXPECT_EQ(Whole(u"[a-\\d]+", u"a-5b"), "a-5");
  EXPECT_EQ(Whole(u"[\\x41-\\x43]+", u"ABCD", 1, false, kPlain), "ABC");
  EXPECT_EQ(Whole(u"[\\w.]+", u"ab.c!"), "ab.c");
  EXPECT_EQ(Whole(u"[^\\d\\s]+", u"ab1"), "ab");
  EXPECT_EQ(Whole(u"[\\n\\t]+", u"\n\t\n."), "\n\t\n");
  EXPECT_EQ(Whole(u"[--/]+", u"-./0"), "-./");
  // Ignore case: a range spanning letters and other units keeps all its members.
  EXPECT_EQ(Whole(u"[0-z]", u"["), "[");
  EXPECT_EQ(Whole(u"[0-z]", u"Q"), "Q");
  EXPECT_EQ(Whole(u"[a-c]+", u"AbCd"), "AbC");
  EXPECT_EQ(Whole(u"[^a-c]", u"B"), "no match");
  EXPECT_EQ(Whole(u"[xyz]", u"Y"), "Y");
  EXPECT_EQ(Whole(u"[a-c]", u"B", 1, false, kPlain), "no match");
}

TEST(RegSyntax, ClassLetters) {
  EXPECT_EQ(Whole(u"\\h\\h", u"aF"), "aF");
  EXPECT_EQ(Whole(u"\\h\\h", u"aG"), "no match");
  // Without r, \d \l \w are the ASCII classes; with r, the locale's.
  EXPECT_EQ(Whole(u"\\w+", u"\u00e9t\u00e9!"), "\u00e9t\u00e9");
  EXPECT_EQ(Whole(u"\\w+", u"\u00e9t\u00e9!", 1, false, kPlain), "no match");
  EXPECT_EQ(Whole(u"\\d+", u"\u0663\u0664"), "\u0663\u0664");
  EXPECT_EQ(Whole(u"\\d+", u"\u0663\u0664", 1, false, kPlain), "no match");
  EXPECT_EQ(Whole(u"\\l+", u"\u00e9a1", 1, false, kPlain), "no match");
  EXPECT_EQ(Whole(u"\\L", u"\u00e9", 1, false, kPlain), "\u00e9");
  EXPECT_EQ(Whole(u"\\g\\c*", u"_a1 "), "_a1");
  EXPECT_EQ(Whole(u"\\G", u"1"), "1");
  EXPECT_EQ(Whole(u"\\k+\\K", u"12a"), "12a");
  EXPECT_EQ(Whole(u"\\s+\\S", u" \t\u3000x"), " \t\u3000x");
  EXPECT_EQ(Whole(u"\\W\\D\\H", u"!x/"), "!x/");
}

TEST(RegSyntax, ClassHooks) {
  SetRegExprHooks({[](char16_t l) { return l == u'y' || l == u'Y'; },
                   [](char16_t c, char16_t l, bool& in) {
                     if (l == u'y' || l == u'Y') {
                       in = (c == u'$' || c == u'@') == (l == u'y');
                       return true;
                     }
                     if (l == u'd') {  // the hook answers first, also for built-in letters
                       in = c == u'x';
                       return true;
                     }
                     return false;
                   }});
  EXPECT_EQ(Whole(u"\\y+", u"$@a"), "$@");
  EXPECT_EQ(Whole(u"\\Y", u"a"), "a");
  EXPECT_EQ(Whole(u"[\\y]+", u"@$"), "@$");
  EXPECT_EQ(Whole(u"\\d", u"x"), "x");
  EXPECT_EQ(Whole(u"\\d", u"5"), "no match");
  // An expression compiled before the hooks changed picks them up.
  TqxRegExpr re(u"\\y");
  int pos = 1;
  EXPECT_TRUE(re.Match(u"$", pos));
  SetRegExprHooks({});
  pos = 1;
  EXPECT_FALSE(re.Match(u"$", pos));
  EXPECT_EQ(Whole(u"\\y", u"y"), "y");
  EXPECT_EQ(Whole(u"\\d", u"5"), "5");
}

TEST(RegSyntax, Quantifiers) {
  EXPECT_EQ(Whole(u"a{2}", u"aaa"), "aa");
  EXPECT_EQ(Whole(u"a{2,}", u"aaaa"), "aaaa");
  EXPECT_EQ(Whole(u"a{1,3}", u"aaaa"), "aaa");
  EXPECT_EQ(Whole(u"a{1,3}?", u"aaaa"), "a");
  EXPECT_EQ(Whole(u"a{ 1 , 3 }", u"aaaa"), "aaa");
  // A maximum of 0 means no limit.
  EXPECT_EQ(Whole(u"a{0}", u"aaa"), "aaa");
  EXPECT_EQ(Whole(u"a{0,0}b", u"aab"), "aab");
  // Without g every quantifier is lazy, and "?" after it makes no difference.
  EXPECT_EQ(Whole(u"a+", u"aaa", 1, false, rmMultiLine), "a");
  EXPECT_EQ(Whole(u"a+?", u"aaa", 1, false, rmMultiLine), "a");
  EXPECT_EQ(Whole(u"a+b", u"aaab", 1, false, rmMultiLine), "aaab");
  EXPECT_EQ(Whole(u"(?g)a+", u"aaa", 1, false, rmMultiLine), "aaa");
  EXPECT_EQ(Whole(u"a{3}c", u"aac"), "no match");
}

TEST(RegSyntax, CompileErrors) {
  EXPECT_EQ(ErrorOf(u"a{3,1}"), "Loop minimum must be less then loop maximum");
  EXPECT_EQ(ErrorOf(u"a{5,0}"), "Loop minimum must be less then loop maximum");
  EXPECT_EQ(ErrorOf(u"a{}"), "Number is expected");
  EXPECT_EQ(ErrorOf(u"a{"), "Number is expected");
  EXPECT_EQ(ErrorOf(u"a{2,x}"), "Number is expected");
  EXPECT_EQ(ErrorOf(u"a{2,"), "Number is expected");
  EXPECT_EQ(ErrorOf(u"a{2,3"), "There is no closing \"}\"");
  EXPECT_EQ(ErrorOf(u"a{2,3x"), "There is no closing \"}\"");
  EXPECT_EQ(ErrorOf(u"a{2x}"), "Invalid loop specifier");
  EXPECT_EQ(ErrorOf(u"a{2"), "Invalid loop specifier");
  EXPECT_EQ(ErrorOf(u"[z-a]"), "Invalid set range");
  EXPECT_EQ(ErrorOf(u"(ab"), "Do not closed sub expression");
  EXPECT_EQ(ErrorOf(u"((a)|b"), "Do not closed sub expression");
  EXPECT_EQ(ErrorOf(u"(a)\\2"), "Invalid reference");
  EXPECT_EQ(ErrorOf(u"\\1(a)"), "Invalid reference");
  EXPECT_EQ(ErrorOf(u"(?<x)"), "Invalid zero-width expression");
  EXPECT_EQ(ErrorOf(u"[ab"), "Unexpected end of expression");
  EXPECT_EQ(ErrorOf(u"[]"), "Unexpected end of expression");
  EXPECT_EQ(ErrorOf(u"[a\\"), "Unexpected end of expression");
  EXPECT_EQ(ErrorOf(u"a(?"), "Unexpected end of expression");
  EXPECT_EQ(ErrorOf(u"(?<"), "Unexpected end of expression");
  EXPECT_EQ(ErrorOf(u"(?="), "Unexpected end of expression");
  EXPECT_EQ(ErrorOf(u"(?!"), "Unexpected end of expression");
  EXPECT_EQ(ErrorOf(u"a\\x"), "Invalid escape char");
  EXPECT_EQ(ErrorOf(u"\\x{110000}"), "Invalid HEX char");
  EXPECT_EQ(ErrorOf(u"\\x{FFFFFFFFFFFF}"), "Invalid HEX char");
  EXPECT_EQ(ErrorOf(u"\\xzz"), "'zz' is not a valid integer value");
  EXPECT_EQ(ErrorOf(u"\\x{}"), "'' is not a valid integer value");
  EXPECT_EQ(ErrorOf(u"a{99999999999}"), "'99999999999' is not a valid integer value");
  EXPECT_EQ(ErrorOf(u"(?i-z)"), "Unexpected modifier");
  // An error inside an assertion is reported, not dropped.
  EXPECT_EQ(ErrorOf(u"(?=a{2,1})b"), "Loop minimum must be less then loop maximum");
  EXPECT_EQ(ErrorOf(u"(?=ab"), "Do not closed sub expression");

  // Errors make the expression invalid; matching reports no match; the kind of exception.
  TqxRegExpr re(u"(a");
  EXPECT_TRUE(re.IsInvalid());
  EXPECT_EQ(re.CompileError(), "Do not closed sub expression");
  int pos = 1;
  EXPECT_FALSE(re.Match(u"a", pos));
  EXPECT_EQ(re.MatchLength(u"a", 1), 0);
  EXPECT_EQ(re.SubExprCount(), 0);
  EXPECT_EQ(re.Program(), nullptr);
  EXPECT_THROW(re.Compile(), Exception);
  TqxRegExpr hex(u"\\xqq");
  EXPECT_THROW(hex.Compile(), EConvertError);
  re.SetExpression(u"(a)");
  EXPECT_FALSE(re.IsInvalid());
  EXPECT_EQ(re.SubExprCount(), 2);
}

TEST(RegSyntax, GroupNumbering) {
  TqxRegExpr re(u"(a(b))(?=(c))(d)");
  EXPECT_EQ(re.SubExprCount(), 4);  // groups in an assertion are not numbered
  auto o = test::Try(u"(a(b))(?=(c))(c)", u"abc");
  ASSERT_TRUE(o.matched);
  EXPECT_EQ(o.groups, (std::vector<std::string>{"abc", "ab", "b", "c"}));
  // Back references and modifiers inside an assertion body.
  EXPECT_EQ(Whole(u"(a)(?=\\1)", u"aa"), "a");
  EXPECT_EQ(Whole(u"(a)(?=\\1)", u"ab"), "no match");
  EXPECT_EQ(Whole(u"a(?=(?-i)B)", u"ab"), "no match");
  EXPECT_EQ(Whole(u"a(?=(?-i)B)", u"aB"), "a");
  EXPECT_EQ(Whole(u"a(?=x|y)", u"ay"), "a");
}

TEST(RegSyntax, LongExpressions) {
  // A generated keyword list of 100 000 characters compiles and matches.
  std::u16string list = u"\\b(";
  int n = 0;
  while (list.size() < 100000) {
    if (n) list += u"|";
    list += u"kw" + AsciiToUtf16(std::to_string(n++));
  }
  list += u")\\b";
  TqxRegExpr kw(list);
  ASSERT_FALSE(kw.IsInvalid()) << kw.CompileError();
  EXPECT_EQ(kw.MatchLength(u"kw12345 x", 1), 7);
  EXPECT_EQ(kw.MatchLength(u"kw123456", 1), 0);
  // As many plain alternatives: the first alternative that matches wins, as always.
  std::u16string words;
  for (int i = 0; words.size() < 100000; ++i)
    words += (i ? u"|w" : u"w") + AsciiToUtf16(std::to_string(i));
  EXPECT_EQ(TqxRegExpr(words).MatchLength(u"w777", 1), 2);
  EXPECT_EQ(TqxRegExpr(words + u"|q").MatchLength(u"q", 1), 1);
  std::u16string lit(100000, u'a');
  EXPECT_EQ(TqxRegExpr(lit).MatchLength(lit + u"b", 1), 100000);
  // Chains and nesting that would need too deep a recursion are refused with a clear error.
  std::u16string chain;
  for (int i = 0; i < 50000; ++i) chain += u"\\w";
  EXPECT_EQ(ErrorOf(chain), "Expression is too complex");
  EXPECT_EQ(ErrorOf(std::u16string(100000, u'(') + u"a" + std::u16string(100000, u')')),
            "Expression is too complex");
  EXPECT_EQ(ErrorOf(std::u16string(50000, u'(')), "Expression is too complex");
  std::u16string stars;
  for (int i = 0; i < 30000; ++i) stars += u"a*";
  EXPECT_EQ(ErrorOf(stars), "Expression is too complex");
  std::u16string nested;
  for (int i = 0; i < 400; ++i) nested += u"(";
  nested += u"a";
  for (int i = 0; i < 400; ++i) nested += u")";
  EXPECT_EQ(Whole(nested, u"a"), "a");
}

}  // namespace
}  // namespace synt
