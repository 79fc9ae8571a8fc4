// The device faults end to end: the emulator on a pseudo-terminal imitates a bad altimeter or
// cable, and both the window and the command-line tool must end with the right message, the
// port closed, nothing saved lost, and no hang beyond the designed waits.
#include "app/cli_device.h"
#include "device/altimeter.h"
#include "device/qt_serial_line.h"
#include "tests/support/emulator_process.h"
#include "tests/support/scripted_prompter.h"
#include "tests/support/window_controls.h"
#include "tools/synth/flight_synth.h"
#include "ui/main_window.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

namespace orlomat {
namespace {

using namespace test; // the window's controls by their designed names

// Real reply waits, but the 100 ms passes of the transfer loop last 1 ms: the 1020-pass
// cases take about a second instead of a hundred.
class QuickPassClock : public Clock {
public:
    void sleepMs(int ms) override {
        QThread::msleep(static_cast<unsigned long>(ms == 100 ? 1 : ms));
    }
};

using Emulator = test::EmulatorProcess;

struct FaultCase {
    const char* name;
    QStringList emulatorArgs;
    bool received;              // a record (32 bytes or more) arrives and becomes the flight
    std::vector<Message> shown; // what the window says
    bool statusFails = false;   // the first exchange fails: nothing else happens
    bool unplugged = false;     // the port is gone afterwards
    bool incomplete = false;    // the end pair never came: kept, but told
};

void PrintTo(const FaultCase& c, std::ostream* os) {
    *os << c.name;
}

class FaultMatrix : public ::testing::TestWithParam<FaultCase> {
protected:
    void SetUp() override {
        SynthParams p;
        p.glideSeconds = 20.0f; // a short flight: 1 300 bytes
        p.competitor = 31;
        const auto bytes = SynthesizeFlight(p);
        flight = dir.filePath(QStringLiteral("flight.dat"));
        QFile f(flight);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    }
    QTemporaryDir dir;
    QString flight;
};

std::vector<QString> Texts(const test::ScriptedPrompter& p) {
    std::vector<QString> t;
    for (const auto& m : p.shown)
        t.push_back(m.text);
    return t;
}

TEST_P(FaultMatrix, WindowAndCommandLine) {
    const FaultCase& c = GetParam();
    QuickPassClock clock;

    // The window, with a flight already loaded that a failed read must not lose.
    {
        Emulator emu(c.emulatorArgs, flight);
        ASSERT_FALSE(emu.port().isEmpty());
        test::ScriptedPrompter prompter;
        QtSerialLine line;
        MainWindow w(dir.filePath(QStringLiteral("w.par")), prompter, &line, &clock);
        SynthParams other;
        other.competitor = 99;
        const auto before = SynthesizeFlight(other);
        const QString earlier = dir.filePath(QStringLiteral("earlier.dat"));
        {
            QFile f(earlier);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(reinterpret_cast<const char*>(before.data()),
                    static_cast<qsizetype>(before.size()));
        }
        ASSERT_TRUE(w.loadFlightFile(earlier));
        w.setPortOverride(emu.port());
        QElapsedTimer t;
        t.start();
        Click(w, "B_Odczyt_Orlomatu");
        EXPECT_LT(t.elapsed(), 15000);
        std::vector<Message> messages = c.shown;
        // The emulator sends its version where a size could stand: the size is unknown.
        if (c.incomplete) messages.push_back(Message::IncompleteFlightSizeUnknown);
        const std::vector<QString> texts = Texts(prompter);
        ASSERT_EQ(texts.size(), messages.size());
        for (std::size_t i = 0; i < texts.size(); ++i) // some carry a detail after the text
            EXPECT_TRUE(texts[i].startsWith(QString::fromUtf8(Tr(messages[i], Language::Polish))
                                                .section(QLatin1Char('%'), 0, 0)))
                << i;
        EXPECT_EQ(w.altimeter().channel.state(), Channel::State::Closed);
        if (c.received) {
            EXPECT_GE(w.session().current.record.size(), kHeaderSize);
            EXPECT_NE(w.session().current.record, before);
        } else if (c.statusFails) {
            EXPECT_EQ(w.session().current.record, before); // the earlier flight stays
        } else {
            EXPECT_LT(w.session().current.record.size(), kHeaderSize); // what arrived
        }
        // Whatever happened, Save writes the current flight's own bytes.
        const QString saved = dir.filePath(QStringLiteral("saved.dat"));
        prompter.fileNames = {saved};
        prompter.confirmations = {true};
        Click(w, "BZapisz");
        QFile s(saved);
        if (!w.session().current.record.empty()) {
            ASSERT_TRUE(s.open(QIODevice::ReadOnly));
            EXPECT_EQ(static_cast<std::size_t>(s.size()), w.session().current.record.size());
        }
    }

    // The command-line tool: exit 1 and no file on every failure, the record on success,
    // exit 3 and the record kept when it is incomplete.
    {
        Emulator emu(c.emulatorArgs, flight);
        const QString target = dir.filePath(QStringLiteral("cli.dat"));
        QFile::remove(target);
        QtSerialLine line;
        std::ostringstream out, err;
        const int rc = RunDeviceCommand(
            "download", {"--port", emu.port().toStdString(), "-o", target.toStdString()},
            Language::English, out, err, &line, &clock);
        EXPECT_EQ(rc, !c.received ? 1 : c.incomplete ? 3 : 0) << err.str();
        EXPECT_EQ(QFile::exists(target), c.received) << err.str();
        if (c.incomplete) {
            EXPECT_NE(out.str().find("\"complete\":false"), std::string::npos) << out.str();
            EXPECT_NE(err.str().find("incomplete flight"), std::string::npos) << err.str();
        }
        EXPECT_EQ(emu.refusals(), QString());
        // The port is free again: another program can open it (unless it was pulled out).
        if (!c.unplugged) {
            QSerialPort again(emu.port());
            EXPECT_TRUE(again.open(QIODevice::ReadWrite)) << again.errorString().toStdString();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Emulator, FaultMatrix,
    ::testing::Values(
        FaultCase{"Healthy", {}, true, {}},
        FaultCase{
            "Silent", {QStringLiteral("--silent")}, false, {Message::CommunicationError}, true},
        FaultCase{"ShortReplies",
                  {QStringLiteral("--reply-bytes"), QStringLiteral("5")},
                  false,
                  {Message::CommunicationError},
                  true},
        FaultCase{"LongReplies",
                  {QStringLiteral("--reply-bytes"), QStringLiteral("12")},
                  false,
                  {Message::CommunicationError},
                  true},
        FaultCase{
            "NoNewMeasurement", {QStringLiteral("--no-new")}, true, {Message::NoNewMeasurement}},
        FaultCase{"StreamCutShort",
                  {QStringLiteral("--cut-after"), QStringLiteral("20")},
                  false,
                  {Message::CommunicationError}},
        FaultCase{"StreamCutAfter700",
                  {QStringLiteral("--cut-after"), QStringLiteral("700")},
                  true,
                  {},
                  false,
                  false,
                  true},
        FaultCase{"NoEndMarker", {QStringLiteral("--no-marker")}, true, {}, false, false, true},
        FaultCase{"SlowStream", {QStringLiteral("--slow"), QStringLiteral("4")}, true, {}},
        FaultCase{"UnplugDuringStream",
                  {QStringLiteral("--unplug-after"), QStringLiteral("600")},
                  true,
                  {Message::CommunicationError},
                  false,
                  true,
                  true},
        FaultCase{"UnplugBetweenCommands",
                  {QStringLiteral("--unplug-after"), QStringLiteral("0")},
                  false,
                  {Message::CommunicationError},
                  false,
                  true}),
    [](const ::testing::TestParamInfo<FaultCase>& info) { return std::string(info.param.name); });

TEST(FaultMatrixPort, WrongAcknowledgementsAndGarbage) {
    QuickPassClock clock;
    const auto run = [&](const QStringList& emulatorArgs, const std::string& command,
                         std::vector<std::string> args, std::string& err) {
        Emulator emu(emulatorArgs, {});
        args.insert(args.begin(), {"--port", emu.port().toStdString()});
        QtSerialLine line;
        std::ostringstream out, e;
        const int rc = RunDeviceCommand(command, args, Language::English, out, e, &line, &clock);
        err = e.str();
        return rc;
    };
    std::string err;
    EXPECT_EQ(run({QStringLiteral("--wrong-ack")}, "settings",
                  {"--level", "10", "--sampling", "2", "--manual-zero", "0", "--competitor", "5",
                   "--delay", "3"},
                  err),
              1);
    EXPECT_NE(err.find("did not take --competitor --level --sampling (refused)"), std::string::npos)
        << err;
    EXPECT_EQ(run({QStringLiteral("--wrong-ack")}, "default-setup", {}, err), 1);
    EXPECT_NE(err.find("Setup failed"), std::string::npos) << err;
    EXPECT_EQ(run({QStringLiteral("--wrong-ack")}, "reset", {}, err), 1);
    EXPECT_NE(err.find("Reset - Error"), std::string::npos) << err;
    // Garbage in every reply: the read fails or goes through, never more.
    QTemporaryDir dir;
    const int rc = run({QStringLiteral("--garbage")}, "download",
                       {"-o", dir.filePath(QStringLiteral("g.dat")).toStdString()}, err);
    EXPECT_TRUE(rc == 0 || rc == 1 || rc == 3);
    EXPECT_EQ(run({QStringLiteral("--garbage")}, "settings", {}, err) <= 1, true);
}

TEST(FaultMatrixPort, ASecondProgramHoldingThePort) {
    Emulator emu({});
    QSerialPort holder(emu.port());
    ASSERT_TRUE(holder.open(QIODevice::ReadWrite));
    QTemporaryDir dir;
    QuickPassClock clock;
    test::ScriptedPrompter prompter;
    QtSerialLine line;
    MainWindow w(dir.filePath(QStringLiteral("w.par")), prompter, &line, &clock);
    Trigger(w, "English1");
    w.setPortOverride(emu.port());
    Click(w, "B_Odczyt_Orlomatu");
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text.section(QLatin1Char('\n'), 0, 0),
              QStringLiteral("Communication Error: ") + emu.port());
    const QString present = prompter.shown[0].text.section(QLatin1Char('\n'), 1);
    EXPECT_TRUE(present.startsWith(QStringLiteral("Present: ")) ||
                present.startsWith(QStringLiteral("No serial port is present")))
        << present.toStdString();
    EXPECT_EQ(prompter.shown[0].caption, QStringLiteral("Altimeter - error"));
    EXPECT_EQ(w.altimeter().channel.state(), Channel::State::Failed);
}

// A device that is not an altimeter (a GPS receiver writing a line every 100 ms), bytes left
// in the queue by an earlier program, replies that come late: the window and every device
// command end within the reply wait's limit, or pass, as an altimeter user would expect.
struct LineCase {
    const char* name;
    QStringList emulatorArgs;
    const char* command;
    std::vector<std::string> args;
    int exitCode;
    const char* stderrHas;
};

class LineFaults : public ::testing::TestWithParam<LineCase> {};

void PrintTo(const LineCase& c, std::ostream* os) {
    *os << c.name;
}

TEST_P(LineFaults, CommandLine) {
    const LineCase& c = GetParam();
    Emulator emu(c.emulatorArgs);
    QTemporaryDir dir;
    std::vector<std::string> args = {"--port", emu.port().toStdString()};
    for (const std::string& a : c.args)
        args.push_back(a == "OUT" ? dir.filePath(QStringLiteral("f.dat")).toStdString() : a);
    std::ostringstream out, err;
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(RunDeviceCommand(c.command, args, Language::English, out, err), c.exitCode)
        << err.str();
    std::printf("%s %s: %lld ms\n", c.name, c.command, static_cast<long long>(t.elapsed()));
    EXPECT_LT(t.elapsed(), 12000);
    EXPECT_NE(err.str().find(c.stderrHas), std::string::npos) << err.str();
    EXPECT_EQ(emu.refusals(), QString());
}

const std::vector<std::string> kWriteAll = {
    "--level", "10", "--sampling", "2", "--manual-zero", "0", "--competitor", "5", "--delay", "3"};

INSTANTIATE_TEST_SUITE_P(
    Emulator, LineFaults,
    ::testing::Values(
        LineCase{"Babble", {"--babble", "100"}, "settings", {}, 1, "Communication Error"},
        LineCase{"Babble", {"--babble", "100"}, "reset", {}, 1, "never goes quiet"},
        LineCase{"Babble", {"--babble", "100"}, "default-setup", {}, 1, "e5 (the port never"},
        LineCase{"Babble", {"--babble", "100"}, "download", {"-o", "OUT"}, 1, "never goes quiet"},
        LineCase{"Babble", {"--babble", "100"}, "settings", kWriteAll, 1, "never went quiet"},
        LineCase{"Stale", {"--stale", "5"}, "settings", {}, 0, ""},
        LineCase{"Stale", {"--stale", "3"}, "default-setup", {}, 0, ""},
        LineCase{"Late", {"--latency", "200"}, "settings", {}, 0, ""},
        LineCase{"Late", {"--latency", "200"}, "download", {"-o", "OUT"}, 0, ""}),
    [](const ::testing::TestParamInfo<LineCase>& info) {
        std::string name = std::string(info.param.name) + "_" + info.param.command;
        std::replace(name.begin(), name.end(), '-', '_');
        return name + "_" + std::to_string(info.index);
    });

TEST(LineFaultsWindow, BabblingPortIsGivenUpOnInTheWindow) {
    Emulator emu({QStringLiteral("--babble"), QStringLiteral("100")});
    QTemporaryDir dir;
    test::ScriptedPrompter prompter;
    MainWindow w(dir.filePath(QStringLiteral("w.par")), prompter);
    w.createDialogs();
    w.setPortOverride(emu.port());
    QElapsedTimer t;
    t.start();
    Click(w, "B_Odczyt_Orlomatu");
    const qint64 download = t.restart();
    Trigger(w, "Orlomat1");
    const qint64 settings = t.elapsed();
    std::printf("window gives up on a babbling port: download %lld ms, settings %lld ms\n",
                static_cast<long long>(download), static_cast<long long>(settings));
    EXPECT_LT(download, 8000);
    EXPECT_LT(settings, 8000);
    ASSERT_EQ(prompter.shown.size(), 2u);
    EXPECT_TRUE(prompter.shown[0].text.startsWith(
        QString::fromUtf8(Tr(Message::LineBusy, Language::Polish))));
    EXPECT_EQ(prompter.shown[1].text,
              QString::fromUtf8(Tr(Message::CommunicationError, Language::Polish)));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("w.par"))));
}

