// Whole-file reading and atomic writing: the one place where files are replaced.
//
//   synt::TFileBytes b = synt::ReadFileBytes("big.txt");   // no zero-filling, one read
//   std::string_view v = b.View();
//   synt::WriteFileAtomic("big.txt", bytes);               // temporary file, then rename
#pragma once

#include <string>
#include <string_view>

#include "platform/large_alloc.h"

namespace synt {

class TFileBytes {
 public:
  std::string_view View() const { return {block_.Data(), size_}; }

 private:
  friend TFileBytes ReadFileBytes(const std::string& FileName);
  TLargeBlock block_;
  size_t size_ = 0;
};

// Raises EFOpenError "Cannot open file "<name>". <reason>".
TFileBytes ReadFileBytes(const std::string& FileName);

// A file written in pieces and put in place only by Commit: the pieces go to a temporary file next
// to FileName (following a symbolic link to its target), which Commit flushes and renames over the
// target, keeping the old file's permissions. Without Commit (an exception on the way) the
// temporary file is removed and the old file is untouched. Failures raise EFCreateError "Cannot
// create file "<name>". <reason>".
class TAtomicFile {
 public:
  explicit TAtomicFile(const std::string& FileName);
  ~TAtomicFile();
  TAtomicFile(const TAtomicFile&) = delete;
  TAtomicFile& operator=(const TAtomicFile&) = delete;
  void Write(std::string_view Bytes);
  void Commit();

 private:
  [[noreturn]] void Abandon(int Err);
  std::string name_, target_, temp_;
  int fd_ = -1;
  bool exists_ = false;
  unsigned mode_ = 0;
};

// Writes Bytes to a temporary file next to FileName (following a symbolic link to its target),
// flushes it and renames it over the target, keeping the old file's permissions. On failure the
// old file is untouched and EFCreateError "Cannot create file "<name>". <reason>" is raised.
void WriteFileAtomic(const std::string& FileName, std::string_view Bytes);

}  // namespace synt
