#include "memo_test_util.h"

#include <map>

#include "analysis/lexer_catalog.h"
#include "analysis/syntax_analyzer.h"

namespace synt::test {

std::unique_ptr<TSyntAnalyzer> LoadLexer(const std::string& File) {
  static std::map<std::string, std::unique_ptr<TLexerCatalog>> loaded;
  auto& catalog = loaded[File];
  if (!catalog) {
    catalog = std::make_unique<TLexerCatalog>();
    catalog->LoadFile(std::string(SYNT_SOURCE_DIR) + "/lexers/" + File);
  }
  auto lexer = std::make_unique<TSyntAnalyzer>(nullptr);
  std::vector<TSyntAnalyzer*> all = catalog->Lexers();
  if (!all.empty()) lexer->Assign(all.front());
  return lexer;
}

bool Settle(THeadlessDesktop& Desktop, TClientSyntAnalyzer* Client, int MaxTurns) {
  THeadlessEventLoop& loop = Desktop.Loop();
  for (int turn = 0; turn < MaxTurns; ++turn) {
    if (Client->IsFinished() && !Client->IsSyntThreadRunning() && !loop.HasPosted()) return true;
    if (loop.ProcessEvents() > 0) continue;
    if (Client->IsSyntThreadRunning()) {
      loop.WaitForPosted(50);
      continue;
    }
    const int64_t delay = loop.NextTimerDelay();
    if (delay < 0) return false;
    Desktop.Clock().Advance(uint64_t(delay > 0 ? delay : 1));
  }
  return false;
}

}  // namespace synt::test
