// Hook channels: 256 process-wide chains of functions, ordered by priority, that
// pass one data object along. Events, page flips and similar notifications run
// through them. Main thread only.
#pragma once

#include <cstdint>
#include <memory>

// A hook gets its channel id, the data so far and its own context, and returns
// the data for the next hook.
using THookFunction = std::shared_ptr<void> (*)(int32_t id, const std::shared_ptr<void>& data,
                                                const std::shared_ptr<void>& context);

// One node of a chain; a fresh node holds no function and raises
// "Attempt to call uninitialized function pointer" when run.
struct THook {
  std::shared_ptr<THook> succ;
  int32_t priority = 0;
  THookFunction func = nullptr;
  std::shared_ptr<void> context;
};

int32_t AllocateHookChannel();  // 0, 1, ... ; the 257th raises "Too many hook ids"
// Inserts after every hook of greater or equal priority (descending order, ties in attach order).
void AttachHook(int32_t id, THookFunction func, const std::shared_ptr<void>& context = {},
                int32_t priority = 0);
void DetachHook(int32_t id, THookFunction func, const std::shared_ptr<void>& context = {});  // first match only
std::shared_ptr<void> RunHookChain(int32_t id, std::shared_ptr<void> data);  // the last hook's result
