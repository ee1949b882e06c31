// Time and counts per rule of an analysis, for lexer authors (`synt profile`): which token rule
// is tried how often, how often it wins and what it costs, and the same for block rules. A client
// fills one only while it is attached (TParserResults::SetProfile); without one, the tokenizer
// and the block-rule runs take their ordinary paths, which read the pointer once per run.
//
//   TAnalysisProfile profile;
//   client.SetProfile(&profile);
//   client.Analyze(true);
//   client.SetProfile(nullptr);
//   for (size_t i = 0; i < profile.Rules.size(); ++i) ... client.RuleAt(int(i)) ...
#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#endif

namespace synt {

struct TRuleProfile {
  int64_t Tries = 0;    // token rules: expressions run; block rules: conditions tested
  int64_t Matches = 0;  // token rules: tokens made; block rules: times the rule fired
  uint64_t Ticks = 0;   // ProfileTicks spent trying the rule
};

struct TAnalysisProfile {
  std::vector<TRuleProfile> Rules;  // by the client's rule index (TParserResults::RuleAt)

  TRuleProfile& At(int RuleIndex) {
    if (size_t(RuleIndex) >= Rules.size()) Rules.resize(size_t(RuleIndex) + 1);
    return Rules[size_t(RuleIndex)];
  }
};

// A cheap, monotonic clock: the time-stamp counter where there is one (converted to time by the
// caller against a steady clock over the whole run), else nanoseconds.
inline uint64_t ProfileTicks() {
#if defined(__x86_64__) || defined(__i386__)
  return __rdtsc();
#else
  return uint64_t(std::chrono::duration_cast<std::chrono::nanoseconds>(
                      std::chrono::steady_clock::now().time_since_epoch())
                      .count());
#endif
}

// Times one try of a rule into a profile, if there is one; Fired marks the try a match.
class TRuleTimer {
 public:
  TRuleTimer(TAnalysisProfile* Profile, int RuleIndex) : profile_(Profile), rule_(RuleIndex) {
    if (profile_) t0_ = ProfileTicks();
  }
  ~TRuleTimer() {
    if (!profile_) return;
    TRuleProfile& r = profile_->At(rule_);
    r.Ticks += ProfileTicks() - t0_;
    ++r.Tries;
    r.Matches += fired_;
  }
  TRuleTimer(const TRuleTimer&) = delete;
  TRuleTimer& operator=(const TRuleTimer&) = delete;
  void Fired() { fired_ = true; }

 private:
  TAnalysisProfile* profile_;
  int rule_;
  uint64_t t0_ = 0;
  bool fired_ = false;
};

}  // namespace synt
