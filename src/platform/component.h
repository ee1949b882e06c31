// Components: named objects with an owner that frees them, and free notification so that
// references between components are cleared when one goes away.
//
//   class TPanelThing : public synt::TComponent {
//     SYNT_CLASS_INFO()
//    public:
//     explicit TPanelThing(TComponent* Owner) : TComponent(Owner) {}
//     void SetBuddy(TComponent* b) {
//       if (buddy_) buddy_->RemoveFreeNotification(this);
//       buddy_ = b;
//       if (b) b->FreeNotification(this);   // Notification(b, opRemove) when b is freed
//     }
//    protected:
//     void Notification(TComponent* c, synt::TOperation op) override {
//       TComponent::Notification(c, op);
//       if (op == synt::opRemove && c == buddy_) buddy_ = nullptr;
//     }
//    private:
//     TComponent* buddy_ = nullptr;
//   };
//
//   synt::TComponent form(nullptr);
//   auto* a = new TPanelThing(&form);   // owned: freed with form
//   a->SetName(u"Panel1");
//
// A component made without an owner belongs to its creator. Notification may receive a component
// that is being destroyed: compare the pointer, do not call into it. A descendant whose own
// Notification must see its owned components go away calls DestroyComponents() first thing in its
// destructor (the base destructor runs after the descendant's members are gone).
#pragma once

#include <any>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/persistent.h"
#include "platform/set.h"

namespace synt {

enum TComponentStateFlag {
  csLoading,     // being read, Loaded not called yet
  csReading,     // its properties are being read
  csWriting,     // being written
  csDestroying,  // its destructor has begun
  csDesigning,   // in a designer: no run-time behaviour such as building menus
  csUpdating,    // between Updating and Updated
};
using TComponentState = TSet<TComponentStateFlag>;

enum TOperation { opInsert, opRemove };

class EComponentError : public Exception {
 public:
  using Exception::Exception;
};

class TComponent : public TPersistent {
  SYNT_CLASS_INFO()

 public:
  explicit TComponent(TComponent* Owner);
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return owner_; }
  const std::u16string& Name() const { return name_; }
  // Raises EComponentError "'<name>' is not a valid component name" for a name that is not an
  // identifier, and "A component named <name> already exists" for a name another component of the
  // same owner bears (compared without case). The empty name is always allowed.
  virtual void SetName(const std::u16string& NewName);
  int64_t Tag() const { return tag_; }
  void SetTag(int64_t V) { tag_ = V; }

  int ComponentCount() const { return int(components_.size()); }
  TComponent* Components(int Index) const { return components_.at(size_t(Index)); }
  int ComponentIndex() const;  // in the owner's list; -1 without owner
  TComponent* FindComponent(std::u16string_view Name) const;  // among owned, without case
  void InsertComponent(TComponent* Component);                // takes ownership
  void RemoveComponent(TComponent* Component);                // gives it up (not freed)
  void DestroyComponents();  // frees every owned component, last first

  // Asks Component to call this->Notification(Component, opRemove)... and the reverse: the link
  // is mutual, so either side's destruction tells the other.
  void FreeNotification(TComponent* Component);
  void RemoveFreeNotification(TComponent* Component);

  TComponentState ComponentState() const { return state_; }
  bool IsLoading() const { return state_.Contains(csLoading); }
  bool IsDestroying() const { return state_.Contains(csDestroying); }
  bool IsDesigning() const { return state_.Contains(csDesigning); }
  void SetDesigning(bool Value, bool SetChildren = true);
  // For the stored-form reader and writer, which bracket their work with these flags.
  void IncludeState(TComponentStateFlag Flag) { state_.Include(Flag); }
  void ExcludeState(TComponentStateFlag Flag) { state_.Exclude(Flag); }

  // Loading protocol: Loading marks the component as being read; Loaded runs once everything of
  // the stored form has been read and references between components are resolved.
  virtual void Loading();
  virtual void Loaded();
  // Sets csDestroying on this component and everything it owns. The base destructor calls it, and
  // an owner calls it on what it owns before freeing it; a descendant that must see the flag in its
  // own destructor when deleted directly calls it there first.
  void Destroying();
  virtual void Updating() { state_.Include(csUpdating); }
  virtual void Updated() { state_.Exclude(csUpdating); }

  // Stored-form structure: the components written as nested objects of this one (the base: when it
  // is the root, the components it owns that have no parent), and the owner and parent given to
  // nested objects read back. Only what GetChildren lists is accepted as a nested object on
  // reading.
  virtual void GetChildren(const std::function<void(TComponent* Child)>& Proc, TComponent* Root);
  virtual TComponent* GetChildOwner() { return nullptr; }
  virtual TComponent* GetChildParent() { return this; }
  virtual TComponent* GetParentComponent() const { return nullptr; }
  virtual bool HasParent() const { return false; }
  virtual void SetParentComponent(TComponent* Parent) {}

  std::u16string GetNamePath() const override { return name_; }

  // Event handlers offered to stored forms read with this component as root: an event property
  // stored as "OnClick = btnCloseClick" receives the handler registered under that name, which must
  // hold the event's exact std::function type.
  void RegisterHandler(std::string Name, std::any Handler);
  const std::any* FindHandler(std::string_view Name) const;

 protected:
  // Called on this component and, through the base, on everything it owns, when a component is
  // inserted into or removed from an owner, and on free notification.
  virtual void Notification(TComponent* Component, TOperation Operation);
  virtual void ValidateRename(TComponent* Component, const std::u16string& CurName,
                              const std::u16string& NewName);
  virtual void ChangeName(const std::u16string& NewName) { name_ = NewName; }

 private:
  void Insert(TComponent* Component);
  void Remove(TComponent* Component);

  TComponent* owner_ = nullptr;
  std::u16string name_;
  int64_t tag_ = 0;
  TComponentState state_;
  std::vector<TComponent*> components_;
  std::vector<TComponent*> freeNotifies_;
  std::unique_ptr<std::vector<std::pair<std::string, std::any>>> handlers_;
};

// Whether a text is a valid component name: a letter or '_' then letters, digits and '_' (ASCII).
bool IsValidIdent(std::u16string_view Name);

}  // namespace synt
