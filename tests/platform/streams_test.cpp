#include "platform/streams.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "platform/file_io.h"

namespace synt {
namespace {

TEST(Streams, MemoryStreamReadsWritesAndSeeks) {
  TMemoryStream m;
  m.WriteString("hello");
  m.SetPosition(1);
  m.WriteString("EY");
  EXPECT_EQ(m.DataString(), "hEYlo");
  m.Seek(-2, soEnd);
  EXPECT_EQ(m.ReadAll(), "lo");
  char buf[4];
  EXPECT_THROW(m.ReadBuffer(buf, 1), EReadError);
  m.SetSize(2);
  EXPECT_EQ(m.DataString(), "hE");
  TMemoryStream copy;
  copy.CopyFrom(m, 0);
  EXPECT_EQ(copy.DataString(), "hE");
}

TEST(Streams, FilesAreReplacedAtomicallyAndErrorsNameTheFile) {
  auto dir =
      std::filesystem::temp_directory_path() / ("synt_streams_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::string path = (dir / "a.txt").string();
  WriteFileAtomic(path, "first");
  WriteFileAtomic(path, "second");
  {
    TFileStream f(path, fmOpenRead | fmShareDenyWrite);
    EXPECT_EQ(f.Size(), 6);
    EXPECT_EQ(f.ReadAll(), "second");
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);  // no temporaries left
  try {
    TFileStream f((dir / "missing").string(), fmOpenRead);
    FAIL();
  } catch (const EFOpenError& e) {
    EXPECT_NE(
        std::string(e.what()).find("Cannot open file \"" + (dir / "missing").string() + "\"."),
        std::string::npos);
  }
  EXPECT_THROW(TFileStream((dir / "no" / "dir").string(), fmCreate), EFCreateError);
  EXPECT_THROW(WriteFileAtomic((dir / "no" / "dir").string(), "x"), EFCreateError);
  std::filesystem::remove_all(dir);
}

TEST(Streams, ResourcesAreFoundByNameAndNumber) {
  RegisterResource("PASCAL", "LEXER", "object X: TSyntAnalyzer\nend\n");
  RegisterResource("#12", "rcdata", "twelve");
  TResourceStream r(0, "pascal", "Lexer");
  EXPECT_EQ(r.ReadAll(), "object X: TSyntAnalyzer\nend\n");
  TResourceStream n(0, 12, "RCDATA");
  EXPECT_EQ(n.ReadAll(), "twelve");
  try {
    TResourceStream x(0, "NONE", "LEXER");
    FAIL();
  } catch (const EResNotFound& e) {
    EXPECT_STREQ(e.what(), "Resource NONE not found");
  }
}

}  // namespace
}  // namespace synt
