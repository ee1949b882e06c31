// Tokenizes the Pascal corpus the way a lexer does (at each position skip blanks, try ten token
// expressions anchored there, the first match wins, else advance one unit) with this library's
// engine, with PCRE2 (interpreted, JIT, JIT without its start optimisation, JIT behind a
// first-character filter) and with a hand-written switch lexer as the ceiling.
//
//   bench/run_regex.sh                      builds the corpus and runs this benchmark
//   SYNT_CORPUS_DIR=DIR bench_regex_tokenize_pcre2 [--benchmark_filter=...]
//
// Also: per expression, the cost of the attempts the loop makes with it, for each engine; the
// loop over a text that lacks the closing quote of strings; and the cost of one attempt against
// the length of text left after it (BM_FarEnd*), where an engine that scans ahead for a required
// character reads to the end of the text on every attempt.
#define PCRE2_CODE_UNIT_WIDTH 16
#include <benchmark/benchmark.h>
#include <pcre2.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_common.h"
#include "lists/char_utils.h"
#include "platform/utf.h"
#include "regex/reg_expr.h"

namespace {

using synt::TqxRegMatch;
using synt::TqxRegProgram;

// The rules in this library's dialect (default modifiers: i r g m x) and in PCRE2's
// (compiled caseless and anchored).
struct Rule {
  const char* name;
  const char16_t* ours;
  const char* pcre;
};

const Rule kRules[] = {
    {"brace comment", u"(?s)\\{.*?\\}", "(?s)\\{.*?\\}"},
    {"paren comment", u"(?s)\\(\\*.*?\\*\\)", "(?s)\\(\\*.*?\\*\\)"},
    {"line comment", u"//.*", "//.*"},
    {"string", u"'[^'\\r\\n]*'", "'[^'\\r\\n]*'"},
    {"char code", u"\\#(\\d+|\\$\\h+)", "#([0-9]+|\\$[0-9a-f]+)"},
    {"hex number", u"\\$\\h+", "\\$[0-9a-f]+"},
    {"number", u"\\d+(\\.\\d+)?(e[+\\-]?\\d+)?", "[0-9]+(\\.[0-9]+)?(e[+\\-]?[0-9]+)?"},
    {"keyword",
     u"\\b(and|array|as|asm|begin|case|class|const|constructor|destructor|div|do|downto|else|end|"
     u"except|exports|file|finally|for|function|goto|if|implementation|in|inherited|"
     u"initialization|inline|interface|is|label|library|mod|nil|not|object|of|on|or|packed|"
     u"procedure|program|property|raise|record|repeat|set|shl|shr|string|then|threadvar|to|try|"
     u"type|unit|until|uses|var|while|with|xor)\\b",
     "\\b(and|array|as|asm|begin|case|class|const|constructor|destructor|div|do|downto|else|end|"
     "except|exports|file|finally|for|function|goto|if|implementation|in|inherited|"
     "initialization|inline|interface|is|label|library|mod|nil|not|object|of|on|or|packed|"
     "procedure|program|property|raise|record|repeat|set|shl|shr|string|then|threadvar|to|try|"
     "type|unit|until|uses|var|while|with|xor)\\b"},
    {"identifier", u"[a-z_]\\w*", "[a-z_][a-z0-9_]*"},
    {"symbol", u":=|<=|>=|<>|\\.\\.|[-+*/=<>()\\[\\].,:;^@]",
     ":=|<=|>=|<>|\\.\\.|[-+*/=<>()\\[\\].,:;^@]"},
};
constexpr int kRuleCount = int(sizeof kRules / sizeof kRules[0]);

const std::u16string& Corpus(const std::string& name) {
  static std::vector<std::pair<std::string, std::unique_ptr<std::u16string>>> cache;
  for (auto& c : cache)
    if (c.first == name) return *c.second;
  std::string path = (synt::bench::CorpusDir() / name).string();
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "missing %s: run bench/corpus.sh (or bench/run_regex.sh)\n", path.c_str());
    std::exit(2);
  }
  std::ostringstream ss;
  ss << in.rdbuf();
  cache.emplace_back(name, std::make_unique<std::u16string>(synt::Utf8ToUtf16(ss.str())));
  return *cache.back().second;
}

