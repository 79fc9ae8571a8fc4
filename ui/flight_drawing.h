// Drawing decoded flights on the chart: the current flight (altitude with time labels and its
// vertical speed), the comparison flight, and a filter result beside the curve it smoothed.
#pragma once

#include "analysis/comparison.h"
#include "analysis/filter_chain.h"
#include "core/decode.h"

namespace orlomat {

class ChartView;
enum class Series;

// Left axis from 0, fixed maximum, automatic minimum: as every flight is drawn.
void PrepareFlightAxes(ChartView& chart);

// Adds the current flight's points (the caller clears the series first) and sets the axes.
// Its sampling rate (samples per 10 seconds) makes the time axis: a comparison flight already
// drawn moves to its own times on it.
void DrawCurrentFlight(ChartView& chart, const FlightCurve& curve, std::uint32_t samplingRate);

// Replaces the comparison curve, drawn at its own times on the current flight's time axis;
// the left axis rises when the comparison goes higher.
void DrawComparisonFlight(ChartView& chart, const ComparisonCurve& curve);

// The smoothed curve in `main` (with the time labels it carries), the curve before smoothing
// dashed in `dashed`; a comparison flight passes its sampling rate to stand at its own times.
void DrawFiltered(ChartView& chart, const FilteredFlight& f, Series main, Series dashed,
                  std::uint32_t ownRate = 0);

} // namespace orlomat
