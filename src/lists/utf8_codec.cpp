#include "lists/utf8_codec.h"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "lists/char_utils.h"

namespace synt {

namespace {

// Decodes one sequence starting with a non-ASCII lead byte at p (p < end). Returns the bytes
// consumed; writes one or two units to dst and sets *units.
inline size_t DecodeSequence(const uint8_t* p, const uint8_t* end, char16_t* dst, int* units) {
  unsigned c = p[0];
  size_t avail = size_t(end - p);
  auto cont = [&](size_t i, unsigned lo, unsigned hi) {
    return i < avail && p[i] >= lo && p[i] <= hi;
  };
  if (c >= 0xC2 && c <= 0xDF) {
    if (cont(1, 0x80, 0xBF)) {
      dst[0] = char16_t((c & 0x1F) << 6 | (p[1] & 0x3F));
      *units = 1;
      return 2;
    }
  } else if (c >= 0xE0 && c <= 0xEF) {
    unsigned lo = c == 0xE0 ? 0xA0 : 0x80, hi = c == 0xED ? 0x9F : 0xBF;
    if (cont(1, lo, hi) && cont(2, 0x80, 0xBF)) {
      dst[0] = char16_t((c & 0x0F) << 12 | (p[1] & 0x3F) << 6 | (p[2] & 0x3F));
      *units = 1;
      return 3;
    }
  } else if (c >= 0xF0 && c <= 0xF4) {
    unsigned lo = c == 0xF0 ? 0x90 : 0x80, hi = c == 0xF4 ? 0x8F : 0xBF;
    if (cont(1, lo, hi) && cont(2, 0x80, 0xBF) && cont(3, 0x80, 0xBF)) {
      uint32_t cp = (c & 0x07) << 18 | (p[1] & 0x3F) << 12 | (p[2] & 0x3F) << 6 | (p[3] & 0x3F);
      cp -= 0x10000;
      dst[0] = char16_t(0xD800 + (cp >> 10));
      dst[1] = char16_t(0xDC00 + (cp & 0x3FF));
      *units = 2;
      return 4;
    }
  }
  dst[0] = char16_t(kByteEscape + c);
  *units = 1;
  return 1;
}

// Records the line starts for the breaks found among the ASCII bytes src[0..16) whose units start
// at unit offset u. mask has bit i set when src[i] is CR or LF.
inline void RecordBreaks(unsigned mask, const uint8_t* src, const uint8_t* end, size_t u,
                         std::vector<int>& starts) {
  while (mask) {
    unsigned i = unsigned(__builtin_ctz(mask));
    mask &= mask - 1;
    if (src[i] == '\r' && src + i + 1 < end && src[i + 1] == '\n') continue;
    starts.push_back(int(u + i + 1));
  }
}

}  // namespace

size_t Utf8DecodeInto(const char* Src, size_t N, char16_t* Dst, std::vector<int>* Starts,
                      size_t Base) {
  const auto* p = reinterpret_cast<const uint8_t*>(Src);
  const auto* end = p + N;
  char16_t* d = Dst;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i cr = _mm_set1_epi8('\r');
  while (end - p >= 16) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    unsigned high = unsigned(_mm_movemask_epi8(v));
    if (high == 0) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_unpacklo_epi8(v, zero));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 8), _mm_unpackhi_epi8(v, zero));
      if (Starts) {
        unsigned br =
            unsigned(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, lf), _mm_cmpeq_epi8(v, cr))));
        if (br) RecordBreaks(br, p, end, size_t(d - Dst) + Base, *Starts);
      }
      p += 16;
      d += 16;
      continue;
    }
    // Copy the ASCII bytes before the first non-ASCII one, then decode that sequence.
    unsigned n = unsigned(__builtin_ctz(high));
    for (unsigned i = 0; i < n; ++i) {
      uint8_t c = p[i];
      d[i] = c;
      if (Starts && (c == '\n' || c == '\r') && !(c == '\r' && p + i + 1 < end && p[i + 1] == '\n'))
        Starts->push_back(int(size_t(d - Dst) + i + 1 + Base));
    }
    p += n;
    d += n;
    int units;
    p += DecodeSequence(p, end, d, &units);
    d += units;
  }
