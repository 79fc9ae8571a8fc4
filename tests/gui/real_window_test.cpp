// The window as a person drives it: a real X server (Xvfb, no window manager), the xcb
// platform, and input sent through the X server with xdotool, so that mouse presses,
// releases, window resizes and key presses reach the program the way a user's do.
#include "contest/download_log.h"
#include "contest/results_table.h"
#include "contest/sha256.h"
#include "device/altimeter.h"
#include "tests/support/emulator_process.h"
#include "tests/support/scripted_prompter.h"
#include "tests/support/window_controls.h"
#include "tools/synth/flight_synth.h"
#include "ui/chart_view.h"
#include "ui/device_settings_dialog.h"
#include "ui/flights_list_window.h"
#include "ui/main_window.h"
#include "ui/prompter.h"
#include "ui/rule_dialog.h"
#include "ui/window_arguments.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolTip>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace orlomat {
namespace {

using namespace test; // the window's controls by their designed names

// Real modal dialogs; messages are recorded (a message box would wait for a person).
class RealDialogsPrompter : public test::ScriptedPrompter {
public:
    void showModal(QDialog& dialog) override {
        ++modals;
        dialog.exec();
    }
    bool printerSetup(QPrinter& printer, const QString& caption) override {
        printerSetupCaptions << caption;
        return QtPrompter().printerSetup(printer, caption);
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

    std::vector<QString> Texts() const {
        std::vector<QString> t;
        for (const auto& m : prompter.shown)
            t.push_back(m.text);
        return t;
    }
    // The screen pixel of point `index` of `series`.
    QPoint PointOf(Series series, int index) const { return chart->pointPixel(series, index); }
    int IndexOfMaximum(Series series) const {
        int best = 0;
        for (int i = 0; i < chart->pointCount(series); ++i)
            if (chart->pointValue(series, i) > chart->pointValue(series, best)) best = i;
        return best;
    }
    void ResizeTo(int w, int h) {
        int replots = 0;
        const auto counting = QObject::connect(chart, &ChartView::replotted, [&] { ++replots; });
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
    const int speedPoints = chart->pointCount(Series::Speed);

    int replots = 0;
    QObject::connect(chart, &ChartView::replotted, [&] { ++replots; });
    const QRect legend = chart->legendRect();
    ClickAt(chart, legend.center());
    EXPECT_TRUE(WaitFor([&] { return replots > 0; })) << "a click on the legend repaints";
    EXPECT_GT(chart->pointCount(Series::Altitude), 0);

    ClickAt(chart, PointOf(Series::Altitude, IndexOfMaximum(Series::Altitude)));
    EXPECT_TRUE(WaitFor([&] { return chart->pointCount(Series::Altitude) == 0; }))
        << "the altitude curve stays";
    EXPECT_EQ(chart->pointCount(Series::Speed), speedPoints); // only the clicked curve goes
    EXPECT_TRUE(Edit(*window, "E_MaxGl")->text().isEmpty());
    EXPECT_EQ(Group(*window, "GroupB_Alt")->title(), QStringLiteral("Orlomat"));

    // A drag still zooms.
    const QPoint from = chart->mapToGlobal(chart->plotRect().center() - QPoint(200, 0));
    const QPoint to = from + QPoint(150, 60);
    Xdo({QStringLiteral("mousemove"), QString::number(from.x()), QString::number(from.y()),
         QStringLiteral("mousedown"), QStringLiteral("1"), QStringLiteral("mousemove"),
         QString::number(from.x() + 40), QString::number(from.y() + 20),
         QStringLiteral("mousemove"), QString::number(to.x()), QString::number(to.y()),
         QStringLiteral("mouseup"), QStringLiteral("1")});
    EXPECT_TRUE(WaitFor([&] { return chart->isZoomed(); }));
}

// With F5J chosen, a real click on the altitude curve sets the motor stop at the clicked time
// and keeps the curve (without a rule it removes it: the test above).
TEST_F(RealWindow, WithF5jAClickOnTheCurveSetsTheMotorStop) {
    ASSERT_TRUE(window->loadFlightFile(flight));
    QTimer::singleShot(100, [] {
        auto* d = qobject_cast<RuleDialog*>(QApplication::activeModalWidget());
        if (d == nullptr) return;
        d->findChild<QLineEdit*>(QStringLiteral("RuleFirst"))->setText(QStringLiteral("5"));
        d->accept();
    });
    Action(*window, "RegulaF5J1")->trigger();
    ASSERT_TRUE(Action(*window, "RegulaF5J1")->isChecked());
    QTest::qWait(100);
    const std::uint32_t rate = window->session().current.state.samplingRate;
    ASSERT_TRUE(chart->marks().window);
    const double launch = chart->marks().window->first;             // on the time axis
    const int index = static_cast<int>(launch + 8.0 * rate / 10.0); // 8 s after the launch
    const int points = chart->pointCount(Series::Altitude);
    ClickAt(chart, PointOf(Series::Altitude, index));
    EXPECT_TRUE(WaitFor([&] {
        const auto w = chart->marks().window;
        return w && std::abs(w->second - w->first - 18.0 * rate / 10.0) < 0.25 * rate / 10.0;
    })) << "the window ends 10 s after a motor stop 8 s after the launch";
    EXPECT_EQ(chart->pointCount(Series::Altitude), points) << "the curve stays";
    EXPECT_TRUE(Named<QLabel>(*chart, "RuleReading")->isVisible());
    SaveShot(*window, QStringLiteral("rule_f5j.png"));
}

TEST_F(RealWindow, AResizeRoundTripGivesTheSamePictureAndNothingOverlaps) {
    ASSERT_TRUE(window->loadFlightFile(flight));
    QTest::qWait(150);
    const QImage before = chart->grab().toImage();
    for (const QSize size : {window->minimumSize(), QSize(1920, 1050), QSize(1366, 768)}) {
        ResizeTo(size.width(), size.height());
        // The whole top strip is inside the window, the comparison group last.
        EXPECT_LE(Group(*window, "GroupB_Por")->geometry().right(),
                  window->centralWidget()->width() - 8)
            << size.width();
        EXPECT_GE(Button(*window, "B_Porownanie")->x(),
                  Group(*window, "GBDysk_ZapisOdczyt")->geometry().right());
        SaveShot(*window, QStringLiteral("size-%1x%2.png").arg(size.width()).arg(size.height()));
        const QRect plot = chart->plotRect();
        // The legend stays inside the plot, the captions in their strip below the time labels
        // and left of the first one.
        EXPECT_TRUE(plot.contains(chart->legendRect())) << size.width();
        EXPECT_GE(Label(*window, "Label2")->y(), chart->height() - ChartView::kCaptionStrip)
            << size.width();
        EXPECT_GE(Label(*window, "Label6")->y(), chart->height() - ChartView::kCaptionStrip);
        EXPECT_LE(Label(*window, "Label6")->geometry().right(), plot.left() - 8);
    }
    // The window manager is told the minimum (800 x 500 cut the comparison group off).
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(window->winId()),
                                          QStringLiteral("WM_NORMAL_HINTS")});
    ASSERT_TRUE(xprop.waitForFinished(5000));
    const QString hints = QString::fromLocal8Bit(xprop.readAllStandardOutput());
    EXPECT_TRUE(hints.contains(QStringLiteral("program specified minimum size: %1 by %2")
                                   .arg(window->minimumWidth())
                                   .arg(window->minimumHeight())))
        << hints.toStdString();
    EXPECT_GT(window->minimumWidth(), 800);
    ResizeTo(1300, 834);
    const QImage after = chart->grab().toImage();
    SaveShot(*chart, QStringLiteral("round-trip-after.png"));
    if (!qgetenv("ORLOMAT_SCREENSHOTS").isEmpty())
        before.save(QDir(QString::fromLocal8Bit(qgetenv("ORLOMAT_SCREENSHOTS")))
                        .filePath(QStringLiteral("round-trip-before.png")));
    ASSERT_EQ(after.size(), before.size());
    EXPECT_TRUE(after == before) << "the chart differs after the round trip";
}

// The close request a window manager sends when the title bar's close button is clicked.
void RequestClose(QWidget* window) {
    const QString script = QStringLiteral(
        "import sys\n"
        "from Xlib import X, display, protocol\n"
        "d = display.Display()\n"
        "w = d.create_resource_object('window', int(sys.argv[1]))\n"
        "proto = d.intern_atom('WM_PROTOCOLS')\n"
        "delete = d.intern_atom('WM_DELETE_WINDOW')\n"
        "e = protocol.event.ClientMessage(window=w, client_type=proto,\n"
        "                                 data=(32, [delete, X.CurrentTime, 0, 0, 0]))\n"
        "w.send_event(e)\n"
        "d.flush()\n");
    ASSERT_EQ(QProcess::execute(QStringLiteral("/usr/bin/python3"),
                                {QStringLiteral("-c"), script, QString::number(window->winId())}),
              0);
}

// The settings dialog reads the altimeter and is closed (Escape, Escape held down through the
// next click, its Save button, the window manager's close request); the read clicked next
// goes on to the stream and draws the flight, every time. A stop may only come from the user
// during the read: a key held since before it is not one.
TEST_F(RealWindow, AReadAfterTheSettingsDialogAlwaysDownloads) {
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
    const int repeats = qEnvironmentVariableIsSet("ORLOMAT_DIALOG_READS")
                            ? qEnvironmentVariableIntValue("ORLOMAT_DIALOG_READS")
                            : 20;
    enum class Close { Escape, HeldEscape, Save, Request };
    const struct {
        Close how;
        const char* name;
        int times;
    } ways[] = {{Close::Escape, "Escape", repeats},
                {Close::HeldEscape, "Escape held", 3},
                {Close::Save, "Save", repeats},
                {Close::Request, "close request", repeats}};
    const QString stoppedText =
        QString::fromUtf8(Tr(Message::DownloadStopped, window->session().language));
    for (const auto& way : ways) {
        for (int run = 0; run < way.times; ++run) {
            SCOPED_TRACE(std::string(way.name) + " #" + std::to_string(run));
            ASSERT_TRUE(window->loadFlightFile(flight)); // competitor 12 on screen
            const int framesBefore = emu.commands().size();
            bool closed = false;
            int ticks = 0;
            QTimer watch;
            QObject::connect(&watch, &QTimer::timeout, [&] {
                DeviceSettingsDialog* dialog = window->findChild<DeviceSettingsDialog*>();
                if (!closed && dialog->isVisible()) {
                    closed = true;
                    if (run == 0) SaveShot(*dialog, QStringLiteral("settings.png"));
                    EXPECT_EQ(Named<QComboBox>(*dialog, "CB_Numer_Portu")->currentText(),
                              emu.port());
                    EXPECT_EQ(dialog->values().competitor, QStringLiteral("4321"));
                    const QString id = QString::number(dialog->winId());
                    switch (way.how) {
                    case Close::Escape:
                        Xdo({QStringLiteral("windowfocus"), QStringLiteral("--sync"), id,
                             QStringLiteral("key"), QStringLiteral("Escape")});
                        break;
                    case Close::HeldEscape:
                        Xdo({QStringLiteral("windowfocus"), QStringLiteral("--sync"), id,
                             QStringLiteral("keydown"), QStringLiteral("Escape")});
                        break;
                    case Close::Save:
                        ClickAt(Named<QPushButton>(*dialog, "B_wyslij"),
                                Named<QPushButton>(*dialog, "B_wyslij")->rect().center());
                        break;
                    case Close::Request:
                        RequestClose(dialog);
                        break;
                    }
                } else if (closed && dialog->isVisible() && ++ticks > 100) {
                    ADD_FAILURE() << "the dialog stayed open";
                    dialog->reject();
                }
            });
            watch.start(50);
            QMenuBar* bar = window->menuBar();
            ClickAt(bar, bar->actionGeometry(Menu(*window, "Ustawienia1")->menuAction()).center());
            ASSERT_TRUE(WaitFor([&] { return Menu(*window, "Ustawienia1")->isVisible(); }));
            ClickAt(
                Menu(*window, "Ustawienia1"),
                Menu(*window, "Ustawienia1")->actionGeometry(Action(*window, "Orlomat1")).center());
            ASSERT_TRUE(WaitFor(
                [&] { return closed && !window->findChild<DeviceSettingsDialog*>()->isVisible(); },
                15000));
            watch.stop();
            if (way.how == Close::HeldEscape) QTest::qWait(800); // the key repeats by now
            if (run == 0 && way.how == Close::Escape) {
                EXPECT_FALSE(QFile::exists(settings)) << "closing the dialog wrote the settings";
                EXPECT_EQ(window->portName(), emu.port().toStdString());
            }

            prompter.shown.clear();
            ClickAt(Button(*window, "B_Odczyt_Orlomatu"),
                    Button(*window, "B_Odczyt_Orlomatu")->rect().center());
            const bool read = WaitFor(
                [&] {
                    return Edit(*window, "E_NrZawodnika")->text() == QStringLiteral("4321") &&
                           !window->downloading();
                },
                15000);
            if (way.how == Close::HeldEscape)
                Xdo({QStringLiteral("keyup"), QStringLiteral("Escape")});
            const QString frames = emu.commands().mid(framesBefore);
            ASSERT_TRUE(read) << "no flight drawn; frames " << frames.toStdString();
            EXPECT_TRUE(frames.endsWith(QStringLiteral("4D1"))) << frames.toStdString();
            EXPECT_GT(chart->pointCount(Series::Altitude), 100);
            for (const auto& m : prompter.shown)
                EXPECT_NE(m.text, stoppedText);
        }
    }
    EXPECT_EQ(emu.refusals(), QString());
}

// A stop before the altimeter sends its flight leaves the flight on screen, and says so.
TEST_F(RealWindow, AReadStoppedBeforeTheFlightSaysSo) {
    ASSERT_TRUE(window->loadFlightFile(flight));
    test::EmulatorProcess emu({QStringLiteral("--latency"), QStringLiteral("600")}, flight);
    window->setPortOverride(emu.port());
    QTimer::singleShot(300, [&] {
        Xdo({QStringLiteral("windowfocus"), QStringLiteral("--sync"),
             QString::number(window->winId()), QStringLiteral("key"), QStringLiteral("Escape")});
    });
    ClickAt(Button(*window, "B_Odczyt_Orlomatu"),
            Button(*window, "B_Odczyt_Orlomatu")->rect().center());
    ASSERT_TRUE(WaitFor([&] { return !prompter.shown.empty(); }, 10000));
    EXPECT_EQ(prompter.shown[0].text, QStringLiteral("Odczyt przerwany, zanim Orlomat wysłał lot. "
                                                     "Lot na ekranie i w Orlomacie bez zmian."));
    EXPECT_EQ(Edit(*window, "E_NrZawodnika")->text(), QStringLiteral("12"));
    EXPECT_FALSE(emu.commands().contains(QLatin1Char('1')));
}

TEST_F(RealWindow, AComparisonAtAnotherRateIsDrawnAtItsTimesAndAClickRemovesIt) {
    // A 15/s flight and a higher 10/s one that both peak 11 s after their start.
    const auto write = [&](const char* name, unsigned code, float peak) {
        SynthParams p;
        p.samplingCode = code;
        p.peakAltitude = peak;
        p.spike = false;
        const auto bytes = SynthesizeFlight(p);
        const QString path = dir.filePath(QString::fromLatin1(name));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
        return path;
    };
    ASSERT_TRUE(window->loadFlightFile(write("cur15.dat", 1, 120.0f)));
    prompter.fileNames = {write("cmp10.dat", 2, 150.0f)};
    ClickAt(Button(*window, "B_Porownanie"), Button(*window, "B_Porownanie")->rect().center());
    ASSERT_TRUE(WaitFor([&] { return chart->pointCount(Series::Comparison) > 100; }))
        << "no comparison drawn";
    EXPECT_EQ(Group(*window, "GroupB_Por")->title(), QStringLiteral("cmp10.dat"));

    // Value marks on, through the menu "Wykresy".
    QMenuBar* bar = window->menuBar();
    ClickAt(bar, bar->actionGeometry(Menu(*window, "Widok1")->menuAction()).center());
    ASSERT_TRUE(WaitFor([&] { return Menu(*window, "Widok1")->isVisible(); }));
    ClickAt(Menu(*window, "Widok1"),
            Menu(*window, "Widok1")->actionGeometry(Action(*window, "Warto1")).center());
    ASSERT_TRUE(WaitFor([&] { return chart->marksVisible(Series::Comparison); }));
    QTest::qWait(100);
    SaveShot(*window, QStringLiteral("compare-rates.png"));

    // On screen the two peaks stand above each other (at 11 s), not at 11 s and 7 s.
    const QPoint red = PointOf(Series::Altitude, IndexOfMaximum(Series::Altitude)),
                 green = PointOf(Series::Comparison, IndexOfMaximum(Series::Comparison));
    EXPECT_LE(std::abs(green.x() - red.x()), 6) << green.x() << " vs " << red.x();
    EXPECT_LT(green.y(), red.y());

    // A click on the green curve at its new place removes it and empties the group.
    ClickAt(chart, green);
    EXPECT_TRUE(WaitFor([&] { return chart->pointCount(Series::Comparison) == 0; }))
        << "the comparison stays";
    EXPECT_GT(chart->pointCount(Series::Altitude), 100);
    EXPECT_TRUE(Edit(*window, "E_Max_Por")->text().isEmpty());
    EXPECT_EQ(Group(*window, "GroupB_Por")->title(), QStringLiteral("Plik"));
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(RealWindow, PrinterSetUpChoosesAPdfFileThatPrintThenUses) {
    ASSERT_TRUE(window->loadFlightFile(flight));
    const QString pdf = dir.filePath(QStringLiteral("wydruk.pdf"));
    // No system printer and no file: the state in which printing used to fail.
    window->printer().setOutputFileName(QString());
    window->printer().setPrinterName(QString());

    // The dialog runs its own event loop: a timer takes the person's steps inside it.
    int step = 0, ticks = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) return;
        auto* printers = dialog->findChild<QComboBox*>(QStringLiteral("printers"));
        auto* file = dialog->findChild<QLineEdit*>(QStringLiteral("filename"));
        QPushButton* ok = nullptr;
        for (auto* box :
             dialog->findChildren<QDialogButtonBox*>(QString(), Qt::FindDirectChildrenOnly))
            if (box->button(QDialogButtonBox::Ok)) ok = box->button(QDialogButtonBox::Ok);
        if (++ticks > 200 || printers == nullptr || file == nullptr || ok == nullptr) {
            ADD_FAILURE() << "the set-up dialog is not the print dialog, or it hangs";
            dialog->reject();
            return;
        }
        const QString toPdf = QCoreApplication::translate("QPrintDialog", "Print to File (PDF)");
        if (step == 0 && ticks > 6) { // painted
            SaveShot(*dialog, QStringLiteral("print-setup-pl.png"));
            EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Ustaw Drukarke"));
            EXPECT_EQ(ok->text(), QStringLiteral("OK")) << "the set-up dialog offers to print";
            EXPECT_EQ(printers->itemText(printers->count() - 1), toPdf);
            EXPECT_NE(toPdf, QStringLiteral("Print to File (PDF)")) << "not in Polish";
            // The printer list, as a person picks from it: the last entry, printing to PDF.
            ClickAt(printers, printers->rect().center());
            step = 1;
        } else if (step == 1 && QApplication::activePopupWidget() != nullptr) {
            Xdo({QStringLiteral("key"), QStringLiteral("End"), QStringLiteral("Return")});
            step = 2;
        } else if (step == 2 && printers->currentText() == toPdf &&
                   QApplication::activePopupWidget() == nullptr && file->isEnabled()) {
            ClickAt(file, file->rect().center());
            Xdo({QStringLiteral("key"), QStringLiteral("ctrl+a"), QStringLiteral("BackSpace")});
            Xdo({QStringLiteral("type"), pdf});
            step = 3;
        } else if (step == 3 && file->text() == pdf) {
            ClickAt(ok, ok->rect().center());
            step = 4;
        }
    });
    watch.start(50);
    QMenuBar* bar = window->menuBar();
    ClickAt(bar, bar->actionGeometry(Menu(*window, "E1")->menuAction()).center());
    ASSERT_TRUE(WaitFor([&] { return Menu(*window, "E1")->isVisible(); }));
    ClickAt(Menu(*window, "E1"),
            Menu(*window, "E1")->actionGeometry(Action(*window, "UstawDrukarke1")).center());
    ASSERT_TRUE(
        WaitFor([&] { return step == 4 && QApplication::activeModalWidget() == nullptr; }, 20000))
        << "stopped at step " << step;
    watch.stop();
    EXPECT_EQ(prompter.printerSetupCaptions, QStringList{QStringLiteral("Ustaw Drukarke")});
    EXPECT_EQ(window->printer().outputFileName(), pdf);

    // "Drukuj" prints to the chosen file without asking again.
    ClickAt(bar, bar->actionGeometry(Menu(*window, "E1")->menuAction()).center());
    ASSERT_TRUE(WaitFor([&] { return Menu(*window, "E1")->isVisible(); }));
    ClickAt(Menu(*window, "E1"),
            Menu(*window, "E1")->actionGeometry(Action(*window, "Drukuj1")).center());
    EXPECT_TRUE(WaitFor([&] { return QFileInfo(pdf).size() > 1000; })) << "nothing printed";
    EXPECT_EQ(prompter.printerSetupCaptions.size(), 1);
    // Where the PDF went is said.
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text,
              QStringLiteral("Wydruk zapisany w pliku PDF: ") + QDir::toNativeSeparators(pdf));
}

