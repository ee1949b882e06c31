#include <gtest/gtest.h>

#include <random>

#include "analysis/lexer_library.h"
#include "editor/syntax_memo.h"
#include "platform/headless_host.h"

namespace synt {
namespace {

// What a user range is, for the model.
struct ModelRange {
  int start = 0, end = 0;
  std::u16string style;
  bool top = false, bottom = false;
  TColor breakColor = clBlue;
  bool collapsable = false, highlight = false;
};

// The queries as their rules say, over plain data, walking everything.
struct Model {
  std::u16string text;
  std::vector<ModelRange> ranges;
  bool active = true;
  TSyntStyles* styles = nullptr;

  int LineOf(int Pos) const {
    int line = 0;
    for (int i = 0; i < Pos && i < int(text.size()); ++i) {
      if (text[size_t(i)] == u'\n') ++line;
      if (text[size_t(i)] == u'\r' && (i + 1 >= int(text.size()) || text[size_t(i) + 1] != u'\n'))
        ++line;
    }
    return line;
  }
  TSyntaxFormat* Style(const std::u16string& Name) const {
    return Name.empty() ? nullptr : styles->Styles()->ItemByName(Name);
  }
  int Entries(int Pos, std::vector<std::pair<int, int>>& Out) const {
    if (!active) return -1;
    int next = -1;
    for (size_t i = ranges.size(); i-- > 0;) {
      const ModelRange& r = ranges[i];
      if (r.style.empty()) continue;
      if (r.start > Pos) {
        if (next < 0 || r.start < next) next = r.start;
      } else if (Pos < r.end && Style(r.style)) {
        Out.push_back({r.start, r.end});
        if (next < 0 || r.end < next) next = r.end;
      }
    }
    return next;
  }
  TColor Separator(int Line) const {
    if (!active) return clNone;
    for (const ModelRange& r : ranges)
      if ((r.top && LineOf(r.start) == Line) || (r.bottom && LineOf(r.end) + 1 == Line))
        return r.breakColor;
    return clNone;
  }
  TLineHighlightAttr Highlight(int Line) const {
    TLineHighlightAttr a;
    if (!active) return a;
    for (const ModelRange& r : ranges) {
      TSyntaxFormat* s = Style(r.style);
      if (!r.highlight || !s || !s->Enabled() || Line < LineOf(r.start) || Line > LineOf(r.end))
        continue;
      if (s->BgColor() != clNone) a.bgColor = s->BgColor();
      if (s->Font()->Color() != clNone && s->FormatType() != ftBackGround)
        a.frColor = s->Font()->Color();
      a.Selected = true;
    }
    return a;
  }
  int Fold(int Line) const {
    int state = -3;
    if (!active) return state;
    for (const ModelRange& r : ranges) {
      const int a = LineOf(r.start), b = LineOf(r.end);
      if (!r.collapsable || a >= b) continue;
      state = std::max(state, Line == a ? 0 : Line == b ? -1 : (Line > a && Line < b) ? -2 : -3);
    }
    return state;
  }
  int CollapsibleAt(int Line) const {
    if (!active) return -1;
    for (size_t i = 0; i < ranges.size(); ++i) {
      const ModelRange& r = ranges[i];
      if (r.collapsable && LineOf(r.start) == Line && LineOf(r.start) < LineOf(r.end))
        return int(i);
    }
    return -1;
  }
  int At(int Pos) const {
    if (!active) return -1;
    int best = -1;
    for (size_t i = 0; i < ranges.size(); ++i)
      if (ranges[i].start <= Pos && Pos < ranges[i].end &&
          (best < 0 || ranges[i].start > ranges[size_t(best)].start))
        best = int(i);
    return best;
  }
  void Edit(int Pos, int Count) {
    auto follow = [&](int x) { return x > Pos ? std::max(x + Count, Pos) : x; };
    for (size_t i = ranges.size(); i-- > 0;) {
      ModelRange& r = ranges[i];
      const int s = follow(r.start), e = follow(r.end);
      if (e <= s && r.end > r.start) {
        ranges.erase(ranges.begin() + long(i));
        continue;
      }
      r.start = s;
      r.end = e;
    }
  }
};

void Compare(const Model& M, TCustomSyntaxMemo& Memo) {
  TUserRanges& u = *Memo.UserRanges();
  ASSERT_EQ(u.Count(), int(M.ranges.size()));
  const int length = int(M.text.size());
  for (int pos = 0; pos <= length + 1; ++pos) {
    std::vector<std::pair<int, int>> want;
    const int wantNext = M.Entries(pos, want);
    TStyleEntries got;
    ASSERT_EQ(u.StyleEntriesAt(pos, got), wantNext) << "pos " << pos;
    ASSERT_EQ(got.size(), want.size()) << "pos " << pos;
    for (size_t i = 0; i < got.size(); ++i) {
      ASSERT_EQ(got[i].StartPos, want[i].first);
      ASSERT_EQ(got[i].EndPos, want[i].second);
      ASSERT_FALSE(got[i].Overlay);
    }
    const int at = M.At(pos);
    ASSERT_EQ(u.RangeAt(pos), at < 0 ? nullptr : u.Items(at)) << "pos " << pos;
  }
  const int lines = M.LineOf(length) + 2;
  for (int line = 0; line <= lines; ++line) {
    ASSERT_EQ(u.SeparatorColor(line), M.Separator(line)) << "line " << line;
    TLineHighlightAttr got;
    u.LineHighlight(line, got);
    const TLineHighlightAttr want = M.Highlight(line);
    ASSERT_EQ(got.bgColor, want.bgColor) << "line " << line;
    ASSERT_EQ(got.frColor, want.frColor) << "line " << line;
    ASSERT_EQ(got.Selected, want.Selected) << "line " << line;
    ASSERT_EQ(u.FoldState(line), M.Fold(line)) << "line " << line;
    const int c = M.CollapsibleAt(line);
    ASSERT_EQ(u.CollapsibleAtLine(line), c < 0 ? nullptr : u.Items(c)) << "line " << line;
  }
}

TEST(UserRanges, QueriesAgreeWithABruteForceModelThroughEdits) {
  THeadlessDesktop desktop;
  TSyntaxMemo memo(nullptr);
  TSyntStyles styles(nullptr);
  TSyntaxFormat* a = styles.Styles()->Add();
  a->SetDisplayName(u"A");
  a->SetBgColor(clYellow);
  a->Font()->SetColor(clRed);
  TSyntaxFormat* b = styles.Styles()->Add();
  b->SetDisplayName(u"B");
  b->SetEnabled(false);
  b->SetBgColor(clAqua);
  TSyntaxFormat* c = styles.Styles()->Add();
  c->SetDisplayName(u"C");
  c->SetFormatType(ftBackGround);
  c->SetBgColor(clNone);
  c->Font()->SetColor(clGreen);
  memo.SetUserStyles(&styles);
  Model m;
  m.styles = &styles;
  std::mt19937 rng(11);
  const std::u16string names[] = {u"", u"A", u"B", u"C", u"Missing"};
  const std::u16string pieces[] = {u"x", u"yz", u"\r\n", u"\n", u"\r", u"ab\r\ncd", u"\r\n\r\n"};
  m.text = u"first line\r\nsecond\r\nthird\r\n\r\nfifth line";
  memo.SetText(m.text);
  for (int step = 0; step < 400; ++step) {
    const int length = int(m.text.size());
    const int op = int(rng() % 10);
    if (op < 3 || m.ranges.empty()) {
      ModelRange r;
      r.start = int(rng() % unsigned(length + 1));
      r.end = r.start + int(rng() % 25);
      r.style = names[rng() % 5];
      r.top = rng() % 3 == 0;
      r.bottom = rng() % 3 == 0;
      r.breakColor = TColor(rng() % 0xFFFFFF);
      r.collapsable = rng() % 2 == 0;
      r.highlight = rng() % 2 == 0;
      TUserRange* u = memo.UserRanges()->Add();
      u->SetStartPos(r.start);
      u->SetEndPos(r.end);
      u->SetStyle(r.style);
      TLineBreakBound lb;
      if (r.top) lb.Include(lbTop);
      if (r.bottom) lb.Include(lbBottom);
      u->SetLineBreaks(lb);
      u->SetLineBreakColor(r.breakColor);
      u->SetCollapsable(r.collapsable);
      u->SetHighlightLines(r.highlight);
      m.ranges.push_back(r);
    } else if (op < 5) {  // change a range's group membership
      const int i = int(rng() % m.ranges.size());
      TUserRange* u = memo.UserRanges()->Items(i);
      m.ranges[size_t(i)].style = names[rng() % 5];
      u->SetStyle(m.ranges[size_t(i)].style);
      m.ranges[size_t(i)].collapsable = !m.ranges[size_t(i)].collapsable;
      u->SetCollapsable(m.ranges[size_t(i)].collapsable);
      if (rng() % 2) {
        m.ranges[size_t(i)].top = !m.ranges[size_t(i)].top;
        TLineBreakBound lb = u->LineBreaks();
        if (m.ranges[size_t(i)].top)
          lb.Include(lbTop);
        else
          lb.Exclude(lbTop);
        u->SetLineBreaks(lb);
      }
    } else if (op < 7) {
      const int pos = int(rng() % unsigned(length + 1));
      const std::u16string& s = pieces[rng() % 7];
      memo.Lines()->InsertText(pos, s);
      // The storage never splits a CR LF pair: the text goes after the LF.
      const bool split = pos > 0 && pos < length && m.text[size_t(pos) - 1] == u'\r' &&
                         m.text[size_t(pos)] == u'\n';
      const int at = split ? pos + 1 : pos;
      m.text.insert(size_t(at), s);
      m.Edit(at, int(s.size()));
    } else if (op < 9 && length > 0) {
      const int pos = int(rng() % unsigned(length));
      const int count = std::min(int(rng() % 8) + 1, length - pos);
      memo.Lines()->DeleteText(pos, count);
      m.text.erase(size_t(pos), size_t(count));
      m.Edit(pos, -count);
    } else if (op == 9) {
      m.active = !m.active;
      memo.UserRanges()->SetActive(m.active);
    }
    ASSERT_EQ(memo.Text(), m.text) << "step " << step;
    ASSERT_NO_FATAL_FAILURE(Compare(m, memo)) << "step " << step;
  }
}

TEST(UserRanges, ChangesReachTheEditorAsSettingsOrFolding) {
  THeadlessDesktop desktop;
  TSyntaxMemo memo(nullptr);
  memo.SetText(u"a\r\nb\r\nc");
  struct TProbe : TMemoPart {
    using TMemoPart::TMemoPart;
    void DocumentChanged() override { ++folding; }
    void SettingsChanged() override { ++looks; }
    int folding = 0, looks = 0;
  } probe(memo, TMemoPart::kLayoutOrder);
  TUserRange* r = memo.UserRanges()->Add();
  EXPECT_EQ(probe.folding, 1);
  r->SetStyle(u"A");
  EXPECT_EQ(probe.looks, 1);
  r->SetCollapsable(true);
  EXPECT_EQ(probe.folding, 2);
  r->SetEndLine(2);
  EXPECT_EQ(r->EndPos(), 6);
  EXPECT_EQ(r->EndLine(), 2);
  EXPECT_EQ(probe.folding, 3);  // a foldable range changed its extent
  memo.UserRanges()->SetActive(false);
  EXPECT_EQ(probe.folding, 4);
  EXPECT_EQ(memo.UserRanges()->FoldState(0), -3);
  memo.UserRanges()->SetActive(true);
  EXPECT_EQ(memo.UserRanges()->FoldState(0), 0);
  EXPECT_EQ(memo.UserRanges()->FoldState(1), -2);
  EXPECT_EQ(memo.UserRanges()->FoldState(2), -1);
  // An edit is reported by the control itself, once, not by the ranges.
  const int before = probe.folding + probe.looks;
  memo.Lines()->DeleteText(0, 3);
  EXPECT_EQ(probe.folding + probe.looks, before);
  delete r;  // freed directly: it leaves the groups
  EXPECT_EQ(memo.UserRanges()->Count(), 0);
  EXPECT_EQ(memo.UserRanges()->FoldState(0), -3);
}

}  // namespace
}  // namespace synt
