// End-to-end tests of `synt find`: the built tool on real files.
#include <gtest/gtest.h>

#include "tool_runner.h"

namespace synt::tool {
namespace {

class FindCmd : public synt::test::ToolTest {};

TEST_F(FindCmd, PrintsOccurrencesAsTheFinderFindsThem) {
  Write(Path("a.txt"), "begin Begin begins\nbegin");
  ASSERT_EQ(Run({"find", Path("a.txt"), "--find", "begin"}), 0) << err;
  EXPECT_EQ(out, "{\"start\": 0, \"end\": 5}\n");
  ASSERT_EQ(Run({"find", Path("a.txt"), "--find", "begin", "--all", "--whole-word"}), 0) << err;
  EXPECT_EQ(out,
            "{\"start\": 0, \"end\": 5}\n{\"start\": 6, \"end\": 11}\n{\"start\": 19, \"end\": "
            "24}\n");
  ASSERT_EQ(Run({"find", Path("a.txt"), "--find", "begin", "--all", "--case", "--backward",
                 "--from", "19"}),
            0)
      << err;
  EXPECT_EQ(out, "{\"start\": 12, \"end\": 17}\n{\"start\": 0, \"end\": 5}\n");
  ASSERT_EQ(Run({"find", Path("a.txt"), "--find", "b\\w+s", "--regex", "--all", "--range", "0:17"}),
            0)
      << err;
  EXPECT_EQ(out, "");  // "begins" ends at 18, past the range
  ASSERT_EQ(Run({"find", Path("a.txt"), "--find", "x*", "--regex", "--all", "--range", "1:3"}), 0);
  EXPECT_EQ(out,
            "{\"start\": 1, \"end\": 1}\n{\"start\": 2, \"end\": 2}\n{\"start\": 3, \"end\": 3}\n");
}

TEST_F(FindCmd, ReplacesAndPrintsTheText) {
  Write(Path("a.txt"), "a=1 b=2 c=3");
  ASSERT_EQ(Run({"find", Path("a.txt"), "--find", "(\\w)=(\\d)", "--regex", "--all", "--replace",
                 "\\2:\\1"}),
            0)
      << err;
  EXPECT_EQ(out, "{\"text\": \"1:a 2:b 3:c\", \"replaced\": 3}\n");
  ASSERT_EQ(Run({"find", Path("a.txt"), "--find", "=", "--all", "--replace", "", "--range", "0:7"}),
            0)
      << err;
  EXPECT_EQ(out, "{\"text\": \"a1 b2 c=3\", \"replaced\": 2}\n");
  ASSERT_EQ(Run({"find", Path("a.txt"), "--find", "=", "--replace", "-", "--from", "2"}), 0);
  EXPECT_EQ(out, "{\"text\": \"a=1 b-2 c=3\", \"replaced\": 1}\n");
}

TEST_F(FindCmd, ClearErrors) {
  Write(Path("a.txt"), "abc");
  EXPECT_EQ(Run({"find", Path("a.txt"), "--find", "(a", "--regex"}), 1);
  EXPECT_NE(err.find("invalid regular expression"), std::string::npos) << err;
  EXPECT_EQ(Run({"find", Path("a.txt"), "--find", "a", "--range", "2:1"}), 2);
  EXPECT_NE(err.find("--range ends before it starts"), std::string::npos) << err;
  EXPECT_EQ(Run({"find", Path("a.txt"), "--find", "a", "--range", "0:9"}), 2);
  EXPECT_NE(err.find("past the end of the text (3 units)"), std::string::npos) << err;
  EXPECT_EQ(Run({"find", Path("a.txt"), "--find", "a", "--range", "x"}), 2);
  EXPECT_EQ(Run({"find", Path("missing.txt"), "--find", "a"}), 1);
  EXPECT_NE(err.find("missing.txt"), std::string::npos) << err;
  EXPECT_EQ(Run({"find", Path("a.txt")}), 2);
  EXPECT_EQ(Run({"find", Path("a.txt"), "--find", "a", "--bogus"}), 2);
}

}  // namespace
}  // namespace synt::tool
