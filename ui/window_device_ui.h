// What the device exchanges show in the window: their messages in message boxes, the reading
// and progress indicators, and the current flight's chart and fields made ready for a stream.
#pragma once

#include "core/language.h"
#include "device/altimeter.h"

#include <QObject>
#include <QString>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace orlomat {

class ChartView;
class FlightReadout;
class Prompter;

class WindowDeviceUi : public DeviceUi {
public:
    struct Controls {
        QLineEdit *readingIndicator, *waitIndicator;
        QPushButton* stopButton; // beside the progress while a download runs
        FlightReadout* flight;   // the current flight's group
        ChartView* chart;
        QLabel* stallLine; // shown while the stream brings nothing
    };
    // `language` gives the language in force; `prepareAxes` sets the left axis for a flight.
    WindowDeviceUi(Prompter& prompter, std::function<Language()> language, const Controls& controls,
                   std::function<void()> prepareAxes);

    void report(DeviceEvent event) override;
    bool confirmReset() override;
    void downloadBegins() override;
    void downloadEnds() override;
    void prepareForFlight() override;
    void streamStarted() override;
    void progress(const std::string& text) override;
    void streamQuiet(int ms) override;

    // While set and returning true, a message has gone elsewhere (the download station's
    // line) instead of a message box.
    std::function<bool(const QString& text)> divert;

private:
    QString text(Message m) const;
    Prompter& prompter_;
    std::function<Language()> language_;
    Controls c_;
    std::function<void()> prepareAxes_;
};

// While a download runs, the window's own input may only stop it: Escape, or a click on the
// stop button, calls `stop`; any other key, click or drop on the window is dropped, so that
// nothing starts another exchange or changes the flight underneath the download. Other
// windows (a message box of the download) get their input as usual.
class DownloadInputGuard : public QObject {
public:
    DownloadInputGuard(QWidget& window, QWidget& stopButton, std::function<void()> stop);
    ~DownloadInputGuard() override;
    DownloadInputGuard(const DownloadInputGuard&) = delete;
    DownloadInputGuard& operator=(const DownloadInputGuard&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& window_;
    QWidget& stopButton_;
    std::function<void()> stop_;
    quint64 escapeReleasedAt_ = 0; // the time stamp of the last release of Escape
};

} // namespace orlomat
