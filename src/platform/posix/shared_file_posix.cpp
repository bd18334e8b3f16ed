#include "platform/shared_file.h"

namespace platform {

// POSIX files are shared; "e" keeps the file out of child processes.
std::FILE* OpenSharedForAppend(const std::string& name) { return std::fopen(name.c_str(), "ae"); }

}  // namespace platform
