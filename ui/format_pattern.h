// Number texts by a picture pattern, as used for the chart's axis labels and value marks:
// '0' a digit always written, '#' a digit written when significant, ',' (anywhere in the
// integer part) groups thousands, '.' the decimal separator; other characters are copied.
// Rounding is half away from zero.
#pragma once

#include <string>
#include <string_view>

namespace orlomat {

struct NumberSeparators {
    std::string decimal = ".";
    std::string group = ",";
};

std::string FormatPattern(double value, std::string_view pattern,
                          const NumberSeparators& separators = {});

} // namespace orlomat
