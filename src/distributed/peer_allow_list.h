// Which peers may talk to this side of the distributed build: a list of
// addresses ("192.168.1.5"), address ranges ("192.168.1.0/24",
// "10.0.0.1-10.0.0.9") and machine names, separated by commas, semicolons
// or blanks. An empty list lets every peer in.
#pragma once

#include <string_view>

namespace distributed {

// True when the peer at `dottedAddress` calling itself `name` matches an
// entry of `list` (names compare without regard to letter case), or the
// list is empty. An entry that is neither an address nor a range is a name.
bool IsPeerAllowed(std::string_view list, std::string_view dottedAddress, std::string_view name);

}  // namespace distributed
