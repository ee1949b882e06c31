#include "text/memo_strings.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>
#include <stdexcept>

#include "lists/char_utils.h"
#include "lists/sorted_list.h"
#include "lists/utf8_codec.h"
#include "platform/file_io.h"
#include "platform/filer.h"
#include "platform/streams.h"

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
    : encoding_(DefaultEncoding), lineBreakStyle_(DefaultLineBreakStyle) {}

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
  return Pos >= 1 && Pos <= TextLength() ? text_[size_t(Pos - 1)] : char16_t(0);
}

// ---- Lines --------------------------------------------------------------------------------------

int TSyntMemoStrings::LineStart(int Index) const {
  if (starts_.empty()) return 0;
  Index = std::clamp(Index, 0, GetCount() - 1);
  return starts_[size_t(Index)];
}

int TSyntMemoStrings::LinePos(int Index) const {
  if (Index <= -1) return 0;
  return LineStart(Index) + 1;
}

int TSyntMemoStrings::LineSpace(int Index) const {
  int n = GetCount();
  if (n == 0 || Index < 0) return 0;
  if (Index >= n - 1) return TextLength() - starts_[size_t(n - 1)];
  return starts_[size_t(Index) + 1] - starts_[size_t(Index)];
}

std::u16string_view TSyntMemoStrings::LineText(int Index) const {
  if (Index < 0 || Index >= GetCount()) return {};
  size_t s = size_t(starts_[size_t(Index)]);
  size_t e = Index + 1 < GetCount() ? size_t(starts_[size_t(Index) + 1]) : text_.Size();
  if (e > s && text_[e - 1] == '\n') --e;
  if (e > s && text_[e - 1] == '\r') --e;
  return TextView().substr(s, e - s);
}

int TSyntMemoStrings::LineLength(int Index) const {
  return int(LineText(Index).size());
}

bool TSyntMemoStrings::IsLineBlank(int Index) const {
  return IsBlank(LineText(Index));
}

bool TSyntMemoStrings::LastLineOpen() const {
  // The last line never ends with a break (a break starts another line), so it is open exactly
  // when it is not empty.
  return starts_.empty() || starts_.back() < TextLength();
}

int TSyntMemoStrings::CountNoEmptyLast() const {
  int n = GetCount();
  return n > 0 && starts_.back() == TextLength() ? n - 1 : n;
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
  if (starts_.empty() || Pos <= 0) return 0;
  return int(std::upper_bound(starts_.begin(), starts_.end(), Pos) - starts_.begin()) - 1;
}

int TSyntMemoStrings::CaretPosToStrPos(TPoint P) const {
  if (P.Y >= GetCount()) return TextLength();
  if (P.Y < 0) return 0;
  return starts_[size_t(P.Y)] + std::clamp(P.X, 0, LineLength(P.Y));
}

TPoint TSyntMemoStrings::StrPosToCaretPos(int Pos) const {
  if (Pos <= 0 || starts_.empty()) return {0, 0};
  int y = LineOfPos(Pos);
  return {std::min(Pos - starts_[size_t(y)], LineLength(y)), y};
}

// ---- Editing ------------------------------------------------------------------------------------

void TSyntMemoStrings::RebuildLines() {
  starts_.clear();
  LineStarts(TextView(), &starts_);
  states_.resize(starts_.size(), lsUnchanged);
  if (objects_) objects_->resize(starts_.size(), nullptr);
}

