// Shared helpers of the lexer model tests: a client analysis that logs what the lexer tells it,
// and a lexer with every property of every class away from its default.
#pragma once

#include <string>
#include <vector>

#include "analysis/syntax_analyzer.h"

namespace synt::testing {

// A document and its analysis in one: records ClearResults, RestartTimer and FormatChanged.
class TLogClient : public ISyntAnalyzerClient, public IqxSyntClient {
 public:
  explicit TLogClient(TSyntAnalyzer* Lexer, std::string Name = "c")
      : lexer(Lexer), name(std::move(Name)) {
    lexer->AttachClient(this);
  }
  ~TLogClient() {
    if (lexer) lexer->DetachClient(this);
  }
  void ClearResults() override { log.push_back(name + ".clear"); }
  void RestartTimer() override { log.push_back(name + ".timer"); }
  IqxSyntClient* Document() const override { return const_cast<TLogClient*>(this); }
  void AnalyzerDestroyed(TSyntAnalyzer*) override {
    log.push_back(name + ".gone");
    lexer = nullptr;
  }
  void FormatChanged() override { log.push_back(name + ".format"); }
  void Finished() override { log.push_back(name + ".finished"); }

  std::vector<std::string> Take() {
    std::vector<std::string> r;
    r.swap(log);
    return r;
  }

  TSyntAnalyzer* lexer;
  std::string name;
  std::vector<std::string> log;
};

// Every published property of every class set away from its default; Sub (may be null) becomes
// the target of a sub-lexer rule.
void BuildFullLexer(TSyntAnalyzer& L, TSyntAnalyzer* Sub);

}  // namespace synt::testing
