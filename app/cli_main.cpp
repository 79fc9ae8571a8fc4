#include "app/cli.h"

#include <clocale>
#include <iostream>
#include <memory>

#ifdef ORLOMAT_WITH_DEVICE
#include <QApplication>
#endif

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace {

// Our texts are UTF-8: the console shows them as such while the program runs, and gets its
// own code page back after.
struct Utf8Console {
    Utf8Console() : input(GetConsoleCP()), output(GetConsoleOutputCP()) {
        SetConsoleCP(CP_UTF8);
        SetConsoleOutputCP(CP_UTF8);
    }
    ~Utf8Console() {
        if (input != 0) SetConsoleCP(input);
        if (output != 0) SetConsoleOutputCP(output);
    }
    Utf8Console(const Utf8Console&) = delete;
    Utf8Console& operator=(const Utf8Console&) = delete;
    UINT input, output;
};

// The arguments in UTF-8 (argv holds them in the ANSI code page, which has no room for
// every file name), without the ones the application object took out.
std::vector<std::string> Utf8Arguments(int argc) {
    std::vector<std::string> args;
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) return args;
    for (int i = 1; i < count; ++i) {
        const int n = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string utf8(n > 0 ? static_cast<std::size_t>(n - 1) : 0, '\0');
        if (n > 1) WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, utf8.data(), n, nullptr, nullptr);
        args.push_back(std::move(utf8));
    }
    LocalFree(wide);
    // The application object removes its own options from argv only.
    if (args.size() != static_cast<std::size_t>(argc - 1)) args.clear();
    return args;
}

} // namespace
#endif

namespace orlomat {

int CliMain(int argc, char** argv, PortLister* ports) {
#ifdef ORLOMAT_WITH_DEVICE
    // The serial port wants an application object; the plot a widget one, without a screen.
    std::unique_ptr<QCoreApplication> app;
    if (NeedsWidgets({argv + 1, argv + argc})) {
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
#ifdef _WIN32
    const Utf8Console console;
    std::vector<std::string> args = Utf8Arguments(argc);
    if (args.empty()) args.assign(argv + 1, argv + argc);
#else
    const std::vector<std::string> args(argv + 1, argv + argc);
#endif
    return RunCli(args, std::cout, std::cerr, ports);
}

} // namespace orlomat
