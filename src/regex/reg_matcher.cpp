// Anchored matching over the compiled tree.
//
// The protocol: matching a node at P runs the node and, through its continuation, everything
// after it. A result of 2 means everything to the end of the expression (or of the assertion
// body) matched; 1 means the node's own group matched but what follows the group did not; 0 is
// failure. A group prefers the first alternative that gives 2, else the first that gives 1; a
// greedy repetition keeps the highest count with the best result, a lazy one the lowest.
//
// Capture state: a call that returns 0 leaves every capture slot as it found it; a result the
// caller discards is undone from a saved copy of the slots the callee may write (precomputed per
// node, usually two or three ints). So a group reports what the path that matched gave it.
//
// Frames that only need to know whether everything matched ("need2") skip the bookkeeping of
// results of 1, and repetitions of single-character nodes scan first and try the continuation
// from the best count down, skipping counts whose next unit cannot start the continuation.

#include <algorithm>
#include <bit>
#include <cstring>

#include "lists/char_utils.h"
#include "platform/thread_stack.h"
#include "regex/reg_expr.h"
#include "regex/reg_lean.h"
#include "regex/reg_nodes.h"

namespace synt {
namespace regex_internal {

#define SYNT_NOINLINE __attribute__((noinline))

struct BudgetExceeded {};

namespace {

constexpr size_t kNone = ~size_t(0);
const std::vector<int> kNoSlots;

}  // namespace

uintptr_t StackFloor() {
  thread_local uintptr_t floor = [] {
    uintptr_t low = CurrentStackLow();
    if (!low) return uintptr_t(0);
    // Keep a reserve for whatever runs after a refusal (and for sanitizer reports).
    return low + std::min<size_t>(CurrentStackSize() / 4, 256 * 1024);
  }();
  return floor;
}

struct MatchRun {
  const char16_t* s;
  int len;
  int* caps;
  int64_t budget;
  int depth = 0;
  int maxDepth;
  uintptr_t floor = 0;  // looked up once the recursion gets deep
  std::vector<int>& scratch;
  size_t top = 0;
  // The furthest position a forward read looked at (len + 1: the end of the text). Look-behind
  // reads only what lies before a position already read.
  mutable int reach = 0;

  MatchRun(std::u16string_view t, int* c, int64_t b, int md, std::vector<int>& sc)
      : s(t.data()), len(int(t.size())), caps(c), budget(b), maxDepth(md), scratch(sc) {}

  [[noreturn]] static SYNT_NOINLINE void Exceeded() { throw BudgetExceeded{}; }
  // Deep expressions on a small stack (or with a sanitizer's larger frames) give up instead of
  // overflowing. Shallow recursion, the usual case, needs no look at the stack.
  static constexpr int kShallow = 32;
  SYNT_NOINLINE void CheckDeep(uintptr_t frame) {
    if (!floor) floor = StackFloor();
    if (depth > maxDepth || frame < floor) Exceeded();
  }
  __attribute__((always_inline)) void Step(int64_t n = 1) {
    if ((budget -= n) < 0) Exceeded();
  }
  struct Frame {
    explicit Frame(MatchRun& r) : r_(r) {
      if (++r_.depth > kShallow) r_.CheckDeep(uintptr_t(__builtin_frame_address(0)));
    }
    ~Frame() { --r_.depth; }
    MatchRun& r_;
  };

  // The alternatives of G worth trying at p, from its per-unit dispatch; null: try them all.
  template <bool Fwd>
  const std::vector<uint32_t>* Candidates(const TreSubExpr& G, int p) const {
    if (G.dispatch.empty()) return nullptr;
    if (!Has<Fwd>(p)) return &G.dispatchEnd;
    const char16_t c = At<Fwd>(p);
    return c < 256 ? &G.dispatch[c] : &G.dispatchHigh;
  }

  // ---- saved slots --------------------------------------------------------------------------
  static size_t Size(const SlotRanges& r) {
    size_t n = 0;
    for (auto& x : r) n += size_t(x.second - x.first);
    return n;
  }
  size_t Reserve(size_t n) {
    size_t at = top;
    top += n;
    if (top > scratch.size()) scratch.resize(std::max(top, scratch.size() * 2 + 64));
    return at;
  }
  void SaveAt(const SlotRanges& r, size_t at) {
    int* d = scratch.data() + at;
    for (auto& x : r) {
      size_t n = size_t(x.second - x.first);
      std::memcpy(d, caps + x.first, n * sizeof(int));
      d += n;
    }
  }
  size_t Save(const SlotRanges& r) {
    size_t n = Size(r);
    Step(int64_t(n >> 3));
    size_t at = Reserve(n);
    SaveAt(r, at);
    return at;
  }
  void Restore(const SlotRanges& r, size_t at) {
    const int* d = scratch.data() + at;
    for (auto& x : r) {
      size_t n = size_t(x.second - x.first);
      std::memcpy(caps + x.first, d, n * sizeof(int));
      d += n;
    }
  }
  // Restores everything outside [keepLo, keepHi): what a continuation wrote after a group.
  void RestoreOutside(const SlotRanges& r, size_t at, int keepLo, int keepHi) {
    const int* d = scratch.data() + at;
    for (auto& x : r) {
      for (int i = x.first; i < x.second; ++i, ++d)
        if (i < keepLo || i >= keepHi) caps[i] = *d;
    }
  }

  // ---- direction ----------------------------------------------------------------------------
  void Read(int p) const {
    if (p > reach) reach = p;
  }
  template <bool Fwd>
  bool Has(int p) const {
    if (Fwd) Read(p);
    return Fwd ? p <= len : p >= 2;
  }
  template <bool Fwd>
  char16_t At(int p) const {
    if (Fwd) Read(p);
    return Fwd ? s[p - 1] : s[p - 2];
  }
  template <bool Fwd>
  static int OpenIdx(int slot) {
    return Fwd ? 2 * slot : 2 * slot + 1;
  }
  template <bool Fwd>
  static int CloseIdx(int slot) {
    return Fwd ? 2 * slot + 1 : 2 * slot;
  }

