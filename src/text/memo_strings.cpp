#include "text/memo_strings.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <climits>
#include <stdexcept>

#include "lists/char_utils.h"
#include "lists/sorted_list.h"
#include "lists/utf8_codec.h"
#include "platform/filer.h"
#include "platform/streams.h"
#include "platform/file_io.h"

namespace synt {

namespace {

constexpr size_t kMaxText = size_t(INT_MAX) - 16;

void CheckRoom(size_t have, size_t add) {
  if (add > kMaxText || have > kMaxText - add) throw Exception("Text too large");
}

}  // namespace

const TClassInfo& TSyntMemoStrings::StaticClassInfo() {
  static const TClassInfo info("TSyntMemoStrings", &TStrings::StaticClassInfo());
  return info;
}

TSyntMemoStrings::TSyntMemoStrings()
    : fEncoding(DefaultEncoding), fLineBreakStyle(DefaultLineBreakStyle) {}

TSyntMemoStrings::~TSyntMemoStrings() = default;

// ---- Text ---------------------------------------------------------------------------------------

std::u16string TSyntMemoStrings::SubString(int Pos, int Count) const {
  long start = long(Pos) - 1, n = Count;
  if (start < 0) n += start, start = 0;
  long len = TextLength();
  if (n <= 0 || start >= len) return {};
  return std::u16string(TextView().substr(size_t(start), size_t(std::min(n, len - start))));
}

char16_t TSyntMemoStrings::CharAt(int Pos) const {
  return Pos >= 1 && Pos <= TextLength() ? fText[size_t(Pos - 1)] : char16_t(0);
}

// ---- Lines --------------------------------------------------------------------------------------

int TSyntMemoStrings::LineStart(int Index) const {
  if (fStarts.empty()) return 0;
  Index = std::clamp(Index, 0, GetCount() - 1);
  return fStarts[size_t(Index)];
}

int TSyntMemoStrings::LinePos(int Index) const {
  if (Index <= -1) return 0;
  return LineStart(Index) + 1;
}

int TSyntMemoStrings::LineSpace(int Index) const {
  int n = GetCount();
  if (n == 0 || Index < 0) return 0;
  if (Index >= n - 1) return TextLength() - fStarts[size_t(n - 1)];
  return fStarts[size_t(Index) + 1] - fStarts[size_t(Index)];
}

std::u16string_view TSyntMemoStrings::LineText(int Index) const {
  if (Index < 0 || Index >= GetCount()) return {};
  size_t s = size_t(fStarts[size_t(Index)]);
  size_t e = Index + 1 < GetCount() ? size_t(fStarts[size_t(Index) + 1]) : fText.Size();
  if (e > s && fText[e - 1] == '\n') --e;
  if (e > s && fText[e - 1] == '\r') --e;
  return TextView().substr(s, e - s);
}

int TSyntMemoStrings::LineLength(int Index) const { return int(LineText(Index).size()); }

bool TSyntMemoStrings::IsLineBlank(int Index) const { return IsBlank(LineText(Index)); }

bool TSyntMemoStrings::LastLineOpen() const {
  // The last line never ends with a break (a break starts another line), so it is open exactly
  // when it is not empty.
  return fStarts.empty() || fStarts.back() < TextLength();
}

int TSyntMemoStrings::CountNoEmptyLast() const {
  int n = GetCount();
  return n > 0 && fStarts.back() == TextLength() ? n - 1 : n;
}

int TSyntMemoStrings::CharType(int Pos) const {
  char16_t c = CharAt(Pos);
  if (c >= 0xD800 && c <= 0xDBFF) {
    char16_t n = CharAt(Pos + 1);
    return n >= 0xDC00 && n <= 0xDFFF ? 1 : 0;
  }
  if (c >= 0xDC00 && c <= 0xDFFF) {
    char16_t p = CharAt(Pos - 1);
    return p >= 0xD800 && p <= 0xDBFF ? 2 : 0;
  }
  return 0;
}

int TSyntMemoStrings::LineOfPos(int Pos) const {
  if (fStarts.empty() || Pos <= 0) return 0;
  return int(std::upper_bound(fStarts.begin(), fStarts.end(), Pos) - fStarts.begin()) - 1;
}

int TSyntMemoStrings::CaretPosToStrPos(TPoint P) const {
  if (P.Y >= GetCount()) return TextLength();
  if (P.Y < 0) return 0;
  return fStarts[size_t(P.Y)] + std::clamp(P.X, 0, LineLength(P.Y));
}

TPoint TSyntMemoStrings::StrPosToCaretPos(int Pos) const {
  if (Pos <= 0 || fStarts.empty()) return {0, 0};
  int y = LineOfPos(Pos);
  return {std::min(Pos - fStarts[size_t(y)], LineLength(y)), y};
}

// ---- Editing ------------------------------------------------------------------------------------

void TSyntMemoStrings::RebuildLines() {
  fStarts.clear();
  LineStarts(TextView(), &fStarts);
  fStates.resize(fStarts.size(), lsUnchanged);
  if (fObjects) fObjects->resize(fStarts.size(), nullptr);
}

int TSyntMemoStrings::Edit(int Pos, int DelCount, std::u16string_view S) {
  const int oldLines = GetCount();
  const size_t oldLen = fText.Size();
  const int insLen = int(S.size());
  const int oldEnd = Pos + DelCount;
  if (size_t(oldEnd) == oldLen) fOddTrailingByte = false;

  if (oldLen == 0) {  // into an empty text: every line is new
    fText.Assign(S);
    fStates.clear();
    if (fObjects) fObjects->clear();
    RebuildLines();
    std::fill(fStates.begin(), fStates.end(), uint8_t(lsInserted));
    return GetCount();
  }

  // The line holding Pos is marked before the entries move, as the line it was.
  int k = LineOfPos(Pos);
  if (fStates[size_t(k)] != lsInserted) fStates[size_t(k)] = lsChanged;
  bool wholeLines = DelCount > 0 && fStarts[size_t(k)] == Pos &&
                    (size_t(oldEnd) == oldLen ||
                     std::binary_search(fStarts.begin(), fStarts.end(), oldEnd));

  // The starts that the edit can create or destroy lie after the line holding Pos-1 (a CR there
  // may pair with an LF at Pos) up to one unit past the edited span (an LF there may pair with a
  // CR at its end). That line's own start stays where it is (it lies before Pos, or is 0).
  const int k0 = LineOfPos(std::max(Pos - 1, 0));
  const int regionStart = fStarts[size_t(k0)];
  const size_t i0 = size_t(k0);
  const size_t i1 = size_t(std::upper_bound(fStarts.begin() + long(i0) + 1, fStarts.end(), oldEnd + 1) -
                           fStarts.begin());

  if (DelCount > 0) fText.Erase(size_t(Pos), size_t(DelCount));
  if (insLen > 0) fText.Insert(size_t(Pos), S);
  const size_t newLen = fText.Size();
  if (newLen == 0) {
    fStarts.clear();
    fStates.clear();
    if (fObjects) fObjects->clear();
    return -oldLines;
  }

  const int delta = insLen - DelCount;
  const int limit = Pos + insLen + 1;
  std::vector<int> fresh{regionStart};
  size_t scanEnd = std::min(size_t(limit) + 1, newLen);
  AppendLineStarts(fText.Data() + regionStart, scanEnd - size_t(regionStart), fresh,
                   size_t(regionStart));
  while (fresh.size() > 1 && fresh.back() > limit) fresh.pop_back();

  // Entries follow their text: an old line's state and object go to the new line that holds the
  // place its text went to; when several land in one line (a deletion), the last one stays.
  // Lines without an old entry are new.
  auto moved = [&](int q) {
    if (q < Pos) return q;
    if (DelCount == 0) return q + insLen;
    return q <= oldEnd ? Pos : q - DelCount;
  };
  std::vector<long> from(fresh.size(), -1);
  size_t f = 0;
  for (size_t j = i0; j < i1; ++j) {
    int m = moved(fStarts[j]);
    while (f + 1 < fresh.size() && fresh[f + 1] <= m) ++f;
    from[f] = long(j);
  }
  std::vector<uint8_t> states(fresh.size());
  std::vector<TObject*> objects(fObjects ? fresh.size() : 0);
  for (size_t i = 0; i < fresh.size(); ++i) {
    states[i] = from[i] >= 0 ? fStates[size_t(from[i])] : uint8_t(lsInserted);
    if (fObjects) objects[i] = from[i] >= 0 ? (*fObjects)[size_t(from[i])] : nullptr;
  }

  auto splice = [&](auto& vec, const auto& repl) {
    size_t a = i1 - i0, b = repl.size();
    if (b > a) {
      vec.insert(vec.begin() + long(i1), b - a, typename std::decay_t<decltype(vec)>::value_type());
    } else if (b < a) {
      vec.erase(vec.begin() + long(i0 + b), vec.begin() + long(i1));
    }
    std::copy(repl.begin(), repl.end(), vec.begin() + long(i0));
  };
  splice(fStarts, fresh);
  splice(fStates, states);
  if (fObjects) splice(*fObjects, objects);
  for (size_t i = i0 + fresh.size(); i < fStarts.size(); ++i) fStarts[i] += delta;

  // A deletion that leaves part of a line behind changes the line now holding Pos.
  if (DelCount > 0 && !wholeLines) {
    int y = LineOfPos(Pos);
    if (fStates[size_t(y)] != lsInserted) fStates[size_t(y)] = lsChanged;
  }
  return GetCount() - oldLines;
}

void TSyntMemoStrings::Changed(int Pos, int Count, int LineChange) {
  if (OnChange) OnChange(this, Pos, Count, LineChange);
}

void TSyntMemoStrings::DoInsert(int Pos, std::u16string_view S) {
  if (S.empty()) return;
  CheckRoom(fText.Size(), S.size());
  Pos = std::clamp(Pos, 0, TextLength());
  int lc = Edit(Pos, 0, S);
  Changed(Pos, int(S.size()), lc);
}

void TSyntMemoStrings::DoDelete(int Pos, int Count) {
  if (fStarts.empty()) return;
  if (Pos < 0) Count += Pos, Pos = 0;
  Count = std::min(Count, TextLength() - Pos);
  if (Count <= 0) return;
  int lc = Edit(Pos, Count, {});
  Changed(Pos, -Count, lc);
}

void TSyntMemoStrings::InsertText(int Pos, std::u16string_view S) {
  if (S.empty()) return;
  Pos = std::clamp(Pos, 0, TextLength());
  if (Pos > 0 && Pos < TextLength() && fText[size_t(Pos) - 1] == '\r' && fText[size_t(Pos)] == '\n')
    ++Pos;
  DoInsert(Pos, S);
}

void TSyntMemoStrings::DeleteText(int Pos, int Count) { DoDelete(Pos, Count); }

// ---- String-list operations ---------------------------------------------------------------------

std::u16string TSyntMemoStrings::Get(int Index) const { return std::u16string(LineText(Index)); }

void TSyntMemoStrings::SetTextStr(std::u16string_view S) {
  CheckRoom(0, S.size());
  fText.Assign(S);
  fOddTrailingByte = false;
  RebuildLines();
  Changed(-1, 0, 0);
}

void TSyntMemoStrings::Put(int Index, const std::u16string& S) {
  if (Index < 0 || Index >= GetCount()) IndexError(Index);
  int start = fStarts[size_t(Index)], len = LineLength(Index);
  // The new text goes in before the old is removed: removing first could let a CR before the line
  // pair with its LF, and the line would be gone.
  DoInsert(start, S);
  DoDelete(start + int(S.size()), len);
}

void TSyntMemoStrings::Insert(int Index, const std::u16string& S) {
  int n = GetCount();
  if (Index < 0 || Index > n) IndexError(Index);
  if (Index < n) {
    DoInsert(fStarts[size_t(Index)], S + u"\r\n");
  } else if (n == 0) {
    DoInsert(0, S);
  } else {
    DoInsert(TextLength(), u"\r\n" + S);
  }
}

void TSyntMemoStrings::Delete(int Index) {
  int n = GetCount();
  if (Index < 0 || Index >= n) IndexError(Index);
  if (Index == n - 1) {
    // The last line has no break of its own: the break before it goes with it (also when it is
    // the empty line after a final break, which would otherwise be impossible to delete).
    int from = Index == 0 ? 0 : fStarts[size_t(Index) - 1] + LineLength(Index - 1);
    DoDelete(from, TextLength() - from);
  } else {
    DoDelete(fStarts[size_t(Index)], LineSpace(Index));
  }
}

void TSyntMemoStrings::AddStrings(const std::vector<std::u16string>& Lines,
                                  const std::vector<TObject*>* Objects) {
  if (Lines.empty()) return;
  int n = GetCount();
  int first = n > 0 && !LastLineOpen() ? n - 1 : n;
  std::u16string add;
  if (n > 0 && LastLineOpen()) add = u"\r\n";
  for (const auto& l : Lines) add += l + u"\r\n";
  DoInsert(TextLength(), add);
  if (fObjects && Objects) {
    for (size_t i = 0; i < Lines.size() && i < Objects->size(); ++i)
      PutObject(first + int(i), (*Objects)[i]);
  }
}

void TSyntMemoStrings::AddStrings(const TStrings& Strings) {
  std::vector<std::u16string> lines;
  std::vector<TObject*> objects;
  int n = Strings.GetCount();
  lines.reserve(size_t(n));
  for (int i = 0; i < n; ++i) {
    lines.push_back(Strings.Get(i));
    objects.push_back(Strings.GetObject(i));
  }
  AddStrings(lines, &objects);
}

void TSyntMemoStrings::Assign(const TPersistent* Source) {
  if (Source == this) return;
  TStrings::Assign(Source);
  int n = TextLength();
  if (n >= 2 && fText[size_t(n) - 2] == '\r' && fText[size_t(n) - 1] == '\n') DoDelete(n - 2, 2);
}

void TSyntMemoStrings::DefineProperties(TFiler& Filer) {
  TPersistent::DefineProperties(Filer);
  Filer.DefineProperty(
      "Strings",
      [this](TReader& r) {
        std::u16string text;
        r.ReadListBegin();
        for (bool first = true; !r.EndOfList(); first = false) {
          if (!first) text += u"\r\n";
          text += r.ReadString();
        }
        r.ReadListEnd();
        BeginUpdate();
        try {
          SetTextStr(text);
        } catch (...) {
          EndUpdate();
          throw;
        }
        EndUpdate();
      },
      [this](TWriter& w) {
        w.WriteListBegin();
        for (int i = 0; i < GetCount(); ++i) w.WriteString(LineText(i));
        w.WriteListEnd();
      },
      GetCount() > 0);
}

TObject* TSyntMemoStrings::GetObject(int Index) const {
  if (!fObjects || Index < 0 || size_t(Index) >= fObjects->size()) return nullptr;
  return (*fObjects)[size_t(Index)];
}

void TSyntMemoStrings::PutObject(int Index, TObject* Object) {
  // The entries stay in step with the lines, so an index past them has no entry to set.
  if (!fObjects || Index < 0 || size_t(Index) >= fObjects->size()) return;
  (*fObjects)[size_t(Index)] = Object;
}

void TSyntMemoStrings::CreateLineObjects() {
  if (!fObjects) fObjects = std::make_unique<std::vector<TObject*>>(fStarts.size(), nullptr);
}

// ---- Line states --------------------------------------------------------------------------------

TLineState TSyntMemoStrings::LineState(int Index) const {
  if (Index < 0 || size_t(Index) >= fStates.size()) return lsUnchanged;
  return TLineState(fStates[size_t(Index)]);
}

void TSyntMemoStrings::ResetLineStates(int First, int Last) {
  First = std::max(First, 0);
  Last = std::min(Last, int(fStates.size()) - 1);
  for (int i = First; i <= Last; ++i) fStates[size_t(i)] = lsUnchanged;
}

void TSyntMemoStrings::MarkLinesSaved() {
  for (auto& s : fStates) {
    if (s != lsUnchanged) s = lsSaved;
  }
}

// ---- Files --------------------------------------------------------------------------------------

uint32_t TSyntMemoStrings::FileCodePage() const {
  return fCodePage != 0 ? fCodePage : CharsetToCodePage(fCharset);
}

void TSyntMemoStrings::DetectLineBreakStyle() {
  unsigned seen = 0;  // bit per style
  const char16_t* t = fText.Data();
  for (size_t i = 1; i < fStarts.size() && seen != 0xE; ++i) {
    size_t q = size_t(fStarts[i]);
    if (t[q - 1] == '\r') {
      seen |= 1u << lbCR;
    } else {
      seen |= 1u << (q >= 2 && t[q - 2] == '\r' ? lbCRLF : lbLF);
    }
  }
  if (seen == 0) {
    fLineBreakStyle = DefaultLineBreakStyle;
  } else if ((seen & (seen - 1)) == 0) {
    fLineBreakStyle = TLineBreakStyle(__builtin_ctz(seen));
  } else {
    fLineBreakStyle = lbKeep;  // mixed
  }
}

void TSyntMemoStrings::LoadFromBytes(std::string_view Bytes) {
  if (Bytes.empty()) {
    // No mark, as for any other input without one: saving the empty text writes nothing.
    if (!fNoSignature) fEncoding = teAnsi;
    SetTextStr(u"");
    return;
  }
  TTextEncoding enc = teAnsi;
  size_t bom = 0;
  auto b = [&](size_t i) { return uint8_t(Bytes[i]); };
  if (Bytes.size() >= 2) {
    if (b(0) == 0xFF && b(1) == 0xFE) {
      enc = teUtf16LE, bom = 2;
    } else if (b(0) == 0xFE && b(1) == 0xFF) {
      enc = teUtf16BE, bom = 2;
    } else if (Bytes.size() >= 3 && b(0) == 0xEF && b(1) == 0xBB && b(2) == 0xBF) {
      enc = teUtf8, bom = 3;
    }
  }
  if (bom == 0 && fNoSignature) enc = fEncoding;
  std::string_view data = Bytes.substr(bom);
  if (OnDetectEncoding) OnDetectEncoding(this, data, enc);
  if (enc > teUtf8) enc = teAnsi;

  // Decode into a fresh buffer so that a failure leaves the document as it was.
  TTextBuffer text;
  std::vector<int> starts;
  bool odd = false;
  uint32_t cp = enc == teUtf8 ? CP_UTF8 : enc == teAnsi ? FileCodePage() : 0;
  if (enc == teUtf16LE || enc == teUtf16BE) {
    size_t units = data.size() / 2;
    odd = data.size() % 2 != 0;
    CheckRoom(0, units + odd);
    char16_t* d = text.Prepare(units + odd);
    const auto* p = reinterpret_cast<const uint8_t*>(data.data());
    if (enc == teUtf16LE) {
      for (size_t i = 0; i < units; ++i) d[i] = char16_t(p[2 * i] | p[2 * i + 1] << 8);
    } else {
      for (size_t i = 0; i < units; ++i) d[i] = char16_t(p[2 * i] << 8 | p[2 * i + 1]);
    }
    // The odd final byte is kept as an escape unit and written back as one byte.
    if (odd) d[units] = char16_t(kByteEscape + p[data.size() - 1]);
    text.SetSize(units + odd);
    if (units + odd > 0) starts.push_back(0);
    AppendLineStarts(d, units + odd, starts);
  } else if (cp == CP_UTF8) {
    CheckRoom(0, data.size());
    char16_t* d = text.Prepare(data.size());
    starts.reserve(data.size() / 32 + 1);
    if (!data.empty()) starts.push_back(0);
    text.SetSize(Utf8DecodeInto(data.data(), data.size(), d, &starts));
    text.Trim();
  } else {
    std::u16string u = CodePageToUtf16(data, cp);
    CheckRoom(0, u.size());
    text.Assign(u);
    LineStarts(u, &starts);
  }

  fText.Swap(text);
  fStarts.swap(starts);
  fOddTrailingByte = odd;
  fEncoding = enc;
  fStates.resize(fStarts.size(), lsUnchanged);
  if (fObjects) fObjects->resize(fStarts.size(), nullptr);
  DetectLineBreakStyle();
  Changed(-1, 0, 0);
}

void TSyntMemoStrings::LoadFromStream(TStream& Stream) { LoadFromBytes(Stream.ReadAll()); }

void TSyntMemoStrings::LoadFromFile(const std::string& FileName) {
  TFileBytes bytes = ReadFileBytes(FileName);
  LoadFromBytes(bytes.View());
}

void TSyntMemoStrings::Encode(const std::function<void(std::string_view)>& Sink,
                              size_t* Unmappable) const {
  if (Unmappable) *Unmappable = 0;
  const uint32_t cp = fEncoding == teAnsi ? FileCodePage() : 0;
  if (cp && !IsCodePageSupported(cp))
    throw EConvertError("Code page " + std::to_string(cp) + " is not supported");
  if (!fNoSignature) {
    if (fEncoding == teUtf16LE) Sink("\xFF\xFE");
    if (fEncoding == teUtf16BE) Sink("\xFE\xFF");
    if (fEncoding == teUtf8) Sink("\xEF\xBB\xBF");
  }
  std::string bytes;
  auto emit = [&](std::u16string_view units, bool last) {
    switch (fEncoding) {
      case teAnsi: {
        size_t bad = 0;
        bytes = Utf16ToCodePage(units, cp, &bad);
        if (Unmappable) *Unmappable += bad;
        break;
      }
      case teUtf8:
        bytes = Utf8EncodeLossless(units);
        break;
      default: {
        // The odd final byte of a UTF-16 file goes back as the one byte it was.
        bool odd = last && fOddTrailingByte && !units.empty() && IsByteEscape(units.back());
        size_t n = units.size() - odd;
        bytes.resize(2 * n + odd);
        char* d = bytes.data();
        if (fEncoding == teUtf16LE && std::endian::native == std::endian::little) {
          std::memcpy(d, units.data(), n * 2);
        } else {
          bool le = fEncoding == teUtf16LE;
          for (size_t i = 0; i < n; ++i) {
            d[2 * i + (le ? 0 : 1)] = char(units[i] & 0xFF);
            d[2 * i + (le ? 1 : 0)] = char(units[i] >> 8);
          }
        }
        if (odd) d[2 * n] = char(units.back() - kByteEscape);
      }
    }
    Sink(bytes);
  };

  // The text goes out in pieces, never splitting a surrogate pair, so that saving a large
  // document needs little memory beyond it.
  constexpr size_t kPiece = size_t(1) << 16;
  std::u16string_view text = TextView();
  std::u16string_view brk = fLineBreakStyle == lbCRLF ? u"\r\n" : fLineBreakStyle == lbCR ? u"\r" : u"\n";
  bool convert = false;
  if (fLineBreakStyle != lbKeep) {
    for (int i = 0; i + 1 < GetCount() && !convert; ++i) {
      size_t s = size_t(fStarts[size_t(i)]) + LineText(i).size();
      convert = text.substr(s, size_t(fStarts[size_t(i) + 1]) - s) != brk;
    }
  }
  if (!convert) {
    for (size_t i = 0; i < text.size();) {
      size_t e = std::min(text.size(), i + kPiece);
      if (e < text.size() && text[e - 1] >= 0xD800 && text[e - 1] <= 0xDBFF) ++e;
      emit(text.substr(i, e - i), e == text.size());
      i = e;
    }
    return;
  }
  std::u16string piece;
  for (int i = 0; i < GetCount(); ++i) {
    piece += LineText(i);
    if (i + 1 == GetCount()) break;
    piece += brk;
    if (piece.size() >= kPiece) {
      emit(piece, false);
      piece.clear();
    }
  }
  emit(piece, true);
}

std::string TSyntMemoStrings::SaveToBytes(size_t* Unmappable) const {
  std::string out;
  out.reserve(fText.Size() + 16);  // exact for 8-bit text, a first guess for the others
  Encode([&](std::string_view b) { out += b; }, Unmappable);
  return out;
}

void TSyntMemoStrings::SaveToStream(TStream& Stream) const {
  Encode([&](std::string_view b) { Stream.WriteBuffer(b.data(), b.size()); }, nullptr);
}

void TSyntMemoStrings::SaveToFile(const std::string& FileName) const {
  TAtomicFile file(FileName);
  Encode([&](std::string_view b) { file.Write(b); }, nullptr);
  file.Commit();
}

// ---- Undo history -------------------------------------------------------------------------------

template <class F>
void TSyntMemoStrings::WatchModified(F&& f) {
  bool before = Modified();
  f();
  if (Modified() != before && OnModifiedChanged) OnModifiedChanged(this);
}

bool TSyntMemoStrings::Modified() const { return fModifiedFlag || DoneCount() != fSavePoint; }

void TSyntMemoStrings::DropRedo() {
  fUndo.erase(fUndo.end() - fRedoCount, fUndo.end());
  fRedoCount = 0;
  // The saved state was among the dropped records: no undoing leads back to it.
  if (int(fUndo.size()) < fSavePoint) fSavePoint = -1;
}

void TSyntMemoStrings::ApplyUndoLimit() {
  if (fUndoLimit <= 0) return;
  while (int(fUndo.size()) > fUndoLimit) {
    fUndo.pop_front();
    fModifiedFlag = true;
  }
}

void TSyntMemoStrings::AddUndo(TUndoKind Kind, std::u16string_view Inserted, bool CaretAfter,
                               int Pos, std::u16string_view Deleted) {
  WatchModified([&] {
    DropRedo();
    fUndo.push_back(TUndoRec{Kind, Pos, std::u16string(Inserted), std::u16string(Deleted),
                             CaretAfter, fUndoGroup});
    ApplyUndoLimit();
  });
}

void TSyntMemoStrings::ClearRedo() {
  WatchModified([&] { DropRedo(); });
}

void TSyntMemoStrings::ClearUndo() {
  WatchModified([&] {
    // Forgetting the history must not make unsaved changes look saved.
    bool was = Modified();
    fUndo.clear();
    fRedoCount = 0;
    fSavePoint = 0;
    if (was) fModifiedFlag = true;
  });
}

void TSyntMemoStrings::BeginUndoGroup() {
  if (fUndoNesting == 0) fUndoGroup = DoneCount() == 0 ? 0 : fUndo[size_t(DoneCount() - 1)].Group + 1;
  ++fUndoNesting;
}

void TSyntMemoStrings::EndUndoGroup() {
  if (--fUndoNesting <= 0) {
    fUndoNesting = 0;
    fUndoGroup = -1;
  }
}

void TSyntMemoStrings::SetModified(bool Value) {
  WatchModified([&] {
    fModifiedFlag = Value;
    if (!Value) {
      fUndo.clear();
      fRedoCount = 0;
      fSavePoint = 0;
      MarkLinesSaved();
    }
  });
}

void TSyntMemoStrings::MarkSaved() {
  WatchModified([&] {
    fSavePoint = DoneCount();
    fModifiedFlag = false;
  });
}

void TSyntMemoStrings::SetUndoLimit(int Value) {
  WatchModified([&] {
    fUndoLimit = Value;
    DropRedo();
    ApplyUndoLimit();
  });
}

void TSyntMemoStrings::SetRedoCount(int Value) {
  WatchModified([&] { fRedoCount = std::clamp(Value, 0, int(fUndo.size())); });
}

const TUndoRec& TSyntMemoStrings::UndoRecord(int Index) const {
  if (Index < 0 || Index >= UndoCount()) ThrowListIndexError(Index);
  return fUndo[size_t(Index)];
}

bool TSyntMemoStrings::Mergeable(const TUndoRec& E, const TUndoRec& L) {
  if (E.Kind != L.Kind) return false;
  if (L.Kind == ukDelete) return L.Pos + (L.CaretAfter ? int(E.Deleted.size()) : 0) == E.Pos;
  return L.Pos - (L.CaretAfter ? int(E.Inserted.size()) : 0) == E.Pos;
}

// Undo and redo restore the text exactly, so they insert without the CR LF adjustment of
// InsertText (a deletion may have joined a CR and an LF that were apart).
int TSyntMemoStrings::UndoOne() {
  ++fRedoCount;
  const TUndoRec r = fUndo[size_t(DoneCount())];
  if (r.Kind == ukReplace) {
    DoDelete(r.Pos, int(r.Inserted.size()));
    DoInsert(r.Pos, r.Deleted);
  } else if (r.Kind == ukDelete) {
    DoInsert(r.Pos, r.Deleted);
  } else {
    return r.Pos;
  }
  return r.Pos + (r.CaretAfter ? int(r.Deleted.size()) : 0);
}

int TSyntMemoStrings::RedoOne() {
  const TUndoRec r = fUndo[size_t(DoneCount())];
  --fRedoCount;
  if (r.Kind == ukReplace) {
    DoDelete(r.Pos, int(r.Deleted.size()));
    DoInsert(r.Pos, r.Inserted);
    return r.Pos + (r.CaretAfter ? int(r.Inserted.size()) : 0);
  }
  if (r.Kind == ukDelete) DoDelete(r.Pos, int(r.Deleted.size()));
  return r.Pos;
}

int TSyntMemoStrings::Undo(bool GroupUndo) {
  if (!CanUndo()) return -1;
  int caret = -1;
  WatchModified([&] {
    bool more;
    do {
      int i = DoneCount() - 1;
      more = i > 0 && (fUndo[size_t(i)].Group == fUndo[size_t(i) - 1].Group ||
                       (GroupUndo && Mergeable(fUndo[size_t(i) - 1], fUndo[size_t(i)])));
      if (i >= 0) caret = UndoOne();
    } while (more);
  });
  return caret;
}

int TSyntMemoStrings::Redo(bool GroupRedo) {
  if (!CanRedo()) return -1;
  int caret = -1;
  WatchModified([&] {
    bool more;
    do {
      size_t i = size_t(DoneCount());
      more = fRedoCount >= 2 && (fUndo[i].Group == fUndo[i + 1].Group ||
                                 (GroupRedo && Mergeable(fUndo[i], fUndo[i + 1])));
      if (fRedoCount > 0) caret = RedoOne();
    } while (more);
  });
  return caret;
}

size_t TSyntMemoStrings::AllocatedBytes() const {
  size_t n = fText.Capacity() * sizeof(char16_t) + fStarts.capacity() * sizeof(int) +
             fStates.capacity() + (fObjects ? fObjects->capacity() * sizeof(TObject*) : 0);
  for (const auto& r : fUndo)
    n += sizeof(r) + (r.Inserted.capacity() + r.Deleted.capacity()) * sizeof(char16_t);
  return n;
}

// ---- Invariants ---------------------------------------------------------------------------------

void TSyntMemoStrings::Check() const {
  std::vector<int> starts;
  LineStarts(TextView(), &starts);
  if (starts != fStarts) throw std::logic_error("TSyntMemoStrings: line table out of step");
  if (fStates.size() != fStarts.size())
    throw std::logic_error("TSyntMemoStrings: line states out of step");
  for (auto s : fStates) {
    if (s > lsSaved) throw std::logic_error("TSyntMemoStrings: bad line state");
  }
  if (fObjects && fObjects->size() != fStarts.size())
    throw std::logic_error("TSyntMemoStrings: line objects out of step");
  if (fOddTrailingByte && (fText.Size() == 0 || !IsByteEscape(fText[fText.Size() - 1])))
    throw std::logic_error("TSyntMemoStrings: odd byte mark without its unit");
  if (fRedoCount < 0 || fRedoCount > int(fUndo.size()))
    throw std::logic_error("TSyntMemoStrings: redo count outside the history");
}

}  // namespace synt
