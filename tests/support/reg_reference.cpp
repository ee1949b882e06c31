#include "reg_reference.h"

#include <algorithm>

#include "lists/char_utils.h"

namespace synt {
namespace regex_internal {

namespace {

struct Exhausted {};

class Reference {
 public:
  Reference(std::u16string_view s, int slotGroups, int64_t budget)
      : s_(s), len_(int(s.size())), caps_(size_t(2 * slotGroups), -1), budget_(budget) {}

  std::vector<int>& caps() { return caps_; }

  // One group occurrence: every alternative from p; the first that gives 2, else the first
  // that gives anything.
  int GroupAlg(const TreSubExpr& g, int& p, bool fwd) {
    Tick();
    Depth guard(depth_);
    std::vector<int> entry = caps_;
    int open = fwd ? 2 * g.slot : 2 * g.slot + 1;
    int close = fwd ? 2 * g.slot + 1 : 2 * g.slot;
    caps_[size_t(open)] = p;
    caps_[size_t(close)] = 0;
    std::vector<int> init = caps_;
    int best = 0;
    std::vector<int> bestState;
    for (auto& br : g.Items) {
      caps_ = init;
      int q = p;
      int r = Match(br->Items.front().get(), q, fwd);
      if (r > best) {
        best = r;
        bestState = caps_;
        if (r == 2) break;
      }
    }
    if (!best) {
      caps_ = entry;
      return 0;
    }
    caps_ = bestState;
    p = caps_[size_t(close)];
    return best;
  }

 private:
  void Tick() {
    if (--budget_ < 0) throw Exhausted{};
  }
  // The reference recurses freely; deep expressions count as exhausted rather than overflow.
  struct Depth {
    explicit Depth(int& d) : d_(d) {
      if (++d_ > 3000) throw Exhausted{};
    }
    ~Depth() { --d_; }
    int& d_;
  };
  int depth_ = 0;
  bool Has(int p, bool fwd) const { return fwd ? p <= len_ : p >= 2; }
  char16_t At(int p, bool fwd) const { return fwd ? s_[size_t(p - 1)] : s_[size_t(p - 2)]; }

  bool WordAt(int i) const { return i >= 1 && i <= len_ && IsWordChar(s_[size_t(i - 1)]); }
  bool WordBreak(int p) const {
    if (p <= 1 || p > len_) return true;
    return WordAt(p - 1) != WordAt(p);
  }

  // One occurrence at p; moves p. Returns 0 on failure, else the occurrence's result.
  int One(const TRENodeBase* n, int& p, bool fwd) {
    Tick();
    const int d = fwd ? 1 : -1;
    switch (n->kind) {
      case nkCharSeq: {
        auto& c = static_cast<const TCharSeqNode&>(*n);
        int q = p;
        for (char16_t ch : c.Chars) {
          if (!Has(q, fwd)) return 0;
          char16_t t = At(q, fwd);
          if (c.IgnoreCase ? CharUpper(t) != ch : t != ch) return 0;
          q += d;
        }
        p = q;
        return 1;
      }
      case nkCharSet: {
        auto& c = static_cast<const TCharSetNode&>(*n);
        if (!Has(p, fwd) || !c.test.Eval(At(p, fwd))) return 0;
        p += d;
        return 1;
      }
      case nkSpecCheck: {
        auto& c = static_cast<const TSpecCheckNode&>(*n);
        const char16_t k = c.Kind;
        if (c.IsSingleChar()) {
          if (!Has(p, fwd) || !c.test.Eval(At(p, fwd))) return 0;
          p += d;
          return 1;
        }
        auto ch = [&](int i) -> int { return i >= 1 && i <= len_ ? s_[size_t(i - 1)] : -1; };
        switch (k) {
          case u'$':
            return (ch(p) == -1 || ch(p) == 13 || (ch(p) == 10 && ch(p - 1) != 13)) ? 1 : 0;
          case u'^':
            if (!fwd && p == len_ + 1 && ch(p - 1) == 13) return 0;
            return (p == 1 || ch(p - 1) == 10 || (ch(p - 1) == 13 && ch(p) != 10)) ? 1 : 0;
          case u'A':
            return p == 1 ? 1 : 0;
          case u'Z':
            return p > len_ ? 1 : 0;
          case u'b':
            return WordBreak(p) ? 1 : 0;
          case u'B':
            return WordBreak(p) ? 0 : 1;
          case u'z': {
            if (!Has(p, fwd)) return 0;
            char16_t c0 = At(p, fwd);
            if (!IsLineBreakChar(c0)) return 0;
            p += d;
            if (fwd && c0 == 13 && ch(p) == 10) p += 1;
            if (!fwd && c0 == 10 && ch(p - 1) == 13) p -= 1;
            return 1;
          }
        }
        return 0;
      }
      case nkRef: {
        auto& r = static_cast<const TRefNode&>(*n);
        int a = caps_[size_t(2 * r.slot)], b = caps_[size_t(2 * r.slot + 1)];
        if (a <= 0 || b <= 0) return 0;
        if (a > b) std::swap(a, b);
        int m = b - a;
        if (m == 0) return 0;
        int from = fwd ? p : p - m;
        if (from < 1 || from + m - 1 > len_) return 0;
        for (int i = 0; i < m; ++i) {
          char16_t x = s_[size_t(from - 1 + i)], y = s_[size_t(a - 1 + i)];
          if (x != y && !(r.IgnoreCase && CharUpper(x) == CharUpper(y))) return 0;
        }
        p = fwd ? p + m : p - m;
        return 1;
      }
      case nkZeroWidth: {
        auto& z = static_cast<const TZeroWidth&>(*n);
        std::vector<int> saved = caps_;
        int q = p;
        int r = GroupAlg(*z.Body, q, !z.LookBehind);
        caps_ = saved;
        return (z.Negative ? r == 0 : r != 0) ? 2 : 0;
      }
      case nkSubExpr:
        return GroupAlg(static_cast<const TreSubExpr&>(*n), p, fwd);
      case nkBranch:
        break;
    }
    return 0;
  }

