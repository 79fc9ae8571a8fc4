#include "analysis/flight_stats.h"

#include "core/format.h"

#include <algorithm>
#include <cmath>

namespace orlomat {

namespace {

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

// Samples in the clean curve's window: kTransientSeconds, and at least six, as the decoded
// curve's running three-point smoothing spreads a one-sample transient over the sample
// before and (fading) the four after it.
std::size_t TransientWindow(std::uint32_t samplingRate) {
    const double dt = 10.0 / samplingRate;
    return std::max<std::size_t>(6,
                                 static_cast<std::size_t>(std::lround(kTransientSeconds / dt)) + 1);
}

// A queue of sample indices, each pushed at most once: a vector with a moving head.
class IndexQueue {
public:
    explicit IndexQueue(std::size_t n) : v_(n) {}
    bool empty() const { return head_ == tail_; }
    std::size_t front() const { return v_[head_]; }
    std::size_t back() const { return v_[tail_ - 1]; }
    void push_back(std::size_t i) { v_[tail_++] = i; }
    void pop_back() { --tail_; }
    void pop_front() { ++head_; }
    void clear() { head_ = tail_ = 0; }

private:
    std::vector<std::size_t> v_;
    std::size_t head_ = 0, tail_ = 0;
};

// For each i the last j >= i with max - min of a[i..j] within `band`: the longest stretch at
// rest from i. It never falls as i grows, so two monotonic queues find it in one pass.
std::vector<std::size_t> RestReach(std::span<const std::int32_t> a, std::int32_t band) {
    const std::size_t n = a.size();
    std::vector<std::size_t> reach(n);
    IndexQueue lo(n), hi(n); // indices of rising minima and falling maxima in [i, j)
    std::size_t j = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (j < i) j = i;
        while (j < n) {
            const std::int32_t mn = lo.empty() ? a[j] : std::min(a[lo.front()], a[j]);
            const std::int32_t mx = hi.empty() ? a[j] : std::max(a[hi.front()], a[j]);
            if (std::int64_t{mx} - mn > band) break;
            while (!lo.empty() && a[lo.back()] >= a[j])
                lo.pop_back();
            lo.push_back(j);
            while (!hi.empty() && a[hi.back()] <= a[j])
                hi.pop_back();
            hi.push_back(j);
            ++j;
        }
        reach[i] = j - 1;
        if (!lo.empty() && lo.front() == i) lo.pop_front();
        if (!hi.empty() && hi.front() == i) hi.pop_front();
    }
    return reach;
}

std::int32_t Median(std::span<const std::int32_t> a, std::size_t from, std::size_t to) {
    std::vector<std::int32_t> v(a.begin() + static_cast<std::ptrdiff_t>(from),
                                a.begin() + static_cast<std::ptrdiff_t>(to) + 1);
    const auto mid = v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2);
    std::nth_element(v.begin(), mid, v.end());
    return *mid;
}

struct FlightSpan {
    std::optional<double> launchS;
    std::int32_t launchLevel = 0;
    NoLaunch noLaunch = NoLaunch::None;
    std::optional<double> landingS;
    std::int32_t landingLevel = 0;
    bool launched = false;
};

// Around a level: the hand's band, and far enough off it to take a departure's slope.
constexpr std::int32_t kHandCm = 150, kFarCm = 400;
// The level a model leaves is the last stretch this long within less than one sensor step
// (a slow departure crosses a step a second: two steps' plateaus are no level).
constexpr double kLevelSeconds = 2.0;
constexpr std::int32_t kLevelBandCm = 100;
// How high a hand lifts a model off its rest (a shoulder, a box).
constexpr std::int32_t kLiftCm = 300;

// How far an altitude is from a level (a damaged record's altitudes span all of 32 bits).
std::int64_t Off(std::int32_t altitude, std::int32_t level) {
    return std::llabs(std::int64_t{altitude} - level);
}

