// synt profile --lexer FILE [--name LEXER] [--format table|json] INPUT
//   analyses INPUT as usual (once to warm up, once timed as a whole) and once with every rule
//   timed, and prints per token rule and per block rule the tries, the matches (tokens made,
//   times fired) and the time spent, the costliest first: a table, or one JSON line per rule with
//   --format json ({"kind", "rule", "path", "tries", "matches", "ms", "share"}) after a first line
//   with the totals. Sub-lexer rules are listed with the regions they opened; their time is not
//   measured (it counts in the total). The timed run costs more than the plain one; both totals
//   are shown.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <map>

#include "analysis/analysis_profile.h"
#include "analysis/client_analyzer.h"
#include "analysis/internal/client_access.h"
#include "command.h"
#include "json.h"
#include "lexer_load.h"
#include "platform/event_loop.h"
#include "platform/utf.h"
#include "text/memo_strings.h"

namespace synt::tool {
namespace {

using analysis_internal::ClientAccess;
using Clock = std::chrono::steady_clock;

struct Row {
  std::string kind, rule, path;
  int64_t tries = -1, matches = 0;
  double ms = -1;
};

double Millis(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

int RunProfile(const Args& args) {
  std::string input, format = "table";
  LexerChoice lexer;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (lexer.Take(args, i)) continue;
    if (a == "--format") {
      format = OptionValue(args, i);
    } else if (a.size() > 1 && a[0] == '-' && a != "-") {
      throw UsageError("unknown option '" + a + "'");
    } else if (input.empty()) {
      input = a;
    } else {
      throw UsageError("more than one input");
    }
  }
  if (lexer.file.empty() || input.empty())
    throw UsageError("usage: synt profile --lexer FILE [--name LEXER] [--format F] INPUT");
  if (format != "table" && format != "json") throw UsageError("--format is table or json");

  LoadedLexer l = LoadLexer(lexer.file, lexer.Name(), "profile");
  THeadlessEventLoop loop;
  SetEventLoop(&loop);
  struct Restore {
    ~Restore() { SetEventLoop(nullptr); }
  } restore;
  TSyntMemoStrings lines;
  lines.LoadFromBytes(ReadFileBytes(input));
  auto source = [&] { return &lines; };

  // The first analysis compiles the lexer's expressions and sub-lexer plans; it is not timed, so
  // that the plain and the timed run do the same work.
  Clock::duration plain{};
  for (int run = 0; run < 2; ++run) {
    TClientSyntAnalyzer client(l.lexer, nullptr, source);
    ClientAccess::SetBackgroundFinish(client, false);
    const auto t0 = Clock::now();
    client.Analyze(true);
    client.CompleteAnalysis();
    plain = Clock::now() - t0;
  }
  TAnalysisProfile profile;
  TClientSyntAnalyzer client(l.lexer, nullptr, source);
  ClientAccess::SetBackgroundFinish(client, false);
  client.SetProfile(&profile);
  const uint64_t k0 = ProfileTicks();
  const auto t0 = Clock::now();
  client.Analyze(true);
  client.CompleteAnalysis();
  const Clock::duration timed = Clock::now() - t0;
  const uint64_t ticks = ProfileTicks() - k0;
  client.SetProfile(nullptr);
  const double msPerTick = ticks ? Millis(timed) / double(ticks) : 0;

  std::vector<Row> rows;
  for (size_t i = 0; i < profile.Rules.size(); ++i) {
    const TRuleProfile& p = profile.Rules[i];
    TRuleCollectionItem* rule = ClientAccess::RuleAt(client, int(i));
    if (!rule || (p.Tries == 0 && p.Matches == 0)) continue;
    Row r;
    r.kind = dynamic_cast<TTagBlockCondition*>(rule) ? "block" : "token";
    r.rule = Utf16ToUtf8(rule->DisplayName());
    r.path = Utf16ToUtf8(rule->GetNamePath());
    r.tries = p.Tries;
    r.matches = p.Matches;
    r.ms = double(p.Ticks) * msPerTick;
    rows.push_back(std::move(r));
  }
  std::map<TSubAnalyzerRule*, int64_t> regions;
  for (const TSubLexerRange& s : client.SubLexerRanges()) ++regions[s.Rule];
  for (auto& [rule, count] : regions) {
    if (!rule) continue;
    Row r;
    r.kind = "sub-lexer";
    r.rule = Utf16ToUtf8(rule->DisplayName());
    r.path = Utf16ToUtf8(rule->GetNamePath());
    r.matches = count;
    rows.push_back(std::move(r));
  }
  std::stable_sort(rows.begin(), rows.end(),
                   [](const Row& a, const Row& b) { return a.ms > b.ms; });

  const double total = Millis(timed);
  if (format == "json") {
    std::cout << JsonLine()
                     .AddUtf8("input", input)
                     .Add("tokens", client.TagCount())
                     .Add("ranges", client.RangeCount())
                     .AddRaw("plain_ms", std::to_string(Millis(plain)))
                     .AddRaw("timed_ms", std::to_string(total))
                     .Str()
              << '\n';
    for (const Row& r : rows) {
      JsonLine j;
      j.AddUtf8("kind", r.kind).AddUtf8("rule", r.rule).AddUtf8("path", r.path);
      if (r.tries >= 0) j.Add("tries", r.tries);
      j.Add("matches", r.matches);
      if (r.ms >= 0)
        j.AddRaw("ms", std::to_string(r.ms))
            .AddRaw("share", std::to_string(total > 0 ? r.ms / total : 0));
      std::cout << j.Str() << '\n';
    }
    return 0;
  }
  std::printf("%s: %d tokens, %d ranges; analysis %.2f ms (%.2f ms with every rule timed)\n\n",
              input.c_str(), client.TagCount(), client.RangeCount(), Millis(plain), total);
  std::printf("%9s %6s %12s %10s %8s  %-9s %s\n", "ms", "share", "tries", "matches", "ns/try",
              "kind", "rule");
  for (const Row& r : rows) {
    if (r.ms < 0) {
      std::printf("%9s %6s %12s %10lld %8s  %-9s %s (%s)\n", "-", "-", "-",
                  static_cast<long long>(r.matches), "-", r.kind.c_str(), r.rule.c_str(),
                  r.path.c_str());
      continue;
    }
    std::printf("%9.2f %5.1f%% %12lld %10lld %8.0f  %-9s %s (%s)\n", r.ms,
                total > 0 ? 100 * r.ms / total : 0.0, static_cast<long long>(r.tries),
                static_cast<long long>(r.matches), r.tries ? r.ms * 1e6 / double(r.tries) : 0.0,
                r.kind.c_str(), r.rule.c_str(), r.path.c_str());
  }
  return 0;
}

Command profile_cmd{"profile", "time each rule of a lexer over a file", RunProfile};

}  // namespace
}  // namespace synt::tool
