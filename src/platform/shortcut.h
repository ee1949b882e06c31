// Shortcut words and their display names.
//
// A shortcut word holds a virtual-key code in its low bits and the modifier flags in the top three:
//
//   synt::TShortCut k = synt::ShortCut(u'K', synt::scCtrl | synt::scShift);
//   synt::ShortCutToText(k);                 // u"Ctrl+Shift+K"
//   synt::TextToShortCut(u"shift+ctrl+k");   // the same word; modifiers in any order, any case
//   synt::ShortCutsToText({k, 'B'});         // u"Ctrl+Shift+K · B"
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace synt {

using TShortCut = std::uint16_t;

constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;
constexpr TShortCut scModifiers = scShift | scCtrl | scAlt;
// The part of a word that names the key; everything but the modifiers.
constexpr TShortCut scKeyMask = 0x1FFF;

// Virtual-key codes the library refers to by name. Letters and digits are their ASCII upper-case
// codes ('A', '0').
enum : std::uint8_t {
  vkBack = 0x08,
  vkTab = 0x09,
  vkClear = 0x0C,
  vkReturn = 0x0D,
  vkShift = 0x10,
  vkControl = 0x11,
  vkMenu = 0x12,  // Alt
  vkPause = 0x13,
  vkCapital = 0x14,
  vkEscape = 0x1B,
  vkSpace = 0x20,
  vkPrior = 0x21,  // PgUp
  vkNext = 0x22,   // PgDn
  vkEnd = 0x23,
  vkHome = 0x24,
  vkLeft = 0x25,
  vkUp = 0x26,
  vkRight = 0x27,
  vkDown = 0x28,
  vkSnapshot = 0x2C,
  vkInsert = 0x2D,
  vkDelete = 0x2E,
  vkLWin = 0x5B,
  vkRWin = 0x5C,
  vkApps = 0x5D,
  vkNumpad0 = 0x60,
  vkMultiply = 0x6A,
  vkAdd = 0x6B,
  vkSeparator = 0x6C,
  vkSubtract = 0x6D,
  vkDecimal = 0x6E,
  vkDivide = 0x6F,
  vkF1 = 0x70,
  vkF24 = 0x87,
  vkNumLock = 0x90,
  vkScroll = 0x91,
  vkOemSemicolon = 0xBA,  // ;
  vkOemPlus = 0xBB,       // = and +
  vkOemComma = 0xBC,      // ,
  vkOemMinus = 0xBD,      // -
  vkOemPeriod = 0xBE,     // .
  vkOemSlash = 0xBF,      // /
  vkOemTilde = 0xC0,      // `
  vkOemOpen = 0xDB,       // [
  vkOemBackslash = 0xDC,  // backslash
  vkOemClose = 0xDD,      // ]
  vkOemQuote = 0xDE,      // '
};

constexpr TShortCut ShortCut(std::uint16_t key, TShortCut modifiers = 0) {
  return static_cast<TShortCut>((key & scKeyMask) | (modifiers & scModifiers));
}

// The display name of a word: modifiers in the order Ctrl, Shift, Alt, then the key
// ("Ctrl+Shift+K", "PgDn", "Ctrl+="). A key without a name is written as its code in hexadecimal
// ("0xE5"), so that every word survives a round trip. 0 gives the empty text.
std::u16string ShortCutToText(TShortCut shortcut);

// Reads a display name back. Modifiers may come in any order and any case ("shift+Ctrl+k"); the key
// may be any name ShortCutToText writes or a common alias ("Delete", "PageDown", "Return", "BkSp",
// "+" for the "=" key). Empty text is 0; text that names no key gives nullopt.
std::optional<TShortCut> TryTextToShortCut(std::u16string_view text);
// As above with 0 for text that names no key.
TShortCut TextToShortCut(std::u16string_view text);

// The separator of a key sequence: blank, middle dot, blank.
inline constexpr std::u16string_view kKeySequenceSeparator = u" \u00B7 ";

// A key sequence in typing order, joined by the separator ("Ctrl+K · B").
std::u16string ShortCutsToText(std::span<const TShortCut> keys);
inline std::u16string ShortCutsToText(std::initializer_list<TShortCut> keys) {
  return ShortCutsToText(std::span<const TShortCut>(keys.begin(), keys.size()));
}

// Splits a sequence at each middle dot (blanks around it are optional) and reads every key; nullopt
// when any part names no key (an empty part or "0x00" included). Empty text is the empty sequence.
std::optional<std::vector<TShortCut>> TextToShortCuts(std::u16string_view text);

}  // namespace synt
