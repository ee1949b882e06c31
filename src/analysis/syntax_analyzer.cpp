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
  p.Boolean("RestartFromLineStart", &A::RestartFromLineStart, &A::SetRestartFromLineStart)
      .Def(false);
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
  v.erase(
      std::remove_if(v.begin(), v.end(), [x](T* p) { return static_cast<const void*>(p) == x; }),
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
      u"Unknown",       u"Comment",     u"Identifier", u"Symbol",     u"String",
      u"Integer const", u"Float const", u"Hex const",  u"Char const", u"Preprocessor"};
  return names;
}

TSyntAnalyzer::TSyntAnalyzer(TComponent* Owner)
    : TLoadableComponent(Owner),
      formats_(std::make_unique<TStylesCollection>(this)),
      tokenRules_(std::make_unique<TTokenRuleCollection>(this)),
      blockRules_(std::make_unique<TBlockRuleCollection>(this)),
      codeTemplates_(std::make_unique<TCodeTemplates>(this)),
      subAnalyzers_(std::make_unique<TSubAnalyzerRules>(this)),
      sampleText_(std::make_unique<TStringList>()),
      tokenTypeNames_(std::make_unique<TStringList>()),
      gramma_(std::make_unique<TGrammaAnalyzer>()),
      notes_(std::make_unique<TStringList>()) {
  RegisterLexerClasses();
  for (const std::u16string& n : DefaultTokenTypeNames()) tokenTypeNames_->Add(n);

  TSyntaxFormat* marked = formats_->Add();
  marked->SetDisplayName(u"Marked block");
  marked->SetBgColor(clHighlight);
  marked->Font()->SetColor(clHighlightText);
  marked->SetFormatType(ftColor);
  marked->SetMarkedBlockFlag(1);
  markedBlock_.Item = marked;

  formats_->OnChange = [this](TSyntCollection*, TSyntCollectionItem* Item) {
    FormatsChanged(Item);
  };
  blockRules_->OnChange = [this](TSyntCollection*, TSyntCollectionItem* Item) {
    BlockRulesChanged(Item);
  };
  tokenRules_->OnChange = [this](TSyntCollection*, TSyntCollectionItem*) { RulesChanged(); };
  subAnalyzers_->OnChange = [this](TSyntCollection*, TSyntCollectionItem*) { RulesChanged(); };
  auto removed = [this](TSyntCollection* Sender, const TCollectionItem* Item) {
    ItemRemoved(Sender, Item);
  };
  formats_->OnItemRemoved = removed;
  blockRules_->OnItemRemoved = removed;
  tokenTypeNames_->OnChange = [this](TObject*) {
    CompileGramma();
    DoChange();
  };
  gramma_->OnChange = [this](TGrammaAnalyzer*) { CompileGramma(); };
}

TSyntAnalyzer::~TSyntAnalyzer() {
  Destroying();
  UnhookCollections();
  // Leave the master lists of the lexers this one uses.
  for (int i = 0; i < subAnalyzers_->Count(); ++i) {
    TSubAnalyzerRule* r = subAnalyzers_->Items(i);
    if (r->syntAnalyzer_ && r->syntAnalyzer_ != this) r->syntAnalyzer_->RemoveMasterLexer(this);
    r->syntAnalyzer_ = nullptr;
  }
  // Clients that are still bound must not keep a lexer that is gone.
  std::vector<ISyntAnalyzerClient*> clients;
  clients.swap(clients_);
  for (ISyntAnalyzerClient* c : clients) c->AnalyzerDestroyed(this);
  masterLexers_.clear();
}

void TSyntAnalyzer::UnhookCollections() {
  for (TSyntCollection* c : std::initializer_list<TSyntCollection*>{
           formats_.get(), tokenRules_.get(), blockRules_.get(), subAnalyzers_.get()}) {
    c->OnChange = nullptr;
    c->OnItemRemoved = nullptr;
  }
  tokenTypeNames_->OnChange = nullptr;
  gramma_->OnChange = nullptr;
}

// --- style references ---

std::u16string TSyntAnalyzer::StyleRefName(const TNameRef<TSyntaxFormat>& Ref) const {
  if (IsLoading()) return Ref.Text;
  return Ref.Item ? Ref.Item->DisplayName() : Ref.Text;  // Text: a name read that names nothing
}

void TSyntAnalyzer::SetStyleRef(TNameRef<TSyntaxFormat>& Ref, const std::u16string& Value) {
  if (IsLoading()) {
    Ref.Text = Value;
    Ref.Item = nullptr;
    return;
  }
  Ref.Text.clear();
  Ref.Item = Value.empty() ? nullptr : formats_->ItemByName(Value);
}

