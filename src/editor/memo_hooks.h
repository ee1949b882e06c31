// The interfaces through which attached components (find dialogs, auto-replace, popups, printers)
// take part in what the editor does, and the guard events of its editing operations. A component
// attaches itself with AddPlugin; the editor finds the interfaces by dynamic_cast.
//
//   class TMyRecorder : public synt::TComponent, public synt::ISyntMemoCommandHook {
//     void BeforeCommand(int Command, void* Data, bool& Handled) override {
//     log_.push_back(Command); } void AfterCommand(int, void*, bool&) override {} void
//     EnableCommand(int, void*, bool&) override {}
//   };
//   memo.AddPlugin(&recorder);
#pragma once

#include <functional>
#include <string>

#include "editor/memo_options.h"
#include "platform/control.h"
#include "platform/object.h"

namespace synt {

// Asked around every command: before it runs (Handled stops it), after it ran, and when its
// enabled state is asked (every attached hook may change Enabled).
class ISyntMemoCommandHook {
 public:
  virtual void BeforeCommand(int Command, void* Data, bool& Handled) = 0;
  virtual void AfterCommand(int Command, void* Data, bool& Handled) = 0;
  virtual void EnableCommand(int Command, void* Data, bool& Enabled) = 0;

 protected:
  ~ISyntMemoCommandHook() = default;
};

// Offered keys and mouse presses before the editor handles them, and the mouse cursor.
class ISyntMemoInputHook {
 public:
  virtual bool HandleKey(TShortCut Key) = 0;
  virtual bool HandleMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) = 0;
  virtual void AdjustCursor(int X, int Y, TCursor& Cursor, TShiftState Shift) = 0;

 protected:
  ~ISyntMemoInputHook() = default;
};

// Asked after every caret change, in list order, until one answers that it needs a repaint.
class ISyntMemoCaretHook {
 public:
  virtual bool CaretMoved() = 0;

 protected:
  ~ISyntMemoCaretHook() = default;
};

// Told after every scroll.
class ISyntMemoScrollHook {
 public:
  virtual void Scrolled() = 0;

 protected:
  ~ISyntMemoScrollHook() = default;
};

// Guard and change events of the editing operations.
using TCanInsertEvent = std::function<void(TObject* Sender, int Position, bool& AllowInsert)>;
using TCanDeleteEvent =
    std::function<void(TObject* Sender, int Position, int Count, bool& AllowDelete)>;
using TBeforeInsertEvent =
    std::function<void(TObject* Sender, int& Pos, std::u16string& S, bool& Accept)>;
using TBeforeDeleteEvent = std::function<void(TObject* Sender, int& Pos, int& Count, bool& Accept)>;
using TAfterInsertChar = std::function<void(TObject* Sender, char16_t C, int APos)>;
// The selection mode a mouse press starts with.
using TGetMouseSelModeEvent =
    std::function<void(TObject* Sender, TShiftState Shift, TSyntSelectionMode& SelMode)>;

}  // namespace synt
