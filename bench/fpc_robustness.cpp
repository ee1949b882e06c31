// Robustness run: the Pascal lexer over every Pascal source of a tree (by default the fpc-source
// package, /usr/share/fpcsrc). Each file must analyse without an error, with tokens sorted,
// disjoint, non-empty and inside the text, every character outside the tokens being either white
// space or a character no rule matched (counted and reported), and ranges, separators and
// sub-lexer regions consistent with the tokens. Exit status 1 on any violation.
//   bench/fpc_robustness.sh [DIR]       installs fpc-source, builds and runs this
//   bench_fpc_robustness [DIR] [--lexer FILE]
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "analysis/client_analyzer.h"
#include "analysis/lexer_library.h"
#include "lists/char_utils.h"
#include "platform/utf.h"
#include "text/memo_strings.h"

namespace fs = std::filesystem;
using namespace synt;

namespace {

double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

bool IsPascalFile(const fs::path& p) {
  std::string e = p.extension().string();
  std::transform(e.begin(), e.end(), e.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
  return e == ".pas" || e == ".pp" || e == ".inc" || e == ".lpr" || e == ".dpr" || e == ".p";
}

struct Totals {
  long files = 0, failedLoads = 0, violations = 0;
  long long units = 0, tokens = 0, ranges = 0, regions = 0, separators = 0, gaps = 0;
  std::map<char16_t, long long> gapChars;
  std::map<char16_t, std::vector<std::string>> gapExamples;  // file:line: text, a few per unit
  std::vector<std::string> problems;
};

void Violation(Totals& t, const fs::path& f, const std::string& what) {
  ++t.violations;
  if (t.problems.size() < 50) t.problems.push_back(f.string() + ": " + what);
}

void NoteGap(const fs::path& file, std::u16string_view text, int pos, Totals& t) {
  char16_t ch = text[size_t(pos)];
  ++t.gaps;
  ++t.gapChars[ch];
  auto& ex = t.gapExamples[ch];
  if (ex.size() >= 3) return;
  size_t b = text.rfind(u'\n', size_t(pos));
  b = b == std::u16string_view::npos ? 0 : b + 1;
  size_t e = text.find(u'\n', size_t(pos));
  if (e == std::u16string_view::npos) e = text.size();
  int line = 1 + int(std::count(text.begin(), text.begin() + pos, u'\n'));
  std::u16string_view l = text.substr(b, std::min<size_t>(e - b, 100));
  ex.push_back(file.string() + ":" + std::to_string(line) + ": " + Utf16ToUtf8(l));
}

void Check(const fs::path& file, TClientSyntAnalyzer& c, std::u16string_view text, Totals& t) {
  const int n = c.TagCount();
  try {
    c.Tokens().Check();
  } catch (const std::exception& e) {
    Violation(t, file, e.what());
  }
  int pos = 0;
  for (int i = 0; i < n; ++i) {
    const TSyntToken& tok = c.Tags(i);
    if (tok.EndPos <= tok.StartPos || tok.StartPos < 0 || size_t(tok.EndPos) > text.size()) {
      Violation(t, file, "token " + std::to_string(i) + " is empty or outside the text");
      break;
    }
    for (; pos < tok.StartPos; ++pos)
      if (!IsSpaceChar(text[size_t(pos)])) NoteGap(file, text, pos, t);
    pos = tok.EndPos;
    if (!c.TokenRule(i)) Violation(t, file, "token " + std::to_string(i) + " has no rule");
  }
  for (; size_t(pos) < text.size(); ++pos)
    if (!IsSpaceChar(text[size_t(pos)])) NoteGap(file, text, pos, t);

  for (int i = 0; i < c.RangeCount(); ++i) {
    const TTextRange* r = c.Ranges(i);
    bool ok = r->Rule && r->StartIdx >= 0 && r->StartIdx < n && r->IdentIdx < n &&
              r->EndIdx >= -1 && r->EndIdx < n && r->StartPos == c.Tags(r->StartIdx).StartPos &&
              r->CondIndex >= r->StartIdx && r->CondIndex < n &&
              (!r->Parent || r->Parent->Index < r->Index);
    if (!ok) Violation(t, file, "range " + std::to_string(i) + " is inconsistent");
    if (i && c.Ranges(i - 1)->StartPos > r->StartPos)
      Violation(t, file, "ranges out of order at " + std::to_string(i));
  }
  for (int i = 0; i < c.OpenCount(); ++i)
    if (c.OpenedRanges(i)->IsClosed()) Violation(t, file, "a closed range in the opened list");
  for (const TLineBreak& b : c.LineBreaks())
    if (b.RefTag < 0 || b.RefTag >= n || b.Line < 0) Violation(t, file, "bad line separator");
  const auto& regions = c.SubLexerRanges();
  for (size_t i = 0; i < regions.size(); ++i) {
    const TSubLexerRange& r = regions[i];
    if ((i && r.StartPos < regions[i - 1].StartPos) || (!r.IsOpen() && r.EndPos < r.StartPos) ||
        r.ParentIndex >= int(i))
      Violation(t, file, "sub-lexer region " + std::to_string(i) + " is inconsistent");
  }
  t.tokens += n;
  t.ranges += c.RangeCount();
  t.regions += long(regions.size());
  t.separators += long(c.LineBreaks().size());
}

}  // namespace

int main(int argc, char** argv) {
  fs::path dir = "/usr/share/fpcsrc";
  fs::path lexerFile = fs::path(SYNT_BENCH_SOURCE_DIR) / "lexers" / "pascal.lxl";
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--lexer" && i + 1 < argc)
      lexerFile = argv[++i];
    else
      dir = a;
  }
  if (!fs::is_directory(dir)) {
    std::fprintf(stderr,
                 "fpc_robustness: no directory %s (scripts/setup bench installs fpc-source)\n",
                 dir.c_str());
    return 2;
  }
  RegisterLexerClasses();
  TSyntaxManager lib(nullptr);
  lib.LoadFromFile(lexerFile.string());
  TSyntAnalyzer* pascal = lib.FindLexer(u"Pascal");
  if (!pascal) {
    std::fprintf(stderr, "fpc_robustness: %s has no Pascal lexer\n", lexerFile.c_str());
    return 2;
  }

