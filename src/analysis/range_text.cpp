// The format language of collapse texts and auto-close texts: "%" specifiers that name tokens of a
// range (or of its parents) and insert their text.
#include <algorithm>
#include <climits>
#include <optional>

#include "analysis/client_analyzer.h"
#include "text/memo_strings.h"

namespace synt {

namespace {

struct FormatFailure {};  // makes the whole result empty

bool IsDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}
char16_t Up(char16_t c) {
  return c >= u'a' && c <= u'z' ? char16_t(c - 32) : c;
}

class SpecParser {
 public:
  SpecParser(const TClientSyntAnalyzer& Client, const std::u16string& S, size_t Pos)
      : c_(Client), s_(S), p_(Pos) {}

  size_t Pos() const { return p_; }
  void SetPos(size_t Pos) { p_ = Pos; }

  // Moves to the parents named by "P"s; a step beyond the outermost range fails the whole format.
  const TTextRange* Parents(const TTextRange* Range) {
    while (p_ < s_.size() && Up(s_[p_]) == u'P') {
      Range = Range->Parent;
      if (!Range) throw FormatFailure{};
      ++p_;
    }
    return Range;
  }

  // A signed decimal number; nullopt when there is none.
  std::optional<long long> Number() {
    size_t q = p_;
    bool neg = false;
    if (q < s_.size() && (s_[q] == u'+' || s_[q] == u'-')) neg = s_[q++] == u'-';
    if (q >= s_.size() || !IsDigit(s_[q])) return std::nullopt;
    long long v = 0;
    while (q < s_.size() && IsDigit(s_[q])) {
      v = v * 10 + (s_[q++] - u'0');
      if (v > INT_MAX) throw FormatFailure{};
    }
    p_ = q;
    return neg ? -v : v;
  }

  // "[text]": the searched text; nullopt without a bracket; throws Invalid when unclosed.
  struct Invalid {};
  std::optional<std::u16string> Search() {
    if (p_ >= s_.size() || s_[p_] != u'[') return std::nullopt;
    size_t close = s_.find(u']', p_ + 1);
    if (close == std::u16string::npos) throw Invalid{};
    std::u16string t = s_.substr(p_ + 1, close - p_ - 1);
    p_ = close + 1;
    return t;
  }

  bool Take(char16_t Upper) {
    if (p_ < s_.size() && Up(s_[p_]) == Upper) {
      ++p_;
      return true;
    }
    return false;
  }

  // A bound: "P"s, "S" or "E", an optional search, a number (required after a bare S or E).
  // Returns the token index (-1 when out of range); Invalid when it does not parse.
  int Bound(const TTextRange* Range, bool AllowMode, char16_t* Mode, const TTextRange** Used) {
    const TTextRange* r = Parents(Range);
    if (Used) *Used = r;
    bool isEnd;
    if (Take(u'S'))
      isEnd = false;
    else if (Take(u'E'))
      isEnd = true;
    else
      throw Invalid{};
    long long idx = isEnd ? EndRef(r) : StartRef(r);
    char16_t mode = 0;
    if (AllowMode && p_ < s_.size() && (Up(s_[p_]) == u'L' || Up(s_[p_]) == u'Z'))
      mode = Up(s_[p_++]);
    if (Mode) *Mode = mode;
    bool searched = false;
    if (!mode) {
      if (auto text = Search()) {
        searched = true;
        idx = SearchToken(r, isEnd, idx, *text);
      }
    }
    auto n = Number();
    if (!n && !mode && !searched) throw Invalid{};
    if (n && idx != -1) idx -= *n;
    return idx >= 0 && idx < c_.TagCount() ? int(idx) : -1;
  }

  int StartRef(const TTextRange* r) const {
    return r->StartIdx + (r->Rule ? r->Rule->BlockOffset() : 0);
  }
  int EndRef(const TTextRange* r) const {
    if (!r->IsClosed() || !r->Rule || !r->Rule->BlockEndRule()) return -1;
    return r->EndIdx + r->Rule->BlockEndRule()->BlockOffset();
  }

