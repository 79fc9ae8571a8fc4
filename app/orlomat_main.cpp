#include "app/cli.h"

int main(int argc, char** argv) {
    return orlomat::CliMain(argc, argv, nullptr);
}
