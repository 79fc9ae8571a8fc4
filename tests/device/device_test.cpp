#include "contest/port_watch.h"
#include "device/altimeter.h"
#include "device/port_finder.h"
#include "tests/support/fake_line.h"
#include "tools/synth/flight_synth.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>

#ifndef _WIN32
#include <sys/resource.h>
#endif

namespace orlomat {
namespace {

using test::FakeClock;
using test::FakeLine;

class RecordingUi : public DeviceUi {
public:
    std::vector<DeviceEvent> shown;
    std::vector<std::string> progressTexts;
    bool confirmAnswer = true;
    int questions = 0, begins = 0, prepares = 0, starts = 0;
    bool indicatorShown = false;

    void report(DeviceEvent event) override { shown.push_back(event); }
    bool confirmReset() override {
        ++questions;
        return confirmAnswer;
    }
    void downloadBegins() override {
        ++begins;
        indicatorShown = true;
    }
    void downloadEnds() override { indicatorShown = false; }
    void prepareForFlight() override { ++prepares; }
    void streamStarted() override { ++starts; }
    void progress(const std::string& t) override { progressTexts.push_back(t); }
};

constexpr double kLineRate = 115200.0 / 11.0;

std::vector<std::uint8_t> Reply8(std::initializer_list<std::uint8_t> bytes) {
    std::vector<std::uint8_t> r(bytes);
    r.resize(8, 0);
    return r;
}

// A well-behaved altimeter holding `record`.
struct Device {
    explicit Device(FakeLine& l, std::vector<std::uint8_t> rec) : line(l), record(std::move(rec)) {
        line.onCommand = [this](const std::vector<std::uint8_t>& f) { answer(f); };
    }
    void answer(const std::vector<std::uint8_t>& f) {
        switch (f[1]) {
        case '4':
            if (!silent) line.deliver(Reply8({12, 0, 89, 1, 21, 40, 0, statusByte7}));
            break;
        case 'D':
            if (sizeReply) line.deliver(*sizeReply);
            break;
        case '1':
            line.stream(record, rate);
            break;
        case '2':
            line.deliver(resetReply);
            break;
        }
    }
    FakeLine& line;
    std::vector<std::uint8_t> record;
    bool silent = false;
    std::uint8_t statusByte7 = 0x82;
    std::optional<std::vector<std::uint8_t>> sizeReply =
        Reply8({0, 0, 0x8B, 0x27, 0, 0}); // calibration 10123, no block count
    std::vector<std::uint8_t> resetReply = {0x00, 0xAA, 0xAA};
    double rate = kLineRate;
};

class DeviceTest : public ::testing::Test {
protected:
    FakeClock clock;
    FakeLine line{clock};
    RecordingUi ui;
    Altimeter alt{line, clock};
};

TEST_F(DeviceTest, WaitReplyPausesUntilAPauseBringsNothing) {
    alt.channel.PortOpen("COM5");
    line.deliver(std::vector<std::uint8_t>(8, 1), 10);
    alt.channel.PortWaitReply(250);
    EXPECT_EQ(clock.now, 500); // the pause with the bytes and one quiet pause
    // A reply trickling in over 600 ms keeps the wait going until it stops.
    line.stream(std::vector<std::uint8_t>(60, 2), 100.0, 0);
    const long start = clock.now;
    alt.channel.PortWaitReply(250);
    EXPECT_EQ(clock.now - start, 1000);
}

TEST_F(DeviceTest, ReadTakesOnlyWhatFitsTheBuffer) {
    alt.channel.PortOpen("COM5");
    line.deliver(std::vector<std::uint8_t>(40000, 7), 0);
    EXPECT_EQ(alt.channel.PortRead(), 33000u);
    EXPECT_EQ(alt.channel.receiveCount, 33000);
    EXPECT_EQ(alt.channel.PortRead(), 0u);
    EXPECT_EQ(alt.channel.receiveCount, 33000);
}

TEST_F(DeviceTest, ReadWithNothingWaitingChangesNothingButByteZero) {
    alt.channel.PortOpen("COM5");
    line.deliver({5, 6}, 0);
    alt.channel.PortRead();
    EXPECT_EQ(alt.channel.buffer()[0], 5);
    EXPECT_EQ(alt.channel.PortRead(), 0u);
    EXPECT_EQ(alt.channel.receiveCount, 2);
    EXPECT_EQ(alt.channel.buffer()[0], 0);
}

TEST_F(DeviceTest, OpenStatesFollowTheLifecycle) {
    std::vector<std::string> failures;
    alt.channel.onOpenFailed = [&](const std::string& port, const std::string&) {
        failures.push_back(port);
    };
    EXPECT_EQ(alt.channel.PortRead(), 0u); // closed: nothing
    line.openSucceeds = false;
    alt.channel.PortOpen("COM10");
    EXPECT_EQ(alt.channel.state(), Channel::State::Failed);
    EXPECT_EQ(failures, std::vector<std::string>{"COM10"});
    EXPECT_FALSE(alt.channel.PortClose());
    EXPECT_EQ(alt.channel.state(), Channel::State::Failed);
    line.openSucceeds = true;
    alt.channel.PortOpen("COM10"); // tried again
    EXPECT_EQ(alt.channel.state(), Channel::State::Open);
    alt.channel.PortOpen("COM10"); // already open: no second open
    EXPECT_EQ(line.opens, 2);
    EXPECT_TRUE(alt.channel.PortClose());
    EXPECT_FALSE(line.isOpen);
}

TEST_F(DeviceTest, DownloadReceivesTheRecordAndSetsTheCalibrationWord) {
    SynthParams p;
    p.calibrationWord = 1;
    Device dev(line, SynthesizeFlight(p));
    const DownloadOutcome d = alt.Download("COM5", ui);
    ASSERT_EQ(d.result, DownloadOutcome::Result::Received);
    EXPECT_TRUE(d.endFound);
    EXPECT_TRUE(ui.shown.empty());
    ASSERT_EQ(d.record.size(), dev.record.size());
    auto expected = dev.record;
    WriteU16(expected, 8, 10123);
    EXPECT_EQ(d.record, expected);
    EXPECT_EQ(alt.downloadLength, dev.record.size());
    EXPECT_FALSE(line.isOpen);
    EXPECT_FALSE(ui.indicatorShown);
    EXPECT_EQ(ui.prepares, 1);
    EXPECT_EQ(ui.starts, 1);
    // Frames: "e4", "eD", then "e1", each from the one command buffer.
    ASSERT_EQ(line.frames.size(), 3u);
    EXPECT_EQ(line.frames[0], (std::vector<std::uint8_t>{'e', '4', 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(line.frames[1][1], 'D');
    EXPECT_EQ(line.frames[2][1], '1');
    // Without a block count the progress shows the bytes received.
    EXPECT_EQ(ui.progressTexts.front(), "   0 B");
    EXPECT_EQ(ui.progressTexts.back(), "   " + std::to_string(dev.record.size()) + " B");
}

TEST_F(DeviceTest, ProgressIsAPercentageOfTheReportedBlocks) {
    Device dev(line, SynthesizeFlight({}));
    const auto blocks = static_cast<std::uint16_t>((dev.record.size() + 31) / 32);
    dev.sizeReply = Reply8({0, 0, 0x10, 0x27, static_cast<std::uint8_t>(blocks & 0xFF),
                            static_cast<std::uint8_t>(blocks >> 8)});
    alt.Download("COM5", ui);
    EXPECT_EQ(ui.progressTexts.front(), "   0 %");
    EXPECT_EQ(ui.progressTexts.back(),
              "   " + std::to_string(dev.record.size() * 100 / (blocks * 32u)) + " %");
    EXPECT_EQ(alt.blockCount, blocks);
    EXPECT_EQ(ProgressText(1000, 500), "   200 %"); // it may pass 100
}

// Altimeters that send their firmware version where others send the block count: read as
// blocks, version 4.16 would be 131 200 bytes and the percentage would stop at 1 %.
TEST_F(DeviceTest, AVersionInPlaceOfTheSizeShowsBytesNotAStuckPercentage) {
    Device dev(line, SynthesizeFlight({}));
    dev.sizeReply = Reply8({0, 0, 0x10, 0x27, 4, 16});
    const DownloadOutcome d = alt.Download("COM5", ui);
    EXPECT_TRUE(d.complete());
    EXPECT_EQ(d.expectedBytes, 0u);
    EXPECT_EQ(ui.progressTexts.back(), "   " + std::to_string(dev.record.size()) + " B");
    EXPECT_EQ(AnnouncedBytes(1032), 33024u); // the largest record in whole blocks: a size
    EXPECT_EQ(AnnouncedBytes(1033), 0u);
}

TEST_F(DeviceTest, CalibrationWordOutsideItsRangeBecomes10000) {
    struct Case {
        std::uint16_t reply, stored;
    };
    for (const Case c :
         {Case{9699, 10000}, Case{9700, 9700}, Case{10500, 10500}, Case{10501, 10000}}) {
        Device dev(line, SynthesizeFlight({}));
        dev.sizeReply = Reply8({0, 0, static_cast<std::uint8_t>(c.reply & 0xFF),
                                static_cast<std::uint8_t>(c.reply >> 8), 3, 0});
        const DownloadOutcome d = alt.Download("COM5", ui);
        EXPECT_EQ(ReadU16(d.record, 8), c.stored) << c.reply;
    }
    // A short size reply: 10000, and the previous block count stands.
    Device dev(line, SynthesizeFlight({}));
    dev.sizeReply = std::vector<std::uint8_t>{1, 2, 3};
    const DownloadOutcome d = alt.Download("COM5", ui);
    EXPECT_EQ(ReadU16(d.record, 8), 10000);
    EXPECT_EQ(alt.blockCount, 3u);
}

TEST_F(DeviceTest, SilentDeviceGivesCommunicationErrorAfterOneWait) {
    Device dev(line, SynthesizeFlight({}));
    dev.silent = true;
    const DownloadOutcome d = alt.Download("COM5", ui);
    EXPECT_EQ(d.result, DownloadOutcome::Result::NoStatus);
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0], DeviceEvent::NoStatus);
    EXPECT_EQ(clock.now, 250);
    EXPECT_FALSE(line.isOpen);
    EXPECT_FALSE(ui.indicatorShown);
    EXPECT_EQ(ui.prepares, 0);
}

TEST_F(DeviceTest, StatusOfWrongLengthIsACommunicationError) {
    Device dev(line, SynthesizeFlight({}));
    line.onCommand = [&](const std::vector<std::uint8_t>& f) {
        if (f[1] == '4') line.deliver(std::vector<std::uint8_t>(9, 0x80));
    };
    EXPECT_EQ(alt.Download("COM5", ui).result, DownloadOutcome::Result::NoStatus);
}

TEST_F(DeviceTest, NoNewMeasurementIsToldAndTheDownloadGoesOn) {
    Device dev(line, SynthesizeFlight({}));
    dev.statusByte7 = 0x03;
    const DownloadOutcome d = alt.Download("COM5", ui);
    EXPECT_EQ(d.result, DownloadOutcome::Result::Received);
    EXPECT_FALSE(d.newMeasurement);
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0], DeviceEvent::NoNewMeasurement);
}

TEST_F(DeviceTest, FewerThan32BytesIsACommunicationErrorButTheBytesAreKept) {
    Device dev(line, std::vector<std::uint8_t>{1, 2, 3, 0xFF, 0xFF});
    const DownloadOutcome d = alt.Download("COM5", ui);
    EXPECT_EQ(d.result, DownloadOutcome::Result::TooShort);
    EXPECT_EQ(d.record.size(), 5u);
    EXPECT_EQ(alt.downloadLength, 5u);
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0], DeviceEvent::StreamBroken);
    EXPECT_FALSE(line.isOpen);
}

