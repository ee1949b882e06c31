// Lossless UTF-8 for file contents: a byte that is not part of a well-formed sequence decodes to
// the escape unit U+DC00 + byte, and encoding writes such a unit back as its byte, so that any
// byte sequence survives decoding and encoding unchanged.
//
//   std::u16string t = synt::Utf8DecodeLossless(bytes);
//   assert(synt::Utf8EncodeLossless(t) == bytes);
//
// Encoding writes the escapes U+DC80..U+DCFF as raw bytes; other lone surrogates (which no UTF-8
// input produces) are written as their three-byte form so that nothing is dropped.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace synt {

std::u16string Utf8DecodeLossless(std::string_view Bytes);
std::string Utf8EncodeLossless(std::u16string_view Text);

// The fast path of file loading: decodes n bytes into dst (room for n units is enough) and, when
// Starts is given, appends the start offset of every line after the first (CR LF, CR and LF each
// end one line; offsets count units written, plus Base). Returns the number of units written.
size_t Utf8DecodeInto(const char* Src, size_t N, char16_t* Dst, std::vector<int>* Starts,
                      size_t Base = 0);

// Appends the start offset (plus Base) of every line after the first of S[0..N).
void AppendLineStarts(const char16_t* S, size_t N, std::vector<int>& Starts, size_t Base = 0);

}  // namespace synt
