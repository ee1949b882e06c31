// The line storage on the large Pascal corpus: loading against reading the raw file and against
// plain decoders, position conversions, one-character edits, and the memory held per megabyte.
//
//   bench_text_storage [--benchmark_filter=Load]      corpus: $SYNT_CORPUS, else pascal-100mb.pas
//                                                     of the corpus folder (SYNT_CORPUS_DIR)
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unicode/ucnv.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>

#include "bench_common.h"
#include "lists/utf8_codec.h"
#include "platform/file_io.h"
#include "text/memo_strings.h"

namespace {

std::string CorpusPath() {
  const char* env = std::getenv("SYNT_CORPUS");
  return env ? env : (synt::bench::CorpusDir() / "pascal-100mb.pas").string();
}

const synt::TFileBytes& Corpus() {
  static const synt::TFileBytes bytes = synt::ReadFileBytes(CorpusPath());
  return bytes;
}

// One loaded document shared by the lookup and edit benchmarks.
synt::TSyntMemoStrings& Document() {
  static synt::TSyntMemoStrings* doc = [] {
    auto* d = new synt::TSyntMemoStrings();
    d->LoadFromBytes(Corpus().View());
    return d;
  }();
  return *doc;
}

void SetBytes(benchmark::State& state) {
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(Corpus().View().size()));
}

// Baseline: the file's bytes into a fresh buffer with plain read().
void BM_ReadRawFile(benchmark::State& state) {
  Corpus();
  for (auto _ : state) {
    int fd = ::open(CorpusPath().c_str(), O_RDONLY);
    struct stat st;
    ::fstat(fd, &st);
    std::unique_ptr<char[]> buf(new char[size_t(st.st_size)]);
    size_t got = 0;
    while (got < size_t(st.st_size)) {
      ssize_t n = ::read(fd, buf.get() + got, size_t(st.st_size) - got);
      if (n <= 0) break;
      got += size_t(n);
    }
    ::close(fd);
    benchmark::DoNotOptimize(buf.get());
  }
  SetBytes(state);
}
BENCHMARK(BM_ReadRawFile)->Unit(benchmark::kMillisecond);

// The library's reader (huge-page buffer) on the same file.
void BM_ReadFileBytes(benchmark::State& state) {
  Corpus();
  for (auto _ : state) {
    synt::TFileBytes b = synt::ReadFileBytes(CorpusPath());
    benchmark::DoNotOptimize(b.View().data());
  }
  SetBytes(state);
}
BENCHMARK(BM_ReadFileBytes)->Unit(benchmark::kMillisecond);

// Yardsticks: ICU's UTF-8 decoder and a plain widening copy, into a buffer of the final size.
void BM_IcuUtf8Decode(benchmark::State& state) {
  std::string_view in = Corpus().View();
  std::unique_ptr<char16_t[]> out(new char16_t[in.size()]);
  UErrorCode err = U_ZERO_ERROR;
  UConverter* cnv = ucnv_open("UTF-8", &err);
  for (auto _ : state) {
    err = U_ZERO_ERROR;
    int32_t n = ucnv_toUChars(cnv, reinterpret_cast<UChar*>(out.get()), int32_t(in.size()),
                              in.data(), int32_t(in.size()), &err);
    benchmark::DoNotOptimize(n);
  }
  ucnv_close(cnv);
  SetBytes(state);
}
BENCHMARK(BM_IcuUtf8Decode)->Unit(benchmark::kMillisecond);

void BM_WideningCopy(benchmark::State& state) {
  std::string_view in = Corpus().View();
  std::unique_ptr<char16_t[]> out(new char16_t[in.size()]);
  for (auto _ : state) {
    for (size_t i = 0; i < in.size(); ++i) out[i] = uint8_t(in[i]);
    benchmark::DoNotOptimize(out.get());
  }
  SetBytes(state);
}
BENCHMARK(BM_WideningCopy)->Unit(benchmark::kMillisecond);

// The decoder with the line table alone, into a buffer already in memory.
void BM_DecodeWithLines(benchmark::State& state) {
  std::string_view in = Corpus().View();
  std::unique_ptr<char16_t[]> out(new char16_t[in.size()]);
  std::fill(out.get(), out.get() + in.size(), u' ');
  std::vector<int> starts;
  for (auto _ : state) {
    starts.clear();
    benchmark::DoNotOptimize(synt::Utf8DecodeInto(in.data(), in.size(), out.get(), &starts));
  }
  SetBytes(state);
}
BENCHMARK(BM_DecodeWithLines)->Unit(benchmark::kMillisecond);

// The storage: decoding with the broken-sequence check, the line table and the break style.
void BM_LoadFromBytes(benchmark::State& state) {
  std::string_view in = Corpus().View();
  for (auto _ : state) {
    synt::TSyntMemoStrings s;
    s.LoadFromBytes(in);
    benchmark::DoNotOptimize(s.Count());
  }
  SetBytes(state);
}
BENCHMARK(BM_LoadFromBytes)->Unit(benchmark::kMillisecond);

