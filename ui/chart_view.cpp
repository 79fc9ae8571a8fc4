#include "ui/chart_view.h"

#include "analysis/comparison.h"
#include "core/decode.h"
#include "core/language.h"
#include "ui/format_pattern.h"

#include <qcustomplot.h>

#include <QLabel>
#include <QLocale>
#include <QPrinter>

#include <algorithm>
#include <cmath>
#include <limits>

namespace orlomat {

namespace {

NumberSeparators SystemSeparators() {
    const QLocale locale;
    return {locale.decimalPoint().toStdString(), locale.groupSeparator().toStdString()};
}

QFont BoldPixelFont(int pixels) {
    QFont f;
    f.setPixelSize(pixels);
    f.setBold(true);
    return f;
}

// Value labels written with a picture pattern in the system's separators.
class PatternTicker : public QCPAxisTicker {
public:
    explicit PatternTicker(std::string pattern) : pattern_(std::move(pattern)) {}

protected:
    QString getTickLabel(double tick, const QLocale&, QChar, int) override {
        return QString::fromStdString(FormatPattern(tick, pattern_, separators_));
    }

private:
    std::string pattern_;
    NumberSeparators separators_ = SystemSeparators();
};

} // namespace

// A line series that can write each point's value beside it: the marks are thinned so that
// they never overlap, and drawn straight onto the chart (no frame, no background).
class MarkedGraph : public QCPGraph {
public:
    MarkedGraph(QCPAxis* key, QCPAxis* value) : QCPGraph(key, value) {}
    bool marks = false;
    std::string pattern;
    int callout = 20; // pixels above the point; negative: below

protected:
    void draw(QCPPainter* painter) override {
        QCPGraph::draw(painter);
        if (!marks || data()->isEmpty()) return;
        painter->setPen(pen().color());
        painter->setFont(BoldPixelFont(11));
        const QFontMetrics fm(painter->font());
        const NumberSeparators sep = SystemSeparators();
        QCPGraphDataContainer::const_iterator begin, end;
        getVisibleDataBounds(begin, end, QCPDataRange(0, dataCount()));
        // Marks stay inside the plot: one that would stand above its top (or below its
        // bottom) is written just inside it.
        const QRect plot = keyAxis()->axisRect()->rect();
        const double top = plot.top() + fm.ascent() + 1.0, bottom = plot.bottom() - fm.descent();
        double nextFree = -1e300;
        for (auto it = begin; it != end; ++it) {
            const QPointF at = coordsToPixels(it->key, it->value);
            const QString text = QString::fromStdString(FormatPattern(it->value, pattern, sep));
            const int w = fm.horizontalAdvance(text);
            const double x = std::clamp(at.x() - w / 2.0, static_cast<double>(plot.left()),
                                        std::max<double>(plot.left(), plot.right() - w));
            if (x < nextFree) continue;
            painter->drawText(QPointF(x, std::clamp(at.y() - callout, top, bottom)), text);
            nextFree = x + w + 4;
        }
    }
};

// Ticks at the points whose time label is not empty (whole seconds), thinned to a readable
// stride of 1, 2, 5, 10, ... labels for the axis' width; the tick texts are the labels. Past
// the labelled points (a longer comparison flight) the labels go on at the axis' rate.
class SecondsTicker : public QCPAxisTicker {
public:
    SecondsTicker(const QStringList* labels, QCPAxis* axis) : labels_(labels), axis_(axis) {}
    int minorTickCount = 0;
    std::uint32_t axisRate = 0;

protected:
    QVector<double> createTickVector(double, const QCPRange& range) override {
        QVector<double> ticks;
        // Bounded, so that no range converts to an int out of its range.
        const int first = static_cast<int>(std::clamp(std::ceil(range.lower), 0.0, 1e7));
        const double end = axisRate != 0 ? range.upper : labels_->size() - 1.0;
        const int last =
            static_cast<int>(std::floor(std::clamp(std::min(range.upper, end), -1.0, 1e7)));
        QVector<int> labelled;
        for (int i = first; i <= last; ++i)
            if (!label(i).isEmpty()) labelled.push_back(i);
        const int room = std::max(2, axis_->axisRect()->width() / 22);
        static constexpr int kStrides[] = {1, 2, 5, 10, 20, 50, 100, 200, 500, 1000, 2000, 5000};
        for (const int s : kStrides) {
            stride_ = s;
            if (labelled.size() / s <= room) break;
        }
        const long long step = static_cast<long long>(stride_) * secondsPerLabel();
        for (const int i : labelled)
            if (label(i).toLongLong() % step == 0) ticks.push_back(i);
        return ticks;
    }

