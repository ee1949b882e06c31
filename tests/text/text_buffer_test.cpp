#include "text/text_buffer.h"

#include <gtest/gtest.h>

#include <random>
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

// Edits move whichever side of the text is shorter, into room in front of or behind it; a plain
// string is the model. Sizes cross into the mapped representation and back, and every kind of
// reallocation (front room made, tail grown, trimmed, prepared) happens between edits.
TEST(TextBuffer, EditsAtRandomPlacesMatchAString) {
  std::mt19937 rng(7);
  TTextBuffer b;
  std::u16string model;
  auto check = [&](int step) {
    ASSERT_EQ(b.Size(), model.size()) << "step " << step;
    ASSERT_TRUE(b.View() == model) << "step " << step;
  };
  for (int step = 0; step < 3000; ++step) {
    const size_t size = model.size();
    const int kind = int(rng() % 100);
    if (kind < 45) {
      size_t n = 1 + rng() % 8;
      if (rng() % 50 == 0) n = 1 + rng() % (1 << 21);  // now and then a big paste
      std::u16string s(n, char16_t(u'a' + step % 26));
      s[0] = char16_t(step);
      size_t pos = size ? rng() % (size + 1) : 0;
      if (rng() % 4 == 0) pos = std::min<size_t>(size, rng() % 3);  // typing at the start
      b.Insert(pos, s);
      model.insert(pos, s);
    } else if (kind < 90 && size) {
      const size_t pos = rng() % size;
      size_t n = 1 + rng() % std::min<size_t>(size - pos, 8);
      if (rng() % 40 == 0) n = size - pos;
      b.Erase(pos, n);
      model.erase(pos, n);
    } else if (kind < 95) {
      b.Trim();
    } else if (kind < 97) {
      const size_t n = rng() % 5000;
      char16_t* d = b.Prepare(n);
      model.assign(n, u'p');
      for (size_t i = 0; i < n; ++i) d[i] = u'p';
      b.SetSize(n);
    }
    check(step);
  }
}

}  // namespace
}  // namespace synt
