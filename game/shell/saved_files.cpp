#include "game/shell/saved_files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "game/globals.h"
#include "stream/stream.h"

namespace {

constexpr const char16_t* kBestScorePath = u"data\\hiscore.dat";
constexpr const char16_t* kStereoPath = u"Data\\anaglyph3d.dat";

// The stored value, or `missing` when nothing readable has that name: a directory of that
// name, or a file that fails while being read, counts as missing.
int32_t read_value(const char16_t* path, int32_t missing) {
  TStreamPtr s = OpenFileForReading(path);
  if (!s) return missing;
  int32_t value = missing;
  try {
    value = s->ReadInt();  // a shorter file leaves the missing bytes 0
  } catch (const TStreamException&) {
    value = missing;
  }
  s->Close();
  return value;
}

// The name as the file system spells it, for messages: "data/anaglyph3d.dat".
std::string real_path(const char16_t* path) {
  const std::u16string p = NormalisePath(path);
  const size_t slash = p.rfind(u'/');
  const std::u16string dir = ResolveFileCase(p.substr(0, slash));
  return TextToBytes((dir.empty() ? p.substr(0, slash) : dir) + p.substr(slash));
}

// Files that could not be written, and why the first one failed, for one line at the end.
std::string unsaved, unsaved_reason;

void write_value(const char16_t* path, int32_t value) {
  // The glasses file's name would make the folder "Data", and the best score would follow it
  // there; the folder of the sounds is "data".
  MakeDirectory(u"data");
  std::vector<uint8_t> bytes(4);
  TRamStream::Create(bytes.data(), 4, false, true)->WriteInt(value);
  errno = 0;
  if (ReplaceFileBytes(path, bytes)) return;
  if (unsaved.empty()) unsaved_reason = errno != 0 ? std::strerror(errno) : "failed";
  unsaved += (unsaved.empty() ? "" : ", ") + real_path(path);
}

}  // namespace

void best_score_file(int32_t action) {
  if (action == 0) {
    player.best_sc = FileKind(kBestScorePath) == 1 ? read_value(kBestScorePath, 0) : 0;
  } else if (action == 1) {
    write_value(kBestScorePath, player.best_sc);
  }
}

void stereo_file(int32_t action) {
  if (action == 1 && FileKind(kStereoPath) == 1) {
    stereo_mode = read_value(kStereoPath, stereo_mode);
    // The menu shows the mode by its label: a value it has none for means flat.
    if (stereo_mode < 0 || stereo_mode > 4) stereo_mode = 0;
  } else if (action == 2) {
    write_value(kStereoPath, stereo_mode);
  }
  select_eye_colours(stereo_mode);
}

void report_unsaved_files() {
  if (unsaved.empty()) return;
  std::fprintf(stderr, "Could not save %s (%s); the old files are kept\n", unsaved.c_str(), unsaved_reason.c_str());
  unsaved.clear();
}
