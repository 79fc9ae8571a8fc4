#include "format.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace orlomat {

std::string FormatOneDecimal(float value, char separator) {
    if (!std::isfinite(value)) return value != value ? "NaN" : (value < 0 ? "-INF" : "INF");
    // A float times 10 is exact in double, so std::round sees the exact value.
    const double tenths = std::round(static_cast<double>(value) * 10.0);
    if (std::fabs(tenths) >= 1e18) {  // far beyond any altitude; no fraction left to round
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.1f", static_cast<double>(value));
        std::string text = buf;
        for (char& ch : text)
            if (ch == '.') ch = separator;
        return text;
    }
    const bool negative = tenths < 0;
    const auto magnitude = static_cast<std::uint64_t>(std::fabs(tenths));
    std::string text = negative ? "-" : "";
    text += std::to_string(magnitude / 10);
    text += separator;
    text += static_cast<char>('0' + magnitude % 10);
    return text;
}

} // namespace orlomat
