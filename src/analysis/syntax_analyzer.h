// The lexer: a declarative, stored definition of one language. It analyses nothing itself; each
// document gets a client analysis that holds the results and asks the lexer to match its rules.
// The lexer knows its clients so that a change of the definition resets them.
//
//   synt::TSyntAnalyzer pascal(nullptr);
//   pascal.SetLexerName(u"Pascal");
//   pascal.SetExtentions(u"pas dpr");
//   auto* comment = pascal.Formats()->Add();
//   comment->SetDisplayName(u"Comment");
//   auto* rule = pascal.TokenRules()->Add();
//   rule->SetExpression(u"//.*");
//   rule->SetStyleName(u"Comment");
//   pascal.SaveToFile("pascal.lx");
//
//   // a client analysis (the tokenizer's) binds itself:
//   class TMyAnalysis : public synt::ISyntAnalyzerClient { ... };
//   pascal.AttachClient(&analysis);     // and DetachClient when it goes
//
// Change propagation: a changed item tells its collection, the collection the lexer, and the lexer
// resets every client (ClearClientContents) and tells every document to repaint (NotifyClients),
// also for the lexers that use this one as a sub-lexer (MasterLexers).
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/gramma.h"
#include "analysis/lexer_items.h"
#include "analysis/loadable.h"
#include "text/text_hooks.h"

namespace synt {

// What the lexer needs of a client analysis bound to it (TClientSyntAnalyzer implements it).
class ISyntAnalyzerClient {
 public:
  // Drop every result (the analysis starts over).
  virtual void ClearResults() = 0;
  // Restart the idle-analysis timer.
  virtual void RestartTimer() = 0;
  // The document the analysis reports to, or null.
  virtual IqxSyntClient* Document() const = 0;
  // The lexer is being destroyed while the client is still bound: forget it.
  virtual void AnalyzerDestroyed(TSyntAnalyzer* Lexer) = 0;
  // A rule of Lexer got or lost an OnMatchToken or OnBlockCheck handler.
  virtual void RuleHandlersChanged(TSyntAnalyzer* Lexer) {}

 protected:
  ~ISyntAnalyzerClient() = default;
};

struct TSyntToken;

class TSyntAnalyzer : public TLoadableComponent {
  SYNT_CLASS_INFO()

 public:
  explicit TSyntAnalyzer(TComponent* Owner);
  ~TSyntAnalyzer() override;

