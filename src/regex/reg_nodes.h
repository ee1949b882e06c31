// Internal: the compiled form of a TqxRegExpr. Parsing (reg_parser.cpp) builds a tree of nodes;
// analysis adds what the matchers need (continuations, capture slots, first-character filters,
// keyword tries, frame depth). The tree is immutable afterwards, so any number of threads may
// match against it at once; all match state lives in the matcher.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "regex/reg_expr.h"

namespace synt {

namespace regex_internal {

// TqxCharFilter with the operations analysis needs.
struct CharFilter : TqxCharFilter {
  void Add(char16_t c) {
    if (c < 256)
      low[c >> 6] |= uint64_t(1) << (c & 63);
    else
      high = true;
  }
  void AddAll() {
    low[0] = low[1] = low[2] = low[3] = ~uint64_t(0);
    high = true;
  }
  void Merge(const TqxCharFilter& o) {
    for (int i = 0; i < 4; ++i) low[i] |= o.low[i];
    high |= o.high;
  }
};

// Membership of one code unit in what a single-character node accepts.
struct CharTest {
  enum Kind : uint8_t { ckLiteral, ckSet, ckClass, ckAny, ckNotLineBreak };
  enum High : uint8_t { hNone, hAll, hEval };

  uint64_t low[4] = {0, 0, 0, 0};  // final answers below 256
  High high = hNone;               // how to answer above 255
  Kind kind = ckLiteral;
  bool ignoreCase = false;
  bool negated = false;
  char16_t ch = 0;         // ckLiteral (upper-cased with ignoreCase); ckClass: the class letter
  std::u16string ranges;   // ckSet: low/high pairs as written
  std::u16string classes;  // ckSet: class letters
  std::u16string singles;  // ckSet: upper-cased with ignoreCase
  const TRegExprHooks* hooks = nullptr;

  bool Test(char16_t c) const {
    if (c < 256) return (low[c >> 6] >> (c & 63)) & 1;
    return high == hAll || (high == hEval && Eval(c));
  }
  bool Eval(char16_t c) const;  // the full rule, for any unit
  void Finish();                // fills low and high from Eval
  bool LowOnly() const;
  CharFilter Filter() const;
  bool operator==(const CharTest&) const = default;
};

bool ClassTest(char16_t letter, char16_t c, const TRegExprHooks* hooks);

enum NodeKind : uint8_t {
  nkCharSeq,
  nkCharSet,
  nkSpecCheck,
  nkRef,
  nkZeroWidth,
  nkSubExpr,
  nkBranch
};

struct TreSubExpr;

// Slot ranges [lo, hi) into the capture array (two ints per group: start, end).
using SlotRanges = std::vector<std::pair<int, int>>;

struct TRENodeBase {
  explicit TRENodeBase(NodeKind k) : kind(k) {}
  virtual ~TRENodeBase() = default;

  NodeKind kind;
  int32_t MinCount = 1;
  int32_t MaxCount = 1;  // -1: unlimited
  bool Lazy = false;
  TRENodeBase* Next = nullptr;  // following node of the same sequence
  TreSubExpr* Owner = nullptr;  // enclosing group

