#include "core/decode.h"
#include "core/flight.h"
#include "core/format.h"
#include "core/sensor.h"
#include "tools/synth/flight_synth.h"

#include <gtest/gtest.h>

#include <random>

namespace orlomat {
namespace {

constexpr std::uint16_t kUt = 27898; // 15.0 degrees with the datasheet coefficients

// Raw samples that sit at the given altitudes (metres) over the first one.
std::vector<Sample> SamplesAt(const std::vector<float>& metres) {
    const Calibration cal = DatasheetCalibration();
    std::vector<Sample> s;
    for (const float h : metres) {
        const double pa = 100000.0 * std::exp(-h / (288.16 * 29.271767));
        s.push_back({kUt, RawPressureFor(cal, kUt, static_cast<std::int32_t>(std::lround(pa)))});
    }
    return s;
}

struct Decoded {
    DecodingState state;
    FlightCurve curve;
};

Decoded Decode(const std::vector<std::uint8_t>& rec, bool showSpeed = true,
               FlightSource source = FlightSource::File) {
    Decoded d;
    ApplyHeaderToState(InterpretFlightHeader(rec, source), d.state);
    d.curve = DecodeFlight(rec, d.state, showSpeed, RecordWordCount(rec.size()));
    return d;
}

TEST(DecodeFlight, EightSamplesChartThreePointsAndOneSpeedPoint) {
    const auto rec =
        BuildRecord(DatasheetCalibration(), 2, kUt, SamplesAt({0, 0, 1, 2, 3, 4, 5, 6}));
    ASSERT_EQ(rec.size(), 64u);
    const Decoded d = Decode(rec);
    EXPECT_EQ(d.curve.samples, 8u);
    ASSERT_EQ(d.curve.altitudePoints.size(), 3u);
    ASSERT_EQ(d.curve.speedPoints.size(), 1u);
    EXPECT_EQ(d.curve.speedPoints[0], 0.0f);
    EXPECT_EQ(d.curve.smoothedCount, 5u);
    ASSERT_EQ(d.curve.altitudes.size(), 4u);
    EXPECT_EQ(d.curve.altitudes[3], kTableEndMark);
}

TEST(DecodeFlight, FlightNeverAboveTenMetresKeepsMinimumAt10000) {
    const auto rec = BuildRecord(DatasheetCalibration(), 2, kUt,
                                 SamplesAt({0, 0, 2, 4, 6, 8, 9, 8, 6, 4, 2, 0, 0, 0}));
    const Decoded d = Decode(rec);
    EXPECT_LT(d.curve.maximum, 10.0f);
    EXPECT_EQ(FormatOneDecimal(d.curve.minimum), "10000.0");
}

TEST(DecodeFlight, FiveOrFewerSamplesChartNothing) {
    for (std::size_t n = 0; n <= 5; ++n) {
        std::vector<float> h(n, 0.0f);
        const auto rec = BuildRecord(DatasheetCalibration(), 2, kUt, SamplesAt(h));
        const Decoded d = Decode(rec);
        EXPECT_TRUE(d.curve.altitudePoints.empty()) << n;
        EXPECT_TRUE(d.curve.speedPoints.empty()) << n;
        EXPECT_EQ(FormatOneDecimal(d.curve.maximum), "0.0") << n;
        EXPECT_EQ(FormatOneDecimal(d.curve.minimum), "10000.0") << n;
        EXPECT_EQ(d.curve.leftAxisMaximum, 0) << n;
        ASSERT_EQ(d.curve.altitudes.size(), 1u);
        EXPECT_EQ(d.curve.altitudes[0], kTableEndMark);
        EXPECT_EQ(d.curve.smoothedCount, n >= 3 ? n - 3 : 0u) << n;
    }
}

TEST(DecodeFlight, EmptyRecordHasZeroReferencePressure) {
    const auto rec = BuildRecord(DatasheetCalibration(), 2, kUt, {});
    const Decoded d = Decode(rec);
    EXPECT_EQ(d.state.referencePressure, 0.0f);
    EXPECT_EQ(d.curve.samples, 0u);
}

TEST(DecodeFlight, SpeedFlagOnlyDropsTheSpeedCurve) {
    const auto rec = SynthesizeFlight({});
    const Decoded with = Decode(rec, true);
    const Decoded without = Decode(rec, false);
    EXPECT_TRUE(without.curve.speedPoints.empty());
    EXPECT_EQ(with.curve.speedPoints.size(), with.curve.altitudePoints.size() - 2);
    ASSERT_EQ(with.curve.altitudePoints.size(), without.curve.altitudePoints.size());
    for (std::size_t i = 0; i < with.curve.altitudePoints.size(); ++i) {
        EXPECT_EQ(with.curve.altitudePoints[i].y, without.curve.altitudePoints[i].y);
        EXPECT_EQ(with.curve.altitudePoints[i].label, without.curve.altitudePoints[i].label);
    }
}

// The one road from bytes to a flight: the header read (sampling code from the low four
// bits, the rate from the source's column), the state filled from it, and the same curve the
// decoding gives for that state.
TEST(DecodeRecord, ReadsTheHeaderFillsTheStateAndDecodes) {
    auto rec = BuildRecord(DatasheetCalibration(), 7, kUt,
                           SamplesAt({0, 0, 0, 5, 10, 20, 30, 20, 10, 5, 0, 0, 0, 0}));
    rec[7] = 0x37; // high bits of the sampling byte are not part of the code
    const Flight f = DecodeRecord(rec, FlightSource::File);
    EXPECT_EQ(f.record, rec);
    EXPECT_EQ(f.source, FlightSource::File);
    EXPECT_EQ(f.header.header.competitor, 12);
    EXPECT_EQ(f.header.header.serial, 345);
    EXPECT_EQ(f.header.samplingCode, 7u);
    EXPECT_EQ(f.header.samplingRate, 1u);
    EXPECT_EQ(f.header.temperature, 12); // 15 degrees after the 0.81 rule
    EXPECT_EQ(f.state.calibration, DatasheetCalibration());
    EXPECT_EQ(f.state.temperatureByte, 12);
    EXPECT_EQ(f.state.flightTemperature, 12.0f);
    EXPECT_EQ(f.state.samplingRate, 1u);

    DecodingState st;
    st.calibration = DatasheetCalibration();
    st.flightTemperature = 12.0f;
    st.samplingRate = 1;
    const FlightCurve c = DecodeFlight(rec, st, true, RecordWordCount(rec.size()));
    EXPECT_EQ(f.curve.altitudes, c.altitudes);
    EXPECT_EQ(f.curve.speedPoints, c.speedPoints);
    EXPECT_EQ(f.curve.maximum, c.maximum);
    EXPECT_GT(f.curve.maximum, 20.0f);
    ASSERT_EQ(f.curve.altitudePoints.size(), c.altitudePoints.size());
    EXPECT_EQ(f.curve.altitudePoints[1].label, "10"); // one sample in ten seconds
    EXPECT_EQ(f.state.referencePressure, st.referencePressure);

    // A download reads the other column of the rate table for codes 6 to 15.
    EXPECT_EQ(DecodeRecord(rec, FlightSource::Download).state.samplingRate, 10u);
}

// The options: a temperature in place of the header's (warmer air, higher altitudes), no
// speed curve, no chart points; and decoding again with a changed state matches.
TEST(DecodeRecord, OptionsChangeOnlyWhatTheySay) {
    const auto rec = SynthesizeFlight({});
    const Flight plain = DecodeRecord(rec, FlightSource::File);
    const Flight warm = DecodeRecord(rec, FlightSource::File, {.temperature = 35.0f});
    EXPECT_EQ(warm.state.flightTemperature, 35.0f);
    EXPECT_EQ(warm.state.temperatureByte, plain.state.temperatureByte);
    EXPECT_GT(warm.curve.maximum, plain.curve.maximum);

    const Flight noSpeed = DecodeRecord(rec, FlightSource::File, {.showSpeed = false});
    EXPECT_TRUE(noSpeed.curve.speedPoints.empty());
    EXPECT_EQ(noSpeed.curve.altitudes, plain.curve.altitudes);
    const Flight figures = DecodeRecord(rec, FlightSource::File, {.chartPoints = false});
    EXPECT_TRUE(figures.curve.altitudePoints.empty());
    EXPECT_EQ(figures.curve.maximum, plain.curve.maximum);
    EXPECT_EQ(figures.curve.altitudes, plain.curve.altitudes);

    Flight again = plain;
    again.state.flightTemperature = 35.0f;
    DecodeAgain(again, true);
    EXPECT_EQ(again.curve.altitudes, warm.curve.altitudes);
    EXPECT_EQ(again.curve.speedPoints, warm.curve.speedPoints);
}

// Fewer bytes than a header: no samples, and nothing read past the end.
TEST(DecodeRecord, ShortRecordDecodesToNothing) {
    const Flight f = DecodeRecord({0x01, 0x02, 0x03}, FlightSource::Download);
    EXPECT_TRUE(f.present());
    EXPECT_EQ(f.curve.samples, 0u);
    EXPECT_EQ(f.header.header.competitor, 0x0302);
    EXPECT_TRUE(f.curve.altitudePoints.empty());
}

TEST(DecodeFlight, ReferencePressureAveragesGroundSamplesNearTheFirst) {
    // Words within 4 of sample 0 count; the sixth sample (7 words off) does not.
    const Calibration cal = DatasheetCalibration();
    std::vector<Sample> s;
    for (int d : {0, 1, -2, 4, -4, 7, 3, 0, 0, 0, 0, 0})
        s.push_back({kUt, static_cast<std::uint16_t>(33000 + d)});
    const auto rec = BuildRecord(cal, 2, kUt, s);
    const Decoded d = Decode(rec);
    float sum = 0.0f;
    int count = 0;
    for (std::size_t k = 0; k < 10; ++k) {
        if (k == 5) continue;
        sum += static_cast<float>(CompensatePressure(cal, kUt, s[k].up)) * 0.01f;
        ++count;
    }
    EXPECT_EQ(d.state.referencePressure, sum / static_cast<float>(count));
}

TEST(DecodeFlight, AltitudesFollowTheFlightAndLabelsMarkWholeSeconds) {
    SynthParams p;
    p.samplingCode = 0; // 20 per second
    p.spike = false;
    p.noiseWords = 0;
    const auto rec = SynthesizeFlight(p);
    const Decoded d = Decode(rec);
    // The header shows 20 degrees as 16 (the 0.81 rule), so altitudes come out lower.
    EXPECT_EQ(d.state.flightTemperature, 16.0f);
    EXPECT_NEAR(d.curve.maximum, p.peakAltitude * 289.16f / 293.16f, 0.5f);
    EXPECT_NEAR(d.curve.minimum, 0.0f, 0.5f);
    EXPECT_EQ(d.curve.leftAxisMaximum,
              static_cast<std::int32_t>(d.curve.maximum + d.curve.maximum / 30.0f));
    EXPECT_EQ(d.curve.minorTickCount, 19);
    for (std::size_t i = 0; i < d.curve.altitudePoints.size(); ++i)
        EXPECT_EQ(d.curve.altitudePoints[i].label, i % 20 == 0 ? std::to_string(i / 20) : "") << i;
}

TEST(PointLabel, EveryRateLabelsWholeSeconds) {
    EXPECT_EQ(PointLabel(0, 200), "0");
    EXPECT_EQ(PointLabel(40, 200), "2");
    EXPECT_EQ(PointLabel(41, 200), "");
    EXPECT_EQ(PointLabel(15, 150), "1");
    EXPECT_EQ(PointLabel(14, 150), "");
    EXPECT_EQ(PointLabel(3, 10), "3");
    EXPECT_EQ(PointLabel(3, 5), "6"); // one sample every 2 seconds
    EXPECT_EQ(PointLabel(7, 2), "35");
    EXPECT_EQ(PointLabel(7, 1), "70");
    EXPECT_EQ(MinorTickCount(200), 19);
    EXPECT_EQ(MinorTickCount(150), 14);
    EXPECT_EQ(MinorTickCount(100), 9);
    EXPECT_EQ(MinorTickCount(50), 4);
    EXPECT_EQ(MinorTickCount(10), 0);
    EXPECT_EQ(MinorTickCount(5), 0);
}

TEST(SmoothAltitudes, WorkedExampleAndSpeeds) {
    // Entry 9 already smoothed to 100: (100 + 130 + 160) / 3 = 130, speed 9 = 30.
    // Entries 0..8 of 70 cm smooth entry 8 to 77, so raw 93 at entry 9 smooths to 100.
    std::vector<std::int32_t> alt(13, 70);
    alt[9] = 93;
    alt[10] = 130;
    alt[11] = 160;
    alt[12] = 190;
    const auto speed = SmoothAltitudes(alt);
    EXPECT_EQ(alt[9], 100);
    EXPECT_EQ(alt[10], 130);
    EXPECT_EQ(speed[9], 30);
    EXPECT_EQ(speed.size(), 11u);
}

TEST(VerticalSpeed, SteadyClimbSettlesOneCentimetreBelowTheStep) {
    // A climb of 50 cm a sample, smoothed like the altitude table.
    std::vector<std::int32_t> alt(40);
    for (std::size_t k = 0; k < alt.size(); ++k)
        alt[k] = static_cast<std::int32_t>(50 * k);
    std::vector<std::int32_t> speed = SmoothAltitudes(alt);
    const std::vector<float> v = VerticalSpeedPoints(speed, alt.size() - 5);
    const float expected[] = {0.0f,  0.5f,  0.37f, 0.46f, 0.45f, 0.47f,
                              0.48f, 0.48f, 0.49f, 0.49f, 0.49f};
    ASSERT_EQ(v.size(), alt.size() - 7); // n - 7 points
    for (std::size_t i = 0; i < std::size(expected); ++i)
        EXPECT_FLOAT_EQ(v[i], expected[i]) << i;
    EXPECT_FLOAT_EQ(v.back(), 0.49f);
}

TEST(SmoothAltitudes, TruncatesTowardZero) {
    std::vector<std::int32_t> alt = {-1, -1, 0};
    SmoothAltitudes(alt);
    EXPECT_EQ(alt[1], 0); // -2 / 3 truncates to 0, not -1
}

TEST(DecodeFlight, SamplesAfterTheEndMarkerAreIgnored) {
    // A marker at sample 20 of a longer record: the decoding stops there, whatever follows.
    auto s = SamplesAt(std::vector<float>(40, 0.0f));
    s[20].up = kEndMarker;
    auto rec = BuildRecord(DatasheetCalibration(), 2, kUt, s);
    const Decoded first = Decode(rec);
    EXPECT_EQ(first.curve.samples, 21u);
    EXPECT_EQ(first.curve.altitudePoints.size(), 16u);
    EXPECT_EQ(first.curve.smoothedCount, 18u);
    for (std::size_t i = kHeaderSize + 21 * kSampleSize; i < rec.size(); ++i)
        rec[i] = 0x5A;
    const Decoded second = Decode(rec);
    EXPECT_EQ(second.curve.altitudes, first.curve.altitudes);
}

TEST(DecodeFlight, WordCountBeyondTheRecordIsBounded) {
    const auto rec = BuildRecord(DatasheetCalibration(), 2, kUt, SamplesAt({0, 0, 0, 0, 0, 0, 0}));
    DecodingState state;
    ApplyHeaderToState(InterpretFlightHeader(rec, FlightSource::File), state);
    const FlightCurve c = DecodeFlight(rec, state, true, 0xFFFFFFFFu);
    EXPECT_EQ(c.samples, 7u);
}

TEST(DecodeFlight, ArbitraryBytesNeverCrash) {
    std::mt19937 rng(7);
    for (int round = 0; round < 300; ++round) {
        std::vector<std::uint8_t> rec(rng() % 600);
        for (auto& b : rec)
            b = static_cast<std::uint8_t>(rng());
        DecodingState state;
        ApplyHeaderToState(InterpretFlightHeader(rec, FlightSource::Download), state);
        if (round % 3 == 0) state.flightTemperature = -273.16f;
        const FlightCurve c = DecodeFlight(rec, state, true, RecordWordCount(rec.size()));
        ASSERT_EQ(c.altitudes.back(), kTableEndMark);
        ASSERT_LE(c.samples, SampleCount(rec.size()));
    }
}

TEST(DecodeFlight, FullRecordUsesEverySample) {
    SynthParams p;
    p.samplingCode = 0;
    p.glideSeconds = 1000.0f; // longer than a record holds
    const auto rec = SynthesizeFlight(p);
    ASSERT_EQ(rec.size(), kMaxRecordSize);
    const Decoded d = Decode(rec);
    EXPECT_EQ(d.curve.samples, 8242u);
    EXPECT_EQ(d.curve.altitudePoints.size(), 8237u);
}

} // namespace
} // namespace orlomat
