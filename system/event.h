// Framework events: the record every input, window and timer notification takes,
// its text form, and the queue that can collect emitted events. Emitting runs an
// event through the hook chain EventHookChannel (hook.h). Main thread only.
#pragma once

#include <any>
#include <cstdint>
#include <memory>
#include <string>

constexpr int32_t EventAppSuspend = 0x101;
constexpr int32_t EventAppResume = 0x102;
constexpr int32_t EventAppTerminate = 0x103;
constexpr int32_t EventAppOpenFile = 0x104;
constexpr int32_t EventAppIdle = 0x105;
constexpr int32_t EventKeyDown = 0x201;
constexpr int32_t EventKeyUp = 0x202;
constexpr int32_t EventKeyChar = 0x203;
constexpr int32_t EventKeyRepeat = 0x204;
constexpr int32_t EventMouseDown = 0x401;
constexpr int32_t EventMouseUp = 0x402;
constexpr int32_t EventMouseMove = 0x403;
constexpr int32_t EventMouseWheel = 0x404;
constexpr int32_t EventMouseEnter = 0x405;
constexpr int32_t EventMouseLeave = 0x406;
constexpr int32_t EventTimerTick = 0x801;
constexpr int32_t EventGadgetAction = 0x2001;
constexpr int32_t EventGadgetPaint = 0x2002;
constexpr int32_t EventGadgetSelect = 0x2003;
constexpr int32_t EventGadgetMenu = 0x2004;
constexpr int32_t EventGadgetOpen = 0x2005;
constexpr int32_t EventGadgetClose = 0x2006;
constexpr int32_t EventGadgetDone = 0x2007;
constexpr int32_t EventGadgetLostFocus = 0x2008;
constexpr int32_t EventGadgetShape = 0x2009;
constexpr int32_t EventWindowMove = 0x4001;
constexpr int32_t EventWindowSize = 0x4002;
constexpr int32_t EventWindowClose = 0x4003;
constexpr int32_t EventWindowActivate = 0x4004;
constexpr int32_t EventWindowAccept = 0x4005;
constexpr int32_t EventMenuAction = 0x8001;
constexpr int32_t EventStreamEof = 0x10001;
constexpr int32_t EventStreamAvail = 0x10002;
constexpr int32_t EventProcessExit = 0x20001;
constexpr int32_t EventPeerConnect = 0x40001;     // the message host (message_host.h)
constexpr int32_t EventPeerDisconnect = 0x40002;
constexpr int32_t EventPeerMessage = 0x40003;

int32_t EventHookChannel();  // the channel every emitted event runs through (taken on first use)

class TEvent : public std::enable_shared_from_this<TEvent> {
 public:
  int32_t id = 0;                // values with the top bit set are user ids
  std::shared_ptr<void> source;  // null for the graphics window
  int32_t data = 0;              // key code, character, button, wheel notches, tick count
  int32_t mods = 0;              // 1 Shift, 2 Control, 4 Alt, 8 Windows key
  int32_t x = 0, y = 0;          // client coordinates for mouse events
  std::any extra;                // shown in the text form when it holds a std::u16string

  virtual ~TEvent() = default;
  virtual void Emit();  // runs this event through EventHookChannel; needs a shared_ptr owner
  virtual std::u16string ToString() const;

  static std::shared_ptr<TEvent> Create(int32_t id, std::shared_ptr<void> source = {},
                                        int32_t data = 0, int32_t mods = 0, int32_t x = 0,
                                        int32_t y = 0, std::any extra = {});
  static int32_t AllocUserId();  // 0x80000001, 0x80000002, ...
};

std::u16string EventIdName(int32_t id);  // "KeyDown", "UserEvent3", "Unknown Event, id=7"
std::u16string EventExtraText(const std::any& extra);  // the text, or empty when not a string

// The event queue: a ring of 256 emitted events filled by a hook at priority -10000.
// Ticks, gadget actions, window moves and sizes from one source merge into the queued one.
void EnableEventQueue();                 // attaches the queue's hook once; the driver's start does it
std::shared_ptr<TEvent> PeekEvent();     // polls once when empty; the head or null
int32_t PollEvent();                     // polls once when empty; takes the head as current, its id or 0
int32_t WaitEvent();                     // waits until an event is queued, takes it
std::shared_ptr<TEvent> CurrentEvent();  // null before the first take or after an empty one
int32_t EventID();
int32_t EventData();
int32_t EventMods();
int32_t EventX();
int32_t EventY();
std::any EventExtra();
std::u16string EventText();  // the current extra as text, empty if it is not a string
std::shared_ptr<void> EventSource();
int32_t QueuedEventCount();
