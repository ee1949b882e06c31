// The engine against the plain reference matcher on generated expressions and texts: same
// outcome, same end, same bounds for every group, forwards and backwards, at every position.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "platform/utf.h"
#include "reg_reference.h"
#include "regex/reg_expr.h"
#include "regex/reg_nodes.h"
#include "regex_test_util.h"

namespace synt {
namespace {

class Gen {
 public:
  explicit Gen(uint32_t seed) : rng_(seed) {}
  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

  std::u16string Expr(int depth = 0) {
    groups_ = 0;
    return Alts(depth, 3);
  }
  std::u16string Text() {
    // Units above 255 too: line breaks, letters with odd case mappings (U+017F, U+212A).
    static const char16_t alphabet[] = u"aab bc1\n\r-\u00e9\u00c9\u2028\u017f\u212aK";
    int n = Pick(9);
    std::u16string t;
    for (int i = 0; i < n; ++i) t.push_back(alphabet[Pick(Pick(3) ? 10 : 16)]);
    return t;
  }

 private:
  // Braced lists evaluate left to right, so the generated text does not depend on the compiler.
  static std::u16string Join(std::initializer_list<std::u16string> parts) {
    std::u16string s;
    for (auto& p : parts) s += p;
    return s;
  }
  std::u16string Alts(int depth, int maxAlts) {
    std::u16string s = Seq(depth);
    int n = Pick(maxAlts);
    for (int i = 0; i < n; ++i) s += Join({u"|", Seq(depth)});
    return s;
  }
  std::u16string Seq(int depth) {
    std::u16string s;
    int n = 1 + Pick(4);
    for (int i = 0; i < n; ++i) s += Atom(depth);
    return s;
  }
  std::u16string Quant() {
    static const char16_t* q[] = {u"*", u"+", u"?", u"{2}", u"{1,2}", u"{0,}", u"{2,3}"};
    std::u16string s;
    switch (Pick(5)) {
      case 0:
      case 1:
        return s;
      default:
        s = q[Pick(7)];
        if (Pick(3) == 0) s += u"?";
        return s;
    }
  }
  std::u16string Atom(int depth) {
    int k = Pick(depth < 3 ? 16 : 10);
    switch (k) {
      case 0:
      case 1:
      case 2:
        return Join({std::u16string(1, u"abc"[Pick(3)]), Quant()});
      case 3:
        return Join({Pick(2) ? u"[ab]" : u"[^a\\n]", Quant()});
      case 4: {
        static const char16_t* c[] = {
            u"\\w",       u"\\d", u"\\s",    u".",     u"\\W",      u"\\z", u"[\u00e0-\u00ff]",
            u"[^\\W\\d]", u"k",   u"\u00c9", u"[s-z]", u"\\x{2028}"};
        return Join({c[Pick(12)], Quant()});
      }
      case 5: {
        static const char16_t* a[] = {u"^", u"$", u"\\b", u"\\B", u"\\A", u"\\Z"};
        return a[Pick(6)];
      }
      case 6:
        if (groups_ > 0)
          return Join({u"\\", std::u16string(1, char16_t(u'1' + Pick(groups_))), Quant()});
        return u"a";
      case 7:
      case 8:
        return Join({u"ab", Quant()});
      case 9:
        return u"b";
      default: {
        if (Pick(4) == 0) {
          static const char16_t* z[] = {u"(?=", u"(?!", u"(?<=", u"(?<!"};
          // Groups inside an assertion body are not numbered.
          int saved = groups_;
          std::u16string s = Join({z[Pick(4)], Alts(depth + 1, 2), u")"});
          groups_ = saved;
          return s;
        }
        if (groups_ < 9) ++groups_;
        return Join({u"(", Alts(depth + 1, 3), u")", Quant()});
      }
    }
  }