// When the descent into the rest from `i` meets `level`: from the last sample more than
// kHandCm off it, along the slope of the samples before, but no later than the first sample
// at or past the level (a median of samples: one of them is at it).
double Meeting(std::span<const std::int32_t> a, double dt, std::int32_t level, std::size_t i,
               std::size_t last) {
    std::size_t k = i;
    while (k < last && Off(a[k], level) > kHandCm)
        ++k;
    if (k == 0) return 0.0;
    const bool above = a[k - 1] > level;
    std::size_t at = k;
    while (at < last && a[at] != level && (a[at] > level) == above)
        ++at;
    const double t = static_cast<double>(at) * dt;
    const std::size_t b = k - 1;
    std::size_t far = b > 0 ? b - 1 : 0;
    const auto back = static_cast<std::size_t>(60 / dt);
    const std::size_t limit = b > back ? b - back : 0;
    while (far > limit && Off(a[far], level) <= kFarCm)
        --far;
    if (far < b && a[far] != a[b]) {
        const double rate =
            (static_cast<double>(a[b]) - a[far]) / (static_cast<double>(b - far) * dt);
        const double ahead = (level - static_cast<double>(a[b])) / rate;
        if (ahead >= 0) return std::min(static_cast<double>(b) * dt + ahead, t);
    }
    return t;
}

// The centred mean over about a second (3 samples at least): rest is judged on it, so that the
// sensor's noise (a few decimetres a sample) does not pass for motion.
std::vector<std::int32_t> SecondMean(std::span<const std::int32_t> a, double dt) {
    const std::size_t n = a.size();
    const auto half = std::max<std::size_t>(1, static_cast<std::size_t>(std::lround(0.5 / dt)));
    std::vector<std::int32_t> m(n);
    std::int64_t sum = 0;
    std::size_t lo = 0, hi = 0; // the window [lo, hi)
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t from = i > half ? i - half : 0, to = std::min(n, i + half + 1);
        for (; hi < to; ++hi)
            sum += a[hi];
        for (; lo < from; ++lo)
            sum -= a[lo];
        m[i] = static_cast<std::int32_t>(sum / static_cast<std::int64_t>(hi - lo));
    }
    return m;
}

// The clean curve with what the opening leaves of its transients bridged. The decoded curve's
// smoothing carries a third of a spike's height on to each next sample, so a tall one stands
// beyond the window for a few samples more: on the ground that tail passes for a flight. The
// opening leaves it as a jump off the level to the excursion's highest sample, a plateau and
// a fall. Back at the level within the window and that tail, with the decoded curve standing
// above it as a suspect maximum stands above the clean one, it is no motion (a climb rises
// past its first sample off the level; a real top is no suspect one).
std::vector<std::int32_t> WithoutTransientTails(std::span<const std::int32_t> clean,
                                                std::span<const std::int32_t> decoded,
                                                std::uint32_t samplingRate) {
    std::vector<std::int32_t> out(clean.begin(), clean.end());
    const std::size_t n = out.size(), window = TransientWindow(samplingRate);
    // Samples a spike `h` above its base stays beyond the hand's band after the window.
    const auto tail = [](std::int64_t h) {
        std::size_t k = 0;
        for (; h > kHandCm; h /= 3)
            ++k;
        return k;
    };
    for (std::size_t i = 1; i < n; ++i) {
        const std::int64_t base = out[i - 1];
        if (out[i] - base <= kHandCm) continue;
        std::size_t j = i;
        std::int64_t peak = base;
        while (j < n && out[j] - base > kHandCm && out[j] <= out[i] &&
               j - i <= window + tail(peak - base))
            peak = std::max<std::int64_t>(peak, decoded[j++]);
        if (j == n || out[j] - base > kHandCm ||
            !SuspectMaximum(static_cast<double>(peak - base) / 100.0,
                            static_cast<double>(out[i] - base) / 100.0,
                            TopAllowanceM(samplingRate)))
            continue;
        for (std::size_t k = i; k < j; ++k)
            out[k] = static_cast<std::int32_t>(base + (out[j] - base) *
                                                          static_cast<std::int64_t>(k - i + 1) /
                                                          static_cast<std::int64_t>(j - i + 1));
        i = j;
    }
    return out;
}

