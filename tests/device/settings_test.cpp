#include "device/settings_exchange.h"
#include "tests/support/fake_line.h"

#include <gtest/gtest.h>

#include <limits>
#include <map>
#include <optional>

namespace orlomat {
namespace {

using test::FakeClock;
using test::FakeLine;
using Frame = std::vector<std::uint8_t>;

class NullUi : public DeviceUi {
public:
    std::vector<DeviceEvent> shown;
    void report(DeviceEvent event) override { shown.push_back(event); }
    bool confirmReset() override { return true; }
};

TEST(DeviceTemperature, EveryPositiveByteMatchesTheExactProduct) {
    // The exact product of t and the double 0.82 fits a long double's 64-bit mantissa.
    static_assert(std::numeric_limits<long double>::digits >= 61);
    for (int t = 1; t <= 127; ++t) {
        const auto exact = static_cast<int>(static_cast<long double>(t) * 0.82);
        EXPECT_EQ(DeviceTemperature(static_cast<std::int8_t>(t)), exact) << t;
    }
    EXPECT_EQ(DeviceTemperature(50), 40);
    EXPECT_EQ(DeviceTemperature(100), 81);
    EXPECT_EQ(DeviceTemperature(25), 20);
    EXPECT_EQ(DeviceTemperature(30), 24);
    EXPECT_EQ(DeviceTemperature(90), 73);
    EXPECT_EQ(DeviceTemperature(-10), -10);
    EXPECT_EQ(DeviceTemperature(0), 0);
    EXPECT_EQ(DeviceTemperature(-128), -128);
}

TEST(VersionText, RulesOfTheVersionField) {
    EXPECT_EQ(VersionText(0xFF, 0), "V 2013.12");
    EXPECT_EQ(VersionText(0xFF, 99), "V 2013.12");
    EXPECT_EQ(VersionText(4, 16), "V 2016.4");
    EXPECT_EQ(VersionText(12, 17), "V 2017.12");
    EXPECT_EQ(VersionText(13, 16), std::nullopt);
    EXPECT_EQ(VersionText(4, 18), std::nullopt);
}

TEST(WholeNumbers, OnlySignAndDigits) {
    EXPECT_EQ(ParseWholeNumber("200"), 200);
    EXPECT_EQ(ParseWholeNumber("-1"), -1);
    EXPECT_EQ(ParseWholeNumber("+7"), 7);
    for (const char* bad : {"", "-", "1.5", "abc", "12a", " 1", "99999999999999999999"})
        EXPECT_EQ(ParseWholeNumber(bad), std::nullopt) << bad;
    EXPECT_FALSE(AboveLimit(200, 200));
    EXPECT_TRUE(AboveLimit(201, 200));
    EXPECT_TRUE(AboveLimit(-1, 200));           // negative counts as too large
    EXPECT_TRUE(AboveLimit(4294967296LL, 200)); // does not wrap back to 0
}

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::AnswerFrom(line, replies);
        alt.channel.PortOpen("COM5");
    }
    FakeClock clock;
    FakeLine line{clock};
    Altimeter alt{line, clock};
    NullUi ui;
    test::Replies replies = test::WellBehavedReplies(0x32);
};

TEST_F(SettingsTest, ReadFillsEveryFieldFromItsReply) {
    const DeviceSettingsRead r = ReadDeviceSettings(alt);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.status.competitor, 12);
    EXPECT_EQ(r.status.serial, 345);
    EXPECT_EQ(r.status.temperature, 40); // byte 50
    EXPECT_EQ(r.status.levelMetres, 30); // 0x78 quarter metres
    EXPECT_EQ(r.status.samplingCode, 2); // 0x82: the flag bit is ignored
    EXPECT_EQ(r.manualZero, 1);
    EXPECT_EQ(r.delaySeconds, 180); // 18000 hundredths
    EXPECT_EQ(r.version, "V 2016.4");
    ASSERT_EQ(line.frames.size(), 4u);
    EXPECT_EQ(line.frames[0][1], '4');
    EXPECT_EQ(line.frames[1][1], 'B');
    EXPECT_EQ(line.frames[2][1], '6');
    EXPECT_EQ(line.frames[3][1], 'D');
    EXPECT_EQ(clock.now, 4 * 500); // each reply: its pause and one quiet pause
}

