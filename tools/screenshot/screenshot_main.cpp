// orlomat-screenshot: renders the main window offscreen with a flight loaded and writes a
// PNG, for the manual and for looking at the window without a display.
//   orlomat-screenshot OUT.png [FLIGHT] [--english] [--size WxH] [--zoom FROM TO]
//                      [--download PORT] [--compare FILE] [--filter] [--settings-dialog]
//                      [--info-dialog]
#include "ui/chart_view.h"
#include "ui/console_prompter.h"
#include "ui/device_settings_dialog.h"
#include "ui/info_dialog.h"
#include "ui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QTemporaryDir>

#include <cstdio>
#include <iostream>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: orlomat-screenshot OUT.png [FLIGHT] [--english] "
                             "[--size WxH] [--zoom FROM TO] [--download PORT] [--compare FILE] "
                             "[--filter] [--settings-dialog] [--info-dialog]\n");
        return 2;
    }
    QTemporaryDir dir;
    orlomat::ConsolePrompter prompter(std::cerr);
    orlomat::MainWindow window(dir.filePath(QStringLiteral("OrlomatBMP.par")), prompter);
    window.createDialogs();
    QSize size(1300, 834);
    QString flight;
    bool english = false;
    double zoomFrom = -1, zoomTo = -1;
    QString downloadPort, compare;
    bool settingsDialog = false, infoDialog = false;
    bool filter = false;
    for (int i = 2; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--english")) {
            english = true;
        } else if (args[i] == QLatin1String("--size") && i + 1 < args.size()) {
            const QStringList wh = args[++i].split(QLatin1Char('x'));
            if (wh.size() == 2) size = QSize(wh[0].toInt(), wh[1].toInt());
        } else if (args[i] == QLatin1String("--compare") && i + 1 < args.size()) {
            compare = args[++i];
        } else if (args[i] == QLatin1String("--settings-dialog")) {
            settingsDialog = true;
        } else if (args[i] == QLatin1String("--info-dialog")) {
            infoDialog = true;
        } else if (args[i] == QLatin1String("--filter")) {
            filter = true;
        } else if (args[i] == QLatin1String("--download") && i + 1 < args.size()) {
            downloadPort = args[++i];
        } else if (args[i] == QLatin1String("--zoom") && i + 2 < args.size()) {
            zoomFrom = args[++i].toDouble();
            zoomTo = args[++i].toDouble();
        } else {
            flight = args[i];
        }
    }
    // The window is worked as the user works it: buttons and menu commands by designed name.
    const auto click = [&](const char* name) {
        window.findChild<QPushButton*>(QLatin1String(name))->click();
    };
    const auto trigger = [&](const char* name) {
        window.findChild<QAction*>(QLatin1String(name))->trigger();
    };
    window.resize(size);
    window.show();
    if (english) trigger("English1");
    if (!flight.isEmpty() && !window.loadFlightFile(flight)) return 1;
    if (!downloadPort.isEmpty()) {
        window.setPortOverride(downloadPort);
        click("B_Odczyt_Orlomatu");
    }
    if (!compare.isEmpty() && !window.loadComparisonFile(compare)) return 1;
    if (filter) click("B_Filtr_Alt");
    if (zoomTo > zoomFrom) window.chart()->zoomTo(zoomFrom, zoomTo);
    QApplication::processEvents();
    QWidget* shot = &window;
    if (settingsDialog) {
        // The device settings dialog, read from the port given with --download.
        trigger("Orlomat1");
        shot = window.findChild<orlomat::DeviceSettingsDialog*>();
        shot->show();
        QApplication::processEvents();
    }
    if (infoDialog) {
        shot = window.findChild<orlomat::InfoDialog*>();
        shot->show();
        QApplication::processEvents();
    }
    if (!shot->grab().save(args[1])) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(args[1]));
        return 1;
    }
    return 0;
}
