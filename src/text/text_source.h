// A document that several editors show and edit together: it owns the lines (and the document's
// analysis, if one is given) and relays every change to the analysis first, then to each attached
// client. TSyntTextSource (analysis/synt_text_source.h) adds the lexer binding on top; this layer
// knows analyses only through ITextSourceAnalysis.
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

class TCustomTextSource : public TComponent, public IqxSyntClient {
  SYNT_CLASS_INFO()

 public:
  explicit TCustomTextSource(TComponent* Owner);
  ~TCustomTextSource() override;

  TSyntMemoStrings* Lines() const { return lines_.get(); }
  // Assigns the given list to the owned one.
  void SetLines(TStrings* Value);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool Value) { readOnly_ = Value; }

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

  // The component the analysis came from (a lexer), or none. Binding replaces the analysis; the
  // text source follows the provider's destruction and then drops the analysis. A null analysis
  // with a null provider unbinds.
  TComponent* AnalysisProvider() const { return provider_; }
  void BindAnalysis(TComponent* Provider, std::unique_ptr<ITextSourceAnalysis> Value);
  // Drops the analysis and the provider without telling anyone; for a provider that must see the
  // old analysis gone before it creates the new one (a lexer keeps one client per document).
  void DropAnalysis();
  // Called after every (un)binding once everyone has heard that the whole text changed.
  virtual void AnalysisBound() {
    if (!analysis_) Finished();
  }

 private:
  bool IsClient(TObject* Object) const;

  std::unique_ptr<TSyntMemoStrings> lines_;
  std::unique_ptr<ITextSourceAnalysis> analysis_;
  TComponent* provider_ = nullptr;
  bool readOnly_ = false;
  std::vector<TObject*> clients_;
};

}  // namespace synt
