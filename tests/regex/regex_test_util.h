// Helpers shared by the expression tests.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/utf.h"
#include "regex/reg_expr.h"

namespace synt::test {

// Text with line breaks and control units spelled out, for failure messages.
inline std::string Escape(std::u16string_view s) {
  std::string out = "\"";
  for (char16_t c : s) {
    if (c == u'\n')
      out += "\\n";
    else if (c == u'\r')
      out += "\\r";
    else if (c < 32)
      out += "\\x" + std::to_string(int(c));
    else
      out += Utf16ToUtf8(std::u16string_view(&c, 1));
  }
  return out + "\"";
}

// The outcome of one match: whether it matched, Pos afterwards and the text of every group
// ("-" for an unset group).
struct Outcome {
  bool matched = false;
  int pos = 0;
  std::vector<std::string> groups;
};

inline Outcome Try(std::u16string_view expr, std::u16string_view text, int pos = 1,
                   bool backward = false, int flags = -1) {
  TqxRegExpr re(expr);
  if (flags >= 0) re.SetModifierFlags(uint16_t(flags));
  Outcome o;
  o.matched = re.Match(text, pos, backward);
  o.pos = pos;
  if (o.matched)
    for (int i = 0; i < re.SubExprCount(); ++i)
      o.groups.push_back(re.LastMatch().Start(i) < 0 ? "-" : Utf16ToUtf8(re.GetSubExpr(text, i)));
  return o;
}

// The whole match as UTF-8, or "no match".
inline std::string Whole(std::u16string_view expr, std::u16string_view text, int pos = 1,
                         bool backward = false, int flags = -1) {
  Outcome o = Try(expr, text, pos, backward, flags);
  return o.matched ? o.groups[0] : "no match";
}

// The compile error of an expression ("" when it compiles).
inline std::string ErrorOf(std::u16string_view expr, int flags = -1) {
  TqxRegExpr re(expr);
  if (flags >= 0) re.SetModifierFlags(uint16_t(flags));
  try {
    re.Compile();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "";
}

}  // namespace synt::test
