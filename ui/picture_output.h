// The chart as file bytes: a picture or a PDF page, rendered in memory so that the file is
// written in one atomic step (see files/user_file.h) and a failure never leaves half a file.
#pragma once

#include <QByteArray>
#include <QPageLayout>
#include <QString>

class QPrinter;

namespace orlomat {

class ChartView;

// The chart at its size on screen, in `format` ("BMP", "PNG"). The reason on failure.
QString RenderPicture(ChartView& chart, const char* format, QByteArray& bytes);

// One PDF page as the printer would get it. The reason on failure.
QString RenderPdf(ChartView& chart, QPageLayout::Orientation orientation, QByteArray& bytes);

// Why a print failed; the window words it in the language in force.
enum class PrintFault {
    None,
    NoDestination,   // neither a printer nor a file chosen
    PrinterRefused,  // the printer would not start the page
    PageNotRendered, // the page could not be drawn
    FileNotWritten,  // the PDF file could not be written (the system's reason)
};

struct PrintResult {
    PrintFault fault = PrintFault::None;
    QString reason; // the system's words, where it gave any
    bool ok() const { return fault == PrintFault::None; }
};

// Prints on `printer`; a printer that prints to a file gets the page through the atomic
// writer.
PrintResult PrintChart(ChartView& chart, QPrinter& printer);

// A printer or a file to print to has been chosen.
bool HasPrintDestination(const QPrinter& printer);

} // namespace orlomat
