// A highlighted editor in a window: embed FILE.pas
#include <QApplication>

#include "analysis/lexer_library.h"
#include "editor/syntax_memo.h"
#include "qt/qt_control_widget.h"
#include "qt/qt_platform.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  synt::TQtPlatform platform;  // before any document
  synt::TSyntaxManager lexers(nullptr);
  lexers.LoadFromFile(LEXER_DIR "/pascal.lxl");
  synt::TSyntaxMemo memo(nullptr);
  if (argc > 1) memo.Lines()->LoadFromFile(argv[1]);
  memo.SetSyntaxAnalyzer(lexers.FindLexer(u"Pascal"));
  synt::TQtControlWidget window(memo);
  window.resize(800, 600);
  window.show();
  return app.exec();
}
