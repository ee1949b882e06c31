#include "editor/memo_file.h"

#include "editor/syntax_memo.h"
#include "platform/file_io.h"
#include "text/memo_strings.h"

namespace synt {

namespace {

bool HasMark(std::string_view b) {
  auto u = [&](size_t i) { return uint8_t(b[i]); };
  if (b.size() >= 2 && ((u(0) == 0xFF && u(1) == 0xFE) || (u(0) == 0xFE && u(1) == 0xFF)))
    return true;
  return b.size() >= 3 && u(0) == 0xEF && u(1) == 0xBB && u(2) == 0xBF;
}

// Valid UTF-8 holding at least one multi-byte sequence (pure ASCII reads the same either way).
bool LooksLikeUtf8(std::string_view b) {
  bool multi = false;
  for (size_t i = 0; i < b.size();) {
    const uint8_t c = uint8_t(b[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    int n = 0;
    uint32_t cp = 0;
    if ((c & 0xE0) == 0xC0) {
      n = 1, cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      n = 2, cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      n = 3, cp = c & 0x07;
    } else {
      return false;
    }
    for (int k = 1; k <= n; ++k) {
      if (i + size_t(k) >= b.size()) return false;
      const uint8_t d = uint8_t(b[i + size_t(k)]);
      if ((d & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (d & 0x3F);
    }
    static constexpr uint32_t kMin[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMin[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    multi = true;
    i += size_t(n) + 1;
  }
  return multi;
}

}  // namespace

void LoadMemoFile(TCustomSyntaxMemo& Memo, const std::string& FileName) {
  TFileBytes bytes = ReadFileBytes(FileName);
  const std::string_view data = bytes.View();
  TSyntMemoStrings& lines = *Memo.Lines();
  const bool mark = HasMark(data);
  const bool utf8 = !mark && LooksLikeUtf8(data);
  lines.SetNoSignature(false);
  auto previous = lines.OnDetectEncoding;
  lines.OnDetectEncoding = [utf8](TObject*, std::string_view, TTextEncoding& Enc) {
    if (utf8) Enc = teUtf8;
  };
  try {
    lines.LoadFromBytes(data);
  } catch (...) {
    lines.OnDetectEncoding = previous;
    throw;
  }
  lines.OnDetectEncoding = previous;
  if (utf8) lines.SetNoSignature(true);
  lines.ClearUndo();
  lines.SetModified(false);
  Memo.ResetSelection();
  Memo.SetCaretPos({0, 0});
}

std::string MemoFileBytes(const TSyntMemoStrings& Lines, size_t* Unmappable) {
  return Lines.SaveToBytes(Unmappable);
}

void SaveMemoFile(TCustomSyntaxMemo& Memo, const std::string& FileName,
                  TUnmappablePolicy Unmappable) {
  TSyntMemoStrings& lines = *Memo.Lines();
  size_t bad = 0;
  std::string bytes = lines.SaveToBytes(&bad);
  if (bad > 0) {
    if (Unmappable == upRefuse) {
      std::string msg = "Cannot save \"";
      msg += FileName;
      msg += "\": ";
      msg += std::to_string(bad);
      msg += bad == 1 ? " character does" : " characters do";
      msg += " not exist in the file's 8-bit code page.";
      throw EMemoFileError(msg);
    }
    const TTextEncoding enc = lines.Encoding();
    const bool noSig = lines.NoSignature();
    lines.SetEncoding(teUtf8);
    lines.SetNoSignature(true);
    try {
      bytes = lines.SaveToBytes(nullptr);
    } catch (...) {
      lines.SetEncoding(enc);
      lines.SetNoSignature(noSig);
      throw;
    }
  }
  WriteFileAtomic(FileName, bytes);
  lines.MarkLinesSaved();
  lines.SetModified(false);
}

}  // namespace synt
