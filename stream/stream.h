// Streams over files, memory and embedded resources, with typed little-endian
// reads and writes, the URL factory chain and the few file-system operations used.
// Builds on core.h only; every byte the system reads or writes goes through here.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "stream/core.h"

// The root of all streams. Read and Write may move fewer bytes than asked.
class TIO {
 public:
  virtual ~TIO() = default;
  virtual bool Eof();                                  // Pos() == Size()
  virtual int64_t Pos();                               // -1: cannot seek
  virtual int64_t Size();                              // 0
  virtual int64_t Seek(int64_t pos);                   // -1
  virtual int Flush();                                 // 0
  virtual int Close();                                 // 0
  virtual int64_t Read(void* buffer, int64_t count);   // "Stream is not readable"
  virtual int64_t Write(const void* buffer, int64_t count);  // "Stream is not writeable"
};

class TStream : public TIO {
 public:
  // Fill `count` bytes, leaving what lies past the end untouched; returns `count`.
  // A read that makes no progress before the end raises TStreamReadException.
  virtual int64_t ReadBytes(void* buffer, int64_t count);
  // Write all bytes; a write that makes no progress raises TStreamWriteException.
  virtual int64_t WriteBytes(const void* buffer, int64_t count);
  virtual int64_t SkipBytes(int64_t count);
  virtual int32_t ReadByte();
  virtual void WriteByte(int32_t n);
  virtual int32_t ReadShort();  // unsigned 16-bit
  virtual void WriteShort(int32_t n);
  virtual int32_t ReadInt();
  virtual void WriteInt(int32_t n);
  virtual int64_t ReadLong();
  virtual void WriteLong(int64_t n);
  virtual float ReadFloat();
  virtual void WriteFloat(float x);
  virtual double ReadDouble();
  virtual void WriteDouble(double x);
  virtual std::u16string ReadLine();                    // up to LF or NUL, CRs dropped
  virtual bool WriteLine(std::u16string_view text);     // text, then CR LF
  virtual std::u16string ReadString(int64_t length);
  virtual void WriteString(std::u16string_view text);
  virtual std::shared_ptr<void> ReadObject();           // "Unable to read object"
  virtual void WriteObject(const std::shared_ptr<void>& object);  // "Unable to write object"
};

using TStreamPtr = std::shared_ptr<TStream>;

// What a stream is opened from: a text URL, or an existing stream to wrap.
struct TUrl {
  TUrl() = default;
  TUrl(std::u16string t) : text(std::move(t)) {}
  TUrl(const char16_t* t) : text(t ? t : u"") {}
  TUrl(TStreamPtr s) : stream(std::move(s)) {}
  std::u16string text;
  TStreamPtr stream;
};

// Forwards every operation to `_stream`.
class TStreamWrapper : public TStream {
 public:
  ~TStreamWrapper() override;
  void SetStream(TStreamPtr stream) { _stream = std::move(stream); }
  bool Eof() override;
  int64_t Pos() override;
  int64_t Size() override;
  int64_t Seek(int64_t pos) override;
  int Flush() override;
  int Close() override;
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t ReadBytes(void* buffer, int64_t count) override;
  int64_t WriteBytes(const void* buffer, int64_t count) override;
  int64_t SkipBytes(int64_t count) override;
  int32_t ReadByte() override;
  void WriteByte(int32_t n) override;
  int32_t ReadShort() override;
  void WriteShort(int32_t n) override;
  int32_t ReadInt() override;
  void WriteInt(int32_t n) override;
  int64_t ReadLong() override;
  void WriteLong(int64_t n) override;
  float ReadFloat() override;
  void WriteFloat(float x) override;
  double ReadDouble() override;
  void WriteDouble(double x) override;
  std::u16string ReadLine() override;
  bool WriteLine(std::u16string_view text) override;
  std::u16string ReadString(int64_t length) override;
  void WriteString(std::u16string_view text) override;
  std::shared_ptr<void> ReadObject() override;
  void WriteObject(const std::shared_ptr<void>& object) override;

 protected:
  TStreamPtr _stream;
};

// A wrapper whose Close only lets go of the wrapped stream, which stays open.
class TStreamStream : public TStreamWrapper {
 public:
  static std::shared_ptr<TStreamStream> Create(TStreamPtr stream);
  int Close() override;
};

