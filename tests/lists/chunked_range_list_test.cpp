#include "lists/chunked_range_list.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace synt {
namespace {

struct Tok : TRange {
  int Tag = 0;
};

using List = TChunkedRangeList<Tok>;

void ExpectSame(const List& l, const std::vector<Tok>& model) {
  l.Check();
  ASSERT_EQ(l.Count(), int(model.size()));
  for (int i = 0; i < l.Count(); ++i) {
    ASSERT_EQ(l[i].StartPos, model[size_t(i)].StartPos);
    ASSERT_EQ(l[i].Tag, model[size_t(i)].Tag);
  }
}

TEST(ChunkedRangeList, LookupsMatchTheFlatList) {
  List l;
  TRangeList<Tok> flat;
  for (int i = 0; i < 3000; ++i) {
    Tok t;
    t.StartPos = i * 3;
    t.EndPos = i * 3 + 2;
    t.Tag = i;
    l.Append(t);
    flat.Add(t);
  }
  for (int p = -2; p < 9010; p += 1) {
    ASSERT_EQ(l.PriorAt(p), flat.PriorAt(p)) << p;
    ASSERT_EQ(l.NextAt(p), flat.NextAt(p)) << p;
    ASSERT_EQ(l.RangeAt(p), flat.RangeAt(p)) << p;
  }
  EXPECT_THROW(l.Items(3000), EListError);
  EXPECT_EQ(std::distance(l.begin(), l.end()), 3000);
}

// Cuts at random places hand the tail over, appends continue after a cut, and tails are cut again
// (a list that took over a tail starts inside its first chunk).
TEST(ChunkedRangeList, RandomCutsAndAppendsKeepBothSidesIntact) {
  std::mt19937 rng(3);
  List l, tail;
  std::vector<Tok> model, tailModel;
  int pos = 0, tag = 0;
  auto append = [&](int n) {
    for (int i = 0; i < n; ++i) {
      Tok t;
      t.StartPos = pos;
      t.EndPos = pos + 1 + int(rng() % 3);
      t.Tag = tag++;
      pos = t.EndPos + int(rng() % 2);
      l.Append(t);
      model.push_back(t);
    }
  };
  for (int round = 0; round < 300; ++round) {
    append(int(rng() % 3000));
    if (model.empty()) continue;
    const int cut = int(rng() % (model.size() + 1));
    if (rng() % 3 == 0) {
      l.CutAt(cut);  // dropped
    } else {
      l.CutAt(cut, &tail);
      tailModel.assign(model.begin() + cut, model.end());
      ExpectSame(tail, tailModel);
      if (!tailModel.empty()) {
        // The tail itself can be searched and cut.
        const int c2 = int(rng() % tailModel.size());
        ASSERT_EQ(tail.NextAt(tailModel[size_t(c2)].StartPos), c2);
        List rest;
        tail.CutAt(c2, &rest);
        ExpectSame(rest, std::vector<Tok>(tailModel.begin() + c2, tailModel.end()));
        ExpectSame(tail, std::vector<Tok>(tailModel.begin(), tailModel.begin() + c2));
      }
    }
    model.resize(size_t(cut));
    pos = model.empty() ? 0 : model.back().EndPos + 1;
    ExpectSame(l, model);
  }
}

TEST(ChunkedRangeList, ClearFromPosReturnsTheStartOfTheFirstRemovedRange) {
  List l, tail;
  for (int i = 0; i < 10; ++i) {
    Tok t;
    t.StartPos = i * 10;
    t.EndPos = i * 10 + 5;
    l.Append(t);
  }
  EXPECT_EQ(l.ClearFromPos(37, &tail), 37);  // inside no range: removed from the next one
  EXPECT_EQ(l.Count(), 4);
  EXPECT_EQ(tail.Count(), 6);
  EXPECT_EQ(tail[0].StartPos, 40);
  EXPECT_EQ(l.ClearFromPos(22), 20);  // inside a range: from its start
  EXPECT_EQ(l.Count(), 2);
  EXPECT_EQ(l.ClearFromPos(500), 500);  // nothing after
  EXPECT_EQ(l.Count(), 2);
}

}  // namespace
}  // namespace synt
