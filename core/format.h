// Number texts shown for the flight's values.
#pragma once

#include <string>

namespace orlomat {

// The "0.0" pattern: one decimal, the exact value rounded half away from zero, no sign on a
// value that rounds to zero. `separator` is the decimal separator in force.
std::string FormatOneDecimal(float value, char separator = '.');

} // namespace orlomat
