#include "platform/persistent.h"

#include <algorithm>
#include <map>
#include <mutex>

#include "platform/collection.h"
#include "platform/component.h"
#include "platform/properties.h"
#include "platform/strings.h"
#include "platform/utf.h"

namespace synt {

namespace {

char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool SameAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

struct LessNoCase {
  bool operator()(const std::string& a, const std::string& b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
      return AsciiLower(x) < AsciiLower(y);
    });
  }
};

struct Registry {
  std::mutex Lock;
  std::map<std::string, const TClassInfo*, LessNoCase> Classes;
};

Registry& TheRegistry() {
  static Registry r;
  return r;
}

}  // namespace

// --- TClassInfo ------------------------------------------------------------------------------

TClassInfo::TClassInfo(std::string Name, const TClassInfo* Parent, TDescribe Describe,
                       TComponentFactory NewComponent, TItemFactory NewItem)
    : name_(std::move(Name)),
      parent_(Parent),
      describe_(Describe),
      newComponent_(NewComponent),
      newItem_(NewItem) {}

TClassInfo::~TClassInfo() = default;

bool TClassInfo::InheritsFrom(const TClassInfo& Other) const {
  for (const TClassInfo* c = this; c; c = c->parent_)
    if (c == &Other) return true;
  return false;
}

const std::vector<const TPropInfo*>& TClassInfo::Properties() const {
  std::call_once(built_, [this] {
    if (parent_) all_ = parent_->Properties();
    own_ = std::make_unique<TPropertyList>();
    if (describe_) describe_(*own_);
    for (const TPropInfo& p : own_->Items()) {
      // A redeclared property replaces the base's in place (its published position stays).
      auto same = std::find_if(all_.begin(), all_.end(),
                               [&](const TPropInfo* q) { return SameAscii(q->Name, p.Name); });
      if (same != all_.end())
        *same = &p;
      else
        all_.push_back(&p);
    }
  });
  return all_;
}

const TPropInfo* TClassInfo::FindProperty(std::string_view Name) const {
  for (const TPropInfo* p : Properties())
    if (SameAscii(p->Name, Name)) return p;
  return nullptr;
}

void RegisterClass(const TClassInfo& Info) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> g(r.Lock);
  r.Classes[Info.Name()] = &Info;
}

const TClassInfo* FindClass(std::string_view Name) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> g(r.Lock);
  auto it = r.Classes.find(std::string(Name));
  return it == r.Classes.end() ? nullptr : it->second;
}

// --- TPersistent -----------------------------------------------------------------------------

namespace persistent_internal {
namespace {
thread_local TWatchSlot g_Watch;
}
TWatchSlot SetDestroyWatch(TWatchSlot Slot) {
  TWatchSlot old = g_Watch;
  g_Watch = Slot;
  return old;
}
}  // namespace persistent_internal

TPersistent::~TPersistent() {
  auto& w = persistent_internal::g_Watch;
  if (w.Fn) w.Fn(w.Context, this);
}

const TClassInfo& TPersistent::StaticClassInfo() {
  static const TClassInfo info("TPersistent", nullptr);
  return info;
}

void TPersistent::Assign(const TPersistent* Source) {
  if (Source) {
    Source->AssignTo(this);
    return;
  }
  AssignError(nullptr);
}

void TPersistent::AssignTo(TPersistent* Dest) const {
  Dest->AssignError(this);
}

void TPersistent::AssignError(const TPersistent* Source) const {
  std::string source = Source ? Source->ClassName() : std::string("nil");
  throw EConvertError("Cannot assign a " + source + " to a " + ClassName());
}

std::u16string TPersistent::GetNamePath() const {
  std::u16string result = AsciiToUtf16(ClassName());
  if (TPersistent* owner = GetOwner()) {
    std::u16string path = owner->GetNamePath();
    if (!path.empty()) result = path + u"." + result;
  }
  return result;
}

bool AssignPublishedProperties(TPersistent* Dest, const TPersistent* Source) {
  if (!Dest || !Source) return false;
  const TClassInfo* common = &Source->ClassInfo();
  while (common && !Dest->InheritsFrom(*common)) common = common->Parent();
  if (!common) return false;
  bool any = false;
  for (const TPropInfo* p : common->Properties()) {
    any = true;
    switch (p->Kind) {
      case TPropKind::Integer:
      case TPropKind::Boolean:
      case TPropKind::Enumeration:
      case TPropKind::Set:
        p->SetOrd(Dest, p->GetOrd(Source));
        break;
      case TPropKind::Float:
        p->SetFloat(Dest, p->GetFloat(Source));
        break;
      case TPropKind::String:
        p->SetStr(Dest, p->GetStr(Source));
        break;
      case TPropKind::Object:
        p->GetObject(Dest)->Assign(p->GetObject(Source));
        break;
      case TPropKind::Component:
        p->SetRef(Dest, p->GetRef(Source));
        break;
      case TPropKind::Event:
        p->CopyHandler(Dest, Source);
        break;
    }
  }
  return any;
}

