// The two stored forms of a key mapping: the hexadecimal binding text and the legacy key list.
#include <gtest/gtest.h>

#include <random>

#include "editor/key_mapping.h"

namespace synt {
namespace {

constexpr TShortCut CtrlK = ShortCut('K', scCtrl);
using Strokes = std::vector<std::vector<TShortCut>>;

Strokes Bindings(const TqxCommandItem& item) {
  Strokes out;
  for (int i = 0; i < item.KeyStrokes()->Count(); ++i)
    out.push_back(item.KeyStrokes()->Items(i)->ShortCuts());
  return out;
}

std::vector<Strokes> AllBindings(const TSyntKeyMapping& map) {
  std::vector<Strokes> out;
  for (int i = 0; i < map.Items()->Count(); ++i) out.push_back(Bindings(*map.Items()->Items(i)));
  return out;
}

std::unique_ptr<TSyntKeyMapping> WithDefaults() {
  auto m = std::make_unique<TSyntKeyMapping>();
  m->AddDefaultCommands();
  return m;
}

TEST(KeyMappingText, WritesTheDocumentedLayout) {
  TSyntKeyMapping map;
  map.AddCommand(377, u"c", 0, PackKeys(CtrlK, 'B'), u"", u"");
  map.AddCommand(0, u"c", 0, 'Z', u"no command: not written", u"");
  map.AddCommand(8, u"c", 0, 0, u"", u"");
  EXPECT_EQ(map.AsString(),
            u"79010000"
            u"01000000"
            u"02000000"
            u"4B400000"
            u"42000000"  // 377: Ctrl+K · B
            u"08000000"
            u"00000000");  // 8: no keys
  EXPECT_EQ(TSyntKeyMapping().AsString(), u"");
}

// Text as another program writes it: lowercase digits, two commands, one of them unknown here.
TEST(KeyMappingText, ReadsTextWrittenElsewhere) {
  auto map = WithDefaults();
  const Strokes copy_before = Bindings(*map->ItemByCommand(cmCopy));
  map->SetAsString(
      u"79010000"
      u"02000000"  // 377, two key strokes
      u"01000000"
      u"71000000"  //   F2
      u"02000000"
      u"51400000"
      u"4d000000"  //   Ctrl+Q · M
      u"0f270000"
      u"01000000"
      u"01000000"
      u"41000000");  // 9999 (unknown), one stroke: A
  EXPECT_EQ(Bindings(*map->ItemByCommand(cmMarkSelStart)),
            (Strokes{{vkF1 + 1}, {ShortCut('Q', scCtrl), 'M'}}));
  EXPECT_EQ(Bindings(*map->ItemByCommand(cmCopy)), copy_before);
  EXPECT_EQ(map->ItemByCommand(9999), nullptr);
}

TEST(KeyMappingText, RoundTripRestoresExactlyTheWrittenBindings) {
  std::mt19937 rng(11);
  for (int round = 0; round < 20; ++round) {
    auto edited = WithDefaults();
    for (int n = 0; n < 30; ++n) {
      TqxCommandItem& item = *edited->Items()->Items(static_cast<int>(rng() % 200));
      switch (rng() % 3) {
        case 0:
          item.KeyStrokes()->Clear();
          break;
        case 1: {
          std::vector<TShortCut> keys;
          for (unsigned k = 0, nk = 1 + rng() % 3; k < nk; ++k)
            keys.push_back(static_cast<TShortCut>(rng() & 0xFFFF));
          item.KeyStrokes()->Add(std::span<const TShortCut>(keys));
          break;
        }
        default:
          if (item.KeyStrokes()->Count()) item.KeyStrokes()->Delete(0);
      }
    }
    std::u16string text = edited->AsString();
    auto fresh = WithDefaults();
    fresh->SetAsString(text);
    ASSERT_EQ(AllBindings(*fresh), AllBindings(*edited)) << "round " << round;
    EXPECT_EQ(fresh->AsString(), text);
  }
}

TEST(KeyMappingText, ItemsTheTextDoesNotNameKeepTheirBindings) {
  TSyntKeyMapping part;
  part.AddCommand(cmUndo, u"c", 0, ShortCut('U', scCtrl), u"", u"");
  auto map = WithDefaults();
  auto before = AllBindings(*map);
  map->SetAsString(part.AsString());
  auto after = AllBindings(*map);
  for (int i = 0; i < map->Items()->Count(); ++i) {
    if (map->Items()->Items(i)->Command() == cmUndo)
      EXPECT_EQ(after[static_cast<size_t>(i)], (Strokes{{ShortCut('U', scCtrl)}}));
    else
      EXPECT_EQ(after[static_cast<size_t>(i)], before[static_cast<size_t>(i)]);
  }
}

TEST(KeyMappingText, ShortOddCutAndBadTexts) {
  auto map = WithDefaults();
  const auto before = AllBindings(*map);
  map->SetAsString(u"");
  map->SetAsString(u"7");
  EXPECT_EQ(AllBindings(*map), before);

  // A record cut short by the end of the text is dropped whole: 377 keeps its keys.
  std::u16string full =
      u"2D010000"
      u"01000000"
      u"01000000"
      u"2D000000"  // 301: Ins
      u"79010000"
      u"01000000"
      u"02000000"
      u"4B400000";  // 377: cut
  map->SetAsString(full);
  EXPECT_EQ(Bindings(*map->ItemByCommand(cmCopy)), (Strokes{{vkInsert}}));
  EXPECT_EQ(Bindings(*map->ItemByCommand(cmMarkSelStart)), (Strokes{{CtrlK, 'B'}}));

  // An odd length reads length / 2 bytes: the trailing digit is ignored.
  auto odd = WithDefaults();
  odd->SetAsString(
      u"2D010000"
      u"01000000"
      u"01000000"
      u"2E000000"
      u"F");
  EXPECT_EQ(Bindings(*odd->ItemByCommand(cmCopy)), (Strokes{{vkDelete}}));

  // A negative count is no record either.
  auto neg = WithDefaults();
  neg->SetAsString(
      u"2D010000"
      u"FFFFFFFF");
  EXPECT_EQ(Bindings(*neg->ItemByCommand(cmCopy)),
            before[static_cast<size_t>(neg->ItemByCommand(cmCopy)->Index())]);

  // A character that is not a hex digit is an error and changes nothing.
  auto bad = WithDefaults();
  EXPECT_THROW(bad->SetAsString(u"2D010000"
                                u"01000000"
                                u"01000000"
                                u"2E00000G"),
               EConvertError);
  EXPECT_THROW(bad->SetAsString(u"2D01 000"), EConvertError);
  EXPECT_EQ(AllBindings(*bad), before);
}

TEST(KeyMappingLegacy, KeyInfoAppendsTheDefaultsThenRebinds) {
  TSyntKeyMapping map;
  TShortCut alt_x = ShortCut('X', scAlt);
  std::vector<std::int64_t> values = {cmMarkSelStart,
                                      PackKeys(ShortCut('Q', scCtrl), 'B'),
                                      0,  // a new two-key sequence
                                      cmCopy,
                                      ShortCut('C', scCtrl),
                                      ShortCut(vkInsert, scCtrl),  // two alternatives
                                      cmUndo,
                                      0,
                                      0,  // unbound
                                      9999,
                                      'A',
                                      0,  // unknown id: skipped
                                      cmRedo,
                                      static_cast<std::int32_t>(PackKeys(CtrlK, alt_x)),
                                      0,  // read as a signed integer
                                      cmPaste,
                                      'P'};  // incomplete: ignored
  map.ReadKeyInfo(values);
  auto reference = WithDefaults();
  ASSERT_EQ(map.Items()->Count(), reference->Items()->Count());
  EXPECT_EQ(Bindings(*map.ItemByCommand(cmMarkSelStart)), (Strokes{{ShortCut('Q', scCtrl), 'B'}}));
  EXPECT_EQ(Bindings(*map.ItemByCommand(cmCopy)),
            (Strokes{{ShortCut('C', scCtrl)}, {ShortCut(vkInsert, scCtrl)}}));
  EXPECT_EQ(Bindings(*map.ItemByCommand(cmUndo)), Strokes{});
  EXPECT_EQ(Bindings(*map.ItemByCommand(cmRedo)), (Strokes{{CtrlK, alt_x}}));
  EXPECT_EQ(Bindings(*map.ItemByCommand(cmPaste)), Bindings(*reference->ItemByCommand(cmPaste)));
  for (int i = 0; i < map.Items()->Count(); ++i)
    EXPECT_EQ(map.Items()->Items(i)->Command(), reference->Items()->Items(i)->Command());
}

}  // namespace
}  // namespace synt
