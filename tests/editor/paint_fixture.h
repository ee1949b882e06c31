// Test support for the painter: the Pascal lexer over a text, a paint context wired as the control
// wires it, and a dump of what a paint drew that names styles, never their numbers.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "analysis/client_analyzer.h"
#include "analysis/lexer_catalog.h"
#include "analysis/syntax_analyzer.h"
#include "editor/line_painter.h"
#include "editor/memo_settings.h"
#include "platform/event_loop.h"
#include "text/memo_strings.h"

namespace synt::test {

class PaintDoc {
 public:
  // The Pascal lexer of lexers/ (loaded once per test), no text yet.
  PaintDoc();
  ~PaintDoc();

  // Replaces the text and analyses it completely (display ranges included).
  void SetText(std::u16string_view Text);
  // The lexer's style of that name (the test fails without one).
  TSyntaxFormat* Style(std::u16string_view Name) const;

  // Paints every line (no wrap, rows of the cell height plus spacing) on a fresh canvas of Width
  // pixels; text starts at TextLeft.
  THeadlessCanvas& PaintAll(int Width = 640, int TextLeft = 0);
  // The last paint as lines: one per run (its text, styles, colours and font) and one per other
  // drawing call.
  std::vector<std::string> Dump() const;

  THeadlessEventLoop loop;
  TLexerCatalog catalog;
  TSyntAnalyzer* lexer = nullptr;
  TSyntMemoStrings lines;
  std::unique_ptr<TClientSyntAnalyzer> client;
  TNonPrinted nonPrinted;
  TTabList tabs;
  TDefaultStyles defaults;
  TPen staplePen;
  TFont font;
  TRangeList<TRange> searchMarks{true};
  TPaintContext ctx;
  TLinePainter painter{ctx};
  std::unique_ptr<THeadlessCanvas> canvas;
  // Line i's collapsed block, when the test folds it.
  std::vector<std::pair<int, TLineCollapse>> collapsed;

 private:
  struct Event {
    size_t op;  // ops recorded before it
    std::string text;
  };
  std::vector<Event> runs_;
};

std::string Utf8(std::u16string_view S);

// Compares Lines with tests/data/editor/<Name>.golden; SYNT_UPDATE_GOLDEN=1 rewrites it, a
// mismatch writes <Name>.golden.new and names the first line that differs.
void ExpectGolden(const std::string& Name, const std::vector<std::string>& Lines);

}  // namespace synt::test
