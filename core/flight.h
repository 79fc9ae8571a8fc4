// A flight as the program holds it: its record bytes, the decoding state they give, and the
// decoded curve. DecodeRecord is the one road from record bytes to a decoded flight, for the
// window, the command-line tool and the tools alike.
#pragma once

#include "core/decode.h"
#include "core/flight_record.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace orlomat {

struct Flight {
    std::vector<std::uint8_t> record; // the bytes of the last download or load
    HeaderInfo header;
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

struct DecodeOptions {
    std::optional<float> temperature{}; // in place of the header's
    bool showSpeed = true;
    bool chartPoints = true; // false: tables and figures only, for results over many flights
};

// Interprets the header (the sampling column of `source`), fills the decoding state and
// decodes the samples.
Flight DecodeRecord(std::vector<std::uint8_t> record, FlightSource source,
                    const DecodeOptions& options = {});

// Decodes the flight again from its own record and state (a new temperature, the speed
// curve switched).
void DecodeAgain(Flight& flight, bool showSpeed, bool chartPoints = true);

} // namespace orlomat
