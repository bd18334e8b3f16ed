#include "platform/shared_file.h"

#include <share.h>

namespace platform {

// "N": not inherited by child processes (the runners start many).
std::FILE* OpenSharedForAppend(const std::string& name) { return _fsopen(name.c_str(), "atN", _SH_DENYNO); }

}  // namespace platform
