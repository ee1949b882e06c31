// What the two gutter paint benchmarks share: the gutter they measure (bookmark images, line
// numbers, the change-state band and fold buttons, each in a band of its own) and the "min"
// statistic, the steadiest figure on a busy machine.
#pragma once

#include <algorithm>
#include <vector>

#include "editor/syntax_memo.h"

namespace synt::bench {

inline void SetUpGutterBands(TSyntaxMemo& Memo) {
  TGutter& g = *Memo.Gutter();
  if (g.Bands()->Count() != 0) return;
  g.Bands()->Add()->SetWidth(14);
  g.Bands()->Add()->SetWidth(40);
  g.Bands()->Add()->SetWidth(4);
  g.Bands()->Add()->SetWidth(13);
  g.SetExpBtnBand(3);
  g.SetAutoSize(true);
  Memo.LineNumbers()->SetBand(1);
  Memo.LineStateDisplay()->SetBand(2);
}

inline double MinOf(const std::vector<double>& V) {
  return *std::min_element(V.begin(), V.end());
}

}  // namespace synt::bench
