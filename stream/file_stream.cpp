// Files through the C library, and the file-system operations. File names are
// matched without regard to case when they do not exist as spelled, because the
// game's own paths mix "data" and "Data".
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstring>

#include "stream/stream.h"

static std::string SlashPath(std::u16string_view path) {
  std::string p = TextToBytes(path);
  for (char& c : p)
    if (c == '\\') c = '/';
  return p;
}

static bool Exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

static bool SameIgnoringCase(const char* a, const std::string& b) {
  return strcasecmp(a, b.c_str()) == 0;
}

// Each component of `path` as spelled on disk; empty when one has no match.
// With `allow_missing_leaf`, a last component that matches nothing is kept as
// given, so a new file can be created in a directory spelled another way.
static std::string ResolveCase(const std::string& path, bool allow_missing_leaf) {
  if (path.empty()) return {};
  if (Exists(path)) return path;
  std::string resolved = path[0] == '/' ? "/" : "";
  size_t start = path[0] == '/' ? 1 : 0;
  while (start <= path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    std::string part = path.substr(start, end - start);
    bool leaf = end == path.size();
    start = end + 1;
    if (part.empty()) continue;
    std::string candidate = resolved + part;
    if (part != "." && part != ".." && !Exists(candidate)) {
      std::string found;
      if (DIR* dir = ::opendir(resolved.empty() ? "." : resolved.c_str())) {
        while (dirent* e = ::readdir(dir)) {
          if (SameIgnoringCase(e->d_name, part)) {
            found = e->d_name;
            break;
          }
        }
        ::closedir(dir);
      }
      if (!found.empty()) {
        candidate = resolved + found;
      } else if (!(leaf && allow_missing_leaf)) {
        return {};
      }
    }
    resolved = leaf ? candidate : candidate + "/";
  }
  return resolved;
}

std::u16string ResolveFileCase(std::u16string_view path) {
  return BytesToText(ResolveCase(SlashPath(path), false));
}

// ---- TCStream

TCStream::~TCStream() { Close(); }

std::shared_ptr<TCStream> TCStream::OpenFile(std::u16string_view path, bool readable, bool writeable) {
  int mode = readable && writeable ? 3 : writeable ? MODE_WRITE : MODE_READ;
  std::string name = SlashPath(path);
  std::string on_disk = ResolveCase(name, mode == MODE_WRITE);
  if (!on_disk.empty()) name = on_disk;
  const char* cmode = mode == 3 ? "r+b" : mode == MODE_WRITE ? "wb" : "rb";
  std::FILE* f = std::fopen(name.c_str(), cmode);
  if (!f) return nullptr;
  return CreateWithCStream(f, mode);
}

std::shared_ptr<TCStream> TCStream::CreateWithCStream(std::FILE* handle, int mode) {
  auto s = std::make_shared<TCStream>();
  s->_cstream = handle;
  s->_mode = mode;
  off_t here = ::ftello(handle);
  s->_pos = here < 0 ? 0 : here;
  if (::fseeko(handle, 0, SEEK_END) == 0) {
    off_t end = ::ftello(handle);
    s->_size = end < 0 ? 0 : end;
    ::fseeko(handle, s->_pos, SEEK_SET);
  }
  return s;
}

int64_t TCStream::Seek(int64_t pos) {
  if (!_cstream) return -1;
  if (::fseeko(_cstream, pos, SEEK_SET) != 0) return _pos;
  _pos = ::ftello(_cstream);
  return _pos;
}

int TCStream::Flush() { return _cstream ? std::fflush(_cstream) : 0; }

int TCStream::Close() {
  if (!_cstream) return 0;
  std::fflush(_cstream);
  std::fclose(_cstream);
  _cstream = nullptr;
  _pos = 0;
  _size = 0;
  return 0;
}

int64_t TCStream::Read(void* buffer, int64_t count) {
  if (!_cstream || count <= 0 || !(_mode & MODE_READ)) return 0;
  size_t n = std::fread(buffer, 1, static_cast<size_t>(count), _cstream);
  _pos += static_cast<int64_t>(n);
  return static_cast<int64_t>(n);
}

int64_t TCStream::Write(const void* buffer, int64_t count) {
  if (!_cstream || count <= 0 || !(_mode & MODE_WRITE)) return 0;
  size_t n = std::fwrite(buffer, 1, static_cast<size_t>(count), _cstream);
  // The C library buffers; a full disk shows at the flush, and that must not pass as written.
  if (n > 0 && std::fflush(_cstream) != 0) n = 0;
  _pos += static_cast<int64_t>(n);
  if (_pos > _size) _size = _pos;
  return static_cast<int64_t>(n);
}

