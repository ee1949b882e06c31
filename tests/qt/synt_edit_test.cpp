// The synt-edit application as a user starts it: screenshots of real files, and clear errors with
// a non-zero status for what it cannot open.
#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>

#include "tool_runner.h"

namespace synt {
namespace {

namespace fs = std::filesystem;

const std::string kSample =
    (fs::path(SYNT_SOURCE_DIR) / "tests" / "data" / "analysis" / "pascal" / "program.pas").string();

class SyntEdit : public test::ToolTest {
 protected:
  test::ToolResult Edit(const std::vector<std::string>& Args,
                        const std::vector<std::string>& Env = {"QT_QPA_PLATFORM=offscreen"}) {
    return test::RunProgram(SYNT_EDIT_PATH, Args, "", Env);
  }
};

TEST_F(SyntEdit, ScreenshotsAreWindowsOfTheSizeAsked) {
  for (const std::vector<std::string>& extra :
       {std::vector<std::string>{}, {"--wrap"}, {"--fold-all"}, {"--goto", "30"}}) {
    std::vector<std::string> args = extra;
    for (const char* a : {"--size", "640x480", "--screenshot"}) args.push_back(a);
    args.push_back(Path("shot.png"));
    args.push_back(kSample);
    const test::ToolResult r = Edit(args);
    ASSERT_EQ(r.status, 0) << r.err;
    QImage img(QString::fromStdString(Path("shot.png")));
    ASSERT_FALSE(img.isNull());
    EXPECT_EQ(img.size(), QSize(640, 480));
    fs::remove(Path("shot.png"));
  }
}

TEST_F(SyntEdit, WithoutADisplayItRendersOffscreenIntoTheCurrentFolder) {
  const fs::path here = fs::current_path();
  fs::current_path(dir);
  const test::ToolResult r = Edit({kSample}, {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"});
  fs::current_path(here);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("no display"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("synt-edit.png"), std::string::npos) << r.err;
  EXPECT_EQ(QImage(QString::fromStdString(Path("synt-edit.png"))).size(), QSize(1000, 700));
}

TEST_F(SyntEdit, WhatCannotBeOpenedIsAnErrorNotACrash) {
  Write(Path("bad.lxl"), "object X: TNoSuchClass\nend\n");
  Write(Path("noise.pas"), std::string("\0\xFF\xFE{(*'", 8));
  struct {
    std::vector<std::string> args;
    int status;
    const char* says;
  } cases[] = {
      {{Path("missing.pas")}, 1, "does not exist"},
      {{dir}, 1, "not a regular file"},
      {{"--lexer", Path("bad.lxl"), kSample}, 1, "bad.lxl"},
      {{"--lexer", Path("missing.lxl"), kSample}, 1, "missing.lxl"},
      {{"--lexer", (fs::path(SYNT_SOURCE_DIR) / "lexers" / "pascal.lxl").string(), "--name", "Nope",
        kSample},
       1,
       "Nope"},
      {{"--size", "10x10", kSample}, 2, "--size"},
      {{"--bogus", kSample}, 2, "unknown option"},
      {{}, 2, "no FILE"},
      {{"--screenshot", Path("no/such/folder/x.png"), kSample}, 1, "cannot write"},
      {{"--fold-all", "--screenshot", Path("n.png"), Path("noise.pas")}, 0, ""},
  };
  for (const auto& c : cases) {
    const test::ToolResult r = Edit(c.args);
    EXPECT_EQ(r.status, c.status) << c.args.back() << ": " << r.err;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
  }
}

}  // namespace
}  // namespace synt
