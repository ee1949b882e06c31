#include "platform/graphics.h"

#include <gtest/gtest.h>

#include "platform/dialogs.h"
#include "platform/menus.h"
#include "platform/properties.h"

namespace synt {
namespace {

TEST(Graphics, ColourAndCharsetNamesMapBothWays) {
  for (const auto& [name, value] : ColorIdents().Entries) {
    int64_t v;
    ASSERT_TRUE(ColorIdents().ToInt(name, v));
    EXPECT_EQ(v, value);
    EXPECT_EQ(*ColorIdents().ToIdent(value), name);  // no two names share a value
  }
  int64_t v;
  EXPECT_TRUE(ColorIdents().ToInt("CLWINDOW", v));
  EXPECT_EQ(uint32_t(v), 0xFF000005u);
  EXPECT_EQ(uint32_t(clHighlight), 0xFF00000Du);
  EXPECT_EQ(uint32_t(clBtnFace), 0xFF00000Fu);
  EXPECT_EQ(clNone, 0x1FFFFFFF);
  EXPECT_EQ(*CharsetIdents().ToIdent(1), "DEFAULT_CHARSET");
  EXPECT_EQ(ColorToRGB(clRed), 0x0000FFu);
  EXPECT_EQ(ColorToRGB(clWindow), 0xFFFFFFu);
}

TEST(Graphics, FontSizeFollowsHeightAndResolution) {
  TFont f;
  EXPECT_EQ(f.Size(), 10);
  f.SetSize(12);
  EXPECT_EQ(f.Height(), -16);
  int changes = 0;
  f.OnChange = [&](TObject*) { ++changes; };
  f.SetStyle({fsBold, fsItalic});
  f.SetStyle({fsBold, fsItalic});
  EXPECT_EQ(changes, 1);
  TFont printer;
  printer.SetPixelsPerInch(600);
  printer.Assign(&f);
  EXPECT_EQ(printer.Size(), 12);  // the point size survives a change of resolution
  EXPECT_EQ(printer.Height(), -100);
  TPen pen;
  EXPECT_THROW(pen.Assign(&f), EConvertError);
  // Size is read but not stored.
  const TPropInfo* size = TFont::StaticClassInfo().FindProperty("Size");
  ASSERT_NE(size, nullptr);
  EXPECT_FALSE(size->IsStored(&f));
}

TEST(Graphics, HeadlessCanvasRecordsCallsWithTheirState) {
  THeadlessCanvas c(8, 16);
  c.Font()->SetStyle({fsBold});
  c.Brush()->SetColor(clYellow);
  c.TextOut(4, 2, u"begin");
  c.Pen()->SetColor(clRed);
  c.MoveTo(0, 0);
  c.LineTo(10, 0);
  c.SetClipRect({0, 0, 20, 20});
  c.FillRect({0, 16, 40, 32});
  ASSERT_EQ(c.Ops().size(), 3u);
  const TCanvasOp& t = c.Ops()[0];
  EXPECT_EQ(t.Kind, TCanvasOpKind::TextOut);
  EXPECT_EQ(t.Text, u"begin");
  EXPECT_EQ(t.Rect, (TRect{4, 2, 44, 18}));
  EXPECT_EQ(t.FontStyle, TFontStyles{fsBold});
  EXPECT_EQ(t.BrushColor, clYellow);
  EXPECT_EQ(c.Ops()[1].Points, (std::vector<TPoint>{{0, 0}, {10, 0}}));
  EXPECT_EQ(c.Ops()[1].PenColor, clRed);
  EXPECT_EQ(c.Ops()[2].Clip, (TRect{0, 0, 20, 20}));
  EXPECT_EQ(c.TextExtent(u"abc"), (TSize{24, 16}));
}

TEST(Dialogs, ScriptedAnswersAndTheHeadlessDefault) {
  EXPECT_EQ(MessageDlg(u"?", mtError, {mbYes, mbNo, mbAll}), mrNo);
  EXPECT_EQ(MessageBox(u"x", u"y", mbbOK, mbiError), mrOk);
  TScriptedDialogService script({mrYes, mrAll});
  {
    TDialogServiceScope scope(&script);
    EXPECT_EQ(MessageDlg(u"one", mtError, {mbYes, mbNo, mbAll}), mrYes);
    EXPECT_EQ(MessageDlg(u"two", mtError, {mbYes, mbNo, mbAll}), mrAll);
    EXPECT_EQ(MessageBox(u"three", u"Caption", mbbOK, mbiError), mrNo);  // the fallback
  }
  ASSERT_EQ(script.Shown().size(), 3u);
  EXPECT_EQ(script.Shown()[1].Text, u"two");
  EXPECT_TRUE(script.Shown()[2].IsMessageBox);
  EXPECT_EQ(script.Shown()[2].Caption, u"Caption");
  EXPECT_EQ(&DialogService(), &DialogService());
  EXPECT_EQ(MessageDlg(u"?", mtError, {mbOK}), mrOk);  // headless again
}

TEST(Menus, ItemsBelongToTheirParentAndLeaveItWhenFreedElsewhere) {
  TComponent form(nullptr);
  auto* menu = new TMenuItem(&form);
  auto* a = new TMenuItem(nullptr);
  a->SetCaption(u"&Pascal");
  auto* b = new TMenuItem(&form);  // also owned by the form
  b->SetCaption(u"-");
  menu->Add(a);
  menu->Add(b);
  EXPECT_EQ(menu->Find(u"pascal"), a);
  EXPECT_TRUE(b->IsLine());
  delete b;  // freed by its component owner: leaves the menu
  EXPECT_EQ(menu->Count(), 1);
  int clicks = 0;
  a->OnClick = [&](TObject* s) {
    EXPECT_EQ(s, a);
    ++clicks;
  };
  a->Click();
  a->SetEnabled(false);
  a->Click();
  EXPECT_EQ(clicks, 1);
  auto* c = new TMenuItem(&form);
  menu->Add(c);
  EXPECT_THROW(c->Add(menu), EListError);  // no cycles
  menu->Delete(0);                         // frees a
  EXPECT_EQ(menu->Items(0), c);
  // The form frees the menu, which frees c (also owned by the form) exactly once.
}

}  // namespace
}  // namespace synt