TEST_F(DeviceTest, NoEndMarkerRunsAllPassesAndKeepsWhatArrived) {
    SynthParams p;
    p.endMarker = false;
    Device dev(line, SynthesizeFlight(p));
    const long start = clock.now;
    const DownloadOutcome d = alt.Download("COM5", ui);
    EXPECT_EQ(d.result, DownloadOutcome::Result::Received);
    EXPECT_FALSE(d.endFound);
    EXPECT_TRUE(ui.shown.empty());
    EXPECT_EQ(d.record.size(), dev.record.size());
    EXPECT_GE(clock.now - start, 102000); // 1020 passes of 100 ms
    EXPECT_LT(clock.now - start, 104000);
}

TEST_F(DeviceTest, UnpluggedDuringTheStreamKeepsWhatArrived) {
    Device dev(line, SynthesizeFlight({}));
    line.onCommand = [&](const std::vector<std::uint8_t>& f) {
        dev.answer(f);
        if (f[1] == '1') line.breakAt = clock.now + 250;
    };
    const DownloadOutcome d = alt.Download("COM5", ui);
    EXPECT_TRUE(d.lineBroke);
    EXPECT_EQ(d.result, DownloadOutcome::Result::Received);
    EXPECT_GT(d.record.size(), 1000u);
    EXPECT_LT(d.record.size(), dev.record.size());
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0], DeviceEvent::StreamBroken);
    EXPECT_FALSE(line.isOpen);
}

