// Internal: the length-only form of a simple program and its matcher (AnchoredLength's).
//
// A simple program is flat and holds no choice: single units, literal runs and anchors, and
// repetitions that are fixed, possessive or followed only by what may occur zero times. Each
// alternative is then one pass. The alternatives' nodes sit in one array, and per first unit the
// alternatives the root's dispatch tries there form a bit set, so that a match follows a short
// chain of loads.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <vector>

#include "lists/char_utils.h"
#include "regex/reg_nodes.h"

namespace synt::regex_internal {

// An anchor at p of the text s of len units (IsWordBreak inline: keyword rules test it at every
// attempt).
template <bool Fwd>
inline bool AnchorAt(const char16_t* s, int len, char16_t kind, int p) {
  auto wordBreak = [&](int q) {
    if (q <= 1 || q > len) return true;
    return IsWordChar(s[q - 2]) != IsWordChar(s[q - 1]);
  };
  switch (kind) {
    case u'^':
      if (p == 1) return true;
      if (!Fwd && p == len + 1 && s[len - 1] == u'\r') return false;
      return s[p - 2] == u'\n' || (s[p - 2] == u'\r' && (p > len || s[p - 1] != u'\n'));
    case u'$':
      if (p > len) return true;
      return s[p - 1] == u'\r' || (s[p - 1] == u'\n' && (p == 1 || s[p - 2] != u'\r'));
    case u'A':
      return p == 1;
    case u'Z':
      return p == len + 1;
    case u'b':
      return wordBreak(p);
    case u'B':
      return !wordBreak(p);
    default:
      return false;
  }
}

struct LeanNode {
  enum Kind : uint8_t { lkClass, lkString, lkAnchor, lkStop };
  uint64_t low[4] = {0, 0, 0, 0};  // lkClass: its test below 256
  union {
    const CharTest* test = nullptr;  // lkClass: for units above 255
    const char16_t* chars;           // lkString (upper-cased with ignoreCase)
  };
  int32_t min = 1, max = 1;
  int32_t count = 0;  // lkString: its length
  char16_t anchor = 0;
  Kind kind = lkStop;
  bool ignoreCase = false;  // lkString
  // Neither fixed nor possessive: only what may occur zero times follows. FlatRepeat takes its
  // highest count at the first try, one step more.
  bool greedyTail = false;
};

struct LeanProgram {
  static constexpr size_t kHigh = 256, kEnd = 257;
  // Few alternatives and nodes: a match can never run out of the default budget (two steps per
  // node and one per unit of the text at most).
  static constexpr size_t kMaxAlts = 64, kMaxNodes = 4096;
  uint64_t tried[258] = {};  // by unit below 256, kHigh: units above, kEnd: the end of the text
  uint16_t first[258] = {};  // where the lowest alternative of tried starts
  uint16_t start[kMaxAlts] = {};  // each alternative's first node; each ends with lkStop
  std::vector<LeanNode> nodes;
};

// The end of the match at the 1-based pos, or -1; reach gets the furthest position read (len + 1
// for the end of the text), never less than pos. With Count, *budget is charged the steps the
// flat matcher would count; the caller looks at it once, at the end: it only goes down, so it ran
// out on the way exactly when it is out at the end.
template <bool Count>
inline int LeanMatch(const LeanProgram& lp, const char16_t* s, int len, int pos, int64_t* budget,
                     int& reach) {
  const char16_t c0 = pos > len ? 0 : s[pos - 1];
  const size_t key = pos > len ? LeanProgram::kEnd : c0 < 256 ? c0 : LeanProgram::kHigh;
  uint64_t alts = lp.tried[key];
  int hi = pos;
  // Positions only move forwards within an alternative: where one stops is the most it read.
  auto done = [&](int r) {
    reach = std::min(hi, len + 1);
    return r;
  };
  if (!alts) return done(-1);
  const LeanNode* const nodes = lp.nodes.data();
  const LeanNode* nd = nodes + lp.first[key];
  for (;;) {
    alts &= alts - 1;
    int p = pos;
    for (; nd->kind != LeanNode::lkStop; ++nd) {
      if (Count) --*budget;
      if (nd->kind == LeanNode::lkClass) {
        const LeanNode& n = *nd;
        auto test = [&n](char16_t c) {
          return c < 256 ? bool((n.low[c >> 6] >> (c & 63)) & 1) : n.test->Test(c);
        };
        for (int k = 0; k < n.min; ++k, ++p)
          if (p > len || !test(s[p - 1])) {
            hi = std::max(hi, p);
            goto next;
          }
        if (n.max != n.min) {
          const int from = p;
          const int end =
              n.max < 0 ? len + 1
                        : int(std::min<int64_t>(int64_t(len) + 1, int64_t(p) + (n.max - n.min)));
          while (p < end && test(s[p - 1])) ++p;
          hi = std::max(hi, p);
          if (Count) *budget -= p - from + n.greedyTail;
        }
      } else if (nd->kind == LeanNode::lkString) {
        const int n = nd->count;
        const char16_t* chars = nd->chars;
        const bool ic = nd->ignoreCase;
        auto occ = [&](int q) {
          if (q + n - 1 > len) {
            hi = len + 1;
            return -1;
          }
          const char16_t* t = s + (q - 1);
          for (int i = 0; i < n; ++i)
            if (t[i] != chars[i] && !(ic && CharUpper(t[i]) == chars[i])) {
              hi = std::max(hi, q + i);
              return -1;
            }
          hi = std::max(hi, q + n - 1);
          return q + n;
        };
        for (int k = 0; k < nd->min; ++k)
          if ((p = occ(p)) < 0) goto next;
        if (nd->max != nd->min) {
          const int64_t room = nd->max < 0 ? INT32_MAX : nd->max - nd->min;
          int64_t extra = 0;
          for (int q; extra < room && (q = occ(p)) >= 0; ++extra) p = q;
          if (Count) *budget -= extra + nd->greedyTail;
        }
      } else if (nd->min > 0) {
        hi = std::max(hi, p);
        if (!AnchorAt<true>(s, len, nd->anchor, p)) goto next;
      }
    }
    hi = std::max(hi, p - 1);
    return done(p);
  next:
    if (!alts) return done(-1);
    nd = nodes + lp.start[std::countr_zero(alts)];
  }
}

}  // namespace synt::regex_internal