// Launch and landing of the first flight in all the decoded samples `raw`.
FlightSpan FindFlight(std::span<const std::int32_t> raw, double dt, bool complete) {
    FlightSpan f;
    const std::size_t n = raw.size();
    const std::vector<std::int32_t> mean = SecondMean(raw, dt);
    const std::span<const std::int32_t> a = mean;
    const std::vector<std::size_t> reach = RestReach(a, kRestBandCm);
    // The level tail: from here to the end the record holds within one sensor step.
    std::size_t levelTail = n - 1;
    for (std::int32_t lo = a[n - 1], hi = a[n - 1]; levelTail > 0; --levelTail) {
        lo = std::min(lo, a[levelTail - 1]);
        hi = std::max(hi, a[levelTail - 1]);
        if (std::int64_t{hi} - lo > kSensorStepCm) break;
    }
    const auto seconds = [&](std::size_t i, std::size_t j) {
        return static_cast<double>(j - i) * dt;
    };
    // At rest before the launch: a while within the band, or the record's first two samples
    // over a second, judged on the samples themselves (the mean would smooth a record that
    // starts moving, which started in the air).
    std::size_t start = 0;
    for (std::int32_t lo = raw[0], hi = raw[0]; start + 1 < n; ++start) {
        lo = std::min(lo, raw[start + 1]);
        hi = std::max(hi, raw[start + 1]);
        if (std::int64_t{hi} - lo > kRestBandCm) break;
    }
    const auto resting = [&](std::size_t i) {
        return reach[i] >= i + 2 && seconds(i, reach[i]) >= kStillSeconds;
    };
    const bool startsStill = start >= 1 && seconds(0, start) >= kStartStillSeconds;
    const auto still = [&](std::size_t i) { return resting(i) || (i == 0 && startsStill); };
    // The last sample of the still window from i.
    const auto stillEnd = [&](std::size_t i) { return resting(i) ? reach[i] : start; };

    // The flight shows once the model is kFlightDepartureCm from where it last stood still;
    // the stand it left is the launch level. Lifts, walks and the hand stay nearer.
    std::optional<std::size_t> stretch; // the first sample of the last still stretch
    std::size_t stillUntil = 0;         // samples before this lie in a still window
    std::int32_t level = a[0];
    std::optional<std::size_t> flight;
    for (std::size_t k = 0; k < n; ++k) {
        if (still(k)) {
            if (k >= stillUntil) stretch = k;
            stillUntil = std::max(stillUntil, stillEnd(k) + 1);
        }
        if (k < stillUntil) {
            level = a[k];
            continue;
        }
        if (Off(a[k], level) > kFlightDepartureCm) {
            flight = k;
            break;
        }
    }
    if (!flight) {
        f.noLaunch = NoLaunch::NeverLaunched;
        return f;
    }
    f.launched = true;
    if (!stretch) {
        f.noLaunch = NoLaunch::StartedAloft;
    } else {
        // The level: the last kLevelSeconds within the last still window that hold still (the
        // hand before the throw, not the ground before the lift), or after it near its level;
        // where noise allows none, that window.
        const std::vector<std::size_t> held = RestReach(a.first(*flight), kLevelBandCm);
        std::size_t s = *stretch;
        for (std::size_t k = stillUntil; k-- > *stretch;)
            if (still(k)) {
                s = k;
                break;
            }
        std::size_t e = stillEnd(s);
        const std::int32_t rest = Median(a, s, e);
        // A hand lifts the model off its rest for a moment before the throw: a held stretch
        // after the rest, near its level, is the level left.
        for (std::size_t k = *flight; k-- > s;)
            if (held[k] >= k + 1 && seconds(k, held[k]) >= kLevelSeconds &&
                (k < stillUntil || Off(Median(a, k, held[k]), rest) <= kLiftCm)) {
                s = k, e = held[k];
                break;
            }
        const std::int32_t l = Median(a, s, s + (e - s) / 2);
        f.launchLevel = l;
        // The departure: the first sample beyond the hand's band, traced back along its
        // slope to the level (the sensor's steps make the first sample off the level late).
        // On the samples themselves: the mean leaves the level half a second early.
        std::size_t d = s;
        while (d + 1 < n && Off(raw[d], l) <= kHandCm)
            ++d;
        std::size_t far = d;
        while (far + 1 < n && Off(raw[far], l) <= kFarCm)
            ++far;
        double t = static_cast<double>(d) * dt;
        // A departure too fast to take a slope from starts at the sample before.
        if (far > d && raw[far] != raw[d]) {
            const double rate = (static_cast<double>(raw[far]) - raw[d]) / seconds(d, far);
            const double back = (static_cast<double>(raw[d]) - l) / rate;
            if (back > 0) t -= std::min(back, seconds(s, d));
        } else if (d > s) {
            t -= dt;
        }
        f.launchS = t;
    }

    // A record that stops in a steady glide (its memory full) ends level within a sensor step
    // too: that tail is no landing when it sinks on at the rate of the ten seconds before it.
    // A landing ends a descent; the tail after it is flatter than the approach.
    const auto sinkRate = [&](std::size_t from, std::size_t to) { // metres per second, down
        return to > from ? (a[from] - a[to]) * 0.01 / seconds(from, to) : 0.0;
    };
    const auto before = static_cast<std::size_t>(10.0 / dt);
    const bool glidesIntoTail =
        levelTail > before && levelTail < n - 1 &&
        sinkRate(levelTail - before, levelTail) > kGlideSinkMps &&
        sinkRate(levelTail, n - 1) >= 0.5 * sinkRate(levelTail - before, levelTail);
    // Landed: the first rest after the flight that no model flies, or a level one up to the
    // end mark.
    for (std::size_t i = *flight; i < n; ++i) {
        const bool landed =
            seconds(i, reach[i]) >= kLandedSeconds ||
            (complete && reach[i] == n - 1 && seconds(i, reach[i]) >= kLandedSeconds / 3) ||
            (complete && !glidesIntoTail && i >= levelTail && i < n - 1 &&
             seconds(i, n - 1) >= kLandedAtEndSeconds);
        if (!landed) continue;
        // The level it settled at, over the rest's first seconds (the weather moves it later);
        // the landing is where the descent meets that level, not its entry into the band.
        const double span = std::min(seconds(i, reach[i]), kLandedSeconds);
        const auto steps = static_cast<std::size_t>(span / dt);
        const std::size_t from = i + steps / 2, to = i + steps;
        const std::int32_t l = Median(a, from, std::max(from, to));
        f.landingS = Meeting(raw, dt, l, i, to);
        f.landingLevel = l;
        break;
    }
    return f;
}

} // namespace

