// The main window's top strip and chart, laid out for a client size (integer arithmetic,
// divisions truncating, as designed).
#pragma once

namespace orlomat {

struct MainLayout {
    int chartWidth = 0, chartHeight = 0;
    int unitLabelsTop = 0;    // "[m]" and "[sek]"
    int rightLabelsLeft = 0;  // "[sek]" and "dh/dt"
    int readLeft = 0;         // readButton and resetButton
    int filterLeft = 0;       // filterButton
    int flightGroupLeft = 0;  // flightGroup
    int diskGroupLeft = 0;    // diskGroup
    int compareLeft = 0;      // compareButton and compareFilterButton
    int compareGroupLeft = 0; // compareGroup
};

// Designed widths of the controls the layout places.
struct DesignedWidths {
    int readButton = 145, clearButton = 81, flightGroup = 281, diskGroup = 129, compareButton = 97,
        compareGroup = 297;
};

MainLayout ComputeMainLayout(int clientWidth, int clientHeight, const DesignedWidths& w = {});

// The window's minimum client size: the least width at which the comparison group lies whole
// inside the window, with its designed right margin (narrower, the strip runs off the right
// edge while the chart could still shrink), and a height at which the chart keeps its legend
// inside the plot.
struct ClientSize {
    int width = 0, height = 0;
};
ClientSize MinimumClientSize(const DesignedWidths& w = {});

} // namespace orlomat