    int getSubTickCount(double) override { return stride_ == 1 ? minorTickCount : 0; }

    QVector<QString> createLabelVector(const QVector<double>& ticks, const QLocale&, QChar,
                                       int) override {
        QVector<QString> out;
        out.reserve(ticks.size());
        for (const double t : ticks)
            out.push_back(label(static_cast<int>(t)));
        return out;
    }

private:
    QString label(int i) const {
        if (i < labels_->size()) return (*labels_)[i];
        return axisRate != 0
                   ? QString::fromStdString(PointLabel(static_cast<std::size_t>(i), axisRate))
                   : QString();
    }

    // Seconds between two labelled points: 1, or 2 for one sample every two seconds, ...
    long long secondsPerLabel() const {
        int seen = 0;
        long long values[2] = {0, 0};
        const int scan = std::max(static_cast<int>(labels_->size()), axisRate != 0 ? 1000 : 0);
        for (int i = 0; i < scan && seen < 2; ++i) {
            const QString text = label(i);
            if (!text.isEmpty()) values[seen++] = text.toLongLong();
        }
        return seen == 2 && values[1] > values[0] ? values[1] - values[0] : 1;
    }

    const QStringList* labels_;
    QCPAxis* axis_;
    int stride_ = 1;
};

// The plot itself: its mouse and size events go to the chart.
class ChartView::Plot : public QCustomPlot {
public:
    explicit Plot(ChartView& chart) : QCustomPlot(&chart), chart_(chart) {}
    using QCustomPlot::layerableAt;
    using QCustomPlot::updateLayout;

protected:
    void resizeEvent(QResizeEvent* event) override {
        QCustomPlot::resizeEvent(event);
        chart_.layOut(); // for the new size at once, not at the next redraw
        QCustomPlot::replot(rpQueuedReplot);
    }
    void mousePressEvent(QMouseEvent* event) override {
        chart_.pressed(event);
        QCustomPlot::mousePressEvent(event);
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        QCustomPlot::mouseReleaseEvent(event);
        chart_.released(event);
    }

private:
    ChartView& chart_;
};

ChartView::ChartView(QWidget* parent)
    : QWidget(parent), plot_(new Plot(*this)), background_(243, 243, 243) {
    connect(plot_, &QCustomPlot::afterReplot, this, &ChartView::replotted);
    plot_->setBackground(background_);
    plot_->axisRect()->setBackground(Qt::NoBrush);
    plot_->setNoAntialiasingOnDrag(true);
    plot_->setPlottingHints(QCP::phFastPolylines | QCP::phCacheLabels);

    // Title row above the axis rectangle.
    plot_->plotLayout()->insertRow(0);
    title_ = new QCPTextElement(plot_, QString(), BoldPixelFont(13));
    title_->setTextFlags(Qt::AlignLeft | Qt::AlignVCenter);
    title_->setTextColor(Qt::black);
    title_->setMargins(QMargins(4, 2, 4, 2));
    plot_->plotLayout()->addElement(0, 0, title_);
    addTitleLine(QString::fromUtf8(kChartTitle));

    // Left axis: metres.
    const QColor gridGrey(167, 167, 167);
    plot_->yAxis->setTicker(QSharedPointer<PatternTicker>::create("#,##0.# "));
    plot_->yAxis->setTickLabelFont(BoldPixelFont(13));
    plot_->yAxis->setTickLength(0, 0);
    plot_->yAxis->setSubTicks(false);
    plot_->yAxis->grid()->setPen(QPen(gridGrey, 1, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));

    // Right axis: vertical speed.
    plot_->yAxis2->setVisible(true);
    plot_->yAxis2->setTicker(QSharedPointer<PatternTicker>::create("#,##0.##"));
    plot_->yAxis2->setTickLabelFont(BoldPixelFont(12));
    plot_->yAxis2->setTickLength(0, 0);
    plot_->yAxis2->setSubTicks(false);
    plot_->yAxis2->grid()->setVisible(true);
    plot_->yAxis2->grid()->setPen(QPen(QColor(159, 159, 255), 1, Qt::DotLine));

    // Bottom axis: the points' time labels, turned.
    const QColor silver(192, 192, 192);
    bottomTicker_ = QSharedPointer<SecondsTicker>::create(&labels_[0], plot_->xAxis);
    plot_->xAxis->setTicker(bottomTicker_);
    plot_->xAxis->setTickLabelRotation(90);
    plot_->xAxis->setTickLabelFont(BoldPixelFont(15));
    plot_->xAxis->setBasePen(QPen(Qt::black, 1, Qt::DotLine));
    plot_->xAxis->setTickPen(QPen(silver, 1, Qt::DotLine));
    plot_->xAxis->setTickLength(4, 3);
    plot_->xAxis->setSubTickPen(QPen(silver, 1, Qt::DotLine));
    plot_->xAxis->setSubTickLength(0, 3);
    plot_->xAxis->grid()->setPen(QPen(gridGrey, 1));
    plot_->xAxis->grid()->setSubGridPen(QPen(silver, 1, Qt::DotLine));
    plot_->xAxis->grid()->setSubGridVisible(false);
    // A strip below the time labels for the window's "[m]" and "[sek]" captions, which stand
    // 20 pixels above the chart's bottom: they never cover a label.
    plot_->xAxis->setPadding(kCaptionStrip);
    plot_->axisRect()->setMinimumMargins(QMargins(kCaptionWidth, 16, kCaptionWidth, 0));
    plot_->xAxis2->setVisible(false);

    struct Style {
        const char* title;
        QColor colour;
        int width;
        Qt::PenStyle line;
        bool rightAxis;
        bool shown;
    };
    const Style styles[kSeriesCount] = {
        {"Wysokosc", QColor(232, 0, 0), 2, Qt::SolidLine, false, true},
        {"Przyspieszenie", Qt::blue, 1, Qt::SolidLine, true, true},
        {"Porównanie", QColor(0, 230, 0), 2, Qt::SolidLine, false, true},
        {"Filtr", QColor(0, 128, 0), 2, Qt::SolidLine, false, false},
        {"Filtr1", QColor(240, 0, 0), 1, Qt::DashLine, false, true},
        {"Filtr2", QColor(0, 230, 0), 1, Qt::DashLine, false, true},
    };
    for (int i = 0; i < kSeriesCount; ++i) {
        const Style& s = styles[i];
        auto* g = new MarkedGraph(plot_->xAxis, s.rightAxis ? plot_->yAxis2 : plot_->yAxis);
        if (i == 0) g->pattern = "#,####.##";
        if (i == 2) {
            g->pattern = "#,###0.###";
            g->callout = -28;
        }
        g->setName(QString::fromUtf8(s.title));
        g->setPen(QPen(s.colour, s.width, s.line));
        g->setLineStyle(QCPGraph::lsLine);
        g->setScatterStyle(QCPScatterStyle::ssNone);
        g->setAdaptiveSampling(true);
        g->setVisible(s.shown);
        if (!s.shown) g->removeFromLegend();
        graphs_[static_cast<std::size_t>(i)] = g;
    }

    plot_->legend->setVisible(true);
    plot_->legend->setFont(BoldPixelFont(11));
    // Room after the longest name ("Przyspieszenie" touched the frame).
    plot_->legend->setMargins(QMargins(1, 2, 6, 2));
    plot_->axisRect()->insetLayout()->setInsetPlacement(0, QCPLayoutInset::ipFree);

    plot_->setSelectionRectMode(QCP::srmCustom);
    plot_->selectionRect()->setPen(QPen(Qt::blue));
    plot_->selectionRect()->setBrush(Qt::NoBrush);
    connect(plot_->selectionRect(), &QCPSelectionRect::accepted, this, &ChartView::onSelectionRect);

    // A reading's marks: under the curves, never a click's target, outside the legend.
    const QColor markBlue(0, 0, 160);
    window_ = new QCPItemRect(plot_);
    window_->setLayer(QStringLiteral("background"));
    window_->topLeft->setTypeY(QCPItemPosition::ptAxisRectRatio);
    window_->bottomRight->setTypeY(QCPItemPosition::ptAxisRectRatio);
    window_->setPen(Qt::NoPen);
    window_->setBrush(QColor(255, 200, 0, 70));
    window_->setSelectable(false);
    window_->setVisible(false);
    markPoints_ = new QCPGraph(plot_->xAxis, plot_->yAxis);
    markPoints_->setLineStyle(QCPGraph::lsNone);
    markPoints_->setScatterStyle(
        QCPScatterStyle(QCPScatterStyle::ssCircle, QPen(markBlue, 2), QColor(255, 255, 255), 11));
    markPoints_->setSelectable(QCP::stNone);
    markPoints_->removeFromLegend();
    note_ = new QCPItemText(plot_);
    note_->position->setType(QCPItemPosition::ptAxisRectRatio);
    note_->position->setCoords(0.5, 0.1);
    note_->setFont(BoldPixelFont(20));
    note_->setColor(markBlue);
    note_->setSelectable(false);
    note_->setVisible(false);
    reading_ = new QLabel(this);
    reading_->setObjectName(QStringLiteral("RuleReading"));
    reading_->setWordWrap(true);
    reading_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    reading_->setFont(BoldPixelFont(12));
    reading_->hide();
    refresh();
}

ChartView::~ChartView() = default;

void ChartView::clearSeries(Series s) {
    graphOf(s)->data()->clear();
    labels_[IndexOf(s)].clear();
}

void ChartView::addPoint(Series s, double y, const QString& label) {
    QStringList& labels = labels_[IndexOf(s)];
    graphOf(s)->addData(positionOf(IndexOf(s), static_cast<int>(labels.size())), y);
    labels.push_back(label);
}

double ChartView::positionOf(std::size_t series, int index) const {
    return ComparisonPosition(static_cast<std::size_t>(index), rates_[series], axisRate_);
}

void ChartView::placePoints(std::size_t series) {
    QCPGraph* g = graphs_[series];
    if (g->data()->isEmpty()) return;
    QVector<double> keys, values;
    keys.reserve(g->data()->size());
    values.reserve(g->data()->size());
    int i = 0;
    for (auto it = g->data()->constBegin(); it != g->data()->constEnd(); ++it, ++i) {
        keys.push_back(positionOf(series, i));
        values.push_back(it->value);
    }
    g->setData(keys, values, true);
}

void ChartView::setTimeAxisRate(std::uint32_t rate) {
    if (rate == axisRate_) return;
    axisRate_ = rate;
    bottomTicker_->axisRate = rate;
    for (std::size_t s = 0; s < graphs_.size(); ++s)
        if (rates_[s] != 0) placePoints(s);
}

void ChartView::setSeriesRate(Series s, std::uint32_t rate) {
    const std::size_t k = IndexOf(s);
    if (rates_[k] == rate) return;
    rates_[k] = rate;
    placePoints(k);
}

void ChartView::setSeriesTitle(Series s, const QString& title) {
    graphOf(s)->setName(title);
}

QString ChartView::seriesTitle(Series s) const {
    return graphOf(s)->name();
}

void ChartView::setMarksVisible(Series s, bool visible) {
    static_cast<MarkedGraph*>(graphOf(s))->marks = visible;
}

bool ChartView::marksVisible(Series s) const {
    return static_cast<MarkedGraph*>(graphOf(s))->marks;
}

int ChartView::pointCount(Series s) const {
    return graphOf(s)->data()->size();
}

double ChartView::pointValue(Series s, int index) const {
    return (graphOf(s)->data()->constBegin() + index)->value;
}

double ChartView::pointPosition(Series s, int index) const {
    return (graphOf(s)->data()->constBegin() + index)->key;
}

QString ChartView::pointLabel(Series s, int index) const {
    return labels_[IndexOf(s)].at(index);
}

bool ChartView::inLegend(Series s) const {
    return plot_->legend->itemWithPlottable(graphOf(s)) != nullptr;
}

void ChartView::setLeftMinMax(double minimum, double maximum) {
    leftMin_ = minimum;
    leftMax_ = maximum;
}

void ChartView::setBottomMinorTickCount(int count) {
    bottomTicker_->minorTickCount = count;
}

int ChartView::bottomMinorTickCount() const {
    return bottomTicker_->minorTickCount;
}

void ChartView::setBottomMinorGridVisible(bool visible) {
    plot_->xAxis->grid()->setSubGridVisible(visible);
}

bool ChartView::bottomMinorGridVisible() const {
    return plot_->xAxis->grid()->subGridVisible();
}

void ChartView::setBackgroundColor(const QColor& colour) {
    background_ = colour;
    plot_->setBackground(colour);
}

void ChartView::clearTitle() {
    titleLines_.clear();
    title_->setText(QString());
}

void ChartView::addTitleLine(const QString& line) {
    titleLines_.push_back(line);
    title_->setText(titleLines_.join(QLatin1Char('\n')));
}

void ChartView::rescale() {
    if (zoomed_) return;
    // Bottom axis: up to the last point of the series that ends last (a comparison flight
    // may end later than the current one, at its own rate).
    double last = 0.0;
    for (QCPGraph* g : graphs_)
        if (g->visible() && !g->data()->isEmpty())
            last = std::max(last, (g->data()->constEnd() - 1)->key);
    plot_->xAxis->setRange(0, std::max(last, 1.0));

    // Left axis: the data's extent where scaling is automatic, the set limits elsewhere.
    double lo = std::numeric_limits<double>::infinity(), hi = -lo;
    for (const Series s : {Series::Altitude, Series::Comparison, Series::Unused,
                           Series::AltitudeBeforeFilter, Series::ComparisonBeforeFilter}) {
        QCPGraph* g = graphOf(s);
        if (!g->visible() || g->data()->isEmpty()) continue;
        bool found = false;
        const QCPRange r = g->data()->valueRange(found);
        if (found) {
            lo = std::min(lo, r.lower);
            hi = std::max(hi, r.upper);
        }
    }
    const bool hasData = std::isfinite(lo);
    double minimum = leftMin_, maximum = leftMax_;
    if (leftAutomatic_ || leftAutoMin_) minimum = hasData ? lo : leftMin_;
    if (leftAutomatic_ || leftAutoMax_) maximum = hasData ? hi : leftMax_;
    if (!(maximum > minimum)) maximum = minimum + 1.0;
    plot_->yAxis->setRange(minimum, maximum);

    // Without a speed curve the right axis holds no old flight's scale.
    QCPGraph* speed = graphOf(Series::Speed);
    if (speed->data()->isEmpty())
        plot_->yAxis2->setRange(-1, 1);
    else
        speed->rescaleValueAxis(false, false);
    if (!(plot_->yAxis2->range().size() > 0)) plot_->yAxis2->setRange(-1, 1);
}

void ChartView::refresh() {
    rescale();
    layOut();
    replot();
}

void ChartView::layOut() {
    // The tick labels are spaced from the axis width of the previous layout, and the margins
    // follow the labels: two passes settle both, then the legend is placed in the final
    // rectangle. So a size or a range always gives the same picture, however it was reached.
    // A chart drawn without being shown (a picture from the command line) has its size
    // only here: the plot gets its resize when shown.
    plot_->setViewport(rect());
    plot_->updateLayout();
    plot_->updateLayout();
    // The reading's strip follows the title's height and the chart's width.
    if (placeReading()) {
        plot_->updateLayout();
        plot_->updateLayout();
        placeReading();
    }
    placeLegend();
}

void ChartView::placeLegend() {
    // At the right side, its top at 15 % of the chart's height.
    QCPAxisRect* rect = plot_->axisRect();
    const int height = this->height(); // the plot's, once a hidden chart is shown
    if (rect->width() <= 0 || rect->height() <= 0 || height <= 0) return;
    const QSize size = plot_->legend->minimumOuterSizeHint();
    const double w = std::min(1.0, static_cast<double>(size.width()) / rect->width());
    const double h = std::min(1.0, static_cast<double>(size.height()) / rect->height());
    const double top = (0.15 * height - rect->top()) / rect->height();
    rect->insetLayout()->setInsetRect(0, QRectF(1.0 - w, std::clamp(top, 0.0, 1.0 - h), w, h));
}

void ChartView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    plot_->setGeometry(rect());
}