  std::mt19937 rng_;
  int groups_ = 0;
};

std::string Describe(const std::u16string& e, const std::u16string& t, int pos, bool back,
                     uint16_t flags) {
  return "expr=" + Utf16ToUtf8(e) + " text=" + test::Escape(t) + " pos=" + std::to_string(pos) +
         (back ? " backward" : "") + " flags=" + std::to_string(flags);
}

void Compare(TqxRegExpr& re, const std::u16string& text, int& checked) {
  auto prog = re.Program();
  if (!prog) return;
  TqxRegMatch m, lean;
  std::vector<int> bounds;
  for (int back = 0; back < 2; ++back) {
    for (int pos = 1; pos <= int(text.size()) + 1; ++pos) {
      int r = regex_internal::ReferenceMatch(prog->Internal(), text, pos, back, 200000, bounds);
      if (r < 0) continue;
      int p = pos;
      bool ok = prog->Match(text, p, m, back);
      std::string what = Describe(re.Expression(), text, pos, back, re.ModifierFlags());
      ASSERT_FALSE(m.BudgetExhausted()) << what;
      ASSERT_EQ(ok, r > 0) << what;
      ++checked;
      // The length-only entry gives the same answer wherever the first-unit test lets it run.
      if (!back && prog->MayMatchAt(text, pos)) {
        ASSERT_EQ(prog->AnchoredLength(text, pos, lean), ok ? p - pos : -1) << what << " length";
      }
      if (!ok) continue;
      ASSERT_EQ(p, r) << what;
      for (int g = 0; g < prog->SubExprCount(); ++g) {
        int a = bounds[size_t(2 * g)], b = bounds[size_t(2 * g + 1)];
        if (a <= 0 || b <= 0) a = b = -1;
        ASSERT_EQ(m.Start(g), a) << what << " group " << g;
        ASSERT_EQ(m.End(g), b) << what << " group " << g;
      }
    }
  }
}

TEST(Differential, EngineAgreesWithTheReference) {
  // SYNT_DIFF_ROUNDS=N runs N times as many cases (with other seeds) for a longer soak.
  const char* rounds = std::getenv("SYNT_DIFF_ROUNDS");
  const int n = 6000 * (rounds ? std::max(1, std::atoi(rounds)) : 1);
  Gen gen(12345 + (rounds ? uint32_t(std::atoi(rounds)) : 0));
  int checked = 0, expressions = 0;
  for (int i = 0; i < n; ++i) {
    std::u16string e = gen.Expr();
    TqxRegExpr re(e);
    // Vary the modifiers that change matching.
    uint16_t flags = rmExtended | rmLocaleClasses;
    if (gen.Pick(2)) flags |= rmGreedy;
    if (gen.Pick(2)) flags |= rmMultiLine;
    if (gen.Pick(3) == 0) flags |= rmDotAll;
    if (gen.Pick(3) == 0) flags |= rmIgnoreCase;
    re.SetModifierFlags(flags);
    if (re.IsInvalid()) continue;
    ++expressions;
    for (int t = 0; t < 4; ++t) {
      Compare(re, gen.Text(), checked);
      if (HasFatalFailure()) return;
    }
  }
  EXPECT_GT(expressions, n * 2 / 3);
  EXPECT_GT(checked, n * 16);
}

// Token-rule shapes: alternatives of units, literal runs, classes and anchors, and now and then an
// optional group, so that most of them take the length-only shortcuts (the lean pass, the
// second-unit refusal, the check of what follows a leading run).
std::u16string TokenRuleExpr(Gen& g) {
  static const char16_t* atoms[] = {
      u"a",   u"b",   u"ab", u"abc", u"[ab]", u"[^a\\n]", u"\\w",    u"\\d", u"\\s",    u".",
      u"\\b", u"\\B", u"^",  u"$",   u"\\Z",  u"k",       u"\u00c9", u"-",   u"(-b+)?", u"(a|bc)"};
  static const char16_t* quants[] = {u"", u"", u"", u"*", u"+", u"?", u"{2}", u"{1,2}", u"*?"};
  std::u16string e;
  const int alts = 1 + g.Pick(4);
  const bool fixedStart = g.Pick(2);  // two units first, each once
  for (int a = 0; a < alts; ++a) {
    if (a) e += u"|";
    const int n = 1 + g.Pick(4);
    for (int i = 0; i < n; ++i) {
      if (fixedStart && i < 2) {
        e += atoms[g.Pick(10)];
        continue;
      }
      e += atoms[g.Pick(i == 0 ? 18 : 20)];
      e += quants[g.Pick(9)];
    }
  }
  return e;
}

TEST(Differential, LengthOnlyShortcutsAgreeWithTheFullMatch) {
  Gen gen(777);
  int lean = 0, second = 0, runs = 0, checked = 0, exhausted = 0;
  for (int i = 0; i < 4000; ++i) {
    std::u16string e = TokenRuleExpr(gen);
    TqxRegExpr re(e);
    uint16_t flags = rmExtended | rmLocaleClasses | rmGreedy;
    if (gen.Pick(2)) flags |= rmIgnoreCase;
    if (gen.Pick(2)) flags |= rmMultiLine;
    re.SetModifierFlags(flags);
    auto prog = re.Program();
    if (!prog) continue;
    lean += prog->Internal().lean != nullptr;
    second += prog->Internal().hasSecond;
    runs += !prog->Internal().runChecks.empty();
    for (int t = 0; t < 3; ++t) {
      const std::u16string text = gen.Text();
      for (int pos = 1; pos <= int(text.size()) + 1; ++pos) {
        if (!prog->MayMatchAt(text, pos)) continue;
        std::string what = Describe(e, text, pos, false, flags);
        // The default budget, and budgets small enough to run out on the way: the shortcuts
        // give up exactly where the full match does.
        for (int64_t budget : {int64_t(0), int64_t(1 + gen.Pick(12))}) {
          TqxRegMatch full, lenOnly;
          full.SetBudget(budget);
          lenOnly.SetBudget(budget);
          const int want = prog->MatchLength(text, pos, full);
          ASSERT_EQ(prog->AnchoredLength(text, pos, lenOnly), want) << what << " budget " << budget;
          ASSERT_EQ(lenOnly.BudgetExhausted(), full.BudgetExhausted()) << what;
          if (!prog->Internal().flat.empty()) {
            ASSERT_FALSE(lenOnly.Matched()) << what;
          }
          exhausted += full.BudgetExhausted();
          ++checked;
        }
        std::vector<int> bounds;
        int r = regex_internal::ReferenceMatch(prog->Internal(), text, pos, false, 200000, bounds);
        if (r < 0) continue;
        TqxRegMatch m;
        ASSERT_EQ(prog->AnchoredLength(text, pos, m), r > 0 ? r - pos : -1) << what;
      }
    }
  }
  EXPECT_GT(lean, 1000);
  EXPECT_GT(second, 300);
  EXPECT_GT(runs, 100);
  EXPECT_GT(exhausted, 100);
  EXPECT_GT(checked, 20000);
}

}  // namespace
}  // namespace synt
