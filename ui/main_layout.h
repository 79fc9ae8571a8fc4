// The main window's top strip and chart, laid out for a client size (integer arithmetic,
// divisions truncating, as designed).
#pragma once

namespace orlomat {

struct MainLayout {
    int chartWidth = 0, chartHeight = 0;
    int unitLabelsTop = 0;    // "[m]" and "[sek]"
    int rightLabelsLeft = 0;  // "[sek]" and "dh/dt"
    int readLeft = 0;         // B_Odczyt_Orlomatu and BZerowanie
    int filterLeft = 0;       // B_Filtr_Alt
    int flightGroupLeft = 0;  // GroupB_Alt
    int diskGroupLeft = 0;    // GBDysk_ZapisOdczyt
    int compareLeft = 0;      // B_Porownanie and B_Filtr_por
    int compareGroupLeft = 0; // GroupB_Por
};

// Designed widths of the controls the layout places.
struct DesignedWidths {
    int readButton = 145, clearButton = 81, flightGroup = 281, diskGroup = 129, compareButton = 97,
        compareGroup = 297;
};

MainLayout ComputeMainLayout(int clientWidth, int clientHeight, const DesignedWidths& w = {});

} // namespace orlomat
