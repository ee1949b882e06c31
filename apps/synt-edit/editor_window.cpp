#include "editor_window.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenuBar>
#include <QStatusBar>

#include "editor/commands.h"
#include "editor/memo_file.h"
#include "platform/dialogs.h"

namespace synt::edit {

namespace {

QString Q(std::u16string_view s) {
  return QString::fromUtf16(s.data(), qsizetype(s.size()));
}

std::u16string U(const QString& s) {
  return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()), size_t(s.size()));
}

}  // namespace

TEditorWindow::TEditorWindow() {
  for (TSyntFindDialog* d : {&find_, static_cast<TSyntFindDialog*>(&replace_)}) {
    d->SetControl(&memo_);
    d->SetSelectResult(true);
    d->SetCycleSearch(true);
  }
  // The column ruler with the right margin marked on it (dragged there to re-wrap); hints show
  // the hidden lines of a folded block when the pointer rests on its mark.
  memo_.HorzRuler()->SetVisible(true);
  memo_.TextMargins()->Items(0)->SetRulerMark(true);
  editor_ = new TQtControlWidget(memo_, this);
  setCentralWidget(editor_);
  BuildMenus();
  SetUpGutter();
  memo_.OnModifiedChanged = [this](TObject*) { UpdateTitle(); };
  memo_.OnChange = [this](TObject*) { UpdateTitle(); };
  // What is being searched for shows while the user types it.
  memo_.OnIncSearchChange = [this](TObject*, TIncSearchState State) {
    if (State == isStop)
      statusBar()->clearMessage();
    else
      statusBar()->showMessage(QStringLiteral("Incremental search: ") +
                               Q(memo_.IncSearchPart().SearchText()));
  };
  UpdateTitle();
}

namespace {

// A bookmark mark: a blue box with its digit in a 3 x 5 pixel font.
TPixelImage BookmarkImage(int Digit) {
  static const char* const kDigits[10] = {"111101101101111", "010110010010111", "111001111100111",
                                          "111001111001111", "101101111001001", "111100111001111",
                                          "111100111101111", "111001001010010", "111101111101111",
                                          "111101111001111"};
  TPixelImage img(11, 11);
  const TPixel box = ColorToPixel(TColor(0xB05A1E)), face = ColorToPixel(TColor(0xF2C88A));
  const TPixel ink = ColorToPixel(clBlack);
  for (int y = 1; y < 11; ++y)
    for (int x = 0; x < 10; ++x)
      img.SetPixel(x, y, x == 0 || x == 9 || y == 1 || y == 10 ? box : face);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 3; ++x)
      if (kDigits[Digit][y * 3 + x] == '1') {
        img.SetPixel(3 + x, 3 + y, ink);
      }
  return img;
}

}  // namespace

void TEditorWindow::SetUpGutter() {
  bookmarkImages_.SetSize(11, 11);
  for (int d = 0; d < 10; ++d) bookmarkImages_.Add(BookmarkImage(d));
  TGutter& g = *memo_.Gutter();
  g.SetImages(&bookmarkImages_);
  // Bookmarks | line numbers | changed lines | fold buttons.
  TGutterBands& bands = *g.Bands();
  bands.Add()->SetWidth(14);
  bands.Add()->SetWidth(24);
  TGutterBand* state = bands.Add();
  state->SetWidth(4);
  bands.Add()->SetWidth(13);
  g.SetExpBtnBand(3);
  g.SetAutoSize(true);
  memo_.LineStateDisplay()->SetBand(2);
  memo_.LineStateDisplay()->SetSavedColor(TColor(0x00C000));
  memo_.LineStateDisplay()->SetNewColor(TColor(0x0080FF));
  memo_.LineStateDisplay()->SetModifiedColor(TColor(0x00C0FF));
  TLineNumbers& ln = *memo_.LineNumbers();
  ln.SetBand(1);
  ln.Font()->SetSize(9);
  ln.Font()->SetColor(TColor(0x808080));
  // The numbers have a band of their own: nothing covers them on lines with marks.
  ln.SetUnderColor(TColor(0x808080));
  ln.SetAutoSize(true);
  memo_.OnSetBookmark = [this](TObject*, int Number, bool&) {
    if (TBookmark* b = memo_.Bookmarks()->Find(Number))
      b->SetImageIndex(Number >= 0 && Number < 10 ? Number : -1);
  };
}

TEditorWindow::~TEditorWindow() {
  // The widget goes with the window; the editor must not outlive its lexer's analysis binding.
  memo_.SetSyntaxAnalyzer(nullptr);
}

QAction* TEditorWindow::AddCommand(QMenu* Menu, const QString& Caption, int Command) {
  QString text = Caption;
  // The key the editor's mapping gives the command, shown beside the caption.
  if (TqxCommandItem* item = memo_.ActiveKeyMapping().ItemByCommand(Command))
    if (item->KeyStrokes()->Count() > 0)
      text += QStringLiteral("\t") + Q(item->KeyStrokes()->Items(0)->DisplayName());
  QAction* a = Menu->addAction(text);
  connect(a, &QAction::triggered, this, [this, Command] {
    memo_.ExecuteCommand(Command, nullptr);
    editor_->setFocus();
  });
  actions_.emplace_back(Command, a);
  return a;
}

QAction* TEditorWindow::ActionFor(int Command) const {
  for (const auto& [c, a] : actions_)
    if (c == Command) return a;
  return nullptr;
}

