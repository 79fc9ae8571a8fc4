#include "ui/flight_drawing.h"

#include "ui/chart_view.h"

namespace orlomat {

void PrepareFlightAxes(ChartView& chart) {
    chart.setLeftMinMax(0, 10);
    chart.setLeftAutomatic(false);
    chart.setLeftAutomaticMaximum(false);
    chart.setLeftAutomaticMinimum(true);
}

void DrawCurrentFlight(ChartView& chart, const FlightCurve& c, std::uint32_t samplingRate) {
    chart.setTimeAxisRate(samplingRate);
    chart.setBottomMinorGridVisible(false);
    PrepareFlightAxes(chart);
    chart.setBottomMinorTickCount(c.minorTickCount);
    for (const ChartPoint& p : c.altitudePoints)
        chart.addPoint(Series::Altitude, static_cast<double>(p.y), QString::fromStdString(p.label));
    for (const float v : c.speedPoints)
        chart.addPoint(Series::Speed, static_cast<double>(v), QString());
    chart.setLeftMinMax(0, c.leftAxisMaximum);
    chart.refresh();
}

void DrawComparisonFlight(ChartView& chart, const ComparisonCurve& c) {
    chart.clearSeries(Series::Comparison);
    chart.setLeftAutomatic(false);
    chart.setLeftAutomaticMaximum(false);
    chart.setLeftAutomaticMinimum(true);
    // Without a current flight the comparison's own time makes the axis. The minor ticks
    // mark the axis' samples between two seconds, whichever flight is drawn on it.
    if (chart.timeAxisRate() == 0) chart.setTimeAxisRate(c.samplingRate);
    chart.setSeriesRate(Series::Comparison, c.samplingRate);
    chart.setBottomMinorTickCount(MinorTickCount(chart.timeAxisRate()));
    for (const float y : c.altitudePoints)
        chart.addPoint(Series::Comparison, static_cast<double>(y), QString());
    if (c.leftAxisCandidate && *c.leftAxisCandidate > chart.leftSetMaximum())
        chart.setLeftMinMax(chart.leftSetMinimum(), *c.leftAxisCandidate);
    chart.refresh();
}

void DrawFiltered(ChartView& chart, const FilteredFlight& f, Series main, Series dashed,
                  std::uint32_t ownRate) {
    chart.clearSeries(main);
    chart.clearSeries(dashed);
    chart.setSeriesRate(main, ownRate);
    chart.setSeriesRate(dashed, ownRate);
    for (std::size_t k = 0; k < f.cleaned.size(); ++k)
        chart.addPoint(main, f.cleaned[k] * 0.01, QString::fromStdString(f.labels[k]));
    for (const std::int32_t v : f.source)
        chart.addPoint(dashed, v * 0.01, QString());
    chart.refresh();
}

} // namespace orlomat
