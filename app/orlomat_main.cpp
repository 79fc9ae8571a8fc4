#include "app/cli.h"

#include <clocale>
#include <iostream>
#include <memory>

#ifdef ORLOMAT_WITH_DEVICE
#include <QApplication>
#endif

int main(int argc, char** argv) {
#ifdef ORLOMAT_WITH_DEVICE
    // The serial port wants an application object; the plot a widget one, without a screen.
    std::unique_ptr<QCoreApplication> app;
    if (orlomat::NeedsWidgets({argv + 1, argv + argc})) {
        if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    // The application object took the user's locale for the C library; numbers in JSON and
    // in options must not follow it (a decimal comma would break both).
    std::setlocale(LC_NUMERIC, "C");
#endif
    // After the application object, which takes out the options meant for Qt.
    const std::vector<std::string> args(argv + 1, argv + argc);
    return orlomat::RunCli(args, std::cout, std::cerr);
}