// Steps a person takes inside a modal dialog: the dialog runs its own event loop, so each step
// runs from a timer and says when it is done; the last step must close the dialog.
class DialogSteps {
public:
    using Step = std::function<bool()>;
    explicit DialogSteps(std::vector<Step> steps) : steps_(std::move(steps)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (next_ < steps_.size() && steps_[next_]()) ++next_;
        });
        timer_.start(50);
    }
    bool finished() const { return next_ == steps_.size(); }

private:
    std::vector<Step> steps_;
    std::size_t next_ = 0;
    QTimer timer_;
};

void KeysTo(QWidget* window, const QStringList& keys) {
    QStringList args = {QStringLiteral("windowfocus"), QStringLiteral("--sync"),
                        QString::number(window->winId()), QStringLiteral("key")};
    Xdo(args + keys);
}

void TypeTo(QWidget* window, const QString& text) {
    Xdo({QStringLiteral("windowfocus"), QStringLiteral("--sync"), QString::number(window->winId()),
         QStringLiteral("type"), text});
}

TEST_F(RealWindow, EnterInThePortFieldChangesThePortAndWritesNothing) {
    test::EmulatorProcess first({}), second({});
    ASSERT_FALSE(first.port().isEmpty());
    ASSERT_FALSE(second.port().isEmpty());
    window->setPortOverride(first.port());
    DeviceSettingsDialog* dialog = window->findChild<DeviceSettingsDialog*>();
    int waited = 0;
    const auto settle = [&](int ms) { return (waited += 50) >= ms ? (waited = 0, true) : false; };
    DialogSteps steps({
        [&] { return dialog->isVisible(); },
        [&] { // the port field: a new name and Enter, as the manual says
            ClickAt(Named<QComboBox>(*dialog, "CB_Numer_Portu")->lineEdit(), QPoint(10, 8));
            KeysTo(dialog, {QStringLiteral("ctrl+a")});
            TypeTo(dialog, second.port());
            KeysTo(dialog, {QStringLiteral("Return")});
            return true;
        },
        [&] { return window->portName() == second.port().toStdString(); },
        [&] { // Enter on the unchanged name
            KeysTo(dialog, {QStringLiteral("Return")});
            return true;
        },
        [&] { return settle(600); },
        [&] { // Enter on a name refused as too long
            KeysTo(dialog, {QStringLiteral("ctrl+a")});
            TypeTo(dialog, QStringLiteral("/dev/ttyUSB0"));
            KeysTo(dialog, {QStringLiteral("Return")});
            return true;
        },
        // The keys wait for the end of the read from the new port.
        [&] { return !prompter.shown.empty(); },
        [&] { // typing a level above the limit: no message on every key, one on leaving
            ClickAt(Named<QLineEdit>(*dialog, "E_Poziom"), QPoint(10, 8));
            KeysTo(dialog, {QStringLiteral("ctrl+a")});
            TypeTo(dialog, QStringLiteral("2017"));
            return true;
        },
        [&] { return settle(300); },
        [&] {
            EXPECT_EQ(prompter.shown.size(), 1u) << "a message while typing";
            KeysTo(dialog, {QStringLiteral("Tab")});
            return true;
        },
        [&] { return settle(300); },
        [&] {
            EXPECT_TRUE(dialog->isVisible()) << "Enter closed the dialog";
            SaveShot(*dialog, QStringLiteral("settings-after-enter.png"));
            KeysTo(dialog, {QStringLiteral("Escape")});
            return true;
        },
    });
    QMenuBar* bar = window->menuBar();
    ClickAt(bar, bar->actionGeometry(Menu(*window, "Ustawienia1")->menuAction()).center());
    ASSERT_TRUE(WaitFor([&] { return Menu(*window, "Ustawienia1")->isVisible(); }));
    ClickAt(Menu(*window, "Ustawienia1"),
            Menu(*window, "Ustawienia1")->actionGeometry(Action(*window, "Orlomat1")).center());
    ASSERT_TRUE(WaitFor([&] { return steps.finished() && !dialog->isVisible(); }, 20000));

    // Each port was read once and nothing was written to either.
    EXPECT_EQ(first.commands(), QStringLiteral("4B6D"));
    EXPECT_EQ(second.commands(), QStringLiteral("4B6D"));
    for (const QChar write : {QLatin1Char('5'), QLatin1Char('C'), QLatin1Char('7')})
        EXPECT_FALSE((first.commands() + second.commands()).contains(write)) << write.toLatin1();
    EXPECT_EQ(window->portName(), second.port().toStdString());
    EXPECT_EQ(window->session().settings.portName(), second.port().toStdString());
    EXPECT_EQ(Texts(), (std::vector<QString>{
                           QStringLiteral("Nazwa portu jest za długa (najwyżej 7 znaków)"),
                           QStringLiteral("Za duza wartosc: Wysokosc Startu Pomiaru (0-200)")}));
    EXPECT_EQ(first.refusals() + second.refusals(), QString());
}

