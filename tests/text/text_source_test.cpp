#include "text/text_source.h"

#include <gtest/gtest.h>

#include "platform/filer.h"
#include "platform/streams.h"
#include "platform/strings.h"

namespace synt {
namespace {

std::vector<std::string>* gLog;

struct TView : TComponent, ISyntMemoTextHook, IqxSyntClient {
  std::string name;
  TView(std::string n) : TComponent(nullptr), name(std::move(n)) {}
  void TextChanged(TObject*, int Pos, int Count, int LineChange) override {
    gLog->push_back(name + " " + std::to_string(Pos) + " " + std::to_string(Count) + " " +
                    std::to_string(LineChange));
  }
  void FormatChanged() override { gLog->push_back(name + " format"); }
  void Finished() override { gLog->push_back(name + " finished"); }
};

struct TAnalysis : ITextSourceAnalysis {
  void TextChanged(int Pos, int Count, int LineChange, int Line) override {
    gLog->push_back("analysis " + std::to_string(Pos) + " " + std::to_string(Count) + " " +
                    std::to_string(LineChange) + " line " + std::to_string(Line));
  }
};

class TextSource : public ::testing::Test {
 protected:
  void SetUp() override { gLog = &log; }
  std::vector<std::string> log;
};

TEST_F(TextSource, RelaysChangesAnalysisFirstThenLastClientFirst) {
  TCustomTextSource doc(nullptr);
  TView a("a"), b("b");
  TObject plain;  // serves no interface: attached, never called
  doc.AddClient(&a);
  doc.AddClient(&b);
  doc.AddClient(&a);
  doc.AddClient(&plain);
  EXPECT_EQ(doc.ClientCount(), 3);
  doc.Lines()->SetTextStr(u"one\r\ntwo");
  log.clear();
  doc.SetAnalysis(std::make_unique<TAnalysis>());
  log.clear();
  doc.Lines()->InsertText(5, u"x\r\n");
  EXPECT_EQ(log, (std::vector<std::string>{"analysis 5 3 1 line 1", "b 5 3 1", "a 5 3 1"}));
  log.clear();
  doc.FormatChanged();
  doc.Finished();
  EXPECT_EQ(log, (std::vector<std::string>{"a format", "b format", "a finished", "b finished"}));
  doc.RemoveClient(&b);
  doc.RemoveClient(&plain);
  log.clear();
  doc.SetAnalysis(nullptr);  // everything changed, and no highlighting is coming
  EXPECT_EQ(log, (std::vector<std::string>{"a -1 0 0", "a finished"}));
  EXPECT_EQ(doc.CaretPosToStrPos({1, 1}), 6);
  EXPECT_EQ(doc.StrPosToCaretPos(6), (TPoint{1, 1}));
  EXPECT_EQ(doc.LineLength(2), 3);
}

TEST_F(TextSource, ForgetsClientsThatAreDestroyed) {
  TCustomTextSource doc(nullptr);
  auto* v = new TView("v");
  doc.AddClient(v);
  delete v;
  EXPECT_EQ(doc.ClientCount(), 0);
  doc.Lines()->InsertText(0, u"safe");
  EXPECT_TRUE(log.empty());
}

TEST_F(TextSource, ReadOnlyLinesAndStoredDescription) {
  TComponent owner(nullptr);
  auto* doc = new TCustomTextSource(&owner);
  EXPECT_FALSE(doc->ReadOnly());
  doc->SetReadOnly(true);
  EXPECT_TRUE(doc->ReadOnly());
  TStringList list;
  list.Add(u"alpha");
  list.Add(u"beta");
  doc->SetLines(&list);
  EXPECT_EQ(doc->Lines()->TextView(), u"alpha\r\nbeta");  // no break after the last line
  const auto& info = TCustomTextSource::StaticClassInfo();
  ASSERT_NE(info.FindProperty("Lines"), nullptr);
  ASSERT_NE(info.FindProperty("ReadOnly"), nullptr);
}

TEST(StoredForm, LinesRoundTripThroughTheTextForm) {
  for (std::u16string text : {u"\r\nfirst line empty", u"last line empty\r\n",
                              u"a\r\n\r\nb\u00E9\U0001F600", u"x", u""}) {
    TCustomTextSource doc(nullptr);
    doc.SetName(u"Doc");
    doc.SetReadOnly(true);
    doc.Lines()->SetTextStr(text);
    TWriter w;
    std::string stored = w.WriteRootText(&doc);
    EXPECT_EQ(stored.find("Lines.Strings") != std::string::npos, !text.empty()) << stored;
    TCustomTextSource back(nullptr);
    TReader r;
    r.ReadRootText(std::u16string(stored.begin(), stored.end()), &back);
    EXPECT_EQ(back.Lines()->TextView(), text) << stored;
    EXPECT_TRUE(back.ReadOnly());
  }
}

TEST(MemoStringsAsList, WorksThroughTheBaseClass) {
  TSyntMemoStrings lines;
  TStrings& s = lines;
  s.Add(u"a");
  s.Add(u"b");
  EXPECT_EQ(lines.TextView(), u"a\r\nb");
  s.Move(0, 1);
  EXPECT_EQ(s.Text(), u"b\r\na");
  s.Exchange(0, 1);
  EXPECT_EQ(s.Text(), u"a\r\nb");
  EXPECT_EQ(s.IndexOf(u"B"), 1);
  TStringList copy;
  copy.Assign(&lines);
  EXPECT_EQ(copy.Count(), 2);
  EXPECT_EQ(copy.Strings(1), u"b");
  TSyntMemoStrings other;
  other.SetTextStr(u"x\ny\n");
  lines.Assign(&other);  // line by line, breaks become CR LF, no trailing empty line added
  EXPECT_EQ(lines.TextView(), u"x\r\ny\r\n");
  lines.AddStrings(copy);
  EXPECT_EQ(lines.TextView(), u"x\r\ny\r\na\r\nb\r\n");
}

TEST(MemoStringsAsList, Streams) {
  TSyntMemoStrings lines;
  TMemoryStream in(std::string("\xFF\xFEh\0i\0", 6));
  lines.LoadFromStream(in);
  EXPECT_EQ(lines.TextView(), u"hi");
  EXPECT_EQ(lines.Encoding(), teUtf16LE);
  TMemoryStream out;
  lines.SaveToStream(out);
  EXPECT_EQ(out.DataString(), std::string("\xFF\xFEh\0i\0", 6));
}

}  // namespace
}  // namespace synt
