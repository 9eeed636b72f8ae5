#include "system/hook.h"

#include <array>

#include "stream/core.h"

namespace {
constexpr int32_t kChannels = 256;
std::array<std::shared_ptr<THook>, kChannels> hook_heads;
int32_t hook_ids = -1;

std::shared_ptr<THook>& Head(int32_t id) {
  // A bad id would index past the table; refuse it rather than corrupt memory.
  if (id < 0 || id >= kChannels) throw TRuntimeError("Invalid hook id");
  return hook_heads[static_cast<size_t>(id)];
}
}  // namespace

int32_t AllocateHookChannel() {
  if (hook_ids >= kChannels - 1) throw TRuntimeError("Too many hook ids");
  return ++hook_ids;
}

void AttachHook(int32_t id, THookFunction func, const std::shared_ptr<void>& context,
                int32_t priority) {
  auto node = std::make_shared<THook>();
  node->priority = priority;
  node->func = func;
  node->context = context;
  std::shared_ptr<THook>* link = &Head(id);
  while (*link && (*link)->priority >= priority) link = &(*link)->succ;
  node->succ = *link;
  *link = node;
}

void DetachHook(int32_t id, THookFunction func, const std::shared_ptr<void>& context) {
  std::shared_ptr<THook>* link = &Head(id);
  while (*link) {
    if ((*link)->func == func && (*link)->context == context) {
      *link = (*link)->succ;  // the node keeps its succ, so a chain run standing on it goes on
      return;
    }
    link = &(*link)->succ;
  }
}

std::shared_ptr<void> RunHookChain(int32_t id, std::shared_ptr<void> data) {
  // Hold each node while it runs: a hook may detach itself.
  for (std::shared_ptr<THook> node = Head(id); node; node = node->succ) {
    if (!node->func) throw TRuntimeError("Attempt to call uninitialized function pointer");
    data = node->func(id, data, node->context);
  }
  return data;
}
