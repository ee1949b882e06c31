// The text finder against a plain model: every occurrence in random texts, plain and regular
// expressions, both directions, case and whole words; and the history form.
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "editor/text_finder.h"
#include "lists/char_utils.h"

namespace synt {
namespace {

struct Occ {
  int Start, Len;
  bool operator==(const Occ&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Occ& o) {
  return os << "[" << o.Start << "+" << o.Len << "]";
}

// Match length at Pos as the finder defines an occurrence, checked unit by unit (plain) or by the
// expression anchored there; -1 when none.
class Model {
 public:
  Model(std::u16string Pattern, TSearchOptions Flags)
      : pattern_(std::move(Pattern)), flags_(Flags) {
    if (flags_.Contains(ftRegularExpr)) {
      re_.SetExpression(pattern_);
      re_.SetModifier(rmIgnoreCase, !flags_.Contains(ftCaseSensitive));
    }
  }
  int MatchAt(std::u16string_view T, int P) {
    int len = -1;
    if (flags_.Contains(ftRegularExpr)) {
      int pos = P + 1;
      if (re_.Match(T, pos)) len = pos - P - 1;
    } else if (size_t(P) + pattern_.size() <= T.size()) {
      len = int(pattern_.size());
      for (size_t i = 0; i < pattern_.size(); ++i) {
        const char16_t a = T[size_t(P) + i], b = pattern_[i];
        const bool same =
            a == b || (!flags_.Contains(ftCaseSensitive) && CharUpper(a) == CharUpper(b));
        if (!same) len = -1;
      }
    }
    if (len < 0 || !flags_.Contains(ftWholeWordOnly)) return len;
    auto w = [&](int i) { return i >= 0 && i < int(T.size()) && IsWordChar(T[size_t(i)]); };
    // Not continuing a word at either end (an empty occurrence: not inside a word).
    if (len > 0 && w(P - 1) && w(P)) return -1;
    if (len > 0 && w(P + len) && w(P + len - 1)) return -1;
    if (len == 0 && w(P - 1) && w(P)) return -1;
    return len;
  }
  std::vector<Occ> All(std::u16string_view T, int Start, int End, bool Backward) {
    std::vector<Occ> out;
    if (!Backward) {
      for (int q = Start; q <= End;) {
        const int len = MatchAt(T, q);
        if (len >= 0 && q + len <= End) {
          out.push_back({q, len});
          q += std::max(len, 1);
        } else {
          ++q;
        }
      }
    } else {
      int limit = End;
      for (int q = End; q >= Start; --q) {
        const int len = MatchAt(T, q);
        if (len >= 0 && q + len <= limit) {
          out.push_back({q, len});
          limit = q;
        }
      }
    }
    return out;
  }