bool SuspectMaximum(double maximumM, double cleanMaximumM, double allowanceM) {
    return maximumM - cleanMaximumM > std::max(5.0, 0.05 * cleanMaximumM) + allowanceM;
}

std::vector<std::int32_t> WithoutTransients(std::span<const std::int32_t> a,
                                            std::uint32_t samplingRate) {
    const std::size_t n = a.size(), m = TransientWindow(samplingRate);
    if (n < m) return {a.begin(), a.end()};
    // An opening: the lowest sample of each window of m, then the highest such value among
    // the windows that hold a sample. A peak narrower than the window goes, a slope of any
    // steepness stays.
    std::vector<std::int32_t> low(n - m + 1), out(n);
    IndexQueue q(n);
    for (std::size_t i = 0; i < n; ++i) {
        while (!q.empty() && a[q.back()] >= a[i])
            q.pop_back();
        q.push_back(i);
        if (q.front() + m <= i) q.pop_front();
        if (i + 1 >= m) low[i + 1 - m] = a[q.front()];
    }
    q.clear();
    for (std::size_t i = 0; i < n; ++i) {
        // Windows starting in [i - m + 1, i].
        if (i < low.size()) {
            while (!q.empty() && low[q.back()] <= low[i])
                q.pop_back();
            q.push_back(i);
        }
        while (q.front() + m <= i)
            q.pop_front();
        out[i] = low[q.front()];
    }
    return out;
}

double TopAllowanceM(std::uint32_t samplingRate) {
    if (samplingRate == 0) return 0.0;
    const double dt = 10.0 / samplingRate;
    const auto halfWindow = TransientWindow(samplingRate) / 2; // whole samples either side
    const double reach = static_cast<double>(halfWindow) * dt;
    return 0.5 * kTurnAcceleration * reach * reach;
}

