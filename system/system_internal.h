// Between the system layer's own files, and for their tests: the pump's busy flag and
// the answers of the modal boxes, kept apart from SDL so they can be checked headless.
// Not for programs: system.h is what they call.
#pragma once

#include <cstdint>

bool SystemEventsBusy();  // true while a poll or wait runs

// Message box button ids and what they answer.
constexpr int kBoxButtonOk = 1, kBoxButtonCancel = 2, kBoxButtonYes = 3, kBoxButtonNo = 4;
int32_t ConfirmAnswer(int shown, int button_id);  // shown: the box call's result (< 0 failed)
int32_t ProceedAnswer(int shown, int button_id);

void RegisterSystemTypes();  // system_types.cpp; run as the layer is loaded (event.cpp)