  // The slots of n's own groups come from `from`, the others from `base`.
  void KeepSubtree(const TRENodeBase* n, const std::vector<int>& from, std::vector<int>& base) {
    if (n->kind != nkSubExpr) return;
    auto& g = static_cast<const TreSubExpr&>(*n);
    for (int i = 2 * g.slot; i < 2 * g.subtreeEnd; ++i) base[size_t(i)] = from[size_t(i)];
  }

  // The node with its repetition and, through the continuation, everything after it.
  int Match(const TRENodeBase* n, int& p, bool fwd) {
    if (!n) return 2;
    Tick();
    Depth guard(depth_);
    const std::vector<int> entry = caps_;
    const int p0 = p;
    const bool isGroup = n->kind == nkSubExpr;
    std::vector<int> occ = entry;  // state after the occurrences, continuation writes dropped
    std::vector<int> occFull = entry;
    int L = 0;
    for (int i = 0; i < n->MinCount; ++i) {
      caps_ = occ;
      int r = One(n, p, fwd);
      if (!r) {
        caps_ = entry;
        p = p0;
        return 0;
      }
      L = r;
      occFull = caps_;
      KeepSubtree(n, occFull, occ);
    }
    const bool last = n->lastInGroup;
    int R = 0, best = 0;
    std::vector<int> bestState;
    int count = n->MinCount;
    for (;;) {
      const int pe = p;
      int c;
      if (isGroup && L == 2 && count > 0) {
        caps_ = occFull;
        c = 2;
      } else {
        caps_ = occ;
        if (last)
          for (int s : n->Owner->closeSlots) caps_[size_t(fwd ? 2 * s + 1 : 2 * s)] = pe;
        int pp = pe;
        int Lc = Match(n->follow, pp, fwd);
        c = last ? std::max(Lc, 1) : Lc;
      }
      if (last)
        for (int s : n->Owner->closeSlots) caps_[size_t(fwd ? 2 * s + 1 : 2 * s)] = pe;
      bool record;
      if (!n->Lazy)
        record = c > 0 && c >= R;  // greedy: the highest count with the best result
      else
        record = c == 2 || (c == 1 && (last || R == 0));
      if (record) {
        R = c;
        best = pe;
        bestState = caps_;
      }
      if (n->Lazy && R == 2) break;
      if (n->MaxCount >= 0 && count >= n->MaxCount) break;
      caps_ = occ;
      int q = pe;
      int r = One(n, q, fwd);
      if (!r || q == pe) break;
      p = q;
      L = r;
      occFull = caps_;
      KeepSubtree(n, occFull, occ);
      ++count;
    }
    if (R > 0) {
      caps_ = bestState;
      p = best;
      return R;
    }
    caps_ = entry;
    p = p0;
    return 0;
  }

  std::u16string_view s_;
  int len_;
  std::vector<int> caps_;
  int64_t budget_;
};

}  // namespace

int ReferenceMatch(const Program& prog, std::u16string_view S, int Pos, bool Backward,
                   int64_t Budget, std::vector<int>& Bounds) {
  Bounds.assign(size_t(2 * prog.groupCount), -1);
  if (Pos < 1) Pos = 1;
  if (size_t(Pos) > S.size() + 1) return 0;
  Reference ref(S, prog.slotGroups, Budget);
  try {
    int q = Pos;
    int r = ref.GroupAlg(*prog.root, q, !Backward);
    if (!r) return 0;
    for (int i = 0; i < prog.groupCount; ++i) {
      int slot = prog.numberSlot[size_t(i)];
      Bounds[size_t(2 * i)] = ref.caps()[size_t(2 * slot)];
      Bounds[size_t(2 * i + 1)] = ref.caps()[size_t(2 * slot + 1)];
    }
    return Backward ? ref.caps()[0] : ref.caps()[1];
  } catch (const Exhausted&) {
    return -1;
  }
}

}  // namespace regex_internal
}  // namespace synt
