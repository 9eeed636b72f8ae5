#include "game/field/particles.h"

#include "game/globals.h"
#include "gfx/draw2d.h"
#include "system/random.h"

void particle_tag::create_it(float x, float y, float scale, int32_t count) {
  for (int32_t i = 0; i < count; ++i) {
    auto spark = std::make_unique<particle_tag>();
    spark->x = x;
    spark->y = y;
    spark->scale = scale;
    spark->xstp = static_cast<float>(RandomRange(-4, 4));
    spark->ystp = static_cast<float>(RandomRange(-4, 4));
    spark->rotation = static_cast<int32_t>(RandomRange(359, 0));
    particle_list.add(std::move(spark));
  }
}

void particle_tag::update_all() {
  particle_list.walk([](particle_tag& spark) { spark.update(); });
}

void particle_tag::erase_all() { particle_list.clear(); }

void particle_tag::update() {
  rotation += 15;
  scale -= 0.002f;
  x += xstp;
  y += ystp;
  ystp += 0.06f;
  // Leftward sparks slow twice as fast as rightward ones.
  if (xstp > 0.0f) {
    xstp -= 0.01f;
  } else {
    xstp += 0.02f;
  }
  // Above the top it stays: it may fall back into view.
  if (x < 0.0f || x > 640.0f || y > 480.0f || scale <= 0.0f) {
    particle_list.remove(this);
    return;
  }
  kxdraw.sip(BlendMask, 1.0f, static_cast<float>(rotation), 0.8f, 0.8f);
  DrawImageFrame(img_dots, x, y, 1);
  kxdraw.sip(BlendMask, 1.0f, 0, 1.0f, 1.0f);
}

void star_tag::create_all() {
  for (star_tag& star : stars) {
    star.x = static_cast<int32_t>(RandomRange(14, 626));
    star.y = static_cast<int32_t>(RandomRange(30, 400));
    star.distance = static_cast<int32_t>(RandomRange(-1, -5));
  }
}

void star_tag::update_all() {
  for (star_tag& star : stars) star.update();
}

void star_tag::update() {
  kxdraw.sip(BlendAdd, 1.0f, 0, 1.0f, 1.0f);
  kxdraw.i3d(img_dots, static_cast<float>(x), static_cast<float>(y), 0,
             static_cast<float>(distance), 0, 2);
}
