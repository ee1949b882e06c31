#include "platform/clusters.h"

#include <unicode/uchar.h>

namespace synt {

bool ContinuesCluster(std::u16string_view Text, size_t Index) {
  if (Index == 0 || Index >= Text.size()) return false;
  char16_t u = Text[Index];
  if (u >= 0xDC00 && u <= 0xDFFF) return Text[Index - 1] >= 0xD800 && Text[Index - 1] <= 0xDBFF;
  char32_t c = u;
  if (u >= 0xD800 && u <= 0xDBFF) {
    if (Index + 1 >= Text.size() || Text[Index + 1] < 0xDC00 || Text[Index + 1] > 0xDFFF)
      return false;
    c = 0x10000 + ((char32_t(u) - 0xD800) << 10) + (char32_t(Text[Index + 1]) - 0xDC00);
  }
  return (U_GET_GC_MASK(UChar32(c)) & U_GC_M_MASK) != 0;
}

}  // namespace synt