#endif
  while (p < end) {
    uint8_t c = *p;
    if (c < 0x80) {
      *d++ = c;
      ++p;
      if (Starts && (c == '\n' || c == '\r') && !(c == '\r' && p < end && *p == '\n'))
        Starts->push_back(int(size_t(d - Dst) + Base));
      continue;
    }
    int units;
    p += DecodeSequence(p, end, d, &units);
    d += units;
  }
  return size_t(d - Dst);
}

std::u16string Utf8DecodeLossless(std::string_view Bytes) {
  std::u16string out(Bytes.size(), u'\0');
  out.resize(Utf8DecodeInto(Bytes.data(), Bytes.size(), out.data(), nullptr));
  return out;
}

std::string Utf8EncodeLossless(std::u16string_view Text) {
  // An upper bound of the size first (exact unless there are pairs or escapes), so that the
  // output is sized once.
  size_t bound = Text.size();
  for (char16_t c : Text) bound += (c >= 0x80) + (c >= 0x800);
  std::string out;
  out.resize(bound);
  char* d = out.data();
  const char16_t* s = Text.data();
  const char16_t* end = s + Text.size();
  while (s < end) {
#if defined(__SSE2__)
    // Eight ASCII units at a time.
    while (end - s >= 8) {
      __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
      __m128i high = _mm_and_si128(v, _mm_set1_epi16(short(0xFF80)));
      if (_mm_movemask_epi8(_mm_cmpeq_epi16(high, _mm_setzero_si128())) != 0xFFFF) break;
      _mm_storel_epi64(reinterpret_cast<__m128i*>(d), _mm_packus_epi16(v, v));
      s += 8;
      d += 8;
    }
    if (s >= end) break;
#endif
    uint32_t c = *s++;
    if (c < 0x80) {
      *d++ = char(c);
    } else if (c < 0x800) {
      *d++ = char(0xC0 | c >> 6);
      *d++ = char(0x80 | (c & 0x3F));
    } else if (c >= 0xD800 && c <= 0xDBFF && s < end && *s >= 0xDC00 && *s <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (*s++ - 0xDC00u);
      *d++ = char(0xF0 | c >> 18);
      *d++ = char(0x80 | ((c >> 12) & 0x3F));
      *d++ = char(0x80 | ((c >> 6) & 0x3F));
      *d++ = char(0x80 | (c & 0x3F));
    } else if (c >= 0xDC80 && c <= 0xDCFF) {
      *d++ = char(c - kByteEscape);  // an undecodable byte kept by loading
    } else {
      *d++ = char(0xE0 | c >> 12);
      *d++ = char(0x80 | ((c >> 6) & 0x3F));
      *d++ = char(0x80 | (c & 0x3F));
    }
  }
  out.resize(size_t(d - out.data()));
  return out;
}

void AppendLineStarts(const char16_t* S, size_t N, std::vector<int>& Starts, size_t Base) {
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i lf = _mm_set1_epi16('\n');
  const __m128i cr = _mm_set1_epi16('\r');
  for (; i + 8 <= N; i += 8) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(S + i));
    unsigned m =
        unsigned(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi16(v, lf), _mm_cmpeq_epi16(v, cr))));
    while (m) {
      unsigned k = unsigned(__builtin_ctz(m)) / 2;
      m &= ~(3u << (2 * k));
      size_t j = i + k;
      if (S[j] == '\r' && j + 1 < N && S[j + 1] == '\n') continue;
      Starts.push_back(int(j + 1 + Base));
    }
  }
#endif
  for (; i < N; ++i) {
    char16_t c = S[i];
    if (c != '\n' && c != '\r') continue;
    if (c == '\r' && i + 1 < N && S[i + 1] == '\n') continue;
    Starts.push_back(int(i + 1 + Base));
  }
}

}  // namespace synt
