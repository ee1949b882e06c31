// Opening and saving an editor's text as an application does: the file's encoding (byte-order
// mark, UTF-8 without one, or the 8-bit code page) and line breaks are kept as they were read, and
// saving replaces the file atomically (a temporary file in the same folder, flushed and renamed
// over it, permissions kept), so a failed save leaves the old file and the text as they were.
//
//   synt::LoadMemoFile(memo, "notes.txt");          // fresh undo history, not modified
//   memo.InsertText(u"more");
//   synt::SaveMemoFile(memo, "notes.txt");          // not modified any more
//
// Both raise synt::Exception (EFOpenError, EFCreateError, EMemoFileError) with a message fit
// for a user.
#pragma once

#include <string>

#include "platform/object.h"

namespace synt {

class TCustomSyntaxMemo;
class TSyntMemoStrings;

class EMemoFileError : public Exception {
 public:
  using Exception::Exception;
};

// Reads FileName into Memo: a byte-order mark decides the encoding; without one, bytes that form
// valid UTF-8 with at least one multi-byte sequence read as UTF-8 (and are written back without a
// mark), anything else as the 8-bit code page. The caret goes to the start.
void LoadMemoFile(TCustomSyntaxMemo& Memo, const std::string& FileName);

// How to save text the file's 8-bit code page cannot hold.
enum TUnmappablePolicy {
  upRefuse,  // raise EMemoFileError naming the number of characters; nothing is written
  upAsUtf8,  // switch the document to UTF-8 (without a mark) and save
};

// Writes Memo's text to FileName atomically and marks it unmodified.
void SaveMemoFile(TCustomSyntaxMemo& Memo, const std::string& FileName,
                  TUnmappablePolicy Unmappable = upRefuse);

// The bytes SaveMemoFile would write; Unmappable receives the characters the code page cannot
// hold.
std::string MemoFileBytes(const TSyntMemoStrings& Lines, size_t* Unmappable);

}  // namespace synt
