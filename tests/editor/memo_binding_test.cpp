#include <gtest/gtest.h>

#include "editor/syntax_memo.h"
#include "platform/headless_host.h"

namespace synt {
namespace {

TEST(MemoBinding, DefaultsOfANewEditor) {
  THeadlessDesktop desktop;
  TSyntaxMemo memo(nullptr);
  EXPECT_EQ(memo.Color(), clWindow);
  EXPECT_EQ(memo.Font()->Name(), u"Courier New");
  EXPECT_EQ(memo.Font()->Size(), 10);
  EXPECT_EQ(memo.Options(), DefaultMemoOptions);
  EXPECT_EQ(memo.OptionsEx(), DefaultMemoOptionsEx);
  EXPECT_EQ(memo.TabList()->AsString(), u"4");
  EXPECT_EQ(memo.Zoom(), 100);
  EXPECT_EQ(memo.CollapseLevel(), -1);
  EXPECT_EQ(memo.CollapseStyle(), csRegionName);
  EXPECT_EQ(memo.StaplePen()->Color(), clGray);
  EXPECT_EQ(memo.MonoFontMode(), mfVariable);
  EXPECT_FALSE(memo.FixedPitch());
  EXPECT_EQ(memo.UndoLimit(), 1000);
  EXPECT_EQ(memo.Lines()->UndoLimit(), 1000);
  EXPECT_EQ(memo.SyntClient(), nullptr);
}

}  // namespace
}  // namespace synt