  template <bool Fwd>
  void WriteClose(const std::vector<int>& slots, int pe) {
    for (int sl : slots) caps[CloseIdx<Fwd>(sl)] = pe;
  }
  // The values of the close slots a last node writes, to put back when it fails.
  template <bool Fwd>
  struct CloseSave {
    MatchRun& r;
    const std::vector<int>& slots;
    int inline_[4];
    size_t at = kNone;
    CloseSave(MatchRun& run, const std::vector<int>& s) : r(run), slots(s) {
      if (slots.size() <= 4) {
        for (size_t i = 0; i < slots.size(); ++i) inline_[i] = r.caps[CloseIdx<Fwd>(slots[i])];
      } else {
        at = r.Reserve(slots.size());
        for (size_t i = 0; i < slots.size(); ++i)
          r.scratch[at + i] = r.caps[CloseIdx<Fwd>(slots[i])];
      }
    }
    void Restore() {
      for (size_t i = 0; i < slots.size(); ++i)
        r.caps[CloseIdx<Fwd>(slots[i])] = at == kNone ? inline_[i] : r.scratch[at + i];
    }
  };

  // Whether the continuation f could give a non-zero result at pe.
  template <bool Fwd>
  bool ContMay(const TRENodeBase* f, int pe, bool need2) const {
    if (need2 ? f->nullable2 : f->nullable1) return true;
    if (!Has<Fwd>(pe)) return false;
    return (need2 ? f->first2 : f->first1).Test(At<Fwd>(pe));
  }

  // ---- occurrences of the simple nodes (none of them writes captures) -----------------------
  template <bool Fwd>
  struct ClassOcc {
    const MatchRun& r;
    const CharTest& t;
    int operator()(int p) const {
      if (!r.Has<Fwd>(p) || !t.Test(r.At<Fwd>(p))) return -1;
      return Fwd ? p + 1 : p - 1;
    }
  };
  template <bool Fwd>
  struct StringOcc {
    const MatchRun& r;
    const std::u16string& chars;
    bool ic;
    int operator()(int p) const {
      int n = int(chars.size());
      if (Fwd ? p + n - 1 > r.len : p - n < 1) {
        if (Fwd) r.Read(r.len + 1);
        return -1;
      }
      if (Fwd) {
        const char16_t* t = r.s + (p - 1);
        for (int i = 0; i < n; ++i)
          if (t[i] != chars[i] && !(ic && CharUpper(t[i]) == chars[i])) {
            r.Read(p + i);
            return -1;
          }
        r.Read(p + n - 1);
        return p + n;
      }
      const char16_t* t = r.s + (p - 2);  // chars[i] is matched leftwards
      for (int i = 0; i < n; ++i)
        if (t[-i] != chars[i] && !(ic && CharUpper(t[-i]) == chars[i])) return -1;
      return p - n;
    }
  };
  template <bool Fwd>
  struct RefOcc {
    const MatchRun& r;
    int a, n;  // 1-based start and length of the referenced text
    bool ic;
    int operator()(int p) const {
      if (Fwd ? p + n - 1 > r.len : p - n < 1) {
        if (Fwd) r.Read(r.len + 1);
        return -1;
      }
      if (Fwd) r.Read(p + n - 1);
      const char16_t* t = r.s + (Fwd ? p - 1 : p - 1 - n);
      const char16_t* g = r.s + (a - 1);
      for (int i = 0; i < n; ++i)
        if (t[i] != g[i] && !(ic && CharUpper(t[i]) == CharUpper(g[i]))) return -1;
      return Fwd ? p + n : p - n;
    }
  };
  template <bool Fwd>
  struct LineBreakOcc {
    const MatchRun& r;
    int operator()(int p) const {
      if (!r.Has<Fwd>(p)) return -1;
      char16_t c = r.At<Fwd>(p);
      if (!IsLineBreakChar(c)) return -1;
      if (Fwd && c == u'\r') r.Read(p + 1);
      if (Fwd) return (c == u'\r' && p + 1 <= r.len && r.s[p] == u'\n') ? p + 2 : p + 1;
      return (c == u'\n' && p - 2 >= 1 && r.s[p - 3] == u'\r') ? p - 2 : p - 1;
    }
  };
  template <bool Fwd>
  struct AnchorOcc {
    const MatchRun& r;
    char16_t kind;
    int operator()(int p) const { return r.Anchor<Fwd>(kind, p) ? p : -1; }
  };
  template <bool Fwd>
  struct AssertOcc {
    MatchRun& r;
    const TZeroWidth& z;
    int operator()(int p) const {
      int q = p;
      int res = z.LookBehind ? r.GroupOcc<false>(*z.Body, q) : r.GroupOcc<true>(*z.Body, q);
      return (z.Negative ? res == 0 : res != 0) ? p : -1;
    }
  };
  struct NeverOcc {
    int operator()(int) const { return -1; }
  };

  template <bool Fwd>
  bool Anchor(char16_t kind, int p) const {
    Read(p);
    return AnchorAt<Fwd>(s, len, kind, p);
  }

  // ---- a node whose count is fixed: one continuation to try ----------------------------------
  // The occurrences ended at q. Closing a group (last node) and the continuation; with a single
  // count there is nothing to choose and nothing to save.
  template <bool Fwd>
  SYNT_NOINLINE int Once(const TRENodeBase* n, int& p, bool need2, int q) {
    const bool last = n->lastInGroup;
    const bool full = !need2 && n->fullMode;
    if (last) return OnceLast<Fwd>(n, p, need2, q);
    const TRENodeBase* f = n->follow;
    int L;
    if (!f) {
      L = 2;
    } else {
      const bool contNeed2 = !full || last;
      if (!ContMay<Fwd>(f, q, contNeed2)) {
        L = 0;
      } else {
        int pp = q;
        L = Node<Fwd>(f, pp, contNeed2);
      }
    }
    int c = last ? std::max(L, 1) : L;
    if (c == 2 || (c == 1 && full)) {
      p = q;
      return c;
    }
    return 0;
  }

