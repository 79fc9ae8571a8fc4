#include "ui/chart_output.h"

#include "core/language.h"
#include "files/file_io.h"
#include "ui/chart_view.h"
#include "ui/picture_output.h"

#include <QPrinter>

namespace orlomat {

ChartOutput::ChartOutput(ChartView& chart)
    : chart_(chart), printer_(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
    printer_->setPageOrientation(QPageLayout::Landscape);
}

ChartOutput::~ChartOutput() = default;

void ChartOutput::composePrintTitle(const PrintTitle& t) {
    savedColour_ = chart_.backgroundColor();
    chart_.setBackgroundColor(Qt::white);
    chart_.clearTitle();
    const QString gap = QStringLiteral("    ");
    chart_.addTitleLine(QStringLiteral("        ") + t.readFrom + t.source + gap +
                        t.competitorCaption + QStringLiteral(": ") + t.competitor + gap +
                        t.serialCaption + QStringLiteral(": ") + t.serial +
                        (t.comparison.isEmpty()
                             ? QString()
                             : gap + t.comparisonCaption + QStringLiteral(": ") + t.comparison));
    chart_.addTitleLine(QStringLiteral(" "));
    chart_.addTitleLine(QStringLiteral("        Max: ") + t.maximum + QStringLiteral(" m") + gap +
                        QStringLiteral("Min: ") + t.minimum + QStringLiteral("m") + gap +
                        QStringLiteral("Temp: ") + t.temperature + QString::fromUtf8("°C") + gap +
                        t.samplingCaption + QStringLiteral(": ") + t.sampling);
    // On screen the units are captions beside the chart; on paper and in a picture they are
    // the axes' own labels.
    // (the same words in both languages).
    chart_.setAxisLabels(QStringLiteral("[m]"), QStringLiteral("[sek]"),
                         QStringLiteral("dh/dt [m/s]"));
    chart_.refresh();
}

void ChartOutput::restoreScreenTitle() {
    // The screen title as it was: a title that moved after printing looked like a fault.
    chart_.clearTitle();
    chart_.addTitleLine(QString::fromUtf8(kChartTitle));
    chart_.setAxisLabels({}, {}, {});
    chart_.setBackgroundColor(savedColour_);
    chart_.refresh();
}

PrintResult ChartOutput::print(const PrintTitle& t, QString& where) {
    composePrintTitle(t);
    chart_.setBottomPrintMargin(
        printer_->pageLayout().orientation() == QPageLayout::Landscape ? 25 : 55);
    PrintResult problem = PrintChart(chart_, *printer_);
    restoreScreenTitle();
    where =
        printer_->outputFileName().isEmpty() ? printer_->printerName() : printer_->outputFileName();
    return problem;
}

QString ChartOutput::savePicture(const QString& chosen, QString& path) {
    path = chosen.contains(QLatin1String(".bmp")) ? chosen : chosen + QStringLiteral(".bmp");
    QByteArray bytes;
    QString error = RenderPicture(chart_, "BMP", bytes);
    if (error.isEmpty()) error = WriteFileAtomically(path, bytes);
    return error;
}

} // namespace orlomat
