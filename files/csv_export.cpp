#include "files/csv_export.h"

#include "core/flight_record.h"

#include <algorithm>

namespace orlomat {

std::string FormatExportValue(std::int32_t centimetres, char separator) {
    const bool negative = centimetres < 0;
    const std::uint64_t magnitude =
        negative ? std::uint64_t{0} - static_cast<std::uint64_t>(std::int64_t{centimetres})
                 : static_cast<std::uint64_t>(centimetres);
    if (magnitude == 0) return std::string("0") + separator + "0";

    // The digits of |entry| with the decimal point two places from the right: e digits
    // stand before the point (e = -1 for 0.0x).
    const std::string all = std::to_string(magnitude);
    int e = static_cast<int>(all.size()) - 2;
    const auto keep = static_cast<std::size_t>(std::clamp(e + 1, 0, 4));
    std::string digits = all.substr(0, keep);
    if (keep < all.size() && all[keep] >= '5') {
        int k = static_cast<int>(digits.size()) - 1;
        while (k >= 0 && digits[static_cast<std::size_t>(k)] == '9')
            digits[static_cast<std::size_t>(k--)] = '0';
        if (k >= 0) {
            ++digits[static_cast<std::size_t>(k)];
        } else {
            digits.insert(digits.begin(), '1');
            ++e;
        }
    }
    while (!digits.empty() && digits.back() == '0')
        digits.pop_back();
    if (digits.empty()) return std::string("0") + separator + "0";

    std::string out = negative ? "-" : "";
    if (e <= 4) {
        if (e <= 0) {
            out += '0';
        } else {
            for (int k = 0; k < e; ++k)
                out += static_cast<std::size_t>(k) < digits.size()
                           ? digits[static_cast<std::size_t>(k)]
                           : '0';
        }
        out += separator;
        const int next = std::max(e, 0);
        // With e < 0 the kept digits start below the first decimal: none is left there.
        out += e >= 0 && static_cast<std::size_t>(next) < digits.size()
                   ? digits[static_cast<std::size_t>(next)]
                   : '0';
        return out;
    }
    out += digits[0];
    if (digits.size() > 1) out += separator + digits.substr(1);
    out += 'E' + std::to_string(e - 1);
    return out;
}

std::string ExportBytes(const std::vector<std::int32_t>& table, char separator) {
    std::string bytes;
    for (const std::int32_t entry : table) {
        if (entry == kTableEndMark) break;
        bytes += FormatExportValue(entry, separator);
        bytes += "\x0A\x0D";
    }
    return bytes;
}

std::string ExportFileName(const std::string& chosen) {
    return chosen.find(".csv") == std::string::npos ? chosen + ".csv" : chosen;
}

} // namespace orlomat
