#include "editor/display_columns.h"

#include "editor/memo_settings.h"
#include "platform/clusters.h"

namespace synt {

char32_t CodePointAt(std::u16string_view Text, size_t I) {
  const char16_t u = Text[I];
  if (u >= 0xD800 && u <= 0xDBFF && I + 1 < Text.size() && Text[I + 1] >= 0xDC00 &&
      Text[I + 1] <= 0xDFFF)
    return 0x10000 + ((char32_t(u) - 0xD800) << 10) + (char32_t(Text[I + 1]) - 0xDC00);
  return u;
}

// The same wide ranges as the headless canvas, so that tests see one geometry.
bool IsWideCodePoint(char32_t C) {
  return (C >= 0x1100 && C <= 0x115F) || (C >= 0x2E80 && C <= 0xA4CF) ||
         (C >= 0xAC00 && C <= 0xD7A3) || (C >= 0xF900 && C <= 0xFAFF) ||
         (C >= 0xFE30 && C <= 0xFE4F) || (C >= 0xFF00 && C <= 0xFF60) ||
         (C >= 0xFFE0 && C <= 0xFFE6) || (C >= 0x1F300 && C <= 0x1FAFF) ||
         (C >= 0x20000 && C <= 0x3FFFD);
}

int UnitColumns(std::u16string_view Line, size_t I) {
  // Below U+0300 nothing combines, nothing is wide and nothing is a surrogate half.
  if (Line[I] < 0x300) return 1;
  if (ContinuesCluster(Line, I)) return 0;
  return IsWideCodePoint(CodePointAt(Line, I)) ? 2 : 1;
}

int AdvanceColumn(std::u16string_view Line, size_t I, int Col, const TTabList* Tabs,
                  bool AllowZeroTab) {
  return AdvanceColumn(Line, I, Col, AllowZeroTab, [Tabs](int C, bool Inclusive) {
    return Tabs ? Tabs->NextTab(C, Inclusive) : C + 1;
  });
}

int UnitToColumn(std::u16string_view Line, int X, const TTabList* Tabs, bool AllowZeroTab) {
  const int n = std::min<int>(std::max(X, 0), int(Line.size()));
  int col = 0;
  for (int i = 0; i < n; ++i) col = AdvanceColumn(Line, size_t(i), col, Tabs, AllowZeroTab);
  return col + std::max(0, X - int(Line.size()));
}

int ColumnToUnit(std::u16string_view Line, int Col, const TTabList* Tabs, bool AllowZeroTab) {
  int col = 0;
  for (size_t i = 0; i < Line.size(); ++i) {
    const int next = AdvanceColumn(Line, i, col, Tabs, AllowZeroTab);
    if (next > Col) return int(i);
    col = next;
  }
  return int(Line.size()) + std::max(0, Col - col);
}

}  // namespace synt