void TEditorWindow::BuildMenus() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  // No Ctrl+O: the editor's key mapping starts the selection-mode sequences with it.
  QAction* open = file->addAction(QStringLiteral("&Open\u2026"));
  connect(open, &QAction::triggered, this, [this] {
    if (!MayDiscard()) return;
    const QString name = QFileDialog::getOpenFileName(this, QStringLiteral("Open"));
    if (name.isEmpty()) return;
    try {
      Open(name.toStdString());
    } catch (const std::exception& e) {
      ShowError(QStringLiteral("Cannot open the file."), e);
    }
  });
  QAction* save = file->addAction(QStringLiteral("&Save"));
  save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
  connect(save, &QAction::triggered, this, [this] { Save(); });
  QAction* saveAs = file->addAction(QStringLiteral("Save &As\u2026"));
  connect(saveAs, &QAction::triggered, this, [this] { SaveAs(); });
  file->addSeparator();
  QAction* quit = file->addAction(QStringLiteral("&Quit"));
  connect(quit, &QAction::triggered, this, [this] { close(); });

  QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
  AddCommand(edit, QStringLiteral("&Undo"), cmUndo);
  AddCommand(edit, QStringLiteral("&Redo"), cmRedo);
  edit->addSeparator();
  AddCommand(edit, QStringLiteral("Cu&t"), cmCut);
  AddCommand(edit, QStringLiteral("&Copy"), cmCopy);
  AddCommand(edit, QStringLiteral("&Paste"), cmPaste);
  AddCommand(edit, QStringLiteral("Select &All"), cmSelectAll);
  edit->addSeparator();
  AddCommand(edit, QStringLiteral("&Find\u2026"), cmFindDialog);
  AddCommand(edit, QStringLiteral("Find &Next"), cmSearchAgain);
  AddCommand(edit, QStringLiteral("Find Pre&vious"), cmFindPrevious);
  AddCommand(edit, QStringLiteral("R&eplace\u2026"), cmReplaceDialog);
  edit->addSeparator();
  AddCommand(edit, QStringLiteral("&Go to Line\u2026"), cmGotoLine);
  edit->addSeparator();
  AddCommand(edit, QStringLiteral("&Incremental Search"), cmIncrementalSearch);
  AddCommand(edit, QStringLiteral("S&ynchronous Editing"), cmSyncEdit);
  connect(edit, &QMenu::aboutToShow, this, [this] { UpdateEnabled(); });
}

void TEditorWindow::UpdateEnabled() {
  for (const auto& [c, a] : actions_) a->setEnabled(memo_.IsCommandEnabled(c, nullptr));
}

void TEditorWindow::UpdateTitle() {
  QString title;
  if (memo_.Modified()) title += QStringLiteral("*");
  title += fileName_.empty() ? QStringLiteral("Untitled")
                             : QFileInfo(QString::fromStdString(fileName_)).fileName();
  title += QStringLiteral(" \u2014 synt-edit");
  if (windowTitle() != title) setWindowTitle(title);
}

void TEditorWindow::ShowError(const QString& What, const std::exception& E) {
  const QString text = What + QStringLiteral("\n\n") + QString::fromUtf8(E.what());
  MessageBox(U(text), u"synt-edit", mbbOK, mbiError);
}

void TEditorWindow::Open(const std::string& FileName, tool::LoadedLexer Lexer) {
  if (!Lexer.lexer) {
    try {
      Lexer = tool::LexerForInput(FileName, "edit");
    } catch (const std::exception&) {
      Lexer = {};  // no shipped lexer serves the file: plain text
    }
  }
  // A file that cannot be read leaves the window as it was.
  LoadMemoFile(memo_, FileName);
  memo_.SetSyntaxAnalyzer(Lexer.lexer);
  lexer_ = std::move(Lexer);
  fileName_ = FileName;
  UpdateTitle();
}

bool TEditorWindow::Save(const std::string& FileName) {
  const std::string target = FileName.empty() ? fileName_ : FileName;
  if (target.empty()) return SaveAs();
  try {
    try {
      SaveMemoFile(memo_, target, upRefuse);
    } catch (const EMemoFileError& e) {
      const QString text =
          QString::fromUtf8(e.what()) + QStringLiteral("\n\nSave the file as UTF-8 instead?");
      if (MessageBox(U(text), u"synt-edit", mbbYesNo, mbiWarning) != mrYes) return false;
      SaveMemoFile(memo_, target, upAsUtf8);
    }
  } catch (const std::exception& e) {
    ShowError(QStringLiteral("The file was not saved; the text is kept."), e);
    return false;
  }
  fileName_ = target;
  UpdateTitle();
  return true;
}

bool TEditorWindow::SaveAs() {
  const QString name = QFileDialog::getSaveFileName(this, QStringLiteral("Save As"),
                                                    QString::fromStdString(fileName_));
  if (name.isEmpty()) return false;
  return Save(name.toStdString());
}

bool TEditorWindow::MayDiscard() {
  if (!memo_.Modified()) return true;
  const QString name = fileName_.empty() ? QStringLiteral("Untitled")
                                         : QFileInfo(QString::fromStdString(fileName_)).fileName();
  const QString text =
      QStringLiteral("Save the changes to %1?\n\nYes saves them, No discards them.").arg(name);
  const int answer = MessageBox(U(text), u"synt-edit", mbbYesNoCancel, mbiQuestion);
  if (answer == mrYes) return Save();
  return answer == mrNo;
}

void TEditorWindow::closeEvent(QCloseEvent* E) {
  if (MayDiscard())
    E->accept();
  else
    E->ignore();
}

}  // namespace synt::edit
