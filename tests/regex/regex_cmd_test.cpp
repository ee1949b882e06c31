// The synt regex command: cases from standard input against reviewed expected output, and the
// one-case form.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace synt {
namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// Runs the tool with a shell command line; returns its standard output and exit status.
std::string RunTool(const std::string& args, int& status) {
  std::string cmd = std::string("'") + SYNT_TOOL_PATH + "' " + args + " 2>/dev/null";
  FILE* p = popen(cmd.c_str(), "r");
  std::string out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  int rc = pclose(p);
  status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  return out;
}

TEST(RegexCommand, CasesMatchTheExpectedOutput) {
  const std::string dir = std::string(SYNT_TEST_DATA_DIR) + "/regex/";
  int status = 0;
  std::string out = RunTool("regex < '" + dir + "cases.jsonl'", status);
  EXPECT_EQ(status, 1);  // the input holds malformed lines on purpose
  const std::string expectedPath = dir + "cases.expected.jsonl";
  if (std::getenv("SYNT_UPDATE_GOLDEN")) {
    std::ofstream(expectedPath, std::ios::binary) << out;
    GTEST_SKIP() << "rewrote " << expectedPath;
  }
  std::istringstream got(out), want(ReadFile(expectedPath)), in(ReadFile(dir + "cases.jsonl"));
  std::string g, w, c;
  for (int line = 1; std::getline(want, w); ++line) {
    std::getline(in, c);
    ASSERT_TRUE(bool(std::getline(got, g))) << "output ends before line " << line;
    EXPECT_EQ(g, w) << "cases.jsonl:" << line << ": " << c;
  }
  EXPECT_FALSE(bool(std::getline(got, g))) << "extra output: " << g;
}

TEST(RegexCommand, OneCaseFromArguments) {
  int status = 0;
  EXPECT_EQ(
      RunTool("regex '(\\w+)=(\\d+)' 'x key=42' --pos 3 --subst '\\2=\\1'", status),
      "{\"valid\": true, \"matched\": true, \"pos\": 9, \"length\": 6, \"groups\": [\"key=42\", "
      "\"key\", \"42\"], \"subst\": \"42=key\"}\n");
  EXPECT_EQ(status, 0);
  EXPECT_EQ(RunTool("regex 'cba' 'xabc' --pos 5 --backward --modifiers '(?-i)'", status),
            "{\"valid\": true, \"matched\": true, \"pos\": 2, \"length\": 3, \"groups\": "
            "[\"abc\"]}\n");
  RunTool("regex onlyone", status);
  EXPECT_EQ(status, 2);
  RunTool("regex a b --pos x", status);
  EXPECT_EQ(status, 2);
  RunTool("regex a b --bogus", status);
  EXPECT_EQ(status, 2);
}

}  // namespace
}  // namespace synt
