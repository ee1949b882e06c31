// String lists: the abstract list `TStrings` that every list of lines derives from, and
// `TStringList`, the general list with sorting, duplicates handling, change events and per-line
// objects.
//
//   synt::TStringList list;
//   list.SetCommaText(u"one, \"two three\",four");        // one | two three | four
//   list.SetValues(u"key", u"value");                      // appends "key=value"
//   list.SetSorted(true);
//   int i;
//   if (list.Find(u"four", i)) list.Delete(i);
//   list.OnChange = [](synt::TObject*) { /* repaint */ };
//
//   // A descendant stores lines its own way and overrides the primitives:
//   class TMyLines : public synt::TStrings {
//     std::u16string Get(int Index) const override;
//     int GetCount() const override;
//     void Insert(int Index, const std::u16string& S) override;
//     void Delete(int Index) override;
//     void Clear() override;
//   };
//
// Indexes outside the list raise EListError "Index <n> is out of range".
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/persistent.h"

namespace synt {

class TStream;

enum TDuplicates { dupIgnore, dupAccept, dupError };

class TStrings : public TPersistent {
  SYNT_CLASS_INFO()

 public:
  TStrings() = default;
  ~TStrings() override = default;

  // --- primitives: a descendant must override the abstract ones ---
  virtual std::u16string Get(int Index) const = 0;
  virtual int GetCount() const = 0;
  virtual TObject* GetObject(int Index) const;           // base: no objects
  virtual void Put(int Index, const std::u16string& S);  // base: Delete and InsertObject
  virtual void PutObject(int Index, TObject* Object);    // base: ignored
  virtual void Insert(int Index, const std::u16string& S) = 0;
  virtual void Delete(int Index) = 0;
  virtual void Clear() = 0;
  // The lines each followed by LineBreak; setting splits at CR LF, CR and LF.
  virtual std::u16string GetTextStr() const;
  virtual void SetTextStr(std::u16string_view Text);

  // --- operations built on the primitives ---
  virtual int Add(const std::u16string& S);  // returns the index of the new line
  virtual int AddObject(const std::u16string& S, TObject* Object);
  virtual void AddStrings(const TStrings& Strings);
  virtual void InsertObject(int Index, const std::u16string& S, TObject* Object);
  virtual int IndexOf(std::u16string_view S) const;  // by CompareStrings; -1 when absent
  int IndexOfName(std::u16string_view Name) const;
  int IndexOfObject(const TObject* Object) const;
  virtual void Exchange(int Index1, int Index2);
  virtual void Move(int CurIndex, int NewIndex);
  bool Equals(const TStrings& Other) const;  // same lines, exactly
  // Copies the lines and objects of another TStrings (not its delimiter settings).
  void Assign(const TPersistent* Source) override;

  // Brackets a batch of changes; change notifications are held until the outermost EndUpdate.
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return updateCount_; }

  // Text files: UTF-8, or UTF-16 with a byte-order mark; bytes that are not valid UTF-8 are read as
  // the characters of the same code (so nothing is lost). Saving writes UTF-8.
  virtual void LoadFromStream(TStream& Stream);
  virtual void SaveToStream(TStream& Stream) const;
  void LoadFromFile(const std::string& FileName);
  void SaveToFile(const std::string& FileName) const;

  // --- properties ---
  int Count() const { return GetCount(); }
  std::u16string Strings(int Index) const { return Get(Index); }
  void SetStrings(int Index, const std::u16string& S) { Put(Index, S); }
  TObject* Objects(int Index) const { return GetObject(Index); }
  void SetObjects(int Index, TObject* Object) { PutObject(Index, Object); }
  std::u16string Text() const { return GetTextStr(); }
  void SetText(std::u16string_view Text) { SetTextStr(Text); }
  // Items joined by Delimiter, quoted with QuoteChar when they hold the delimiter, the quote or
  // (unless StrictDelimiter) blanks and control characters.
  std::u16string DelimitedText() const;
  void SetDelimitedText(std::u16string_view Text);
  // The same with ',' and '"', not strict.
  std::u16string CommaText() const;
  void SetCommaText(std::u16string_view Text);
  char16_t Delimiter() const { return delimiter_; }
  void SetDelimiter(char16_t C) { delimiter_ = C; }
  char16_t QuoteChar() const { return quoteChar_; }
  void SetQuoteChar(char16_t C) { quoteChar_ = C; }
  bool StrictDelimiter() const { return strictDelimiter_; }
  void SetStrictDelimiter(bool V) { strictDelimiter_ = V; }
  char16_t NameValueSeparator() const { return nameValueSeparator_; }
  void SetNameValueSeparator(char16_t C) { nameValueSeparator_ = C; }
  const std::u16string& LineBreak() const { return lineBreak_; }
  void SetLineBreak(std::u16string S) { lineBreak_ = std::move(S); }
  // Name=Value lines.
  std::u16string Names(int Index) const;
  std::u16string Values(std::u16string_view Name) const;
  void SetValues(std::u16string_view Name, std::u16string_view Value);  // empty Value deletes
  std::u16string ValueFromIndex(int Index) const;

