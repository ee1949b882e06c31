// Collections: owned, ordered items of one class with change notification to the collection and
// from there to its owner. The stored form writes a collection as "<item ... end>".
//
//   class TColumn : public synt::TCollectionItem {
//     SYNT_CLASS_INFO()
//    public:
//     using TCollectionItem::TCollectionItem;
//     int Width() const { return width_; }
//     void SetWidth(int v) { if (v != width_) { width_ = v; Changed(false); } }
//    private:
//     int width_ = 64;
//   };
//   // .cpp: published Width with default 64; ItemFactory lets the collection create columns
//   const synt::TClassInfo& TColumn::StaticClassInfo() {
//     static const synt::TClassInfo info("TColumn", &TCollectionItem::StaticClassInfo(),
//         DescribeColumn, nullptr, synt::TClassInfo::ItemFactory<TColumn>);
//     return info;
//   }
//
//   class TColumns : public synt::TCollection {
//    public:
//     explicit TColumns(TPersistent* Owner) : TCollection(TColumn::StaticClassInfo(), Owner) {}
//     TColumn* Add() { return static_cast<TColumn*>(TCollection::Add()); }
//    protected:
//     void Update(synt::TCollectionItem* Item) override { /* Item null: all changed */ }
//   };
//
// Items are created only by the collection (Add, Insert), so that they are complete objects when
// the collection names them and reports them; an item constructor receives its collection so that
// it can read settings from it, but must not add itself. Items are freed by Delete, Clear, the
// collection's destructor, or by deleting them (which takes them out of their collection).
#pragma once

#include <string>
#include <vector>

#include "platform/persistent.h"

namespace synt {

class TCollection;

enum TCollectionNotification { cnAdded, cnExtracting, cnDeleting };

class TCollectionItem : public TPersistent {
  SYNT_CLASS_INFO()

 public:
  // Collection: the collection that is creating this item (see above).
  explicit TCollectionItem(TCollection* Collection);
  ~TCollectionItem() override;
  TCollectionItem(const TCollectionItem&) = delete;
  TCollectionItem& operator=(const TCollectionItem&) = delete;

  // The collection; also while the item is being created by it or freed by its Delete.
  TCollection* Collection() const { return collection_; }
  // Moves the item to another collection (null: out of any, and then the caller owns it).
  void SetCollection(TCollection* Value);
  int Index() const;
  void SetIndex(int Value);       // moves the item within its collection
  int ID() const { return FID; }  // unique within the collection, never reused
  // The name shown for the item; the base gives the class name.
  virtual std::u16string DisplayName() const;
  virtual void SetDisplayName(const std::u16string& Value);

  // Copies the published properties of a compatible item (AssignPublishedProperties).
  void Assign(const TPersistent* Source) override;
  std::u16string GetNamePath() const override;  // "Lexer.Formats[2]"
  TPersistent* GetOwner() const override;

 protected:
  // Reports a change to the collection (unless it is updating): AllItems says that the change
  // concerns the whole collection (the order, say), not this item alone.
  void Changed(bool AllItems);

 private:
  friend class TCollection;
  TCollection* collection_ = nullptr;
  bool inList_ = false;
  int FID = 0;
};

class TCollection : public TPersistent {
  SYNT_CLASS_INFO()

 public:
  // ItemClass must have an item factory. Owner (optional) is the object whose property this
  // collection is; it makes the name path and the stored form's structure.
  explicit TCollection(const TClassInfo& ItemClass, TPersistent* Owner = nullptr);
  ~TCollection() override;
  TCollection(const TCollection&) = delete;
  TCollection& operator=(const TCollection&) = delete;

  TCollectionItem* Add();
  TCollectionItem* Insert(int Index);
  void Delete(int Index);
  void Clear();
  int Count() const { return int(items_.size()); }
  TCollectionItem* Items(int Index) const;  // raises EListError "Index <n> is out of range"
  TCollectionItem* FindItemID(int ID) const;
  const TClassInfo& ItemClass() const { return *itemClass_; }

  // Holds change reports until the outermost EndUpdate, which reports the whole collection.
  void BeginUpdate();
  virtual void EndUpdate();
  int UpdateCount() const { return updateCount_; }

  // From another collection: clears, then adds one item per source item and assigns it.
  void Assign(const TPersistent* Source) override;
  TPersistent* GetOwner() const override { return owner_; }
  std::u16string GetNamePath() const override;  // "<owner path>.<property name>"

 protected:
  // A change: Item is the item that changed, or null when the whole collection did.
  virtual void Update(TCollectionItem* Item) {}
  // Items arriving (cnAdded, after naming) and leaving (cnDeleting before a Delete or Clear frees
  // the item, still in the list; cnExtracting when an item leaves otherwise, which includes
  // deleting it directly: it is out of the list then and may be half destroyed).
  virtual void Notify(TCollectionItem* Item, TCollectionNotification Action) {}
  // Gives a new item its initial name.
  virtual void SetItemName(TCollectionItem* Item) {}
  // Reports the whole collection changed, unless updating.
  void Changed();

 private:
  friend class TCollectionItem;
  void InsertItem(TCollectionItem* Item, int Index);
  void RemoveItem(TCollectionItem* Item);

  const TClassInfo* itemClass_;
  TPersistent* owner_;
  std::vector<TCollectionItem*> items_;
  int nextID_ = 0;
  int updateCount_ = 0;
};

}  // namespace synt
