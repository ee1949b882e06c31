#include "platform/collection.h"

#include <algorithm>

#include "platform/properties.h"
#include "platform/utf.h"

namespace synt {

const TClassInfo& TCollectionItem::StaticClassInfo() {
  static const TClassInfo info("TCollectionItem", &TPersistent::StaticClassInfo(), nullptr, nullptr,
                               TClassInfo::ItemFactory<TCollectionItem>);
  return info;
}

const TClassInfo& TCollection::StaticClassInfo() {
  static const TClassInfo info("TCollection", &TPersistent::StaticClassInfo());
  return info;
}

// --- TCollectionItem -------------------------------------------------------------------------

TCollectionItem::TCollectionItem(TCollection* Collection) : FCollection(Collection) {}

TCollectionItem::~TCollectionItem() {
  if (FCollection && FInList) FCollection->RemoveItem(this);
}

void TCollectionItem::SetCollection(TCollection* Value) {
  if (Value == FCollection && (FInList || !Value)) return;
  if (FCollection && FInList) FCollection->RemoveItem(this);
  FCollection = nullptr;
  if (Value) Value->InsertItem(this, Value->Count());
}

int TCollectionItem::Index() const {
  if (!FCollection || !FInList) return -1;
  auto& items = FCollection->FItems;
  auto it = std::find(items.begin(), items.end(), this);
  return it == items.end() ? -1 : int(it - items.begin());
}

void TCollectionItem::SetIndex(int Value) {
  int cur = Index();
  if (cur < 0 || cur == Value) return;
  auto& items = FCollection->FItems;
  if (Value < 0) Value = 0;
  if (Value >= int(items.size())) Value = int(items.size()) - 1;
  items.erase(items.begin() + cur);
  items.insert(items.begin() + Value, this);
  Changed(true);
}

std::u16string TCollectionItem::DisplayName() const { return AsciiToUtf16(ClassName()); }

void TCollectionItem::SetDisplayName(const std::u16string&) { Changed(false); }

void TCollectionItem::Assign(const TPersistent* Source) {
  auto* item = dynamic_cast<const TCollectionItem*>(Source);
  if (item && item != this) {
    // Only a class below TCollectionItem shares something worth copying.
    const TClassInfo* common = &item->ClassInfo();
    while (common && !InheritsFrom(*common)) common = common->Parent();
    if (common && common != &TCollectionItem::StaticClassInfo()) {
      AssignPublishedProperties(this, Source);
      return;
    }
  } else if (item == this) {
    return;
  }
  TPersistent::Assign(Source);
}

std::u16string TCollectionItem::GetNamePath() const {
  if (FCollection && FInList)
    return FCollection->GetNamePath() + u"[" + AsciiToUtf16(std::to_string(Index())) + u"]";
  return AsciiToUtf16(ClassName());
}

TPersistent* TCollectionItem::GetOwner() const { return FInList ? FCollection : nullptr; }

void TCollectionItem::Changed(bool AllItems) {
  if (FCollection && FInList && FCollection->FUpdateCount == 0)
    FCollection->Update(AllItems ? nullptr : this);
}

// --- TCollection -----------------------------------------------------------------------------

TCollection::TCollection(const TClassInfo& ItemClass, TPersistent* Owner)
    : FItemClass(&ItemClass), FOwner(Owner) {}

TCollection::~TCollection() {
  FUpdateCount = 1;  // no change reports while going away
  while (!FItems.empty()) {
    TCollectionItem* item = FItems.back();
    FItems.pop_back();
    item->FInList = false;
    item->FCollection = nullptr;
    delete item;
  }
}

TCollectionItem* TCollection::Add() { return Insert(Count()); }

TCollectionItem* TCollection::Insert(int Index) {
  if (Index < 0 || Index > Count())
    throw EListError("Index " + std::to_string(Index) + " is out of range");
  if (!FItemClass->NewItem())
    throw EConvertError("Cannot create an item of class " + FItemClass->Name());
  TCollectionItem* item = FItemClass->NewItem()(this);
  InsertItem(item, Index);
  return item;
}

void TCollection::InsertItem(TCollectionItem* Item, int Index) {
  FItems.insert(FItems.begin() + Index, Item);
  Item->FCollection = this;
  Item->FInList = true;
  Item->FID = FNextID++;
  SetItemName(Item);
  Notify(Item, cnAdded);
  Changed();
}

void TCollection::RemoveItem(TCollectionItem* Item) {
  // Out of the list first: from a destructor the item is no longer what its class says, and the
  // handlers walk the collection.
  FItems.erase(std::remove(FItems.begin(), FItems.end(), Item), FItems.end());
  Item->FInList = false;
  Notify(Item, cnExtracting);
  Item->FCollection = nullptr;
  Changed();
}

void TCollection::Delete(int Index) {
  TCollectionItem* item = Items(Index);
  Notify(item, cnDeleting);
  FItems.erase(std::find(FItems.begin(), FItems.end(), item));
  item->FInList = false;
  Changed();
  // The item still knows its collection while its destructor runs (not being in it any more).
  delete item;
}

void TCollection::Clear() {
  if (FItems.empty()) return;
  BeginUpdate();
  try {
    while (!FItems.empty()) Delete(Count() - 1);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

TCollectionItem* TCollection::Items(int Index) const {
  if (Index < 0 || Index >= Count())
    throw EListError("Index " + std::to_string(Index) + " is out of range");
  return FItems[size_t(Index)];
}

TCollectionItem* TCollection::FindItemID(int ID) const {
  for (TCollectionItem* item : FItems)
    if (item->FID == ID) return item;
  return nullptr;
}

void TCollection::BeginUpdate() { ++FUpdateCount; }

void TCollection::EndUpdate() {
  if (FUpdateCount > 0) --FUpdateCount;
  Changed();
}

void TCollection::Changed() {
  if (FUpdateCount == 0) Update(nullptr);
}

void TCollection::Assign(const TPersistent* Source) {
  if (auto* src = dynamic_cast<const TCollection*>(Source)) {
    if (src == this) return;
    BeginUpdate();
    try {
      Clear();
      for (int i = 0; i < src->Count(); ++i) Add()->Assign(src->Items(i));
    } catch (...) {
      EndUpdate();
      throw;
    }
    EndUpdate();
    return;
  }
  TPersistent::Assign(Source);
}

std::u16string TCollection::GetNamePath() const {
  std::u16string cls = AsciiToUtf16(ClassName());
  if (!FOwner) return cls;
  std::u16string path = FOwner->GetNamePath();
  if (path.empty()) return cls;
  for (const TPropInfo* p : FOwner->ClassInfo().Properties())
    if (p->Kind == TPropKind::Object && p->GetObject(FOwner) == this)
      return path + u"." + AsciiToUtf16(p->Name);
  return cls;
}

}  // namespace synt
