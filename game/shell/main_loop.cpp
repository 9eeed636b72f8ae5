#include "game/shell/main_loop.h"

#include <cstdio>

#include "game/globals.h"
#include "game/shell/assets.h"
#include "game/shell/hud.h"
#include "game/shell/saved_files.h"
#include "game/shell/screens.h"
#include "gfx/draw2d.h"
#include "gfx/graphics.h"
#include "gfx/image.h"
#include "gfx/pixmap.h"
#include "system/input.h"
#include "system/random.h"
#include "system/system.h"
#include "system/timer.h"

void RegisterGameAssets();  // generated with the embedded pictures and font

namespace {

void create_images() {
  SetAutoCentreHandle(1);
  img_logo3d = NewImage(454, 128, 1, -1);
  img_sprites = NewImage(50, 26, 11, -1);
  img_shots = NewImage(12, 28, 6, -1);
  img_dots = NewImage(13, 13, 2, -1);
  img_block = NewImage(100, 70, 1, -1);
  img_wave = NewImage(640, 150, 1, -1);
  img_blocklayer = NewImage(640, 70, 1, -1);
  SetAutoCentreHandle(0);
  img_screen = NewImage(640, 480, 1, -1);
}

void pause_if_asked() {
  if (KeyHitCount(32) == 0 && KeyHitCount(27) == 0 && JoystickHitCount(1, 0) == 0) return;
  game_state = kPaused;
  MoveMousePointer(320, 250);
  GrabImageFrame(img_screen, 0, 0, 0);
  if (ufo.limbo == 0) StopAudioChannel(ufo_channel);
  FlushKeyState();
  FlushMouseState();
}

}  // namespace

bool game_startup(const TGameScreen& screen) {
  // Asked before anything starts, so that this line is all that is said.
  if (!DisplayAvailable()) {
    std::fprintf(stderr, "No display to show the game on: neither DISPLAY nor WAYLAND_DISPLAY is set\n");
    return false;
  }
  RegisterGameAssets();
  start_sound_decoding();

  StartDraw2DGraphics();
  decode_pictures();
  if (CurrentAudioDriver()->Name() == u"Null") std::fprintf(stderr, "No audio device: playing without sound\n");
  ApplicationTitle = u"Vektor Swarm 3D";
  SetGraphicsIcon(LoadPixmapUrl(u"incbin::graphx\\icons\\vektor-swarm-64.png"));
  if (!OpenGraphics(screen.width, screen.height, screen.depth, screen.hertz, GraphicsBackBuffer)) {
    std::fprintf(stderr, "Cannot open a %dx%d OpenGL screen\n", screen.width, screen.height);
    finish_sound_decoding();
    return false;
  }
  SetDefaultImageFlags(ImageMasked | ImageDynamic);

  player = {};
  blocker = {};
  ufo = {};
  kxdraw = {};
  star_tag::create_all();
  invader_tag::create_all();
  particle_list.clear();
  pshot_list.clear();
  ishot_list.clear();
  create_images();

  music_channel = NewAudioChannel();
  ufo_channel = NewAudioChannel();
  JoystickCount();
  HideMousePointer();
  SetRandomSeed(SystemMillis());
  kxdraw.slc(200, 5, 5, 5, 80, 5);

  if (!load_assets()) {
    finish_sound_decoding();
    return false;
  }
  stereo_file(1);
  best_score_file(0);
  if (!logo_screen(-25)) return false;
  game_state = kTitle;
  player.level = 1;
  MoveMousePointer(320, 250);
  ufo.rel_ctr = ufo_release_delay();
  return true;
}

bool main_loop_pass() {
  // In play the pointer steers the ship, so it may not wander off the picture or the window.
  ConfineMousePointer(game_state == kPlaying || game_state == kDying ? 1 : 0);
  draw_background(0);
  ClearCollisionLayers(0);
  switch (game_state) {
    case kPlaying: play_step(); break;
    case kPaused: pause_step(); break;
    case kTitle: menu_step(); break;
    case kGameOver: game_over_sequence(); break;
    case kDying: dying_sequence(); break;
    default: break;
  }
  if (game_state == kPlaying) pause_if_asked();
  draw_hud();
  FlipGraphics(-1);
  start_music_if_decoded();
  hold_while_suspended();
  if (quit_requested == 0 && TakeAppTerminateRequest() != 0) quit_requested = 1;
  return quit_requested == 0;
}

void game_exit() {
  if (IsAudioChannelPlaying(music_channel) != 0) {
    StopAudioChannel(music_channel);
    DelayMillis(500);
  }
  stereo_file(2);
  best_score_file(1);
  report_unsaved_files();
}

int game_main() {
  static bool started = false;
  if (started) return 0;
  started = true;
  if (!game_startup()) return 1;
  while (main_loop_pass()) {
  }
  game_exit();
  return 0;
}

void draw_background(int32_t dim) {
  ClearScreen();
  if (dim != 0) {
    SetDrawColor(70, 70, 120);
  } else {
    SetDrawColor(150, 150, 200);
  }
  if (game_state == kPaused) return;  // the pause screen draws its frozen picture itself
  if (blocker.hit != 0) blocker.update_hit();
  kxdraw.sip(BlendMask, 1.0f, 0, 1.0f, 1.0f);
  kxdraw.i3d(img_backdrop, 0, 0, 0, -6.0f, 0, 2);
  SetDrawColor(150, 150, 200);
  star_tag::update_all();
  SetDrawColor(255, 255, 255);
  blocker.update(blocker.enable);
}

void wait_while_suspended() {
  while (IsAppSuspended() != 0) {
    // A close request must still end a game whose window stays inactive.
    if (TakeAppTerminateRequest() != 0) {
      quit_requested = 1;
      return;
    }
    DelayMillis(10);
  }
}

void hold_while_suspended() {
  if (IsAppSuspended() == 0) return;
  const bool music_held = IsAudioChannelPlaying(music_channel) != 0;
  if (music_held) PauseAudioChannel(music_channel);
  const bool ufo_held = ufo.limbo == 0 && IsAudioChannelPlaying(ufo_channel) != 0;
  if (ufo_held) PauseAudioChannel(ufo_channel);
  wait_while_suspended();
  if (music_held) ResumeAudioChannel(music_channel);
  if (ufo_held) ResumeAudioChannel(ufo_channel);
}

void keep_window_responsive() { PollSystemEvents(); }