// The user stops a download (Escape in the window, Ctrl+C on the command line): it ends
// within one pause or pass, closes the port, sends nothing more, says nothing of a
// communication error, and keeps what came. The status and size replies arrive 10 ms after
// their command and each wait takes two pauses, so the stream is asked for at 1 000 ms.
TEST_F(DeviceTest, AStopEndsTheDownloadAtOnceAndKeepsWhatCame) {
    using R = DownloadOutcome::Result;
    struct Case {
        const char* fault; // what would go wrong without the stop check there
        long stopAt;       // ms
        double rate;       // bytes per second of the stream
        R result;
        std::size_t frames;
        DeviceResult status;
    };
    const Case cases[] = {
        {"the status wait ignores the stop", 200, kLineRate, R::Stopped, 1,
         DeviceResult::Cancelled},
        {"the size exchange ignores the stop", 700, kLineRate, R::Stopped, 2,
         DeviceResult::Cancelled},
        {"a stalled or long stream runs its 1020 passes", 1150, kLineRate, R::Received, 3,
         DeviceResult::Incomplete},
        {"a stop before a header's worth is a communication error", 1050, 100.0, R::TooShort, 3,
         DeviceResult::Cancelled},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        FakeClock clk;
        FakeLine l{clk};
        Altimeter a{l, clk};
        RecordingUi u;
        Device dev(l, SynthesizeFlight({}));
        dev.rate = c.rate;
        a.channel.stopRequested = [&] { return clk.now >= c.stopAt; };
        const DownloadOutcome d = a.Download("COM5", u);
        EXPECT_EQ(d.result, c.result);
        EXPECT_EQ(d.status(), c.status);
        EXPECT_TRUE(d.stopped);
        EXPECT_LE(clk.now - c.stopAt, Altimeter::kReplyPauseMs);
        EXPECT_EQ(l.frames.size(), c.frames); // nothing sent after the stop
        EXPECT_TRUE(u.shown.empty());
        EXPECT_FALSE(l.isOpen);
        EXPECT_FALSE(u.indicatorShown);
        if (c.result != R::Stopped) {
            EXPECT_EQ(d.record.size(), a.downloadLength);
            EXPECT_GT(d.record.size(), 0u);
            EXPECT_LT(d.record.size(), dev.record.size());
            const std::ptrdiff_t from = c.result == R::Received ? 10 : 0; // header 8-9 aside
            EXPECT_TRUE(std::equal(d.record.begin() + from, d.record.end(),
                                   dev.record.begin() + from)); // as it came
        } else {
            EXPECT_EQ(u.prepares, 0); // the current flight is left as it was
        }
    }
}