 private:
  std::u16string pattern_;
  TSearchOptions flags_;
  TqxRegExpr re_;
};

std::vector<Occ> FinderAll(TTextFinder& F, std::u16string_view T, int Start, int End,
                           bool Backward) {
  std::vector<Occ> out;
  F.FindAll(T, Start, End, Backward, [&](int s, int l) {
    out.push_back({s, l});
    return out.size() < 10000;
  });
  return out;
}

TEST(TextFinder, AgreesWithModelOnRandomTexts) {
  std::mt19937 rng(1234);
  const std::u16string alphabet = u"aAbB _-\r\nı\u0130iI";
  const std::vector<std::u16string> expressions = {u"a*",   u"a+",   u"ab|b", u"b?", u"\\w+",
                                                   u"a\\b", u"[ab]", u"^a",   u"a$", u"(a|b)b*",
                                                   u"\\s*", u"i+",   u".a"};
  auto pick = [&](int n) { return int(rng() % unsigned(n)); };
  for (int round = 0; round < 3000; ++round) {
    std::u16string text;
    const int n = pick(90);
    for (int i = 0; i < n; ++i) text.push_back(alphabet[size_t(pick(int(alphabet.size())))]);
    TSearchOptions flags;
    std::u16string pattern;
    if (pick(2)) {
      flags.Include(ftRegularExpr);
      pattern = expressions[size_t(pick(int(expressions.size())))];
    } else {
      const int m = 1 + pick(3);
      for (int i = 0; i < m; ++i) pattern.push_back(alphabet[size_t(pick(6))]);
      if (pick(4) == 0) pattern = u"i";
    }
    if (pick(2)) flags.Include(ftCaseSensitive);
    if (pick(3) == 0) flags.Include(ftWholeWordOnly);
    const bool backward = pick(2);
    int start = pick(n + 1), end = pick(n + 1);
    if (start > end) std::swap(start, end);
    if (pick(2)) start = 0, end = n;

    TTextFinder finder(nullptr);
    finder.SetFindText(pattern);
    finder.SetFlags(flags);
    Model model(pattern, flags);
    ASSERT_EQ(FinderAll(finder, text, start, end, backward), model.All(text, start, end, backward))
        << "round " << round << " pattern " << std::string(pattern.begin(), pattern.end())
        << " flags " << flags.Mask() << " range " << start << ".." << end << " backward "
        << backward;
  }
}

TEST(TextFinder, LongTextsTakeTheVectorPathInBothDirections) {
  std::mt19937 rng(99);
  for (int round = 0; round < 200; ++round) {
    std::u16string text;
    for (int i = 0; i < 700; ++i) text.push_back(u"abcABC \n"[rng() % 8]);
    for (bool ignoreCase : {false, true}) {
      TSearchOptions flags;
      if (!ignoreCase) flags.Include(ftCaseSensitive);
      std::u16string pattern;
      for (unsigned i = 0, m = 1 + rng() % 4; i < m; ++i) pattern.push_back(u"abcA"[rng() % 4]);
      TTextFinder finder(nullptr);
      finder.SetFindText(pattern);
      finder.SetFlags(flags);
      Model model(pattern, flags);
      for (bool backward : {false, true})
        ASSERT_EQ(FinderAll(finder, text, 0, int(text.size()), backward),
                  model.All(text, 0, int(text.size()), backward));
    }
  }
}

TEST(TextFinder, WholeWordsLookAtBothEnds) {
  TTextFinder f(nullptr);
  f.SetFindText(u"ab");
  f.SetFlags({ftWholeWordOnly});
  int len = 0;
  EXPECT_TRUE(f.MatchAt(u"ab+c", 1, len));
  EXPECT_FALSE(f.MatchAt(u"abc", 1, len));
  EXPECT_FALSE(f.MatchAt(u"xabc", 2, len));  // the c is the last character of the text
  EXPECT_TRUE(f.MatchAt(u"+ab", 2, len));
  EXPECT_FALSE(f.MatchAt(u"xab", 2, len));
}

TEST(TextFinder, FindInUsesOneBasedHalfOpenRanges) {
  TTextFinder f(nullptr);
  f.SetFindText(u"ab");
  const std::u16string t = u"ab ab ab";
  // Backwards from the caret at offset 7 finds the nearer of the two before it first.
  int s = 1, e = 8;
  ASSERT_TRUE(f.FindIn(t, s, 0, true, e));
  EXPECT_EQ(s, 4);
  EXPECT_EQ(e, 6);
  // A range shorter than the text finds nothing, without comparing.
  s = 2, e = 3;
  EXPECT_FALSE(f.FindIn(t, s, 0, false, e));
  s = 0, e = 0;  // the whole text
  ASSERT_TRUE(f.FindIn(t, s, 0, false, e));
  EXPECT_EQ(s, 1);
}

TEST(TextFinder, ExpressionsStopAtTheRangeEnd) {
  TTextFinder f(nullptr);
  f.SetFindText(u"a+");
  f.SetFlags({ftRegularExpr});
  int s = 0, len = 0;
  // Every match in "baaaa" runs to the end of the text, past the range's end at 3.
  EXPECT_FALSE(f.Find(u"baaaa", 0, 3, false, s, len));
  ASSERT_TRUE(f.Find(u"baaaab", 0, 6, false, s, len));
  EXPECT_EQ(s, 1);
  EXPECT_EQ(len, 4);
}

TEST(TextFinder, EmptyOccurrencesAreNotRepeated) {
  TTextFinder f(nullptr);
  f.SetFindText(u"x*");
  f.SetFlags({ftRegularExpr});
  const std::u16string t = u"ab";
  int s = 0, len = 0;
  ASSERT_TRUE(f.Find(t, 1, 2, false, s, len));
  EXPECT_EQ(s, 1);
  EXPECT_EQ(len, 0);
  // Searching again from the same place (the caret did not move) goes one further.
  ASSERT_TRUE(f.Find(t, 1, 2, false, s, len));
  EXPECT_EQ(s, 2);
  // Backwards the one just found at 2 is skipped too, and then the one at 1.
  ASSERT_TRUE(f.Find(t, 0, 2, true, s, len));
  EXPECT_EQ(s, 1);
  ASSERT_TRUE(f.Find(t, 0, 1, true, s, len));
  EXPECT_EQ(s, 0);
  // A run of every occurrence starts afresh.
  EXPECT_EQ(f.FindAll(t, 0, 2, false, [](int, int) { return true; }), 3);
}

TEST(TextFinder, InvalidExpressionsFindNothing) {
  TTextFinder f(nullptr);
  f.SetFindText(u"(a");
  f.SetFlags({ftRegularExpr});
  int s = 0, len = 0;
  EXPECT_FALSE(f.Find(u"(a", 0, 2, false, s, len));
  EXPECT_FALSE(f.ExpressionError().empty());
  f.SetFindText(u"");
  EXPECT_FALSE(f.Find(u"abc", 0, 3, false, s, len));
}

TEST(TextFinder, HistoryEncodingRoundTrips) {
  EXPECT_EQ(EncodeHistory({u"a#b", u"x\t"}), u"a#23b\r\nx#09");
  const std::vector<std::u16string> entries = {u"", u"#$%", u"\r\n", u"\u0416\u00e9", u"a b"};
  EXPECT_EQ(DecodeHistory(EncodeHistory(entries)),
            (std::vector<std::u16string>{u"", u"#$%", u"\r\n", u"\u0416\u00e9", u"a b"}));
  // Stored by older writers: $ with four hex digits is a UTF-16 unit, kept as it is.
  EXPECT_EQ(DecodeHistory(u"$0416x"), std::vector<std::u16string>{u"\u0416x"});
  // Malformed escapes stay literal; nothing is lost.
  EXPECT_EQ(DecodeHistory(u"#zz\n#4\r$12\r\n$12G4#"),
            (std::vector<std::u16string>{u"#zz", u"#4", u"$12", u"$12G4#"}));
}

TEST(TextFinder, AddToHistoryMovesToTheTop) {
  TStringList list;
  TTextFinder::AddToHistory(u"a", list);
  TTextFinder::AddToHistory(u"b", list);
  TTextFinder::AddToHistory(u"a", list);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Strings(0), u"a");
  EXPECT_EQ(list.Strings(1), u"b");
}

}  // namespace
}  // namespace synt