inline bool IsBlank(char16_t c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// ---- engines: each gives the length matched at a 0-based offset, or -1 ------------------------

struct Ours {
  std::vector<std::shared_ptr<const TqxRegProgram>> progs;
  TqxRegMatch m;
  bool filter;
  explicit Ours(bool useFilter) : filter(useFilter) {
    for (auto& r : kRules) {
      synt::TqxRegExpr re(r.ours);
      progs.push_back(re.Program());
      if (!progs.back()) throw std::runtime_error(std::string("bad rule ") + r.name);
    }
  }
  int Match(int rule, const std::u16string& s, int off) {
    const TqxRegProgram& p = *progs[size_t(rule)];
    if (filter && !p.MayMatchAt(s, off + 1)) return -1;
    return p.MatchLength(s, off + 1, m);
  }
};

struct Pcre {
  std::vector<pcre2_code*> codes;
  std::vector<pcre2_match_data*> data;
  std::vector<synt::TqxCharFilter> filters;
  bool jit, filter;
  Pcre(bool useJit, bool noStartOpt, bool useFilter) : jit(useJit), filter(useFilter) {
    for (auto& r : kRules) {
      std::u16string pat = synt::Utf8ToUtf16(r.pcre);
      int err;
      PCRE2_SIZE off;
      uint32_t opts = PCRE2_CASELESS | PCRE2_MULTILINE | PCRE2_ANCHORED;
      if (noStartOpt) opts |= PCRE2_NO_START_OPTIMIZE;
      pcre2_code* c = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pat.c_str()), pat.size(), opts,
                                    &err, &off, nullptr);
      if (!c) throw std::runtime_error(std::string("pcre2 rule ") + r.name);
      if (jit && pcre2_jit_compile(c, PCRE2_JIT_COMPLETE) != 0)
        throw std::runtime_error("pcre2 jit unavailable");
      codes.push_back(c);
      data.push_back(pcre2_match_data_create_from_pattern(c, nullptr));
      // The same first-character filter the tokenizer would use for the rule.
      filters.push_back(synt::TqxRegExpr(r.ours).Program()->FirstChars());
    }
  }
  ~Pcre() {
    for (auto* d : data) pcre2_match_data_free(d);
    for (auto* c : codes) pcre2_code_free(c);
  }
  int Match(int rule, const std::u16string& s, int off) {
    if (filter && !filters[size_t(rule)].Test(s[size_t(off)])) return -1;
    auto subject = reinterpret_cast<PCRE2_SPTR>(s.data());
    int rc = jit ? pcre2_jit_match(codes[size_t(rule)], subject, s.size(), size_t(off), 0,
                                   data[size_t(rule)], nullptr)
                 : pcre2_match(codes[size_t(rule)], subject, s.size(), size_t(off), 0,
                               data[size_t(rule)], nullptr);
    if (rc < 0) return -1;
    PCRE2_SIZE* ov = pcre2_get_ovector_pointer(data[size_t(rule)]);
    return int(ov[1] - ov[0]);
  }
};

// The lexer loop. Returns the number of tokens; with attempts, records every (rule, offset)
// tried.
template <class Engine>
long Tokenize(Engine& e, const std::u16string& s,
              std::vector<std::vector<int>>* attempts = nullptr) {
  long tokens = 0;
  const int n = int(s.size());
  int i = 0;
  while (i < n) {
    if (IsBlank(s[size_t(i)])) {
      ++i;
      continue;
    }
    int len = -1;
    for (int r = 0; r < kRuleCount; ++r) {
      if (attempts) (*attempts)[size_t(r)].push_back(i);
      len = e.Match(r, s, i);
      if (len > 0) break;
    }
    if (len > 0) {
      ++tokens;
      i += len;
    } else {
      ++i;
    }
  }
  return tokens;
}

