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
    const QPixmap picture = chart.toPixmap(chart.width(), chart.height());
    if (picture.isNull() || !picture.save(&buffer, format))
        return QStringLiteral("cannot render the picture (%1)").arg(QLatin1String(format));
    return {};
}

namespace {

// Prints into a PDF file in a private folder and takes its bytes.
QString PrintToPdfBytes(ChartView& chart, QPrinter& printer, QByteArray& bytes) {
    QTemporaryDir folder;
    if (!folder.isValid()) return folder.errorString();
    const QString name = folder.filePath(QStringLiteral("page.pdf"));
    const QString wanted = printer.outputFileName();
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(name);
    const bool printed = chart.printOn(printer);
    printer.setOutputFileName(wanted);
    if (!printed) return QStringLiteral("cannot render the page");
    QFile f(name);
    if (!f.open(QIODevice::ReadOnly)) return f.errorString();
    bytes = f.readAll();
    return {};
}

} // namespace

QString RenderPdf(ChartView& chart, QPageLayout::Orientation orientation, QByteArray& bytes) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(orientation);
    return PrintToPdfBytes(chart, printer, bytes);
}

QString PrintChart(ChartView& chart, QPrinter& printer) {
    const QString file = printer.outputFileName();
    if (file.isEmpty()) return chart.printOn(printer) ? QString() : QStringLiteral("printer");
    QByteArray bytes;
    const QString problem = PrintToPdfBytes(chart, printer, bytes);
    if (!problem.isEmpty()) return problem;
    return WriteFileAtomically(file, bytes);
}

} // namespace orlomat