  // The lines are stored as the property "Strings": SampleText.Strings = ('one' 'two').
  void DefineProperties(TFiler& Filer) override;

 protected:
  // Called with true when the first BeginUpdate opens a batch and false when the last EndUpdate
  // closes it.
  virtual void SetUpdateState(bool Updating);
  // Orders and matches lines; the base compares without case.
  virtual int CompareStrings(std::u16string_view A, std::u16string_view B) const;
  [[noreturn]] void IndexError(int Index) const;

 private:
  std::u16string ToDelimited(char16_t Delim, char16_t Quote, bool Strict) const;
  void FromDelimited(std::u16string_view Text, char16_t Delim, char16_t Quote, bool Strict);

  int updateCount_ = 0;
  char16_t delimiter_ = u',';
  char16_t quoteChar_ = u'"';
  char16_t nameValueSeparator_ = u'=';
  bool strictDelimiter_ = false;
  std::u16string lineBreak_ = u"\r\n";
};

// Compares two texts as the platform's string lists do: without case (ICU case folding), and with
// case after that when CaseSensitive, so that the order is alphabetical and total.
int CompareListStrings(std::u16string_view A, std::u16string_view B, bool CaseSensitive);

class TStringList : public TStrings {
  SYNT_CLASS_INFO()

 public:
  TStringList() = default;
  explicit TStringList(bool OwnsObjects) : ownsObjects_(OwnsObjects) {}
  ~TStringList() override;

  std::u16string Get(int Index) const override;
  int GetCount() const override { return int(list_.size()); }
  TObject* GetObject(int Index) const override;
  void Put(int Index, const std::u16string& S) override;
  void PutObject(int Index, TObject* Object) override;
  void Insert(int Index, const std::u16string& S) override;
  void InsertObject(int Index, const std::u16string& S, TObject* Object) override;
  void Delete(int Index) override;
  void Clear() override;
  int Add(const std::u16string& S) override;
  int AddObject(const std::u16string& S, TObject* Object) override;
  int IndexOf(std::u16string_view S) const override;
  void Exchange(int Index1, int Index2) override;

  // Binary search of a sorted list: true when S is present, with Index its first occurrence;
  // otherwise Index is where S would be inserted.
  bool Find(std::u16string_view S, int& Index) const;
  virtual void Sort();  // stable
  // Sorts with a comparison of two indexes (negative, 0, positive).
  void CustomSort(
      const std::function<int(const TStringList& List, int Index1, int Index2)>& Compare);

  bool Sorted() const { return sorted_; }
  void SetSorted(bool V);
  TDuplicates Duplicates() const { return duplicates_; }
  void SetDuplicates(TDuplicates V) { duplicates_ = V; }
  bool CaseSensitive() const { return caseSensitive_; }
  void SetCaseSensitive(bool V);  // re-sorts a sorted list
  bool OwnsObjects() const { return ownsObjects_; }
  void SetOwnsObjects(bool V) { ownsObjects_ = V; }

  TNotifyEvent OnChange;    // after a change (or after the batch of an update bracket)
  TNotifyEvent OnChanging;  // before a change

 protected:
  virtual void Changed();
  virtual void Changing();
  void SetUpdateState(bool Updating) override;
  int CompareStrings(std::u16string_view A, std::u16string_view B) const override;
  // Inserts without the sorted-list checks (for the sorted insertion itself).
  virtual void InsertItem(int Index, const std::u16string& S, TObject* Object);

 private:
  struct TItem {
    std::u16string S;
    TObject* O = nullptr;
  };
  void CheckIndex(int Index) const;
  std::vector<TItem> list_;
  bool sorted_ = false;
  TDuplicates duplicates_ = dupIgnore;
  bool caseSensitive_ = false;
  bool ownsObjects_ = false;
};

}  // namespace synt