TEST(StreamEnded, EndPairAmongTheLastSixPairs) {
    std::vector<std::uint8_t> b(40, 0);
    EXPECT_FALSE(StreamEnded(b.data(), b.size()));
    b[40 - 8] = 0xFF; // bytes received-8 and received-7: the fourth pair from the end
    b[40 - 7] = 0xFF;
    EXPECT_TRUE(StreamEnded(b.data(), b.size()));
    std::vector<std::uint8_t> s(40, 0);
    s[40 - 2] = 0xFF; // received-2 and received-3 straddle two pairs
    s[40 - 3] = 0xFF;
    EXPECT_FALSE(StreamEnded(s.data(), s.size()));
    std::vector<std::uint8_t> far(40, 0);
    far[40 - 14] = 0xFF; // the seventh pair: too far back
    far[40 - 13] = 0xFF;
    EXPECT_FALSE(StreamEnded(far.data(), far.size()));
    std::vector<std::uint8_t> tiny(31, 0xFF);
    EXPECT_FALSE(StreamEnded(tiny.data(), tiny.size())); // below a header: not yet
}

TEST_F(DeviceTest, ResetRepliesGiveTheirEvents) {
    struct Case {
        std::vector<std::uint8_t> reply;
        DeviceResult result;
        std::optional<DeviceEvent> event;
    };
    const Case cases[] = {
        {{0x00, 0xAA, 0xAA}, DeviceResult::Ok, DeviceEvent::ResetDone},
        {{0x00, 0xAA, 0x55}, DeviceResult::Refused, DeviceEvent::ResetRefused},
        {{0x00, 0xAA, 0xAA, 9, 9}, DeviceResult::Ok, DeviceEvent::ResetDone},
        {{0xAA, 0xAA}, DeviceResult::NoReply, std::nullopt},
        {{}, DeviceResult::NoReply, std::nullopt},
    };
    for (const Case& c : cases) {
        Device dev(line, {});
        dev.resetReply = c.reply;
        ui.shown.clear();
        ui.questions = 0;
        EXPECT_EQ(alt.Reset("COM5", ui), c.result);
        EXPECT_EQ(ui.questions, 1);
        ASSERT_EQ(ui.shown.size(), c.event ? 1u : 0u);
        if (c.event) {
            EXPECT_EQ(ui.shown[0], *c.event);
        }
        EXPECT_FALSE(line.isOpen);
        EXPECT_EQ(line.frames.back(), (std::vector<std::uint8_t>{'e', '2', '2', '3', 0, 0, 0, 0}));
    }
}

