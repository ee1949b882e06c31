#include "platform/streams.h"

#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>

namespace synt {

// --- TStream ---------------------------------------------------------------------------------

int64_t TStream::Size() {
  int64_t pos = Seek(0, soCurrent);
  int64_t size = Seek(0, soEnd);
  Seek(pos, soBeginning);
  return size;
}

void TStream::SetSize(int64_t) {
  throw EStreamError("Stream size cannot be changed");
}

void TStream::ReadBuffer(void* Buffer, size_t Count) {
  if (Count && Read(Buffer, Count) != Count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* Buffer, size_t Count) {
  if (Count && Write(Buffer, Count) != Count) throw EWriteError("Stream write error");
}

std::string TStream::ReadAll() {
  std::string result;
  char buf[65536];
  for (;;) {
    size_t n = Read(buf, sizeof buf);
    if (n == 0) break;
    result.append(buf, n);
  }
  return result;
}

int64_t TStream::CopyFrom(TStream& Source, int64_t Count) {
  if (Count == 0) {
    Source.SetPosition(0);
    Count = Source.Size();
  }
  int64_t done = 0;
  char buf[65536];
  while (done < Count) {
    size_t n = size_t(std::min<int64_t>(Count - done, int64_t(sizeof buf)));
    Source.ReadBuffer(buf, n);
    WriteBuffer(buf, n);
    done += int64_t(n);
  }
  return done;
}

// --- TMemoryStream ---------------------------------------------------------------------------

size_t TMemoryStream::Read(void* Buffer, size_t Count) {
  if (pos_ >= data_.size()) return 0;
  size_t n = std::min(Count, data_.size() - pos_);
  std::memcpy(Buffer, data_.data() + pos_, n);
  pos_ += n;
  return n;
}

size_t TMemoryStream::Write(const void* Buffer, size_t Count) {
  if (Count == 0) return 0;
  if (pos_ + Count > data_.size()) data_.resize(pos_ + Count);
  std::memcpy(data_.data() + pos_, Buffer, Count);
  pos_ += Count;
  return Count;
}

int64_t TMemoryStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  int64_t base = Origin == soBeginning ? 0 : Origin == soCurrent ? int64_t(pos_) : Size();
  int64_t pos = base + Offset;
  if (pos < 0) pos = 0;
  pos_ = size_t(pos);
  return pos;
}

void TMemoryStream::SetSize(int64_t NewSize) {
  data_.resize(size_t(std::max<int64_t>(NewSize, 0)));
  if (pos_ > data_.size()) pos_ = data_.size();
}

void TMemoryStream::Clear() {
  data_.clear();
  pos_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& Stream) {
  Stream.SetPosition(0);
  data_ = Stream.ReadAll();
  pos_ = 0;
}

void TMemoryStream::SaveToStream(TStream& Stream) const {
  Stream.WriteString(data_);
}

void TMemoryStream::LoadFromFile(const std::string& FileName) {
  TFileStream f(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(f);
}

void TMemoryStream::SaveToFile(const std::string& FileName) const {
  WriteFileAtomic(FileName, data_);
}

// --- TFileStream -----------------------------------------------------------------------------

TFileStream::TFileStream(const std::string& FileName, unsigned Mode) : fileName_(FileName) {
  if (Mode == fmCreate || (Mode & 0xFF00) == fmCreate) {
    handle_ = ::open(FileName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (handle_ < 0)
      throw EFCreateError("Cannot create file \"" + FileName + "\". " + std::strerror(errno));
    return;
  }
  int flags = O_CLOEXEC;
  switch (Mode & 3) {
    case fmOpenWrite:
      flags |= O_WRONLY;
      break;
    case fmOpenReadWrite:
      flags |= O_RDWR;
      break;
    default:
      flags |= O_RDONLY;
      break;
  }
  handle_ = ::open(FileName.c_str(), flags);
  if (handle_ >= 0) {
    struct stat st;
    if (::fstat(handle_, &st) == 0 && S_ISDIR(st.st_mode)) {
      ::close(handle_);
      handle_ = -1;
      errno = EISDIR;
    }
  }
  if (handle_ < 0)
    throw EFOpenError("Cannot open file \"" + FileName + "\". " + std::strerror(errno));
}

TFileStream::~TFileStream() {
  if (handle_ >= 0) ::close(handle_);
}

size_t TFileStream::Read(void* Buffer, size_t Count) {
  size_t done = 0;
  while (done < Count) {
    ssize_t n = ::read(handle_, static_cast<char*>(Buffer) + done, Count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += size_t(n);
  }
  return done;
}

size_t TFileStream::Write(const void* Buffer, size_t Count) {
  size_t done = 0;
  while (done < Count) {
    ssize_t n = ::write(handle_, static_cast<const char*>(Buffer) + done, Count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += size_t(n);
  }
  return done;
}

int64_t TFileStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  int whence = Origin == soBeginning ? SEEK_SET : Origin == soCurrent ? SEEK_CUR : SEEK_END;
  off_t r = ::lseek(handle_, off_t(Offset), whence);
  return r < 0 ? -1 : int64_t(r);
}

void TFileStream::SetSize(int64_t NewSize) {
  if (::ftruncate(handle_, off_t(NewSize)) != 0) throw EWriteError("Stream write error");
}

// --- resources -------------------------------------------------------------------------------

namespace {
struct Resources {
  std::mutex Lock;
  std::map<std::pair<std::string, std::string>, std::string> Items;
};
Resources& TheResources() {
  static Resources r;
  return r;
}
std::string Upper(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return r;
}
}  // namespace

void RegisterResource(std::string Name, std::string Type, std::string_view Bytes) {
  Resources& r = TheResources();
  std::lock_guard<std::mutex> g(r.Lock);
  r.Items[{Upper(Name), Upper(Type)}] = std::string(Bytes);
}

bool FindResource(std::string_view Name, std::string_view Type, std::string* Bytes) {
  Resources& r = TheResources();
  std::lock_guard<std::mutex> g(r.Lock);
  auto it = r.Items.find({Upper(Name), Upper(Type)});
  if (it == r.Items.end()) return false;
  if (Bytes) *Bytes = it->second;
  return true;
}

TResourceStream::TResourceStream(uintptr_t, const std::string& ResName,
                                 const std::string& ResType) {
  std::string bytes;
  if (!FindResource(ResName, ResType, &bytes))
    throw EResNotFound("Resource " + ResName + " not found");
  WriteBuffer(bytes.data(), bytes.size());
  SetPosition(0);
}

TResourceStream::TResourceStream(uintptr_t Instance, int ResID, const std::string& ResType)
    : TResourceStream(Instance, std::string(1, '#').append(std::to_string(ResID)), ResType) {}

}  // namespace synt