namespace {

bool EqualObjects(const TPersistent* A, const TPersistent* B, const std::string& Path,
                  std::string* Where);

bool Differ(const std::string& Path, std::string* Where) {
  if (Where) *Where = Path;
  return false;
}

}  // namespace

bool EqualPublishedProperties(const TPersistent* A, const TPersistent* B, std::string* Where) {
  return EqualObjects(A, B, "", Where);
}

namespace {

bool EqualObjects(const TPersistent* A, const TPersistent* B, const std::string& Path,
                  std::string* Where) {
  if (!A || !B) return A == B || Differ(Path, Where);
  if (&A->ClassInfo() != &B->ClassInfo()) return Differ(Path + " (class)", Where);
  auto sub = [&](const std::string& name) { return Path.empty() ? name : Path + "." + name; };
  // Lists of lines compare by content (their lines are stored through DefineProperties).
  if (auto* sa = dynamic_cast<const TStrings*>(A)) {
    if (!sa->Equals(*static_cast<const TStrings*>(B))) return Differ(sub("Strings"), Where);
  }
  if (auto* ca = dynamic_cast<const TCollection*>(A)) {
    auto* cb = static_cast<const TCollection*>(B);
    if (ca->Count() != cb->Count()) return Differ(Path + " (count)", Where);
    for (int i = 0; i < ca->Count(); ++i)
      if (!EqualObjects(ca->Items(i), cb->Items(i), Path + "[" + std::to_string(i) + "]", Where))
        return false;
  }
  for (const TPropInfo* p : A->ClassInfo().Properties()) {
    std::string name = sub(p->Name);
    switch (p->Kind) {
      case TPropKind::Integer:
      case TPropKind::Boolean:
      case TPropKind::Enumeration:
      case TPropKind::Set:
        if (p->GetOrd(A) != p->GetOrd(B)) return Differ(name, Where);
        break;
      case TPropKind::Float: {
        double x = p->GetFloat(A), y = p->GetFloat(B);
        if (!(x == y || (x != x && y != y))) return Differ(name, Where);
        break;
      }
      case TPropKind::String:
        if (p->GetStr(A) != p->GetStr(B)) return Differ(name, Where);
        break;
      case TPropKind::Object:
        if (!EqualObjects(p->GetObject(A), p->GetObject(B), name, Where)) return false;
        break;
      case TPropKind::Component: {
        TComponent* x = p->GetRef(A);
        TComponent* y = p->GetRef(B);
        if (x != y && (!x || !y || x->GetNamePath() != y->GetNamePath()))
          return Differ(name, Where);
        break;
      }
      case TPropKind::Event:
        if (p->IsAssigned(A) != p->IsAssigned(B)) return Differ(name, Where);
        break;
    }
  }
  return true;
}

}  // namespace

// --- property descriptions -------------------------------------------------------------------

int TEnumInfo::IndexOf(std::string_view Ident) const {
  for (size_t i = 0; i < Idents.size(); ++i)
    if (SameAscii(Idents[i], Ident)) return int(i);
  return -1;
}

const TEnumInfo& BooleanInfo() {
  static const TEnumInfo info{"Boolean", {"False", "True"}};
  return info;
}

const std::string* TIdentMap::ToIdent(int64_t Value) const {
  for (const auto& e : Entries)
    if (e.second == Value) return &e.first;
  return nullptr;
}

bool TIdentMap::ToInt(std::string_view Ident, int64_t& Value) const {
  for (const auto& e : Entries)
    if (SameAscii(e.first, Ident)) {
      Value = e.second;
      return true;
    }
  return false;
}

TPropInfo& TPropertyList::Add(std::string Name, TPropKind Kind) {
  TPropInfo& p = items_.emplace_back();
  p.Name = std::move(Name);
  p.Kind = Kind;
  return p;
}

bool TPropInfo::IsDefault(const TPersistent* Instance) const {
  switch (Kind) {
    case TPropKind::Integer:
    case TPropKind::Boolean:
    case TPropKind::Enumeration:
    case TPropKind::Set:
      return HasDefault && GetOrd(Instance) == Default;
    case TPropKind::Float:
      return HasDefault && GetFloat(Instance) == FloatDefault;
    case TPropKind::String:
      return !StoreAlways && GetStr(Instance) == StrDefault;
    case TPropKind::Component:
      return GetRef(Instance) == nullptr;
    case TPropKind::Event:
      return !IsAssigned(Instance);
    case TPropKind::Object:
      return false;
  }
  return false;
}

}  // namespace synt
