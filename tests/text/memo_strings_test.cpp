#include "text/memo_strings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>

#include "lists/char_utils.h"
#include "lists/utf8_codec.h"

namespace synt {
namespace {

struct Change {
  int pos, count, lines;
  friend bool operator==(const Change&, const Change&) = default;
};

struct Recorder {
  std::vector<Change> changes;
  void Attach(TSyntMemoStrings& s) {
    s.OnChange = [this](TObject*, int p, int c, int l) { changes.push_back({p, c, l}); };
  }
};

std::vector<std::u16string> Lines(const TSyntMemoStrings& s) {
  std::vector<std::u16string> r;
  for (int i = 0; i < s.Count(); ++i) r.push_back(s.Get(i));
  return r;
}

TEST(LineModel, Breaks) {
  TSyntMemoStrings s;
  EXPECT_EQ(s.Count(), 0);
  EXPECT_TRUE(s.LastLineOpen());
  s.SetTextStr(u"abc");
  EXPECT_EQ(s.Count(), 1);
  EXPECT_TRUE(s.LastLineOpen());
  s.SetTextStr(u"abc\r\n");
  EXPECT_EQ(s.Count(), 2);
  EXPECT_FALSE(s.LastLineOpen());
  EXPECT_EQ(s.CountNoEmptyLast(), 1);
  EXPECT_EQ(s.Get(1), u"");
  s.SetTextStr(u"a\rb\nc\r\nd");
  EXPECT_EQ(Lines(s), (std::vector<std::u16string>{u"a", u"b", u"c", u"d"}));
  EXPECT_EQ(s.LineSpace(2), 3);
  EXPECT_EQ(s.LineSpace(99), 1);
  EXPECT_EQ(s.LineLength(2), 1);
  EXPECT_EQ(s.LineLength(4), 0);
  EXPECT_EQ(s.LinePos(1), 3);
  EXPECT_EQ(s.LinePos(99), 8);
  EXPECT_EQ(s.LinePos(-1), 0);
  EXPECT_EQ(s.Get(7), u"");
  EXPECT_EQ(s.SubString(3, 4), u"b\nc\r");
  EXPECT_EQ(s.SubString(7, 99), u"\nd");
  EXPECT_EQ(s.SubString(0, 2), u"a");
  EXPECT_EQ(s.CharAt(1), u'a');
  EXPECT_EQ(s.CharAt(0), 0);
  EXPECT_EQ(s.CharAt(9), 0);
  s.Check();
}

TEST(LineModel, Positions) {
  TSyntMemoStrings s;
  EXPECT_EQ(s.StrPosToCaretPos(5), (TPoint{0, 0}));
  s.SetTextStr(u"ab\r\ncd");
  EXPECT_EQ(s.CaretPosToStrPos({10, 0}), 2);
  EXPECT_EQ(s.CaretPosToStrPos({1, 1}), 5);
  EXPECT_EQ(s.CaretPosToStrPos({0, 2}), 6);
  EXPECT_EQ(s.CaretPosToStrPos({3, -1}), 0);
  EXPECT_EQ(s.StrPosToCaretPos(3), (TPoint{2, 0}));  // inside the break
  EXPECT_EQ(s.StrPosToCaretPos(4), (TPoint{0, 1}));
  EXPECT_EQ(s.StrPosToCaretPos(-3), (TPoint{0, 0}));
  EXPECT_EQ(s.StrPosToCaretPos(99), (TPoint{2, 1}));
}

TEST(LineModel, BlankLinesAndCharTypes) {
  TSyntMemoStrings s;
  s.SetTextStr(u"  \t\r\nx\r\n\r\n\U0001F600");
  EXPECT_TRUE(s.IsLineBlank(0));
  EXPECT_FALSE(s.IsLineBlank(1));
  EXPECT_TRUE(s.IsLineBlank(2));
  EXPECT_EQ(s.CharType(11), 1);
  EXPECT_EQ(s.CharType(12), 2);
  EXPECT_EQ(s.CharType(1), 0);
  EXPECT_EQ(s.CharType(50), 0);
}

TEST(Edits, InsertNeverSplitsCrLf) {
  TSyntMemoStrings s;
  Recorder r;
  s.SetTextStr(u"a\r\nb");
  r.Attach(s);
  s.InsertText(2, u"x");
  EXPECT_EQ(s.Text(), u"a\r\nxb");
  EXPECT_EQ(r.changes, (std::vector<Change>{{3, 1, 0}}));
  s.Check();
}

TEST(Edits, DeletingABreakJoinsLines) {
  TSyntMemoStrings s;
  Recorder r;
  s.SetTextStr(u"ab\r\ncd");
  r.Attach(s);
  s.DeleteText(2, 2);
  EXPECT_EQ(s.Text(), u"abcd");
  EXPECT_EQ(r.changes, (std::vector<Change>{{2, -2, -1}}));
  s.Check();
}

TEST(Edits, CrAndLfMeetingAcrossAnEditFormOneBreak) {
  TSyntMemoStrings s;
  s.SetTextStr(u"a\rX\nb");
  ASSERT_EQ(s.Count(), 3);
  Recorder r;
  r.Attach(s);
  s.DeleteText(2, 1);  // CR and LF now form a pair
  EXPECT_EQ(Lines(s), (std::vector<std::u16string>{u"a", u"b"}));
  EXPECT_EQ(r.changes, (std::vector<Change>{{2, -1, -1}}));
  s.Check();
  s.SetTextStr(u"a\rb");
  s.InsertText(2, u"\nc");  // the inserted LF completes the CR before it
  EXPECT_EQ(Lines(s), (std::vector<std::u16string>{u"a", u"cb"}));
  s.Check();
  s.SetTextStr(u"a\nb");
  s.InsertText(1, u"x\r");  // the inserted CR pairs with the LF after it
  EXPECT_EQ(Lines(s), (std::vector<std::u16string>{u"ax", u"b"}));
  s.Check();
}

TEST(Edits, ClippedAndEmptyEditsDoNothing) {
  TSyntMemoStrings s;
  Recorder r;
  r.Attach(s);
  s.DeleteText(0, 5);
  s.InsertText(0, u"");
  EXPECT_TRUE(r.changes.empty());
  s.InsertText(10, u"ab");
  EXPECT_EQ(r.changes, (std::vector<Change>{{0, 2, 1}}));
  s.DeleteText(1, 99);
  EXPECT_EQ(s.Text(), u"a");
  s.DeleteText(-1, 2);
  EXPECT_EQ(s.Text(), u"");
  EXPECT_EQ(s.Count(), 0);
  EXPECT_EQ(r.changes.back(), (Change{0, -1, -1}));
}

TEST(StringList, InsertDeletePut) {
  TSyntMemoStrings s;
  s.SetTextStr(u"abc\r\n");
  s.Insert(s.Count(), u"S");
  EXPECT_EQ(s.Text(), u"abc\r\n\r\nS");
  EXPECT_EQ(s.Count(), 3);
  EXPECT_THROW(s.Insert(5, u"x"), EListError);
  try {
    s.Insert(-1, u"x");
  } catch (const EListError& e) {
    EXPECT_STREQ(e.what(), "Index -1 is out of range");
  }
  s.Insert(0, u"first");
  EXPECT_EQ(s.Text(), u"first\r\nabc\r\n\r\nS");
  s.Delete(3);  // the open last line takes the break before it
  EXPECT_EQ(s.Text(), u"first\r\nabc\r\n");
  s.Delete(2);  // the empty last line, too
  EXPECT_EQ(s.Text(), u"first\r\nabc");
  s.Delete(0);
  EXPECT_EQ(s.Text(), u"abc");
  s.Delete(0);
  EXPECT_EQ(s.Count(), 0);
  s.Insert(0, u"only");
  EXPECT_EQ(s.Text(), u"only");
  s.SetTextStr(u"a\rb\nc");
  s.Put(1, u"x");  // removing "b" first would pair the CR with the LF
  EXPECT_EQ(Lines(s), (std::vector<std::u16string>{u"a", u"x", u"c"}));
  s.Put(2, u"");
  EXPECT_EQ(s.Text(), u"a\rx\n");
  EXPECT_THROW(s.Put(3, u"x"), EListError);
  s.Check();
}

TEST(StringList, AddStringsAndObjects) {
  TSyntMemoStrings s;
  TObject o1, o2, o3;
  s.SetTextStr(u"abc");
  s.CreateLineObjects();
  s.PutObject(0, &o1);
  std::vector<TObject*> objects{&o2, &o3};
  s.AddStrings({u"x", u"y"}, &objects);
  EXPECT_EQ(s.Text(), u"abc\r\nx\r\ny\r\n");
  EXPECT_EQ(s.GetObject(0), &o1);
  EXPECT_EQ(s.GetObject(1), &o2);
  EXPECT_EQ(s.GetObject(2), &o3);
  EXPECT_EQ(s.GetObject(3), nullptr);
  s.AddStrings({u"z"});
  EXPECT_EQ(s.Text(), u"abc\r\nx\r\ny\r\nz\r\n");
  // Objects follow their lines through edits.
  s.InsertText(0, u"new\r\n");
  EXPECT_EQ(s.GetObject(1), &o1);
  s.DeleteText(0, 5);
  EXPECT_EQ(s.GetObject(0), &o1);
  s.DeleteText(s.LineStart(1), s.LineSpace(1));  // the whole line "x"
  EXPECT_EQ(s.GetObject(1), &o3);
  s.PutObject(99, &o1);  // no entry there; nothing happens
  s.Check();
  TSyntMemoStrings t;
  t.SetTextStr(u"a");
  t.PutObject(0, &o1);  // no per-line objects: creates nothing
  EXPECT_EQ(t.GetObject(0), nullptr);
}

TEST(LineStates, FollowEdits) {
  TSyntMemoStrings s;
  s.SetTextStr(u"a\r\nb\r\nc");
  s.InsertText(3, u"x\r\n");  // whole line before "b": b's entry follows it down
  EXPECT_EQ(Lines(s), (std::vector<std::u16string>{u"a", u"x", u"b", u"c"}));
  EXPECT_EQ(s.LineState(0), lsUnchanged);
  EXPECT_EQ(s.LineState(1), lsInserted);
  EXPECT_EQ(s.LineState(2), lsChanged);
  EXPECT_EQ(s.LineState(3), lsUnchanged);
  s.InsertText(1, u"1\r\n2");  // splits line "a"
  EXPECT_EQ(s.LineState(0), lsChanged);
  EXPECT_EQ(s.LineState(1), lsInserted);
  s.MarkLinesSaved();
  EXPECT_EQ(s.LineState(0), lsSaved);
  EXPECT_EQ(s.LineState(4), lsUnchanged);
  s.ResetLineStates(0, 99);
  EXPECT_EQ(s.LineState(0), lsUnchanged);
  // Deleting part of two lines marks the line left behind.
  s.SetTextStr(u"A\r\nBB\r\nCC");
  s.ResetLineStates(0, 2);
  s.DeleteText(3, 5);
  EXPECT_EQ(s.Text(), u"A\r\nC");
  EXPECT_EQ(s.LineState(1), lsChanged);
  // Deleting whole lines leaves the line after them as it was.
  s.SetTextStr(u"A\r\nB\r\nC\r\nD");
  s.ResetLineStates(0, 3);
  s.DeleteText(3, 6);
  EXPECT_EQ(s.Text(), u"A\r\nD");
  EXPECT_EQ(s.LineState(1), lsUnchanged);
  // Into an empty text: every line is new.
  s.Clear();
  s.InsertText(0, u"p\r\nq");
  EXPECT_EQ(s.LineState(0), lsInserted);
  EXPECT_EQ(s.LineState(1), lsInserted);
  s.Check();
}

// Random edits against a plain string; the line table, states and objects stay in step and every
// edit raises one notification that describes it.
TEST(Edits, RandomEditsKeepTheTableInStep) {
  std::mt19937 rng(99);
  const char16_t* pieces[] = {u"a",      u"bc",   u"\r",   u"\n",    u"\r\n",
                              u"x\r\ny", u"\n\n", u"\r\r", u"\u00E9"};
  TSyntMemoStrings s;
  s.CreateLineObjects();
  std::u16string model;
  Recorder r;
  r.Attach(s);
  for (int op = 0; op < 4000; ++op) {
    int before = s.Count();
    size_t changes = r.changes.size();
    int len = int(model.size());
    if (len == 0 || rng() % 2) {
      int pos = int(rng() % unsigned(len + 1));
      std::u16string add;
      for (int n = 1 + int(rng() % 3); n > 0; --n) add += pieces[rng() % 9];
      s.InsertText(pos, add);
      if (pos > 0 && pos < len && model[size_t(pos) - 1] == '\r' && model[size_t(pos)] == '\n')
        ++pos;
      model.insert(size_t(pos), add);
      ASSERT_EQ(r.changes.back(), (Change{pos, int(add.size()), s.Count() - before}));
    } else {
      int pos = int(rng() % unsigned(len));
      int count = 1 + int(rng() % 6);
      count = std::min(count, len - pos);
      s.DeleteText(pos, count);
      model.erase(size_t(pos), size_t(count));
      ASSERT_EQ(r.changes.back(), (Change{pos, -count, s.Count() - before}));
    }
    ASSERT_EQ(r.changes.size(), changes + 1);
    ASSERT_EQ(s.Text(), model);
    ASSERT_NO_THROW(s.Check());
  }
}

TEST(Load, ByteOrderMarksAndBreakStyles) {
  TSyntMemoStrings s;
  s.LoadFromBytes(
      std::string("\xFF\xFE"
                  "a\0\r\0\n\0b\0",
                  10));
  EXPECT_EQ(s.Encoding(), teUtf16LE);
  EXPECT_EQ(s.Text(), u"a\r\nb");
  EXPECT_EQ(s.LineBreakStyle(), lbCRLF);
  s.LoadFromBytes(std::string("\xFE\xFF\0a\0\r", 6));
  EXPECT_EQ(s.Encoding(), teUtf16BE);
  EXPECT_EQ(s.Text(), u"a\r");
  EXPECT_EQ(s.LineBreakStyle(), lbCR);
  s.LoadFromBytes("\xEF\xBB\xBFh\xC3\xA9\n");
  EXPECT_EQ(s.Encoding(), teUtf8);
  EXPECT_EQ(s.Text(), u"h\u00E9\n");
  EXPECT_EQ(s.LineBreakStyle(), lbLF);
  s.LoadFromBytes("a\nb\r\nc");
  EXPECT_EQ(s.Encoding(), teAnsi);
  EXPECT_EQ(s.LineBreakStyle(), lbKeep);  // mixed
  s.SetLineBreakStyle(lbLF);
  EXPECT_EQ(s.SaveToBytes(), "a\nb\nc");
  s.SetLineBreakStyle(lbCRLF);
  EXPECT_EQ(s.SaveToBytes(), "a\r\nb\r\nc");
  s.LoadFromBytes("no breaks");
  EXPECT_EQ(s.LineBreakStyle(), DefaultLineBreakStyle);
}

TEST(Load, MixedBreaksAreKeptWhateverTheDefault) {
  DefaultLineBreakStyle = lbCRLF;
  TSyntMemoStrings s;
  s.LoadFromBytes("a\nb\r\nc");
  EXPECT_EQ(s.LineBreakStyle(), lbKeep);
  s.LoadFromBytes("a\nb\nc");
  EXPECT_EQ(s.LineBreakStyle(), lbLF);
  s.LoadFromBytes("abc");
  EXPECT_EQ(s.LineBreakStyle(), lbCRLF);
  DefaultLineBreakStyle = lbKeep;
}

TEST(Load, NoSignatureKeepsTheEncoding) {
  TSyntMemoStrings s;
  s.SetEncoding(teUtf8);
  s.LoadFromBytes("plain");
  EXPECT_EQ(s.Encoding(), teAnsi);
  s.SetEncoding(teUtf16LE);
  s.SetNoSignature(true);
  s.LoadFromBytes(std::string("h\0i\0", 4));
  EXPECT_EQ(s.Encoding(), teUtf16LE);
  EXPECT_EQ(s.Text(), u"hi");
  EXPECT_EQ(s.SaveToBytes(), std::string("h\0i\0", 4));  // and no mark is written
  s.LoadFromBytes("\xEF\xBB\xBFx");                      // a mark still decides
  EXPECT_EQ(s.Encoding(), teUtf8);
  EXPECT_EQ(s.SaveToBytes(), "x");
}

TEST(Load, DetectEncodingHook) {
  TSyntMemoStrings s;
  std::string seen;
  s.OnDetectEncoding = [&](TObject* sender, std::string_view data, TTextEncoding& enc) {
    EXPECT_EQ(sender, &s);
    seen = std::string(data);
    enc = teUtf16BE;
  };
  s.LoadFromBytes(std::string("\0a\0b", 4));
  EXPECT_EQ(seen, std::string("\0a\0b", 4));
  EXPECT_EQ(s.Text(), u"ab");
  EXPECT_EQ(s.Encoding(), teUtf16BE);
}

TEST(Load, EmptyInputStillNotifies) {
  TSyntMemoStrings s;
  s.SetTextStr(u"x");
  Recorder r;
  r.Attach(s);
  s.SetEncoding(teUtf16LE);
  s.LoadFromBytes("");
  EXPECT_EQ(s.Count(), 0);
  EXPECT_EQ(r.changes, (std::vector<Change>{{-1, 0, 0}}));
  EXPECT_EQ(s.SaveToBytes(), "");  // an empty file stays empty
  s.SetEncoding(teUtf16LE);
  s.SetNoSignature(true);
  s.LoadFromBytes("");
  EXPECT_EQ(s.Encoding(), teUtf16LE);
  EXPECT_EQ(s.SaveToBytes(), "");
}

TEST(Load, CodePagesAndUnmappableCharacters) {
  TSyntMemoStrings s;
  s.SetCodePage(1251);
  s.LoadFromBytes("\xCF\xF0\xE8\xE2\xE5\xF2");
  EXPECT_EQ(s.Text(), u"\u041F\u0440\u0438\u0432\u0435\u0442");
  s.SetCodePage(0);
  s.SetCharset(128);  // Shift-JIS
  s.LoadFromBytes("\x93\xFA\x96\x7B");
  EXPECT_EQ(s.Text(), u"\u65E5\u672C");
  s.SetCharset(0);  // windows-1252 cannot hold them
  size_t bad = 0;
  EXPECT_EQ(s.SaveToBytes(&bad), "??");
  EXPECT_EQ(bad, 2u);
  s.SetCodePage(12345);
  EXPECT_THROW(s.LoadFromBytes("x"), EConvertError);
  EXPECT_EQ(s.Text(), u"\u65E5\u672C");  // a failed load changes nothing
}

TEST(Load, OddUtf16ByteSurvives) {
  TSyntMemoStrings s;
  std::string bytes(
      "\xFF\xFE"
      "a\0b",
      5);
  s.LoadFromBytes(bytes);
  EXPECT_EQ(s.Text().size(), 2u);
  EXPECT_EQ(s.SaveToBytes(), bytes);
  s.InsertText(0, u"z");  // an edit elsewhere keeps it
  EXPECT_EQ(s.SaveToBytes(), std::string("\xFF\xFEz\0a\0b", 7));
  s.InsertText(s.TextLength(), u"!");  // at the end it becomes an ordinary unit
  EXPECT_EQ(s.SaveToBytes().size(), 2u + 4 * 2);
  s.Check();
}

// Any bytes, every encoding and code page: loading and saving with the settings loading left
// gives the same bytes.
TEST(Load, AnyBytesRoundTrip) {
  std::mt19937 rng(4);
  struct Setting {
    TTextEncoding enc;
    bool noSig;
    uint32_t cp;
  };
  const Setting settings[] = {{teAnsi, false, 0},     {teUtf8, true, 0},    {teUtf16LE, true, 0},
                              {teUtf16BE, true, 0},   {teAnsi, true, 1252}, {teAnsi, true, 932},
                              {teAnsi, false, 54936}, {teAnsi, true, 1251}};
  const char* prefixes[] = {"", "\xFF\xFE", "\xFE\xFF", "\xEF\xBB\xBF", "\xEF\xBB"};
  for (const auto& st : settings) {
    for (int round = 0; round < 150; ++round) {
      std::string bytes = prefixes[rng() % 5];
      for (int n = int(rng() % 40); n > 0; --n) {
        unsigned r = rng();
        const char* pick[] = {"\r", "\n", "\r\n", "a", "\xC3\xA9", "\xF0\x9F\x98\x80", "\0"};
        bytes += r % 3 ? std::string(1, char(r >> 8))
                       : std::string(pick[(r >> 8) % 7],
                                     (r >> 8) % 7 == 6 ? 1 : std::strlen(pick[(r >> 8) % 7]));
      }
      TSyntMemoStrings s;
      s.SetEncoding(st.enc);
      s.SetNoSignature(st.noSig);
      s.SetCodePage(st.cp);
      s.LoadFromBytes(bytes);
      // NoSignature means no mark is written, whatever was read.
      std::string expect = bytes;
      size_t mark = bytes.rfind("\xEF\xBB\xBF", 0) == 0                                  ? 3
                    : bytes.rfind("\xFF\xFE", 0) == 0 || bytes.rfind("\xFE\xFF", 0) == 0 ? 2
                                                                                         : 0;
      if (st.noSig) expect.erase(0, mark);
      ASSERT_EQ(s.SaveToBytes(), expect) << int(st.enc) << " " << st.cp << " round " << round;
      s.Check();
    }
  }
}

// Saving goes out in pieces; a large text with pairs, escapes and breaks everywhere must come out
// as if encoded whole.
TEST(Save, LargeTextsEncodeAsAWhole) {
  std::mt19937 rng(31);
  std::u16string text;
  while (text.size() < 300000) {
    switch (rng() % 6) {
      case 0:
        text += u"\U0001F600";
        break;
      case 1:
        text.push_back(char16_t(kByteEscape + 0x80 + rng() % 0x80));
        break;
      case 2:
        text += rng() % 2 ? u"\r\n" : u"\n";
        break;
      case 3:
        text += u"\u65E5";
        break;
      default:
        text += u"abcdefgh";
        break;
    }
  }
  TSyntMemoStrings s;
  s.SetTextStr(text);
  s.SetNoSignature(true);
  s.SetEncoding(teUtf8);
  EXPECT_EQ(s.SaveToBytes(), Utf8EncodeLossless(text));
  s.SetEncoding(teAnsi);
  s.SetCodePage(932);
  EXPECT_EQ(s.SaveToBytes(), Utf16ToCodePage(text, 932));
  s.SetEncoding(teUtf16BE);
  std::string be = s.SaveToBytes();
  ASSERT_EQ(be.size(), text.size() * 2);
  for (size_t i = 0; i < text.size(); i += 997) EXPECT_EQ(uint8_t(be[2 * i]), text[i] >> 8);
  s.SetEncoding(teUtf8);
  s.SetLineBreakStyle(lbCR);
  std::u16string cr;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    cr.push_back(text[i] == '\n' ? u'\r' : text[i]);
  }
  EXPECT_EQ(s.SaveToBytes(), Utf8EncodeLossless(cr));
}

TEST(Files, LoadAndAtomicSave) {
  std::string dir = ::testing::TempDir() + "memo_strings_files";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  std::string path = dir + "/a.txt";
  TSyntMemoStrings s;
  try {
    s.LoadFromFile(path);
    FAIL();
  } catch (const EStreamError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Cannot open file \"" + path + "\". ", 0), 0u)
        << e.what();
  }
  s.SetTextStr(u"one\r\ntwo");
  s.SetEncoding(teUtf8);
  s.SaveToFile(path);
  std::filesystem::permissions(path, std::filesystem::perms(0640));
  s.SetTextStr(u"three");
  s.SaveToFile(path);
  EXPECT_EQ(std::filesystem::status(path).permissions(), std::filesystem::perms(0640));
  TSyntMemoStrings t;
  t.LoadFromFile(path);
  EXPECT_EQ(t.Text(), u"three");
  EXPECT_EQ(t.Encoding(), teUtf8);
  // A save that cannot happen leaves the old file and no stray temporary file.
  EXPECT_THROW(s.SaveToFile(dir + "/missing/b.txt"), EStreamError);
  EXPECT_THROW(s.SaveToFile(dir), EStreamError);
  int files = 0;
  for (auto& e : std::filesystem::directory_iterator(dir)) files += e.is_regular_file();
  EXPECT_EQ(files, 1);
  // Saving through a link replaces the file it points to.
  std::filesystem::create_symlink("a.txt", dir + "/link.txt");
  s.SetTextStr(u"via link");
  s.SaveToFile(dir + "/link.txt");
  EXPECT_TRUE(std::filesystem::is_symlink(dir + "/link.txt"));
  t.LoadFromFile(path);
  EXPECT_EQ(t.Text(), u"via link");
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace synt
