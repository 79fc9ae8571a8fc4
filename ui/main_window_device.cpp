// The main window's exchanges with the altimeter: finding its port, the download (kept in the
// flight archive at once), reset, the device settings and the default setup; and the download
// station, which runs the same download altimeter after altimeter.
#include "ui/main_window.h"

#include "core/flight_record.h"
#include "core/format.h"
#include "device/altimeter.h"
#include "device/device_controller.h"
#include "device/port_finder.h"
#include "device/qt_serial_line.h"
#include "device/settings_exchange.h"
#include "ui/chart_view.h"
#include "ui/device_settings_dialog.h"
#include "ui/device_words.h"
#include "ui/download_station.h"
#include "ui/flight_archive.h"
#include "ui/flight_readout.h"
#include "ui/prompter.h"
#include "ui/settings_file.h"
#include "ui/window_arguments.h"
#include "ui/window_device_ui.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace orlomat {

void MainWindow::buildArchiveAndStation() {
    const auto language = [this] { return session_.language; };
    archive_ = std::make_unique<FlightArchive>(*chartView, prompter_, language);
    station_ = std::make_unique<DownloadStation>(
        *chartView,
        DownloadStation::Host{
            [this] { return portName(); },
            [this](const std::string& location) {
                bool answers = false;
                device_->exchange([&](Altimeter& altimeter, DeviceUi&) {
                    answers = AnswersAsAltimeter(altimeter, location);
                });
                return answers;
            },
            [this](const std::string& port, std::function<void(const StationResult&)> done) {
                startRead(port, std::move(done));
            },
            [this] { enableExchanges(); }, language, [this]() -> PortLister& { return *ports_; }});
    deviceUi_->divert = [this](const QString& text) {
        if (!station_->on()) return false;
        station_->note(text);
        return true;
    };
    connect(archiveAction, &QAction::triggered, this, [this] { archive_->chooseFolder(); });
    connect(stationAction, &QAction::triggered, this, [this](bool on) {
        if (on)
            startStation();
        else
            stopStation();
    });
}

void MainWindow::tellOptionProblem(const QString& options) {
    prompter_.message(msg(Message::WindowOptionUnknown) + options + QStringLiteral("\n") +
                          QString::fromLatin1(kWindowUsage),
                      msg(Message::ErrorCaption));
}

void MainWindow::setArchiveFolder(const QString& folder) {
    archive_->setFolderForThisRun(folder);
}

QString MainWindow::archiveFolder() const {
    return archive_->folder();
}

void MainWindow::startStation() {
    // Flights the station reads must have somewhere to go before the first altimeter comes.
    if (const QString why = archive_->whyUnusable(); !why.isEmpty()) {
        prompter_.message(msg(Message::StationArchiveUnusable)
                              .arg(QDir::toNativeSeparators(archive_->folder()), why),
                          msg(Message::ErrorCaption));
        enableExchanges();
        return;
    }
    // Every competitor's flight alone on the chart: another's comparison flight goes (it can
    // be loaded again).
    session_.comparison = ComparisonFlight{};
    comparisonReadout_->clear(caption(Caption::File));
    for (const Series s : {Series::Comparison, Series::ComparisonBeforeFilter})
        chartView->clearSeries(s);
    chartView->refresh();
    station_->start();
}

void MainWindow::stopStation() {
    station_->stop();
}

bool MainWindow::stationOn() const {
    return station_->on();
}

void MainWindow::enableExchanges() {
    const bool busy = device_ && device_->busy();
    const bool free = !busy && !station_->on() && !settingsOpen_;
    for (QWidget* w : {static_cast<QWidget*>(readButton), static_cast<QWidget*>(resetButton)})
        w->setEnabled(free);
    for (QAction* a : {deviceSettingsAction, defaultSetupAction, archiveAction})
        a->setEnabled(free);
    stationAction->setChecked(station_->on());
    // A running station can always be ended; it starts only with the altimeter free.
    stationAction->setEnabled(station_->on() || (!busy && !settingsOpen_));
}

void MainWindow::tell(const QString& text, const QString& caption) {
    if (station_ && station_->on())
        station_->note(text);
    else
        prompter_.message(text, caption);
}

std::optional<std::string> MainWindow::exchangePort() {
    const std::string name = portName();
    if (name != kAutoPort) return name;
    AutoPort found;
    const std::string lastGood = LastGoodPort();
    if (!device_->exchange([&](Altimeter& altimeter, DeviceUi&) {
            found = FindAutoPort(*ports_, altimeter, lastGood);
        }))
        return std::nullopt; // the altimeter is busy: nothing is asked now
    if (found.chosen) {
        RememberGoodPort(found.chosen->location);
        return found.chosen->location;
    }
    showError(Message::PortError,
              QString::fromStdString(Tr(Phrase::AutoNone, session_.language) +
                                     PresentPortsNote(found.present, session_.language)));
    return std::nullopt;
}

