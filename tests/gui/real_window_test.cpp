// The window as a person drives it: a real X server (Xvfb, no window manager), the xcb
// platform, and input sent through the X server with xdotool, so that mouse presses,
// releases, window resizes and key presses reach the program the way a user's do.
#include "device/altimeter.h"
#include "tests/support/emulator_process.h"
#include "tests/support/scripted_prompter.h"
#include "tools/synth/flight_synth.h"
#include "ui/chart_view.h"
#include "ui/device_settings_dialog.h"
#include "ui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace orlomat {
namespace {

// Real modal dialogs; messages are recorded (a message box would wait for a person).
class RealDialogsPrompter : public test::ScriptedPrompter {
public:
    void showModal(QDialog& dialog) override {
        ++modals;
        dialog.exec();
    }
};

void Xdo(const QStringList& args) {
    ASSERT_EQ(QProcess::execute(QStringLiteral("xdotool"), args), 0)
        << args.join(' ').toStdString();
}

// A press and release at one spot of `widget`, through the X server.
void ClickAt(QWidget* widget, QPoint at) {
    const QPoint g = widget->mapToGlobal(at);
    Xdo({QStringLiteral("mousemove"), QString::number(g.x()), QString::number(g.y()),
         QStringLiteral("click"), QStringLiteral("1")});
}

bool WaitFor(const std::function<bool()>& done, int ms = 5000) {
    for (int waited = 0; waited < ms; waited += 20) {
        if (done()) return true;
        QTest::qWait(20);
    }
    return done();
}

void SaveShot(QWidget& w, const QString& name) {
    const QByteArray folder = qgetenv("ORLOMAT_SCREENSHOTS");
    if (!folder.isEmpty()) w.grab().save(QDir(QString::fromLocal8Bit(folder)).filePath(name));
}

class RealWindow : public ::testing::Test {
protected:
    void SetUp() override {
        SynthParams p;
        p.glideSeconds = 60.0f;
        p.competitor = 12;
        const auto bytes = SynthesizeFlight(p);
        flight = dir.filePath(QStringLiteral("lot.dat"));
        QFile f(flight);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
        f.close();
        settings = dir.filePath(QStringLiteral("OrlomatBMP.par"));
        window = std::make_unique<MainWindow>(settings, prompter);
        window->createDialogs();
        window->setGeometry(0, 0, 1300, 834);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        chart = window->chart();
    }
    void TearDown() override {
        window.reset();
        QFile::remove(settings);
    }

    // The screen pixel of point `index` of `series`.
    QPoint PointOf(int series, int index) const {
        const QCPGraph* g = chart->graphOf(series);
        const auto it = g->data()->constBegin() + index;
        return g->coordsToPixels(it->key, it->value).toPoint();
    }
    int IndexOfMaximum(int series) const {
        int best = 0;
        for (int i = 0; i < chart->pointCount(series); ++i)
            if (chart->pointValue(series, i) > chart->pointValue(series, best)) best = i;
        return best;
    }
    void ResizeTo(int w, int h) {
        int replots = 0;
        const auto counting =
            QObject::connect(chart, &QCustomPlot::afterReplot, [&] { ++replots; });
        Xdo({QStringLiteral("windowsize"), QString::number(window->winId()), QString::number(w),
             QString::number(h)});
        ASSERT_TRUE(WaitFor([&] { return window->width() == w && window->height() == h; }));
        EXPECT_TRUE(WaitFor([&] { return replots > 0; })) << "no repaint after the resize";
        QObject::disconnect(counting);
        QTest::qWait(50);
    }

