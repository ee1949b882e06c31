// Matching: anchors, repetition, groups and their bounds, backward matching, sub-expressions
// and substitution.
#include <gtest/gtest.h>

#include <pthread.h>

#include <thread>

#include "regex_test_util.h"

namespace synt {
namespace {

using test::Try;
using test::Whole;
using Groups = std::vector<std::string>;

constexpr int kPlain = rmGreedy | rmMultiLine;

TEST(RegMatch, AnchoredAtTheGivenPosition) {
  TqxRegExpr re(u"\\d+");
  int pos = 3;
  EXPECT_TRUE(re.Match(u"ab123c", pos));
  EXPECT_EQ(pos, 6);
  pos = 2;
  EXPECT_FALSE(re.Match(u"ab123c", pos));
  EXPECT_EQ(pos, 2);  // unchanged on failure
  pos = -5;           // below 1 counts as 1
  EXPECT_TRUE(re.Match(u"42", pos));
  EXPECT_EQ(pos, 3);
  pos = 9;
  EXPECT_FALSE(re.Match(u"42", pos));
  EXPECT_EQ(re.MatchLength(u"ab123c", 3), 3);
  EXPECT_EQ(re.MatchLength(u"ab123c", 1), 0);
  // An empty match succeeds with length 0.
  TqxRegExpr star(u"a*");
  pos = 1;
  EXPECT_TRUE(star.Match(u"bbb", pos));
  EXPECT_EQ(pos, 1);
  EXPECT_EQ(star.MatchLength(u"bbb", 1), 0);
  EXPECT_EQ(star.MatchLength(u"", 1), 0);
}

TEST(RegMatch, LineAnchors) {
  // "$" with m: before CR, before an LF not preceded by CR (also at position 1), at the end.
  const std::u16string t = u"a\r\nb\nc";
  for (int p : {2, 5, 7}) EXPECT_TRUE(Try(u"$", t, p).matched) << p;
  for (int p : {1, 3, 4, 6}) EXPECT_FALSE(Try(u"$", t, p).matched) << p;
  EXPECT_TRUE(Try(u"$", u"\nx", 1).matched);
  // "^" with m: at 1, after LF, after a CR not followed by LF.
  const std::u16string u = u"a\r\nb\rc";
  for (int p : {1, 4, 6}) EXPECT_TRUE(Try(u"^", u, p).matched) << p;
  for (int p : {2, 3, 5}) EXPECT_FALSE(Try(u"^", u, p).matched) << p;
  EXPECT_TRUE(Try(u"^", u"a\r", 3).matched);
  // Without m they are the text's ends; \A \Z always are.
  EXPECT_FALSE(Try(u"^", u, 4, false, rmGreedy).matched);
  EXPECT_TRUE(Try(u"$", u, 7, false, rmGreedy).matched);
  EXPECT_FALSE(Try(u"$", u, 2, false, rmGreedy).matched);
  EXPECT_FALSE(Try(u"\\A", u, 4).matched);
  EXPECT_TRUE(Try(u"\\Z", u, 7).matched);
  EXPECT_EQ(Whole(u"a$\\z^b", u"a\r\nb"), "a\r\nb");
  EXPECT_EQ(Whole(u"(\\z)+", u"\r\n\r\n\nx"), "\r\n\r\n\n");
  EXPECT_EQ(Whole(u"\\z", u"\u2028"), "\u2028");
  // "." without s takes every unit but the line breaks of the 16-bit set.
  EXPECT_EQ(Whole(u".+", u"\u00e9\u4e00\u017fx\u0085y"), "\u00e9\u4e00\u017fx");
  EXPECT_EQ(Whole(u".*", u"ab\u2028c"), "ab");
  EXPECT_EQ(Whole(u"(?s).*", u"ab\u2028c"), "ab\u2028c");
}

TEST(RegMatch, WordBoundaries) {
  EXPECT_TRUE(Try(u"\\b", u"ab", 1).matched);
  EXPECT_FALSE(Try(u"\\b", u"ab", 2).matched);
  EXPECT_TRUE(Try(u"\\B", u"ab", 2).matched);
  EXPECT_TRUE(Try(u"\\b", u"ab", 3).matched);
  EXPECT_EQ(Whole(u"\\bend\\b", u"end;"), "end");
  EXPECT_EQ(Whole(u"\\bend\\b", u"ending"), "no match");
}

TEST(RegMatch, Repetition) {
  EXPECT_EQ(Whole(u"'.*?('|$)", u"'abc' + 'd'"), "'abc'");
  EXPECT_EQ(Whole(u"'.*?('|$)", u"'abc\r\nx'"), "'abc");
  EXPECT_EQ(Whole(u"\\{.*?\\}", u"{ a } b }"), "{ a }");
  EXPECT_EQ(Whole(u"\\{.*\\}", u"{ a } b }"), "{ a } b }");
  EXPECT_EQ(Whole(u"a*ab", u"aaab"), "aaab");
  EXPECT_EQ(Whole(u"\\w+\\d", u"abc12x"), "abc12");
  EXPECT_EQ(Whole(u"x*?y", u"xxxy"), "xxxy");
  // A greedy optional letter followed by the same letter matches that letter alone.
  EXPECT_EQ(Whole(u"a?a", u"a"), "a");
  EXPECT_EQ(Whole(u"a{0,2}a", u"aa"), "aa");
  // A repetition stops at an occurrence that matches nothing.
  EXPECT_EQ(Whole(u"(a*)*b", u"aab"), "aab");
  EXPECT_EQ(Whole(u"(\\b)*a", u"a"), "a");
}

TEST(RegMatch, GroupsAndAlternatives) {
  // A repeated group holds its last occurrence.
  EXPECT_EQ(Try(u"(\\w)*", u"abc").groups, (Groups{"abc", "c"}));
  EXPECT_EQ(Try(u"(a|b)*c", u"abc").groups, (Groups{"abc", "b"}));
  // The first alternative that makes the rest match wins; else the first that matches at all.
  EXPECT_EQ(Try(u"(a|ab)c", u"abc").groups, (Groups{"abc", "ab"}));
  EXPECT_EQ(Try(u"(ab|a)(bc|c)", u"abc").groups, (Groups{"abc", "ab", "c"}));
  EXPECT_EQ(Try(u"\\b(in|interface)\\b", u"interface").groups, (Groups{"interface", "interface"}));
  // An occurrence of a repeated group commits to its alternative.
  EXPECT_FALSE(Try(u"(a|ab)*c", u"ababc").matched);
  EXPECT_EQ(Try(u"((a)|(b))*c", u"abc").groups, (Groups{"abc", "b", "a", "b"}));
  // Groups of alternatives that failed stay unset.
  EXPECT_EQ(Try(u"x(a)b|xac", u"xac").groups, (Groups{"xac", "-"}));
  EXPECT_EQ(Try(u"(a|c)*(c)?d", u"acd").groups, (Groups{"acd", "c", "-"}));
  EXPECT_EQ(Try(u"(a)|b", u"b").groups, (Groups{"b", "-"}));
  EXPECT_EQ(Try(u"(a)?b", u"b").groups, (Groups{"b", "-"}));
}

TEST(RegMatch, MendedGroupFaults) {
  // Every alternative starts where the group starts: no alternative can match "ab".
  EXPECT_FALSE(Try(u"(a|a|b)c", u"abc").matched);
  EXPECT_EQ(Try(u"(a|a|b)c", u"bc").groups, (Groups{"bc", "b"}));
  // A group reports what the matching path gave it, not a failed attempt's bounds.
  EXPECT_EQ(Try(u"c*(\\w\\w)b", u"c_b").groups, (Groups{"c_b", "c_"}));
  EXPECT_EQ(Try(u"c*((\\w)\\w)b", u"c_b").groups, (Groups{"c_b", "c_", "c"}));
  // A lazy repetition inside a group goes on when what follows the group fails.
  EXPECT_EQ(Try(u"(a*?a)c", u"aac").groups, (Groups{"aac", "aa"}));
  // A lazy group prefers an alternative that lets the rest match.
  EXPECT_EQ(Try(u"(a|ab)*?c", u"abc").groups, (Groups{"abc", "ab"}));
}

TEST(RegMatch, BackReferences) {
  EXPECT_EQ(Whole(u"(\\w+)\\s\\1", u"hey hey"), "hey hey");
  EXPECT_EQ(Whole(u"(\\w+)\\s\\1", u"hey HEY"), "hey HEY");
  EXPECT_EQ(Whole(u"(\\w+)\\s\\1", u"hey HEY", 1, false, kPlain | rmExtended), "no match");
  EXPECT_EQ(Whole(u"(a)\\1*", u"aaaa"), "aaaa");
  // A reference to an empty or unset group fails.
  EXPECT_EQ(Whole(u"(a*)b\\1", u"b"), "no match");
  EXPECT_EQ(Whole(u"(a*)b\\1?", u"b"), "b");
  EXPECT_EQ(Whole(u"(x)?a\\1", u"a"), "no match");
  // Inside its own group the reference sees no end yet.
  EXPECT_EQ(Whole(u"(a\\1)", u"aa"), "no match");
  EXPECT_EQ(Whole(u"(?:(a)|b)\\1", u"aa"), "no match");  // "(?:" is not a group here
  EXPECT_EQ(Whole(u"(\u00e9)\\1", u"\u00e9\u00c9"), "\u00e9\u00c9");
}

TEST(RegMatch, Assertions) {
  EXPECT_EQ(Whole(u"\\w+(?=;)", u"abc;"), "abc");
  EXPECT_EQ(Whole(u"\\w+(?=;)", u"abc"), "no match");
  EXPECT_EQ(Whole(u"\\w+(?!;)", u"abc;"), "ab");
  EXPECT_EQ(Whole(u"(?<=ab)c", u"abc", 3), "c");
  EXPECT_EQ(Whole(u"(?<=ab)c", u"xbc", 3), "no match");
  EXPECT_EQ(Whole(u"(?<!ab)c", u"xbc", 3), "c");
  // A look-behind body reads forwards in the text, groups inside it included.
  EXPECT_EQ(Whole(u"(?<=a(bc))d", u"abcd", 4), "d");
  EXPECT_EQ(Whole(u"(?<=a(bc))d", u"acbd", 4), "no match");
  EXPECT_EQ(Whole(u"(?<=^\\s*)end", u"  end", 3), "end");
  EXPECT_EQ(Whole(u"(?<=x|yy)z", u"yyz", 3), "z");
  // Assertions take no quantifier.
  EXPECT_EQ(Whole(u"(?=a)*a", u"*a"), "no match");
  EXPECT_EQ(Whole(u"a(?=b)*", u"ab*"), "no match");
  EXPECT_EQ(Whole(u"a(?=b)*", u"a*"), "no match");
  EXPECT_EQ(Whole(u"a(?=\\*)*", u"a*"), "a*");
}

TEST(RegMatch, Backward) {
  // Backwards, the expression is read from its first node leftwards from Pos.
  TqxRegExpr re(u"\\d+");
  int pos = 6;
  EXPECT_TRUE(re.Match(u"ab123c", pos, true));
  EXPECT_EQ(pos, 3);
  EXPECT_EQ(re.GetSubExpr(u"ab123c", 0), u"123");
  EXPECT_EQ(re.MatchLength(u"ab123c", 6, true), 3);
  EXPECT_EQ(re.MatchLength(u"ab123c", 7, true), 0);
  EXPECT_EQ(Whole(u"cba", u"xabc", 5, true), "abc");
  EXPECT_EQ(Whole(u"abc", u"xabc", 5, true), "no match");
  auto o = Try(u"(\\d+)\\.(\\w+)", u"call obj.42", 12, true);
  EXPECT_EQ(o.pos, 6);
  EXPECT_EQ(o.groups, (Groups{"obj.42", "42", "obj"}));
  EXPECT_EQ(Try(u"\\w*?\\.", u"a.bc", 5, true).groups, (Groups{".bc"}));
  EXPECT_EQ(Whole(u"\\z", u"a\r\n", 4, true), "\r\n");
  EXPECT_EQ(Whole(u"\\w+(?<=\\s)", u"x ab", 5, true), "ab");
  // "^" at the very end after a CR: forwards yes, backwards no.
  EXPECT_TRUE(Try(u"^", u"a\r", 3).matched);
  EXPECT_FALSE(Try(u"^", u"a\r", 3, true).matched);
  EXPECT_TRUE(Try(u"^", u"a\n", 3, true).matched);
  EXPECT_TRUE(Try(u"\\A", u"ab", 1, true).matched);
  // A keyword group backwards.
  EXPECT_EQ(Whole(u"\\b(nigeb|dne|fi)\\b", u"x begin", 8, true), "begin");
}

TEST(RegMatch, SubExprAndSubstitute) {
  TqxRegExpr re(u"a(b+)c(x)?");
  const std::u16string s = u"zabbc";
  int pos = 2;
  ASSERT_TRUE(re.Match(s, pos));
  EXPECT_EQ(re.GetSubExpr(s, 0), u"abbc");
  EXPECT_EQ(re.GetSubExpr(s, 1), u"bb");
  EXPECT_EQ(re.GetSubExpr(s, 2), u"");  // unset
  EXPECT_EQ(re.GetSubExpr(s, 3), u"");  // beyond the groups
  EXPECT_EQ(re.GetSubExpr(s, -1), u"");
  EXPECT_EQ(re.Substitute(s, u"x\\1y"), u"xbby");
  EXPECT_EQ(re.Substitute(s, u"\\\\"), u"\\");
  EXPECT_EQ(re.Substitute(s, u"[\\0]"), u"[abbc]");
  EXPECT_EQ(re.Substitute(s, u"\\12"), u"bb2");  // one digit only
  EXPECT_EQ(re.Substitute(s, u"\\t\\n\\x41\\x{263A}\\q\\"), u"\t\nA\u263Aq\\");
  EXPECT_EQ(re.Substitute(s, u"\\\u0661"), u"bb");  // a locale digit
  EXPECT_THROW(re.Substitute(s, u"ab\\x"), Exception);
  // After a failed match every sub-expression is empty.
  pos = 1;
  EXPECT_FALSE(re.Match(s, pos));
  for (int i = 0; i < 3; ++i) EXPECT_EQ(re.GetSubExpr(s, i), u"");
  EXPECT_EQ(re.Substitute(s, u"<\\0>"), u"<>");
  // A different (shorter) text never reads past its end.
  pos = 2;
  ASSERT_TRUE(re.Match(s, pos));
  EXPECT_EQ(re.GetSubExpr(u"zab", 0), u"ab");
}

TEST(RegMatch, CompiledProgramIsSharedAcrossThreads) {
  TqxRegExpr re(u"\\b(begin|end|if|then)\\b|[a-z_]\\w*|\\d+(\\.\\d+)?");
  auto prog = re.Program();
  ASSERT_TRUE(prog);
  std::u16string text;
  for (int i = 0; i < 2000; ++i) text += u"begin x1 := 3.25 end; ";
  auto count = [&](int& tokens) {
    TqxRegMatch m;
    for (int p = 1; p <= int(text.size());) {
      int len = prog->MayMatchAt(text, p) ? prog->MatchLength(text, p, m) : -1;
      if (len > 0) {
        ++tokens;
        p += len;
      } else {
        ++p;
      }
    }
  };
  int a = 0, b = 0, c = 0;
  std::thread t1(count, std::ref(a)), t2(count, std::ref(b));
  t1.join();
  t2.join();
  count(c);
  EXPECT_EQ(a, 8000);
  EXPECT_EQ(b, a);
  EXPECT_EQ(c, a);
}

TEST(RegMatch, FirstCharacterFilter) {
  auto prog = TqxRegExpr(u"\\{.*?\\}|\\(\\*").Program();
  EXPECT_TRUE(prog->FirstChars().Test(u'{'));
  EXPECT_TRUE(prog->FirstChars().Test(u'('));
  EXPECT_FALSE(prog->FirstChars().Test(u'a'));
  EXPECT_FALSE(prog->FirstChars().Test(u'\u4e00'));
  EXPECT_FALSE(prog->MatchesEmpty());
  EXPECT_FALSE(prog->MayMatchAt(u"a{", 1));
  EXPECT_TRUE(prog->MayMatchAt(u"a{", 2));
  EXPECT_FALSE(prog->MayMatchAt(u"a{", 3));
  EXPECT_TRUE(prog->MayMatchAt(u"a{", 3, true));
  // Case variants and zero-width starts.
  auto kw = TqxRegExpr(u"\\bbegin").Program();
  EXPECT_TRUE(kw->FirstChars().Test(u'B'));
  EXPECT_TRUE(kw->FirstChars().Test(u'b'));
  EXPECT_FALSE(kw->FirstChars().Test(u'e'));
  EXPECT_TRUE(TqxRegExpr(u"a*").Program()->MatchesEmpty());
  EXPECT_TRUE(TqxRegExpr(u"\\w").Program()->FirstChars().Test(u'\u00e9'));
}

TEST(RegMatch, WorkBudget) {
  // Nested repetitions over a long text give up instead of running for ages.
  std::u16string text(3000, u'a');
  TqxRegExpr re(u"\\w*\\w*\\w*\\w*\\w*x");
  int pos = 1;
  EXPECT_FALSE(re.Match(text, pos));
  EXPECT_TRUE(re.LastMatch().BudgetExhausted());
  // A sensible rule on a 1 MB line is never cut.
  std::u16string line = u"'" + std::u16string(1 << 20, u'x');
  TqxRegExpr str(u"'.*?('|$)");
  EXPECT_EQ(str.MatchLength(line, 1), int(line.size()));
  EXPECT_FALSE(str.LastMatch().BudgetExhausted());
  TqxRegExpr esc(u"\"([^\"\\\\]|\\\\.)*\"");
  std::u16string q = u"\"" + std::u16string(1 << 20, u'y') + u"\\\"\"";
  EXPECT_EQ(esc.MatchLength(q, 1), int(q.size()));
  std::u16string comment = u"(*" + std::u16string(1 << 20, u'*') + u")";
  EXPECT_EQ(TqxRegExpr(u"(?s)\\(\\*.*?\\*\\)").MatchLength(comment, 1), int(comment.size()));
  // An explicit budget.
  TqxRegExpr small(u"a*b");
  small.LastMatch().SetBudget(50);
  EXPECT_EQ(small.MatchLength(std::u16string(1000, u'a') + u"b", 1), 0);
  EXPECT_TRUE(small.LastMatch().BudgetExhausted());
}

TEST(RegMatch, ChainsOfOptionalGroups) {
  // Greedy repetitions try the highest count first, so a chain of optional groups stays linear.
  std::u16string e;
  for (int i = 0; i < 300; ++i) e += u"(a|b)?";
  TqxRegExpr re(e);
  std::u16string t(300, u'a');
  EXPECT_EQ(re.MatchLength(t, 1), 300);
  EXPECT_EQ(re.GetSubExpr(t, 300), u"a");
  EXPECT_EQ(re.MatchLength(t + t, 1), 300);
  EXPECT_FALSE(re.LastMatch().BudgetExhausted());
}

void* MatchDeep(void* arg) {
  auto* r = static_cast<std::pair<std::u16string, int>*>(arg);
  TqxRegExpr re(r->first);
  r->second = re.IsInvalid() ? -2 : re.MatchLength(std::u16string(5000, u'a'), 1);
  if (re.LastMatch().BudgetExhausted()) r->second = -3;
  return nullptr;
}

TEST(RegMatch, DeepExpressionsOnASmallStack) {
  // The deepest expressions that compile, on a 512 kB thread stack: a match either completes or
  // gives up as if out of budget; it never overflows the stack.
  std::u16string chain;
  for (int i = 0; i < 2300; ++i) chain += u"\\w?";
  std::u16string nested;
  for (int i = 0; i < 499; ++i) nested += u"(";
  nested += u"a";
  for (int i = 0; i < 499; ++i) nested += u")";
  for (const std::u16string& e : {chain, nested}) {
    std::pair<std::u16string, int> r{e, 0};
    pthread_attr_t a;
    pthread_attr_init(&a);
    pthread_attr_setstacksize(&a, 512 * 1024);
    pthread_t t;
    ASSERT_EQ(pthread_create(&t, &a, MatchDeep, &r), 0);
    pthread_join(t, nullptr);
    pthread_attr_destroy(&a);
    EXPECT_TRUE(r.second == -3 || r.second == -2 || r.second > 0) << r.second;
  }
  // On the main thread the chain matches.
  std::pair<std::u16string, int> r{chain, 0};
  MatchDeep(&r);
  EXPECT_EQ(r.second, 2300);
}

}  // namespace
}  // namespace synt

