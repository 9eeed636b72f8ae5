// The other process of the message host test: connects to 127.0.0.1:<port>, answers each
// message with its bytes reversed, and ends with exit code 0 on the message "bye", 1 when the
// host leaves first, 2 when it cannot connect, 3 after a minute of nothing.
#include <algorithm>
#include <cstdlib>
#include <string>

#include "system/event.h"
#include "system/message_host.h"
#include "system/system.h"
#include "system/timer.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  auto host = TMessageHost::Create();
  auto peer = host ? host->Connect(u"127.0.0.1", std::atoi(argv[1])) : nullptr;
  if (!peer) return 2;
  const int32_t start = SystemMillis();
  while (SystemMillis() - start < 60000) {
    if (PollEvent() == 0) {
      DelayMillis(1);
      continue;
    }
    if (EventID() == EventPeerDisconnect) return 1;
    if (EventID() != EventPeerMessage) continue;
    std::vector<uint8_t> bytes = EventMessage()->bytes;
    if (std::string(bytes.begin(), bytes.end()) == "bye") return 0;
    std::reverse(bytes.begin(), bytes.end());
    peer->Send(bytes);
  }
  return 3;
}
