// Random edits inside and around a sync range, made through the editor, against a model in which
// synchronous editing is trivially right: the range is a list of tokens (plain text, or an
// occurrence of a group), and each group's word is stored once, so that editing the word edits
// every occurrence. After every edit the editor's text must equal the model's, and its range,
// groups and occurrences the model's offsets; at the end undoing everything gives the start text.
//   SYNT_RANDOM_RUNS=2000 ./synt_editor_tests --gtest_filter='SyncEditRandom*'  (default: 150)
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "editor/commands.h"
#include "lists/char_utils.h"
#include "memo_test_util.h"

namespace synt {
namespace {

struct Token {
  int group = -1;  // an occurrence of this group, or plain text
  std::u16string text;
};

struct Span {
  int start, end;
};

class Model {
 public:
  std::u16string prefix, suffix;
  std::vector<Token> tokens;
  std::map<int, std::u16string> words;  // the live groups
  bool active = false;

  int Length(const Token& t) const {
    return int(t.group >= 0 ? words.at(t.group).size() : t.text.size());
  }
  std::vector<Span> Layout() const {
    std::vector<Span> v;
    int p = int(prefix.size());
    for (const Token& t : tokens) {
      v.push_back({p, p + Length(t)});
      p += Length(t);
    }
    return v;
  }
  int RangeEnd() const {
    int p = int(prefix.size());
    for (const Token& t : tokens) p += Length(t);
    return p;
  }
  std::u16string Render() const {
    std::u16string s = prefix;
    for (const Token& t : tokens) s += t.group >= 0 ? words.at(t.group) : t.text;
    return s + suffix;
  }
  void Flatten() {
    prefix = Render();
    tokens.clear();
    suffix.clear();
    words.clear();
    active = false;
  }

  // False when the insertion would be ambiguous (two words touch at Pos): not made then.
  bool Insert(int Pos, const std::u16string& S, bool Word) {
    if (!active) {
      prefix.insert(size_t(Pos), S);
      return true;
    }
    const int rs = int(prefix.size()), re = RangeEnd();
    if (Pos < rs || (Pos == rs && !Word && Pos < re)) {
      prefix.insert(size_t(Pos), S);
      return true;
    }
    if (Pos > re || (Pos == re && !Word)) {
      suffix.insert(size_t(Pos - re), S);
      return true;
    }
    const std::vector<Span> l = Layout();
    std::vector<int> occ;
    int index = 0;
    for (int i = 0; i < int(tokens.size()); ++i) {
      if (l[i].start < Pos && Pos < l[i].end) {
        Token& t = tokens[size_t(i)];
        (t.group >= 0 ? words[t.group] : t.text).insert(size_t(Pos - l[i].start), S);
        return true;
      }
      if (l[i].start <= Pos && Pos <= l[i].end && tokens[size_t(i)].group >= 0) occ.push_back(i);
      if (l[i].start < Pos) index = i + 1;
    }
    if (Word && occ.size() > 1) return false;
    if (Word && occ.size() == 1) {
      const int i = occ[0];
      words[tokens[size_t(i)].group].insert(
          Pos == l[i].start ? 0 : words[tokens[size_t(i)].group].size(), S);
      return true;
    }
    tokens.insert(tokens.begin() + index, Token{-1, S});
    return true;
  }

