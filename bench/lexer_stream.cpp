// Reading and writing lexer libraries in the stored form, on a generated library of 40 lexers with
// 60 styles, 300 token rules and 150 block rules each (about 3 MB of text). Baselines in the same
// run: decoding the bytes alone (the floor of any reader) and parsing the text into its tree
// without building objects.
#include <benchmark/benchmark.h>

#include <string>

#include "analysis/lexer_library.h"
#include "platform/filer.h"
#include "platform/streams.h"
#include "platform/text_bytes.h"
#include "platform/utf.h"

namespace synt {
namespace {

void Fill(TSyntAnalyzer& l, int n) {
  l.SetLexerName(u"Group::Lexer " + AsciiToUtf16(std::to_string(n)));
  l.SetExtentions(u"ext" + AsciiToUtf16(std::to_string(n)));
  for (int i = 0; i < 60; ++i) {
    TSyntaxFormat* s = l.Formats()->Add();
    s->SetDisplayName(u"Style " + AsciiToUtf16(std::to_string(i)));
    s->Font()->SetStyle(i % 2 ? TFontStyles{fsBold} : TFontStyles{fsItalic});
    s->SetBgColor(TColor(i * 4097));
  }
  for (int i = 0; i < 150; ++i) {
    TTagBlockCondition* b = l.BlockRules()->Add();
    b->SetDisplayName(u"Block " + AsciiToUtf16(std::to_string(i)));
    b->ConditionList()->Add()->TagList()->SetText(u"begin\ncase\ntry\nrecord\nclass");
    b->SetStyleName(u"Style " + AsciiToUtf16(std::to_string(i % 60)));
    b->SetCollapseFmt(u"%s0 ...");
  }
  for (int i = 0; i < 150; ++i)
    l.BlockRules()->Items(i)->SetBlockEnd(u"Block " + AsciiToUtf16(std::to_string((i + 1) % 150)));
  for (int i = 0; i < 300; ++i) {
    TTokenRule* r = l.TokenRules()->Add();
    r->SetDisplayName(u"Rule " + AsciiToUtf16(std::to_string(i)));
    r->SetExpression(u"\\b(begin|end|case|of|try|finally|except|record|class)\\b[a-z_]\\w*" +
                     AsciiToUtf16(std::to_string(i)));
    r->SetStyleName(u"Style " + AsciiToUtf16(std::to_string(i % 60)));
    r->SetTokenType(i % 10);
  }
}

const std::string& LibraryText() {
  static const std::string text = [] {
    TSyntaxManager m(nullptr);
    m.SetName(u"Library");
    for (int n = 0; n < 40; ++n) {
      TLibSyntAnalyzer* l = m.AddLexer();
      l->SetName(u"Lexer" + AsciiToUtf16(std::to_string(n)));
      Fill(*l, n);
    }
    return m.SaveToText();
  }();
  return text;
}

void BM_DecodeOnly(benchmark::State& state) {
  const std::string& text = LibraryText();
  for (auto _ : state) benchmark::DoNotOptimize(DecodeTextBytes(text));
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_DecodeOnly)->Unit(benchmark::kMillisecond);

void BM_ParseTree(benchmark::State& state) {
  const std::string& text = LibraryText();
  for (auto _ : state) {
    std::vector<TTextError> errors;
    benchmark::DoNotOptimize(ParseObjectText(DecodeTextBytes(text), errors));
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_ParseTree)->Unit(benchmark::kMillisecond);

void BM_LoadLibrary(benchmark::State& state) {
  const std::string& text = LibraryText();
  for (auto _ : state) {
    TSyntaxManager m(nullptr);
    TMemoryStream s(text);
    m.LoadFromStream(s);
    benchmark::DoNotOptimize(m.LexerCount());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_LoadLibrary)->Unit(benchmark::kMillisecond);

void BM_SaveLibrary(benchmark::State& state) {
  const std::string& text = LibraryText();
  TSyntaxManager m(nullptr);
  TMemoryStream s(text);
  m.LoadFromStream(s);
  for (auto _ : state) benchmark::DoNotOptimize(m.SaveToText());
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_SaveLibrary)->Unit(benchmark::kMillisecond);

void BM_AssignLexer(benchmark::State& state) {
  TSyntAnalyzer src(nullptr);
  Fill(src, 1);
  for (auto _ : state) {
    TSyntAnalyzer dst(nullptr);
    dst.Assign(&src);
    benchmark::DoNotOptimize(dst.TokenRules()->Count());
  }
}
BENCHMARK(BM_AssignLexer)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace synt

BENCHMARK_MAIN();
