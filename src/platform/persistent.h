// Persistent objects: assignment between objects and the per-class description that the stored
// form, assignment of items and property editors work from.
//
//   class TPen : public synt::TPersistent {
//     SYNT_CLASS_INFO()
//    public:
//     void Assign(const TPersistent* Source) override {
//       if (auto* p = dynamic_cast<const TPen*>(Source)) { color_ = p->color_; return; }
//       TPersistent::Assign(Source);   // raises "Cannot assign a TFont to a TPen"
//     }
//   };
//   // pen.cpp
//   const synt::TClassInfo& TPen::StaticClassInfo() {
//     static const synt::TClassInfo info("TPen", &TPersistent::StaticClassInfo(), DescribePen);
//     return info;
//   }
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/object.h"

namespace synt {

class TPersistent;
class TComponent;
class TCollection;
class TCollectionItem;
class TFiler;
struct TPropInfo;
class TPropertyList;

// What one class is: its name, its base, how to create it and its published properties in published
// order (those of the base first). One static instance per class, reached through
// StaticClassInfo().
class TClassInfo {
 public:
  using TDescribe = void (*)(TPropertyList& Props);
  using TComponentFactory = TComponent* (*)(TComponent* Owner);
  using TItemFactory = TCollectionItem* (*)(TCollection* Collection);

  // Describe adds this class's own published properties (see properties.h); it runs on first use.
  TClassInfo(std::string Name, const TClassInfo* Parent, TDescribe Describe = nullptr,
             TComponentFactory NewComponent = nullptr, TItemFactory NewItem = nullptr);
  ~TClassInfo();
  TClassInfo(const TClassInfo&) = delete;
  TClassInfo& operator=(const TClassInfo&) = delete;

  const std::string& Name() const { return name_; }
  const TClassInfo* Parent() const { return parent_; }
  bool InheritsFrom(const TClassInfo& Other) const;

  // Every published property, the base class's first. Built once, thread-safe.
  const std::vector<const TPropInfo*>& Properties() const;
  // Case-insensitive lookup, as names in the stored form are matched.
  const TPropInfo* FindProperty(std::string_view Name) const;

  // Factories: null for abstract classes. A component made with an owner belongs to it; one made
  // without belongs to the caller. An item is added to the collection it is made for.
  TComponentFactory NewComponent() const { return newComponent_; }
  TItemFactory NewItem() const { return newItem_; }

  template <class C>
  static TComponent* ComponentFactory(TComponent* Owner) {
    return new C(Owner);
  }
  template <class C>
  static TCollectionItem* ItemFactory(TCollection* Collection) {
    return new C(Collection);
  }

 private:
  std::string name_;
  const TClassInfo* parent_;
  TDescribe describe_;
  TComponentFactory newComponent_;
  TItemFactory newItem_;
  mutable std::once_flag built_;
  mutable std::unique_ptr<TPropertyList> own_;
  mutable std::vector<const TPropInfo*> all_;
};

// The class registry: the stored form names component classes, and the reader creates them here.
// Register from code that is certainly linked (a module's registration function called from a
// constructor or load path): static registrar objects in a static library may be dropped by the
// linker.
void RegisterClass(const TClassInfo& Info);
const TClassInfo* FindClass(std::string_view Name);  // case-insensitive; null when unknown

// Declares the class description of a class derived from TPersistent; define StaticClassInfo in the
// class's source file.
#define SYNT_CLASS_INFO()                                \
 public:                                                 \
  static const ::synt::TClassInfo& StaticClassInfo();    \
  const ::synt::TClassInfo& ClassInfo() const override { \
    return StaticClassInfo();                            \
  }

class TPersistent : public TObject {
 public:
  TPersistent() = default;
  ~TPersistent() override;
  TPersistent(const TPersistent&) = delete;
  TPersistent& operator=(const TPersistent&) = delete;

  static const TClassInfo& StaticClassInfo();
  virtual const TClassInfo& ClassInfo() const { return StaticClassInfo(); }
  const std::string& ClassName() const { return ClassInfo().Name(); }
  bool InheritsFrom(const TClassInfo& Info) const { return ClassInfo().InheritsFrom(Info); }

  // Copies Source into this object. The base asks Source to assign itself (AssignTo); when neither
  // side knows the other, raises EConvertError "Cannot assign a <source class> to a <this class>"
  // ("nil" for a null source).
  virtual void Assign(const TPersistent* Source);

  // The dotted path naming this object in messages: "Form1.Lexer.Formats".
  virtual std::u16string GetNamePath() const;

  // The object this one belongs to in the stored form (a collection for its items, a component for
  // its sub-objects); null when none.
  virtual TPersistent* GetOwner() const { return nullptr; }

  // Stored properties beyond the published ones (a list's lines, legacy forms). See filer.h.
  virtual void DefineProperties(TFiler& Filer) {}

 protected:
  virtual void AssignTo(TPersistent* Dest) const;
  [[noreturn]] void AssignError(const TPersistent* Source) const;

 private:
  friend std::string HandlerName(const TPersistent*, std::string_view);
  friend void SetHandlerName(TPersistent*, std::string_view, std::string);
  // Handler names of event properties read from a stored form (see filer.h); rarely present.
  std::unique_ptr<std::vector<std::pair<std::string, std::string>>> handlerNames_;
};

namespace persistent_internal {
// Told about every persistent object destroyed on this thread while installed (the stored-form
// reader uses it to forget objects that go away during a read). Returns the previous watch.
using TDestroyWatch = void (*)(void* Context, TPersistent* Object);
struct TWatchSlot {
  TDestroyWatch Fn = nullptr;
  void* Context = nullptr;
};
TWatchSlot SetDestroyWatch(TWatchSlot Slot);
}  // namespace persistent_internal

// Copies every published property that Dest's class shares with Source's (ordinals, strings,
// floats, component references, event handlers; sub-objects by their own Assign). The generic part
// of assigning collection items. Returns false when the classes share no description.
bool AssignPublishedProperties(TPersistent* Dest, const TPersistent* Source);

// Whether two objects of the same class hold the same published state: every property, sub-objects
// and collections item by item (string lists by their lines), component references by identity or,
// between different roots, by name, events by being assigned. On a difference, Where names it
// ("Formats[2].Font.Style").
bool EqualPublishedProperties(const TPersistent* A, const TPersistent* B,
                              std::string* Where = nullptr);

// Raised for a failed lookup in the class registry.
class EClassNotFound : public Exception {
 public:
  using Exception::Exception;
};

}  // namespace synt