TEST_F(SettingsTest, ReadRulesForOddReplies) {
    replies['4'] = Frame{0x0C, 0, 0, 0, 0, 0x7B, 0x00}; // 7 bytes: the read fails at once
    DeviceSettingsRead r = ReadDeviceSettings(alt);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.statusRead);
    EXPECT_EQ(line.frames.size(), 1u);

    replies['4'] = Frame{0, 0, 0, 0, 0xF6, 0x7B, 0x00, 0x09}; // 123 quarter metres, -10 C, code 9
    replies['6'] = Frame{0x63, 0x00, 0, 0, 0, 0, 0, 0};       // 99 hundredths
    replies['B'] = std::nullopt;                              // no answer: noted, go on
    replies['D'] = Frame{0, 0, 0, 0, 13, 16, 0, 0};
    r = ReadDeviceSettings(alt);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.statusRead);
    EXPECT_EQ(r.status.levelMetres, 30);
    EXPECT_EQ(r.status.temperature, -10);
    EXPECT_EQ(r.status.samplingCode, 9);
    EXPECT_EQ(r.manualZero, std::nullopt);
    EXPECT_EQ(r.delaySeconds, 0);
    EXPECT_TRUE(r.versionRead);
    EXPECT_EQ(r.version, std::nullopt); // the field keeps its text

    replies['B'] = Frame{0, 0, 0, 0, 0, 0, 0, 0};
    replies['D'] = Frame{0, 0, 0, 0, 4}; // 5 bytes
    r = ReadDeviceSettings(alt);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.versionRead);
}

TEST_F(SettingsTest, WritesCarryTheirBytesAndKeepTheRest) {
    EXPECT_EQ(WriteSettingsCommand(alt, 10000, 800, 3, ui), DeviceResult::Ok);
    EXPECT_EQ(WriteManualZeroCommand(alt, 1, ui), DeviceResult::Ok);
    EXPECT_EQ(WriteDelayCommand(alt, 30000, ui), DeviceResult::Ok);
    ASSERT_EQ(line.frames.size(), 3u);
    EXPECT_EQ(line.frames[0], (Frame{'e', '5', 0x10, 0x27, 0x00, 0x20, 0x03, 0x03}));
    EXPECT_EQ(line.frames[1], (Frame{'e', 'C', 0x01, 0x27, 0x00, 0x20, 0x03, 0x03}));
    EXPECT_EQ(line.frames[2], (Frame{'e', '7', 0x30, 0x75, 0x00, 0x20, 0x03, 0x03}));
    EXPECT_EQ(ui.shown, std::vector<DeviceEvent>{DeviceEvent::SettingsWritten});
}

TEST_F(SettingsTest, AcknowledgementRules) {
    replies['5'] = Frame{0x00, 0x5A};       // 2 bytes, wrong: "Setup failed"
    replies['C'] = std::nullopt;            // nothing: passes silently
    replies['7'] = Frame{0x00, 0xA5, 0x00}; // 3 bytes: not the acknowledgement
    EXPECT_EQ(WriteSettingsCommand(alt, 1, 4, 0, ui), DeviceResult::Refused);
    EXPECT_EQ(WriteManualZeroCommand(alt, 0, ui), DeviceResult::NoReply);
    EXPECT_EQ(WriteDelayCommand(alt, 100, ui), DeviceResult::WrongReply);
    EXPECT_EQ(ui.shown, (std::vector<DeviceEvent>{DeviceEvent::SettingsRefused,
                                                  DeviceEvent::SettingsRefused}));
}

