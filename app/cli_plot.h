// orlomat plot: the chart with its print title, rendered without a window.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace orlomat {

// Needs a QApplication (offscreen is fine). language 0 Polish, 1 English.
int RunPlot(const std::vector<std::string>& args, int language, std::ostream& err);

} // namespace orlomat
