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
  TStylesCollection* Formats() const { return FFormats.get(); }
  void SetFormats(const TStylesCollection* Value) { FFormats->Assign(Value); }
  TTokenRuleCollection* TokenRules() const { return FTokenRules.get(); }
  void SetTokenRules(const TTokenRuleCollection* Value);
  TBlockRuleCollection* BlockRules() const { return FBlockRules.get(); }
  void SetBlockRules(const TBlockRuleCollection* Value);
  TCodeTemplates* CodeTemplates() const { return FCodeTemplates.get(); }
  void SetCodeTemplates(const TCodeTemplates* Value);
  TSubAnalyzerRules* SubAnalyzers() const { return FSubAnalyzers.get(); }
  void SetSubAnalyzers(const TSubAnalyzerRules* Value);
  TStringList* SampleText() const { return FSampleText.get(); }
  void SetSampleText(const TStrings* Value) { FSampleText->Assign(Value); }
  TStringList* TokenTypeNames() const { return FTokenTypeNames.get(); }
  void SetTokenTypeNames(const TStrings* Value) { FTokenTypeNames->Assign(Value); }
  TGrammaAnalyzer* Gramma() const { return FGramma.get(); }
  void SetGramma(const TGrammaAnalyzer* Value) { FGramma->Assign(Value); }
  std::u16string MarkedBlockStyle() const { return StyleRefName(FMarkedBlock); }
  void SetMarkedBlockStyle(const std::u16string& Value);
  std::u16string SearchMatchStyle() const { return StyleRefName(FSearchMatch); }
  void SetSearchMatchStyle(const std::u16string& Value);
  std::u16string CurrentLineStyle() const { return StyleRefName(FCurrentLine); }
  void SetCurrentLineStyle(const std::u16string& Value);
  std::u16string DefaultStyleName() const { return StyleRefName(FDefaultStyle); }
  void SetDefaultStyleName(const std::u16string& Value);
  std::u16string CollapseStyleName() const { return StyleRefName(FCollapseStyle); }
  void SetCollapseStyleName(const std::u16string& Value);
  const std::u16string& Extentions() const { return FExtentions; }
  void SetExtentions(const std::u16string& Value) { FExtentions = Value; }
  const std::u16string& LexerName() const { return FLexerName; }
  void SetLexerName(const std::u16string& Value) { FLexerName = Value; }
  bool SkipSpaces() const { return FSkipSpaces; }
  void SetSkipSpaces(bool Value);
  int FullRefreshSize() const { return FFullRefreshSize; }
  void SetFullRefreshSize(int Value) { FFullRefreshSize = Value; }
  TStringList* Notes() const { return FNotes.get(); }
  void SetNotes(const TStrings* Value) { FNotes->Assign(Value); }
  bool Internal() const { return FInternal; }
  void SetInternal(bool Value) { FInternal = Value; }
  bool RestartFromLineStart() const { return FRestartFromLineStart; }
  void SetRestartFromLineStart(bool Value) { FRestartFromLineStart = Value; }
  bool ParseEndOfLine() const { return FParseEndOfLine; }
  void SetParseEndOfLine(bool Value);
  const std::u16string& LineComment() const { return FLineComment; }
  void SetLineComment(const std::u16string& Value) { FLineComment = Value; }
  bool AlwaysSyncBlockAnal() const { return FAlwaysSyncBlockAnal; }
  void SetAlwaysSyncBlockAnal(bool Value);
  uint32_t IdleAppendDelay() const { return FIdleAppendDelay; }
  void SetIdleAppendDelay(uint32_t Value) { FIdleAppendDelay = Value; }
  uint32_t IdleAppendDelayInit() const { return FIdleAppendDelayInit; }
  void SetIdleAppendDelayInit(uint32_t Value) { FIdleAppendDelayInit = Value; }
  TFontCharset Charset() const { return FCharset; }
  void SetCharset(TFontCharset Value);

  TNotifyEvent OnChange;
  TBoundDefEvent OnGetStapleRange;
  TBoundDefEvent OnGetCollapseRange;
  TBoundDefEvent OnCloseTextRange;
  TParseTokenEvent OnParseToken;

  // --- the styles behind the style-name properties, for the renderer ---
  TSyntaxFormat* MarkedBlock() const { return FMarkedBlock.Item; }
  TSyntaxFormat* SearchMatch() const { return FSearchMatch.Item; }
  TSyntaxFormat* CurrentLine() const { return FCurrentLine.Item; }
  TSyntaxFormat* DefaultStyle() const { return FDefaultStyle.Item; }
  TSyntaxFormat* CollapseStyle() const { return FCollapseStyle.Item; }

  // --- clients and masters ---
  void AttachClient(ISyntAnalyzerClient* Client);
  void DetachClient(ISyntAnalyzerClient* Client);
  int ClientCount() const { return int(FClients.size()); }
  ISyntAnalyzerClient* Clients(int Index) const { return FClients.at(size_t(Index)); }
  // Lexers that use this one through a sub-lexer rule.
  int MasterLexerCount() const { return int(FMasterLexers.size()); }
  TSyntAnalyzer* MasterLexers(int Index) const { return FMasterLexers.at(size_t(Index)); }
  bool IsUpdateLocked() const { return FUpdateLock; }

  // Resets every client and every master lexer's clients, then NotifyClients.
  void ClearClientContents();
  // Tells the document of every client (and every master lexer) that the format changed.
  void NotifyClients();

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
  // The token at the 1-based FPos of Text (the whole text), from the first token rule in order that
  // matches there; false when none does. OnlyGlobal: only rules with AlwaysEnabled.
  bool MatchToken(TParserResults& Client, std::u16string_view Text, bool OnlyGlobal, int FPos,
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

  std::unique_ptr<TStylesCollection> FFormats;
  std::unique_ptr<TTokenRuleCollection> FTokenRules;
  std::unique_ptr<TBlockRuleCollection> FBlockRules;
  std::unique_ptr<TCodeTemplates> FCodeTemplates;
  std::unique_ptr<TSubAnalyzerRules> FSubAnalyzers;
  std::unique_ptr<TStringList> FSampleText;
  std::unique_ptr<TStringList> FTokenTypeNames;
  std::unique_ptr<TGrammaAnalyzer> FGramma;
  std::unique_ptr<TStringList> FNotes;
  TNameRef<TSyntaxFormat> FMarkedBlock, FSearchMatch, FCurrentLine, FDefaultStyle, FCollapseStyle;
  std::u16string FExtentions;
  std::u16string FLexerName;
  bool FSkipSpaces = true;
  int FFullRefreshSize = 0;
  bool FInternal = false;
  bool FRestartFromLineStart = false;
  bool FParseEndOfLine = false;
  std::u16string FLineComment;
  bool FAlwaysSyncBlockAnal = false;
  uint32_t FIdleAppendDelay = 200;
  uint32_t FIdleAppendDelayInit = 50;
  TFontCharset FCharset = DEFAULT_CHARSET;

  std::vector<ISyntAnalyzerClient*> FClients;
  std::vector<TSyntAnalyzer*> FMasterLexers;
  bool FUpdateLock = false;
  enum { sbaUnknown, sbaYes, sbaNo } FSeparateBlock = sbaUnknown;
  bool FComputingSeparate = false;
};

// Makes the lexer classes known to the stored-form reader (idempotent).
void RegisterLexerClasses();

}  // namespace synt
