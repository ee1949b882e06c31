// The key mapping as a component in the stored text form.
#include <gtest/gtest.h>

#include "editor/key_mapping.h"
#include "platform/filer.h"
#include "platform/utf.h"

namespace synt {
namespace {

constexpr TShortCut CtrlK = ShortCut('K', scCtrl);

std::string Write(TComponent* c) {
  TWriter w;
  return w.WriteRootText(c);
}

void Read(const std::string& text, TComponent* root) {
  TReader r;
  r.ReadRootText(Utf8ToUtf16(text), root);
}

// Everything a mapping holds, as one comparable text.
std::u16string Dump(const TSyntKeyMapping& m) {
  std::u16string out = m.UseFirstControlKeys() ? u"first;" : u"all;";
  for (int i = 0; i < m.Items()->Count(); ++i) {
    const TqxCommandItem* it = m.Items()->Items(i);
    out += AsciiToUtf16(std::to_string(it->Command())) + u"|" + it->Category() + u"|" +
           it->DisplayName() + u"|" + it->Caption() + u"|" + (it->Customizable() ? u"c" : u"-");
    for (int s = 0; s < it->KeyStrokes()->Count(); ++s) {
      const TKeyDefs* defs = it->KeyStrokes()->Items(s)->KeyDefs();
      out += u"|";
      for (int k = 0; k < defs->Count(); ++k)
        out += defs->Items(k)->DisplayName() +
               (defs->Items(k)->OptionalControlKeys() ? u"?" : u"") + u",";
    }
    out += u"\n";
  }
  return out;
}

TEST(KeyMappingStream, WritesItemsAsNestedCollections) {
  TSyntKeyMapping m;
  m.SetName(u"Keys");
  m.SetUseFirstControlKeys(true);
  TqxCommandItem* item = m.AddCommand(377, u"Selection modes", 0, PackKeys(CtrlK, 'B'),
                                      u"Marks the beginning of a block", u"Mark 'Start'");
  item->KeyStrokes()->Items(0)->KeyDefs()->Items(1)->SetOptionalControlKeys(true);
  m.AddCommand(341, u"Inserting text", 0, -1, u"Insert a character", u"");
  EXPECT_EQ(Write(&m),
            "object Keys: TSyntKeyMapping\n"
            "  Items = <\n"
            "    item\n"
            "      Command = 377\n"
            "      KeyStrokes = <\n"
            "        item\n"
            "          KeyDefs = <\n"
            "            item\n"
            "              ShortCut = 16459\n"
            "            end\n"
            "            item\n"
            "              ShortCut = 66\n"
            "              OptionalControlKeys = True\n"
            "            end>\n"
            "        end>\n"
            "      Caption = 'Mark ''Start'''\n"
            "      Category = 'Selection modes'\n"
            "      DisplayName = 'Marks the beginning of a block'\n"
            "    end\n"
            "    item\n"
            "      Command = 341\n"
            "      KeyStrokes = <>\n"
            "      Customizable = False\n"
            "      Category = 'Inserting text'\n"
            "      DisplayName = 'Insert a character'\n"
            "    end>\n"
            "  UseFirstControlKeys = True\n"
            "end\n");
}

TEST(KeyMappingStream, DefaultTableRoundTrips) {
  TSyntKeyMapping m;
  m.SetName(u"Keys");
  m.Assign(&DefaultKeyMapping());
  std::string text = Write(&m);
  TSyntKeyMapping back;
  Read(text, &back);
  EXPECT_EQ(back.Name(), u"Keys");
  EXPECT_EQ(Dump(back), Dump(DefaultKeyMapping()));
  EXPECT_EQ(Write(&back), text);
  // The index sees the items read.
  ASSERT_NE(back.ItemByCommand(cmMarkSelStart), nullptr);
  EXPECT_EQ(back.ItemByCommand(cmMarkSelStart)->KeyStrokes()->Items(0)->ShortCuts(),
            (std::vector<TShortCut>{CtrlK, 'B'}));
}

TEST(KeyMappingStream, ReadsTheLegacyKeyInfoList) {
  TSyntKeyMapping m;
  const std::int64_t packed = PackKeys(ShortCut('Q', scCtrl), 'B');
  Read(
      "object Keys: TSyntKeyMapping\n"
      "  KeyInfo = (\n"
      "    377\n"
      "    " +
          std::to_string(packed) +
          "\n"
          "    0\n"
          "    301\n"
          "    " +
          std::to_string(ShortCut(vkF1 + 1, scAlt)) +
          "\n"
          "    0\n"
          "    4242\n"
          "    65\n"
          "    0)\n"
          "end\n",
      &m);
  ASSERT_EQ(m.Items()->Count(), DefaultKeyMapping().Items()->Count());
  EXPECT_EQ(m.ItemByCommand(cmMarkSelStart)->KeyStrokes()->Items(0)->DisplayName(),
            u"Ctrl+Q \u00B7 B");
  EXPECT_EQ(m.ItemByCommand(cmCopy)->KeyStrokes()->Count(), 1);
  EXPECT_EQ(m.ItemByCommand(cmCopy)->KeyStrokes()->Items(0)->DisplayName(), u"Alt+F2");
  // Never written back: the items are stored instead.
  std::string again = Write(&m);
  EXPECT_EQ(again.find("KeyInfo"), std::string::npos);
  TSyntKeyMapping back;
  Read(again, &back);
  EXPECT_EQ(Dump(back), Dump(m));
}

TEST(KeyMappingStream, EventHandlerAndClassRegistry) {
  RegisterKeyMappingClasses();  // a stored form finds the class by name only once it is registered
  TComponent form(nullptr);
  int calls = 0;
  form.RegisterHandler("KeysCommand", TExecuteCommandEvent([&](TObject*, int cmd, void*, bool& h) {
                         ++calls;
                         h = cmd == cmPaste;
                       }));
  Read(
      "object Form1: TComponent\n"
      "  object Keys: TSyntKeyMapping\n"
      "    OnExecuteCommand = KeysCommand\n"
      "    UseFirstControlKeys = True\n"
      "  end\n"
      "end\n",
      &form);
  auto* keys = dynamic_cast<TSyntKeyMapping*>(form.FindComponent(u"Keys"));
  ASSERT_NE(keys, nullptr);
  EXPECT_TRUE(keys->UseFirstControlKeys());
  EXPECT_TRUE(keys->ExecuteCommandHook(&form, cmPaste, nullptr));
  EXPECT_FALSE(keys->ExecuteCommandHook(&form, cmCopy, nullptr));
  EXPECT_EQ(calls, 2);
}

TEST(KeyMappingStream, BadValuesAreReadErrors) {
  TSyntKeyMapping m;
  EXPECT_THROW(Read("object Keys: TSyntKeyMapping\n"
                    "  Items = <\n"
                    "    item\n"
                    "      Command = 'x'\n"
                    "    end>\n"
                    "end\n",
                    &m),
               EReadError);
  TSyntKeyMapping k;
  EXPECT_THROW(Read("object Keys: TSyntKeyMapping\n"
                    "  KeyInfo = (\n"
                    "    'a')\n"
                    "end\n",
                    &k),
               EReadError);
}

TEST(KeyMappingStream, KeyQueueSettings) {
  TKeyQueue q;
  q.SetMaxInterval(400);
  TWriter w;
  std::vector<TTextProperty> props;
  w.WriteProperties(&q, "", props);
  ASSERT_EQ(props.size(), 1u);  // MaxQueueSize is at its default
  EXPECT_EQ(props[0].Path, "MaxInterval");
  EXPECT_EQ(props[0].Value.Int, 400);

  TKeyQueue back;
  TReader r;
  r.ReadProperties(props, &back);
  EXPECT_EQ(back.MaxInterval(), 400u);
  props[0].Path = "MaxQueueSize";
  props[0].Value.Int = 0;
  EXPECT_THROW(r.ReadProperties(props, &back), EReadError);
  EXPECT_EQ(back.MaxQueueSize(), 3);
}

}  // namespace
}  // namespace synt
