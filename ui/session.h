// What the main window keeps for the whole run: the settings record, the language in force
// and the two flights, each with its own record bytes and decoding state.
#pragma once

#include "decode.h"
#include "settings_record.h"

#include <cstdint>
#include <vector>

namespace orlomat {

struct Flight {
    std::vector<std::uint8_t> record;  // the bytes of the last download or load
    DecodingState state;
    FlightCurve curve;
    FlightSource source = FlightSource::File;

    bool present() const { return !record.empty(); }
    std::uint32_t wordCount() const { return RecordWordCount(record.size()); }
};

struct Session {
    SettingsRecord settings;
    int language = 0;  // 0 Polish, 1 English
    Flight current;
    Flight comparison;
    int triggerLevel = 0;  // metres, as last read from the altimeter's settings
};

} // namespace orlomat
