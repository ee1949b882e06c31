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
  if (parent_) parent_->Remove(this);
}

void TMenuItem::Changed(bool Rebuild) {
  if (OnChange) OnChange(this, Rebuild);
}

void TMenuItem::SetCaption(const std::u16string& V) {
  if (V == caption_) return;
  caption_ = V;
  Changed(false);
}
void TMenuItem::SetChecked(bool V) {
  if (V == checked_) return;
  checked_ = V;
  Changed(false);
}
void TMenuItem::SetEnabled(bool V) {
  if (V == enabled_) return;
  enabled_ = V;
  Changed(false);
}
void TMenuItem::SetVisible(bool V) {
  if (V == visible_) return;
  visible_ = V;
  Changed(true);
}

TMenuItem* TMenuItem::Items(int Index) const {
  if (Index < 0 || Index >= Count())
    throw EListError("Index " + std::to_string(Index) + " is out of range");
  return items_[size_t(Index)];
}

int TMenuItem::MenuIndex() const {
  if (!parent_) return -1;
  auto it = std::find(parent_->items_.begin(), parent_->items_.end(), this);
  return int(it - parent_->items_.begin());
}

void TMenuItem::Add(TMenuItem* Item) {
  Insert(Count(), Item);
}

void TMenuItem::Insert(int Index, TMenuItem* Item) {
  if (!Item) return;
  if (Index < 0 || Index > Count())
    throw EListError("Index " + std::to_string(Index) + " is out of range");
  for (TMenuItem* p = this; p; p = p->parent_)
    if (p == Item) throw EListError("A menu item cannot contain itself");
  if (Item->parent_) Item->parent_->Remove(Item);
  items_.insert(items_.begin() + Index, Item);
  Item->parent_ = this;
  Changed(true);
}

void TMenuItem::Delete(int Index) {
  TMenuItem* item = Items(Index);
  Remove(item);
  delete item;
}

void TMenuItem::Remove(TMenuItem* Item) {
  auto it = std::find(items_.begin(), items_.end(), Item);
  if (it == items_.end()) return;
  items_.erase(it);
  Item->parent_ = nullptr;
  Changed(true);
}

void TMenuItem::Clear() {
  while (!items_.empty()) Delete(Count() - 1);
}

TMenuItem* TMenuItem::Find(std::u16string_view Caption) const {
  std::u16string want = Plain(Caption);
  for (TMenuItem* item : items_)
    if (Plain(item->caption_) == want) return item;
  return nullptr;
}

void TMenuItem::Click() {
  if (enabled_ && OnClick) OnClick(this);
}

// ---- TPopupMenu ---------------------------------------------------------------------------------

namespace {
TMenuService* g_MenuService = nullptr;
}  // namespace

const TClassInfo& TPopupMenu::StaticClassInfo() {
  static const TClassInfo info("TPopupMenu", &TComponent::StaticClassInfo(), nullptr,
                               TClassInfo::ComponentFactory<TPopupMenu>);
  return info;
}

TPopupMenu::TPopupMenu(TComponent* Owner)
    : TComponent(Owner), items_(std::make_unique<TMenuItem>(nullptr)) {}

TPopupMenu::~TPopupMenu() = default;

void TPopupMenu::Popup(int X, int Y) {
  popupPoint_ = {X, Y};
  if (OnPopup) OnPopup(this);
  if (TMenuService* s = g_MenuService)
    if (TMenuItem* picked = s->Track(*items_, popupPoint_)) picked->Click();
}

TMenuService* MenuService() {
  return g_MenuService;
}

TMenuService* SetMenuService(TMenuService* Service) {
  TMenuService* old = g_MenuService;
  g_MenuService = Service;
  return old;
}

TMenuItem* TScriptedMenuService::Track(TMenuItem& Items, TPoint ScreenPoint) {
  shown_.push_back({&Items, ScreenPoint});
  int index = -1;
  if (!answers_.empty()) {
    index = answers_.front();
    answers_.pop_front();
  }
  return index >= 0 && index < Items.Count() ? Items.Items(index) : nullptr;
}

}  // namespace synt
