// A shared document bound to a lexer: the text source of the text layer plus the
// `SyntaxAnalyzer` property, which gives the document a client analysis of that lexer.
//
//   synt::TSyntTextSource doc(nullptr);
//   doc.Lines()->LoadFromFile("unit1.pas");
//   doc.AddClient(&editor1);
//   doc.SetSyntaxAnalyzer(&pascal);     // the document's analysis runs on the event loop
//   doc.SyntClient()->TryAppend(pos);   // tokens up to pos, for painting
#pragma once

#include "text/text_source.h"

namespace synt {

class TSyntAnalyzer;
class TClientSyntAnalyzer;

class TSyntTextSource : public TCustomTextSource {
  SYNT_CLASS_INFO()

 public:
  explicit TSyntTextSource(TComponent* Owner) : TCustomTextSource(Owner) {}

  // The lexer of the document's analysis, or none. Setting another lexer replaces the analysis
  // (the text source owns it and is told when the lexer is destroyed); without one the clients are
  // told Finished, so that they drop old highlighting.
  TSyntAnalyzer* SyntaxAnalyzer() const;
  void SetSyntaxAnalyzer(TSyntAnalyzer* Value);
  // The analysis bound through SyntaxAnalyzer, or none.
  TClientSyntAnalyzer* SyntClient() const;

 protected:
  void AnalysisBound() override;
};

// Makes the text source known to the stored-form reader.
void RegisterTextClasses();

}  // namespace synt
