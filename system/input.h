// Polled input: keyboard and mouse tables kept by a hook on the event chain, and
// joysticks read from the platform on every question. Keyboard and mouse questions
// pump the system events first (system.h). Main thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

// Keys are the virtual-key codes 1..255: 8 backspace, 13 enter, 27 escape, 32 space,
// 37..40 arrows, 48..57 digits, 65..90 letters, 160..165 left/right Shift, Control, Alt.
int32_t KeyHitCount(int32_t key);  // presses since the last call; then 0
int32_t IsKeyDown(int32_t key);
int32_t NextCharCode();            // the next typed character, 0 when none
// Mouse buttons: 1 left, 2 right, 3 middle.
int32_t MouseHitCount(int32_t button);
int32_t IsMouseButtonDown(int32_t button);
int32_t MousePosX();
int32_t MousePosY();
int32_t MouseWheelZ();  // wheel notches since the last mouse flush
int32_t IsAppSuspended();
int32_t TakeAppTerminateRequest();  // 1 once after a close request
void FlushKeyState();
void FlushMouseState();  // keeps the pointer position
int32_t WaitForKey();
int32_t WaitForChar();
int32_t WaitForMouseButton();
void StartInputPolling(const std::shared_ptr<void>& source = {});  // null source: every window
void StopInputPolling();
bool InputPollingEnabled();

// Joysticks: ports 0..15, buttons numbered from 0. A pad plugged in later takes the
// lowest port whose device is gone, else the next one; an unplugged pad keeps its
// last state until its port is taken again. A pad with a known layout (a game controller)
// answers in that layout: buttons 0 south, 1 east, 2 west, 3 north, 4 back, 5 guide,
// 6 start, 7 and 8 the stick clicks, 9 and 10 the shoulders, 11 to 14 the d-pad (up, down,
// left, right); X and Y the left stick, Z and R the right one, U and V the triggers. A held
// d-pad reads on X and Y as the stick at full deflection while that stick rests near the centre.
int32_t JoystickCount();
std::u16string JoystickName(int32_t port);
int32_t JoystickButtonMask(int32_t port);
int32_t JoystickAxisMask(int32_t port);  // bit 9 (0x200) for a hat
int32_t JoystickButtons(int32_t port);   // the buttons word, bit n = button n
int32_t IsJoystickButtonDown(int32_t button, int32_t port);
int32_t JoystickHitCount(int32_t button, int32_t port);  // rising edges seen on reads; then 0
float JoystickX(int32_t port);  // -1 .. +1
float JoystickY(int32_t port);
float JoystickZ(int32_t port);
float JoystickR(int32_t port);
float JoystickU(int32_t port);
float JoystickV(int32_t port);
float JoystickHat(int32_t port);  // -1 centred, else fraction of a turn clockwise from forward