  // From the reference token, forwards up to the closing reference token (S) or backwards down to
  // the opening one (E), the first token whose text equals Text exactly.
  int SearchToken(const TTextRange* r, bool FromEnd, long long From, const std::u16string& Text) {
    if (From < 0 || From >= c_.TagCount()) return -1;
    if (!FromEnd) {
      int last = EndRef(r);
      if (last < 0 || last >= c_.TagCount()) last = c_.TagCount() - 1;
      for (int i = int(From); i <= last; ++i)
        if (c_.TagTextEquals(i, Text, false)) return i;
    } else {
      int first = std::max(StartRef(r), 0);
      for (int i = int(From); i >= first; --i)
        if (c_.TagTextEquals(i, Text, false)) return i;
    }
    return -1;
  }

 private:
  const TClientSyntAnalyzer& c_;
  const std::u16string& s_;
  size_t p_;
};

}  // namespace

std::u16string TClientSyntAnalyzer::FormatRangeText(std::u16string_view Format,
                                                    const TTextRange* Range) const {
  if (!Range) return {};
  std::u16string s(Format);
  try {
    for (int i = int(s.size()) - 2; i >= 0; --i) {
      if (s[size_t(i)] != u'%') continue;
      std::u16string insert;
      try {
        // Optional ":name:" right after the "%".
        size_t start = size_t(i) + 1;
        if (s[start] == u':') {
          size_t close = s.find(u':', start + 1);
          if (close == std::u16string::npos) continue;
          start = close + 1;
        }
        SpecParser p(*this, s, start);
        char16_t mode = 0;
        const TTextRange* used = nullptr;
        int first = p.Bound(Range, true, &mode, &used);
        int second = INT_MIN;
        long long limit = 1000000000;
        if (!mode && p.Pos() < s.size() && s[p.Pos()] == u'~') {
          p.SetPos(p.Pos() + 1);
          if (p.Pos() < s.size() && IsDigit(s[p.Pos()])) {
            // "~" and a number: up to the closing reference token, at most that many tokens.
            limit = *p.Number();
            second = p.EndRef(used);
            if (second >= TagCount()) second = -1;
          } else {
            second = p.Bound(Range, false, nullptr, nullptr);
            if (p.Pos() < s.size() && s[p.Pos()] == u'~') {
              p.SetPos(p.Pos() + 1);
              auto n = p.Number();
              if (!n) throw SpecParser::Invalid{};
              limit = *n;
            }
          }
        }
        if (first >= 0) {
          if (mode == u'L' || mode == u'Z') {
            insert = LineModeText(first, mode == u'L');
          } else if (second == INT_MIN || second < 0) {
            insert = TagText(first);
          } else {
            int lo = std::min(first, second), hi = std::max(first, second);
            long long taken = 0;
            for (int k = lo; k <= hi; ++k) {
              if (taken == limit) {
                insert += u" ...";
                break;
              }
              if (taken) insert += u' ';
              insert += TagText(k);
              ++taken;
            }
          }
        }
        s.replace(size_t(i), p.Pos() - size_t(i), insert);
      } catch (const SpecParser::Invalid&) {
        // left unchanged
      }
    }
  } catch (...) {
    return {};
  }
  return s;
}

std::u16string TClientSyntAnalyzer::LineModeText(int TokenIndex, bool FromLineStart) const {
  const TSyntToken& t = Tags(TokenIndex);
  std::u16string_view text = Source()->TextView();
  if (FromLineStart) {
    int line = Source()->LineOfPos(t.StartPos);
    int from = Source()->LineStart(line);
    return std::u16string(text.substr(size_t(from), size_t(t.EndPos - from)));
  }
  int line = Source()->LineOfPos(std::max(t.EndPos - 1, t.StartPos));
  int to = Source()->LineStart(line) + Source()->LineLength(line);
  return std::u16string(text.substr(size_t(t.StartPos), size_t(std::max(to - t.StartPos, 0))));
}

}  // namespace synt
