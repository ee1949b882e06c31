#include "lists/z_string_list.h"

#include <gtest/gtest.h>

namespace synt {
namespace {

TEST(ZStringList, IsTheSortedPlatformList) {
  TzStringList l;
  l.SetSorted(true);
  l.Add(u"pear");
  l.Add(u"Apple");
  l.Add(u"fig");
  EXPECT_EQ(l.CommaText(), u"Apple,fig,pear");
  int i;
  EXPECT_TRUE(l.Find(u"FIG", i));
  EXPECT_EQ(i, 1);
  EXPECT_EQ(l.ClassName(), "TzStringList");
  EXPECT_TRUE(l.InheritsFrom(TStringList::StaticClassInfo()));
}

}  // namespace
}  // namespace synt
