// Analysis of a parsed tree: literal runs, links, capture slots, first-character filters,
// keyword tries, dispatch tables and the recursion a match can need.
#include <algorithm>
#include <bit>
#include <map>

#include "lists/char_utils.h"
#include "regex/reg_lean.h"
#include "regex/reg_nodes.h"

namespace synt {
namespace regex_internal {

std::unique_ptr<TreRootNode> ParseExpression(std::u16string_view expr, uint16_t flags,
                                             uint16_t statics, const TRegExprHooks* hooks,
                                             int& slotGroups, int* errorPos);

namespace {

using NodeList = std::vector<std::unique_ptr<TRENodeBase>>;

// Consecutive single literals become one run: one frame and one comparison instead of many.
void MergeLiterals(TreSubExpr& g) {
  for (auto& br : g.Items) {
    NodeList& items = br->Items;
    NodeList out;
    out.reserve(items.size());
    for (auto& n : items) {
      if (n->kind == nkSubExpr) MergeLiterals(static_cast<TreSubExpr&>(*n));
      if (n->kind == nkZeroWidth) MergeLiterals(*static_cast<TZeroWidth&>(*n).Body);
      if (n->kind == nkCharSeq && n->MinCount == 1 && n->MaxCount == 1 && !out.empty() &&
          out.back()->kind == nkCharSeq && out.back()->MinCount == 1 && out.back()->MaxCount == 1) {
        auto& prev = static_cast<TCharSeqNode&>(*out.back());
        auto& cur = static_cast<TCharSeqNode&>(*n);
        if (prev.IgnoreCase == cur.IgnoreCase) {
          prev.Chars += cur.Chars;
          continue;
        }
      }
      out.push_back(std::move(n));
    }
    items = std::move(out);
  }
}

void FinishCharSeqs(TreSubExpr& g, const TRegExprHooks* hooks) {
  for (auto& br : g.Items)
    for (auto& n : br->Items) {
      if (n->kind == nkSubExpr) FinishCharSeqs(static_cast<TreSubExpr&>(*n), hooks);
      if (n->kind == nkZeroWidth) FinishCharSeqs(*static_cast<TZeroWidth&>(*n).Body, hooks);
      if (n->kind == nkCharSeq) {
        auto& s = static_cast<TCharSeqNode&>(*n);
        s.test.kind = CharTest::ckLiteral;
        s.test.ignoreCase = s.IgnoreCase;
        s.test.ch = s.Chars[0];
        s.test.hooks = hooks;
        s.test.Finish();
      }
    }
}

// Slots [lo, hi) (in ints) of the groups inside a node.
std::pair<int, int> SubtreeInts(const TRENodeBase& n) {
  if (n.kind == nkSubExpr) {
    auto& g = static_cast<const TreSubExpr&>(n);
    return {2 * g.slot, 2 * g.subtreeEnd};
  }
  if (n.kind == nkZeroWidth) {
    auto& b = *static_cast<const TZeroWidth&>(n).Body;
    return {2 * b.slot, 2 * b.subtreeEnd};
  }
  return {0, 0};
}

void AddRange(SlotRanges& r, int lo, int hi) {
  if (lo < hi) r.emplace_back(lo, hi);
}

void Normalize(SlotRanges& r) {
  std::sort(r.begin(), r.end());
  SlotRanges out;
  for (auto& x : r) {
    if (!out.empty() && x.first <= out.back().second)
      out.back().second = std::max(out.back().second, x.second);
    else
      out.push_back(x);
  }
  r = std::move(out);
}

// Links every node to its sequence, group and continuation, top-down.
void Link(TreSubExpr& g) {
  std::vector<int> close;
  close.push_back(g.slot);
  if (g.lastInGroup && g.Owner)
    close.insert(close.end(), g.Owner->closeSlots.begin(), g.Owner->closeSlots.end());
  g.closeSlots = std::move(close);
  for (auto& br : g.Items) {
    NodeList& items = br->Items;
    for (size_t i = 0; i < items.size(); ++i) {
      TRENodeBase& n = *items[i];
      n.Owner = &g;
      n.Next = i + 1 < items.size() ? items[i + 1].get() : nullptr;
      n.follow = n.Next ? n.Next : g.follow;
      n.lastInGroup = !n.Next;
      n.fullMode = !g.top;
    }
    for (auto& n : items) {
      if (n->kind == nkSubExpr) Link(static_cast<TreSubExpr&>(*n));
      if (n->kind == nkZeroWidth) {
        TreSubExpr& body = *static_cast<TZeroWidth&>(*n).Body;
        body.Owner = nullptr;
        body.follow = nullptr;
        Link(body);
      }
    }
  }
}

// Which capture slots matching from a node may write: the groups of the rest of its sequence,
// the groups that close after it, and so on outwards.
void ComputeWrites(TreSubExpr& g, const SlotRanges& outer) {
  g.occWrites.clear();
  AddRange(g.occWrites, 2 * g.slot, 2 * g.subtreeEnd);
  for (int s : g.closeSlots) AddRange(g.occWrites, 2 * s, 2 * s + 2);
  Normalize(g.occWrites);
  // outer: what the continuation after g writes.
  for (auto& br : g.Items) {
    NodeList& items = br->Items;
    int hi = 0;
    for (auto& n : items) hi = std::max(hi, SubtreeInts(*n).second);
    int lo = hi;
    for (size_t i = items.size(); i-- > 0;) {
      auto st = SubtreeInts(*items[i]);
      if (st.first < st.second) lo = std::min(lo, st.first);
      SlotRanges w = outer;
      AddRange(w, lo, hi);
      AddRange(w, 2 * g.slot, 2 * g.slot + 2);
      for (int s : g.closeSlots) AddRange(w, 2 * s, 2 * s + 2);
      Normalize(w);
      items[i]->writes = std::move(w);
    }
    for (auto& n : items) {
      if (n->kind == nkSubExpr) {
        auto& sub = static_cast<TreSubExpr&>(*n);
        SlotRanges after = sub.follow ? sub.follow->writes : SlotRanges{};
        ComputeWrites(sub, after);
      }
      if (n->kind == nkZeroWidth) ComputeWrites(*static_cast<TZeroWidth&>(*n).Body, {});
    }
  }
}

// First units of one occurrence of a node, and whether an occurrence can consume nothing.
void OccurrenceFirst(const TRENodeBase& n, CharFilter& f, bool& nullable) {
  nullable = false;
  switch (n.kind) {
    case nkCharSeq:
      f.Merge(static_cast<const TCharSeqNode&>(n).test.Filter());
      break;
    case nkCharSet:
      f.Merge(static_cast<const TCharSetNode&>(n).test.Filter());
      break;
    case nkSpecCheck: {
      auto& s = static_cast<const TSpecCheckNode&>(n);
      if (s.Kind == u'z') {
        for (char16_t c : {0x0A, 0x0B, 0x0C, 0x0D, 0x85}) f.Add(c);
        f.high = true;
      } else if (s.IsSingleChar()) {
        f.Merge(s.test.Filter());
      } else {
        nullable = true;
      }
      break;
    }
    case nkRef:
      f.AddAll();
      break;
    case nkZeroWidth:
      nullable = true;
      break;
    case nkSubExpr: {
      auto& g = static_cast<const TreSubExpr&>(n);
      for (auto& br : g.Items) {
        f.Merge(br->Items.front()->first1);
        nullable |= br->Items.front()->nullable1;
      }
      break;
    }
    case nkBranch:
      break;
  }
}

// first1/nullable1: from the node to the end of its group; bottom-up.
void ComputeFirst1(TreSubExpr& g) {
  for (auto& br : g.Items) {
    NodeList& items = br->Items;
    for (auto& n : items) {
      if (n->kind == nkSubExpr) ComputeFirst1(static_cast<TreSubExpr&>(*n));
      if (n->kind == nkZeroWidth) ComputeFirst1(*static_cast<TZeroWidth&>(*n).Body);
    }
    for (size_t i = items.size(); i-- > 0;) {
      TRENodeBase& n = *items[i];
      CharFilter f;
      bool occNullable;
      OccurrenceFirst(n, f, occNullable);
      bool nodeNullable = occNullable || n.MinCount == 0;
      if (nodeNullable && n.Next) f.Merge(n.Next->first1);
      n.first1 = f;
      n.nullable1 = nodeNullable && (n.Next ? n.Next->nullable1 : true);
    }
  }
}

// first2/nullable2 (to the end of the expression) and the frames a match needs; top-down.
// after: the filter of what follows g; afterFrames: frames needed by g's continuation.
void ComputeFirst2(TreSubExpr& g, const CharFilter* afterFirst, bool afterNullable, int afterFrames,
                   std::vector<int>& frames, int& groupFrames) {
  int best = 0;
  for (auto& br : g.Items) {
    NodeList& items = br->Items;
    int nextFrames = afterFrames;
    const CharFilter* nextFirst = afterFirst;
    bool nextNullable = afterNullable;
    for (size_t i = items.size(); i-- > 0;) {
      TRENodeBase& n = *items[i];
      n.first2 = n.first1;
      n.nullable2 = n.nullable1;
      if (n.nullable1) {
        // The rest of the group can be empty: what follows the group shows through.
        if (afterFirst) n.first2.Merge(*afterFirst);
        n.nullable2 = afterNullable;
      }
      int inner = 0;
      if (n.kind == nkSubExpr) {
        int gf = 0;
        ComputeFirst2(static_cast<TreSubExpr&>(n), nextFirst, nextNullable, nextFrames, frames, gf);
        inner = gf;
      } else if (n.kind == nkZeroWidth) {
        int gf = 0;
        ComputeFirst2(*static_cast<TZeroWidth&>(n).Body, nullptr, true, 0, frames, gf);
        inner = 1 + gf;
      }
      int self = 1 + std::max(inner, nextFrames);
      nextFrames = self;
      nextFirst = &n.first2;
      nextNullable = n.nullable2;
    }
    best = std::max(best, nextFrames);
  }
  groupFrames = 1 + best;
}

void BuildTries(TreSubExpr& g) {
  for (auto& br : g.Items)
    for (auto& n : br->Items) {
      if (n->kind == nkSubExpr) BuildTries(static_cast<TreSubExpr&>(*n));
      if (n->kind == nkZeroWidth) BuildTries(*static_cast<TZeroWidth&>(*n).Body);
    }
  if (g.Items.size() < 3) return;
  bool ok = true;
  bool ic = false;
  for (size_t i = 0; i < g.Items.size() && ok; ++i) {
    auto& items = g.Items[i]->Items;
    ok = items.size() == 1 && items[0]->kind == nkCharSeq && items[0]->MinCount == 1 &&
         items[0]->MaxCount == 1;
    if (ok) {
      bool c = static_cast<TCharSeqNode&>(*items[0]).IgnoreCase;
      if (i == 0) ic = c;
      ok = c == ic;
    }
  }
  if (ok) {
    // Built with a map per node, then laid out compactly.
    struct Building {
      std::map<char16_t, uint32_t> next;
      std::vector<uint32_t> alts;
      uint32_t depth = 0;
    };
    std::vector<Building> b(1);
    for (size_t i = 0; i < g.Items.size(); ++i) {
      auto& s = static_cast<TCharSeqNode&>(*g.Items[i]->Items[0]).Chars;
      uint32_t cur = 0;
      for (char16_t c : s) {
        auto it = b[cur].next.find(c);
        if (it == b[cur].next.end()) {
          uint32_t child = uint32_t(b.size());
          b[cur].next.emplace(c, child);
          b.emplace_back();
          b.back().depth = b[cur].depth + 1;
          cur = child;
        } else {
          cur = it->second;
        }
      }
      b[cur].alts.push_back(uint32_t(i));
    }
    auto t = std::make_unique<KeywordTrie>();
    t->ignoreCase = ic;
    std::fill(std::begin(t->rootNext), std::end(t->rootNext), 0u);
    t->nodes.resize(b.size());
    for (size_t n = 0; n < b.size(); ++n) {
      KeywordTrie::Node& nd = t->nodes[n];
      nd.depth = b[n].depth;
      nd.alts = uint32_t(t->alts.size());
      nd.altCount = uint32_t(b[n].alts.size());
      t->alts.insert(t->alts.end(), b[n].alts.begin(), b[n].alts.end());
      nd.edges = uint32_t(t->edges.size());
      for (auto& e : b[n].next) {
        if (n == 0 && e.first < 256) {
          t->rootNext[e.first] = e.second;
          continue;
        }
        t->edges.emplace_back(e.first, e.second);
        ++nd.edgeCount;
      }
    }
    g.trie = std::move(t);
    return;
  }
  if (g.Items.size() < 4) return;
  // Candidate alternatives per first unit, so that a long alternation tries only those that
  // can start at the position.
  size_t total = 0;
  g.dispatch.assign(256, {});
  for (size_t i = 0; i < g.Items.size(); ++i) {
    const TRENodeBase& first = *g.Items[i]->Items.front();
    for (unsigned c = 0; c < 256; ++c)
      if (first.nullable1 || first.first1.Test(char16_t(c))) g.dispatch[c].push_back(uint32_t(i));
    if (first.nullable1 || first.first1.high) g.dispatchHigh.push_back(uint32_t(i));
    if (first.nullable1) g.dispatchEnd.push_back(uint32_t(i));
  }
  total += g.dispatchHigh.size();
  for (auto& d : g.dispatch) total += d.size();
  if (total > (1u << 22)) {
    g.dispatch.clear();
    g.dispatchHigh.clear();
    g.dispatchEnd.clear();
  }
}

void ResolveRefs(TreSubExpr& g, const std::vector<int>& numberSlot) {
  for (auto& br : g.Items)
    for (auto& n : br->Items) {
      if (n->kind == nkSubExpr) ResolveRefs(static_cast<TreSubExpr&>(*n), numberSlot);
      if (n->kind == nkZeroWidth) ResolveRefs(*static_cast<TZeroWidth&>(*n).Body, numberSlot);
      if (n->kind == nkRef) {
        auto& r = static_cast<TRefNode&>(*n);
        r.slot = numberSlot[r.GroupIndex];
      }
    }
}

// The alternatives of g as flat sequences; false when one of them cannot be flat.
bool FlatAlternatives(const TreSubExpr& g, std::vector<FlatAlt>& out) {
  for (auto& br : g.Items) {
    FlatAlt alt;
    for (auto& n : br->Items) {
      FlatNode f;
      f.min = n->MinCount;
      f.max = n->MaxCount;
      f.lazy = n->Lazy;
      switch (n->kind) {
        case nkCharSeq: {
          auto& c = static_cast<const TCharSeqNode&>(*n);
          if (c.Chars.size() == 1) {
            f.test = &c.test;
            std::copy(std::begin(c.test.low), std::end(c.test.low), f.low);
          } else {
            f.kind = FlatNode::fkString;
            f.str = &c;
            f.width = int(c.Chars.size());
          }
          break;
        }
        case nkCharSet:
          f.test = &static_cast<const TCharSetNode&>(*n).test;
          std::copy(std::begin(f.test->low), std::end(f.test->low), f.low);
          break;
        case nkSpecCheck: {
          auto& c = static_cast<const TSpecCheckNode&>(*n);
          if (c.IsSingleChar()) {
            f.test = &c.test;
            std::copy(std::begin(c.test.low), std::end(c.test.low), f.low);
          } else if (c.Kind == u'z') {
            return false;  // varying width
          } else {
            f.kind = FlatNode::fkAnchor;
            f.anchor = c.Kind;
            f.width = 0;
          }
          break;
        }
        case nkSubExpr: {
          auto& sub = static_cast<const TreSubExpr&>(*n);
          if (n->MaxCount != 1 || sub.Items.empty()) return false;
          f.kind = FlatNode::fkGroup;
          f.group = &sub;
          f.width = 0;
          if (!FlatAlternatives(sub, f.alts)) return false;
          break;
        }
        default:
          return false;
      }
      if (n->follow) {
        f.followFirst = n->follow->first2;
        f.followNullable = n->follow->nullable2;
      }
      // What the repeated unit starts with must not start what follows: then a shorter count
      // can never succeed where a longer one failed.
      if (f.kind == FlatNode::fkClass || f.kind == FlatNode::fkString) {
        CharFilter own = f.kind == FlatNode::fkClass ? f.test->Filter() : f.str->test.Filter();
        bool overlap = own.high && f.followFirst.high;
        for (int i = 0; i < 4; ++i) overlap |= (own.low[i] & f.followFirst.low[i]) != 0;
        f.possessive = !f.lazy && (!n->follow || (!f.followNullable && !overlap));
      }
      alt.push_back(std::move(f));
    }
    out.push_back(std::move(alt));
  }
  return true;
}

bool HasRefOrAssertion(const TreSubExpr& g) {
  for (auto& br : g.Items)
    for (auto& n : br->Items) {
      if (n->kind == nkRef || n->kind == nkZeroWidth) return true;
      if (n->kind == nkSubExpr && HasRefOrAssertion(static_cast<const TreSubExpr&>(*n)))
        return true;
    }
  return false;
}

void BuildRunChecks(Program& p) {
  // Few alternatives only: the check scans each one's run.
  if (p.flat.size() > 64) return;
  std::vector<Program::RunCheck> checks;
  for (const FlatAlt& alt : p.flat) {
    if (alt.empty()) return;
    const FlatNode& nd = alt.front();
    if (nd.kind != FlatNode::fkClass || !(nd.possessive || nd.min == nd.max) || nd.followNullable)
      return;
    // Alternatives that start with the same run (a float's "\d+" twice) share one scan: what
    // may follow it is the union.
    auto same = [&nd](const Program::RunCheck& c) {
      const FlatNode& o = *c.node;
      return o.min == nd.min && o.max == nd.max && *o.test == *nd.test;
    };
    auto it = std::find_if(checks.begin(), checks.end(), same);
    if (it != checks.end())
      it->follow.Merge(nd.followFirst);
    else
      checks.push_back({&nd, nd.followFirst});
  }
  p.runChecks = std::move(checks);
}

void BuildFlat(Program& p) {
  TreRootNode& root = *p.root;
  if (root.trie || HasRefOrAssertion(root)) return;
  std::vector<FlatAlt> alts;
  // The flat matcher takes capture slots for group numbers.
  if (p.slotGroups != p.groupCount) return;
  if (!FlatAlternatives(root, alts)) return;
  p.flat = std::move(alts);
  p.simple = true;
  for (const FlatAlt& alt : p.flat) {
    int tails = 0;
    for (size_t k = 0; k < alt.size(); ++k) {
      const FlatNode& nd = alt[k];
      if (nd.kind == FlatNode::fkGroup) p.simple = false;
      if (nd.kind == FlatNode::fkAnchor || nd.min == nd.max || nd.possessive) continue;
      // A greedy repetition followed only by what may occur zero times keeps its highest count:
      // everything after it matches there. A few of them only, so that the repetitions' frames
      // never get deep enough for the stack checks.
      const bool tail =
          std::all_of(alt.begin() + ptrdiff_t(k) + 1, alt.end(),
                      [](const FlatNode& f) { return f.min == 0 && f.kind != FlatNode::fkGroup; });
      if (nd.lazy || !tail || ++tails > 16) p.simple = false;
    }
  }
  if (!p.simple) {
    BuildRunChecks(p);
    return;
  }
  size_t nodes = p.flat.size();
  for (const FlatAlt& alt : p.flat) nodes += alt.size();
  if (p.flat.size() > LeanProgram::kMaxAlts || nodes > LeanProgram::kMaxNodes) return;
  auto lean = std::make_unique<LeanProgram>();
  const bool dispatch = !root.dispatch.empty();
  // Without a dispatch table the root tries every alternative.
  auto tried = [&](const std::vector<uint32_t>& list, size_t i) {
    return !dispatch || std::find(list.begin(), list.end(), uint32_t(i)) != list.end();
  };
  for (size_t i = 0; i < p.flat.size(); ++i) {
    const uint64_t bit = uint64_t(1) << i;
    for (unsigned c = 0; c < 256; ++c)
      if (!dispatch || tried(root.dispatch[c], i)) lean->tried[c] |= bit;
    if (tried(root.dispatchHigh, i)) lean->tried[LeanProgram::kHigh] |= bit;
    if (tried(root.dispatchEnd, i)) lean->tried[LeanProgram::kEnd] |= bit;
    lean->start[i] = uint16_t(lean->nodes.size());
    for (const FlatNode& nd : p.flat[i]) {
      LeanNode l;
      l.min = nd.min;
      l.max = nd.max;
      l.greedyTail = nd.kind != FlatNode::fkAnchor && nd.min != nd.max && !nd.possessive;
      if (nd.kind == FlatNode::fkClass) {
        l.kind = LeanNode::lkClass;
        std::copy(std::begin(nd.low), std::end(nd.low), l.low);
        l.test = nd.test;
      } else if (nd.kind == FlatNode::fkString) {
        l.kind = LeanNode::lkString;
        l.chars = nd.str->Chars.data();
        l.count = int32_t(nd.str->Chars.size());
        l.ignoreCase = nd.str->IgnoreCase;
      } else {
        l.kind = LeanNode::lkAnchor;
        l.anchor = nd.anchor;
      }
      lean->nodes.push_back(l);
    }
    lean->nodes.emplace_back();  // lkStop
  }
  for (size_t k = 0; k < 258; ++k)
    if (lean->tried[k]) lean->first[k] = lean->start[std::countr_zero(lean->tried[k])];
  p.lean = std::move(lean);
}

bool Once(const TRENodeBase& n) {
  return n.MinCount == 1 && n.MaxCount == 1;
}

bool SingleUnit(const TRENodeBase& n) {
  switch (n.kind) {
    case nkCharSeq:
      return static_cast<const TCharSeqNode&>(n).Chars.size() == 1;
    case nkCharSet:
      return true;
    case nkSpecCheck:
      return static_cast<const TSpecCheckNode&>(n).IsSingleChar();
    default:
      return false;
  }
}

const CharTest& SingleTest(const TRENodeBase& n) {
  switch (n.kind) {
    case nkCharSeq:
      return static_cast<const TCharSeqNode&>(n).test;
    case nkCharSet:
      return static_cast<const TCharSetNode&>(n).test;
    default:
      return static_cast<const TSpecCheckNode&>(n).test;
  }
}

// Units that unit i of a literal run matches (as StringOcc compares).
void AddRunUnit(const TCharSeqNode& s, size_t i, CharFilter& f) {
  const char16_t c = s.Chars[i];
  for (unsigned u = 0; u < 256; ++u)
    if (u == c || (s.IgnoreCase && CharUpper(char16_t(u)) == c)) f.Add(char16_t(u));
  if (c >= 256 || s.IgnoreCase) f.high = true;
}

// Program::second, from the root's alternatives.
void BuildSecond(Program& p) {
  CharFilter f;
  for (auto& br : p.root->Items) {
    if (br->Items.empty()) return;
    const TRENodeBase& n0 = *br->Items.front();
    if (!Once(n0)) return;
    if (n0.kind == nkCharSeq && static_cast<const TCharSeqNode&>(n0).Chars.size() >= 2) {
      AddRunUnit(static_cast<const TCharSeqNode&>(n0), 1, f);
      continue;
    }
    if (!SingleUnit(n0) || !n0.Next || !Once(*n0.Next)) return;
    const TRENodeBase& n1 = *n0.Next;
    if (SingleUnit(n1))
      f.Merge(SingleTest(n1).Filter());
    else if (n1.kind == nkCharSeq)
      AddRunUnit(static_cast<const TCharSeqNode&>(n1), 0, f);
    else
      return;
  }
  // Refusing a position on the second unit must not hide an exhausted budget: with a few
  // thousand alternatives at most, the attempt it saves costs far less than any budget.
  p.hasSecond = !p.root->Items.empty() && p.root->Items.size() <= 4096;
  p.second = f;
}

bool Disjoint(const CharFilter& a, const CharFilter& b) {
  for (int i = 0; i < 4; ++i)
    if (a.low[i] & b.low[i]) return false;
  return !(a.high && b.high);
}

void MarkFollowsDisjoint(TreSubExpr& g) {
  for (auto& br : g.Items)
    for (auto& n : br->Items) {
      if (n->kind == nkZeroWidth) {
        MarkFollowsDisjoint(*static_cast<TZeroWidth&>(*n).Body);
        continue;
      }
      if (n->kind != nkSubExpr) continue;
      auto& s = static_cast<TreSubExpr&>(*n);
      MarkFollowsDisjoint(s);
      CharFilter occ;
      for (auto& a : s.Items) occ.Merge(a->Items.front()->first1);
      const TRENodeBase* f = s.follow;
      s.followsDisjoint = !f || (!f->nullable1 && !f->nullable2 && Disjoint(f->first1, occ) &&
                                 Disjoint(f->first2, occ));
    }
}

}  // namespace

std::unique_ptr<Program> Compile(std::u16string_view expr, uint16_t flags, uint16_t statics,
                                 std::shared_ptr<const TRegExprHooks> hooks, int* errorPos) {
  auto p = std::make_unique<Program>();
  p->hooks = std::move(hooks);
  p->root = ParseExpression(expr, flags, statics, p->hooks.get(), p->slotGroups, errorPos);
  TreRootNode& root = *p->root;
  p->groupCount = int(root.Groups.size());
  for (TreSubExpr* g : root.Groups) p->numberSlot.push_back(g->slot);
  MergeLiterals(root);
  FinishCharSeqs(root, p->hooks.get());
  root.Owner = nullptr;
  root.follow = nullptr;
  Link(root);
  ComputeWrites(root, {});
  ComputeFirst1(root);
  std::vector<int> frames;
  int rootFrames = 0;
  ComputeFirst2(root, nullptr, true, 0, frames, rootFrames);
  p->maxFrames = rootFrames + 2;
  if (p->maxFrames > kMaxFrames) throw Exception("Expression is too complex");
  BuildTries(root);
  MarkFollowsDisjoint(root);
  ResolveRefs(root, p->numberSlot);
  BuildFlat(*p);
  BuildSecond(*p);
  return p;
}

}  // namespace regex_internal
}  // namespace synt
