// Exporters that turn the text of an editor control into plain text, a stream or clipboard data.
// TPlainTextSyntExport exports the characters; TBaseFormattedExport walks the same text in runs of
// equal styling, leaving out hidden styles and applying case formatting; the RTF and HTML
// exporters (rtf_export.h, html_export.h) write the colours and fonts the editor paints.
//
//   synt::TRTFSyntExport rtf(nullptr);
//   rtf.SetSyntMemo(&memo);
//   rtf.SetExportType(synt::etAllText);
//   rtf.SaveToStream(stream);                 // the whole text as RTF
//   rtf.ExportRange(10, 20);                  // or a range (etCustom): then read ExportData()
//   rtf.CopyToClipboard(host.Clipboard());    // text, 8-bit text, block kind and the RTF
//
// The exported plain text is kept as UTF-16; it becomes 8-bit only where it leaves: on the
// clipboard's 8-bit text and in SaveToStream of the plain exporter, in the editor's encoding.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "analysis/display_ranges.h"
#include "platform/component.h"
#include "platform/graphics.h"
#include "platform/object.h"

namespace synt {

class TClipboard;
struct TClipboardData;
class TCustomSyntaxMemo;
class ISyntDisplayQueries;
class TStream;
class TSyntAnalyzer;
class TSyntaxFormat;
struct TEnumInfo;

enum TExportType { etCustom, etAllText, etSelection };
const TEnumInfo& ExportTypeInfo();
// Makes the exporter classes known to stored forms, and installs InstallEditorCopy.
void RegisterExportClasses();
// Editors copy their selection through the plain-text exporter, or the RTF one (soCopyAsRTF).
void InstallEditorCopy();

// The block kind put on the clipboard with exported text.
constexpr uint8_t kBlockKindNone = 0;
constexpr uint8_t kBlockKindColumn = 2;
constexpr uint8_t kBlockKindStream = 3;

class TPlainTextSyntExport : public TComponent {
  SYNT_CLASS_INFO()

 public:
  explicit TPlainTextSyntExport(TComponent* Owner);
  ~TPlainTextSyntExport() override;

  TCustomSyntaxMemo* SyntMemo() const { return memo_; }
  void SetSyntMemo(TCustomSyntaxMemo* Value);
  TExportType ExportType() const { return exportType_; }
  void SetExportType(TExportType Value) { exportType_ = Value; }

  // Header, body and footer of the last export (the plain exporter: its text in UTF-8).
  std::string ExportData() const;
  // The plain text of the last export: its lines joined with CR LF, without the final one.
  std::u16string PlainText() const;
  // 3 after a range, 2 after a column block, 0 before any export.
  uint8_t BlockKind() const { return blockKind_; }

  // Runs the export ExportType asks for (etCustom: none; the caller exports itself).
  void Execute();
  // The text between Start and Start + Length (clipped to the text). Nothing without an editor.
  void ExportRange(int Start, int Length);
  // Of each line from TopLeft.Y to BottomRight.Y, the characters between the display columns
  // TopLeft.X and BottomRight.X (tabs as the editor lays them out), each line followed by a break.
  void ExportBlock(TPoint TopLeft, TPoint BottomRight);

  // Execute, then write ExportData (the plain exporter: its text in the editor's file encoding).
  virtual void SaveToStream(TStream& Stream);
  // Execute, then put on Clipboard the text as UTF-16 and as 8-bit text (the code page of the
  // editor's character set), the block kind as one byte under cfColumnBlock, and what the
  // exporter adds (RTF: ExportData under cfRichText). Clipboard errors propagate.
  virtual void CopyToClipboard(TClipboard& Clipboard);
  // The same on the clipboard of the editor's host; raises EClipboardError without one.
  void CopyToClipboard();

 protected:
  void Notification(TComponent* Component, TOperation Operation) override;

  // The steps of an export, in this order of overriding.
  // The end of the run of equal formatting that starts at Pos, preparing its formatting; may
  // move Pos forward past text that is not exported (hidden styles).
  virtual int NextRun(int& Pos);
  virtual void BeginExport();
  virtual void EndExport();
  virtual void EmitText(std::u16string_view Text);
  // The text of [Start, Start + Length) as it is exported (all on one line); valid until the
  // next call.
  virtual std::u16string_view RangeText(int Start, int Length);
  virtual void LineBreak();
  virtual std::string Header() const;
  // Appends the body (it can be large: no copy of its own).
  virtual void AppendBody(std::string& Out) const;
  virtual std::string Footer() const;
  // The clipboard's formats beyond the text and the block kind.
  virtual void AddClipboardFormats(TClipboardData& Data) const;

  // Exports [Start, Stop) run by run.
  void ExportText(int Start, int Stop);
  // The line holding Pos; a cursor makes the forward walk of an export cheap.
  int LineAt(int Pos);
  // About how many characters the export that begins covers (for reserving output).
  int SizeHint() const { return sizeHint_; }

 private:
  TCustomSyntaxMemo* memo_ = nullptr;
  TExportType exportType_ = etCustom;
  // The exported lines joined with CR LF (the line list, held as its text).
  std::u16string plain_;
  uint8_t blockKind_ = kBlockKindNone;
  // The line LineAt found last and its span [cursorStart_, cursorNext_).
  int cursor_ = -1;
  int cursorStart_ = 0, cursorNext_ = 0;
  std::u16string_view cursorText_;
  int sizeHint_ = 0;
};

class TBaseFormattedExport : public TPlainTextSyntExport {
  SYNT_CLASS_INFO()

 public:
  explicit TBaseFormattedExport(TComponent* Owner);

  bool UseCaseFormatting() const { return useCaseFormatting_; }
  void SetUseCaseFormatting(bool Value) { useCaseFormatting_ = Value; }

  // Writes ExportData as it is (the formats are 8-bit already).
  void SaveToStream(TStream& Stream) override;

  // The look of a run as the exporters write it: the editor's font and colour under the lexer's
  // default style and the run's entries.
  struct TRunFormat {
    const std::u16string* FontName = nullptr;  // a font's name, valid during the export
    int FontSize = 0;                          // points
    TColor FontColor = 0;
    TColor BgColor = 0;
    TFontStyles Style;
    // The style that decided most of the look (the last entry applied), for naming.
    const TSyntaxFormat* Top = nullptr;
    bool SameLook(const TRunFormat& O) const {
      return (FontName == O.FontName || *FontName == *O.FontName) && FontSize == O.FontSize &&
             FontColor == O.FontColor && BgColor == O.BgColor && Style == O.Style;
    }
  };

 protected:
  // The run's style entries; a run whose deciding style is hidden is skipped.
  int NextRun(int& Pos) override;
  // With case formatting: the editor's CharCase, then each entry's ChangeCase.
  std::u16string_view RangeText(int Start, int Length) override;
  const TStyleEntries& Entries() const { return entries_; }

  void BeginExport() override;
  // The editor's font and colour alone.
  TRunFormat EditorFormat() const;
  // The look of the run starting at Pos whose entries NextRun collected.
  TRunFormat MergeRunFormat(int Pos) const;

 private:
  bool useCaseFormatting_ = false;
  TStyleEntries entries_;
  std::u16string cased_;
  // Taken when an export begins.
  TRunFormat editorFormat_;
  ISyntDisplayQueries* queries_ = nullptr;
  TSyntAnalyzer* lexer_ = nullptr;
};

}  // namespace synt
