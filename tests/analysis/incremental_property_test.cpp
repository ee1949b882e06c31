// The oracle of incremental analysis: after any sequence of edits, driven the way an editor's
// event loop drives it (idle slices, paint requests, background passes started and stopped), the
// finished analysis equals a fresh analysis of the final text: tokens, ranges, separators,
// sub-lexer regions, states and display ranges.
//
// SYNT_PROPERTY_ROUNDS multiplies the number of sequences (the default keeps the sanitizer run
// short).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <sstream>

#include "analysis/internal/client_access.h"
#include "analysis/lexer_library.h"
#include "incremental_util.h"
#include "lexer_build.h"
#include "platform/utf.h"

namespace synt::test {
namespace {

namespace fs = std::filesystem;
using analysis_internal::ClientAccess;

// SYNT_PROPERTY_SEED runs one sequence of every property (a failure names its seed).
bool OnlySeed(unsigned& Seed) {
  const char* e = std::getenv("SYNT_PROPERTY_SEED");
  if (!e) return false;
  Seed = unsigned(std::strtoul(e, nullptr, 10));
  return true;
}

int Rounds(int Base) {
  const char* e = std::getenv("SYNT_PROPERTY_ROUNDS");
  const int f = e ? std::max(1, std::atoi(e)) : 1;
  return Base * f;
}

constexpr uint32_t kT(int Type) {
  return 1u << Type;
}

// ---- Lexers ----------------------------------------------------------------------------------

// Token rules with states, block rules that change states (so block rules run after every token),
// ranges of every kind, retags of earlier tokens, separators and dynamic highlighting.
struct StatesLexer {
  TSyntAnalyzer L{nullptr};
  StatesLexer() {
    auto* kwStyle = L.Formats()->Add();
    kwStyle->SetDisplayName(u"Keyword");
    auto* hl = L.Formats()->Add();
    hl->SetDisplayName(u"Highlight");
    hl->SetBgColor(0x00FFEEDD);
    AddToken(L, u"Comment", u"//[^\\n]*", 1);
    // An unclosed comment runs to the end of the text: a rule that failed after reading far ahead
    // would make the token at its start depend on text after the restart point.
    AddToken(L, u"Brace comment", u"\\{[^}]*(\\}|\\Z)", 1);
    AddToken(L, u"String", u"'[^'\\n]*'?", 4);
    auto* prop = AddToken(L, u"Prop", u"prop\\b", 10);
    prop->SetStatesAdd(1);
    auto* open = AddToken(L, u"Index open", u"\\[", 3);
    open->SetStatesAdd(2);
    open->SetStatesPresent(1);
    auto* close = AddToken(L, u"Index close", u"\\]", 3);
    close->SetStatesRemove(2);
    close->SetStatesPresent(2);
    auto* semi = AddToken(L, u"Prop end", u";", 3);
    semi->SetStatesRemove(1);
    semi->SetStatesPresent(1);
    semi->SetStatesAbsent(2);
    auto* special = AddToken(L, u"Mode word", u"[a-z]\\w*", 12);
    special->SetStatesPresent(4);
    AddToken(L, u"Ident", u"[a-z_]\\w*", 2);
    AddToken(L, u"Number", u"\\d+", 5);
    AddToken(L, u"Symbol", u"[;:.()\\[\\],=]", 3);

    auto* kw = AddBlock(L, u"Keyword", btTagDetect,
                        {{u"begin end case try repeat until section proc mode endmode var", tcEqual,
                          kT(2) | kT(12)}});
    kw->SetTokenType(10);
    kw->SetStyleName(u"Keyword");
    // A block rule that changes the state: words after "mode" tokenize differently.
    auto* mode = AddBlock(L, u"Mode", btTagDetect, {{u"mode", tcEqual, kT(10)}});
    mode->SetStatesAdd(4);
    auto* endMode = AddBlock(L, u"End mode", btTagDetect, {{u"endmode", tcEqual, kT(10) | kT(12)}});
    endMode->SetStatesRemove(4);
    endMode->SetTokenType(10);
    // The name after "proc" is retagged when the "(" after it arrives.
    auto* name =
        AddBlock(L, u"Proc name", btTagDetect,
                 {{u"(", tcEqual, kT(3)}, {u"", tcEqual, kT(2)}, {u"proc", tcEqual, kT(10)}});
    name->SetIdentIndex(1);
    name->SetTokenType(11);
    name->SetStyleName(u"Keyword");
    auto* sep = AddBlock(L, u"Proc separator", btLineBreak, {{u"proc", tcEqual, kT(10)}});
    sep->SetLinePos(lbTop);
    auto* sepBelow = AddBlock(L, u"Until separator", btLineBreak,
                              {{u";", tcEqual, kT(3)}, {u"until", tcEqual, kT(10)}});
    sepBelow->SetIdentIndex(-1);
    sepBelow->SetLinePos(lbBottom);

    auto* begin = AddBlock(L, u"Begin", btRangeStart, {{u"begin case try", tcEqual, kT(10)}});
    begin->SetDrawStaple(true);
    begin->SetStyleName(u"Keyword");
    begin->SetDynHighlight(dhBound);
    begin->SetHighlightPos(cpBound);
    begin->SetDynSelectMin(true);
    begin->SetEndOfTextClose(true);
    begin->SetCollapseFmt(u"%s0 ...");
    auto* end = AddBlock(L, u"End", btRangeEnd, {{u".", tcNotEqual}, {u"end", tcEqual, kT(10)}});
    end->SetBlockOffset(1);
    SetBlockEnd(begin, end);

    auto* repeat = AddBlock(L, u"Repeat", btRangeStart, {{u"repeat", tcEqual, kT(10)}});
    repeat->SetStyleName(u"Highlight");
    repeat->SetDynHighlight(dhRangeNoBound);
    repeat->SetHighlight(true);
    repeat->SetInvertColors(true);
    auto* until = AddBlock(L, u"Until", btRangeEnd, {{u"until", tcEqual, kT(10)}});
    SetBlockEnd(repeat, until);

    auto* section = AddBlock(L, u"Section", btRangeStart, {{u"section", tcEqual, kT(10)}});
    section->SetSelfClose(true);
    section->SetEndOfTextClose(true);
    section->SetIdentIndex(-1);
    auto* final =
        AddBlock(L, u"Final end", btRangeEnd, {{u".", tcEqual}, {u"end", tcEqual, kT(10)}});
    final->SetBlockOffset(1);
    final->SetAutoCloseInternal(true);
    SetBlockEnd(final, section);

    // var a, b, c; : a range from "var" over the names, found by skipping back over them.
    auto* var =
        AddBlock(L, u"Var", btRangeStart,
                 {{u";", tcEqual, kT(3)}, {u"", tcSkip, kT(2) | kT(3)}, {u"var", tcEqual, kT(10)}});
    var->SetRefToCondEnd(true);
    var->SetNoEndRule(true);

    // ( x ) as a closed range at once.
    auto* paren =
        AddBlock(L, u"Paren", btRangeStart,
                 {{u")", tcEqual, kT(3)}, {u"", tcEqual, kT(2) | kT(5)}, {u"(", tcEqual, kT(3)}});
    paren->SetNoEndRule(true);
    paren->SetHighlightPos(cpRange);
    paren->SetDynHighlight(dhRange);
    paren->SetStyleName(u"Highlight");

    // Consecutive comments form one range (the parent test of the rule itself).
    auto* comments = AddBlock(L, u"Comments", btRangeStart, {{u"", tcEqual, kT(1)}});
    SetBlockName(comments, comments);
    comments->SetNotParent(true);
    comments->SetDrawStaple(true);
    auto* commentsEnd =
        AddBlock(L, u"Comments end", btRangeEnd, {{u"", tcNotEqual, kT(1)}, {u"", tcEqual, kT(1)}});
    SetBlockName(commentsEnd, comments);
    commentsEnd->SetStrictParent(true);
    commentsEnd->SetBlockOffset(1);
    SetBlockEnd(commentsEnd, comments);
  }

