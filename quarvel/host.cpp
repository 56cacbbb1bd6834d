#include "host.h"

#include <cstdio>

namespace quarvel {

void Host::WriteStandardOutput(std::string_view message) {
  std::fwrite(message.data(), 1, message.size(), stdout);
  std::fflush(stdout);
}

}  // namespace quarvel
