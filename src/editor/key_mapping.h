// Key mapping: binds the editor's numbered commands to keys and key sequences.
//
//   synt::TSyntKeyMapping& map = synt::DefaultKeyMapping();
//   synt::TKeyQueue queue;                          // each editor owns one
//   queue.Add(synt::ShortCut('K', synt::scCtrl));
//   queue.Add('B');
//   int cmd = map.CommandFor(queue);                // synt::cmMarkSelStart (Ctrl+K · B)
//
//   std::u16string saved = map.AsString();          // only the bindings, as hexadecimal text
//   other.SetAsString(saved);
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "editor/commands.h"
#include "platform/object.h"
#include "platform/shortcut.h"

namespace synt {

// Two shortcut words in one 32-bit value: the first key in the low half, an optional second key of
// the sequence in the high half. The default table and the legacy stored form use it.
using TPackedKeys = std::uint32_t;
constexpr TPackedKeys PackKeys(TShortCut first, TShortCut second = 0) {
  return static_cast<TPackedKeys>(first) | (static_cast<TPackedKeys>(second) << 16);
}

// The most recent keys typed into an editor, newest first, for recognising key sequences. Keys that
// come slower than MaxInterval apart start a new sequence; the clock is the platform tick.
class TKeyQueue : public TObject {
 public:
  static constexpr unsigned kDefaultMaxInterval = 1000;
  static constexpr int kDefaultMaxQueueSize = 3;

  unsigned MaxInterval() const { return max_interval_; }  // ms; 0: no time-out
  void SetMaxInterval(unsigned ms) { max_interval_ = ms; }
  int MaxQueueSize() const { return max_queue_size_; }
  // Raises Exception "MaxQueueSize should be greater 1" for 0 or less and keeps the old size.
  void SetMaxQueueSize(int size);

  void Add(TShortCut key);
  void Clear() { keys_.clear(); }
  int Count() const { return static_cast<int>(keys_.size()); }
  TShortCut Keys(int index) const;  // 0 = newest
  std::uint64_t LastKeyTime() const { return last_time_; }

  // Copies the settings, not the keys.
  void Assign(const TKeyQueue& source);

 private:
  unsigned max_interval_ = kDefaultMaxInterval;
  int max_queue_size_ = kDefaultMaxQueueSize;
  std::vector<TShortCut> keys_;  // newest first
  std::uint64_t last_time_ = 0;
  bool has_time_ = false;
};

namespace keys_detail {

// Owned items in order. Every structural change and every change of an item reports Changed() to
// the owner of the collection, so that the command index can be dropped and editors of the mapping
// notice.
template <class Item, class Self>
class Collection : public TObject {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  Item& Items(int index) const {
    if (index < 0 || index >= Count())
      throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return *items_[static_cast<size_t>(index)];
  }
  Item& Add() {
    items_.push_back(std::make_unique<Item>(static_cast<Self*>(this)));
    Changed();
    return *items_.back();
  }
  void Delete(int index) {
    Items(index);
    items_.erase(items_.begin() + index);
    Changed();
  }
  void Clear() {
    if (items_.empty()) return;
    items_.clear();
    Changed();
  }
  int IndexOf(const Item* item) const {
    for (size_t i = 0; i < items_.size(); ++i)
      if (items_[i].get() == item) return static_cast<int>(i);
    return -1;
  }
  void Assign(const Self& source) {
    if (&source == this) return;
    UpdateGuard guard(*this);
    std::vector<std::unique_ptr<Item>> copy;
    copy.reserve(source.items_.size());
    for (const auto& it : source.items_) {
      copy.push_back(std::make_unique<Item>(static_cast<Self*>(this)));
      copy.back()->Assign(*it);
    }
    items_ = std::move(copy);
    Changed();
  }
  struct UpdateGuard {
    explicit UpdateGuard(Collection& c) : c(c) { c.BeginUpdate(); }
    ~UpdateGuard() { c.EndUpdate(); }
    Collection& c;
  };
  // Stops change reports between BeginUpdate and the matching EndUpdate, then reports once.
  void BeginUpdate() { ++update_count_; }
  void EndUpdate() {
    if (update_count_ > 0 && --update_count_ == 0 && pending_) {
      pending_ = false;
      Notify();
    }
  }
  void Changed() {
    ItemsChanged();
    if (update_count_ > 0) {
      pending_ = true;
      return;
    }
    Notify();
  }

