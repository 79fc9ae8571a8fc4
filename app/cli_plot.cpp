#include "app/cli_plot.h"

#include "files/user_file.h"
#include "ui/chart_view.h"
#include "ui/console_prompter.h"
#include "ui/main_window.h"
#include "ui/picture_output.h"

#include <QTemporaryDir>

namespace orlomat {

int PlotCommand(const cli::Args& args, std::ostream&, std::ostream& err) {
    const std::string output = args.value("-o");
    const QString out = QString::fromStdString(output);
    const bool pdf = out.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive);
    const bool png = out.endsWith(QLatin1String(".png"), Qt::CaseInsensitive);
    if (!pdf && !png && !out.endsWith(QLatin1String(".bmp"), Qt::CaseInsensitive)) {
        cli::Fail(err, args.language == 1 ? "OUT must end in .bmp, .png or .pdf"
                                          : "WYJŚCIE musi kończyć się na .bmp, .png lub .pdf");
        return cli::kFailure;
    }

    QTemporaryDir settings; // the plot never touches the user's settings file
    ConsolePrompter prompter(err);
    MainWindow window(settings.filePath(QStringLiteral("OrlomatBMP.par")), prompter);
    if (args.language == 1) window.switchToEnglish();
    window.resize(1300, 834);
    window.show();
    if (!window.loadFlightFile(QString::fromStdString(args.files[0]))) return cli::kFailure;
    if (args.has("--compare") &&
        !window.loadComparisonFile(QString::fromStdString(args.value("--compare"))))
        return cli::kFailure;
    window.composePrintTitle();
    ChartView& chart = *window.chart();
    QByteArray bytes;
    QString problem;
    if (pdf) {
        chart.setBottomPrintMargin(25);
        problem = RenderPdf(chart, QPageLayout::Landscape, bytes);
    } else {
        problem = RenderPicture(chart, png ? "PNG" : "BMP", bytes);
    }
    if (problem.isEmpty())
        problem = QString::fromStdString(WriteFileAtomically(
            output, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()))));
    if (!problem.isEmpty()) {
        cli::Fail(err, (args.language == 1 ? "cannot write " : "nie można zapisać ") + output +
                           ": " + problem.toStdString());
        return cli::kFailure;
    }
    return cli::kSuccess;
}

} // namespace orlomat
