// The framework's own public classes as reflection knows them, from the program's start.
#include <gtest/gtest.h>

#include "audio/sound.h"
#include "gfx/image.h"
#include "gfx/pixmap.h"
#include "stream/reflect.h"
#include "system/event.h"
#include "system/process.h"

namespace {

TEST(FrameworkTypes, EveryLayerRegistersItsPublicClassesUnderTheirBases) {
  const std::pair<const char16_t*, const char16_t*> classes[] = {
      {u"TStream", u"TIO"},
      {u"TCStream", u"TStream"},
      {u"TTextStream", u"TStream"},
      {u"TBigEndianStream", u"TStreamWrapper"},
      {u"TBankStream", u"TRamStream"},
      {u"TPipeStream", u"TStream"},
      {u"TProcess", u"TProcess"},
      {u"TEvent", u"TEvent"},
      {u"TTimer", u"TTimer"},
      {u"TPixmap", u"TPixmap"},
      {u"TImage", u"TImage"},
      {u"TImageFont", u"TImageFont"},
      {u"TDraw2DGraphics", u"TGraphics"},
      {u"TGLGraphicsDriver", u"TGraphicsDriver"},
      {u"TGLESGraphicsDriver", u"TGraphicsDriver"},
      {u"TGLDraw2DDriver", u"TDraw2DDriver"},
      {u"TGLESDraw2DDriver", u"TGraphicsDriver"},
      {u"TSoftMixSound", u"TSound"},
      {u"TSoftMixChannel", u"TChannel"},
      {u"TSoftMixAudioDriver", u"TAudioDriver"},
      {u"TOpenALChannel", u"TChannel"},
      {u"TOpenALAudioDriver", u"TAudioDriver"},
      {u"TAudioSampleLoaderOGG", u"TAudioSampleLoader"},
  };
  for (const auto& [name, base] : classes)
    EXPECT_EQ(1, TypeExtends(name, base)) << "expected " << TextToUtf8(name) << " registered under "
                                          << TextToUtf8(base);
}

TEST(FrameworkTypes, AnImageIsReadAndItsHandleWrittenByName) {
  TImagePtr image = TImage::Create(8, 4, 2, 0, 0, 0, 0);
  ASSERT_TRUE(image);
  EXPECT_EQ(u"TImage", TypeOf(image)->Name());
  EXPECT_EQ(8, std::any_cast<int32_t>(GetField(image, u"width")));
  EXPECT_EQ(2, std::any_cast<int32_t>(GetField(image, u"frames")));
  EXPECT_EQ(1, SetField(image, u"handle_x", 3.5f));
  EXPECT_EQ(3.5f, image->handle_x);
  EXPECT_THROW(SetField(image, u"width", 16), TRuntimeError) << "expected the frame size read-only";
  TPixmapPtr pixmap = TPixmap::Create(3, 2, 6);
  EXPECT_EQ(3, std::any_cast<int32_t>(GetField(pixmap, u"width")));
}

TEST(FrameworkTypes, AnEventMadeByNameIsFilledByNameAndTellsItsText) {
  auto event = CreateObjectAs<TEvent>(u"TEvent");
  ASSERT_TRUE(event);
  SetField(event, u"id", EventKeyDown);
  SetField(event, u"data", 32);
  EXPECT_EQ(u"KeyDown: data=32, mods=0, x=0, y=0, extra=\"\"", std::any_cast<std::u16string>(GetField(event, u"text")));
}

TEST(FrameworkTypes, AChannelOfTheMixerIsSeenAsOne) {
  TChannelPtr channel = NewAudioChannel();
  ASSERT_TRUE(channel);
  EXPECT_EQ(u"TSoftMixChannel", TypeOf(channel)->Name());
  EXPECT_EQ(1, IsOfType(channel, u"TChannel"));
  EXPECT_EQ(0, IsOfType(channel, u"TOpenALChannel"));
  EXPECT_EQ(0, std::any_cast<int32_t>(GetField(channel, u"playing")));
  channel.reset();
  ShutdownAudio();  // no driver current after, as before
}

}  // namespace