// The same tokens by hand: the ceiling for any engine.
long HandLexer(const std::u16string& s) {
  long tokens = 0;
  const size_t n = s.size();
  auto isDigit = [](char16_t c) { return c >= '0' && c <= '9'; };
  auto isHex = [&](char16_t c) { return isDigit(c) || ((c | 0x20) >= 'a' && (c | 0x20) <= 'f'); };
  auto isIdStart = [](char16_t c) { return ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') || c == '_'; };
  auto isId = [&](char16_t c) {
    return isIdStart(c) || isDigit(c) || (c >= 0x80 && synt::IsWordChar(c));
  };
  size_t i = 0;
  while (i < n) {
    char16_t c = s[i];
    if (IsBlank(c)) {
      ++i;
      continue;
    }
    size_t j = i;
    switch (c) {
      case '{': {
        size_t e = s.find(u'}', i + 1);
        if (e != std::u16string::npos) j = e + 1;
        break;
      }
      case '(':
        if (i + 1 < n && s[i + 1] == '*') {
          size_t e = s.find(u"*)", i + 2);
          if (e != std::u16string::npos) j = e + 2;
        }
        if (j == i) j = i + 1;
        break;
      case '/':
        if (i + 1 < n && s[i + 1] == '/') {
          j = i + 2;
          while (j < n && s[j] != '\n' && s[j] != '\r') ++j;
        } else {
          j = i + 1;
        }
        break;
      case '\'': {
        size_t k = i + 1;
        while (k < n && s[k] != '\'' && s[k] != '\r' && s[k] != '\n') ++k;
        if (k < n && s[k] == '\'') j = k + 1;
        break;
      }
      case '#':
        if (i + 1 < n && isDigit(s[i + 1])) {
          j = i + 1;
          while (j < n && isDigit(s[j])) ++j;
        } else if (i + 2 < n && s[i + 1] == '$' && isHex(s[i + 2])) {
          j = i + 2;
          while (j < n && isHex(s[j])) ++j;
        }
        break;
      case '$':
        if (i + 1 < n && isHex(s[i + 1])) {
          j = i + 1;
          while (j < n && isHex(s[j])) ++j;
        }
        break;
      default:
        if (isDigit(c)) {
          j = i;
          while (j < n && isDigit(s[j])) ++j;
          if (j + 1 < n && s[j] == '.' && isDigit(s[j + 1])) {
            j += 1;
            while (j < n && isDigit(s[j])) ++j;
          }
          if (j < n && (s[j] | 0x20) == 'e') {
            size_t k = j + 1;
            if (k < n && (s[k] == '+' || s[k] == '-')) ++k;
            if (k < n && isDigit(s[k])) {
              while (k < n && isDigit(s[k])) ++k;
              j = k;
            }
          }
        } else if (isIdStart(c)) {
          j = i + 1;
          while (j < n && isId(s[j])) ++j;
        } else if (i + 1 < n && ((c == ':' && s[i + 1] == '=') || (c == '<' && s[i + 1] == '=') ||
                                 (c == '>' && s[i + 1] == '=') || (c == '<' && s[i + 1] == '>') ||
                                 (c == '.' && s[i + 1] == '.'))) {
          j = i + 2;
        } else if (std::u16string_view(u"-+*/=<>()[].,:;^@").find(c) != std::u16string_view::npos) {
          j = i + 1;
        }
        break;
    }
    if (j > i) {
      ++tokens;
      i = j;
    } else {
      ++i;
    }
  }
  return tokens;
}

template <class Engine>
void RunLoop(benchmark::State& state, Engine& e, const std::u16string& text) {
  long tokens = 0;
  for (auto _ : state) {
    tokens = Tokenize(e, text);
    benchmark::DoNotOptimize(tokens);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
  state.counters["tokens"] = double(tokens);
}

const char* kCorpus = "pascal-10mb.pas";

void BM_HandLexer(benchmark::State& state) {
  const auto& text = Corpus(kCorpus);
  long tokens = 0;
  for (auto _ : state) {
    tokens = HandLexer(text);
    benchmark::DoNotOptimize(tokens);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
  state.counters["tokens"] = double(tokens);
}
void BM_Ours(benchmark::State& state) {
  Ours e(state.range(0) != 0);
  RunLoop(state, e, Corpus(kCorpus));
}
void BM_Pcre2(benchmark::State& state) {
  // range: 0 interpreted, 1 JIT, 2 JIT without start optimisation, 3 JIT behind the filter
  int mode = int(state.range(0));
  Pcre e(mode != 0, mode == 2, mode == 3);
  RunLoop(state, e, Corpus(kCorpus));
}
BENCHMARK(BM_HandLexer)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_Ours)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_Pcre2)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->MinTime(2);

// Per expression: the attempts the loop makes with rule r, replayed alone.
const std::vector<std::vector<int>>& Attempts() {
  static std::vector<std::vector<int>> a = [] {
    std::vector<std::vector<int>> v(kRuleCount);
    Ours e(false);
    Tokenize(e, Corpus("pascal-1mb.pas"), &v);
    return v;
  }();
  return a;
}
template <class Engine>
void RunRule(benchmark::State& state, Engine& e) {
  int rule = int(state.range(0));
  const auto& text = Corpus("pascal-1mb.pas");
  const auto& at = Attempts()[size_t(rule)];
  long hits = 0;
  for (auto _ : state) {
    hits = 0;
    for (int off : at) hits += e.Match(rule, text, off) > 0;
    benchmark::DoNotOptimize(hits);
  }
  state.SetLabel(kRules[rule].name);
  state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(at.size()));
  state.counters["matches"] = double(hits);
}
void BM_RuleOurs(benchmark::State& state) {
  Ours e(false);
  RunRule(state, e);
}
void BM_RulePcre2Interpreted(benchmark::State& state) {
  Pcre e(false, false, false);
  RunRule(state, e);
}
void BM_RulePcre2Jit(benchmark::State& state) {
  Pcre e(true, false, false);
  RunRule(state, e);
}
BENCHMARK(BM_RuleOurs)->DenseRange(0, kRuleCount - 1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RulePcre2Interpreted)->DenseRange(0, kRuleCount - 1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RulePcre2Jit)->DenseRange(0, kRuleCount - 1)->Unit(benchmark::kMicrosecond);

