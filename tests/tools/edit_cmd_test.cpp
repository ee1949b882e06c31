// synt edit: keys fed to an editor as a window feeds them, the state printed, the file saved as the
// application saves it.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "json.h"
#include "tool_runner.h"

namespace synt::test {
namespace {

using tool::JsonValue;

const JsonValue& Member(const JsonValue& V, std::string_view Key) {
  static const JsonValue none;
  const JsonValue* m = V.Find(Key);
  EXPECT_NE(m, nullptr) << Key;
  return m ? *m : none;
}
std::u16string Str(const JsonValue& V, std::string_view Key) {
  return Member(V, Key).AsString();
}
bool Flag(const JsonValue& V, std::string_view Key) {
  return Member(V, Key).AsBool();
}
int Int(const JsonValue& V, std::string_view Key) {
  return int(Member(V, Key).AsNumber());
}

class EditCmd : public ToolTest {
 protected:
  JsonValue Edit(const std::string& Text, const std::string& Keys,
                 std::vector<std::string> Extra = {}) {
    Write(Path("in.txt"), Text);
    std::vector<std::string> args = {"edit", Path("in.txt"), "--keys", Keys};
    args.insert(args.end(), Extra.begin(), Extra.end());
    EXPECT_EQ(Run(args), 0) << err;
    JsonValue v;
    std::string error;
    EXPECT_TRUE(tool::ParseJson(out, v, error)) << error << ": " << out;
    return v;
  }
  // Typing needs the editing operations; until they are in, the end-to-end cases wait.
  bool CanType() {
    Write(Path("probe.txt"), "");
    Run({"edit", Path("probe.txt"), "--keys", "\"x\""});
    return out.find("\"text\": \"x\"") != std::string::npos;
  }
};

TEST_F(EditCmd, BadKeysAndOptionsAreNamed) {
  Write(Path("in.txt"), "abc\n");
  EXPECT_EQ(Run({"edit", Path("in.txt"), "--keys", "End, Ctrl+Bogus, Home"}), 2);
  EXPECT_NE(err.find("unknown key 'Ctrl+Bogus'"), std::string::npos) << err;
  EXPECT_EQ(Run({"edit", Path("in.txt"), "--keys", "\"open"}), 2);
  EXPECT_NE(err.find("not closed"), std::string::npos) << err;
  EXPECT_EQ(Run({"edit", Path("in.txt"), "--keys", "End,,Home"}), 2);
  EXPECT_NE(err.find("empty item"), std::string::npos) << err;
  EXPECT_EQ(Run({"edit", Path("in.txt")}), 2);
  EXPECT_NE(err.find("--keys"), std::string::npos) << err;
  EXPECT_EQ(Run({"edit", Path("missing.txt"), "--keys", "End"}), 1);
  EXPECT_NE(err.find("missing.txt"), std::string::npos) << err;
  EXPECT_EQ(Run({"edit", Path("in.txt"), "--keys", "End", "--cols", "0"}), 2);
}

TEST_F(EditCmd, StateIsPrintedAsJson) {
  const JsonValue v = Edit("abc\r\ndef", "Shift");
  EXPECT_EQ(Str(v, "text"), u"abc\r\ndef");
  ASSERT_EQ(Member(v, "caret").Items().size(), 2u);
  EXPECT_EQ(Str(v, "sel_mode"), u"none");
  EXPECT_FALSE(Flag(v, "modified"));
  EXPECT_FALSE(Flag(v, "can_undo"));
}

// Saving keeps what the file was: a mark, UTF-8 without one, an 8-bit file, CR LF or LF.
TEST_F(EditCmd, SavingKeepsEncodingAndLineBreaks) {
  const std::string samples[] = {
      "\xEF\xBB\xBFmarked UTF-8 \xC3\xA9\r\n",
      "plain UTF-8 \xE2\x82\xAC\nsecond\n",
      "latin-1 \xE9t\xE9\r\n",
      std::string("\xFF\xFEh\0i\0\r\0\n\0", 10),
      "no break at the end",
  };
  for (const std::string& s : samples) {
    Edit(s, "Ctrl+End", {"-o", Path("out.txt")});
    EXPECT_EQ(Read(Path("out.txt")), s);
  }
}

TEST_F(EditCmd, SavingReplacesTheFileKeepingItsPermissions) {
  Write(Path("out.txt"), "old contents");
  ::chmod(Path("out.txt").c_str(), 0640);
  Edit("new\n", "End", {"-o", Path("out.txt")});
  EXPECT_EQ(Read(Path("out.txt")), "new\n");
  struct stat st {};
  ASSERT_EQ(::stat(Path("out.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  // A folder that cannot be written: an error, and the old file stays.
  EXPECT_EQ(Run({"edit", Path("in.txt"), "--keys", "End", "-o", Path("no/such/dir/out.txt")}), 1);
  EXPECT_NE(err.find("Cannot create file"), std::string::npos) << err;
}

TEST_F(EditCmd, KeysAndTextTypeLikeAWindow) {
  if (!CanType()) GTEST_SKIP() << "the editing operations are not merged yet";
  JsonValue v = Edit("begin\nend\n", "End, Enter, \"  x := 1;\", Shift+Home");
  EXPECT_EQ(Str(v, "text"), u"begin\n  x := 1;\nend\n");
  EXPECT_TRUE(Flag(v, "modified"));
  EXPECT_TRUE(Flag(v, "can_undo"));
  EXPECT_EQ(Str(v, "sel_mode"), u"normal");
  EXPECT_EQ(Int(v, "sel_end") - Int(v, "sel_start"), 7) << "Home goes to the first non-blank";

  // A key that makes a character and runs no command types it; Ctrl+Z undoes the typing.
  v = Edit("", "H, Shift+I, Space, \"a,b\"");
  EXPECT_EQ(Str(v, "text"), u"hI a,b");
  v = Edit("", "H, Shift+I, Space, \"a,b\", Ctrl+Z");
  EXPECT_EQ(Str(v, "text"), u"");
  EXPECT_TRUE(Flag(v, "can_redo"));
  EXPECT_FALSE(Flag(v, "modified"));
  v = Edit("abc", "End, Backspace, Ctrl+Z, Ctrl+Z, Ctrl+Z, Ctrl+Z", {"-o", Path("out.txt")});
  EXPECT_EQ(Str(v, "text"), u"abc");
  EXPECT_TRUE(Flag(v, "can_redo"));
  EXPECT_EQ(Read(Path("out.txt")), "abc");
}

}  // namespace
}  // namespace synt::test