void ChartView::pressed(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
    pressedAt_ = event->pos();
}

void ChartView::released(QMouseEvent* event) {
    const bool click = pressed_ && event->button() == Qt::LeftButton &&
                       (event->pos() - pressedAt_).manhattanLength() <= 3;
    pressed_ = false;
    if (click) clickAt(pressedAt_);
}

void ChartView::replot() {
    plot_->replot();
}

void ChartView::replotNow() {
    plot_->replot(QCustomPlot::rpImmediateRefresh);
}

double ChartView::leftMaximum() const {
    return plot_->yAxis->range().upper;
}

double ChartView::leftMinimum() const {
    return plot_->yAxis->range().lower;
}

double ChartView::bottomVisibleMinimum() const {
    return plot_->xAxis->range().lower;
}

double ChartView::bottomVisibleMaximum() const {
    return plot_->xAxis->range().upper;
}

QVector<double> ChartView::bottomTicks() const {
    return plot_->xAxis->tickVector();
}

QVector<QString> ChartView::bottomTickLabels() const {
    return plot_->xAxis->tickVectorLabels();
}

QPen ChartView::seriesPen(Series s) const {
    return graphOf(s)->pen();
}

bool ChartView::onRightAxis(Series s) const {
    return graphOf(s)->valueAxis() == plot_->yAxis2;
}