  // Returns where Pos is afterwards (it moves when copies of the deletion went in front of it).
  int Delete(int Pos, int Count) {
    const int end = Pos + Count;
    if (!active) {
      prefix.erase(size_t(Pos), size_t(Count));
      return Pos;
    }
    const int rs = int(prefix.size()), re = RangeEnd();
    if (end <= rs) {
      prefix.erase(size_t(Pos), size_t(Count));
      return Pos;
    }
    if (Pos >= re) {
      suffix.erase(size_t(Pos - re), size_t(Count));
      return Pos;
    }
    if (Pos <= rs && re <= end) {
      Flatten();
      prefix.erase(size_t(Pos), size_t(Count));
      return Pos;
    }
    std::vector<Span> l = Layout();
    for (int i = 0; i < int(tokens.size()); ++i) {
      const Token& t = tokens[size_t(i)];
      if (t.group >= 0 && l[i].start <= Pos && end <= l[i].end) {
        words[t.group].erase(size_t(Pos - l[i].start), size_t(Count));
        return Layout()[size_t(i)].start + (Pos - l[i].start);
      }
    }
    for (int i = 0; i < int(tokens.size()); ++i) {
      const int g = tokens[size_t(i)].group;
      if (g >= 0 && std::max(Pos, l[i].start) < std::min(end, l[i].end)) Drop(g);
    }
    // Once, across the pieces, from the back.
    if (end > re) suffix.erase(0, size_t(end - re));
    for (int i = int(tokens.size()) - 1; i >= 0; --i) {
      const int a = std::max(Pos, l[i].start), b = std::min(end, l[i].end);
      if (a < b) tokens[size_t(i)].text.erase(size_t(a - l[i].start), size_t(b - a));
    }
    if (Pos < rs) prefix.erase(size_t(Pos), size_t(rs - Pos));
    if (words.empty()) Flatten();
    return Pos;
  }

