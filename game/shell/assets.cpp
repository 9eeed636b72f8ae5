#include "game/shell/assets.h"

#include <map>

#include <array>
#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

#include "game/globals.h"
#include "game/shell/assets_internal.h"
#include "gfx/draw2d.h"
#include "gfx/font.h"
#include "gfx/image.h"
#include "gfx/pixmap.h"
#include "stream/stream.h"

namespace {

struct sound_file {
  const char16_t* path;
  int32_t flags;
  TSoundPtr* global;  // null for the music
};

// The effects in the order they are loaded, then the music.
const std::array<sound_file, 11> kSoundFiles = {{
    {u"data\\shoot.ogg", 0, &snd_shoot},
    {u"data\\warpin.ogg", 0, &snd_warpin},
    {u"data\\alienhit.ogg", 0, &snd_alienhit},
    {u"data\\thud.ogg", 0, &snd_thud},
    {u"data\\explode.ogg", 0, &snd_explode},
    {u"data\\hiscore.ogg", 0, &snd_hiscore},
    {u"data\\ufoloop.ogg", SOUND_LOOP, &snd_ufoloop},
    {u"data\\ufohit.ogg", 0, &snd_ufohit},
    {u"data\\blockhit.ogg", 0, &snd_blockhit},
    {u"data\\rebirth.ogg", 0, &snd_rebirth},
    {u"data\\swarm.ogg", SOUND_LOOP, nullptr},
}};
constexpr size_t kMusic = 10;

struct decoded_sound {
  std::shared_ptr<TBank> file;  // null when nothing readable has the name
  TAudioSamplePtr sample;       // null when it does not decode
  // Set by the decoder thread once `sample` is final; the main thread reads `sample` after.
  std::atomic<bool> ready{false};
};

std::array<decoded_sound, kSoundFiles.size()> decoded;
// Joined on the way out as well, should the process end before start-up has waited for it.
std::jthread decoder;
bool decoding_started = false;
// Not one sound file in its place: the game was started in the wrong folder, which one line
// says instead of one line per file.
bool no_sounds = false;
TSoundPtr music;
bool music_asked = false, music_begun = false;
// The music, by far the longest file to decode, is decoded once the logo has been asked for,
// so that the screen's opening and the first frames do not share the processor with it.
std::atomic<bool> decode_music{false};

void wake_for_music() {
  decode_music.store(true, std::memory_order_release);
  decode_music.notify_all();
}
std::map<const TSound*, int32_t> cues;  // at most one entry per sound of the game


// The decoded sound of a file, or null with one line said; waits for that file alone.
TSoundPtr load_sound(size_t index) {
  if (!decoding_started) start_sound_decoding();
  const sound_file& f = kSoundFiles[index];
  decoded_sound& d = decoded[index];
  if (index == kMusic) wake_for_music();
  d.ready.wait(false, std::memory_order_acquire);
  TSoundPtr sound = d.sample ? LoadSoundFile(d.sample, f.flags) : nullptr;
  if (!sound && !no_sounds)
    std::fprintf(stderr, "%s: %s\n", TextToBytes(NormalisePath(f.path)).c_str(),
                 d.file ? "does not decode" : "not found");
  return sound;
}

// The embedded pictures decoded ahead, by name, on a thread of their own; each is taken out
// when its image is made, once the thread has been joined.
std::map<std::u16string, TPixmapPtr> decoded_pictures;
std::jthread picture_decoder;

void grab_frames(const TImagePtr& image, int32_t first_x, int32_t step_x, int32_t y, int32_t count) {
  for (int32_t i = 0; i < count; ++i) GrabImageFrame(image, first_x + step_x * i, y, i);
}

}  // namespace

void start_sound_decoding() {
  if (decoding_started) return;
  decoding_started = true;
  // The file layer and the loader chain are set up here, on the main thread; the decoder
  // then only reads bytes already in memory.
  AudioSampleLoaders();
  no_sounds = true;
  for (size_t i = 0; i < kSoundFiles.size(); ++i) {
    if (FileKind(kSoundFiles[i].path) != 1) continue;
    no_sounds = false;
    auto bank = std::make_shared<TBank>();
    bank->bytes = LoadBytes(TUrl(kSoundFiles[i].path));
    decoded[i].file = std::move(bank);
  }
  decoder = std::jthread([](std::stop_token stop) {
    // Ending the process without asking for the music wakes the thread to leave.
    std::stop_callback wake(stop, [] { wake_for_music(); });
    for (size_t i = 0; i < decoded.size(); ++i) {
      decoded_sound& d = decoded[i];
      if (i == kMusic) {
        decode_music.wait(false, std::memory_order_acquire);
        if (stop.stop_requested()) return;
      }
      if (d.file) {
        try {
          d.sample = LoadAudioSample(TUrl(TBankStream::Create(d.file, true, false)));
        } catch (const std::exception&) {
          d.sample = nullptr;
        }
      }
      d.ready.store(true, std::memory_order_release);
      d.ready.notify_all();
    }
  });
}