  // --- published properties, in stream order ---
  TStylesCollection* Formats() const { return formats_.get(); }
  void SetFormats(const TStylesCollection* Value) { formats_->Assign(Value); }
  TTokenRuleCollection* TokenRules() const { return tokenRules_.get(); }
  void SetTokenRules(const TTokenRuleCollection* Value);
  TBlockRuleCollection* BlockRules() const { return blockRules_.get(); }
  void SetBlockRules(const TBlockRuleCollection* Value);
  TCodeTemplates* CodeTemplates() const { return codeTemplates_.get(); }
  void SetCodeTemplates(const TCodeTemplates* Value);
  TSubAnalyzerRules* SubAnalyzers() const { return subAnalyzers_.get(); }
  void SetSubAnalyzers(const TSubAnalyzerRules* Value);
  TStringList* SampleText() const { return sampleText_.get(); }
  void SetSampleText(const TStrings* Value) { sampleText_->Assign(Value); }
  TStringList* TokenTypeNames() const { return tokenTypeNames_.get(); }
  void SetTokenTypeNames(const TStrings* Value) { tokenTypeNames_->Assign(Value); }
  TGrammaAnalyzer* Gramma() const { return gramma_.get(); }
  void SetGramma(const TGrammaAnalyzer* Value) { gramma_->Assign(Value); }
  std::u16string MarkedBlockStyle() const { return StyleRefName(markedBlock_); }
  void SetMarkedBlockStyle(const std::u16string& Value);
  std::u16string SearchMatchStyle() const { return StyleRefName(searchMatch_); }
  void SetSearchMatchStyle(const std::u16string& Value);
  std::u16string CurrentLineStyle() const { return StyleRefName(currentLine_); }
  void SetCurrentLineStyle(const std::u16string& Value);
  std::u16string DefaultStyleName() const { return StyleRefName(defaultStyle_); }
  void SetDefaultStyleName(const std::u16string& Value);
  std::u16string CollapseStyleName() const { return StyleRefName(collapseStyle_); }
  void SetCollapseStyleName(const std::u16string& Value);
  const std::u16string& Extentions() const { return extentions_; }
  void SetExtentions(const std::u16string& Value) { extentions_ = Value; }
  const std::u16string& LexerName() const { return lexerName_; }
  void SetLexerName(const std::u16string& Value) { lexerName_ = Value; }
  bool SkipSpaces() const { return skipSpaces_; }
  void SetSkipSpaces(bool Value);
  int FullRefreshSize() const { return fullRefreshSize_; }
  void SetFullRefreshSize(int Value) { fullRefreshSize_ = Value; }
  TStringList* Notes() const { return notes_.get(); }
  void SetNotes(const TStrings* Value) { notes_->Assign(Value); }
  bool Internal() const { return internal_; }
  void SetInternal(bool Value) { internal_ = Value; }
  bool RestartFromLineStart() const { return restartFromLineStart_; }
  void SetRestartFromLineStart(bool Value) { restartFromLineStart_ = Value; }
  bool ParseEndOfLine() const { return parseEndOfLine_; }
  void SetParseEndOfLine(bool Value);
  const std::u16string& LineComment() const { return lineComment_; }
  void SetLineComment(const std::u16string& Value) { lineComment_ = Value; }
  bool AlwaysSyncBlockAnal() const { return alwaysSyncBlockAnal_; }
  void SetAlwaysSyncBlockAnal(bool Value);
  uint32_t IdleAppendDelay() const { return idleAppendDelay_; }
  void SetIdleAppendDelay(uint32_t Value) { idleAppendDelay_ = Value; }
  uint32_t IdleAppendDelayInit() const { return idleAppendDelayInit_; }
  void SetIdleAppendDelayInit(uint32_t Value) { idleAppendDelayInit_ = Value; }
  TFontCharset Charset() const { return charset_; }
  void SetCharset(TFontCharset Value);

  // Threads: OnGetStapleRange and OnGetCollapseRange are called by the background pass on its
  // own thread, while it holds the client's lock (and OnGetCollapseRange also by the client's
  // range queries on the GUI thread). They may read their arguments and the client's tokens and
  // ranges, and must change nothing: not the client, not the lexer, nothing of the GUI. A pass
  // calls the handlers assigned when it started. Every other handler of the lexer and its rules
  // (OnChange, OnCloseTextRange, OnParseToken, OnMatchToken, OnBlockCheck) runs on the GUI
  // thread, from the analysis of the text.
  TNotifyEvent OnChange;
  TBoundDefEvent OnGetStapleRange;
  TBoundDefEvent OnGetCollapseRange;
  TBoundDefEvent OnCloseTextRange;
  TParseTokenEvent OnParseToken;

  // --- the styles behind the style-name properties, for the renderer ---
  TSyntaxFormat* MarkedBlock() const { return markedBlock_.Item; }
  TSyntaxFormat* SearchMatch() const { return searchMatch_.Item; }
  TSyntaxFormat* CurrentLine() const { return currentLine_.Item; }
  TSyntaxFormat* DefaultStyle() const { return defaultStyle_.Item; }
  TSyntaxFormat* CollapseStyle() const { return collapseStyle_.Item; }
  // The style-name properties read that name no style.
  void UnresolvedNames(std::vector<TUnresolvedName>& Out) const;

  // --- clients and masters ---
  void AttachClient(ISyntAnalyzerClient* Client);
  void DetachClient(ISyntAnalyzerClient* Client);
  int ClientCount() const { return int(clients_.size()); }
  ISyntAnalyzerClient* Clients(int Index) const { return clients_.at(size_t(Index)); }
  // Lexers that use this one through a sub-lexer rule.
  int MasterLexerCount() const { return int(masterLexers_.size()); }
  TSyntAnalyzer* MasterLexers(int Index) const { return masterLexers_.at(size_t(Index)); }
  bool IsUpdateLocked() const { return updateLock_; }

  // Resets every client and every master lexer's clients, then NotifyClients.
  void ClearClientContents();
  // Tells the document of every client (and every master lexer) that the format changed.
  void NotifyClients();
  // A rule of Changed (this lexer, or one it uses as a sub-lexer) got or lost a handler: every
  // client that may have compiled Changed's rules takes it into account before its next step.
  void HandlersChanged(TSyntAnalyzer* Changed);