  std::vector<fs::path> files;
  for (const auto& e :
       fs::recursive_directory_iterator(dir, fs::directory_options::skip_permission_denied))
    if (e.is_regular_file() && IsPascalFile(e.path())) files.push_back(e.path());
  std::sort(files.begin(), files.end());

  Totals t;
  double analysis = 0;
  for (const fs::path& f : files) {
    TSyntMemoStrings lines;
    try {
      lines.LoadFromFile(f.string());
    } catch (const std::exception& e) {
      ++t.failedLoads;
      if (t.problems.size() < 50) t.problems.push_back(f.string() + ": cannot load: " + e.what());
      continue;
    }
    ++t.files;
    t.units += lines.TextLength();
    try {
      TClientSyntAnalyzer client(pascal, nullptr, [&] { return &lines; });
      double a = CpuSeconds();
      client.Analyze(true);
      analysis += CpuSeconds() - a;
      Check(f, client, lines.TextView(), t);
    } catch (const std::exception& e) {
      Violation(t, f, std::string("analysis raised: ") + e.what());
    }
  }

  rusage ru{};
  getrusage(RUSAGE_SELF, &ru);
  std::printf(
      "files %ld (%ld could not be loaded), %.1f M characters, %lld tokens, %lld ranges, "
      "%lld separators, %lld sub-lexer regions\n",
      t.files, t.failedLoads, double(t.units) / 1e6, t.tokens, t.ranges, t.separators, t.regions);
  std::printf("analysis %.2f s CPU: %.1f M characters/s, %.2f M tokens/s; peak RSS %.0f MB\n",
              analysis, double(t.units) / 1e6 / analysis, double(t.tokens) / 1e6 / analysis,
              double(ru.ru_maxrss) / 1024.0);
  std::vector<std::pair<long long, char16_t>> gaps;
  for (auto& [ch, count] : t.gapChars) gaps.emplace_back(count, ch);
  std::sort(gaps.rbegin(), gaps.rend());
  std::printf("characters outside tokens that are not white space: %lld; most frequent:", t.gaps);
  for (size_t i = 0; i < gaps.size() && i < 16; ++i)
    std::printf(" U+%04X(%s)x%lld", unsigned(gaps[i].second),
                gaps[i].second >= 32 && gaps[i].second < 127
                    ? std::string(1, char(gaps[i].second)).c_str()
                    : "",
                gaps[i].first);
  std::printf("\n");
  if (std::getenv("SYNT_GAP_EXAMPLES"))
    for (size_t i = 0; i < gaps.size() && i < 16; ++i)
      for (const std::string& ex : t.gapExamples[gaps[i].second])
        std::printf("    %s\n", ex.c_str());
  std::printf("violations: %ld\n", t.violations);
  for (const std::string& p : t.problems) std::printf("  %s\n", p.c_str());
  return t.violations ? 1 : 0;
}
