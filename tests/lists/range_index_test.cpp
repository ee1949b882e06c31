// The lookup index of TRangeCollection against the layer walk it replaces: two collections built
// alike, one indexed, must give the same ranges in the same order for every query.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "lists/range_list.h"

namespace synt {
namespace {

struct TIdRange : TRange {
  int Id = 0;
  TIdRange(int S, int E, int I) : TRange(S, E), Id(I) {}
};
using TIds = std::vector<int>;

TIds Ids(const std::vector<TIdRange*>& L) {
  TIds out;
  for (const TIdRange* r : L) out.push_back(r->Id);
  return out;
}

// Shapes that stress different parts: deep nesting with ranges left open to the end (thousands
// of layers in real text), short disjoint ones, many empty ones and equal starts.
std::vector<TRange> RandomRanges(std::mt19937& Rng, int Shape, int N) {
  std::vector<TRange> out;
  int pos = 0;
  for (int i = 0; i < N; ++i) {
    int s, e;
    switch (Shape) {
      case 0:  // ascending starts, some ranges running far
        pos += int(Rng() % 4);
        s = pos;
        e = s + int(Rng() % 3 == 0 ? Rng() % 2000 : Rng() % 8);
        break;
      case 1:  // anywhere, any length, out of order
        s = int(Rng() % 600);
        e = s + int(Rng() % 60);
        break;
      default:  // a few positions only: equal starts, empty ranges, duplicates
        s = int(Rng() % 12);
        e = s + int(Rng() % 4 == 0 ? 0 : Rng() % 5);
        break;
    }
    out.push_back({s, e});
  }
  return out;
}

struct Pair {
  TRangeCollection<TIdRange> walk, indexed;
  explicit Pair(const std::vector<TRange>& Ranges) {
    for (size_t i = 0; i < Ranges.size(); ++i) {
      walk.Add({Ranges[i].StartPos, Ranges[i].EndPos, int(i)});
      indexed.Add({Ranges[i].StartPos, Ranges[i].EndPos, int(i)});
    }
    indexed.BuildIndex(0);
  }
};

TEST(RangeIndex, AgreesWithTheLayerWalk) {
  std::mt19937 rng(11);
  for (int round = 0; round < 90; ++round) {
    const int shape = round % 3;
    const auto ranges = RandomRanges(rng, shape, 1 + int(rng() % 400));
    Pair p(ranges);
    ASSERT_TRUE(p.indexed.Indexed());
    ASSERT_FALSE(p.walk.Indexed());
    p.indexed.Check();
    int hi = 0;
    for (const TRange& r : ranges) hi = std::max(hi, r.EndPos);
    for (int q = 0; q < 300; ++q) {
      const int a = int(rng() % unsigned(hi + 10)) - 5;
      const int b = a + int(rng() % 3 == 0 ? rng() % 200 : rng() % 6) - 1;
      std::vector<TIdRange*> w, x;
      const int wn = p.walk.GetRangesAtPos(w, a), xn = p.indexed.GetRangesAtPos(x, a);
      ASSERT_EQ(Ids(x), Ids(w)) << "at " << a << " round " << round;
      ASSERT_EQ(xn, wn) << "next after " << a << " round " << round;
      w.clear();
      x.clear();
      p.walk.GetRangesInRange(w, a, b);
      p.indexed.GetRangesInRange(x, a, b);
      ASSERT_EQ(Ids(x), Ids(w)) << "in [" << a << "," << b << ") round " << round;
      w.clear();
      x.clear();
      p.walk.GetRangesStartingIn(w, a, b);
      p.indexed.GetRangesStartingIn(x, a, b);
      ASSERT_EQ(Ids(x), Ids(w)) << "starting in [" << a << "," << b << ") round " << round;
      // Brute force for what the walk's answers do not pin down.
      TIds want;
      for (size_t i = 0; i < ranges.size(); ++i)
        if (ranges[i].StartPos >= a && ranges[i].StartPos < b) want.push_back(int(i));
      std::vector<int> got = Ids(x);
      std::sort(got.begin(), got.end());
      ASSERT_EQ(got, want);
      const int limit = a + int(rng() % 8);
      auto startsBefore = [&](const TIdRange& r) { return r.StartPos < limit; };
      bool any = false;
      for (const TRange& r : ranges) any = any || (r.Contains(a) && r.StartPos < limit);
      ASSERT_EQ(p.indexed.AnyRangeAt(a, startsBefore), any);
      ASSERT_EQ(p.walk.AnyRangeAt(a, startsBefore), any);
      auto before = [&](int s) { return s < limit; };
      any = false;
      for (const TRange& r : ranges)
        any = any || (r.Size() > 0 && r.EndPos > a && r.EndPos <= b && r.StartPos < limit);
      ASSERT_EQ(p.indexed.AnyRangeEndingIn(a, b, before), any) << a << " " << b;
      ASSERT_EQ(p.walk.AnyRangeEndingIn(a, b, before), any) << a << " " << b;
    }
  }
}

// A forward walk position by position, as painting does, following the next-change positions:
// every position where the set of ranges changes must be reported, none skipped.
TEST(RangeIndex, NextChangeVisitsEveryChange) {
  std::mt19937 rng(5);
  const auto ranges = RandomRanges(rng, 0, 600);
  Pair p(ranges);
  int hi = 0;
  for (const TRange& r : ranges) hi = std::max(hi, r.EndPos);
  std::vector<TIdRange*> prev;
  int stops = 0;
  for (int pos = 0; pos >= 0 && pos <= hi;) {
    std::vector<TIdRange*> here;
    const int next = p.indexed.GetRangesAtPos(here, pos);
    ASSERT_TRUE(next == -1 || next > pos);
    for (int q = pos + 1; next > 0 && q < next; ++q) {
      std::vector<TIdRange*> between;
      p.indexed.GetRangesAtPos(between, q);
      ASSERT_EQ(Ids(between), Ids(here)) << q << " lies before the change at " << next;
    }
    ++stops;
    pos = next;
  }
  EXPECT_GT(stops, 10);
}

// The index answers from the ranges themselves, whatever the layers look like: over layers whose
// ranges were moved by hand (overlapping, out of order) it still reports every range containing
// a position or meeting a span, in collection order.
TEST(RangeIndex, MatchesBruteForceEvenOverBrokenLayers) {
  std::mt19937 rng(3);
  for (int round = 0; round < 40; ++round) {
    TRangeCollection<TIdRange> c;
    const auto ranges = RandomRanges(rng, round % 3, 1 + int(rng() % 300));
    for (size_t i = 0; i < ranges.size(); ++i)
      c.Add({ranges[i].StartPos, ranges[i].EndPos, int(i)});
    if (round % 2 == 1) {
      for (int l = 0; l < c.Count(); ++l) {
        auto& layer = c.Layers(l);
        for (int i = 0; i < layer.Count(); ++i) {
          if (rng() % 4) continue;
          layer[i].StartPos = int(rng() % 500);
          layer[i].EndPos = layer[i].StartPos + int(rng() % 80);
        }
      }
    }
    c.BuildIndex(0);
    std::vector<const TIdRange*> all;  // collection order
    for (int l = 0; l < c.Count(); ++l)
      for (const TIdRange& r : static_cast<const TRangeCollection<TIdRange>&>(c).Layers(l))
        all.push_back(&r);
    for (int q = 0; q < 200; ++q) {
      const int a = int(rng() % 620) - 10, b = a + int(rng() % 40) - 5;
      TIds wantAt, wantIn;
      int wantNext = -1;
      for (const TIdRange* r : all) {
        if (r->Contains(a)) wantAt.push_back(r->Id);
        if (r->StartPos < b && r->EndPos > a) wantIn.push_back(r->Id);
        const int cand = r->Contains(a) ? r->EndPos : r->StartPos > a ? r->StartPos : -1;
        if (cand != -1 && (wantNext == -1 || cand < wantNext)) wantNext = cand;
      }
      std::vector<TIdRange*> got;
      ASSERT_EQ(c.GetRangesAtPos(got, a), wantNext) << a;
      ASSERT_EQ(Ids(got), wantAt) << a << " round " << round;
      got.clear();
      c.GetRangesInRange(got, a, b);
      ASSERT_EQ(Ids(got), wantIn) << a << " " << b << " round " << round;
    }
  }
}

// Ranges that cross one another (each starts and ends after the one before) come out of the
// tree's lists against collection order; they must be turned round, not lost or misordered.
TEST(RangeIndex, CrossingRangesInCollectionOrder) {
  TRangeCollection<TIdRange> walk, indexed;
  for (int i = 0; i < 500; ++i) {
    walk.Add({i * 3, 2000 + i * 5, i});
    indexed.Add({i * 3, 2000 + i * 5, i});
  }
  indexed.BuildIndex(0);
  for (int p : {0, 700, 1499, 1500, 2000, 2500, 4000, 4494}) {
    std::vector<TIdRange*> w, x;
    ASSERT_EQ(indexed.GetRangesAtPos(x, p), walk.GetRangesAtPos(w, p)) << p;
    ASSERT_EQ(Ids(x), Ids(w)) << p;
    w.clear();
    x.clear();
    walk.GetRangesInRange(w, p, p + 40);
    indexed.GetRangesInRange(x, p, p + 40);
    ASSERT_EQ(Ids(x), Ids(w)) << p;
  }
}

// Nested ranges where one outer range landed in a lower layer than an earlier one: a single range
// out of place among many.
TEST(RangeIndex, OneRangeOutOfPlace) {
  std::vector<TRange> ranges{{0, 10}, {5, 1000}, {20, 900}};
  for (int i = 0; i < 60; ++i) ranges.push_back({30 + i, 800 - i});
  Pair p(ranges);
  ASSERT_EQ(p.indexed.Layers(0).Count(), 2);  // [0,10) and [20,900)
  p.indexed.BuildIndex(0);
  for (int pos = 0; pos < 1010; pos += 7) {
    std::vector<TIdRange*> w, x;
    ASSERT_EQ(p.indexed.GetRangesAtPos(x, pos), p.walk.GetRangesAtPos(w, pos)) << pos;
    ASSERT_EQ(Ids(x), Ids(w)) << pos;
    w.clear();
    x.clear();
    p.walk.GetRangesInRange(w, pos, pos + 7);
    p.indexed.GetRangesInRange(x, pos, pos + 7);
    ASSERT_EQ(Ids(x), Ids(w)) << pos;
  }
}

TEST(RangeIndex, DroppedByChangesKeptByFieldUpdates) {
  TRangeCollection<TIdRange> c;
  c.Add({0, 10, 0});
  c.Add({2, 3, 1});
  c.Add({5, 12, 2});
  c.BuildIndex(0);
  std::vector<TIdRange*> at;
  EXPECT_EQ(c.GetRangesAtPos(at, 2), 3);
  EXPECT_EQ(Ids(at), (TIds{0, 1}));
  // Fields other than the bounds may change under the index.
  c.ForEachRange([](TIdRange& r) { r.Id += 10; });
  EXPECT_TRUE(c.Indexed());
  c.Check();
  at.clear();
  c.GetRangesInRange(at, 4, 6);
  EXPECT_EQ(Ids(at), (TIds{10, 12}));
  // Bounds moved behind the index's back are caught by Check.
  c.ForEachRange([](TIdRange& r) { r.StartPos += 1; });
  EXPECT_THROW(c.Check(), std::logic_error);
  c.ForEachRange([](TIdRange& r) { r.StartPos -= 1; });
  c.Add({20, 30, 3});
  EXPECT_FALSE(c.Indexed());
  at.clear();
  EXPECT_EQ(c.GetRangesAtPos(at, 25), 30);
  c.BuildIndex(0);
  c.Layers(0);
  EXPECT_FALSE(c.Indexed());
  c.BuildIndex(0);
  c.Clear();
  EXPECT_FALSE(c.Indexed());
  at.clear();
  EXPECT_EQ(c.GetRangesAtPos(at, 2), -1);
  c.BuildIndex(0);  // an empty collection indexes too
  EXPECT_EQ(c.GetRangesAtPos(at, 2), -1);
  c.GetRangesInRange(at, 0, 100);
  EXPECT_TRUE(at.empty());
  c.Check();
}

// A collection moved elsewhere (the client swaps in a pass's collections) keeps a valid index:
// the layers' ranges do not move with it.
// Over a few layers the walk is kept: the index would cost more than it saves.
TEST(RangeIndex, FewLayersAreWalked) {
  TRangeCollection<TIdRange> c;
  for (int i = 0; i < 20; ++i) c.Add({i, 100, i});
  c.BuildIndex(20);
  EXPECT_FALSE(c.Indexed());
  EXPECT_EQ(c.IndexBytes(), 0u);
  c.BuildIndex(19);
  EXPECT_TRUE(c.Indexed());
  c.Add({200, 300, 20});
  c.BuildIndex();
  EXPECT_TRUE(c.Indexed());  // 20 layers: more than the default
}

TEST(RangeIndex, SurvivesAMove) {
  TRangeCollection<TIdRange> a;
  for (int i = 0; i < 50; ++i) a.Add({i, 100 - i, i});
  a.BuildIndex(0);
  TRangeCollection<TIdRange> b;
  std::swap(a, b);
  EXPECT_TRUE(b.Indexed());
  b.Check();
  std::vector<TIdRange*> at;
  EXPECT_EQ(b.GetRangesAtPos(at, 49), 51);  // [49,51) ends there
  EXPECT_EQ(at.size(), 50u);
}

}  // namespace
}  // namespace synt
