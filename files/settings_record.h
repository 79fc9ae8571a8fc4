// The program's 40-byte settings record, stored byte for byte (little-endian) in the
// settings file beside the program.
#pragma once

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
    std::int32_t preCut = 350;       // centimetres
    std::int32_t finalCut = 250;     // centimetres
    std::int32_t prefilterWidth = 8;
    std::int32_t finalFilterWidth = 12;

    // The port name up to its terminating zero (all 8 bytes when there is none).
    std::string portName() const;
    // Stores at most 7 characters and the terminating zero.
    void setPortName(const std::string& name);

    // Filter fields the chain cannot run with (a negative cut, a width outside 1..100, as a
    // hand-edited file may hold) go back to their defaults.
    void sanitizeFilter();

    std::array<std::uint8_t, kSettingsSize> toBytes() const;
    // The bytes replace the start of the record; fields behind them keep their values.
    // Bytes beyond the 40 of the record are ignored.
    void overlay(std::span<const std::uint8_t> bytes);

    friend bool operator==(const SettingsRecord&, const SettingsRecord&) = default;
};

} // namespace orlomat