TEST_F(RealWindow, KeysReachTheControlsAsInAnyProgram) {
    ASSERT_TRUE(window->loadFlightFile(flight));
    // F1: the manual, found from the build tree, through the help opener.
    KeysTo(window.get(), {QStringLiteral("F1")});
    ASSERT_TRUE(WaitFor([&] { return prompter.openedDocuments.size() == 1; }))
        << (prompter.shown.empty() ? std::string() : prompter.shown[0].text.toStdString());
    EXPECT_TRUE(prompter.openedDocuments[0].endsWith(QStringLiteral("docs/Orl_HELPP.html")));

    // Alt+Z presses "Zapisz": its file dialog comes up (and is cancelled).
    KeysTo(window.get(), {QStringLiteral("alt+z")});
    EXPECT_TRUE(WaitFor([&] { return prompter.fileDialogs == 1; })) << "Alt+Z did nothing";

    // The temperature field edits as any field and lets Tab move on.
    QLineEdit* temperature = Edit(*window, "E_TempGl");
    ClickAt(temperature, QPoint(10, temperature->height() / 2));
    ASSERT_TRUE(WaitFor([&] { return temperature->hasFocus(); }));
    KeysTo(window.get(), {QStringLiteral("ctrl+a")});
    TypeTo(window.get(), QStringLiteral("15"));
    KeysTo(window.get(), {QStringLiteral("Home"), QStringLiteral("Delete")});
    EXPECT_TRUE(WaitFor([&] { return temperature->text() == QStringLiteral("5"); }))
        << temperature->text().toStdString();
    KeysTo(window.get(), {QStringLiteral("Return")});
    EXPECT_TRUE(WaitFor([&] { return window->session().current.state.flightTemperature == 5.0f; }));
    KeysTo(window.get(), {QStringLiteral("Tab")});
    EXPECT_TRUE(WaitFor([&] { return !temperature->hasFocus(); })) << "Tab kept the focus";
    EXPECT_TRUE(prompter.shown.empty()) << prompter.shown[0].text.toStdString();
}

