#include "platform/menus.h"

#include <algorithm>

#include "platform/properties.h"

namespace synt {

namespace {

void DescribeMenuItem(TPropertyList& List) {
  TPropsOf<TMenuItem> p(List);
  p.String("Caption", &TMenuItem::Caption, &TMenuItem::SetCaption);
  p.Boolean("Checked", &TMenuItem::Checked, &TMenuItem::SetChecked).Def(false);
  p.Boolean("Enabled", &TMenuItem::Enabled, &TMenuItem::SetEnabled).Def(true);
  p.Boolean("Visible", &TMenuItem::Visible, &TMenuItem::SetVisible).Def(true);
  p.Event("OnClick", &TMenuItem::OnClick);
}

std::u16string Plain(std::u16string_view s) {
  std::u16string r;
  for (char16_t c : s) {
    if (c == u'&') continue;
    r.push_back(c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c);
  }
  return r;
}

}  // namespace

const TClassInfo& TMenuItem::StaticClassInfo() {
  static const TClassInfo info("TMenuItem", &TComponent::StaticClassInfo(), DescribeMenuItem,
                               TClassInfo::ComponentFactory<TMenuItem>);
  return info;
}

TMenuItem::TMenuItem(TComponent* Owner) : TComponent(Owner) {}

TMenuItem::~TMenuItem() {
  OnChange = nullptr;
  Clear();
  if (FParent) FParent->Remove(this);
}

void TMenuItem::Changed(bool Rebuild) {
  if (OnChange) OnChange(this, Rebuild);
}

void TMenuItem::SetCaption(const std::u16string& V) {
  if (V == FCaption) return;
  FCaption = V;
  Changed(false);
}
void TMenuItem::SetChecked(bool V) {
  if (V == FChecked) return;
  FChecked = V;
  Changed(false);
}
void TMenuItem::SetEnabled(bool V) {
  if (V == FEnabled) return;
  FEnabled = V;
  Changed(false);
}
void TMenuItem::SetVisible(bool V) {
  if (V == FVisible) return;
  FVisible = V;
  Changed(true);
}

TMenuItem* TMenuItem::Items(int Index) const {
  if (Index < 0 || Index >= Count())
    throw EListError("Index " + std::to_string(Index) + " is out of range");
  return FItems[size_t(Index)];
}

int TMenuItem::MenuIndex() const {
  if (!FParent) return -1;
  auto it = std::find(FParent->FItems.begin(), FParent->FItems.end(), this);
  return int(it - FParent->FItems.begin());
}

void TMenuItem::Add(TMenuItem* Item) { Insert(Count(), Item); }

void TMenuItem::Insert(int Index, TMenuItem* Item) {
  if (!Item) return;
  if (Index < 0 || Index > Count())
    throw EListError("Index " + std::to_string(Index) + " is out of range");
  for (TMenuItem* p = this; p; p = p->FParent)
    if (p == Item) throw EListError("A menu item cannot contain itself");
  if (Item->FParent) Item->FParent->Remove(Item);
  FItems.insert(FItems.begin() + Index, Item);
  Item->FParent = this;
  Changed(true);
}

void TMenuItem::Delete(int Index) {
  TMenuItem* item = Items(Index);
  Remove(item);
  delete item;
}

void TMenuItem::Remove(TMenuItem* Item) {
  auto it = std::find(FItems.begin(), FItems.end(), Item);
  if (it == FItems.end()) return;
  FItems.erase(it);
  Item->FParent = nullptr;
  Changed(true);
}

void TMenuItem::Clear() {
  while (!FItems.empty()) Delete(Count() - 1);
}

TMenuItem* TMenuItem::Find(std::u16string_view Caption) const {
  std::u16string want = Plain(Caption);
  for (TMenuItem* item : FItems)
    if (Plain(item->FCaption) == want) return item;
  return nullptr;
}

void TMenuItem::Click() {
  if (FEnabled && OnClick) OnClick(this);
}

}  // namespace synt
