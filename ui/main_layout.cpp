#include "ui/main_layout.h"

#include <algorithm>

namespace orlomat {

MainLayout ComputeMainLayout(int width, int height, const DesignedWidths& w) {
    MainLayout l;
    // k = 128000 div W; a width of 0 or above 128000 would make it (or a divisor) 0.
    const int k = std::max(1, 128000 / std::max(1, width));
    l.chartHeight = std::max(height - 120, 200);
    l.unitLabelsTop = l.chartHeight - 20;
    l.chartWidth = std::max(width - 15, 500);
    l.rightLabelsLeft = l.chartWidth - 85;
    l.readLeft = 1000 / k;
    l.filterLeft = std::max(9600 / k, l.readLeft + w.clearButton + 7);
    l.flightGroupLeft = std::max(18400 / k, l.readLeft + w.readButton + 3);
    l.diskGroupLeft = std::max(53600 / k, l.flightGroupLeft + w.flightGroup + 3);
    l.compareLeft = std::max(width - w.compareButton - w.compareGroup - 1500 / k - 8,
                             l.diskGroupLeft + w.diskGroup + 5);
    l.compareGroupLeft = std::max(width - w.compareGroup - 8, l.compareLeft + w.compareButton + 5);
    return l;
}

ClientSize MinimumClientSize(const DesignedWidths& w) {
    // 250 pixels of chart keep its legend (six entries) inside the plot, under the title
    // and above the time axis.
    constexpr int kRightMargin = 8, kChartTop = 120, kChartHeight = 250;
    const auto fits = [&](int width) {
        return ComputeMainLayout(width, kChartTop + kChartHeight, w).compareGroupLeft +
                   w.compareGroup + kRightMargin <=
               width;
    };
    int width = 515; // the chart's own minimum width and its margin
    while (width < 128000 && !fits(width))
        ++width;
    return {width, kChartTop + kChartHeight};
}

} // namespace orlomat