int TSyntMemoStrings::Edit(int Pos, int DelCount, std::u16string_view S) {
  loadedText_ = false;
  const int oldLines = GetCount();
  const size_t oldLen = text_.Size();
  const int insLen = int(S.size());
  const int oldEnd = Pos + DelCount;
  if (size_t(oldEnd) == oldLen) oddTrailingByte_ = false;

  if (oldLen == 0) {  // into an empty text: every line is new
    text_.Assign(S);
    states_.clear();
    if (objects_) objects_->clear();
    RebuildLines();
    std::fill(states_.begin(), states_.end(), uint8_t(lsInserted));
    return GetCount();
  }

  // The line holding Pos is marked before the entries move, as the line it was.
  int k = LineOfPos(Pos);
  if (states_[size_t(k)] != lsInserted) states_[size_t(k)] = lsChanged;
  bool wholeLines =
      DelCount > 0 && starts_[size_t(k)] == Pos &&
      (size_t(oldEnd) == oldLen || std::binary_search(starts_.begin(), starts_.end(), oldEnd));

  // The starts that the edit can create or destroy lie after the line holding Pos-1 (a CR there
  // may pair with an LF at Pos) up to one unit past the edited span (an LF there may pair with a
  // CR at its end). That line's own start stays where it is (it lies before Pos, or is 0).
  const int k0 = LineOfPos(std::max(Pos - 1, 0));
  const int regionStart = starts_[size_t(k0)];
  const size_t i0 = size_t(k0);
  const size_t i1 =
      size_t(std::upper_bound(starts_.begin() + long(i0) + 1, starts_.end(), oldEnd + 1) -
             starts_.begin());

  if (DelCount > 0) text_.Erase(size_t(Pos), size_t(DelCount));
  if (insLen > 0) text_.Insert(size_t(Pos), S);
  const size_t newLen = text_.Size();
  if (newLen == 0) {
    starts_.clear();
    states_.clear();
    if (objects_) objects_->clear();
    return -oldLines;
  }

  const int delta = insLen - DelCount;
  const int limit = Pos + insLen + 1;
  std::vector<int> fresh{regionStart};
  size_t scanEnd = std::min(size_t(limit) + 1, newLen);
  AppendLineStarts(text_.Data() + regionStart, scanEnd - size_t(regionStart), fresh,
                   size_t(regionStart));
  while (fresh.size() > 1 && fresh.back() > limit) fresh.pop_back();

  // Entries follow their text: an old line's state and object go to the new line that holds the
  // place its text went to. When several land in one line (a deletion joined them), the first
  // line keeps its entry if some of its text is left before Pos; otherwise the last one, whose
  // text goes on after the deletion, stays. Lines without an old entry are new.
  auto moved = [&](int q) {
    if (q < Pos) return q;
    if (DelCount == 0) return q + insLen;
    return q <= oldEnd ? Pos : q - DelCount;
  };
  std::vector<long> from(fresh.size(), -1);
  size_t f = 0;
  for (size_t j = i0; j < i1; ++j) {
    int m = moved(starts_[j]);
    while (f + 1 < fresh.size() && fresh[f + 1] <= m) ++f;
    if (from[f] < 0 || starts_[size_t(from[f])] >= Pos) from[f] = long(j);
  }
  std::vector<uint8_t> states(fresh.size());
  std::vector<TObject*> objects(objects_ ? fresh.size() : 0);
  for (size_t i = 0; i < fresh.size(); ++i) {
    states[i] = from[i] >= 0 ? states_[size_t(from[i])] : uint8_t(lsInserted);
    if (objects_) objects[i] = from[i] >= 0 ? (*objects_)[size_t(from[i])] : nullptr;
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
  splice(starts_, fresh);
  splice(states_, states);
  if (objects_) splice(*objects_, objects);
  for (size_t i = i0 + fresh.size(); i < starts_.size(); ++i) starts_[i] += delta;

  // A deletion that leaves part of a line behind changes the line now holding Pos.
  if (DelCount > 0 && !wholeLines) {
    int y = LineOfPos(Pos);
    if (states_[size_t(y)] != lsInserted) states_[size_t(y)] = lsChanged;
  }
  return GetCount() - oldLines;
}

void TSyntMemoStrings::Changed(int Pos, int Count, int LineChange) {
  if (OnChange) OnChange(this, Pos, Count, LineChange);
}

void TSyntMemoStrings::DoInsert(int Pos, std::u16string_view S, const TUndoLines* Restore) {
  if (S.empty()) return;
  CheckRoom(text_.Size(), S.size());
  Pos = std::clamp(Pos, 0, TextLength());
  int lc = Edit(Pos, 0, S);
  if (Restore) RestoreLines(Pos, *Restore);
  Changed(Pos, int(S.size()), lc);
}

void TSyntMemoStrings::DoDelete(int Pos, int Count, const TUndoLines* Restore) {
  if (starts_.empty()) return;
  if (Pos < 0) Count += Pos, Pos = 0;
  Count = std::min(Count, TextLength() - Pos);
  if (Count <= 0) return;
  int lc = Edit(Pos, Count, {});
  if (Restore) RestoreLines(Pos, *Restore);
  Changed(Pos, -Count, lc);
}

void TSyntMemoStrings::RestoreLines(int Pos, const TUndoLines& Saved) {
  if (starts_.empty()) return;
  const size_t first = size_t(LineOfPos(Pos));
  const bool states = Saved.StatesStamp == statesStamp_;
  for (size_t k = 0; k < Saved.Lines.size() && first + k < starts_.size(); ++k) {
    if (states) states_[first + k] = Saved.Lines[k].State;
    if (objects_ && Saved.LineObjects) (*objects_)[first + k] = Saved.Lines[k].Object;
  }
}

void TSyntMemoStrings::InsertText(int Pos, std::u16string_view S) {
  if (S.empty()) return;
  Pos = std::clamp(Pos, 0, TextLength());
  if (Pos > 0 && Pos < TextLength() && text_[size_t(Pos) - 1] == '\r' && text_[size_t(Pos)] == '\n')
    ++Pos;
  DoInsert(Pos, S);
}

void TSyntMemoStrings::DeleteText(int Pos, int Count) {
  DoDelete(Pos, Count);
}

// ---- String-list operations ---------------------------------------------------------------------

std::u16string TSyntMemoStrings::Get(int Index) const {
  return std::u16string(LineText(Index));
}

void TSyntMemoStrings::SetTextStr(std::u16string_view S) {
  SetTextStr(S, false);
}

void TSyntMemoStrings::SetTextStr(std::u16string_view S, bool Loaded) {
  CheckRoom(0, S.size());
  text_.Assign(S);
  oddTrailingByte_ = false;
  RebuildLines();
  loadedText_ = Loaded;
  Changed(-1, 0, 0);
}

void TSyntMemoStrings::Put(int Index, const std::u16string& S) {
  if (Index < 0 || Index >= GetCount()) IndexError(Index);
  int start = starts_[size_t(Index)], len = LineLength(Index);
  // The new text goes in before the old is removed: removing first could let a CR before the line
  // pair with its LF, and the line would be gone.
  DoInsert(start, S);
  DoDelete(start + int(S.size()), len);
}

void TSyntMemoStrings::Insert(int Index, const std::u16string& S) {
  int n = GetCount();
  if (Index < 0 || Index > n) IndexError(Index);
  if (Index < n) {
    DoInsert(starts_[size_t(Index)], S + u"\r\n");
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
    int from = Index == 0 ? 0 : starts_[size_t(Index) - 1] + LineLength(Index - 1);
    DoDelete(from, TextLength() - from);
  } else {
    DoDelete(starts_[size_t(Index)], LineSpace(Index));
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
  if (objects_ && Objects) {
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
  if (n >= 2 && text_[size_t(n) - 2] == '\r' && text_[size_t(n) - 1] == '\n') DoDelete(n - 2, 2);
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
  if (!objects_ || Index < 0 || size_t(Index) >= objects_->size()) return nullptr;
  return (*objects_)[size_t(Index)];
}

void TSyntMemoStrings::PutObject(int Index, TObject* Object) {
  // The entries stay in step with the lines, so an index past them has no entry to set.
  if (!objects_ || Index < 0 || size_t(Index) >= objects_->size()) return;
  (*objects_)[size_t(Index)] = Object;
}

void TSyntMemoStrings::CreateLineObjects() {
  if (!objects_) objects_ = std::make_unique<std::vector<TObject*>>(starts_.size(), nullptr);
}

// ---- Line states --------------------------------------------------------------------------------

TLineState TSyntMemoStrings::LineState(int Index) const {
  if (Index < 0 || size_t(Index) >= states_.size()) return lsUnchanged;
  return TLineState(states_[size_t(Index)]);
}

void TSyntMemoStrings::ResetLineStates(int First, int Last) {
  First = std::max(First, 0);
  Last = std::min(Last, int(states_.size()) - 1);
  for (int i = First; i <= Last; ++i) states_[size_t(i)] = lsUnchanged;
  ++statesStamp_;
}

void TSyntMemoStrings::MarkLinesSaved() {
  ++statesStamp_;
  for (auto& s : states_) {
    if (s != lsUnchanged) s = lsSaved;
  }
}

// ---- Files --------------------------------------------------------------------------------------

uint32_t TSyntMemoStrings::FileCodePage() const {
  return codePage_ != 0 ? codePage_ : CharsetToCodePage(charset_);
}

void TSyntMemoStrings::DetectLineBreakStyle() {
  unsigned seen = 0;  // bit per style
  const char16_t* t = text_.Data();
  for (size_t i = 1; i < starts_.size() && seen != 0xE; ++i) {
    size_t q = size_t(starts_[i]);
    if (t[q - 1] == '\r') {
      seen |= 1u << lbCR;
    } else {
      seen |= 1u << (q >= 2 && t[q - 2] == '\r' ? lbCRLF : lbLF);
    }
  }
  if (seen == 0) {
    lineBreakStyle_ = DefaultLineBreakStyle;
  } else if ((seen & (seen - 1)) == 0) {
    lineBreakStyle_ = TLineBreakStyle(__builtin_ctz(seen));
  } else {
    lineBreakStyle_ = lbKeep;  // mixed
  }
}

void TSyntMemoStrings::LoadFromBytes(std::string_view Bytes) {
  if (Bytes.empty()) {
    // No mark, as for any other input without one: saving the empty text writes nothing.
    if (!noSignature_) encoding_ = teAnsi;
    SetTextStr(u"", true);
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
  if (bom == 0 && noSignature_) enc = encoding_;
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

  text_.Swap(text);
  starts_.swap(starts);
  oddTrailingByte_ = odd;
  encoding_ = enc;
  states_.resize(starts_.size(), lsUnchanged);
  if (objects_) objects_->resize(starts_.size(), nullptr);
  DetectLineBreakStyle();
  loadedText_ = true;
  Changed(-1, 0, 0);
}

void TSyntMemoStrings::LoadFromStream(TStream& Stream) {
  LoadFromBytes(Stream.ReadAll());
}

void TSyntMemoStrings::LoadFromFile(const std::string& FileName) {
  TFileBytes bytes = ReadFileBytes(FileName);
  LoadFromBytes(bytes.View());
}

void TSyntMemoStrings::Encode(const std::function<void(std::string_view)>& Sink,
                              size_t* Unmappable) const {
  if (Unmappable) *Unmappable = 0;
  const uint32_t cp = encoding_ == teAnsi ? FileCodePage() : 0;
  if (cp && !IsCodePageSupported(cp))
    throw EConvertError("Code page " + std::to_string(cp) + " is not supported");
  if (!noSignature_) {
    if (encoding_ == teUtf16LE) Sink("\xFF\xFE");
    if (encoding_ == teUtf16BE) Sink("\xFE\xFF");
    if (encoding_ == teUtf8) Sink("\xEF\xBB\xBF");
  }
  std::string bytes;
  auto emit = [&](std::u16string_view units, bool last) {
    switch (encoding_) {
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
        bool odd = last && oddTrailingByte_ && !units.empty() && IsByteEscape(units.back());
        size_t n = units.size() - odd;
        bytes.resize(2 * n + odd);
        char* d = bytes.data();
        if (encoding_ == teUtf16LE && std::endian::native == std::endian::little) {
          std::memcpy(d, units.data(), n * 2);
        } else {
          bool le = encoding_ == teUtf16LE;
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
  std::u16string_view brk = lineBreakStyle_ == lbCRLF ? u"\r\n"
                            : lineBreakStyle_ == lbCR ? u"\r"
                                                      : u"\n";
  bool convert = false;
  if (lineBreakStyle_ != lbKeep) {
    for (int i = 0; i + 1 < GetCount() && !convert; ++i) {
      size_t s = size_t(starts_[size_t(i)]) + LineText(i).size();
      convert = text.substr(s, size_t(starts_[size_t(i) + 1]) - s) != brk;
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
  out.reserve(text_.Size() + 16);  // exact for 8-bit text, a first guess for the others
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

bool TSyntMemoStrings::Modified() const {
  return modifiedFlag_ || DoneCount() != savePoint_;
}

void TSyntMemoStrings::DropRedo() {
  undo_.erase(undo_.end() - redoCount_, undo_.end());
  undoLines_.erase(undoLines_.end() - redoCount_, undoLines_.end());
  redoCount_ = 0;
  // The saved state was among the dropped records: no undoing leads back to it.
  if (int(undo_.size()) < savePoint_) savePoint_ = -1;
}

void TSyntMemoStrings::ApplyUndoLimit() {
  if (undoLimit_ <= 0) return;
  while (int(undo_.size()) > undoLimit_) {
    undo_.pop_front();
    undoLines_.pop_front();
    modifiedFlag_ = true;
  }
}

void TSyntMemoStrings::AddUndo(TUndoKind Kind, std::u16string_view Inserted, bool CaretAfter,
                               int Pos, std::u16string_view Deleted) {
  WatchModified([&] {
    DropRedo();
    undo_.push_back(TUndoRec{Kind, Pos, std::u16string(Inserted), std::u16string(Deleted),
                             CaretAfter, undoGroup_});
    TUndoLines saved;
    if (!starts_.empty()) {
      const int first = LineOfPos(Pos);
      const int last = LineOfPos(std::min(Pos + int(Deleted.size()), TextLength()));
      for (int i = first; i <= last; ++i)
        saved.Lines.push_back(
            {TLineState(states_[size_t(i)]), objects_ ? (*objects_)[size_t(i)] : nullptr});
      saved.LineObjects = objects_ != nullptr;
      saved.StatesStamp = statesStamp_;
    }
    undoLines_.push_back(std::move(saved));
    ApplyUndoLimit();
  });
}

void TSyntMemoStrings::ClearRedo() {
  WatchModified([&] { DropRedo(); });
}

void TSyntMemoStrings::ClearUndo() {
  WatchModified([&] {
    // Forgetting the history must not make unsaved changes look saved; but a text loaded since
    // the last edit is as saved, whatever the history held.
    bool was = Modified();
    undo_.clear();
    undoLines_.clear();
    redoCount_ = 0;
    savePoint_ = 0;
    modifiedFlag_ = was && !loadedText_;
  });
}

void TSyntMemoStrings::BeginUndoGroup() {
  if (undoNesting_ == 0)
    undoGroup_ = DoneCount() == 0 ? 0 : undo_[size_t(DoneCount() - 1)].Group + 1;
  ++undoNesting_;
}

void TSyntMemoStrings::EndUndoGroup() {
  if (--undoNesting_ <= 0) {
    undoNesting_ = 0;
    undoGroup_ = -1;
  }
}

void TSyntMemoStrings::SetModified(bool Value) {
  WatchModified([&] {
    modifiedFlag_ = Value;
    if (!Value) {
      undo_.clear();
      undoLines_.clear();
      redoCount_ = 0;
      savePoint_ = 0;
      MarkLinesSaved();
    }
  });
}

void TSyntMemoStrings::MarkSaved() {
  WatchModified([&] {
    savePoint_ = DoneCount();
    modifiedFlag_ = false;
  });
}

void TSyntMemoStrings::SetUndoLimit(int Value) {
  WatchModified([&] {
    undoLimit_ = Value;
    DropRedo();
    ApplyUndoLimit();
  });
}

void TSyntMemoStrings::SetRedoCount(int Value) {
  WatchModified([&] { redoCount_ = std::clamp(Value, 0, int(undo_.size())); });
}

const TUndoRec& TSyntMemoStrings::UndoRecord(int Index) const {
  if (Index < 0 || Index >= UndoCount()) ThrowListIndexError(Index);
  return undo_[size_t(Index)];
}

bool TSyntMemoStrings::Mergeable(const TUndoRec& E, const TUndoRec& L) {
  if (E.Kind != L.Kind) return false;
  if (L.Kind == ukDelete) return L.Pos + (L.CaretAfter ? int(E.Deleted.size()) : 0) == E.Pos;
  return L.Pos - (L.CaretAfter ? int(E.Inserted.size()) : 0) == E.Pos;
}

// Undo and redo restore the text exactly, so they insert without the CR LF adjustment of
// InsertText (a deletion may have joined a CR and an LF that were apart).
int TSyntMemoStrings::UndoOne() {
  ++redoCount_;
  const TUndoRec r = undo_[size_t(DoneCount())];
  const TUndoLines saved = undoLines_[size_t(DoneCount())];
  if (r.Kind == ukReplace && r.Deleted.empty()) {
    DoDelete(r.Pos, int(r.Inserted.size()), &saved);
  } else if (r.Kind == ukReplace) {
    DoDelete(r.Pos, int(r.Inserted.size()));
    DoInsert(r.Pos, r.Deleted, &saved);
  } else if (r.Kind == ukDelete) {
    DoInsert(r.Pos, r.Deleted, &saved);
  } else {
    return r.Pos;
  }
  return r.Pos + (r.CaretAfter ? int(r.Deleted.size()) : 0);
}

int TSyntMemoStrings::RedoOne() {
  const TUndoRec r = undo_[size_t(DoneCount())];
  --redoCount_;
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
      more = i > 0 && (undo_[size_t(i)].Group == undo_[size_t(i) - 1].Group ||
                       (GroupUndo && Mergeable(undo_[size_t(i) - 1], undo_[size_t(i)])));
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
      more = redoCount_ >= 2 && (undo_[i].Group == undo_[i + 1].Group ||
                                 (GroupRedo && Mergeable(undo_[i], undo_[i + 1])));
      if (redoCount_ > 0) caret = RedoOne();
    } while (more);
  });
  return caret;
}

size_t TSyntMemoStrings::AllocatedBytes() const {
  size_t n = text_.Capacity() * sizeof(char16_t) + starts_.capacity() * sizeof(int) +
             states_.capacity() + (objects_ ? objects_->capacity() * sizeof(TObject*) : 0);
  for (const auto& r : undo_)
    n += sizeof(r) + (r.Inserted.capacity() + r.Deleted.capacity()) * sizeof(char16_t);
  for (const auto& l : undoLines_) n += sizeof(l) + l.Lines.capacity() * sizeof(TLineEntry);
  return n;
}

// ---- Invariants ---------------------------------------------------------------------------------

void TSyntMemoStrings::Check() const {
  std::vector<int> starts;
  LineStarts(TextView(), &starts);
  if (starts != starts_) throw std::logic_error("TSyntMemoStrings: line table out of step");
  if (states_.size() != starts_.size())
    throw std::logic_error("TSyntMemoStrings: line states out of step");
  for (auto s : states_) {
    if (s > lsSaved) throw std::logic_error("TSyntMemoStrings: bad line state");
  }
  if (objects_ && objects_->size() != starts_.size())
    throw std::logic_error("TSyntMemoStrings: line objects out of step");
  if (oddTrailingByte_ && (text_.Size() == 0 || !IsByteEscape(text_[text_.Size() - 1])))
    throw std::logic_error("TSyntMemoStrings: odd byte mark without its unit");
  if (undoLines_.size() != undo_.size())
    throw std::logic_error("TSyntMemoStrings: undo line entries out of step");
  if (redoCount_ < 0 || redoCount_ > int(undo_.size()))
    throw std::logic_error("TSyntMemoStrings: redo count outside the history");
}

}  // namespace synt
