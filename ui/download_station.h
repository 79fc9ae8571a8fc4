// The download station: while it is on, altimeter after altimeter is downloaded as it is
// plugged in, with no click and no message box. It waits for an altimeter on the port (one
// that does not exist yet is waited for; "auto" takes any USB serial port that appears), lets
// the adapter settle, has the window download it (the window keeps it in the archive and
// shows it), says in one large line what became of it, and waits for the unplug and the next
// one. The device's messages go to that line, in red.
#pragma once

#include "contest/port_watch.h"
#include "core/language.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>

class QLabel;
class QShortcut;
class QWidget;

namespace orlomat {

class ChartView;

class PortLister;

// What the station line says after a download (empty: the device's messages say it).
struct StationResult {
    QString text;
    bool fault = false;               // incomplete, or not kept
    bool stoppedBeforeFlight = false; // the user stopped it before the stream: nothing came
};

class DownloadStation : public QObject {
public:
    struct Host {
        std::function<std::string()> port; // the port as the user names it
        PortWatch::AskPort askPort;        // asks which present port is one ("auto")
        // Starts the download of a port; the callback gets what the line says of it.
        std::function<void(const std::string&, std::function<void(const StationResult&)>)> download;
        std::function<void()> changed; // the station went on or off
        std::function<Language()> language;
        std::function<PortLister&()> ports; // the serial ports present
    };
    // The station line is a label on `lineParent` (the chart), shown while the station is on.
    DownloadStation(ChartView& chart, Host host);
    ~DownloadStation() override;
    DownloadStation(const DownloadStation&) = delete;
    DownloadStation& operator=(const DownloadStation&) = delete;

    bool on() const { return watch_ != nullptr; }
    void start();
    void stop();
    // A device message while the station runs: in red on the line, kept under the download's
    // result.
    void note(const QString& text);
    // The waiting line again in the language now in force.
    void retranslate();
    // Another flight is shown: a fault told of the last download, left in view after the
    // station ended, goes.
    void forgetNote();

private:
    QLabel* line_; // "StationLine"
    void poll();
    void download();
    void downloaded(const StationResult& result);
    void show(const QString& text, bool fault);
    void showWaiting();
    QString waitingText() const;
    void hideLine();
    ChartView& chart_;
    Host host_;
    std::unique_ptr<PortWatch> watch_;
    std::unique_ptr<PortWatch> ended_; // ended during its own poll: goes once the poll is over
    QTimer timer_;
    QShortcut* escape_;    // owned by the window
    bool polling_ = false; // a poll asks a port: its timer comes again meanwhile
    QString notes_;
    QString lastFault_;   // the last download's line when it was a fault, until the unplug
    QString flightFault_; // the same, while its flight is the one on screen
    QString lastResult_;  // the last download's line when it was no fault
    bool downloading_ = false;
};

} // namespace orlomat
