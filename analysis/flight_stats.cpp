#include "analysis/flight_stats.h"

#include "core/format.h"

#include <algorithm>
#include <cmath>

namespace orlomat {

namespace {

constexpr std::int32_t kGroundBandCm = 300; // 3.0 m above the ground reference

std::string MetresText(std::int32_t cm) {
    // As the window shows a maximum: the float metres of the largest entry, from 0.
    return FormatOneDecimal(static_cast<float>(std::max(cm, 0)) * 0.01f);
}

std::size_t FirstMaximum(std::span<const std::int32_t> a) {
    return static_cast<std::size_t>(std::max_element(a.begin(), a.end()) - a.begin());
}

// Fastest climb and sink (as a positive number) between samples a second apart.
void Rates(std::span<const std::int32_t> a, std::uint32_t samplingRate, double dt,
           std::optional<double>& climb, std::optional<double>& sink) {
    const std::size_t w =
        std::max<std::size_t>(1, static_cast<std::size_t>(std::lround(samplingRate / 10.0)));
    if (a.size() <= w) return;
    double up = -INFINITY, down = INFINITY;
    for (std::size_t i = 0; i + w < a.size(); ++i) {
        const double rate =
            (static_cast<double>(a[i + w]) - a[i]) / 100.0 / (static_cast<double>(w) * dt);
        up = std::max(up, rate);
        down = std::min(down, rate);
    }
    climb = up;
    sink = -down;
}

} // namespace

bool SuspectMaximum(double maximumM, double cleanedMaximumM) {
    return maximumM - cleanedMaximumM > std::max(5.0, 0.05 * cleanedMaximumM);
}

FlightStats ComputeStats(const StatsTables& t) {
    FlightStats s;
    const std::span<const std::int32_t> raw = t.charted;
    const std::size_t n = raw.size();
    if (n == 0 || t.samplingRate == 0) return s;
    const double dt = 10.0 / t.samplingRate;
    const std::int32_t rawMax = raw[FirstMaximum(raw)];
    s.maxText = MetresText(rawMax);

    const bool cleanedFits = t.cleaned.size() == n;
    if (cleanedFits) {
        const std::int32_t cleanedMax = t.cleaned[FirstMaximum(t.cleaned)];
        s.maxFilteredText = MetresText(cleanedMax);
        s.maxSuspect = SuspectMaximum(std::max(rawMax, 0) / 100.0, std::max(cleanedMax, 0) / 100.0);
    }

    // The time of the maximum comes from the curve whose maximum is the flight's; launch and
    // landing from the decoded one, around that maximum (the cleaned curve straightens the
    // stretches it cuts, which would move them).
    std::size_t iMax = FirstMaximum(raw);
    if (s.maxSuspect) {
        // The top is the highest decoded sample that lies near the cleaned curve: the spike's
        // samples stand far above it, the real top on it.
        const double band = std::max(500.0, 0.05 * t.cleaned[FirstMaximum(t.cleaned)]);
        std::optional<std::size_t> top;
        for (std::size_t i = 0; i < n; ++i)
            if (raw[i] <= t.cleaned[i] + band && (!top || raw[i] > raw[*top])) top = i;
        iMax = top.value_or(FirstMaximum(t.cleaned));
    }
    const std::span<const std::int32_t> a = raw;
    s.timeOfMaxS = static_cast<double>(iMax) * dt;
    const auto at = [dt](std::size_t i) { return static_cast<double>(i) * dt; };
    const auto onGround = [](std::int32_t v) { return v <= kGroundBandCm; };

    if (onGround(a[iMax])) {
        s.noLanding = NoLanding::NeverLaunched;
    } else {
        // The climb that leads to the maximum starts after the last sample on the ground.
        const auto before =
            std::find_if(std::make_reverse_iterator(a.begin() + iMax), a.rend(), onGround);
        std::optional<std::size_t> launch;
        if (before != a.rend()) launch = static_cast<std::size_t>(a.rend() - before);

        std::optional<std::size_t> landing;
        const auto after = std::find_if(a.begin() + iMax + 1, a.end(), onGround);
        if (after != a.end()) {
            landing = static_cast<std::size_t>(after - a.begin());
        } else {
            const auto tail = std::find_if(t.uncharted.begin(), t.uncharted.end(), onGround);
            if (tail != t.uncharted.end())
                landing = n + static_cast<std::size_t>(tail - t.uncharted.begin());
        }
        if (!landing) s.noLanding = t.recordComplete ? NoLanding::StillAloft : NoLanding::RecordCut;

        if (launch) s.launchS = at(*launch);
        if (landing) s.landingS = at(*landing);
        if (launch && landing) s.durationS = at(*landing - *launch);
        if (launch && iMax > *launch)
            s.climbMS = (static_cast<double>(a[iMax]) - a[*launch]) / 100.0 / at(iMax - *launch);
    }

    Rates(raw, t.samplingRate, dt, s.maxClimbRawMS, s.maxSinkRawMS);
    if (cleanedFits)
        Rates(t.cleaned, t.samplingRate, dt, s.maxClimbMS, s.maxSinkMS);
    else
        s.maxClimbMS = s.maxClimbRawMS, s.maxSinkMS = s.maxSinkRawMS;
    return s;
}

FlightStats ComputeStats(const Flight& flight, const FilterSettings& filter,
                         std::vector<std::int32_t>* cleanedOut) {
    const FlightCurve& c = flight.curve;
    StatsTables t;
    t.charted = std::span<const std::int32_t>(c.altitudes.data(), c.chartedCount());
    t.uncharted = c.unchartedAltitudes;
    t.samplingRate = flight.state.samplingRate;
    t.recordComplete = c.samples > 0 && SampleAt(flight.record, c.samples - 1).up == kEndMarker;
    // The current flight's filter button cleans flights of 16 samples or more.
    std::vector<std::int32_t> cleaned;
    if (flight.wordCount() >= 32 && filter.valid() && c.chartedCount() > 0) {
        FilterWork work;
        LoadSource(work, c.altitudes);
        FilterChain(work, filter);
        if (work.end == c.chartedCount())
            cleaned.assign(work.cleaned.begin(),
                           work.cleaned.begin() + static_cast<std::ptrdiff_t>(work.end));
    }
    t.cleaned = cleaned;
    FlightStats s = ComputeStats(t);
    if (cleanedOut) *cleanedOut = std::move(cleaned);
    return s;
}

} // namespace orlomat
