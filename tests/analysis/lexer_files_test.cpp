#include <gtest/gtest.h>

#include <filesystem>

#include "analysis/lexer_library.h"
#include "lexer_test_util.h"
#include "platform/dialogs.h"
#include "platform/filer.h"
#include "platform/streams.h"
#include "platform/utf.h"
#include "text/memo_strings.h"

namespace synt {
namespace {

std::string Save(TLoadableComponent& c) {
  TMemoryStream m;
  c.SaveToStream(m);
  return m.DataString();
}

void Load(TLoadableComponent& c, const std::string& text) {
  TMemoryStream m(text);
  c.LoadFromStream(m);
}

TEST(LexerFiles, EveryPropertyRoundTripsToIdenticalTextAndEqualObjects) {
  TComponent form(nullptr);
  auto* sub = new TSyntAnalyzer(&form);
  sub->SetName(u"AsmLexer");
  auto* lexer = new TSyntAnalyzer(&form);
  lexer->SetName(u"PascalLexer");
  testing::BuildFullLexer(*lexer, sub);
  std::string text = Save(*lexer);

  TComponent form2(nullptr);
  auto* sub2 = new TSyntAnalyzer(&form2);
  sub2->SetName(u"AsmLexer");
  auto* copy = new TSyntAnalyzer(&form2);
  copy->SetName(u"PascalLexer");
  Load(*copy, text);
  std::string where;
  EXPECT_TRUE(EqualPublishedProperties(lexer, copy, &where)) << where << "\n" << text;
  EXPECT_EQ(Save(*copy), text);
  // References resolved against the new lexer's items and the new form's components.
  EXPECT_EQ(copy->SubAnalyzers()->Items(0)->SyntAnalyzer(), sub2);
  EXPECT_EQ(sub2->MasterLexerCount(), 1);
  EXPECT_EQ(copy->BlockRules()->Items(0)->BlockEndRule(), copy->BlockRules()->Items(1));
  EXPECT_EQ(copy->DefaultStyle(), copy->Formats()->Items(2));
  EXPECT_EQ(copy->Formats()->Items(1)->StoredHidden(), true);
  EXPECT_EQ(copy->CodeTemplates()->Items(0)->Code()->Count(), 4);  // the leading empty line stays
  EXPECT_FALSE(copy->IsLoading());
  EXPECT_EQ(copy->Gramma()->Gramma(), lexer->Gramma()->Gramma());

  // The text is as a lexer author expects to read it.
  for (const char* line : {
           "object PascalLexer: TSyntAnalyzer\n",
           "  Tag = -5\n",
           "  Formats = <\n    item\n      DisplayName = 'Marked block'\n",
           "      Font.Color = clHighlightText\n",
           "      DisplayName = 'Keyword '#233\n      Enabled = False\n",
           "      Font.Style = [fsBold, fsUnderline]\n",
           "      BorderColorRight = clBtnFace\n",
           "      FormatFlags = [ffBold, ffHidden, ffFontSize]\n",
           "      ConditionList = <\n        item\n          TagList.Strings = (\n",
           "          TokenTypes = 4294967295\n",
           "      HighlightPos = cpBoundTagBegin\n",
           "      IgnoreAsParent = True\n",
           "      HighlightPos = cpAny\n",
           "      ColumnFrom = 0\n      ColumnTo = 0\n",
           "      SyntAnalyzer = AsmLexer\n",
           "  Gramma.Gramma = 'Skip = <Comment>;'#13#10'ClassDecl = <Identifier> ''='' "
           "''class'';'\n",
           "  Charset = GREEK_CHARSET\n",
           "  IdleAppendDelayInit = 0\n",
       })
    EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
}

TEST(LexerFiles, NameReferencesResolveWhateverTheOrderInTheFile) {
  // The rule's style and block name come before the items they name; BlockEnd names a later rule.
  std::string text =
      "object L: TSyntAnalyzer\n"
      "  DefaultStyleName = 'Late'\n"
      "  TokenRules = <\n"
      "    item\n"
      "      DisplayName = 'Id'\n"
      "      StyleName = 'Late'\n"
      "      BlockName = 'Close'\n"
      "      ColumnFrom = 0\n"
      "      ColumnTo = 0\n"
      "    end>\n"
      "  BlockRules = <\n"
      "    item\n"
      "      DisplayName = 'Open'\n"
      "      BlockEnd = 'Close'\n"
      "      TreeItemStyle = 'Late'\n"
      "      HighlightPos = cpAny\n"
      "      IgnoreAsParent = False\n"
      "    end\n"
      "    item\n"
      "      DisplayName = 'Close'\n"
      "      BlockType = btRangeEnd\n"
      "      HighlightPos = cpAny\n"
      "      IgnoreAsParent = False\n"
      "    end>\n"
      "  Formats = <\n"
      "    item\n"
      "      DisplayName = 'Late'\n"
      "    end>\n"
      "  MarkedBlockStyle = 'Nowhere'\n"
      "  Charset = DEFAULT_CHARSET\n"
      "end\n";
  TSyntAnalyzer l(nullptr);
  Load(l, text);
  TSyntaxFormat* late = l.Formats()->ItemByName(u"Late");
  ASSERT_NE(late, nullptr);
  EXPECT_EQ(l.DefaultStyle(), late);
  EXPECT_EQ(l.TokenRules()->Items(0)->Style(), late);
  EXPECT_EQ(l.TokenRules()->Items(0)->Block(), l.BlockRules()->Items(1));
  EXPECT_EQ(l.BlockRules()->Items(0)->BlockEndRule(), l.BlockRules()->Items(1));
  EXPECT_EQ(l.BlockRules()->Items(0)->TreeItemStyleObj(), late);
  EXPECT_EQ(l.MarkedBlock(), nullptr);      // names nothing: no reference
  EXPECT_FALSE(l.SeparateBlockAnalysis());  // a token rule with a block name
}

TEST(LexerFiles, ReadErrorsAskTheUserYesNoOrAll) {
  std::string text =
      "object L: TSyntAnalyzer\n"
      "  Bogus = 1\n"
      "  LexerName = 'after one'\n"
      "  Other = 2\n"
      "  Third = 3\n"
      "  Extentions = 'pas'\n"
      "end\n";
  {
    TScriptedDialogService script({mrYes, mrAll});
    TDialogServiceScope scope(&script);
    TSyntAnalyzer l(nullptr);
    Load(l, text);
    EXPECT_EQ(l.LexerName(), u"after one");
    EXPECT_EQ(l.Extentions(), u"pas");
    ASSERT_EQ(script.Shown().size(), 2u);  // All: the third error is not asked
    EXPECT_EQ(script.Shown()[0].Text,
              u"Ignore this error?\nLine 2: Error reading L.Bogus: Property Bogus does not exist");
    EXPECT_EQ(script.Shown()[0].Type, mtError);
    EXPECT_EQ(script.Shown()[0].Buttons, (TMsgDlgButtons{mbYes, mbNo, mbAll}));
    // The next load asks again.
    script.Push(mrNo);
    TSyntAnalyzer l2(nullptr);
    EXPECT_THROW(Load(l2, text), EReadError);
    EXPECT_FALSE(l2.IsLoading());
    EXPECT_FALSE(l2.IsLoadingSelf());
    EXPECT_FALSE(TLoadableComponent::AnyLoading());
  }
  // A library lexer reports the failure in a box instead.
  TScriptedDialogService script({mrNo});
  TDialogServiceScope scope(&script);
  TLibSyntAnalyzer lib(nullptr);
  lib.SetLexerName(u"Pascal");
  Load(lib, text);
  ASSERT_EQ(script.Shown().size(), 2u);
  EXPECT_TRUE(script.Shown()[1].IsMessageBox);
  EXPECT_EQ(script.Shown()[1].Caption, u"Lexer loading error");
  EXPECT_EQ(script.Shown()[1].Icon, mbiError);
  EXPECT_EQ(script.Shown()[1].Text,
            u"Error occurs during loading lexer \"Pascal\". Error:\r\n"
            u"Line 2: Error reading L.Bogus: Property Bogus does not exist");
}

TEST(LexerFiles, LoadedComponentsKeepTheirNameAndLibraryLexersGetFreeOnes) {
  TComponent form(nullptr);
  auto* a = new TSyntAnalyzer(&form);
  a->SetName(u"Mine");
  Load(*a, "object Theirs: TSyntAnalyzer\n  Charset = DEFAULT_CHARSET\nend\n");
  EXPECT_EQ(a->Name(), u"Mine");

  // A library whose lexer names are taken in the owner.
  auto* taken = new TSyntAnalyzer(&form);
  taken->SetName(u"Pascal");
  auto* taken2 = new TSyntAnalyzer(&form);
  taken2->SetName(u"LibSyntAnalyzer1");
  auto* mgr = new TSyntaxManager(&form);
  mgr->SetName(u"Manager");
  std::string lib =
      "object Manager: TSyntaxManager\n"
      "  object Pascal: TLibSyntAnalyzer\n"
      "    LexerName = 'Pascal'\n"
      "    Charset = DEFAULT_CHARSET\n"
      "  end\n"
      "  object Pascal: TLibSyntAnalyzer\n"
      "    LexerName = 'Pascal 2'\n"
      "    Charset = DEFAULT_CHARSET\n"
      "  end\n"
      "end\n";
  Load(*mgr, lib);
  ASSERT_EQ(mgr->LexerCount(), 2);
  EXPECT_EQ(mgr->Lexers(0)->Name(), u"LibSyntAnalyzer2");
  EXPECT_EQ(mgr->Lexers(1)->Name(), u"LibSyntAnalyzer3");
  EXPECT_EQ(mgr->Lexers(0)->Owner(), &form);
  EXPECT_EQ(mgr->Lexers(0)->SyntaxManager(), mgr);
  EXPECT_EQ(mgr->FindLexer(u"pascal 2"), mgr->Lexers(1));
  // Outside a load, a taken name is an error as usual.
  EXPECT_THROW(mgr->Lexers(0)->SetName(u"Pascal"), EComponentError);
}

TEST(LexerFiles, ALibraryHoldsLexersOnlyAndRoundTrips) {
  TMenuItem menu(nullptr);
  TSyntaxManager mgr(nullptr);
  mgr.SetName(u"Lib");
  mgr.SetLexersMenu(&menu);
  mgr.SetMenuPlainText(u"None");
  mgr.OnChange = [](TObject*) {};
  TLibSyntAnalyzer* asmL = mgr.AddLexer();
  asmL->SetName(u"Asm");
  asmL->SetLexerName(u"Assembler");
  TLibSyntAnalyzer* pas = mgr.AddLexer();
  pas->SetName(u"Pascal");
  testing::BuildFullLexer(*pas, asmL);
  std::string text = Save(mgr);
  EXPECT_EQ(text.find("LexersMenu"), std::string::npos);
  EXPECT_EQ(text.find("MenuPlainText"), std::string::npos);
  EXPECT_EQ(text.find("object Lib: TSyntaxManager\n  object Asm: TLibSyntAnalyzer\n"), 0u) << text;
  EXPECT_NE(text.find("      SyntAnalyzer = Asm\n"), std::string::npos);

  TSyntaxManager copy(nullptr);
  copy.SetName(u"Lib");  // a loaded component keeps its own name
  copy.AddLexer();       // replaced by the load
  Load(copy, text);
  ASSERT_EQ(copy.LexerCount(), 2);
  EXPECT_EQ(copy.Lexers(1)->SubAnalyzers()->Items(0)->SyntAnalyzer(), copy.Lexers(0));
  std::string where;
  EXPECT_TRUE(EqualPublishedProperties(pas, copy.Lexers(1), &where)) << where;
  EXPECT_EQ(Save(copy), text);
  EXPECT_FALSE(copy.Modified());
  // Lexers that go leave the library.
  delete copy.Lexers(0);
  EXPECT_EQ(copy.LexerCount(), 1);
  EXPECT_EQ(copy.Lexers(0)->SubAnalyzers()->Items(0)->SyntAnalyzer(), nullptr);
  copy.Clear();
  EXPECT_EQ(copy.LexerCount(), 0);
  EXPECT_TRUE(copy.Modified());
}

std::vector<std::string> MenuTree(const TMenuItem* m, const std::string& indent = "") {
  std::vector<std::string> r;
  for (int i = 0; i < m->Count(); ++i) {
    const TMenuItem* it = m->Items(i);
    r.push_back(indent + Utf16ToUtf8(it->Caption()) + " " + std::to_string(it->Tag()) +
                (it->Checked() ? " *" : ""));
    for (auto& s : MenuTree(it, indent + "  ")) r.push_back(s);
  }
  return r;
}

TEST(LexerFiles, TheLexerMenuGroupsByDoubleColons) {
  TMenuItem menu(nullptr);
  auto* own = new TMenuItem(nullptr);
  own->SetCaption(u"Own item");
  menu.Add(own);
  TSyntaxManager mgr(nullptr);
  mgr.AddLexer()->SetLexerName(u"Group::Sub::Name");
  mgr.AddLexer()->SetLexerName(u"group::Other");
  TLibSyntAnalyzer* hidden = mgr.AddLexer();
  hidden->SetLexerName(u"Hidden");
  hidden->SetInternal(true);
  mgr.AddLexer()->SetLexerName(u"Pascal");
  mgr.SetLexersMenu(&menu);
  EXPECT_EQ(MenuTree(&menu), (std::vector<std::string>{
                                 "Own item 0",
                                 "- -2",
                                 "Plain Text -1 *",
                                 "- -2",
                                 "Group -2",
                                 "  Sub -2",
                                 "    Name 0",
                                 "  Other 1",
                                 "Pascal 3",
                             }));
  int changed = 0;
  mgr.OnLexerChanged = [&](TObject*) { ++changed; };
  menu.Items(5)->Click();
  EXPECT_EQ(mgr.CurrentLexer(), mgr.Lexers(3));
  EXPECT_TRUE(menu.Items(5)->Checked());
  EXPECT_FALSE(menu.Items(2)->Checked());
  menu.Items(4)->Items(1)->Click();  // inside a group
  EXPECT_EQ(mgr.CurrentLexer(), mgr.Lexers(1));
  menu.Items(4)->Items(1)->Click();  // the same again: still reported
  EXPECT_EQ(changed, 3);
  menu.Items(2)->Click();  // Plain Text
  EXPECT_EQ(mgr.CurrentLexer(), nullptr);
  EXPECT_EQ(changed, 4);
  mgr.SetCurrentLexer(hidden);  // internal lexers stay in the library
  EXPECT_EQ(mgr.CurrentLexer(), hidden);
  TLibSyntAnalyzer stranger(nullptr);
  mgr.SetCurrentLexer(&stranger);  // not one of the lexers: ignored
  EXPECT_EQ(mgr.CurrentLexer(), hidden);

  // Without plain text, and rebuilt: the manager's items are replaced, the own item stays.
  mgr.SetMenuPlainText(u"");
  EXPECT_EQ(MenuTree(&menu).size(), 7u);
  EXPECT_EQ(MenuTree(&menu)[0], "Own item 0");
  EXPECT_EQ(MenuTree(&menu)[1], "- -2");
  mgr.SetLexersMenu(nullptr);  // the old menu loses the manager's items
  EXPECT_EQ(MenuTree(&menu), (std::vector<std::string>{"Own item 0"}));
}

TEST(LexerFiles, StyleSetsRoundTrip) {
  TSyntStyles styles(nullptr);
  styles.SetName(u"Dark");
  TSyntaxFormat* s = styles.Styles()->Add();
  s->SetDisplayName(u"Text");
  s->SetBgColor(clBlack);
  s->Font()->SetColor(clWhite);
  std::string text = Save(styles);
  TSyntStyles copy(nullptr);
  copy.SetName(u"Dark");
  Load(copy, text);
  EXPECT_TRUE(EqualPublishedProperties(&styles, &copy));
  EXPECT_EQ(Save(copy), text);
}

TEST(LexerFiles, FilesAndResources) {
  auto dir = std::filesystem::temp_directory_path() / ("synt_lexers_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  TSyntAnalyzer l(nullptr);
  l.SetLexerName(u"File");
  std::string path = (dir / "a.lx").string();
  l.SaveToFile(path);
  EXPECT_EQ(l.FileName(), path);
  TSyntAnalyzer back(nullptr);
  back.LoadFromFile(path);
  EXPECT_EQ(back.LexerName(), u"File");
  EXPECT_THROW(back.LoadFromFile((dir / "missing.lx").string()), EFOpenError);
  std::filesystem::remove_all(dir);

  RegisterResource("TESTLEXER", "LEXER", "object X: TSyntAnalyzer\n  LexerName = 'Res'\nend\n");
  TSyntAnalyzer r(nullptr);
  r.LoadFromResourceName(0, "TESTLEXER", "LEXER");
  EXPECT_EQ(r.LexerName(), u"Res");
  EXPECT_THROW(r.LoadFromResourceName(0, "NOPE", "LEXER"), EResNotFound);
}

TEST(LexerFiles, TheManagerNamesTheLexerOfAnError) {
  std::string text =
      "object M: TSyntaxManager\n"
      "  object First: TLibSyntAnalyzer\n"
      "    Bogus = 1\n"
      "  end\n"
      "end\n";
  TScriptedDialogService script({mrYes});
  TDialogServiceScope scope(&script);
  TSyntaxManager mgr(nullptr);
  Load(mgr, text);
  ASSERT_EQ(script.Shown().size(), 1u);
  EXPECT_EQ(script.Shown()[0].Text,
            u"Ignore this error?\nError in lexer: First. Line 3: Error reading First.Bogus: "
            u"Property Bogus does not exist");
}

}  // namespace
}  // namespace synt
