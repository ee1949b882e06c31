// Opening and saving an editor's file: text the 8-bit code page cannot hold is never written as
// question marks behind the user's back.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "editor/memo_file.h"
#include "editor/syntax_memo.h"

namespace synt {
namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& P) {
  std::ifstream f(P, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

TEST(MemoFile, UnmappableTextIsRefusedOrSavedAsUtf8) {
  const fs::path dir = fs::temp_directory_path() / ("synt_memo_file_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const fs::path file = dir / "latin.txt";
  { std::ofstream(file, std::ios::binary) << "caf\xE9\n"; }
  TSyntaxMemo memo(nullptr);
  memo.Lines()->SetCodePage(1252);  // not the locale's: a real 8-bit code page
  LoadMemoFile(memo, file.string());
  EXPECT_EQ(memo.Text(), u"caf\u00E9\n");
  EXPECT_FALSE(memo.Modified());
  memo.Lines()->InsertText(0, u"\u20AC\u4E2D ");
  memo.SetModified(true);
  EXPECT_THROW(SaveMemoFile(memo, file.string()), EMemoFileError);
  EXPECT_EQ(Slurp(file), "caf\xE9\n") << "nothing written";
  EXPECT_TRUE(memo.Modified());
  SaveMemoFile(memo, file.string(), upAsUtf8);
  EXPECT_EQ(Slurp(file), "\xE2\x82\xAC\xE4\xB8\xAD caf\xC3\xA9\n");
  EXPECT_FALSE(memo.Modified());
  LoadMemoFile(memo, file.string());
  EXPECT_EQ(memo.Text(), u"\u20AC\u4E2D caf\u00E9\n") << "read back as UTF-8";
  fs::remove_all(dir);
}

}  // namespace
}  // namespace synt
