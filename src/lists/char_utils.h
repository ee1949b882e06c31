// Character services shared by the regular-expression engine, the finder, the storage and the
// editor: classes, case mapping, word breaks, line starts, comparison, search and code pages.
//
//   if (synt::IsWordChar(u'x') && !synt::IsSpaceChar(c)) ...
//   char16_t up = synt::CharUpper(c);                      // simple one-unit case mapping
//   std::u16string t = synt::ChangeCase(u"hello", synt::ccTitle);   // "Hello"
//   int n = synt::LineStarts(text, &starts);               // CR LF, CR, LF each break once
//   std::u16string s = synt::CodePageToUtf16(bytes, 1252); // never loses a byte
//
// Characters are UTF-16 code units. The 16-bit tests are table lookups (ASCII without touching any
// table), so they are fit for inner loops. The classes follow Unicode's POSIX compatibility
// properties: letter = Alphabetic, digit = decimal digit (Nd), space = White_Space, hexadecimal
// digit = ASCII or full-width 0-9 A-F a-f. Case mapping is the simple (one unit to one unit)
// mapping.
//
// The 8-bit forms work on single bytes of the system ANSI code page (SystemCodePage()); in a
// multi-byte code page (UTF-8 included) a byte above 0x7F is no character on its own and belongs to
// no class.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/object.h"

