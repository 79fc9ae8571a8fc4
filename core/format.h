// Number texts shown for the flight's values.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

namespace orlomat {

// The "0.0" pattern: one decimal, the exact value rounded half away from zero, no sign on a
// value that rounds to zero. `separator` is the decimal separator in force.
std::string FormatOneDecimal(float value, char separator = '.');

// The "0.0" pattern for whole centimetres: the exact value cm / 100 rounded half away from
// zero to one decimal, no sign on a value that rounds to zero.
std::string FormatCentimetres(std::int32_t centimetres, char separator = '.');

// A whole decimal number with an optional sign, and nothing else; nullopt otherwise.
std::optional<std::int64_t> ParseWholeNumber(const std::string& text);

// A number in plain decimal notation: an optional sign, digits, and optionally a point and
// more digits ("12", "-3.5"). No blanks, exponents, hexadecimal, or locale's comma: the
// meaning never depends on where the program runs. nullopt otherwise.
std::optional<double> ParseDecimalNumber(const std::string& text);

// `when` as `format` gives it (strftime), in local time or in UTC.
std::string TimeText(const char* format, std::time_t when, bool utc = false);
// Now, in local time.
inline std::string LocalTimeNow(const char* format) {
    return TimeText(format, std::time(nullptr));
}

} // namespace orlomat
