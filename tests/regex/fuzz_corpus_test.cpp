// The fuzz target's checks over its stored corpus, so that every build replays the seeds and
// any input a fuzzing run once found.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "../../fuzz/regex.cpp"

namespace synt {
namespace {

TEST(RegexFuzzCorpus, EveryStoredInputPasses) {
  const std::filesystem::path dir = std::filesystem::path(SYNT_SOURCE_DIR) / "fuzz/corpus/regex";
  int n = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir)) {
    std::ifstream in(e.path(), std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    const std::string data = ss.str();
    SCOPED_TRACE(e.path().filename().string());
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(data.data()), data.size());
    ++n;
  }
  EXPECT_GE(n, 10);
}

}  // namespace
}  // namespace synt
