#include "text/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "platform/object.h"

namespace synt {

namespace {

[[noreturn]] void Fail(const char* what, const std::string& name, int err) {
  throw EStreamError(std::string(what) + " \"" + name + "\". " + std::strerror(err));
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
    if (line.compare(0, 6, "Umask:") == 0) return mode_t(std::strtoul(line.c_str() + 6, nullptr, 8));
  }
  return 022;
}

}  // namespace

TFileBytes ReadFileBytes(const std::string& FileName) {
  Fd f;
  f.fd = ::open(FileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (f.fd < 0) Fail("Cannot open file", FileName, errno);
  struct stat st;
  if (::fstat(f.fd, &st) != 0) Fail("Cannot open file", FileName, errno);
  if (S_ISDIR(st.st_mode)) Fail("Cannot open file", FileName, EISDIR);
  size_t cap = S_ISREG(st.st_mode) ? size_t(st.st_size) + 1 : 65536;
  std::unique_ptr<char[]> data(new char[cap]);
  size_t size = 0;
  for (;;) {
    if (size == cap) {  // the file grew, or is a pipe
      std::unique_ptr<char[]> bigger(new char[cap * 2]);
      std::memcpy(bigger.get(), data.get(), size);
      data = std::move(bigger);
      cap *= 2;
    }
    ssize_t n = ::read(f.fd, data.get() + size, cap - size);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail("Cannot open file", FileName, errno);
    }
    if (n == 0) break;
    size += size_t(n);
  }
  TFileBytes r;
  r.fData = std::move(data);
  r.fSize = size;
  return r;
}

void WriteFileAtomic(const std::string& FileName, std::string_view Bytes) {
  // Replace the file a link points to, not the link.
  std::string target = FileName;
  struct stat st;
  if (::lstat(FileName.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    char buf[PATH_MAX];
    if (::realpath(FileName.c_str(), buf)) target = buf;
  }
  bool exists = ::stat(target.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) Fail("Cannot create file", FileName, EISDIR);

  std::string tmp = target + ".XXXXXX";
  Fd f;
  f.fd = ::mkstemp(tmp.data());
  if (f.fd < 0) Fail("Cannot create file", FileName, errno);
  auto abandon = [&](int err) {
    ::close(f.fd);
    f.fd = -1;
    ::unlink(tmp.c_str());
    Fail("Cannot create file", FileName, err);
  };
  size_t done = 0;
  while (done < Bytes.size()) {
    ssize_t n = ::write(f.fd, Bytes.data() + done, Bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      abandon(errno);
    }
    done += size_t(n);
  }
  mode_t mode = exists ? (st.st_mode & 07777) : (0666 & ~CurrentUmask());
  if (::fchmod(f.fd, mode) != 0 || ::fsync(f.fd) != 0) abandon(errno);
  if (::close(f.fd) != 0) {
    f.fd = -1;
    int err = errno;
    ::unlink(tmp.c_str());
    Fail("Cannot create file", FileName, err);
  }
  f.fd = -1;
  if (::rename(tmp.c_str(), target.c_str()) != 0) {
    int err = errno;
    ::unlink(tmp.c_str());
    Fail("Cannot create file", FileName, err);
  }
}

}  // namespace synt
