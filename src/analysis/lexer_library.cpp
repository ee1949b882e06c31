#include "analysis/lexer_library.h"

#include <algorithm>

#include "platform/dialogs.h"
#include "platform/filer.h"
#include "platform/properties.h"
#include "platform/utf.h"

namespace synt {

namespace {

TComponent* ComponentOwnerFor(TComponent* Owner) {
  auto* m = dynamic_cast<TSyntaxManager*>(Owner);
  return m ? m->Owner() : Owner;
}

bool NotSaving(const TPersistent* p) {
  return !static_cast<const TLoadableComponent*>(p)->IsSaving();
}

void DescribeManager(TPropertyList& L) {
  using M = TSyntaxManager;
  TPropsOf<M> p(L);
  p.Component("LexersMenu", &M::LexersMenu, &M::SetLexersMenu).Stored(NotSaving);
  p.String("MenuPlainText", &M::MenuPlainText, &M::SetMenuPlainText)
      .Def(u"Plain Text")
      .Stored(NotSaving);
  p.Event("OnLexerChanged", &M::OnLexerChanged).Stored(NotSaving);
  p.Event("OnChange", &M::OnChange).Stored(NotSaving);
}

void DescribeStyles(TPropertyList& L) {
  TPropsOf<TSyntStyles> p(L);
  p.Object("Styles", &TSyntStyles::Styles);
}

std::vector<std::u16string> SplitGroups(const std::u16string& Name) {
  std::vector<std::u16string> parts;
  size_t s = 0;
  for (;;) {
    size_t d = Name.find(u"::", s);
    parts.push_back(Name.substr(s, d == std::u16string::npos ? std::u16string::npos : d - s));
    if (d == std::u16string::npos) break;
    s = d + 2;
  }
  return parts;
}

}  // namespace

// --- TLibSyntAnalyzer ------------------------------------------------------------------------

const TClassInfo& TLibSyntAnalyzer::StaticClassInfo() {
  static const TClassInfo info("TLibSyntAnalyzer", &TSyntAnalyzer::StaticClassInfo(), nullptr,
                               TClassInfo::ComponentFactory<TLibSyntAnalyzer>);
  return info;
}

TLibSyntAnalyzer::TLibSyntAnalyzer(TComponent* Owner) : TSyntAnalyzer(ComponentOwnerFor(Owner)) {
  if (auto* m = dynamic_cast<TSyntaxManager*>(Owner)) SetParentComponent(m);
}

TLibSyntAnalyzer::~TLibSyntAnalyzer() {
  if (manager_) manager_->RemoveLexerFromList(this);
  manager_ = nullptr;
}

TComponent* TLibSyntAnalyzer::GetParentComponent() const {
  return manager_;
}

void TLibSyntAnalyzer::SetParentComponent(TComponent* Parent) {
  auto* m = dynamic_cast<TSyntaxManager*>(Parent);
  if (m == manager_) return;
  if (manager_) manager_->RemoveLexerFromList(this);
  manager_ = m;
  if (m) m->AddLexerToList(this);
}

void TLibSyntAnalyzer::LoadFromStream(TStream& Stream) {
  try {
    TSyntAnalyzer::LoadFromStream(Stream);
  } catch (const Exception& e) {
    MessageBox(u"Error occurs during loading lexer \"" + LexerName() + u"\". Error:\r\n" +
                   Utf8ToUtf16(e.what()),
               u"Lexer loading error", mbbOK, mbiError);
  }
}

// --- TSyntaxManager --------------------------------------------------------------------------

struct TSyntaxManager::TMenuClick {
  TSyntaxManager* Manager;
  void operator()(TObject* Sender) const { Manager->MenuItemClick(Sender); }
};

const TClassInfo& TSyntaxManager::StaticClassInfo() {
  static const TClassInfo info("TSyntaxManager", &TLoadableComponent::StaticClassInfo(),
                               DescribeManager, TClassInfo::ComponentFactory<TSyntaxManager>);
  return info;
}

TSyntaxManager::TSyntaxManager(TComponent* Owner) : TLoadableComponent(Owner) {
  RegisterLexerClasses();
}

TSyntaxManager::~TSyntaxManager() {
  Destroying();
  OnChange = nullptr;
  OnLexerChanged = nullptr;
  ++changeLock_;
  while (!lexers_.empty()) delete lexers_.back();
  // The menu stays; the items that would call this manager go.
  if (lexersMenu_) {
    for (int i = lexersMenu_->Count() - 1; i >= 0; --i) {
      TMenuItem* it = lexersMenu_->Items(i);
      if (IsManagerItem(it) || it->Tag() == -2) lexersMenu_->Delete(i);
    }
    lexersMenu_->RemoveFreeNotification(this);
    lexersMenu_ = nullptr;
  }
}

int TSyntaxManager::IndexOf(const TSyntAnalyzer* Lexer) const {
  for (size_t i = 0; i < lexers_.size(); ++i)
    if (lexers_[i] == Lexer) return int(i);
  return -1;
}

TLibSyntAnalyzer* TSyntaxManager::AddLexer() {
  auto* l = new TLibSyntAnalyzer(this);
  modified_ = true;
  return l;
}

TLibSyntAnalyzer* TSyntaxManager::FindLexer(std::u16string_view Name) const {
  for (TLibSyntAnalyzer* l : lexers_)
    if (CompareListStrings(l->LexerName(), Name, false) == 0) return l;
  for (TLibSyntAnalyzer* l : lexers_)
    if (CompareListStrings(l->Name(), Name, false) == 0) return l;
  return nullptr;
}

void TSyntaxManager::AddLexerToList(TLibSyntAnalyzer* Lexer) {
  if (std::find(lexers_.begin(), lexers_.end(), Lexer) != lexers_.end()) return;
  lexers_.push_back(Lexer);
  if (!changeLock_ && !IsLoading()) Changed();
}

void TSyntaxManager::RemoveLexerFromList(TLibSyntAnalyzer* Lexer) {
  auto it = std::find(lexers_.begin(), lexers_.end(), Lexer);
  if (it == lexers_.end()) return;
  lexers_.erase(it);
  if (currentLexer_ == Lexer) currentLexer_ = nullptr;
  if (!changeLock_ && !IsLoading() && !IsDestroying()) Changed();
}

void TSyntaxManager::Clear() {
  ++changeLock_;
  while (!lexers_.empty()) delete lexers_.back();
  currentLexer_ = nullptr;
  --changeLock_;
  Changed();
  modified_ = true;
}

void TSyntaxManager::Changed() {
  UpdateLexersMenu();
  if (OnChange) OnChange(this);
}

void TSyntaxManager::Loaded() {
  TLoadableComponent::Loaded();
  Changed();
}

void TSyntaxManager::LoadFromStream(TStream& Stream) {
  Clear();  // loading replaces the whole library
  TLoadableComponent::LoadFromStream(Stream);
  modified_ = false;
}

void TSyntaxManager::LoadFromFile(const std::string& FileName) {
  TLoadableComponent::LoadFromFile(FileName);
  modified_ = false;
}

void TSyntaxManager::SaveToFile(const std::string& FileName) {
  TLoadableComponent::SaveToFile(FileName);
  modified_ = false;
}

void TSyntaxManager::OnReadError(TReader& Reader, const std::string& Message, bool& Handled) {
  std::string message = Message;
  if (!IgnoreAll() && !lexers_.empty())
    message = "Error in lexer: " + Utf16ToUtf8(lexers_.back()->Name()) + ". " + Message;
  TLoadableComponent::OnReadError(Reader, message, Handled);
}

void TSyntaxManager::GetChildren(const std::function<void(TComponent*)>& Proc, TComponent*) {
  if (IsDestroying()) return;
  std::vector<TLibSyntAnalyzer*> lexers = lexers_;
  for (TLibSyntAnalyzer* l : lexers) Proc(l);
}

void TSyntaxManager::Notification(TComponent* Component, TOperation Operation) {
  TLoadableComponent::Notification(Component, Operation);
  if (Operation == opRemove && Component && static_cast<TComponent*>(lexersMenu_) == Component)
    lexersMenu_ = nullptr;
}

void TSyntaxManager::SetLexersMenu(TMenuItem* Value) {
  if (Value == lexersMenu_) return;
  if (lexersMenu_) {
    for (int i = lexersMenu_->Count() - 1; i >= 0; --i) {
      TMenuItem* it = lexersMenu_->Items(i);
      if (IsManagerItem(it) || it->Tag() == -2) lexersMenu_->Delete(i);
    }
    lexersMenu_->RemoveFreeNotification(this);
  }
  lexersMenu_ = Value;
  if (Value) Value->FreeNotification(this);
  UpdateLexersMenu();
}

void TSyntaxManager::SetMenuPlainText(const std::u16string& Value) {
  if (Value == menuPlainText_) return;
  menuPlainText_ = Value;
  UpdateLexersMenu();
}

void TSyntaxManager::SetCurrentLexer(TLibSyntAnalyzer* Value) {
  if (Value == currentLexer_) return;
  if (Value && IndexOf(Value) < 0) return;
  currentLexer_ = Value;
  UpdateCheckMarks();
}

bool TSyntaxManager::IsManagerItem(const TMenuItem* Item) const {
  const TMenuClick* f = Item->OnClick.target<TMenuClick>();
  return f && f->Manager == this;
}

void TSyntaxManager::UpdateLexersMenu() {
  if (!lexersMenu_ || IsDesigning()) return;
  TMenuItem* menu = lexersMenu_;
  for (int i = menu->Count() - 1; i >= 0; --i) {
    TMenuItem* it = menu->Items(i);
    if (IsManagerItem(it) || it->Tag() == -2) menu->Delete(i);
  }
  auto add = [this](TMenuItem* parent, const std::u16string& caption, int64_t tag, bool handler) {
    auto* it = new TMenuItem(nullptr);
    it->SetCaption(caption);
    it->SetTag(tag);
    if (handler) it->OnClick = TMenuClick{this};
    parent->Add(it);
    return it;
  };
  bool due = menu->Count() > 0;
  if (!menuPlainText_.empty()) {
    if (due) add(menu, u"-", -2, false);
    add(menu, menuPlainText_, -1, true);
    due = true;
  }
  bool separated = false;
  auto separate = [&] {
    if (due && !separated) {
      add(menu, u"-", -2, false);
      separated = true;
    }
  };
  for (size_t i = 0; i < lexers_.size(); ++i) {
    TLibSyntAnalyzer* lexer = lexers_[i];
    if (lexer->Internal()) continue;
    std::vector<std::u16string> parts = SplitGroups(lexer->LexerName());
    TMenuItem* level = menu;
    for (size_t k = 0; k + 1 < parts.size(); ++k) {
      TMenuItem* group = nullptr;
      for (int j = 0; j < level->Count(); ++j) {
        TMenuItem* it = level->Items(j);
        if (it->Tag() == -2 && CompareListStrings(it->Caption(), parts[k], false) == 0) {
          group = it;
          break;
        }
      }
      if (!group) {
        separate();
        group = add(level, parts[k], -2, false);
      }
      level = group;
    }
    separate();
    add(level, parts.back(), int64_t(i), true);
  }
  UpdateCheckMarks();
}

void TSyntaxManager::UpdateCheckMarks() {
  if (!lexersMenu_) return;
  int current = IndexOf(currentLexer_);
  for (int i = 0; i < lexersMenu_->Count(); ++i) {
    TMenuItem* it = lexersMenu_->Items(i);
    if (IsManagerItem(it)) it->SetChecked(it->Tag() == current);
  }
}

void TSyntaxManager::MenuItemClick(TObject* Sender) {
  auto* item = dynamic_cast<TMenuItem*>(Sender);
  if (!item) return;
  int64_t tag = item->Tag();
  if (tag == -1)
    SetCurrentLexer(nullptr);
  else if (tag >= 0 && tag < int64_t(lexers_.size()))
    SetCurrentLexer(lexers_[size_t(tag)]);
  else
    return;
  if (OnLexerChanged) OnLexerChanged(this);
}

// --- TSyntStyles -----------------------------------------------------------------------------

const TClassInfo& TSyntStyles::StaticClassInfo() {
  static const TClassInfo info("TSyntStyles", &TLoadableComponent::StaticClassInfo(),
                               DescribeStyles, TClassInfo::ComponentFactory<TSyntStyles>);
  return info;
}

TSyntStyles::TSyntStyles(TComponent* Owner)
    : TLoadableComponent(Owner), styles_(std::make_unique<TStylesCollection>(this)) {
  RegisterLexerClasses();
}

TSyntStyles::~TSyntStyles() = default;

}  // namespace synt
