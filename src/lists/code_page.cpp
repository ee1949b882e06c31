// Code pages: the system code page, character sets, lossless conversions through ICU, and the
// 8-bit character functions that depend on the system code page.
#include <langinfo.h>
#include <locale.h>
#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>

#include "lists/char_utils.h"
#include "lists/utf8_codec.h"

namespace synt {

namespace {

struct ConverterDeleter {
  void operator()(UConverter* c) const { ucnv_close(c); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterDeleter>;

struct KnownCodePage {
  uint32_t cp;
  const char* icu;
};
// Code pages whose ICU converter is not found under "windows-N", "cpN" or "ibm-N".
constexpr KnownCodePage kKnown[] = {
    {20127, "US-ASCII"},    {20866, "KOI8-R"},      {21866, "KOI8-U"},     {20932, "EUC-JP"},
    {51932, "EUC-JP"},      {51949, "EUC-KR"},      {54936, "GB18030"},    {28591, "ISO-8859-1"},
    {28592, "ISO-8859-2"},  {28593, "ISO-8859-3"},  {28594, "ISO-8859-4"}, {28595, "ISO-8859-5"},
    {28596, "ISO-8859-6"},  {28597, "ISO-8859-7"},  {28598, "ISO-8859-8"}, {28599, "ISO-8859-9"},
    {28603, "ISO-8859-13"}, {28605, "ISO-8859-15"}, {10000, "macintosh"},  {936, "windows-936"},
};

bool UsableType(UConverterType t) {
  return t == UCNV_SBCS || t == UCNV_DBCS || t == UCNV_MBCS || t == UCNV_LATIN_1 ||
         t == UCNV_UTF8 || t == UCNV_US_ASCII;
}

// Opens the converter of a code page, or null when ICU has none that works byte-wise without state.
ConverterPtr OpenCodePage(uint32_t cp) {
  std::string names[4];
  int n = 0;
  for (const auto& k : kKnown) {
    if (k.cp == cp) names[n++] = k.icu;
  }
  std::string num = std::to_string(cp);
  names[n++] = "windows-" + num;
  names[n++] = "cp" + num;
  names[n++] = "ibm-" + num;
  for (int i = 0; i < n; ++i) {
    UErrorCode err = U_ZERO_ERROR;
    ConverterPtr c(ucnv_open(names[i].c_str(), &err));
    if (U_FAILURE(err) || !c) continue;
    err = U_ZERO_ERROR;
    if (!UsableType(ucnv_getType(c.get()))) return nullptr;
    return c;
  }
  return nullptr;
}

std::string NormalizeCodeSet(const char* name) {
  std::string s;
  for (const char* p = name; p && *p; ++p) {
    if (*p == '-' || *p == '_' || *p == ' ') continue;
    s.push_back(char(std::toupper(static_cast<unsigned char>(*p))));
  }
  return s;
}

uint32_t CodeSetToCodePage(const char* codeset) {
  std::string s = NormalizeCodeSet(codeset);
  if (s.empty() || s == "ANSIX3.41968" || s == "ASCII" || s == "USASCII" || s == "646" ||
      s == "UTF8")
    return CP_UTF8;
  struct Alias {
    const char* name;
    uint32_t cp;
  };
  static constexpr Alias aliases[] = {
      {"ISO88591", 28591}, {"ISO88592", 28592},  {"ISO88593", 28593},  {"ISO88594", 28594},
      {"ISO88595", 28595}, {"ISO88596", 28596},  {"ISO88597", 28597},  {"ISO88598", 28598},
      {"ISO88599", 28599}, {"ISO885913", 28603}, {"ISO885915", 28605}, {"KOI8R", 20866},
      {"KOI8U", 21866},    {"EUCJP", 20932},     {"EUCKR", 51949},     {"GB2312", 936},
      {"GBK", 936},        {"GB18030", 54936},   {"BIG5", 950},        {"BIG5HKSCS", 950},
      {"SHIFTJIS", 932},   {"SJIS", 932},        {"TIS620", 874},      {"EUCCN", 936},
  };
  for (const auto& a : aliases) {
    if (s == a.name) return a.cp;
  }
  for (const char* prefix : {"CP", "WINDOWS", "IBM"}) {
    size_t l = std::strlen(prefix);
    if (s.size() > l && s.compare(0, l, prefix) == 0 &&
        std::all_of(s.begin() + l, s.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
        s.size() - l <= 5) {
      uint32_t cp = uint32_t(std::stoul(s.substr(l)));
      if (OpenCodePage(cp)) return cp;
    }
  }
  return CP_UTF8;
}

uint32_t ResolveCodePage(uint32_t cp) {
  return cp == 0 ? SystemCodePage() : cp;
}

// ---- Lossless decoding through ICU
// ---------------------------------------------------------------

// Writes every byte ICU cannot convert as its escape unit.
void EscapeBytesCallback(const void*, UConverterToUnicodeArgs* args, const char* units,
                         int32_t length, UConverterCallbackReason reason, UErrorCode* err) {
  if (reason > UCNV_IRREGULAR) return;  // reset, close, clone
  UChar buf[32];
  int32_t n = 0;
  for (int32_t i = 0; i < length && n < 32; ++i) buf[n++] = UChar(kByteEscape + uint8_t(units[i]));
  *err = U_ZERO_ERROR;
  ucnv_cbToUWriteUChars(args, buf, n, 0, err);
}

struct SubstContext {
  size_t count = 0;
};

// Writes "?" for a character the code page cannot hold, and counts it.
void CountingSubstCallback(const void* context, UConverterFromUnicodeArgs* args, const UChar*,
                           int32_t, UChar32, UConverterCallbackReason reason, UErrorCode* err) {
  if (reason > UCNV_IRREGULAR) return;
  ++static_cast<SubstContext*>(const_cast<void*>(context))->count;
  *err = U_ZERO_ERROR;
  ucnv_cbFromUWriteBytes(args, "?", 1, 0, err);
}

// Encodes one run of text free of byte escapes, appending to out.
void EncodeRun(UConverter* cnv, std::u16string_view run, std::string& out) {
  if (run.empty()) return;
  size_t at = out.size();
  size_t cap = size_t(UCNV_GET_MAX_BYTES_FOR_STRING(run.size(), ucnv_getMaxCharSize(cnv)));
  out.resize(at + cap);
  UErrorCode err = U_ZERO_ERROR;
  int32_t n =
      ucnv_fromUChars(cnv, out.data() + at, int32_t(cap),
                      reinterpret_cast<const UChar*>(run.data()), int32_t(run.size()), &err);
  out.resize(at + (U_SUCCESS(err) || err == U_STRING_NOT_TERMINATED_WARNING ? size_t(n) : 0));
}

// Encodes S, writing escape units as their bytes; a lone surrogate outside the escapes counts as
// unmappable (ICU substitutes it through the callback).
std::string EncodeWith(UConverter* cnv, std::u16string_view s, size_t* unmappable) {
  SubstContext ctx;
  UErrorCode err = U_ZERO_ERROR;
  ucnv_setFromUCallBack(cnv, CountingSubstCallback, &ctx, nullptr, nullptr, &err);
  std::string out;
  out.reserve(s.size());
  size_t runStart = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    char16_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 &&
        s[i + 1] <= 0xDFFF) {
      ++i;  // a pair, never an escape
      continue;
    }
    if (!IsByteEscape(c)) continue;
    EncodeRun(cnv, s.substr(runStart, i - runStart), out);
    out.push_back(char(uint8_t(c - kByteEscape)));
    runStart = i + 1;
  }
  EncodeRun(cnv, s.substr(runStart), out);
  if (unmappable) *unmappable = ctx.count;
  return out;
}

// Character by character: keeps a decoded character only when it encodes back to the very bytes it
// came from, so that saving reproduces the input. Slow; used when the fast pass did not round-trip.
std::u16string DecodeVerified(UConverter* dec, UConverter* enc, std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  const char* p = bytes.data();
  const char* end = p + bytes.size();
  UErrorCode err = U_ZERO_ERROR;
  ucnv_setToUCallBack(dec, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
  ucnv_setFromUCallBack(enc, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
  ucnv_resetToUnicode(dec);
  char back[16];
  while (p < end) {
    const char* from = p;
    err = U_ZERO_ERROR;
    UChar32 c = ucnv_getNextUChar(dec, &p, end, &err);
    if (p <= from) p = from + 1;  // always progress
    bool ok = U_SUCCESS(err);
    UChar units[2];
    int32_t nu = 0;
    if (ok) {
      U16_APPEND_UNSAFE(units, nu, c);
      UErrorCode e2 = U_ZERO_ERROR;
      int32_t nb = ucnv_fromUChars(enc, back, sizeof back, units, nu, &e2);
      ok = U_SUCCESS(e2) && nb == p - from && std::memcmp(back, from, size_t(nb)) == 0;
      // An escape-range result would be read back as a byte on saving.
      ok = ok && !(nu == 1 && IsByteEscape(units[0]));
    } else {
      ucnv_resetToUnicode(dec);
    }
    if (ok) {
      out.append(reinterpret_cast<const char16_t*>(units), size_t(nu));
    } else {
      for (const char* q = from; q < p; ++q) out.push_back(char16_t(kByteEscape + uint8_t(*q)));
    }
  }
  return out;
}

// ---- The 8-bit forms ----------------------------------------------------------------------------

struct AnsiTables {
  uint8_t flags[256];
  char upper[256];
  char lower[256];
};

const AnsiTables& Ansi() {
  static const AnsiTables tables = [] {
    AnsiTables t{};
    uint32_t cp = SystemCodePage();
    bool multi = IsMultiByteCodePage(cp);
    for (unsigned b = 0; b < 256; ++b) {
      t.upper[b] = t.lower[b] = char(b);
      if (b >= 0x80 && multi) continue;
      std::string one(1, char(b));
      std::u16string u = CodePageToUtf16(one, cp);
      if (u.size() != 1 || IsByteEscape(u[0])) continue;
      t.flags[b] = char_detail::Flags(u[0]) & ~char_detail::kLineBreak;
      if (b == '\n' || b == '\r') t.flags[b] |= char_detail::kLineBreak;
      for (int k = 0; k < 2; ++k) {
        char16_t m = k == 0 ? CharUpper(u[0]) : CharLower(u[0]);
        if (m == u[0]) continue;
        size_t bad = 0;
        std::string e = Utf16ToCodePage(std::u16string_view(&m, 1), cp, &bad);
        if (bad == 0 && e.size() == 1 && CodePageToUtf16(e, cp) == std::u16string(1, m))
          (k == 0 ? t.upper : t.lower)[b] = e[0];
      }
    }
    return t;
  }();
  return tables;
}

}  // namespace

uint32_t SystemCodePage() {
  static const uint32_t cp = [] {
    locale_t loc = newlocale(LC_CTYPE_MASK, "", locale_t(0));
    if (!loc) return CP_UTF8;
    uint32_t r = CodeSetToCodePage(nl_langinfo_l(CODESET, loc));
    freelocale(loc);
    return r;
  }();
  return cp;
}

uint32_t OemCodePage() {
  return SystemCodePage();
}

uint32_t CharsetToCodePage(uint8_t Charset) {
  uint32_t cp;
  switch (Charset) {
    case 0:
      cp = 1252;
      break;  // ANSI
    case 1:
      return SystemCodePage();  // default
    case 77:
      cp = 10000;
      break;  // Mac
    case 128:
      cp = 932;
      break;  // Shift-JIS
    case 129:
      cp = 949;
      break;  // Hangul
    case 130:
      cp = 1361;
      break;  // Johab
    case 134:
      cp = 936;
      break;  // GB 2312
    case 136:
      cp = 950;
      break;  // Big5
    case 161:
      cp = 1253;
      break;  // Greek
    case 162:
      cp = 1254;
      break;  // Turkish
    case 163:
      cp = 1258;
      break;  // Vietnamese
    case 177:
      cp = 1255;
      break;  // Hebrew
    case 178:
      cp = 1256;
      break;  // Arabic
    case 186:
      cp = 1257;
      break;  // Baltic
    case 204:
      cp = 1251;
      break;  // Russian
    case 222:
      cp = 874;
      break;  // Thai
    case 238:
      cp = 1250;
      break;  // Eastern Europe
    case 255:
      return OemCodePage();
    default:
      return SystemCodePage();
  }
  return IsCodePageSupported(cp) ? cp : SystemCodePage();
}

bool IsCodePageSupported(uint32_t CodePage) {
  CodePage = ResolveCodePage(CodePage);
  if (CodePage == CP_UTF8) return true;
  static std::mutex m;
  static std::vector<std::pair<uint32_t, bool>> cache;
  std::lock_guard<std::mutex> lock(m);
  for (const auto& [cp, ok] : cache) {
    if (cp == CodePage) return ok;
  }
  bool ok = OpenCodePage(CodePage) != nullptr;
  cache.emplace_back(CodePage, ok);
  return ok;
}

bool IsMultiByteCodePage(uint32_t CodePage) {
  CodePage = ResolveCodePage(CodePage);
  if (CodePage == CP_UTF8) return true;
  ConverterPtr c = OpenCodePage(CodePage);
  return c && ucnv_getMaxCharSize(c.get()) > 1;
}

std::u16string CodePageToUtf16(std::string_view Bytes, uint32_t CodePage) {
  CodePage = ResolveCodePage(CodePage);
  if (CodePage == CP_UTF8) return Utf8DecodeLossless(Bytes);
  ConverterPtr dec = OpenCodePage(CodePage);
  ConverterPtr enc = OpenCodePage(CodePage);
  if (!dec || !enc)
    throw EConvertError("Code page " + std::to_string(CodePage) + " is not supported");
  UErrorCode err = U_ZERO_ERROR;
  ucnv_setToUCallBack(dec.get(), EscapeBytesCallback, nullptr, nullptr, nullptr, &err);
  std::u16string out(Bytes.size() + 16, u'\0');
  err = U_ZERO_ERROR;
  int32_t n = ucnv_toUChars(dec.get(), reinterpret_cast<UChar*>(out.data()), int32_t(out.size()),
                            Bytes.data(), int32_t(Bytes.size()), &err);
  if (err == U_BUFFER_OVERFLOW_ERROR) {
    out.resize(size_t(n));
    err = U_ZERO_ERROR;
    n = ucnv_toUChars(dec.get(), reinterpret_cast<UChar*>(out.data()), int32_t(out.size()),
                      Bytes.data(), int32_t(Bytes.size()), &err);
  }
  out.resize(U_FAILURE(err) && err != U_STRING_NOT_TERMINATED_WARNING ? 0 : size_t(n));
  // Some code pages map several byte sequences to one character; keep the input only if it
  // comes back unchanged, else decode the careful way.
  if (U_SUCCESS(err) || err == U_STRING_NOT_TERMINATED_WARNING) {
    std::string back = EncodeWith(enc.get(), out, nullptr);
    if (back == Bytes) return out;
  }
  return DecodeVerified(dec.get(), enc.get(), Bytes);
}

std::string Utf16ToCodePage(std::u16string_view S, uint32_t CodePage, size_t* Unmappable) {
  CodePage = ResolveCodePage(CodePage);
  if (CodePage == CP_UTF8) {
    if (Unmappable) *Unmappable = 0;
    return Utf8EncodeLossless(S);
  }
  ConverterPtr enc = OpenCodePage(CodePage);
  if (!enc) throw EConvertError("Code page " + std::to_string(CodePage) + " is not supported");
  return EncodeWith(enc.get(), S, Unmappable);
}

// ---- 8-bit forms --------------------------------------------------------------------------------

bool IsWordChar(char C) {
  return Ansi().flags[uint8_t(C)] & char_detail::kWord;
}
bool IsSpaceChar(char C) {
  return Ansi().flags[uint8_t(C)] & char_detail::kSpace;
}
bool IsDigitChar(char C) {
  return Ansi().flags[uint8_t(C)] & char_detail::kDigit;
}
bool IsHexDigitChar(char C) {
  return Ansi().flags[uint8_t(C)] & char_detail::kHexDigit;
}
bool IsLetterChar(char C) {
  return Ansi().flags[uint8_t(C)] & char_detail::kLetter;
}
char CharUpper(char C) {
  return Ansi().upper[uint8_t(C)];
}
char CharLower(char C) {
  return Ansi().lower[uint8_t(C)];
}

std::string ChangeCase(std::string_view S, TChangeCase Mode) {
  if (Mode == ccNone || S.empty()) return std::string(S);
  uint32_t cp = SystemCodePage();
  bool ascii = std::all_of(S.begin(), S.end(), [](char c) { return uint8_t(c) < 0x80; });
  if (ascii || !IsMultiByteCodePage(cp)) {
    std::string r(S);
    auto map = [&](char c) {
      switch (Mode) {
        case ccUpper:
          return CharUpper(c);
        case ccLower:
          return CharLower(c);
        case ccToggle:
          return CharUpper(c) == c ? CharLower(c) : CharUpper(c);
        default:
          return c;
      }
    };
    if (Mode == ccTitle) {
      r[0] = CharUpper(r[0]);
    } else {
      for (auto& c : r) c = map(c);
    }
    return r;
  }
  // Multi-byte: change the decoded text and keep each character whose new form does not encode to
  // exactly one character of the code page.
  std::u16string u = CodePageToUtf16(S, cp);
  std::u16string m = ChangeCase(u, Mode);
  for (size_t i = 0; i < m.size(); ++i) {
    if (m[i] == u[i]) continue;
    size_t bad = 0;
    std::string e = Utf16ToCodePage(std::u16string_view(&m[i], 1), cp, &bad);
    if (bad != 0 || CodePageToUtf16(e, cp) != std::u16string(1, m[i])) m[i] = u[i];
  }
  return Utf16ToCodePage(m, cp);
}

}  // namespace synt
