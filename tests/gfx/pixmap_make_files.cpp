// Writes the picture files the project keeps: valid seeds for the fuzz corpus and the
// malformed files every loader must refuse. Usage: pixmap_make_files SEED_DIR BAD_DIR
#include <png.h>
#include <zlib.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "tests/gfx/pixmap_samples.h"

namespace {

namespace fs = std::filesystem;

void Write(const fs::path& path, const Bytes& b) {
  fs::create_directories(path.parent_path());
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) throw std::runtime_error("cannot write " + path.string());
  std::fwrite(b.data(), 1, b.size(), f);
  std::fclose(f);
}

Bytes Cut(const Bytes& b, size_t n) { return Bytes(b.begin(), b.begin() + std::min(n, b.size())); }

void Put32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
void PutBe32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

PngLayout Png(int w, int h, int type, int depth, Bytes px) {
  PngLayout s;
  s.width = w, s.height = h, s.colour_type = type, s.bit_depth = depth, s.pixels = std::move(px);
  return s;
}

JpegLayout Jpeg(int w, int h, int comps, bool progressive) {
  JpegLayout s;
  s.width = w, s.height = h, s.components = comps, s.progressive = progressive;
  s.pixels = Pattern(static_cast<size_t>(w) * h * comps, 11);
  return s;
}

BmpLayout Bmp(int w, int h, int bpp, Bytes rows) {
  BmpLayout s;
  s.width = w, s.height = h, s.bpp = bpp, s.rows = std::move(rows);
  return s;
}

Bytes Tga(int type, int w, int h, int depth, const Bytes& body, int id = 0) {
  Bytes b = TgaHeader(type, w, h, depth, id);
  b.insert(b.end(), body.begin(), body.end());
  return b;
}

Bytes WithChunkEdit(Bytes png, const std::string& type, size_t offset, uint8_t value, bool fix_crc) {
  for (const PngChunk& c : PngChunks(png))
    if (c.type == type) {
      png[c.offset + 8 + offset] = value;
      if (fix_crc) FixPngCrc(png, c);
    }
  return png;
}

