#include "cli_plot.h"

#include "chart_view.h"
#include "console_prompter.h"
#include "orlomat_1.h"

#include <QPrinter>
#include <QTemporaryDir>

namespace orlomat {

int RunPlot(const std::vector<std::string>& args, int language, std::ostream& err) {
    std::string file, compare, output;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if ((a == "--compare" || a == "-o") && i + 1 < args.size()) {
            (a == "-o" ? output : compare) = args[++i];
        } else if (a.rfind("-", 0) != 0 && file.empty()) {
            file = a;
        } else {
            err << (language == 1 ? "unknown option or argument: "
                                  : "nieznana opcja lub argument: ")
                << a << " (orlomat --help)\n";
            return 2;
        }
    }
    if (file.empty() || output.empty()) {
        err << (language == 1 ? "missing FILE or -o OUT" : "brak PLIKU lub -o WYJŚCIE")
            << " (orlomat --help)\n";
        return 2;
    }
    const QString out = QString::fromStdString(output);
    const bool pdf = out.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive);
    if (!pdf && !out.endsWith(QLatin1String(".png"), Qt::CaseInsensitive) &&
        !out.endsWith(QLatin1String(".bmp"), Qt::CaseInsensitive)) {
        err << (language == 1 ? "OUT must end in .bmp, .png or .pdf"
                              : "WYJŚCIE musi kończyć się na .bmp, .png lub .pdf")
            << '\n';
        return 1;
    }

    QTemporaryDir settings; // the plot never touches the user's settings file
    ConsolePrompter prompter(err);
    TOrlomat_BMP window(settings.filePath(QStringLiteral("OrlomatBMP.par")), prompter);
    if (language == 1) window.English1Click();
    window.resize(1300, 834);
    window.show();
    if (!window.LoadFlightFile(QString::fromStdString(file))) return 1;
    if (!compare.empty() && !window.LoadComparisonFile(QString::fromStdString(compare))) return 1;
    window.ComposePrintTitle();
    ChartView& chart = *window.chart();
    bool ok = false;
    if (pdf) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(out);
        printer.setPageOrientation(QPageLayout::Landscape);
        chart.setBottomPrintMargin(25);
        ok = chart.printOn(printer);
    } else {
        ok = chart.toPixmap(chart.width(), chart.height()).save(out);
    }
    if (!ok) {
        err << (language == 1 ? "cannot write " : "nie można zapisać ") << output << '\n';
        return 1;
    }
    return 0;
}

} // namespace orlomat