    QTemporaryDir dir;
    QString flight, settings;
    RealDialogsPrompter prompter;
    std::unique_ptr<MainWindow> window;
    ChartView* chart = nullptr;
};

TEST_F(RealWindow, PlainClickOnACurveRemovesItAndOnTheLegendRepaints) {
    ASSERT_TRUE(window->loadFlightFile(flight));
    QTest::qWait(100);
    SaveShot(*window, QStringLiteral("loaded.png"));
    const int speedPoints = chart->pointCount(2);

    int replots = 0;
    QObject::connect(chart, &QCustomPlot::afterReplot, [&] { ++replots; });
    const QRect legend = chart->legend->outerRect();
    ClickAt(chart, legend.center());
    EXPECT_TRUE(WaitFor([&] { return replots > 0; })) << "a click on the legend repaints";
    EXPECT_GT(chart->pointCount(1), 0);

    ClickAt(chart, PointOf(1, IndexOfMaximum(1)));
    EXPECT_TRUE(WaitFor([&] { return chart->pointCount(1) == 0; })) << "the altitude curve stays";
    EXPECT_EQ(chart->pointCount(2), speedPoints); // only the clicked curve goes
    EXPECT_TRUE(window->maxEdit->text().isEmpty());
    EXPECT_EQ(window->flightGroup->title(), QStringLiteral("Orlomat"));

    // A drag still zooms.
    const QPoint from = chart->mapToGlobal(chart->axisRect()->rect().center() - QPoint(200, 0));
    const QPoint to = from + QPoint(150, 60);
    Xdo({QStringLiteral("mousemove"), QString::number(from.x()), QString::number(from.y()),
         QStringLiteral("mousedown"), QStringLiteral("1"), QStringLiteral("mousemove"),
         QString::number(from.x() + 40), QString::number(from.y() + 20),
         QStringLiteral("mousemove"), QString::number(to.x()), QString::number(to.y()),
         QStringLiteral("mouseup"), QStringLiteral("1")});
    EXPECT_TRUE(WaitFor([&] { return chart->isZoomed(); }));
}

TEST_F(RealWindow, AResizeRoundTripGivesTheSamePictureAndNothingOverlaps) {
    ASSERT_TRUE(window->loadFlightFile(flight));
    QTest::qWait(150);
    const QImage before = chart->grab().toImage();
    for (const QSize size : {QSize(400, 300), QSize(1920, 1050), QSize(800, 600)}) {
        ResizeTo(size.width(), size.height());
        SaveShot(*window, QStringLiteral("size-%1x%2.png").arg(size.width()).arg(size.height()));
        const QRect plot = chart->axisRect()->rect();
        // The legend stays inside the plot, the captions in their strip below the time labels
        // and left of the first one.
        if (size.width() >= 800) { // below that the window is smaller than the chart's minimum
            EXPECT_TRUE(plot.contains(chart->legend->outerRect())) << size.width();
        }
        EXPECT_GE(window->secondsCaption->y(), chart->height() - ChartView::kCaptionStrip)
            << size.width();
        EXPECT_GE(window->metresCaption->y(), chart->height() - ChartView::kCaptionStrip);
        EXPECT_LE(window->metresCaption->geometry().right(), plot.left() - 8);
    }
    ResizeTo(1300, 834);
    const QImage after = chart->grab().toImage();
    SaveShot(*chart, QStringLiteral("round-trip-after.png"));
    if (!qgetenv("ORLOMAT_SCREENSHOTS").isEmpty())
        before.save(QDir(QString::fromLocal8Bit(qgetenv("ORLOMAT_SCREENSHOTS")))
                        .filePath(QStringLiteral("round-trip-before.png")));
    ASSERT_EQ(after.size(), before.size());
    EXPECT_TRUE(after == before) << "the chart differs after the round trip";
}

TEST_F(RealWindow, EscapeInTheSettingsDialogChangesNothingAndTheNextDownloadWorks) {
    SynthParams p;
    p.competitor = 4321;
    p.glideSeconds = 20.0f;
    const auto bytes = SynthesizeFlight(p);
    const QString other = dir.filePath(QStringLiteral("other.dat"));
    {
        QFile f(other);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    }
    test::EmulatorProcess emu({}, other);
    window->setPortOverride(emu.port());

    // Menu "Ustawienia", item "Orlomat", then Escape once the dialog is up.
    // (The dialog runs its own event loop: the steps inside it come from a timer, which also
    // closes the dialog itself, failing the test, when Escape does not.)
    bool escaped = false;
    int ticks = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        DeviceSettingsDialog* dialog = window->deviceSettingsDialog;
        if (!escaped && dialog->isVisible()) {
            escaped = true;
            SaveShot(*dialog, QStringLiteral("settings.png"));
            EXPECT_EQ(dialog->portCombo->currentText(), emu.port());
            Xdo({QStringLiteral("windowfocus"), QStringLiteral("--sync"),
                 QString::number(dialog->winId()), QStringLiteral("key"),
                 QStringLiteral("Escape")});
        } else if (escaped && dialog->isVisible() && ++ticks > 100) {
            ADD_FAILURE() << "Escape did not close the dialog";
            dialog->reject();
        }
    });
    watch.start(50);
    QMenuBar* bar = window->menuBar();
    ClickAt(bar, bar->actionGeometry(window->setupMenu->menuAction()).center());
    ASSERT_TRUE(WaitFor([&] { return window->setupMenu->isVisible(); }));
    ClickAt(window->setupMenu,
            window->setupMenu->actionGeometry(window->deviceSettingsAction).center());
    ASSERT_TRUE(
        WaitFor([&] { return escaped && !window->deviceSettingsDialog->isVisible(); }, 15000));
    watch.stop();

    EXPECT_TRUE(prompter.shown.empty()) << prompter.shown[0].text.toStdString();
    EXPECT_FALSE(QFile::exists(settings)) << "closing the dialog wrote the settings";
    EXPECT_EQ(window->portName(), emu.port().toStdString());
    EXPECT_EQ(window->deviceSettingsDialog->deviceCompetitorEdit->text(), QStringLiteral("4321"));

    ClickAt(window->readButton, window->readButton->rect().center());
    EXPECT_TRUE(
        WaitFor([&] { return window->competitorEdit->text() == QStringLiteral("4321"); }, 15000))
        << "the download after the dialog did not happen";
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_GT(chart->pointCount(1), 100);
    EXPECT_EQ(emu.refusals(), QString());
}

