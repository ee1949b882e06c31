#include "platform/shortcut.h"

#include <gtest/gtest.h>

namespace synt {
namespace {

TEST(ShortCut, DisplayNames) {
  EXPECT_EQ(ShortCutToText(0), u"");
  EXPECT_EQ(ShortCutToText(ShortCut('K', scCtrl | scShift)), u"Ctrl+Shift+K");
  EXPECT_EQ(ShortCutToText(ShortCut(vkNext)), u"PgDn");
  EXPECT_EQ(ShortCutToText(ShortCut(vkPrior, scShift | scAlt)), u"Shift+Alt+PgUp");
  EXPECT_EQ(ShortCutToText(ShortCut(vkHome, scCtrl | scShift | scAlt)), u"Ctrl+Shift+Alt+Home");
  EXPECT_EQ(ShortCutToText(ShortCut(vkOemPlus, scCtrl)), u"Ctrl+=");
  EXPECT_EQ(ShortCutToText(ShortCut(vkOemOpen, scCtrl)), u"Ctrl+[");
  EXPECT_EQ(ShortCutToText(ShortCut(vkOemPeriod, scCtrl)), u"Ctrl+.");
  EXPECT_EQ(ShortCutToText(ShortCut(vkF1 + 11)), u"F12");
  EXPECT_EQ(ShortCutToText(ShortCut(vkNumpad0 + 7)), u"Num 7");
  EXPECT_EQ(ShortCutToText(ShortCut(vkAdd, scCtrl)), u"Ctrl+Num +");
  EXPECT_EQ(ShortCutToText(ShortCut(0xE5)), u"0xE5");
  EXPECT_EQ(ShortCutToText(ShortCut(0x141)), u"0x141");
  EXPECT_EQ(ShortCutToText(scCtrl), u"Ctrl+0x00");
}

// Every word, whatever its bits, reads back from its own text.
TEST(ShortCut, EveryWordRoundTrips) {
  for (std::uint32_t w = 0; w <= 0xFFFF; ++w) {
    auto text = ShortCutToText(static_cast<TShortCut>(w));
    auto back = TryTextToShortCut(text);
    ASSERT_TRUE(back.has_value()) << w;
    ASSERT_EQ(*back, w) << w;
  }
}

TEST(ShortCut, ReadsModifiersInAnyOrderAndCase) {
  TShortCut want = ShortCut('K', scCtrl | scShift | scAlt);
  for (const char16_t* t : {u"Ctrl+Shift+Alt+K", u"Alt+Shift+Ctrl+K", u"shift+ctrl+alt+k",
                            u"SHIFT+ALT+CONTROL+K", u" Ctrl + Shift + Alt + K "})
    EXPECT_EQ(TextToShortCut(t), want)
        << std::string(t, t + std::char_traits<char16_t>::length(t)).c_str();
}

TEST(ShortCut, ReadsEveryKeyNameOfTheCommandTable) {
  struct Case {
    const char16_t* text;
    TShortCut want;
  } cases[] = {
      {u"Ins", vkInsert},
      {u"Del", vkDelete},
      {u"PgUp", vkPrior},
      {u"PgDn", vkNext},
      {u"Home", vkHome},
      {u"End", vkEnd},
      {u"Esc", vkEscape},
      {u"Enter", vkReturn},
      {u"Backspace", vkBack},
      {u"Space", vkSpace},
      {u"Tab", vkTab},
      {u"Left", vkLeft},
      {u"Right", vkRight},
      {u"Up", vkUp},
      {u"Down", vkDown},
      {u"F1", vkF1},
      {u"F3", vkF1 + 2},
      {u"F12", vkF1 + 11},
      {u"A", 'A'},
      {u"z", 'Z'},
      {u"0", '0'},
      {u"9", '9'},
      {u"=", vkOemPlus},
      {u"+", vkOemPlus},
      {u"Ctrl++", ShortCut(vkOemPlus, scCtrl)},
      {u"[", vkOemOpen},
      {u".", vkOemPeriod},
      {u";", vkOemSemicolon},
      {u"\\", vkOemBackslash},
      {u"Delete", vkDelete},
      {u"Insert", vkInsert},
      {u"PageDown", vkNext},
      {u"Page Up", vkPrior},
      {u"Return", vkReturn},
      {u"Escape", vkEscape},
      {u"BkSp", vkBack},
      {u"0xE5", 0xE5},
      {u"Num 0", vkNumpad0},
      {u"Alt+Backspace", ShortCut(vkBack, scAlt)},
      {u"Ctrl+Shift+Space", ShortCut(vkSpace, scCtrl | scShift)},
  };
  for (const auto& c : cases) {
    auto got = TryTextToShortCut(c.text);
    ASSERT_TRUE(got.has_value()) << static_cast<int>(c.want);
    EXPECT_EQ(*got, c.want) << static_cast<int>(c.want);
  }
}

TEST(ShortCut, RejectsWhatNamesNoKey) {
  for (const char16_t* t : {u"Ctrl+", u"Ctrl", u"Shift+Ctrl", u"Ctrl+Ctrl+K", u"Hyper+K", u"KK",
                            u"F0", u"F25", u"0x", u"0xG1", u"0x2000", u"Ctrl+K+B", u"\u00B7"}) {
    EXPECT_FALSE(TryTextToShortCut(t).has_value());
    EXPECT_EQ(TextToShortCut(t), 0);
  }
  EXPECT_EQ(TryTextToShortCut(u"  "), TShortCut{0});
}

TEST(ShortCut, Sequences) {
  std::vector<TShortCut> seq = {ShortCut('K', scCtrl), 'B'};
  EXPECT_EQ(ShortCutsToText(seq), u"Ctrl+K \u00B7 B");
  EXPECT_EQ(TextToShortCuts(u"Ctrl+K \u00B7 B"), seq);
  EXPECT_EQ(TextToShortCuts(u"ctrl+k\u00B7b"), seq);
  EXPECT_EQ(TextToShortCuts(u""), std::vector<TShortCut>{});
  EXPECT_EQ(TextToShortCuts(u"Ctrl+K \u00B7 "), std::nullopt);
  EXPECT_EQ(TextToShortCuts(u"Ctrl+K \u00B7 Foo"), std::nullopt);
  EXPECT_EQ(TextToShortCuts(u"0x0"), std::nullopt);
  EXPECT_EQ(TextToShortCuts(u"A \u00B7 0x00"), std::nullopt);
  EXPECT_EQ(ShortCutsToText({}), u"");
}

}  // namespace
}  // namespace synt
