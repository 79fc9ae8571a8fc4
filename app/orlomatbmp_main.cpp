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
#include <memory>

#ifndef _WIN32
#include <QSocketNotifier>

#include <csignal>
#include <unistd.h>

namespace {

// A termination request reaches the window through a pipe (a signal handler may do no more
// than write a byte); a second one ends the program at once, as if we were not there.
int g_signalPipe[2] = {-1, -1};

void OnTerminationSignal(int signal) {
    const char byte = static_cast<char>(signal);
    (void)!::write(g_signalPipe[1], &byte, 1);
    std::signal(signal, SIG_DFL);
}

} // namespace
#endif

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
#ifndef _WIN32
        std::unique_ptr<QSocketNotifier> requests;
        if (::pipe(g_signalPipe) == 0) {
            requests = std::make_unique<QSocketNotifier>(g_signalPipe[0], QSocketNotifier::Read);
            QObject::connect(requests.get(), &QSocketNotifier::activated, &window, [&window] {
                char byte = 0;
                (void)!::read(g_signalPipe[0], &byte, 1);
                window.endOnSignal();
            });
            for (const int s : {SIGTERM, SIGINT, SIGHUP})
                std::signal(s, OnTerminationSignal);
        }
#endif
        orlomat::ApplyWindowArguments(window, QApplication::arguments().mid(1));
        return QApplication::exec();
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, QStringLiteral("OrlomatBMP"), QString::fromUtf8(e.what()));
        return 1;
    }
}
