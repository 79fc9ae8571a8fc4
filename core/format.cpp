#include "core/format.h"

#include <charconv>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace orlomat {

std::string FormatOneDecimal(float value, char separator) {
    if (!std::isfinite(value)) return value != value ? "NaN" : (value < 0 ? "-INF" : "INF");
    // A float times 10 is exact in double, so std::round sees the exact value.
    const double tenths = std::round(static_cast<double>(value) * 10.0);
    if (std::fabs(tenths) >= 1e18) { // far beyond any altitude; no fraction left to round
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

std::string FormatCentimetres(std::int32_t centimetres, char separator) {
    const bool negative = centimetres < 0;
    const std::uint64_t magnitude =
        negative
            ? std::uint64_t{0} - static_cast<std::uint64_t>(static_cast<std::int64_t>(centimetres))
            : static_cast<std::uint64_t>(centimetres);
    const std::uint64_t tenths = (magnitude + 5) / 10;
    std::string text = negative && tenths != 0 ? "-" : "";
    text += std::to_string(tenths / 10);
    text += separator;
    text += static_cast<char>('0' + tenths % 10);
    return text;
}

std::optional<std::int64_t> ParseWholeNumber(const std::string& text) {
    if (text.empty() || text.size() > 18) return std::nullopt;
    std::size_t i = (text[0] == '-' || text[0] == '+') ? 1 : 0;
    if (i == text.size()) return std::nullopt;
    for (std::size_t k = i; k < text.size(); ++k)
        if (text[k] < '0' || text[k] > '9') return std::nullopt;
    return std::strtoll(text.c_str(), nullptr, 10);
}

std::optional<double> ParseDecimalNumber(const std::string& text) {
    std::size_t i = (!text.empty() && (text[0] == '-' || text[0] == '+')) ? 1 : 0;
    const std::size_t digitsFrom = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9')
        ++i;
    const bool whole = i > digitsFrom;
    bool fraction = false;
    if (i < text.size() && text[i] == '.') {
        const std::size_t from = ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9')
            ++i;
        fraction = i > from;
    }
    if (i != text.size() || !(whole || fraction) || text.size() > 40) return std::nullopt;
    double value = 0.0;
    const char* first = text.data() + (text[0] == '+' ? 1 : 0);
    const auto r =
        std::from_chars(first, text.data() + text.size(), value, std::chars_format::fixed);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size()) return std::nullopt;
    return value;
}

std::string TimeText(const char* format, std::time_t when, bool utc) {
    std::tm tm{};
#ifdef _WIN32
    if (utc)
        gmtime_s(&tm, &when);
    else
        localtime_s(&tm, &when);
#else
    if (utc)
        gmtime_r(&when, &tm);
    else
        localtime_r(&when, &tm);
#endif
    char text[64];
    return std::string(text, std::strftime(text, sizeof text, format, &tm));
}

} // namespace orlomat
