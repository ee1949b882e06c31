// Loading any bytes into the line storage, in every encoding: it never fails, the line table holds,
// and saving with the settings loading left reproduces the input.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "text/memo_strings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  static const uint32_t kCodePages[] = {0, 1252, 1251, 932, 936, 949, 950, 54936, 28591, 437};
  uint8_t setup = data[0];
  std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);

  synt::TSyntMemoStrings s;
  s.SetEncoding(synt::TTextEncoding(setup & 3));
  s.SetNoSignature(setup & 4);
  s.SetCodePage(kCodePages[(setup >> 3) % 10]);
  s.LoadFromBytes(bytes);
  s.Check();

  std::string expect = bytes;
  if (s.NoSignature()) {
    auto starts = [&](const char* mark) { return bytes.rfind(mark, 0) == 0; };
    if (starts("\xEF\xBB\xBF")) {
      expect.erase(0, 3);
    } else if (starts("\xFF\xFE") || starts("\xFE\xFF")) {
      expect.erase(0, 2);
    }
  }
  if (s.SaveToBytes() != expect) std::abort();

  // Positions and lines agree with each other everywhere.
  for (int pos = 0; pos <= s.TextLength(); pos += 1 + s.TextLength() / 64) {
    synt::TPoint p = s.StrPosToCaretPos(pos);
    int back = s.CaretPosToStrPos(p);
    if (back > pos || back < s.LineStart(p.Y)) std::abort();
  }
  return 0;
}
