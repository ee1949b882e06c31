#include "platform/collection.h"

#include <gtest/gtest.h>

#include "platform/component.h"
#include "platform/properties.h"
#include "platform/utf.h"

namespace synt {
namespace {

enum TAlign { alLeft, alCenter, alRight };
const TEnumInfo& AlignInfo() {
  static const TEnumInfo info{"TAlign", {"alLeft", "alCenter", "alRight"}};
  return info;
}

class TColumn : public TCollectionItem {
  SYNT_CLASS_INFO()
 public:
  using TCollectionItem::TCollectionItem;
  int Width() const { return width_; }
  void SetWidth(int v) {
    if (v == width_) return;
    width_ = v;
    Changed(false);
  }
  TAlign Align() const { return align_; }
  void SetAlign(TAlign v) { align_ = v; }
  const std::u16string& Title() const { return title_; }
  void SetTitle(const std::u16string& v) { title_ = v; }
  TNotifyEvent OnClick;

 private:
  int width_ = 64;
  TAlign align_ = alLeft;
  std::u16string title_;
};

void DescribeColumn(TPropertyList& List) {
  TPropsOf<TColumn> p(List);
  p.Integer("Width", &TColumn::Width, &TColumn::SetWidth).Def(64);
  p.Enum("Align", &TColumn::Align, &TColumn::SetAlign, AlignInfo()).Def(alLeft);
  p.String("Title", &TColumn::Title, &TColumn::SetTitle);
  p.Event("OnClick", &TColumn::OnClick);
}

const TClassInfo& TColumn::StaticClassInfo() {
  static const TClassInfo info("TColumn", &TCollectionItem::StaticClassInfo(), DescribeColumn,
                               nullptr, TClassInfo::ItemFactory<TColumn>);
  return info;
}

// Logs Update and Notify calls.
class TColumns : public TCollection {
 public:
  explicit TColumns(TPersistent* Owner = nullptr)
      : TCollection(TColumn::StaticClassInfo(), Owner) {}
  TColumn* Add() { return static_cast<TColumn*>(TCollection::Add()); }
  TColumn* Col(int i) const { return static_cast<TColumn*>(Items(i)); }
  std::vector<std::string> log;

 protected:
  void Update(TCollectionItem* Item) override {
    log.push_back(Item ? "update " + std::to_string(Item->Index()) : "update all");
  }
  void Notify(TCollectionItem* Item, TCollectionNotification Action) override {
    static const char* names[] = {"added", "extracting", "deleting"};
    log.push_back(std::string(names[Action]) + " " + std::to_string(Item->ID()));
  }
  void SetItemName(TCollectionItem* Item) override {
    static_cast<TColumn*>(Item)->SetTitle(u"Column" + AsciiToUtf16(std::to_string(Item->ID())));
  }
};

class TGrid : public TComponent {
  SYNT_CLASS_INFO()
 public:
  using TComponent::TComponent;
  TColumns* Columns() const { return columns_.get(); }