// A file through the C library.
class TCStream : public TStream {
 public:
  static constexpr int MODE_READ = 1;
  static constexpr int MODE_WRITE = 2;
  ~TCStream() override;
  static std::shared_ptr<TCStream> OpenFile(std::u16string_view path, bool readable, bool writeable);
  static std::shared_ptr<TCStream> CreateWithCStream(std::FILE* handle, int mode);
  int64_t Pos() override { return _pos; }
  int64_t Size() override { return _size; }
  int64_t Seek(int64_t pos) override;
  int Flush() override;
  int Close() override;
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;

 private:
  int64_t _pos = 0;
  int64_t _size = 0;
  std::FILE* _cstream = nullptr;
  int _mode = 0;
};

// A fixed block of memory it does not own; it never grows.
class TRamStream : public TStream {
 public:
  static std::shared_ptr<TRamStream> Create(void* buffer, int64_t size, bool readable, bool writeable);
  int64_t Pos() override { return _pos; }
  int64_t Size() override { return _size; }
  int64_t Seek(int64_t pos) override;
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;

 protected:
  int64_t _pos = 0;
  int64_t _size = 0;
  uint8_t* _buf = nullptr;
  bool _read = false;
  bool _write = false;
};

// A block of bytes owned in memory, and a stream over it that keeps it alive.
struct TBank {
  std::vector<uint8_t> bytes;
  static std::shared_ptr<TBank> Load(const TUrl& url);
};
class TBankStream : public TRamStream {
 public:
  static std::shared_ptr<TBankStream> Create(std::shared_ptr<TBank> bank, bool readable, bool writeable);

 private:
  std::shared_ptr<TBank> _bank;
};

// A link of the factory chain; each answers null for protocols not its own.
class TStreamFactory {
 public:
  virtual ~TStreamFactory() = default;
  virtual TStreamPtr CreateStream(const TUrl& url, const std::u16string& protocol,
                                  const std::u16string& path, bool readable, bool writeable) = 0;
  std::shared_ptr<TStreamFactory> _succ;
};
void AddStreamFactory(std::shared_ptr<TStreamFactory> factory);  // at the head; null or already there: refused

TStreamPtr OpenStreamUrl(const TUrl& url, bool readable, bool writeable);
TStreamPtr OpenReadStream(const TUrl& url);
TStreamPtr OpenWriteStream(const TUrl& url);
TStreamPtr OpenFileForReading(const TUrl& url);  // always seekable, or null
TStreamPtr OpenFileForWriting(const TUrl& url);
void CloseStream(const TStreamPtr& stream);

int FileKind(std::u16string_view path);  // 0 none, 1 file, 2 directory
std::u16string CurrentDirectory();
int ChangeDirectory(std::u16string_view path);
std::u16string NormalisePath(std::u16string_view path, bool for_change_directory = false);
// The path as spelled on disk, each component matched without regard to case; empty if none.
std::u16string ResolveFileCase(std::u16string_view path);
// Makes the directory and its missing parents, spelled as given where no name of another case
// is there already; true when it is a directory afterwards.
bool MakeDirectory(std::u16string_view path);

int RegisterEmbedded(const std::u16string& name, const void* data, int64_t length);
const void* EmbeddedData(std::u16string_view name);
int64_t EmbeddedSize(std::u16string_view name);

std::vector<uint8_t> LoadBytes(const TUrl& url);
std::u16string LoadText(const TUrl& url);
bool SaveText(std::u16string_view text, const TUrl& url);
bool SaveBytes(const std::vector<uint8_t>& bytes, const TUrl& url);
// Replaces the file at `path` (a plain file name, created with its missing directories) by
// the bytes: they go to a temporary file beside it, reach the disk, and are renamed over it,
// so a crash or a full disk leaves the old file or the new one. False, and the old file as
// it was, when a step fails.
bool ReplaceFileBytes(std::u16string_view path, const std::vector<uint8_t>& bytes);
void CopyStreamData(TStream& from, TStream& to, int64_t buffer_size = 4096);
void CopyStreamBytes(TStream& from, TStream& to, int64_t count, int64_t buffer_size = 4096);
