#include "files/flight_file.h"

#include "files/user_file.h"

#include <utility>

namespace orlomat {

FlightFile ReadFlightFile(const std::string& path, const DecodeOptions& options) {
    FlightFile f;
    // One byte more than a record can hold tells a file that is too long.
    auto record = ReadFileStart(path, kMaxRecordSize + 1, f.systemReason);
    if (!record) {
        f.refusal = FlightFileRefusal::Unreadable;
        return f;
    }
    f.fault = CheckRecordBytes(*record);
    if (f.fault == RecordFault::None) {
        Flight flight = DecodeRecord(std::move(*record), FlightSource::File, options);
        f.fault = CheckFlight(flight);
        if (f.fault == RecordFault::None) f.flight = std::move(flight);
    }
    if (f.fault != RecordFault::None) f.refusal = FlightFileRefusal::NotAFlight;
    return f;
}

} // namespace orlomat
