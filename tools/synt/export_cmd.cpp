// synt export: the highlighted text of a file as plain text, RTF or an HTML page, as the editor's
// exporters write it.
//   synt export [--lexer FILE [--name LEXER]] --format text|rtf|html [--start N] [--length N]
//               INPUT [-o OUT]
// The whole text, or Length units from Start (0-based UTF-16 offsets), goes to standard output or
// to OUT, which is replaced only once the export is complete. Plain text comes out in the input's
// encoding; RTF is 7-bit; HTML is UTF-8.
#include <charconv>
#include <cstdint>
#include <iostream>
#include <memory>

#include "analysis/client_analyzer.h"
#include "command.h"
#include "editor/syntax_memo.h"
#include "lexer_load.h"
#include "platform/file_io.h"
#include "platform/headless_host.h"
#include "platform/streams.h"
#include "platform/utf.h"
#include "print/html_export.h"
#include "print/rtf_export.h"

namespace synt::tool {
namespace {

enum class Format { None, Text, Rtf, Html };

struct Options {
  LexerChoice lexer;
  Format format = Format::None;
  int64_t start = -1, length = -1;
  std::string input;
  std::string output;
};

Options ParseOptions(const Args& args) {
  Options o;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (o.lexer.Take(args, i)) continue;
    if (a == "--format") {
      const std::string& f = OptionValue(args, i);
      if (f == "text")
        o.format = Format::Text;
      else if (f == "rtf")
        o.format = Format::Rtf;
      else if (f == "html")
        o.format = Format::Html;
      else
        throw UsageError("--format is text, rtf or html, not '" + f + "'");
    } else if (a == "--start") {
      o.start = IntOption(a, OptionValue(args, i), 0);
    } else if (a == "--length") {
      o.length = IntOption(a, OptionValue(args, i), 0);
    } else if (a == "-o" || a == "--output") {
      o.output = OptionValue(args, i);
    } else {
      TakeInput(a, o.input);
    }
  }
  if (o.input.empty()) throw UsageError("export needs an INPUT file or -");
  if (o.format == Format::None) throw UsageError("export needs --format text, rtf or html");
  if (o.lexer.file.empty() && o.input == "-")
    throw UsageError("export reading standard input needs --lexer FILE");
  if (o.lexer.hasName && o.lexer.file.empty()) throw UsageError("--name needs --lexer FILE");
  return o;
}

// Checks the range against the text; the defaults cover the rest of the text.
void ResolveRange(Options& o, int64_t textLength) {
  if (o.start < 0) o.start = 0;
  if (o.start > textLength) {
    std::string msg = "--start ";
    msg += std::to_string(o.start);
    msg += " lies past the end of the text (";
    msg += std::to_string(textLength);
    msg += " units)";
    throw std::runtime_error(msg);
  }
  if (o.length < 0) o.length = textLength - o.start;
  if (o.start + o.length > textLength) {
    std::string msg = "--start ";
    msg += std::to_string(o.start);
    msg += " --length ";
    msg += std::to_string(o.length);
    msg += " reaches past the end of the text (";
    msg += std::to_string(textLength);
    msg += " units)";
    throw std::runtime_error(msg);
  }
}

std::u16string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return Utf8ToUtf16(slash == std::string::npos ? path : path.substr(slash + 1));
}

int RunExport(const Args& args) {
  Options o = ParseOptions(args);
  try {
    LoadedLexer l = o.lexer.file.empty() ? LexerForInput(o.input, "export")
                                         : LoadLexer(o.lexer.file, o.lexer.Name(), "export");
    THeadlessDesktop desktop;  // its event loop serves the analysis
    TSyntaxMemo memo(nullptr);
    memo.Lines()->LoadFromBytes(ReadFileBytes(o.input));
    ResolveRange(o, memo.Lines()->TextLength());
    // Plain text needs no styles; the others wait for the whole analysis, background pass
    // included (styled ranges come from it).
    if (o.format != Format::Text) {
      memo.SetSyntaxAnalyzer(l.lexer);
      if (TClientSyntAnalyzer* client = memo.SyntClient()) SettleAnalysis(*client, desktop.Loop());
    }

    std::unique_ptr<TPlainTextSyntExport> exporter;
    if (o.format == Format::Rtf) {
      exporter = std::make_unique<TRTFSyntExport>(nullptr);
    } else if (o.format == Format::Html) {
      auto html = std::make_unique<THTMLSyntExport>(nullptr);
      html->SetTitle(o.input == "-" ? u"" : BaseName(o.input));
      exporter = std::move(html);
    } else {
      exporter = std::make_unique<TPlainTextSyntExport>(nullptr);
    }
    exporter->SetSyntMemo(&memo);
    exporter->ExportRange(int(o.start), int(o.length));
    // Plain text is saved in the input's encoding; the formats are bytes already.
    std::string bytes;
    if (o.format == Format::Text) {
      TMemoryStream data;
      exporter->SaveToStream(data);  // etCustom: writes what was exported
      bytes = data.DataString();
    } else {
      bytes = exporter->ExportData();
    }

    if (o.output.empty() || o.output == "-") {
      std::cout.write(bytes.data(), std::streamsize(bytes.size()));
      std::cout.flush();
      if (!std::cout) throw std::runtime_error("cannot write to standard output");
    } else {
      WriteFileAtomic(o.output, bytes);
    }
    return 0;
  } catch (const std::exception& e) {
    std::cout.flush();
    std::cerr << "synt export: " << e.what() << "\n";
    return 1;
  }
}

Command export_cmd{"export", "write a text highlighted by a lexer as plain text, RTF or HTML",
                   RunExport};

}  // namespace
}  // namespace synt::tool