// ---- paths and the file system

std::u16string NormalisePath(std::u16string_view in, bool for_change_directory) {
  std::u16string p(in);
  for (char16_t& c : p)
    if (c == u'\\') c = u'/';
  if (p.size() >= 2 && p[0] == u'/' && p[1] == u'/') {
    if (p.find(u'/', 2) == std::u16string::npos) p += u'/';
  } else {
    size_t colon = p.find(u':');
    if (colon != std::u16string::npos && (colon + 1 >= p.size() || p[colon + 1] != u':')) {
      size_t slash = p.find(u'/');
      if (slash == std::u16string::npos || slash > colon + 1) p.insert(p.begin() + static_cast<std::ptrdiff_t>(colon + 1), u'/');
    }
  }
  if (for_change_directory && p.size() > 1 && p.back() == u'/') {
    size_t root = 0;
    if (p.size() >= 2 && p[0] == u'/' && p[1] == u'/') {
      size_t s = p.find(u'/', 2);
      root = s == std::u16string::npos ? p.size() : s + 1;
    } else if (size_t c = p.find(u':'); c != std::u16string::npos && c + 1 < p.size() && p[c + 1] == u'/') {
      root = c + 2;
    } else if (p[0] == u'/') {
      root = 1;
    }
    if (p.size() > root) p.pop_back();
  }
  return p;
}

int FileKind(std::u16string_view path) {
  std::string p = TextToBytes(NormalisePath(path));
  std::string on_disk = ResolveCase(p, false);
  if (on_disk.empty()) return 0;
  struct stat st;
  if (::stat(on_disk.c_str(), &st) != 0) return 0;
  if (S_ISREG(st.st_mode)) return 1;
  if (S_ISDIR(st.st_mode)) return 2;
  return 0;
}

std::u16string CurrentDirectory() {
  char buf[1024];
  if (!::getcwd(buf, sizeof buf)) return {};
  return NormalisePath(BytesToText(buf));
}

int ChangeDirectory(std::u16string_view path) {
  std::string p = TextToBytes(NormalisePath(path, true));
  std::string on_disk = ResolveCase(p, false);
  return !on_disk.empty() && ::chdir(on_disk.c_str()) == 0 ? 1 : 0;
}

// The directories of `path` as spelled on disk, made where missing; false when one cannot be.
static bool MakeParentDirectories(const std::string& path) {
  size_t slash = path.find('/', path[0] == '/' ? 1 : 0);
  while (slash != std::string::npos) {
    const std::string dir = path.substr(0, slash);
    if (ResolveCase(dir, false).empty()) {
      // Made inside its parent as that is spelled on disk: "Data/new" goes into data/.
      const std::string spelled = ResolveCase(dir, true);
      if (spelled.empty() || (::mkdir(spelled.c_str(), 0777) != 0 && errno != EEXIST)) return false;
    }
    slash = path.find('/', slash + 1);
  }
  return true;
}

bool MakeDirectory(std::u16string_view path) {
  const std::string p = TextToBytes(NormalisePath(path, true));
  return !p.empty() && MakeParentDirectories(p + "/") && FileKind(path) == 2;
}

static bool WriteAll(int fd, const uint8_t* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool ReplaceFileBytes(std::u16string_view path, const std::vector<uint8_t>& bytes) {
  std::string name = SlashPath(path);
  if (name.empty() || name.back() == '/') return false;
  std::string on_disk = ResolveCase(name, true);
  if (on_disk.empty()) {
    // Directories made here are spelled as asked; a later name in another case finds them.
    if (!MakeParentDirectories(name)) return false;
    on_disk = ResolveCase(name, true);
    if (on_disk.empty()) return false;
  }
  const size_t slash = on_disk.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : on_disk.substr(0, slash);
  const std::string leaf = slash == std::string::npos ? on_disk : on_disk.substr(slash + 1);
  std::string temp = dir + "/." + leaf + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return false;
  bool ok = WriteAll(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  // mkstemp makes the file private; a saved file is as readable as any other the user makes.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ok = ok && ::chmod(temp.c_str(), 0666 & ~mask) == 0;
  if (!ok || ::rename(temp.c_str(), on_disk.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  // The rename itself reaches the disk only with the directory.
  const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  return true;
}
