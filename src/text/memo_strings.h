// The text of one document: a contiguous UTF-16 string with a table of line starts, the two edit
// primitives that every change goes through, the file encodings, and the undo history.
//
//   synt::TSyntMemoStrings lines;
//   lines.OnChange = [](synt::TObject*, int pos, int count, int lineChange) { ... };
//   lines.LoadFromFile("unit1.pas");                 // encoding and break style detected
//   lines.InsertText(0, u"// header\r\n");           // one change notification
//   synt::TPoint p = lines.StrPosToCaretPos(42);     // offset -> (column, line)
//   lines.AddUndo(synt::ukReplace, u"x", true, 5, u"");   // the editor records, then edits
//   lines.InsertText(5, u"x");
//   int caret = lines.Undo(false);                   // caret offset after undoing
//   lines.SaveToFile("unit1.pas");                   // atomic: temporary file, then rename
//
// Lines: CR LF, a lone CR and a lone LF each end a line; a non-empty text has one line more than
// breaks; an empty text has none. Offsets and positions are 0-based and count UTF-16 units; the
// substring accessors take 1-based positions.
//
// Loading never loses bytes: what the chosen encoding cannot decode is kept as escape units
// (U+DC00 + byte, see lists/char_utils.h) and saving with the same settings writes it back.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/strings.h"
#include "text/text_buffer.h"

namespace synt {

enum TTextEncoding : uint8_t { teAnsi, teUtf16LE, teUtf16BE, teUtf8 };
enum TLineBreakStyle : uint8_t { lbKeep, lbCRLF, lbCR, lbLF };
// 3 marks lines changed before the last save (kept for display after saving).
enum TLineState : uint8_t { lsUnchanged, lsChanged, lsInserted, lsSaved };

// Starting values of every new storage.
inline TTextEncoding DefaultEncoding = teAnsi;
inline TLineBreakStyle DefaultLineBreakStyle = lbKeep;

// Pos: 0-based offset (-1: the whole text); Count: units inserted (negative when deleted);
// LineChange: change in the number of lines.
using TTextChangedEvent = std::function<void(TObject* Sender, int Pos, int Count, int LineChange)>;
// Called while loading with the bytes after any byte-order mark; may change the encoding.
using TDetectEncodingEvent =
    std::function<void(TObject* Sender, std::string_view Data, TTextEncoding& Encoding)>;

enum TUndoKind : uint8_t {
  ukReplace = 0,  // at Pos, Deleted was replaced by Inserted (Deleted empty: a plain insertion)
  ukDelete = 1,   // at Pos, Deleted was removed
};

// A line's state and per-line object.
struct TLineEntry {
  TLineState State = lsUnchanged;
  TObject* Object = nullptr;
};

struct TUndoRec {
  TUndoKind Kind = ukReplace;
  int Pos = 0;
  std::u16string Inserted;
  std::u16string Deleted;
  bool CaretAfter = false;  // the caret goes after the restored text
  int Group = -1;           // -1: recorded outside any group
};

class TSyntMemoStrings : public TStrings {
  SYNT_CLASS_INFO()

 public:
  TSyntMemoStrings();
  ~TSyntMemoStrings() override;
  TSyntMemoStrings(const TSyntMemoStrings&) = delete;
  TSyntMemoStrings& operator=(const TSyntMemoStrings&) = delete;

  // ---- The text -------------------------------------------------------------------------------
  int TextLength() const { return int(text_.Size()); }
  // The whole text without copying; valid until the next change.
  std::u16string_view TextView() const { return text_.View(); }
  // Count units from the 1-based Pos, clipped to the text.
  std::u16string SubString(int Pos, int Count) const;
  // The unit at the 1-based Pos, or 0 outside the text.
  char16_t CharAt(int Pos) const;

  // The edit primitives; each raises one OnChange. Pos is a 0-based offset, clipped to the text.
  void DeleteText(int Pos, int Count);
  // Text is never inserted between the CR and the LF of a pair: Pos then moves past the LF.
  void InsertText(int Pos, std::u16string_view S);

  // ---- Lines ----------------------------------------------------------------------------------
  int GetCount() const override { return int(starts_.size()); }
  // 1-based position of the line's first unit; past the end: the last line; below 0: 0.
  int LinePos(int Index) const;
  // Units from the line's start to the next line's start (break included).
  int LineSpace(int Index) const;
  // The line's length without its break; 0 outside the lines.
  int LineLength(int Index) const;
  // 0-based offset of the line's start (Index clipped to the lines; 0 without lines).
  int LineStart(int Index) const;
  // The line's text without its break, without copying; empty outside the lines.
  std::u16string_view LineText(int Index) const;
  bool IsLineBlank(int Index) const;
  // True without lines, or when the last line is non-empty and has no break after it.
  bool LastLineOpen() const;
  // The line count, less one when the last line is empty.
  int CountNoEmptyLast() const;
  // 1 for the high half of a surrogate pair, 2 for the low half, 0 otherwise (also outside the
  // text); editors use it not to split a character.
  int CharType(int Pos) const;

