#include "ui/flight_readout.h"

#include <QPalette>

#include "ui/widgets.h"

#include <QGroupBox>

namespace orlomat {

FlightReadout::FlightReadout(QWidget* parent, const Names& n, const Layout& l) {
    group = MakeWidget<QGroupBox>(parent, n.group, l.left, 0, l.width, 113);
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
}

void FlightReadout::showHeader(const HeaderInfo& info) {
    competitorEdit->setText(QString::number(info.header.competitor));
    serialEdit->setText(QString::number(info.header.serial));
    temperatureEdit->setText(QString::number(info.temperature));
    temperatureEdit->setReadOnly(false);
    samplingEdit->setText(QString::fromStdString(info.samplingText));
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

void FlightReadout::clear(const QString& caption) {
    for (QLineEdit* e :
         {maxEdit, minEdit, samplingEdit, temperatureEdit, competitorEdit, serialEdit})
        e->clear();
    markMaximum({});
    group->setTitle(caption);
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
