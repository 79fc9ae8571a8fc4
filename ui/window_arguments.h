// The window program's command line:
//   OrlomatBMP [--port NAME] [--archive DIR] [--station] [FLIGHT]
// FLIGHT is a flight file to open at start ("Open with"); --port uses another serial port for
// this run without storing it (the demo points it at the altimeter emulator); --archive keeps
// the flights read in DIR for this run instead of the archive folder chosen; --station starts
// the download station once the window is up.
#pragma once

#include <QStringList>

namespace orlomat {

class MainWindow;

// Applies `arguments` (without the program's name) to a window already shown.
void ApplyWindowArguments(MainWindow& window, const QStringList& arguments);

} // namespace orlomat