  // Whether block rules may run after tokenizing instead of after every token (cached).
  bool SeparateBlockAnalysis();
  void ResetSeparateBlockAnalysis();
  // Forces the cached answer (the analysis does so while it re-analyses from scratch); Known false
  // forgets it.
  void SetSeparateBlockAnalysisCache(bool Known, bool Value);
  bool SeparateBlockAnalysisCached(bool& Value) const;

  // Compiles Gramma with TokenTypeNames and gives each block rule its grammar rule.
  void CompileGramma();

  // --- rule matching for the analysis (tokenizer.cpp, block_rules.cpp) ---
  // The token at the 1-based pos_ of Text (the whole text), from the first token rule in order that
  // matches there; false when none does. OnlyGlobal: only rules with AlwaysEnabled.
  bool MatchToken(TParserResults& Client, std::u16string_view Text, bool OnlyGlobal, int pos_,
                  TSyntToken& Token);
  // The tag-detection rules that need neither a parent block nor a grammar, for the latest token.
  void DetectTags(TParserResults& Client, std::u16string_view Text, bool OnlyGlobal);
  // Every block rule in order for the first n tokens (n = -1: all of them). SkipSimpleTags leaves
  // out what DetectTags already did (the catch-up pass of separate block analysis).
  void ApplyBlockRules(TClientSyntAnalyzer& Client, std::u16string_view Text, int n,
                       bool OnlyGlobal, bool SkipSimpleTags = false);

  // Copies another lexer (anything else is ignored): the lexer-wide properties and every
  // collection, with references resolved against this lexer's own items.
  void Assign(const TPersistent* Source) override;
  void Loaded() override;

  // The stored default token type names.
  static const std::vector<std::u16string>& DefaultTokenTypeNames();

 protected:
  void Notification(TComponent* Component, TOperation Operation) override;

 private:
  friend class TSubAnalyzerRule;
  std::u16string StyleRefName(const TNameRef<TSyntaxFormat>& Ref) const;
  void SetStyleRef(TNameRef<TSyntaxFormat>& Ref, const std::u16string& Value);
  void DoChange();
  void FormatsChanged(TSyntCollectionItem* Item);
  void BlockRulesChanged(TSyntCollectionItem* Item);
  void RulesChanged();
  void ItemRemoved(TSyntCollection* Sender, const TCollectionItem* Item);
  void AddMasterLexer(TSyntAnalyzer* Master);
  void RemoveMasterLexer(TSyntAnalyzer* Master);
  void UnhookCollections();

  std::unique_ptr<TStylesCollection> formats_;
  std::unique_ptr<TTokenRuleCollection> tokenRules_;
  std::unique_ptr<TBlockRuleCollection> blockRules_;
  std::unique_ptr<TCodeTemplates> codeTemplates_;
  std::unique_ptr<TSubAnalyzerRules> subAnalyzers_;
  std::unique_ptr<TStringList> sampleText_;
  std::unique_ptr<TStringList> tokenTypeNames_;
  std::unique_ptr<TGrammaAnalyzer> gramma_;
  std::unique_ptr<TStringList> notes_;
  TNameRef<TSyntaxFormat> markedBlock_, searchMatch_, currentLine_, defaultStyle_, collapseStyle_;
  std::u16string extentions_;
  std::u16string lexerName_;
  bool skipSpaces_ = true;
  int fullRefreshSize_ = 0;
  bool internal_ = false;
  bool restartFromLineStart_ = false;
  bool parseEndOfLine_ = false;
  std::u16string lineComment_;
  bool alwaysSyncBlockAnal_ = false;
  uint32_t idleAppendDelay_ = 200;
  uint32_t idleAppendDelayInit_ = 50;
  TFontCharset charset_ = DEFAULT_CHARSET;

  std::vector<ISyntAnalyzerClient*> clients_;
  std::vector<TSyntAnalyzer*> masterLexers_;
  bool updateLock_ = false;
  enum { sbaUnknown, sbaYes, sbaNo } separateBlock_ = sbaUnknown;
  bool computingSeparate_ = false;
  bool handlersNotifying_ = false;
};

// Makes the lexer classes known to the stored-form reader (idempotent).
void RegisterLexerClasses();

}  // namespace synt
