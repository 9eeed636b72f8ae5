#include "system/event.h"

#include <array>
#include <string>

#include "system/hook.h"
#include "system/system.h"
#include "system/system_internal.h"

int32_t EventHookChannel() {
  static const int32_t channel = AllocateHookChannel();
  return channel;
}

void TEvent::Emit() { RunHookChain(EventHookChannel(), shared_from_this()); }

std::shared_ptr<TEvent> TEvent::Create(int32_t id, std::shared_ptr<void> source, int32_t data,
                                       int32_t mods, int32_t x, int32_t y, std::any extra) {
  auto e = std::make_shared<TEvent>();
  e->id = id;
  e->source = std::move(source);
  e->data = data;
  e->mods = mods;
  e->x = x;
  e->y = y;
  e->extra = std::move(extra);
  return e;
}

int32_t TEvent::AllocUserId() {
  static uint32_t last = 0x80000000u;
  return static_cast<int32_t>(++last);
}

namespace {
std::u16string Number(int64_t n) {
  const std::string s = std::to_string(n);
  return std::u16string(s.begin(), s.end());
}

const char* KnownName(int32_t id) {
  switch (id) {
    case EventAppSuspend: return "AppSuspend";
    case EventAppResume: return "AppResume";
    case EventAppTerminate: return "AppTerminate";
    case EventAppOpenFile: return "AppOpenFile";
    case EventAppIdle: return "AppIdle";
    case EventKeyDown: return "KeyDown";
    case EventKeyUp: return "KeyUp";
    case EventKeyChar: return "KeyChar";
    case EventKeyRepeat: return "KeyRepeat";
    case EventMouseDown: return "MouseDown";
    case EventMouseUp: return "MouseUp";
    case EventMouseMove: return "MouseMove";
    case EventMouseWheel: return "MouseWheel";
    case EventMouseEnter: return "MouseEnter";
    case EventMouseLeave: return "MouseLeave";
    case EventTimerTick: return "TimerTick";
    case EventGadgetAction: return "GadgetAction";
    case EventGadgetPaint: return "GadgetPaint";
    case EventGadgetSelect: return "GadgetSelect";
    case EventGadgetMenu: return "GadgetMenu";
    case EventGadgetOpen: return "GadgetOpen";
    case EventGadgetClose: return "GadgetClose";
    case EventGadgetDone: return "GadgetDone";
    case EventGadgetLostFocus: return "GadgetLostFocus";
    case EventGadgetShape: return "GadgetShape";
    case EventWindowMove: return "WindowMove";
    case EventWindowSize: return "WindowSize";
    case EventWindowClose: return "WindowClose";
    case EventWindowActivate: return "WindowActivate";
    case EventWindowAccept: return "WindowAccept";
    case EventMenuAction: return "MenuAction";
    case EventStreamEof: return "StreamEof";
    case EventStreamAvail: return "StreamAvail";
    case EventProcessExit: return "ProcessExit";
    case EventPeerConnect: return "PeerConnect";
    case EventPeerDisconnect: return "PeerDisconnect";
    case EventPeerMessage: return "PeerMessage";
    default: return nullptr;
  }
}
}  // namespace

std::u16string EventIdName(int32_t id) {
  if (id < 0) return u"UserEvent" + Number(static_cast<uint32_t>(id) - 0x80000000u);
  if (const char* name = KnownName(id)) {
    const std::string s = name;
    return std::u16string(s.begin(), s.end());
  }
  return u"Unknown Event, id=" + Number(id);
}

std::u16string EventExtraText(const std::any& extra) {
  if (const auto* text = std::any_cast<std::u16string>(&extra)) return *text;
  return {};
}

std::u16string TEvent::ToString() const {
  return EventIdName(id) + u": data=" + Number(data) + u", mods=" + Number(mods) + u", x=" +
         Number(x) + u", y=" + Number(y) + u", extra=\"" + EventExtraText(extra) + u"\"";
}

namespace {
constexpr uint32_t kQueueSize = 256;
std::array<std::shared_ptr<TEvent>, kQueueSize> queue_ring;
uint32_t queue_put = 0, queue_get = 0;
std::shared_ptr<TEvent> current_event;
bool queue_enabled = false;

bool MergesInQueue(int32_t id) {
  return id == EventTimerTick || id == EventGadgetAction || id == EventWindowMove ||
         id == EventWindowSize;
}

std::shared_ptr<void> QueueHook(int32_t, const std::shared_ptr<void>& data,
                                const std::shared_ptr<void>&) {
  auto event = std::static_pointer_cast<TEvent>(data);
  if (!event) return data;
  if (MergesInQueue(event->id)) {
    for (uint32_t i = queue_get; i != queue_put; ++i) {
      TEvent& queued = *queue_ring[i % kQueueSize];
      if (queued.id == event->id && queued.source == event->source) {
        queued.data = event->data;
        queued.mods = event->mods;
        queued.x = event->x;
        queued.y = event->y;
        queued.extra = event->extra;
        return data;
      }
    }
  }
  if (queue_put - queue_get < kQueueSize) queue_ring[queue_put++ % kQueueSize] = event;
  return data;
}
}  // namespace

void EnableEventQueue() {
  if (queue_enabled) return;
  queue_enabled = true;
  AttachHook(EventHookChannel(), QueueHook, {}, -10000);
}

int32_t QueuedEventCount() { return static_cast<int32_t>(queue_put - queue_get); }

std::shared_ptr<TEvent> PeekEvent() {
  EnableEventQueue();
  if (queue_put == queue_get) PollSystemEvents();
  if (queue_put == queue_get) return nullptr;
  return queue_ring[queue_get % kQueueSize];
}

int32_t PollEvent() {
  EnableEventQueue();
  if (queue_put == queue_get) PollSystemEvents();
  if (queue_put == queue_get) {
    current_event = nullptr;
    return 0;
  }
  auto& slot = queue_ring[queue_get++ % kQueueSize];
  current_event = std::move(slot);
  slot = nullptr;
  return current_event->id;
}

int32_t WaitEvent() {
  EnableEventQueue();
  // Inside a pump (a hook waiting) nothing new could arrive: answer from what is there.
  while (queue_put == queue_get && !SystemEventsBusy()) WaitSystemEvents();
  return PollEvent();
}

std::shared_ptr<TEvent> CurrentEvent() { return current_event; }
int32_t EventID() { return current_event ? current_event->id : 0; }
int32_t EventData() { return current_event ? current_event->data : 0; }
int32_t EventMods() { return current_event ? current_event->mods : 0; }
int32_t EventX() { return current_event ? current_event->x : 0; }
int32_t EventY() { return current_event ? current_event->y : 0; }
std::any EventExtra() { return current_event ? current_event->extra : std::any{}; }
std::u16string EventText() { return current_event ? EventExtraText(current_event->extra) : u""; }
std::shared_ptr<void> EventSource() { return current_event ? current_event->source : nullptr; }

// The layer's classes are known to reflection from the program's start.
static const bool system_types_registered = (RegisterSystemTypes(), true);
