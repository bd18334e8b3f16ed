// Notices a run gives beside its work: a !MESSAGE text, a goal that is
// already up to date, the model report, the update notes. They go to
// standard output, or to standard error while standard output is kept for a
// front end's progress lines (-X). (The build's workers send their own by
// the same rule through their output.)
#pragma once

#include <string_view>

namespace diag {

void SendNoticesToStderr(bool toStderr);
void WriteNotice(std::string_view text);

}  // namespace diag
