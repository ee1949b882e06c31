// Decoding the bytes of a small text file (lists, stored forms) into the library's UTF-16 text.
//
//   std::u16string text = synt::DecodeTextBytes(bytes);
//
// A byte-order mark selects UTF-8, UTF-16 LE or UTF-16 BE (an odd last byte of UTF-16 reads as the
// character of its code). Without one the bytes are UTF-8; a byte that does not belong to a valid
// UTF-8 sequence reads as the character of the same code (U+0080..U+00FF), so that nothing is lost
// and plain Latin-1 text reads sensibly.
#pragma once

#include <string>
#include <string_view>

namespace synt {

std::u16string DecodeTextBytes(std::string_view Bytes);

}  // namespace synt
