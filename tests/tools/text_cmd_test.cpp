// End-to-end tests of `synt text`: the built tool on real files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "json.h"
#include "tool_runner.h"

namespace synt::tool {
namespace {

namespace fs = std::filesystem;

class TextCmd : public synt::test::ToolTest {};

TEST_F(TextCmd, Info) {
  Write(Path("a.txt"), std::string("\xFF\xFE"
                                   "a\0\r\0\n\0\xE9\0",
                                   10));
  ASSERT_EQ(Run({"text", "info", Path("a.txt")}), 0) << err;
  JsonValue v;
  std::string perr;
  ASSERT_TRUE(ParseJson(out, v, perr)) << out;
  EXPECT_EQ(v.Find("encoding")->AsString(), u"utf-16le");
  EXPECT_TRUE(v.Find("bom")->AsBool());
  EXPECT_EQ(v.Find("linebreaks")->AsString(), u"crlf");
  EXPECT_EQ(v.Find("lines")->AsNumber(), 2);
  EXPECT_EQ(v.Find("length")->AsNumber(), 4);
  Write(Path("b.txt"), "one\ntwo\r\nthree\n");
  ASSERT_EQ(Run({"text", "info", Path("b.txt")}), 0);
  EXPECT_EQ(out,
            "{\"encoding\": \"ansi\", \"bom\": false, \"linebreaks\": \"keep\", \"lines\": 4, "
            "\"length\": 15}\n");
}

TEST_F(TextCmd, ConvertsEncodingsAndBreaks) {
  Write(Path("in.txt"), "caf\xC3\xA9\nline\n");
  ASSERT_EQ(Run({"text", "convert", Path("in.txt"), Path("out.txt"), "--encoding", "utf-16be",
                 "--linebreaks", "crlf"}),
            0)
      << err;
  EXPECT_EQ(Read(Path("out.txt")),
            std::string("\xFE\xFF\0c\0a\0f\0\xE9\0\r\0\n\0l\0i\0n\0e\0\r\0\n", 26));
  ASSERT_EQ(Run({"text", "convert", Path("out.txt"), Path("back.txt"), "--encoding=ansi",
                 "--linebreaks=lf"}),
            0);
  EXPECT_EQ(Read(Path("back.txt")), "caf\xC3\xA9\nline\n");
  ASSERT_EQ(Run({"text", "convert", Path("in.txt"), Path("cp.txt"), "--codepage", "1252"}), 0);
  EXPECT_EQ(Read(Path("cp.txt")), "caf\xE9\nline\n");
  ASSERT_EQ(
      Run({"text", "convert", Path("in.txt"), Path("nb.txt"), "--encoding", "utf-8", "--no-bom"}),
      0);
  EXPECT_EQ(Read(Path("nb.txt")), "caf\xC3\xA9\nline\n");
  ASSERT_EQ(Run({"text", "convert", Path("in.txt"), Path("bom.txt"), "--encoding", "utf-8"}), 0);
  EXPECT_EQ(Read(Path("bom.txt")),
            "\xEF\xBB\xBF"
            "caf\xC3\xA9\nline\n");
}

TEST_F(TextCmd, ErrorsWriteNothing) {
  Write(Path("in.txt"), "\xE6\x97\xA5 text");
  Write(Path("keep.txt"), "old contents");
  struct Case {
    std::vector<std::string> args;
    int status;
    const char* message;
  } cases[] = {
      {{"text", "convert", Path("missing.txt"), Path("keep.txt")}, 1, "Cannot open file"},
      {{"text", "convert", Path("in.txt"), Path("keep.txt"), "--bogus"}, 2, "unknown option"},
      {{"text", "convert", Path("in.txt"), Path("keep.txt"), "--encoding", "utf-7"},
       2,
       "unknown encoding"},
      {{"text", "convert", Path("in.txt"), Path("keep.txt"), "--linebreaks"}, 2, "needs a value"},
      {{"text", "convert", Path("in.txt"), Path("keep.txt"), "--codepage", "12345"},
       2,
       "not supported"},
      {{"text", "convert", Path("in.txt"), Path("keep.txt"), "--codepage", "x1"},
       2,
       "code page number"},
      {{"text", "convert", Path("in.txt"), Path("keep.txt"), "--codepage", "1252"},
       1,
       "cannot be written"},
      {{"text", "convert", Path("in.txt")}, 2, "usage"},
      {{"text", "info"}, 2, "usage"},
      {{"text", "frobnicate"}, 2, "unknown sub-command"},
      {{"text", "convert", Path("in.txt"), Path("nodir/out.txt")}, 1, "Cannot create file"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Run(c.args), c.status) << c.args.back();
    EXPECT_NE(err.find(c.message), std::string::npos) << err;
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(Read(Path("keep.txt")), "old contents");
  }
  EXPECT_FALSE(fs::exists(Path("nodir")));
  int files = 0;
  for (auto& e : fs::directory_iterator(dir)) files += e.is_regular_file();
  EXPECT_EQ(files, 2);  // in and keep: no temporary files left behind
}

// Any byte sequence comes back unchanged through a conversion with unchanged settings.
TEST_F(TextCmd, AnyBytesRoundTrip) {
  std::mt19937 rng(12);
  const char* prefixes[] = {"", "\xFF\xFE", "\xFE\xFF", "\xEF\xBB\xBF"};
  for (int round = 0; round < 24; ++round) {
    std::string bytes = prefixes[round % 4];
    for (int n = int(rng() % 300); n > 0; --n) {
      unsigned r = rng();
      bytes += r % 4 == 0 ? "\r\n" : r % 4 == 1 ? "\xC3\xA9" : std::string(1, char(r >> 8));
    }
    Write(Path("in.bin"), bytes);
    ASSERT_EQ(Run({"text", "convert", Path("in.bin"), Path("out.bin")}), 0) << err;
    ASSERT_EQ(Read(Path("out.bin")), bytes) << "round " << round;
  }
}

}  // namespace
}  // namespace synt::tool