  // Position conversions (text positions are 0-based column X and line Y).
  int CaretPosToStrPos(TPoint P) const;
  TPoint StrPosToCaretPos(int Pos) const;
  // The line holding the 0-based offset (0 without lines).
  int LineOfPos(int Pos) const;

  // ---- String-list operations ------------------------------------------------------------------
  std::u16string Get(int Index) const override;  // empty outside the lines
  std::u16string GetTextStr() const override { return std::u16string(TextView()); }
  // Replaces the whole text (the undo history is kept); OnChange(-1, 0, 0).
  void SetTextStr(std::u16string_view S) override;
  void Clear() override { SetTextStr(u""); }
  // Index outside the lines raises EListError "Index <n> is out of range" (also Insert, Delete).
  void Put(int Index, const std::u16string& S) override;
  void Insert(int Index, const std::u16string& S) override;
  void Delete(int Index) override;
  // Appends the lines, each followed by CR LF, with their objects when per-line objects exist.
  void AddStrings(const TStrings& Strings) override;
  void AddStrings(const std::vector<std::u16string>& Lines,
                  const std::vector<TObject*>* Objects = nullptr);
  // Line by line as any string list, without the break the last line would leave behind.
  void Assign(const TPersistent* Source) override;
  // Stored as the list property "Strings", one item per line; read back as one text, so that
  // empty lines (a first one included) survive.
  void DefineProperties(TFiler& Filer) override;
  TObject* GetObject(int Index) const override;
  // Sets the entry when per-line objects exist; creates nothing.
  void PutObject(int Index, TObject* Object) override;

  // Per-line objects (references, not owned) exist only when their owner asks for them.
  void CreateLineObjects();
  void FreeLineObjects() { objects_.reset(); }
  bool HasLineObjects() const { return objects_ != nullptr; }

  // ---- Line states ----------------------------------------------------------------------------
  TLineState LineState(int Index) const;
  void ResetLineStates(int First, int Last);  // back to unchanged
  void MarkLinesSaved();                      // every changed or inserted line becomes lsSaved

  // ---- Files ----------------------------------------------------------------------------------
  TTextEncoding Encoding() const { return encoding_; }
  void SetEncoding(TTextEncoding Value) { encoding_ = Value; }
  TLineBreakStyle LineBreakStyle() const { return lineBreakStyle_; }
  void SetLineBreakStyle(TLineBreakStyle Value) { lineBreakStyle_ = Value; }
  bool NoSignature() const { return noSignature_; }
  void SetNoSignature(bool Value) { noSignature_ = Value; }
  uint8_t Charset() const { return charset_; }
  void SetCharset(uint8_t Value) { charset_ = Value; }
  uint32_t CodePage() const { return codePage_; }
  void SetCodePage(uint32_t Value) { codePage_ = Value; }
  // The code page 8-bit files are read and written in: CodePage, or that of Charset.
  uint32_t FileCodePage() const;

  // Replaces the text by the decoded bytes: byte-order mark, OnDetectEncoding, decoding, line
  // table, line-break style; then OnChange(-1, 0, 0). Undo history and line states stay.
  void LoadFromBytes(std::string_view Bytes);
  void LoadFromStream(TStream& Stream) override;
  // Raises EStreamError "Cannot open file "<name>". <reason>" when the file cannot be read.
  void LoadFromFile(const std::string& FileName);
  // The bytes that saving writes. Unmappable receives the number of characters the 8-bit code
  // page cannot hold (written as "?").
  std::string SaveToBytes(size_t* Unmappable = nullptr) const;
  void SaveToStream(TStream& Stream) const override;
  // Writes through a temporary file in the same folder and renames it over FileName, so a failure
  // leaves the old file as it was. Raises EStreamError.
  void SaveToFile(const std::string& FileName) const;

