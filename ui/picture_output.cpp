#include "ui/picture_output.h"

#include "files/file_io.h"
#include "ui/chart_view.h"

#include <QBuffer>
#include <QFile>
#include <QPrinter>
#include <QTemporaryDir>

namespace orlomat {

QString RenderPicture(ChartView& chart, const char* format, QByteArray& bytes) {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const QPixmap picture = chart.picture();
    if (picture.isNull() || !picture.save(&buffer, format))
        return QStringLiteral("cannot render the picture (%1)").arg(QLatin1String(format));
    return {};
}

namespace {

// Prints into a PDF file in a private folder and takes its bytes.
PrintResult PrintToPdfBytes(ChartView& chart, QPrinter& printer, QByteArray& bytes) {
    QTemporaryDir folder;
    if (!folder.isValid()) return {PrintFault::FileNotWritten, folder.errorString()};
    const QString name = folder.filePath(QStringLiteral("page.pdf"));
    const QString wanted = printer.outputFileName();
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(name);
    const bool printed = chart.printOn(printer);
    printer.setOutputFileName(wanted);
    if (!printed) return {PrintFault::PageNotRendered, {}};
    QFile f(name);
    if (!f.open(QIODevice::ReadOnly)) return {PrintFault::FileNotWritten, f.errorString()};
    bytes = f.readAll();
    return {};
}

} // namespace

QString RenderPdf(ChartView& chart, QPageLayout::Orientation orientation, QByteArray& bytes) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(orientation);
    const PrintResult r = PrintToPdfBytes(chart, printer, bytes);
    if (r.ok()) return {};
    return r.reason.isEmpty() ? QStringLiteral("cannot render the page") : r.reason;
}

bool HasPrintDestination(const QPrinter& printer) {
    return !printer.outputFileName().isEmpty() || !printer.printerName().isEmpty();
}

PrintResult PrintChart(ChartView& chart, QPrinter& printer) {
    if (!HasPrintDestination(printer)) return {PrintFault::NoDestination, {}};
    const QString file = printer.outputFileName();
    if (file.isEmpty())
        return chart.printOn(printer) ? PrintResult{} : PrintResult{PrintFault::PrinterRefused, {}};
    QByteArray bytes;
    PrintResult r = PrintToPdfBytes(chart, printer, bytes);
    if (!r.ok()) return r;
    const QString error = WriteFileAtomically(file, bytes);
    if (!error.isEmpty()) return {PrintFault::FileNotWritten, error};
    return {};
}

} // namespace orlomat
