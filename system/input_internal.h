// Between the input layer and the platform's joystick reader (sdl_joystick.cpp), and for
// their tests: what one reading of a port produces and the rules that turn raw values
// into the framework's. Not for programs: input.h is what they call.
#pragma once

#include <cstdint>

struct TJoystickPortState {
  uint32_t buttons = 0;
  float axis[16] = {};  // X, Y, Z, R, U, V, yaw, pitch, roll, hat, wheel, unused
  int32_t hits[16] = {};
};
constexpr int kJoystickHatAxis = 9;
float JoystickAxisValue(uint32_t position, uint32_t minimum, uint32_t maximum);
float JoystickHatValue(uint32_t hundredths_of_degree);  // above 36000 is centred
void ApplyJoystickButtons(TJoystickPortState& port, uint32_t new_buttons);
// A d-pad steers as a stick at full deflection, but only while the stick of that axis rests
// inside the centre zone: dpad -1 (left or up), 0 or +1 (right or down).
constexpr float kJoystickCentreZone = 0.25f;
float JoystickSteerValue(float stick, int32_t dpad);

// The program as a whole was asked to end (SIGTERM, SIGINT, the session closing): kept for
// TakeAppTerminateRequest even when it comes before input polling starts, as it can while
// the program is still starting up.
void NoteAppTerminate();

// Closes every port and forgets them, as in a process that has read no pad yet: for tests,
// which plug and unplug virtual pads and must leave the next test the ports they found.
void ForgetJoystickPorts();
