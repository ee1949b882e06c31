// Display columns: how far each unit of a line's text advances the column. One rule for the
// painter, the line layout and the selection, so that tabs land on the same stops wherever they
// are counted: a tab goes to the next tab stop (with soAllowZeroTab a tab right after text may end
// on the stop it starts at), a cluster takes one column, an East Asian wide one two, and the units
// that continue a cluster (low surrogates, combining marks) none.
//
//   int col = 0;
//   for (size_t i = 0; i < line.size(); ++i)
//     col = synt::AdvanceColumn(line, i, col, memo.TabList(), zeroTab);
#pragma once

#include <algorithm>
#include <string_view>

namespace synt {

class TTabList;

char32_t CodePointAt(std::u16string_view Text, size_t I);
bool IsWideCodePoint(char32_t C);
// Columns taken by unit I of Line, a tab not counted (0, 1 or 2).
int UnitColumns(std::u16string_view Line, size_t I);
// Whether the tab at unit I of Line uses the inclusive stop rule.
inline bool InclusiveTab(std::u16string_view Line, size_t I, bool AllowZeroTab) {
  if (!AllowZeroTab || I == 0) return false;
  const char16_t p = Line[I - 1];
  return p != u'\t' && p != u'\r' && p != u'\n';
}

// The column after unit I of Line standing at column Col; NextStop(Column, Inclusive) is the tab
// stop rule.
template <class Stop>
int AdvanceColumn(std::u16string_view Line, size_t I, int Col, bool AllowZeroTab, Stop&& NextStop) {
  if (Line[I] == u'\t') return std::max(Col, NextStop(Col, InclusiveTab(Line, I, AllowZeroTab)));
  return Col + UnitColumns(Line, I);
}
// With a tab list (null: a tab takes one column).
int AdvanceColumn(std::u16string_view Line, size_t I, int Col, const TTabList* Tabs,
                  bool AllowZeroTab);

// The display column of unit X of Line (X past the end adds a column per unit).
int UnitToColumn(std::u16string_view Line, int X, const TTabList* Tabs, bool AllowZeroTab);
// The unit of Line at display column Col: the first whose end column lies past Col (a column
// inside a tab or a wide character gives that unit); past the line, its length plus the columns
// beyond.
int ColumnToUnit(std::u16string_view Line, int Col, const TTabList* Tabs, bool AllowZeroTab);

}  // namespace synt