TEST_F(RealWindow, ASpikedMaximumIsMarkedAndAFileThatIsNoFlightIsWarned) {
    // A flight whose top carries a short pressure dip, loaded with "Odczyt".
    SynthParams p = SynthParams::Dirty(2, 5);
    p.transients.push_back({38.0f, 3000.0f, 30.0f});
    const auto bytes = SynthesizeFlight(p);
    const QString spiked = dir.filePath(QStringLiteral("spiked.dat"));
    QFile f(spiked);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    f.close();
    prompter.fileNames = {spiked};
    ClickAt(Button(*window, "BOdczyt"), Button(*window, "BOdczyt")->rect().center());
    ASSERT_TRUE(WaitFor([&] { return !Edit(*window, "E_MaxGl")->toolTip().isEmpty(); }));
    QLineEdit* max = Edit(*window, "E_MaxGl");
    EXPECT_GT(max->text().toDouble(), 200.0); // the designed figure stays
    EXPECT_NE(max->palette().color(QPalette::Base),
              Edit(*window, "EMinimum")->palette().color(QPalette::Base));

    // The mouse over the field shows why, in the language in force.
    const auto tooltipOver = [&](QWidget* w) {
        const QPoint g = w->mapToGlobal(w->rect().center());
        Xdo({QStringLiteral("mousemove"), QString::number(g.x()), QString::number(g.y() + 1)});
        return WaitFor([] { return QToolTip::isVisible(); }) ? QToolTip::text() : QString();
    };
    // The screen, not the widget: the tooltip is a window of its own.
    const auto shootStrip = [&](const QString& name) {
        const QByteArray folder = qgetenv("ORLOMAT_SCREENSHOTS");
        const QPoint at = window->mapToGlobal(QPoint(0, 0));
        if (!folder.isEmpty())
            QGuiApplication::primaryScreen()
                ->grabWindow(0, at.x(), at.y(), 700, 190)
                .save(QDir(QString::fromLocal8Bit(folder)).filePath(name));
    };
    EXPECT_TRUE(
        tooltipOver(max).startsWith(QStringLiteral("Krótki skok ciśnienia? Bez skoków: 12")));
    shootStrip(QStringLiteral("suspect-maximum-pl.png"));
    QMenuBar* bar = window->menuBar();
    ClickAt(bar, bar->actionGeometry(Menu(*window, "MenuJezyk")->menuAction()).center());
    ASSERT_TRUE(WaitFor([&] { return Menu(*window, "MenuJezyk")->isVisible(); }));
    ClickAt(Menu(*window, "MenuJezyk"),
            Menu(*window, "MenuJezyk")->actionGeometry(Action(*window, "English1")).center());
    ASSERT_TRUE(WaitFor([&] { return window->session().language == Language::English; }));
    QToolTip::hideText();
    Xdo({QStringLiteral("mousemove"), QStringLiteral("5"), QStringLiteral("5")});
    EXPECT_TRUE(
        tooltipOver(max).startsWith(QStringLiteral("Short pressure spike? Without spikes: 12")));
    shootStrip(QStringLiteral("suspect-maximum-en.png"));

    // "Filtr" shows the cleaned figure itself: the mark goes.
    ClickAt(Button(*window, "B_Filtr_Alt"), Button(*window, "B_Filtr_Alt")->rect().center());
    EXPECT_TRUE(WaitFor([&] { return max->toolTip().isEmpty(); }));

    // Random bytes are drawn as any file, with a warning and no speed curve.
    const QString junk = dir.filePath(QStringLiteral("junk.bin"));
    QFile j(junk);
    ASSERT_TRUE(j.open(QIODevice::WriteOnly));
    QByteArray noise(20000, 0);
    for (int i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<char>((i * 7919 + (i >> 3) * 104729) >> 2);
    j.write(noise);
    j.close();
    prompter.fileNames = {junk};
    ClickAt(Button(*window, "BOdczyt"), Button(*window, "BOdczyt")->rect().center());
    ASSERT_TRUE(WaitFor([&] { return !prompter.shown.empty(); }));
    EXPECT_TRUE(prompter.shown[0].text.startsWith(
        QStringLiteral("This does not look like a flight record: ")))
        << prompter.shown[0].text.toStdString();
    EXPECT_EQ(chart->pointCount(Series::Speed), 0);
}

// A stream that stalls after 1 500 bytes (the emulator's altimeter sent its version, not a
// size): the window stays live and shows the bytes received; Escape or the Cancel button
// stops the download within a second, keeps the flight as the current one and says that it
// is incomplete and not yet saved. While it streams, nothing of the flight shown before is
// left on screen; after 3 s without a byte the stall is told, with the way out.
TEST_F(RealWindow, AStalledDownloadStopsOnEscapeOrCancel) {
    struct Case {
        const char* how;
        bool escape; // else a click on the Cancel button
        bool english;
        const char* told;
        const char* stall;
    };
    const Case cases[] = {
        {"Escape", true, false,
         "Lot niekompletny: odebrano 1500 B (rozmiar nieznany). Zapisz go, jeśli chcesz go "
         "zachować.",
         "Wysokościomierz nie odpowiada od 3 s — Esc przerywa, odebrane dane zostaną zachowane"},
        {"Cancel", false, true,
         "Incomplete flight: 1500 bytes received (size unknown). Save it to keep it.",
         "The altimeter has not answered for 3 s — Esc stops, the data received will be kept"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        if (c.english) Trigger(*window, "English1");
        ASSERT_TRUE(window->loadFlightFile(flight)); // competitor 12 on screen before
        QStringList leftOver;
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
            if (stopped || !Edit(*window, "ECzekaj")->isVisible()) return;
            progress = Edit(*window, "ECzekaj")->text().trimmed();
            if (progress.isEmpty() || progress.contains(QLatin1Char('%'))) return;
            for (const char* field : {"E_NrZawodnika", "E_NrSeryjny", "E_TempGl", "E_MaxGl"})
                if (!Edit(*window, field)->text().trimmed().isEmpty())
                    leftOver << QString::fromLatin1(field);
            if (chart->pointCount(Series::Speed) > 0) leftOver << QStringLiteral("speed curve");
            const QLabel* stall = window->findChild<QLabel*>(QStringLiteral("StallLine"));
            if (progress != QStringLiteral("1500 B") || !stall->isVisible()) return;
            EXPECT_EQ(stall->text(), QString::fromUtf8(c.stall));
            EXPECT_EQ(stall->accessibleName(), stall->text());
            stopped = true;
            othersDisabled = !Button(*window, "B_Odczyt_Orlomatu")->isEnabled() &&
                             !Action(*window, "Orlomat1")->isEnabled() &&
                             Button(*window, "BPrzerwij")->isVisible();
            SaveShot(*window, QStringLiteral("download-stalled-%1.png").arg(c.how));
            sinceStop.start();
            if (c.escape)
                Xdo({QStringLiteral("windowfocus"), QStringLiteral("--sync"),
                     QString::number(window->winId()), QStringLiteral("key"),
                     QStringLiteral("Escape")});
            else
                ClickAt(Button(*window, "BPrzerwij"),
                        Button(*window, "BPrzerwij")->rect().center());
        });
        during.start(50);
        ClickAt(Button(*window, "B_Odczyt_Orlomatu"),
                Button(*window, "B_Odczyt_Orlomatu")->rect().center());
        ASSERT_TRUE(WaitFor([&] { return stopped && !window->downloading(); }, 20000))
            << "no progress in bytes while stalled: " << progress.toStdString();
        const qint64 took = sinceStop.elapsed();
        during.stop();
        std::printf("%s stopped the download after %lld ms\n", c.how, static_cast<long long>(took));
        EXPECT_LT(took, 1000);
        EXPECT_TRUE(othersDisabled) << "another exchange could start during the download";
        ASSERT_EQ(prompter.shown.size(), 1u);
        EXPECT_EQ(prompter.shown[0].text, QString::fromUtf8(c.told));
        EXPECT_EQ(window->session().current.record.size(), 1500u);
        EXPECT_GT(chart->pointCount(Series::Altitude), 10) << "the partial flight is not drawn";
        EXPECT_EQ(window->altimeter().channel.state(), Channel::State::Closed);
        EXPECT_TRUE(Button(*window, "B_Odczyt_Orlomatu")->isEnabled());
        EXPECT_FALSE(Button(*window, "BPrzerwij")->isVisible());
        EXPECT_FALSE(window->findChild<QLabel*>(QStringLiteral("StallLine"))->isVisible());
        EXPECT_TRUE(leftOver.isEmpty()) << leftOver.join(' ').toStdString();
        EXPECT_EQ(emu.refusals(), QString());
    }
}

