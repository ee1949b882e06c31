// Dragging data between controls and applications. A control starts a drag through its host's
// TDragDrop service; a control under the pointer receives DragEnter, DragOver, DragLeave and Drop
// (TCustomControl) while its host accepts drops.
//
//   // source, on a mouse move past the drag threshold with the button held:
//   synt::TClipboardData d;
//   d.Text = SelectedText();
//   synt::TDropEffect done = host.DragDrop().StartDrag(*this, d, {synt::deCopy, synt::deMove});
//   if (done == synt::deMove) DeleteSelection();    // the target copied, the source removes
//
//   // target (a TCustomControl override):
//   synt::TDropEffect DragOver(synt::TShiftState s, int x, int y, synt::TDropEffects allowed) {
//     return s.Contains(synt::ssCtrl) ? synt::deCopy : synt::deMove;
//   }
//
// Effect negotiation: the source offers a set of effects; at every step the target answers the one
// effect it would perform (deNone: refuse here). An answer outside the offered set counts as
// deNone, so the source never sees an effect it did not allow. StartDrag returns the effect of the
// drop, deNone when the user cancelled, dropped where nothing accepted it, or the target refused;
// it returns only after the drop (targets in this process, the source itself included, receive
// their calls before it returns). GUI thread only; coordinates given to targets are their client
// pixels.
#pragma once

#include "platform/clipboard.h"
#include "platform/set.h"

namespace synt {

class TCustomControl;

enum TDropEffect { deNone, deCopy, deMove, deLink };
using TDropEffects = TSet<TDropEffect>;  // deNone is never a member

// Answer if it was offered, else deNone.
constexpr TDropEffect NegotiateDropEffect(TDropEffect Answer, TDropEffects Allowed) {
  return Answer != deNone && Allowed.Contains(Answer) ? Answer : deNone;
}

class TDragDrop {
 public:
  virtual ~TDragDrop() = default;
  // Runs a drag of Data from Source until the user drops or cancels; see the contract above.
  // Invalid Data raises EClipboardError before anything is dragged.
  virtual TDropEffect StartDrag(TCustomControl& Source, const TClipboardData& Data,
                                TDropEffects Allowed) = 0;
};

}  // namespace synt
