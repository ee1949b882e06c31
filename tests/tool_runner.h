// Runs the built `synt` tool from tests, without a shell (arguments pass through unquoted), and
// gives each test a scratch folder.
//
//   class MyCmd : public synt::test::ToolTest {};
//   TEST_F(MyCmd, Info) {
//     Write(Path("a.txt"), "abc");
//     ASSERT_EQ(Run({"text", "info", Path("a.txt")}), 0) << err;
//     EXPECT_NE(out.find("\"lines\": 1"), std::string::npos);
//   }
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace synt::test {

struct ToolResult {
  int status = -1;  // exit status; -1 when the tool did not exit normally
  std::string out, err;
};

// Runs SYNT_TOOL_PATH with Args; Input is its standard input. The environment is the test's own
// with LC_ALL=C.UTF-8, so that 8-bit files read the same on every machine.
ToolResult RunTool(const std::vector<std::string>& Args, const std::string& Input = "");
// The same for another program. Env entries "NAME=VALUE" set a variable, "NAME" removes it.
ToolResult RunProgram(const std::string& Program, const std::vector<std::string>& Args,
                      const std::string& Input = "", const std::vector<std::string>& Env = {});

std::string ReadFile(const std::string& Path);
void WriteFile(const std::string& Path, const std::string& Bytes);

class ToolTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  std::string Path(const std::string& Name) const { return dir + "/" + Name; }
  static void Write(const std::string& P, const std::string& Bytes) { WriteFile(P, Bytes); }
  static std::string Read(const std::string& P) { return ReadFile(P); }
  // Runs the tool; out and err receive what it printed. Returns the exit status.
  int Run(const std::vector<std::string>& Args, const std::string& Input = "");

  std::string dir;
  std::string out, err;
};

}  // namespace synt::test
