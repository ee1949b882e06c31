// synt keys: the command table and key bindings of a key mapping.
//   synt keys                       every command of the default mapping as JSON Lines
//   synt keys --mapping FILE        the same for a stored mapping (the first TSyntKeyMapping of the
//                                   file: the root object or one nested in a form)
//   --ignore-errors                 report read errors on stderr and read on
//   synt keys --match KEY...        the command a key sequence selects ("Ctrl+K" "B", or "Ctrl+K ·
//   B")
//   --first-control-keys            match as with UseFirstControlKeys set
#include <cctype>
#include <iostream>

#include "command.h"
#include "editor/key_mapping.h"
#include "json.h"
#include "platform/filer.h"
#include "platform/text_bytes.h"
#include "platform/tick.h"
#include "platform/utf.h"

namespace synt::tool {
namespace {

std::string ItemLine(const TqxCommandItem& item) {
  std::vector<std::u16string> keys;
  for (int i = 0; i < item.KeyStrokes()->Count(); ++i)
    keys.push_back(item.KeyStrokes()->Items(i)->DisplayName());
  return JsonLine()
      .Add("command", item.Command())
      .Add("category", item.Category())
      .Add("description", item.DisplayName())
      .Add("caption", item.Caption())
      .Add("customizable", item.Customizable())
      .AddRaw("keys", JsonArray(keys))
      .Str();
}

const TTextObject* FindMapping(const TTextObject& obj) {
  std::string cls = obj.ClassName;
  for (char& c : cls) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (cls == "tsyntkeymapping") return &obj;
  for (const TTextObject& child : obj.Children)
    if (const TTextObject* found = FindMapping(child)) return found;
  return nullptr;
}

void LoadMapping(const std::string& path, bool ignore_errors, TSyntKeyMapping& mapping) {
  std::u16string text = DecodeTextBytes(ReadFileBytes(path));
  std::vector<TTextError> errors;
  TTextObject root = ParseObjectText(text, errors);
  if (root.ClassName.empty()) {
    std::string why = errors.empty() ? "no stored object"
                                     : "line " + std::to_string(errors.front().Line) + ": " +
                                           errors.front().Message;
    throw std::runtime_error(path + ": " + why);
  }
  const TTextObject* found = FindMapping(root);
  if (!found) throw std::runtime_error(path + ": holds no TSyntKeyMapping");
  TReader reader;
  reader.OnError = [&](TReader&, const std::string& message, bool& handled) {
    if (!ignore_errors) return;  // the exception carries the message
    std::cerr << "synt keys: " << path << ": " << message << "\n";
    handled = true;
  };
  try {
    reader.ReadComponent(*found, &mapping, &mapping);
    for (const TTextError& e : errors) reader.Error(e.Message, e.Line);
  } catch (const EReadError& e) {
    throw std::runtime_error(path + ": " + e.what());
  }
}

int RunKeys(const Args& args) {
  std::string mapping_file;
  bool match = false, first_control_keys = false, ignore_errors = false;
  std::vector<TShortCut> keys;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (match) {
      auto seq = TextToShortCuts(Utf8ToUtf16(a));
      if (!seq || seq->empty()) throw UsageError("'" + a + "' names no key");
      keys.insert(keys.end(), seq->begin(), seq->end());
    } else if (a == "--mapping") {
      if (++i == args.size()) throw UsageError("--mapping needs a file");
      mapping_file = args[i];
    } else if (a == "--ignore-errors") {
      ignore_errors = true;
    } else if (a == "--first-control-keys") {
      first_control_keys = true;
    } else if (a == "--match") {
      match = true;
    } else {
      throw UsageError("unknown argument '" + a + "'");
    }
  }
  if (match && keys.empty()) throw UsageError("--match needs at least one key");

  TSyntKeyMapping own;
  TSyntKeyMapping* mapping = &DefaultKeyMapping();
  if (!mapping_file.empty()) {
    LoadMapping(mapping_file, ignore_errors, own);
    mapping = &own;
  }
  if (first_control_keys) {
    if (mapping != &own) own.Assign(mapping);
    own.SetUseFirstControlKeys(true);
    mapping = &own;
  }

  if (!match) {
    for (int i = 0; i < mapping->Items()->Count(); ++i)
      std::cout << ItemLine(*mapping->Items()->Items(i)) << '\n';
    return 0;
  }
  // The keys count as typed in quick succession: a manual clock that never moves.
  TManualClock clock;
  TScopedTickClock use(clock);
  TKeyQueue queue;
  queue.SetMaxQueueSize(static_cast<int>(std::max<size_t>(keys.size(), 1)));
  for (TShortCut k : keys) queue.Add(k);
  const TqxCommandItem* item = mapping->BestItem(queue);
  JsonLine line;
  line.Add("keys", ShortCutsToText(keys));
  if (item) {
    line.Add("command", item->Command())
        .Add("description", item->DisplayName())
        .Add("caption", item->Caption());
  } else {
    line.Add("command", 0);
  }
  std::cout << line.Str() << '\n';
  return 0;
}

Command keys_cmd{"keys", "list the commands and key bindings of a key mapping, or match keys",
                 RunKeys};

}  // namespace
}  // namespace synt::tool
