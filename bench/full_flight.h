// The benchmarks' flight: a full 33 000-byte record (8 242 samples) at 20 samples a second.
#pragma once

#include "core/decode.h"
#include "tools/synth/flight_synth.h"

namespace orlomat::bench {

inline std::vector<std::uint8_t> FullRecord() {
    SynthParams p;
    p.samplingCode = 0;
    p.glideSeconds = 1000.0f; // longer than a record holds
    return SynthesizeFlight(p);
}

inline DecodingState StateOf(const std::vector<std::uint8_t>& record) {
    DecodingState state;
    ApplyHeaderToState(InterpretFlightHeader(record, FlightSource::File), state);
    return state;
}

} // namespace orlomat::bench
