#include "analysis/loadable.h"

#include <atomic>

#include "platform/dialogs.h"
#include "platform/file_io.h"
#include "platform/filer.h"
#include "platform/streams.h"
#include "platform/text_bytes.h"
#include "platform/utf.h"

namespace synt {

namespace {
std::atomic<int> g_LoadsInProgress{0};
}  // namespace

const TClassInfo& TLoadableComponent::StaticClassInfo() {
  static const TClassInfo info("TLoadableComponent", &TComponent::StaticClassInfo());
  return info;
}

TLoadableComponent::TLoadableComponent(TComponent* Owner) : TComponent(Owner) {}

bool TLoadableComponent::AnyLoading() {
  return g_LoadsInProgress.load() > 0;
}

void TLoadableComponent::OnReadError(TReader&, const std::string& Message, bool& Handled) {
  Handled = ignoreAll_;
  if (Handled) return;
  int r = MessageDlg(u"Ignore this error?\n" + Utf8ToUtf16(Message), mtError, {mbYes, mbNo, mbAll});
  if (r == mrYes) {
    Handled = true;
  } else if (r == mrAll) {
    Handled = true;
    ignoreAll_ = true;
  }
}

std::string TLoadableComponent::SaveToText() {
  saving_ = true;
  try {
    TWriter w;
    TTextObject obj = Owner() ? w.WriteComponent(this, Owner()) : w.WriteRoot(this);
    saving_ = false;
    return FormatObjectText(obj);
  } catch (...) {
    saving_ = false;
    throw;
  }
}

void TLoadableComponent::SaveToStream(TStream& Stream) {
  Stream.WriteString(SaveToText());
}

void TLoadableComponent::SaveToFile(const std::string& FileName) {
  // Written whole and then put in place, so that a failure leaves the old file intact.
  WriteFileAtomic(FileName, SaveToText());
  fileName_ = FileName;
}

void TLoadableComponent::LoadFromStream(TStream& Stream) {
  std::u16string text = DecodeTextBytes(Stream.ReadAll());
  loading_ = true;
  ignoreAll_ = false;
  ++g_LoadsInProgress;
  struct Done {
    TLoadableComponent* c;
    ~Done() {
      c->loading_ = false;
      --g_LoadsInProgress;
    }
  } done{this};
  TReader r;
  r.OnError = [this](TReader& reader, const std::string& message, bool& handled) {
    OnReadError(reader, message, handled);
  };
  if (Owner())
    r.ReadComponentText(text, this, Owner());
  else
    r.ReadRootText(text, this);
}

void TLoadableComponent::LoadFromFile(const std::string& FileName) {
  TFileStream f(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(f);
}

void TLoadableComponent::LoadFromResourceID(uintptr_t Instance, int ResID,
                                            const std::string& ResType) {
  TResourceStream r(Instance, ResID, ResType);
  LoadFromStream(r);
}

void TLoadableComponent::LoadFromResourceName(uintptr_t Instance, const std::string& ResName,
                                              const std::string& ResType) {
  TResourceStream r(Instance, ResName, ResType);
  LoadFromStream(r);
}

void TLoadableComponent::SetName(const std::u16string& NewName) {
  if (loading_) return;  // a loaded component keeps its own name
  if (AnyLoading() && Owner() && !NewName.empty()) {
    TComponent* holder = Owner()->FindComponent(NewName);
    if (holder && holder != this) {
      std::u16string base = AsciiToUtf16(ClassName().substr(1));
      for (int n = 1;; ++n) {
        std::u16string candidate = base + AsciiToUtf16(std::to_string(n));
        TComponent* c = Owner()->FindComponent(candidate);
        if (!c || c == this) {
          TComponent::SetName(candidate);
          return;
        }
      }
    }
  }
  TComponent::SetName(NewName);
}

}  // namespace synt
