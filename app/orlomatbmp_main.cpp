// OrlomatBMP: the window program.
//   OrlomatBMP [--port NAME] [FLIGHT]
// FLIGHT is a flight file to open at start ("Open with"); --port uses another serial port for
// this run without storing it (the demo points it at the altimeter emulator).
#include "ui/main_window.h"
#include "ui/prompter.h"
#include "ui/settings_file.h"

#include <QApplication>
#include <QMessageBox>

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
        for (int i = 1; i < args.size(); ++i) {
            if (args[i] == QLatin1String("--port") && i + 1 < args.size())
                window.setPortOverride(args[++i]);
            else
                window.loadFlightFile(args[i]);
        }
        return QApplication::exec();
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, QStringLiteral("OrlomatBMP"), QString::fromUtf8(e.what()));
        return 1;
    }
}
