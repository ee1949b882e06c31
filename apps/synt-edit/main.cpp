// synt-edit: a file in the editor control, highlighted by a lexer, in a Qt window with a menu
// bar; typing, selecting, the clipboard, undo and redo go through the editor's key mapping.
//   synt-edit [--lexer FILE [--name LEXER]] [--wrap] [--goto LINE] [--fold-all] [--size WxH]
//             [--hover X,Y] [--inc-search TEXT] [--sync-lines FIRST:LAST] [--screenshot PNG] FILE
// --inc-search types TEXT into an incremental search from the caret; --sync-lines starts
// synchronous editing over those lines (1-based), as a user would leave them on screen.
// Without --lexer the lexer whose extensions serve FILE is taken from the shipped lexers.
// --screenshot renders the window offscreen, writes the PNG and exits. Without a display the
// window cannot open: the program renders offscreen instead and writes synt-edit.png. --hover
// rests the pointer at point X,Y of the editor before the screenshot, so that a hint shows in it.
#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPainter>
#include <QPixmap>
#include <QThread>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

#include "analysis/client_analyzer.h"
#include "command.h"
#include "editor/commands.h"
#include "editor/syntax_memo.h"
#include "editor_window.h"
#include "lexer_load.h"
#include "platform/utf.h"
#include "qt/qt_control_widget.h"
#include "qt/qt_platform.h"

namespace {

struct TOptions {
  std::string lexerFile;
  std::u16string name;
  bool hasName = false;
  bool wrap = false;
  int gotoLine = 0;  // 1-based; 0: none
  bool foldAll = false;
  int width = 1000, height = 700;
  bool hover = false;
  int hoverX = 0, hoverY = 0;
  std::string screenshot;
  std::string file;
  // Shown as a user would leave them: an incremental search typed at the caret, and sync editing
  // over lines First..Last (1-based).
  std::u16string incSearch;
  int syncFirst = 0, syncLast = 0;
};

struct TUsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

int ParseInt(const std::string& Option, const std::string& S, int Min) {
  int v = 0;
  const char* end = S.data() + S.size();
  auto [p, ec] = std::from_chars(S.data(), end, v);
  if (ec != std::errc() || p != end || v < Min) {
    std::string msg = Option;
    msg += " needs a whole number of at least ";
    msg += std::to_string(Min);
    msg += ", not '";
    msg += S;
    msg += "'";
    throw TUsageError(msg);
  }
  return v;
}

TOptions ParseOptions(int argc, char** argv) {
  TOptions o;
  auto value = [&](int& i) -> std::string {
    if (i + 1 >= argc) {
      std::string msg = argv[i];
      msg += " needs a value";
      throw TUsageError(msg);
    }
    return argv[++i];
  };
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--lexer") {
      o.lexerFile = value(i);
    } else if (a == "--name") {
      o.name = synt::Utf8ToUtf16(value(i));
      o.hasName = true;
    } else if (a == "--wrap") {
      o.wrap = true;
    } else if (a == "--goto") {
      o.gotoLine = ParseInt(a, value(i), 1);
    } else if (a == "--fold-all") {
      o.foldAll = true;
    } else if (a == "--size") {
      const std::string s = value(i);
      const size_t x = s.find('x');
      if (x == std::string::npos) throw TUsageError("--size needs WxH, not '" + s + "'");
      o.width = ParseInt(a, s.substr(0, x), 50);
      o.height = ParseInt(a, s.substr(x + 1), 50);
    } else if (a == "--hover") {
      const std::string s = value(i);
      const size_t comma = s.find(',');
      if (comma == std::string::npos) throw TUsageError("--hover needs X,Y, not '" + s + "'");
      o.hoverX = ParseInt(a, s.substr(0, comma), 0);
      o.hoverY = ParseInt(a, s.substr(comma + 1), 0);
      o.hover = true;
    } else if (a == "--screenshot") {
      o.screenshot = value(i);
    } else if (a == "--inc-search") {
      o.incSearch = synt::Utf8ToUtf16(value(i));
    } else if (a == "--sync-lines") {
      const std::string s = value(i);
      const size_t colon = s.find(':');
      if (colon == std::string::npos)
        throw TUsageError("--sync-lines needs FIRST:LAST, not '" + s + "'");
      o.syncFirst = ParseInt(a, s.substr(0, colon), 1);
      o.syncLast = ParseInt(a, s.substr(colon + 1), o.syncFirst);
    } else if (a == "-h" || a == "--help") {
      throw TUsageError("");
    } else if (a.size() > 1 && a[0] == '-') {
      throw TUsageError("unknown option '" + a + "'");
    } else if (o.file.empty()) {
      o.file = a;
    } else {
      throw TUsageError("more than one file ('" + o.file + "', '" + a + "')");
    }
  }
  if (o.file.empty()) throw TUsageError("no FILE given");
  if (o.hasName && o.lexerFile.empty()) throw TUsageError("--name needs --lexer FILE");
  return o;
}

