// synt regex: compiles and matches expressions, one case per JSON line on standard input or one
// case from the arguments, and writes one JSON line per case. --modifiers (or "modifiers") takes
// the letters i r s g m x, bare ("igmx": exactly these) or inline ("(?i-x)": applied to the
// defaults). An invalid expression gives "error" (and "error_pos", 1-based in the expression).
#include <iostream>
#include <string>

#include "command.h"
#include "json.h"
#include "platform/utf.h"
#include "regex/reg_expr.h"

namespace synt::tool {
namespace {

struct Case {
  std::u16string expr, text;
  int pos = 1;
  bool backward = false;
  bool hasModifiers = false;
  std::u16string modifiers;
  bool hasSubst = false;
  std::u16string subst;
};

// "(?letters)" applies the letters to the defaults, as inline modifiers do; bare letters ("igmx")
// are the whole set, unless they hold a "-" ("i-x"), which makes them letters to apply too.
void ApplyModifiers(TqxRegExpr& Re, std::u16string_view M) {
  if (M.size() >= 2 && M.substr(0, 2) == u"(?") {
    if (M.size() < 3 || M.back() != u')') throw Exception("Unexpected modifier");
    Re.SetModifierStr(M);
    return;
  }
  if (M.find(u'-') == std::u16string_view::npos) Re.SetModifierFlags(0);
  Re.SetModifierStr(u"(?" + std::u16string(M) + u")");
}

std::string RunCase(const Case& c) {
  TqxRegExpr re;
  JsonLine out;
  std::string modifierError;
  if (c.hasModifiers) {
    try {
      ApplyModifiers(re, c.modifiers);
    } catch (const std::exception& e) {
      modifierError = e.what();
    }
  }
  re.SetExpression(c.expr);
  bool valid = modifierError.empty() && !re.IsInvalid();
  out.Add("valid", valid);
  int errorPos = 0;
  if (!modifierError.empty()) {
    out.AddUtf8("error", modifierError);
  } else if (!valid) {
    out.AddUtf8("error", re.InvalidReason(&errorPos));
    if (errorPos > 0) out.Add("error_pos", errorPos);
  }
  int pos = c.pos;
  bool matched = valid && re.Match(c.text, pos, c.backward);
  int start = c.pos < 1 ? 1 : c.pos;
  int length = matched ? (c.backward ? start - pos : pos - start) : 0;
  out.Add("matched", matched).Add("pos", pos).Add("length", length);
  std::vector<std::u16string> groups;
  if (valid)
    for (int i = 0; i < re.SubExprCount(); ++i) groups.push_back(re.GetSubExpr(c.text, i));
  out.AddRaw("groups", JsonArray(groups));
  if (c.hasSubst) {
    try {
      out.Add("subst", std::u16string_view(re.Substitute(c.text, c.subst)));
    } catch (const std::exception& e) {
      out.AddUtf8("subst_error", e.what());
    }
  }
  if (re.LastMatch().BudgetExhausted()) out.Add("exhausted", true);
  return out.Str();
}

// Reads a case from one JSON line; returns an error message or "".
std::string ParseCase(const std::string& line, Case& c) {
  JsonValue v;
  std::string err;
  if (!ParseJson(line, v, err)) return err;
  if (v.kind() != JsonValue::Kind::Object) return "a case must be a JSON object";
  auto str = [&](const char* key, std::u16string& to, bool required, bool* present) -> std::string {
    const JsonValue* m = v.Find(key);
    if (present) *present = m != nullptr;
    if (!m) return required ? std::string("missing \"") + key + "\"" : "";
    if (m->kind() != JsonValue::Kind::String)
      return std::string("\"") + key + "\" must be a string";
    to = m->AsString();
    return "";
  };
  std::string e;
  if (!(e = str("expr", c.expr, true, nullptr)).empty()) return e;
  if (!(e = str("text", c.text, true, nullptr)).empty()) return e;
  if (!(e = str("modifiers", c.modifiers, false, &c.hasModifiers)).empty()) return e;
  if (!(e = str("subst", c.subst, false, &c.hasSubst)).empty()) return e;
  if (const JsonValue* p = v.Find("pos")) {
    double d = p->AsNumber();
    if (p->kind() != JsonValue::Kind::Number || d != double(int64_t(d)) || d < -2147483648.0 ||
        d > 2147483647.0)
      return "\"pos\" must be an integer";
    c.pos = int(d);
  }
  if (const JsonValue* b = v.Find("backward")) {
    if (b->kind() != JsonValue::Kind::Bool) return "\"backward\" must be true or false";
    c.backward = b->AsBool();
  }
  return "";
}

int RunRegex(const Args& args) {
  if (!args.empty()) {
    Case c;
    std::vector<std::string> positional;
    for (size_t i = 0; i < args.size(); ++i) {
      const std::string& a = args[i];
      auto value = [&]() -> std::string {
        if (i + 1 >= args.size()) throw UsageError(a + " needs a value");
        return args[++i];
      };
      if (a == "--pos") {
        std::string v = value();
        size_t used = 0;
        try {
          c.pos = std::stoi(v, &used);
        } catch (const std::exception&) {
          used = 0;
        }
        if (used != v.size() || v.empty())
          throw UsageError("--pos needs an integer, not '" + v + "'");
      } else if (a == "--backward") {
        c.backward = true;
      } else if (a == "--modifiers") {
        c.modifiers = Utf8ToUtf16(value());
        c.hasModifiers = true;
      } else if (a == "--subst") {
        c.subst = Utf8ToUtf16(value());
        c.hasSubst = true;
      } else if (a.size() > 1 && a[0] == '-' && a[1] == '-') {
        throw UsageError("unknown option " + a);
      } else {
        positional.push_back(a);
      }
    }
    if (positional.size() != 2)
      throw UsageError(
          "usage: synt regex EXPR TEXT [--pos N] [--backward] [--modifiers M] [--subst T]");
    c.expr = Utf8ToUtf16(positional[0]);
    c.text = Utf8ToUtf16(positional[1]);
    std::cout << RunCase(c) << '\n';
    return 0;
  }
  int status = 0;
  std::string line;
  for (int n = 1; std::getline(std::cin, line); ++n) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find_first_not_of(" \t") == std::string::npos) continue;
    Case c;
    std::string err = ParseCase(line, c);
    if (!err.empty()) {
      std::string msg = "line " + std::to_string(n) + ": " + err;
      std::cout << JsonLine().AddUtf8("error", msg).Str() << '\n';
      std::cerr << "synt regex: " << msg << '\n';
      status = 1;
      continue;
    }
    std::cout << RunCase(c) << '\n';
  }
  return status;
}

Command regex_cmd{
    "regex", "compile and match expressions (JSON Lines cases on stdin, or EXPR TEXT)", RunRegex};

}  // namespace
}  // namespace synt::tool
