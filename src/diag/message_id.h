// The catalogue's message numbers by name: msg::kTargetUpToDate, not 23603.
#pragma once

namespace diag::msg {

enum Id : unsigned {
#define MESSAGE(name, number, text) name = number,
#include "diag/message_table.inc"
#undef MESSAGE
};

}  // namespace diag::msg
