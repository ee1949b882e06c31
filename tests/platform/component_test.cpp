#include "platform/component.h"

#include <gtest/gtest.h>

#include "platform/properties.h"

namespace synt {
namespace {

// Records every notification and clears its reference when that component goes.
class TWatcher : public TComponent {
 public:
  explicit TWatcher(TComponent* Owner, std::vector<std::string>* Log = nullptr)
      : TComponent(Owner), log(Log) {}
  void Watch(TComponent* c) {
    if (target) target->RemoveFreeNotification(this);
    target = c;
    if (c) c->FreeNotification(this);
  }
  TComponent* target = nullptr;
  std::vector<std::string>* log;

 protected:
  void Notification(TComponent* c, TOperation op) override {
    TComponent::Notification(c, op);
    if (log) log->push_back((op == opInsert ? "insert " : "remove ") + std::to_string(c == target));
    if (op == opRemove && c == target) target = nullptr;
  }
};

TEST(Component, OwnerFreesWhatItOwns) {
  int destroyed = 0, flagged = 0;
  struct TCounted : TComponent {
    TCounted(TComponent* o, int& n, int& f) : TComponent(o), n(n), f(f) {}
    ~TCounted() override {
      f += IsDestroying();  // set by an owner before it frees what it owns
      ++n;
    }
    int& n;
    int& f;
  };
  {
    TComponent form(nullptr);
    auto* a = new TCounted(&form, destroyed, flagged);
    auto* b = new TCounted(a, destroyed, flagged);  // owned by a, freed with it
    (void)b;
    new TCounted(&form, destroyed, flagged);
    EXPECT_EQ(form.ComponentCount(), 2);
    EXPECT_EQ(a->ComponentIndex(), 0);
    delete a;  // leaves its owner
    EXPECT_EQ(destroyed, 2);
    EXPECT_EQ(flagged, 1);  // b, freed by a; a itself was deleted directly
    EXPECT_EQ(form.ComponentCount(), 1);
  }
  EXPECT_EQ(destroyed, 3);
  EXPECT_EQ(flagged, 2);
}

TEST(Component, NamesAreIdentifiersUniqueWithinTheOwner) {
  TComponent form(nullptr);
  auto* a = new TComponent(&form);
  auto* b = new TComponent(&form);
  a->SetName(u"Lexer1");
  EXPECT_EQ(form.FindComponent(u"LEXER1"), a);
  try {
    b->SetName(u"lexer1");
    FAIL();
  } catch (const EComponentError& e) {
    EXPECT_STREQ(e.what(), "A component named lexer1 already exists");
  }
  try {
    b->SetName(u"1abc");
    FAIL();
  } catch (const EComponentError& e) {
    EXPECT_STREQ(e.what(), "'1abc' is not a valid component name");
  }
  a->SetName(u"LEXER1");  // a case change of its own name is fine
  EXPECT_EQ(a->Name(), u"LEXER1");
  b->SetName(u"");
  a->SetName(u"");
  EXPECT_EQ(form.FindComponent(u""), nullptr);

  // Inserting a component whose name is taken is refused too.
  auto* c = new TComponent(nullptr);
  c->SetName(u"Other");
  b->SetName(u"Other");
  EXPECT_THROW(form.InsertComponent(c), EComponentError);
  EXPECT_EQ(c->Owner(), nullptr);
  delete c;
}

TEST(Component, FreeNotificationClearsReferencesBothWays) {
  std::vector<std::string> log;
  auto* w = new TWatcher(nullptr, &log);
  auto* t = new TComponent(nullptr);
  w->Watch(t);
  delete t;
  EXPECT_EQ(w->target, nullptr);
  EXPECT_EQ(log, (std::vector<std::string>{"remove 1"}));

  // The link is mutual: destroying the watcher first leaves nothing dangling in the target.
  auto* t2 = new TWatcher(nullptr);
  w->Watch(t2);
  t2->Watch(w);
  delete w;
  EXPECT_EQ(t2->target, nullptr);
  delete t2;

  // Removing the notification stops it.
  auto* w3 = new TWatcher(nullptr, &log);
  auto* t3 = new TComponent(nullptr);
  w3->Watch(t3);
  w3->Watch(nullptr);
  log.clear();
  delete t3;
  EXPECT_TRUE(log.empty());
  delete w3;
}

TEST(Component, OwnerBroadcastsInsertAndRemoveToWhatItOwns) {
  std::vector<std::string> log;
  TComponent form(nullptr);
  new TWatcher(&form, &log);
  auto* other = new TComponent(&form);
  EXPECT_EQ(log, (std::vector<std::string>{"insert 0"}));
  form.RemoveComponent(other);
  EXPECT_EQ(log.back(), "remove 0");
  EXPECT_EQ(other->Owner(), nullptr);
  delete other;
}

TEST(Component, HandlersAreFoundByNameWithoutCase) {
  TComponent form(nullptr);
  int calls = 0;
  form.RegisterHandler("btnCloseClick", TNotifyEvent([&](TObject*) { ++calls; }));
  const std::any* h = form.FindHandler("BTNCLOSECLICK");
  ASSERT_NE(h, nullptr);
  std::any_cast<TNotifyEvent> (*h)(nullptr);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(form.FindHandler("nope"), nullptr);
}

TEST(Component, TagIsThePublishedBaseProperty) {
  const TClassInfo& info = TComponent::StaticClassInfo();
  ASSERT_EQ(info.Properties().size(), 1u);
  const TPropInfo* tag = info.FindProperty("tag");
  ASSERT_NE(tag, nullptr);
  TComponent c(nullptr);
  EXPECT_TRUE(tag->IsDefault(&c));
  tag->SetOrd(&c, 42);
  EXPECT_EQ(c.Tag(), 42);
  EXPECT_FALSE(tag->IsDefault(&c));
}

}  // namespace
}  // namespace synt
