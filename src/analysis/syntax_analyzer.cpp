#include "analysis/syntax_analyzer.h"

#include <algorithm>
#include <mutex>

#include "analysis/lexer_library.h"
#include "platform/properties.h"

namespace synt {

namespace {

void DescribeAnalyzer(TPropertyList& L) {
  using A = TSyntAnalyzer;
  TPropsOf<A> p(L);
  p.Object("Formats", &A::Formats);
  p.Object("TokenRules", &A::TokenRules);
  p.Object("BlockRules", &A::BlockRules);
  p.Object("CodeTemplates", &A::CodeTemplates);
  p.Object("SubAnalyzers", &A::SubAnalyzers);
  p.Object("SampleText", &A::SampleText);
  // Its default is not empty: an emptied list must be written to stay empty.
  p.Object("TokenTypeNames", &A::TokenTypeNames).Always();
  p.Object("Gramma", &A::Gramma);
  p.String("MarkedBlockStyle", &A::MarkedBlockStyle, &A::SetMarkedBlockStyle);
  p.String("SearchMatchStyle", &A::SearchMatchStyle, &A::SetSearchMatchStyle);
  p.String("CurrentLineStyle", &A::CurrentLineStyle, &A::SetCurrentLineStyle);
  p.String("DefaultStyleName", &A::DefaultStyleName, &A::SetDefaultStyleName);
  p.String("CollapseStyleName", &A::CollapseStyleName, &A::SetCollapseStyleName);
  p.String("Extentions", &A::Extentions, &A::SetExtentions);
  p.String("LexerName", &A::LexerName, &A::SetLexerName);
  p.Boolean("SkipSpaces", &A::SkipSpaces, &A::SetSkipSpaces).Def(true);
  p.Integer("FullRefreshSize", &A::FullRefreshSize, &A::SetFullRefreshSize).Def(0);
  p.Object("Notes", &A::Notes);
  p.Boolean("Internal", &A::Internal, &A::SetInternal).Def(false);
  p.Boolean("RestartFromLineStart", &A::RestartFromLineStart, &A::SetRestartFromLineStart).Def(false);
  p.Boolean("ParseEndOfLine", &A::ParseEndOfLine, &A::SetParseEndOfLine).Def(false);
  p.String("LineComment", &A::LineComment, &A::SetLineComment);
  p.Boolean("AlwaysSyncBlockAnal", &A::AlwaysSyncBlockAnal, &A::SetAlwaysSyncBlockAnal).Def(false);
  p.Integer("IdleAppendDelay", &A::IdleAppendDelay, &A::SetIdleAppendDelay).Def(200);
  p.Integer("IdleAppendDelayInit", &A::IdleAppendDelayInit, &A::SetIdleAppendDelayInit).Def(50);
  p.Ident("Charset", &A::Charset, &A::SetCharset, CharsetIdents());  // always written
  p.Event("OnChange", &A::OnChange);
  p.Event("OnGetStapleRange", &A::OnGetStapleRange);
  p.Event("OnGetCollapseRange", &A::OnGetCollapseRange);
  p.Event("OnCloseTextRange", &A::OnCloseTextRange);
  p.Event("OnParseToken", &A::OnParseToken);
}

template <class T>
void EraseValue(std::vector<T*>& v, const void* x) {
  v.erase(std::remove_if(v.begin(), v.end(), [x](T* p) { return static_cast<const void*>(p) == x; }),
          v.end());
}

}  // namespace

const TClassInfo& TSyntAnalyzer::StaticClassInfo() {
  static const TClassInfo info("TSyntAnalyzer", &TLoadableComponent::StaticClassInfo(),
                               DescribeAnalyzer, TClassInfo::ComponentFactory<TSyntAnalyzer>);
  return info;
}

const std::vector<std::u16string>& TSyntAnalyzer::DefaultTokenTypeNames() {
  static const std::vector<std::u16string> names = {
      u"Unknown",     u"Comment",   u"Identifier", u"Symbol",    u"String",
      u"Integer const", u"Float const", u"Hex const", u"Char const", u"Preprocessor"};
  return names;
}

TSyntAnalyzer::TSyntAnalyzer(TComponent* Owner)
    : TLoadableComponent(Owner),
      FFormats(std::make_unique<TStylesCollection>(this)),
      FTokenRules(std::make_unique<TTokenRuleCollection>(this)),
      FBlockRules(std::make_unique<TBlockRuleCollection>(this)),
      FCodeTemplates(std::make_unique<TCodeTemplates>(this)),
      FSubAnalyzers(std::make_unique<TSubAnalyzerRules>(this)),
      FSampleText(std::make_unique<TStringList>()),
      FTokenTypeNames(std::make_unique<TStringList>()),
      FGramma(std::make_unique<TGrammaAnalyzer>()),
      FNotes(std::make_unique<TStringList>()) {
  RegisterLexerClasses();
  for (const std::u16string& n : DefaultTokenTypeNames()) FTokenTypeNames->Add(n);

  TSyntaxFormat* marked = FFormats->Add();
  marked->SetDisplayName(u"Marked block");
  marked->SetBgColor(clHighlight);
  marked->Font()->SetColor(clHighlightText);
  marked->SetFormatType(ftColor);
  marked->SetMarkedBlockFlag(1);
  FMarkedBlock.Item = marked;

  FFormats->OnChange = [this](TSyntCollection*, TSyntCollectionItem* Item) { FormatsChanged(Item); };
  FBlockRules->OnChange = [this](TSyntCollection*, TSyntCollectionItem* Item) {
    BlockRulesChanged(Item);
  };
  FTokenRules->OnChange = [this](TSyntCollection*, TSyntCollectionItem*) { RulesChanged(); };
  FSubAnalyzers->OnChange = [this](TSyntCollection*, TSyntCollectionItem*) { RulesChanged(); };
  auto removed = [this](TSyntCollection* Sender, const TCollectionItem* Item) {
    ItemRemoved(Sender, Item);
  };
  FFormats->OnItemRemoved = removed;
  FBlockRules->OnItemRemoved = removed;
  FTokenTypeNames->OnChange = [this](TObject*) {
    CompileGramma();
    DoChange();
  };
  FGramma->OnChange = [this](TGrammaAnalyzer*) { CompileGramma(); };
}

TSyntAnalyzer::~TSyntAnalyzer() {
  Destroying();
  UnhookCollections();
  // Leave the master lists of the lexers this one uses.
  for (int i = 0; i < FSubAnalyzers->Count(); ++i) {
    TSubAnalyzerRule* r = FSubAnalyzers->Items(i);
    if (r->FSyntAnalyzer && r->FSyntAnalyzer != this) r->FSyntAnalyzer->RemoveMasterLexer(this);
    r->FSyntAnalyzer = nullptr;
  }
  // Clients that are still bound must not keep a lexer that is gone.
  std::vector<ISyntAnalyzerClient*> clients;
  clients.swap(FClients);
  for (ISyntAnalyzerClient* c : clients) c->AnalyzerDestroyed(this);
  FMasterLexers.clear();
}

void TSyntAnalyzer::UnhookCollections() {
  for (TSyntCollection* c : std::initializer_list<TSyntCollection*>{
           FFormats.get(), FTokenRules.get(), FBlockRules.get(), FSubAnalyzers.get()}) {
    c->OnChange = nullptr;
    c->OnItemRemoved = nullptr;
  }
  FTokenTypeNames->OnChange = nullptr;
  FGramma->OnChange = nullptr;
}

// --- style references ---

std::u16string TSyntAnalyzer::StyleRefName(const TNameRef<TSyntaxFormat>& Ref) const {
  if (IsLoading()) return Ref.Text;
  return Ref.Item ? Ref.Item->DisplayName() : std::u16string();
}

void TSyntAnalyzer::SetStyleRef(TNameRef<TSyntaxFormat>& Ref, const std::u16string& Value) {
  if (IsLoading()) {
    Ref.Text = Value;
    Ref.Item = nullptr;
    return;
  }
  Ref.Text.clear();
  Ref.Item = Value.empty() ? nullptr : FFormats->ItemByName(Value);
}

void TSyntAnalyzer::SetMarkedBlockStyle(const std::u16string& Value) {
  TSyntaxFormat* old = FMarkedBlock.Item;
  SetStyleRef(FMarkedBlock, Value);
  if (!IsLoading() && FMarkedBlock.Item != old) {
    NotifyClients();
    DoChange();
  }
}
void TSyntAnalyzer::SetSearchMatchStyle(const std::u16string& Value) {
  SetStyleRef(FSearchMatch, Value);
}
void TSyntAnalyzer::SetCurrentLineStyle(const std::u16string& Value) {
  SetStyleRef(FCurrentLine, Value);
}
void TSyntAnalyzer::SetDefaultStyleName(const std::u16string& Value) {
  SetStyleRef(FDefaultStyle, Value);
}
void TSyntAnalyzer::SetCollapseStyleName(const std::u16string& Value) {
  SetStyleRef(FCollapseStyle, Value);
}

// --- property setters with effects ---

void TSyntAnalyzer::SetTokenRules(const TTokenRuleCollection* Value) {
  FTokenRules->Assign(Value);
  ClearClientContents();
}
void TSyntAnalyzer::SetBlockRules(const TBlockRuleCollection* Value) {
  FBlockRules->Assign(Value);
  ClearClientContents();
}
void TSyntAnalyzer::SetCodeTemplates(const TCodeTemplates* Value) {
  FCodeTemplates->Assign(Value);
  ClearClientContents();
}
void TSyntAnalyzer::SetSubAnalyzers(const TSubAnalyzerRules* Value) {
  FSubAnalyzers->Assign(Value);
  ClearClientContents();
}

void TSyntAnalyzer::SetSkipSpaces(bool Value) {
  if (Value == FSkipSpaces) return;
  FSkipSpaces = Value;
  ClearClientContents();
}

void TSyntAnalyzer::SetParseEndOfLine(bool Value) {
  if (Value == FParseEndOfLine) return;
  FParseEndOfLine = Value;
  ClearClientContents();
}

void TSyntAnalyzer::SetAlwaysSyncBlockAnal(bool Value) {
  if (Value == FAlwaysSyncBlockAnal) return;
  bool wasSeparate = Value && !IsLoading() && SeparateBlockAnalysis();
  FAlwaysSyncBlockAnal = Value;
  ResetSeparateBlockAnalysis();
  if (wasSeparate) ClearClientContents();
}

void TSyntAnalyzer::SetCharset(TFontCharset Value) {
  if (Value == FCharset) return;
  FCharset = Value;
  uint32_t cp = CharsetToCodePage(Value);
  for (int i = 0; i < FTokenRules->Count(); ++i) FTokenRules->Items(i)->SetCodePage(cp);
  DoChange();
}

// --- change propagation ---

void TSyntAnalyzer::DoChange() {
  if (OnChange) OnChange(this);
}

void TSyntAnalyzer::FormatsChanged(TSyntCollectionItem* Item) {
  ClearClientContents();
  if (!Item) {
    // Whole collection: references to styles that are gone become none.
    for (TNameRef<TSyntaxFormat>* r :
         {&FMarkedBlock, &FSearchMatch, &FCurrentLine, &FDefaultStyle, &FCollapseStyle})
      if (r->Item && !FFormats->IsValidItem(r->Item)) r->Item = nullptr;
    for (int i = 0; i < FTokenRules->Count(); ++i) FTokenRules->Items(i)->ValidateReferences();
    for (int i = 0; i < FBlockRules->Count(); ++i) FBlockRules->Items(i)->ValidateReferences();
    for (int i = 0; i < FSubAnalyzers->Count(); ++i) FSubAnalyzers->Items(i)->ValidateReferences();
  }
  DoChange();
}

void TSyntAnalyzer::BlockRulesChanged(TSyntCollectionItem* Item) {
  ClearClientContents();
  if (!Item) {
    for (int i = 0; i < FBlockRules->Count(); ++i) FBlockRules->Items(i)->ValidateReferences();
    for (int i = 0; i < FTokenRules->Count(); ++i) FTokenRules->Items(i)->ValidateReferences();
    for (int i = 0; i < FSubAnalyzers->Count(); ++i) FSubAnalyzers->Items(i)->ValidateReferences();
  }
  DoChange();
}

void TSyntAnalyzer::RulesChanged() {
  ResetSeparateBlockAnalysis();
  ClearClientContents();
  DoChange();
}

void TSyntAnalyzer::ItemRemoved(TSyntCollection* Sender, const TCollectionItem* Item) {
  // Cleared before the item is freed, so that no reference ever dangles.
  if (Sender == FFormats.get())
    for (TNameRef<TSyntaxFormat>* r :
         {&FMarkedBlock, &FSearchMatch, &FCurrentLine, &FDefaultStyle, &FCollapseStyle})
      if (static_cast<const TCollectionItem*>(r->Item) == Item) r->Item = nullptr;
  for (int i = 0; i < FTokenRules->Count(); ++i) FTokenRules->Items(i)->ForgetItem(Item);
  for (int i = 0; i < FBlockRules->Count(); ++i)
    if (static_cast<const TCollectionItem*>(FBlockRules->Items(i)) != Item)
      FBlockRules->Items(i)->ForgetItem(Item);
  for (int i = 0; i < FSubAnalyzers->Count(); ++i) FSubAnalyzers->Items(i)->ForgetItem(Item);
}

void TSyntAnalyzer::ClearClientContents() {
  if (FUpdateLock) return;
  FUpdateLock = true;
  try {
    std::vector<ISyntAnalyzerClient*> clients = FClients;
    for (ISyntAnalyzerClient* c : clients) {
      c->ClearResults();
      c->RestartTimer();
    }
    std::vector<TSyntAnalyzer*> masters = FMasterLexers;
    for (TSyntAnalyzer* m : masters) m->ClearClientContents();
  } catch (...) {
    FUpdateLock = false;
    throw;
  }
  FUpdateLock = false;
  NotifyClients();
}

void TSyntAnalyzer::NotifyClients() {
  if (FUpdateLock) return;
  FUpdateLock = true;
  try {
    std::vector<ISyntAnalyzerClient*> clients = FClients;
    for (ISyntAnalyzerClient* c : clients)
      if (IqxSyntClient* d = c->Document()) d->FormatChanged();
    std::vector<TSyntAnalyzer*> masters = FMasterLexers;
    for (TSyntAnalyzer* m : masters) m->NotifyClients();
  } catch (...) {
    FUpdateLock = false;
    throw;
  }
  FUpdateLock = false;
}

void TSyntAnalyzer::AttachClient(ISyntAnalyzerClient* Client) {
  if (Client && std::find(FClients.begin(), FClients.end(), Client) == FClients.end())
    FClients.push_back(Client);
}

void TSyntAnalyzer::DetachClient(ISyntAnalyzerClient* Client) { EraseValue(FClients, Client); }

void TSyntAnalyzer::AddMasterLexer(TSyntAnalyzer* Master) {
  if (Master && std::find(FMasterLexers.begin(), FMasterLexers.end(), Master) == FMasterLexers.end())
    FMasterLexers.push_back(Master);
}

void TSyntAnalyzer::RemoveMasterLexer(TSyntAnalyzer* Master) { EraseValue(FMasterLexers, Master); }

// --- block analysis mode ---

bool TSyntAnalyzer::SeparateBlockAnalysis() {
  if (FSeparateBlock != sbaUnknown) return FSeparateBlock == sbaYes;
  if (FComputingSeparate) return true;  // a cycle of sub-lexers: the other conditions decide
  FComputingSeparate = true;
  bool yes = !FAlwaysSyncBlockAnal;
  for (int i = 0; yes && i < FBlockRules->Count(); ++i) {
    TTagBlockCondition* r = FBlockRules->Items(i);
    if (r->StatesAdd() != 0 || r->StatesRemove() != 0) yes = false;
  }
  for (int i = 0; yes && i < FSubAnalyzers->Count(); ++i) {
    TSubAnalyzerRule* r = FSubAnalyzers->Items(i);
    if (r->StatesAdd() != 0 || r->StatesRemove() != 0) yes = false;
  }
  for (int i = 0; yes && i < FTokenRules->Count(); ++i)
    if (!FTokenRules->Items(i)->BlockName().empty()) yes = false;
  for (int i = 0; yes && i < FSubAnalyzers->Count(); ++i) {
    TSyntAnalyzer* sub = FSubAnalyzers->Items(i)->SyntAnalyzer();
    if (sub && sub != this && !sub->SeparateBlockAnalysis()) yes = false;
  }
  FComputingSeparate = false;
  FSeparateBlock = yes ? sbaYes : sbaNo;
  return yes;
}

void TSyntAnalyzer::ResetSeparateBlockAnalysis() { FSeparateBlock = sbaUnknown; }

void TSyntAnalyzer::SetSeparateBlockAnalysisCache(bool Known, bool Value) {
  FSeparateBlock = !Known ? sbaUnknown : Value ? sbaYes : sbaNo;
}

bool TSyntAnalyzer::SeparateBlockAnalysisCached(bool& Value) const {
  Value = FSeparateBlock == sbaYes;
  return FSeparateBlock != sbaUnknown;
}

// --- grammar ---

void TSyntAnalyzer::CompileGramma() {
  FGramma->Compile(*FTokenTypeNames);
  for (int i = 0; i < FBlockRules->Count(); ++i) {
    TTagBlockCondition* r = FBlockRules->Items(i);
    r->SetGrammaRule(r->GrammaRuleName().empty() ? nullptr
                                                 : FGramma->ParserRuleByName(r->GrammaRuleName()));
  }
}

// --- loading and assignment ---

void TSyntAnalyzer::Loaded() {
  TLoadableComponent::Loaded();
  for (TNameRef<TSyntaxFormat>* r :
       {&FMarkedBlock, &FSearchMatch, &FCurrentLine, &FDefaultStyle, &FCollapseStyle})
    if (!r->Text.empty()) {
      std::u16string name;
      name.swap(r->Text);
      r->Item = FFormats->ItemByName(name);
    }
  FFormats->ResolveNames();
  FBlockRules->ResolveNames();
  FTokenRules->ResolveNames();
  FSubAnalyzers->ResolveNames();
  CompileGramma();
  ResetSeparateBlockAnalysis();
  for (TSyntAnalyzer* m : FMasterLexers) m->ResetSeparateBlockAnalysis();
}

void TSyntAnalyzer::Assign(const TPersistent* Source) {
  auto* src = dynamic_cast<const TSyntAnalyzer*>(Source);
  if (!src || src == this) return;
  bool locked = FUpdateLock;
  FUpdateLock = true;
  try {
    SetCharset(src->Charset());
    SetAlwaysSyncBlockAnal(src->AlwaysSyncBlockAnal());
    SetExtentions(src->Extentions());
    SetLexerName(src->LexerName());
    SetSkipSpaces(src->SkipSpaces());
    FSampleText->Assign(src->SampleText());
    SetFullRefreshSize(src->FullRefreshSize());
    FFormats->Assign(src->Formats());
    SetMarkedBlockStyle(src->MarkedBlockStyle());
    SetSearchMatchStyle(src->SearchMatchStyle());
    SetCurrentLineStyle(src->CurrentLineStyle());
    SetDefaultStyleName(src->DefaultStyleName());
    SetCollapseStyleName(src->CollapseStyleName());
    FBlockRules->Assign(src->BlockRules());
    FTokenRules->Assign(src->TokenRules());
    FCodeTemplates->Assign(src->CodeTemplates());
    FSubAnalyzers->Assign(src->SubAnalyzers());
    FTokenTypeNames->Assign(src->TokenTypeNames());
    FNotes->Assign(src->Notes());
    SetInternal(src->Internal());
    FGramma->Assign(src->Gramma());
    SetRestartFromLineStart(src->RestartFromLineStart());
    SetParseEndOfLine(src->ParseEndOfLine());
    SetLineComment(src->LineComment());
    SetIdleAppendDelayInit(src->IdleAppendDelayInit());
    SetIdleAppendDelay(src->IdleAppendDelay());
    // Block rules name each other in any order: now that all exist, resolve once more.
    int n = std::min(FBlockRules->Count(), src->BlockRules()->Count());
    for (int i = 0; i < n; ++i) {
      FBlockRules->Items(i)->SetBlockEnd(src->BlockRules()->Items(i)->BlockEnd());
      FBlockRules->Items(i)->SetBlockName(src->BlockRules()->Items(i)->BlockName());
    }
  } catch (...) {
    FUpdateLock = locked;
    throw;
  }
  FUpdateLock = locked;
  ResetSeparateBlockAnalysis();
  ClearClientContents();
  NotifyClients();
  std::vector<ISyntAnalyzerClient*> clients = FClients;
  for (ISyntAnalyzerClient* c : clients) c->RestartTimer();
}

void TSyntAnalyzer::Notification(TComponent* Component, TOperation Operation) {
  TLoadableComponent::Notification(Component, Operation);
  if (Operation != opRemove || !Component || Component == this) return;
  // The component may be half destroyed: only its address is compared.
  bool changed = false;
  for (int i = 0; i < FSubAnalyzers->Count(); ++i) {
    TSubAnalyzerRule* r = FSubAnalyzers->Items(i);
    if (r->FSyntAnalyzer && static_cast<TComponent*>(r->FSyntAnalyzer) == Component) {
      r->FSyntAnalyzer = nullptr;
      changed = true;
    }
  }
  EraseValue(FMasterLexers, static_cast<const void*>(Component));
  if (changed && !IsDestroying()) {
    ResetSeparateBlockAnalysis();
    ClearClientContents();
  }
}

void RegisterLexerClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterLexerItemClasses();
    RegisterClass(TSyntAnalyzer::StaticClassInfo());
    RegisterClass(TLibSyntAnalyzer::StaticClassInfo());
    RegisterClass(TSyntaxManager::StaticClassInfo());
    RegisterClass(TSyntStyles::StaticClassInfo());
  });
}

}  // namespace synt