TEST_F(DeviceTest, CancelledResetOpensNothing) {
    ui.confirmAnswer = false;
    EXPECT_EQ(alt.Reset("COM5", ui), DeviceResult::Cancelled);
    EXPECT_EQ(line.opens, 0);
    EXPECT_TRUE(line.frames.empty());
}

TEST_F(DeviceTest, DownloadAfterResetCarriesTheResetParameters) {
    Device dev(line, SynthesizeFlight({}));
    alt.Reset("COM5", ui);
    alt.Download("COM5", ui);
    const auto& e1 = line.frames.back();
    EXPECT_EQ(e1, (std::vector<std::uint8_t>{'e', '1', '2', '3', 0, 0, 0, 0}));
}

TEST_F(DeviceTest, ArbitraryRepliesNeverBreakTheExchanges) {
    std::mt19937 rng(3);
    for (int round = 0; round < 200; ++round) {
        line.onCommand = [&](const std::vector<std::uint8_t>&) {
            std::vector<std::uint8_t> junk(rng() % (round % 10 == 0 ? 40000 : 40));
            for (auto& b : junk)
                b = static_cast<std::uint8_t>(rng());
            line.stream(junk, 20000.0 + rng() % 20000);
        };
        const DownloadOutcome d = alt.Download("COM5", ui);
        ASSERT_LE(d.record.size(), 33000u);
        alt.Reset("COM5", ui);
        ASSERT_FALSE(line.isOpen);
    }
}

