#include "platform/strings.h"

#include <unicode/uchar.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <numeric>

#include "platform/file_io.h"
#include "platform/filer.h"
#include "platform/streams.h"
#include "platform/text_bytes.h"
#include "platform/utf.h"

namespace synt {

// --- class descriptions ----------------------------------------------------------------------

const TClassInfo& TStrings::StaticClassInfo() {
  static const TClassInfo info("TStrings", &TPersistent::StaticClassInfo());
  return info;
}

const TClassInfo& TStringList::StaticClassInfo() {
  static const TClassInfo info("TStringList", &TStrings::StaticClassInfo());
  return info;
}

// --- comparison ------------------------------------------------------------------------------

int CompareListStrings(std::u16string_view A, std::u16string_view B, bool CaseSensitive) {
  UErrorCode err = U_ZERO_ERROR;
  int r = u_strCaseCompare(reinterpret_cast<const UChar*>(A.data()), int32_t(A.size()),
                           reinterpret_cast<const UChar*>(B.data()), int32_t(B.size()),
                           U_FOLD_CASE_DEFAULT | U_COMPARE_CODE_POINT_ORDER, &err);
  if (U_FAILURE(err)) r = 0;
  if (r != 0 || !CaseSensitive) return r < 0 ? -1 : r > 0 ? 1 : 0;
  int c = A.compare(B);
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

// --- TStrings --------------------------------------------------------------------------------

void TStrings::IndexError(int Index) const {
  throw EListError("Index " + std::to_string(Index) + " is out of range");
}

TObject* TStrings::GetObject(int) const {
  return nullptr;
}

void TStrings::Put(int Index, const std::u16string& S) {
  TObject* o = GetObject(Index);
  BeginUpdate();
  try {
    Delete(Index);
    InsertObject(Index, S, o);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::PutObject(int, TObject*) {}

std::u16string TStrings::GetTextStr() const {
  std::u16string result;
  int n = GetCount();
  for (int i = 0; i < n; ++i) {
    result += Get(i);
    result += lineBreak_;
  }
  return result;
}

void TStrings::SetTextStr(std::u16string_view Text) {
  BeginUpdate();
  try {
    Clear();
    size_t i = 0;
    while (i < Text.size()) {
      size_t j = i;
      while (j < Text.size() && Text[j] != u'\r' && Text[j] != u'\n') ++j;
      Add(std::u16string(Text.substr(i, j - i)));
      if (j < Text.size() && Text[j] == u'\r') ++j;
      if (j < Text.size() && Text[j] == u'\n') ++j;
      i = j;
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

int TStrings::Add(const std::u16string& S) {
  int i = GetCount();
  Insert(i, S);
  return i;
}

int TStrings::AddObject(const std::u16string& S, TObject* Object) {
  int i = Add(S);
  PutObject(i, Object);
  return i;
}

void TStrings::AddStrings(const TStrings& Strings) {
  BeginUpdate();
  try {
    int n = Strings.GetCount();
    for (int i = 0; i < n; ++i) AddObject(Strings.Get(i), Strings.GetObject(i));
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::InsertObject(int Index, const std::u16string& S, TObject* Object) {
  Insert(Index, S);
  PutObject(Index, Object);
}

int TStrings::IndexOf(std::u16string_view S) const {
  int n = GetCount();
  for (int i = 0; i < n; ++i)
    if (CompareStrings(Get(i), S) == 0) return i;
  return -1;
}

int TStrings::IndexOfName(std::u16string_view Name) const {
  int n = GetCount();
  for (int i = 0; i < n; ++i) {
    std::u16string s = Get(i);
    size_t p = s.find(nameValueSeparator_);
    if (p != std::u16string::npos && CompareStrings(std::u16string_view(s).substr(0, p), Name) == 0)
      return i;
  }
  return -1;
}

int TStrings::IndexOfObject(const TObject* Object) const {
  int n = GetCount();
  for (int i = 0; i < n; ++i)
    if (GetObject(i) == Object) return i;
  return -1;
}

void TStrings::Exchange(int Index1, int Index2) {
  BeginUpdate();
  try {
    std::u16string s = Get(Index1);
    TObject* o = GetObject(Index1);
    Put(Index1, Get(Index2));
    PutObject(Index1, GetObject(Index2));
    Put(Index2, s);
    PutObject(Index2, o);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::Move(int CurIndex, int NewIndex) {
  if (CurIndex == NewIndex) return;
  BeginUpdate();
  try {
    std::u16string s = Get(CurIndex);
    TObject* o = GetObject(CurIndex);
    Delete(CurIndex);
    InsertObject(NewIndex, s, o);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

bool TStrings::Equals(const TStrings& Other) const {
  int n = GetCount();
  if (n != Other.GetCount()) return false;
  for (int i = 0; i < n; ++i)
    if (Get(i) != Other.Get(i)) return false;
  return true;
}

void TStrings::Assign(const TPersistent* Source) {
  if (auto* src = dynamic_cast<const TStrings*>(Source)) {
    if (src == this) return;
    BeginUpdate();
    try {
      Clear();
      AddStrings(*src);
    } catch (...) {
      EndUpdate();
      throw;
    }
    EndUpdate();
    return;
  }
  TPersistent::Assign(Source);
}

void TStrings::BeginUpdate() {
  if (updateCount_ == 0) SetUpdateState(true);
  ++updateCount_;
}

void TStrings::EndUpdate() {
  if (updateCount_ > 0 && --updateCount_ == 0) SetUpdateState(false);
}

void TStrings::SetUpdateState(bool) {}

int TStrings::CompareStrings(std::u16string_view A, std::u16string_view B) const {
  return CompareListStrings(A, B, false);
}

void TStrings::LoadFromStream(TStream& Stream) {
  SetTextStr(DecodeTextBytes(Stream.ReadAll()));
}

void TStrings::SaveToStream(TStream& Stream) const {
  Stream.WriteString(Utf16ToUtf8(GetTextStr()));
}

void TStrings::LoadFromFile(const std::string& FileName) {
  TFileStream f(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(f);
}

void TStrings::SaveToFile(const std::string& FileName) const {
  TMemoryStream m;
  SaveToStream(m);
  WriteFileAtomic(FileName, m.DataString());
}

std::u16string TStrings::ToDelimited(char16_t Delim, char16_t Quote, bool Strict) const {
  int n = GetCount();
  if (n == 1 && Get(0).empty()) return std::u16string{Quote, Quote};
  std::u16string result;
  for (int i = 0; i < n; ++i) {
    std::u16string s = Get(i);
    bool quote = false;
    for (char16_t c : s)
      if (c == Quote || c == Delim || (!Strict && c <= u' ')) {
        quote = true;
        break;
      }
    if (i > 0) result += Delim;
    if (quote) {
      result += Quote;
      for (char16_t c : s) {
        if (c == Quote) result += Quote;
        result += c;
      }
      result += Quote;
    } else {
      result += s;
    }
  }
  return result;
}

void TStrings::FromDelimited(std::u16string_view Text, char16_t Delim, char16_t Quote,
                             bool Strict) {
  auto blank = [&](size_t p) { return !Strict && p < Text.size() && Text[p] <= u' '; };
  BeginUpdate();
  try {
    Clear();
    size_t p = 0;
    while (blank(p)) ++p;
    while (p < Text.size()) {
      std::u16string s;
      if (Text[p] == Quote) {
        ++p;
        while (p < Text.size()) {
          if (Text[p] == Quote) {
            if (p + 1 < Text.size() && Text[p + 1] == Quote) {
              s += Quote;
              p += 2;
              continue;
            }
            ++p;
            break;
          }
          s += Text[p++];
        }
      } else {
        size_t start = p;
        while (p < Text.size() && Text[p] != Delim && (Strict || Text[p] > u' ')) ++p;
        s.assign(Text.substr(start, p - start));
      }
      Add(s);
      while (blank(p)) ++p;
      if (p < Text.size() && Text[p] == Delim) {
        if (p + 1 == Text.size()) Add(std::u16string());
        ++p;
        while (blank(p)) ++p;
      }
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

std::u16string TStrings::DelimitedText() const {
  return ToDelimited(delimiter_, quoteChar_, strictDelimiter_);
}

void TStrings::SetDelimitedText(std::u16string_view Text) {
  FromDelimited(Text, delimiter_, quoteChar_, strictDelimiter_);
}

std::u16string TStrings::CommaText() const {
  return ToDelimited(u',', u'"', false);
}

void TStrings::SetCommaText(std::u16string_view Text) {
  FromDelimited(Text, u',', u'"', false);
}

std::u16string TStrings::Names(int Index) const {
  std::u16string s = Get(Index);
  size_t p = s.find(nameValueSeparator_);
  return p == std::u16string::npos ? std::u16string() : s.substr(0, p);
}

std::u16string TStrings::Values(std::u16string_view Name) const {
  int i = IndexOfName(Name);
  return i < 0 ? std::u16string() : ValueFromIndex(i);
}

void TStrings::SetValues(std::u16string_view Name, std::u16string_view Value) {
  int i = IndexOfName(Name);
  if (!Value.empty()) {
    std::u16string line = std::u16string(Name) + nameValueSeparator_ + std::u16string(Value);
    if (i < 0)
      Add(line);
    else
      Put(i, line);
  } else if (i >= 0) {
    Delete(i);
  }
}

std::u16string TStrings::ValueFromIndex(int Index) const {
  std::u16string s = Get(Index);
  size_t p = s.find(nameValueSeparator_);
  return p == std::u16string::npos ? std::u16string() : s.substr(p + 1);
}

void TStrings::DefineProperties(TFiler& Filer) {
  TPersistent::DefineProperties(Filer);
  Filer.DefineProperty(
      "Strings",
      [this](TReader& r) {
        // Through Assign, so that a descendant with its own line model (a text whose empty
        // text has no lines) gets exactly these lines.
        TStringList lines;
        r.ReadListBegin();
        while (!r.EndOfList()) lines.Add(r.ReadString());
        r.ReadListEnd();
        Assign(&lines);
      },
      [this](TWriter& w) {
        w.WriteListBegin();
        for (int i = 0; i < GetCount(); ++i) w.WriteString(Get(i));
        w.WriteListEnd();
      },
      GetCount() > 0);
}

// --- TStringList -----------------------------------------------------------------------------

TStringList::~TStringList() {
  OnChange = nullptr;
  OnChanging = nullptr;
  if (ownsObjects_)
    for (TItem& it : list_) delete it.O;
}

void TStringList::CheckIndex(int Index) const {
  if (Index < 0 || Index >= int(list_.size())) IndexError(Index);
}

std::u16string TStringList::Get(int Index) const {
  CheckIndex(Index);
  return list_[size_t(Index)].S;
}

TObject* TStringList::GetObject(int Index) const {
  CheckIndex(Index);
  return list_[size_t(Index)].O;
}

void TStringList::Put(int Index, const std::u16string& S) {
  if (sorted_) throw EListError("Operation not allowed on sorted list");
  CheckIndex(Index);
  Changing();
  list_[size_t(Index)].S = S;
  Changed();
}

void TStringList::PutObject(int Index, TObject* Object) {
  CheckIndex(Index);
  Changing();
  list_[size_t(Index)].O = Object;
  Changed();
}

void TStringList::Insert(int Index, const std::u16string& S) {
  InsertObject(Index, S, nullptr);
}

void TStringList::InsertObject(int Index, const std::u16string& S, TObject* Object) {
  if (sorted_) throw EListError("Operation not allowed on sorted list");
  if (Index < 0 || Index > int(list_.size())) IndexError(Index);
  InsertItem(Index, S, Object);
}

void TStringList::InsertItem(int Index, const std::u16string& S, TObject* Object) {
  Changing();
  list_.insert(list_.begin() + Index, TItem{S, Object});
  Changed();
}

void TStringList::Delete(int Index) {
  CheckIndex(Index);
  Changing();
  TObject* o = list_[size_t(Index)].O;
  list_.erase(list_.begin() + Index);
  if (ownsObjects_) delete o;
  Changed();
}

void TStringList::Clear() {
  if (list_.empty()) return;
  Changing();
  std::vector<TItem> old;
  old.swap(list_);
  if (ownsObjects_)
    for (TItem& it : old) delete it.O;
  Changed();
}

int TStringList::Add(const std::u16string& S) {
  return AddObject(S, nullptr);
}

int TStringList::AddObject(const std::u16string& S, TObject* Object) {
  int index;
  if (!sorted_) {
    index = int(list_.size());
  } else if (Find(S, index)) {
    switch (duplicates_) {
      case dupIgnore:
        return index;
      case dupError:
        throw EListError("String list does not allow duplicates");
      case dupAccept:
        // after the equal ones, so that equal lines keep their order of arrival
        while (index < int(list_.size()) && CompareStrings(list_[size_t(index)].S, S) == 0) ++index;
        break;
    }
  }
  InsertItem(index, S, Object);
  return index;
}

int TStringList::IndexOf(std::u16string_view S) const {
  if (!sorted_) return TStrings::IndexOf(S);
  int i;
  return Find(S, i) ? i : -1;
}

void TStringList::Exchange(int Index1, int Index2) {
  CheckIndex(Index1);
  CheckIndex(Index2);
  Changing();
  std::swap(list_[size_t(Index1)], list_[size_t(Index2)]);
  Changed();
}

bool TStringList::Find(std::u16string_view S, int& Index) const {
  int lo = 0, hi = int(list_.size()) - 1;
  bool found = false;
  while (lo <= hi) {
    int mid = lo + (hi - lo) / 2;
    int c = CompareStrings(list_[size_t(mid)].S, S);
    if (c < 0) {
      lo = mid + 1;
    } else {
      hi = mid - 1;
      if (c == 0) found = true;  // keep going left to the first equal line
    }
  }
  Index = lo;
  return found;
}

void TStringList::Sort() {
  CustomSort([](const TStringList& l, int a, int b) {
    return l.CompareStrings(l.list_[size_t(a)].S, l.list_[size_t(b)].S);
  });
}

void TStringList::CustomSort(
    const std::function<int(const TStringList& List, int Index1, int Index2)>& Compare) {
  if (list_.size() < 2) return;
  Changing();
  std::vector<int> order(list_.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](int a, int b) { return Compare(*this, a, b) < 0; });
  std::vector<TItem> sorted;
  sorted.reserve(list_.size());
  for (int i : order) sorted.push_back(std::move(list_[size_t(i)]));
  list_.swap(sorted);
  Changed();
}

void TStringList::SetSorted(bool V) {
  if (sorted_ == V) return;
  if (V) Sort();
  sorted_ = V;
}

void TStringList::SetCaseSensitive(bool V) {
  if (caseSensitive_ == V) return;
  caseSensitive_ = V;
  if (sorted_) Sort();
}

void TStringList::Changed() {
  if (UpdateCount() == 0 && OnChange) OnChange(this);
}

void TStringList::Changing() {
  if (UpdateCount() == 0 && OnChanging) OnChanging(this);
}

void TStringList::SetUpdateState(bool Updating) {
  if (Updating)
    Changing();
  else
    Changed();
}

int TStringList::CompareStrings(std::u16string_view A, std::u16string_view B) const {
  return CompareListStrings(A, B, caseSensitive_);
}

}  // namespace synt
