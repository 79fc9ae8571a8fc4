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

// Prints on `printer`; a printer that prints to a file gets the page through the atomic
// writer. The reason on failure.
QString PrintChart(ChartView& chart, QPrinter& printer);

} // namespace orlomat
