#include "core/arith.h"
#include "core/decode.h"
#include "core/sensor.h"
#include "tools/synth/flight_synth.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>

namespace orlomat {
namespace {

constexpr std::int32_t kIntMin = std::numeric_limits<std::int32_t>::min();

TEST(Arithmetic, WrapsInsteadOfOverflowing) {
    EXPECT_EQ(WrapMul(65536, 65536), 0);
    EXPECT_EQ(WrapMul(-7357, 300000), 2087867296);
    EXPECT_EQ(WrapAdd(2147483647, 1), kIntMin);
    EXPECT_EQ(WrapSub(kIntMin, 1), 2147483647);
    EXPECT_EQ(TruncDiv(kIntMin, -1), kIntMin); // would trap as a plain division
    EXPECT_EQ(TruncDiv(-7, 2), -3);            // toward zero, not down like a shift
}

TEST(Arithmetic, FloatToIntTruncatesAndMapsTheUnrepresentableToIntMin) {
    EXPECT_EQ(TruncToInt32(-2.9), -2);
    EXPECT_EQ(TruncToInt32(2147483647.9), 2147483647);
    EXPECT_EQ(TruncToInt32(2147483648.0), kIntMin);
    EXPECT_EQ(TruncToInt32(std::numeric_limits<double>::infinity()), kIntMin);
    EXPECT_EQ(TruncToInt32(-std::numeric_limits<float>::infinity()), kIntMin);
    EXPECT_EQ(TruncToInt32(std::numeric_limits<double>::quiet_NaN()), kIntMin);
}

TEST(CompensatePressure, DatasheetExampleWithTheAltimetersRounding) {
    const auto s = CompensatePressureSteps(DatasheetCalibration(), 27898, 23843);
    EXPECT_EQ(s.B5, 2400); // the datasheet, rounding down, has 2399
    EXPECT_EQ(s.B3, 422);
    EXPECT_EQ(s.B4, 33457u);
    EXPECT_EQ(s.B7, 1171050000u);
    EXPECT_EQ(s.pBeforeCorrection, 70003);
    EXPECT_EQ(s.pressure, 69966); // the datasheet has 69964
    EXPECT_EQ(CompensatePressure(DatasheetCalibration(), 27898, 23843), 69966);
}

TEST(CompensatePressure, ZeroDivisorsGiveZeroInsteadOfTrapping) {
    EXPECT_EQ(CompensatePressure(Calibration{}, 0, 0), 0); // X1 + MD = 0
    EXPECT_EQ(CompensatePressure(Calibration{}, 27898, 23843), 0);
    Calibration c = DatasheetCalibration();
    c.AC4 = 0; // B4 = 0
    EXPECT_EQ(CompensatePressure(c, 27898, 23843), 0);
}

TEST(CompensatePressure, GrowsWithTheRawPressureWord) {
    // The synthesiser inverts the compensation by bisection; it relies on this.
    const Calibration cal = DatasheetCalibration();
    std::int32_t last = CompensatePressure(cal, 27898, 10000);
    for (std::uint16_t up = 10001; up < 50000; ++up) {
        const std::int32_t p = CompensatePressure(cal, 27898, up);
        ASSERT_GE(p, last) << up;
        last = p;
    }
}

TEST(PressureToAltitude, WorkedExample) {
    EXPECT_NEAR(PressureToAltitude(1000.0f, 1013.25f, 20.0f), 112.956f, 0.0005f);
    EXPECT_EQ(PressureToAltitude(1013.25f, 1013.25f, 20.0f), 0.0f);
    EXPECT_GT(PressureToAltitude(990.0f, 1000.0f, 20.0f), 0.0f);
    EXPECT_LT(PressureToAltitude(1010.0f, 1000.0f, 20.0f), 0.0f);
}

TEST(PressureToAltitude, ScalesWithAbsoluteTemperature) {
    const float warm = PressureToAltitude(950.0f, 1000.0f, 20.0f);
    const float cold = PressureToAltitude(950.0f, 1000.0f, -5.0f);
    EXPECT_NEAR(cold / warm, 268.16 / 293.16, 1e-6);
}

// A raw temperature word whose true temperature is `tenths`, if one exists.
std::optional<std::uint16_t> UtFor(const Calibration& cal, std::int32_t tenths) {
    for (std::uint32_t ut = 0; ut <= 0xFFFF; ++ut) {
        const auto s = CompensatePressureSteps(cal, static_cast<std::uint16_t>(ut), 0);
        if ((s.B5 + 8) / 16 == tenths) return static_cast<std::uint16_t>(ut);
    }
    return std::nullopt;
}

TEST(HeaderTemperature, PositiveScaledNegativeKeptOutOfRangeReplaced) {
    const Calibration cal = DatasheetCalibration();
    struct Case {
        std::int32_t tenths;
        int shown;
    };
    for (const Case c : {Case{253, 20}, Case{-55, -5}, Case{1005, 20}, Case{150, 12},
                         Case{-300, -30}, Case{-310, 20}, Case{0, 0}}) {
        const auto ut = UtFor(cal, c.tenths);
        ASSERT_TRUE(ut) << c.tenths;
        EXPECT_EQ(HeaderTemperature(cal, *ut), c.shown) << "T = " << c.tenths;
    }
}

TEST(HeaderTemperature, WholeDegreesAreReducedToASignedByte) {
    // 300 degrees: 300 mod 256 = 44, then 44 x 0.81 = 35.
    Calibration cal = DatasheetCalibration();
    cal.AC6 = 0; // lets the raw word reach such temperatures
    const auto ut = UtFor(cal, 3005);
    ASSERT_TRUE(ut);
    EXPECT_EQ(HeaderTemperature(cal, *ut), 35);
    // 200 degrees reads as -56: below -30, so 20.
    const auto ut200 = UtFor(cal, 2005);
    ASSERT_TRUE(ut200);
    EXPECT_EQ(HeaderTemperature(cal, *ut200), 20);
}

TEST(HeaderTemperature, EmptyHeaderGivesZeroDegrees) {
    EXPECT_EQ(HeaderTemperature(Calibration{}, 0), 0);
}

TEST(SamplingCode, TextAndRateForBothSources) {
    struct Row {
        unsigned code;
        const char* text;
        std::uint32_t download, file;
    };
    const Row rows[] = {{0, "20 pom/sek", 200, 200},
                        {1, "15 pom/sek", 150, 150},
                        {2, "10 pom/sek", 100, 100},
                        {3, "  5 pom/sek", 50, 50},
                        {4, "  1 pom/sek", 10, 10},
                        {5, "  2 sek/pom", 5, 5},
                        {6, "", 10, 2},
                        {7, "", 10, 1},
                        {15, "", 10, 1}};
    for (const Row& r : rows) {
        EXPECT_EQ(SamplingText(r.code), r.text) << r.code;
        EXPECT_EQ(SamplingRateValue(r.code, FlightSource::Download), r.download) << r.code;
        EXPECT_EQ(SamplingRateValue(r.code, FlightSource::File), r.file) << r.code;
    }
}

TEST(FlightHeader, ByteSevenHighBitsAreIgnored) {
    std::vector<std::uint8_t> rec = BuildRecord(DatasheetCalibration(), 0x83, 27898, {});
    const HeaderInfo info = InterpretFlightHeader(rec, FlightSource::File);
    EXPECT_EQ(info.samplingCode, 3u);
    EXPECT_EQ(info.samplingText, "  5 pom/sek");
    EXPECT_EQ(info.samplingRate, 50u);
}

TEST(FlightHeader, FieldsAreLittleEndianAtTheirOffsets) {
    std::vector<std::uint8_t> rec(32);
    for (std::size_t i = 0; i < rec.size(); ++i)
        rec[i] = static_cast<std::uint8_t>(i);
    const FlightHeader h = ParseHeader(rec);
    EXPECT_EQ(h.competitor, 0x0201);
    EXPECT_EQ(h.serial, 0x0403);
    EXPECT_EQ(h.temperatureWord, 0x0605);
    EXPECT_EQ(h.samplingByte, 7);
    EXPECT_EQ(h.calibrationWord, 0x0908);
    EXPECT_EQ(h.calibration.AC1, 0x0B0A);
    EXPECT_EQ(h.calibration.AC4, 0x1110);
    EXPECT_EQ(h.calibration.MD, 0x1F1E);
    rec[31] = 0x80;
    EXPECT_EQ(ParseHeader(rec).calibration.MD, static_cast<std::int16_t>(0x801E)); // signed
}

TEST(FlightRecord, LengthsToCounts) {
    EXPECT_EQ(SampleCount(0), 0u);
    EXPECT_EQ(SampleCount(31), 0u);
    EXPECT_EQ(SampleCount(35), 0u);
    EXPECT_EQ(SampleCount(64), 8u);
    EXPECT_EQ(SampleCount(33000), 8242u);
    EXPECT_EQ(RecordWordCount(31), 0u);
    EXPECT_EQ(RecordWordCount(35), 1u);
    EXPECT_EQ(RecordWordCount(33000), 16484u);
}

} // namespace
} // namespace orlomat