FlightStats ComputeStats(const StatsTables& t) {
    FlightStats s;
    const std::span<const std::int32_t> raw = t.charted;
    const std::size_t n = raw.size();
    if (n == 0 || t.samplingRate == 0) {
        s.noLanding = NoLanding::NoSamples;
        s.noLaunch = NoLaunch::NoSamples;
        return s;
    }
    const double dt = 10.0 / t.samplingRate;
    const std::int32_t rawMax = raw[FirstMaximum(raw)];
    s.maxText = MetresText(rawMax);

    const bool cleanedFits = t.cleaned.size() == n;
    if (cleanedFits) s.maxFilteredText = MetresText(t.cleaned[FirstMaximum(t.cleaned)]);

    // Every decoded sample: a landing may lie in the last ones, which the chart leaves out.
    std::vector<std::int32_t> all(raw.begin(), raw.end());
    all.insert(all.end(), t.uncharted.begin(), t.uncharted.end());
    const std::vector<std::int32_t> clean = WithoutTransients(all, t.samplingRate);
    const std::int32_t cleanMax =
        *std::max_element(clean.begin(), clean.begin() + static_cast<std::ptrdiff_t>(n));
    const double allowance = TopAllowanceM(t.samplingRate);
    s.maxCleanText = MetresText(cleanMax);
    s.maxSuspect =
        SuspectMaximum(std::max(rawMax, 0) / 100.0, std::max(cleanMax, 0) / 100.0, allowance);

    std::size_t iMax = FirstMaximum(raw);
    if (s.maxSuspect) {
        // The top is the highest sample that is no transient's: near the clean curve.
        const double band =
            100.0 * (std::max(5.0, 0.05 * std::max(cleanMax, 0) / 100.0) + allowance);
        std::optional<std::size_t> top;
        for (std::size_t i = 0; i < n; ++i)
            if (raw[i] <= clean[i] + band && (!top || raw[i] > raw[*top])) top = i;
        iMax = top.value_or(FirstMaximum(std::span(clean).first(n)));
    }
    s.timeOfMaxS = static_cast<double>(iMax) * dt;

    // Launch and landing on the curve without transients: a spike is no departure.
    const FlightSpan f =
        FindFlight(WithoutTransientTails(clean, all, t.samplingRate), dt, t.recordComplete);
    s.noLaunch = f.noLaunch;
    s.launchS = f.launchS;
    if (!f.launched) {
        s.noLanding = NoLanding::NeverLaunched;
    } else if (!f.landingS) {
        s.noLanding = t.recordComplete ? NoLanding::StillAloft : NoLanding::RecordCut;
    } else {
        s.landingS = f.landingS;
        s.landingAltitudeCm = f.landingLevel;
        s.landingAltitudeText = FormatOneDecimal(static_cast<float>(f.landingLevel) * 0.01f);
    }
    if (s.launchS && s.landingS) s.durationS = *s.landingS - *s.launchS;
    if (s.launchS && *s.timeOfMaxS > *s.launchS && (!s.landingS || *s.timeOfMaxS <= *s.landingS))
        s.climbMS =
            (static_cast<double>(raw[iMax]) - f.launchLevel) / 100.0 / (*s.timeOfMaxS - *s.launchS);

    Rates(raw, t.samplingRate, dt, s.maxClimbRawMS, s.maxSinkRawMS);
    if (cleanedFits)
        Rates(t.cleaned, t.samplingRate, dt, s.maxClimbMS, s.maxSinkMS);
    else
        s.maxClimbMS = s.maxClimbRawMS, s.maxSinkMS = s.maxSinkRawMS;
    return s;
}

StatsTables FlightTables(const Flight& flight) {
    const FlightCurve& c = flight.curve;
    StatsTables t;
    t.charted = std::span<const std::int32_t>(c.altitudes.data(), c.chartedCount());
    t.uncharted = c.unchartedAltitudes;
    t.samplingRate = flight.state.samplingRate;
    t.recordComplete = c.samples > 0 && SampleAt(flight.record, c.samples - 1).up == kEndMarker;
    return t;
}

FlightStats ComputeStats(const Flight& flight, const FilterSettings& filter,
                         std::vector<std::int32_t>* cleanedOut) {
    const FlightCurve& c = flight.curve;
    StatsTables t = FlightTables(flight);
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
