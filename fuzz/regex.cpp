// Arbitrary expressions and texts: compiling never crashes, every match stays within its budget
// and inside the text, and the engine agrees with the plain reference matcher wherever both
// finish. Input: one byte of modifiers, one byte choosing positions, then expression, text and
// replacement template separated by NUL bytes (UTF-8).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/utf.h"
#include "reg_reference.h"
#include "regex/reg_expr.h"

namespace {

std::u16string Part(const uint8_t*& p, const uint8_t* end) {
  const uint8_t* from = p;
  while (p < end && *p) ++p;
  std::string s(reinterpret_cast<const char*>(from), size_t(p - from));
  if (p < end) ++p;
  return synt::Utf8ToUtf16(s);
}

void CheckOne(const synt::TqxRegProgram& prog, const std::u16string& text, int pos, bool back) {
  synt::TqxRegMatch m;
  m.SetBudget(20000);
  int p = pos;
  bool ok = prog.Match(text, p, m, back);
  const int len = int(text.size());
  if (ok) {
    if (p < 1 || p > len + 1) __builtin_trap();
    if (back ? p > pos : p < pos) __builtin_trap();
    for (int g = 0; g < m.Count(); ++g) {
      int a = m.Start(g), b = m.End(g);
      if ((a < 0) != (b < 0)) __builtin_trap();
      if (a >= 0 && (a < 1 || b > len + 1 || a > b)) __builtin_trap();
    }
  }
  if (m.BudgetExhausted()) return;
  std::vector<int> bounds;
  int r = synt::regex_internal::ReferenceMatch(prog.Internal(), text, pos, back, 20000, bounds);
  if (r < 0) return;  // the reference gave up
  if (ok != (r > 0)) __builtin_trap();
  if (!ok) return;
  if (p != r) __builtin_trap();
  for (int g = 0; g < prog.SubExprCount(); ++g) {
    int a = bounds[size_t(2 * g)], b = bounds[size_t(2 * g + 1)];
    if (a <= 0 || b <= 0) a = b = -1;
    if (m.Start(g) != a || m.End(g) != b) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint16_t flags = data[0] & synt::rmAll;
  const uint8_t choose = data[1];
  const uint8_t* p = data + 2;
  const uint8_t* end = data + size;
  std::u16string expr = Part(p, end);
  std::u16string text = Part(p, end);
  std::u16string tmpl = Part(p, end);

  synt::TqxRegExpr re(expr);
  re.SetModifierFlags(flags);
  try {
    re.SetModifierStr(tmpl);  // most templates are no modifier string and are ignored
  } catch (const synt::Exception&) {
  }
  auto prog = re.Program();
  if (!prog) return 0;
  const int len = int(text.size());
  if (len <= 24) {
    for (int pos = 1; pos <= len + 1; ++pos) {
      CheckOne(*prog, text, pos, false);
      CheckOne(*prog, text, pos, true);
    }
  } else {
    for (int pos : {1, 1 + choose % (len + 1), len / 2, len + 1}) {
      CheckOne(*prog, text, pos, false);
      CheckOne(*prog, text, pos, true);
    }
  }
  // The whole-expression interface on the same expression: Match, Substitute, GetSubExpr.
  re.LastMatch().SetBudget(20000);
  int pos = 1 + choose % (len + 1);
  if (re.Match(text, pos, choose & 1)) {
    try {
      (void)re.Substitute(text, tmpl);
    } catch (const synt::Exception&) {
    }
    for (int g = -1; g <= re.SubExprCount(); ++g) (void)re.GetSubExpr(text, g);
  }
  return 0;
}