namespace synt {

enum TChangeCase : uint8_t { ccNone, ccUpper, ccLower, ccToggle, ccTitle };

// Lets the host decide whether C counts as a word character.
using TCheckCharEvent = std::function<void(TObject* Sender, char16_t C, bool& IsWord)>;

namespace char_detail {

enum : uint8_t {
  kLetter = 1,
  kDigit = 2,
  kSpace = 4,
  kHexDigit = 8,
  kWord = 16,        // letter, digit or "_"
  kLineBreak = 32,   // U+000A-U+000D, U+0085, U+2028, U+2029
  kUpperDiff = 64,   // CharUpper(c) != c
  kLowerDiff = 128,  // CharLower(c) != c
};

// ASCII flags are constant so that the common case needs no table set-up at all.
constexpr uint8_t AsciiFlags(unsigned c) {
  uint8_t f = 0;
  bool up = c >= 'A' && c <= 'Z', lo = c >= 'a' && c <= 'z', dg = c >= '0' && c <= '9';
  if (up || lo) f |= kLetter | kWord;
  if (dg) f |= kDigit | kWord | kHexDigit;
  if ((c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f')) f |= kHexDigit;
  if (c == '_') f |= kWord;
  if ((c >= 9 && c <= 13) || c == ' ') f |= kSpace;
  if (c >= 10 && c <= 13) f |= kLineBreak;
  if (lo) f |= kUpperDiff;
  if (up) f |= kLowerDiff;
  return f;
}

struct AsciiTable {
  uint8_t flags[128];
  constexpr AsciiTable() : flags() {
    for (unsigned c = 0; c < 128; ++c) flags[c] = AsciiFlags(c);
  }
};
inline constexpr AsciiTable kAscii{};

// Tables for the whole BMP, built once from ICU on first use. Case mapping is two-stage: a block
// index per high byte into deduplicated 256-unit blocks of deltas (most blocks are all zero).
struct CharTables {
  uint8_t flags[0x10000];
  uint16_t upperBlock[256];
  uint16_t lowerBlock[256];
  std::vector<uint16_t> deltas;
};
const CharTables& BuildCharTables();
inline const CharTables& Tables() {
  static const CharTables& t = BuildCharTables();
  return t;
}

inline uint8_t Flags(char16_t c) {
  return c < 128 ? kAscii.flags[c] : Tables().flags[c];
}

}  // namespace char_detail

// ---- 16-bit character classes -------------------------------------------------------------------

inline bool IsWordChar(char16_t C) {
  return char_detail::Flags(C) & char_detail::kWord;
}
inline bool IsSpaceChar(char16_t C) {
  return char_detail::Flags(C) & char_detail::kSpace;
}
inline bool IsDigitChar(char16_t C) {
  return char_detail::Flags(C) & char_detail::kDigit;
}
inline bool IsHexDigitChar(char16_t C) {
  return char_detail::Flags(C) & char_detail::kHexDigit;
}
inline bool IsLetterChar(char16_t C) {
  return char_detail::Flags(C) & char_detail::kLetter;
}
inline bool IsLineBreakChar(char16_t C) {
  return char_detail::Flags(C) & char_detail::kLineBreak;
}

// Locale-independent ASCII tests.
inline bool IsAsciiIdentStart(char16_t C) {
  return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || C == '_';
}
inline bool IsAsciiDigit(char16_t C) {
  return C >= '0' && C <= '9';
}
inline bool IsAsciiIdentChar(char16_t C) {
  return IsAsciiIdentStart(C) || IsAsciiDigit(C);
}

// Simple case mapping of one code unit; units without a one-unit mapping are returned unchanged.
inline char16_t CharUpper(char16_t C) {
  if (C < 128) return (C >= 'a' && C <= 'z') ? char16_t(C - 32) : C;
  const auto& t = char_detail::Tables();
  return char16_t(C + t.deltas[t.upperBlock[C >> 8] * 256u + (C & 0xFF)]);
}
inline char16_t CharLower(char16_t C) {
  if (C < 128) return (C >= 'A' && C <= 'Z') ? char16_t(C + 32) : C;
  const auto& t = char_detail::Tables();
  return char16_t(C + t.deltas[t.lowerBlock[C >> 8] * 256u + (C & 0xFF)]);
}

// ---- 8-bit forms (one byte of the system ANSI code page) ----------------------------------------

bool IsWordChar(char C);
bool IsSpaceChar(char C);
bool IsDigitChar(char C);
bool IsHexDigitChar(char C);
bool IsLetterChar(char C);
inline bool IsLineBreakChar(char C) {
  return C == '\n' || C == '\r';
}
inline bool IsAsciiIdentStart(char C) {
  return IsAsciiIdentStart(char16_t(uint8_t(C)));
}
inline bool IsAsciiDigit(char C) {
  return C >= '0' && C <= '9';
}
inline bool IsAsciiIdentChar(char C) {
  return IsAsciiIdentChar(char16_t(uint8_t(C)));
}
char CharUpper(char C);
char CharLower(char C);

// ---- Strings ------------------------------------------------------------------------------------

// P is 1-based: true at P <= 1 and past the end; otherwise when exactly one of S[P-1], S[P] (the
// characters before and at P) is a word character.
bool IsWordBreak(std::u16string_view S, int P);
bool IsWordBreak(std::string_view S, int P);

// Character by character; ccTitle upper-cases the first character only.
std::u16string ChangeCase(std::u16string_view S, TChangeCase Mode);
// 8-bit text in the system code page. Characters whose mapped form the code page cannot hold, and
// bytes that form no character, are left as they are.
std::string ChangeCase(std::string_view S, TChangeCase Mode);

// Number of lines of S (CR LF, lone CR and lone LF each end one line; a non-empty text has one line
// more than breaks; an empty text none). With Starts, the 0-based offset of each line's start is
// appended to it.
int LineStarts(std::u16string_view S, std::vector<int>* Starts = nullptr);

// True when every character of S is a space character (also for an empty S).
bool IsBlank(std::u16string_view S);

// Drops leading space characters and turns every later run of them into one blank.
std::u16string CollapseSpaces(std::u16string_view S);

enum TCompareMode : uint8_t {
  cmExact,       // code units must be equal
  cmIgnoreCase,  // letter case is ignored
  cmLoose,       // case, non-spacing marks, symbols, kana type and width are ignored
};

// Equality of A and B under Mode (cmLoose goes through the locale's collation).
bool SameText(std::u16string_view A, std::u16string_view B, TCompareMode Mode);
// Whether Text holds Pattern at the 1-based position Pos under Mode; false when it does not fit.
bool SameTextAt(std::u16string_view Text, int Pos, std::u16string_view Pattern, TCompareMode Mode);
// Locale ordering of A and B: negative, zero or positive.
int CompareText(std::u16string_view A, std::u16string_view B, TCompareMode Mode);

// 1-based position of the first occurrence of Pattern in Text starting at or after StartPos, or 0.
// IgnoreCase compares upper-cased units. An empty pattern is never found.
int SearchText(std::u16string_view Pattern, std::u16string_view Text, int StartPos = 1,
               bool IgnoreCase = false);
// 1-based position of the last occurrence starting at or before StartPos (-1: anywhere), or 0.
int SearchTextBack(std::u16string_view Pattern, std::u16string_view Text, int StartPos = -1,
                   bool IgnoreCase = false);

// ---- Code pages ---------------------------------------------------------------------------------
//
// Code pages are numbered as the platform numbers them (1252, 932, 28591, ...; 65001 is UTF-8).
// Conversions never lose a byte: a byte that does not form a character of the code page (or does
// not convert back to itself) decodes to the lone surrogate U+DC00 + byte, and encoding turns such
// a unit back into its byte. Characters that the code page cannot hold encode as "?" and are
// counted.

constexpr uint32_t CP_UTF8 = 65001;
constexpr char16_t kByteEscape = 0xDC00;  // U+DC00..U+DCFF stand for undecodable bytes

inline bool IsByteEscape(char16_t C) {
  return C >= 0xDC00 && C <= 0xDCFF;
}

// The locale's code set, UTF-8 when the locale names plain ASCII or none.
uint32_t SystemCodePage();
// There is no separate OEM code page on this platform: it is the system code page.
uint32_t OemCodePage();
// Code page of a font character set: 1 (default) the system code page, 255 (OEM) the OEM code page,
// the known sets their code page, anything else the system code page.
uint32_t CharsetToCodePage(uint8_t Charset);
// Whether the code page can be used for conversions (0 counts as the system code page).
bool IsCodePageSupported(uint32_t CodePage);
// Whether characters of the code page can take more than one byte.
bool IsMultiByteCodePage(uint32_t CodePage);

// Throw EConvertError for an unsupported code page.
std::u16string CodePageToUtf16(std::string_view Bytes, uint32_t CodePage);
std::string Utf16ToCodePage(std::u16string_view S, uint32_t CodePage, size_t* Unmappable = nullptr);

}  // namespace synt
