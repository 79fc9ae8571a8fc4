// End to end over a real pseudo-terminal: the altimeter emulator on one side, the window and
// the command-line tool on the other, through QSerialPort. These tests sleep for real.
#include "app/cli.h"
#include "device/altimeter.h"
#include "tests/support/emulator_process.h"
#include "tests/support/pty_port_lister.h"
#include "tests/support/scripted_prompter.h"
#include "tests/support/window_controls.h"
#include "tools/synth/flight_synth.h"
#include "ui/chart_view.h"
#include "ui/device_settings_dialog.h"
#include "ui/main_window.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <sstream>

namespace orlomat {
namespace {

using namespace test; // the window's controls by their designed names

using Emulator = test::EmulatorProcess;

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The longest the window's thread went without running its timers while `act` ran, and how
// long `act` took.
struct Responsiveness {
    qint64 longestPauseMs = 0, tookMs = 0;
};
Responsiveness WhileRunning(const std::function<void()>& act) {
    Responsiveness r;
    QElapsedTimer clock, sinceTick;
    QTimer tick;
    tick.setInterval(10);
    QObject::connect(&tick, &QTimer::timeout,
                     [&] { r.longestPauseMs = std::max(r.longestPauseMs, sinceTick.restart()); });
    clock.start();
    sinceTick.start();
    tick.start();
    act();
    r.longestPauseMs = std::max(r.longestPauseMs, sinceTick.elapsed());
    r.tookMs = clock.elapsed();
    return r;
}

class EmulatorTest : public ::testing::Test {
protected:
    QString WriteFlight(const SynthParams& p) {
        const QString path = dir.filePath(QStringLiteral("flight.dat"));
        const auto bytes = SynthesizeFlight(p);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
        return path;
    }
    int Cli(const std::vector<std::string>& args) {
        out.str("");
        err.str("");
        return RunCli(args, out, err);
    }
    QTemporaryDir dir;
    std::ostringstream out, err;
};

TEST_F(EmulatorTest, WindowDownloadShowsTheAltimetersFlight) {
    SynthParams p;
    p.competitor = 4321;
    p.serial = 777;
    const QString flight = WriteFlight(p);
    Emulator emu({QStringLiteral("--flight"), flight, QStringLiteral("--blocks")});
    ASSERT_FALSE(emu.port().isEmpty());

    test::ScriptedPrompter prompter;
    MainWindow w(dir.filePath(QStringLiteral("OrlomatBMP.par")), prompter);
    w.setPortOverride(emu.port());
    Click(w, "B_Odczyt_Orlomatu");
    EXPECT_TRUE(prompter.shown.empty()) << prompter.shown[0].text.toStdString();
    EXPECT_EQ(Edit(w, "E_NrZawodnika")->text(), QStringLiteral("4321"));
    EXPECT_EQ(Edit(w, "E_NrSeryjny")->text(), QStringLiteral("777"));
    EXPECT_EQ(Group(w, "GroupB_Alt")->title(), QStringLiteral("Orlomat"));
    EXPECT_GT(w.chart()->pointCount(Series::Altitude), 500);
    EXPECT_FALSE(Edit(w, "E_PobDan")->isVisible());
    EXPECT_EQ(w.altimeter().channel.state(), Channel::State::Closed);

    // Save writes what was received, with the calibration word in bytes 8-9.
    const QString saved = dir.filePath(QStringLiteral("saved.dat"));
    prompter.fileNames = {saved};
    Click(w, "BZapisz");
    QByteArray expected = ReadAll(flight);
    expected[8] = static_cast<char>(10123 & 0xFF);
    expected[9] = static_cast<char>(10123 >> 8);
    EXPECT_EQ(ReadAll(saved), expected);

    // A reset answer goes to the reply buffer: the flight and a later save are untouched.
    prompter.confirmations = {true};
    Click(w, "BZerowanie");
    ASSERT_EQ(prompter.shown.size(), 2u);
    EXPECT_EQ(prompter.shown[1].text, QStringLiteral("Orlomat wyzerowany"));
    EXPECT_EQ(prompter.shown[1].caption, QStringLiteral("Zerowanie"));
    prompter.fileNames = {saved};
    prompter.confirmations = {true};
    Click(w, "BZapisz");
    EXPECT_EQ(ReadAll(saved), expected);
    EXPECT_EQ(emu.refusals(), QString()); // every frame and the line as the altimeter wants
}

// "Automatycznie" in the port list: the window's exchanges find the altimeter among the USB
// serial ports; a silent adapter hears the status question only.
TEST_F(EmulatorTest, WindowFindsTheAltimeterWithTheAutomaticPort) {
    SynthParams p;
    p.competitor = 2468;
    const QString flight = WriteFlight(p);
    const QString silentFrames = dir.filePath(QStringLiteral("silent.frames"));
    Emulator silent({QStringLiteral("--flight"), flight, QStringLiteral("--silent"),
                     QStringLiteral("--frames"), silentFrames});
    Emulator good({QStringLiteral("--flight"), flight});
    test::PtyPortLister lister({silent.port().toStdString(), good.port().toStdString()}, {});
    qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")).toUtf8());

    test::ScriptedPrompter prompter;
    MainWindow w(dir.filePath(QStringLiteral("OrlomatBMP.par")), prompter);
    w.setPortLister(lister);
    w.createDialogs();
    auto* dialog = w.findChild<DeviceSettingsDialog*>();
    QComboBox* ports = Named<QComboBox>(*dialog, "CB_Numer_Portu");
    const int automatic = ports->findText(QStringLiteral("Automatycznie"));
    ASSERT_GE(automatic, 0);
    EXPECT_GE(ports->findText(good.port() + QStringLiteral(" \u2014 test adapter")), 0);
    ports->setCurrentIndex(automatic);
    emit ports->activated(automatic); // as a pick from the list does
    EXPECT_EQ(w.session().settings.portName(), "auto");

    Click(w, "B_Odczyt_Orlomatu");
    EXPECT_TRUE(prompter.shown.empty()) << prompter.shown[0].text.toStdString();
    EXPECT_EQ(Edit(w, "E_NrZawodnika")->text(), QStringLiteral("2468"));
    EXPECT_EQ(silent.refusals(), QString());
    EXPECT_EQ(good.refusals(), QString());
    QFile frames(silentFrames); // written by the emulator once a frame came
    if (frames.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : frames.readAll().split('\n')) {
            if (line.startsWith("frame")) {
                EXPECT_TRUE(line.startsWith("frame 4:")) << line.data();
            }
        }
    }
    qunsetenv("XDG_CONFIG_HOME");
}

TEST_F(EmulatorTest, CommandLineDownloadWritesTheRecordByteForByte) {
    SynthParams p;
    p.samplingCode = 0;
    p.glideSeconds = 1000.0f; // a full 33 000-byte record
    const QString flight = WriteFlight(p);
    Emulator emu({QStringLiteral("--flight"), flight});
    const QString target = dir.filePath(QStringLiteral("dl.dat"));
    // The wall time is printed for the record, not asserted: timing is the benchmark's job.
    QElapsedTimer timer;
    timer.start();
    ASSERT_EQ(Cli({"download", "--port", emu.port().toStdString(), "-o", target.toStdString()}), 0)
        << err.str();
    const qint64 ms = timer.elapsed();
    std::printf("full download: %lld ms (line time about 3150 ms)\n", static_cast<long long>(ms));
    const QByteArray got = ReadAll(target), sent = ReadAll(flight);
    ASSERT_EQ(got.size(), 33000);
    EXPECT_EQ(got.left(8), sent.left(8));
    EXPECT_EQ(got.mid(10), sent.mid(10));
    EXPECT_NE(out.str().find("\"bytes\":33000"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("\"new_measurement\":true"), std::string::npos);
    EXPECT_EQ(emu.refusals(), QString());
}

TEST_F(EmulatorTest, ResetOkAndError) {
    {
        Emulator emu({});
        EXPECT_EQ(Cli({"reset", "--port", emu.port().toStdString()}), 0) << err.str();
        EXPECT_NE(err.str().find("Reset - OK"), std::string::npos);
    }
    {
        Emulator emu({QStringLiteral("--wrong-ack")});
        EXPECT_EQ(Cli({"reset", "--port", emu.port().toStdString(), "--lang", "pl"}), 1);
        EXPECT_NE(err.str().find("Błąd Zerowania"), std::string::npos) << err.str();
    }
}

TEST_F(EmulatorTest, SilentAltimeterAndMissingPortWriteNoFile) {
    const QString target = dir.filePath(QStringLiteral("none.dat"));
    {
        Emulator emu({QStringLiteral("--silent")});
        EXPECT_EQ(Cli({"download", "--port", emu.port().toStdString(), "-o", target.toStdString()}),
                  1);
        EXPECT_NE(err.str().find("Communication Error"), std::string::npos) << err.str();
    }
    EXPECT_EQ(Cli({"download", "--port", "pts/9999", "-o", target.toStdString()}), 1);
    EXPECT_NE(err.str().find("Communication Error: pts/9999"), std::string::npos) << err.str();
    EXPECT_FALSE(QFile::exists(target));
}

TEST_F(EmulatorTest, SettingsWrittenFromTheCommandLineReadBackInTheWindow) {
    Emulator emu({});
    const std::string port = emu.port().toStdString();
    ASSERT_EQ(Cli({"settings", "--port", port, "--level", "55", "--sampling", "4", "--manual-zero",
                   "1", "--competitor", "321", "--delay", "42"}),
              0)
        << err.str();
    EXPECT_NE(out.str().find("\"written\":true"), std::string::npos) << out.str();
    ASSERT_EQ(Cli({"settings", "--port", port}), 0) << err.str();
    EXPECT_NE(out.str().find("\"competitor\":321,"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("\"level_m\":55,"), std::string::npos);
    EXPECT_NE(out.str().find("\"delay_s\":42,"), std::string::npos);
    EXPECT_NE(out.str().find("\"version\":\"V 2016.4\""), std::string::npos);

    test::ScriptedPrompter prompter;
    MainWindow w(dir.filePath(QStringLiteral("OrlomatBMP.par")), prompter);
    w.createDialogs();
    w.setPortOverride(emu.port());
    // The window goes on (painting, a screen reader's questions, its timers) while the
    // altimeter is asked, far more often than the exchange's pauses of 250 ms and more.
    const Responsiveness reading = WhileRunning([&] { Trigger(w, "Orlomat1"); });
    EXPECT_GE(reading.tookMs, 1000);
    EXPECT_LT(reading.longestPauseMs, 200);
    EXPECT_TRUE(prompter.shown.empty());
    const DeviceSettingsDialog::Fields shown = w.findChild<DeviceSettingsDialog*>()->values();
    EXPECT_EQ(shown.competitor, QStringLiteral("321"));
    EXPECT_EQ(shown.delay, QStringLiteral("42"));
    EXPECT_EQ(shown.sampling, 4);

    // The default setup, then read again; its indicator stays a second, the window going on.
    const Responsiveness setup = WhileRunning([&] { Trigger(w, "Se1"); });
    EXPECT_GE(setup.tookMs, 1000);
    EXPECT_LT(setup.longestPauseMs, 200);
    EXPECT_TRUE(prompter.shown.empty());
    ASSERT_EQ(Cli({"settings", "--port", port}), 0);
    EXPECT_NE(out.str().find("\"competitor\":0,"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("\"level_m\":30,"), std::string::npos);
    EXPECT_NE(out.str().find("\"sampling_code\":1,"), std::string::npos);
    EXPECT_NE(out.str().find("\"manual_zero\":1,"), std::string::npos);
    EXPECT_NE(out.str().find("\"delay_s\":180,"), std::string::npos);
    EXPECT_EQ(Cli({"default-setup", "--port", port}), 0) << err.str();
    EXPECT_EQ(emu.refusals(), QString());
}

// While a short exchange runs, the window's other exchanges are unavailable: a screen reader's
// action is not held as the keyboard and the mouse are, and another settings read started
// under the running one would find the altimeter busy and call that a communication error.
TEST_F(EmulatorTest, OtherExchangesAreUnavailableWhileOneRuns) {
    Emulator emu({QStringLiteral("--latency"), QStringLiteral("100")});
    test::ScriptedPrompter prompter;
    MainWindow w(dir.filePath(QStringLiteral("OrlomatBMP.par")), prompter);
    w.createDialogs();
    w.setPortOverride(emu.port());
    bool resetAvailable = true, readAvailable = true, stationAvailable = true;
    QTimer::singleShot(300, &w, [&] {
        resetAvailable = Button(w, "BZerowanie")->isEnabled();
        readAvailable = Button(w, "B_Odczyt_Orlomatu")->isEnabled();
        stationAvailable = Action(w, "StacjaPobierania1")->isEnabled();
        Trigger(w, "Orlomat1"); // as a screen reader's "press" would
        Trigger(w, "Se1");
    });
    bool readWhileOpen = true; // the dialog holds the port
    prompter.onModal = [&](QDialog&) {
        readWhileOpen = Button(w, "B_Odczyt_Orlomatu")->isEnabled();
    };
    Trigger(w, "Orlomat1");
    EXPECT_FALSE(readWhileOpen);
    EXPECT_FALSE(resetAvailable);
    EXPECT_FALSE(readAvailable);
    EXPECT_FALSE(stationAvailable);
    EXPECT_TRUE(prompter.shown.empty()) << prompter.shown[0].text.toStdString();
    EXPECT_EQ(prompter.modals, 1);
    EXPECT_TRUE(Button(w, "BZerowanie")->isEnabled());
    EXPECT_TRUE(Action(w, "Orlomat1")->isEnabled());
    EXPECT_TRUE(Action(w, "StacjaPobierania1")->isEnabled());
}

} // namespace
} // namespace orlomat