  template <bool Fwd>
  SYNT_NOINLINE int OnceLast(const TRENodeBase* n, int& p, bool need2, int q) {
    const bool full = !need2 && n->fullMode;
    const std::vector<int>& close = n->Owner->closeSlots;
    CloseSave<Fwd> saved(*this, close);
    WriteClose<Fwd>(close, q);
    const TRENodeBase* f = n->follow;
    int L;
    if (!f) {
      L = 2;
    } else if (!ContMay<Fwd>(f, q, true)) {
      L = 0;
    } else {
      int pp = q;
      L = Node<Fwd>(f, pp, true);
    }
    if (L == 2 || full) {
      p = q;
      return L == 2 ? 2 : 1;
    }
    saved.Restore();
    return 0;
  }

  // ---- a node with its repetition, for nodes whose occurrences write no captures -------------
  // width: units per occurrence (> 0), 0 for zero-width occurrences, -1 when it varies.
  template <bool Fwd, class Occ>
  SYNT_NOINLINE int Simple(const TRENodeBase* n, int& p, bool need2, const Occ& occ, int width) {
    constexpr int dir = Fwd ? 1 : -1;
    int q = p;
    for (int i = 0; i < n->MinCount; ++i) {
      int r = occ(q);
      if (r < 0) return 0;
      q = r;
    }
    Step(n->MinCount);
    if (n->MaxCount == n->MinCount) return Once<Fwd>(n, p, need2, q);
    const bool last = n->lastInGroup;
    const bool full = !need2 && n->fullMode;
    const bool contNeed2 = !full || last;
    const TRENodeBase* f = n->follow;
    const std::vector<int>* close = last ? &n->Owner->closeSlots : &kNoSlots;
    const size_t mark = top;
    CloseSave<Fwd> closeSaved(*this, *close);
    size_t entry = kNone;  // slots before the continuation, when a 1 must be undone
    size_t best1Save = kNone;
    int best1 = -1;

    // Tries the continuation after an occurrence ending at pe; returns the result of the count.
    auto tryAt = [&](int pe) -> int {
      if (last) WriteClose<Fwd>(*close, pe);
      int L;
      if (!f) {
        L = 2;
      } else if (!ContMay<Fwd>(f, pe, contNeed2)) {
        L = 0;
      } else {
        if (full && !last && entry == kNone) entry = Save(f->writes);
        int pp = pe;
        L = Node<Fwd>(f, pp, contNeed2);
      }
      int c = last ? std::max(L, 1) : L;
      if (c == 2) return 2;
      if (full && c == 1) {
        if (last) {
          if (best1 < 0 || n->Lazy) best1 = pe;  // the highest count
        } else {
          if (best1 < 0) {
            best1 = pe;
            best1Save = Save(f->writes);
          }
          Restore(f->writes, entry);
        }
      }
      return 0;
    };
    auto win = [&](int pe) {
      top = mark;
      p = pe;
      return 2;
    };
    auto finish = [&]() -> int {
      if (best1 >= 0) {
        if (last)
          WriteClose<Fwd>(*close, best1);
        else
          Restore(f->writes, best1Save);
        top = mark;
        p = best1;
        return 1;
      }
      if (last) closeSaved.Restore();
      top = mark;
      return 0;
    };

    const int max = n->MaxCount;
    if (!n->Lazy) {
      if (width == 0) {
        if (tryAt(q) == 2) return win(q);
        return finish();
      }
      if (width > 0) {
        int extra = 0;
        int qq = q;
        while (max < 0 || n->MinCount + extra < max) {
          int r = occ(qq);
          if (r < 0) break;
          qq = r;
          ++extra;
        }
        Step(extra);
        for (int e = extra; e >= 0; --e) {
          Step();
          int pe = q + dir * width * e;
          if (tryAt(pe) == 2) return win(pe);
        }
        return finish();
      }
      // Varying width: keep the positions of every count.
      size_t at = Reserve(1);
      scratch[at] = q;
      size_t count = 1;
      int qq = q;
      while (max < 0 || n->MinCount + int(count) - 1 < max) {
        int r = occ(qq);
        if (r < 0 || r == qq) break;
        qq = r;
        size_t i = Reserve(1);
        scratch[i] = r;
        ++count;
      }
      Step(int64_t(count));
      for (size_t e = count; e-- > 0;) {
        Step();
        int pe = scratch[at + e];
        if (tryAt(pe) == 2) return win(pe);
      }
      return finish();
    }
    // Lazy: counts upwards.
    int k = n->MinCount;
    for (;;) {
      Step();
      if (tryAt(q) == 2) return win(q);
      if (max >= 0 && k >= max) break;
      int r = occ(q);
      if (r < 0 || r == q) break;
      q = r;
      ++k;
    }
    return finish();
  }

