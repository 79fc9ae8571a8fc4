// The temperature fields of the two flights: which typed characters they take, and how the
// text becomes a temperature.
#pragma once

#include <cstdint>
#include <string>

namespace orlomat {

constexpr std::int32_t kWrongTemperature = 65535;

// A digit passes while the text is shorter than 3 characters; Enter (13), Backspace (8) and
// "-" always pass; everything else is discarded.
bool TemperatureKeyPasses(char32_t key, std::size_t textLength);

// The text as a whole number with an optional sign; 65535 for anything else (empty, a lone
// sign, a sign after a digit, out of range).
std::int32_t ParseTemperatureEntry(const std::string& text);

} // namespace orlomat