QPoint ChartView::pointPixel(Series s, int index) const {
    const QCPGraph* g = graphOf(s);
    const auto it = g->data()->constBegin() + index;
    return g->coordsToPixels(it->key, it->value).toPoint();
}

void ChartView::setAxisLabels(const QString& left, const QString& bottom, const QString& right) {
    QCPAxis* axes[] = {plot_->yAxis, plot_->xAxis, plot_->yAxis2};
    const QString texts[] = {left, bottom, right};
    for (int i = 0; i < 3; ++i) {
        axes[i]->setLabelFont(plot_->yAxis->tickLabelFont()); // in pixels, as on the screen
        axes[i]->setLabel(texts[i]);
    }
}

QStringList ChartView::axisLabels() const {
    return {plot_->yAxis->label(), plot_->xAxis->label(), plot_->yAxis2->label()};
}

QRect ChartView::plotRect() const {
    return plot_->axisRect()->rect();
}

int ChartView::plotTopMargin() const {
    return plot_->axisRect()->minimumMargins().top();
}

QRect ChartView::legendRect() const {
    return plot_->legend->outerRect();
}

QVector<QRect> ChartView::legendTextRects() const {
    const QCPLegend* legend = plot_->legend;
    const QFontMetrics fm(legend->font());
    QVector<QRect> out;
    for (int i = 0; i < legend->itemCount(); ++i) {
        auto* item = qobject_cast<QCPPlottableLegendItem*>(legend->item(i));
        if (item == nullptr) continue;
        const QString text = item->plottable()->name();
        const int left =
            item->rect().left() + legend->iconSize().width() + legend->iconTextPadding();
        out.push_back(
            QRect(left, item->rect().top(), fm.horizontalAdvance(text), item->rect().height()));
    }
    return out;
}