void Usage() {
  std::cerr << "usage: synt-edit [--lexer FILE [--name LEXER]] [--wrap] [--goto LINE] "
               "[--fold-all] [--size WxH] [--hover X,Y] [--inc-search TEXT]\n"
               "                 [--sync-lines FIRST:LAST] [--screenshot PNG] FILE\n";
}

bool HaveDisplay() {
  for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* s = std::getenv(v);
    if (s && *s) return true;
  }
  return false;
}

// Runs Qt's loop until the analysis has finished and its background pass was taken over.
void Settle(synt::TClientSyntAnalyzer& Client) {
  synt::tool::SettleAnalysis(Client, [](unsigned WaitMs) {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (WaitMs > 0) {
      QThread::msleep(std::min(WaitMs, 5u));
      QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
  });
}

int Run(const TOptions& o, bool offscreen) {
  std::error_code ec;
  if (!std::filesystem::exists(o.file, ec))
    throw std::runtime_error("'" + o.file + "' does not exist");
  if (!std::filesystem::is_regular_file(o.file, ec))
    throw std::runtime_error("'" + o.file + "' is not a regular file");
  synt::tool::LoadedLexer lexer;
  if (!o.lexerFile.empty()) {
    lexer = synt::tool::LoadLexer(o.lexerFile, o.hasName ? &o.name : nullptr, "edit");
  } else {
    try {
      lexer = synt::tool::LexerForInput(o.file, "edit");
    } catch (const std::exception& e) {
      // A file no shipped lexer serves is still worth editing, as plain text.
      std::cerr << "synt-edit: " << e.what() << "; showing plain text\n";
    }
  }

  synt::TQtPlatform platform;  // before the document, so the analysis runs on Qt's loop
  synt::edit::TEditorWindow window;
  window.Open(o.file, std::move(lexer));
  synt::TSyntaxMemo& memo = window.Memo();
  window.resize(o.width, o.height);
  memo.SetWordWrap(o.wrap);

  const bool screenshot = !o.screenshot.empty() || offscreen;
  if (o.foldAll || screenshot)
    if (synt::TClientSyntAnalyzer* client = memo.SyntClient()) Settle(*client);
  if (o.foldAll) memo.CollapseAll();
  if (o.gotoLine > 0) {
    const int line = std::min(o.gotoLine - 1, std::max(0, memo.Lines()->GetCount() - 1));
    memo.ExpandLines(line, line);
    memo.SetCaretPos({0, line});
    memo.SetTopLine(line);
  }
  window.show();
  window.Editor().setFocus();
  if (o.syncFirst > 0) {
    synt::TSyntMemoStrings& lines = *memo.Lines();
    const int first = std::min(o.syncFirst - 1, lines.GetCount() - 1);
    const int last = std::min(o.syncLast - 1, lines.GetCount() - 1);
    if (first >= 0) {
      const int a = lines.LineStart(first), b = lines.LineStart(last) + lines.LineLength(last);
      memo.SelectRange(a, b - a);
      memo.ExecuteCommand(synt::cmSyncEdit, nullptr);
    }
  }
  if (!o.incSearch.empty()) {
    memo.ExecuteCommand(synt::cmIncrementalSearch, nullptr);
    for (char16_t c : o.incSearch) memo.KeyPress(c);
  }
  if (!screenshot) return QApplication::exec();

  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents);
  if (o.hover) {
    memo.MouseMove({}, o.hoverX, o.hoverY);
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < memo.HintProps()->DelayBefore() + 100) {
      QCoreApplication::processEvents(QEventLoop::AllEvents);
      QThread::msleep(5);
    }
  }
  const std::string out = o.screenshot.empty() ? "synt-edit.png" : o.screenshot;
  QPixmap shot = window.grab();
  // Hint windows are top-level windows of their own: drawn over the window where they stand.
  QPainter painter(&shot);
  const QPoint origin = window.mapToGlobal(QPoint(0, 0));
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w != &window && w->isVisible() && (w->windowFlags() & Qt::ToolTip) == Qt::ToolTip)
      painter.drawPixmap(w->geometry().topLeft() - origin, w->grab());
  painter.end();
  if (!shot.save(QString::fromStdString(out), "PNG"))
    throw std::runtime_error("cannot write the screenshot to '" + out + "'");
  if (o.screenshot.empty())
    std::cerr << "synt-edit: screenshot written to " << std::filesystem::absolute(out, ec).string()
              << "\n";
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  TOptions o;
  try {
    o = ParseOptions(argc, argv);
  } catch (const TUsageError& e) {
    if (*e.what()) std::cerr << "synt-edit: " << e.what() << "\n";
    Usage();
    return 2;
  }
  const bool offscreen = !HaveDisplay();
  if (offscreen) {
    std::cerr << "synt-edit: no display (DISPLAY and WAYLAND_DISPLAY are not set); rendering "
                 "offscreen\n";
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  }
  QApplication app(argc, argv);
  QApplication::setApplicationDisplayName(QStringLiteral("synt-edit"));
  try {
    return Run(o, offscreen);
  } catch (const std::exception& e) {
    std::cerr << "synt-edit: " << e.what() << "\n";
    return 1;
  }
}
