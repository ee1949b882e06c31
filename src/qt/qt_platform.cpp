#include "qt/qt_platform.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <cstring>

#include "platform/utf.h"
#include "qt/qt_form_dialog.h"

namespace synt {

namespace {

QString Q(std::u16string_view s) {
  return QString::fromUtf16(s.data(), qsizetype(s.size()));
}

std::u16string U(const QString& s) {
  return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()), size_t(s.size()));
}

const char* const kUtf16Mime = "application/x-synt-utf16";
const char* const kAnsiMime = "application/x-synt-ansi";

}  // namespace

// ---- Event loop -------------------------------------------------------------------------------

TQtEventLoop::TQtEventLoop() : context_(std::make_unique<QObject>()) {}

TQtEventLoop::~TQtEventLoop() {
  for (auto& [id, t] : timers_) delete t;
}

TEventLoop::TimerId TQtEventLoop::StartTimer(std::uint32_t IntervalMs,
                                             std::function<void()> Callback) {
  const TimerId id = nextId_++;
  auto* t = new QTimer(context_.get());
  t->setInterval(int(std::min<std::uint32_t>(IntervalMs, 0x7FFFFFFF)));
  t->setTimerType(Qt::PreciseTimer);
  QObject::connect(t, &QTimer::timeout, context_.get(), [this, id, cb = std::move(Callback)] {
    // A callback may stop its own timer; a stopped one must not run even if already due.
    if (timers_.count(id)) cb();
  });
  timers_[id] = t;
  t->start();
  return id;
}

void TQtEventLoop::StopTimer(TimerId Id) {
  auto it = timers_.find(Id);
  if (it == timers_.end()) return;
  QTimer* t = it->second;
  timers_.erase(it);
  t->stop();
  // The timer may be stopped from inside its own timeout: delete it once control returns.
  t->deleteLater();
}

void TQtEventLoop::Post(std::function<void()> Work) {
  QMetaObject::invokeMethod(context_.get(), std::move(Work), Qt::QueuedConnection);
}

bool TQtEventLoop::IsGuiThread() const {
  return QThread::currentThread() == context_->thread();
}

// ---- Clipboard --------------------------------------------------------------------------------

QString MimeTypeOfFormat(std::u16string_view Name) {
  if (Name == cfRichText) return QStringLiteral("text/rtf");
  // Other applications see the name; characters a MIME type cannot hold are percent-encoded.
  QString s = QStringLiteral("application/x-qt-windows-mime;value=\"");
  s += QString::fromLatin1(QUrl::toPercentEncoding(Q(Name), " "));
  s += QStringLiteral("\"");
  return s;
}

namespace {
std::u16string FormatOfMimeType(const QString& Mime) {
  if (Mime == QStringLiteral("text/rtf")) return std::u16string(cfRichText);
  const QString prefix = QStringLiteral("application/x-qt-windows-mime;value=\"");
  if (!Mime.startsWith(prefix) || !Mime.endsWith(u'"')) return {};
  const QString enc = Mime.mid(prefix.size(), Mime.size() - prefix.size() - 1);
  return U(QUrl::fromPercentEncoding(enc.toLatin1()));
}
}  // namespace

QMimeData* ToMimeData(const TClipboardData& Data) {
  auto* mime = new QMimeData;
  if (Data.Text) {
    mime->setText(Q(*Data.Text));
    mime->setData(kUtf16Mime, QByteArray(reinterpret_cast<const char*>(Data.Text->data()),
                                         qsizetype(Data.Text->size() * 2)));
  }
  if (Data.AnsiText) {
    QByteArray b = QByteArray::number(Data.AnsiText->CodePage);
    b += ':';
    b += QByteArray(Data.AnsiText->Bytes.data(), qsizetype(Data.AnsiText->Bytes.size()));
    mime->setData(kAnsiMime, b);
  }
  for (const auto& [name, bytes] : Data.Formats)
    mime->setData(MimeTypeOfFormat(name), QByteArray(bytes.data(), qsizetype(bytes.size())));
  return mime;
}

void TQtClipboard::SetData(const TClipboardData& Data) {
  CheckClipboardData(Data);
  QGuiApplication::clipboard()->setMimeData(ToMimeData(Data));
}

TClipboardData TQtClipboard::Data() const {
  return FromMimeData(QGuiApplication::clipboard()->mimeData());
}

