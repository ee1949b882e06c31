// A document that several editors show and edit together: it owns the lines (and, once a lexer is
// bound, the document's analysis) and relays every change to the analysis first, then to each
// attached client.
//
//   synt::TSyntTextSource doc(nullptr);
//   doc.Lines()->LoadFromFile("unit1.pas");
//   doc.AddClient(&editor1);            // editor1 implements ISyntMemoTextHook / IqxSyntClient
//   doc.AddClient(&editor2);
//   doc.Lines()->InsertText(0, u"x");   // both editors hear of it, the last attached first
//   if (doc.ReadOnly()) ...             // attached editors take their read-only state from here
//   doc.SetSyntaxAnalyzer(&pascal);     // the document's analysis runs on the event loop
//   doc.SyntClient()->TryAppend(pos);   // tokens up to pos, for painting
#pragma once

#include <memory>
#include <vector>

#include "platform/component.h"
#include "text/memo_strings.h"
#include "text/text_hooks.h"

namespace synt {

class TSyntAnalyzer;
class TClientSyntAnalyzer;

class TSyntTextSource : public TComponent, public IqxSyntClient {
  SYNT_CLASS_INFO()

 public:
  explicit TSyntTextSource(TComponent* Owner);
  ~TSyntTextSource() override;

  TSyntMemoStrings* Lines() const { return lines_.get(); }
  // Assigns the given list to the owned one.
  void SetLines(TStrings* Value);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool Value) { readOnly_ = Value; }

  // The lexer of the document's analysis, or none. Setting another lexer replaces the analysis
  // (the text source owns it and is told when the lexer is destroyed); without one the clients are
  // told Finished, so that they drop old highlighting.
  TSyntAnalyzer* SyntaxAnalyzer() const;
  void SetSyntaxAnalyzer(TSyntAnalyzer* Value);
  // The analysis bound through SyntaxAnalyzer, or none.
  TClientSyntAnalyzer* SyntClient() const;

  // The analysis the document owns, if any. Replacing it tells everyone that the whole text
  // changed; without an analysis the clients are told Finished.
  ITextSourceAnalysis* Analysis() const { return analysis_.get(); }
  void SetAnalysis(std::unique_ptr<ITextSourceAnalysis> Value);

  // A client is added once; a component client tells the text source when it is destroyed.
  virtual void AddClient(TObject* Client);
  virtual void RemoveClient(TObject* Client);
  int ClientCount() const { return int(clients_.size()); }
  TObject* Clients(int Index) const { return clients_.at(size_t(Index)); }

  virtual int CaretPosToStrPos(TPoint P) const { return lines_->CaretPosToStrPos(P); }
  virtual TPoint StrPosToCaretPos(int Pos) const { return lines_->StrPosToCaretPos(Pos); }
  virtual int LineLength(int Index) const { return lines_->LineLength(Index); }

  // The change relay: the analysis with the line of Pos, then each ISyntMemoTextHook client from
  // the last attached to the first.
  virtual void TextChanged(TObject* Sender, int Pos, int Count, int LineChange);

  // IqxSyntClient, passed on to every client that serves it, first attached first.
  void FormatChanged() override;
  void Finished() override;

 protected:
  void Notification(TComponent* Component, TOperation Operation) override;

 private:
  bool IsClient(TObject* Object) const;

  std::unique_ptr<TSyntMemoStrings> lines_;
  std::unique_ptr<ITextSourceAnalysis> analysis_;
  TSyntAnalyzer* lexer_ = nullptr;  // the lexer of analysis_ when it is a client analysis
  bool readOnly_ = false;
  std::vector<TObject*> clients_;
};

// Makes the text source known to the stored-form reader.
void RegisterTextClasses();

}  // namespace synt