 private:
  std::unique_ptr<TColumns> columns_ = std::make_unique<TColumns>(this);
};

void DescribeGrid(TPropertyList& List) {
  TPropsOf<TGrid> p(List);
  p.Object("Columns", &TGrid::Columns);
}

const TClassInfo& TGrid::StaticClassInfo() {
  static const TClassInfo info("TGrid", &TComponent::StaticClassInfo(), DescribeGrid,
                               TClassInfo::ComponentFactory<TGrid>);
  return info;
}

TEST(Collection, ReportsItemsArrivingChangingAndLeaving) {
  TColumns c;
  TColumn* a = c.Add();
  TColumn* b = c.Add();
  EXPECT_EQ(a->Title(), u"Column0");  // named before it is reported
  EXPECT_EQ(c.log, (std::vector<std::string>{"added 0", "update all", "added 1", "update all"}));
  c.log.clear();
  b->SetWidth(10);
  b->SetWidth(10);
  EXPECT_EQ(c.log, (std::vector<std::string>{"update 1"}));
  c.log.clear();
  b->SetIndex(0);
  EXPECT_EQ(c.log, (std::vector<std::string>{"update all"}));
  EXPECT_EQ(c.Col(0), b);
  c.log.clear();
  c.Delete(0);
  EXPECT_EQ(c.log, (std::vector<std::string>{"deleting 1", "update all"}));
  c.log.clear();
  delete a;  // an item freed directly leaves its collection
  EXPECT_EQ(c.log, (std::vector<std::string>{"extracting 0", "update all"}));
  EXPECT_EQ(c.Count(), 0);
  TColumn* d = c.Add();
  EXPECT_EQ(d->ID(), 2);  // IDs are never reused
  EXPECT_EQ(c.FindItemID(2), d);
}

TEST(Collection, UpdateBracketReportsOnceForTheWhole) {
  TColumns c;
  c.BeginUpdate();
  c.Add()->SetWidth(1);
  c.Add();
  c.Clear();
  c.Add();
  c.log.clear();
  c.EndUpdate();
  EXPECT_EQ(c.log, (std::vector<std::string>{"update all"}));
  EXPECT_THROW(c.Items(5), EListError);
  EXPECT_THROW(c.Insert(3), EListError);
}

TEST(Collection, AssignCopiesEveryPublishedPropertyOfEachItem) {
  TColumns src, dst;
  int clicks = 0;
  TColumn* a = src.Add();
  a->SetWidth(5);
  a->SetAlign(alRight);
  a->SetTitle(u"\u00c4rger");
  a->OnClick = [&](TObject*) { ++clicks; };
  src.Add();
  dst.Add();
  dst.Add();
  dst.Add();
  dst.log.clear();
  dst.Assign(&src);
  ASSERT_EQ(dst.Count(), 2);
  EXPECT_EQ(dst.Col(0)->Width(), 5);
  EXPECT_EQ(dst.Col(0)->Align(), alRight);
  EXPECT_EQ(dst.Col(0)->Title(), u"\u00c4rger");
  ASSERT_TRUE(dst.Col(0)->OnClick);
  dst.Col(0)->OnClick(nullptr);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(dst.Col(1)->Title(), src.Col(1)->Title());
  EXPECT_EQ(dst.log.back(), "update all");
  EXPECT_EQ(std::count(dst.log.begin(), dst.log.end(), "update all"), 1);

  TPersistent other;
  EXPECT_THROW(dst.Col(0)->Assign(&other), EConvertError);
}

TEST(Collection, NamePathsFollowTheOwningProperty) {
  TGrid grid(nullptr);
  grid.SetName(u"Grid1");
  grid.Columns()->Add();
  grid.Columns()->Add();
  EXPECT_EQ(grid.Columns()->GetNamePath(), u"Grid1.Columns");
  EXPECT_EQ(grid.Columns()->Items(1)->GetNamePath(), u"Grid1.Columns[1]");
  EXPECT_EQ(grid.Columns()->Items(1)->DisplayName(), u"TColumn");
}

TEST(ClassInfo, PropertiesComeBaseFirstAndAreFoundWithoutCase) {
  const TClassInfo& info = TGrid::StaticClassInfo();
  ASSERT_EQ(info.Properties().size(), 2u);
  EXPECT_EQ(info.Properties()[0]->Name, "Tag");
  EXPECT_EQ(info.Properties()[1]->Name, "Columns");
  EXPECT_EQ(info.FindProperty("COLUMNS")->Class, &TColumns::StaticClassInfo());
  EXPECT_TRUE(info.InheritsFrom(TComponent::StaticClassInfo()));
  EXPECT_FALSE(TComponent::StaticClassInfo().InheritsFrom(info));

  RegisterClass(info);
  EXPECT_EQ(FindClass("tgrid"), &info);
  EXPECT_EQ(FindClass("TNothing"), nullptr);
  TComponent* g = FindClass("TGrid")->NewComponent()(nullptr);
  EXPECT_EQ(g->ClassName(), "TGrid");
  delete g;
}

TEST(Persistent, AssignBetweenUnrelatedClassesNamesBoth) {
  TColumns c;
  TColumn* col = c.Add();
  const TPersistent* none = nullptr;
  try {
    col->Assign(none);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Cannot assign a nil to a TColumn");
  }
  TGrid g(nullptr);
  try {
    col->Assign(&g);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Cannot assign a TGrid to a TColumn");
  }
}

}  // namespace
}  // namespace synt
