// Components stored as files of the component text form: lexers, lexer libraries, style sets.
//
//   synt::TSyntAnalyzer lexer(nullptr);
//   lexer.LoadFromFile("pascal.lx");        // read errors go to OnReadError: "Ignore this error?"
//   lexer.SaveToFile("copy.lx");            // atomic; FileName() is "copy.lx" afterwards
//   lexer.LoadFromResourceName(0, "PASCAL", "LEXER");
//
// A component with an owner is written and read with the owner as root, so that references to the
// owner's other components are plain names. While a load is in progress anywhere, renaming a
// component to a name its owner already holds gives it the class name without its first letter and
// the first free number instead (SyntAnalyzer1); a component being loaded keeps its own name.
#pragma once

#include <cstdint>
#include <string>

#include "platform/component.h"

namespace synt {

class TReader;
class TStream;

class TLoadableComponent : public TComponent {
  SYNT_CLASS_INFO()

 public:
  explicit TLoadableComponent(TComponent* Owner);

  const std::string& FileName() const { return fileName_; }
  bool IsLoadingSelf() const { return loading_; }  // this component is being read
  bool IsSaving() const { return saving_; }        // this component is being written

  // Handled starts as the ignore-all flag; unless it is set, asks "Ignore this error?" with Yes,
  // No and All (All ignores every further error of this load).
  virtual void OnReadError(TReader& Reader, const std::string& Message, bool& Handled);
  virtual void SaveToFile(const std::string& FileName);
  virtual void SaveToStream(TStream& Stream);
  virtual void LoadFromFile(const std::string& FileName);
  virtual void LoadFromResourceID(uintptr_t Instance, int ResID, const std::string& ResType);
  virtual void LoadFromResourceName(uintptr_t Instance, const std::string& ResName,
                                    const std::string& ResType);
  // Reads the text from the stream's position to its end into this very component.
  virtual void LoadFromStream(TStream& Stream);

  // The stored text of this component, as SaveToStream writes it.
  std::string SaveToText();

  void SetName(const std::u16string& NewName) override;

  // Whether some loadable component is being loaded at this moment (any thread).
  static bool AnyLoading();

 protected:
  bool IgnoreAll() const { return ignoreAll_; }

 private:
  std::string fileName_;
  bool loading_ = false;
  bool saving_ = false;
  bool ignoreAll_ = false;
};

}  // namespace synt
