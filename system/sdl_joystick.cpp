// Joysticks over SDL's joystick API: ports handed out in order of arrival, each read
// on every question; raw axes shifted into 0..65535 so full deflection is exactly -1 and +1.
#include <SDL.h>

#include <array>
#include <string>

#include "system/input.h"
#include "system/input_internal.h"
#include "system/sdl_system.h"

namespace {
constexpr int kPorts = 16;

struct TJoystickPort {
  SDL_Joystick* device = nullptr;  // stays open after unplugging, so the port keeps its state
  SDL_JoystickID instance = -1;
  TJoystickPortState state;
};

std::array<TJoystickPort, kPorts> ports;
int port_count = 0;
bool enumerated = false;

bool Assigned(SDL_JoystickID instance) {
  for (int p = 0; p < port_count; ++p)
    if (ports[p].instance == instance) return true;
  return false;
}

// A newly seen device takes the lowest port whose device is gone, else the next port.
void Adopt(int device_index) {
  const SDL_JoystickID instance = SDL_JoystickGetDeviceInstanceID(device_index);
  if (instance < 0 || Assigned(instance)) return;
  int port = 0;
  while (port < port_count && SDL_JoystickGetAttached(ports[port].device)) ++port;
  if (port == kPorts) return;
  SDL_Joystick* device = SDL_JoystickOpen(device_index);
  if (!device) return;
  if (port == port_count) ++port_count;
  else SDL_JoystickClose(ports[port].device);
  ports[port].device = device;
  ports[port].instance = SDL_JoystickInstanceID(device);
}

void Enumerate() {
  StartSystemDriver();
  enumerated = true;
  SDL_JoystickUpdate();
  const int n = SDL_NumJoysticks();
  for (int i = 0; i < n; ++i) Adopt(i);
}

TJoystickPort* Port(int32_t port) {
  if (!enumerated) Enumerate();
  if (port < 0 || port >= port_count) return nullptr;
  return &ports[port];
}

// Reads the device into the port; an unplugged device leaves the last state in place.
TJoystickPort* ReadPort(int32_t port) {
  TJoystickPort* p = Port(port);
  if (!p) return nullptr;
  SDL_JoystickUpdate();
  if (!SDL_JoystickGetAttached(p->device)) return p;
  const int nbuttons = SDL_JoystickNumButtons(p->device);
  uint32_t buttons = 0;
  for (int b = 0; b < nbuttons && b < 32; ++b)
    if (SDL_JoystickGetButton(p->device, b)) buttons |= 1u << b;
  const int naxes = SDL_JoystickNumAxes(p->device);
  for (int a = 0; a < naxes && a < 6; ++a) {
    const uint32_t raw = static_cast<uint32_t>(SDL_JoystickGetAxis(p->device, a) + 32768);
    p->state.axis[a] = JoystickAxisValue(raw, 0, 65535);
  }
  if (SDL_JoystickNumHats(p->device) > 0) {
    uint32_t angle = 0xFFFFFFFFu;
    switch (SDL_JoystickGetHat(p->device, 0)) {
      case SDL_HAT_UP: angle = 0; break;
      case SDL_HAT_RIGHTUP: angle = 4500; break;
      case SDL_HAT_RIGHT: angle = 9000; break;
      case SDL_HAT_RIGHTDOWN: angle = 13500; break;
      case SDL_HAT_DOWN: angle = 18000; break;
      case SDL_HAT_LEFTDOWN: angle = 22500; break;
      case SDL_HAT_LEFT: angle = 27000; break;
      case SDL_HAT_LEFTUP: angle = 31500; break;
      default: break;
    }
    p->state.axis[kJoystickHatAxis] = JoystickHatValue(angle);
  }
  ApplyJoystickButtons(p->state, buttons);
  return p;
}

float Axis(int32_t port, int axis) {
  const TJoystickPort* p = ReadPort(port);
  return p ? p->state.axis[axis] : 0.0f;
}
}  // namespace

// Device indices shift as devices come and go, so a notice rescans them all.
void NoteJoystickAdded(int32_t) {
  if (!enumerated) return;  // the first enumeration will find it
  const int n = SDL_NumJoysticks();
  for (int i = 0; i < n; ++i) Adopt(i);
}

int32_t JoystickCount() {
  if (enumerated) {
    SDL_JoystickUpdate();
    NoteJoystickAdded(0);
  } else {
    Enumerate();
  }
  return port_count;
}

std::u16string JoystickName(int32_t port) {
  const TJoystickPort* p = ReadPort(port);
  if (!p) return {};
  const char* name = SDL_JoystickName(p->device);
  if (!name) return {};
  std::u16string text;
  for (const char* c = name; *c; ++c) text += static_cast<char16_t>(static_cast<unsigned char>(*c));
  return text;
}

int32_t JoystickButtonMask(int32_t port) {
  const TJoystickPort* p = ReadPort(port);
  if (!p || !SDL_JoystickGetAttached(p->device)) return 0;
  const int n = SDL_JoystickNumButtons(p->device);
  if (n <= 0) return 0;
  return static_cast<int32_t>(static_cast<uint32_t>((uint64_t{1} << (n < 32 ? n : 32)) - 1));
}

int32_t JoystickAxisMask(int32_t port) {
  const TJoystickPort* p = ReadPort(port);
  if (!p || !SDL_JoystickGetAttached(p->device)) return 0;
  const int n = SDL_JoystickNumAxes(p->device);
  int32_t mask = n > 0 ? (1 << (n < 6 ? n : 6)) - 1 : 0;
  if (SDL_JoystickNumHats(p->device) > 0) mask |= 1 << kJoystickHatAxis;
  return mask;
}

int32_t JoystickButtons(int32_t port) {
  const TJoystickPort* p = ReadPort(port);
  return p ? static_cast<int32_t>(p->state.buttons) : 0;
}

int32_t IsJoystickButtonDown(int32_t button, int32_t port) {
  const TJoystickPort* p = ReadPort(port);
  if (!p || button < 0 || button > 31) return 0;
  return static_cast<int32_t>(p->state.buttons >> button & 1);
}

int32_t JoystickHitCount(int32_t button, int32_t port) {
  TJoystickPort* p = ReadPort(port);
  if (!p || button < 0 || button > 15) return 0;
  const int32_t n = p->state.hits[button];
  p->state.hits[button] = 0;
  return n;
}

float JoystickX(int32_t port) { return Axis(port, 0); }
float JoystickY(int32_t port) { return Axis(port, 1); }
float JoystickZ(int32_t port) { return Axis(port, 2); }
float JoystickR(int32_t port) { return Axis(port, 3); }
float JoystickU(int32_t port) { return Axis(port, 4); }
float JoystickV(int32_t port) { return Axis(port, 5); }
float JoystickHat(int32_t port) { return Axis(port, kJoystickHatAxis); }
