// The stream layer's classes as reflection sees them.
#include "stream/endian_stream.h"
#include "stream/reflect.h"
#include "stream/text_stream.h"

void RegisterStreamTypes() {
  TTypeRegistration<TIO>(u"TIO")
      .Property<int64_t>(u"pos", [](TIO& s) { return s.Pos(); })
      .Property<int64_t>(u"size", [](TIO& s) { return s.Size(); });
  TTypeRegistration<TStream, TIO>(u"TStream");
  TTypeRegistration<TStreamWrapper, TStream>(u"TStreamWrapper");
  TTypeRegistration<TStreamStream, TStreamWrapper>(u"TStreamStream");
  TTypeRegistration<TCStream, TStream>(u"TCStream");
  TTypeRegistration<TRamStream, TStream>(u"TRamStream")
      .Creator([] { return TRamStream::Create(nullptr, 0, true, true); });
  TTypeRegistration<TBankStream, TRamStream>(u"TBankStream")
      .Creator([] { return TBankStream::Create(std::make_shared<TBank>(), true, true); });
  TTypeRegistration<TBank>(u"TBank")
      .Creatable()
      .Property<int64_t>(u"size", [](TBank& b) { return static_cast<int64_t>(b.bytes.size()); });
  TTypeRegistration<TBigEndianStream, TStreamWrapper>(u"TBigEndianStream");
  TTypeRegistration<TLittleEndianStream, TStreamWrapper>(u"TLittleEndianStream");
  TTypeRegistration<TTextStream, TStream>(u"TTextStream")
      .Property<int32_t>(u"encoding", [](TTextStream& s) { return s.Encoding(); });
  TTypeRegistration<TStreamFactory>(u"TStreamFactory");
}