void SetJpegSize(Bytes& b, uint16_t w, uint16_t h) {
  for (size_t i = 2; i + 9 < b.size(); ++i)
    if (b[i] == 0xFF && (b[i + 1] == 0xC0 || b[i + 1] == 0xC2)) {
      b[i + 5] = h >> 8, b[i + 6] = h & 255, b[i + 7] = w >> 8, b[i + 8] = w & 255;
      return;
    }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s SEED_DIR BAD_DIR\n", argv[0]);
    return 2;
  }
  const fs::path seeds = argv[1], bad = argv[2];

  // Seeds: one small valid file per kind the loaders decode.
  Write(seeds / "png/rgb.png", EncodePng(Png(7, 5, PNG_COLOR_TYPE_RGB, 8, Pattern(105))));
  Write(seeds / "png/grey_alpha16.png", EncodePng(Png(4, 3, PNG_COLOR_TYPE_GRAY_ALPHA, 16, Pattern(48))));
  PngLayout pal = Png(6, 2, PNG_COLOR_TYPE_PALETTE, 4, Pattern(6));
  pal.palette = Pattern(48, 3);
  pal.trns = {0, 128, 255};
  Write(seeds / "png/palette_trns.png", EncodePng(pal));
  PngLayout inter = Png(9, 9, PNG_COLOR_TYPE_RGB_ALPHA, 8, Pattern(324));
  inter.interlaced = true;
  Write(seeds / "png/interlaced.png", EncodePng(inter));
  Write(seeds / "png/grey1.png", EncodePng(Png(16, 2, PNG_COLOR_TYPE_GRAY, 1, Pattern(4))));

  Write(seeds / "jpeg/rgb.jpg", EncodeJpeg(Jpeg(16, 16, 3, false)));
  Write(seeds / "jpeg/grey.jpg", EncodeJpeg(Jpeg(9, 7, 1, false)));
  Write(seeds / "jpeg/progressive.jpg", EncodeJpeg(Jpeg(24, 17, 3, true)));

  Write(seeds / "bmp/rgb24.bmp", EncodeBmp(Bmp(5, 3, 24, Pattern(45))));
  Write(seeds / "bmp/bgra32_topdown.bmp", EncodeBmp(Bmp(3, -2, 32, Pattern(24))));
  for (int bpp : {1, 4, 8}) {
    BmpLayout s = Bmp(9, 3, bpp, Bytes(27, 0));
    s.palette = Pattern(4 << bpp, bpp);
    Write(seeds / ("bmp/palette" + std::to_string(bpp) + ".bmp"), EncodeBmp(s));
  }

  Write(seeds / "tga/rgb24.tga", Tga(2, 3, 2, 24, Pattern(18), 3));
  Write(seeds / "tga/argb16.tga", Tga(2, 2, 2, 16, Pattern(8)));
  Write(seeds / "tga/rle32.tga", Tga(10, 4, 2, 32, {0x83, 1, 2, 3, 4, 0x01, 5, 6, 7, 8, 9, 10, 11, 12, 0x81, 1, 1, 1, 1}));
  Write(seeds / "tga/rle15.tga", Tga(10, 3, 1, 15, {0x00, 1, 2, 0x81, 3, 4}));

  // Malformed files: every one must give null.
  const Bytes png = EncodePng(Png(7, 5, PNG_COLOR_TYPE_RGB, 8, Pattern(105)));
  Write(bad / "png_bad_crc_ihdr.png", WithChunkEdit(png, "IHDR", 3, 8, false));
  Write(bad / "png_bad_crc_idat.png", WithChunkEdit(png, "IDAT", 2, 0x5A, false));
  Write(bad / "png_cut_in_header.png", Cut(png, 20));
  Write(bad / "png_cut_in_data.png", Cut(png, png.size() - 20));
  Write(bad / "png_cut_before_end.png", Cut(png, png.size() - 6));
  Bytes wide = png;
  PutBe32(wide, 16, MaxPixmapSide + 1);
  FixPngCrc(wide, PngChunks(wide)[0]);
  Write(bad / "png_too_wide.png", wide);
  Bytes bomb = png;
  PutBe32(bomb, 16, 16000), PutBe32(bomb, 20, 16000);
  FixPngCrc(bomb, PngChunks(bomb)[0]);
  Write(bad / "png_declared_bomb.png", bomb);
  Write(bad / "png_bit_depth_3.png", WithChunkEdit(png, "IHDR", 8, 3, true));
  Write(bad / "png_colour_type_5.png", WithChunkEdit(png, "IHDR", 9, 5, true));

  const Bytes jpeg = EncodeJpeg(Jpeg(16, 16, 3, false));
  const Bytes prog = EncodeJpeg(Jpeg(16, 16, 3, true));
  Write(bad / "jpeg_cut_half.jpg", Cut(jpeg, jpeg.size() / 2));
  Write(bad / "jpeg_cut_before_end.jpg", Cut(jpeg, jpeg.size() - 2));
  Write(bad / "jpeg_progressive_cut.jpg", Cut(prog, prog.size() - 40));
  Bytes huge = jpeg;
  SetJpegSize(huge, 16384, 16384);
  Write(bad / "jpeg_huge_declared.jpg", huge);
  Bytes too_wide = jpeg;
  SetJpegSize(too_wide, 20000, 16);
  Write(bad / "jpeg_too_wide.jpg", too_wide);
  Write(bad / "jpeg_cmyk.jpg", EncodeJpeg(Jpeg(8, 8, 4, false)));
  {
    size_t last = 0;
    for (size_t i = 2; i + 1 < prog.size(); ++i)
      if (prog[i] == 0xFF && prog[i + 1] == 0xDA) last = i;
    Bytes scan(prog.begin() + last, prog.end() - 2), many(prog.begin(), prog.end() - 2);
    for (int i = 0; i < 2000; ++i) many.insert(many.end(), scan.begin(), scan.end());
    many.push_back(0xFF), many.push_back(0xD9);
    Write(bad / "jpeg_2000_scans.jpg", many);
  }

  BmpLayout palette = Bmp(4, 1, 8, {0, 1, 2, 3});
  palette.palette = Pattern(12);
  palette.palette_count = 3;
  Write(bad / "bmp_palette_index.bmp", EncodeBmp(palette));
  BmpLayout count = Bmp(1, 1, 4, {0});
  count.palette_count = 17;
  count.palette = Pattern(68);
  Write(bad / "bmp_palette_count.bmp", EncodeBmp(count));
  const Bytes bmp = EncodeBmp(Bmp(2, 2, 24, Pattern(12)));
  struct {
    const char* name;
    size_t at;
    uint32_t value;
  } edits[] = {{"bmp_width_zero.bmp", 18, 0},          {"bmp_width_negative.bmp", 18, 0xFFFFFFFD},
               {"bmp_height_zero.bmp", 22, 0},         {"bmp_height_min.bmp", 22, 0x80000000},
               {"bmp_huge_declared.bmp", 18, 16384},   {"bmp_too_tall.bmp", 22, 16385}};
  for (const auto& e : edits) {
    Bytes b = bmp;
    Put32(b, e.at, e.value);
    Write(bad / e.name, b);
  }
  Bytes depth = bmp;
  depth[28] = 16;
  Write(bad / "bmp_depth_16.bmp", depth);
  Write(bad / "bmp_cut_in_header.bmp", Cut(bmp, 30));
  Write(bad / "bmp_cut_in_rows.bmp", Cut(bmp, bmp.size() - 3));
  BmpLayout rle = Bmp(2, 2, 8, {0, 0, 0, 0});
  rle.compression = 1;
  rle.palette = Pattern(1024);
  Write(bad / "bmp_rle8.bmp", EncodeBmp(rle));

  Write(bad / "tga_rle_past_row.tga", Tga(10, 2, 2, 24, {0x82, 1, 2, 3, 0x82, 1, 2, 3}));
  Write(bad / "tga_raw_packet_past_row.tga", Tga(10, 2, 1, 24, {0x02, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
  Write(bad / "tga_cut.tga", Cut(Tga(2, 3, 2, 24, Pattern(18)), 30));
  Write(bad / "tga_rle_cut.tga", Tga(10, 4, 2, 32, {0x83, 1, 2, 3, 4, 0x01, 5, 6}));
  Write(bad / "tga_colour_mapped.tga", Tga(1, 2, 2, 24, Pattern(12)));
  Write(bad / "tga_too_wide.tga", Tga(2, 4097, 1, 24, Pattern(3 * 4097)));
  Write(bad / "tga_depth_8.tga", Tga(2, 2, 2, 8, Pattern(4)));
  Write(bad / "tga_huge_declared.tga", Tga(2, 4096, 4096, 32, Pattern(64)));
  Write(bad / "not_a_picture.txt", Bytes{'h', 'e', 'l', 'l', 'o', '\n'});
  Write(bad / "empty.bin", Bytes{});
  return 0;
}