TClipboardData FromMimeData(const QMimeData* mime) {
  TClipboardData d;
  if (!mime) return d;
  if (mime->hasFormat(kUtf16Mime)) {
    const QByteArray b = mime->data(kUtf16Mime);
    std::u16string t(size_t(b.size() / 2), u'\0');
    std::memcpy(t.data(), b.constData(), t.size() * 2);
    d.Text = std::move(t);
  } else if (mime->hasText()) {
    d.Text = U(mime->text());
  }
  if (mime->hasFormat(kAnsiMime)) {
    const QByteArray b = mime->data(kAnsiMime);
    const qsizetype colon = b.indexOf(':');
    if (colon > 0)
      d.AnsiText = TAnsiText{std::string(b.constData() + colon + 1, size_t(b.size() - colon - 1)),
                             b.left(colon).toUInt()};
  }
  for (const QString& f : mime->formats()) {
    const std::u16string name = FormatOfMimeType(f);
    if (name.empty()) continue;
    const QByteArray b = mime->data(f);
    d.Formats[name] = std::string(b.constData(), size_t(b.size()));
  }
  return d;
}

void TQtClipboard::Clear() {
  QGuiApplication::clipboard()->clear();
}

TQtClipboard& QtClipboard() {
  static TQtClipboard clipboard;
  return clipboard;
}

// ---- Dialogs ----------------------------------------------------------------------------------

namespace {

struct TButtonMap {
  TMsgDlgBtn Btn;
  QMessageBox::StandardButton Qt;
  int Result;
};
const TButtonMap kButtons[] = {
    {mbYes, QMessageBox::Yes, mrYes},
    {mbNo, QMessageBox::No, mrNo},
    {mbOK, QMessageBox::Ok, mrOk},
    {mbCancel, QMessageBox::Cancel, mrCancel},
    {mbAbort, QMessageBox::Abort, mrAbort},
    {mbRetry, QMessageBox::Retry, mrRetry},
    {mbIgnore, QMessageBox::Ignore, mrIgnore},
    {mbAll, QMessageBox::YesAll, mrAll},
    {mbNoToAll, QMessageBox::NoToAll, mrNoToAll},
    {mbYesToAll, QMessageBox::YesToAll, mrYesToAll},
    {mbHelp, QMessageBox::Help, mrHelp},
    {mbClose, QMessageBox::Close, mrClose},
};

// A message box that, once it knows its size (when it is shown), moves next to a screen
// rectangle without covering it.
class TPlacedBox final : public QMessageBox {
 public:
  TPlacedBox(QMessageBox::Icon Icon, const QString& Caption, const QString& Text,
             QMessageBox::StandardButtons Buttons, const TRect* Near)
      : QMessageBox(Icon, Caption, Text, Buttons, QApplication::activeWindow()), near_(Near) {}

 protected:
  void showEvent(QShowEvent* E) override {
    QMessageBox::showEvent(E);
    if (!near_) return;
    const QPoint centre((near_->Left + near_->Right) / 2, (near_->Top + near_->Bottom) / 2);
    QScreen* screen = QGuiApplication::screenAt(centre);
    if (!screen) screen = QGuiApplication::primaryScreen();
    const QRect work = screen ? screen->availableGeometry() : QRect(0, 0, 1 << 20, 1 << 20);
    const QSize extent = frameGeometry().size().expandedTo(QWidget::size());
    const TPoint at =
        PlaceDialogNear({extent.width(), extent.height()}, *near_,
                        {work.left(), work.top(), work.right() + 1, work.bottom() + 1});
    move(at.X, at.Y);
  }

 private:
  const TRect* near_;
};

int RunBox(QMessageBox::Icon Icon, const QString& Caption, const QString& Text,
           QMessageBox::StandardButtons Buttons, const TRect* Near = nullptr) {
  TPlacedBox box(Icon, Caption, Text, Buttons, Near);
  const int r = box.exec();
  for (const TButtonMap& b : kButtons)
    if (b.Qt == r) return b.Result;
  return mrCancel;
}

}  // namespace

int TQtDialogService::MessageDlg(const std::u16string& Message, TMsgDlgType Type,
                                 TMsgDlgButtons Buttons, int) {
  return ShowDlg(Message, Type, Buttons, nullptr);
}

