// Robustness run of the shipped lexers over real files that Debian packages install: C and C++
// headers under /usr/include, the Python standard library, JSON, XML, HTML, CSS and JavaScript
// files under /usr/share (and npm's JavaScript under /usr/lib/node_modules). Each file must analyse
// within a work budget without an error; tokens sorted, disjoint and non-empty; every character
// in a token or white space; structural ranges (rules not IgnoreAsParent) nested. Characters that
// only the lexers' catch-all rule ("Other") took are counted per lexer, not violations.
//   bench/lexer_robustness.sh                  builds and runs this
//   bench_lexer_robustness [--lexers DIR] [--max-files N] [LANG ...]
// Exit status 1 on any violation.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "analysis/client_analyzer.h"
#include "analysis/internal/client_access.h"
#include "analysis/lexer_catalog.h"
#include "lists/char_utils.h"
#include "platform/utf.h"
#include "text/memo_strings.h"

namespace fs = std::filesystem;
using namespace synt;

namespace {

struct Corpus {
  const char* lexer;               // LexerName
  std::vector<const char*> roots;  // folders searched recursively
  std::vector<const char*> exts;   // file extensions taken
};

const std::vector<Corpus>& Corpora() {
  static const std::vector<Corpus> c = {
      {"C", {"/usr/include"}, {".h", ".c"}},
      {"C++", {"/usr/include"}, {".h", ".hpp", ".hh", ".hxx", ".tcc", ".cc", ".cpp", ""}},
      {"Python", {"/usr/lib/python3"}, {".py"}},
      {"JavaScript", {"/usr/share", "/usr/lib/node_modules"}, {".js", ".mjs", ".cjs"}},
      {"TypeScript", {"/usr/share", "/usr/lib/node_modules"}, {".js", ".ts"}},
      {"JSON", {"/usr/share", "/usr/lib/node_modules"}, {".json"}},
      {"CSS", {"/usr/share", "/usr/lib/node_modules"}, {".css"}},
      {"XML", {"/usr/share"}, {".xml", ".svg", ".xsl", ".xsd"}},
      {"HTML", {"/usr/share", "/usr/lib/node_modules"}, {".html", ".htm"}},
  };
  return c;
}

std::vector<fs::path> PythonRoots() {
  std::vector<fs::path> v;
  for (const auto& e : fs::directory_iterator("/usr/lib"))
    if (e.path().filename().string().rfind("python3", 0) == 0 && e.is_directory())
      v.push_back(e.path());
  return v;
}

bool Wanted(const fs::path& p, const Corpus& c) {
  const std::string e = p.extension().string();
  for (const char* x : c.exts) {
    if (*x == 0) {
      // Extensionless C++ standard headers (<vector>) live under a c++ folder.
      if (e.empty() && p.string().find("/c++/") != std::string::npos) return true;
    } else if (e == x) {
      return true;
    }
  }
  return false;
}

struct Totals {
  long files = 0, failedLoads = 0, violations = 0, overBudget = 0;
  long long units = 0, tokens = 0, ranges = 0, other = 0;
  double seconds = 0;
  std::vector<std::string> problems;
};

void Violation(Totals& t, const fs::path& f, const std::string& what) {
  ++t.violations;
  if (t.problems.size() < 20) t.problems.push_back(f.string() + ": " + what);
}

void Check(const fs::path& file, const TClientSyntAnalyzer& c, std::u16string_view text,
           Totals& t) {
  int pos = 0;
  for (int i = 0; i < c.TagCount(); ++i) {
    const TSyntToken& tok = c.Tags(i);
    if (tok.StartPos < pos || tok.EndPos <= tok.StartPos || size_t(tok.EndPos) > text.size()) {
      Violation(t, file, "token " + std::to_string(i) + " is empty, unsorted or outside the text");
      return;
    }
    for (; pos < tok.StartPos; ++pos)
      if (!IsSpaceChar(text[size_t(pos)])) {
        Violation(t, file, "offset " + std::to_string(pos) + " is in no token");
        return;
      }
    pos = tok.EndPos;
    const TRuleCollectionItem* r = c.TokenRule(i);
    if (!r)
      Violation(t, file, "token " + std::to_string(i) + " has no rule");
    else if (r->DisplayName() == u"Other")
      ++t.other;
  }
  for (; size_t(pos) < text.size(); ++pos)
    if (!IsSpaceChar(text[size_t(pos)])) {
      Violation(t, file, "offset " + std::to_string(pos) + " after the last token is in no token");
      return;
    }
  // (start, -end, closing run): ranges closed in one run (AutoCloseInternal) may end one
  // BlockOffset apart, the inner ones at the closing rule's reference token.
  std::vector<std::tuple<int, int, int>> spans;
  for (int i = 0; i < c.RangeCount(); ++i) {
    const TTextRange* r = c.Ranges(i);
    if (r->StartIdx < 0 || r->StartIdx >= c.TagCount() || r->EndIdx >= c.TagCount() ||
        (r->Parent && r->Parent->Index >= r->Index)) {
      Violation(t, file, "range " + std::to_string(i) + " is inconsistent");
      return;
    }
    if (r->IsClosed() && !r->Rule->IgnoreAsParent())
      spans.emplace_back(c.RangeStartPos(r), -c.RangeEndPos(r), r->EndCondIndex);
  }
  // Nested spans: sorted by start (longer first), each one ends within the innermost open one.
  std::sort(spans.begin(), spans.end());
  std::vector<std::pair<int, int>> open;  // end, closing run
  for (auto [s, negEnd, run] : spans) {
    const int e = -negEnd;
    while (!open.empty() && open.back().first <= s) open.pop_back();
    if (!open.empty() && e > open.back().first && run != open.back().second) {
      Violation(t, file, "ranges cross at offset " + std::to_string(s));
      return;
    }
    open.emplace_back(e, run);
  }
  t.tokens += c.TagCount();
  t.ranges += c.RangeCount();
}

}  // namespace

