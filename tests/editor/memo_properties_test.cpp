#include <gtest/gtest.h>

#include "editor/syntax_memo.h"
#include "platform/filer.h"
#include "platform/headless_host.h"
#include "platform/utf.h"

namespace synt {
namespace {

std::string Stored(TCustomSyntaxMemo& Memo) {
  TWriter w;
  return w.WriteRootText(&Memo);
}

TEST(MemoProperties, ANewEditorStoresNothingButItsHeader) {
  THeadlessDesktop desktop;
  TSyntaxMemo memo(nullptr);
  memo.SetName(u"Memo1");
  const std::string text = Stored(memo);
  EXPECT_EQ(text.find("Options"), std::string::npos) << text;
  EXPECT_EQ(text.find("Zoom"), std::string::npos) << text;
  EXPECT_EQ(text.find("TabList"), std::string::npos) << text;
}

// Written and read back into a fresh editor, every setting comes back; the second writing equals
// the first.
TEST(MemoProperties, RoundTrip) {
  THeadlessDesktop desktop;
  RegisterMemoClasses();
  TSyntaxMemo memo(nullptr);
  memo.SetName(u"Memo1");
  memo.SetText(u"line one\r\nline two");
  memo.SetColor(clYellow);
  memo.Font()->SetSize(12);
  memo.SetOptions({soGroupUndo, soCallapseEmptyLines});
  memo.SetOptionsEx({soWordWrapAtSpace});
  memo.TabList()->SetAsString(u"3 8");
  memo.SetZoom(150);
  memo.SetWordWrap(true);
  memo.SetCollapseStyle(csEndEllipsis);
  memo.SetMonoFontMode(mfAuto);
  memo.SetSaveState({ssoCaretPos, ssoBookmarks});
  memo.NonPrinted()->SetVisible(true);
  memo.NonPrinted()->SetTabChar(187);
  memo.DefaultStyles()->SearchMark()->SetBgColor(clLime);
  memo.BackGround()->SetFillStyle(fstVertGradient);
  memo.StaplePen()->SetColor(clRed);
  TUserRange* r = memo.UserRanges()->Add();
  r->SetStartPos(2);
  r->SetEndPos(12);
  r->SetStyle(u"Warn");
  r->SetLineBreaks({lbBottom});
  r->SetCollapsable(true);
  const std::string text = Stored(memo);

  TSyntaxMemo back(nullptr);
  TReader reader;
  reader.ReadRootText(Utf8ToUtf16(text), &back);
  EXPECT_EQ(back.Text(), u"line one\r\nline two");
  EXPECT_EQ(back.Color(), clYellow);
  EXPECT_EQ(back.Font()->Size(), 12);
  EXPECT_EQ(back.Options(), (TSyntaxMemoOptions{soGroupUndo, soCallapseEmptyLines}));
  EXPECT_EQ(back.OptionsEx(), (TSyntaxMemoOptionsEx{soWordWrapAtSpace}));
  EXPECT_EQ(back.TabList()->AsString(), u"3 8");
  EXPECT_EQ(back.Zoom(), 150);
  EXPECT_TRUE(back.WordWrap());
  EXPECT_EQ(back.CollapseStyle(), csEndEllipsis);
  EXPECT_EQ(back.MonoFontMode(), mfAuto);
  EXPECT_EQ(back.SaveState(), (TSaveStateOptions{ssoCaretPos, ssoBookmarks}));
  EXPECT_TRUE(back.NonPrinted()->Visible());
  EXPECT_EQ(back.NonPrinted()->TabChar(), 187);
  EXPECT_EQ(back.DefaultStyles()->SearchMark()->BgColor(), clLime);
  EXPECT_EQ(back.BackGround()->FillStyle(), fstVertGradient);
  EXPECT_EQ(back.StaplePen()->Color(), clRed);
  ASSERT_EQ(back.UserRanges()->Count(), 1);
  EXPECT_EQ(back.UserRanges()->Items(0)->EndPos(), 12);
  EXPECT_EQ(back.UserRanges()->Items(0)->Style(), u"Warn");
  EXPECT_EQ(back.UserRanges()->Items(0)->LineBreaks(), (TLineBreakBound{lbBottom}));
  EXPECT_TRUE(back.UserRanges()->Items(0)->Collapsable());
  back.SetName(u"Memo1");
  EXPECT_EQ(Stored(back), text);
}

}  // namespace
}  // namespace synt