QPixmap ChartView::picture() const {
    return plot_->toPixmap(width(), height());
}

bool ChartView::printOn(QPrinter& printer) {
    QCPPainter painter;
    if (!painter.begin(&printer)) return false;
    painter.setMode(QCPPainter::pmVectorized);
    painter.setMode(QCPPainter::pmNoCaching);
    const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
    const double scale = printer.resolution() / 96.0; // device pixels per screen pixel
    const QRectF target(page.width() * 0.05, page.height() * 0.05, page.width() * 0.90,
                        page.height() * (1.0 - 0.05 - bottomPrintMargin_ / 100.0));
    painter.translate(target.topLeft());
    painter.scale(scale, scale);
    // The legend's place is worked out for the screen's size: on the page it keeps to the
    // plot's top right corner, clear of the right axis's labels.
    QCPLayoutInset* inset = plot_->axisRect()->insetLayout();
    inset->setInsetPlacement(0, QCPLayoutInset::ipBorderAligned);
    inset->setInsetAlignment(0, Qt::AlignRight | Qt::AlignTop);
    plot_->toPainter(&painter, static_cast<int>(target.width() / scale),
                     static_cast<int>(target.height() / scale));
    inset->setInsetPlacement(0, QCPLayoutInset::ipFree);
    return painter.end();
}