int main(int argc, char** argv) {
  fs::path lexerDir = fs::path(SYNT_BENCH_SOURCE_DIR) / "lexers";
  long maxFiles = 100000;
  std::vector<std::string> only;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--lexers" && i + 1 < argc)
      lexerDir = argv[++i];
    else if (a == "--max-files" && i + 1 < argc)
      maxFiles = std::atol(argv[++i]);
    else
      only.push_back(a);
  }
  TLexerCatalog catalog;
  catalog.LoadFolder(lexerDir);
  for (const std::string& e : catalog.Errors()) std::fprintf(stderr, "%s\n", e.c_str());

  bool failed = false;
  for (const Corpus& corpus : Corpora()) {
    if (!only.empty() && std::find(only.begin(), only.end(), corpus.lexer) == only.end()) continue;
    TSyntAnalyzer* lexer = nullptr;
    for (TSyntAnalyzer* l : catalog.Lexers())
      if (Utf16ToUtf8(l->LexerName()) == corpus.lexer) lexer = l;
    if (!lexer) {
      std::printf("%-10s no lexer of that name in %s\n", corpus.lexer, lexerDir.c_str());
      failed = true;
      continue;
    }
    std::vector<fs::path> roots;
    for (const char* r : corpus.roots)
      if (std::string(r) == "/usr/lib/python3") {
        for (const fs::path& p : PythonRoots()) roots.push_back(p);
      } else if (fs::is_directory(r)) {
        roots.push_back(r);
      }
    std::vector<fs::path> files;
    for (const fs::path& root : roots)
      for (auto it = fs::recursive_directory_iterator(
               root, fs::directory_options::skip_permission_denied);
           it != fs::recursive_directory_iterator(); ++it) {
        std::error_code ec;
        if (it->is_symlink(ec)) {
          if (it->is_directory(ec)) it.disable_recursion_pending();
          continue;
        }
        if (it->is_regular_file(ec) && Wanted(it->path(), corpus)) files.push_back(it->path());
      }
    std::sort(files.begin(), files.end());
    if (long(files.size()) > maxFiles) files.resize(size_t(maxFiles));

    Totals t;
    for (const fs::path& f : files) {
      TSyntMemoStrings lines;
      try {
        lines.LoadFromFile(f.string());
      } catch (const std::exception& e) {
        ++t.failedLoads;
        continue;
      }
      ++t.files;
      t.units += lines.TextLength();
      try {
        TClientSyntAnalyzer client(lexer, nullptr, [&] { return &lines; });
        synt::analysis_internal::ClientAccess::SetBackgroundFinish(client, false);
        const auto start = std::chrono::steady_clock::now();
        client.Analyze(true);
        const double s =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        t.seconds += s;
        // The work budget: a file that takes more than a second per 100 KB counts as a hang.
        if (s > 1.0 + double(lines.TextLength()) / 100000.0) {
          ++t.overBudget;
          Violation(t, f, "took " + std::to_string(s) + " s");
        }
        Check(f, client, lines.TextView(), t);
      } catch (const std::exception& e) {
        Violation(t, f, std::string("analysis raised: ") + e.what());
      }
    }
    std::printf(
        "%-10s files %5ld (%ld unreadable), %7.1f M chars, %9lld tokens, %7lld ranges, "
        "%6lld chars only the catch-all took, %.1f M chars/s, violations %ld\n",
        corpus.lexer, t.files, t.failedLoads, double(t.units) / 1e6, t.tokens, t.ranges, t.other,
        t.seconds > 0 ? double(t.units) / 1e6 / t.seconds : 0.0, t.violations);
    for (const std::string& p : t.problems) std::printf("    %s\n", p.c_str());
    if (t.violations) failed = true;
  }
  rusage ru{};
  getrusage(RUSAGE_SELF, &ru);
  std::printf("peak RSS %.0f MB\n", double(ru.ru_maxrss) / 1024.0);
  return failed ? 1 : 0;
}