  void Drop(int Group) {
    for (Token& t : tokens)
      if (t.group == Group) t = Token{-1, words[Group]};
    words.erase(Group);
  }
};

// The model of what the editor shows now (one range, as the command makes it).
Model ModelOf(const TCustomSyntaxMemo& M, const TSyntSyncEdit& S) {
  Model m;
  const std::u16string text = M.Text();
  if (!S.Active()) {
    m.prefix = text;
    return m;
  }
  const TSyncRange& r = S.SyncRanges()[0];
  m.active = true;
  m.prefix = text.substr(0, size_t(r.StartPos));
  m.suffix = text.substr(size_t(r.EndPos));
  std::map<int, int> owner;
  for (int g = 0; g < int(r.Groups.size()); ++g) {
    m.words[g] =
        text.substr(size_t(r.Groups[size_t(g)][0].StartPos), size_t(r.Groups[size_t(g)][0].Size()));
    for (const TRange& o : r.Groups[size_t(g)]) owner[o.StartPos] = g;
  }
  for (int p = r.StartPos; p < r.EndPos;) {
    auto it = owner.find(p);
    if (it != owner.end()) {
      m.tokens.push_back({it->second, {}});
      p += int(m.words[it->second].size());
    } else {
      if (m.tokens.empty() || m.tokens.back().group >= 0) m.tokens.push_back({});
      m.tokens.back().text += text[size_t(p)];
      ++p;
    }
  }
  return m;
}

void ExpectMatches(const TCustomSyntaxMemo& M, const TSyntSyncEdit& S, const Model& m) {
  ASSERT_EQ(M.Text(), m.Render());
  ASSERT_EQ(S.Active(), m.active);
  if (!m.active) return;
  ASSERT_EQ(S.SyncRanges().Count(), 1);
  const TSyncRange& r = S.SyncRanges()[0];
  ASSERT_EQ(r.StartPos, int(m.prefix.size()));
  ASSERT_EQ(r.EndPos, m.RangeEnd());
  const std::vector<Span> l = m.Layout();
  size_t g = 0;
  for (const auto& [id, word] : m.words) {
    ASSERT_LT(g, r.Groups.size());
    std::vector<std::pair<int, int>> want, got;
    for (size_t i = 0; i < m.tokens.size(); ++i)
      if (m.tokens[i].group == id) want.emplace_back(l[i].start, l[i].end);
    for (const TRange& o : r.Groups[g]) got.emplace_back(o.StartPos, o.EndPos);
    ASSERT_EQ(got, want) << "group " << g;
    ++g;
  }
  ASSERT_EQ(g, r.Groups.size());
}

int Runs() {
  if (const char* s = std::getenv("SYNT_RANDOM_RUNS")) return std::max(1, std::atoi(s));
  return 150;
}

class SyncEditRandom : public test::MemoWindow {};

TEST_F(SyncEditRandom, EditsMatchAModelWhereEachGroupHasOneWord) {
  const std::vector<std::u16string> vocabulary = {u"foo", u"bar", u"ab", u"x1", u"q", u"7"};
  const std::vector<std::u16string> separators = {u" ", u" = ", u";\n", u"(", u")", u", "};
  const std::vector<std::u16string> typed = {u"x",  u"ab", u"_",   u"(", u" ",
                                             u"\n", u"é",  u"x y", u"Z9"};
  Make(u"");
  std::mt19937 rng(20261208);
  int edits = 0;
  for (int run = 0; run < Runs(); ++run) {
    std::u16string text;
    const int words = 3 + int(rng() % 10);
    for (int i = 0; i < words; ++i)
      text += vocabulary[rng() % vocabulary.size()] + separators[rng() % separators.size()];
    memo.SetText(text);
    const int len = int(text.size());
    const int a = rng() % 3 ? int(rng() % 6) : 0;
    const int b = rng() % 3 ? len - int(rng() % 6) : len;
    memo.SelectRange(a, std::max(0, b - a));
    memo.ExecuteCommand(cmSyncEdit, nullptr);
    TSyntSyncEdit& sync = *memo.SyncEditing();
    if (!sync.Active()) continue;
    Model model = ModelOf(memo, sync);
    SCOPED_TRACE("run " + std::to_string(run));
    for (int step = 0; step < 40 && model.active; ++step) {
      const int size = memo.Lines()->TextLength();
      const int pos = int(rng() % unsigned(size + 1));
      const std::u16string& s = typed[rng() % typed.size()];
      bool word = true;
      for (char16_t c : s) word &= IsWordChar(c);
      Model next = model;
      const std::u16string before = memo.Text();
      std::string state;
      for (const TSyncRange& r : sync.SyncRanges()) {
        state += " [" + std::to_string(r.StartPos) + "," + std::to_string(r.EndPos) + ")";
        for (const TSyncWordGroup& g : r.Groups) {
          state += " {";
          for (const TRange& o : g)
            state += std::to_string(o.StartPos) + "-" + std::to_string(o.EndPos) + " ";
          state += "}";
        }
      }
      const int kind = int(rng() % 4);
      if (kind == 0) {
        if (!next.Insert(pos, s, word)) continue;
        memo.SetCaretStrPos(pos);
        memo.InsertText(s);
      } else if (kind == 1 || kind == 2) {
        const int n = 1 + int(rng() % 4);
        const int from = kind == 1 ? pos : std::max(0, pos - n);
        const int to = kind == 1 ? std::min(size, pos + n) : pos;
        if (from >= to) continue;
        next.Delete(from, to - from);
        memo.SetCaretStrPos(pos);
        memo.DeleteChars(kind == 1 ? to - from : from - to);
      } else {
        const int n = std::min(size - pos, int(rng() % 4));
        const int at = next.Delete(pos, n);
        if (!next.Insert(at, s, word)) continue;
        memo.ReplaceText(pos, n, s);
      }
      ++edits;
      model = next;
      std::string what = "step " + std::to_string(step) + " kind " + std::to_string(kind) + " at " +
                         std::to_string(pos) + " text '";
      for (char16_t c : s) what += char(c < 128 ? c : '?');
      what += "' before '";
      for (char16_t c : before) what += char(c < 128 ? c : '?');
      what += "' ranges" + state;
      SCOPED_TRACE(what);
      ExpectMatches(memo, sync, model);
      if (HasFatalFailure()) return;
    }
    while (memo.CanUndo()) memo.Undo();
    ASSERT_EQ(memo.Text(), text) << "undo gives back the start text";
    for (const TSyncRange& r : sync.SyncRanges()) {
      ASSERT_LE(r.StartPos, r.EndPos);
      for (const TSyncWordGroup& g : r.Groups) g.Check();
    }
    sync.Clear();
  }
  EXPECT_GT(edits, Runs() * 5) << "the runs exercised too little";
}

}  // namespace
}  // namespace synt
