// Menu items as a platform model: a tree of captions with tags, check marks and click handlers. The
// toolkit backend mirrors the tree into real menus and calls Click when the user picks an item.
//
//   synt::TMenuItem menu(nullptr);                  // e.g. the "Lexers" sub-menu
//   auto* item = new synt::TMenuItem(nullptr);
//   item->SetCaption(u"Pascal");
//   item->SetTag(3);
//   item->OnClick = [](synt::TObject* sender) { ... };
//   menu.Add(item);                                 // the menu frees it
//   menu.Items(0)->Click();
//
// A sub-item belongs to its parent item, which frees it; an item that also has a component owner is
// freed by whichever goes first, and leaves the other.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/component.h"

namespace synt {

class TMenuItem : public TComponent {
  SYNT_CLASS_INFO()

 public:
  explicit TMenuItem(TComponent* Owner);
  ~TMenuItem() override;

  const std::u16string& Caption() const { return caption_; }
  void SetCaption(const std::u16string& V);
  bool Checked() const { return checked_; }
  void SetChecked(bool V);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool V);
  bool Visible() const { return visible_; }
  void SetVisible(bool V);
  bool IsLine() const { return caption_ == u"-"; }  // a separator

  int Count() const { return int(items_.size()); }
  TMenuItem* Items(int Index) const;  // raises EListError "Index <n> is out of range"
  TMenuItem* Parent() const { return parent_; }
  int MenuIndex() const;
  void Add(TMenuItem* Item);
  void Insert(int Index, TMenuItem* Item);
  void Delete(int Index);        // removes and frees
  void Remove(TMenuItem* Item);  // removes; the caller owns it then
  void Clear();                  // frees every sub-item
  // The first sub-item whose caption equals Caption without regard to case and '&' markers.
  TMenuItem* Find(std::u16string_view Caption) const;

  // Runs OnClick when the item is enabled.
  virtual void Click();

  TNotifyEvent OnClick;
  // For the backend: Sender changed; Rebuild when its sub-items changed, not just its looks.
  std::function<void(TMenuItem* Sender, bool Rebuild)> OnChange;

 private:
  void Changed(bool Rebuild);
  std::u16string caption_;
  bool checked_ = false;
  bool enabled_ = true;
  bool visible_ = true;
  TMenuItem* parent_ = nullptr;
  std::vector<TMenuItem*> items_;
};

// A context menu: its items are shown at a screen point by the installed menu service, and the
// item the user picks is clicked. Without a service (headless, tools) nothing is shown.
//
//   synt::TPopupMenu menu(nullptr);
//   menu.Items()->Add(item);
//   menu.Popup(screen.X, screen.Y);                 // OnPopup, then the service shows the items
class TPopupMenu : public TComponent {
  SYNT_CLASS_INFO()

 public:
  explicit TPopupMenu(TComponent* Owner);
  ~TPopupMenu() override;
  TMenuItem* Items() const { return items_.get(); }
  void Popup(int X, int Y);
  // Where the last Popup showed the menu (screen pixels).
  TPoint PopupPoint() const { return popupPoint_; }
  TNotifyEvent OnPopup;

 private:
  std::unique_ptr<TMenuItem> items_;
  TPoint popupPoint_;
};

class TMenuService {
 public:
  virtual ~TMenuService() = default;
  // Shows Items' sub-items at ScreenPoint modally; returns the item picked, or null.
  virtual TMenuItem* Track(TMenuItem& Items, TPoint ScreenPoint) = 0;
};

// The installed service (null: none); returns the previous one. Not owned.
TMenuService* MenuService();
TMenuService* SetMenuService(TMenuService* Service);

// Picks from a queue of item indexes (-1: none, the default once the queue is empty) and remembers
// every menu shown.
class TScriptedMenuService : public TMenuService {
 public:
  struct TShown {
    TMenuItem* Items;
    TPoint Point;
  };
  TScriptedMenuService() : previous_(SetMenuService(this)) {}
  ~TScriptedMenuService() override { SetMenuService(previous_); }
  void Push(int Index) { answers_.push_back(Index); }
  const std::vector<TShown>& Shown() const { return shown_; }
  TMenuItem* Track(TMenuItem& Items, TPoint ScreenPoint) override;

 private:
  TMenuService* previous_;
  std::deque<int> answers_;
  std::vector<TShown> shown_;
};

}  // namespace synt
