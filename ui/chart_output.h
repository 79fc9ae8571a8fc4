// The chart on paper and in files: the three-line print title, printing, the picture file.
#pragma once

#include "ui/picture_output.h"

#include <QColor>
#include <QString>

#include <memory>

class QPrinter;

namespace orlomat {

class ChartView;

// What the print title says, as the window's fields and the language in force give it.
struct PrintTitle {
    QString readFrom, source, competitorCaption, competitor, serialCaption, serial;
    QString maximum, minimum, temperature, samplingCaption, sampling;
    QString comparisonCaption, comparison; // the comparison flight's file, when one is drawn
};

class ChartOutput {
public:
    explicit ChartOutput(ChartView& chart);
    ~ChartOutput();

    QPrinter& printer() { return *printer_; }

    // White background and the three title lines; restoreScreenTitle puts the screen look back.
    void composePrintTitle(const PrintTitle& t);
    void restoreScreenTitle();

    // One page on the printer (the lower 25 % free in landscape, 55 % in portrait), the title
    // composed and restored around it; `where` names the printer or the file.
    PrintResult print(const PrintTitle& t, QString& where);
    // A printer or a file has been chosen (or the system has a default printer).
    bool hasDestination() const { return HasPrintDestination(*printer_); }

    // The chart as a bitmap under `chosen` (".bmp" added unless the name holds it). The path
    // written, and the reason on failure.
    QString savePicture(const QString& chosen, QString& path);

private:
    ChartView& chart_;
    std::unique_ptr<QPrinter> printer_;
    QColor savedColour_;
};

} // namespace orlomat
