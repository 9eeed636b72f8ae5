// The system layer's classes as reflection sees them; registered as the layer is loaded.
#include "stream/reflect.h"
#include "system/event.h"
#include "system/hook.h"
#include "system/process.h"
#include "system/system.h"
#include "system/timer.h"

void RegisterSystemTypes() {
  TTypeRegistration<TEvent>(u"TEvent")
      .Creatable()
      .Field(u"id", &TEvent::id)
      .Field(u"source", &TEvent::source)
      .Field(u"data", &TEvent::data)
      .Field(u"mods", &TEvent::mods)
      .Field(u"x", &TEvent::x)
      .Field(u"y", &TEvent::y)
      .Property<std::u16string>(u"text", [](TEvent& e) { return e.ToString(); });
  TTypeRegistration<THook>(u"THook")
      .Creatable()
      .Field(u"priority", &THook::priority)
      .Field(u"context", &THook::context);
  TTypeRegistration<TTimer>(u"TTimer")
      .Property<int32_t>(u"ticks", [](TTimer& t) { return t.Ticks(); });
  TTypeRegistration<TSystemDriver>(u"TSystemDriver");
  TTypeRegistration<TPipeStream, TStream>(u"TPipeStream")
      .Property<int32_t>(u"descriptor", [](TPipeStream& p) { return p.Descriptor(); });
  TTypeRegistration<TProcess>(u"TProcess")
      .Property<int32_t>(u"pid", [](TProcess& p) { return p.Pid(); })
      .Property<int32_t>(u"status", [](TProcess& p) { return p.Status(); })
      .Property<int32_t>(u"exit_code", [](TProcess& p) { return p.ExitCode(); })
      .Property<std::shared_ptr<void>>(u"input", [](TProcess& p) { return std::shared_ptr<void>(p.input); })
      .Property<std::shared_ptr<void>>(u"output", [](TProcess& p) { return std::shared_ptr<void>(p.output); })
      .Property<std::shared_ptr<void>>(u"error", [](TProcess& p) { return std::shared_ptr<void>(p.error); });
}
