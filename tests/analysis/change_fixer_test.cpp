#include "analysis/change_fixer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace synt {
namespace {

// The mapping written out over an unmerged list, change by change.
struct RawLog {
  std::vector<TTextChangeInfo> c;
  int CurToOld(int P) const {
    for (int i = int(c.size()) - 1; i >= 0; --i) {
      if (c[i].Pos < P)
        P = (c[i].Count > 0 && P < c[i].Pos + c[i].Count) ? c[i].Pos : P - c[i].Count;
    }
    return P;
  }
  int OldToCur(int P) const {
    for (const auto& x : c) {
      if (P >= x.Pos) P = (x.Count < 0 && P < x.Pos - x.Count) ? x.Pos : P + x.Count;
    }
    return P;
  }
  int MaxChangedPos() const {
    int r = 0;
    for (const auto& x : c) {
      if (x.Pos < r) r = (x.Count < 0 && r < x.Pos - x.Count) ? x.Pos : r + x.Count;
      r = std::max(r, x.Count > 0 ? x.Pos + x.Count : x.Pos);
    }
    return r;
  }
};

TEST(ChangeFixer, MapsAcrossOneInsertionAndOneDeletion) {
  TChangeFixer f;
  f.Add(10, 3);
  EXPECT_EQ(f.OldToCur(9), 9);
  EXPECT_EQ(f.OldToCur(10), 13);
  EXPECT_EQ(f.CurToOld(11), 10);  // inside the inserted text
  EXPECT_EQ(f.CurToOld(13), 10);
  EXPECT_EQ(f.MaxChangedPos(), 13);
  f.Clear();
  f.Add(10, -4);
  EXPECT_EQ(f.OldToCur(12), 10);  // inside the deleted text
  EXPECT_EQ(f.OldToCur(14), 10);
  EXPECT_EQ(f.OldToCur(15), 11);
  EXPECT_EQ(f.CurToOld(11), 15);
  EXPECT_EQ(f.MaxChangedPos(), 10);
}

TEST(ChangeFixer, TypingAndBackspacingAtOneSpotKeepOneEntry) {
  TChangeFixer f;
  for (int i = 0; i < 50; ++i) f.Add(100 + i, 1);  // typing
  EXPECT_EQ(f.Count(), 1);
  for (int i = 0; i < 20; ++i) f.Add(149 - i, -1);  // backspacing part of it
  EXPECT_EQ(f.Count(), 1);
  EXPECT_EQ(f.Items(0), (TTextChangeInfo{100, 30}));
  for (int i = 0; i < 30; ++i) f.Add(129 - i, -1);  // and the rest
  EXPECT_EQ(f.Count(), 1);
  EXPECT_EQ(f.OldToCur(120), 120);
  EXPECT_EQ(f.MaxChangedPos(), 100);
  f.Clear();
  f.Add(7, -1);
  f.Add(7, -1);  // delete key
  f.Add(6, -1);  // backspace
  EXPECT_EQ(f.Count(), 1);
  EXPECT_EQ(f.Items(0), (TTextChangeInfo{6, -3}));
}

// Merging is an optimisation: every mapping must equal the one over the raw list of changes, and
// characters that survive every change must map exactly both ways.
TEST(ChangeFixer, MergedLogMapsLikeTheRawOneAndSurvivorsMapExactly) {
  std::mt19937 rng(7);
  for (int round = 0; round < 2000; ++round) {
    int length = int(rng() % 40);
    // Per current character: its old offset, or -1 for inserted text.
    std::vector<int> origin(static_cast<size_t>(length));
    for (int i = 0; i < length; ++i) origin[size_t(i)] = i;
    const int oldLength = length;
    TChangeFixer f;
    RawLog raw;
    int spot = int(rng() % (length + 1));
    const int steps = 1 + int(rng() % 12);
    for (int s = 0; s < steps; ++s) {
      // Mostly edits near the last one, as typing makes them.
      if (rng() % 3 == 0) spot = int(rng() % (origin.size() + 1));
      spot = std::clamp(spot, 0, int(origin.size()));
      if (rng() % 2 == 0 || origin.empty()) {
        int n = 1 + int(rng() % 3);
        origin.insert(origin.begin() + spot, size_t(n), -1);
        f.Add(spot, n);
        raw.c.push_back({spot, n});
        spot += n;
      } else {
        bool back = rng() % 2 == 0 && spot > 0;
        int at = back ? spot - 1 : spot;
        if (at >= int(origin.size())) at = int(origin.size()) - 1;
        int n = std::min(1 + int(rng() % 2), int(origin.size()) - at);
        origin.erase(origin.begin() + at, origin.begin() + at + n);
        f.Add(at, -n);
        raw.c.push_back({at, -n});
        spot = at;
      }
    }
    for (int p = -1; p <= int(origin.size()) + 1; ++p) ASSERT_EQ(f.CurToOld(p), raw.CurToOld(p));
    for (int p = -1; p <= oldLength + 1; ++p) ASSERT_EQ(f.OldToCur(p), raw.OldToCur(p));
    std::string seq;
    for (const auto& x : raw.c)
      seq += " (" + std::to_string(x.Pos) + "," + std::to_string(x.Count) + ")";
    ASSERT_EQ(f.MaxChangedPos(), raw.MaxChangedPos()) << seq;
    for (int cur = 0; cur < int(origin.size()); ++cur) {
      int old = origin[size_t(cur)];
      if (old < 0) continue;
      ASSERT_EQ(f.OldToCur(old), cur);
      // A survivor right after deleted text maps back to the deletion point (the left edge of the
      // gap); every other survivor maps back exactly.
      bool afterGap = cur > 0 ? origin[size_t(cur) - 1] != old - 1 : old != 0;
      if (!afterGap) {
        ASSERT_EQ(f.CurToOld(cur), old);
      }
    }
  }
}

TEST(ChangeFixer, MappingFromALaterBaseSkipsTheEarlierChanges) {
  TChangeFixer f;
  f.Add(0, 5);
  f.Add(50, 2);
  EXPECT_EQ(f.OldToCur(60, 1), 62);
  EXPECT_EQ(f.CurToOld(62, 1), 60);
  EXPECT_EQ(f.OldToCur(60), 67);
}

}  // namespace
}  // namespace synt
