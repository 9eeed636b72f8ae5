// Joysticks over SDL's joystick API: ports handed out in order of arrival, each read
// on every question; raw axes shifted into 0..65535 so full deflection is exactly -1 and +1.
// Pads SDL knows as game controllers are read through their mapping, so that the south
// face button is button 0 and the east one button 1 whatever the make. A d-pad (or hat)
// also steers X and Y as a stick at full deflection.
#include <SDL.h>

#include <array>
#include <string>

#include "system/input.h"
#include "system/input_internal.h"
#include "system/sdl_system.h"

namespace {
constexpr int kPorts = 16;
constexpr int kAxes = 6;  // X, Y, Z, R, U, V

struct TJoystickPort {
  SDL_Joystick* device = nullptr;  // stays open after unplugging, so the port keeps its state
  SDL_GameController* controller = nullptr;  // when SDL has a mapping; it owns device then
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

void Close(TJoystickPort& port) {
  if (port.controller) SDL_GameControllerClose(port.controller);
  else if (port.device) SDL_JoystickClose(port.device);
  port.controller = nullptr;
  port.device = nullptr;
}

// A newly seen device takes the lowest port whose device is gone, else the next port.
void Adopt(int device_index) {
  const SDL_JoystickID instance = SDL_JoystickGetDeviceInstanceID(device_index);
  if (instance < 0 || Assigned(instance)) return;
  int port = 0;
  while (port < port_count && SDL_JoystickGetAttached(ports[port].device)) ++port;
  if (port == kPorts) return;
  SDL_GameController* controller =
      SDL_IsGameController(device_index) ? SDL_GameControllerOpen(device_index) : nullptr;
  SDL_Joystick* device =
      controller ? SDL_GameControllerGetJoystick(controller) : SDL_JoystickOpen(device_index);
  if (!device) return;
  if (port == port_count) ++port_count;
  else Close(ports[port]);
  ports[port].controller = controller;
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

constexpr SDL_GameControllerButton kDpad[4] = {
    SDL_CONTROLLER_BUTTON_DPAD_UP, SDL_CONTROLLER_BUTTON_DPAD_RIGHT,
    SDL_CONTROLLER_BUTTON_DPAD_DOWN, SDL_CONTROLLER_BUTTON_DPAD_LEFT};
constexpr uint8_t kHatBits[4] = {SDL_HAT_UP, SDL_HAT_RIGHT, SDL_HAT_DOWN, SDL_HAT_LEFT};

bool ControllerHasDpad(SDL_GameController* c) {
  for (SDL_GameControllerButton b : kDpad)
    if (SDL_GameControllerHasButton(c, b)) return true;
  return false;
}

// Where the d-pad points as SDL_HAT_* bits; a controller whose mapping has no d-pad falls
// back on the device's first hat. False when the device has neither.
bool ReadDpad(const TJoystickPort& p, uint8_t& bits) {
  bits = SDL_HAT_CENTERED;
  if (p.controller && ControllerHasDpad(p.controller)) {
    for (int i = 0; i < 4; ++i)
      if (SDL_GameControllerGetButton(p.controller, kDpad[i])) bits |= kHatBits[i];
    return true;
  }
  if (SDL_JoystickNumHats(p.device) <= 0) return false;
  bits = SDL_JoystickGetHat(p.device, 0);
  return true;
}

uint32_t HatAngle(uint8_t bits) {
  switch (bits) {
    case SDL_HAT_UP: return 0;
    case SDL_HAT_RIGHTUP: return 4500;
    case SDL_HAT_RIGHT: return 9000;
    case SDL_HAT_RIGHTDOWN: return 13500;
    case SDL_HAT_DOWN: return 18000;
    case SDL_HAT_LEFTDOWN: return 22500;
    case SDL_HAT_LEFT: return 27000;
    case SDL_HAT_LEFTUP: return 31500;
    default: return 0xFFFFFFFFu;  // centred, or two opposite directions at once
  }
}

int32_t DpadDirection(uint8_t bits, uint8_t negative, uint8_t positive) {
  const bool n = bits & negative, p = bits & positive;
  return n == p ? 0 : n ? -1 : 1;
}

// Reads the device into the port; an unplugged device leaves the last state in place.
TJoystickPort* ReadPort(int32_t port) {
  TJoystickPort* p = Port(port);
  if (!p) return nullptr;
  SDL_JoystickUpdate();
  if (!SDL_JoystickGetAttached(p->device)) return p;
  uint32_t buttons = 0;
  if (p->controller) {
    for (int b = 0; b < SDL_CONTROLLER_BUTTON_MAX; ++b)
      if (SDL_GameControllerGetButton(p->controller, static_cast<SDL_GameControllerButton>(b)))
        buttons |= 1u << b;
    for (int a = 0; a < kAxes; ++a) {
      const auto axis = static_cast<SDL_GameControllerAxis>(a);
      if (!SDL_GameControllerHasAxis(p->controller, axis)) continue;
      const uint32_t raw = static_cast<uint32_t>(SDL_GameControllerGetAxis(p->controller, axis) + 32768);
      p->state.axis[a] = JoystickAxisValue(raw, 0, 65535);
    }
  } else {
    const int nbuttons = SDL_JoystickNumButtons(p->device);
    for (int b = 0; b < nbuttons && b < 32; ++b)
      if (SDL_JoystickGetButton(p->device, b)) buttons |= 1u << b;
    const int naxes = SDL_JoystickNumAxes(p->device);
    for (int a = 0; a < naxes && a < kAxes; ++a) {
      const uint32_t raw = static_cast<uint32_t>(SDL_JoystickGetAxis(p->device, a) + 32768);
      p->state.axis[a] = JoystickAxisValue(raw, 0, 65535);
    }
  }
  uint8_t dpad = SDL_HAT_CENTERED;
  if (ReadDpad(*p, dpad)) {
    p->state.axis[kJoystickHatAxis] = JoystickHatValue(HatAngle(dpad));
    p->state.axis[0] = JoystickSteerValue(p->state.axis[0], DpadDirection(dpad, SDL_HAT_LEFT, SDL_HAT_RIGHT));
    p->state.axis[1] = JoystickSteerValue(p->state.axis[1], DpadDirection(dpad, SDL_HAT_UP, SDL_HAT_DOWN));
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

void ForgetJoystickPorts() {
  for (int p = 0; p < port_count; ++p) {
    Close(ports[p]);
    ports[p] = {};
  }
  port_count = 0;
  enumerated = false;
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
  if (p->controller) {
    uint32_t mask = 0;
    for (int b = 0; b < SDL_CONTROLLER_BUTTON_MAX; ++b)
      if (SDL_GameControllerHasButton(p->controller, static_cast<SDL_GameControllerButton>(b)))
        mask |= 1u << b;
    return static_cast<int32_t>(mask);
  }
  const int n = SDL_JoystickNumButtons(p->device);
  if (n <= 0) return 0;
  return static_cast<int32_t>(static_cast<uint32_t>((uint64_t{1} << (n < 32 ? n : 32)) - 1));
}

int32_t JoystickAxisMask(int32_t port) {
  const TJoystickPort* p = ReadPort(port);
  if (!p || !SDL_JoystickGetAttached(p->device)) return 0;
  int32_t mask = 0;
  if (p->controller) {
    for (int a = 0; a < kAxes; ++a)
      if (SDL_GameControllerHasAxis(p->controller, static_cast<SDL_GameControllerAxis>(a)))
        mask |= 1 << a;
  } else {
    const int n = SDL_JoystickNumAxes(p->device);
    mask = n > 0 ? (1 << (n < kAxes ? n : kAxes)) - 1 : 0;
  }
  uint8_t dpad;
  if (ReadDpad(*p, dpad)) mask |= 1 << kJoystickHatAxis;
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
