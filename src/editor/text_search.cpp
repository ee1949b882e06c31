// Plain-text scanning. The vector path tests the first and the last unit of the pattern at eight
// positions at once and verifies only where both fit, so frequent first letters cost little.
#include "editor/text_search.h"

#include <algorithm>
#include <cstring>

#include "lists/char_utils.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace synt {

void TTextSearcher::Prepare(std::u16string_view Pattern, bool IgnoreCase) {
  if (prepared_ && IgnoreCase == ignoreCase_ && Pattern == pattern_) return;
  pattern_ = Pattern;
  ignoreCase_ = IgnoreCase;
  upper_.clear();
  if (IgnoreCase)
    for (char16_t c : pattern_) upper_.push_back(CharUpper(c));
  first_ = last_ = TVariants{};
  if (!pattern_.empty()) {
    first_ = VariantsOf(pattern_.front());
    last_ = VariantsOf(pattern_.back());
  }
  prepared_ = true;
}

TTextSearcher::TVariants TTextSearcher::VariantsOf(char16_t C) const {
  TVariants v;
  v.Units[0] = C;
  v.Count = 1;
  if (!ignoreCase_) return v;
  const char16_t up = CharUpper(C);
  for (unsigned u = 0; u <= 0xFFFF; ++u) {
    const auto t = char16_t(u);
    if (t == C || CharUpper(t) != up) continue;
    if (v.Count == kMaxVariants) {
      v.Overflow = true;
      break;
    }
    v.Units[size_t(v.Count++)] = t;
  }
  return v;
}

bool TTextSearcher::SameUnit(char16_t T, char16_t P) const {
  return T == P || (ignoreCase_ && CharUpper(T) == CharUpper(P));
}

bool TTextSearcher::Verify(const char16_t* S) const {
  const size_t n = pattern_.size();
  if (!ignoreCase_) return std::memcmp(S, pattern_.data(), n * sizeof(char16_t)) == 0;
  for (size_t i = 0; i < n; ++i)
    if (S[i] != pattern_[i] && CharUpper(S[i]) != upper_[i]) return false;
  return true;
}

bool TTextSearcher::MatchesAt(std::u16string_view Text, int Pos) const {
  if (pattern_.empty() || Pos < 0 || size_t(Pos) + pattern_.size() > Text.size()) return false;
  return Verify(Text.data() + Pos);
}

#if defined(__SSE2__)
namespace {

// Lanes (two mask bits each) where the unit equals one of V's units.
inline __m128i AnyOf(__m128i Block, const __m128i* V, int Count) {
  __m128i r = _mm_cmpeq_epi16(Block, V[0]);
  for (int i = 1; i < Count; ++i) r = _mm_or_si128(r, _mm_cmpeq_epi16(Block, V[i]));
  return r;
}

}  // namespace
#endif

int TTextSearcher::FindForward(std::u16string_view Text, int From, int Last) const {
  const int m = int(pattern_.size());
  if (m == 0 || Text.size() < size_t(m)) return -1;
  Last = std::min(Last, int(Text.size()) - m);
  int p = std::max(From, 0);
  const char16_t* s = Text.data();
#if defined(__SSE2__)
  if (Vectorizable()) {
    __m128i f[kMaxVariants], l[kMaxVariants];
    for (int i = 0; i < first_.Count; ++i) f[i] = _mm_set1_epi16(short(first_.Units[size_t(i)]));
    for (int i = 0; i < last_.Count; ++i) l[i] = _mm_set1_epi16(short(last_.Units[size_t(i)]));
    // Eight starts p..p+7 need p+7 <= Last; their last units end at Last + m - 1 < size.
    for (; p + 7 <= Last; p += 8) {
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + p));
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + p + m - 1));
      unsigned mask = unsigned(
          _mm_movemask_epi8(_mm_and_si128(AnyOf(a, f, first_.Count), AnyOf(b, l, last_.Count))));
      while (mask) {
        const int bit = __builtin_ctz(mask);
        if (Verify(s + p + bit / 2)) return p + bit / 2;
        mask &= ~(3u << bit);
      }
    }
  }
#endif
  const char16_t first = pattern_.front(), last = pattern_.back();
  for (; p <= Last; ++p)
    if (SameUnit(s[p], first) && SameUnit(s[p + m - 1], last) && Verify(s + p)) return p;
  return -1;
}

int TTextSearcher::FindBackward(std::u16string_view Text, int From, int Low) const {
  const int m = int(pattern_.size());
  if (m == 0 || Text.size() < size_t(m)) return -1;
  int p = std::min(From, int(Text.size()) - m);
  Low = std::max(Low, 0);
  const char16_t* s = Text.data();
#if defined(__SSE2__)
  if (Vectorizable()) {
    __m128i f[kMaxVariants], l[kMaxVariants];
    for (int i = 0; i < first_.Count; ++i) f[i] = _mm_set1_epi16(short(first_.Units[size_t(i)]));
    for (int i = 0; i < last_.Count; ++i) l[i] = _mm_set1_epi16(short(last_.Units[size_t(i)]));
    // Starts p-7..p, highest first.
    for (; p - 7 >= Low; p -= 8) {
      const int q = p - 7;
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + q));
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + q + m - 1));
      unsigned mask = unsigned(
          _mm_movemask_epi8(_mm_and_si128(AnyOf(a, f, first_.Count), AnyOf(b, l, last_.Count))));
      while (mask) {
        const int bit = 31 - __builtin_clz(mask);
        if (Verify(s + q + bit / 2)) return q + bit / 2;
        mask &= ~(3u << (bit - 1));
      }
    }
  }
#endif
  const char16_t first = pattern_.front(), last = pattern_.back();
  for (; p >= Low; --p)
    if (SameUnit(s[p], first) && SameUnit(s[p + m - 1], last) && Verify(s + p)) return p;
  return -1;
}

}  // namespace synt
