// orlomat plot: the chart with its print title, rendered without a window on screen.
#pragma once

#include "app/cli_args.h"

#include <ostream>

namespace orlomat {

// Needs a QApplication (offscreen is fine).
int PlotCommand(const cli::Args& args, std::ostream& out, std::ostream& err);

} // namespace orlomat