  // ---- Undo history ---------------------------------------------------------------------------
  // The editor records an edit just before applying it.
  void AddUndo(TUndoKind Kind, std::u16string_view Inserted, bool CaretAfter, int Pos,
               std::u16string_view Deleted);
  // The document stays modified when it was, unless the text was loaded since the last edit:
  // loading, then clearing the history, gives an unmodified document.
  void ClearUndo();
  void ClearRedo();
  void BeginUndoGroup();
  void EndUndoGroup();
  bool Modified() const;
  // false also clears the history and marks the changed lines saved.
  void SetModified(bool Value);
  // The current state becomes the saved one (the history stays).
  void MarkSaved();
  int UndoLimit() const { return undoLimit_; }
  void SetUndoLimit(int Value);  // 0 or less keeps everything
  int RedoCount() const { return redoCount_; }
  void SetRedoCount(int Value);  // clipped to the records
  int UndoCount() const { return int(undo_.size()); }
  const TUndoRec& UndoRecord(int Index) const;
  bool CanUndo() const { return DoneCount() > 0; }
  bool CanRedo() const { return redoCount_ > 0; }
  // Undoes the last done record (and those of its group, and with GroupUndo the mergeable ones
  // before it); returns the caret offset, or -1 when there was nothing to undo.
  int Undo(bool GroupUndo);
  // Redoes the first undone record with its group (and with GroupRedo the mergeable ones after
  // it); returns the caret offset, or -1 when there was nothing to redo.
  int Redo(bool GroupRedo);
  // Whether the later record L may be undone together with the earlier record E.
  static bool Mergeable(const TUndoRec& E, const TUndoRec& L);

  // ---- Events ---------------------------------------------------------------------------------
  TTextChangedEvent OnChange;
  TNotifyEvent OnModifiedChanged;
  TDetectEncodingEvent OnDetectEncoding;

  // Bytes held by the text, the line table, states, objects and the undo history.
  size_t AllocatedBytes() const;

  // Throws std::logic_error when the line table, states or objects disagree with the text.
  void Check() const;

 private:
  int DoneCount() const { return int(undo_.size()) - redoCount_; }
  // Replaces [Pos, Pos+DelCount) by S (one of them empty) and brings the line table, states and
  // objects in step; returns the change in the line count. Raises no notification.
  int Edit(int Pos, int DelCount, std::u16string_view S);
  // The primitives without the CR LF adjustment, with their notification.
  // The entries of the lines an undo record's Deleted spans (at least the line of its Pos), as
  // they were before the edit: undoing puts them back, so that lines a deletion joined get their
  // own state and object again. States are put back only while no save has marked the lines
  // since (StatesStamp), and objects only if the lines had objects then (per-line objects are
  // references: an owner that frees the object of a removed line while the history can restore
  // it clears the history).
  struct TUndoLines {
    std::vector<TLineEntry> Lines;
    bool LineObjects = false;
    uint32_t StatesStamp = 0;
  };
  // With Restore, the lines it spans from Pos get its entries back before the notification.
  void DoInsert(int Pos, std::u16string_view S, const TUndoLines* Restore = nullptr);
  void DoDelete(int Pos, int Count, const TUndoLines* Restore = nullptr);
  void RestoreLines(int Pos, const TUndoLines& Saved);
  void RebuildLines();
  // Loaded: the text comes from a file (clearing the history then leaves it unmodified).
  void SetTextStr(std::u16string_view S, bool Loaded);
  void Changed(int Pos, int Count, int LineChange);
  void DetectLineBreakStyle();
  // Produces the saved bytes piece by piece.
  void Encode(const std::function<void(std::string_view)>& Sink, size_t* Unmappable) const;
  template <class F>
  void WatchModified(F&& f);
  void DropRedo();
  void ApplyUndoLimit();
  int UndoOne();
  int RedoOne();

  TTextBuffer text_;
  std::vector<int> starts_;
  std::vector<uint8_t> states_;
  std::unique_ptr<std::vector<TObject*>> objects_;
  TTextEncoding encoding_;
  TLineBreakStyle lineBreakStyle_;
  bool noSignature_ = false;
  uint8_t charset_ = 1;
  uint32_t codePage_ = 0;
  // The last unit of the text stands for the odd final byte of a UTF-16 file.
  bool oddTrailingByte_ = false;

  std::deque<TUndoRec> undo_;
  std::deque<TUndoLines> undoLines_;  // one per record of undo_
  int redoCount_ = 0;
  bool modifiedFlag_ = false;
  int savePoint_ = 0;
  int undoLimit_ = 0;
  int undoGroup_ = -1;
  int undoNesting_ = 0;
  uint32_t statesStamp_ = 0;  // counts the saves and resets of line states
  bool loadedText_ = false;   // the text was loaded and not edited since
};

}  // namespace synt
