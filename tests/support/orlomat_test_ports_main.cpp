// The command line with pseudo-terminals listed as serial ports, for the scripts that plug
// emulated altimeters in and out.
#include "app/cli.h"
#include "tests/support/pty_port_lister.h"

int main(int argc, char** argv) {
    orlomat::test::PtyPortLister ports = orlomat::test::PtyPortLister::fromEnvironment();
    return orlomat::CliMain(argc, argv, &ports);
}