// A field laptop: every flight read is in the archive unasked; the station, started from the
// command line, downloads two altimeters plugged one after the other at one port name with no
// click; the log vouches for both files; the flights list shows all three.
TEST_F(RealWindow, TheStationKeepsAltimeterAfterAltimeterAndTheListShowsThem) {
    const QString archive = dir.filePath(QStringLiteral("archive"));
    const QString link = dir.filePath(QStringLiteral("ttyField"));
    const auto flightOf = [&](std::uint16_t competitor) {
        SynthParams p;
        p.glideSeconds = 40.0f;
        p.competitor = competitor;
        p.serial = static_cast<std::uint16_t>(300 + competitor);
        const auto bytes = SynthesizeFlight(p);
        const QString path = dir.filePath(QStringLiteral("c%1.dat").arg(competitor));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
        return path;
    };
    const auto kept = [&] {
        return QDir(archive).entryList({QStringLiteral("*.dat")}, QDir::Files, QDir::Name);
    };
    QLabel* line = Label(*window, "StationLine");

    // A plain read, never saved, is kept.
    ApplyWindowArguments(*window, {QStringLiteral("--archive"), archive});
    {
        test::EmulatorProcess emu({}, flightOf(7));
        window->setPortOverride(emu.port());
        ClickAt(Button(*window, "B_Odczyt_Orlomatu"),
                Button(*window, "B_Odczyt_Orlomatu")->rect().center());
        ASSERT_TRUE(WaitFor([&] { return kept().size() == 1; }, 15000));
        EXPECT_TRUE(kept()[0].startsWith(QStringLiteral("C007_S00307_")));
    }

    // The station waits for a port that does not exist yet.
    ApplyWindowArguments(*window, {QStringLiteral("--station"), QStringLiteral("--archive"),
                                   archive, QStringLiteral("--port"), link});
    const auto waiting = [&] {
        return line->isVisible() && (line->text().contains(QStringLiteral("Czekam na")) ||
                                     line->text().contains(QStringLiteral("Waiting for")));
    };
    // The second altimeter comes while the window speaks English: the line follows.
    struct Plug {
        std::uint16_t competitor;
        const char* language;
        const char* told;
        const char* shot;
    };
    const Plug plugs[] = {
        {12, "Polski1", "Zawodnik 12 — 118.3 m — zapisano jako C012_S00312_",
         "station-kept-pl.png"},
        {34, "English1", "Competitor 34 — 118.3 m — kept as C034_S00334_", "station-kept-en.png"}};
    std::vector<QString> records;
    for (const Plug& plug : plugs) {
        Trigger(*window, plug.language);
        ASSERT_TRUE(WaitFor(waiting)) << line->text().toStdString();
        records.push_back(flightOf(plug.competitor));
        test::EmulatorProcess emu({QStringLiteral("--link"), link}, records.back());
        ASSERT_TRUE(
            WaitFor([&] { return line->text().startsWith(QString::fromUtf8(plug.told)); }, 20000))
            << line->text().toStdString();
        EXPECT_TRUE(prompter.shown.empty()) << "a message box would stop the station";
        EXPECT_EQ(window->session().current.header.header.competitor, plug.competitor);
        // The line has a strip of its own: no curve is behind it.
        const QRect plot = chart->plotRect();
        EXPECT_LE(line->geometry().bottom(), plot.top()) << "the line covers the plot";
        EXPECT_TRUE(plot.contains(PointOf(Series::Altitude, IndexOfMaximum(Series::Altitude))));
        SaveShot(*window, QString::fromUtf8(plug.shot));
        EXPECT_EQ(emu.refusals(), QString());
        // The emulator ends here: the altimeter is unplugged; the station waits for the next.
    }
    ASSERT_TRUE(WaitFor(waiting));
    KeysTo(window.get(), {QStringLiteral("Escape")});
    ASSERT_TRUE(WaitFor([&] { return !window->stationOn(); }));
    EXPECT_FALSE(line->isVisible());
    EXPECT_EQ(chart->plotTopMargin(), 16) << "the strip stays without a line";

    // Each file holds its altimeter's record (byte 0 and the new-measurement word 8-9 are the
    // download's own) and its log line's digest.
    const QStringList files = kept();
    ASSERT_EQ(files.size(), 3);
    const DownloadLog log = ReadDownloadLog(archive.toStdString());
    ASSERT_EQ(log.entries.size(), 3u);
    EXPECT_TRUE(log.damagedLines.empty());
    for (std::size_t i = 0; i < 2; ++i) {
        const QString name = files[static_cast<qsizetype>(i) + 1]; // C012, C034 after C007
        QFile got(QDir(archive).filePath(name)), sent(records[i]);
        ASSERT_TRUE(got.open(QIODevice::ReadOnly) && sent.open(QIODevice::ReadOnly));
        QByteArray a = got.readAll(), b = sent.readAll();
        for (QByteArray* r : {&a, &b})
            for (const int at : {0, 8, 9})
                if (r->size() > at) (*r)[at] = 0;
        EXPECT_EQ(a, b) << name.toStdString();
        const auto entry =
            std::find_if(log.entries.begin(), log.entries.end(),
                         [&](const DownloadLogEntry& e) { return e.file == name.toStdString(); });
        ASSERT_NE(entry, log.entries.end()) << name.toStdString();
        got.seek(0);
        const QByteArray bytes = got.readAll();
        EXPECT_EQ(entry->sha256, Sha256Hex(std::vector<std::uint8_t>(bytes.begin(), bytes.end())));
        EXPECT_EQ(entry->port, link.toStdString());
    }
    QProcess verify;
    verify.start(QStringLiteral(ORLOMAT_CLI), {QStringLiteral("verify"), archive});
    ASSERT_TRUE(verify.waitForFinished(10000));
    EXPECT_EQ(verify.exitCode(), 0) << verify.readAllStandardError().toStdString();

    // Ctrl+L: the flights list, on the archive.
    KeysTo(window.get(), {QStringLiteral("ctrl+l")});
    FlightsListWindow* list = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String("FormLoty") && w->isVisible())
                list = qobject_cast<FlightsListWindow*>(w);
        return list != nullptr && list->rows().size() == 3;
    }));
    std::vector<int> competitors;
    for (const FlightRow& r : list->rows()) {
        EXPECT_TRUE(r.holdsFlight) << r.file;
        EXPECT_EQ(r.check, FileCheck::Unchanged) << r.file;
        competitors.push_back(r.competitor);
    }
    std::sort(competitors.begin(), competitors.end());
    EXPECT_EQ(competitors, (std::vector<int>{7, 12, 34}));
    QTest::qWait(100);
    SaveShot(*list, QStringLiteral("flights-list-en.png"));
    Trigger(*window, "Polski1");
    QTest::qWait(100);
    SaveShot(*list, QStringLiteral("flights-list-pl.png"));
    list->close();
}