 protected:
  // Runs at once on every change, also inside an update (caches must not outlive a change).
  virtual void ItemsChanged() {}
  // Runs once per change or once per outermost update bracket.
  virtual void Notify() = 0;
  std::vector<std::unique_ptr<Item>> items_;

 private:
  int update_count_ = 0;
  bool pending_ = false;
};

}  // namespace keys_detail

class TKeyDefs;
class TKeyStroke;
class TKeyStrokes;
class TqxCommandItem;
class TqxCommandItems;
class TSyntKeyMapping;

// One key of a sequence.
class TKeyDef : public TObject {
 public:
  explicit TKeyDef(TKeyDefs* collection = nullptr) : collection_(collection) {}

  TShortCut ShortCut() const { return shortcut_; }
  void SetShortCut(TShortCut value);
  // Set: the key matches with any Shift, Ctrl and Alt state.
  bool OptionalControlKeys() const { return optional_control_keys_; }
  void SetOptionalControlKeys(bool value);
  std::u16string DisplayName() const { return ShortCutToText(shortcut_); }

  bool Match(TShortCut key, bool ignore_modifiers) const;
  void Assign(const TKeyDef& source);
  TKeyDefs* Collection() const { return collection_; }

 private:
  void Changed();
  TKeyDefs* collection_;
  TShortCut shortcut_ = 0;
  bool optional_control_keys_ = false;
};

class TKeyDefs : public keys_detail::Collection<TKeyDef, TKeyDefs> {
 public:
  explicit TKeyDefs(TKeyStroke* owner = nullptr) : owner_(owner) {}
  TKeyDef& Add(TShortCut shortcut);
  using Collection::Add;
  TKeyStroke* Owner() const { return owner_; }

 private:
  void Notify() override;
  TKeyStroke* owner_;
};

// One key sequence, keys in typing order.
class TKeyStroke : public TObject {
 public:
  explicit TKeyStroke(TKeyStrokes* collection = nullptr)
      : collection_(collection), key_defs_(this) {}

  TKeyDefs& KeyDefs() { return key_defs_; }
  const TKeyDefs& KeyDefs() const { return key_defs_; }
  void SetKeyDefs(const TKeyDefs& value) { key_defs_.Assign(value); }
  // The keys' names joined by " · ".
  std::u16string DisplayName() const;
  std::vector<TShortCut> ShortCuts() const;

  // Whether the newest keys of the queue are this sequence. With use_first_control_keys only the
  // first key must carry its modifiers.
  bool Match(const TKeyQueue& queue, bool use_first_control_keys) const;
  void Assign(const TKeyStroke& source) { key_defs_.Assign(source.key_defs_); }
  TKeyStrokes* Collection() const { return collection_; }

 private:
  friend class TKeyDefs;
  void Changed();
  TKeyStrokes* collection_;
  TKeyDefs key_defs_;
};

class TKeyStrokes : public keys_detail::Collection<TKeyStroke, TKeyStrokes> {
 public:
  explicit TKeyStrokes(TqxCommandItem* owner = nullptr) : owner_(owner) {}
  // Adds a sequence of the given keys.
  TKeyStroke& Add(std::span<const TShortCut> keys);
  // Adds the one or two keys of a packed value; 0 adds nothing and returns nullptr.
  TKeyStroke* AddPacked(TPackedKeys keys);
  using Collection::Add;
  TqxCommandItem* Owner() const { return owner_; }

 private:
  void Notify() override;
  TqxCommandItem* owner_;
};

// A command with its key sequences and the texts shown for it.
class TqxCommandItem : public TObject {
 public:
  explicit TqxCommandItem(TqxCommandItems* collection = nullptr)
      : collection_(collection), key_strokes_(this) {}

  int Command() const { return command_; }
  void SetCommand(int value);
  TKeyStrokes& KeyStrokes() { return key_strokes_; }
  const TKeyStrokes& KeyStrokes() const { return key_strokes_; }
  void SetKeyStrokes(const TKeyStrokes& value) { key_strokes_.Assign(value); }
  // False for commands that need data and cannot be bound to a key.
  bool Customizable() const { return customizable_; }
  void SetCustomizable(bool value);
  const std::u16string& Caption() const { return caption_; }  // menu caption with "&"
  void SetCaption(std::u16string_view value);
  const std::u16string& Category() const { return category_; }
  void SetCategory(std::u16string_view value);
  const std::u16string& DisplayName() const { return display_name_; }  // the long description
  void SetDisplayName(std::u16string_view value);

