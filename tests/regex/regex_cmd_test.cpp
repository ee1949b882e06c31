// The synt regex command: cases from standard input against reviewed expected output, and the
// one-case form.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tool_runner.h"

namespace synt::test {
namespace {

TEST(RegexCommand, CasesMatchTheExpectedOutput) {
  const std::string dir = std::string(SYNT_TEST_DATA_DIR) + "/regex/";
  ToolResult r = RunTool({"regex"}, ReadFile(dir + "cases.jsonl"));
  EXPECT_EQ(r.status, 1);  // the input holds malformed lines on purpose
  const std::string expectedPath = dir + "cases.expected.jsonl";
  if (std::getenv("SYNT_UPDATE_GOLDEN")) {
    std::ofstream(expectedPath, std::ios::binary) << r.out;
    GTEST_SKIP() << "rewrote " << expectedPath;
  }
  std::istringstream got(r.out), want(ReadFile(expectedPath)), in(ReadFile(dir + "cases.jsonl"));
  std::string g, w, c;
  for (int line = 1; std::getline(want, w); ++line) {
    std::getline(in, c);
    ASSERT_TRUE(bool(std::getline(got, g))) << "output ends before line " << line;
    EXPECT_EQ(g, w) << "cases.jsonl:" << line << ": " << c;
  }
  EXPECT_FALSE(bool(std::getline(got, g))) << "extra output: " << g;
}

TEST(RegexCommand, OneCaseFromArguments) {
  ToolResult r =
      RunTool({"regex", "(\\w+)=(\\d+)", "x key=42", "--pos", "3", "--subst", "\\2=\\1"});
  EXPECT_EQ(r.out,
            "{\"valid\": true, \"matched\": true, \"pos\": 9, \"length\": 6, \"groups\": "
            "[\"key=42\", \"key\", \"42\"], \"subst\": \"42=key\"}\n");
  EXPECT_EQ(r.status, 0) << r.err;
  r = RunTool({"regex", "cba", "xabc", "--pos", "5", "--backward", "--modifiers", "(?-i)"});
  EXPECT_EQ(r.out,
            "{\"valid\": true, \"matched\": true, \"pos\": 2, \"length\": 3, \"groups\": "
            "[\"abc\"]}\n");
  EXPECT_EQ(r.status, 0) << r.err;
  // Arguments reach the tool as they are: quotes and blanks are part of the text.
  r = RunTool({"regex", "'a\\ b'", "'a b'"});
  EXPECT_NE(r.out.find("\"groups\": [\"'a b'\"]"), std::string::npos) << r.out;
  for (std::vector<std::string> bad : {std::vector<std::string>{"regex", "onlyone"},
                                       {"regex", "a", "b", "--pos", "x"},
                                       {"regex", "a", "b", "--bogus"}}) {
    r = RunTool(bad);
    EXPECT_EQ(r.status, 2) << bad.back();
    EXPECT_FALSE(r.err.empty()) << bad.back();
  }
}

}  // namespace
}  // namespace synt::test
