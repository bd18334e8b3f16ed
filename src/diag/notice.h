// Notices a run gives beside its work: a !MESSAGE text, a goal that is
// already up to date, the model and timestamp reports, touched targets. They
// go to standard output, or to standard error while standard output is kept
// for a front end's progress lines (-X).
#pragma once

#include <string_view>

namespace diag {

void SendNoticesToStderr(bool toStderr);
bool NoticesGoToStderr();
// False when the stream is closed for good.
bool WriteNotice(std::string_view text);

}  // namespace diag
