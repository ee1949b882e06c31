#include "platform/shortcut.h"

#include <array>
#include <cstdio>

namespace synt {

namespace {

struct KeyName {
  std::uint16_t code;
  std::u16string_view name;
};

// The names written for keys; reading accepts these and the aliases below.
constexpr KeyName kNames[] = {
    {vkBack, u"Backspace"},  {vkTab, u"Tab"},         {vkClear, u"Clear"},
    {vkReturn, u"Enter"},    {vkPause, u"Pause"},     {vkCapital, u"CapsLock"},
    {vkEscape, u"Esc"},      {vkSpace, u"Space"},     {vkPrior, u"PgUp"},
    {vkNext, u"PgDn"},       {vkEnd, u"End"},         {vkHome, u"Home"},
    {vkLeft, u"Left"},       {vkUp, u"Up"},           {vkRight, u"Right"},
    {vkDown, u"Down"},       {vkSnapshot, u"PrtSc"},  {vkInsert, u"Ins"},
    {vkDelete, u"Del"},      {vkLWin, u"LWin"},       {vkRWin, u"RWin"},
    {vkApps, u"Menu"},       {vkMultiply, u"Num *"},  {vkAdd, u"Num +"},
    {vkSeparator, u"Num ,"}, {vkSubtract, u"Num -"},  {vkDecimal, u"Num ."},
    {vkDivide, u"Num /"},    {vkNumLock, u"NumLock"}, {vkScroll, u"ScrollLock"},
    {vkOemSemicolon, u";"},  {vkOemPlus, u"="},       {vkOemComma, u","},
    {vkOemMinus, u"-"},      {vkOemPeriod, u"."},     {vkOemSlash, u"/"},
    {vkOemTilde, u"`"},      {vkOemOpen, u"["},       {vkOemBackslash, u"\\"},
    {vkOemClose, u"]"},      {vkOemQuote, u"'"},
};

constexpr KeyName kAliases[] = {
    {vkBack, u"BkSp"},
    {vkBack, u"Back"},
    {vkReturn, u"Return"},
    {vkEscape, u"Escape"},
    {vkPrior, u"PageUp"},
    {vkPrior, u"Page Up"},
    {vkPrior, u"Prior"},
    {vkNext, u"PageDown"},
    {vkNext, u"Page Down"},
    {vkNext, u"Next"},
    {vkInsert, u"Insert"},
    {vkDelete, u"Delete"},
    {vkSnapshot, u"PrintScreen"},
    {vkSnapshot, u"Print"},
    {vkCapital, u"Caps Lock"},
    {vkNumLock, u"Num Lock"},
    {vkScroll, u"Scroll Lock"},
    {vkApps, u"Apps"},
    {vkOemPlus, u"+"},
    {vkSpace, u"Spacebar"},
};

char16_t Lower(char16_t c) {
  return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
}

bool SameText(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

bool IsBlank(char16_t c) {
  return c == u' ' || c == u'\t';
}

std::u16string_view Trim(std::u16string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::u16string Ascii(const char* s) {
  return std::u16string(s, s + std::char_traits<char>::length(s));
}

// The name of a key code, or empty when it has none.
std::u16string KeyText(std::uint16_t code) {
  if ((code >= '0' && code <= '9') || (code >= 'A' && code <= 'Z'))
    return std::u16string(1, static_cast<char16_t>(code));
  if (code >= vkF1 && code <= vkF24) {
    std::u16string name = u"F";
    int n = code - vkF1 + 1;
    if (n >= 10) name.push_back(static_cast<char16_t>(u'0' + n / 10));
    name.push_back(static_cast<char16_t>(u'0' + n % 10));
    return name;
  }
  if (code >= vkNumpad0 && code <= vkNumpad0 + 9)
    return u"Num " + std::u16string(1, static_cast<char16_t>(u'0' + code - vkNumpad0));
  for (const auto& k : kNames)
    if (k.code == code) return std::u16string(k.name);
  return {};
}

std::optional<std::uint16_t> HexCode(std::u16string_view s) {
  if (s.size() < 3 || s.size() > 6 || s[0] != u'0' || Lower(s[1]) != u'x') return std::nullopt;
  std::uint32_t v = 0;
  for (char16_t c : s.substr(2)) {
    char16_t l = Lower(c);
    if (l >= u'0' && l <= u'9')
      v = v * 16 + (l - u'0');
    else if (l >= u'a' && l <= u'f')
      v = v * 16 + (l - u'a' + 10);
    else
      return std::nullopt;
  }
  if (v > scKeyMask) return std::nullopt;
  return static_cast<std::uint16_t>(v);
}

std::optional<std::uint16_t> KeyCode(std::u16string_view s) {
  if (s.size() == 1) {
    char16_t c = s[0];
    if (c >= u'0' && c <= u'9') return c;
    if (c >= u'a' && c <= u'z') return static_cast<std::uint16_t>(c - 32);
    if (c >= u'A' && c <= u'Z') return c;
  }
  if (s.size() >= 2 && s.size() <= 3 && Lower(s[0]) == u'f') {
    int n = 0;
    for (char16_t c : s.substr(1)) {
      if (c < u'0' || c > u'9') return std::nullopt;
      n = n * 10 + (c - u'0');
    }
    if (n >= 1 && n <= vkF24 - vkF1 + 1 && s[1] != u'0')
      return static_cast<std::uint16_t>(vkF1 + n - 1);
    return std::nullopt;
  }
  if (s.size() >= 4 && SameText(s.substr(0, 3), u"num")) {
    std::u16string_view rest = Trim(s.substr(3));
    if (rest.size() == 1 && rest[0] >= u'0' && rest[0] <= u'9')
      return static_cast<std::uint16_t>(vkNumpad0 + (rest[0] - u'0'));
  }
  for (const auto& k : kNames)
    if (SameText(k.name, s)) return k.code;
  for (const auto& k : kAliases)
    if (SameText(k.name, s)) return k.code;
  return HexCode(s);
}

struct Modifier {
  std::u16string_view name;
  TShortCut flag;
};
constexpr Modifier kModifiers[] = {
    {u"Ctrl", scCtrl}, {u"Control", scCtrl}, {u"Shift", scShift}, {u"Alt", scAlt}};

}  // namespace

std::u16string ShortCutToText(TShortCut shortcut) {
  if (shortcut == 0) return {};
  std::u16string text;
  if (shortcut & scCtrl) text += u"Ctrl+";
  if (shortcut & scShift) text += u"Shift+";
  if (shortcut & scAlt) text += u"Alt+";
  std::uint16_t code = shortcut & scKeyMask;
  std::u16string name = KeyText(code);
  if (name.empty()) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%02X", code);
    name = Ascii(buf);
  }
  return text + name;
}

std::optional<TShortCut> TryTextToShortCut(std::u16string_view text) {
  std::u16string_view s = Trim(text);
  if (s.empty()) return TShortCut{0};
  TShortCut mods = 0;
  for (bool found = true; found;) {
    found = false;
    for (const auto& m : kModifiers) {
      if (s.size() <= m.name.size() || !SameText(s.substr(0, m.name.size()), m.name)) continue;
      std::u16string_view rest = Trim(s.substr(m.name.size()));
      if (rest.size() < 2 || rest[0] != u'+') continue;  // a key must follow the plus
      rest = Trim(rest.substr(1));
      if (rest.empty()) continue;
      if (mods & m.flag) return std::nullopt;  // "Ctrl+Ctrl+K" is a slip, not a key
      mods |= m.flag;
      s = rest;
      found = true;
      break;
    }
  }
  std::optional<std::uint16_t> code = KeyCode(s);
  if (!code) return std::nullopt;
  return static_cast<TShortCut>(*code | mods);
}

TShortCut TextToShortCut(std::u16string_view text) {
  return TryTextToShortCut(text).value_or(0);
}

std::u16string ShortCutsToText(std::span<const TShortCut> keys) {
  std::u16string text;
  for (size_t i = 0; i < keys.size(); ++i) {
    if (i) text += kKeySequenceSeparator;
    text += ShortCutToText(keys[i]);
  }
  return text;
}

std::optional<std::vector<TShortCut>> TextToShortCuts(std::u16string_view text) {
  std::vector<TShortCut> keys;
  if (Trim(text).empty()) return keys;
  while (true) {
    size_t dot = text.find(u'\u00B7');
    std::u16string_view part = Trim(text.substr(0, dot));
    std::optional<TShortCut> k = TryTextToShortCut(part);
    if (!k || *k == 0) return std::nullopt;  // every part must name a key
    keys.push_back(*k);
    if (dot == std::u16string_view::npos) break;
    text.remove_prefix(dot + 1);
  }
  return keys;
}

}  // namespace synt
