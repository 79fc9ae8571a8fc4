#include "cli.h"

#include <iostream>

#ifdef ORLOMAT_WITH_DEVICE
#include <QCoreApplication>
#endif

int main(int argc, char** argv) {
#ifdef ORLOMAT_WITH_DEVICE
    QCoreApplication app(argc, argv);  // the serial port wants an application object
#endif
    std::vector<std::string> args(argv + 1, argv + argc);
    return orlomat::RunCli(args, std::cout, std::cerr);
}
