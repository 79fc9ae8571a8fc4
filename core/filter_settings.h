// The smoothing filter's four settings and their defaults: the one set the settings record,
// the filter dialog's Default button and the command line's filter options start from.
#pragma once

#include <cstdint>

namespace orlomat {

constexpr std::int32_t kFilterWidthMax = 100;

struct FilterSettings {
    std::int32_t preCut = 350;   // cm per sample step
    std::int32_t finalCut = 250; // cm
    std::int32_t prefilterWidth = 8;
    std::int32_t finalFilterWidth = 12;

    // Settings the chain can run with: cuts from 0, widths 1..kFilterWidthMax.
    constexpr bool valid() const {
        return preCut >= 0 && finalCut >= 0 && prefilterWidth >= 1 &&
               prefilterWidth <= kFilterWidthMax && finalFilterWidth >= 1 &&
               finalFilterWidth <= kFilterWidthMax;
    }
};

constexpr FilterSettings kDefaultFilter{};

} // namespace orlomat
