// Whole-file reading and atomic writing for the line storage.
//
//   synt::TFileBytes b = synt::ReadFileBytes("big.txt");   // no zero-filling, one read
//   std::string_view v = b.View();
//   synt::WriteFileAtomic("big.txt", bytes);               // temporary file, then rename
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace synt {

class TFileBytes {
 public:
  std::string_view View() const { return {fData.get(), fSize}; }

 private:
  friend TFileBytes ReadFileBytes(const std::string& FileName);
  std::unique_ptr<char[]> fData;
  size_t fSize = 0;
};

// Raises EStreamError "Cannot open file "<name>". <reason>".
TFileBytes ReadFileBytes(const std::string& FileName);

// Writes Bytes to a temporary file next to FileName (following a symbolic link to its target),
// flushes it and renames it over the target, keeping the old file's permissions. On failure the
// old file is untouched and EStreamError "Cannot create file "<name>". <reason>" is raised.
void WriteFileAtomic(const std::string& FileName, std::string_view Bytes);

}  // namespace synt
