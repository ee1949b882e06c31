#include "platform/filer.h"

#include <gtest/gtest.h>

#include "platform/collection.h"
#include "platform/graphics.h"
#include "platform/properties.h"
#include "platform/strings.h"
#include "platform/utf.h"

namespace synt {
namespace {

enum TShape { shSquare, shCircle, shStar };
const TEnumInfo& ShapeInfo() {
  static const TEnumInfo info{"TShape", {"shSquare", "shCircle", "shStar"}};
  return info;
}
using TShapes = TSet<TShape>;

class TPart : public TCollectionItem {
  SYNT_CLASS_INFO()
 public:
  using TCollectionItem::TCollectionItem;
  int Size() const { return size_; }
  void SetSize(int v) { size_ = v; }
  const std::u16string& Label() const { return label_; }
  void SetLabel(const std::u16string& v) { label_ = v; }
  TFont* Font() const { return font_.get(); }

 private:
  int size_ = 1;
  std::u16string label_;
  std::unique_ptr<TFont> font_ = std::make_unique<TFont>();
};

void DescribePart(TPropertyList& L) {
  TPropsOf<TPart> p(L);
  p.Integer("Size", &TPart::Size, &TPart::SetSize).Def(1);
  p.String("Label", &TPart::Label, &TPart::SetLabel);
  p.Object("Font", &TPart::Font);
}
const TClassInfo& TPart::StaticClassInfo() {
  static const TClassInfo info("TPart", &TCollectionItem::StaticClassInfo(), DescribePart, nullptr,
                               TClassInfo::ItemFactory<TPart>);
  return info;
}

// Every kind of property, a defined list and binary data, and owned children written as objects.
class TSample : public TComponent {
  SYNT_CLASS_INFO()
 public:
  explicit TSample(TComponent* Owner) : TComponent(Owner) { names_->Add(u"default one"); }
  int Count() const { return count_; }
  void SetCount(int v) { count_ = v; }
  int64_t Big() const { return big_; }
  void SetBig(int64_t v) { big_ = v; }
  uint32_t Mask() const { return mask_; }
  void SetMask(uint32_t v) { mask_ = v; }
  bool Flag() const { return flag_; }
  void SetFlag(bool v) { flag_ = v; }
  TShape Shape() const { return shape_; }
  void SetShape(TShape v) { shape_ = v; }
  TShapes Shapes() const { return shapes_; }
  void SetShapes(TShapes v) { shapes_ = v; }
  double Ratio() const { return ratio_; }
  void SetRatio(double v) { ratio_ = v; }
  const std::u16string& Title() const { return title_; }
  void SetTitle(const std::u16string& v) { title_ = v; }
  const std::u16string& Prompt() const { return prompt_; }
  void SetPrompt(const std::u16string& v) { prompt_ = v; }
  TColor Color() const { return color_; }
  void SetColor(TColor v) { color_ = v; }
  TFontCharset Charset() const { return charset_; }
  void SetCharset(TFontCharset v) { charset_ = v; }
  TFont* Font() const { return font_.get(); }
  TPen* Pen() const { return pen_.get(); }
  TStringList* Names() const { return names_.get(); }
  TCollection* Parts() const { return parts_.get(); }
  TSample* Buddy() const { return buddy_; }
  void SetBuddy(TSample* v) {
    if (buddy_) buddy_->RemoveFreeNotification(this);
    buddy_ = v;
    if (v) v->FreeNotification(this);
  }
  TNotifyEvent OnPing;
  std::vector<int64_t> Legacy;
  std::string Blob;
  bool WithChildren = true;

  void GetChildren(const std::function<void(TComponent*)>& Proc, TComponent*) override {
    if (!WithChildren) return;
    for (int i = 0; i < ComponentCount(); ++i) Proc(Components(i));
  }
  TComponent* GetChildOwner() override { return this; }
  void DefineProperties(TFiler& Filer) override {
    TComponent::DefineProperties(Filer);
    Filer.DefineProperty(
        "Legacy",
        [this](TReader& r) {
          Legacy.clear();
          r.ReadListBegin();
          while (!r.EndOfList()) Legacy.push_back(r.ReadInteger());
          r.ReadListEnd();
        },
        [this](TWriter& w) {
          w.WriteListBegin();
          for (int64_t v : Legacy) w.WriteInteger(v);
          w.WriteListEnd();
        },
        !Legacy.empty());
    Filer.DefineBinaryProperty(
        "Blob", [this](TStream& s) { Blob = s.ReadAll(); },
        [this](TStream& s) { s.WriteString(Blob); }, !Blob.empty());
  }

