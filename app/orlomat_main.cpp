#include "app/cli.h"

#include <clocale>
#include <cstring>
#include <iostream>
#include <memory>

#ifdef ORLOMAT_WITH_DEVICE
#include <QApplication>
#endif

int main(int argc, char** argv) {
#ifdef ORLOMAT_WITH_DEVICE
    // The serial port wants an application object; the plot a widget one, without a screen.
    bool plot = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--lang") == 0) {
            ++i;
            continue;
        }
        plot = std::strcmp(argv[i], "plot") == 0;
        break;
    }
    std::unique_ptr<QCoreApplication> app;
    if (plot) {
        if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    // The application object took the user's locale for the C library; numbers in JSON and
    // in options must not follow it (a decimal comma would break both).
    std::setlocale(LC_NUMERIC, "C");
#endif
    std::vector<std::string> args(argv + 1, argv + argc);
    return orlomat::RunCli(args, std::cout, std::cerr);
}
