// The altitude chart: six line series over a label axis of point positions, the left axis in
// metres, the right axis for the vertical speed, title, legend, rubber-band zoom and clicks.
// It offers the operations the program's handlers perform on the chart, and nothing more.
#pragma once

#include <QPen>
#include <QPixmap>
#include <QRect>
#include <QWidget>

#include <QColor>
#include <QStringList>
#include <QVector>

#include <array>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

class QCPGraph;
class QCPItemRect;
class QCPItemStraightLine;
class QCPItemText;
class QCPTextElement;
class QLabel;
class QMouseEvent;
class QPrinter;

namespace orlomat {

class SecondsTicker;

// The six series, as the designed Series1 .. Series6.
enum class Series {
    Altitude = 1,               // the current flight
    Speed = 2,                  // its vertical speed, on the right axis
    Comparison = 3,             // the comparison flight
    Unused = 4,                 // designed, never filled, not in the legend
    AltitudeBeforeFilter = 5,   // the current flight before smoothing, dashed
    ComparisonBeforeFilter = 6, // the comparison flight before smoothing, dashed
};

// The chart owns its plot: nothing outside changes a graph or an axis but through these
// operations.
class ChartView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kSeriesCount = 6; // Series1 .. Series6
    // Room for the unit captions the window lays over the chart's lower corners.
    static constexpr int kCaptionStrip = 24;
    static constexpr int kCaptionWidth = 48;

    explicit ChartView(QWidget* parent = nullptr);
    ~ChartView() override;

    // The six series by name.
    void clearSeries(Series s);
    void addPoint(Series s, double y, const QString& label);
    void setSeriesTitle(Series s, const QString& title);
    QString seriesTitle(Series s) const;
    void setMarksVisible(Series s, bool visible);
    bool marksVisible(Series s) const;
    int pointCount(Series s) const;
    double pointValue(Series s, int index) const;
    // Where the point stands on the bottom axis (its sample position on the time axis).
    double pointPosition(Series s, int index) const;
    QString pointLabel(Series s, int index) const;
    bool inLegend(Series s) const;
    QPen seriesPen(Series s) const;
    bool onRightAxis(Series s) const; // the vertical speed's axis
    // Where point `index` of the series is drawn, in the chart's coordinates.
    QPoint pointPixel(Series s, int index) const;
    // Rescales the axes that follow the data and repaints.
    void refresh();
    // Repaints as things stand (at the next pass of the event loop, or at once).
    void replot();
    void replotNow();

    // Left axis.
    void setLeftMinMax(double minimum, double maximum);
    void setLeftAutomatic(bool on) { leftAutomatic_ = on; }
    void setLeftAutomaticMaximum(bool on) { leftAutoMax_ = on; }
    void setLeftAutomaticMinimum(bool on) { leftAutoMin_ = on; }
    void setLeftIncrement(double increment) { leftIncrement_ = increment; }
    double leftIncrement() const { return leftIncrement_; }
    double leftMaximum() const;
    // The limits as set (the axis shows them where scaling is not automatic).
    double leftSetMaximum() const { return leftMax_; }
    double leftSetMinimum() const { return leftMin_; }
    double leftMinimum() const;

    // Bottom axis. Its positions are the samples of a flight recorded at the time axis' rate
    // (samples per 10 seconds; 0 until a flight sets it): beyond the points of Series1 the
    // time labels go on at that rate. A series given a rate of its own puts its points at
    // their own times on that axis (0: point i at position i).
    void setTimeAxisRate(std::uint32_t rate);
    std::uint32_t timeAxisRate() const { return axisRate_; }
    void setSeriesRate(Series s, std::uint32_t rate);
    std::uint32_t seriesRate(Series s) const { return rates_[IndexOf(s)]; }
    double bottomVisibleMinimum() const;
    double bottomVisibleMaximum() const;
    // The bottom axis' ticks as drawn last, and their texts.
    QVector<double> bottomTicks() const;
    QVector<QString> bottomTickLabels() const;
    void setBottomMinorTickCount(int count);
    int bottomMinorTickCount() const;
    void setBottomMinorGridVisible(bool visible);
    bool bottomMinorGridVisible() const;

