// The socket library's start and end for the whole process.
#pragma once

namespace platform {

// False when the socket library cannot be started. Also lets the process
// hold as many connections as the system allows.
bool StartNetworking();
void StopNetworking();

}  // namespace platform
