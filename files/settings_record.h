// The program's 40-byte settings record, stored byte for byte (little-endian) in the
// settings file beside the program.
#pragma once

#include "core/filter_settings.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace orlomat {

constexpr std::size_t kSettingsSize = 40;
constexpr std::size_t kPortNameSize = 8; // zero-terminated: at most 7 characters

struct SettingsRecord {
    std::array<char, kPortNameSize> port{'C', 'O', 'M', '5', 0, 0, 0, 0};
    std::int32_t portIndex = 4;
    std::int32_t reserved = 50;
    std::int32_t language = 0;       // 0 Polish, 1 English (LanguageOfRecord)
    std::int32_t showSpeedCurve = 1; // vertical-speed curve on (non-zero) or off
    // The filter's settings, stored field by field (FilterSettings holds the defaults).
    std::int32_t preCut = kDefaultFilter.preCut;     // centimetres
    std::int32_t finalCut = kDefaultFilter.finalCut; // centimetres
    std::int32_t prefilterWidth = kDefaultFilter.prefilterWidth;
    std::int32_t finalFilterWidth = kDefaultFilter.finalFilterWidth;

    FilterSettings filter() const { return {preCut, finalCut, prefilterWidth, finalFilterWidth}; }
    void setFilter(const FilterSettings& f) {
        preCut = f.preCut;
        finalCut = f.finalCut;
        prefilterWidth = f.prefilterWidth;
        finalFilterWidth = f.finalFilterWidth;
    }

    // The port name up to its terminating zero (all 8 bytes when there is none).
    std::string portName() const;
    // Stores at most 7 characters and the terminating zero.
    void setPortName(const std::string& name);

    // Filter fields the chain cannot run with (a negative cut, a width outside
    // 1..kFilterWidthMax, as a hand-edited file may hold) go back to their defaults.
    void sanitizeFilter();

    std::array<std::uint8_t, kSettingsSize> toBytes() const;
    // The bytes replace the start of the record; fields behind them keep their values.
    // Bytes beyond the 40 of the record are ignored.
    void overlay(std::span<const std::uint8_t> bytes);

    friend bool operator==(const SettingsRecord&, const SettingsRecord&) = default;
};

} // namespace orlomat
