// Text files that other programs may read and write while this one has
// them open: the logs.
#pragma once

#include <cstdio>
#include <string>

namespace platform {

// Opens `name` to append text (created when missing, never truncated; each
// write goes to the end), shared for reading and writing with others. Null
// when it cannot be opened.
std::FILE* OpenSharedForAppend(const std::string& name);

}  // namespace platform
