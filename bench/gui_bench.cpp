// Window timings, offscreen: start-up to the first painted window, loading and drawing a full
// 33 000-byte flight, one full replot with all six series full, and the flights list of a
// folder of 1 000 flights (target: under a second). Prints medians in ms.
#include "tools/synth/flight_synth.h"
#include "ui/chart_view.h"
#include "ui/console_prompter.h"
#include "ui/flights_list_window.h"
#include "ui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <iostream>
#include <vector>

namespace {

double MedianMs(int runs, const std::function<void()>& setup, const std::function<void()>& timed) {
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        setup();
        QElapsedTimer t;
        t.start();
        timed();
        ms.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
    QElapsedTimer process;
    process.start();
    QApplication app(argc, argv);
    QTemporaryDir dir;
    orlomat::ConsolePrompter prompter(std::cerr);

    // The first window of the process, as a user starts the program.
    {
        orlomat::MainWindow w(dir.filePath(QStringLiteral("a.par")), prompter);
        w.createDialogs();
        w.resize(1300, 834);
        w.show();
        w.repaint();
        std::printf("start-up to first painted window (first in process): %.1f ms\n",
                    static_cast<double>(process.nsecsElapsed()) / 1e6);
    }

    std::unique_ptr<orlomat::MainWindow> w;
    const double startup = MedianMs(
        11, [&] { w.reset(); },
        [&] {
            w = std::make_unique<orlomat::MainWindow>(dir.filePath(QStringLiteral("a.par")),
                                                      prompter);
            w->createDialogs();
            w->resize(1300, 834);
            w->show();
            w->repaint();
        });
    std::printf("window construction to first paint (median of 11): %.1f ms\n", startup);

    orlomat::SynthParams p;
    p.samplingCode = 0;
    p.glideSeconds = 1000.0f;
    const auto bytes = orlomat::SynthesizeFlight(p);
    const QString flight = dir.filePath(QStringLiteral("full.dat"));
    QFile f(flight);
    f.open(QIODevice::WriteOnly);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    f.close();

    const double load = MedianMs(
        11, [] {},
        [&] {
            w->loadFlightFile(flight);
            w->chart()->repaint();
        });
    std::printf("load and draw a full 33 000-byte flight (median of 11): %.1f ms\n", load);

    // Every shown series full: the flight, its speed, the comparison and both filters.
    w->loadComparisonFile(flight);
    for (const char* filterButton : {"B_Filtr_Alt", "B_Filtr_por"})
        w->findChild<QPushButton*>(QLatin1String(filterButton))->click();
    auto* chart = w->chart();
    for (int i = 0; i < chart->pointCount(orlomat::Series::Altitude); ++i)
        chart->addPoint(orlomat::Series::Unused,
                        chart->pointValue(orlomat::Series::Altitude, i) + 5, {});
    const double replot = MedianMs(
        21, [] {}, [&] { chart->replotNow(); });
    std::printf("full replot, the five shown series of %d points (median of 21): %.1f ms\n",
                chart->pointCount(orlomat::Series::Altitude), replot);

    // The flights list of a contest day's folder: read, figures computed, table filled.
    QDir(dir.path()).mkdir(QStringLiteral("flights"));
    for (int i = 0; i < 1000; ++i) {
        orlomat::SynthParams day;
        day.competitor = static_cast<std::uint16_t>(i % 120);
        day.seed = static_cast<std::uint32_t>(i);
        day.glideSeconds = 40.0f + static_cast<float>(i % 80);
        const auto record = orlomat::SynthesizeFlight(day);
        QFile out(dir.filePath(QStringLiteral("flights/F%1.dat").arg(10000 + i)));
        out.open(QIODevice::WriteOnly);
        out.write(reinterpret_cast<const char*>(record.data()),
                  static_cast<qsizetype>(record.size()));
    }
    w->findChild<QAction*>(QStringLiteral("Loty1"))->trigger();
    auto* list = w->findChild<orlomat::FlightsListWindow*>();
    const double listed = MedianMs(
        5, [] {}, [&] { list->setFolder(dir.filePath(QStringLiteral("flights"))); });
    std::printf("flights list of 1 000 files (median of 5): %.1f ms, %zu rows\n", listed,
                list->rows().size());
    return 0;
}