  // Filled by analysis.
  const TRENodeBase* follow = nullptr;  // what runs after this node: Next, else the owner's follow
  bool lastInGroup = false;
  bool fullMode = false;  // results of 1 are possible (the owner is an inner group)
  CharFilter first1;      // first units of this node to the end of its group
  bool nullable1 = false;
  CharFilter first2;  // first units of this node to the end of the expression (or assertion)
  bool nullable2 = false;
  SlotRanges writes;  // capture slots that matching from here may change
};

// One literal character or a run of them (consecutive single literals are merged).
struct TCharSeqNode : TRENodeBase {
  TCharSeqNode() : TRENodeBase(nkCharSeq) {}
  bool IgnoreCase = false;
  std::u16string Chars;  // upper-cased with IgnoreCase
  CharTest test;         // for a single character
};

struct TCharSetNode : TRENodeBase {
  TCharSetNode() : TRENodeBase(nkCharSet) {}
  CharTest test;  // holds ignore-case, negation, ranges, class letters and single characters
};

// A class, an anchor or ".": Kind is one of . : ^ A $ Z b B z or a class letter.
struct TSpecCheckNode : TRENodeBase {
  TSpecCheckNode() : TRENodeBase(nkSpecCheck) {}
  char16_t Kind = 0;
  CharTest test;  // for . : and class letters
  bool IsSingleChar() const {
    return !(Kind == u'^' || Kind == u'A' || Kind == u'$' || Kind == u'Z' || Kind == u'b' ||
             Kind == u'B' || Kind == u'z');
  }
};

struct TRefNode : TRENodeBase {
  TRefNode() : TRENodeBase(nkRef) {}
  int GroupIndex = 0;  // the group's number
  int slot = 0;        // its capture slot
  bool IgnoreCase = false;
};

// One alternative: a sequence.
struct TreBranchNode : TRENodeBase {
  TreBranchNode() : TRENodeBase(nkBranch) {}
  std::vector<std::unique_ptr<TRENodeBase>> Items;
  void Clear() { Items.clear(); }
};

struct KeywordTrie;

// A group; also the body of an assertion (unnumbered) and the root.
struct TreSubExpr : TRENodeBase {
  TreSubExpr() : TRENodeBase(nkSubExpr) {}
  std::vector<std::unique_ptr<TreBranchNode>> Items;  // the alternatives
  int Number = -1;                                    // group number; -1 inside an assertion body
  int slot = 0;                                       // capture slot (every group has one)
  int subtreeEnd = 0;  // one past the last slot of the groups inside it
  bool top = false;    // the root or an assertion body: results of 1 cannot happen inside
  // Analysis.
  std::vector<int> closeSlots;        // groups whose end closes when this group's alternatives end
  SlotRanges occWrites;               // what one occurrence may change: its groups and closeSlots
  std::unique_ptr<KeywordTrie> trie;  // when every alternative is one literal run
  std::vector<std::vector<uint32_t>> dispatch;  // per unit below 256: candidate alternatives
  std::vector<uint32_t> dispatchHigh;           // candidates for units above 255
  std::vector<uint32_t> dispatchEnd;            // candidates at the end of the text
  // Matching forwards, what follows the group can never start where an occurrence of it starts
  // (their first units are disjoint, and what follows cannot be empty): a greedy repetition need
  // not keep its earlier counts, only the latest.
  bool followsDisjoint = false;
  void Clear() { Items.clear(); }
};

struct TZeroWidth : TRENodeBase {
  TZeroWidth() : TRENodeBase(nkZeroWidth) {}
  bool LookBehind = false;
  bool Negative = false;
  std::unique_ptr<TreSubExpr> Body;
};

struct TreRootNode : TreSubExpr {
  std::vector<TreSubExpr*> Groups;  // by number; index 0 is the root itself
};

// Alternatives that are single literal runs, for keyword lists. Compact: one array of nodes,
// one of edges (each node's sorted by unit) and one of alternatives.
struct KeywordTrie {
  struct Node {
    uint32_t edges = 0, edgeCount = 0;  // its children in `edges`
    uint32_t alts = 0, altCount = 0;    // the alternatives ending here, in `alts`
    uint32_t depth = 0;
  };
  std::vector<Node> nodes;
  std::vector<std::pair<char16_t, uint32_t>> edges;
  std::vector<uint32_t> alts;
  uint32_t rootNext[256];  // children of the root for units below 256 (0: none)
  bool ignoreCase = false;

