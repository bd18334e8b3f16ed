// Calendar time in the local time zone, safe on any thread.
#pragma once

#include <cstdint>
#include <ctime>

namespace platform {

// `seconds` since 1970-01-01 UTC as local calendar time; false when the
// time cannot be shown.
bool ToLocalTime(std::int64_t seconds, std::tm& local);

}  // namespace platform