// A device that writes text lines all the time (a GPS receiver, a modem): every exchange
// gives up within the reply wait's limit, with the busy-line message and the port closed.
TEST_F(DeviceTest, BabblingPortIsGivenUpOnInEveryExchange) {
    const std::vector<std::uint8_t> babble(100000, '$');
    line.onCommand = [&](const std::vector<std::uint8_t>&) { line.stream(babble, 800.0, 0); };
    line.stream(babble, 800.0, 0);

    const DownloadOutcome d = alt.Download("COM5", ui);
    EXPECT_EQ(d.result, DownloadOutcome::Result::NoStatus);
    EXPECT_TRUE(d.noisy);
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0], DeviceEvent::LineBusy);
    EXPECT_LE(clock.now, kReplyWaitLimitMs + 250);
    EXPECT_FALSE(line.isOpen);

    ui.shown.clear();
    clock.now = 0;
    EXPECT_EQ(alt.Reset("COM5", ui, false), DeviceResult::LineBusy);
    EXPECT_EQ(ui.shown.back(), DeviceEvent::LineBusy);
    EXPECT_LE(clock.now, kReplyWaitLimitMs + 250);
    EXPECT_FALSE(line.isOpen);
}

// Bytes left in the input queue by an earlier program never count as a reply, and a reply
// shorter than the previous one is not padded with the previous one's bytes.
TEST_F(DeviceTest, StaleInputAndOldRepliesAreNeverReadAsANewReply) {
    line.deliver({0x00, 0xAA, 0xAA}, 0); // waiting before the port is opened
    line.onCommand = nullptr;
    alt.channel.PortOpen("COM5");
    EXPECT_EQ(line.discards, 1);
    EXPECT_EQ(alt.exchange('2').length, 0u);

    line.onCommand = [&](const std::vector<std::uint8_t>& f) {
        line.deliver(f[1] == '4' ? Reply8({1, 2, 3, 4, 5, 6, 7, 8}) : std::vector<std::uint8_t>{9});
    };
    EXPECT_EQ(alt.exchange('4').length, 8u);
    EXPECT_EQ(alt.exchange('5').length, 1u);
    EXPECT_EQ(alt.channel.buffer()[1], 0); // not the status reply's byte 1
}

#ifndef _WIN32
// The raised priority is set back before any message is shown.
class PriorityUi : public RecordingUi {
public:
    std::vector<int> priorities;
    void report(DeviceEvent event) override {
        priorities.push_back(getpriority(PRIO_PROCESS, 0));
        RecordingUi::report(event);
    }
};

TEST_F(DeviceTest, MessagesOfADownloadComeAtTheNormalPriority) {
    const int normal = getpriority(PRIO_PROCESS, 0);
    PriorityUi pui;
    Device dev(line, SynthesizeFlight({}));
    dev.statusByte7 = 0x03; // no new measurement: a message in the middle
    alt.Download("COM5", pui);
    dev.silent = true; // no status: a message at the start
    alt.Download("COM5", pui);
    ASSERT_EQ(pui.priorities.size(), 2u);
    for (const int p : pui.priorities)
        EXPECT_EQ(p, normal);
    EXPECT_EQ(getpriority(PRIO_PROCESS, 0), normal);
}
#endif

struct FixedLister : PortLister {
    std::vector<SerialPortEntry> list;
    std::vector<SerialPortEntry> ports() override { return list; }
};

SerialPortEntry PortEntry(const std::string& name, bool usb) {
    SerialPortEntry e;
    e.systemName = e.location = name;
    if (usb) e.vendorId = e.productId = 0x0403;
    return e;
}

