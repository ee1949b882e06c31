// Byte streams: memory, files and resources compiled into the program.
//
//   synt::TFileStream in("lexer.lx", synt::fmOpenRead | synt::fmShareDenyWrite);
//   std::string bytes = in.ReadAll();
//   synt::TMemoryStream m;
//   m.WriteBuffer(bytes.data(), bytes.size());
//   m.SetPosition(0);
//   synt::WriteFileAtomic("copy.lx", m.DataString());  // platform/file_io.h
//
//   // resources: registered once by generated code, opened by name
//   synt::RegisterResource("PASCAL", "LEXER", kPascalLexerBytes);
//   synt::TResourceStream r(0, "PASCAL", "LEXER");
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/object.h"

namespace synt {

// A failure while reading: a short stream, or a stored form with an error (Line > 0 then).
class EReadError : public EStreamError {
 public:
  explicit EReadError(const std::string& Message, int Line = 0)
      : EStreamError(Message), line_(Line) {}
  int Line() const { return line_; }

 private:
  int line_;
};
class EWriteError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};
class EFOpenError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};
class EFCreateError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};
class EResNotFound : public Exception {
 public:
  using Exception::Exception;
};

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream : public TObject {
 public:
  // Read and Write move up to Count bytes and return how many moved.
  virtual size_t Read(void* Buffer, size_t Count) = 0;
  virtual size_t Write(const void* Buffer, size_t Count) = 0;
  virtual int64_t Seek(int64_t Offset, TSeekOrigin Origin) = 0;
  virtual int64_t Size();
  virtual void SetSize(int64_t NewSize);

  int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(int64_t Pos) { Seek(Pos, soBeginning); }
  // As Read and Write, raising "Stream read error" / "Stream write error" when short.
  void ReadBuffer(void* Buffer, size_t Count);
  void WriteBuffer(const void* Buffer, size_t Count);
  void WriteString(std::string_view Bytes) { WriteBuffer(Bytes.data(), Bytes.size()); }
  // Everything from the position to the end.
  std::string ReadAll();
  // Copies Count bytes from Source's position; Count 0 copies all of Source from its start.
  int64_t CopyFrom(TStream& Source, int64_t Count);
};

class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::string Bytes) : data_(std::move(Bytes)) {}
  size_t Read(void* Buffer, size_t Count) override;
  size_t Write(const void* Buffer, size_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  int64_t Size() override { return int64_t(data_.size()); }
  void SetSize(int64_t NewSize) override;

  const std::string& DataString() const { return data_; }
  void Clear();
  void LoadFromStream(TStream& Stream);
  void SaveToStream(TStream& Stream) const;
  void LoadFromFile(const std::string& FileName);
  void SaveToFile(const std::string& FileName) const;  // atomic

 private:
  std::string data_;
  size_t pos_ = 0;
};

// Open modes of a file stream. The sharing flags are accepted for the callers that state them; the
// platform does not lock files.
enum : unsigned {
  fmOpenRead = 0x0000,
  fmOpenWrite = 0x0001,
  fmOpenReadWrite = 0x0002,
  fmShareExclusive = 0x0010,
  fmShareDenyWrite = 0x0020,
  fmShareDenyRead = 0x0030,
  fmShareDenyNone = 0x0040,
  fmCreate = 0xFF00,  // create or truncate, read and write
};

class TFileStream : public TStream {
 public:
  // Raises EFCreateError "Cannot create file "<name>". <reason>" or EFOpenError "Cannot open file
  // ...".
  TFileStream(const std::string& FileName, unsigned Mode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;
  size_t Read(void* Buffer, size_t Count) override;
  size_t Write(const void* Buffer, size_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  void SetSize(int64_t NewSize) override;
  const std::string& FileName() const { return fileName_; }

 private:
  std::string fileName_;
  int handle_ = -1;
};

// Program resources: named blocks of bytes of a type ("LEXER", "RCDATA"), registered by the
// program. A numeric identifier names the resource "#<id>".
void RegisterResource(std::string Name, std::string Type, std::string_view Bytes);
bool FindResource(std::string_view Name, std::string_view Type, std::string* Bytes);

class TResourceStream : public TMemoryStream {
 public:
  // Instance selects a module; the platform has one. Raises EResNotFound "Resource <name> not
  // found".
  TResourceStream(uintptr_t Instance, const std::string& ResName, const std::string& ResType);
  TResourceStream(uintptr_t Instance, int ResID, const std::string& ResType);
};

}  // namespace synt
