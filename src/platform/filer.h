// Reading and writing components in the stored text form (object_text.h), driven by the published
// property descriptions (properties.h).
//
//   // write
//   synt::TWriter w;
//   std::string text = w.WriteRootText(lexer);        // "object PascalAnalyzer: TSyntAnalyzer ..."
//
//   // read into an existing root
//   synt::TReader r;
//   r.OnError = [](synt::TReader&, const std::string& message, bool& handled) {
//     handled = AskUser(message);                      // true: skip this error and read on
//   };
//   r.ReadRootText(text, lexer);                        // EReadError when an error is not handled
//
//   // extra stored properties of a class:
//   void TKeyMapping::DefineProperties(synt::TFiler& Filer) {
//     TComponent::DefineProperties(Filer);
//     Filer.DefineProperty("KeyInfo",
//         [this](synt::TReader& r) {                  // KeyInfo = (1 2 3 ...)
//           r.ReadListBegin();
//           while (!r.EndOfList()) Use(r.ReadInteger());
//           r.ReadListEnd();
//         },
//         nullptr, false);                             // read only: never written
//   }
//
// Reading: properties are set in file order; nested objects are created through the class registry
// (owner: the parent's GetChildOwner(), else the root; parent link: SetParentComponent); component
// references are resolved by name after everything is read; then every component read gets
// Loaded(). Every error (syntax, unknown property, bad value, unknown class, unresolved reference)
// is offered to OnError with its line; unhandled, it ends the read with EReadError("Line <n>:
// <message>"). Loaded() runs even then, so that no component stays in its loading state.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/component.h"
#include "platform/object_text.h"
#include "platform/streams.h"

namespace synt {

class TReader;
class TWriter;

// What DefineProperties talks to: the reader offers a property's value to the matching definition,
// the writer asks each definition whether it has data and writes it.
class TFiler {
 public:
  virtual ~TFiler() = default;
  using TReaderProc = std::function<void(TReader& Reader)>;
  using TWriterProc = std::function<void(TWriter& Writer)>;
  using TStreamProc = std::function<void(TStream& Stream)>;
  // ReadData or WriteData may be null (a property only read, or only written).
  virtual void DefineProperty(const std::string& Name, TReaderProc ReadData, TWriterProc WriteData,
                              bool HasData) = 0;
  // Binary data, stored as "{ hex }".
  virtual void DefineBinaryProperty(const std::string& Name, TStreamProc ReadData,
                                    TStreamProc WriteData, bool HasData) = 0;
};

class TReader : public TFiler {
 public:
  TReader();
  ~TReader() override;

  // Reads the text into Root, which is also the lookup root for references and event handlers;
  // nested objects are owned by Root (or their parent's child owner).
  void ReadRootText(std::u16string_view Text, TComponent* Root);
  void ReadRoot(const TTextObject& Object, TComponent* Root);
  // Reads the text into Instance, with LookupRoot (its owner) as the root: references and handlers
  // are looked up there and nested objects are owned by it.
  void ReadComponentText(std::u16string_view Text, TComponent* Instance, TComponent* LookupRoot);
  void ReadComponent(const TTextObject& Object, TComponent* Instance, TComponent* LookupRoot);
  // Reads the properties of one persistent object (no header): used for property sub-trees.
  void ReadProperties(const std::vector<TTextProperty>& Props, TPersistent* Instance);

  // Called for each error: Handled starts false; set it to go on reading past the error.
  std::function<void(TReader& Reader, const std::string& Message, bool& Handled)> OnError;
  // Resolves a component name that is not found among the root, its components and the components
  // read so far (a global lookup of the application). May be null.
  std::function<TComponent*(std::string_view Name)> OnFindComponent;

  TComponent* Root() const { return root_; }
  // The components read so far, in reading order (the root or instance first).
  const std::vector<TComponent*>& LoadedComponents() const { return loaded_; }
  // Raises the error at Line through OnError (returns when handled).
  void Error(const std::string& Message, int Line);

