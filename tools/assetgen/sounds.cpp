#include "tools/assetgen/sounds.h"

namespace assetgen {

void WriteSounds(const std::string&) {}

}  // namespace assetgen
