// Reading the lexer a command works with, from a lexer file or a lexer library.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "analysis/lexer_catalog.h"
#include "analysis/lexer_library.h"
#include "analysis/syntax_analyzer.h"

namespace synt {
class TClientSyntAnalyzer;
class THeadlessEventLoop;
}  // namespace synt

namespace synt::tool {

// Owns whatever was read: a library, a single lexer or the shipped lexers.
struct LoadedLexer {
  std::unique_ptr<TSyntaxManager> library;
  std::unique_ptr<TSyntAnalyzer> single;
  std::unique_ptr<TLexerCatalog> catalog;
  TSyntAnalyzer* lexer = nullptr;  // the one chosen
};

// Reads File; Name (when given) chooses the lexer by LexerName or component name, else the first
// lexer of a library that is not Internal. A read error ends the load (std::runtime_error).
// What loading could not make sense of (LoadFindings of lint.h) is reported on stderr as
// "synt COMMAND: FILE: ..." and does not stop the command.
LoadedLexer LoadLexer(const std::string& File, const std::u16string* Name, const char* Command,
                      bool Report = true);

// Without --lexer: the shipped lexer whose Extentions serve Input's extension or whole name, from
// SYNT_LEXERS (or SYNT_LEXER_DIR), else lexers/ beside the folder the tool was built or installed
// in, else share/synt/lexers of the installation, else lexers/ in the current folder. What loading
// could not make sense of in that lexer is reported as by LoadLexer, under the lexer's file.
LoadedLexer LexerForInput(const std::string& Input, const char* Command);

// Turns Loop until the analysis has finished and, when it builds display ranges, its background
// pass has been taken over.
void SettleAnalysis(TClientSyntAnalyzer& Client, THeadlessEventLoop& Loop);
// The same on any loop: Pump(WaitMs) runs the work posted to the GUI thread, first waiting up to
// WaitMs for some to arrive.
void SettleAnalysis(TClientSyntAnalyzer& Client, const std::function<void(unsigned WaitMs)>& Pump);

}  // namespace synt::tool
