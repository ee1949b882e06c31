#include "lists/char_utils.h"

#include "lists/utf8_codec.h"

#include <unicode/uchar.h>
#include <unicode/ucol.h>
#include <unicode/uloc.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace synt {

namespace char_detail {

namespace {

// Appends one 256-unit block of deltas unless an equal block exists; returns its index.
uint16_t InternBlock(std::vector<uint16_t>& deltas, const uint16_t* block) {
  size_t n = deltas.size() / 256;
  for (size_t b = 0; b < n; ++b) {
    if (std::memcmp(&deltas[b * 256], block, 256 * sizeof(uint16_t)) == 0) return uint16_t(b);
  }
  deltas.insert(deltas.end(), block, block + 256);
  return uint16_t(n);
}

}  // namespace

const CharTables& BuildCharTables() {
  static const CharTables* tables = [] {
    auto* t = new CharTables();
    uint16_t up[256], lo[256];
    for (unsigned hi = 0; hi < 256; ++hi) {
      for (unsigned low = 0; low < 256; ++low) {
        UChar32 c = UChar32(hi << 8 | low);
        uint8_t f = 0;
        if (u_isUAlphabetic(c)) f |= kLetter | kWord;
        if (u_isdigit(c)) f |= kDigit | kWord;
        if (u_hasBinaryProperty(c, UCHAR_POSIX_XDIGIT)) f |= kHexDigit;
        if (u_isUWhiteSpace(c)) f |= kSpace;
        if (c == '_') f |= kWord;
        if ((c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029) f |= kLineBreak;
        // A mapping that leaves the BMP has no one-unit form.
        UChar32 u = u_toupper(c), l = u_tolower(c);
        if (u > 0xFFFF) u = c;
        if (l > 0xFFFF) l = c;
        if (u != c) f |= kUpperDiff;
        if (l != c) f |= kLowerDiff;
        up[low] = uint16_t(u - c);
        lo[low] = uint16_t(l - c);
        t->flags[c] = f;
      }
      t->upperBlock[hi] = InternBlock(t->deltas, up);
      t->lowerBlock[hi] = InternBlock(t->deltas, lo);
    }
    t->deltas.shrink_to_fit();
    return t;
  }();
  return *tables;
}

}  // namespace char_detail

// ---- Strings ------------------------------------------------------------------------------------

namespace {

template <class Ch, class WordTest>
bool WordBreakAt(std::basic_string_view<Ch> S, int P, WordTest isWord) {
  if (P <= 1 || size_t(P) > S.size()) return true;
  return isWord(S[P - 2]) != isWord(S[P - 1]);
}

char16_t MapCase(char16_t c, TChangeCase mode) {
  switch (mode) {
    case ccUpper:
      return CharUpper(c);
    case ccLower:
      return CharLower(c);
    case ccToggle: {
      char16_t u = CharUpper(c);
      return u == c ? CharLower(c) : u;
    }
    default:
      return c;
  }
}

}  // namespace

bool IsWordBreak(std::u16string_view S, int P) {
  return WordBreakAt(S, P, [](char16_t c) { return IsWordChar(c); });
}

bool IsWordBreak(std::string_view S, int P) {
  return WordBreakAt(S, P, [](char c) { return IsWordChar(c); });
}

std::u16string ChangeCase(std::u16string_view S, TChangeCase Mode) {
  std::u16string r(S);
  if (r.empty()) return r;
  switch (Mode) {
    case ccNone:
      break;
    case ccTitle:
      r[0] = CharUpper(r[0]);
      break;
    default:
      for (auto& c : r) c = MapCase(c, Mode);
  }
  return r;
}

int LineStarts(std::u16string_view S, std::vector<int>* Starts) {
  if (S.empty()) return 0;
  if (Starts) {
    size_t before = Starts->size();
    Starts->push_back(0);
    AppendLineStarts(S.data(), S.size(), *Starts);
    return int(Starts->size() - before);
  }
  int lines = 1;
  for (size_t i = 0; i < S.size(); ++i) {
    char16_t c = S[i];
    if (c != '\n' && c != '\r') continue;
    if (c == '\r' && i + 1 < S.size() && S[i + 1] == '\n') ++i;
    ++lines;
  }
  return lines;
}

bool IsBlank(std::u16string_view S) {
  return std::all_of(S.begin(), S.end(), [](char16_t c) { return IsSpaceChar(c); });
}

std::u16string CollapseSpaces(std::u16string_view S) {
  std::u16string r;
  r.reserve(S.size());
  bool inRun = false;
  for (char16_t c : S) {
    bool space = IsSpaceChar(c);
    if (space && !inRun && !r.empty()) r.push_back(u' ');
    if (!space) r.push_back(c);
    inRun = space;
  }
  return r;
}

// ---- Comparison ---------------------------------------------------------------------------------

namespace {

struct CollatorDeleter {
  void operator()(UCollator* c) const { ucol_close(c); }
};
using CollatorPtr = std::unique_ptr<UCollator, CollatorDeleter>;

// The POSIX default locale's collation orders by code point (letters differ at the primary level),
// which would defeat every "ignore" mode; the root collation stands in for it.
CollatorPtr OpenCollator(TCompareMode mode) {
  const char* loc = uloc_getDefault();
  if (std::strncmp(loc, "en_US_POSIX", 11) == 0 || std::strcmp(loc, "c") == 0) loc = "";
  UErrorCode err = U_ZERO_ERROR;
  CollatorPtr c(ucol_open(loc, &err));
  if (U_FAILURE(err)) {
    err = U_ZERO_ERROR;
    c.reset(ucol_open("", &err));
    if (U_FAILURE(err)) return nullptr;
  }
  switch (mode) {
    case cmExact:
      ucol_setStrength(c.get(), UCOL_IDENTICAL);
      break;
    case cmIgnoreCase:
      ucol_setStrength(c.get(), UCOL_SECONDARY);
      break;
    case cmLoose:
      // Primary strength drops case, accents, kana type and width; shifted variables up to the
      // symbols drop blanks, punctuation and symbols.
      ucol_setStrength(c.get(), UCOL_PRIMARY);
      ucol_setAttribute(c.get(), UCOL_ALTERNATE_HANDLING, UCOL_SHIFTED, &err);
      ucol_setMaxVariable(c.get(), UCOL_REORDER_CODE_SYMBOL, &err);
      break;
  }
  return c;
}

const UCollator* Collator(TCompareMode mode) {
  static const CollatorPtr collators[3] = {OpenCollator(cmExact), OpenCollator(cmIgnoreCase),
                                           OpenCollator(cmLoose)};
  return collators[mode > cmLoose ? cmLoose : mode].get();
}

bool SameIgnoringCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i] && CharUpper(a[i]) != CharUpper(b[i])) return false;
  }
  return true;
}

}  // namespace

