#include "platform/filer.h"

#include <algorithm>
#include <cmath>

#include "platform/collection.h"
#include "platform/properties.h"
#include "platform/strings.h"
#include "platform/utf.h"

namespace synt {

namespace {

bool SameAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = char(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = char(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

bool SameName(std::u16string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char16_t x = a[i];
    char y = b[i];
    if (x >= u'A' && x <= u'Z') x = char16_t(x - u'A' + u'a');
    if (y >= 'A' && y <= 'Z') y = char(y - 'A' + 'a');
    if (x != char16_t(static_cast<unsigned char>(y))) return false;
  }
  return true;
}

std::vector<std::string> SplitPath(const std::string& Path) {
  std::vector<std::string> parts;
  size_t s = 0;
  for (;;) {
    size_t d = Path.find('.', s);
    parts.push_back(Path.substr(s, d == std::string::npos ? std::string::npos : d - s));
    if (d == std::string::npos) break;
    s = d + 1;
  }
  return parts;
}

EReadError InvalidValue() {
  return EReadError("Invalid property value");
}

std::function<TComponent*(std::string_view)>& GlobalFinder() {
  static std::function<TComponent*(std::string_view)> f;
  return f;
}

}  // namespace

void SetGlobalComponentFinder(std::function<TComponent*(std::string_view Name)> Finder) {
  GlobalFinder() = std::move(Finder);
}

// --- handler names ---------------------------------------------------------------------------

std::string HandlerName(const TPersistent* Instance, std::string_view Event) {
  if (!Instance || !Instance->handlerNames_) return {};
  for (auto& h : *Instance->handlerNames_)
    if (SameAscii(h.first, Event)) return h.second;
  return {};
}

void SetHandlerName(TPersistent* Instance, std::string_view Event, std::string Name) {
  if (!Instance) return;
  auto& list = Instance->handlerNames_;
  if (list)
    for (auto it = list->begin(); it != list->end(); ++it)
      if (SameAscii(it->first, Event)) {
        if (Name.empty())
          list->erase(it);
        else
          it->second = std::move(Name);
        return;
      }
  if (Name.empty()) return;
  if (!list) list = std::make_unique<std::vector<std::pair<std::string, std::string>>>();
  list->emplace_back(std::string(Event), std::move(Name));
}

// --- TReader ---------------------------------------------------------------------------------

struct TReader::TFixup {
  TPersistent* Instance;
  const TPropInfo* Prop;
  std::string Name;
  int Line;
  std::string Path;
};

struct TReader::TFrame {
  const TTextValue* Items;
  size_t Count;
  size_t Index;
};

// Forgets objects destroyed while this reader runs, then passes the news on to an outer reader.
struct TReader::TWatch {
  TReader* Reader;
  persistent_internal::TWatchSlot Previous;
  static void OnDestroy(void* Context, TPersistent* Object) {
    auto* w = static_cast<TWatch*>(Context);
    TReader* r = w->Reader;
    r->fixups_.erase(std::remove_if(r->fixups_.begin(), r->fixups_.end(),
                                    [&](const TFixup& f) { return f.Instance == Object; }),
                     r->fixups_.end());
    r->loaded_.erase(std::remove(r->loaded_.begin(), r->loaded_.end(), Object), r->loaded_.end());
    if (w->Previous.Fn) w->Previous.Fn(w->Previous.Context, Object);
  }
};

TReader::TReader() = default;

TReader::~TReader() {
  if (watch_) persistent_internal::SetDestroyWatch(watch_->Previous);
}

void TReader::Error(const std::string& Message, int Line) {
  std::string full = "Line " + std::to_string(Line) + ": " + Message;
  bool handled = false;
  if (OnError) OnError(*this, full, handled);
  if (!handled) throw EReadError(full, Line);
}

void TReader::Begin(TComponent* Root, TComponent* Instance) {
  root_ = Root;
  owner_ = Root;
  loaded_.clear();
  fixups_.clear();
  if (!watch_) {
    watch_ = std::make_unique<TWatch>();
    watch_->Reader = this;
    watch_->Previous = persistent_internal::SetDestroyWatch({&TWatch::OnDestroy, watch_.get()});
  }
  Instance->Loading();
  Instance->IncludeState(csReading);
  loaded_.push_back(Instance);
}

void TReader::Finish(bool Ok) {
  if (Ok) {
    ResolveFixups();
  } else {
    // The read failed: keep what resolves, report nothing more.
    auto onError = std::move(OnError);
    OnError = [](TReader&, const std::string&, bool& handled) { handled = true; };
    try {
      ResolveFixups();
    } catch (const Exception&) {
    }
    OnError = std::move(onError);
  }
  std::vector<TComponent*> loaded = loaded_;
  for (TComponent* c : loaded)
    if (std::find(loaded_.begin(), loaded_.end(), c) != loaded_.end()) c->ExcludeState(csReading);
  for (TComponent* c : loaded)
    if (std::find(loaded_.begin(), loaded_.end(), c) != loaded_.end()) c->Loaded();
  if (watch_) {
    persistent_internal::SetDestroyWatch(watch_->Previous);
    watch_.reset();
  }
}

void TReader::ReadRootText(std::u16string_view Text, TComponent* Root) {
  std::vector<TTextError> errors;
  TTextObject obj = ParseObjectText(Text, errors);
  if (obj.ClassName.empty()) {
    // Not even a header: nothing can be read.
    const TTextError& e = errors.front();
    std::string full = "Line " + std::to_string(e.Line) + ": " + e.Message;
    throw EReadError(full, e.Line);
  }
  ReadRoot(obj, Root);
  for (const TTextError& e : errors) Error(e.Message, e.Line);
}

void TReader::ReadComponentText(std::u16string_view Text, TComponent* Instance,
                                TComponent* LookupRoot) {
  std::vector<TTextError> errors;
  TTextObject obj = ParseObjectText(Text, errors);
  if (obj.ClassName.empty()) {
    const TTextError& e = errors.front();
    throw EReadError("Line " + std::to_string(e.Line) + ": " + e.Message, e.Line);
  }
  ReadComponent(obj, Instance, LookupRoot ? LookupRoot : Instance);
  for (const TTextError& e : errors) Error(e.Message, e.Line);
}

void TReader::ReadRoot(const TTextObject& Object, TComponent* Root) {
  ReadComponent(Object, Root, Root);
}

void TReader::ReadComponent(const TTextObject& Object, TComponent* Instance,
                            TComponent* LookupRoot) {
  Begin(LookupRoot ? LookupRoot : Instance, Instance);
  instance_ = Instance;
  instanceName_ = Utf16ToUtf8(Object.Name);
  try {
    if (!Object.Name.empty()) {
      try {
        Instance->SetName(Object.Name);
      } catch (const EReadError& e) {
        if (e.Line() > 0) throw;
        Error(e.what(), Object.Line);
      } catch (const Exception& e) {
        Error(e.what(), Object.Line);
      }
    }
    ReadObjectBody(Object, Instance);
  } catch (...) {
    Finish(false);
    throw;
  }
  Finish(true);
}

void TReader::ReadObjectBody(const TTextObject& Object, TComponent* Instance) {
  for (const TTextProperty& p : Object.Props) {
    if (!p.Error.empty())
      Error(p.Error, p.Line);
    else
      ReadProperty(Instance, p);
  }
  for (const TTextObject& child : Object.Children) ReadChild(child, Instance);
  for (const TTextError& e : Object.TrailingErrors) Error(e.Message, e.Line);
}

void TReader::ReadChild(const TTextObject& Object, TComponent* Parent) {
  const TClassInfo* cls = FindClass(Object.ClassName);
  if (!cls || !cls->NewComponent()) {
    Error("Class " + Object.ClassName + " not found", Object.Line);
    return;  // handled: the object is skipped
  }
  TComponent* owner = Parent->GetChildOwner();
  if (!owner) owner = owner_;
  TComponent* comp = nullptr;
  bool created = false;
  if (Object.Keyword != "object" && owner && !Object.Name.empty()) {
    comp = owner->FindComponent(Object.Name);
    if (comp && !comp->InheritsFrom(*cls)) comp = nullptr;
  }
  if (!comp) {
    comp = cls->NewComponent()(owner);
    created = true;
  }
  comp->Loading();
  comp->IncludeState(csReading);
  if (std::find(loaded_.begin(), loaded_.end(), comp) == loaded_.end()) loaded_.push_back(comp);
  try {
    comp->SetParentComponent(Parent->GetChildParent());
    // Only what the parent writes back as its child may be read as one; anything else would be
    // lost on the next save (and references to it with it).
    bool held = false;
    Parent->GetChildren([&](TComponent* c) { held = held || c == comp; }, root_);
    if (!held) {
      if (created) delete comp;
      comp = nullptr;
      Error("Error reading " + ErrorPath(Parent, Object.ClassName) + ": a " + Parent->ClassName() +
                " holds no " + Object.ClassName,
            Object.Line);
      return;
    }
    if (!Object.Name.empty() && comp->Name() != Object.Name) {
      try {
        comp->SetName(Object.Name);
      } catch (const EReadError& e) {
        if (e.Line() > 0) throw;
        Error(e.what(), Object.Line);
      } catch (const Exception& e) {
        Error(e.what(), Object.Line);
      }
    }
    ReadObjectBody(Object, comp);
  } catch (...) {
    if (created && comp) delete comp;
    throw;
  }
}

std::string TReader::ErrorPath(TPersistent* Instance, const std::string& Path) const {
  std::string base = Utf16ToUtf8(Instance->GetNamePath());
  if (base.empty() && Instance == instance_) base = instanceName_;
  return base.empty() ? Path : base + "." + Path;
}

void TReader::ReadProperties(const std::vector<TTextProperty>& Props, TPersistent* Instance) {
  for (const TTextProperty& p : Props) {
    if (!p.Error.empty())
      Error(p.Error, p.Line);
    else
      ReadProperty(Instance, p);
  }
}

void TReader::ReadProperty(TPersistent* Instance, const TTextProperty& Prop) {
  try {
    std::vector<std::string> parts = SplitPath(Prop.Path);
    TPersistent* obj = Instance;
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
      const TPropInfo* p = obj->ClassInfo().FindProperty(parts[i]);
      if (!p || p->Kind != TPropKind::Object || !p->GetObject(obj))
        throw EReadError("Property " + Prop.Path + " does not exist");
      obj = p->GetObject(obj);
    }
    const std::string& last = parts.back();
    if (const TPropInfo* p = obj->ClassInfo().FindProperty(last)) {
      SetValue(obj, *p, Prop.Value, Prop.Path, Prop.Line);
      return;
    }
    // Not published: perhaps one the object defines itself.
    defining_ = &last;
    definedValue_ = &Prop.Value;
    definedFound_ = false;
    std::vector<TFrame> saved;
    saved.swap(frames_);
    try {
      obj->DefineProperties(*this);
    } catch (...) {
      defining_ = nullptr;
      frames_.swap(saved);
      throw;
    }
    defining_ = nullptr;
    frames_.swap(saved);
    if (!definedFound_) throw EReadError("Property " + Prop.Path + " does not exist");
  } catch (const EReadError& e) {
    if (e.Line() > 0) throw;  // already reported and not handled
    Error("Error reading " + ErrorPath(Instance, Prop.Path) + ": " + e.what(), Prop.Line);
  } catch (const Exception& e) {
    Error("Error reading " + ErrorPath(Instance, Prop.Path) + ": " + e.what(), Prop.Line);
  }
}

void TReader::SetValue(TPersistent* Instance, const TPropInfo& P, const TTextValue& V,
                       const std::string& Path, int Line) {
  switch (P.Kind) {
    case TPropKind::Integer: {
      int64_t x = 0;
      if (V.Kind == TValueKind::Integer)
        x = V.Int;
      else if (V.Kind == TValueKind::Ident && P.Idents && P.Idents->ToInt(V.Ident, x))
        ;
      else
        throw InvalidValue();
      if (x < P.Min || x > P.Max) {
        // Symbolic 32-bit values (system colours) may also be written unsigned.
        if (P.Idents && P.Min == INT32_MIN && P.Max == INT32_MAX && x >= 0 &&
            x <= int64_t(UINT32_MAX))
          x = int64_t(int32_t(uint32_t(x)));
        else
          throw InvalidValue();
      }
      P.SetOrd(Instance, x);
      return;
    }
    case TPropKind::Boolean:
    case TPropKind::Enumeration: {
      int idx = -1;
      if (V.Kind == TValueKind::Ident)
        idx = P.Enum->IndexOf(V.Ident);
      else if (V.Kind == TValueKind::Integer && V.Int >= 0 &&
               V.Int < int64_t(P.Enum->Idents.size()))
        idx = int(V.Int);
      if (idx < 0) throw InvalidValue();
      P.SetOrd(Instance, idx);
      return;
    }
    case TPropKind::Set: {
      if (V.Kind != TValueKind::Set) throw InvalidValue();
      uint64_t mask = 0;
      for (const std::string& item : V.SetItems) {
        int idx = P.Enum->IndexOf(item);
        if (idx < 0 || idx >= 64) throw InvalidValue();
        mask |= uint64_t(1) << idx;
      }
      P.SetOrd(Instance, int64_t(mask));
      return;
    }
    case TPropKind::Float: {
      double d;
      if (V.Kind == TValueKind::Float)
        d = V.Float;
      else if (V.Kind == TValueKind::Integer)
        d = double(V.Int);
      else if (V.Kind == TValueKind::Ident && SameAscii(V.Ident, "inf"))
        d = HUGE_VAL;
      else if (V.Kind == TValueKind::Ident && SameAscii(V.Ident, "nan"))
        d = NAN;
      else
        throw InvalidValue();
      P.SetFloat(Instance, d);
      return;
    }
    case TPropKind::String:
      if (V.Kind != TValueKind::String) throw InvalidValue();
      P.SetStr(Instance, V.Str);
      return;
    case TPropKind::Object: {
      TPersistent* obj = P.GetObject(Instance);
      auto* coll = dynamic_cast<TCollection*>(obj);
      if (!coll || V.Kind != TValueKind::Collection) throw InvalidValue();
      ReadCollection(coll, V);
      return;
    }
    case TPropKind::Component:
      if (V.Kind != TValueKind::Ident) throw InvalidValue();
      if (SameAscii(V.Ident, "nil")) {
        P.SetRef(Instance, nullptr);
        return;
      }
      fixups_.push_back(TFixup{Instance, &P, V.Ident, Line, ErrorPath(Instance, P.Name)});
      (void)Path;
      return;
    case TPropKind::Event: {
      if (V.Kind != TValueKind::Ident) throw InvalidValue();
      if (SameAscii(V.Ident, "nil")) {
        P.SetHandler(Instance, nullptr);
        SetHandlerName(Instance, P.Name, "");
        return;
      }
      // The name is kept even when the handler is missing, so that writing loses nothing.
      SetHandlerName(Instance, P.Name, V.Ident);
      const std::any* h = root_ ? root_->FindHandler(V.Ident) : nullptr;
      if (!h) throw EReadError("Event handler " + V.Ident + " not found");
      if (!P.SetHandler(Instance, h))
        throw EReadError("Event handler " + V.Ident + " does not fit " + P.Name);
      return;
    }
  }
}

void TReader::ReadCollection(TCollection* Collection, const TTextValue& Value) {
  Collection->BeginUpdate();
  try {
    Collection->Clear();
    for (const TTextItem& item : Value.Items) {
      TCollectionItem* it = Collection->Add();
      ReadProperties(item.Props, it);
    }
  } catch (...) {
    Collection->EndUpdate();
    throw;
  }
  Collection->EndUpdate();
}

TComponent* TReader::FindComponentByName(std::string_view Name) const {
  size_t dot = Name.find('.');
  std::string_view head = Name.substr(0, dot);
  TComponent* c = nullptr;
  if (root_ && SameName(root_->Name(), head)) c = root_;
  if (!c && root_) c = root_->FindComponent(AsciiToUtf16(head));
  if (!c)
    for (TComponent* l : loaded_)
      if (SameName(l->Name(), head)) {
        c = l;
        break;
      }
  if (!c) {
    if (OnFindComponent) return OnFindComponent(Name);
    if (GlobalFinder()) return GlobalFinder()(Name);
    return nullptr;
  }
  while (c && dot != std::string_view::npos) {
    size_t next = Name.find('.', dot + 1);
    std::string_view part =
        Name.substr(dot + 1, next == std::string_view::npos ? next : next - dot - 1);
    c = c->FindComponent(AsciiToUtf16(part));
    dot = next;
  }
  return c;
}

void TReader::ResolveFixups() {
  // Setting a reference may run setters that free objects; work on a copy, skipping the dead.
  while (!fixups_.empty()) {
    TFixup f = fixups_.front();
    fixups_.erase(fixups_.begin());
    try {
      TComponent* c = FindComponentByName(f.Name);
      if (!c) {
        Error("Error reading " + f.Path + ": Unresolved reference to '" + f.Name + "'", f.Line);
        continue;
      }
      if (!f.Prop->SetRef(f.Instance, c))
        Error("Error reading " + f.Path + ": Invalid property value", f.Line);
    } catch (const EReadError& e) {
      if (e.Line() > 0) throw;
      Error("Error reading " + f.Path + ": " + e.what(), f.Line);
    } catch (const Exception& e) {
      Error("Error reading " + f.Path + ": " + e.what(), f.Line);
    }
  }
}

// --- values of defined properties ---

const TTextValue& TReader::Current() const {
  if (frames_.empty() || frames_.back().Index >= frames_.back().Count) throw InvalidValue();
  const TFrame& f = frames_.back();
  return f.Items[f.Index];
}

void TReader::Advance() {
  ++frames_.back().Index;
}

TValueKind TReader::NextValue() const {
  return Current().Kind;
}

bool TReader::EndOfList() const {
  return frames_.empty() || frames_.back().Index >= frames_.back().Count;
}

void TReader::ReadListBegin() {
  const TTextValue& v = Current();
  if (v.Kind != TValueKind::List) throw InvalidValue();
  Advance();
  frames_.push_back(TFrame{v.List.data(), v.List.size(), 0});
}

void TReader::ReadListEnd() {
  if (frames_.size() <= 1 || !EndOfList()) throw InvalidValue();
  frames_.pop_back();
}

int64_t TReader::ReadInteger() {
  const TTextValue& v = Current();
  if (v.Kind != TValueKind::Integer) throw InvalidValue();
  Advance();
  return v.Int;
}

double TReader::ReadFloat() {
  const TTextValue& v = Current();
  double d;
  if (v.Kind == TValueKind::Float)
    d = v.Float;
  else if (v.Kind == TValueKind::Integer)
    d = double(v.Int);
  else
    throw InvalidValue();
  Advance();
  return d;
}

bool TReader::ReadBoolean() {
  const TTextValue& v = Current();
  int idx = v.Kind == TValueKind::Ident ? BooleanInfo().IndexOf(v.Ident) : -1;
  if (idx < 0) throw InvalidValue();
  Advance();
  return idx == 1;
}

std::u16string TReader::ReadString() {
  const TTextValue& v = Current();
  if (v.Kind != TValueKind::String) throw InvalidValue();
  Advance();
  return v.Str;
}

std::string TReader::ReadIdent() {
  const TTextValue& v = Current();
  if (v.Kind != TValueKind::Ident) throw InvalidValue();
  Advance();
  return v.Ident;
}

const TTextValue& TReader::ReadValue() {
  const TTextValue& v = Current();
  Advance();
  return v;
}

void TReader::SkipValue() {
  ReadValue();
}

void TReader::ReadCollectionValue(TCollection* Collection) {
  const TTextValue& v = Current();
  if (v.Kind != TValueKind::Collection) throw InvalidValue();
  Advance();
  ReadCollection(Collection, v);
}

void TReader::DefineProperty(const std::string& Name, TReaderProc ReadData, TWriterProc, bool) {
  if (!defining_ || definedFound_ || !SameAscii(Name, *defining_)) return;
  definedFound_ = true;
  if (!ReadData) throw InvalidValue();
  frames_.push_back(TFrame{definedValue_, 1, 0});
  ReadData(*this);
}

void TReader::DefineBinaryProperty(const std::string& Name, TStreamProc ReadData, TStreamProc,
                                   bool) {
  if (!defining_ || definedFound_ || !SameAscii(Name, *defining_)) return;
  definedFound_ = true;
  if (!ReadData || definedValue_->Kind != TValueKind::Binary) throw InvalidValue();
  TMemoryStream m(definedValue_->Bytes);
  ReadData(m);
}

// --- TWriter ---------------------------------------------------------------------------------

TWriter::TWriter() = default;
TWriter::~TWriter() = default;

TTextObject TWriter::WriteRoot(TComponent* Root) {
  root_ = Root;
  return WriteObject(Root);
}

TTextObject TWriter::WriteComponent(TComponent* Instance, TComponent* LookupRoot) {
  root_ = LookupRoot ? LookupRoot : Instance;
  return WriteObject(Instance);
}

TTextObject TWriter::WriteObject(TComponent* Instance) {
  TTextObject obj;
  obj.Name = Instance->Name();
  obj.ClassName = Instance->ClassName();
  bool wasWriting = Instance->ComponentState().Contains(csWriting);
  Instance->IncludeState(csWriting);
  try {
    WriteProperties(Instance, "", obj.Props);
    Instance->GetChildren([&](TComponent* child) { obj.Children.push_back(WriteObject(child)); },
                          root_);
  } catch (...) {
    if (!wasWriting) Instance->ExcludeState(csWriting);
    throw;
  }
  if (!wasWriting) Instance->ExcludeState(csWriting);
  return obj;
}

std::string TWriter::ReferenceName(TComponent* Component) const {
  std::string name = Utf16ToUtf8(Component->Name());
  if (name.empty() || Component == root_) return name;
  TComponent* owner = Component->Owner();
  if (!owner || owner == root_ || owner->Name().empty()) return name;
  return Utf16ToUtf8(owner->Name()) + "." + name;
}

void TWriter::WriteProperties(TPersistent* Instance, const std::string& Prefix,
                              std::vector<TTextProperty>& Out) {
  for (const TPropInfo* p : Instance->ClassInfo().Properties()) {
    if (!p->IsStored(Instance)) continue;
    std::string name = Prefix + p->Name;
    TTextValue v;
    switch (p->Kind) {
      case TPropKind::Integer: {
        if (p->IsDefault(Instance)) continue;
        int64_t x = p->GetOrd(Instance);
        const std::string* id = p->Idents ? p->Idents->ToIdent(x) : nullptr;
        v = id ? TTextValue::OfIdent(*id) : TTextValue::OfInt(x);
        break;
      }
      case TPropKind::Boolean:
      case TPropKind::Enumeration: {
        if (p->IsDefault(Instance)) continue;
        int64_t x = p->GetOrd(Instance);
        v = x >= 0 && x < int64_t(p->Enum->Idents.size())
                ? TTextValue::OfIdent(p->Enum->Idents[size_t(x)])
                : TTextValue::OfInt(x);
        break;
      }
      case TPropKind::Set: {
        if (p->IsDefault(Instance)) continue;
        uint64_t mask = uint64_t(p->GetOrd(Instance));
        v.Kind = TValueKind::Set;
        for (size_t i = 0; i < p->Enum->Idents.size() && i < 64; ++i)
          if (mask & (uint64_t(1) << i)) v.SetItems.push_back(p->Enum->Idents[i]);
        break;
      }
      case TPropKind::Float:
        if (p->IsDefault(Instance)) continue;
        v = TTextValue::OfFloat(p->GetFloat(Instance));
        break;
      case TPropKind::String:
        if (p->IsDefault(Instance)) continue;
        v = TTextValue::OfString(p->GetStr(Instance));
        break;
      case TPropKind::Object: {
        TPersistent* sub = p->GetObject(Instance);
        if (!sub) continue;
        if (auto* coll = dynamic_cast<TCollection*>(sub)) {
          v.Kind = TValueKind::Collection;
          for (int i = 0; i < coll->Count(); ++i) {
            TTextItem item;
            WriteProperties(coll->Items(i), "", item.Props);
            v.Items.push_back(std::move(item));
          }
          break;
        }
        size_t before = Out.size();
        WriteProperties(sub, name + ".", Out);
        if (Out.size() == before && p->StoreAlways && dynamic_cast<TStrings*>(sub)) {
          TTextValue empty;
          empty.Kind = TValueKind::List;
          Out.push_back(TTextProperty{0, name + ".Strings", std::move(empty), {}});
        }
        continue;
      }
      case TPropKind::Component: {
        TComponent* ref = p->GetRef(Instance);
        if (!ref) continue;
        std::string rn = ReferenceName(ref);
        if (rn.empty()) continue;
        v = TTextValue::OfIdent(rn);
        break;
      }
      case TPropKind::Event: {
        std::string hn = HandlerName(Instance, p->Name);
        if (hn.empty()) continue;
        v = TTextValue::OfIdent(hn);
        break;
      }
    }
    Out.push_back(TTextProperty{0, name, std::move(v), {}});
  }
  std::vector<TTextProperty>* out = out_;
  std::string prefix = prefix_;
  out_ = &Out;
  prefix_ = Prefix;
  try {
    Instance->DefineProperties(*this);
  } catch (...) {
    out_ = out;
    prefix_ = prefix;
    throw;
  }
  out_ = out;
  prefix_ = prefix;
}

void TWriter::Emit(TTextValue V) {
  if (!stack_.empty()) {
    stack_.back().List.push_back(std::move(V));
    return;
  }
  out_->push_back(TTextProperty{0, {}, std::move(V), {}});
}

void TWriter::WriteListBegin() {
  TTextValue v;
  v.Kind = TValueKind::List;
  stack_.push_back(std::move(v));
}

void TWriter::WriteListEnd() {
  if (stack_.empty()) throw EWriteError("List end without a list");
  TTextValue v = std::move(stack_.back());
  stack_.pop_back();
  Emit(std::move(v));
}

void TWriter::WriteInteger(int64_t V) {
  Emit(TTextValue::OfInt(V));
}
void TWriter::WriteFloat(double V) {
  Emit(TTextValue::OfFloat(V));
}
void TWriter::WriteBoolean(bool V) {
  Emit(TTextValue::OfIdent(V ? "True" : "False"));
}
void TWriter::WriteString(std::u16string_view V) {
  Emit(TTextValue::OfString(std::u16string(V)));
}
void TWriter::WriteIdent(std::string_view V) {
  Emit(TTextValue::OfIdent(std::string(V)));
}
void TWriter::WriteValue(TTextValue V) {
  Emit(std::move(V));
}

void TWriter::DefineProperty(const std::string& Name, TReaderProc, TWriterProc WriteData,
                             bool HasData) {
  if (!HasData || !WriteData || !out_) return;
  size_t before = out_->size();
  stack_.clear();
  WriteData(*this);
  if (!stack_.empty()) throw EWriteError("List not closed in property " + Name);
  // One value per property: a writer that wrote several keeps the last.
  if (out_->size() > before) {
    TTextProperty p = std::move(out_->back());
    out_->resize(before);
    p.Path = prefix_ + Name;
    out_->push_back(std::move(p));
  }
}

void TWriter::DefineBinaryProperty(const std::string& Name, TStreamProc, TStreamProc WriteData,
                                   bool HasData) {
  if (!HasData || !WriteData || !out_) return;
  TMemoryStream m;
  WriteData(m);
  TTextValue v;
  v.Kind = TValueKind::Binary;
  v.Bytes = m.DataString();
  out_->push_back(TTextProperty{0, prefix_ + Name, std::move(v), {}});
}

}  // namespace synt
