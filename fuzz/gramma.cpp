// Grammar text: compiling any text and matching every rule at every token must neither crash nor
// hang; a left-recursive rule may only raise "Circular stack".
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/gramma_rules.h"
#include "analysis/parser_results.h"
#include "platform/strings.h"
#include "platform/utf.h"

namespace {

// Tokens made from the input's tail: one per blank-separated word, typed by its first byte.
class Holder : public synt::TTokenHolder {
 public:
  std::vector<std::pair<int, std::u16string>> t;
  int TagCount() const override { return int(t.size()); }
  int TagType(int i) const override { return t[size_t(i)].first; }
  std::u16string TagText(int i) const override { return t[size_t(i)].second; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  std::string in(reinterpret_cast<const char*>(Data), Size);
  size_t cut = in.find('\x01');
  std::u16string grammar = synt::Utf8ToUtf16(in.substr(0, cut));
  Holder tokens;
  if (cut != std::string::npos) {
    std::u16string rest = synt::Utf8ToUtf16(in.substr(cut + 1));
    size_t i = 0;
    while (i < rest.size() && tokens.t.size() < 64) {
      size_t j = rest.find(u' ', i);
      if (j == std::u16string::npos) j = rest.size();
      if (j > i) tokens.t.emplace_back(int(rest[i] % 6), rest.substr(i, j - i));
      i = j + 1;
    }
  }
  synt::TStringList names;
  for (auto n : {u"Unknown", u"Comment", u"Identifier", u"Symbol", u"String", u"Number"})
    names.Add(n);
  synt::TGrammaRules g;
  g.Compile(grammar, names);
  for (int r = 0; r < g.RuleCount(); ++r) {
    for (int k = 0; k < tokens.TagCount(); ++k) {
      try {
        int first = g.TestRule(k, g.Rules(r), tokens);
        if (first > k) __builtin_trap();
        auto tree = g.ParseRule(k, g.Rules(r), tokens);
        if ((first == -1) != (!tree || tree->FirstTokenIdx() == -1)) __builtin_trap();
        if (tree && tree->FirstTokenIdx() != first) __builtin_trap();
      } catch (const synt::Exception&) {
      }
    }
  }
  return 0;
}
