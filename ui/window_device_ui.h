// What the device exchanges show in the window: their messages in message boxes, the reading
// and progress indicators, and the current flight's chart and fields made ready for a stream.
#pragma once

#include "device/altimeter.h"

#include <QString>

#include <functional>

class QGroupBox;
class QLineEdit;

namespace orlomat {

class ChartView;
class Prompter;

class WindowDeviceUi : public DeviceUi {
public:
    struct Controls {
        QLineEdit *readingIndicator, *waitIndicator;
        QGroupBox* flightGroup;
        QLineEdit *maxEdit, *minEdit;
        ChartView* chart;
    };
    // `language` gives the language in force; `prepareAxes` sets the left axis for a flight.
    WindowDeviceUi(Prompter& prompter, std::function<int()> language, const Controls& controls,
                   std::function<void()> prepareAxes);

    void message(Message text, Message caption, const std::string& detail) override;
    bool confirm(Message text, Message caption) override;
    void downloadBegins() override;
    void downloadEnds() override;
    void prepareForFlight() override;
    void streamStarted() override;
    void progress(const std::string& text) override;

private:
    QString text(Message m) const;
    Prompter& prompter_;
    std::function<int()> language_;
    Controls c_;
    std::function<void()> prepareAxes_;
};

} // namespace orlomat
