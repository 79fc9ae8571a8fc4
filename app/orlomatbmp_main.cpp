// OrlomatBMP: the window program.
//   OrlomatBMP [--port NAME] [--archive DIR] [--station] [FLIGHT]
// FLIGHT is a flight file to open at start ("Open with"); --port uses another serial port for
// this run without storing it (the demo points it at the altimeter emulator); --archive keeps
// the flights read in DIR for this run instead of the archive folder chosen; --station starts
// the download station at once.
#include "ui/main_window.h"
#include "ui/prompter.h"
#include "ui/settings_file.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <exception>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("OrlomatBMP"));
    try {
        orlomat::QtPrompter prompter;
        orlomat::MainWindow window(
            orlomat::ResolveSettingsPath(QApplication::applicationFilePath()), prompter);
        window.createDialogs();
        window.showMaximized();
        const QStringList args = QApplication::arguments();
        bool station = false;
        for (int i = 1; i < args.size(); ++i) {
            if (args[i] == QLatin1String("--port") && i + 1 < args.size())
                window.setPortOverride(args[++i]);
            else if (args[i] == QLatin1String("--archive") && i + 1 < args.size())
                window.setArchiveFolder(args[++i]);
            else if (args[i] == QLatin1String("--station"))
                station = true;
            else
                window.loadFlightFile(args[i]);
        }
        // Once the window is up, so that the station's line shows on it.
        if (station) QTimer::singleShot(0, &window, [&window] { window.startStation(); });
        return QApplication::exec();
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, QStringLiteral("OrlomatBMP"), QString::fromUtf8(e.what()));
        return 1;
    }
}