// "auto": which ports are asked, with what, and which one is taken.
TEST(AutoPort, AsksOnlyUsbPortsAndOnlyTheStatus) {
    const auto port = PortEntry;
    // How each port answers the status command: 8 bytes, 4 bytes, or nothing.
    const std::map<std::string, int> answers = {{"A", 4}, {"B", 8}, {"C", 0}, {"S", 8}};
    struct Case {
        const char* what;
        std::vector<SerialPortEntry> present;
        std::string lastGood;
        std::optional<std::string> chosen;
        std::vector<std::string> asked;
    };
    const Case cases[] = {
        {"one USB port is taken unasked", {port("S", false), port("C", true)}, "", "C", {}},
        {"a wrong status is no altimeter", {port("A", true), port("B", true)}, "", "B", {"A", "B"}},
        {"the last good port first", {port("A", true), port("B", true)}, "B", "B", {"B"}},
        {"a silent port, then one that answers",
         {port("C", true), port("B", true)},
         "",
         "B",
         {"C", "B"}},
        {"a port that is no USB adapter is never asked",
         {port("S", false), port("A", true), port("C", true)},
         "S",
         std::nullopt,
         {"A", "C"}},
        {"nothing present", {}, "", std::nullopt, {}},
    };
    for (const Case& c : cases) {
        test::FakeClock clock;
        test::FakeLine line(clock);
        line.onCommand = [&](const std::vector<std::uint8_t>& frame) {
            EXPECT_EQ(frame[1], '4') << c.what << ": only the status is ever asked";
            line.deliver(std::vector<std::uint8_t>(
                static_cast<std::size_t>(answers.at(line.lastName)), 0x11));
        };
        Altimeter altimeter(line, clock);
        FixedLister lister;
        lister.list = c.present;
        const AutoPort found = FindAutoPort(lister, altimeter, c.lastGood);
        EXPECT_EQ(found.chosen ? std::optional<std::string>(found.chosen->systemName)
                               : std::nullopt,
                  c.chosen)
            << c.what;
        EXPECT_EQ(found.asked, c.asked) << c.what;
        EXPECT_EQ(line.opens, static_cast<int>(c.asked.size())) << c.what;
        EXPECT_FALSE(line.isOpen) << c.what;
    }
    EXPECT_EQ(PresentPortsText({port("COM3", true), port("COM4", false)}), "COM3, COM4");
}

// Altimeter after altimeter on the field: what each poll reports as ports come and go. Each
// step lists the ports present at that poll ("X" a USB adapter, "s" a port that is none).
TEST(PortWatch, ReportsEachAltimeterArrivingAndLeavingOnce) {
    using E = PortWatch::Event;
    struct Case {
        const char* what;
        std::string given;
        std::vector<std::string> atStart;
        std::vector<std::vector<std::string>> polls;
        std::vector<E> events;
        std::vector<std::string> ports; // port() after each Arrived
    };
    const Case cases[] = {
        {"a named port that does not exist yet",
         "P",
         {},
         {{}, {"P"}, {"P"}, {}, {}, {"P"}},
         {E::None, E::Arrived, E::None, E::Departed, E::None, E::Arrived},
         {"P", "P"}},
        {"auto: adapters present at the start are passed over, ports that are none too",
         "auto",
         {"X", "Y"},
         {{"X", "Y", "s"}, {"X", "Z"}, {"X"}, {"Y"}, {}},
         {E::None, E::Arrived, E::Departed, E::Arrived, E::Departed},
         {"Z", "Y"}},
        {"auto: an adapter unplugged and plugged again is new",
         "auto",
         {"X", "Y"},
         {{"Y"}, {"X", "Y"}},
         {E::None, E::Arrived},
         {"X"}},
    };
    for (const Case& c : cases) {
        FixedLister lister;
        const auto setPorts = [&](const std::vector<std::string>& names) {
            lister.list.clear();
            for (const std::string& n : names)
                lister.list.push_back(PortEntry(n, n != "s"));
        };
        setPorts(c.atStart);
        PortWatch watch(c.given, lister, [&](const std::string& name) {
            return std::any_of(lister.list.begin(), lister.list.end(),
                               [&](const SerialPortEntry& e) { return e.location == name; });
        });
        watch.start({}, "");
        std::vector<E> events;
        std::vector<std::string> ports;
        for (const auto& present : c.polls) {
            setPorts(present);
            events.push_back(watch.poll());
            if (events.back() == E::Arrived) ports.push_back(watch.port());
        }
        EXPECT_EQ(events, c.events) << c.what;
        EXPECT_EQ(ports, c.ports) << c.what;
    }
}

