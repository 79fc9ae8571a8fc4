#include "app/cli_plot.h"

#include "analysis/comparison.h"
#include "core/flight.h"
#include "core/format.h"
#include "core/language.h"
#include "files/user_file.h"
#include "ui/chart_output.h"
#include "ui/chart_view.h"
#include "ui/flight_drawing.h"
#include "ui/picture_output.h"

#include <filesystem>

namespace orlomat {

int PlotCommand(const cli::Args& args, std::ostream&, std::ostream& err) {
    const Language language = args.language;
    const std::string output = args.value("-o");
    const QString out = QString::fromStdString(output);
    const bool pdf = out.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive);
    const bool png = out.endsWith(QLatin1String(".png"), Qt::CaseInsensitive);
    if (!pdf && !png && !out.endsWith(QLatin1String(".bmp"), Qt::CaseInsensitive)) {
        cli::Fail(err, cli::Say(args, Phrase::PlotKind));
        return cli::kFailure;
    }
    if (!cli::OutputAllowed(args, output, err, true)) return cli::kUsage;
    auto record = ReadFlightRecord(args, args.files[0], err);
    if (!record) return cli::kFailure;
    std::optional<std::vector<std::uint8_t>> comparison;
    if (args.has("--compare") &&
        !(comparison = ReadFlightRecord(args, args.value("--compare"), err)))
        return cli::kFailure;

    // The chart as the window shows it at its designed size, with the print title.
    ChartView chart;
    chart.resize(1285, 694);
    const auto text = [&](Caption c) { return QString::fromUtf8(Tr(c, language)); };
    chart.setSeriesTitle(Series::Altitude, text(Caption::Altitude));
    chart.setSeriesTitle(Series::Speed, text(Caption::Acceleration));
    chart.setSeriesTitle(Series::Comparison, text(Caption::Compare));
    const Flight flight = DecodeRecord(std::move(*record), FlightSource::File);
    DrawCurrentFlight(chart, flight.curve, flight.state.samplingRate);
    if (comparison)
        DrawComparisonFlight(chart, DecodeComparisonRecord(std::move(*comparison)).curve);
    ChartOutput paper(chart);
    paper.composePrintTitle(
        {text(Caption::ReadFrom),
         QString::fromStdString(Utf8FromPath(PathFromUtf8(args.files[0]).filename())),
         text(Caption::CompetitorNo), QString::number(flight.header.header.competitor),
         text(Caption::SerialNo), QString::number(flight.header.header.serial),
         QString::fromStdString(FormatOneDecimal(flight.curve.maximum)),
         QString::fromStdString(FormatOneDecimal(flight.curve.minimum)),
         QString::number(flight.header.temperature), text(Caption::Sampling),
         QString::fromStdString(flight.header.samplingText), text(Caption::Compare).trimmed(),
         comparison ? QString::fromStdString(
                          std::filesystem::path(args.value("--compare")).filename().string())
                    : QString()});

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
        cli::Fail(err,
                  cli::Say(args, Phrase::CannotWriteShort) + output + ": " + problem.toStdString());
        return cli::kFailure;
    }
    return cli::kSuccess;
}

} // namespace orlomat
