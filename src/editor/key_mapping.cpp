#include "editor/key_mapping.h"

#include <algorithm>
#include <climits>
#include <mutex>

#include "platform/filer.h"
#include "platform/properties.h"
#include "platform/tick.h"

namespace synt {

// ---- class descriptions

namespace {

void DescribeKeyQueue(TPropertyList& List) {
  TPropsOf<TKeyQueue> p(List);
  p.Integer("MaxInterval", &TKeyQueue::MaxInterval, &TKeyQueue::SetMaxInterval)
      .Def(int64_t{TKeyQueue::kDefaultMaxInterval});
  p.Integer("MaxQueueSize", &TKeyQueue::MaxQueueSize, &TKeyQueue::SetMaxQueueSize)
      .Def(TKeyQueue::kDefaultMaxQueueSize);
}

void DescribeKeyDef(TPropertyList& List) {
  TPropsOf<TKeyDef> p(List);
  p.Integer("ShortCut", &TKeyDef::ShortCut, &TKeyDef::SetShortCut);
  p.Boolean("OptionalControlKeys", &TKeyDef::OptionalControlKeys, &TKeyDef::SetOptionalControlKeys)
      .Def(false);
}

void DescribeKeyStroke(TPropertyList& List) {
  TPropsOf<TKeyStroke> p(List);
  p.Object("KeyDefs", &TKeyStroke::KeyDefs);
}

void DescribeCommandItem(TPropertyList& List) {
  TPropsOf<TqxCommandItem> p(List);
  p.Integer("Command", &TqxCommandItem::Command, &TqxCommandItem::SetCommand);
  p.Object("KeyStrokes", &TqxCommandItem::KeyStrokes);
  p.Boolean("Customizable", &TqxCommandItem::Customizable, &TqxCommandItem::SetCustomizable)
      .Def(true);
  p.String("Caption", &TqxCommandItem::Caption, &TqxCommandItem::SetCaption);
  p.String("Category", &TqxCommandItem::Category, &TqxCommandItem::SetCategory);
  p.String("DisplayName", &TqxCommandItem::DisplayName, &TqxCommandItem::SetDisplayName);
}

void DescribeKeyMapping(TPropertyList& List) {
  TPropsOf<TSyntKeyMapping> p(List);
  p.Object("Items", &TSyntKeyMapping::Items);
  p.Boolean("UseFirstControlKeys", &TSyntKeyMapping::UseFirstControlKeys,
            &TSyntKeyMapping::SetUseFirstControlKeys)
      .Def(false);
  p.Event("OnExecuteCommand", &TSyntKeyMapping::OnExecuteCommand);
  // The bindings as text, for property editors and settings; the items are what is stored.
  p.String("AsString", &TSyntKeyMapping::AsString, &TSyntKeyMapping::SetAsString).NotStored();
}

}  // namespace

const TClassInfo& TKeyQueue::StaticClassInfo() {
  static const TClassInfo info("TKeyQueue", &TPersistent::StaticClassInfo(), DescribeKeyQueue);
  return info;
}

const TClassInfo& TKeyDef::StaticClassInfo() {
  static const TClassInfo info("TKeyDef", &TCollectionItem::StaticClassInfo(), DescribeKeyDef,
                               nullptr, TClassInfo::ItemFactory<TKeyDef>);
  return info;
}

const TClassInfo& TKeyStroke::StaticClassInfo() {
  static const TClassInfo info("TKeyStroke", &TCollectionItem::StaticClassInfo(), DescribeKeyStroke,
                               nullptr, TClassInfo::ItemFactory<TKeyStroke>);
  return info;
}

const TClassInfo& TqxCommandItem::StaticClassInfo() {
  static const TClassInfo info("TqxCommandItem", &TCollectionItem::StaticClassInfo(),
                               DescribeCommandItem, nullptr,
                               TClassInfo::ItemFactory<TqxCommandItem>);
  return info;
}

const TClassInfo& TSyntKeyMapping::StaticClassInfo() {
  static const TClassInfo info("TSyntKeyMapping", &TComponent::StaticClassInfo(),
                               DescribeKeyMapping, TClassInfo::ComponentFactory<TSyntKeyMapping>);
  return info;
}

void RegisterKeyMappingClasses() {
  static std::once_flag once;
  std::call_once(once, [] { RegisterClass(TSyntKeyMapping::StaticClassInfo()); });
}

// ---- TKeyQueue

void TKeyQueue::SetMaxQueueSize(int size) {
  if (size <= 0) throw Exception("MaxQueueSize should be greater 1");
  maxQueueSize_ = size;
  if (keys_.size() > static_cast<size_t>(size)) keys_.resize(static_cast<size_t>(size));
}

void TKeyQueue::Add(TShortCut key) {
  std::uint64_t now = TickCount();
  if (maxInterval_ != 0 && hasTime_ && now - lastTime_ > maxInterval_) keys_.clear();
  lastTime_ = now;
  hasTime_ = true;
  keys_.insert(keys_.begin(), key);
  if (keys_.size() > static_cast<size_t>(maxQueueSize_))
    keys_.resize(static_cast<size_t>(maxQueueSize_));
}

TShortCut TKeyQueue::Keys(int index) const {
  if (index < 0 || index >= Count())
    throw EListError("Index " + std::to_string(index) + " is out of range");
  return keys_[static_cast<size_t>(index)];
}

void TKeyQueue::Assign(const TPersistent* Source) {
  if (auto* q = dynamic_cast<const TKeyQueue*>(Source)) {
    maxInterval_ = q->maxInterval_;
    SetMaxQueueSize(q->maxQueueSize_);
    return;
  }
  TPersistent::Assign(Source);
}

// ---- TKeyDef, TKeyDefs

void TKeyDef::SetShortCut(TShortCut value) {
  if (value == shortcut_) return;
  shortcut_ = value;
  Changed(false);
}

void TKeyDef::SetOptionalControlKeys(bool value) {
  if (value == optionalControlKeys_) return;
  optionalControlKeys_ = value;
  Changed(false);
}

bool TKeyDef::Match(TShortCut key, bool ignore_modifiers) const {
  // The low 12 bits hold the virtual key; the modifiers sit above them.
  if (optionalControlKeys_ || ignore_modifiers) return (key & 0x0FFF) == (shortcut_ & 0x0FFF);
  return key == shortcut_;
}

TKeyDefs::TKeyDefs(TKeyStroke* Owner)
    : TCollection(TKeyDef::StaticClassInfo(), Owner), owner_(Owner) {}

TKeyDef* TKeyDefs::Add(TShortCut shortcut) {
  BeginUpdate();
  TKeyDef* def;
  try {
    def = Add();
    def->SetShortCut(shortcut);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
  return def;
}

void TKeyDefs::Update(TCollectionItem*) {
  if (owner_) owner_->Changed(false);
}

// ---- TKeyStroke, TKeyStrokes

TKeyStroke::TKeyStroke(TCollection* Collection)
    : TCollectionItem(Collection), keyDefs_(std::make_unique<TKeyDefs>(this)) {}

std::vector<TShortCut> TKeyStroke::ShortCuts() const {
  std::vector<TShortCut> keys;
  keys.reserve(static_cast<size_t>(keyDefs_->Count()));
  for (int i = 0; i < keyDefs_->Count(); ++i) keys.push_back(keyDefs_->Items(i)->ShortCut());
  return keys;
}

std::u16string TKeyStroke::DisplayName() const {
  return ShortCutsToText(ShortCuts());
}

bool TKeyStroke::Match(const TKeyQueue& queue, bool use_first_control_keys) const {
  int n = keyDefs_->Count();
  if (n == 0 || queue.Count() < n) return false;
  // The last key of the sequence meets the newest key of the queue.
  for (int i = 0; i < n; ++i)
    if (!keyDefs_->Items(i)->Match(queue.Keys(n - 1 - i), use_first_control_keys && i > 0))
      return false;
  return true;
}

TKeyStrokes::TKeyStrokes(TqxCommandItem* Owner)
    : TCollection(TKeyStroke::StaticClassInfo(), Owner), owner_(Owner) {}

TKeyStroke* TKeyStrokes::Add(std::span<const TShortCut> keys) {
  BeginUpdate();
  TKeyStroke* stroke;
  try {
    stroke = Add();
    for (TShortCut k : keys) stroke->KeyDefs()->Add(k);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
  return stroke;
}

TKeyStroke* TKeyStrokes::AddPacked(TPackedKeys keys) {
  if (keys == 0) return nullptr;
  std::vector<TShortCut> list;
  if (keys & 0xFFFF) list.push_back(static_cast<TShortCut>(keys & 0xFFFF));
  if (keys > 0xFFFF) list.push_back(static_cast<TShortCut>(keys >> 16));
  return Add(std::span<const TShortCut>(list));
}

void TKeyStrokes::Update(TCollectionItem*) {
  if (owner_) owner_->Changed(false);
}

// ---- TqxCommandItem, TqxCommandItems

TqxCommandItem::TqxCommandItem(TCollection* Collection)
    : TCollectionItem(Collection), keyStrokes_(std::make_unique<TKeyStrokes>(this)) {}

void TqxCommandItem::SetCommand(int value) {
  if (value == command_) return;
  command_ = value;
  if (auto* items = dynamic_cast<TqxCommandItems*>(Collection())) items->DropIndex();
  Changed(false);
}

void TqxCommandItem::SetCustomizable(bool value) {
  if (value == customizable_) return;
  customizable_ = value;
  Changed(false);
}

void TqxCommandItem::SetCaption(const std::u16string& value) {
  if (value == caption_) return;
  caption_ = value;
  Changed(false);
}

void TqxCommandItem::SetCategory(const std::u16string& value) {
  if (value == category_) return;
  category_ = value;
  Changed(false);
}

void TqxCommandItem::SetDisplayName(const std::u16string& value) {
  if (value == displayName_) return;
  displayName_ = value;
  Changed(false);
}

int TqxCommandItem::Match(const TKeyQueue& queue, bool use_first_control_keys) const {
  int best = 0;
  for (int i = 0; i < keyStrokes_->Count(); ++i) {
    const TKeyStroke* s = keyStrokes_->Items(i);
    int n = s->KeyDefs()->Count();
    if (n > best && s->Match(queue, use_first_control_keys)) best = n;
  }
  return best;
}

TqxCommandItems::TqxCommandItems(TSyntKeyMapping* Owner)
    : TCollection(TqxCommandItem::StaticClassInfo(), Owner) {}

TqxCommandItem* TqxCommandItems::ItemByCommand(int command) const {
  if (!indexValid_) {
    index_.clear();
    index_.reserve(static_cast<size_t>(Count()));
    for (int i = 0; i < Count(); ++i) index_.push_back({Items(i)->Command(), Items(i)});
    // Stable, so that of several items with one id the first in the collection is found.
    std::stable_sort(index_.begin(), index_.end(),
                     [](const TCmdKey& a, const TCmdKey& b) { return a.command < b.command; });
    indexValid_ = true;
  }
  auto it = std::lower_bound(index_.begin(), index_.end(), command,
                             [](const TCmdKey& k, int c) { return k.command < c; });
  return it != index_.end() && it->command == command ? it->item : nullptr;
}

// ---- TSyntKeyMapping

TSyntKeyMapping::TSyntKeyMapping(TComponent* Owner)
    : TComponent(Owner), items_(std::make_unique<TqxCommandItems>(this)) {
  RegisterKeyMappingClasses();
}
TSyntKeyMapping::~TSyntKeyMapping() = default;

namespace {

void PutInt(std::string& buf, std::int32_t v) {
  auto u = static_cast<std::uint32_t>(v);
  for (int i = 0; i < 4; ++i) buf.push_back(static_cast<char>((u >> (8 * i)) & 0xFF));
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

// Reads 32-bit little-endian values from a byte buffer; Next fails at the end of the buffer.
class IntReader {
 public:
  explicit IntReader(const std::vector<std::uint8_t>& buf) : buf_(buf) {}
  bool Next(std::int32_t& v) {
    if (buf_.size() - pos_ < 4) return false;
    std::uint32_t u = 0;
    for (int i = 0; i < 4; ++i) u |= static_cast<std::uint32_t>(buf_[pos_ + i]) << (8 * i);
    pos_ += 4;
    v = static_cast<std::int32_t>(u);
    return true;
  }
  bool AtEnd() const { return pos_ >= buf_.size(); }

 private:
  const std::vector<std::uint8_t>& buf_;
  size_t pos_ = 0;
};

// Holds a collection's change reports for the duration of a batch of changes.
struct UpdateBracket {
  explicit UpdateBracket(TCollection& c) : c(c) { c.BeginUpdate(); }
  ~UpdateBracket() { c.EndUpdate(); }
  UpdateBracket(const UpdateBracket&) = delete;
  UpdateBracket& operator=(const UpdateBracket&) = delete;
  TCollection& c;
};

struct Binding {
  int command;
  std::vector<std::vector<TShortCut>> strokes;
};

}  // namespace

std::u16string TSyntKeyMapping::AsString() const {
  std::string buf;
  for (int i = 0; i < items_->Count(); ++i) {
    const TqxCommandItem* item = items_->Items(i);
    if (item->Command() == 0) continue;
    const TKeyStrokes* strokes = item->KeyStrokes();
    PutInt(buf, item->Command());
    PutInt(buf, strokes->Count());
    for (int s = 0; s < strokes->Count(); ++s) {
      const TKeyDefs* defs = strokes->Items(s)->KeyDefs();
      PutInt(buf, defs->Count());
      for (int k = 0; k < defs->Count(); ++k) PutInt(buf, defs->Items(k)->ShortCut());
    }
  }
  static constexpr char16_t kHex[] = u"0123456789ABCDEF";
  std::u16string text;
  text.reserve(buf.size() * 2);
  for (char c : buf) {
    auto b = static_cast<std::uint8_t>(c);
    text.push_back(kHex[b >> 4]);
    text.push_back(kHex[b & 15]);
  }
  return text;
}

void TSyntKeyMapping::SetAsString(const std::u16string& text) {
  if (text.size() < 2) return;
  std::vector<std::uint8_t> buf;
  buf.reserve(text.size() / 2);
  for (size_t i = 0; i + 1 < text.size(); i += 2) {
    int hi = HexDigit(text[i]), lo = HexDigit(text[i + 1]);
    if (hi < 0 || lo < 0)
      throw EConvertError("Invalid key mapping text: character " +
                          std::to_string(hi < 0 ? i + 1 : i + 2) + " is not a hexadecimal digit");
    buf.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
  }
  // Decode every complete record first: one cut short by the end of the text (or holding a negative
  // count) is dropped whole, so that no command loses its keys to a truncated text.
  std::vector<Binding> bindings;
  IntReader in(buf);
  while (!in.AtEnd()) {
    Binding b;
    std::int32_t cmd, nstrokes;
    if (!in.Next(cmd) || !in.Next(nstrokes) || nstrokes < 0) break;
    b.command = cmd;
    bool complete = true;
    for (std::int32_t s = 0; s < nstrokes && complete; ++s) {
      std::int32_t nkeys;
      if (!in.Next(nkeys) || nkeys < 0) {
        complete = false;
        break;
      }
      std::vector<TShortCut> keys;
      for (std::int32_t k = 0; k < nkeys; ++k) {
        std::int32_t key;
        if (!in.Next(key)) {
          complete = false;
          break;
        }
        keys.push_back(static_cast<TShortCut>(key & 0xFFFF));
      }
      b.strokes.push_back(std::move(keys));
    }
    if (!complete) break;
    bindings.push_back(std::move(b));
  }
  UpdateBracket bracket(*items_);
  for (const Binding& b : bindings) {
    TqxCommandItem* item = items_->ItemByCommand(b.command);
    if (!item) continue;  // an id this mapping does not know
    item->KeyStrokes()->Clear();
    for (const auto& keys : b.strokes) item->KeyStrokes()->Add(std::span<const TShortCut>(keys));
  }
}

TqxCommandItem* TSyntKeyMapping::AddCommand(int command, std::u16string_view category,
                                            std::int64_t second_key, std::int64_t first_key,
                                            std::u16string_view description,
                                            std::u16string_view caption) {
  UpdateBracket bracket(*items_);
  TqxCommandItem* item = items_->Add();
  item->SetCommand(command);
  item->SetCategory(std::u16string(category));
  item->SetCaption(std::u16string(caption));
  item->SetDisplayName(std::u16string(description));
  if (first_key == -1) {
    item->SetCustomizable(false);
  } else {
    item->KeyStrokes()->AddPacked(static_cast<TPackedKeys>(first_key));
    item->KeyStrokes()->AddPacked(static_cast<TPackedKeys>(second_key));
  }
  return item;
}

TqxCommandItem* TSyntKeyMapping::BestItem(const TKeyQueue& queue) const {
  TqxCommandItem* best = nullptr;
  int best_len = 0;
  for (int i = 0; i < items_->Count(); ++i) {
    TqxCommandItem* item = items_->Items(i);
    int len = item->Match(queue, useFirstControlKeys_);
    if (len > best_len) {
      best_len = len;
      best = item;
    }
  }
  return best;
}

int TSyntKeyMapping::CommandFor(const TKeyQueue& queue) const {
  const TqxCommandItem* item = BestItem(queue);
  return item ? item->Command() : 0;
}

bool TSyntKeyMapping::ExecuteCommandHook(TObject* editor, int command, void* data) {
  bool handled = false;
  if (OnExecuteCommand) OnExecuteCommand(editor, command, data, handled);
  return handled;
}

void TSyntKeyMapping::ReadKeyInfo(std::span<const std::int64_t> values) {
  UpdateBracket bracket(*items_);
  AddDefaultCommands();
  for (size_t i = 0; i + 3 <= values.size(); i += 3) {
    if (values[i] < INT32_MIN || values[i] > INT32_MAX) continue;
    TqxCommandItem* item = items_->ItemByCommand(static_cast<int>(values[i]));
    if (!item) continue;
    item->KeyStrokes()->Clear();
    // Packed values are 32-bit; a stored negative number is one with Alt in the second key.
    item->KeyStrokes()->AddPacked(static_cast<TPackedKeys>(values[i + 1]));
    item->KeyStrokes()->AddPacked(static_cast<TPackedKeys>(values[i + 2]));
  }
}

void TSyntKeyMapping::DefineProperties(TFiler& Filer) {
  TComponent::DefineProperties(Filer);
  Filer.DefineProperty(
      "KeyInfo",
      [this](TReader& r) {
        std::vector<std::int64_t> values;
        r.ReadListBegin();
        while (!r.EndOfList()) values.push_back(r.ReadInteger());
        r.ReadListEnd();
        ReadKeyInfo(values);
      },
      nullptr, false);
}

void TSyntKeyMapping::Assign(const TPersistent* Source) {
  if (auto* m = dynamic_cast<const TSyntKeyMapping*>(Source)) {
    if (m == this) return;
    items_->Assign(m->items_.get());
    useFirstControlKeys_ = m->useFirstControlKeys_;
    return;
  }
  TComponent::Assign(Source);
}

TSyntKeyMapping& DefaultKeyMapping() {
  static const std::unique_ptr<TSyntKeyMapping> mapping = [] {
    auto m = std::make_unique<TSyntKeyMapping>();
    m->AddDefaultCommands();
    return m;
  }();
  return *mapping;
}

}  // namespace synt
