// HTML export: a standalone UTF-8 page with the text in a <pre>, each look the editor paints as
// one CSS class of a <style> block, on the same runs as the RTF export.
//
//   synt::THTMLSyntExport html(nullptr);
//   html.SetSyntMemo(&memo);
//   html.SetTitle(u"unit1.pas");
//   html.SetExportType(synt::etAllText);
//   html.SaveToStream(stream);
//
// Every character of the text is kept: &, <, >, " and ' are written as references, everything
// else as UTF-8 (an unpaired surrogate, which UTF-8 cannot carry, as U+FFFD).
#pragma once

#include <string>
#include <vector>

#include "print/synt_export.h"

namespace synt {

class THTMLSyntExport : public TBaseFormattedExport {
  SYNT_CLASS_INFO()

 public:
  explicit THTMLSyntExport(TComponent* Owner);

  // The page's title (the <title> element).
  const std::u16string& Title() const { return title_; }
  void SetTitle(const std::u16string& Value) { title_ = Value; }

 protected:
  int NextRun(int& Pos) override;
  void BeginExport() override;
  void EndExport() override;
  void EmitText(std::u16string_view Text) override;
  void LineBreak() override;
  std::string Header() const override;
  void AppendBody(std::string& Out) const override { Out += body_; }
  std::string Footer() const override;

 private:
  struct TClass {
    TRunFormat Look;
    std::u16string FontName;  // Look.FontName points here
    std::u16string StyleName;
  };
  // The class of a look (-1: the editor's own look, no class).
  int ClassOf(const TRunFormat& F);

  std::u16string title_;
  std::string body_;
  TRunFormat base_;
  std::u16string baseFont_;
  std::vector<TClass> classes_;
  int lastClass_ = -1;  // the class ClassOf found last (most runs repeat a recent look)
  int pending_ = -1;    // the class of the run being emitted
  int open_ = -1;       // the class of the open <span>
};

// Appends Text to Out as HTML character data in UTF-8.
void AppendHtmlText(std::string& Out, std::u16string_view Text);

}  // namespace synt