namespace synt {
namespace {

// A greedy repetition whose follower cannot start where an occurrence starts keeps only its
// latest count: an unclosed 1M-unit string costs the matcher a few ints, not some per unit.
TEST(RegMatch, RepetitionWithDisjointFollowerKeepsNoMemoryPerOccurrence) {
  const std::u16string body =
      std::u16string(500'000, u'a') + u"\\\"" + std::u16string(500'000, u'b');
  TqxRegExpr re(u"\"( [^\"\\\\] | \\\\. )*\"");
  TqxRegMatch m;
  auto prog = re.Program();
  ASSERT_TRUE(prog);
  const std::u16string unclosed = u"\"" + body;
  EXPECT_EQ(prog->MatchLength(unclosed, 1, m), -1);
  const std::u16string closed = u"\"" + body + u"\"x";
  EXPECT_EQ(prog->MatchLength(closed, 1, m), int(closed.size()) - 1);
  EXPECT_EQ(m.SubExpr(closed, 1), u"b");  // the last occurrence
  EXPECT_LT(m.ScratchUnits(), 1000u);
  // A follower that may start inside the repetition still gets every count back.
  TqxRegExpr overlap(u"(a|b)*ab");
  EXPECT_EQ(overlap.MatchLength(std::u16string(1000, u'a') + u"bab", 1), 1003);
}

}  // namespace
}  // namespace synt
