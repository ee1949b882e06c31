// Conversions between the library's UTF-16 text and UTF-8, for the edges where text meets files,
// command lines and messages.
//
//   std::u16string s = synt::Utf8ToUtf16("Grüße");
//   std::string back = synt::Utf16ToUtf8(s);
//
// Malformed input never throws: a broken UTF-8 sequence decodes to U+FFFD per offending byte, and a
// lone surrogate encodes as U+FFFD. Code that must keep such bytes (file loading) does not use
// these.
#pragma once

#include <string>
#include <string_view>

namespace synt {

std::u16string Utf8ToUtf16(std::string_view s);
std::string Utf16ToUtf8(std::u16string_view s);

// ASCII-only widening and narrowing for identifiers known to be ASCII (property and class names).
std::u16string AsciiToUtf16(std::string_view s);

}  // namespace synt
