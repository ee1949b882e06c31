// synt text: what the line storage makes of a file, and conversion between encodings and line
// breaks.
//
//   synt text info FILE
//   synt text convert IN OUT [--encoding ansi|utf-16le|utf-16be|utf-8]
//                            [--linebreaks keep|crlf|cr|lf] [--no-bom] [--codepage N]
#include <iostream>
#include <optional>

#include "command.h"
#include "json.h"
#include "lists/char_utils.h"
#include "platform/file_io.h"
#include "text/memo_strings.h"

namespace synt::tool {
namespace {

const char* const kEncodings[] = {"ansi", "utf-16le", "utf-16be", "utf-8"};
const char* const kLineBreaks[] = {"keep", "crlf", "cr", "lf"};

template <size_t N>
int Lookup(const char* const (&names)[N], const std::string& value, const char* option) {
  for (size_t i = 0; i < N; ++i) {
    if (value == names[i]) return int(i);
  }
  std::string known;
  for (auto* n : names) known += std::string(known.empty() ? "" : ", ") + n;
  throw UsageError("unknown " + std::string(option) + " '" + value + "' (known: " + known + ")");
}

void Load(TSyntMemoStrings& s, const std::string& path) {
  if (path == "-") {
    s.LoadFromBytes(ReadFileBytes(path));
  } else {
    s.LoadFromFile(path);
  }
}

// Whether the file began with the mark of the encoding it was read in.
bool ReadWithMark(const TSyntMemoStrings& s) {
  return s.Encoding() != teAnsi;
}

int RunInfo(const Args& args) {
  if (args.size() != 1) throw UsageError("usage: synt text info FILE");
  TSyntMemoStrings s;
  Load(s, args[0]);
  std::cout << JsonLine()
                   .AddUtf8("encoding", kEncodings[s.Encoding()])
                   .Add("bom", ReadWithMark(s))
                   .AddUtf8("linebreaks", kLineBreaks[s.LineBreakStyle()])
                   .Add("lines", s.Count())
                   .Add("length", s.TextLength())
                   .Str()
            << "\n";
  return 0;
}

int RunConvert(const Args& args) {
  std::vector<std::string> files;
  std::optional<TTextEncoding> encoding;
  std::optional<TLineBreakStyle> linebreaks;
  std::optional<uint32_t> codepage;
  bool noBom = false;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string a = args[i], value;
    bool hasValue = false;
    if (a.rfind("--", 0) == 0 && a.find('=') != std::string::npos) {
      value = a.substr(a.find('=') + 1);
      a = a.substr(0, a.find('='));
      hasValue = true;
    }
    auto next = [&]() {
      if (hasValue) return value;
      if (i + 1 >= args.size()) throw UsageError("option " + a + " needs a value");
      return args[++i];
    };
    if (a == "--encoding") {
      encoding = TTextEncoding(Lookup(kEncodings, next(), "encoding"));
    } else if (a == "--linebreaks") {
      linebreaks = TLineBreakStyle(Lookup(kLineBreaks, next(), "line-break style"));
    } else if (a == "--no-bom" && !hasValue) {
      noBom = true;
    } else if (a == "--codepage") {
      std::string v = next();
      size_t used = 0;
      unsigned long cp = 0;
      try {
        cp = std::stoul(v, &used);
      } catch (const std::exception&) {
        used = 0;
      }
      if (used != v.size() || v.empty() || cp == 0 || cp > 0xFFFFFFFFul)
        throw UsageError("--codepage needs a code page number, not '" + v + "'");
      if (!IsCodePageSupported(uint32_t(cp)))
        throw UsageError("code page " + v + " is not supported");
      codepage = uint32_t(cp);
    } else if (a.size() > 1 && a[0] == '-' && a != "-") {
      throw UsageError("unknown option '" + args[i] + "'");
    } else {
      files.push_back(args[i]);
    }
  }
  if (files.size() != 2)
    throw UsageError(
        "usage: synt text convert IN OUT [--encoding ansi|utf-16le|utf-16be|utf-8] "
        "[--linebreaks keep|crlf|cr|lf] [--no-bom] [--codepage N]");

  TSyntMemoStrings s;
  Load(s, files[0]);
  // Settings not given stay as loading left them.
  s.SetNoSignature(noBom);
  if (encoding) s.SetEncoding(*encoding);
  if (linebreaks) s.SetLineBreakStyle(*linebreaks);
  if (codepage) s.SetCodePage(*codepage);
  size_t unmappable = 0;
  std::string bytes = s.SaveToBytes(&unmappable);
  if (unmappable > 0)
    throw std::runtime_error(std::to_string(unmappable) + " character(s) of '" + files[0] +
                             "' cannot be written in code page " +
                             std::to_string(s.FileCodePage()) + "; nothing written");
  if (files[1] == "-") {
    std::cout.write(bytes.data(), std::streamsize(bytes.size()));
  } else {
    WriteFileAtomic(files[1], bytes);
  }
  return 0;
}

int RunText(const Args& args) {
  if (args.empty()) throw UsageError("usage: synt text info FILE | synt text convert IN OUT [...]");
  Args rest(args.begin() + 1, args.end());
  if (args[0] == "info") return RunInfo(rest);
  if (args[0] == "convert") return RunConvert(rest);
  throw UsageError("unknown sub-command '" + args[0] + "' (known: info, convert)");
}

Command text_cmd{"text", "line storage: file info and encoding conversion", RunText};

}  // namespace
}  // namespace synt::tool
