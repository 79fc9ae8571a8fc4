// The flight archive and the download station end to end: the emulator on a pseudo-terminal,
// the window reading it, the archive folder and its log on disk. These tests sleep for real.
#include "contest/download_log.h"
#include "contest/sha256.h"
#include "tests/support/emulator_process.h"
#include "tests/support/window_controls.h"
#include "tests/support/window_fixture.h"
#include "tools/synth/flight_synth.h"
#include "ui/chart_view.h"
#include "ui/flight_archive.h"
#include "ui/settings_file.h"
#include "ui/window_arguments.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMessageBox>
#include <QTest>
#include <QThread>
#include <QTimer>

namespace orlomat {
namespace {

using namespace test;

class ArchiveTest : public WindowTest {
protected:
    void SetUp() override {
        OpenWindow();
        archive = dir.filePath(QStringLiteral("archive"));
        window->setArchiveFolder(archive);
    }
    QStringList Flights() const {
        return QDir(archive).entryList({QStringLiteral("*.dat")}, QDir::Files, QDir::Name);
    }
    std::vector<DownloadLogEntry> Log() const {
        return ReadDownloadLog(archive.toStdString()).entries;
    }
    // Lets the window run until `done`, for at most `ms`.
    static bool RunUntil(const std::function<bool()>& done, int ms = 10000) {
        QElapsedTimer t;
        t.start();
        while (!done() && t.elapsed() < ms) {
            QCoreApplication::processEvents();
            QThread::msleep(20);
        }
        return done();
    }
    QString Line(const char* name) const { return Label(*window, name)->text(); }
    QString archive;
};

TEST_F(ArchiveTest, AFlightReadIsKeptOnceWithItsLogLine) {
    SynthParams p;
    p.competitor = 4321;
    EmulatorProcess emu({}, Write(QStringLiteral("flight.dat"), SynthesizeFlight(p)));
    window->setPortOverride(emu.port());
    Click(*window, "B_Odczyt_Orlomatu");
    EXPECT_TRUE(prompter.shown.empty()) << prompter.shown[0].text.toStdString();
    ASSERT_EQ(Flights().size(), 1);
    const QString kept = Flights()[0];
    EXPECT_TRUE(kept.startsWith(QStringLiteral("C4321_"))) << kept.toStdString();
    const QByteArray bytes = Read(QDir(archive).filePath(kept));
    const std::vector<std::uint8_t>& record = window->session().current.record;
    EXPECT_EQ(bytes, QByteArray(reinterpret_cast<const char*>(record.data()),
                                static_cast<qsizetype>(record.size())));
    ASSERT_EQ(Log().size(), 1u);
    EXPECT_EQ(Log()[0].file, kept.toStdString());
    EXPECT_EQ(Log()[0].sha256, Sha256Hex(record));
    EXPECT_TRUE(Line("ArchiwumLinia").endsWith(kept));

    // The same altimeter read again: nothing new, and the window names the file that holds it.
    Click(*window, "B_Odczyt_Orlomatu");
    for (const ShownMessage& m : prompter.shown)
        EXPECT_EQ(m.text, QString::fromUtf8(Tr(Message::NoNewMeasurement, Language::Polish)));
    EXPECT_EQ(Flights(), QStringList{kept});
    EXPECT_EQ(Log().size(), 1u);
    EXPECT_TRUE(Line("ArchiwumLinia").startsWith(QString::fromUtf8("Ten lot jest już w archiwum")));
    EXPECT_TRUE(Line("ArchiwumLinia").endsWith(kept));
    EXPECT_EQ(emu.refusals(), QString());
}

// An archive that cannot be written: the flight still reaches a disk (the default archive),
// the window says where, and Save works; the station does not start on such an archive, and
// when the archive fails under it, it says where each flight went instead.
TEST_F(ArchiveTest, AnArchiveThatCannotBeWrittenLosesNoFlight) {
    const QString unusable = Write(QStringLiteral("not-a-folder"), {1, 2, 3}) + "/flights";
    const QString fallback = DefaultArchiveFolder();
    const auto inFallback = [&](int competitor) {
        return QDir(fallback).entryList({QStringLiteral("C0%1_*.dat").arg(competitor)});
    };
    window->setArchiveFolder(unusable);
    SynthParams p;
    p.competitor = 77;
    {
        EmulatorProcess emu({}, Write(QStringLiteral("flight.dat"), SynthesizeFlight(p)));
        window->setPortOverride(emu.port());
        Click(*window, "B_Odczyt_Orlomatu");
    }
    ASSERT_EQ(prompter.shown.size(), 1u);
    const QString told = prompter.shown[0].text;
    EXPECT_TRUE(told.startsWith(QString::fromUtf8("Nie można zapisać lotu w archiwum")))
        << told.toStdString();
    EXPECT_EQ(Line("ArchiwumLinia"), told);
    ASSERT_EQ(inFallback(77).size(), 1);
    EXPECT_TRUE(told.endsWith(QDir::toNativeSeparators(QDir(fallback).filePath(inFallback(77)[0]))))
        << told.toStdString();
    const std::vector<std::uint8_t>& record = window->session().current.record;
    EXPECT_EQ(Read(QDir(fallback).filePath(inFallback(77)[0])),
              QByteArray(reinterpret_cast<const char*>(record.data()),
                         static_cast<qsizetype>(record.size())));
    const QString saved = dir.filePath(QStringLiteral("saved.dat"));
    prompter.fileNames = {saved};
    Click(*window, "BZapisz");
    EXPECT_EQ(Read(saved).size(), static_cast<qsizetype>(record.size()));

    prompter.shown.clear();
    Trigger(*window, "StacjaPobierania1");
    EXPECT_FALSE(window->stationOn());
    EXPECT_FALSE(Action(*window, "StacjaPobierania1")->isChecked());
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_TRUE(prompter.shown[0].text.startsWith(QString::fromUtf8("Stacja pobierania nie rusza")))
        << prompter.shown[0].text.toStdString();

    window->setArchiveFolder(archive);
    const QString link = dir.filePath(QStringLiteral("altimeter"));
    window->setPortOverride(link);
    Trigger(*window, "StacjaPobierania1");
    ASSERT_TRUE(window->stationOn());
    window->setArchiveFolder(unusable); // the archive's disk goes while the station runs
    EmulatorProcess emu(
        {QStringLiteral("--link"), link, QStringLiteral("--competitor"), QStringLiteral("33")});
    ASSERT_TRUE(RunUntil([&] { return inFallback(33).size() == 1; }));
    ASSERT_TRUE(RunUntil([&] { return Line("StationLine").startsWith("Zawodnik 33"); }));
    EXPECT_TRUE(Line("StationLine").contains(QString::fromUtf8("NIE w archiwum, zapisano jako ")))
        << Line("StationLine").toStdString();
    EXPECT_TRUE(window->stationOn());
    window->stopStation();
}

TEST_F(ArchiveTest, TheMenuShowsTheFolderAndKeepsTheOneChosen) {
    qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")).toUtf8());
    EXPECT_EQ(StoredArchiveFolder(), QString()); // --archive is for one run only
    const QString chosen = dir.filePath(QStringLiteral("chosen"));
    prompter.fileNames = {chosen};
    Trigger(*window, "ArchiwumLotow1");
    EXPECT_EQ(prompter.folderCaptions, QStringList{QString::fromUtf8("Archiwum lotów: ") +
                                                   QDir::toNativeSeparators(archive)});
    EXPECT_EQ(window->archiveFolder(), chosen);
    EXPECT_EQ(StoredArchiveFolder(), chosen);
    qunsetenv("XDG_CONFIG_HOME");

    // A mistyped option or one without its value is told, not taken for a flight file.
    ApplyWindowArguments(*window, {QStringLiteral("--statoin"), QStringLiteral("--archive")});
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_TRUE(prompter.shown[0].text.startsWith(
        QString::fromUtf8("Nieznana opcja albo brak jej wartości: --statoin, --archive\nusage:")))
        << prompter.shown[0].text.toStdString();
    EXPECT_TRUE(AsksForUsage({QStringLiteral("-h")}));
}

TEST_F(ArchiveTest, TheStationDownloadsEachAltimeterPluggedIn) {
    const QString link = dir.filePath(QStringLiteral("altimeter"));
    window->setPortOverride(link); // not there yet: waited for
    Trigger(*window, "StacjaPobierania1");
    ASSERT_TRUE(window->stationOn());
    EXPECT_TRUE(Line("StationLine").startsWith(QString::fromUtf8("Czekam na wysokościomierz")));
    EXPECT_FALSE(Button(*window, "B_Odczyt_Orlomatu")->isEnabled());
    for (const int competitor : {11, 22}) {
        {
            EmulatorProcess emu({QStringLiteral("--link"), link, QStringLiteral("--competitor"),
                                 QString::number(competitor)});
            const auto kept = static_cast<qsizetype>(competitor / 11);
            ASSERT_TRUE(RunUntil([&] { return Flights().size() == kept; })) << competitor;
            const QString line = Line("StationLine");
            EXPECT_TRUE(line.startsWith(QStringLiteral("Zawodnik %1 — ").arg(competitor)))
                << line.toStdString();
            EXPECT_TRUE(line.endsWith(Flights().filter(QStringLiteral("C0%1_").arg(competitor))[0]))
                << line.toStdString();
            EXPECT_EQ(emu.refusals(), QString());
        } // the emulator goes: the altimeter is unplugged, and the station waits again
        ASSERT_TRUE(
            RunUntil([&] { return Line("StationLine").startsWith(QStringLiteral("Czekam")); }));
    }
    EXPECT_EQ(Log().size(), 2u);
    EXPECT_TRUE(prompter.shown.empty());
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_FALSE(window->stationOn());
    EXPECT_TRUE(Button(*window, "B_Odczyt_Orlomatu")->isEnabled());
}

// The station's line and the maximum's mark follow the suspect maximum: an ejection spike at
// the top is marked, a glider's smooth climbs at one sample a second are not.
TEST_F(ArchiveTest, TheStationMarksASpikeAndNoSmoothClimb) {
    const QString link = dir.filePath(QStringLiteral("altimeter"));
    window->setPortOverride(link);
    Trigger(*window, "StacjaPobierania1");
    ASSERT_TRUE(window->stationOn());
    SynthParams spiked = SynthParams::Dirty(2, 5);
    spiked.competitor = 31;
    spiked.transients.push_back({TrueLaunch(spiked) + spiked.climbSeconds, 3000, 30});
    SynthParams glider = SynthParams::Glider(GliderKind::HillSink, 4, 5, 650);
    glider.competitor = 32;
    for (const SynthParams& p : {spiked, glider}) {
        const bool spike = p.competitor == 31;
        {
            EmulatorProcess emu(
                {QStringLiteral("--link"), link},
                Write(QStringLiteral("f%1.dat").arg(p.competitor), SynthesizeFlight(p)));
            ASSERT_TRUE(RunUntil(
                [&] {
                    return Line("StationLine")
                        .startsWith(QStringLiteral("Zawodnik %1").arg(p.competitor));
                },
                20000));
            const QString line = Line("StationLine");
            EXPECT_EQ(line.contains(QStringLiteral("\u26a0")), spike) << line.toStdString();
            // What the official reads out carries the warning and both figures, in red (and
            // stays above the wait for the next altimeter, as a fault does).
            EXPECT_EQ(line.contains(QStringLiteral(" m — krótki skok ciśnienia? po filtrze ")),
                      spike);
            const auto* label = window->findChild<QLabel*>(QStringLiteral("StationLine"));
            EXPECT_EQ(label->palette().color(QPalette::WindowText) == QColor(192, 0, 0), spike);
            EXPECT_EQ(Edit(*window, "E_MaxGl")->toolTip().isEmpty(), !spike);
        }
        ASSERT_TRUE(
            RunUntil([&] { return Line("StationLine").contains(QStringLiteral("Czekam")); }));
    }
}

// Each note belongs to the flight on screen: another competitor's comparison flight goes when
// the station starts; an incomplete download's red line stays after Escape ends the station,
// and goes, with the archive line, when another flight is loaded.
TEST_F(ArchiveTest, NotesGoWithTheirFlight) {
    SynthParams other;
    other.competitor = 90;
    const QString comparison = Write(QStringLiteral("other.dat"), SynthesizeFlight(other));
    ASSERT_TRUE(window->loadComparisonFile(comparison));
    ASSERT_GT(window->chart()->pointCount(Series::Comparison), 0);
    const QString link = dir.filePath(QStringLiteral("altimeter"));
    window->setPortOverride(link);
    Trigger(*window, "StacjaPobierania1");
    ASSERT_TRUE(window->stationOn());
    EXPECT_EQ(window->chart()->pointCount(Series::Comparison), 0);
    EXPECT_TRUE(Edit(*window, "E_Zaw_Por")->text().isEmpty());
    SynthParams p;
    p.competitor = 41;
    {
        EmulatorProcess emu({QStringLiteral("--link"), link, QStringLiteral("--cut-after"),
                             QStringLiteral("1500"), QStringLiteral("--unplug-after"),
                             QStringLiteral("1500")},
                            Write(QStringLiteral("f41.dat"), SynthesizeFlight(p)));
        ASSERT_TRUE(RunUntil([&] { return Line("StationLine").startsWith("Zawodnik 41"); }, 20000));
    }
    const QString told = Line("StationLine");
    EXPECT_TRUE(told.contains(QStringLiteral("niekompletny"))) << told.toStdString();
    window->stopStation();
    EXPECT_FALSE(Label(*window, "StationLine")->isHidden());
    EXPECT_TRUE(Line("StationLine").startsWith(told.section(QLatin1Char('\n'), 0, 0)));
    ASSERT_TRUE(window->loadFlightFile(comparison));
    EXPECT_TRUE(Label(*window, "StationLine")->isHidden());
    EXPECT_TRUE(Label(*window, "ArchiwumLinia")->isHidden());
}

// A termination request (the window's SIGTERM, SIGINT or SIGHUP, which reach endOnSignal
// through a pipe) in the middle of a single read: the read stops, what came is kept in the
// archive as an incomplete flight with its log line, and no message box waits for anyone.
TEST_F(ArchiveTest, ATerminationRequestDuringAReadKeepsWhatCame) {
    SynthParams p;
    p.glideSeconds = 600.0f;
    EmulatorProcess emu({QStringLiteral("--slow"), QStringLiteral("4")},
                        Write(QStringLiteral("long.dat"), SynthesizeFlight(p)));
    window->setPortOverride(emu.port());
    QTimer::singleShot(1500, window.get(), [this] { window->endOnSignal(); });
    Click(*window, "B_Odczyt_Orlomatu");
    RunUntil([] { return false; }, 300); // the end it asked for runs from the event loop
    EXPECT_TRUE(prompter.shown.empty()) << prompter.shown[0].text.toStdString();
    ASSERT_EQ(Flights().size(), 1);
    EXPECT_TRUE(Flights()[0].endsWith(QStringLiteral("_partial.dat")))
        << Flights()[0].toStdString();
    const std::vector<DownloadLogEntry> log = Log();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_FALSE(log[0].complete);
    EXPECT_GT(log[0].bytesReceived, 0);
    const DownloadLog read = ReadDownloadLog(archive.toStdString());
    for (const CheckedFile& f : CheckFolder(archive.toStdString(), read))
        EXPECT_EQ(f.check, FileCheck::Unchanged) << f.file;
}

// A termination request while a short exchange waits on its box (the reset's question, with
// nobody at the screen): the box goes as if cancelled, the exchange ends and so does the
// program, at once rather than when someone answers.
TEST_F(ArchiveTest, ATerminationRequestEndsTheBoxAnExchangeWaitsOn) {
    struct BoxPrompter : ScriptedPrompter {
        bool confirm(const QString& text, const QString& caption) override {
            ScriptedPrompter::confirm(text, caption);
            QMessageBox box(QMessageBox::NoIcon, caption, text,
                            QMessageBox::Ok | QMessageBox::Cancel);
            return box.exec() == QMessageBox::Ok;
        }
    } asking;
    // An end asked for earlier in this program makes every event loop end at once; the
    // application's own loop clears that on its way out.
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
    window = std::make_unique<MainWindow>(dir.filePath(QStringLiteral("asking.par")), asking);
    window->createDialogs();
    window->setPortOverride(QStringLiteral("pts/9999"));
    QTimer::singleShot(200, window.get(), [this] { window->endOnSignal(); });
    // Were the box left waiting, a user would answer it here (and the reset would go on).
    QTimer::singleShot(4000, window.get(), [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            box->accept();
    });
    QElapsedTimer t;
    t.start();
    QEventLoop untilTheEnd; // ended by the program's end (QCoreApplication::exit)
    QTimer::singleShot(0, window.get(), [this] { Click(*window, "BZerowanie"); });
    untilTheEnd.exec();
    EXPECT_LT(t.elapsed(), 2000);
    ASSERT_EQ(asking.shown.size(), 1u); // the question, and no port message after a "yes"
    EXPECT_TRUE(asking.shown[0].confirmation);
}

} // namespace
} // namespace orlomat
