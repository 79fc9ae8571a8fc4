#include "analysis/flight_stats.h"

#include "core/format.h"

#include <algorithm>
#include <cmath>

namespace orlomat {

namespace {
constexpr std::int32_t kGroundBandCm = 300; // 3.0 m above the ground reference
}

FlightStats ComputeStats(std::span<const std::int32_t> a, std::uint32_t samplingRate,
                         const std::string& maxText) {
    FlightStats s;
    s.maxText = maxText;
    const std::size_t n = a.size();
    if (n == 0 || samplingRate == 0) return s;
    const double dt = 10.0 / samplingRate;
    const std::size_t iMax =
        static_cast<std::size_t>(std::max_element(a.begin(), a.end()) - a.begin());
    s.timeOfMaxS = static_cast<double>(iMax) * dt;

    const auto launch =
        std::find_if(a.begin(), a.end(), [](std::int32_t v) { return v >= kGroundBandCm; });
    if (launch != a.end()) {
        const auto l = static_cast<std::size_t>(launch - a.begin());
        s.launchS = static_cast<double>(l) * dt;
        const auto landing =
            std::find_if(a.begin() + static_cast<std::ptrdiff_t>(iMax) + 1, a.end(),
                         [](std::int32_t v) { return v <= kGroundBandCm; });
        if (landing != a.end()) {
            const auto d = static_cast<std::size_t>(landing - a.begin());
            s.landingS = static_cast<double>(d) * dt;
            s.durationS = static_cast<double>(d - l) * dt;
        }
        if (iMax > l)
            s.climbMS = (static_cast<double>(a[iMax]) - a[l]) / 100.0 /
                        (static_cast<double>(iMax - l) * dt);
    }

    const std::size_t w =
        std::max<std::size_t>(1, static_cast<std::size_t>(std::lround(samplingRate / 10.0)));
    if (n > w) {
        double up = -INFINITY, down = INFINITY;
        for (std::size_t i = 0; i + w < n; ++i) {
            const double rate =
                (static_cast<double>(a[i + w]) - a[i]) / 100.0 / (static_cast<double>(w) * dt);
            up = std::max(up, rate);
            down = std::min(down, rate);
        }
        s.maxClimbMS = up;
        s.maxSinkMS = -down;
    }
    return s;
}

FlightStats ComputeStats(const Flight& flight) {
    const FlightCurve& c = flight.curve;
    return ComputeStats(std::span<const std::int32_t>(c.altitudes.data(), c.chartedCount()),
                        flight.state.samplingRate, FormatOneDecimal(c.maximum));
}

} // namespace orlomat
