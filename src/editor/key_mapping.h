// Key mapping: binds the editor's numbered commands to keys and key sequences.
//
//   synt::TSyntKeyMapping& map = synt::DefaultKeyMapping();   // or a mapping of your own
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
#include "platform/collection.h"
#include "platform/component.h"
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
class TKeyQueue : public TPersistent {
  SYNT_CLASS_INFO()

 public:
  static constexpr unsigned kDefaultMaxInterval = 1000;
  static constexpr int kDefaultMaxQueueSize = 3;

  unsigned MaxInterval() const { return maxInterval_; }  // ms; 0: no time-out
  void SetMaxInterval(unsigned ms) { maxInterval_ = ms; }
  int MaxQueueSize() const { return maxQueueSize_; }
  // Raises Exception "MaxQueueSize should be greater 1" for 0 or less and keeps the old size.
  void SetMaxQueueSize(int size);

  void Add(TShortCut key);
  void Clear() { keys_.clear(); }
  int Count() const { return static_cast<int>(keys_.size()); }
  TShortCut Keys(int index) const;  // 0 = newest
  std::uint64_t LastKeyTime() const { return lastTime_; }

  // Copies the settings, not the keys.
  void Assign(const TPersistent* Source) override;

 private:
  unsigned maxInterval_ = kDefaultMaxInterval;
  int maxQueueSize_ = kDefaultMaxQueueSize;
  std::vector<TShortCut> keys_;  // newest first
  std::uint64_t lastTime_ = 0;
  bool hasTime_ = false;
};

class TKeyDefs;
class TKeyStroke;
class TKeyStrokes;
class TqxCommandItem;
class TqxCommandItems;
class TSyntKeyMapping;

// One key of a sequence.
class TKeyDef : public TCollectionItem {
  SYNT_CLASS_INFO()

 public:
  explicit TKeyDef(TCollection* Collection = nullptr) : TCollectionItem(Collection) {}

  TShortCut ShortCut() const { return shortcut_; }
  void SetShortCut(TShortCut value);
  // Set: the key matches with any Shift, Ctrl and Alt state.
  bool OptionalControlKeys() const { return optionalControlKeys_; }
  void SetOptionalControlKeys(bool value);
  std::u16string DisplayName() const override { return ShortCutToText(shortcut_); }

  bool Match(TShortCut key, bool ignore_modifiers) const;

 private:
  TShortCut shortcut_ = 0;
  bool optionalControlKeys_ = false;
};

class TKeyDefs : public TCollection {
 public:
  explicit TKeyDefs(TKeyStroke* Owner = nullptr);
  TKeyDef* Add() { return static_cast<TKeyDef*>(TCollection::Add()); }
  TKeyDef* Add(TShortCut shortcut);
  TKeyDef* Items(int index) const { return static_cast<TKeyDef*>(TCollection::Items(index)); }

 protected:
  void Update(TCollectionItem* Item) override;

 private:
  TKeyStroke* owner_;
};

// One key sequence, keys in typing order.
class TKeyStroke : public TCollectionItem {
  SYNT_CLASS_INFO()

 public:
  explicit TKeyStroke(TCollection* Collection = nullptr);

  TKeyDefs* KeyDefs() const { return keyDefs_.get(); }
  void SetKeyDefs(const TKeyDefs* value) { keyDefs_->Assign(value); }
  // The keys' names joined by " · ".
  std::u16string DisplayName() const override;
  std::vector<TShortCut> ShortCuts() const;

  // Whether the newest keys of the queue are this sequence. With use_first_control_keys only the
  // first key must carry its modifiers.
  bool Match(const TKeyQueue& queue, bool use_first_control_keys) const;

 private:
  friend class TKeyDefs;
  std::unique_ptr<TKeyDefs> keyDefs_;
};

class TKeyStrokes : public TCollection {
 public:
  explicit TKeyStrokes(TqxCommandItem* Owner = nullptr);
  TKeyStroke* Add() { return static_cast<TKeyStroke*>(TCollection::Add()); }
  // Adds a sequence of the given keys.
  TKeyStroke* Add(std::span<const TShortCut> keys);
  // Adds the one or two keys of a packed value; 0 adds nothing and returns nullptr.
  TKeyStroke* AddPacked(TPackedKeys keys);
  TKeyStroke* Items(int index) const { return static_cast<TKeyStroke*>(TCollection::Items(index)); }

 protected:
  void Update(TCollectionItem* Item) override;

 private:
  TqxCommandItem* owner_;
};

// A command with its key sequences and the texts shown for it.
class TqxCommandItem : public TCollectionItem {
  SYNT_CLASS_INFO()

 public:
  explicit TqxCommandItem(TCollection* Collection = nullptr);

  int Command() const { return command_; }
  void SetCommand(int value);
  TKeyStrokes* KeyStrokes() const { return keyStrokes_.get(); }
  void SetKeyStrokes(const TKeyStrokes* value) { keyStrokes_->Assign(value); }
  // False for commands that need data and cannot be bound to a key.
  bool Customizable() const { return customizable_; }
  void SetCustomizable(bool value);
  const std::u16string& Caption() const { return caption_; }  // menu caption with "&"
  void SetCaption(const std::u16string& value);
  const std::u16string& Category() const { return category_; }
  void SetCategory(const std::u16string& value);
  // The long description, kept as set.
  std::u16string DisplayName() const override { return displayName_; }
  void SetDisplayName(const std::u16string& value) override;