// A stream that stalls after 1 500 bytes (the emulator's altimeter sent its version, not a
// size): the window stays live and shows the bytes received; Escape or the Cancel button
// stops the download within a second, keeps the flight as the current one and says that it
// is incomplete and not yet saved.
TEST_F(RealWindow, AStalledDownloadStopsOnEscapeOrCancel) {
    struct Case {
        const char* how;
        bool escape; // else a click on the Cancel button
        bool english;
        const char* told;
    };
    const Case cases[] = {
        {"Escape", true, false,
         "Lot niekompletny: odebrano 1500 B (rozmiar nieznany). Zapisz go, jeśli chcesz go "
         "zachować."},
        {"Cancel", false, true,
         "Incomplete flight: 1500 bytes received (size unknown). Save it to keep it."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        if (c.english) window->switchToEnglish();
        test::EmulatorProcess emu({QStringLiteral("--cut-after"), QStringLiteral("1500")}, flight);
        window->setPortOverride(emu.port());
        prompter.shown.clear();
        // The steps during the download come from a timer, which only runs when the window
        // processes its events while it waits for the altimeter.
        bool stopped = false, othersDisabled = false;
        QString progress;
        QElapsedTimer sinceStop;
        QTimer during;
        QObject::connect(&during, &QTimer::timeout, [&] {
            if (stopped || !window->waitIndicator->isVisible()) return;
            progress = window->waitIndicator->text().trimmed();
            if (progress != QStringLiteral("1500 B")) return;
            stopped = true;
            othersDisabled = !window->readButton->isEnabled() &&
                             !window->deviceSettingsAction->isEnabled() &&
                             window->stopButton->isVisible();
            SaveShot(*window, QStringLiteral("download-stalled-%1.png").arg(c.how));
            sinceStop.start();
            if (c.escape)
                Xdo({QStringLiteral("windowfocus"), QStringLiteral("--sync"),
                     QString::number(window->winId()), QStringLiteral("key"),
                     QStringLiteral("Escape")});
            else
                ClickAt(window->stopButton, window->stopButton->rect().center());
        });
        during.start(50);
        ClickAt(window->readButton, window->readButton->rect().center());
        ASSERT_TRUE(
            WaitFor([&] { return stopped && !window->readingIndicator->isVisible(); }, 20000))
            << "no progress in bytes while stalled: " << progress.toStdString();
        const qint64 took = sinceStop.elapsed();
        during.stop();
        std::printf("%s stopped the download after %lld ms\n", c.how, static_cast<long long>(took));
        EXPECT_LT(took, 1000);
        EXPECT_TRUE(othersDisabled) << "another exchange could start during the download";
        ASSERT_EQ(prompter.shown.size(), 1u);
        EXPECT_EQ(prompter.shown[0].text, QString::fromUtf8(c.told));
        EXPECT_EQ(window->session().current.record.size(), 1500u);
        EXPECT_GT(chart->pointCount(1), 10) << "the partial flight is not drawn";
        EXPECT_EQ(window->altimeter().channel.state(), Channel::State::Closed);
        EXPECT_TRUE(window->readButton->isEnabled());
        EXPECT_FALSE(window->stopButton->isVisible());
        EXPECT_EQ(emu.refusals(), QString());
    }
}

TEST_F(RealWindow, QtsOwnTextsFollowTheLanguage) {
    window->switchToPolish();
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Anuluj"));
    window->switchToEnglish();
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
}

} // namespace
} // namespace orlomat

// Starts a private Xvfb (a free display of its own choosing) and runs the tests on it.
int main(int argc, char** argv) {
    QProcess xvfb;
    xvfb.setProcessChannelMode(QProcess::SeparateChannels);
    xvfb.start(QStringLiteral("Xvfb"),
               {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                QStringLiteral("0"), QStringLiteral("1920x1080x24"), QStringLiteral("-nolisten"),
                QStringLiteral("tcp")});
    if (!xvfb.waitForStarted(5000) || !xvfb.waitForReadyRead(10000)) {
        std::fprintf(stderr, "cannot start Xvfb (scripts/setup.sh installs it)\n");
        return 1;
    }
    const QByteArray display = ":" + xvfb.readLine().trimmed();
    qputenv("DISPLAY", display);
    qputenv("QT_QPA_PLATFORM", "xcb");
    int result = 1;
    {
        QApplication app(argc, argv);
        ::testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }
    xvfb.terminate();
    xvfb.waitForFinished(3000);
    return result;
}
