#include "analysis/comparison.h"
#include "analysis/filter_chain.h"
#include "analysis/flight_stats.h"
#include "analysis/temperature_entry.h"
#include "core/decode.h"
#include "core/flight.h"
#include "core/format.h"
#include "tools/synth/flight_synth.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>

namespace orlomat {
namespace {

std::vector<std::int32_t> WithEnd(std::vector<std::int32_t> v) {
    v.push_back(kTableEndMark);
    return v;
}

TEST(FilterWindow, AheadOfEachWidth) {
    const std::pair<int, int> rows[] = {{4, 6}, {8, 11}, {12, 16}, {13, 17}, {20, 26}, {30, 39}};
    for (const auto& [w, h] : rows)
        EXPECT_EQ(WindowAhead(w), h) << w;
}

TEST(FilterAverages, WindowsAtTheDocumentedPlaces) {
    FilterWork w;
    std::vector<std::int32_t> table(300);
    std::mt19937 rng(5);
    for (auto& v : table)
        v = static_cast<std::int32_t>(rng() % 100000) - 20000;
    LoadSource(w, WithEnd(table));
    w.cleaned = w.source;
    PrefilterAverage(w, 8);
    const std::int64_t sum19 =
        std::accumulate(table.begin() + 92, table.begin() + 111, std::int64_t{0});
    EXPECT_EQ(w.firstAverage[100], static_cast<std::int32_t>(sum19 / 19));
    EXPECT_EQ(w.firstAverage[7], table[7]); // below the width: the cleaned value
    EXPECT_EQ(w.firstAverage[300], kTableEndMark);
    // At the end the window stops at the end value.
    const std::int64_t tail = std::accumulate(table.begin() + 291, table.end(), std::int64_t{0});
    EXPECT_EQ(w.firstAverage[299], static_cast<std::int32_t>(tail / 9));

    FinalFilterAverage(w, 12);
    EXPECT_EQ(w.reference[41], w.firstAverage[41]);
    EXPECT_EQ(w.reference[42], (w.firstAverage[41] + w.firstAverage[42]) / 2);
    // One step later the window is i-2 .. i+1.
    EXPECT_EQ(w.reference[43],
              (w.firstAverage[41] + w.firstAverage[42] + w.firstAverage[43] + w.firstAverage[44]) /
                  4);
    // Fully widened: i-12 .. i+15.
    const std::int64_t full =
        std::accumulate(w.firstAverage.begin() + 88, w.firstAverage.begin() + 116, std::int64_t{0});
    EXPECT_EQ(w.reference[100], static_cast<std::int32_t>(full / 28));
}

TEST(FilterAverages, ShortFlightsKeepTheirValues) {
    FilterWork w;
    // Stale values from an earlier, longer run must not be read past the end value.
    LoadSource(w, WithEnd(std::vector<std::int32_t>(200, 999999)));
    w.cleaned = w.source;
    PrefilterAverage(w, 8);
    LoadSource(w, WithEnd({1, 2, 3, 4, 5}));
    w.cleaned = w.source;
    PrefilterAverage(w, 8);
    FinalFilterAverage(w, 12);
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(w.firstAverage[static_cast<std::size_t>(k)], k + 1);
        EXPECT_EQ(w.reference[static_cast<std::size_t>(k)], k + 1);
    }
    EXPECT_EQ(w.firstAverage[5], kTableEndMark);
}

// A climb of 50 cm a sample with a two-sample spike of +100 m.
std::vector<std::int32_t> ClimbWithSpike() {
    std::vector<std::int32_t> t;
    for (int k = 0; k < 400; ++k)
        t.push_back(50 * k);
    t[200] += 10000;
    t[201] += 10000;
    return t;
}

TEST(FilterChain, TwoSampleSpikeOnAClimbIsRemoved) {
    FilterWork w;
    const auto raw = ClimbWithSpike();
    const FilteredFlight f =
        FilterFlight(WithEnd(raw), WhichFlight::Current, 1000, 100, FilterSettings{}, w);
    ASSERT_TRUE(f.filtered);
    ASSERT_EQ(f.cleaned.size(), raw.size());
    EXPECT_EQ(f.source, raw); // the dashed curve keeps the spike
    // The two samples lie on the straight line between their neighbours.
    const std::int32_t a = f.cleaned[199], b = f.cleaned[202];
    EXPECT_EQ(f.cleaned[200], a + (10 * (b - a) / 3) / 10);
    EXPECT_EQ(f.cleaned[201], a + (2 * (10 * (b - a) / 3)) / 10);
    EXPECT_LT(f.cleaned[200], 50 * 200 + 500);
    EXPECT_EQ(f.maximum, *std::max_element(f.cleaned.begin(), f.cleaned.end()));
    EXPECT_EQ(f.labels[100], "10");
    EXPECT_EQ(f.labels[101], "");
    // The last sample is never changed by a final-cut pass.
    EXPECT_EQ(f.cleaned.back(), raw.back());
}

TEST(FilterChain, TwiceGivesTheSameCurve) {
    FilterWork w;
    SynthParams p;
    p.samplingCode = 0;
    p.glideSeconds = 200.0f;
    const auto rec = SynthesizeFlight(p);
    DecodingState st;
    ApplyHeaderToState(InterpretFlightHeader(rec, FlightSource::File), st);
    const FlightCurve c = DecodeFlight(rec, st, true, RecordWordCount(rec.size()));
    const FilteredFlight a = FilterFlight(c.altitudes, WhichFlight::Current, 5000, 200, {}, w);
    const FilteredFlight b = FilterFlight(c.altitudes, WhichFlight::Current, 5000, 200, {}, w);
    EXPECT_EQ(a.cleaned, b.cleaned);
    EXPECT_EQ(a.cleaned.size(), c.altitudePoints.size());
    // The synthesiser's spike is gone: no sample of the cleaned curve jumps by 5 m.
    for (std::size_t k = 1; k < a.cleaned.size(); ++k)
        EXPECT_LT(std::abs(a.cleaned[k] - a.cleaned[k - 1]), 500) << k;
}

TEST(FilterFlight, TooShortRulesDifferForTheTwoFlights) {
    FilterWork w;
    const auto table = WithEnd({100, 200, 300});
    EXPECT_FALSE(FilterFlight(table, WhichFlight::Current, 30, 100, {}, w).filtered); // 15 samples
    EXPECT_TRUE(FilterFlight(table, WhichFlight::Current, 32, 100, {}, w).filtered);
    EXPECT_TRUE(FilterFlight(table, WhichFlight::Comparison, 32, 100, {}, w).filtered); // 8 samples
    EXPECT_FALSE(FilterFlight(table, WhichFlight::Comparison, 28, 100, {}, w).filtered);
    const FilteredFlight cmp = FilterFlight(table, WhichFlight::Comparison, 32, 100, {}, w);
    EXPECT_EQ(cmp.labels, std::vector<std::string>(3));
}

TEST(FilterFlight, MaximumFromZeroAndMinimumFrom5000) {
    FilterWork w;
    const FilteredFlight high = FilterFlight(WithEnd(std::vector<std::int32_t>(60, 7000)),
                                             WhichFlight::Comparison, 400, 1, {}, w);
    EXPECT_EQ(FormatCentimetres(high.minimum), "50.0");
    EXPECT_EQ(high.maximum, 7000);
    const FilteredFlight low = FilterFlight(WithEnd(std::vector<std::int32_t>(60, -300)),
                                            WhichFlight::Comparison, 400, 1, {}, w);
    EXPECT_EQ(FormatCentimetres(low.maximum), "0.0");
    EXPECT_EQ(FormatCentimetres(low.minimum), "-3.0");
}

TEST(FilterFlight, InvalidSettingsNeverReachTheChain) {
    FilterWork w;
    const auto table = WithEnd(std::vector<std::int32_t>(100, 5));
    for (const FilterSettings s :
         {FilterSettings{350, 250, 0, 12}, FilterSettings{350, 250, 8, 101},
          FilterSettings{350, -1, 8, 12}, FilterSettings{-5, 250, 8, 12}}) {
        EXPECT_FALSE(s.valid());
        EXPECT_FALSE(FilterFlight(table, WhichFlight::Current, 400, 100, s, w).filtered);
    }
    EXPECT_TRUE((FilterSettings{0, 0, 1, 100}).valid());
}

TEST(FormatCentimetres, ExactHalfAwayFromZero) {
    EXPECT_EQ(FormatCentimetres(12345), "123.5");
    EXPECT_EQ(FormatCentimetres(-12345), "-123.5");
    EXPECT_EQ(FormatCentimetres(-4), "0.0");
    EXPECT_EQ(FormatCentimetres(-5), "-0.1");
    EXPECT_EQ(FormatCentimetres(std::numeric_limits<std::int32_t>::min(), ','), "-21474836,5");
}

TEST(Comparison, DrawsWithoutLabelsAndReportsOnlyChanges) {
    SynthParams p;
    const auto rec = SynthesizeFlight(p);
    DecodingState a, b;
    ApplyHeaderToState(InterpretFlightHeader(rec, FlightSource::File), a);
    b = a;
    const FlightCurve current = DecodeFlight(rec, a, true, RecordWordCount(rec.size()));
    const ComparisonCurve cmp =
        DecodeComparison(rec, b, static_cast<std::uint32_t>(rec.size() - kHeaderSize));
    // The same file as both flights: the same curve and the same maximum.
    ASSERT_EQ(cmp.altitudePoints.size(), current.altitudePoints.size());
    for (std::size_t i = 0; i < cmp.altitudePoints.size(); ++i)
        EXPECT_EQ(cmp.altitudePoints[i], current.altitudePoints[i].y);
    EXPECT_EQ(cmp.maximum, current.maximum);
    EXPECT_EQ(cmp.maxText, FormatOneDecimal(current.maximum));
    EXPECT_EQ(cmp.leftAxisCandidate, current.leftAxisMaximum);
    EXPECT_EQ(cmp.altitudes.back(), kTableEndMark);
    EXPECT_EQ(cmp.altitudes.size(), cmp.altitudePoints.size() + 1);
}

TEST(Comparison, LowFlightsLeaveTheFieldsAlone) {
    // Never above 0 m: no maximum text; never above 10 m: no minimum text.
    std::vector<Sample> s(30, Sample{27898, 33000});
    for (auto& x : s)
        x.up = 33010; // higher pressure: below the ground
    s[0].up = 33000;
    const auto rec = BuildRecord(DatasheetCalibration(), 2, 27898, s);
    DecodingState st;
    ApplyHeaderToState(InterpretFlightHeader(rec, FlightSource::File), st);
    const ComparisonCurve c =
        DecodeComparison(rec, st, static_cast<std::uint32_t>(rec.size() - kHeaderSize));
    EXPECT_FALSE(c.maxText);
    EXPECT_FALSE(c.minText);
    EXPECT_EQ(c.minimum, 65535.0f);
    EXPECT_EQ(c.altitudePoints.size(), 25u);
}

TEST(Comparison, ShortRecordsDrawNothing) {
    const auto rec =
        BuildRecord(DatasheetCalibration(), 2, 27898, std::vector<Sample>(5, Sample{27898, 33000}));
    DecodingState st;
    const ComparisonCurve c = DecodeComparison(rec, st, 20);
    EXPECT_TRUE(c.altitudePoints.empty());
    EXPECT_EQ(c.altitudes, std::vector<std::int32_t>{kTableEndMark});
}

// Rates in samples per 10 seconds, as the header's sampling table gives them.
TEST(Comparison, PointsStandAtTheirOwnTimeOnTheCurrentFlightsAxis) {
    const struct {
        std::size_t index;
        std::uint32_t comparisonRate, axisRate;
        double position;
        const char* fault;
    } cases[] = {
        {0, 100, 150, 0.0, "the first samples of both flights no longer meet"},
        {108, 100, 150, 162.0, "a 10/s flight on a 15/s axis drawn by sample position"},
        {162, 150, 100, 108.0, "a 15/s flight on a 10/s axis drawn by sample position"},
        {7, 100, 150, 10.5, "a point between two axis samples rounded to one"},
        {1, 5, 200, 40.0, "one sample every 2 s on a 20/s axis"},
        {16999, 5, 200, 679960.0, "the longest record at the widest ratio loses exactness"},
        {123, 150, 150, 123.0, "equal rates move the points"},
        {16999, 200, 200, 16999.0, "equal rates move the last point"},
        {42, 0, 150, 42.0, "a rate of 0 divides by zero"},
        {42, 150, 0, 42.0, "no axis rate puts every point at 0"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ComparisonPosition(c.index, c.comparisonRate, c.axisRate), c.position) << c.fault;
}

TEST(Comparison, AFlightAtAnotherRatePeaksAtTheSameSecond) {
    // One flight recorded twice, at 15 and at 10 samples per second: drawn on the 15/s axis,
    // both maxima stand at the same second (about 11 s), not at two thirds of it.
    SynthParams p;
    p.spike = false;
    p.samplingCode = 1;
    const auto fast = SynthesizeFlight(p);
    p.samplingCode = 2;
    const auto slow = SynthesizeFlight(p);
    const Flight current = DecodeRecord(fast, FlightSource::File);
    const ComparisonFlight cmp = DecodeComparisonRecord(slow);
    ASSERT_EQ(current.state.samplingRate, 150u);
    ASSERT_EQ(cmp.curve.samplingRate, 100u);
    const auto peakOf = [](const std::vector<float>& ys) {
        return static_cast<std::size_t>(std::max_element(ys.begin(), ys.end()) - ys.begin());
    };
    std::vector<float> currentYs;
    for (const ChartPoint& pt : current.curve.altitudePoints)
        currentYs.push_back(pt.y);
    const double currentPeak = static_cast<double>(peakOf(currentYs));
    const double comparisonPeak = ComparisonPosition(peakOf(cmp.curve.altitudePoints), 100, 150);
    EXPECT_NEAR(comparisonPeak, currentPeak, 3.0); // within 0.2 s
    EXPECT_NEAR(comparisonPeak / 15.0, 11.0, 0.5);
}

TEST(TemperatureEntry, KeyFilter) {
    EXPECT_TRUE(TemperatureKeyPasses(U'1', 0));
    EXPECT_TRUE(TemperatureKeyPasses(U'9', 2));
    EXPECT_FALSE(TemperatureKeyPasses(U'4', 3)); // 1, 2, 3 typed: the fourth digit is dropped
    EXPECT_TRUE(TemperatureKeyPasses(U'-', 3));
    EXPECT_TRUE(TemperatureKeyPasses(13, 10));
    EXPECT_TRUE(TemperatureKeyPasses(8, 10));
    EXPECT_FALSE(TemperatureKeyPasses(U'.', 0));
    EXPECT_FALSE(TemperatureKeyPasses(U',', 0));
    EXPECT_FALSE(TemperatureKeyPasses(U'a', 0));
}

TEST(TemperatureEntry, TextToTemperature) {
    EXPECT_EQ(ParseTemperatureEntry("-5"), -5);
    EXPECT_EQ(ParseTemperatureEntry("123"), 123);
    EXPECT_EQ(ParseTemperatureEntry("+7"), 7);
    for (const char* bad : {"", "-", "5-", "1.5", "abc", "+-5", "99999999999"})
        EXPECT_EQ(ParseTemperatureEntry(bad), kWrongTemperature) << bad;
    EXPECT_EQ(ParseTemperatureEntry("65535"), kWrongTemperature); // taken as wrong too
}

// The two cut passes as written, restart by restart, to check the passes that skip restarts.
void NaivePreCut(std::vector<std::int32_t>& c, std::size_t end, std::int64_t preCut) {
    std::size_t j = 0, i = 1;
    std::int64_t t = 0, s = preCut;
    while (i < end) {
        t += s;
        if (std::llabs(std::int64_t{c[i]} - c[j]) < t) {
            s = preCut;
            if (i != j + 1) {
                const std::int32_t d = (c[i] - c[j]) / static_cast<std::int32_t>(i - j);
                for (std::size_t m = j + 1; m <= i; ++m)
                    c[m] = c[m - 1] + d;
            }
            j = i;
            ++i;
            t = 0;
        } else {
            if (i - j > 20) {
                i = j;
                s += 30;
                t = 0;
            }
            ++i;
        }
    }
}

void NaiveFinalCut(std::vector<std::int32_t>& c, const std::vector<std::int32_t>& ref,
                   std::size_t end, std::int64_t tolerance) {
    std::size_t j = 0, i = 1;
    std::int64_t band = tolerance, a = 0;
    while (i + 1 < end) {
        a += 5 * (std::int64_t{ref[i + 1]} - ref[i - 1]);
        const std::int64_t q = std::llabs(a) / 10;
        if (c[i] < ref[i] - q - band || c[i] > ref[i] + q + band) {
            if (i - j > 45) {
                i = j;
                ++band;
            }
            ++i;
            continue;
        }
        band = tolerance;
        if (i != j + 1) {
            const std::int64_t e =
                10 * (std::int64_t{c[i]} - c[j]) / static_cast<std::int64_t>(i - j);
            const std::int32_t base = c[j];
            for (std::size_t m = 1; m <= i - j; ++m)
                c[j + m] = static_cast<std::int32_t>(base + static_cast<std::int64_t>(m) * e / 10);
        }
        j = i;
        ++i;
        a = 0;
    }
}

TEST(FilterChain, SkippingRestartsChangesNothing) {
    std::mt19937 rng(11);
    for (int round = 0; round < 300; ++round) {
        const std::size_t n = 60 + rng() % 400;
        std::vector<std::int32_t> table(n);
        std::int32_t h = 0;
        for (auto& v : table) {
            h += static_cast<std::int32_t>(rng() % 200) - 100;
            v = h;
        }
        // Far outliers and blocks of them force restarts, some of them many.
        for (int k = 0; k < 8; ++k) {
            const std::size_t at = rng() % n;
            const std::size_t len = 1 + rng() % 60;
            const std::int32_t jump = static_cast<std::int32_t>(rng() % 40000) - 20000;
            for (std::size_t q = at; q < std::min(n, at + len); ++q)
                table[q] += jump;
        }
        const std::int32_t preCut = static_cast<std::int32_t>(rng() % 400);
        const std::int32_t tolerance = static_cast<std::int32_t>(rng() % 300);

        FilterWork w;
        LoadSource(w, WithEnd(table));
        PreCutPass(w, preCut);
        std::vector<std::int32_t> naive = w.source;
        NaivePreCut(naive, w.end, preCut);
        ASSERT_TRUE(std::equal(naive.begin(), naive.begin() + static_cast<std::ptrdiff_t>(w.end),
                               w.cleaned.begin()))
            << round;

        PrefilterAverage(w, 1 + static_cast<std::int32_t>(rng() % 20));
        FinalFilterAverage(w, 1 + static_cast<std::int32_t>(rng() % 30));
        FinalCutPass(w, tolerance);
        naive = w.source;
        NaiveFinalCut(naive, w.reference, w.end, tolerance);
        ASSERT_TRUE(std::equal(naive.begin(), naive.begin() + static_cast<std::ptrdiff_t>(w.end),
                               w.cleaned.begin()))
            << round;
    }
}

TEST(FilterChain, DamagedRecordsFinishQuickly) {
    // Samples of a damaged record decode to the extremes of the integer range.
    std::vector<std::int32_t> table(8000, 0);
    for (std::size_t k = 0; k < table.size(); k += 97)
        table[k] = std::numeric_limits<std::int32_t>::min();
    for (std::size_t k = 50; k < table.size(); k += 131)
        table[k] = 2147483000;
    FilterWork w;
    const FilteredFlight f = FilterFlight(WithEnd(table), WhichFlight::Current, 20000, 100, {}, w);
    EXPECT_TRUE(f.filtered); // and it got here: the restarts are not run one by one
}

} // namespace
} // namespace orlomat
