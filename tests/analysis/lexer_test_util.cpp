#include "lexer_test_util.h"

#include "text/memo_strings.h"

namespace synt::testing {

void BuildFullLexer(TSyntAnalyzer& L, TSyntAnalyzer* Sub) {
  // Styles: the marked block one stays; two more with everything changed.
  TSyntaxFormat* kw = L.Formats()->Add();
  kw->SetDisplayName(u"Keyword \u00e9");
  kw->SetEnabled(false);
  kw->Font()->SetName(u"Times New Roman");
  kw->Font()->SetHeight(-21);
  kw->Font()->SetColor(clNavy);
  kw->Font()->SetStyle({fsBold, fsUnderline});
  kw->Font()->SetCharset(RUSSIAN_CHARSET);
  kw->Font()->SetPitch(fpFixed);
  kw->SetBgColor(TColor(0x00F0E0D0));
  kw->SetVertAlignment(vaBottom);
  kw->SetFormatType(ftCustomFont);
  kw->SetHidden(true);
  kw->SetBorderTypeLeft(blSolid);
  kw->SetBorderColorLeft(clRed);
  kw->SetBorderTypeTop(blDash);
  kw->SetBorderColorTop(clGreen);
  kw->SetBorderTypeRight(blWavyLine);
  kw->SetBorderColorRight(clBtnFace);
  kw->SetBorderTypeBottom(blDouble);
  kw->SetBorderColorBottom(TColor(123456));
  kw->SetMultiLineBorder(true);
  kw->SetReadOnly(true);
  kw->SetChangeCase(ccTitle);
  kw->SetFormatFlags({ffBold, ffHidden, ffFontSize});
  TSyntaxFormat* cm = L.Formats()->Add();
  cm->SetDisplayName(u"Comment");
  cm->SetFormatType(ftBackGround);

  // Block rules, the first naming the second (a forward reference) as its end.
  TTagBlockCondition* open = L.BlockRules()->Add();
  TTagBlockCondition* close = L.BlockRules()->Add();
  open->SetDisplayName(u"Begin");
  close->SetDisplayName(u"End");
  open->SetEnabled(false);
  open->SetStyleName(u"Keyword \u00e9");
  open->SetBlockName(u"End");
  open->SetStrictParent(true);
  open->SetNotParent(true);
  open->SetAlwaysEnabled(true);
  open->SetStatesAdd(1);
  open->SetStatesRemove(-2147483647 - 1);
  open->SetStatesPresent(4);
  open->SetStatesAbsent(8);
  open->SetBlockType(btLineBreak);
  TSingleTagCondition* c1 = open->ConditionList()->Add();
  c1->TagList()->SetText(u"begin\ncase\ntry");
  c1->SetCondType(tcStrictMask);
  c1->SetTokenTypes(0xFFFFFFFFu);
  c1->SetIgnoreCase(true);
  open->ConditionList()->Add()->SetCondType(tcSkip);
  open->SetIdentIndex(-1);
  open->SetLinePos(lbBottom);
  open->SetBlockOffset(2);
  open->SetBlockEnd(u"End");
  open->SetEndOfTextClose(true);
  open->SetNotCollapsed(true);
  open->SetSameIdent(true);
  open->SetHighlight(true);
  open->SetInvertColors(true);
  open->SetDisplayInTree(false);
  open->SetNameFmt(u"%s0");
  open->SetGroupFmt(u"Group %ps0");
  open->SetRefToCondEnd(true);
  open->SetDynHighlight(dhRangeNoBound);
  open->SetHighlightPos(cpBoundTagBegin);
  open->SetDynSelectMin(true);
  open->SetCancelNextRules(true);
  open->SetDrawStaple(true);
  open->SetGroupIndex(7);
  open->SetCollapseFmt(u"%s0 ...");
  open->SetSelfClose(true);
  open->SetNoEndRule(true);
  open->SetGrammaRuleName(u"ClassDecl");
  open->SetTokenType(3);
  open->SetTreeItemStyle(u"Comment");
  open->SetTreeGroupStyle(u"Keyword \u00e9");
  open->SetTreeItemImage(4);
  open->SetTreeGroupImage(5);
  open->Pen()->SetColor(clMaroon);
  open->Pen()->SetStyle(psDashDot);
  open->Pen()->SetWidth(2);
  open->Pen()->SetMode(pmXor);
  open->SetUseCustomPen(true);
  open->SetIgnoreAsParent(true);
  open->SetAutoCloseMode(acmCloseOpened);
  open->SetAutoCloseText(u"end;");
  open->SetAutoCloseInternal(true);
  close->SetBlockType(btRangeEnd);
  close->ConditionList()->Add()->TagList()->SetText(u"end");

  // Token rules.
  TTokenRule* id = L.TokenRules()->Add();
  id->SetDisplayName(u"Identifier");
  id->SetStyleName(u"Comment");
  id->SetBlockName(u"Begin");
  id->SetTokenType(2);
  id->SetExpression(
      u"[a-z_]\\w*  # a long expression that needs more than one piece of sixty-four");
  id->SetColumnFrom(1);
  id->SetColumnTo(80);
  id->SetStatesPresent(16);
  L.TokenRules()->Add()->SetExpression(u"'.*?'");

  // Templates.
  TCodeTemplate* t = L.CodeTemplates()->Add();
  t->SetName(u"beg");
  t->SetDescription(u"begin end block");
  t->Code()->SetText(u"\r\nbegin\r\n  |\r\nend;");  // a leading empty line
  t->SetAdvanced(true);

  // Sub-lexer rules.
  TSubAnalyzerRule* sub = L.SubAnalyzers()->Add();
  sub->SetDisplayName(u"Asm");
  sub->SetStyleName(u"Comment");
  sub->SetStartExpression(u"\\basm\\b");
  sub->SetEndExpression(u"\\bend\\b");
  if (Sub) sub->SetSyntAnalyzer(Sub);
  sub->SetFromTextBegin(true);
  sub->SetToTextEnd(true);
  sub->SetIncludeBounds(true);
  sub->SetStatesRemove(32);

  L.SampleText()->SetText(u"program x;\nbegin\n  writeln('\u00fcber');\nend.");
  L.TokenTypeNames()->SetText(u"Unknown\nComment\nIdentifier\nKeyword");
  L.Gramma()->SetGramma(u"Skip = <Comment>;\r\nClassDecl = <Identifier> '=' 'class';");
  L.SetMarkedBlockStyle(u"Comment");
  L.SetSearchMatchStyle(u"Keyword \u00e9");
  L.SetCurrentLineStyle(u"Marked block");
  L.SetDefaultStyleName(u"Comment");
  L.SetCollapseStyleName(u"Keyword \u00e9");
  L.SetExtentions(u"pas dpr");
  L.SetLexerName(u"Languages::Pascal");
  L.SetSkipSpaces(false);
  L.SetFullRefreshSize(4096);
  L.Notes()->SetText(u"written for the tests");
  L.SetInternal(true);
  L.SetRestartFromLineStart(true);
  L.SetParseEndOfLine(true);
  L.SetLineComment(u"//");
  L.SetAlwaysSyncBlockAnal(true);
  L.SetIdleAppendDelay(300);
  L.SetIdleAppendDelayInit(0);
  L.SetCharset(GREEK_CHARSET);
  L.SetTag(-5);
}

}  // namespace synt::testing