    // The chart as a whole.
    QColor backgroundColor() const { return background_; }
    void setBackgroundColor(const QColor& colour);
    void clearTitle();
    void addTitleLine(const QString& line);
    QStringList titleLines() const { return titleLines_; }
    // Unit labels on the axes themselves (left, bottom, right), in the tick labels' font, for
    // paper and pictures; empty texts take them away.
    void setAxisLabels(const QString& left, const QString& bottom, const QString& right);
    QStringList axisLabels() const;
    // Where the plot's rectangle and the legend stand, and each legend entry's text.
    QRect plotRect() const;
    int plotTopMargin() const;
    QRect legendRect() const;
    QVector<QRect> legendTextRects() const;
    // The chart drawn at its size, as a picture.
    QPixmap picture() const;
    void setBottomPrintMargin(int percent) { bottomPrintMargin_ = percent; }
    int bottomPrintMargin() const { return bottomPrintMargin_; }

    // One page on the printer: the chart stretched into the print margins (left, top and
    // right 5 %, bottom as set), laid out at screen resolution and scaled to the page.
    bool printOn(QPrinter& printer);

    // Zoom as the user does it with the mouse; both raise the events below.
    void zoomTo(double xFrom, double xTo);
    void undoZoom();
    bool isZoomed() const { return zoomed_; }
    // A strip of `height` pixels kept free between the title and the plot (the download
    // station's line stands there, over no curve); 0 gives the room back. Returns the strip's
    // top in the chart's coordinates.
    int reserveTopStrip(int height);

    // A reading's marks: a shaded window and vertical lines at positions on the bottom axis,
    // points at a position and a value on the left axis, a note at the plot's top. None of
    // them takes a click or moves an axis; clearMarks() takes them all away.
    void shadeWindow(double from, double to);
    void addInstantLine(double position);
    void addMarkPoint(double position, double value);
    void setMarkNote(const QString& text);
    void clearMarks();
    struct Marks {
        std::optional<std::pair<double, double>> window;
        std::vector<double> lines;
        std::vector<QPointF> points;
        QString note;
    };
    Marks marks() const;
    // Text in a strip of its own under the title (and under the station's strip), over no
    // curve; wrapped to the chart's width. An empty text gives the room back.
    void setReadingText(const QString& text, const QString& accessibleName);
    QString readingText() const;
    QRect readingRect() const;
    // The bottom axis' position under a pixel of the chart.
    double positionAt(int x) const;

signals:
    void legendClicked();
    void seriesClicked(orlomat::Series series);
    // The same click, with the bottom axis' position under it.
    void seriesClickedAt(orlomat::Series series, double position);
    void zoomed();
    void zoomUndone();
    void replotted();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    class Plot;
    // A press and release within a few pixels is a click on a curve or the legend; the
    // selection rectangle never reports one (the library drops a rectangle that did not grow).
    void pressed(QMouseEvent* event);
    void released(QMouseEvent* event);
    QCPGraph* graphOf(Series s) const { return graphs_[IndexOf(s)]; }
    static std::size_t IndexOf(Series s) { return static_cast<std::size_t>(s) - 1; }
    void onSelectionRect(const QRect& rect, QMouseEvent* event);
    void clickAt(const QPoint& pos);
    void placeLegend();
    void layOut();
    // The plot's top margin for the strips; the reading placed in its strip. True when the
    // strip's height changed (the layout must run again).
    void applyTopMargin();
    bool placeReading();
    void rescale();
    double positionOf(std::size_t series, int index) const;
    // Puts the series' points at the positions their rate gives on the axis.
    void placePoints(std::size_t series);

    Plot* plot_;
    std::array<QCPGraph*, kSeriesCount> graphs_{};
    std::array<QStringList, kSeriesCount> labels_;
    std::array<std::uint32_t, kSeriesCount> rates_{};
    std::uint32_t axisRate_ = 0;
    QSharedPointer<SecondsTicker> bottomTicker_;
    QCPTextElement* title_ = nullptr;
    QStringList titleLines_;
    QColor background_;
    bool leftAutomatic_ = true, leftAutoMax_ = true, leftAutoMin_ = true;
    double leftMin_ = 0.0, leftMax_ = 10.0, leftIncrement_ = 0.1;
    int bottomPrintMargin_ = 25;
    bool zoomed_ = false;
    QPoint pressedAt_;
    bool pressed_ = false;
    int stationStrip_ = 0, readingStrip_ = 0;
    QLabel* reading_ = nullptr;
    QCPItemRect* window_ = nullptr;
    std::vector<QCPItemStraightLine*> lines_;
    QCPGraph* markPoints_ = nullptr;
    QCPItemText* note_ = nullptr;
};

} // namespace orlomat