// The groups' captions as a person sees them at 1024 x 700: the files' names through language
// switches, above the labels, and the yellow "Plik" outlined so that it stands out of the grey.
TEST_F(RealWindow, TheGroupCaptionsKeepTheirFilesStayAboveTheLabelsAndStandOut) {
    const QString partial = dir.filePath(QStringLiteral("C012_S00312_20261207-175747_partial.dat"));
    const QString other = dir.filePath(QStringLiteral("c6_code0.dat"));
    ASSERT_TRUE(QFile::copy(flight, partial) && QFile::copy(flight, other));
    ASSERT_TRUE(window->loadFlightFile(partial));
    ResizeTo(1024, 700);
    QGroupBox* current = Group(*window, "GroupB_Alt");
    QGroupBox* comparison = Group(*window, "GroupB_Por");
    for (const char* language : {"English1", "Polski1"}) {
        Trigger(*window, language);
        QTest::qWait(50);
        EXPECT_EQ(current->toolTip(), QFileInfo(partial).fileName()) << language;
        const QFontMetrics m(current->font());
        EXPECT_LE(m.horizontalAdvance(current->title()), current->width() - 16);
        EXPECT_LT(m.ascent() + m.tightBoundingRect(current->title()).bottom(),
                  Label(*window, "LabMaximum")->y());
        EXPECT_EQ(comparison->title(), QString::fromUtf8(language[0] == 'E' ? "File" : "Plik"));
    }
    ASSERT_TRUE(window->loadComparisonFile(other));
    Trigger(*window, "English1");
    EXPECT_EQ(comparison->title(), QStringLiteral("c6_code0.dat"));
    Trigger(*window, "Polski1");
    comparison->setTitle(QStringLiteral("Plik")); // the designed caption, as it starts
    QTest::qWait(100);
    SaveShot(*window, QStringLiteral("captions-1024x700.png"));
    // The caption's letters: yellow inside, a dark outline round them.
    const QImage title = comparison->grab(QRect(0, 0, 80, 18)).toImage();
    int yellow = 0, dark = 0;
    for (int y = 0; y < title.height(); ++y)
        for (int x = 0; x < title.width(); ++x) {
            const QColor c = title.pixelColor(x, y);
            if (c.red() > 230 && c.green() > 230 && c.blue() < 60) ++yellow;
            if (c.lightness() < 90) ++dark;
        }
    EXPECT_GT(yellow, 20);
    EXPECT_GT(dark, 20) << "the yellow caption has no outline";
}

