// synt keys: the command table and key bindings of a key mapping.
//   synt keys                       every command of the default mapping as JSON Lines
//   synt keys --match KEY...        the command a key sequence selects ("Ctrl+K" "B", or "Ctrl+K ·
//   B")
//   --first-control-keys            match as with UseFirstControlKeys set
#include <iostream>

#include "command.h"
#include "editor/key_mapping.h"
#include "json.h"
#include "platform/tick.h"
#include "platform/utf.h"

namespace synt::tool {
namespace {

std::string ItemLine(const TqxCommandItem& item) {
  std::vector<std::u16string> keys;
  for (int i = 0; i < item.KeyStrokes().Count(); ++i)
    keys.push_back(item.KeyStrokes().Items(i).DisplayName());
  return JsonLine()
      .Add("command", item.Command())
      .Add("category", item.Category())
      .Add("description", item.DisplayName())
      .Add("caption", item.Caption())
      .Add("customizable", item.Customizable())
      .AddRaw("keys", JsonArray(keys))
      .Str();
}

int RunKeys(const Args& args) {
  bool match = false, first_control_keys = false;
  std::vector<TShortCut> keys;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (match) {
      auto seq = TextToShortCuts(Utf8ToUtf16(a));
      if (!seq || seq->empty()) throw UsageError("'" + a + "' names no key");
      keys.insert(keys.end(), seq->begin(), seq->end());
    } else if (a == "--first-control-keys") {
      first_control_keys = true;
    } else if (a == "--match") {
      match = true;
    } else {
      throw UsageError("unknown argument '" + a + "'");
    }
  }
  if (match && keys.empty()) throw UsageError("--match needs at least one key");

  TSyntKeyMapping copy;
  TSyntKeyMapping* mapping = &DefaultKeyMapping();
  if (first_control_keys) {
    copy.Assign(*mapping);
    copy.SetUseFirstControlKeys(true);
    mapping = &copy;
  }

  if (!match) {
    for (int i = 0; i < mapping->Items().Count(); ++i)
      std::cout << ItemLine(mapping->Items().Items(i)) << '\n';
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