void decode_pictures() {
  if (picture_decoder.joinable()) return;
  PixmapLoaders();  // the loader chain is made here, on the main thread, before the thread reads it
  // The game's images are masked with the module's colour, as their images would mask them.
  int32_t r = 0, g = 0, b = 0;
  GetImageMaskColor(r, g, b);
  picture_decoder = std::jthread([r, g, b] {
    for (const char16_t* name : {u"graphx\\vscl_bkdrop.png", u"graphx\\vscl_title.png",
                                 u"graphx\\vs3D_sprites.png", u"graphx\\kxlogo.png"}) {
      TPixmapPtr p = LoadPixmapUrl(std::u16string(u"incbin::") + name);
      if (p && ValidPixmapFormat(p->format) && AlphaBitsPerPixel[p->format] == 0)
        p = MaskColourToAlpha(p, r, g, b);
      decoded_pictures[name] = p;
    }
  });
}

TImagePtr open_embedded(const char16_t* name) {
  if (picture_decoder.joinable()) picture_decoder.join();
  TImagePtr image;
  auto ahead = decoded_pictures.find(name);
  if (ahead != decoded_pictures.end()) {
    image = OpenImage(ahead->second, -1);
    decoded_pictures.erase(ahead);
  } else {
    image = OpenImage(std::u16string(u"incbin::") + name, -1);
  }
  if (!image) std::fprintf(stderr, "%s: the embedded picture cannot be loaded\n", TextToBytes(name).c_str());
  return image;
}

void finish_sound_decoding() {
  wake_for_music();
  if (decoder.joinable()) decoder.join();
  if (picture_decoder.joinable()) picture_decoder.join();
}

bool load_assets() {
  font_main = OpenImageFont(u"incbin::fonts\\astronbv.ttf", 24, FontSmooth);
  if (!font_main) {
    std::fprintf(stderr, "fonts\\astronbv.ttf: the embedded font cannot be loaded\n");
    return false;
  }
  SelectImageFont(font_main);
  img_backdrop = open_embedded(u"graphx\\vscl_bkdrop.png");
  img_title = open_embedded(u"graphx\\vscl_title.png");
  TImagePtr sheet = open_embedded(u"graphx\\vs3D_sprites.png");
  if (!img_backdrop || !img_title || !sheet) return false;

  ClearScreen();
  SetDrawColor(255, 255, 255);
  SetDrawBlend(BlendMask);
  SetDrawAlpha(1.0f);
  SetDrawTransform(0, 1.0f, 1.0f);
  DrawImageFrame(sheet, 0, 0, 0);
  GrabImageFrame(img_block, 1, 61, 0);
  GrabImageFrame(img_logo3d, 115, 38, 0);
  grab_frames(img_sprites, 1, 51, 1, 11);
  grab_frames(img_dots, 81, 14, 30, 2);
  grab_frames(img_shots, 1, 13, 30, 6);
  CentreImageHandle(img_logo3d);
  CentreImageHandle(img_title);
  blocker_tag::reset();

  if (!decoding_started) start_sound_decoding();
  if (no_sounds)
    std::fprintf(stderr,
                 "No sounds: data/*.ogg not found under %s; start the game with scripts/play.sh in "
                 "its source folder, or run the installed vektor-swarm\n",
                 TextToBytes(CurrentDirectory()).c_str());
  for (size_t i = 0; i < kMusic; ++i) *kSoundFiles[i].global = load_sound(i);
  return true;
}

int32_t cue_count(const TSoundPtr& sound) {
  auto it = cues.find(sound.get());
  return it == cues.end() ? 0 : it->second;
}

void reset_cue_counts() { cues.clear(); }

void play_sfx(const TSoundPtr& sound) {
  if (sound) cues[sound.get()] += 1;
  TChannelPtr channel = CueSoundOn(sound, nullptr);
  SetAudioChannelVolume(channel, sfx_volume);
  ResumeAudioChannel(channel);
}

void start_ufo_loop() {
  if (!snd_ufoloop) return;
  cues[snd_ufoloop.get()] += 1;
  ufo_channel = CueSoundOn(snd_ufoloop, nullptr);
  SetAudioChannelVolume(ufo_channel, sfx_volume);
  ResumeAudioChannel(ufo_channel);
}

void start_music() {
  music_asked = true;
  wake_for_music();
  start_music_if_decoded();
}

void start_music_if_decoded() {
  if (!music_asked || music_begun) return;
  if (decoding_started && !decoded[kMusic].ready.load(std::memory_order_acquire)) return;
  music_begun = true;
  music = load_sound(kMusic);
  if (!music) return;
  music_channel = CueSoundOn(music, nullptr);
  SetAudioChannelVolume(music_channel, music_volume);
  ResumeAudioChannel(music_channel);
}