void ChartView::zoomTo(double xFrom, double xTo) {
    zoomed_ = true;
    plot_->xAxis->setRange(xFrom, xTo);
    replot();
    emit zoomed();
}

void ChartView::undoZoom() {
    const bool was = zoomed_;
    zoomed_ = false;
    refresh();
    if (was) emit zoomUndone();
}

void ChartView::onSelectionRect(const QRect& rect, QMouseEvent*) {
    // A rectangle of a few pixels is a click (taken on release); drawn left to right it
    // zooms, right to left it undoes the zoom.
    if (std::abs(rect.width()) <= 3 && std::abs(rect.height()) <= 3) return;
    if (rect.width() < 0) {
        undoZoom();
        return;
    }
    const QRect r = rect.normalized();
    zoomed_ = true;
    plot_->xAxis->setRange(plot_->xAxis->pixelToCoord(r.left()),
                           plot_->xAxis->pixelToCoord(r.right()));
    plot_->yAxis->setRange(plot_->yAxis->pixelToCoord(r.bottom()),
                           plot_->yAxis->pixelToCoord(r.top()));
    plot_->yAxis2->setRange(plot_->yAxis2->pixelToCoord(r.bottom()),
                            plot_->yAxis2->pixelToCoord(r.top()));
    replot();
    emit zoomed();
}