  // The number of keys of the longest key stroke that matches the queue; 0 if none does.
  int Match(const TKeyQueue& queue, bool use_first_control_keys) const;

 private:
  friend class TKeyStrokes;
  int command_ = 0;
  std::unique_ptr<TKeyStrokes> keyStrokes_;
  bool customizable_ = true;
  std::u16string caption_;
  std::u16string category_;
  std::u16string displayName_;
};

class TqxCommandItems : public TCollection {
 public:
  explicit TqxCommandItems(TSyntKeyMapping* Owner = nullptr);
  TqxCommandItem* Add() { return static_cast<TqxCommandItem*>(TCollection::Add()); }
  TqxCommandItem* Items(int index) const {
    return static_cast<TqxCommandItem*>(TCollection::Items(index));
  }
  // The first item with this command id, or nullptr. Built on first use, dropped on every change.
  TqxCommandItem* ItemByCommand(int command) const;

 protected:
  void Update(TCollectionItem* Item) override { DropIndex(); }
  void Notify(TCollectionItem* Item, TCollectionNotification Action) override { DropIndex(); }

 private:
  friend class TqxCommandItem;
  struct TCmdKey {
    int command;
    TqxCommandItem* item;
  };
  // Also inside an update bracket, where Update is held back: the index must never name a gone
  // item.
  void DropIndex() {
    indexValid_ = false;
    index_.clear();
  }
  mutable std::vector<TCmdKey> index_;
  mutable bool indexValid_ = false;
};

// The binding of commands to keys that an editor consults on every key-down. In the stored form:
//
//   object SyntKeyMapping1: TSyntKeyMapping
//     Items = <
//       item
//         Command = 377
//         KeyStrokes = <
//           item
//             KeyDefs = <
//               item
//                 ShortCut = 16459
//               end
//               item
//                 ShortCut = 66
//               end>
//           end>
//         Caption = 'Mark Selection Start'
//         ...
//       end>
//     UseFirstControlKeys = True
//   end
class TSyntKeyMapping : public TComponent {
  SYNT_CLASS_INFO()

 public:
  explicit TSyntKeyMapping(TComponent* Owner = nullptr);
  ~TSyntKeyMapping() override;

  TqxCommandItems* Items() const { return items_.get(); }
  void SetItems(const TqxCommandItems* value) { items_->Assign(value); }
  // Set: in a sequence only the first key must carry its modifiers (Ctrl+K · Ctrl+B runs Ctrl+K ·
  // B).
  bool UseFirstControlKeys() const { return useFirstControlKeys_; }
  void SetUseFirstControlKeys(bool value) { useFirstControlKeys_ = value; }
  // Raised by ExecuteCommandHook with the editor as Sender.
  TExecuteCommandEvent OnExecuteCommand;

  // The bindings of every item with a command as text: command id, key stroke count, and per key
  // stroke its key count and keys, all 32-bit little-endian, in uppercase hexadecimal.
  std::u16string AsString() const;
  // Rebinds the items the text names (their key strokes are replaced); others keep their bindings.
  // Raises EConvertError, changing nothing, when the text holds a character that is no hex digit.
  void SetAsString(const std::u16string& text);

  // Appends a command. first_key -1 marks a command that takes no key (not customizable); otherwise
  // each non-zero packed value becomes a key stroke, first_key before second_key.
  TqxCommandItem* AddCommand(int command, std::u16string_view category, std::int64_t second_key,
                             std::int64_t first_key, std::u16string_view description,
                             std::u16string_view caption);
  // Appends the whole default command table.
  void AddDefaultCommands();

  // The item with the longest key stroke that matches the queue (the earlier item on a tie).
  TqxCommandItem* BestItem(const TKeyQueue& queue) const;
  // BestItem's command, 0 when nothing matches.
  int CommandFor(const TKeyQueue& queue) const;
  TqxCommandItem* ItemByCommand(int command) const { return items_->ItemByCommand(command); }

  // Asked by an editor that uses this mapping before it executes a command; true when the command
  // was handled here and the editor must not run it.
  virtual bool ExecuteCommandHook(TObject* editor, int command, void* data);

  // Reads the legacy stored form: the default table is appended, then every (command, packed key,
  // packed key) triple rebinds its command. An incomplete final triple is ignored.
  void ReadKeyInfo(std::span<const std::int64_t> values);

  // From another mapping: copies Items and UseFirstControlKeys.
  void Assign(const TPersistent* Source) override;
  // The legacy "KeyInfo" list is read, never written.
  void DefineProperties(TFiler& Filer) override;

 private:
  void AddDefaultRows();
  std::unique_ptr<TqxCommandItems> items_;
  bool useFirstControlKeys_ = false;
};

// Registers TSyntKeyMapping with the class registry so that stored forms can create it. Creating a
// mapping registers it too.
void RegisterKeyMappingClasses();

// The mapping of editors that have none of their own: filled with the default table on first use,
// freed when the program ends.
TSyntKeyMapping& DefaultKeyMapping();

}  // namespace synt
