#include "platform/component.h"

#include <algorithm>

#include "platform/properties.h"
#include "platform/utf.h"

namespace synt {

namespace {

void DescribeComponent(TPropertyList& List) {
  TPropsOf<TComponent> p(List);
  p.Integer("Tag", &TComponent::Tag, &TComponent::SetTag).Def(0);
}

char16_t Lower(char16_t c) {
  return c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c;
}

bool SameName(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

}  // namespace

const TClassInfo& TComponent::StaticClassInfo() {
  static const TClassInfo info("TComponent", &TPersistent::StaticClassInfo(), DescribeComponent,
                               TClassInfo::ComponentFactory<TComponent>);
  return info;
}

bool IsValidIdent(std::u16string_view Name) {
  if (Name.empty()) return false;
  auto alpha = [](char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_';
  };
  if (!alpha(Name[0])) return false;
  for (char16_t c : Name)
    if (!alpha(c) && !(c >= u'0' && c <= u'9')) return false;
  return true;
}

TComponent::TComponent(TComponent* Owner) {
  if (Owner) Owner->InsertComponent(this);
}

TComponent::~TComponent() {
  Destroying();
  while (!freeNotifies_.empty()) {
    TComponent* c = freeNotifies_.back();
    freeNotifies_.pop_back();
    auto& theirs = c->freeNotifies_;
    theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
    c->Notification(this, opRemove);
  }
  DestroyComponents();
  if (owner_) owner_->RemoveComponent(this);
}

int TComponent::ComponentIndex() const {
  if (!owner_) return -1;
  auto& list = owner_->components_;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : int(it - list.begin());
}

TComponent* TComponent::FindComponent(std::u16string_view Name) const {
  if (Name.empty()) return nullptr;
  for (TComponent* c : components_)
    if (SameName(c->name_, Name)) return c;
  return nullptr;
}

void TComponent::SetName(const std::u16string& NewName) {
  if (name_ == NewName) return;
  if (!NewName.empty() && !IsValidIdent(NewName))
    throw EComponentError("'" + Utf16ToUtf8(NewName) + "' is not a valid component name");
  if (owner_)
    owner_->ValidateRename(this, name_, NewName);
  else
    ValidateRename(nullptr, name_, NewName);
  ChangeName(NewName);
}

void TComponent::ValidateRename(TComponent* Component, const std::u16string& CurName,
                                const std::u16string& NewName) {
  if (!Component || SameName(CurName, NewName)) return;
  TComponent* other = FindComponent(NewName);
  if (other && other != Component)
    throw EComponentError("A component named " + Utf16ToUtf8(NewName) + " already exists");
}

void TComponent::Insert(TComponent* Component) {
  components_.push_back(Component);
  Component->owner_ = this;
}

void TComponent::Remove(TComponent* Component) {
  Component->owner_ = nullptr;
  components_.erase(std::remove(components_.begin(), components_.end(), Component),
                    components_.end());
}

void TComponent::InsertComponent(TComponent* Component) {
  if (!Component || Component->owner_ == this) return;
  if (Component->owner_) Component->owner_->RemoveComponent(Component);
  ValidateRename(Component, u"", Component->name_);
  Insert(Component);
  Notification(Component, opInsert);
}

void TComponent::RemoveComponent(TComponent* Component) {
  if (!Component || Component->owner_ != this) return;
  Notification(Component, opRemove);
  Remove(Component);
}

void TComponent::DestroyComponents() {
  while (!components_.empty()) {
    TComponent* c = components_.back();
    Remove(c);
    c->Destroying();
    delete c;
  }
}

void TComponent::FreeNotification(TComponent* Component) {
  if (!Component || Component == this) return;
  if (std::find(freeNotifies_.begin(), freeNotifies_.end(), Component) == freeNotifies_.end())
    freeNotifies_.push_back(Component);
  auto& theirs = Component->freeNotifies_;
  if (std::find(theirs.begin(), theirs.end(), this) == theirs.end()) theirs.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* Component) {
  if (!Component) return;
  freeNotifies_.erase(std::remove(freeNotifies_.begin(), freeNotifies_.end(), Component),
                      freeNotifies_.end());
  auto& theirs = Component->freeNotifies_;
  theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
}

void TComponent::Notification(TComponent* Component, TOperation Operation) {
  if (Operation == opRemove && Component) RemoveFreeNotification(Component);
  // A handler may free components; walk by index and re-check the bound each time.
  for (size_t i = components_.size(); i-- > 0;) {
    if (i >= components_.size()) continue;
    components_[i]->Notification(Component, Operation);
  }
}

void TComponent::SetDesigning(bool Value, bool SetChildren) {
  if (Value)
    state_.Include(csDesigning);
  else
    state_.Exclude(csDesigning);
  if (SetChildren)
    for (TComponent* c : components_) c->SetDesigning(Value, true);
}

void TComponent::Loading() {
  state_.Include(csLoading);
}

void TComponent::Loaded() {
  state_.Exclude(csLoading);
}

void TComponent::Destroying() {
  if (state_.Contains(csDestroying)) return;
  state_.Include(csDestroying);
  for (TComponent* c : components_) c->Destroying();
}

void TComponent::GetChildren(const std::function<void(TComponent*)>& Proc, TComponent* Root) {
  // As the root of a stored form, a component holds what it owns that no other component holds.
  if (Root != this) return;
  std::vector<TComponent*> owned = components_;
  for (TComponent* c : owned)
    if (!c->HasParent()) Proc(c);
}

void TComponent::RegisterHandler(std::string Name, std::any Handler) {
  if (!handlers_) handlers_ = std::make_unique<std::vector<std::pair<std::string, std::any>>>();
  for (auto& h : *handlers_)
    if (h.first == Name) {
      h.second = std::move(Handler);
      return;
    }
  handlers_->emplace_back(std::move(Name), std::move(Handler));
}

const std::any* TComponent::FindHandler(std::string_view Name) const {
  if (!handlers_) return nullptr;
  for (auto& h : *handlers_)
    if (h.first.size() == Name.size() &&
        std::equal(h.first.begin(), h.first.end(), Name.begin(),
                   [](char a, char b) { return Lower(char16_t(a)) == Lower(char16_t(b)); }))
      return &h.second;
  return nullptr;
}

}  // namespace synt
