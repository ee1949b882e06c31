// The text finder and the base of the find dialogs.
#include "editor/text_finder.h"

#include <algorithm>

#include "lists/char_utils.h"
#include "platform/dialogs.h"
#include "platform/properties.h"

namespace synt {

const TEnumInfo& SearchOptionInfo() {
  static const TEnumInfo info{
      "TSearchOption",
      {"ftCaseSensitive", "ftWholeWordOnly", "ftBackward", "ftSelectedText", "ftEntireScope",
       "ftRegularExpr", "ftPromtOnReplace", "ftReplaceTemplate"}};
  return info;
}

// ---- History encoding ---------------------------------------------------------------------------

namespace {

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

// The value of Digits hex digits at S[i], or -1 when they are not all there.
int HexAt(std::u16string_view S, size_t i, int Digits) {
  if (i + size_t(Digits) > S.size()) return -1;
  int v = 0;
  for (int k = 0; k < Digits; ++k) {
    const int d = HexValue(S[i + size_t(k)]);
    if (d < 0) return -1;
    v = v * 16 + d;
  }
  return v;
}

std::u16string DecodeEntry(std::u16string_view S) {
  std::u16string out;
  out.reserve(S.size());
  for (size_t i = 0; i < S.size(); ++i) {
    const char16_t c = S[i];
    const int digits = c == u'#' ? 2 : c == u'$' ? 4 : 0;
    const int v = digits ? HexAt(S, i + 1, digits) : -1;
    if (v < 0) {
      out.push_back(c);
      continue;
    }
    out.push_back(char16_t(v));
    i += size_t(digits);
  }
  return out;
}

}  // namespace

std::u16string EncodeHistory(const std::vector<std::u16string>& Entries) {
  static const char16_t kHex[] = u"0123456789ABCDEF";
  std::u16string out;
  for (size_t e = 0; e < Entries.size(); ++e) {
    if (e > 0) out += u"\r\n";
    for (char16_t c : Entries[e]) {
      if (c < 32 || c == u'#' || c == u'$') {
        out.push_back(u'#');
        out.push_back(kHex[c >> 4]);
        out.push_back(kHex[c & 15]);
      } else {
        out.push_back(c);
      }
    }
  }
  return out;
}

std::vector<std::u16string> DecodeHistory(std::u16string_view Encoded) {
  std::vector<std::u16string> entries;
  size_t i = 0;
  while (i < Encoded.size()) {
    size_t e = i;
    while (e < Encoded.size() && Encoded[e] != u'\r' && Encoded[e] != u'\n') ++e;
    entries.push_back(DecodeEntry(Encoded.substr(i, e - i)));
    if (e < Encoded.size() && Encoded[e] == u'\r') ++e;
    if (e < Encoded.size() && Encoded[e] == u'\n') ++e;
    i = e;
  }
  return entries;
}

std::u16string FormatSearchText(std::u16string_view Format, std::u16string_view Text) {
  std::u16string out;
  bool done = false;
  for (size_t i = 0; i < Format.size(); ++i) {
    if (Format[i] == u'%' && i + 1 < Format.size()) {
      if (Format[i + 1] == u'%') {
        out.push_back(u'%');
        ++i;
        continue;
      }
      if (Format[i + 1] == u's' && !done) {
        out.append(Text);
        done = true;
        ++i;
        continue;
      }
    }
    out.push_back(Format[i]);
  }
  return out;
}

// ---- TTextFinder --------------------------------------------------------------------------------

TTextFinder::TTextFinder(TComponent* Owner) : TComponent(Owner) {}
TTextFinder::~TTextFinder() = default;

bool TTextFinder::Prepare() {
  if (prepared_ && preparedText_ == findText_ && preparedFlags_ == flags_)
    return !findText_.empty() && (program_ || !flags_.Contains(ftRegularExpr));
  prepared_ = true;
  preparedText_ = findText_;
  preparedFlags_ = flags_;
  program_.reset();
  if (findText_.empty()) return false;
  if (flags_.Contains(ftRegularExpr)) {
    if (!regExpr_) regExpr_ = std::make_unique<TqxRegExpr>();
    uint16_t mods = DefaultModifiers.load();
    if (flags_.Contains(ftCaseSensitive))
      mods &= uint16_t(~rmIgnoreCase);
    else
      mods |= rmIgnoreCase;
    regExpr_->SetModifierFlags(mods);
    regExpr_->SetExpression(findText_);
    program_ = regExpr_->Program();
    return program_ != nullptr;
  }
  searcher_.Prepare(findText_, !flags_.Contains(ftCaseSensitive));
  return true;
}

std::string TTextFinder::ExpressionError() {
  if (findText_.empty() || !flags_.Contains(ftRegularExpr)) return {};
  Prepare();
  return regExpr_ ? regExpr_->InvalidReason() : std::string();
}

bool TTextFinder::WholeWordAt(std::u16string_view Text, int Pos, int Len) const {
  if (!flags_.Contains(ftWholeWordOnly)) return true;
  const int n = int(Text.size());
  const bool firstWord = Pos < n && IsWordChar(Text[size_t(Pos)]);
  const bool lastWord = Len > 0 ? IsWordChar(Text[size_t(Pos + Len - 1)])
                                : Pos > 0 && IsWordChar(Text[size_t(Pos - 1)]);
  if (Pos > 0 && firstWord && Len > 0 && IsWordChar(Text[size_t(Pos - 1)])) return false;
  if (Pos + Len < n && lastWord && IsWordChar(Text[size_t(Pos + Len)])) return false;
  return true;
}

int TTextFinder::OccurrenceAt(std::u16string_view Text, int Pos) {
  if (Pos < 0 || size_t(Pos) > Text.size()) return -1;
  if (program_) {
    if (!program_->MayMatchAt(Text, Pos + 1)) return -1;
    return program_->MatchLength(Text, Pos + 1, match_);
  }
  return searcher_.MatchesAt(Text, Pos) ? searcher_.Length() : -1;
}

bool TTextFinder::MatchAt(std::u16string_view Text, int Pos, int& Len) {
  if (!Prepare()) return false;
  const int len = OccurrenceAt(Text, Pos - 1);
  if (len < 0 || !WholeWordAt(Text, Pos - 1, len)) return false;
  Len = len;
  return true;
}

bool TTextFinder::FindForward(std::u16string_view Text, int Start, int End, int& FoundStart,
                              int& FoundLen) {
  if (!program_) {
    const int m = searcher_.Length();
    for (int from = Start;;) {
      const int p = searcher_.FindForward(Text, from, End - m);
      if (p < 0) return false;
      if (WholeWordAt(Text, p, m)) {
        FoundStart = p;
        FoundLen = m;
        return true;
      }
      from = p + 1;
    }
  }
  const TqxCharFilter& first = program_->FirstChars();
  const bool nullable = program_->MatchesEmpty();
  const char16_t* s = Text.data();
  for (int p = Start; p <= End; ++p) {
    if (!nullable) {
      // A match of positive length starts before End with a unit the filter lets through.
      while (p < End && !first.Test(s[p])) ++p;
      if (p >= End) return false;
    }
    const int len = program_->MatchLength(Text, p + 1, match_);
    if (len < 0 || p + len > End) continue;
    if (len == 0 && p == Start && Start == lastFound_) continue;
    if (!WholeWordAt(Text, p, len)) continue;
    FoundStart = p;
    FoundLen = len;
    return true;
  }
  return false;
}

bool TTextFinder::FindBackward(std::u16string_view Text, int Start, int End, int& FoundStart,
                               int& FoundLen) {
  if (!program_) {
    const int m = searcher_.Length();
    for (int from = End - m;;) {
      const int p = searcher_.FindBackward(Text, from, Start);
      if (p < 0) return false;
      if (WholeWordAt(Text, p, m)) {
        FoundStart = p;
        FoundLen = m;
        return true;
      }
      from = p - 1;
    }
  }
  const TqxCharFilter& first = program_->FirstChars();
  const bool nullable = program_->MatchesEmpty();
  const char16_t* s = Text.data();
  for (int p = End; p >= Start; --p) {
    if (!nullable) {
      if (p == End) --p;
      while (p >= Start && !first.Test(s[p])) --p;
      if (p < Start) return false;
    }
    const int len = program_->MatchLength(Text, p + 1, match_);
    if (len < 0 || p + len > End) continue;
    if (len == 0 && p == End && End == lastFound_) continue;
    if (!WholeWordAt(Text, p, len)) continue;
    FoundStart = p;
    FoundLen = len;
    return true;
  }
  return false;
}

bool TTextFinder::Find(std::u16string_view Text, int Start, int End, bool Backward, int& FoundStart,
                       int& FoundLen) {
  const int n = int(Text.size());
  End = std::clamp(End, 0, n);
  Start = std::clamp(Start, 0, End);
  if (!Prepare()) return false;
  int s = 0, len = 0;
  const bool found =
      Backward ? FindBackward(Text, Start, End, s, len) : FindForward(Text, Start, End, s, len);
  if (!found) return false;
  FoundStart = s;
  FoundLen = len;
  lastFound_ = Backward ? s + len : s;
  return true;
}

int TTextFinder::FindAll(std::u16string_view Text, int Start, int End, bool Backward,
                         const std::function<bool(int Start, int Len)>& Found) {
  int count = 0, s = 0, len = 0;
  lastFound_ = -1;
  while (Start <= End && Find(Text, Start, End, Backward, s, len)) {
    ++count;
    if (!Found(s, len)) break;
    if (Backward) {
      End = s;
    } else {
      Start = s + std::max(len, 1);
    }
  }
  return count;
}

bool TTextFinder::FindIn(std::u16string_view Text, int& StartPos, uint32_t CodePage, bool Backward,
                         int& EndPos) {
  (void)CodePage;
  const int n = int(Text.size());
  if (EndPos <= 0 || EndPos > n + 1) EndPos = n + 1;
  StartPos = std::clamp(StartPos, 1, n + 1);
  int s = 0, len = 0;
  if (!Find(Text, StartPos - 1, EndPos - 1, Backward, s, len)) return false;
  StartPos = s + 1;
  EndPos = s + len + 1;
  return true;
}

void TTextFinder::AddToHistory(const std::u16string& Text, TStrings& List) {
  const int i = List.IndexOf(Text);
  if (i == 0 && List.Strings(0) == Text) return;
  if (i >= 0) List.Delete(i);
  List.Insert(0, Text);
}

namespace {

void DescribeTextFinder(TPropertyList& List) {
  TPropsOf<TTextFinder> p(List);
  p.String("FindText", &TTextFinder::FindText, &TTextFinder::SetFindText);
  p.Set("Flags", &TTextFinder::Flags, &TTextFinder::SetFlags, SearchOptionInfo())
      .Def(TSearchOptions{});
}

}  // namespace

const TClassInfo& TTextFinder::StaticClassInfo() {
  static const TClassInfo info("TTextFinder", &TComponent::StaticClassInfo(), DescribeTextFinder,
                               &TClassInfo::ComponentFactory<TTextFinder>);
  return info;
}

// ---- TBaseFindDialog ----------------------------------------------------------------------------

TBaseFindDialog::TBaseFindDialog(TComponent* Owner)
    : TTextFinder(Owner),
      // Set also while the owner loads: a stored form omits a value equal to its default.
      noSearchMsg_(u"Search string '%s' not found."),
      history_(std::make_unique<TStringList>()) {}

TBaseFindDialog::~TBaseFindDialog() = default;

std::u16string TBaseFindDialog::EncHistory() const {
  std::vector<std::u16string> entries;
  for (int i = 0; i < history_->Count(); ++i) entries.push_back(history_->Strings(i));
  return EncodeHistory(entries);
}

void TBaseFindDialog::SetEncHistory(const std::u16string& Value) {
  history_->BeginUpdate();
  history_->Clear();
  for (const std::u16string& e : DecodeHistory(Value)) history_->Add(e);
  history_->EndUpdate();
}

TDialogService& TBaseFindDialog::Dialogs() {
  return DialogService();
}

std::unique_ptr<TDialogForm> TBaseFindDialog::CreateDialog() {
  return std::make_unique<TDialogForm>(u"Find", u"Find Text");
}

void TBaseFindDialog::FillDialog(TDialogForm& Form) {
  std::vector<std::u16string> items;
  for (int i = 0; i < history_->Count(); ++i) items.push_back(history_->Strings(i));
  Form.AddText(u"FindText", u"&Text to find:", FindText(), std::move(items));
  const TSearchOptions f = Flags();
  Form.AddBoolean(u"CaseSensitive", u"&Case sensitive", f.Contains(ftCaseSensitive));
  Form.AddBoolean(u"WholeWordOnly", u"&Whole words only", f.Contains(ftWholeWordOnly));
  Form.AddBoolean(u"RegularExpr", u"Reg&ular expressions", f.Contains(ftRegularExpr));
  Form.AddChoice(u"Direction", u"Direction", {u"Forwar&d", u"&Backward"},
                 f.Contains(ftBackward) ? 1 : 0)
      .Radio = true;
  Form.AddChoice(u"Scope", u"Scope", {u"&Global", u"&Selected text"},
                 f.Contains(ftSelectedText) ? 1 : 0)
      .Radio = true;
  Form.AddChoice(u"Origin", u"Origin", {u"&From cursor", u"&Entire scope"},
                 f.Contains(ftEntireScope) ? 1 : 0)
      .Radio = true;
}

void TBaseFindDialog::ReadDialog(TDialogForm& Form) {
  auto flag = [&](std::u16string_view Name) {
    const TFormField* f = Form.Field(Name);
    return f && f->Value != 0;
  };
  if (const TFormField* t = Form.Field(u"FindText")) {
    SetFindText(t->Text);
    if (!t->Text.empty()) AddToHistory(t->Text, *history_);
  }
  TSearchOptions f;
  if (flag(u"CaseSensitive")) f.Include(ftCaseSensitive);
  if (flag(u"WholeWordOnly")) f.Include(ftWholeWordOnly);
  if (flag(u"RegularExpr")) f.Include(ftRegularExpr);
  if (flag(u"Direction")) f.Include(ftBackward);
  if (flag(u"Scope")) f.Include(ftSelectedText);
  if (flag(u"Origin")) f.Include(ftEntireScope);
  // The replace options are read by the replace dialog; the others are rebuilt from the form.
  const TSearchOptions keep = Flags() * TSearchOptions{ftPromtOnReplace, ftReplaceTemplate};
  SetFlags(f + keep);
}

int TBaseFindDialog::ShowDialog() {
  if (OnShowDialog) {
    int r = mrCancel;
    OnShowDialog(this, r);
    return r;
  }
  std::unique_ptr<TDialogForm> form = CreateDialog();
  FillDialog(*form);
  const int r = Dialogs().RunForm(*form);
  if (r != mrCancel && r != mrNone) ReadDialog(*form);
  return r == mrNone ? mrCancel : r;
}

bool TBaseFindDialog::DoFind(int Start, int End) {
  bool accept = true;
  if (OnFind) OnFind(this, Start + 1, End + 1, accept);
  return accept;
}

void TBaseFindDialog::DoNotFound() {
  if (OnNotFound) {
    OnNotFound(this);
    return;
  }
  if (!noSearchMsg_.empty())
    Dialogs().MessageBox(FormatSearchText(noSearchMsg_, FindText()), u"Information", mbbOK,
                         mbiInformation);
}

namespace {

void DescribeBaseFindDialog(TPropertyList& List) {
  TPropsOf<TBaseFindDialog> p(List);
  p.String("NoSearchMsg", &TBaseFindDialog::NoSearchMsg, &TBaseFindDialog::SetNoSearchMsg)
      .Def(u"Search string '%s' not found.");
  // Stored once, in the encoded form below.
  p.Object("History", &TBaseFindDialog::History).NotStored();
  p.Event("OnFind", &TBaseFindDialog::OnFind);
  p.Event("OnNotFound", &TBaseFindDialog::OnNotFound);
  p.Event("OnShowDialog", &TBaseFindDialog::OnShowDialog);
  p.String("EncHistory", &TBaseFindDialog::EncHistory, &TBaseFindDialog::SetEncHistory);
}

}  // namespace

const TClassInfo& TBaseFindDialog::StaticClassInfo() {
  static const TClassInfo info("TBaseFindDialog", &TTextFinder::StaticClassInfo(),
                               DescribeBaseFindDialog);
  return info;
}

}  // namespace synt