  int Child(uint32_t n, char16_t c) const {
    if (n == 0 && c < 256) return int(rootNext[c]);
    const Node& nd = nodes[n];
    const std::pair<char16_t, uint32_t>* e = edges.data() + nd.edges;
    uint32_t lo = 0, hi = nd.edgeCount;
    while (hi - lo > 8) {
      uint32_t mid = (lo + hi) / 2;
      if (e[mid].first < c)
        lo = mid + 1;
      else
        hi = mid + 1;  // mid itself may be the one
    }
    for (; lo < hi; ++lo)
      if (e[lo].first == c) return int(e[lo].second);
    return 0;
  }
};

// The root's alternatives when they hold only single-unit nodes, literal runs, anchors and
// groups that occur at most once (no repetition of a group, no back reference, no assertion):
// there every result is "all matched" or nothing, so a plain first-success search with
// continuations gives the engine's answer without capture bookkeeping; a group's bounds are
// written on the way back from the success. A repetition whose continuation cannot start with
// what it repeats never gives anything back ("possessive"), so most token rules are loops.
struct FlatNode;
using FlatAlt = std::vector<FlatNode>;
struct FlatNode {
  enum Kind : uint8_t { fkClass, fkString, fkAnchor, fkGroup };
  // The fields a match reads first share the node's first cache line.
  Kind kind = fkClass;
  bool lazy = false;
  bool possessive = false;
  bool followNullable = true;
  char16_t anchor = 0;
  int32_t min = 1, max = 1;
  int width = 1;
  uint64_t low[4] = {0, 0, 0, 0};  // fkClass: the test's answers below 256, kept here
  const CharTest* test = nullptr;
  const TCharSeqNode* str = nullptr;
  const TreSubExpr* group = nullptr;
  std::vector<FlatAlt> alts;  // fkGroup: its alternatives
  CharFilter followFirst;     // what may start everything after the node
  bool Test(char16_t c) const {
    if (c < 256) return (low[c >> 6] >> (c & 63)) & 1;
    return test->Test(c);
  }
};

struct LeanProgram;  // regex/reg_lean.h

// Everything a match needs, built once per compilation.
struct Program {
  std::unique_ptr<TreRootNode> root;
  int groupCount = 1;           // numbered groups, the whole match included
  int slotGroups = 1;           // every group, assertion bodies included
  std::vector<int> numberSlot;  // capture slot of each group number
  int maxFrames = 0;            // deepest recursion a match can reach
  std::shared_ptr<const TRegExprHooks> hooks;
  std::vector<FlatAlt> flat;  // the root's alternatives, when all of them can be flat
  // Flat, and no alternative holds a choice (no group; every repetition fixed, possessive or
  // followed only by what may occur zero times): a length-only match is one pass per
  // alternative.
  bool simple = false;
  std::unique_ptr<LeanProgram> lean;  // a simple program's length-only form
  // When every alternative of a flat program that is not simple starts with a class repeated
  // without giving back, followed by something that needs a unit: per alternative, the class
  // and the units the rest can start with. A position where no alternative's run is followed by
  // such a unit has no match (a float rule tried at every integer).
  struct RunCheck {
    const FlatNode* node = nullptr;
    CharFilter follow;
  };
  std::vector<RunCheck> runChecks;
  // When every alternative starts with two units taken once (a literal run, or two single-unit
  // nodes): the units a match can have second.
  bool hasSecond = false;
  CharFilter second;
};

// Parses and analyses Expr; throws synt::Exception (or EConvertError) with the exact message,
// and then sets *ErrorPos (if given) to the 1-based position in Expr where reading stopped.
std::unique_ptr<Program> Compile(std::u16string_view Expr, uint16_t Flags, uint16_t Static,
                                 std::shared_ptr<const TRegExprHooks> Hooks,
                                 int* ErrorPos = nullptr);

// Applies modifier letters to Flags (leaving the bits of Static alone); throws on a bad letter.
uint16_t ApplyModifierLetters(std::u16string_view Letters, uint16_t Flags, uint16_t Static);

// Parses the digits of a hexadecimal escape into a code unit; throws the exact errors.
char16_t HexEscapeValue(std::u16string_view Digits);

// Lowest stack address this thread's recursion may use (0: unknown).
uintptr_t StackFloor();

constexpr int kMaxNesting = 500;  // groups and assertions inside one another
constexpr int kMaxFrames = 2500;  // recursion a match may need (checked when compiling)

}  // namespace regex_internal
}  // namespace synt
