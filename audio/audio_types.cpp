// The audio layer's classes as reflection sees them; registered as the layer is loaded.
#include "audio/openal/openal_driver.h"
#include "audio/sample.h"
#include "audio/sample_ogg.h"
#include "audio/sample_wav.h"
#include "audio/softmix.h"
#include "audio/sound.h"
#include "stream/reflect.h"

void RegisterAudioTypes() {
  TTypeRegistration<TAudioSample>(u"TAudioSample")
      .Creator([] { return TAudioSample::Create(0, 44100, TAudioSample::FORMAT_MONO16LE); })
      .ReadOnlyField(u"length", &TAudioSample::length)
      .Field(u"hertz", &TAudioSample::hertz)
      .ReadOnlyField(u"format", &TAudioSample::format);
  TTypeRegistration<TAudioSampleLoader>(u"TAudioSampleLoader");
  TTypeRegistration<TAudioSampleLoaderWAV, TAudioSampleLoader>(u"TAudioSampleLoaderWAV").Creatable();
  TTypeRegistration<TAudioSampleLoaderOGG, TAudioSampleLoader>(u"TAudioSampleLoaderOGG").Creatable();
  TTypeRegistration<TSound>(u"TSound").Creatable();
  TTypeRegistration<TChannel>(u"TChannel")
      .Creatable()
      .Property<int32_t>(u"playing", [](TChannel& c) { return c.Playing(); });
  TTypeRegistration<TAudioDriver>(u"TAudioDriver")
      .Property<std::u16string>(u"name", [](TAudioDriver& d) { return d.Name(); });
  TTypeRegistration<TSoftMixSound, TSound>(u"TSoftMixSound");
  TTypeRegistration<TSoftMixChannel, TChannel>(u"TSoftMixChannel")
      .ReadOnlyField(u"fa_channel", &TSoftMixChannel::fa_channel);
  TTypeRegistration<TSoftMixAudioDriver, TAudioDriver>(u"TSoftMixAudioDriver")
      .ReadOnlyField(u"_mode", &TSoftMixAudioDriver::_mode);
  TTypeRegistration<TOpenALSound, TSound>(u"TOpenALSound");
  TTypeRegistration<TOpenALChannel, TChannel>(u"TOpenALChannel");
  TTypeRegistration<TOpenALAudioDriver, TAudioDriver>(u"TOpenALAudioDriver");
}