  static const std::vector<std::u16string>& Fragments() {
    static const std::vector<std::u16string> f = {
        u"begin ",    u"end",        u"end;",    u"end.",     u" ",         u"\n",
        u"\r\n",      u"x := 1;",    u"case ",   u"try ",     u"repeat ",   u"until ",
        u"a;",        u"section s ", u"proc p(", u"proc p (", u"proc p  (", u"q)",
        u"prop p[",   u"i]",         u"read f;", u"mode ",    u"endmode ",  u"var a, b, c;",
        u"// note\n", u"{ c }",      u"{ open ", u"'str'",    u"'x",        u"(",
        u")",         u"[",          u"]",       u";",        u".",         u"42",
    };
    return f;
  }
};

// Sub-lexer regions: a plain region, one that includes its bounds and nests a third lexer, a region
// that runs to the end of the text, ranges that end with their region, an outer rule that also
// works inside regions, and a region rule that changes the state.
struct RegionsLexer {
  TSyntAnalyzer Outer{nullptr}, Inner{nullptr}, Inner2{nullptr}, Deep{nullptr};
  explicit RegionsLexer(bool WithStates) {
    for (TSyntAnalyzer* l : {&Outer, &Inner, &Inner2, &Deep}) {
      AddToken(*l, u"Word", u"[a-z]+", 2);
      AddToken(*l, u"Number", u"\\d+", 5);
      AddToken(*l, u"Symbol", u"[{};.,]", 3);
    }
    auto* at = AddToken(Outer, u"At", u"@@", 7);
    at->SetAlwaysEnabled(true);
    LastTokenRuleFirst(Outer);
    AddToken(Inner2, u"Dollar", u"\\$\\w*", 6);
    auto* style = Outer.Formats()->Add();
    style->SetDisplayName(u"Region");

    for (TSyntAnalyzer* l : {&Outer, &Inner, &Inner2}) {
      auto* open = AddBlock(*l, u"Brace", btRangeStart, {{u"{", tcEqual}});
      open->SetEndOfTextClose(true);
      open->SetDrawStaple(true);
      auto* close = AddBlock(*l, u"Brace end", btRangeEnd, {{u"}", tcEqual}});
      SetBlockEnd(open, close);
      auto* sep = AddBlock(*l, u"Dot separator", btLineBreak, {{u".", tcEqual}});
      sep->SetLinePos(lbBottom);
    }
    auto* a = AddSub(Outer, u"Angle", u"<<", u">>", &Inner);
    a->SetStyleName(u"Region");
    auto* b = AddSub(Outer, u"Square", u"\\[\\[", u"\\]\\]", &Inner2);
    b->SetIncludeBounds(true);
    b->SetStyleName(u"Region");
    AddToken(Inner2, u"Square bound", u"\\[\\[|\\]\\]", 3);
    LastTokenRuleFirst(Inner2);
    auto* deep = AddSub(Inner2, u"Tick", u"`", u"`", &Deep);
    deep->SetStyleName(u"Region");
    auto* tail = AddSub(Outer, u"Tail", u"%%", u"%%end", &Inner);
    tail->SetToTextEnd(true);
    AddToken(Outer, u"Bounds", u"<<|>>|%%(end)?", 3);
    LastTokenRuleFirst(Outer);
    if (WithStates) {
      a->SetStatesAdd(1);
      auto* inState = AddToken(Outer, u"Word in state", u"[a-z]+", 8);
      inState->SetStatesPresent(1);
      LastTokenRuleFirst(Outer);
      auto* reset = AddBlock(Outer, u"Reset", btTagDetect, {{u"reset", tcEqual}});
      reset->SetStatesRemove(1);
    }
  }
  static const std::vector<std::u16string>& Fragments() {
    static const std::vector<std::u16string> f = {
        u"<<", u">>", u"[[",   u"]]",     u"`",   u"%%",          u"%%end",
        u"{",  u"}",  u"abc ", u"x ",     u"12 ", u".",           u";",
        u"@@", u" ",  u"\n",   u"reset ", u"$v ", u"<< a { b >>", u"[[ x ` y ` ]]",
        u"}.", u"<",  u">",    u"[",      u"]",
    };
    return f;
  }
};

// ---- Random texts and edits --------------------------------------------------------------------

std::u16string RandomText(std::mt19937& Rng, const std::vector<std::u16string>& Fragments, int N) {
  std::u16string s;
  for (int i = 0; i < N; ++i) s += Fragments[Rng() % Fragments.size()];
  return s;
}

struct Edit {
  int Pos = 0;
  int Delete = 0;
  std::u16string Insert;
  std::string Describe() const {
    return "{\"pos\": " + std::to_string(Pos) + ", \"delete\": " + std::to_string(Delete) +
           ", \"insert\": \"" + Utf16ToUtf8(Insert) + "\"}";
  }
};

// Keeps a deletion from splitting a CR LF pair (the editor widens such a deletion).
void AvoidSplitBreak(const std::u16string& Text, int& Pos, int& Count) {
  if (Pos > 0 && Pos < int(Text.size()) && Text[size_t(Pos) - 1] == u'\r' &&
      Text[size_t(Pos)] == u'\n') {
    --Pos;
    ++Count;
  }
  int e = Pos + Count;
  if (e > 0 && e < int(Text.size()) && Text[size_t(e) - 1] == u'\r' && Text[size_t(e)] == u'\n')
    ++Count;
}

Edit RandomEdit(std::mt19937& Rng, const std::u16string& Text, const TClientSyntAnalyzer& C,
                const std::vector<std::u16string>& Fragments) {
  Edit e;
  const int len = int(Text.size());
  // Positions at token bounds are where edits change the most.
  if (C.TagCount() > 0 && Rng() % 2 == 0) {
    const TSyntToken& t = C.Tags(int(Rng() % unsigned(C.TagCount())));
    e.Pos = Rng() % 2 ? t.StartPos : t.EndPos;
    e.Pos += int(Rng() % 3) - 1;
  } else {
    e.Pos = int(Rng() % unsigned(len + 1));
  }
  e.Pos = std::clamp(e.Pos, 0, len);
  switch (Rng() % 6) {
    case 0:
    case 1:
      e.Insert = Fragments[Rng() % Fragments.size()];
      break;
    case 2: {
      static const char16_t chars[] = u"ab1 ;.(){}[]'<>`$%@\n/*";
      e.Insert = std::u16string(1, chars[Rng() % (sizeof chars / sizeof chars[0] - 1)]);
      break;
    }
    case 3:
      e.Insert = Rng() % 2 ? u"\n" : u"\r\n";
      break;
    default:
      e.Delete = std::min(len - e.Pos, 1 + int(Rng() % 6));
      if (Rng() % 3 == 0) e.Insert = Fragments[Rng() % Fragments.size()];
      break;
  }
  if (e.Delete > 0) AvoidSplitBreak(Text, e.Pos, e.Delete);
  e.Delete = std::min(e.Delete, len - e.Pos);
  return e;
}

void Apply(EditDoc& D, const Edit& E) {
  if (E.Delete > 0) D.lines.DeleteText(E.Pos, E.Delete);
  if (!E.Insert.empty()) D.lines.InsertText(E.Pos, E.Insert);
}

// The staples of a run of lines asked at once are those asked line by line, in the same order,
// with their lines as GetRangeLines gives them (clamped to the run).
void CheckStapleWindow(TClientSyntAnalyzer& C, const TSyntMemoStrings& Lines, int First, int Last) {
  std::vector<TStapleAtLines> window;
  C.GetStaplesAtLines(First, Last, window);
  for (int line = std::max(First, 0); line <= std::min(Last, Lines.GetCount() - 1); ++line) {
    std::vector<TBlockStaple*> one, fromWindow;
    C.GetStaplesAtLine(line, one);
    for (const TStapleAtLines& s : window)
      if (s.FirstMet <= line && line <= s.LastMet) fromWindow.push_back(s.Staple);
    // A line written since the pass has no staples of its own: it takes those around it.
    if (one.empty() && !ClientAccess::LineHasDisplay(C, line)) continue;
    if (one != fromWindow) {
      ADD_FAILURE() << "staples of line " << line << " in lines " << First << ".." << Last << ": "
                    << one.size() << " one by one, " << fromWindow.size() << " at once";
      return;
    }
  }
  for (const TStapleAtLines& s : window) {
    int first, last;
    C.GetRangeLines(*s.Staple, first, last);
    const int wantFirst = first < First ? First - 1 : first > Last ? Last + 1 : first;
    const int wantLast = last < First ? First - 1 : last > Last ? Last + 1 : last;
    if (s.FirstLine != wantFirst || s.LastLine != wantLast) {
      ADD_FAILURE() << "staple lines " << s.FirstLine << ".." << s.LastLine << ", want "
                    << wantFirst << ".." << wantLast;
      return;
    }
  }
}

// What an editor does between two edits, chosen at random.
void Drive(std::mt19937& Rng, LoopHarness& H, EditDoc& D) {
  TClientSyntAnalyzer& c = *D.client;
  const int len = D.lines.TextLength();
  switch (Rng() % 7) {
    case 0:  // nothing: the next edit comes at once; now and then the whole text is replaced
      if (Rng() % 16 == 0) D.lines.SetTextStr(std::u16string(D.lines.TextView()));
      break;
    case 1: {  // a paint request for a stretch of text, and its queries
      const int from = int(Rng() % unsigned(len + 1));
      const int to = std::min(len, from + 1 + int(Rng() % 80));
      c.TryAppend(to);
      TStyleEntries entries;
      int p = from, guard = 0;
      while (p >= 0 && p < to && guard++ < 1000) {
        int next = c.GetTokenStyleAt(p, entries);
        if (next <= p) next = p + 1;
        c.GetStyledRangesAt(p, entries, true);
        p = next;
      }
      c.UpdateActiveRanges(from);
      const int line = D.lines.GetCount() ? int(Rng() % unsigned(D.lines.GetCount())) : 0;
      bool inv = false;
      TColor fc = clNone, bc = clNone;
      c.GetLineHighlight(line, true, inv, fc, bc);
      c.GetLineCollapseState(line);
      c.GetCollapsibleAtLine(line);
      c.GetLineSeparator(line);
      std::vector<TBlockStaple*> staples;
      c.GetStaplesAtLine(line, staples);
      CheckStapleWindow(c, D.lines, line - int(Rng() % 3), line + int(Rng() % 12));
      break;
    }
    case 2:
    case 3: {  // a few idle slices
      H.clock.Advance(250);
      const int turns = 1 + int(Rng() % 4);
      for (int i = 0; i < turns; ++i) H.loop.ProcessEvents();
      break;
    }
    case 4:  // the analysis finishes, the background pass may still run
      c.CompleteAnalysis();
      break;
    case 5:
      ASSERT_TRUE(D.Settle(H));
      break;
    case 6:
      c.TokenIndexAt(int(Rng() % unsigned(len + 1)));
      break;
  }
}

// One random sequence; returns a description of the failure, or "".
std::string RunSequence(unsigned Seed, TSyntAnalyzer* L,
                        const std::vector<std::u16string>& Fragments, int MaxEdits,
                        int MaxFragments) {
  std::mt19937 rng(Seed);
  LoopHarness h;
  std::u16string text = RandomText(rng, Fragments, 1 + int(rng() % unsigned(MaxFragments)));
  EditDoc d(L, text);
  ClientAccess::SetIdleSlice(*d.client, 0,
                             1 + int(rng() % 40));  // slices of a few steps: many slice boundaries
  if (!d.Settle(h)) return "initial analysis did not settle";
  std::string log;
  const int edits = 1 + int(rng() % unsigned(MaxEdits));
  for (int i = 0; i < edits; ++i) {
    Edit e = RandomEdit(rng, std::u16string(d.lines.TextView()), *d.client, Fragments);
    log += e.Describe() + "\n";
    Apply(d, e);
    try {
      d->Check();
    } catch (const std::exception& x) {
      return std::string("after edit: ") + x.what() + "\n" + log;
    }
    Drive(rng, h, d);
    if (::testing::Test::HasFatalFailure()) return "driving failed\n" + log;
    try {
      d->Check();
    } catch (const std::exception& x) {
      return std::string("after driving: ") + x.what() + "\n" + log;
    }
  }
  if (!d.Settle(h)) return "did not settle\n" + log;
  EditDoc fresh(L, d.lines.TextView());
  if (!fresh.Settle(h)) return "fresh analysis did not settle";
  const auto want = DumpAnalysis(*fresh.client), got = DumpAnalysis(*d.client);
  std::string diff = FirstDifference(want, got);
  if (!diff.empty() && std::getenv("SYNT_PROPERTY_VERBOSE")) {
    for (size_t i = 0; i < std::max(want.size(), got.size()); ++i)
      std::fprintf(stderr, "%-70s | %s\n", i < want.size() ? want[i].c_str() : "",
                   i < got.size() ? got[i].c_str() : "");
  }
  if (!diff.empty()) {
    std::ostringstream s;
    s << diff << "\ninitial text: \"" << Utf16ToUtf8(text) << "\"\nedits:\n"
      << log << "final text: \"" << Utf16ToUtf8(std::u16string(d.lines.TextView())) << "\"";
    return s.str();
  }
  if (d.finished < 1) return "the document was never told Finished";
  return {};
}

// ---- The properties ----------------------------------------------------------------------------

// Runs Count sequences with the seeds from First on (or only SYNT_PROPERTY_SEED when it lies in
// that range), stopping at the first failure.
template <class Run>
void ForSeeds(unsigned First, int Count, Run run) {
  unsigned only = 0;
  const bool one = OnlySeed(only);
  for (int i = 0; i < Count; ++i) {
    const unsigned seed = First + unsigned(i);
    if (one && seed != only) continue;
    std::string failure = run(seed);
    ASSERT_EQ(failure, "") << "seed " << seed;
  }
}

TEST(IncrementalProperty, StatesAndRangesLexer) {
  StatesLexer s;
  ASSERT_FALSE(s.L.SeparateBlockAnalysis());
  ForSeeds(1000, Rounds(1200), [&](unsigned seed) {
    return RunSequence(seed, &s.L, StatesLexer::Fragments(), 10, 40);
  });
}

TEST(IncrementalProperty, RegionsLexerWithBlockRulesAfterEveryToken) {
  RegionsLexer r(true);
  ASSERT_FALSE(r.Outer.SeparateBlockAnalysis());
  ForSeeds(5000, Rounds(500), [&](unsigned seed) {
    return RunSequence(seed, &r.Outer, RegionsLexer::Fragments(), 10, 30);
  });
}

TEST(IncrementalProperty, RegionsLexerWithSeparateBlockAnalysis) {
  RegionsLexer r(false);
  ASSERT_TRUE(r.Outer.SeparateBlockAnalysis());
  ForSeeds(9000, Rounds(500), [&](unsigned seed) {
    return RunSequence(seed, &r.Outer, RegionsLexer::Fragments(), 10, 30);
  });
}

class PascalProperty : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    RegisterLexerClasses();
    lib = new TSyntaxManager(nullptr);
    lib->LoadFromFile((fs::path(SYNT_SOURCE_DIR) / "lexers" / "pascal.lxl").string());
  }
  static void TearDownTestSuite() {
    delete lib;
    lib = nullptr;
  }
  static TSyntAnalyzer* Pascal() { return lib->FindLexer(u"Pascal"); }
  static TSyntaxManager* lib;
};
TSyntaxManager* PascalProperty::lib = nullptr;

