// The interfaces through which documents tell their clients about changes. Clients are found by
// dynamic_cast on the attached object, so an editor simply derives from the interfaces it serves.
//
//   class TMyView : public synt::TComponent, public synt::ISyntMemoTextHook {
//     void TextChanged(synt::TObject* Sender, int Pos, int Count, int LineChange) override;
//   };
#pragma once

#include "platform/object.h"

namespace synt {

// Told of every change of a document's text, with the values of its change notification.
class ISyntMemoTextHook {
 public:
  virtual void TextChanged(TObject* Sender, int Pos, int Count, int LineChange) = 0;

 protected:
  ~ISyntMemoTextHook() = default;
};

// Told by an analysis that its results changed (repaint) or that the whole text is analysed. Both
// are called on the GUI thread (Finished after the background pass's results were taken over).
class IqxSyntClient {
 public:
  virtual void FormatChanged() = 0;
  virtual void Finished() = 0;

 protected:
  ~IqxSyntClient() = default;
};

// What a text source needs from the per-document analysis it owns: the change, with the line it
// starts in, before any client hears of it.
class ITextSourceAnalysis {
 public:
  virtual ~ITextSourceAnalysis() = default;
  virtual void TextChanged(int Pos, int Count, int LineChange, int Line) = 0;
};

}  // namespace synt
