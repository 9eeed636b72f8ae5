#include "system/input.h"
#include "system/input_internal.h"

#include <array>

#include "system/event.h"
#include "system/hook.h"
#include "system/system.h"
#include "system/system_internal.h"

namespace {
std::array<int32_t, 256> key_down{}, key_hit{};
std::array<int32_t, 256> char_ring{};
uint32_t char_put = 0, char_get = 0;
std::array<int32_t, 4> mouse_down{}, mouse_hit{};
int32_t mouse_x = 0, mouse_y = 0, mouse_z = 0;
int32_t app_suspended = 0, app_terminate = 0;
bool polling_enabled = false;
std::shared_ptr<void> polling_source;

bool IsKey(int32_t key) { return key >= 0 && key < 256; }
bool IsButton(int32_t button) { return button >= 0 && button < 4; }

void ClearKeys() {
  char_put = char_get = 0;
  key_down.fill(0);
  key_hit.fill(0);
}

void ClearMouse() {
  mouse_down.fill(0);
  mouse_hit.fill(0);
  mouse_z = 0;
}

std::shared_ptr<void> InputHook(int32_t, const std::shared_ptr<void>& data,
                                const std::shared_ptr<void>&) {
  const auto* e = static_cast<const TEvent*>(data.get());
  if (!e || (polling_source && e->source != polling_source)) return data;
  switch (e->id) {
    case EventKeyDown:
      if (IsKey(e->data) && !key_down[e->data]) {
        key_down[e->data] = 1;
        ++key_hit[e->data];
      }
      break;
    case EventKeyUp:
      if (IsKey(e->data)) key_down[e->data] = 0;
      break;
    case EventKeyChar:
      if (char_put - char_get < char_ring.size()) char_ring[char_put++ % char_ring.size()] = e->data;
      break;
    case EventMouseDown:
      if (IsButton(e->data) && !mouse_down[e->data]) {
        mouse_down[e->data] = 1;
        ++mouse_hit[e->data];
      }
      break;
    case EventMouseUp:
      if (IsButton(e->data)) mouse_down[e->data] = 0;
      break;
    case EventMouseMove:
      mouse_x = e->x;
      mouse_y = e->y;
      break;
    case EventMouseWheel:
      mouse_z += e->data;
      break;
    case EventAppSuspend:
      FlushKeyState();
      FlushMouseState();
      app_suspended = 1;
      break;
    case EventAppResume:
      FlushKeyState();
      FlushMouseState();
      app_suspended = 0;
      break;
    case EventAppTerminate:
      app_terminate = 1;
      break;
    default:
      break;
  }
  return data;
}
}  // namespace

int32_t KeyHitCount(int32_t key) {
  PollSystemEvents();
  if (!IsKey(key)) return 0;
  const int32_t n = key_hit[key];
  key_hit[key] = 0;
  return n;
}

int32_t IsKeyDown(int32_t key) {
  PollSystemEvents();
  return IsKey(key) ? key_down[key] : 0;
}

int32_t NextCharCode() {
  PollSystemEvents();
  if (char_get == char_put) return 0;
  return char_ring[char_get++ % char_ring.size()];
}

int32_t MouseHitCount(int32_t button) {
  PollSystemEvents();
  if (!IsButton(button)) return 0;
  const int32_t n = mouse_hit[button];
  mouse_hit[button] = 0;
  return n;
}

int32_t IsMouseButtonDown(int32_t button) {
  PollSystemEvents();
  return IsButton(button) ? mouse_down[button] : 0;
}

int32_t MousePosX() {
  PollSystemEvents();
  return mouse_x;
}

int32_t MousePosY() {
  PollSystemEvents();
  return mouse_y;
}

int32_t MouseWheelZ() {
  PollSystemEvents();
  return mouse_z;
}

int32_t IsAppSuspended() {
  PollSystemEvents();
  return app_suspended;
}

void NoteAppTerminate() { app_terminate = 1; }

int32_t TakeAppTerminateRequest() {
  PollSystemEvents();
  const int32_t n = app_terminate;
  app_terminate = 0;
  return n;
}

void FlushKeyState() {
  PollSystemEvents();
  ClearKeys();
}

void FlushMouseState() {
  PollSystemEvents();
  ClearMouse();
}

// The waits give up when called inside a pump (from a hook), where nothing new can arrive.
int32_t WaitForKey() {
  FlushKeyState();
  while (!SystemEventsBusy()) {
    WaitSystemEvents();
    for (int32_t key = 1; key < 256; ++key)
      if (KeyHitCount(key)) return key;
  }
  return 0;
}

int32_t WaitForChar() {
  FlushKeyState();
  while (!SystemEventsBusy()) {
    WaitSystemEvents();
    if (const int32_t c = NextCharCode()) return c;
  }
  return 0;
}

int32_t WaitForMouseButton() {
  FlushMouseState();
  while (!SystemEventsBusy()) {
    WaitSystemEvents();
    for (int32_t button = 1; button < 4; ++button)
      if (MouseHitCount(button)) return button;
  }
  return 0;
}

void StartInputPolling(const std::shared_ptr<void>& source) {
  if (polling_enabled) return;
  polling_source = source;
  FlushKeyState();
  FlushMouseState();
  AttachHook(EventHookChannel(), InputHook, {}, 0);
  polling_enabled = true;
}

void StopInputPolling() {
  if (!polling_enabled) return;
  DetachHook(EventHookChannel(), InputHook, {});
  FlushKeyState();
  FlushMouseState();
  polling_source = nullptr;
  polling_enabled = false;
}

bool InputPollingEnabled() { return polling_enabled; }

float JoystickAxisValue(uint32_t position, uint32_t minimum, uint32_t maximum) {
  if (maximum == 0) return 0.0f;  // a device reporting no range would divide by zero
  return 2.0f * (static_cast<float>(position) - static_cast<float>(minimum)) /
             static_cast<float>(maximum) - 1.0f;
}

float JoystickHatValue(uint32_t hundredths_of_degree) {
  if (hundredths_of_degree > 36000) return -1.0f;
  return static_cast<float>(hundredths_of_degree) / 36000.0f;
}

float JoystickSteerValue(float stick, int32_t dpad) {
  if (dpad == 0 || stick > kJoystickCentreZone || stick < -kJoystickCentreZone) return stick;
  return dpad < 0 ? -1.0f : 1.0f;
}

void ApplyJoystickButtons(TJoystickPortState& port, uint32_t new_buttons) {
  const uint32_t old_buttons = port.buttons;
  port.buttons = new_buttons;
  for (int b = 0; b < 16; ++b)
    if (!(old_buttons >> b & 1) && (new_buttons >> b & 1)) ++port.hits[b];
}
