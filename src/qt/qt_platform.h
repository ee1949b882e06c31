// The platform services on Qt: the event loop on QTimer and queued calls, the clipboard on
// QClipboard, message boxes and forms on QDialog. TQtPlatform installs them for its lifetime;
// make it right after the QApplication and before any document, so that every analysis timer
// and every background pass's result runs on Qt's loop.
//
//   QApplication app(argc, argv);
//   synt::TQtPlatform platform;               // loop, dialogs installed
//   synt::TSyntaxMemo memo(nullptr);
//   synt::TQtControlWidget window(memo);      // qt_control_widget.h
//   window.show();
//   return app.exec();
#pragma once

#include <QObject>
#include <QPointer>
#include <memory>
#include <unordered_map>

#include "platform/clipboard.h"
#include "platform/control_host.h"
#include "platform/dialogs.h"
#include "platform/event_loop.h"
#include "platform/menus.h"

class QMimeData;
class QTimer;

namespace synt {

// Timers are QTimers parented to a context object of the GUI thread; posted work is a queued
// call on that object, so it runs in posting order from any thread.
class TQtEventLoop final : public TEventLoop {
 public:
  TQtEventLoop();
  ~TQtEventLoop() override;
  TimerId StartTimer(std::uint32_t IntervalMs, std::function<void()> Callback) override;
  void StopTimer(TimerId Id) override;
  void Post(std::function<void()> Work) override;
  bool IsGuiThread() const override;

 private:
  std::unique_ptr<QObject> context_;
  std::unordered_map<TimerId, QTimer*> timers_;
  TimerId nextId_ = 1;
};

// The system clipboard. UTF-16 text is text/plain (with a byte-exact copy under a private type,
// since Qt's text passes through QString conversions that may not keep lone surrogates), 8-bit
// text a private type holding its code page, named formats their own MIME types.
class TQtClipboard final : public TClipboard {
 public:
  void SetData(const TClipboardData& Data) override;
  TClipboardData Data() const override;
  void Clear() override;
};

// Message boxes and forms as Qt dialogs.
class TQtDialogService final : public TDialogService {
 public:
  int MessageDlg(const std::u16string& Message, TMsgDlgType Type, TMsgDlgButtons Buttons,
                 int HelpContext) override;
  int MessageDlgNear(const std::u16string& Message, TMsgDlgType Type, TMsgDlgButtons Buttons,
                     const TRect& Near) override;
  int MessageBox(const std::u16string& Text, const std::u16string& Caption,
                 TMessageBoxButtons Buttons, TMessageBoxIcon Icon) override;
  int RunForm(TDialogForm& Form) override;

 private:
  int ShowDlg(const std::u16string& Message, TMsgDlgType Type, TMsgDlgButtons Buttons,
              const TRect* Near);
};

// Popup menus as QMenus, shown modally at the screen point.
class TQtMenuService final : public TMenuService {
 public:
  TMenuItem* Track(TMenuItem& Items, TPoint ScreenPoint) override;
};

// The MIME type a named format travels under.
QString MimeTypeOfFormat(std::u16string_view Name);
// Clipboard and drag data as MIME data and back (the caller owns the QMimeData).
QMimeData* ToMimeData(const TClipboardData& Data);
TClipboardData FromMimeData(const QMimeData* Mime);

class TQtPlatform {
 public:
  TQtPlatform();
  ~TQtPlatform();
  TQtPlatform(const TQtPlatform&) = delete;
  TQtPlatform& operator=(const TQtPlatform&) = delete;
  TQtEventLoop& Loop() { return loop_; }
  TQtClipboard& Clipboard();
  TQtDialogService& Dialogs() { return dialogs_; }

 private:
  TQtEventLoop loop_;
  TQtDialogService dialogs_;
  TDialogService* previousDialogs_;
  TQtMenuService menus_;
  TMenuService* previousMenus_;
};

// The clipboard every Qt host hands out.
TQtClipboard& QtClipboard();

}  // namespace synt
