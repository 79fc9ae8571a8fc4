// The window program's command line:
//   OrlomatBMP [--port NAME] [--archive DIR] [--station] [--] [FLIGHT]
// (also --port=NAME, --archive=DIR; after "--" every argument is a file, "-x.dat" too).
// FLIGHT is a flight file to open at start ("Open with"); --port uses another serial port for
// this run without storing it (the demo points it at the altimeter emulator); --archive keeps
// the flights read in DIR for this run instead of the archive folder chosen; --station starts
// the download station once the window is up.
#pragma once

#include <QStringList>

namespace orlomat {

class MainWindow;

inline constexpr const char* kWindowUsage =
    "usage: OrlomatBMP [--port NAME] [--archive DIR] [--station] [--] [FLIGHT]\n";

// True when `arguments` ask for the usage text (--help, -h) instead of the window.
bool AsksForUsage(const QStringList& arguments);

// Applies `arguments` (without the program's name) to a window already shown. An unknown
// option, or one without its value, is told in a message and ignored (a mistyped --station
// must not quietly leave the station off); the rest still applies.
void ApplyWindowArguments(MainWindow& window, const QStringList& arguments);

} // namespace orlomat