void TSyntAnalyzer::UnresolvedNames(std::vector<TUnresolvedName>& Out) const {
  const std::pair<const char*, const TNameRef<TSyntaxFormat>*> refs[] = {
      {"MarkedBlockStyle", &markedBlock_},   {"SearchMatchStyle", &searchMatch_},
      {"CurrentLineStyle", &currentLine_},   {"DefaultStyleName", &defaultStyle_},
      {"CollapseStyleName", &collapseStyle_}};
  for (const auto& [name, ref] : refs)
    if (!ref->Item && !ref->Text.empty()) Out.push_back({name, ref->Text});
}

void TSyntAnalyzer::SetMarkedBlockStyle(const std::u16string& Value) {
  TSyntaxFormat* old = markedBlock_.Item;
  SetStyleRef(markedBlock_, Value);
  if (!IsLoading() && markedBlock_.Item != old) {
    NotifyClients();
    DoChange();
  }
}
void TSyntAnalyzer::SetSearchMatchStyle(const std::u16string& Value) {
  SetStyleRef(searchMatch_, Value);
}
void TSyntAnalyzer::SetCurrentLineStyle(const std::u16string& Value) {
  SetStyleRef(currentLine_, Value);
}
void TSyntAnalyzer::SetDefaultStyleName(const std::u16string& Value) {
  SetStyleRef(defaultStyle_, Value);
}
void TSyntAnalyzer::SetCollapseStyleName(const std::u16string& Value) {
  SetStyleRef(collapseStyle_, Value);
}

// --- property setters with effects ---

void TSyntAnalyzer::SetTokenRules(const TTokenRuleCollection* Value) {
  tokenRules_->Assign(Value);
  ClearClientContents();
}
void TSyntAnalyzer::SetBlockRules(const TBlockRuleCollection* Value) {
  blockRules_->Assign(Value);
  ClearClientContents();
}
void TSyntAnalyzer::SetCodeTemplates(const TCodeTemplates* Value) {
  codeTemplates_->Assign(Value);
  ClearClientContents();
}
void TSyntAnalyzer::SetSubAnalyzers(const TSubAnalyzerRules* Value) {
  subAnalyzers_->Assign(Value);
  ClearClientContents();
}

void TSyntAnalyzer::SetSkipSpaces(bool Value) {
  if (Value == skipSpaces_) return;
  skipSpaces_ = Value;
  ClearClientContents();
}

void TSyntAnalyzer::SetParseEndOfLine(bool Value) {
  if (Value == parseEndOfLine_) return;
  parseEndOfLine_ = Value;
  ClearClientContents();
}

void TSyntAnalyzer::SetAlwaysSyncBlockAnal(bool Value) {
  if (Value == alwaysSyncBlockAnal_) return;
  bool wasSeparate = Value && !IsLoading() && SeparateBlockAnalysis();
  alwaysSyncBlockAnal_ = Value;
  ResetSeparateBlockAnalysis();
  if (wasSeparate) ClearClientContents();
}

void TSyntAnalyzer::SetCharset(TFontCharset Value) {
  if (Value == charset_) return;
  charset_ = Value;
  uint32_t cp = CharsetToCodePage(Value);
  for (int i = 0; i < tokenRules_->Count(); ++i) tokenRules_->Items(i)->SetCodePage(cp);
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
         {&markedBlock_, &searchMatch_, &currentLine_, &defaultStyle_, &collapseStyle_})
      if (r->Item && !formats_->IsValidItem(r->Item)) r->Item = nullptr;
    for (int i = 0; i < tokenRules_->Count(); ++i) tokenRules_->Items(i)->ValidateReferences();
    for (int i = 0; i < blockRules_->Count(); ++i) blockRules_->Items(i)->ValidateReferences();
    for (int i = 0; i < subAnalyzers_->Count(); ++i) subAnalyzers_->Items(i)->ValidateReferences();
  }
  DoChange();
}

