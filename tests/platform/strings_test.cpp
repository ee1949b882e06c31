#include "platform/strings.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

#include "platform/streams.h"

namespace synt {
namespace {

std::vector<std::u16string> Lines(const TStrings& s) {
  std::vector<std::u16string> r;
  for (int i = 0; i < s.Count(); ++i) r.push_back(s.Strings(i));
  return r;
}

// The smallest possible descendant: only the abstract primitives. Everything else must work on it.
class TVectorStrings : public TStrings {
 public:
  std::u16string Get(int i) const override {
    if (i < 0 || i >= int(v.size())) IndexError(i);
    return v[size_t(i)];
  }
  int GetCount() const override { return int(v.size()); }
  void Insert(int i, const std::u16string& s) override {
    if (i < 0 || i > int(v.size())) IndexError(i);
    v.insert(v.begin() + i, s);
  }
  void Delete(int i) override {
    if (i < 0 || i >= int(v.size())) IndexError(i);
    v.erase(v.begin() + i);
  }
  void Clear() override { v.clear(); }
  std::vector<std::u16string> v;
};

TEST(Strings, TextSplitsAtEveryLineBreakAndJoinsWithCrLf) {
  TStringList l;
  l.SetText(u"a\r\nb\nc\rd");
  EXPECT_EQ(Lines(l), (std::vector<std::u16string>{u"a", u"b", u"c", u"d"}));
  EXPECT_EQ(l.Text(), u"a\r\nb\r\nc\r\nd\r\n");
  l.SetText(u"x\r\n");  // a final break makes no extra empty line
  EXPECT_EQ(l.Count(), 1);
  l.SetText(u"\n\n");
  EXPECT_EQ(Lines(l), (std::vector<std::u16string>{u"", u""}));
  l.SetText(u"");
  EXPECT_EQ(l.Count(), 0);
}

TEST(Strings, DelimitedTextQuotesWhatWouldNotSplitBack) {
  TStringList l;
  l.SetCommaText(u" one, \"two three\" ,four,\"say \"\"hi\"\"\",");
  EXPECT_EQ(Lines(l),
            (std::vector<std::u16string>{u"one", u"two three", u"four", u"say \"hi\"", u""}));
  EXPECT_EQ(l.CommaText(), u"one,\"two three\",four,\"say \"\"hi\"\"\",");
  TStringList back;
  back.SetCommaText(l.CommaText());
  EXPECT_TRUE(back.Equals(l));

  l.Clear();
  l.Add(u"");
  EXPECT_EQ(l.CommaText(), u"\"\"");  // a single empty item stays visible

  // Strict: only the delimiter splits.
  l.SetDelimiter(u';');
  l.SetStrictDelimiter(true);
  l.SetDelimitedText(u"a b;c");
  EXPECT_EQ(Lines(l), (std::vector<std::u16string>{u"a b", u"c"}));
}

TEST(Strings, BlankDelimiterSplitsEveryLineIntoWords) {
  // The tag lists of block conditions: delimiter and quote both blank.
  TStringList tags;
  tags.SetDelimiter(u' ');
  tags.SetQuoteChar(u' ');
  tags.SetDelimitedText(u"begin end\r\n  case\tof ");
  EXPECT_EQ(Lines(tags), (std::vector<std::u16string>{u"begin", u"end", u"case", u"of"}));
}

TEST(Strings, NamesAndValues) {
  TStringList l;
  l.Add(u"Width=10");
  l.Add(u"plain");
  l.SetValues(u"width", u"20");  // names match without case, as the list compares
  l.SetValues(u"Height", u"5");
  EXPECT_EQ(Lines(l), (std::vector<std::u16string>{u"width=20", u"plain", u"Height=5"}));
  EXPECT_EQ(l.Names(0), u"width");
  EXPECT_EQ(l.Names(1), u"");
  EXPECT_EQ(l.Values(u"HEIGHT"), u"5");
  EXPECT_EQ(l.ValueFromIndex(0), u"20");
  l.SetValues(u"Width", u"");
  EXPECT_EQ(l.Count(), 2);
}

TEST(Strings, IndexErrorsNameTheIndex) {
  TStringList l;
  l.Add(u"a");
  try {
    l.Get(5);
    FAIL();
  } catch (const EListError& e) {
    EXPECT_STREQ(e.what(), "Index 5 is out of range");
  }
  EXPECT_THROW(l.Insert(3, u"x"), EListError);
  EXPECT_THROW(l.Delete(-1), EListError);
  TVectorStrings v;
  EXPECT_THROW(v.Insert(1, u"x"), EListError);
}

TEST(Strings, BaseOperationsWorkOnThePrimitivesAlone) {
  TVectorStrings v;
  v.SetText(u"c\nb\na");
  v.Put(0, u"C");
  v.Move(2, 0);
  v.Exchange(1, 2);
  EXPECT_EQ(v.v, (std::vector<std::u16string>{u"a", u"b", u"C"}));
  EXPECT_EQ(v.IndexOf(u"c"), 2);  // the base compares without case
  TStringList l;
  l.Assign(&v);
  EXPECT_TRUE(l.Equals(v));
  v.Assign(&l);
  EXPECT_EQ(v.Count(), 3);
  TPersistent p;
  EXPECT_THROW(v.Assign(&p), EConvertError);
}

TEST(StringList, SortedListKeepsOrderAndHandlesDuplicates) {
  TStringList l;
  l.SetSorted(true);
  for (auto s : {u"pear", u"Apple", u"banana", u"apple"}) l.Add(s);
  // dupIgnore: "apple" equals "Apple" without case.
  EXPECT_EQ(Lines(l), (std::vector<std::u16string>{u"Apple", u"banana", u"pear"}));
  int i;
  EXPECT_TRUE(l.Find(u"BANANA", i));
  EXPECT_EQ(i, 1);
  EXPECT_FALSE(l.Find(u"cherry", i));
  EXPECT_EQ(i, 2);
  EXPECT_THROW(l.Insert(0, u"x"), EListError);
  EXPECT_THROW(l.Put(0, u"x"), EListError);

  l.SetCaseSensitive(true);
  l.Add(u"apple");
  EXPECT_EQ(Lines(l), (std::vector<std::u16string>{u"Apple", u"apple", u"banana", u"pear"}));
  l.SetDuplicates(dupError);
  try {
    l.Add(u"pear");
    FAIL();
  } catch (const EListError& e) {
    EXPECT_STREQ(e.what(), "String list does not allow duplicates");
  }
  l.SetDuplicates(dupAccept);
  l.AddObject(u"pear", reinterpret_cast<TObject*>(&l));
  EXPECT_EQ(l.Count(), 5);
  EXPECT_EQ(l.Objects(4), reinterpret_cast<TObject*>(&l));  // after the equal one
}

TEST(StringList, RandomOperationsMatchAMultisetModel) {
  std::mt19937 rng(7);
  TStringList l;
  l.SetSorted(true);
  l.SetDuplicates(dupAccept);
  l.SetCaseSensitive(true);
  std::multiset<std::u16string, bool (*)(const std::u16string&, const std::u16string&)> model(
      [](const std::u16string& a, const std::u16string& b) {
        return CompareListStrings(a, b, true) < 0;
      });
  const char16_t* words[] = {u"a", u"A", u"b", u"ab", u"Ab", u"\u00e9", u"\u00c9", u"", u"z"};
  for (int step = 0; step < 3000; ++step) {
    if (rng() % 3 != 0 || l.Count() == 0) {
      std::u16string w = words[rng() % 9];
      l.Add(w);
      model.insert(w);
    } else {
      int k = int(rng() % unsigned(l.Count()));
      model.erase(model.find(l.Strings(k)));
      l.Delete(k);
    }
    ASSERT_EQ(size_t(l.Count()), model.size());
    for (int k = 1; k < l.Count(); ++k)
      ASSERT_LE(CompareListStrings(l.Strings(k - 1), l.Strings(k), true), 0);
  }
  int k = 0;
  for (auto& w : model) EXPECT_EQ(l.Strings(k++), w);
}

TEST(StringList, ChangeEventsAreHeldByUpdateBrackets) {
  TStringList l;
  int changing = 0, changed = 0;
  l.OnChanging = [&](TObject* s) {
    EXPECT_EQ(s, &l);
    ++changing;
  };
  l.OnChange = [&](TObject*) { ++changed; };
  l.Add(u"a");
  EXPECT_EQ(changing, 1);
  EXPECT_EQ(changed, 1);
  l.BeginUpdate();
  l.Add(u"b");
  l.Add(u"c");
  l.BeginUpdate();
  l.Delete(0);
  l.EndUpdate();
  EXPECT_EQ(changed, 1);
  l.EndUpdate();
  EXPECT_EQ(changing, 2);
  EXPECT_EQ(changed, 2);
  l.SetText(u"x\ny");  // one batch
  EXPECT_EQ(changed, 3);
}

struct Counted : TObject {
  explicit Counted(int& n) : n(n) { ++n; }
  ~Counted() override { --n; }
  int& n;
};

TEST(StringList, OwnedObjectsAreFreedWithTheirLines) {
  int alive = 0;
  {
    TStringList l(true);
    l.AddObject(u"a", new Counted(alive));
    l.AddObject(u"b", new Counted(alive));
    l.AddObject(u"c", new Counted(alive));
    l.Delete(0);
    EXPECT_EQ(alive, 2);
    l.Sort();
    EXPECT_EQ(alive, 2);
  }
  EXPECT_EQ(alive, 0);
}

TEST(Strings, LoadsUtf8Utf16AndStrayBytesWithoutLoss) {
  TStringList l;
  TMemoryStream utf8(
      "\xEF\xBB\xBFGr\xC3\xBC\xC3\x9F"
      "e\r\nx");
  l.LoadFromStream(utf8);
  EXPECT_EQ(Lines(l), (std::vector<std::u16string>{u"Gr\u00fc\u00dfe", u"x"}));
  TMemoryStream utf16(
      std::string("\xFF\xFE"
                  "a\0\n\0b\0",
                  8));
  l.LoadFromStream(utf16);
  EXPECT_EQ(Lines(l), (std::vector<std::u16string>{u"a", u"b"}));
  TMemoryStream latin("caf\xE9");
  l.LoadFromStream(latin);
  EXPECT_EQ(l.Strings(0), u"caf\u00e9");
  TMemoryStream out;
  l.SaveToStream(out);
  EXPECT_EQ(out.DataString(), "caf\xC3\xA9\r\n");
}

}  // namespace
}  // namespace synt
