#include "core/flight.h"

namespace orlomat {

Flight DecodeRecord(std::vector<std::uint8_t> record, FlightSource source,
                    const DecodeOptions& options) {
    Flight f;
    f.record = std::move(record);
    f.source = source;
    f.header = InterpretFlightHeader(f.record, source);
    ApplyHeaderToState(f.header, f.state);
    if (options.temperature) f.state.flightTemperature = *options.temperature;
    DecodeAgain(f, options.showSpeed, options.chartPoints);
    return f;
}

void DecodeAgain(Flight& flight, bool showSpeed, bool chartPoints) {
    flight.curve =
        DecodeFlight(flight.record, flight.state, showSpeed, flight.wordCount(), chartPoints);
}

} // namespace orlomat
