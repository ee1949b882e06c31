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

TCollectionItem::TCollectionItem(TCollection* Collection) : collection_(Collection) {}

TCollectionItem::~TCollectionItem() {
  if (collection_ && inList_) collection_->RemoveItem(this);
}

void TCollectionItem::SetCollection(TCollection* Value) {
  if (Value == collection_ && (inList_ || !Value)) return;
  if (collection_ && inList_) collection_->RemoveItem(this);
  collection_ = nullptr;
  if (Value) Value->InsertItem(this, Value->Count());
}

int TCollectionItem::Index() const {
  if (!collection_ || !inList_) return -1;
  auto& items = collection_->items_;
  auto it = std::find(items.begin(), items.end(), this);
  return it == items.end() ? -1 : int(it - items.begin());
}

void TCollectionItem::SetIndex(int Value) {
  int cur = Index();
  if (cur < 0 || cur == Value) return;
  auto& items = collection_->items_;
  if (Value < 0) Value = 0;
  if (Value >= int(items.size())) Value = int(items.size()) - 1;
  items.erase(items.begin() + cur);
  items.insert(items.begin() + Value, this);
  Changed(true);
}

std::u16string TCollectionItem::DisplayName() const {
  return AsciiToUtf16(ClassName());
}

void TCollectionItem::SetDisplayName(const std::u16string&) {
  Changed(false);
}

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
  if (collection_ && inList_)
    return collection_->GetNamePath() + u"[" + AsciiToUtf16(std::to_string(Index())) + u"]";
  return AsciiToUtf16(ClassName());
}

TPersistent* TCollectionItem::GetOwner() const {
  return inList_ ? collection_ : nullptr;
}

void TCollectionItem::Changed(bool AllItems) {
  if (collection_ && inList_ && collection_->updateCount_ == 0)
    collection_->Update(AllItems ? nullptr : this);
}

// --- TCollection -----------------------------------------------------------------------------

TCollection::TCollection(const TClassInfo& ItemClass, TPersistent* Owner)
    : itemClass_(&ItemClass), owner_(Owner) {}

TCollection::~TCollection() {
  updateCount_ = 1;  // no change reports while going away
  while (!items_.empty()) {
    TCollectionItem* item = items_.back();
    items_.pop_back();
    item->inList_ = false;
    item->collection_ = nullptr;
    delete item;
  }
}

TCollectionItem* TCollection::Add() {
  return Insert(Count());
}

TCollectionItem* TCollection::Insert(int Index) {
  if (Index < 0 || Index > Count())
    throw EListError("Index " + std::to_string(Index) + " is out of range");
  if (!itemClass_->NewItem())
    throw EConvertError("Cannot create an item of class " + itemClass_->Name());
  TCollectionItem* item = itemClass_->NewItem()(this);
  InsertItem(item, Index);
  return item;
}

void TCollection::InsertItem(TCollectionItem* Item, int Index) {
  items_.insert(items_.begin() + Index, Item);
  Item->collection_ = this;
  Item->inList_ = true;
  Item->FID = nextID_++;
  SetItemName(Item);
  Notify(Item, cnAdded);
  Changed();
}

void TCollection::RemoveItem(TCollectionItem* Item) {
  // Out of the list first: from a destructor the item is no longer what its class says, and the
  // handlers walk the collection.
  items_.erase(std::remove(items_.begin(), items_.end(), Item), items_.end());
  Item->inList_ = false;
  Notify(Item, cnExtracting);
  Item->collection_ = nullptr;
  Changed();
}

void TCollection::Delete(int Index) {
  TCollectionItem* item = Items(Index);
  Notify(item, cnDeleting);
  items_.erase(std::find(items_.begin(), items_.end(), item));
  item->inList_ = false;
  Changed();
  // The item still knows its collection while its destructor runs (not being in it any more).
  delete item;
}

void TCollection::Clear() {
  if (items_.empty()) return;
  BeginUpdate();
  try {
    while (!items_.empty()) Delete(Count() - 1);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

TCollectionItem* TCollection::Items(int Index) const {
  if (Index < 0 || Index >= Count())
    throw EListError("Index " + std::to_string(Index) + " is out of range");
  return items_[size_t(Index)];
}

TCollectionItem* TCollection::FindItemID(int ID) const {
  for (TCollectionItem* item : items_)
    if (item->FID == ID) return item;
  return nullptr;
}

void TCollection::BeginUpdate() {
  ++updateCount_;
}

void TCollection::EndUpdate() {
  if (updateCount_ > 0) --updateCount_;
  Changed();
}

void TCollection::Changed() {
  if (updateCount_ == 0) Update(nullptr);
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
  if (!owner_) return cls;
  std::u16string path = owner_->GetNamePath();
  if (path.empty()) return cls;
  for (const TPropInfo* p : owner_->ClassInfo().Properties())
    if (p->Kind == TPropKind::Object && p->GetObject(owner_) == this)
      return path + u"." + AsciiToUtf16(p->Name);
  return cls;
}

}  // namespace synt
