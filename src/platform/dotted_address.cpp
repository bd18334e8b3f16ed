#include <cstring>
#include <string>

#include "platform/socket_calls.h"

namespace platform {

std::string DottedAddress(Ipv4Address address) {
  unsigned char octets[4];
  std::memcpy(octets, &address, sizeof octets);
  std::string text;
  for (int i = 0; i < 4; ++i) {
    if (i > 0) text += '.';
    text += std::to_string(octets[i]);
  }
  return text;
}

}  // namespace platform