 protected:
  void Notification(TComponent* c, TOperation op) override {
    TComponent::Notification(c, op);
    if (op == opRemove && c == buddy_) buddy_ = nullptr;
  }

 private:
  int count_ = 0;
  int64_t big_ = 0;
  uint32_t mask_ = 0;
  bool flag_ = true;
  TShape shape_ = shSquare;
  TShapes shapes_{shCircle};
  double ratio_ = 0;
  std::u16string title_;
  std::u16string prompt_ = u"Replace '%s'?";
  TColor color_ = clWindow;
  TFontCharset charset_ = DEFAULT_CHARSET;
  std::unique_ptr<TFont> font_ = std::make_unique<TFont>();
  std::unique_ptr<TPen> pen_ = std::make_unique<TPen>();
  std::unique_ptr<TStringList> names_ = std::make_unique<TStringList>();
  std::unique_ptr<TCollection> parts_ =
      std::make_unique<TCollection>(TPart::StaticClassInfo(), this);
  TSample* buddy_ = nullptr;
};

void DescribeSample(TPropertyList& L) {
  TPropsOf<TSample> p(L);
  p.Integer("Count", &TSample::Count, &TSample::SetCount);  // no default: always written
  p.Integer("Big", &TSample::Big, &TSample::SetBig).Def(0);
  p.Integer("Mask", &TSample::Mask, &TSample::SetMask).Def(0);
  p.Boolean("Flag", &TSample::Flag, &TSample::SetFlag).Def(true);
  p.Enum("Shape", &TSample::Shape, &TSample::SetShape, ShapeInfo()).Def(shSquare);
  p.Set("Shapes", &TSample::Shapes, &TSample::SetShapes, ShapeInfo()).Def(TShapes{shCircle});
  p.Float("Ratio", &TSample::Ratio, &TSample::SetRatio).Def(0.0);
  p.String("Title", &TSample::Title, &TSample::SetTitle);
  p.String("Prompt", &TSample::Prompt, &TSample::SetPrompt).Def(u"Replace '%s'?");
  p.Ident("Color", &TSample::Color, &TSample::SetColor, ColorIdents()).Def(clWindow);
  p.Ident("Charset", &TSample::Charset, &TSample::SetCharset, CharsetIdents());
  p.Object("Font", &TSample::Font);
  p.Object("Pen", &TSample::Pen);
  p.Object("Names", &TSample::Names).Always();
  p.Object("Parts", &TSample::Parts);
  p.Component("Buddy", &TSample::Buddy, &TSample::SetBuddy);
  p.Event("OnPing", &TSample::OnPing);
}
const TClassInfo& TSample::StaticClassInfo() {
  static const TClassInfo info("TSample", &TComponent::StaticClassInfo(), DescribeSample,
                               TClassInfo::ComponentFactory<TSample>);
  return info;
}

struct Registered {
  Registered() { RegisterClass(TSample::StaticClassInfo()); }
} registered;

std::string Write(TComponent* c) {
  TWriter w;
  return w.WriteRootText(c);
}

TEST(Filer, DefaultsAreLeftOutAndUndeclaredOnesWritten) {
  TSample s(nullptr);
  s.SetName(u"Sample1");
  EXPECT_EQ(Write(&s),
            "object Sample1: TSample\n"
            "  Count = 0\n"
            "  Charset = DEFAULT_CHARSET\n"
            "  Font.Charset = DEFAULT_CHARSET\n"
            "  Font.Color = clWindowText\n"
            "  Font.Height = -13\n"
            "  Font.Name = 'Courier New'\n"
            "  Font.Style = []\n"
            "  Names.Strings = (\n"
            "    'default one')\n"
            "  Parts = <>\n"
            "end\n");
  s.Names()->Clear();  // a list whose default is not empty is written even when empty
  EXPECT_NE(Write(&s).find("  Names.Strings = ()\n"), std::string::npos);
}

// Builds a sample with every property away from its default.
void Fill(TSample& s, TComponent& form) {
  s.SetCount(-7);
  s.SetBig(INT64_MIN);
  s.SetMask(0xFFFFFFFFu);
  s.SetFlag(false);
  s.SetShape(shStar);
  s.SetShapes({shSquare, shStar});
  s.SetRatio(0.1);
  s.SetTitle(
      u"It's \u00e9t\u00e9 \u2014 \U0001F600\ttab\r\nand a line that is long enough to be split "
      u"into two pieces at least");
  s.SetPrompt(u"");
  s.SetColor(TColor(0xFF00001F));  // a system colour without a name
  s.SetCharset(RUSSIAN_CHARSET);
  s.Font()->SetStyle({fsBold, fsUnderline});
  s.Font()->SetColor(clRed);
  s.Font()->SetName(u"Times \u00c9");
  s.Pen()->SetWidth(3);
  s.Pen()->SetStyle(psDot);
  s.Names()->SetText(u"one\n'two'\n\n#3");
  auto* a = static_cast<TPart*>(s.Parts()->Add());
  a->SetSize(5);
  a->SetLabel(u"first");
  a->Font()->SetHeight(-20);
  s.Parts()->Add();
  s.Legacy = {1, -2, 3};
  s.Blob = std::string("\x00\x01\xFE\xFF", 4) + std::string(40, 'x');
  auto* child = new TSample(&s);
  child->SetName(u"Child");
  child->SetTitle(u"nested");
  child->SetBuddy(&s);  // a reference to the root
  s.SetBuddy(child);    // a forward reference, resolved after reading
  SetHandlerName(&s, "OnPing", "SamplePing");
  (void)form;
}

void ExpectSame(const TSample& a, const TSample& b) {
  EXPECT_EQ(a.Count(), b.Count());
  EXPECT_EQ(a.Big(), b.Big());
  EXPECT_EQ(a.Mask(), b.Mask());
  EXPECT_EQ(a.Flag(), b.Flag());
  EXPECT_EQ(a.Shape(), b.Shape());
  EXPECT_EQ(a.Shapes(), b.Shapes());
  EXPECT_EQ(a.Ratio(), b.Ratio());
  EXPECT_EQ(a.Title(), b.Title());
  EXPECT_EQ(a.Prompt(), b.Prompt());
  EXPECT_EQ(a.Color(), b.Color());
  EXPECT_EQ(a.Charset(), b.Charset());
  EXPECT_TRUE(a.Font()->Equals(*b.Font()));
  EXPECT_TRUE(a.Pen()->Equals(*b.Pen()));
  EXPECT_TRUE(a.Names()->Equals(*b.Names()));
  ASSERT_EQ(a.Parts()->Count(), b.Parts()->Count());
  for (int i = 0; i < a.Parts()->Count(); ++i) {
    auto* pa = static_cast<TPart*>(a.Parts()->Items(i));
    auto* pb = static_cast<TPart*>(b.Parts()->Items(i));
    EXPECT_EQ(pa->Size(), pb->Size());
    EXPECT_EQ(pa->Label(), pb->Label());
    EXPECT_TRUE(pa->Font()->Equals(*pb->Font()));
  }
  EXPECT_EQ(a.Legacy, b.Legacy);
  EXPECT_EQ(a.Blob, b.Blob);
  EXPECT_EQ(a.Buddy() != nullptr, b.Buddy() != nullptr);
  if (a.Buddy() && b.Buddy()) {
    EXPECT_EQ(a.Buddy()->Name(), b.Buddy()->Name());
  }
}

TEST(Filer, EveryKindOfPropertyRoundTripsToIdenticalText) {
  TComponent form1(nullptr), form2(nullptr);
  int pings = 0;
  for (TComponent* f : {&form1, &form2})
    f->RegisterHandler("SamplePing", TNotifyEvent([&](TObject*) { ++pings; }));
  auto* s = new TSample(&form1);
  s->SetName(u"Sample1");
  Fill(*s, form1);
  TWriter w;
  std::string text = FormatObjectText(w.WriteComponent(s, &form1));

  auto* t = new TSample(&form2);
  TReader r;
  r.ReadComponentText(Utf8ToUtf16(text), t, &form2);
  EXPECT_EQ(t->Name(), u"Sample1");
  ExpectSame(*s, *t);
  ASSERT_EQ(t->ComponentCount(), 1);
  auto* child = static_cast<TSample*>(t->Components(0));
  EXPECT_EQ(child->Buddy(), t);  // reference to an object read earlier
  EXPECT_EQ(t->Buddy(), child);  // forward reference "Sample1.Child"
  ASSERT_TRUE(t->OnPing);
  t->OnPing(t);
  EXPECT_EQ(pings, 1);
  EXPECT_FALSE(t->IsLoading());
  EXPECT_FALSE(child->IsLoading());

  TWriter w2;
  EXPECT_EQ(FormatObjectText(w2.WriteComponent(t, &form2)), text);
  // The file is plain ASCII, and the long title is split.
  for (char c : text) EXPECT_TRUE(c == '\n' || (c >= 32 && c < 127));
  EXPECT_NE(
      text.find(
          "  Title = 'It''s '#233't'#233' '#8212' '#55357#56832#9'tab'#13#10'and a line that"),
      std::string::npos)
      << text;
  EXPECT_NE(text.find(" +\n    '"), std::string::npos);
  EXPECT_NE(text.find("  Color = -16777185\n"), std::string::npos);
  EXPECT_NE(text.find("  Big = -9223372036854775808\n"), std::string::npos);
  EXPECT_NE(text.find("  Mask = 4294967295\n"), std::string::npos);
  EXPECT_NE(text.find("  Prompt = ''\n"), std::string::npos);
  EXPECT_NE(text.find("  Shapes = [shSquare, shStar]\n"), std::string::npos);
  EXPECT_NE(text.find("  Legacy = (\n    1\n    -2\n    3)\n"), std::string::npos);
  EXPECT_NE(text.find("  Blob = {\n    0001FEFF7878"), std::string::npos);
  EXPECT_NE(text.find("  Buddy = Sample1.Child\n"), std::string::npos);
  EXPECT_NE(text.find("  OnPing = SamplePing\n"), std::string::npos);
  EXPECT_NE(text.find("  object Child: TSample\n"), std::string::npos);
}

// Collects errors, answering from a script: true = ignore and read on.
struct ErrorLog {
  std::vector<std::string> Messages;
  std::vector<bool> Answers;
  bool Fallback = true;
  void Attach(TReader& r) {
    r.OnError = [this](TReader&, const std::string& m, bool& handled) {
      handled = Messages.size() < Answers.size() ? Answers[Messages.size()] : Fallback;
      Messages.push_back(m);
    };
  }
};

TEST(Filer, ErrorsCarryTheirLineAndCanBeIgnored) {
  std::u16string text =
      u"object S: TSample\n"
      u"  Count = 3\n"
      u"  Nonsense = 1\n"
      u"  Shape = shHexagon\n"
      u"  Flag = 'yes'\n"
      u"  Font.Bogus = 2\n"
      u"  Title = 'unterminated\n"
      u"  Big = 12\n"
      u"  Parts = <\n"
      u"    item\n"
      u"      Size = 4\n"
      u"      Weight = 9\n"
      u"    end>\n"
      u"  object X: TUnknownThing\n"
      u"    Count = 1\n"
      u"  end\n"
      u"  Buddy = Nobody\n"
      u"  OnPing = NoSuchHandler\n"
      u"end\n";
  TSample s(nullptr);
  TReader r;
  ErrorLog log;
  log.Attach(r);
  r.ReadRootText(text, &s);
  EXPECT_EQ(log.Messages,
            (std::vector<std::string>{
                "Line 3: Error reading S.Nonsense: Property Nonsense does not exist",
                "Line 4: Error reading S.Shape: Invalid property value",
                "Line 5: Error reading S.Flag: Invalid property value",
                "Line 6: Error reading S.Font.Bogus: Property Font.Bogus does not exist",
                "Line 7: Unterminated string",
                "Line 12: Error reading S.Parts[0].Weight: Property Weight does not exist",
                "Line 18: Error reading S.OnPing: Event handler NoSuchHandler not found",
                "Line 14: Class TUnknownThing not found",
                "Line 17: Error reading S.Buddy: Unresolved reference to 'Nobody'",
            }));
  // Everything around the errors was read.
  EXPECT_EQ(s.Count(), 3);
  EXPECT_EQ(s.Big(), 12);
  ASSERT_EQ(s.Parts()->Count(), 1);
  EXPECT_EQ(static_cast<TPart*>(s.Parts()->Items(0))->Size(), 4);
  EXPECT_EQ(s.ComponentCount(), 0);
  EXPECT_FALSE(s.IsLoading());
  // The handler name is kept for writing although the handler was missing.
  EXPECT_NE(Write(&s).find("OnPing = NoSuchHandler"), std::string::npos);
}

TEST(Filer, AnUnhandledErrorStopsTheReadButLeavesTheObjectUsable) {
  std::u16string text =
      u"object S: TSample\n"
      u"  Count = 3\n"
      u"  Nonsense = 1\n"
      u"  Big = 12\n"
      u"end\n";
  TSample s(nullptr);
  TReader r;
  try {
    r.ReadRootText(text, &s);
    FAIL();
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Line(), 3);
    EXPECT_STREQ(e.what(), "Line 3: Error reading S.Nonsense: Property Nonsense does not exist");
  }
  EXPECT_EQ(s.Count(), 3);
  EXPECT_EQ(s.Big(), 0);
  EXPECT_FALSE(s.IsLoading());
}

TEST(Filer, MissingEndAndGarbageAreReported) {
  TSample s(nullptr);
  TReader r;
  ErrorLog log;
  log.Attach(r);
  r.ReadRootText(u"object S: TSample\n  Count = 1\n  ) 5 =\n  Big = 2\n", &s);
  EXPECT_EQ(log.Messages, (std::vector<std::string>{
                              "Line 3: Identifier expected but ')' found",
                              "Line 4: 'end' expected but end of file found",
                          }));
  EXPECT_EQ(s.Big(), 2);
  EXPECT_THROW(r.ReadRootText(u"garbage", &s), EReadError);
  EXPECT_THROW(r.ReadRootText(u"", &s), EReadError);
}

TEST(Filer, ReadsWhatOtherWritersProduce) {
  // Hexadecimal, unsigned system colours, #$ codes, pieces joined across lines, a sized item index,
  // the Size of a font, case-insensitive names, CR LF lines, a UTF-8 literal.
  std::u16string text =
      u"OBJECT S: tsample\r\n"
      u"  count = $10\r\n"
      u"  Color = $FF00000D\r\n"
      u"  Title = 'a'#$41 +\r\n"
      u"     'b' + #66\r\n"
      u"  Font.Size = 12\r\n"
      u"  Font.Style = [FSBOLD]\r\n"
      u"  Ratio = 2.5E-1\r\n"
      u"  Parts = <\r\n"
      u"    [0] item\r\n"
      u"      Label = 'gr\u00fc\u00df'\r\n"
      u"    end>\r\n"
      u"end\r\n";
  TSample s(nullptr);
  TReader r;
  r.ReadRootText(text, &s);
  EXPECT_EQ(s.Count(), 16);
  EXPECT_EQ(s.Color(), clHighlight);
  EXPECT_EQ(s.Title(), u"aAbB");
  EXPECT_EQ(s.Font()->Height(), -16);
  EXPECT_EQ(s.Font()->Style(), TFontStyles{fsBold});
  EXPECT_EQ(s.Ratio(), 0.25);
  EXPECT_EQ(static_cast<TPart*>(s.Parts()->Items(0))->Label(), u"gr\u00fc\u00df");
  std::string out = Write(&s);
  EXPECT_NE(out.find("  Color = clHighlight\n"), std::string::npos);
  EXPECT_NE(out.find("      Label = 'gr'#252#223\n"), std::string::npos);
}

TEST(Filer, OnlyChildrenThatAreWrittenBackAreRead) {
  std::u16string text =
      u"object S: TSample\n"
      u"  object C: TSample\n"
      u"    Count = 1\n"
      u"  end\n"
      u"  Count = 2\n"
      u"end\n";
  TSample s(nullptr);
  s.WithChildren = false;  // it would not write C back: reading C would lose it on the next save
  TReader r;
  ErrorLog log;
  log.Attach(r);
  r.ReadRootText(text, &s);
  EXPECT_EQ(
      log.Messages,
      (std::vector<std::string>{"Line 2: Error reading S.TSample: a TSample holds no TSample"}));
  EXPECT_EQ(s.ComponentCount(), 0);
  EXPECT_EQ(s.Count(), 2);
  // A plain component as root holds what it owns (a form stand-in).
  TComponent form(nullptr);
  TReader r2;
  r2.ReadRootText(u"object F: TComponent\n  object C: TSample\n  end\nend\n", &form);
  EXPECT_NE(form.FindComponent(u"C"), nullptr);
  EXPECT_NE(Write(&form).find("  object C: TSample\n"), std::string::npos);
}

TEST(Filer, ObjectsFreedDuringTheReadAreForgotten) {
  // The second Parts value frees the items the first one made, one of which holds a pending
  // reference (here: an item font cannot hold one, so use a child whose reference is pending and
  // which a later object with the same name replaces).
  std::u16string text =
      u"object S: TSample\n"
      u"  Parts = <\n"
      u"    item\n"
      u"    end>\n"
      u"  Parts = <>\n"
      u"  object C: TSample\n"
      u"    Buddy = S\n"
      u"    Nonsense = 1\n"
      u"  end\n"
      u"end\n";
  TSample s(nullptr);
  TReader r;
  r.OnError = [](TReader&, const std::string&, bool& handled) { handled = false; };
  EXPECT_THROW(r.ReadRootText(text, &s), EReadError);  // the child is freed with its fixup
  EXPECT_EQ(s.ComponentCount(), 0);
  EXPECT_EQ(s.Parts()->Count(), 0);
}

}  // namespace
}  // namespace synt
