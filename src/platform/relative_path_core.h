// The relative-path computation both platforms share.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace platform::detail {

// `rootLength` gives the length of the root of an absolute path (0 for a
// relative one); `sameComponent` compares two path components.
std::optional<std::string> RelativePathBetween(
    const std::string& from, const std::string& to, char separator,
    const std::function<size_t(std::string_view)>& rootLength,
    const std::function<bool(std::string_view, std::string_view)>& sameComponent);

}  // namespace platform::detail
