#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "platform/streams.h"

namespace synt {

namespace {

template <class E>
[[noreturn]] void Fail(const char* what, const std::string& name, int err) {
  throw E(std::string(what) + " \"" + name + "\". " + std::strerror(err));
}

struct Fd {
  int fd = -1;
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
};

// The process's umask without changing it (umask() would, for a moment, for every thread).
mode_t CurrentUmask() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.compare(0, 6, "Umask:") == 0)
      return mode_t(std::strtoul(line.c_str() + 6, nullptr, 8));
  }
  return 022;
}

}  // namespace

TFileBytes ReadFileBytes(const std::string& FileName) {
  Fd f;
  f.fd = ::open(FileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (f.fd < 0) Fail<EFOpenError>("Cannot open file", FileName, errno);
  struct stat st;
  if (::fstat(f.fd, &st) != 0) Fail<EFOpenError>("Cannot open file", FileName, errno);
  if (S_ISDIR(st.st_mode)) Fail<EFOpenError>("Cannot open file", FileName, EISDIR);
  size_t cap = S_ISREG(st.st_mode) ? size_t(st.st_size) + 1 : 65536;
  TLargeBlock data(cap);
  size_t size = 0;
  for (;;) {
    if (size == cap) {  // the file grew, or is a pipe
      TLargeBlock bigger(cap * 2);
      std::memcpy(bigger.Data(), data.Data(), size);
      data = std::move(bigger);
      cap *= 2;
    }
    ssize_t n = ::read(f.fd, data.Data() + size, cap - size);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail<EFOpenError>("Cannot open file", FileName, errno);
    }
    if (n == 0) break;
    size += size_t(n);
  }
  TFileBytes r;
  r.block_ = std::move(data);
  r.size_ = size;
  return r;
}

TAtomicFile::TAtomicFile(const std::string& FileName) : name_(FileName), target_(FileName) {
  // Replace the file a link points to, not the link.
  struct stat st;
  if (::lstat(FileName.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    char buf[PATH_MAX];
    if (::realpath(FileName.c_str(), buf)) target_ = buf;
  }
  exists_ = ::stat(target_.c_str(), &st) == 0;
  if (exists_ && S_ISDIR(st.st_mode)) Fail<EFCreateError>("Cannot create file", name_, EISDIR);
  mode_ = exists_ ? unsigned(st.st_mode & 07777) : unsigned(0666 & ~CurrentUmask());
  temp_ = target_ + ".XXXXXX";
  fd_ = ::mkstemp(temp_.data());
  if (fd_ < 0) Fail<EFCreateError>("Cannot create file", name_, errno);
}

TAtomicFile::~TAtomicFile() {
  if (fd_ >= 0) {
    ::close(fd_);
    ::unlink(temp_.c_str());
  }
}

void TAtomicFile::Abandon(int Err) {
  ::close(fd_);
  fd_ = -1;
  ::unlink(temp_.c_str());
  Fail<EFCreateError>("Cannot create file", name_, Err);
}

void TAtomicFile::Write(std::string_view Bytes) {
  size_t done = 0;
  while (done < Bytes.size()) {
    ssize_t n = ::write(fd_, Bytes.data() + done, Bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      Abandon(errno);
    }
    done += size_t(n);
  }
}

void TAtomicFile::Commit() {
  if (::fchmod(fd_, mode_t(mode_)) != 0 || ::fsync(fd_) != 0) Abandon(errno);
  int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) {
    int err = errno;
    ::unlink(temp_.c_str());
    Fail<EFCreateError>("Cannot create file", name_, err);
  }
  if (::rename(temp_.c_str(), target_.c_str()) != 0) {
    int err = errno;
    ::unlink(temp_.c_str());
    Fail<EFCreateError>("Cannot create file", name_, err);
  }
}

void WriteFileAtomic(const std::string& FileName, std::string_view Bytes) {
  TAtomicFile f(FileName);
  f.Write(Bytes);
  f.Commit();
}

}  // namespace synt
