// Rich Text Format export: the text with the colours, fonts and font styles the editor paints.
//
//   synt::TRTFSyntExport rtf(nullptr);
//   rtf.SetSyntMemo(&memo);
//   rtf.ExportRange(0, memo.Lines()->TextLength());
//   std::string doc = rtf.ExportData();     // "{\rtf1\ansi..." ... "}"
//
// The document is 7-bit: characters outside ASCII (and control characters) are written as
// Unicode escapes "\uN" with the fallback "?" (as \'3f), N the signed 16-bit value of each
// UTF-16 unit (a surrogate pair gives two escapes), so any text survives.
#pragma once

#include <string>
#include <vector>

#include "print/synt_export.h"

namespace synt {

class TRTFSyntExport : public TBaseFormattedExport {
  SYNT_CLASS_INFO()

 public:
  explicit TRTFSyntExport(TComponent* Owner);

  // Font names in order of first use (the RTF font number is the index).
  const std::vector<std::u16string>& FontTable() const { return fonts_; }
  // RGB values (0x00BBGGRR) in order of first use (the RTF colour number is the index).
  const std::vector<uint32_t>& ColorTable() const { return colors_; }

 protected:
  int NextRun(int& Pos) override;
  void BeginExport() override;
  void EmitText(std::u16string_view Text) override;
  void LineBreak() override;
  std::string Header() const override;
  void AppendBody(std::string& Out) const override { Out += body_; }
  std::string Footer() const override { return "}"; }
  void AddClipboardFormats(TClipboardData& Data) const override;

 private:
  // The state last written to the body.
  struct TWritten {
    const std::u16string* Name = nullptr;  // never null once an export began
    int Size = 0;
    uint32_t Color = 0;  // RGB
    TFontStyles Style;
  };
  // Writes the control words that take the body from the written state to F.
  void WriteFormat(const TRunFormat& F);
  int ColorIndex(uint32_t Rgb);
  int FontIndex(const std::u16string& Name);

  // Runs repeat a few looks: the words from one look to another are made once, then copied.
  // What the body is in after a look is written depends on that look alone.
  struct TLook {
    TRunFormat Format;
    TWritten State;
    uint32_t Highlight = 0;
  };
  static constexpr int kMaxLooks = 64;
  // The look's number (-1: the table is full).
  int LookOf(const TRunFormat& F);
  std::vector<TLook> looks_;
  std::vector<int> transitions_;  // [from * kMaxLooks + to]: index in words_, -1 not made yet
  std::vector<std::string> words_;
  int currentLook_ = -1, lastLook_ = -1;

  std::string body_;
  std::vector<std::u16string> fonts_;
  std::vector<uint32_t> colors_;
  TWritten current_;
  uint32_t currentHighlight_ = 0xFFFFFF;
};

// Appends Text to Out as RTF text: "\tab " for a tab; "\", "{" and "}" escaped; other characters
// below 32 and every unit above 127 as "\uN\'3f".
void AppendRtfText(std::string& Out, std::u16string_view Text);

}  // namespace synt