// A text without the closing character of a rule (the quote of strings): an anchored attempt
// must cost what its match needs, not a scan of the rest of the text for a required character.
// (Without "}" the brace comments would really have to run to the end, in any engine.)
const std::u16string& Unclosed() {
  static std::u16string t = [] {
    std::u16string s;
    for (char16_t c : Corpus("pascal-1mb.pas"))
      if (c != u'\'') s.push_back(c);
    return s;
  }();
  return t;
}
void BM_UnclosedOurs(benchmark::State& state) {
  Ours e(true);
  RunLoop(state, e, Unclosed());
}
void BM_UnclosedPcre2(benchmark::State& state) {
  int mode = int(state.range(0));
  Pcre e(mode != 0, mode == 2, mode == 3);
  RunLoop(state, e, Unclosed());
}
BENCHMARK(BM_UnclosedOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UnclosedPcre2)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

// Per attempt, against the length of text after the position: the string rule tried at the
// first 4096 positions of a text of N units without any quote. Nothing can match, so an attempt
// should cost the same whatever N is.
const std::u16string& NoQuotes(int n) {
  static std::vector<std::pair<int, std::u16string>> cache;
  for (auto& c : cache)
    if (c.first == n) return c.second;
  std::u16string s;
  for (char16_t c : Corpus(kCorpus)) {
    if (c != u'\'') s.push_back(c);
    if (int(s.size()) == n) break;
  }
  cache.emplace_back(n, std::move(s));
  return cache.back().second;
}
template <class Engine>
void RunFarEnd(benchmark::State& state, Engine& e) {
  const auto& text = NoQuotes(int(state.range(0)));
  const int rule = 3;  // string
  long hits = 0;
  for (auto _ : state) {
    for (int off = 0; off < 4096; ++off) hits += e.Match(rule, text, off) > 0;
    benchmark::DoNotOptimize(hits);
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * 4096);
}
void BM_FarEndOurs(benchmark::State& state) {
  Ours e(false);
  RunFarEnd(state, e);
}
void BM_FarEndPcre2Jit(benchmark::State& state) {
  Pcre e(true, false, false);
  RunFarEnd(state, e);
}
void BM_FarEndPcre2Interpreted(benchmark::State& state) {
  Pcre e(false, false, false);
  RunFarEnd(state, e);
}
BENCHMARK(BM_FarEndOurs)->RangeMultiplier(4)->Range(1 << 10, 1 << 20);
BENCHMARK(BM_FarEndPcre2Jit)->RangeMultiplier(4)->Range(1 << 10, 1 << 20);
BENCHMARK(BM_FarEndPcre2Interpreted)->RangeMultiplier(4)->Range(1 << 10, 1 << 20);

}  // namespace

BENCHMARK_MAIN();
