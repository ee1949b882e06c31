#include "text/text_buffer.h"

#include <gtest/gtest.h>

#include <string>

namespace synt {
namespace {

// Crosses between the malloc'd and the mapped representation in both directions and checks the
// contents survive every move.
TEST(TextBuffer, LargeAndSmallBuffers) {
  TTextBuffer b;
  EXPECT_EQ(b.View(), u"");
  b.Assign(u"hello");
  b.Insert(5, u" world");
  b.Insert(0, u">");
  b.Erase(1, 1);
  EXPECT_EQ(b.View(), u">ello world");

  std::u16string big(3 << 20, u'a');  // 6 MiB: mapped
  for (size_t i = 0; i < big.size(); i += 4096) big[i] = char16_t('0' + i % 10);
  b.Assign(big);
  EXPECT_EQ(b.View(), big);
  std::u16string more(b.Capacity() - b.Size() + 10, u'z');  // forces the mapping to grow
  b.Insert(7, more);
  big.insert(7, more);
  EXPECT_EQ(b.View(), big);
  b.Erase(0, big.size() - 100);
  big.erase(0, big.size() - 100);
  b.Trim();
  EXPECT_EQ(b.View(), big);

  char16_t* d = b.Prepare(4 << 20);  // decoded into directly
  for (size_t i = 0; i < (4u << 20); ++i) d[i] = char16_t(i);
  b.SetSize(4 << 20);
  b.Trim();
  EXPECT_EQ(b[12345], char16_t(12345));
  b.Assign(u"small again");
  EXPECT_EQ(b.View(), u"small again");
  TTextBuffer c;
  c.Swap(b);
  EXPECT_EQ(c.View(), u"small again");
  EXPECT_EQ(b.Size(), 0u);
}

}  // namespace
}  // namespace synt