// The emulator itself: a program that sent a wrong frame, or opened the line with the wrong
// settings, gets no reply, and the test sees why.
TEST(StrictEmulator, RefusesWrongFramesAndWrongLineSettings) {
    Emulator emu({});
    const auto exchange = [&](QSerialPort& port, QByteArray frame) {
        port.write(frame);
        port.waitForBytesWritten(500);
        QByteArray reply;
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 400)
            if (port.waitForReadyRead(50)) reply += port.readAll();
        return reply;
    };
    const QByteArray status("e4\0\0\0\0\0\0", 8);
    {
        QSerialPort port(emu.port()); // a program that forgot the altimeter's line settings
        ASSERT_TRUE(port.open(QIODevice::ReadWrite));
        port.setBaudRate(QSerialPort::Baud9600);
        port.setStopBits(QSerialPort::OneStop);
        EXPECT_TRUE(exchange(port, status).isEmpty());
        EXPECT_TRUE(emu.refusals().contains(QStringLiteral("line settings: baud rate, stop bits")))
            << emu.refusals().toStdString();
    }
    QSerialPort port(emu.port());
    ASSERT_TRUE(port.open(QIODevice::ReadWrite));
    port.setBaudRate(QSerialPort::Baud115200);
    port.setStopBits(QSerialPort::TwoStop);
    EXPECT_EQ(exchange(port, status).size(), 8);
    EXPECT_TRUE(exchange(port, QByteArray("e2\0\0\0\0\0\0", 8)).isEmpty());
    EXPECT_TRUE(emu.refusals().contains(QStringLiteral("reset frame")));
    EXPECT_TRUE(exchange(port, QByteArray("e5\0\0\1\0\0\0", 8)).isEmpty()); // byte 4 set
    EXPECT_TRUE(emu.refusals().contains(QStringLiteral("byte 4 not zero")));
    // Half a frame, then a pause: dropped, not glued to the next command.
    port.write(QByteArray("e4\0\0", 4));
    port.waitForBytesWritten(500);
    QThread::msleep(150);
    EXPECT_EQ(exchange(port, status).size(), 8);
    EXPECT_TRUE(emu.refusals().contains(QStringLiteral("partial frame")));
    EXPECT_EQ(exchange(port, QByteArray("e2\x32\x33\0\0\0\0", 8)).size(), 3);
}

} // namespace
} // namespace orlomat