// The same into a storage that already holds the text (its buffers are reused).
void BM_ReloadFromBytes(benchmark::State& state) {
  std::string_view in = Corpus().View();
  synt::TSyntMemoStrings s;
  s.LoadFromBytes(in);
  for (auto _ : state) {
    s.LoadFromBytes(in);
    benchmark::DoNotOptimize(s.Count());
  }
  SetBytes(state);
}
BENCHMARK(BM_ReloadFromBytes)->Unit(benchmark::kMillisecond);

// Reading the file and loading it, as an editor opens it.
void BM_LoadFromFile(benchmark::State& state) {
  Corpus();
  for (auto _ : state) {
    synt::TSyntMemoStrings s;
    s.LoadFromFile(CorpusPath());
    benchmark::DoNotOptimize(s.Count());
  }
  SetBytes(state);
}
BENCHMARK(BM_LoadFromFile)->Unit(benchmark::kMillisecond);

void BM_SaveToBytes(benchmark::State& state) {
  synt::TSyntMemoStrings& d = Document();
  for (auto _ : state) benchmark::DoNotOptimize(d.SaveToBytes().size());
  SetBytes(state);
}
BENCHMARK(BM_SaveToBytes)->Unit(benchmark::kMillisecond);

// Saving to a file: encoding in pieces into a temporary file, flushed and renamed.
void BM_SaveToFile(benchmark::State& state) {
  synt::TSyntMemoStrings& d = Document();
  std::string path = "/tmp/synt_bench_save.txt";
  for (auto _ : state) d.SaveToFile(path);
  std::remove(path.c_str());
  SetBytes(state);
}
BENCHMARK(BM_SaveToFile)->Unit(benchmark::kMillisecond);

void BM_OffsetToPosition(benchmark::State& state) {
  synt::TSyntMemoStrings& d = Document();
  std::mt19937 rng(1);
  std::vector<int> offsets(1 << 16);
  for (auto& o : offsets) o = int(rng() % unsigned(d.TextLength()));
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(d.StrPosToCaretPos(offsets[i++ & 0xFFFF]));
  }
}
BENCHMARK(BM_OffsetToPosition);

void BM_PositionToOffset(benchmark::State& state) {
  synt::TSyntMemoStrings& d = Document();
  std::mt19937 rng(2);
  std::vector<synt::TPoint> points(1 << 16);
  for (auto& p : points) p = {int(rng() % 40), int(rng() % unsigned(d.Count()))};
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(d.CaretPosToStrPos(points[i++ & 0xFFFF]));
  }
}
BENCHMARK(BM_PositionToOffset);

// One character typed and removed again at the start, middle or end: two edits per iteration.
void BM_InsertDeleteChar(benchmark::State& state) {
  synt::TSyntMemoStrings& d = Document();
  int where = int(state.range(0));
  for (auto _ : state) {
    int pos = where == 0 ? 0 : where == 1 ? d.TextLength() / 2 : d.TextLength();
    d.InsertText(pos, u"x");
    d.DeleteText(pos, 1);
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * 2);
  state.SetLabel(where == 0 ? "start" : where == 1 ? "middle" : "end");
}
BENCHMARK(BM_InsertDeleteChar)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// A line break typed and removed again (the line table gains and loses an entry).
void BM_InsertDeleteLineBreak(benchmark::State& state) {
  synt::TSyntMemoStrings& d = Document();
  int where = int(state.range(0));
  for (auto _ : state) {
    int pos = where == 0 ? 0 : where == 1 ? d.TextLength() / 2 : d.TextLength();
    d.InsertText(pos, u"\r\n");
    d.DeleteText(pos, 2);
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * 2);
  state.SetLabel(where == 0 ? "start" : where == 1 ? "middle" : "end");
}
BENCHMARK(BM_InsertDeleteLineBreak)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

size_t ResidentBytes() {
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return size_t(resident) * size_t(::sysconf(_SC_PAGESIZE));
}

// Memory held by a loaded document per megabyte of file, before and after a first edit: what the
// storage allocated, and the growth of the resident set.
void BM_MemoryPerMegabyte(benchmark::State& state) {
  std::string_view in = Corpus().View();
  double held = 0, heldEdited = 0, rss = 0;
  for (auto _ : state) {
    size_t before = ResidentBytes();
    auto s = std::make_unique<synt::TSyntMemoStrings>();
    s->LoadFromBytes(in);
    held = double(s->AllocatedBytes());
    rss = double(ResidentBytes() - before);
    s->InsertText(s->TextLength() / 2, u"x");
    heldEdited = double(s->AllocatedBytes());
  }
  double mb = double(in.size());
  state.counters["held_per_MB"] = held / mb;
  state.counters["held_per_MB_after_edit"] = heldEdited / mb;
  state.counters["resident_per_MB"] = rss / mb;
}
BENCHMARK(BM_MemoryPerMegabyte)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
