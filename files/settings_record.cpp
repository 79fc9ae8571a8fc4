#include "files/settings_record.h"

#include <algorithm>
#include <cstring>

namespace orlomat {

namespace {

void PutI32(std::uint8_t* at, std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<std::uint8_t>(u >> (8 * i));
}

std::int32_t GetI32(const std::uint8_t* at) {
    std::uint32_t u = 0;
    for (int i = 0; i < 4; ++i)
        u |= std::uint32_t{at[i]} << (8 * i);
    return static_cast<std::int32_t>(u);
}

} // namespace

std::string SettingsRecord::portName() const {
    const auto end = std::find(port.begin(), port.end(), '\0');
    return std::string(port.begin(), end);
}

void SettingsRecord::setPortName(const std::string& name) {
    port.fill('\0');
    std::copy_n(name.begin(), std::min(name.size(), kPortNameSize - 1), port.begin());
}

void SettingsRecord::sanitizeFilter() {
    const auto width = [](std::int32_t w) { return w >= 1 && w <= kFilterWidthMax; };
    if (preCut < 0) preCut = kDefaultFilter.preCut;
    if (finalCut < 0) finalCut = kDefaultFilter.finalCut;
    if (!width(prefilterWidth)) prefilterWidth = kDefaultFilter.prefilterWidth;
    if (!width(finalFilterWidth)) finalFilterWidth = kDefaultFilter.finalFilterWidth;
}

std::array<std::uint8_t, kSettingsSize> SettingsRecord::toBytes() const {
    std::array<std::uint8_t, kSettingsSize> b{};
    std::memcpy(b.data(), port.data(), kPortNameSize);
    const std::int32_t fields[8] = {portIndex, reserved, language,       showSpeedCurve,
                                    preCut,    finalCut, prefilterWidth, finalFilterWidth};
    for (int i = 0; i < 8; ++i)
        PutI32(b.data() + 8 + 4 * i, fields[i]);
    return b;
}

void SettingsRecord::overlay(std::span<const std::uint8_t> bytes) {
    std::array<std::uint8_t, kSettingsSize> b = toBytes();
    std::copy_n(bytes.begin(), std::min(bytes.size(), kSettingsSize), b.begin());
    std::memcpy(port.data(), b.data(), kPortNameSize);
    std::int32_t* fields[8] = {&portIndex, &reserved, &language,       &showSpeedCurve,
                               &preCut,    &finalCut, &prefilterWidth, &finalFilterWidth};
    for (int i = 0; i < 8; ++i)
        *fields[i] = GetI32(b.data() + 8 + 4 * i);
}

} // namespace orlomat