bool MainWindow::downloading() const {
    return device_ && device_->downloading();
}

void MainWindow::waitForDownload() {
    device_->waitUntilIdle();
}

void MainWindow::readAltimeter() {
    if (downloading()) return;
    const auto port = exchangePort();
    if (!port) return;
    startRead(*port, [this](const StationResult& r) {
        // Every other way a read ends without a flight has its own message on the way.
        if (r.stoppedBeforeFlight)
            prompter_.message(msg(Message::DownloadStopped), msg(Message::ErrorCaption));
    });
}

void MainWindow::startRead(const std::string& port,
                           std::function<void(const StationResult&)> done) {
    // The window goes on answering and the download can be stopped; nothing else may start.
    inputGuard_ =
        std::make_unique<DownloadInputGuard>(*this, *stopButton, [this] { stopDownload(); });
    // At the station, the previous competitor is gone from the screen the moment the next
    // read begins (a single read keeps it until the stream comes, and keeps it after a stop).
    if (station_->on()) clearCurrentFlightView();
    const bool started =
        device_->start(port, [this, port, done = std::move(done)](DownloadOutcome out) {
            inputGuard_.reset();
            enableExchanges();
            const StationResult r = finishRead(port, std::move(out));
            if (done) done(r);
            // Ended by a termination request: what came is kept, then the program ends.
            if (endRequested_) QTimer::singleShot(0, this, [this] { endOnSignal(); });
        });
    if (!started) inputGuard_.reset();
    enableExchanges();
}

void MainWindow::clearCurrentFlightView() {
    currentReadout_->clear(caption(Caption::Altimeter));
    archive_->forget(); // "kept as" told of the previous competitor's flight
    suspectCleanMaximum_.clear();
    for (const Series s :
         {Series::Altitude, Series::Speed, Series::Unused, Series::AltitudeBeforeFilter})
        chartView->clearSeries(s);
    showRuleReading();
    chartView->refresh();
}

StationResult MainWindow::finishRead(const std::string& port, DownloadOutcome out) {
    using R = DownloadOutcome::Result;
    if (out.result == R::Stopped)
        return {QString::fromUtf8(Tr(Phrase::Stopped, session_.language)), true, true};
    if (out.result == R::PortFailed || out.result == R::NoStatus) return {};
    // Kept before anything else happens to it: a downloaded flight is never lost.
    const bool complete = out.complete();
    std::optional<ArchivedFlight> kept;
    if (!out.record.empty()) {
        KeepDetails details{port, std::nullopt, complete};
        if (out.expectedBytes > 0) details.bytesExpected = out.expectedBytes;
        kept = archive_->keep(out.record, details);
        if (!kept->error.empty()) tell(archive_->describe(*kept), msg(Message::ErrorCaption));
    }
    const std::size_t bytes = out.record.size();
    const std::uint16_t competitor = ParseHeader(out.record).competitor;
    Flight& flight = session_.current;
    if (out.result == R::TooShort) {
        flight.record = std::move(out.record);
        flight.source = FlightSource::Download;
        flight.curve = FlightCurve{};
        suspectCleanMaximum_.clear(); // no figure, so no mark on the station's line
        chartView->refresh();
    } else {
        showCurrentFlight(DecodeRecord(std::move(out.record), FlightSource::Download,
                                       {std::nullopt, speedShown()}));
    }
    const bool incomplete = out.result == R::Received ? !complete : out.stopped;
    if (endRequested_) {
        // No message box: nobody is there to answer it.
        return stationResult(kept ? &*kept : nullptr, competitor, incomplete, bytes,
                             out.expectedBytes);
    }
    if (incomplete && !station_->on()) {
        // The flight stays on screen and can be saved; the user learns it is not whole.
        const bool sized = out.expectedBytes > 0;
        QString text = msg(sized ? Message::IncompleteFlight : Message::IncompleteFlightSizeUnknown)
                           .arg(bytes);
        if (sized) text = text.arg(out.expectedBytes);
        prompter_.message(text, msg(Message::ErrorCaption));
    }
    if (station_->on() && kept && !kept->error.empty() && kept->elsewhere.empty()) {
        // Nowhere to keep it: the next altimeter must not replace it unseen.
        stopStation();
        prompter_.message(msg(Message::StationStoppedUnkept).arg(competitor),
                          msg(Message::ErrorCaption));
        return {};
    }
    return stationResult(kept ? &*kept : nullptr, competitor, incomplete, bytes, out.expectedBytes);
}

