// Between the stream layer's files: the start-up of the factory chain adds the network
// prefixes, and the HTTP stream shares the rule for names that never resolve.
#pragma once

#include <string_view>

void AddSocketStreamFactory();  // "tcp::host:port"
void AddHttpStreamFactory();    // "http::" and "https::"

// Names under ".invalid" are reserved never to resolve: they are refused here, without asking
// a name server, so that looking one up sends nothing off the machine.
bool ReservedInvalidName(std::string_view host);
