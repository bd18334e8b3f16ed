// The wall clock, as the user's time zone shows it. Safe on any thread.
#pragma once

#include <cstdint>
#include <ctime>

namespace platform {

std::tm LocalTimeNow();

// `seconds` since 1970-01-01 UTC as local calendar time; false when the
// time cannot be shown.
bool ToLocalTime(std::int64_t seconds, std::tm& local);

}  // namespace platform