// With "auto" an altimeter already plugged in at the start is taken at the first poll.
TEST(PortWatch, AutoTakesAnAltimeterPresentAtTheStart) {
    test::FakeClock clock;
    test::FakeLine line(clock);
    line.onCommand = [&](const std::vector<std::uint8_t>&) {
        line.deliver(std::vector<std::uint8_t>(line.lastName == "B" ? 8 : 0, 0x11));
    };
    Altimeter altimeter(line, clock);
    FixedLister lister;
    lister.list = {PortEntry("A", true), PortEntry("B", true)};
    PortWatch watch("auto", lister, [](const std::string&) { return true; });
    watch.start(AskWith(altimeter), "");
    EXPECT_EQ(watch.poll(), PortWatch::Event::Arrived);
    EXPECT_EQ(watch.port(), "B");
}

// With "auto" no port that is not an altimeter can block the watch: a GPS present at the start
// and a silent adapter plugged in later are each asked once and passed over until unplugged,
// the altimeter plugged in meanwhile is taken, and after its download the next one may come on
// any port while it stays plugged in.
TEST(PortWatch, AutoAsksEachPortOnceAndPassesOverThoseThatDoNotAnswer) {
    using E = PortWatch::Event;
    test::FakeClock clock;
    test::FakeLine line(clock);
    std::vector<std::string> asked;
    line.onCommand = [&](const std::vector<std::uint8_t>&) {
        asked.push_back(line.lastName);
        line.deliver(std::vector<std::uint8_t>(line.lastName[0] == 'B' ? 8 : 0, 0x11));
    };
    Altimeter altimeter(line, clock);
    FixedLister lister;
    const auto plug = [&](std::vector<std::string> names) {
        lister.list.clear();
        for (const std::string& n : names)
            lister.list.push_back(PortEntry(n, true));
    };
    plug({"GPS"});
    PortWatch watch("auto", lister, [](const std::string&) { return true; });
    watch.start(AskWith(altimeter), "");
    EXPECT_EQ(watch.takePassedOver(), std::vector<std::string>{"GPS"});
    const std::vector<std::pair<std::vector<std::string>, E>> polls = {
        {{"GPS"}, E::None},
        {{"GPS", "B1"}, E::None},      // settling
        {{"GPS", "B1"}, E::Arrived},   // asked: an altimeter
        {{"GPS", "B1"}, E::Departed},  // downloaded: passed over while plugged in
        {{"GPS", "B1", "S"}, E::None}, // a silent adapter settles
        {{"GPS", "B1", "S"}, E::None}, // asked once: passed over
        {{"GPS", "B1", "S", "B2"}, E::None},
        {{"GPS", "B1", "S", "B2"}, E::Arrived}, // the next altimeter, the first still in
        {{"GPS", "S"}, E::Departed},
        {{"GPS", "S", "B1"}, E::None}, // plugged in again: new
        {{"GPS", "S", "B1"}, E::Arrived},
    };
    std::vector<std::string> arrived;
    for (const auto& [present, event] : polls) {
        plug(present);
        EXPECT_EQ(watch.poll(), event) << present.size();
        if (event == E::Arrived) arrived.push_back(watch.port());
    }
    EXPECT_EQ(arrived, (std::vector<std::string>{"B1", "B2", "B1"}));
    EXPECT_EQ(std::count(asked.begin(), asked.end(), "GPS"), 1);
    EXPECT_EQ(std::count(asked.begin(), asked.end(), "S"), 1);
    EXPECT_EQ(watch.takePassedOver(), std::vector<std::string>{"S"});
}

} // namespace
} // namespace orlomat
