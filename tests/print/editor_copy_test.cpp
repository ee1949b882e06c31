#include <gtest/gtest.h>

#include "editor/commands.h"
#include "editor/syntax_memo.h"
#include "platform/clipboard.h"
#include "platform/headless_host.h"
#include "print/synt_export.h"

namespace synt {
namespace {

// The editor's copy goes through the exporters once the print layer is linked in.
TEST(EditorCopy, UsesThePlainOrTheRtfExporter) {
  THeadlessDesktop desktop;
  TSyntaxMemo memo(nullptr);
  THeadlessHost host(desktop, memo, {300, 200});
  ASSERT_NE(MemoCopyHandler(), nullptr);
  memo.SetText(u"one {two}\r\nthree");
  memo.Selection().SetSelection(4, 9);
  memo.ExecuteCommand(cmCopy, nullptr);
  TClipboardData d = desktop.Clipboard().Data();
  EXPECT_EQ(d.Text, std::u16string(u"{two}\r\nth"));
  ASSERT_TRUE(d.AnsiText);
  EXPECT_EQ(d.AnsiText->Bytes, "{two}\r\nth");
  EXPECT_FALSE(d.HasFormat(cfRichText));
  memo.ExecuteCommand(cmCopyAsRTF, nullptr);
  d = desktop.Clipboard().Data();
  ASSERT_TRUE(d.Format(cfRichText));
  EXPECT_NE(d.Format(cfRichText)->find("\\{two\\}"), std::string::npos);
  EXPECT_FALSE(memo.Options().Contains(soCopyAsRTF));
  // A column block keeps its kind, and pastes back as a block.
  memo.Selection().SetBlock({1, 0, 3, 1});
  memo.ExecuteCommand(cmCopy, nullptr);
  d = desktop.Clipboard().Data();
  ASSERT_TRUE(d.Format(cfColumnBlock));
  EXPECT_EQ(*d.Format(cfColumnBlock), std::string(1, '\2'));
  memo.ResetSelection();
  memo.SetCaretPos({0, 1});
  memo.ExecuteCommand(cmPaste, nullptr);
  EXPECT_EQ(memo.Text(), u"one {two}\r\nnethree\r\nhr");
}

}  // namespace
}  // namespace synt
