// What the main window keeps for the whole run: the settings record, the language in force
// and the two flights, each with its own record bytes and decoding state.
#pragma once

#include "analysis/comparison.h"
#include "core/decode.h"
#include "analysis/filter_chain.h"
#include "files/settings_record.h"

#include <cstdint>
#include <vector>

namespace orlomat {

struct Flight {
    std::vector<std::uint8_t> record; // the bytes of the last download or load
    DecodingState state;
    FlightCurve curve;
    FlightSource source = FlightSource::File;

    bool present() const { return !record.empty(); }
    std::uint32_t wordCount() const { return RecordWordCount(record.size()); }
    // The bytes after the header.
    std::uint32_t byteCount() const {
        return static_cast<std::uint32_t>(record.size() > kHeaderSize ? record.size() - kHeaderSize
                                                                      : 0);
    }
};

struct Session {
    FilterSettings filterSettings() const {
        return {settings.preCut, settings.finalCut, settings.prefilterWidth,
                settings.finalFilterWidth};
    }
    SettingsRecord settings;
    int language = 0; // 0 Polish, 1 English
    Flight current;
    Flight comparison;
    ComparisonCurve comparisonCurve; // the comparison flight's last decoding
    int triggerLevel = 0;            // metres, as last read from the altimeter's settings
    FilterWork filterWork;
};

} // namespace orlomat
