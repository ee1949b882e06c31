#include "editor/key_mapping.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

#include "json.h"
#include "platform/filer.h"
#include "platform/tick.h"
#include "platform/utf.h"
#include "tool_runner.h"

namespace synt {
namespace {

constexpr TShortCut CtrlK = ShortCut('K', scCtrl);

// Types keys into a queue on a manual clock; `pause` runs before each key.
class Keyboard {
 public:
  explicit Keyboard(TSyntKeyMapping& map) : map_(map), use_(clock_) {}
  int Type(std::initializer_list<TShortCut> keys, std::uint64_t pause = 10) {
    for (TShortCut k : keys) {
      clock_.Advance(pause);
      queue_.Add(k);
    }
    return map_.CommandFor(queue_);
  }
  TKeyQueue& Queue() { return queue_; }
  TManualClock& Clock() { return clock_; }

 private:
  TSyntKeyMapping& map_;
  TManualClock clock_{100000};
  TScopedTickClock use_;
  TKeyQueue queue_;
};

std::unique_ptr<TSyntKeyMapping> DefaultCopy() {
  auto m = std::make_unique<TSyntKeyMapping>();
  m->Assign(&DefaultKeyMapping());
  return m;
}

std::vector<std::vector<TShortCut>> Bindings(const TqxCommandItem& item) {
  std::vector<std::vector<TShortCut>> out;
  for (int i = 0; i < item.KeyStrokes()->Count(); ++i)
    out.push_back(item.KeyStrokes()->Items(i)->ShortCuts());
  return out;
}

// ---- the default table

std::vector<tool::JsonValue> GoldenTable() {
  std::ifstream in(std::string(SYNT_TEST_DATA_DIR) + "/keys/default_table.jsonl");
  EXPECT_TRUE(in) << "golden table missing";
  std::vector<tool::JsonValue> rows;
  std::string line, err;
  while (std::getline(in, line)) {
    tool::JsonValue v;
    EXPECT_TRUE(tool::ParseJson(line, v, err)) << err;
    rows.push_back(v);
  }
  return rows;
}

TEST(DefaultKeyMapping, EveryRowEqualsTheTable) {
  auto rows = GoldenTable();
  const TqxCommandItems& items = *DefaultKeyMapping().Items();
  ASSERT_EQ(items.Count(), static_cast<int>(rows.size()));
  for (int i = 0; i < items.Count(); ++i) {
    const TqxCommandItem& item = *items.Items(i);
    const tool::JsonValue& row = rows[static_cast<size_t>(i)];
    SCOPED_TRACE("row " + std::to_string(i + 1) + ", command " + std::to_string(item.Command()));
    EXPECT_EQ(item.Command(), row.Find("command")->AsNumber());
    EXPECT_EQ(item.Category(), row.Find("category")->AsString());
    EXPECT_EQ(item.DisplayName(), row.Find("description")->AsString());
    EXPECT_EQ(item.Caption(), row.Find("caption")->AsString());
    EXPECT_EQ(item.Customizable(), row.Find("customizable")->AsBool());
    const auto& keys = row.Find("keys")->Items();
    ASSERT_EQ(item.KeyStrokes()->Count(), static_cast<int>(keys.size()));
    for (int k = 0; k < item.KeyStrokes()->Count(); ++k) {
      // Both ways: the written name, and the keys read back from the table's text.
      EXPECT_EQ(item.KeyStrokes()->Items(k)->DisplayName(),
                keys[static_cast<size_t>(k)].AsString());
      EXPECT_EQ(TextToShortCuts(keys[static_cast<size_t>(k)].AsString()),
                item.KeyStrokes()->Items(k)->ShortCuts());
    }
    EXPECT_EQ(DefaultKeyMapping().ItemByCommand(item.Command()), &item);
  }
  EXPECT_EQ(&DefaultKeyMapping(), &DefaultKeyMapping());
}

TEST(KeysTool, PrintsTheDefaultTableAndAStoredMapping) {
  std::string golden =
      test::ReadFile(std::string(SYNT_TEST_DATA_DIR) + "/keys/default_table.jsonl");
  test::ToolResult r = test::RunTool({"keys"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, golden);

  // The default table stored as a component nested in a form reads back to the same listing.
  TSyntKeyMapping m;
  m.SetName(u"Keys");
  m.Assign(&DefaultKeyMapping());
  TWriter w;
  std::string text = "object Form1: TForm\n" + w.WriteRootText(&m) + "end\n";
  std::string path = testing::TempDir() + "keys_tool_mapping.txt";
  std::ofstream(path, std::ios::binary) << text;
  r = test::RunTool({"keys", "--mapping", path});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, golden);

  std::ofstream(path, std::ios::binary) << "object Keys: TSyntKeyMapping\n  Nothing = 1\nend\n";
  EXPECT_EQ(test::RunTool({"keys", "--mapping", path}).status, 1);
  EXPECT_EQ(test::RunTool({"keys", "--mapping", path, "--ignore-errors"}).status, 0);
  std::ofstream(path, std::ios::binary) << "object Form1: TForm\nend\n";
  EXPECT_EQ(test::RunTool({"keys", "--mapping", path}).status, 1);
  std::remove(path.c_str());
}

TEST(KeysTool, Match) {
  auto r = test::RunTool({"keys", "--match", "Ctrl+K", "B"});
  EXPECT_EQ(r.status, 0);
  tool::JsonValue v;
  std::string err;
  ASSERT_TRUE(tool::ParseJson(r.out, v, err)) << r.out;
  EXPECT_EQ(v.Find("command")->AsNumber(), cmMarkSelStart);
  EXPECT_EQ(v.Find("keys")->AsString(), u"Ctrl+K \u00B7 B");
  EXPECT_EQ(v.Find("caption")->AsString(), u"Mark Selection Start");

  ASSERT_TRUE(tool::ParseJson(test::RunTool({"keys", "--match", "B"}).out, v, err));
  EXPECT_EQ(v.Find("command")->AsNumber(), 0);
  ASSERT_TRUE(tool::ParseJson(test::RunTool({"keys", "--match", "Ctrl+K \xC2\xB7 B"}).out, v, err));
  EXPECT_EQ(v.Find("command")->AsNumber(), cmMarkSelStart);
  ASSERT_TRUE(tool::ParseJson(test::RunTool({"keys", "--match", "Ctrl+K", "ctrl+b"}).out, v, err));
  EXPECT_EQ(v.Find("command")->AsNumber(), cmDeleteToLineStart);
  ASSERT_TRUE(tool::ParseJson(
      test::RunTool({"keys", "--first-control-keys", "--match", "Ctrl+K", "ctrl+b"}).out, v, err));
  EXPECT_EQ(v.Find("command")->AsNumber(), cmMarkSelStart);
  EXPECT_EQ(test::RunTool({"keys", "--match", "Hyper+K"}).status, 2);
  EXPECT_EQ(test::RunTool({"keys", "--match"}).status, 2);
  EXPECT_EQ(test::RunTool({"keys", "--bogus"}).status, 2);
}

// ---- matching

TEST(KeyMapping, TwoKeySequencesOfTheDefaultTable) {
  auto map = DefaultCopy();
  Keyboard kb(*map);
  EXPECT_EQ(kb.Type({CtrlK, 'B'}), cmMarkSelStart);
  kb.Queue().Clear();
  EXPECT_EQ(kb.Type({'B'}), 0);
  EXPECT_EQ(kb.Type({CtrlK}), 0);
  EXPECT_EQ(kb.Type({'K'}), cmMarkSelEnd);
  EXPECT_EQ(kb.Type({ShortCut('O', scCtrl), 'C'}), cmColumnSelect);
  // The queue is not cleared when a command is found: a following lone key matches on its own.
  EXPECT_EQ(kb.Type({vkLeft}), cmLeft);
  EXPECT_EQ(kb.Type({ShortCut(vkLeft, scShift | scAlt)}), cmColSelLeft);
}

TEST(KeyMapping, UseFirstControlKeys) {
  auto map = DefaultCopy();
  Keyboard kb(*map);
  // Without it Ctrl+B is a command of its own.
  EXPECT_EQ(kb.Type({CtrlK, ShortCut('B', scCtrl)}), cmDeleteToLineStart);
  map->SetUseFirstControlKeys(true);
  kb.Queue().Clear();
  EXPECT_EQ(kb.Type({CtrlK, ShortCut('B', scCtrl)}), cmMarkSelStart);
  kb.Queue().Clear();
  EXPECT_EQ(kb.Type({CtrlK, 'B'}), cmMarkSelStart);
  // The first key still needs its modifiers.
  kb.Queue().Clear();
  EXPECT_EQ(kb.Type({'K', 'B'}), 0);
}

TEST(KeyMapping, TimeOut) {
  auto map = DefaultCopy();
  Keyboard kb(*map);
  EXPECT_EQ(kb.Type({CtrlK}), 0);
  EXPECT_EQ(kb.Type({'B'}, 1001), 0);  // more than MaxInterval: a new sequence
  EXPECT_EQ(kb.Queue().Count(), 1);
  EXPECT_EQ(kb.Type({CtrlK}), 0);
  EXPECT_EQ(kb.Type({'B'}, 1000), cmMarkSelStart);  // exactly MaxInterval is still in time
  kb.Queue().SetMaxInterval(0);
  EXPECT_EQ(kb.Type({CtrlK}), 0);
  EXPECT_EQ(kb.Type({'B'}, 1000000), cmMarkSelStart);
  EXPECT_EQ(kb.Queue().LastKeyTime(), kb.Clock().Now());
}

TEST(KeyMapping, QueueSize) {
  auto map = DefaultCopy();
  Keyboard kb(*map);
  kb.Queue().SetMaxQueueSize(1);
  EXPECT_EQ(kb.Type({CtrlK, 'B'}), 0);
  EXPECT_EQ(kb.Queue().Count(), 1);
  EXPECT_EQ(kb.Queue().Keys(0), 'B');
  kb.Queue().SetMaxQueueSize(2);
  EXPECT_EQ(kb.Type({CtrlK, 'B'}), cmMarkSelStart);
  EXPECT_THROW(kb.Queue().Keys(2), EListError);
  EXPECT_THROW(kb.Queue().Keys(-1), EListError);
}

TEST(KeyQueue, KeepsNewestFirstAndRejectsBadSizes) {
  TManualClock clock;
  TScopedTickClock use(clock);
  TKeyQueue q;
  EXPECT_EQ(q.MaxInterval(), 1000u);
  EXPECT_EQ(q.MaxQueueSize(), 3);
  for (TShortCut k : {1, 2, 3, 4, 5}) q.Add(k);
  ASSERT_EQ(q.Count(), 3);
  EXPECT_EQ(q.Keys(0), 5);
  EXPECT_EQ(q.Keys(2), 3);
  for (int bad : {0, -1}) {
    try {
      q.SetMaxQueueSize(bad);
      ADD_FAILURE() << "no exception for " << bad;
    } catch (const Exception& e) {
      EXPECT_STREQ(e.what(), "MaxQueueSize should be greater 1");
    }
    EXPECT_EQ(q.MaxQueueSize(), 3);
  }
  q.SetMaxQueueSize(2);  // shrinking drops the oldest at once
  EXPECT_EQ(q.Count(), 2);
  EXPECT_EQ(q.Keys(1), 4);

  TKeyQueue copy;
  q.SetMaxInterval(250);
  copy.Assign(&q);
  EXPECT_EQ(copy.MaxInterval(), 250u);
  EXPECT_EQ(copy.MaxQueueSize(), 2);
  EXPECT_EQ(copy.Count(), 0);  // settings only
}

TEST(KeyMapping, LongestSequenceWinsAndEarlierItemOnTies) {
  TSyntKeyMapping map;
  map.AddCommand(10, u"c", 0, 'B', u"single", u"");
  map.AddCommand(20, u"c", 0, PackKeys(CtrlK, 'B'), u"pair", u"");
  map.AddCommand(30, u"c", 0, 'B', u"same single, later", u"");
  map.AddCommand(40, u"c", 'X', PackKeys(CtrlK, 'X'), u"both lengths in one item", u"");
  Keyboard kb(map);
  EXPECT_EQ(kb.Type({CtrlK, 'B'}), 20);
  EXPECT_EQ(kb.Type({'Q', 'B'}), 10);
  EXPECT_EQ(map.Items()->Items(3)->Match(kb.Queue(), false), 0);
  kb.Type({CtrlK, 'X'});
  EXPECT_EQ(map.Items()->Items(3)->Match(kb.Queue(), false), 2);
  kb.Type({'X'});
  EXPECT_EQ(map.Items()->Items(3)->Match(kb.Queue(), false), 1);
  EXPECT_EQ(map.BestItem(kb.Queue()), map.Items()->Items(3));
  kb.Queue().Clear();
  EXPECT_EQ(map.BestItem(kb.Queue()), nullptr);
}

TEST(KeyMapping, OptionalControlKeysIgnoreModifiers) {
  TSyntKeyMapping map;
  TqxCommandItem& item = *map.AddCommand(7, u"c", 0, vkF1 + 4, u"", u"");
  Keyboard kb(map);
  EXPECT_EQ(kb.Type({ShortCut(vkF1 + 4, scShift | scCtrl)}), 0);
  item.KeyStrokes()->Items(0)->KeyDefs()->Items(0)->SetOptionalControlKeys(true);
  EXPECT_EQ(kb.Type({ShortCut(vkF1 + 4, scShift | scCtrl | scAlt)}), 7);
  EXPECT_EQ(kb.Type({vkF1 + 5}), 0);
  // Only the low twelve bits take part.
  TKeyDef def;
  def.SetShortCut(0x0141);
  EXPECT_TRUE(def.Match(0x1141, true));
  EXPECT_FALSE(def.Match(0x1141, false));
  EXPECT_FALSE(def.Match(0x0241, true));
}

// The matcher against a straightforward model: a binding matches when the newest keys, read oldest
// first, spell it.
TEST(KeyMapping, RandomMappingsAgreeWithAModel) {
  std::mt19937 rng(7);
  const TShortCut alphabet[] = {
      'A', 'B', ShortCut('A', scCtrl), ShortCut('B', scShift), ShortCut('A', scCtrl | scAlt), vkF1};
  auto pick = [&] { return alphabet[rng() % 6]; };
  for (int round = 0; round < 300; ++round) {
    TSyntKeyMapping map;
    bool first_ctrl = rng() % 2;
    map.SetUseFirstControlKeys(first_ctrl);
    struct ModelStroke {
      std::vector<TShortCut> keys;
      std::vector<bool> optional;
    };
    std::vector<std::vector<ModelStroke>> model;
    int nitems = 1 + static_cast<int>(rng() % 6);
    for (int i = 0; i < nitems; ++i) {
      TqxCommandItem& item = *map.Items()->Add();
      item.SetCommand(i + 1);
      model.emplace_back();
      int nstrokes = static_cast<int>(rng() % 3);
      for (int s = 0; s < nstrokes; ++s) {
        ModelStroke ms;
        TKeyStroke& stroke = *item.KeyStrokes()->Add();
        int nkeys = static_cast<int>(rng() % 4);  // empty sequences never match
        for (int k = 0; k < nkeys; ++k) {
          TKeyDef& def = *stroke.KeyDefs()->Add(pick());
          def.SetOptionalControlKeys(rng() % 5 == 0);
          ms.keys.push_back(def.ShortCut());
          ms.optional.push_back(def.OptionalControlKeys());
        }
        model.back().push_back(ms);
      }
    }
    TManualClock clock;
    TScopedTickClock use(clock);
    TKeyQueue queue;
    queue.SetMaxQueueSize(1 + static_cast<int>(rng() % 4));
    std::vector<TShortCut> typed;  // oldest first, trimmed like the queue
    for (int step = 0; step < 20; ++step) {
      TShortCut k = pick();
      queue.Add(k);
      typed.push_back(k);
      if (typed.size() > static_cast<size_t>(queue.MaxQueueSize())) typed.erase(typed.begin());
      int want = 0;
      size_t best = 0;
      for (size_t i = 0; i < model.size(); ++i) {
        for (const ModelStroke& ms : model[i]) {
          size_t n = ms.keys.size();
          if (n == 0 || n > typed.size() || n <= best) continue;
          bool ok = true;
          for (size_t j = 0; j < n && ok; ++j) {
            TShortCut got = typed[typed.size() - n + j];
            bool loose = ms.optional[j] || (first_ctrl && j > 0);
            ok = loose ? (got & 0xFFF) == (ms.keys[j] & 0xFFF) : got == ms.keys[j];
          }
          if (ok) {
            best = n;
            want = static_cast<int>(i) + 1;
          }
        }
      }
      ASSERT_EQ(map.CommandFor(queue), want) << "round " << round << " step " << step;
    }
  }
}

// ---- items, index, hook, assignment

TEST(KeyMapping, AddCommandBuildsItems) {
  TSyntKeyMapping map;
  TqxCommandItem& none = *map.AddCommand(341, u"Inserting text", 0, -1, u"Insert", u"");
  EXPECT_FALSE(none.Customizable());
  EXPECT_EQ(none.KeyStrokes()->Count(), 0);
  TqxCommandItem& free = *map.AddCommand(8, u"c", 0, 0, u"End of line", u"End of Line");
  EXPECT_TRUE(free.Customizable());
  EXPECT_EQ(free.KeyStrokes()->Count(), 0);
  // An Alt key in the high half makes the packed value exceed the signed range; it stays a key.
  TShortCut alt_x = ShortCut('X', scAlt | scShift);
  TqxCommandItem& two = *map.AddCommand(9, u"c", PackKeys(CtrlK, alt_x), 'Q', u"", u"");
  EXPECT_EQ(Bindings(two), (std::vector<std::vector<TShortCut>>{{'Q'}, {CtrlK, alt_x}}));
  EXPECT_EQ(two.KeyStrokes()->Items(1)->DisplayName(), u"Ctrl+K \u00B7 Shift+Alt+X");
  EXPECT_EQ(two.Index(), 2);
}

TEST(KeyMapping, IndexFollowsEveryChange) {
  TSyntKeyMapping map;
  map.AddCommand(5, u"c", 0, 0, u"a", u"");
  map.AddCommand(3, u"c", 0, 0, u"b", u"");
  map.AddCommand(5, u"c", 0, 0, u"c", u"");
  EXPECT_EQ(map.ItemByCommand(5)->DisplayName(), u"a");  // the first of equal ids
  EXPECT_EQ(map.ItemByCommand(4), nullptr);
  map.Items()->Items(1)->SetCommand(4);
  EXPECT_EQ(map.ItemByCommand(3), nullptr);
  EXPECT_EQ(map.ItemByCommand(4)->DisplayName(), u"b");
  map.Items()->Delete(0);
  EXPECT_EQ(map.ItemByCommand(5)->DisplayName(), u"c");
  map.AddCommand(1, u"c", 0, 0, u"d", u"");
  EXPECT_EQ(map.ItemByCommand(1)->DisplayName(), u"d");
  // Inside an update bracket, where change reports wait, lookups still see every change.
  map.Items()->BeginUpdate();
  map.Items()->Items(0)->SetCommand(77);
  EXPECT_EQ(map.ItemByCommand(77), map.Items()->Items(0));
  map.Items()->Delete(0);
  EXPECT_EQ(map.ItemByCommand(77), nullptr);
  map.Items()->EndUpdate();
  map.Items()->Clear();
  EXPECT_EQ(map.ItemByCommand(1), nullptr);
  EXPECT_THROW(map.Items()->Items(0), EListError);
}

TEST(KeyMapping, CommandHookRaisesOnExecuteCommand) {
  TSyntKeyMapping map;
  TObject editor;
  int data = 0;
  EXPECT_FALSE(map.ExecuteCommandHook(&editor, cmPaste, &data));
  TObject* seen_sender = nullptr;
  int seen_cmd = 0;
  void* seen_data = nullptr;
  map.OnExecuteCommand = [&](TObject* sender, int cmd, void* d, bool& handled) {
    seen_sender = sender;
    seen_cmd = cmd;
    seen_data = d;
    handled = cmd == cmPaste;
  };
  EXPECT_TRUE(map.ExecuteCommandHook(&editor, cmPaste, &data));
  EXPECT_EQ(seen_sender, &editor);
  EXPECT_EQ(seen_cmd, cmPaste);
  EXPECT_EQ(seen_data, &data);
  EXPECT_FALSE(map.ExecuteCommandHook(&editor, cmCopy, nullptr));
}

TEST(KeyMapping, AssignCopiesDeeply) {
  TSyntKeyMapping a;
  a.AddCommand(1, u"cat", 0, PackKeys(CtrlK, 'B'), u"desc", u"&Cap");
  a.SetUseFirstControlKeys(true);
  TSyntKeyMapping b;
  b.AddCommand(99, u"x", 0, 0, u"", u"");
  b.Assign(&a);
  EXPECT_TRUE(b.UseFirstControlKeys());
  ASSERT_EQ(b.Items()->Count(), 1);
  TqxCommandItem& item = *b.Items()->Items(0);
  EXPECT_EQ(item.Caption(), u"&Cap");
  EXPECT_EQ(item.Category(), u"cat");
  EXPECT_EQ(item.DisplayName(), u"desc");
  EXPECT_EQ(b.ItemByCommand(99), nullptr);
  item.KeyStrokes()->Items(0)->KeyDefs()->Items(1)->SetShortCut('C');
  EXPECT_EQ(a.Items()->Items(0)->KeyStrokes()->Items(0)->DisplayName(), u"Ctrl+K \u00B7 B");
  // The copies belong to their new owners.
  EXPECT_EQ(item.Collection(), b.Items());
  EXPECT_EQ(item.KeyStrokes()->Items(0)->Collection(), item.KeyStrokes());
  EXPECT_EQ(item.KeyStrokes()->Items(0)->KeyDefs()->Items(0)->Collection(),
            item.KeyStrokes()->Items(0)->KeyDefs());
}

}  // namespace
}  // namespace synt