int CompareText(std::u16string_view A, std::u16string_view B, TCompareMode Mode) {
  const UCollator* c = Collator(Mode);
  if (!c) return A.compare(B);
  UCollationResult r = ucol_strcoll(c, reinterpret_cast<const UChar*>(A.data()), int32_t(A.size()),
                                    reinterpret_cast<const UChar*>(B.data()), int32_t(B.size()));
  return r == UCOL_LESS ? -1 : r == UCOL_GREATER ? 1 : 0;
}

bool SameText(std::u16string_view A, std::u16string_view B, TCompareMode Mode) {
  switch (Mode) {
    case cmExact:
      return A == B;
    case cmIgnoreCase:
      return SameIgnoringCase(A, B);
    default:
      return A == B || CompareText(A, B, cmLoose) == 0;
  }
}

bool SameTextAt(std::u16string_view Text, int Pos, std::u16string_view Pattern, TCompareMode Mode) {
  if (Pos < 1 || size_t(Pos - 1) + Pattern.size() > Text.size()) return false;
  return SameText(Text.substr(size_t(Pos - 1), Pattern.size()), Pattern, Mode);
}

// ---- Search -------------------------------------------------------------------------------------

namespace {

bool MatchAt(std::u16string_view pattern, const char16_t* p, bool ignoreCase) {
  if (!ignoreCase) return std::memcmp(pattern.data(), p, pattern.size() * sizeof(char16_t)) == 0;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (CharUpper(pattern[i]) != CharUpper(p[i])) return false;
  }
  return true;
}

}  // namespace

int SearchText(std::u16string_view Pattern, std::u16string_view Text, int StartPos,
               bool IgnoreCase) {
  if (Pattern.empty() || Pattern.size() > Text.size()) return 0;
  size_t from = StartPos < 1 ? 0 : size_t(StartPos - 1);
  size_t last = Text.size() - Pattern.size();
  if (!IgnoreCase) {
    if (from > last) return 0;
    size_t r = Text.find(Pattern, from);
    return r == std::u16string_view::npos ? 0 : int(r + 1);
  }
  char16_t first = CharUpper(Pattern[0]);
  for (size_t i = from; i <= last; ++i) {
    if (CharUpper(Text[i]) == first && MatchAt(Pattern, Text.data() + i, true)) return int(i + 1);
  }
  return 0;
}

int SearchTextBack(std::u16string_view Pattern, std::u16string_view Text, int StartPos,
                   bool IgnoreCase) {
  if (Pattern.empty() || Pattern.size() > Text.size() || StartPos == 0 || StartPos < -1) return 0;
  size_t last = Text.size() - Pattern.size();
  size_t from = StartPos == -1 ? last : std::min(last, size_t(StartPos - 1));
  for (size_t i = from + 1; i-- > 0;) {
    if (MatchAt(Pattern, Text.data() + i, IgnoreCase)) return int(i + 1);
  }
  return 0;
}

}  // namespace synt