  // --- the value being read, for DefineProperties readers ---
  TValueKind NextValue() const;  // raises "Invalid property value" at the end of a list
  bool EndOfList() const;
  void ReadListBegin();
  void ReadListEnd();
  int64_t ReadInteger();
  double ReadFloat();
  bool ReadBoolean();
  std::u16string ReadString();
  std::string ReadIdent();
  const TTextValue& ReadValue();  // any value, as parsed
  void SkipValue();
  // A collection value "<item ... end>" into Collection (cleared first).
  void ReadCollectionValue(class TCollection* Collection);

  void DefineProperty(const std::string& Name, TReaderProc ReadData, TWriterProc WriteData,
                      bool HasData) override;
  void DefineBinaryProperty(const std::string& Name, TStreamProc ReadData, TStreamProc WriteData,
                            bool HasData) override;

 private:
  struct TFixup;
  struct TFrame;
  struct TWatch;
  void Begin(TComponent* Root, TComponent* Instance);
  void Finish(bool Ok);
  void ReadObjectBody(const TTextObject& Object, TComponent* Instance);
  void ReadChild(const TTextObject& Object, TComponent* Parent);
  void ReadProperty(TPersistent* Instance, const TTextProperty& Prop);
  void SetValue(TPersistent* Instance, const struct TPropInfo& Prop, const TTextValue& Value,
                const std::string& Path, int Line);
  void ReadCollection(class TCollection* Collection, const TTextValue& Value);
  TComponent* FindComponentByName(std::string_view Name) const;
  void ResolveFixups();
  const TTextValue& Current() const;
  void Advance();
  std::string ErrorPath(TPersistent* Instance, const std::string& Path) const;

  TComponent* root_ = nullptr;
  TComponent* owner_ = nullptr;
  TComponent* instance_ = nullptr;
  std::string instanceName_;  // the name in the text, for messages when the instance has none
  std::vector<TComponent*> loaded_;
  std::vector<TFixup> fixups_;
  std::vector<TFrame> frames_;
  // Looking for a defined property: its name, and whether a definition matched.
  const std::string* defining_ = nullptr;
  const TTextValue* definedValue_ = nullptr;
  bool definedFound_ = false;
  std::unique_ptr<TWatch> watch_;
};

class TWriter : public TFiler {
 public:
  TWriter();
  ~TWriter() override;

  // The root component with everything it writes as children.
  TTextObject WriteRoot(TComponent* Root);
  std::string WriteRootText(TComponent* Root) { return FormatObjectText(WriteRoot(Root)); }
  // Instance written with LookupRoot (its owner) as root: references to LookupRoot's components
  // are written by plain name.
  TTextObject WriteComponent(TComponent* Instance, TComponent* LookupRoot);
  // The property lines of one persistent object.
  void WriteProperties(TPersistent* Instance, const std::string& Prefix,
                       std::vector<TTextProperty>& Out);

  TComponent* Root() const { return root_; }

  // --- building the value of a defined property ---
  void WriteListBegin();
  void WriteListEnd();
  void WriteInteger(int64_t V);
  void WriteFloat(double V);
  void WriteBoolean(bool V);
  void WriteString(std::u16string_view V);
  void WriteIdent(std::string_view V);
  void WriteValue(TTextValue V);

  void DefineProperty(const std::string& Name, TReaderProc ReadData, TWriterProc WriteData,
                      bool HasData) override;
  void DefineBinaryProperty(const std::string& Name, TStreamProc ReadData, TStreamProc WriteData,
                            bool HasData) override;

 private:
  TTextObject WriteObject(TComponent* Instance);
  std::string ReferenceName(TComponent* Component) const;
  void Emit(TTextValue V);

  TComponent* root_ = nullptr;
  std::vector<TTextProperty>* out_ = nullptr;
  std::string prefix_;
  std::vector<TTextValue> stack_;  // the value being built; nested lists on top
};

// The application's lookup of components outside the one being read (other forms): used for a
// reference that names none of the root, its components and the components read so far.
void SetGlobalComponentFinder(std::function<TComponent*(std::string_view Name)> Finder);

// The handler name recorded for an event property when it was read (written back while the event
// is assigned). Setting an empty name forgets it.
std::string HandlerName(const TPersistent* Instance, std::string_view Event);
void SetHandlerName(TPersistent* Instance, std::string_view Event, std::string Name);

}  // namespace synt