  // ---- a group with its repetition -----------------------------------------------------------
  // The occurrences do not depend on what is tried after them, so a greedy repetition collects
  // them first and tries the continuation from the highest count down: the first complete match
  // is the answer, and a chain of optional groups costs no more than the counts it tries.
  template <bool Fwd>
  SYNT_NOINLINE int Group(const TreSubExpr& g, int& p, bool need2) {
    const bool last = g.lastInGroup;
    const bool full = !need2 && g.fullMode;
    const bool contNeed2 = !full || last;
    const TRENodeBase* f = g.follow;
    if (g.MinCount == 1 && g.MaxCount == 1) {
      // One occurrence: only what it writes needs undoing when the rest fails.
      const size_t mark = top;
      const size_t entry = Save(g.occWrites);
      int q = p;
      int r = GroupOcc<Fwd>(g, q);
      if (r == 2 || !r) {
        top = mark;
        if (r) p = q;
        return r;
      }
      if (last) WriteClose<Fwd>(g.Owner->closeSlots, q);
      int L;
      if (!f)
        L = 2;
      else if (!ContMay<Fwd>(f, q, contNeed2))
        L = 0;
      else {
        int pp = q;
        L = Node<Fwd>(f, pp, contNeed2);
      }
      int c = last ? std::max(L, 1) : L;
      if (c == 2 || (c == 1 && full)) {
        top = mark;
        p = q;
        return c;
      }
      Restore(g.occWrites, entry);
      top = mark;
      return 0;
    }
    const int keepLo = 2 * g.slot, keepHi = 2 * g.subtreeEnd;
    const size_t mark = top;
    const size_t entry = Save(g.writes);
    int q = p;
    int L = 0;
    for (int i = 0; i < g.MinCount; ++i) {
      int r = GroupOcc<Fwd>(g, q);
      if (!r) {
        Restore(g.writes, entry);
        top = mark;
        return 0;
      }
      L = r;
      if (i + 1 < g.MinCount) RestoreOutside(g.writes, entry, keepLo, keepHi);
    }
    // Tries the continuation at count end pe; the state holds the count's occurrences.
    auto cont = [&](int pe) -> int {
      if (last) WriteClose<Fwd>(g.Owner->closeSlots, pe);
      int Lc;
      if (!f)
        Lc = 2;
      else if (!ContMay<Fwd>(f, pe, contNeed2))
        Lc = 0;
      else {
        int pp = pe;
        Lc = Node<Fwd>(f, pp, contNeed2);
      }
      int c = last ? std::max(Lc, 1) : Lc;
      return (!full && c == 1) ? 0 : c;
    };
    if (!g.Lazy) {
      // Per count: its end and the slots of the group's own subtree.
      const size_t width = size_t(keepHi - keepLo);
      // The full state of the latest occurrence that matched everything after it: at the
      // highest count it is the answer without running the continuation again.
      const size_t full2 = Reserve(Size(g.writes));
      size_t full2Index = kNone;
      const size_t counts = top;
      auto push = [&](int pe) {
        size_t at = Reserve(1 + width);
        scratch[at] = pe;
        std::memcpy(scratch.data() + at + 1, caps + keepLo, width * sizeof(int));
        Step(int64_t(width >> 3));
      };
      push(q);
      if (L == 2) SaveAt(g.writes, full2), full2Index = 0;
      int count = g.MinCount;
      while (g.MaxCount < 0 || count < g.MaxCount) {
        Step();
        RestoreOutside(g.writes, entry, keepLo, keepHi);
        int pe = q;
        int r = GroupOcc<Fwd>(g, q);
        if (!r || q == pe) break;
        // What follows cannot start where this occurrence did: the counts before it can never
        // be followed, so they need not be kept (a long string then costs no memory per unit).
        if (Fwd && g.followsDisjoint && full2Index == kNone) top = counts;
        push(q);
        ++count;
        if (r == 2) SaveAt(g.writes, full2), full2Index = (top - counts) / (1 + width) - 1;
      }
      size_t n = (top - counts) / (1 + width);
      int best = -1;
      size_t kept = kNone;
      for (size_t k = n; k-- > 0;) {
        Step();
        size_t at = counts + k * (1 + width);
        int pe = scratch[at];
        if (k == full2Index) {
          Restore(g.writes, full2);
          top = mark;
          p = pe;
          return 2;
        }
        Restore(g.writes, entry);
        std::memcpy(caps + keepLo, scratch.data() + at + 1, width * sizeof(int));
        int c = cont(pe);
        if (c == 2) {
          top = mark;
          p = pe;
          return 2;
        }
        if (c == 1 && best < 0) {
          best = pe;
          kept = Save(g.writes);
        }
      }
      if (best >= 0) {
        Restore(g.writes, kept);
        top = mark;
        p = best;
        return 1;
      }
      Restore(g.writes, entry);
      top = mark;
      return 0;
    }
    // Lazy: counts upwards, the first complete match wins.
    int R = 0, best = 0;
    size_t kept = kNone;
    int count = g.MinCount;
    for (;;) {
      Step();
      int pe = q;
      int c;
      if (L == 2) {
        if (last) WriteClose<Fwd>(g.Owner->closeSlots, pe);
        c = 2;  // the occurrence ran the continuation already
      } else {
        c = cont(pe);
      }
      if (c == 2) {
        top = mark;
        p = pe;
        return 2;
      }
      if (c == 1 && (last || R == 0)) {
        R = 1;
        best = pe;
        if (kept == kNone) kept = Reserve(Size(g.writes));
        Step(int64_t(Size(g.writes) >> 3));
        SaveAt(g.writes, kept);
      }
      if (g.MaxCount >= 0 && count >= g.MaxCount) break;
      RestoreOutside(g.writes, entry, keepLo, keepHi);
      int r = GroupOcc<Fwd>(g, q);
      if (!r || q == pe) break;
      L = r;
      ++count;
    }
    if (R > 0) {
      Restore(g.writes, kept);
      top = mark;
      p = best;
      return R;
    }
    Restore(g.writes, entry);
    top = mark;
    return 0;
  }

  // ---- one occurrence of a group: its alternatives -------------------------------------------
  template <bool Fwd>
  SYNT_NOINLINE int GroupOcc(const TreSubExpr& g, int& p) {
    Step();
    Frame frame(*this);
    const int oi = OpenIdx<Fwd>(g.slot), ci = CloseIdx<Fwd>(g.slot);
    const int o0 = caps[oi], c0 = caps[ci];
    caps[oi] = p;
    caps[ci] = 0;
    // Inside the root and assertion bodies only a complete match counts.
    const bool need2 = g.top;
    if (g.trie) return Keywords<Fwd>(g, p, o0, c0, need2);
    const std::vector<uint32_t>* cand = Candidates<Fwd>(g, p);
    const uint32_t* list = cand ? cand->data() : nullptr;
    const size_t count = cand ? cand->size() : g.Items.size();
    auto alt = [&](size_t i) -> const TRENodeBase* {
      return g.Items[list ? list[i] : i]->Items.front().get();
    };
    if (count == 0) {
      caps[oi] = o0;
      caps[ci] = c0;
      return 0;
    }
    if (count == 1) {
      int q = p;
      int r = Node<Fwd>(alt(0), q, need2);
      if (!r) {
        caps[oi] = o0;
        caps[ci] = c0;
        return 0;
      }
      p = caps[ci];
      return r;
    }
    const size_t mark = top;
    const size_t entry = need2 ? kNone : Save(g.occWrites);
    size_t best1 = kNone;
    for (size_t i = 0; i < count; ++i) {
      int q = p;
      int r = Node<Fwd>(alt(i), q, need2);
      if (r == 2) {
        top = mark;
        p = caps[ci];
        return 2;
      }
      if (r == 1) {
        if (best1 == kNone) best1 = Save(g.occWrites);
        Restore(g.occWrites, entry);
      }
    }
    if (best1 != kNone) {
      Restore(g.occWrites, best1);
      top = mark;
      p = caps[ci];
      return 1;
    }
    top = mark;
    caps[oi] = o0;
    caps[ci] = c0;
    return 0;
  }

