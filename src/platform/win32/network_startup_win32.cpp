#include "platform/network_startup.h"

#include <winsock2.h>

namespace platform {

bool StartNetworking() {
  WSADATA data;
  return WSAStartup(MAKEWORD(1, 1), &data) == 0;
}

void StopNetworking() { WSACleanup(); }

}  // namespace platform