TEST_F(SettingsTest, DefaultSetupSendsTheFourFramesWithTheirPauses) {
    alt.channel.PortClose();
    bool maximumReset = false;
    long resetAt = -1;
    const auto r = DefaultSetup(alt, "COM5", ui, [&] {
        maximumReset = true;
        resetAt = clock.now;
    });
    EXPECT_TRUE(r.allAcknowledged());
    EXPECT_TRUE(maximumReset);
    EXPECT_TRUE(ui.shown.empty());
    ASSERT_EQ(line.frames.size(), 4u);
    EXPECT_EQ(line.frames[0], (Frame{0x65, 0x35, 0x00, 0x00, 0x00, 0x78, 0x00, 0x01}));
    EXPECT_EQ(line.frames[1], (Frame{0x65, 0x43, 0x01, 0x00, 0x00, 0x78, 0x00, 0x01}));
    EXPECT_EQ(line.frames[2], (Frame{0x65, 0x32, 0x32, 0x33, 0x00, 0x78, 0x00, 0x01}));
    EXPECT_EQ(line.frames[3], (Frame{0x65, 0x37, 0x50, 0x46, 0x00, 0x78, 0x00, 0x01}));
    // Pauses 500, 200, 250, 250: each with the reply and one quiet pause.
    EXPECT_EQ(resetAt, 2 * 500 + 2 * 200);
    EXPECT_EQ(clock.now, 2 * 500 + 2 * 200 + 2 * 250 + 2 * 250);
    EXPECT_FALSE(line.isOpen);
}

TEST_F(SettingsTest, DefaultSetupGateAndReportedSteps) {
    alt.channel.PortClose();
    replies['5'] = std::nullopt; // silent device: stops after frame 1
    EXPECT_EQ(DefaultSetup(alt, "COM5", ui).outcome, DefaultSetupResult::Outcome::Refused);
    EXPECT_EQ(line.frames.size(), 1u);
    EXPECT_EQ(ui.shown, std::vector<DeviceEvent>{DeviceEvent::SettingsRefused});
    EXPECT_FALSE(line.isOpen);

    ui.shown.clear();
    line.frames.clear();
    replies['5'] = Frame{0x00, 0xA5, 1, 2, 3}; // 5 bytes with the acknowledge byte: fine
    replies['C'] = Frame{0x00, 0xA5, 9, 9, 9};
    replies['2'] = Frame{0x11, 0x22};       // 2 bytes: no message whatever they say
    replies['7'] = Frame{0x00, 0xA5, 0x00}; // 3 bytes: "Reset - Error", then go on
    auto r = DefaultSetup(alt, "COM5", ui);
    EXPECT_TRUE(r.done());
    EXPECT_EQ(r.reset, DeviceResult::WrongReply); // done, but not acknowledged
    EXPECT_FALSE(r.allAcknowledged());
    EXPECT_EQ(line.frames.size(), 4u);
    EXPECT_EQ(ui.shown, std::vector<DeviceEvent>{DeviceEvent::DefaultStepFailed});

    ui.shown.clear();
    replies['2'] = Frame{0x00, 0xAA, 0x55};
    replies['7'] = Frame{0x00, 0xA5};
    r = DefaultSetup(alt, "COM5", ui);
    EXPECT_EQ(r.reset, DeviceResult::Refused);
    EXPECT_EQ(ui.shown, std::vector<DeviceEvent>{DeviceEvent::DefaultStepFailed});

    // A 1-byte reply is no acknowledgement, whatever the previous reply left behind.
    ui.shown.clear();
    line.frames.clear();
    replies['5'] = Frame{0x00, 0xA5};
    replies['C'] = Frame{0x00};
    EXPECT_EQ(DefaultSetup(alt, "COM5", ui).outcome, DefaultSetupResult::Outcome::Refused);
    EXPECT_EQ(line.frames.size(), 2u);
    EXPECT_EQ(ui.shown, std::vector<DeviceEvent>{DeviceEvent::SettingsRefused});
}

} // namespace
} // namespace orlomat