const std::vector<std::u16string>& PascalFragments() {
  static const std::vector<std::u16string> f = {
      u"unit U;\n",
      u"interface\n",
      u"implementation\n",
      u"uses A, B;\n",
      u"type\n",
      u"  T = class(TObject)\n",
      u"  R = record\n",
      u"  private\n",
      u"  public\n",
      u"end;\n",
      u"end.\n",
      u"var\n  I: Integer;\n",
      u"const C = $FF;\n",
      u"procedure P;\n",
      u"function F(A: Integer): Integer;\n",
      u"begin\n",
      u"  X := 1.5e3;\n",
      u"  case X of\n",
      u"  try\n",
      u"  finally\n",
      u"  except\n",
      u"  repeat\n",
      u"  until X;\n",
      u"  property P: Integer read F write F;\n",
      u"  property Q[I: Integer]: Integer read G;\n",
      u"{ comment }\n",
      u"(* comment *)",
      u"// line\n",
      u"'str'",
      u"#13",
      u"'unterminated",
      u"asm\n  mov eax, 1\nend;\n",
      u"{$IFDEF X}\n",
      u"{$ENDIF}\n",
      u"{$REGION 'r'}\n",
      u"{$ENDREGION}\n",
      u"forward;\n",
      u"  if X then Y;\n",
      u"{",
      u"}",
      u"(*",
      u"*)",
      u"'",
      u" ",
      u"\n",
      u"end",
      u"begin",
      u";",
  };
  return f;
}

TEST_F(PascalProperty, PascalLexer) {
  ForSeeds(20000, Rounds(600),
           [&](unsigned seed) { return RunSequence(seed, Pascal(), PascalFragments(), 8, 40); });
}

// Without block rules the tokenizer loop moves the block-rule position itself; states (property
// sections) and the assembler regions still change on the way.
TEST_F(PascalProperty, PascalTokensOnly) {
  TSyntAnalyzer tokens(nullptr);
  tokens.Assign(Pascal());
  tokens.BlockRules()->Clear();
  ForSeeds(30000, Rounds(300),
           [&](unsigned seed) { return RunSequence(seed, &tokens, PascalFragments(), 8, 40); });
}

}  // namespace
}  // namespace synt::test
