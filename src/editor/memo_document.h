// The editor's document binding: its own line storage, an optional shared text source, its own
// analysis of a lexer, and which of them the editor shows and is highlighted by; with it the
// decision whether text is laid out in character cells, and the default character cell.
//
//   // inside the control (syntax_memo.cpp routes its properties here)
//   document_.SetTextSource(&doc);      // shows doc, highlighted by doc's analysis
//   document_.Lines();                  // doc's lines
//   document_.SetTextSource(nullptr);   // back to the own lines and the own analysis
//   if (document_.DecideFixedPitch()) ...   // true when the mode or the cell changed
//
// Rules: the own analysis always reads the own lines, also while a text source is shown (it idles
// then), so it never sees a text whose changes it is not told about. A text source and a lexer
// are references: their free notifications reach the control, which hands them to
// ComponentFreed here; nothing of a component being destroyed is touched.
#pragma once

#include <memory>
#include <vector>

#include "platform/graphics.h"
#include "text/text_hooks.h"

namespace synt {

class TCustomSyntaxMemo;
class TClientSyntAnalyzer;
class TComponent;
class THeadlessCanvas;
class TSyntAnalyzer;
class TSyntMemoStrings;
class TSyntTextSource;
class TSyntaxFormat;

class TMemoDocument {
 public:
  explicit TMemoDocument(TCustomSyntaxMemo& Memo);
  ~TMemoDocument();
  TMemoDocument(const TMemoDocument&) = delete;
  TMemoDocument& operator=(const TMemoDocument&) = delete;

  // ---- Binding ----------------------------------------------------------------------------------
  TSyntMemoStrings* Lines() const;
  TSyntMemoStrings* OwnLines() const { return ownLines_.get(); }
  TSyntTextSource* TextSource() const { return textSource_; }
  void SetTextSource(TSyntTextSource* Value);
  TSyntAnalyzer* SyntaxAnalyzer() const { return ownLexer_; }
  void SetSyntaxAnalyzer(TSyntAnalyzer* Value);
  TClientSyntAnalyzer* SyntClient() const;
  TSyntAnalyzer* CurrentLexer() const;
  bool IsRebinding() const { return rebinding_; }
  // A free notification for the control; true when it concerned the binding.
  bool ComponentFreed(TComponent* Component);
  // Lets go of the text source and the lexer, and unhooks the own lines (the control is going).
  void Release();

  // ---- Character cells --------------------------------------------------------------------------
  bool FixedPitch() const { return fixedPitch_; }
  // While deciding, the font's pitch is set; the font change that reports is no news.
  bool DecidingPitch() const { return decidingPitch_; }
  TSize CharCell() const { return charCell_; }
  // Decides again; true when the mode or the cell changed.
  bool DecideFixedPitch();
  TSize DefTextExt();
  // The canvas measuring falls back on while the control has no host (default cells).
  TCanvas& OwnMeasureCanvas();

 private:
  class TOwnDocument;
  void OwnLinesChanged(int Pos, int Count, int LineChange);
  void Detach(bool SourceGone);
  void DropOwnAnalysis();
  void Rebound();
  bool StyleFitsCells(const TSyntaxFormat* Style) const;
  bool LexerFitsCells(TSyntAnalyzer* Lexer, std::vector<TSyntAnalyzer*>& Seen) const;
  bool StylesFitCells() const;

  TCustomSyntaxMemo& memo_;
  std::unique_ptr<TSyntMemoStrings> ownLines_;
  std::unique_ptr<TOwnDocument> ownDocument_;
  std::unique_ptr<TClientSyntAnalyzer> ownAnalysis_;
  TSyntAnalyzer* ownLexer_ = nullptr;
  TSyntTextSource* textSource_ = nullptr;
  // The modified relay this document gave the text source's lines (taken back on detach).
  bool gaveModifiedHandler_ = false;
  bool rebinding_ = false;
  bool fixedPitch_ = false;
  bool decidingPitch_ = false;
  TSize charCell_;
  std::unique_ptr<THeadlessCanvas> ownMeasureCanvas_;
};

}  // namespace synt