  // Alternatives that are all literal runs: walk the trie, then try the runs found in order.
  template <bool Fwd>
  SYNT_NOINLINE int Keywords(const TreSubExpr& g, int& p, int o0, int c0, bool need2) {
    constexpr int dir = Fwd ? 1 : -1;
    const KeywordTrie& t = *g.trie;
    const size_t mark = top;
    size_t n = 0;
    const int* found = TrieCandidates<Fwd>(t, p, n);
    const size_t cand = found ? size_t(found - scratch.data()) : 0;
    const int oi = OpenIdx<Fwd>(g.slot), ci = CloseIdx<Fwd>(g.slot);
    if (n == 0) {
      top = mark;
      caps[oi] = o0;
      caps[ci] = c0;
      return 0;
    }
    const std::vector<int>& close = g.closeSlots;
    CloseSave<Fwd> closeSaved(*this, close);
    const TRENodeBase* f = g.follow;
    int best1 = -1;
    for (size_t i = 0; i < n; ++i) {
      Step();
      int pe = p + dir * scratch[cand + 2 * i + 1];
      WriteClose<Fwd>(close, pe);
      int L;
      if (!f)
        L = 2;
      else if (!ContMay<Fwd>(f, pe, true))
        L = 0;
      else {
        int pp = pe;
        L = Node<Fwd>(f, pp, true);
      }
      if (L == 2) {
        top = mark;
        p = pe;
        return 2;
      }
      if (!need2 && best1 < 0) best1 = pe;
    }
    if (best1 >= 0) {
      WriteClose<Fwd>(close, best1);
      top = mark;
      p = best1;
      return 1;
    }
    closeSaved.Restore();
    top = mark;
    caps[oi] = o0;
    caps[ci] = c0;
    return 0;
  }

  // ---- flat alternatives of the root ---------------------------------------------------------
  template <bool Fwd>
  bool FollowOk(const FlatNode& nd, int pe) const {
    return nd.followNullable || (Has<Fwd>(pe) && nd.followFirst.Test(At<Fwd>(pe)));
  }
  // One occurrence of a class or literal-run node at p: the new position, or -1.
  template <bool Fwd>
  int FlatOcc(const FlatNode& nd, int p) const {
    if (nd.kind == FlatNode::fkClass) {
      if (!Has<Fwd>(p) || !nd.Test(At<Fwd>(p))) return -1;
      return Fwd ? p + 1 : p - 1;
    }
    return StringOcc<Fwd>{*this, nd.str->Chars, nd.str->IgnoreCase}(p);
  }

  // As many more occurrences as the node allows from p; returns where they end.
  template <bool Fwd>
  int FlatScan(const FlatNode& nd, int p) {
    const int64_t room = nd.max < 0 ? INT32_MAX : nd.max - nd.min;
    if (nd.kind == FlatNode::fkClass) {
      const char16_t* text = s;
      int from = p;
      if (Fwd) {
        const int end = int(std::min<int64_t>(int64_t(len) + 1, p + room));
        while (p < end && nd.Test(text[p - 1])) ++p;
        Read(p);
      } else {
        const int end = int(std::max<int64_t>(1, p - room));
        while (p > end && nd.Test(text[p - 2])) --p;
      }
      Step(Fwd ? p - from : from - p);
      return p;
    }
    int extra = 0;
    for (; extra < room; ++extra) {
      int q = FlatOcc<Fwd>(nd, p);
      if (q < 0) break;
      p = q;
    }
    Step(extra);
    return p;
  }

  // Where to go on when a group's alternative ends: after the group node.
  struct FlatCont {
    const FlatAlt* alt;
    size_t i;
    const FlatCont* next;
    const FlatNode* node;
    int start;
  };

  // Matches alt from node i at p and then k; returns the end of the whole match, or -1.
  // Nodes that occur once are handled inline; repetitions and groups out of line.
  template <bool Fwd>
  SYNT_NOINLINE int FlatSeq(const FlatAlt* alt, size_t i, int p, const FlatCont* k) {
    constexpr int dir = Fwd ? 1 : -1;
    const FlatNode* nd = alt->data() + i;
    const FlatNode* const end = alt->data() + alt->size();
    for (; nd != end; ++nd) {
      Step();
      const bool once = nd->min == 1 && nd->max == 1;
      switch (nd->kind) {
        case FlatNode::fkClass:
          if (!once) break;
          if (!Has<Fwd>(p) || !nd->Test(At<Fwd>(p))) return -1;
          p += dir;
          continue;
        case FlatNode::fkString:
          if (!once) break;
          if ((p = FlatOcc<Fwd>(*nd, p)) < 0) return -1;
          continue;
        case FlatNode::fkAnchor:
          if (nd->min > 0 && !Anchor<Fwd>(nd->anchor, p)) return -1;
          continue;
        case FlatNode::fkGroup:
          return FlatGroup<Fwd>(alt, size_t(nd - alt->data()), p, k);
      }
      if (nd->possessive || nd->min == nd->max) {
        if ((p = FlatFixed<Fwd>(*nd, p)) < 0) return -1;
        continue;
      }
      return FlatRepeat<Fwd>(alt, size_t(nd - alt->data()), p, k);
    }
    return k ? FlatClose<Fwd>(p, k) : p;
  }