void TSyntAnalyzer::BlockRulesChanged(TSyntCollectionItem* Item) {
  ClearClientContents();
  if (!Item) {
    for (int i = 0; i < blockRules_->Count(); ++i) blockRules_->Items(i)->ValidateReferences();
    for (int i = 0; i < tokenRules_->Count(); ++i) tokenRules_->Items(i)->ValidateReferences();
    for (int i = 0; i < subAnalyzers_->Count(); ++i) subAnalyzers_->Items(i)->ValidateReferences();
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
  if (Sender == formats_.get())
    for (TNameRef<TSyntaxFormat>* r :
         {&markedBlock_, &searchMatch_, &currentLine_, &defaultStyle_, &collapseStyle_})
      if (static_cast<const TCollectionItem*>(r->Item) == Item) r->Item = nullptr;
  for (int i = 0; i < tokenRules_->Count(); ++i) tokenRules_->Items(i)->ForgetItem(Item);
  for (int i = 0; i < blockRules_->Count(); ++i)
    if (static_cast<const TCollectionItem*>(blockRules_->Items(i)) != Item)
      blockRules_->Items(i)->ForgetItem(Item);
  for (int i = 0; i < subAnalyzers_->Count(); ++i) subAnalyzers_->Items(i)->ForgetItem(Item);
}

void TSyntAnalyzer::ClearClientContents() {
  if (updateLock_) return;
  updateLock_ = true;
  try {
    std::vector<ISyntAnalyzerClient*> clients = clients_;
    for (ISyntAnalyzerClient* c : clients) {
      c->ClearResults();
      c->RestartTimer();
    }
    std::vector<TSyntAnalyzer*> masters = masterLexers_;
    for (TSyntAnalyzer* m : masters) m->ClearClientContents();
  } catch (...) {
    updateLock_ = false;
    throw;
  }
  updateLock_ = false;
  NotifyClients();
}

void TSyntAnalyzer::HandlersChanged(TSyntAnalyzer* Changed) {
  if (handlersNotifying_) return;  // a cycle of sub-lexers
  handlersNotifying_ = true;
  for (ISyntAnalyzerClient* c : clients_) c->RuleHandlersChanged(Changed);
  for (TSyntAnalyzer* m : masterLexers_) m->HandlersChanged(Changed);
  handlersNotifying_ = false;
}

void TSyntAnalyzer::NotifyClients() {
  if (updateLock_) return;
  updateLock_ = true;
  try {
    std::vector<ISyntAnalyzerClient*> clients = clients_;
    for (ISyntAnalyzerClient* c : clients)
      if (IqxSyntClient* d = c->Document()) d->FormatChanged();
    std::vector<TSyntAnalyzer*> masters = masterLexers_;
    for (TSyntAnalyzer* m : masters) m->NotifyClients();
  } catch (...) {
    updateLock_ = false;
    throw;
  }
  updateLock_ = false;
}

void TSyntAnalyzer::AttachClient(ISyntAnalyzerClient* Client) {
  if (Client && std::find(clients_.begin(), clients_.end(), Client) == clients_.end())
    clients_.push_back(Client);
}

void TSyntAnalyzer::DetachClient(ISyntAnalyzerClient* Client) {
  EraseValue(clients_, Client);
}

void TSyntAnalyzer::AddMasterLexer(TSyntAnalyzer* Master) {
  if (Master &&
      std::find(masterLexers_.begin(), masterLexers_.end(), Master) == masterLexers_.end())
    masterLexers_.push_back(Master);
}

void TSyntAnalyzer::RemoveMasterLexer(TSyntAnalyzer* Master) {
  EraseValue(masterLexers_, Master);
}

// --- block analysis mode ---

bool TSyntAnalyzer::SeparateBlockAnalysis() {
  if (separateBlock_ != sbaUnknown) return separateBlock_ == sbaYes;
  if (computingSeparate_) return true;  // a cycle of sub-lexers: the other conditions decide
  computingSeparate_ = true;
  bool yes = !alwaysSyncBlockAnal_;
  for (int i = 0; yes && i < blockRules_->Count(); ++i) {
    TTagBlockCondition* r = blockRules_->Items(i);
    if (r->StatesAdd() != 0 || r->StatesRemove() != 0) yes = false;
  }
  for (int i = 0; yes && i < subAnalyzers_->Count(); ++i) {
    TSubAnalyzerRule* r = subAnalyzers_->Items(i);
    if (r->StatesAdd() != 0 || r->StatesRemove() != 0) yes = false;
  }
  for (int i = 0; yes && i < tokenRules_->Count(); ++i)
    if (!tokenRules_->Items(i)->BlockName().empty()) yes = false;
  for (int i = 0; yes && i < subAnalyzers_->Count(); ++i) {
    TSyntAnalyzer* sub = subAnalyzers_->Items(i)->SyntAnalyzer();
    if (sub && sub != this && !sub->SeparateBlockAnalysis()) yes = false;
  }
  computingSeparate_ = false;
  separateBlock_ = yes ? sbaYes : sbaNo;
  return yes;
}

void TSyntAnalyzer::ResetSeparateBlockAnalysis() {
  separateBlock_ = sbaUnknown;
}

void TSyntAnalyzer::SetSeparateBlockAnalysisCache(bool Known, bool Value) {
  separateBlock_ = !Known ? sbaUnknown : Value ? sbaYes : sbaNo;
}

bool TSyntAnalyzer::SeparateBlockAnalysisCached(bool& Value) const {
  Value = separateBlock_ == sbaYes;
  return separateBlock_ != sbaUnknown;
}

// --- grammar ---

void TSyntAnalyzer::CompileGramma() {
  gramma_->Compile(*tokenTypeNames_);
  for (int i = 0; i < blockRules_->Count(); ++i) {
    TTagBlockCondition* r = blockRules_->Items(i);
    r->SetGrammaRule(r->GrammaRuleName().empty() ? nullptr
                                                 : gramma_->ParserRuleByName(r->GrammaRuleName()));
  }
}

// --- loading and assignment ---

void TSyntAnalyzer::Loaded() {
  TLoadableComponent::Loaded();
  for (TNameRef<TSyntaxFormat>* r :
       {&markedBlock_, &searchMatch_, &currentLine_, &defaultStyle_, &collapseStyle_})
    if (!r->Text.empty()) {
      r->Item = formats_->ItemByName(r->Text);
      if (r->Item) r->Text.clear();  // else kept, so that saving writes it back
    }
  formats_->ResolveNames();
  blockRules_->ResolveNames();
  tokenRules_->ResolveNames();
  subAnalyzers_->ResolveNames();
  CompileGramma();
  ResetSeparateBlockAnalysis();
  for (TSyntAnalyzer* m : masterLexers_) m->ResetSeparateBlockAnalysis();
}

void TSyntAnalyzer::Assign(const TPersistent* Source) {
  auto* src = dynamic_cast<const TSyntAnalyzer*>(Source);
  if (!src || src == this) return;
  bool locked = updateLock_;
  updateLock_ = true;
  try {
    SetCharset(src->Charset());
    SetAlwaysSyncBlockAnal(src->AlwaysSyncBlockAnal());
    SetExtentions(src->Extentions());
    SetLexerName(src->LexerName());
    SetSkipSpaces(src->SkipSpaces());
    sampleText_->Assign(src->SampleText());
    SetFullRefreshSize(src->FullRefreshSize());
    formats_->Assign(src->Formats());
    SetMarkedBlockStyle(src->MarkedBlockStyle());
    SetSearchMatchStyle(src->SearchMatchStyle());
    SetCurrentLineStyle(src->CurrentLineStyle());
    SetDefaultStyleName(src->DefaultStyleName());
    SetCollapseStyleName(src->CollapseStyleName());
    blockRules_->Assign(src->BlockRules());
    tokenRules_->Assign(src->TokenRules());
    codeTemplates_->Assign(src->CodeTemplates());
    subAnalyzers_->Assign(src->SubAnalyzers());
    tokenTypeNames_->Assign(src->TokenTypeNames());
    notes_->Assign(src->Notes());
    SetInternal(src->Internal());
    gramma_->Assign(src->Gramma());
    SetRestartFromLineStart(src->RestartFromLineStart());
    SetParseEndOfLine(src->ParseEndOfLine());
    SetLineComment(src->LineComment());
    SetIdleAppendDelayInit(src->IdleAppendDelayInit());
    SetIdleAppendDelay(src->IdleAppendDelay());
    // Block rules name each other in any order: now that all exist, resolve once more.
    int n = std::min(blockRules_->Count(), src->BlockRules()->Count());
    for (int i = 0; i < n; ++i) {
      blockRules_->Items(i)->SetBlockEnd(src->BlockRules()->Items(i)->BlockEnd());
      blockRules_->Items(i)->SetBlockName(src->BlockRules()->Items(i)->BlockName());
    }
  } catch (...) {
    updateLock_ = locked;
    throw;
  }
  updateLock_ = locked;
  ResetSeparateBlockAnalysis();
  ClearClientContents();
  NotifyClients();
  std::vector<ISyntAnalyzerClient*> clients = clients_;
  for (ISyntAnalyzerClient* c : clients) c->RestartTimer();
}

void TSyntAnalyzer::Notification(TComponent* Component, TOperation Operation) {
  TLoadableComponent::Notification(Component, Operation);
  if (Operation != opRemove || !Component || Component == this) return;
  // The component may be half destroyed: only its address is compared.
  bool changed = false;
  for (int i = 0; i < subAnalyzers_->Count(); ++i) {
    TSubAnalyzerRule* r = subAnalyzers_->Items(i);
    if (r->syntAnalyzer_ && static_cast<TComponent*>(r->syntAnalyzer_) == Component) {
      r->syntAnalyzer_ = nullptr;
      changed = true;
    }
  }
  EraseValue(masterLexers_, static_cast<const void*>(Component));
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
