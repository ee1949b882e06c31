// What the benchmarks share: where the corpora are, and the Pascal lexer library loaded once.
//   const fs::path file = synt::bench::CorpusDir() / "pascal-10mb.pas";
//   synt::TSyntAnalyzer* pascal = synt::bench::PascalLibrary().FindLexer(u"PascalAnalyzer");
#pragma once

#include <cstdlib>
#include <filesystem>

#include "analysis/lexer_library.h"

namespace synt::bench {

// SYNT_CORPUS_DIR, else corpus/ at the root of the sources (bench/corpus.sh builds it there).
inline std::filesystem::path CorpusDir() {
  if (const char* d = std::getenv("SYNT_CORPUS_DIR")) return d;
  return std::filesystem::path(SYNT_BENCH_SOURCE_DIR) / "corpus";
}

inline TSyntaxManager& PascalLibrary() {
  static TSyntaxManager* lib = [] {
    RegisterLexerClasses();
    auto* l = new TSyntaxManager(nullptr);
    l->LoadFromFile(
        (std::filesystem::path(SYNT_BENCH_SOURCE_DIR) / "lexers" / "pascal.lxl").string());
    return l;
  }();
  return *lib;
}

}  // namespace synt::bench
