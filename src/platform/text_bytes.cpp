#include "platform/text_bytes.h"

#include <cstdint>

namespace synt {

namespace {

void Append(std::u16string& out, uint32_t cp) {
  if (cp < 0x10000) {
    out.push_back(char16_t(cp));
  } else {
    cp -= 0x10000;
    out.push_back(char16_t(0xD800 + (cp >> 10)));
    out.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
  }
}

// Length of the valid UTF-8 sequence at i and its code point; 0 when not valid.
size_t Utf8At(std::string_view s, size_t i, uint32_t& cp) {
  auto b = [&](size_t k) { return uint8_t(s[k]); };
  uint8_t c = b(i);
  size_t n;
  uint32_t min;
  if (c < 0x80) {
    cp = c;
    return 1;
  } else if (c >= 0xC2 && c <= 0xDF) {
    n = 2, cp = c & 0x1F, min = 0x80;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3, cp = c & 0x0F, min = 0x800;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4, cp = c & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    if ((b(i + k) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b(i + k) & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

}  // namespace

std::u16string DecodeTextBytes(std::string_view Bytes) {
  std::u16string out;
  auto u8 = [&](size_t k) { return uint8_t(Bytes[k]); };
  if (Bytes.size() >= 2 && ((u8(0) == 0xFF && u8(1) == 0xFE) || (u8(0) == 0xFE && u8(1) == 0xFF))) {
    bool le = u8(0) == 0xFF;
    out.reserve(Bytes.size() / 2);
    size_t i = 2;
    for (; i + 1 < Bytes.size(); i += 2)
      out.push_back(le ? char16_t(u8(i) | (u8(i + 1) << 8)) : char16_t((u8(i) << 8) | u8(i + 1)));
    if (i < Bytes.size()) out.push_back(char16_t(u8(i)));
    return out;
  }
  size_t i = 0;
  if (Bytes.size() >= 3 && u8(0) == 0xEF && u8(1) == 0xBB && u8(2) == 0xBF) i = 3;
  out.reserve(Bytes.size() - i);
  while (i < Bytes.size()) {
    uint32_t cp;
    size_t n = Utf8At(Bytes, i, cp);
    if (n == 0) {
      out.push_back(char16_t(u8(i)));
      ++i;
    } else {
      Append(out, cp);
      i += n;
    }
  }
  return out;
}

}  // namespace synt
