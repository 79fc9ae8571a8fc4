#include "ui/flight_readout.h"

#include "ui/temperature_field.h"
#include "ui/widgets.h"

#include <QGroupBox>
#include <QPainterPath>
#include <QPalette>
#include <QStyleOptionGroupBox>
#include <QStylePainter>

#include <cmath>

namespace orlomat {

namespace {

double Luminance(const QColor& c) {
    const auto channel = [](double v) {
        v /= 255.0;
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.red()) + 0.7152 * channel(c.green()) + 0.0722 * channel(c.blue());
}

// A group whose caption keeps its designed colour; on a background it hardly differs from
// (yellow on light grey) the letters get a dark outline.
class CaptionGroup : public QGroupBox {
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent*) override {
        QStylePainter painter(this);
        QStyleOptionGroupBox option;
        initStyleOption(&option);
        const QColor colour = palette().color(QPalette::WindowText);
        const QColor back = palette().color(QPalette::Window);
        const double a = Luminance(colour) + 0.05, b = Luminance(back) + 0.05;
        // Only letters lighter than the background need it (the red caption reads as it is).
        if (a <= b || a / b >= 3.0 || option.text.isEmpty()) {
            painter.drawComplexControl(QStyle::CC_GroupBox, option);
            return;
        }
        const QRect label =
            style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, this);
        option.subControls &= ~QStyle::SC_GroupBoxLabel;
        painter.drawComplexControl(QStyle::CC_GroupBox, option);
        // The frame line runs through the caption's place: the caption's own background first.
        const QFontMetrics metrics(font());
        const int width = metrics.horizontalAdvance(option.text);
        painter.fillRect(QRect(label.left() - 2, label.top(), width + 4, label.height()), back);
        QPainterPath path;
        path.addText(label.left(), label.top() + metrics.ascent(), font(), option.text);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.strokePath(
            path, QPen(colour.darker(330), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.fillPath(path, colour);
    }
};

} // namespace

FlightReadout::FlightReadout(QWidget* parent, const Names& n, const Layout& l) {
    group = new CaptionGroup(parent);
    group->setObjectName(QString::fromLatin1(n.group));
    group->setGeometry(l.left, 0, l.width, 113);
    group->setFont(PixelFont(QStringLiteral("Arial"), 16, true));
    QPalette title = group->palette();
    title.setColor(QPalette::WindowText, l.titleColour);
    group->setPalette(title);
    const QFont plain = parent->font();
    QPalette normal = parent->palette();
    normal.setColor(QPalette::WindowText, Qt::black);
    const auto label = [&](const char* name, const QString& text, int x, int y) {
        QLabel* lab = MakeLabel(group, name, text, x, y);
        lab->setFont(plain);
        lab->setPalette(normal);
        lab->adjustSize();
        return lab;
    };
    const auto edit = [&](const char* name, int x, int y, int w) {
        QLineEdit* e = MakeReadOnlyEdit(group, name, x, y, w, 24);
        e->setFont(plain);
        return e;
    };
    maxLabel = label(n.maxLabel, QStringLiteral("Maximum"), l.maxLabelLeft, 18);
    minLabel = label(n.minLabel, QStringLiteral("Minimum"), l.maxLabelLeft, 66);
    competitorLabel = label(n.competitorLabel, QString(), l.secondColumn, 18);
    serialLabel = label(n.serialLabel, QString(), l.secondColumn, 66);
    temperatureLabel = label(n.temperatureLabel, QString(), l.thirdColumn, 18);
    samplingLabel = label(n.samplingLabel, QString(), l.thirdColumn, 66);
    maxEdit = edit(n.maxEdit, l.maxEditLeft, 32, 70);
    minEdit = edit(n.minEdit, l.maxEditLeft, 80, 70);
    competitorEdit = edit(n.competitorEdit, l.secondColumn, 32, 73);
    serialEdit = edit(n.serialEdit, l.secondColumn, 80, 73);
    temperatureEdit = edit(n.temperatureEdit, l.thirdColumn, 32, 64);
    samplingEdit = edit(n.samplingEdit, l.thirdColumn, 80, 80);
    maxUnit = label(n.maxUnit, QStringLiteral("m"), l.maxEditLeft + 73, 36);
    minUnit = label(n.minUnit, QStringLiteral("m"), l.maxEditLeft + 73, 84);
    temperatureUnit = label(n.temperatureUnit, QStringLiteral("C"), l.thirdColumn + 67, 36);
    // A screen reader names each field after its label (not after the group), in the
    // language in force.
    const std::pair<QLabel*, QLineEdit*> buddies[] = {{maxLabel, maxEdit},
                                                      {minLabel, minEdit},
                                                      {competitorLabel, competitorEdit},
                                                      {serialLabel, serialEdit},
                                                      {temperatureLabel, temperatureEdit},
                                                      {samplingLabel, samplingEdit}};
    for (const auto& [lab, field] : buddies)
        lab->setBuddy(field);
}

void FlightReadout::emphasise(int pixels) {
    maxPixels_ = pixels;
    maxEdit->setFont(PixelFont(group->parentWidget()->font().family(), pixels, true));
    competitorEdit->setReadOnly(false); // the one edit designed writable
}

void FlightReadout::watchTemperature(Prompter& prompter, std::function<Language()> language,
                                     std::function<void(float)> entered) {
    new TemperatureField(*temperatureEdit, prompter, std::move(language), std::move(entered));
}

void FlightReadout::showMaximum(const QString& text) {
    maximum_ = text;
    // The bold maximum keeps its size while the value fits, and shrinks when it would not.
    if (maxPixels_ > 0) FitFont(maxEdit, text, maxPixels_, maxEdit->width() - 10);
    maxEdit->setText(text);
}

void FlightReadout::showMinimum(const QString& text) {
    minimum_ = text;
    minEdit->setText(text);
}

void FlightReadout::showCaption(const QString& generic) {
    caption_ = generic;
    group->setTitle(generic);
}

void FlightReadout::blankFigures() {
    showMaximum(QStringLiteral("   "));
    showMinimum(QStringLiteral("   "));
}

void FlightReadout::placeAt(int left) {
    group->move(left, group->y());
}

FlightReadout::Shown FlightReadout::shown() const {
    return {caption_, competitorEdit->text(),  serial_,  maximum_,
            minimum_, temperatureEdit->text(), sampling_};
}

void FlightReadout::showHeader(const HeaderInfo& info) {
    competitorEdit->setText(QString::number(info.header.competitor));
    serial_ = QString::number(info.header.serial);
    serialEdit->setText(serial_);
    temperatureEdit->setText(QString::number(info.temperature));
    temperatureEdit->setReadOnly(false);
    sampling_ = QString::fromStdString(info.samplingText);
    samplingEdit->setText(sampling_);
}

void FlightReadout::markMaximum(const QString& warning) {
    QPalette p = minEdit->palette(); // the unmarked look of the group's fields
    if (!warning.isEmpty()) {
        p.setColor(QPalette::Base, QColor(255, 190, 60));
        p.setColor(QPalette::Text, QColor(160, 0, 0));
    }
    maxEdit->setPalette(p);
    maxEdit->setToolTip(warning);
}

void FlightReadout::clear(const QString& generic) {
    for (QLineEdit* e :
         {maxEdit, minEdit, samplingEdit, temperatureEdit, competitorEdit, serialEdit})
        e->clear();
    serial_.clear(), maximum_.clear(), minimum_.clear(), sampling_.clear();
    markMaximum({});
    showSource({}, generic);
}

void FlightReadout::showSource(const QString& fileName, const QString& generic) {
    fileName_ = fileName;
    const QString title = fileName.isEmpty() ? generic : fileName;
    caption_ = title;
    // Above the labels (a file name's underscores and descenders reach lower than the designed
    // caption's letters) and inside the frame: a smaller font down to 11 pixels, then the
    // middle of a long name left out; the whole name in the tooltip.
    const int top = std::min({maxLabel->y(), competitorLabel->y(), temperatureLabel->y()});
    const int room = group->width() - 24; // the style's margins and the space after the text
    QFont f = group->font();
    for (int pixels = titlePixels_; pixels >= 11; --pixels) {
        f.setPixelSize(pixels);
        const QFontMetrics m(f);
        if (m.ascent() + m.tightBoundingRect(title).bottom() < top &&
            m.horizontalAdvance(title) <= room)
            break;
    }
    group->setFont(f);
    const QString shown = QFontMetrics(f).elidedText(title, Qt::ElideMiddle, room);
    group->setTitle(shown);
    group->setToolTip(shown == title ? QString() : title);
}

void FlightReadout::applyCaptions(const QString& competitor, const QString& serial,
                                  const QString& temperature, const QString& sampling) {
    competitorLabel->setText(competitor);
    serialLabel->setText(serial);
    temperatureLabel->setText(temperature);
    samplingLabel->setText(sampling);
    // A label keeps a gap to the next column, or to the group's edge.
    const int plain = group->parentWidget()->font().pixelSize();
    const std::pair<QLabel*, int> limits[] = {{competitorLabel, temperatureLabel->x() - 6},
                                              {serialLabel, samplingLabel->x() - 6},
                                              {temperatureLabel, group->width() - 4},
                                              {samplingLabel, group->width() - 4}};
    for (const auto& [label, right] : limits) {
        FitFont(label, label->text(), plain, right - label->x());
        label->adjustSize();
    }
}

} // namespace orlomat
