#include "ui/format_pattern.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace orlomat {

std::string FormatPattern(double value, std::string_view pattern, const NumberSeparators& sep) {
    const auto isPlaceholder = [](char c) { return c == '#' || c == '0'; };
    const std::size_t first = pattern.find_first_of("#0,.");
    const std::size_t last = pattern.find_last_of("#0");
    if (first == std::string_view::npos || last == std::string_view::npos || last < first)
        return std::string(pattern);
    const std::string_view prefix = pattern.substr(0, first);
    const std::string_view number = pattern.substr(first, last - first + 1);
    const std::string_view suffix = pattern.substr(last + 1);

    const std::size_t point = number.find('.');
    const std::string_view intPart = number.substr(0, point);
    const std::string_view fracPart =
        point == std::string_view::npos ? std::string_view{} : number.substr(point + 1);
    const bool grouping = intPart.find(',') != std::string_view::npos;
    int minIntDigits = 0;
    if (const std::size_t z = intPart.find('0'); z != std::string_view::npos)
        for (std::size_t i = z; i < intPart.size(); ++i)
            minIntDigits += isPlaceholder(intPart[i]);
    int required = 0, decimals = 0;
    for (const char c : fracPart) {
        if (c == '0') required = decimals + 1;
        if (isPlaceholder(c)) ++decimals;
    }

    const double scale = std::pow(10.0, decimals);
    const double scaled = std::round(std::fabs(value) * scale);
    std::string digits;
    if (!std::isfinite(scaled) || scaled >= 9e18) {
        char buf[400];
        std::snprintf(buf, sizeof buf, "%.0f", std::fabs(value) * scale);
        digits = buf;
    } else {
        digits = std::to_string(static_cast<std::uint64_t>(scaled));
    }
    if (digits.size() < static_cast<std::size_t>(decimals) + 1)
        digits.insert(0, static_cast<std::size_t>(decimals) + 1 - digits.size(), '0');
    std::string intDigits = digits.substr(0, digits.size() - static_cast<std::size_t>(decimals));
    std::string fracDigits = digits.substr(intDigits.size());
    while (static_cast<int>(fracDigits.size()) > required && !fracDigits.empty() &&
           fracDigits.back() == '0')
        fracDigits.pop_back();
    const bool zero = intDigits.find_first_not_of('0') == std::string::npos &&
                      fracDigits.find_first_not_of('0') == std::string::npos;
    // Integer digits: leading zeros only as far as the pattern's '0's ask.
    const std::size_t significant = intDigits.find_first_not_of('0');
    intDigits = significant == std::string::npos ? "" : intDigits.substr(significant);
    if (static_cast<int>(intDigits.size()) < minIntDigits)
        intDigits.insert(0, static_cast<std::size_t>(minIntDigits) - intDigits.size(), '0');

    std::string out(prefix);
    if (value < 0 && !zero) out += '-';
    for (std::size_t i = 0; i < intDigits.size(); ++i) {
        if (grouping && i > 0 && (intDigits.size() - i) % 3 == 0) out += sep.group;
        out += intDigits[i];
    }
    if (!fracDigits.empty()) out += sep.decimal + fracDigits;
    out += suffix;
    return out;
}

} // namespace orlomat
