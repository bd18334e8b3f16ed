// The wall clock, as the user's time zone shows it.
#pragma once

#include <ctime>

namespace platform {

std::tm LocalTimeNow();

}  // namespace platform
