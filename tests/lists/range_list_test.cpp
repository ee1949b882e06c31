#include "lists/range_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "lists/sorted_list.h"

namespace synt {
namespace {

struct TKeyed : TSortedItem {
  int key, tag;
  static int alive;
  TKeyed(int k, int t = 0) : key(k), tag(t) { ++alive; }
  ~TKeyed() override { --alive; }
  int GetKey() const override { return key; }
};
int TKeyed::alive = 0;

std::vector<TRange> Ranges(const TRangeList<>& l) {
  return {l.begin(), l.end()};
}

TEST(SortedList, PriorAtAndIndexAt) {
  TSortedList<TKeyed> l(true);
  EXPECT_EQ(l.PriorAt(5), -1);
  l.Add(new TKeyed(10));
  l.Add(new TKeyed(20));
  EXPECT_EQ(l.PriorAt(5), -1);
  EXPECT_EQ(l.PriorAt(10), 0);
  EXPECT_EQ(l.PriorAt(15), 0);
  EXPECT_EQ(l.PriorAt(20), 1);
  EXPECT_EQ(l.PriorAt(99), 1);
  EXPECT_EQ(l.IndexAt(15), -1);
  EXPECT_EQ(l.IndexAt(20), 1);
  EXPECT_EQ(l.ItemAt(10)->key, 10);
  EXPECT_EQ(l.ItemAt(11), nullptr);
  EXPECT_THROW(l.Items(2), EListError);
  EXPECT_THROW(l.Delete(-1), EListError);
}

TEST(SortedList, EqualKeys) {
  TSortedList<TKeyed> l(true);
  for (int t = 0; t < 3; ++t) l.Add(new TKeyed(5, t));
  for (int t = 0; t < 3; ++t) EXPECT_EQ(l[t]->tag, t);  // insertion order kept
  l.Add(new TKeyed(9));
  int i = l.Add(new TKeyed(5, 7));  // lands next to an equal key
  EXPECT_EQ(l[i]->tag, 7);
  EXPECT_TRUE(l[i - 1]->key == 5 || l[i + 1]->key == 5);
  l.Check();
}

TEST(SortedList, OwnershipAndRandomOperations) {
  TKeyed::alive = 0;
  {
    TSortedList<TKeyed> owning(true);
    TSortedList<TKeyed> borrowing(false);
    std::mt19937 rng(1);
    std::vector<int> model;
    for (int op = 0; op < 5000; ++op) {
      if (model.empty() || rng() % 3) {
        int k = int(rng() % 200) - 50;
        auto* item = new TKeyed(k);
        int i = owning.Add(item);
        ASSERT_EQ(owning[i], item);
        borrowing.Add(item);
        model.insert(std::upper_bound(model.begin(), model.end(), k), k);
      } else {
        int i = int(rng() % model.size());
        TKeyed* item = owning[i];
        int k = item->key;
        int j = borrowing.IndexAt(k);
        ASSERT_GE(j, 0);
        ASSERT_EQ(borrowing[j]->key, k);
        j = int(std::find(borrowing.begin(), borrowing.end(), item) - borrowing.begin());
        borrowing.Delete(j);  // forgets, does not free
        owning.Delete(i);
        model.erase(std::lower_bound(model.begin(), model.end(), k));
      }
      owning.Check();
      ASSERT_EQ(owning.Count(), int(model.size()));
      ASSERT_EQ(TKeyed::alive, owning.Count());
      int probe = int(rng() % 220) - 60;
      int p = owning.PriorAt(probe);
      auto eq = std::equal_range(model.begin(), model.end(), probe);
      if (eq.first != eq.second) {
        ASSERT_EQ(owning[p]->key, probe);
      } else {
        ASSERT_EQ(p, int(eq.first - model.begin()) - 1);
      }
    }
  }
  EXPECT_EQ(TKeyed::alive, 0);
}

TEST(RangeList, UnionMergesTouchingRanges) {
  TRangeList<> u(true), n(false);
  u.Add({0, 5});
  u.Add({5, 8});
  EXPECT_EQ(Ranges(u), (std::vector<TRange>{{0, 8}}));
  n.Add({0, 5});
  n.Add({5, 8});
  EXPECT_EQ(Ranges(n), (std::vector<TRange>{{0, 5}, {5, 8}}));
}

TEST(RangeList, AddMergesOverlaps) {
  TRangeList<> l;
  l.Add({0, 3});
  l.Add({5, 10});
  EXPECT_EQ(l.Add({2, 6}), 0);
  EXPECT_EQ(Ranges(l), (std::vector<TRange>{{0, 10}}));
  EXPECT_EQ(l.Add({20, 30}), 1);
  EXPECT_EQ(l.Add({12, 14}), 1);
  EXPECT_EQ(l.Add({-5, 25}), 0);  // swallows everything from the front
  EXPECT_EQ(Ranges(l), (std::vector<TRange>{{-5, 30}}));
}

TEST(RangeList, Lookups) {
  TRangeList<> l;
  l.Add({0, 5});
  EXPECT_EQ(l.RangeAt(5), -1);
  EXPECT_EQ(l.RangeAt(4), 0);
  l.Add({7, 9});
  EXPECT_EQ(l.NextAt(5), 1);
  EXPECT_EQ(l.NextAt(9), -1);
  EXPECT_EQ(l.PriorAt(-1), -1);
  EXPECT_EQ(l.PriorAt(6), 0);
  EXPECT_EQ(l.PriorAt(100), 1);
  TRangeList<> empty;
  EXPECT_EQ(empty.PriorAt(0), -1);
  EXPECT_EQ(empty.NextAt(0), -1);
  EXPECT_THROW(empty.Items(0), EListError);
}

TEST(RangeList, ClearFromPos) {
  TRangeList<> l, target;
  l.Add({0, 3});
  l.Add({3, 6});
  l.Add({8, 9});
  target.Add({100, 101});
  EXPECT_EQ(l.ClearFromPos(4, &target), 3);
  EXPECT_EQ(Ranges(l), (std::vector<TRange>{{0, 3}}));
  EXPECT_EQ(Ranges(target), (std::vector<TRange>{{3, 6}, {8, 9}}));
  EXPECT_EQ(l.ClearFromPos(50), 50);  // nothing there
  EXPECT_EQ(l.ClearFromPos(-1), -1);
  EXPECT_EQ(l.Count(), 0);
}

TEST(RangeList, TryInsert) {
  TRangeList<> l;
  EXPECT_TRUE(l.TryInsert({10, 20}));
  EXPECT_TRUE(l.TryInsert({0, 5}));
  EXPECT_FALSE(l.TryInsert({4, 6}));
  EXPECT_FALSE(l.TryInsert({15, 25}));
  EXPECT_FALSE(l.TryInsert({6, 11}));
  EXPECT_TRUE(l.TryInsert({5, 10}));
  EXPECT_TRUE(l.TryInsert({20, 20}));
  l.Check();
  TRangeList<> u(true);
  EXPECT_TRUE(u.TryInsert({0, 5}));
  EXPECT_TRUE(u.TryInsert({8, 9}));
  EXPECT_TRUE(u.TryInsert({5, 8}));  // touches both: merged to keep the list a union
  EXPECT_EQ(Ranges(u), (std::vector<TRange>{{0, 9}}));
  u.Check();
}

struct TStyled : TRange {
  int style = 0;
  TStyled(int s, int e, int st) : TRange(s, e), style(st) {}
};

TEST(RangeList, ValueItemsKeepTheirFieldsWhenMerged) {
  TRangeList<TStyled> l;
  l.Add({0, 4, 1});
  l.Add({2, 6, 2});  // absorbed by its predecessor
  ASSERT_EQ(l.Count(), 1);
  EXPECT_EQ(l[0].style, 1);
  EXPECT_EQ(l[0].EndPos, 6);
}

struct TBlock : TRange {
  static int alive;
  TBlock(int s, int e) : TRange(s, e) { ++alive; }
  ~TBlock() { --alive; }
};
int TBlock::alive = 0;

TEST(RangeList, OwnedItemsWithIdentity) {
  TBlock::alive = 0;
  {
    TRangeList<std::unique_ptr<TBlock>> l, target;
    auto b = std::make_unique<TBlock>(0, 5);
    TBlock* first = b.get();
    l.Add(std::move(b));
    l.Add(std::make_unique<TBlock>(3, 9));  // merged and freed
    EXPECT_EQ(TBlock::alive, 1);
    EXPECT_EQ(&l.Items(0), first);
    EXPECT_EQ(first->EndPos, 9);
    l.Add(std::make_unique<TBlock>(20, 30));
    l.ClearFromPos(10, &target);
    EXPECT_EQ(target.Count(), 1);
    EXPECT_EQ(TBlock::alive, 2);
    std::unique_ptr<TBlock> taken = target.Extract(0);
    EXPECT_EQ(taken->StartPos, 20);
  }
  EXPECT_EQ(TBlock::alive, 0);
}

// Interval model: merge with every range that overlaps (or touches, with Union).
struct Model {
  bool unite;
  std::vector<TRange> r;
  bool Meets(const TRange& a, const TRange& b) const {
    int lo = std::max(a.StartPos, b.StartPos), hi = std::min(a.EndPos, b.EndPos);
    return unite ? lo <= hi : lo < hi;
  }
  void Add(TRange x) {
    std::vector<TRange> out;
    for (const auto& y : r) {
      if (Meets(x, y)) {
        x = {std::min(x.StartPos, y.StartPos), std::max(x.EndPos, y.EndPos)};
      } else {
        out.push_back(y);
      }
    }
    out.insert(
        std::lower_bound(out.begin(), out.end(), x,
                         [](const TRange& a, const TRange& b) { return a.StartPos < b.StartPos; }),
        x);
    r = out;
  }
  bool Free(const TRange& x) const {
    return std::none_of(r.begin(), r.end(), [&](const TRange& y) {
      return std::max(x.StartPos, y.StartPos) < std::min(x.EndPos, y.EndPos);
    });
  }
  int Prior(int p) const {
    int last = -1;
    for (size_t i = 0; i < r.size(); ++i) {
      if (r[i].Contains(p)) return int(i);
      if (r[i].StartPos <= p) last = int(i);
    }
    return last;
  }
  int Next(int p) const {
    for (size_t i = 0; i < r.size(); ++i) {
      if (r[i].Contains(p) || r[i].StartPos > p) return int(i);
    }
    return -1;
  }
};

class RangeListRandom : public ::testing::TestWithParam<bool> {};

TEST_P(RangeListRandom, AgreesWithIntervalModel) {
  bool unite = GetParam();
  std::mt19937 rng(unite ? 17 : 18);
  TRangeList<> l(unite), spare;
  Model m{unite, {}};
  for (int op = 0; op < 20000; ++op) {
    int s = int(rng() % 1000), e = s + 1 + int(rng() % (rng() % 4 ? 8 : 60));
    switch (rng() % 10) {
      case 0:
      case 1:
      case 2:
      case 3: {
        int i = l.Add({s, e});
        m.Add({s, e});
        ASSERT_LE(l[i].StartPos, s);
        ASSERT_GE(l[i].EndPos, e);
        break;
      }
      case 4:
      case 5: {
        bool free = m.Free({s, e});
        ASSERT_EQ(l.TryInsert({s, e}), free) << s << " " << e;
        if (free) m.Add({s, e});
        break;
      }
      case 6:
        if (rng() % 8 == 0) {
          int p = int(rng() % 1100);
          int from = l.ClearFromPos(p, rng() % 2 ? &spare : nullptr);
          int k = m.Next(p);
          int expect = k >= 0 ? std::min(p, m.r[size_t(k)].StartPos) : p;
          ASSERT_EQ(from, expect);
          if (k >= 0) m.r.resize(size_t(k));
        }
        break;
      case 7:
        if (l.Count() > 0 && rng() % 4 == 0) {
          int i = int(rng() % unsigned(l.Count()));
          l.Delete(i);
          m.r.erase(m.r.begin() + i);
        }
        break;
      default: {
        // Lookups: a forward walk (exercising the hint) and a random probe.
        int p = int(rng() % 1100) - 20;
        for (int q = p; q < p + 30; q += 1 + int(rng() % 5)) {
          ASSERT_EQ(l.PriorAt(q), m.Prior(q)) << q;
          ASSERT_EQ(l.NextAt(q), m.Next(q)) << q;
          int ra = m.Prior(q);
          ASSERT_EQ(l.RangeAt(q), ra >= 0 && m.r[size_t(ra)].Contains(q) ? ra : -1);
        }
      }
    }
    l.Check();
    ASSERT_EQ(Ranges(l), m.r);
  }
}

INSTANTIATE_TEST_SUITE_P(UnionAndPlain, RangeListRandom, ::testing::Bool());

TEST(RangeCollection, Layers) {
  TRangeCollection<> c;
  c.Add({0, 10});
  c.Add({2, 3});
  c.Add({5, 12});
  ASSERT_EQ(c.Count(), 2);
  EXPECT_EQ(Ranges(c.Layers(0)), (std::vector<TRange>{{0, 10}}));
  EXPECT_EQ(Ranges(c.Layers(1)), (std::vector<TRange>{{2, 3}, {5, 12}}));
  std::vector<TRange*> at;
  EXPECT_EQ(c.GetRangesAtPos(at, 2), 3);
  ASSERT_EQ(at.size(), 2u);
  EXPECT_EQ(*at[0], TRange(0, 10));
  EXPECT_EQ(*at[1], TRange(2, 3));
  at.clear();
  EXPECT_EQ(c.GetRangesAtPos(at, 3), 5);  // only [0,10) holds 3; [5,12) starts at 5
  EXPECT_EQ(at.size(), 1u);
  at.clear();
  EXPECT_EQ(c.GetRangesAtPos(at, 50), -1);
  std::vector<TRange*> in;
  c.GetRangesInRange(in, 4, 6);
  ASSERT_EQ(in.size(), 2u);
  EXPECT_EQ(*in[0], TRange(0, 10));
  EXPECT_EQ(*in[1], TRange(5, 12));
  c.Check();
  c.Clear();
  EXPECT_EQ(c.Count(), 0);
  EXPECT_THROW(c.Layers(0), EListError);
}

TEST(RangeCollection, RandomRangesAgreeWithBruteForce) {
  std::mt19937 rng(23);
  TRangeCollection<> c;
  std::vector<TRange> all;
  for (int i = 0; i < 400; ++i) {
    int s = int(rng() % 500), e = s + 1 + int(rng() % 40);
    c.Add({s, e});
    all.push_back({s, e});
  }
  c.Check();
  for (int p = -5; p < 560; ++p) {
    std::vector<TRange*> got;
    int next = c.GetRangesAtPos(got, p);
    std::vector<TRange> want, have;
    int wantNext = -1;
    for (const auto& r : all) {
      if (r.Contains(p)) want.push_back(r);
      int cand = r.Contains(p) ? r.EndPos : r.StartPos > p ? r.StartPos : -1;
      if (cand > p && (wantNext == -1 || cand < wantNext)) wantNext = cand;
    }
    for (auto* r : got) have.push_back(*r);
    auto byPos = [](const TRange& a, const TRange& b) {
      return a.StartPos != b.StartPos ? a.StartPos < b.StartPos : a.EndPos < b.EndPos;
    };
    std::sort(want.begin(), want.end(), byPos);
    std::sort(have.begin(), have.end(), byPos);
    ASSERT_EQ(have, want) << p;
    // Each layer offers its nearest boundary; the smallest of them is the nearest overall.
    ASSERT_EQ(next, wantNext) << p;
  }
}

// The layer each range lands in is the first where it overlaps nothing, whether ranges come in
// order of their starts (found through the index of layer ends) or not (walked); compared with a
// plain first-fit model, also after a layer was handed out for changing.
TEST(RangeCollection, LayersMatchFirstFitInAndOutOfOrder) {
  std::mt19937 rng(7);
  for (int round = 0; round < 60; ++round) {
    TRangeCollection<> c;
    std::vector<std::vector<TRange>> model;
    int start = 0;
    for (int i = 0; i < 300; ++i) {
      // Mostly ascending starts with long ranges (many layers), now and then one further back.
      int s = rng() % 8 == 0 ? int(rng() % unsigned(start + 1)) : (start += int(rng() % 4));
      int e = s + int(rng() % 3 == 0 ? rng() % 400 : rng() % 6);
      c.Add({s, e});
      size_t l = 0;
      for (; l < model.size(); ++l) {
        TRangeList<> probe;
        for (const TRange& r : model[l]) probe.Add(r);
        if (probe.TryInsert(TRange(s, e))) break;
      }
      if (l == model.size()) model.emplace_back();
      model[l].push_back({s, e});
      std::sort(model[l].begin(), model[l].end(), [](const TRange& a, const TRange& b) {
        return a.StartPos != b.StartPos ? a.StartPos < b.StartPos : a.EndPos < b.EndPos;
      });
      if (i % 97 == 0 && c.Count() > 0) c.Layers(0);  // handed out: the index is rebuilt
    }
    c.Check();
    ASSERT_EQ(size_t(c.Count()), model.size()) << round;
    for (size_t l = 0; l < model.size(); ++l)
      ASSERT_EQ(Ranges(c.Layers(int(l))), model[l]) << round;
  }
}

}  // namespace
}  // namespace synt
