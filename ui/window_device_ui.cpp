#include "ui/window_device_ui.h"

#include "ui/chart_view.h"
#include "ui/prompter.h"

#include <QGroupBox>
#include <QLineEdit>

namespace orlomat {

WindowDeviceUi::WindowDeviceUi(Prompter& prompter, std::function<int()> language,
                               const Controls& controls, std::function<void()> prepareAxes)
    : prompter_(prompter), language_(std::move(language)), c_(controls),
      prepareAxes_(std::move(prepareAxes)) {}

QString WindowDeviceUi::text(Message m) const {
    return QString::fromUtf8(Tr(m, language_()));
}

void WindowDeviceUi::message(Message text, Message caption, const std::string& detail) {
    prompter_.message(this->text(text) + QString::fromStdString(detail), this->text(caption));
}

bool WindowDeviceUi::confirm(Message text, Message caption) {
    return prompter_.confirm(this->text(text), this->text(caption));
}

void WindowDeviceUi::downloadBegins() {
    c_.readingIndicator->show();
    c_.readingIndicator->repaint();
    c_.flightGroup->setTitle(QString::fromUtf8(Tr(Caption::Altimeter, language_())));
}

void WindowDeviceUi::downloadEnds() {
    c_.waitIndicator->hide();
    c_.readingIndicator->hide();
}

void WindowDeviceUi::prepareForFlight() {
    c_.chart->undoZoom();
    for (const Series s :
         {Series::Altitude, Series::Speed, Series::Unused, Series::AltitudeBeforeFilter})
        c_.chart->clearSeries(s);
    prepareAxes_();
    c_.chart->refresh();
}

void WindowDeviceUi::streamStarted() {
    c_.maxEdit->setText(QStringLiteral("   "));
    c_.minEdit->setText(QStringLiteral("   "));
}

void WindowDeviceUi::progress(const std::string& text) {
    c_.waitIndicator->setText(QString::fromStdString(text));
    c_.waitIndicator->show();
    c_.waitIndicator->repaint();
}

} // namespace orlomat
