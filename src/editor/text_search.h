// Scanning a UTF-16 text for a plain pattern, exactly or ignoring case, without copying the text:
// the finder's plain search and anything else that looks for literal text in a whole document.
//
//   synt::TTextSearcher s;
//   s.Prepare(u"begin", /*IgnoreCase=*/true);
//   int p = s.FindForward(text, 0, int(text.size()) - s.Length());   // -1 when none
//   while (p >= 0) { ...; p = s.FindForward(text, p + 1, last); }
//
// Ignoring case, a unit matches a pattern unit when both are equal or have the same simple upper
// case (CharUpper), the comparison SameText(..., cmIgnoreCase) makes.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace synt {

class TTextSearcher {
 public:
  // Costs a walk over every 16-bit unit when ignoring case (to learn which units fold together);
  // preparing the same pattern again is free.
  void Prepare(std::u16string_view Pattern, bool IgnoreCase);
  const std::u16string& Pattern() const { return pattern_; }
  bool IgnoreCase() const { return ignoreCase_; }
  int Length() const { return int(pattern_.size()); }

  // Whether the pattern occurs at the 0-based offset Pos (false when it does not fit).
  bool MatchesAt(std::u16string_view Text, int Pos) const;
  // The lowest start in [From, Last] (0-based) at which the pattern occurs, else -1. Last is
  // clipped so that an occurrence fits in Text. An empty pattern is never found.
  int FindForward(std::u16string_view Text, int From, int Last) const;
  // The highest start in [Low, From], else -1.
  int FindBackward(std::u16string_view Text, int From, int Low) const;

 private:
  // Units equal to a pattern unit under the comparison; at most kMaxVariants are kept, beyond
  // that the scan tests every unit by the comparison itself.
  static constexpr int kMaxVariants = 4;
  struct TVariants {
    std::array<char16_t, kMaxVariants> Units{};
    int Count = 0;
    bool Overflow = false;
  };
  TVariants VariantsOf(char16_t C) const;
  bool SameUnit(char16_t T, char16_t P) const;
  bool Verify(const char16_t* S) const;
  bool Vectorizable() const { return !first_.Overflow && !last_.Overflow; }

  std::u16string pattern_;
  std::u16string upper_;  // the pattern upper-cased, when ignoring case
  bool ignoreCase_ = false;
  bool prepared_ = false;
  TVariants first_, last_;
};

}  // namespace synt
