#include "analysis/temperature_entry.h"

#include <charconv>

namespace orlomat {

bool TemperatureKeyPasses(char32_t key, std::size_t textLength) {
    if (key >= U'0' && key <= U'9') return textLength < 3;
    return key == 13 || key == 8 || key == U'-';
}

std::int32_t ParseTemperatureEntry(const std::string& text) {
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+') {
        ++first;
        if (first != last && *first == '-') return kWrongTemperature;
    }
    std::int32_t value = 0;
    const auto [end, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || end != last || first == last) return kWrongTemperature;
    return value;
}

} // namespace orlomat