  // The minimum count and then, for a possessive node, all it can take; -1 when the minimum
  // is not there.
  template <bool Fwd>
  SYNT_NOINLINE int FlatFixed(const FlatNode& nd, int p) {
    for (int c = 0; c < nd.min; ++c)
      if ((p = FlatOcc<Fwd>(nd, p)) < 0) return -1;
    return nd.max == nd.min ? p : FlatScan<Fwd>(nd, p);
  }

  // A repetition with a choice: greedy from the highest count down, lazy upwards.
  template <bool Fwd>
  SYNT_NOINLINE int FlatRepeat(const FlatAlt* alt, size_t i, int p, const FlatCont* k) {
    constexpr int dir = Fwd ? 1 : -1;
    const FlatNode& nd = (*alt)[i];
    Frame frame(*this);
    for (int c = 0; c < nd.min; ++c)
      if ((p = FlatOcc<Fwd>(nd, p)) < 0) return -1;
    if (!nd.lazy) {
      const int extra = (Fwd ? FlatScan<Fwd>(nd, p) - p : p - FlatScan<Fwd>(nd, p)) / nd.width;
      for (int e = extra; e >= 0; --e) {
        int pe = p + dir * nd.width * e;
        if (!FollowOk<Fwd>(nd, pe)) continue;
        Step();
        int r = FlatSeq<Fwd>(alt, i + 1, pe, k);
        if (r >= 0) return r;
      }
      return -1;
    }
    for (int c = nd.min;; ++c) {
      Step();
      if (FollowOk<Fwd>(nd, p)) {
        int r = FlatSeq<Fwd>(alt, i + 1, p, k);
        if (r >= 0) return r;
      }
      if (nd.max >= 0 && c >= nd.max) return -1;
      if ((p = FlatOcc<Fwd>(nd, p)) < 0) return -1;
    }
  }

  // A group's alternative ended at p: everything after the group decides; on success the group
  // records its bounds. An optional group that matched nothing counts as not taken.
  template <bool Fwd>
  SYNT_NOINLINE int FlatClose(int p, const FlatCont* k) {
    Frame frame(*this);
    int r = FlatSeq<Fwd>(k->alt, k->i, p, k->next);
    if (r >= 0 && !(p == k->start && k->node->min == 0)) {
      const int slot = k->node->group->slot;
      caps[OpenIdx<Fwd>(slot)] = k->start;
      caps[CloseIdx<Fwd>(slot)] = p;
    }
    return r;
  }

  // A group that occurs at most once; its alternatives in order, the first success wins.
  template <bool Fwd>
  SYNT_NOINLINE int FlatGroup(const FlatAlt* alt, size_t i, int p, const FlatCont* k) {
    Frame frame(*this);
    const FlatNode& nd = (*alt)[i];
    const FlatCont kk{alt, i + 1, k, &nd, p};
    if (nd.min == 0 && nd.lazy) {
      int r = FlatSeq<Fwd>(alt, i + 1, p, k);
      if (r >= 0) return r;
      return FlatGroupOnce<Fwd>(nd, p, kk);
    }
    int r = FlatGroupOnce<Fwd>(nd, p, kk);
    if (r >= 0 || nd.min == 1) return r;
    return FlatSeq<Fwd>(alt, i + 1, p, k);
  }

  template <bool Fwd>
  int FlatGroupOnce(const FlatNode& nd, int p, const FlatCont& kk) {
    constexpr int dir = Fwd ? 1 : -1;
    const TreSubExpr& g = *nd.group;
    if (g.trie) {
      const size_t mark = top;
      size_t n = 0;
      const int* cand = TrieCandidates<Fwd>(*g.trie, p, n);
      size_t at = cand == nullptr ? 0 : size_t(cand - scratch.data());
      for (size_t c = 0; c < n; ++c) {
        Step();
        const int* e = scratch.data() + at + 2 * c;
        // The run itself matched in the trie: the group closes at its end.
        int r = FlatClose<Fwd>(p + dir * e[1], &kk);
        if (r >= 0) {
          top = mark;
          return r;
        }
      }
      top = mark;
      return -1;
    }
    const std::vector<uint32_t>* cand = Candidates<Fwd>(g, p);
    const uint32_t* list = cand ? cand->data() : nullptr;
    const size_t count = cand ? cand->size() : nd.alts.size();
    for (size_t c = 0; c < count; ++c) {
      int r = FlatSeq<Fwd>(&nd.alts[list ? list[c] : c], 0, p, &kk);
      if (r >= 0) return r;
    }
    return -1;
  }

  // The runs of a keyword trie that match at p, as (alternative, length) pairs in alternative
  // order, pushed on the scratch stack; null when there are none.
  template <bool Fwd>
  const int* TrieCandidates(const KeywordTrie& t, int p, size_t& n) {
    constexpr int dir = Fwd ? 1 : -1;
    const size_t at = top;
    n = 0;
    uint32_t node = 0;
    for (int q = p; Has<Fwd>(q);) {
      char16_t c = At<Fwd>(q);
      if (t.ignoreCase) c = CharUpper(c);
      int child = t.Child(node, c);
      if (!child) break;
      node = uint32_t(child);
      q += dir;
      const KeywordTrie::Node& nd = t.nodes[node];
      for (uint32_t i = 0; i < nd.altCount; ++i) {
        size_t e = Reserve(2);
        scratch[e] = int(t.alts[nd.alts + i]);
        scratch[e + 1] = int(nd.depth);
        ++n;
      }
    }
    Step(int64_t(n + t.nodes[node].depth));
    if (n == 0) return nullptr;
    int* cand = scratch.data() + at;
    for (size_t i = 1; i < n; ++i) {
      int a = cand[2 * i], l = cand[2 * i + 1];
      size_t j = i;
      while (j > 0 && cand[2 * (j - 1)] > a) {
        cand[2 * j] = cand[2 * (j - 1)];
        cand[2 * j + 1] = cand[2 * (j - 1) + 1];
        --j;
      }
      cand[2 * j] = a;
      cand[2 * j + 1] = l;
    }
    return cand;
  }