// The system's file dialogs as the window opens them: each with its own title, starting where
// it is told (a folder: no name filled in, so Enter does not take the current file again).
TEST_F(RealWindow, TheFileDialogsShowTheirTitlesAndStartFolders) {
    QtPrompter real;
    QString title, folder, name;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible()) return;
        title = dialog->windowTitle();
        folder = dialog->directory().absolutePath();
        const auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        name = edit != nullptr ? edit->text() : QStringLiteral("?");
        dialog->reject();
    });
    watch.start(50);
    const QString here = QFileInfo(flight).absolutePath();
    const struct {
        std::function<QString()> open;
        const char *title, *name;
    } dialogs[] = {
        {[&] { return real.openFileName(here, QStringLiteral("Lot do porównania")); },
         "Lot do porównania", ""},
        {[&] { return real.openFileName(flight, QStringLiteral("Open a flight")); },
         "Open a flight", "lot.dat"},
        {[&] { return real.saveFileName(flight, QStringLiteral("Zapisz lot")); }, "Zapisz lot",
         "lot.dat"},
        {[&] { return real.pictureFileName(here, QStringLiteral("Save the chart as a picture")); },
         "Save the chart as a picture", ""},
    };
    for (const auto& d : dialogs) {
        title.clear();
        EXPECT_EQ(d.open(), QString()); // cancelled
        EXPECT_EQ(title, QString::fromUtf8(d.title));
        EXPECT_EQ(folder, here) << d.title;
        EXPECT_EQ(name, QString::fromUtf8(d.name)) << d.title;
    }
}

TEST_F(RealWindow, QtsOwnTextsFollowTheLanguage) {
    Trigger(*window, "Polski1");
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Anuluj"));
    Trigger(*window, "English1");
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
    // Every flight the window reads goes to its archive: into a folder of the test's own.
    const QTemporaryDir data;
    qputenv("XDG_DATA_HOME", data.path().toUtf8());
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
