#include "game/globals.h"

int32_t game_state = 0;
int32_t quit_requested = 0;
int32_t stereo_mode = 0;

player_tag player;
blocker_tag blocker;
ufo_tag ufo;
kxdraw_tag kxdraw;
std::array<star_tag, 60> stars;
std::array<invader_tag, kInvaders> invaders;
ordered_list<particle_tag> particle_list;
ordered_list<pshot_tag> pshot_list;
ordered_list<ishot_tag> ishot_list;

TImageFontPtr font_main;
TImagePtr img_backdrop, img_title;
TImagePtr img_logo3d, img_sprites, img_shots, img_dots, img_block, img_wave, img_blocklayer,
    img_screen;

const std::array<std::u16string, 11> volume_labels = {
    u"Off", u"10%", u"20%", u"30%", u"40%", u"50%", u"60%", u"70%", u"80%", u"90%", u"Max"};
const std::array<std::u16string, 5> menu_labels = {
    u"Start Game", u"3D Graphics: ", u"Music Volume: ", u"SoundFX Volume: ", u"Exit Vektor Swarm"};
const std::array<std::u16string, 5> stereo_labels = {u"Off", u"M\\G", u"R\\G", u"R\\C", u"R\\B"};

TChannelPtr music_channel, ufo_channel;
TSoundPtr snd_shoot, snd_warpin, snd_alienhit, snd_thud, snd_explode, snd_hiscore, snd_ufoloop,
    snd_ufohit, snd_blockhit, snd_rebirth;

float music_volume = 1.0f, sfx_volume = 1.0f;
int32_t music_step = 10, sfx_step = 10;
float ready_scale = 0.0f, ready_sep = 0.0f;
int32_t menu_x = 0, menu_y = 0;
