// The stored-form reader on arbitrary input: it never crashes or hangs, and whatever reads without
// error writes back, reads again to the same objects and writes the same text again.
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>

#include "analysis/lexer_library.h"
#include "platform/filer.h"
#include "platform/text_bytes.h"
#include "platform/utf.h"

namespace {

using namespace synt;

[[noreturn]] void Fail(const std::string& what, const std::string& a, const std::string& b) {
  std::cerr << what << "\n--- first ---\n" << a << "\n--- second ---\n" << b << "\n";
  std::abort();
}

std::unique_ptr<TComponent> Create(const std::u16string& text) {
  std::string cls;
  std::u16string name;
  const TClassInfo* info = nullptr;
  if (PeekObjectHeader(text, cls, name)) info = FindClass(cls);
  if (!info || !info->NewComponent() || !info->InheritsFrom(TLoadableComponent::StaticClassInfo()))
    info = &TSyntAnalyzer::StaticClassInfo();
  std::unique_ptr<TComponent> c(info->NewComponent()(nullptr));
  if (IsValidIdent(name)) c->SetName(name);
  return c;
}

// The state a read leaves, beyond the published properties of the root: a library's lexers.
bool SameObjects(TComponent* a, TComponent* b, std::string& where) {
  if (!EqualPublishedProperties(a, b, &where)) return false;
  auto* la = dynamic_cast<TSyntaxManager*>(a);
  auto* lb = dynamic_cast<TSyntaxManager*>(b);
  if (la && lb) {
    if (la->LexerCount() != lb->LexerCount()) {
      where = "lexer count";
      return false;
    }
    for (int i = 0; i < la->LexerCount(); ++i) {
      if (la->Lexers(i)->Name() != lb->Lexers(i)->Name() ||
          !EqualPublishedProperties(la->Lexers(i), lb->Lexers(i), &where)) {
        where = "lexer " + std::to_string(i) + " " + where;
        return false;
      }
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 32768) return 0;
  RegisterLexerClasses();
  std::u16string text =
      DecodeTextBytes(std::string_view(reinterpret_cast<const char*>(data), size));

  // The text form alone: what it parses formats back to text that parses to the same text.
  {
    std::vector<TTextError> errors;
    TTextObject obj = ParseObjectText(text, errors);
    std::string once = FormatObjectText(obj);
    std::vector<TTextError> errors2;
    std::string twice = FormatObjectText(ParseObjectText(Utf8ToUtf16(once), errors2));
    if (!obj.ClassName.empty() && twice != once) Fail("formatting is not stable", once, twice);
  }

  // Reading on past every error exercises the recovery paths.
  {
    auto root = Create(text);
    TReader r;
    r.OnError = [](TReader&, const std::string&, bool& handled) { handled = true; };
    try {
      r.ReadRootText(text, root.get());
    } catch (const Exception&) {
    }
    TWriter w;
    (void)w.WriteRootText(root.get());
  }

  // A strict read that succeeds must round-trip.
  auto first = Create(text);
  try {
    TReader r;
    r.ReadRootText(text, first.get());
  } catch (const Exception&) {
    return 0;
  }
  std::string written = TWriter().WriteRootText(first.get());
  auto second = Create(Utf8ToUtf16(written));
  try {
    TReader r;
    r.ReadRootText(Utf8ToUtf16(written), second.get());
  } catch (const Exception& e) {
    Fail(std::string("written text does not read back: ") + e.what(), written, "");
  }
  std::string where;
  if (!SameObjects(first.get(), second.get(), where))
    Fail("objects differ at " + where, written, TWriter().WriteRootText(second.get()));
  std::string again = TWriter().WriteRootText(second.get());
  if (again != written) Fail("second write differs", written, again);
  return 0;
}
