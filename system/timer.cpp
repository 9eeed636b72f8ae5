#include "system/timer.h"

#include <chrono>
#include <thread>

int32_t SystemMillis() {
  using namespace std::chrono;
  const auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(ms)));
}

void DelayMillis(int32_t ms) {
  if (ms < 0) return;
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}
