// OrlomatBMP: the window program (its options: ui/window_arguments.h).
#include "ui/main_window.h"
#include "ui/prompter.h"
#include "ui/settings_file.h"
#include "ui/window_arguments.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QMessageBox>

#include <cstdio>
#include <exception>

#ifdef _WIN32
#include <windows.h>
#endif

int main(int argc, char** argv) {
    // The usage needs no display.
    QStringList given;
    for (int i = 1; i < argc; ++i)
        given << QString::fromLocal8Bit(argv[i]);
    if (orlomat::AsksForUsage(given)) {
#ifdef _WIN32
        // A window program has no console of its own: the usage goes to the one it was
        // started from, if any.
        if (AttachConsole(ATTACH_PARENT_PROCESS) && std::freopen("CONOUT$", "w", stdout) == nullptr)
            return 1;
#endif
        std::fputs(orlomat::kWindowUsage, stdout);
        return 0;
    }
    QApplication app(argc, argv);
#ifdef _WIN32
    // The dialog font Windows names ("MS Shell Dlg") is a stand-in that a system without
    // Windows' fonts (Wine) cannot resolve: Qt then takes any face, here a math font whose
    // tall lines leave the readout fields blank. Then the first real UI font present serves.
    if (!QFontInfo(QApplication::font()).exactMatch()) {
        for (const char* family :
             {"Segoe UI", "Tahoma", "DejaVu Sans", "Liberation Sans", "Arial"}) {
            if (!QFontDatabase::hasFamily(QString::fromLatin1(family))) continue;
            QFont font = QApplication::font();
            font.setFamily(QString::fromLatin1(family));
            QApplication::setFont(font);
            break;
        }
    }
#endif
    QApplication::setApplicationName(QStringLiteral("OrlomatBMP"));
    try {
        orlomat::QtPrompter prompter;
        orlomat::MainWindow window(
            orlomat::ResolveSettingsPath(QApplication::applicationFilePath()), prompter);
        window.createDialogs();
        window.showMaximized();
        orlomat::ApplyWindowArguments(window, QApplication::arguments().mid(1));
        return QApplication::exec();
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, QStringLiteral("OrlomatBMP"), QString::fromUtf8(e.what()));
        return 1;
    }
}
