// OrlomatBMP: the window program. An optional argument names a flight file to open.
#include "orlomat_1.h"
#include "prompter.h"
#include "settings_file.h"

#include <QApplication>
#include <QMessageBox>

#include <exception>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("OrlomatBMP"));
    try {
        orlomat::QtPrompter prompter;
        orlomat::TOrlomat_BMP window(
            orlomat::ResolveSettingsPath(QApplication::applicationFilePath()), prompter);
        window.CreateDialogs();
        window.showMaximized();
        const QStringList args = QApplication::arguments();
        if (args.size() > 1) window.LoadFlightFile(args.at(1));
        return QApplication::exec();
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, QStringLiteral("OrlomatBMP"), QString::fromUtf8(e.what()));
        return 1;
    }
}