int TQtDialogService::MessageDlgNear(const std::u16string& Message, TMsgDlgType Type,
                                     TMsgDlgButtons Buttons, const TRect& Near) {
  return ShowDlg(Message, Type, Buttons, &Near);
}

int TQtDialogService::ShowDlg(const std::u16string& Message, TMsgDlgType Type,
                              TMsgDlgButtons Buttons, const TRect* Near) {
  QMessageBox::StandardButtons qb;
  for (const TButtonMap& b : kButtons)
    if (Buttons.Contains(b.Btn)) qb |= b.Qt;
  if (!qb) qb = QMessageBox::Ok;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QString caption = QApplication::applicationDisplayName();
  switch (Type) {
    case mtWarning:
      icon = QMessageBox::Warning;
      caption = QStringLiteral("Warning");
      break;
    case mtError:
      icon = QMessageBox::Critical;
      caption = QStringLiteral("Error");
      break;
    case mtInformation:
      icon = QMessageBox::Information;
      caption = QStringLiteral("Information");
      break;
    case mtConfirmation:
      icon = QMessageBox::Question;
      caption = QStringLiteral("Confirm");
      break;
    case mtCustom:
      break;
  }
  return RunBox(icon, caption, Q(Message), qb, Near);
}

int TQtDialogService::MessageBox(const std::u16string& Text, const std::u16string& Caption,
                                 TMessageBoxButtons Buttons, TMessageBoxIcon Icon) {
  QMessageBox::StandardButtons qb = QMessageBox::Ok;
  switch (Buttons) {
    case mbbOK:
      qb = QMessageBox::Ok;
      break;
    case mbbOKCancel:
      qb = QMessageBox::Ok | QMessageBox::Cancel;
      break;
    case mbbYesNo:
      qb = QMessageBox::Yes | QMessageBox::No;
      break;
    case mbbYesNoCancel:
      qb = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
      break;
  }
  const QMessageBox::Icon icons[] = {QMessageBox::NoIcon, QMessageBox::Critical,
                                     QMessageBox::Warning, QMessageBox::Information,
                                     QMessageBox::Question};
  return RunBox(icons[Icon], Q(Caption), Q(Text), qb);
}

int TQtDialogService::RunForm(TDialogForm& Form) {
  TQtFormDialog dialog(Form, QApplication::activeWindow());
  const int r = dialog.Exec();
  if (r != mrCancel) dialog.Read(Form);
  return r;
}

// ---- Installation -----------------------------------------------------------------------------

TQtClipboard& TQtPlatform::Clipboard() {
  return QtClipboard();
}

namespace {

void AddMenuItems(QMenu& Menu, TMenuItem& Items, std::unordered_map<QAction*, TMenuItem*>& Map) {
  for (int i = 0; i < Items.Count(); ++i) {
    TMenuItem* item = Items.Items(i);
    if (!item->Visible()) continue;
    if (item->IsLine()) {
      Menu.addSeparator();
      continue;
    }
    const std::u16string& c = item->Caption();
    const QString caption = QString::fromUtf16(c.data(), qsizetype(c.size()));
    if (item->Count() > 0) {
      QMenu* sub = Menu.addMenu(caption);
      sub->setEnabled(item->Enabled());
      AddMenuItems(*sub, *item, Map);
      continue;
    }
    QAction* a = Menu.addAction(caption);
    a->setEnabled(item->Enabled());
    a->setCheckable(item->Checked());
    a->setChecked(item->Checked());
    Map[a] = item;
  }
}

}  // namespace

TMenuItem* TQtMenuService::Track(TMenuItem& Items, TPoint ScreenPoint) {
  QMenu menu;
  std::unordered_map<QAction*, TMenuItem*> map;
  AddMenuItems(menu, Items, map);
  if (map.empty()) return nullptr;
  QAction* picked = menu.exec(QPoint(ScreenPoint.X, ScreenPoint.Y));
  auto it = map.find(picked);
  return it == map.end() ? nullptr : it->second;
}

TQtPlatform::TQtPlatform() {
  SetEventLoop(&loop_);
  previousDialogs_ = SetDialogService(&dialogs_);
  previousMenus_ = SetMenuService(&menus_);
}

TQtPlatform::~TQtPlatform() {
  SetMenuService(previousMenus_);
  SetDialogService(previousDialogs_);
  SetEventLoop(nullptr);
}

}  // namespace synt