// "Zawodnik 12 — 118.3 m — zapisano jako C012_S00345_20261208-143015.dat": the maximum as the
// window shows it, the file name alone.
StationResult MainWindow::stationResult(const ArchivedFlight* kept, std::uint16_t competitorNumber,
                                        bool incomplete, std::size_t bytes,
                                        std::uint32_t expected) const {
    const QString competitor = QString::number(competitorNumber);
    // The maximum as the window shows it; a spiked one with its warning and the cleaned
    // curve's figure, for the official reads the line out.
    const FlightCurve& curve = session_.current.curve;
    QString maximum =
        curve.altitudePoints.empty()
            ? QString()
            : QString::fromStdString(FormatOneDecimal(curve.maximum, DecimalSeparator()));
    StationResult r;
    if (!suspectCleanMaximum_.isEmpty() && !maximum.isEmpty()) {
        maximum = msg(Message::StationSuspectMaximum).arg(maximum, suspectCleanMaximum_);
        r.fault = true;
    }
    if (kept != nullptr && !kept->error.empty() && !kept->elsewhere.empty()) {
        r.text = msg(Message::StationKeptElsewhere)
                     .arg(competitor, maximum,
                          QDir::toNativeSeparators(QString::fromStdString(kept->elsewhere)));
        r.fault = true;
    } else if (kept == nullptr || !kept->error.empty()) {
        r.text = msg(Message::StationNotKept).arg(competitor, maximum);
        r.fault = true;
    } else if (!kept->duplicateOf.empty()) {
        r.text = msg(Message::StationAlreadyKept)
                     .arg(competitor, maximum, QString::fromStdString(kept->duplicateOf));
    } else {
        r.text =
            msg(Message::StationKept)
                .arg(competitor, maximum, QFileInfo(QString::fromStdString(kept->path)).fileName());
    }
    if (kept != nullptr && kept->error.empty() && !kept->logError.empty()) {
        r.text += QStringLiteral("\n") + archive_->describe(*kept);
        r.fault = true;
    }
    if (incomplete) {
        r.text += expected > 0 ? msg(Message::StationIncomplete).arg(bytes).arg(expected)
                               : msg(Message::StationIncompleteSizeUnknown).arg(bytes);
        r.fault = true;
    }
    return r;
}

void MainWindow::stopDownload() {
    device_->stop();
}

void MainWindow::endOnSignal() {
    endRequested_ = true;
    // The download ends within one pass and keeps the flight, then ends the program.
    if (downloading()) {
        stopDownload();
        return;
    }
    // A short exchange is let end (the settings written whole), then the program ends.
    if (device_->busy()) {
        // Nobody is there to answer the box it waits on (the reset's question, a message):
        // it goes as if cancelled, and the exchange goes on to its end.
        if (device_->inWindowStep())
            if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                box->reject();
        QTimer::singleShot(100, this, [this] { endOnSignal(); });
        return;
    }
    if (station_->on()) stopStation();
    closeProgram();
    // Also ends a message box's own loop: nobody is there to answer it.
    QCoreApplication::exit(0);
}

void MainWindow::resetAltimeter() {
    const auto port = exchangePort();
    if (!port) return;
    device_->exchange([&](Altimeter& altimeter, DeviceUi& ui) { altimeter.Reset(*port, ui); });
}

void MainWindow::openDeviceSettings() {
    waitIndicator->setText(caption(Caption::Wait));
    waitIndicator->show();
    const auto port = exchangePort();
    std::optional<DeviceSettingsRead> read;
    if (port) read = deviceSettingsDialog->readAt(*port);
    // The fields take what was read even when a later read failed.
    if (read) deviceSettingsDialog->showRead(*read);
    if (!read || !read->ok) {
        showError(Message::CommunicationError);
        deviceSettingsDialog->clearAfterFailedRead();
    }
    waitIndicator->hide();
    deviceSettingsDialog->showPort(QString::fromStdString(portName()));
    // A modal dialog holds the keyboard and the mouse, not a screen reader's actions.
    settingsOpen_ = true;
    enableExchanges();
    prompter_.showModal(*deviceSettingsDialog);
    settingsOpen_ = false;
    enableExchanges();
}

void MainWindow::applyDefaultSetup() {
    const auto port = exchangePort();
    if (!port) return;
    device_->exchange([&](Altimeter& altimeter, DeviceUi& ui) {
        const DefaultSetupResult r = DefaultSetup(altimeter, *port, ui, [&] {
            device_->inWindow([this] { session_.current.curve.maximum = 0.0f; });
        });
        if (!r.done()) return;
        // Shown for a second, the altimeter left alone meanwhile.
        device_->inWindow([this] { setupOkIndicator->show(); });
        altimeter.channel.clock().sleepMs(1000);
        device_->inWindow([this] { setupOkIndicator->hide(); });
    });
}

} // namespace orlomat