void ChartView::clickAt(const QPoint& pos) {
    QCPLayerable* hit = plot_->layerableAt(pos, true);
    if (auto* graph = qobject_cast<QCPGraph*>(hit)) {
        for (int i = 0; i < kSeriesCount; ++i)
            if (graphs_[static_cast<std::size_t>(i)] == graph) {
                emit seriesClickedAt(static_cast<Series>(i + 1), positionAt(pos.x()));
                emit seriesClicked(static_cast<Series>(i + 1));
            }
    } else if (qobject_cast<QCPLegend*>(hit) || qobject_cast<QCPAbstractLegendItem*>(hit)) {
        emit legendClicked();
    }
}

int ChartView::reserveTopStrip(int height) {
    stationStrip_ = height;
    applyTopMargin();
    placeReading();
    replot();
    return plot_->axisRect()->outerRect().top() + 8;
}

void ChartView::applyTopMargin() {
    plot_->axisRect()->setMinimumMargins(
        QMargins(kCaptionWidth, 16 + stationStrip_ + readingStrip_, kCaptionWidth, 0));
}

bool ChartView::placeReading() {
    const int before = readingStrip_;
    if (reading_->text().isEmpty()) {
        reading_->hide();
        readingStrip_ = 0;
    } else {
        // Clear of the "dh/dt" caption the window lays over the top right corner.
        const int w = std::max(100, width() - 2 * kCaptionWidth - 60);
        const int h = reading_->heightForWidth(w);
        readingStrip_ = h + 4;
        reading_->setGeometry(kCaptionWidth,
                              plot_->axisRect()->outerRect().top() + 8 + stationStrip_, w, h);
        reading_->show();
    }
    if (readingStrip_ == before) return false;
    applyTopMargin();
    return true;
}

void ChartView::setReadingText(const QString& text, const QString& accessibleName) {
    reading_->setText(text);
    reading_->setAccessibleName(accessibleName);
    layOut();
    replot();
}

QString ChartView::readingText() const {
    return reading_->text();
}

QRect ChartView::readingRect() const {
    return reading_->isVisible() || !reading_->text().isEmpty() ? reading_->geometry() : QRect();
}

double ChartView::positionAt(int x) const {
    return plot_->xAxis->pixelToCoord(x);
}

void ChartView::shadeWindow(double from, double to) {
    window_->topLeft->setCoords(from, 0.0);
    window_->bottomRight->setCoords(to, 1.0);
    window_->setVisible(true);
}

void ChartView::addInstantLine(double position) {
    auto* line = new QCPItemStraightLine(plot_);
    line->point1->setCoords(position, 0.0);
    line->point2->setCoords(position, 1.0);
    line->setPen(QPen(QColor(0, 0, 160), 2, Qt::DashDotLine));
    line->setSelectable(false);
    lines_.push_back(line);
}

void ChartView::addMarkPoint(double position, double value) {
    markPoints_->addData(position, value);
}

void ChartView::setMarkNote(const QString& text) {
    note_->setText(text);
    note_->setVisible(!text.isEmpty());
}

void ChartView::clearMarks() {
    window_->setVisible(false);
    for (QCPItemStraightLine* line : lines_)
        plot_->removeItem(line);
    lines_.clear();
    markPoints_->data()->clear();
    setMarkNote(QString());
}

ChartView::Marks ChartView::marks() const {
    Marks m;
    if (window_->visible())
        m.window = {window_->topLeft->coords().x(), window_->bottomRight->coords().x()};
    for (const QCPItemStraightLine* line : lines_)
        m.lines.push_back(line->point1->coords().x());
    for (auto it = markPoints_->data()->constBegin(); it != markPoints_->data()->constEnd(); ++it)
        m.points.push_back(QPointF(it->key, it->value));
    if (note_->visible()) m.note = note_->text();
    return m;
}

} // namespace orlomat