  // The number of keys of the longest key stroke that matches the queue; 0 if none does.
  int Match(const TKeyQueue& queue, bool use_first_control_keys) const;
  void Assign(const TqxCommandItem& source);
  TqxCommandItems* Collection() const { return collection_; }
  int Index() const;

 private:
  friend class TKeyStrokes;
  void Changed();
  TqxCommandItems* collection_;
  int command_ = 0;
  TKeyStrokes key_strokes_;
  bool customizable_ = true;
  std::u16string caption_;
  std::u16string category_;
  std::u16string display_name_;
};

class TqxCommandItems : public keys_detail::Collection<TqxCommandItem, TqxCommandItems> {
 public:
  explicit TqxCommandItems(TSyntKeyMapping* owner = nullptr) : owner_(owner) {}
  TSyntKeyMapping* Owner() const { return owner_; }
  // The first item with this command id, or nullptr. Built on first use, dropped on every change.
  TqxCommandItem* ItemByCommand(int command) const;

 private:
  struct TCmdKey {
    int command;
    TqxCommandItem* item;
  };
  void ItemsChanged() override;
  void Notify() override {}
  TSyntKeyMapping* owner_;
  mutable std::vector<TCmdKey> index_;
  mutable bool index_valid_ = false;
};

// The binding of commands to keys that an editor consults on every key-down.
class TSyntKeyMapping : public TObject {
 public:
  TSyntKeyMapping();
  ~TSyntKeyMapping() override;

  TqxCommandItems& Items() { return items_; }
  const TqxCommandItems& Items() const { return items_; }
  void SetItems(const TqxCommandItems& value) { items_.Assign(value); }
  // Set: in a sequence only the first key must carry its modifiers (Ctrl+K · Ctrl+B runs Ctrl+K ·
  // B).
  bool UseFirstControlKeys() const { return use_first_control_keys_; }
  void SetUseFirstControlKeys(bool value) { use_first_control_keys_ = value; }
  // Raised by ExecuteCommandHook with the editor as Sender.
  TExecuteCommandEvent OnExecuteCommand;

  // The bindings of every item with a command as text: command id, key stroke count, and per key
  // stroke its key count and keys, all 32-bit little-endian, in uppercase hexadecimal.
  std::u16string AsString() const;
  // Rebinds the items the text names (their key strokes are replaced); others keep their bindings.
  // Raises EConvertError, changing nothing, when the text holds a character that is no hex digit.
  void SetAsString(std::u16string_view text);

  // Appends a command. first_key -1 marks a command that takes no key (not customizable); otherwise
  // each non-zero packed value becomes a key stroke, first_key before second_key.
  TqxCommandItem& AddCommand(int command, std::u16string_view category, std::int64_t second_key,
                             std::int64_t first_key, std::u16string_view description,
                             std::u16string_view caption);
  // Appends the whole default command table.
  void AddDefaultCommands();

  // The item with the longest key stroke that matches the queue (the earlier item on a tie).
  TqxCommandItem* BestItem(const TKeyQueue& queue) const;
  // BestItem's command, 0 when nothing matches.
  int CommandFor(const TKeyQueue& queue) const;
  TqxCommandItem* ItemByCommand(int command) const { return items_.ItemByCommand(command); }

  // Asked by an editor that uses this mapping before it executes a command; true when the command
  // was handled here and the editor must not run it.
  virtual bool ExecuteCommandHook(TObject* editor, int command, void* data);

  // Reads the legacy stored form: the default table is appended, then every (command, packed key,
  // packed key) triple rebinds its command. An incomplete final triple is ignored.
  void ReadKeyInfo(std::span<const std::int64_t> values);

  // Copies Items and UseFirstControlKeys.
  void Assign(const TSyntKeyMapping& source);

 private:
  TqxCommandItems items_;
  bool use_first_control_keys_ = false;
};

// The mapping of editors that have none of their own: filled with the default table on first use,
// freed when the program ends.
TSyntKeyMapping& DefaultKeyMapping();

}  // namespace synt
