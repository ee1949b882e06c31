// Mouse buttons and the shift state that comes with keyboard and mouse input.
//
//   void OnClick(synt::TMouseButton b, synt::TShiftState s) {
//     if (b == synt::mbLeft && s.Contains(synt::ssCtrl)) ...
//   }
#pragma once

#include "platform/set.h"

namespace synt {

enum TMouseButton { mbLeft, mbRight, mbMiddle };
enum TShiftStateFlag { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TSet<TShiftStateFlag>;

}  // namespace synt
