// vs_assetgen: writes every picture, bitmap font and sound of the game into a
// source tree (graphx/, fonts/, data/). The same inputs always give the same bytes.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tools/assetgen/glyphs.h"
#include "tools/assetgen/pictures.h"
#include "tools/assetgen/sounds.h"

namespace {

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  if (!f) throw std::runtime_error("cannot write " + path);
}

int Usage() {
  std::fprintf(stderr,
               "usage: vs_assetgen <source dir> [pictures] [fonts] [sounds]\n"
               "Writes graphx/*.png, fonts/*.bin and data/*.ogg under <source dir>; "
               "with no group named, writes all three.\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  namespace fs = std::filesystem;
  fs::path root = argv[1];
  bool pictures = argc == 2, fonts = argc == 2, sounds = argc == 2;
  for (int i = 2; i < argc; ++i) {
    std::string g = argv[i];
    if (g == "pictures") pictures = true;
    else if (g == "fonts") fonts = true;
    else if (g == "sounds") sounds = true;
    else return Usage();
  }
  assetgen::Fonts faces{"/usr/share/fonts/truetype/play/Play-Bold.ttf",
                        "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf",
                        "/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf"};
  try {
    if (pictures) {
      fs::create_directories(root / "graphx");
      std::string dir = (root / "graphx").string();
      assetgen::WriteLogo(dir, faces);
      assetgen::WriteTitle(dir, faces);
      assetgen::WriteBackdrop(dir);
      assetgen::WriteSpriteSheet(dir, faces);
      fs::create_directories(root / "graphx" / "icons");
      assetgen::WriteIcons((root / "graphx" / "icons").string());
    }
    if (fonts) {
      fs::create_directories(root / "fonts");
      WriteBytes((root / "fonts" / "vantlefont.bin").string(), assetgen::BitmapFont(faces.mono, 13));
      WriteBytes((root / "fonts" / "gldrawtextfont.bin").string(), assetgen::BitmapFont(faces.mono_bold, 13));
    }
    if (sounds) {
      fs::create_directories(root / "data");
      assetgen::WriteSounds((root / "data").string());
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vs_assetgen: %s\n", e.what());
    return 1;
  }
  return 0;
}
