// The key mapping's text inputs: shortcut names, key sequences and the hexadecimal binding text.
// Whatever reads must write back and read again to the same value.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "editor/key_mapping.h"

using namespace synt;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  std::u16string text;
  for (size_t i = 0; i + 1 < size; i += 2)
    text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));

  if (auto k = TryTextToShortCut(text)) {
    if (TryTextToShortCut(ShortCutToText(*k)) != k) std::abort();
  }
  if (auto seq = TextToShortCuts(text)) {
    if (TextToShortCuts(ShortCutsToText(*seq)) != seq) std::abort();
  }

  // The same bytes as ASCII hex text, so that the binding reader sees mostly valid input.
  std::u16string hex;
  for (size_t i = 0; i < size; ++i) hex.push_back(static_cast<char16_t>(data[i]));
  static const TSyntKeyMapping* defaults = [] {
    auto* m = new TSyntKeyMapping;
    m->AddDefaultCommands();
    return m;
  }();
  TSyntKeyMapping map;
  map.Assign(defaults);
  try {
    map.SetAsString(hex);
  } catch (const EConvertError&) {
    return 0;
  }
  std::u16string written = map.AsString();
  TSyntKeyMapping again;
  again.Assign(defaults);
  again.SetAsString(written);
  if (again.AsString() != written) std::abort();
  return 0;
}