  // The root's alternatives in order; the first that matches wins.
  template <bool Fwd>
  int Flat(const Program& prog, int pos) {
    const TreRootNode& root = *prog.root;
    const std::vector<uint32_t>* cand = Candidates<Fwd>(root, pos);
    const uint32_t* list = cand ? cand->data() : nullptr;
    const size_t count = cand ? cand->size() : prog.flat.size();
    for (size_t i = 0; i < count; ++i) {
      int r = FlatSeq<Fwd>(&prog.flat[list ? list[i] : i], 0, pos, nullptr);
      if (r >= 0) return r;
    }
    return -1;
  }

  // ---- dispatch ------------------------------------------------------------------------------
  template <bool Fwd>
  int Node(const TRENodeBase* n, int& p, bool need2) {
    Step();
    Frame frame(*this);
    constexpr int dir = Fwd ? 1 : -1;
    // A node that occurs exactly once (most of them) needs no repetition machinery.
    const bool once = n->MinCount == 1 && n->MaxCount == 1;
    switch (n->kind) {
      case nkCharSeq: {
        auto& c = static_cast<const TCharSeqNode&>(*n);
        if (c.Chars.size() == 1) {
          if (once) {
            if (!Has<Fwd>(p) || !c.test.Test(At<Fwd>(p))) return 0;
            return Once<Fwd>(n, p, need2, p + dir);
          }
          return Simple<Fwd>(n, p, need2, ClassOcc<Fwd>{*this, c.test}, 1);
        }
        StringOcc<Fwd> occ{*this, c.Chars, c.IgnoreCase};
        if (once) {
          int q = occ(p);
          return q < 0 ? 0 : Once<Fwd>(n, p, need2, q);
        }
        return Simple<Fwd>(n, p, need2, occ, int(c.Chars.size()));
      }
      case nkCharSet: {
        const CharTest& t = static_cast<const TCharSetNode&>(*n).test;
        if (once) {
          if (!Has<Fwd>(p) || !t.Test(At<Fwd>(p))) return 0;
          return Once<Fwd>(n, p, need2, p + dir);
        }
        return Simple<Fwd>(n, p, need2, ClassOcc<Fwd>{*this, t}, 1);
      }
      case nkSpecCheck: {
        auto& c = static_cast<const TSpecCheckNode&>(*n);
        if (c.IsSingleChar()) {
          if (once) {
            if (!Has<Fwd>(p) || !c.test.Test(At<Fwd>(p))) return 0;
            return Once<Fwd>(n, p, need2, p + dir);
          }
          return Simple<Fwd>(n, p, need2, ClassOcc<Fwd>{*this, c.test}, 1);
        }
        if (c.Kind == u'z') return Simple<Fwd>(n, p, need2, LineBreakOcc<Fwd>{*this}, -1);
        if (once) return Anchor<Fwd>(c.Kind, p) ? Once<Fwd>(n, p, need2, p) : 0;
        return Simple<Fwd>(n, p, need2, AnchorOcc<Fwd>{*this, c.Kind}, 0);
      }
      case nkRef: {
        auto& r = static_cast<const TRefNode&>(*n);
        int a = caps[2 * r.slot], b = caps[2 * r.slot + 1];
        if (a <= 0 || b <= 0 || a == b) return Simple<Fwd>(n, p, need2, NeverOcc{}, 1);
        if (a > b) std::swap(a, b);
        return Simple<Fwd>(n, p, need2, RefOcc<Fwd>{*this, a, b - a, r.IgnoreCase}, b - a);
      }
      case nkZeroWidth:
        return Simple<Fwd>(n, p, need2, AssertOcc<Fwd>{*this, static_cast<const TZeroWidth&>(*n)},
                           0);
      case nkSubExpr:
        return Group<Fwd>(static_cast<const TreSubExpr&>(*n), p, need2);
      case nkBranch:
        break;
    }
    return 0;
  }
};

// Program::runChecks at pos: false when no alternative's run is followed by a unit that what
// comes after it can start with.
bool RunsMayMatch(const Program& prog, const char16_t* s, int len, int pos, int& reach) {
  for (const Program::RunCheck& rc : prog.runChecks) {
    const FlatNode& nd = *rc.node;
    int p = pos;
    int k = 0;
    for (; k < nd.min && p <= len && nd.Test(s[p - 1]); ++k) ++p;
    reach = std::max(reach, std::min(p, len + 1));
    if (k < nd.min) continue;
    if (nd.max != nd.min) {
      const int end =
          nd.max < 0 ? len + 1
                     : int(std::min<int64_t>(int64_t(len) + 1, int64_t(p) + (nd.max - nd.min)));
      while (p < end && nd.Test(s[p - 1])) ++p;
    }
    reach = std::max(reach, std::min(p, len + 1));
    if (p <= len && rc.follow.Test(s[p - 1])) return true;
  }
  return false;
}

namespace {
// Runs the root of a program that is not flat at Pos; returns the final position or 0.
inline int RunMatch(const Program& prog, std::u16string_view S, int Pos, bool Backward, int* caps,
                    int64_t budget, std::vector<int>& scratch, bool& exhausted, int& reach) {
  MatchRun run(S, caps, budget, kMaxFrames + 64, scratch);
  exhausted = false;
  run.reach = Pos;
  struct Report {
    MatchRun& run;
    int& reach;
    ~Report() { reach = std::min(run.reach, run.len + 1); }
  } report{run, reach};
  try {
    int q = Pos;
    const TreRootNode& root = *prog.root;
    int r;
    if (root.Items.size() == 1) {
      // A single alternative: the root's occurrence is just its sequence.
      caps[Backward ? 1 : 0] = Pos;
      caps[Backward ? 0 : 1] = 0;
      const TRENodeBase* first = root.Items[0]->Items.front().get();
      r = Backward ? run.Node<false>(first, q, true) : run.Node<true>(first, q, true);
    } else {
      r = Backward ? run.GroupOcc<false>(root, q) : run.GroupOcc<true>(root, q);
    }
    if (!r) return 0;
    return Backward ? caps[0] : caps[1];
  } catch (const BudgetExceeded&) {
    exhausted = true;
    run.reach = run.len + 1;  // the budget grows with the text
    return 0;
  }
}

}  // namespace
}  // namespace regex_internal

namespace {
// The match's own budget, else the default: enough for any sensible rule over the whole text.
int64_t StepBudget(const TqxRegMatch& M, std::u16string_view S) {
  return M.Budget() > 0 ? M.Budget() : 1000000 + 64 * int64_t(S.size());
}
}  // namespace

int TqxRegProgram::AnchoredLength(std::u16string_view S, int Pos, TqxRegMatch& M) const {
  M.matched_ = false;
  M.exhausted_ = false;
  // A simple program has no group but the whole match.
  M.count_ = lean_ ? 1 : p_->groupCount;
  const int pos = Pos < 1 ? 1 : Pos;
  M.reach_ = pos;
  if (S.size() >= size_t(INT32_MAX) || size_t(pos) > S.size() + 1) return -1;
  if (lean_) {
    int end;
    if (M.Budget() <= 0) {
      // The default budget: a lean program is too small to run out of it.
      end =
          regex_internal::LeanMatch<false>(*lean_, S.data(), int(S.size()), pos, nullptr, M.reach_);
    } else {
      int64_t budget = M.Budget();
      end =
          regex_internal::LeanMatch<true>(*lean_, S.data(), int(S.size()), pos, &budget, M.reach_);
      if (budget < 0) {
        M.exhausted_ = true;
        return -1;
      }
    }
    return end < 0 ? -1 : end - pos;
  }
  // Most refusals show at the second unit (a rule for "(*" tried at every "("); with the default
  // budget, which such an attempt cannot exhaust, it answers without starting a match.
  if (hasSecond_ && M.Budget() <= 0 && Pos >= 1 &&
      (size_t(Pos) >= S.size() || !second_.Test(S[size_t(Pos)]))) {
    M.reach_ = Pos + 1;
    return -1;
  }
  if (p_->flat.empty()) return MatchLength(S, Pos, M);
  // The match would fail after the runs, well within the default budget.
  if (!p_->runChecks.empty() && M.Budget() <= 0 && Pos >= 1 && size_t(Pos) <= S.size() &&
      !regex_internal::RunsMayMatch(*p_, S.data(), int(S.size()), Pos, M.reach_))
    return -1;
  // Groups write their bounds on the way back from a success; nobody reads them here, so the
  // slots need room but no reset.
  const size_t n = size_t(2 * p_->groupCount);
  if (M.bounds_.size() < n) M.bounds_.resize(n);
  const int64_t budget = StepBudget(M, S);
  regex_internal::MatchRun run(S, M.bounds_.data(), budget, regex_internal::kMaxFrames + 64,
                               M.scratch_);
  run.reach = M.reach_;
  int end;
  try {
    end = run.Flat<true>(*p_, pos);
  } catch (const regex_internal::BudgetExceeded&) {
    M.exhausted_ = true;
    M.reach_ = int(S.size()) + 1;  // the budget grows with the text
    return -1;
  }
  M.reach_ = std::min(std::max(run.reach, end - 1), int(S.size()) + 1);
  return end < 0 ? -1 : end - pos;
}

bool TqxRegProgram::Match(std::u16string_view S, int& Pos, TqxRegMatch& M, bool Backward) const {
  const int groups = p_->groupCount;
  M.matched_ = false;
  M.exhausted_ = false;
  M.count_ = groups;
  int pos = Pos < 1 ? 1 : Pos;
  M.reach_ = pos;
  if (!MayMatchAt(S, pos, Backward)) return false;
  if (S.size() >= size_t(INT32_MAX) || size_t(pos) > S.size() + 1) return false;
  const int64_t budget = StepBudget(M, S);
  if (!p_->flat.empty()) {
    // Flat programs hold no assertion, so capture slots are group numbers: the match writes
    // its groups' bounds straight into the result, on the way back from its success only.
    const size_t n = size_t(2 * groups);
    if (M.bounds_.size() < n) M.bounds_.resize(n);
    int* caps = M.bounds_.data();
    for (size_t i = 2; i < n; ++i) caps[i] = -1;
    regex_internal::MatchRun run(S, caps, budget, regex_internal::kMaxFrames + 64, M.scratch_);
    run.reach = pos;
    int end;
    try {
      end = Backward ? run.Flat<false>(*p_, pos) : run.Flat<true>(*p_, pos);
    } catch (const regex_internal::BudgetExceeded&) {
      M.exhausted_ = true;
      M.reach_ = int(S.size()) + 1;  // the budget grows with the text
      return false;
    }
    M.reach_ = std::min(std::max(run.reach, end - 1), int(S.size()) + 1);
    if (end < 0) return false;
    caps[0] = Backward ? end : pos;
    caps[1] = Backward ? pos : end;
    M.matched_ = true;
    Pos = end;
    return true;
  }
  const size_t slots = size_t(2 * p_->slotGroups);
  if (M.caps_.size() < slots) M.caps_.resize(slots);
  int* caps = M.caps_.data();
  for (size_t i = 0; i < slots; ++i) caps[i] = -1;
  bool exhausted = false;
  int end = regex_internal::RunMatch(*p_, S, pos, Backward, caps, budget, M.scratch_, exhausted,
                                     M.reach_);
  M.exhausted_ = exhausted;
  if (end <= 0) return false;
  M.bounds_.resize(size_t(2 * groups));
  M.bounds_[0] = M.caps_[0];
  M.bounds_[1] = M.caps_[1];
  for (int i = 1; i < groups; ++i) {
    int slot = p_->numberSlot[size_t(i)];
    M.bounds_[size_t(2 * i)] = M.caps_[size_t(2 * slot)];
    M.bounds_[size_t(2 * i + 1)] = M.caps_[size_t(2 * slot + 1)];
  }
  M.matched_ = true;
  Pos = end;
  return true;
}

}  // namespace synt
