// The main window as coordinator: each handler gathers its inputs, calls one lower-layer
// operation and shows the result through the form, the readouts, the chart and the
// prompter. Building the form is in main_window_form.cpp.
#include "ui/main_window.h"

#include "analysis/flight_checks.h"
#include "analysis/flight_stats.h"
#include "core/format.h"
#include "device/altimeter.h"
#include "device/device_controller.h"
#include "device/port_finder.h"
#include "device/qt_serial_line.h"
#include "ui/chart_view.h"
#include "ui/device_settings_dialog.h"
#include "ui/device_words.h"
#include "ui/download_station.h"
#include "ui/filter_dialog.h"
#include "ui/flight_archive.h"
#include "ui/flight_drawing.h"
#include "ui/flight_files.h"
#include "ui/flight_readout.h"
#include "ui/info_dialog.h"
#include "ui/manual_lookup.h"
#include "ui/print_commands.h"
#include "ui/prompter.h"
#include "ui/rule_dialog.h"
#include "ui/settings_file.h"
#include "ui/temperature_field.h"
#include "ui/widgets.h"
#include "ui/window_device_ui.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QLibraryInfo>
#include <QLocale>
#include <QMimeData>
#include <QPushButton>
#include <QTranslator>
#include <QUrl>

namespace orlomat {

char DecimalSeparator() {
    const QString point = QLocale().decimalPoint();
    return point.size() == 1 && point.at(0).unicode() < 128 ? point.at(0).toLatin1() : '.';
}

MainWindow::MainWindow(const QString& settingsPath, Prompter& prompter, SerialLine* line,
                       Clock* clock, QWidget* parent)
    : QMainWindow(parent), prompter_(prompter), settingsPath_(settingsPath) {
    setObjectName(QStringLiteral("Orlomat_BMP"));
    setAcceptDrops(true);
    if (line == nullptr) {
        ownLine_ = std::make_unique<QtSerialLine>();
        line = ownLine_.get();
    }
    if (clock == nullptr) {
        ownClock_ = std::make_unique<SteadyClock>();
        clock = ownClock_.get();
    }
    altimeter_ = std::make_unique<Altimeter>(*line, *clock);
    systemPorts_ = std::make_unique<SystemPortLister>();
    ports_ = systemPorts_.get();
    altimeter_->channel.onOpenFailed = [this](const std::string& port, const std::string&) {
        // The designed line, and under it what is there: the port may have moved. (Every
        // exchange opens its port on the device thread: the message is the window's.)
        device_->inWindow([this, &port] {
            showError(Message::PortError, QString::fromStdString(port) + QLatin1Char('\n') +
                                              QString::fromStdString(PresentPortsNote(
                                                  ports_->ports(), session_.language)));
        });
    };
    buildControls();
    buildMenus();
    const auto language = [this] { return session_.language; };
    files_ = std::make_unique<FlightFiles>(prompter_, language);
    printing_ = std::make_unique<PrintCommands>(*chartView, prompter_, language);
    // Enter in a temperature field decodes that flight again with the temperature typed.
    currentReadout_->watchTemperature(prompter_, language, [this](float t) {
        session_.current.state.flightTemperature = t;
        redrawCurrentFlight();
    });
    comparisonReadout_->watchTemperature(prompter_, language, [this](float t) {
        session_.comparison.state.flightTemperature = t;
        drawComparison();
    });
    deviceUi_ = std::make_unique<WindowDeviceUi>(
        prompter_, language,
        WindowDeviceUi::Controls{readingIndicator, waitIndicator, stopButton, currentReadout_.get(),
                                 chartView, stallLine},
        [this] {
            clearCurrentFlightView();
            prepareCurrentFlightAxes();
        });
    device_ = std::make_unique<DeviceController>(*altimeter_, *deviceUi_);
    // A screen reader's action is not held during a short exchange as the keyboard and the
    // mouse are: what would start another exchange is unavailable meanwhile.
    device_->stateChanged = [this](DeviceController::State s) {
        if (s == DeviceController::State::Exchanging || s == DeviceController::State::Idle)
            enableExchanges();
    };
    buildArchiveAndStation();

    session_.settings = LoadSettings(settingsPath_);
    speedCurveAction->setChecked(session_.settings.showSpeedCurve != 0);
    setLanguage(LanguageOfRecord(session_.settings.language));
    applyLanguageTexts();
    chartView->clearSeries(Series::Altitude);
    session_.current.state.flightTemperature = 20.0f;
    chartView->refresh();
}

MainWindow::~MainWindow() = default;

void MainWindow::createDialogs() {
    const DeviceSettingsDialog::Host host{session_,
                                          *device_,
                                          prompter_,
                                          [this] { saveSettings(); },
                                          [this](const QString& port) { setPortOverride(port); },
                                          [this] { return exchangePort().value_or(""); },
                                          [this] { return ports_->ports(); }};
    deviceSettingsDialog = new DeviceSettingsDialog(host, this);
    infoDialog = new InfoDialog(this);
    filterDialog = new FilterDialog(
        session_, prompter_, [this] { saveSettings(); }, this);
}

QPrinter& MainWindow::printer() {
    return printing_->printer();
}

QString MainWindow::caption(Caption c) const {
    return QString::fromUtf8(Tr(c, session_.language));
}

QString MainWindow::msg(Message m) const {
    return QString::fromUtf8(Tr(m, session_.language));
}

void MainWindow::showError(Message text, const QString& detail) {
    tell(msg(text) + detail, msg(Message::ErrorCaption));
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == client && event->type() == QEvent::Resize) layOutForm();
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (downloading()) {
        // The flight that came so far is kept and offered for saving, never lost on the way out.
        stopDownload();
        event->ignore();
        return;
    }
    if (device_->busy()) {
        // A short exchange ends within seconds, and may still have to say how it went.
        event->ignore();
        return;
    }
    closeProgram();
    event->accept();
}

namespace {
QString DroppedFile(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls() || data->urls().isEmpty()) return {};
    const QUrl url = data->urls().constFirst();
    return url.isLocalFile() ? url.toLocalFile() : QString();
}
} // namespace

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (!DroppedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    const QString path = DroppedFile(event->mimeData());
    if (path.isEmpty()) return;
    event->acceptProposedAction();
    if (event->modifiers() & Qt::ControlModifier)
        loadComparisonFile(path);
    else
        loadFlightFile(path);
}

void MainWindow::closeProgram() {
    // (Refused while an exchange still runs: the port is then closed as the controller goes.)
    device_->exchange([](Altimeter& altimeter, DeviceUi&) { altimeter.channel.PortClose(); });
    saveSettings();
}

std::string MainWindow::portName() const {
    return portOverride_.isEmpty() ? session_.settings.portName() : portOverride_.toStdString();
}

// --- Settings and languages ------------------------------------------------------------------

void MainWindow::saveSettings() {
    const QString error = StoreSettings(settingsPath_, session_.settings);
    if (!error.isEmpty())
        showError(Message::CannotSaveFile,
                  QDir::toNativeSeparators(settingsPath_) + QStringLiteral(": ") + error);
}

void MainWindow::applyQtTranslation(Language language) {
    if (qtTranslator_) {
        QCoreApplication::removeTranslator(qtTranslator_.get());
        qtTranslator_.reset();
    }
    if (language != Language::Polish || QCoreApplication::instance() == nullptr) return;
    auto translator = std::make_unique<QTranslator>();
    if (translator->load(QLocale(QLocale::Polish), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
        QCoreApplication::installTranslator(translator.get()))
        qtTranslator_ = std::move(translator);
}

void MainWindow::setLanguage(Language language) {
    if (language != session_.language || !qtTranslator_) applyQtTranslation(language);
    session_.language = language;
    polishAction->setChecked(language == Language::Polish);
    englishAction->setChecked(language == Language::English);
}

void MainWindow::switchToPolish() {
    setLanguage(Language::Polish);
    session_.settings.language = RecordValue(Language::Polish);
    applyLanguageTexts();
    saveSettings();
}

void MainWindow::switchToEnglish() {
    setLanguage(Language::English);
    session_.settings.language = RecordValue(Language::English);
    applyLanguageTexts();
    saveSettings();
}

void MainWindow::openFilterSettings() {
    prompter_.showModal(*filterDialog);
}

// --- Flight files ----------------------------------------------------------------------------

void MainWindow::saveFlight() {
    files_->save(session_.current);
}

void MainWindow::loadFlight() {
    const QString path = files_->chooseToOpen();
    if (!path.isEmpty()) loadFlightFile(path);
}

bool MainWindow::loadFlightFile(const QString& path) {
    auto bytes = files_->read(path);
    if (!bytes) return false;
    // The notes of the flight downloaded last go with it.
    archive_->forget();
    station_->forgetNote();
    chartView->undoZoom();
    chartView->setLeftIncrement(0);
    showCurrentFlight(
        DecodeRecord(std::move(*bytes), FlightSource::File, {std::nullopt, speedShown()}));
    currentReadout_->showSource(NameWithoutFolder(path), caption(Caption::Altimeter));
    // Drawn as any file is, but the user learns that its figures mean nothing; its speeds
    // would stretch the right axis to absurd values.
    const RecordFault fault = QFileInfo(path).size() > static_cast<qint64>(kMaxRecordSize)
                                  ? RecordFault::TooLong
                                  : CheckFlight(session_.current);
    if (fault != RecordFault::None) {
        chartView->clearSeries(Series::Speed);
        chartView->refresh();
        showError(Message::NotAFlight, QString::fromUtf8(Describe(fault).get(session_.language)));
    }
    return true;
}

void MainWindow::exportToSpreadsheet() {
    files_->exportSpreadsheet(session_.current, DecimalSeparator(), localCsvAction->isChecked());
}

// --- Drawing the flights ---------------------------------------------------------------------

bool MainWindow::speedShown() const {
    return session_.settings.showSpeedCurve != 0;
}

void MainWindow::showCurrentFlight(Flight flight) {
    session_.current = std::move(flight);
    if (session_.current.source != FlightSource::File)
        currentReadout_->showSource({}, caption(Caption::Altimeter));
    currentReadout_->showHeader(session_.current.header);
    for (const Series s :
         {Series::Altitude, Series::Speed, Series::Unused, Series::AltitudeBeforeFilter})
        chartView->clearSeries(s);
    drawCurrentFlight();
}

void MainWindow::prepareCurrentFlightAxes() {
    PrepareFlightAxes(*chartView);
}

// Draws the current flight's decoded curve (the callers clear the series).
void MainWindow::drawCurrentFlight() {
    const FlightCurve& c = session_.current.curve;
    DrawCurrentFlight(*chartView, c, session_.current.state.samplingRate);
    const char separator = DecimalSeparator();
    currentReadout_->showMaximum(QString::fromStdString(FormatOneDecimal(c.maximum, separator)));
    currentReadout_->showMinimum(QString::fromStdString(FormatOneDecimal(c.minimum, separator)));
    const FlightStats stats = ComputeStats(session_.current, session_.filterSettings());
    suspectCleanMaximum_ = stats.maxSuspect ? QString::fromStdString(*stats.maxCleanText)
                                                  .replace(QLatin1Char('.'), QLatin1Char(separator))
                                            : QString();
    markSuspectMaximum();
    showRuleReading();
}

void MainWindow::markSuspectMaximum() {
    currentReadout_->markMaximum(suspectCleanMaximum_.isEmpty()
                                     ? QString()
                                     : msg(Message::SuspectMaximum) + suspectCleanMaximum_ +
                                           QStringLiteral(" m"));
}

void MainWindow::redrawCurrentFlight() {
    chartView->clearSeries(Series::Altitude);
    chartView->clearSeries(Series::Speed);
    DecodeAgain(session_.current, speedShown());
    drawCurrentFlight();
}

void MainWindow::toggleSpeedCurve() {
    SettingsRecord& s = session_.settings;
    if (s.showSpeedCurve != 0) {
        speedCurveAction->setChecked(false);
        s.showSpeedCurve = 0;
        chartView->clearSeries(Series::Speed);
        chartView->refresh();
        return;
    }
    speedCurveAction->setChecked(true);
    s.showSpeedCurve = 1;
    if (session_.current.wordCount() == 0) return;
    redrawCurrentFlight();
}

void MainWindow::chartZoomed() {
    const auto lo = static_cast<long long>(chartView->bottomVisibleMinimum());
    const auto hi = static_cast<long long>(chartView->bottomVisibleMaximum());
    const std::uint32_t rate = session_.current.state.samplingRate;
    if (hi - lo < 100 && rate > 10) {
        chartView->setBottomMinorTickCount(static_cast<int>(rate / 10) - 1);
        chartView->setBottomMinorGridVisible(true);
    } else {
        chartView->setBottomMinorTickCount(0);
        chartView->setBottomMinorGridVisible(false);
    }
    chartView->replot();
}

void MainWindow::chartZoomUndone() {
    chartView->setBottomMinorGridVisible(false);
    chartView->replot();
}

void MainWindow::showFiltered(const FilteredFlight& f, Series main, Series dashed,
                              FlightReadout& readout, std::uint32_t ownRate) {
    DrawFiltered(*chartView, f, main, dashed, ownRate);
    const char separator = DecimalSeparator();
    readout.showMaximum(QString::fromStdString(FormatCentimetres(f.maximum, separator)));
    readout.showMinimum(QString::fromStdString(FormatCentimetres(f.minimum, separator)));
    if (&readout == currentReadout_.get()) {
        suspectCleanMaximum_.clear(); // the field now shows the cleaned figure itself
        markSuspectMaximum();
    }
}

void MainWindow::filterCurrentFlight() {
    const Flight& flight = session_.current;
    const FilteredFlight f =
        FilterFlight(flight.curve.altitudes, WhichFlight::Current, flight.wordCount(),
                     flight.state.samplingRate, session_.filterSettings(), session_.filterWork);
    if (f.filtered)
        showFiltered(f, Series::Altitude, Series::AltitudeBeforeFilter, *currentReadout_);
}

void MainWindow::filterComparisonFlight() {
    const ComparisonFlight& flight = session_.comparison;
    const FilteredFlight f =
        FilterFlight(flight.curve.altitudes, WhichFlight::Comparison, flight.byteCount(),
                     flight.state.samplingRate, session_.filterSettings(), session_.filterWork);
    if (f.filtered)
        showFiltered(f, Series::Comparison, Series::ComparisonBeforeFilter, *comparisonReadout_,
                     flight.state.samplingRate);
}

// --- The comparison flight -------------------------------------------------------------------

void MainWindow::chooseComparison() {
    const QString path = files_->chooseComparison();
    if (!path.isEmpty()) loadComparisonFile(path);
}

bool MainWindow::loadComparisonFile(const QString& path) {
    auto bytes = files_->read(path);
    if (!bytes) return false;
    comparisonReadout_->showSource(NameWithoutFolder(path), caption(Caption::File));
    comparisonAction->setChecked(true);
    ComparisonFlight& flight = session_.comparison;
    flight.record = std::move(*bytes);
    flight.header = InterpretFlightHeader(flight.record, FlightSource::File);
    comparisonReadout_->showHeader(flight.header);
    ApplyHeaderToState(flight.header, flight.state);
    drawComparison();
    return true;
}

void MainWindow::drawComparison() {
    ComparisonFlight& flight = session_.comparison;
    DecodeComparisonAgain(flight, DecimalSeparator());
    const ComparisonCurve& c = flight.curve;
    if (c.maxText) comparisonReadout_->showMaximum(QString::fromStdString(*c.maxText));
    if (c.minText) comparisonReadout_->showMinimum(QString::fromStdString(*c.minText));
    DrawComparisonFlight(*chartView, c);
}

void MainWindow::clearComparison() {
    if (!comparisonAction->isChecked()) {
        comparisonAction->setChecked(true);
        return;
    }
    comparisonAction->setChecked(false);
    comparisonReadout_->clear(caption(Caption::File));
    chartView->clearSeries(Series::Comparison);
    chartView->refresh();
}

// --- Chart clicks and marks ------------------------------------------------------------------

void MainWindow::toggleValueMarks() {
    const bool on = !valueMarksAction->isChecked();
    valueMarksAction->setChecked(on);
    chartView->setMarksVisible(Series::Altitude, on);
    chartView->setMarksVisible(Series::Comparison, on);
    chartView->replot();
}

void MainWindow::removeClickedCurve(Series series) {
    chartView->clearSeries(series);
    if (series == Series::Comparison) comparisonReadout_->clear(caption(Caption::File));
    if (series == Series::Altitude) {
        currentReadout_->clear(caption(Caption::Altimeter));
        showRuleReading(); // the curve it marked is gone
    }
    chartView->refresh();
}

void MainWindow::curveClicked(Series, double position) {
    if (!rule_ || rule_->rule != Rule::F5jStart) return;
    const std::uint32_t rate = session_.current.state.samplingRate;
    const FlightStats stats = ComputeStats(FlightTables(session_.current));
    if (rate == 0 || !stats.launchS) return; // the reading says why there is none
    rule_->value = position * 10.0 / rate - *stats.launchS;
    showRuleReading();
}

// --- Rule readings ---------------------------------------------------------------------------

void MainWindow::chooseRule(std::optional<Rule> rule) {
    const auto checkRule = [this](const std::optional<RuleChoice>& c) {
        QAction* a = !c                            ? ruleNoneAction
                     : c->rule == Rule::F1Flyoff   ? ruleF1Action
                     : c->rule == Rule::F5jStart   ? ruleF5jAction
                     : c->rule == Rule::Timekeeper ? ruleTimekeeperAction
                                                   : ruleApogeeAction; // with a target or not
        a->setChecked(true);
    };
    if (!rule) {
        rule_.reset();
    } else {
        RuleDialog dialog(*rule, rule_, session_.language, this);
        prompter_.showModal(dialog);
        if (dialog.result() == QDialog::Accepted)
            rule_ = dialog.choice();
        else
            checkRule(rule_); // cancelled: the rule in force stays
    }
    checkRule(rule_);
    showRuleReading();
}

void MainWindow::showRuleReading() {
    chartView->clearMarks();
    const std::uint32_t rate = session_.current.state.samplingRate;
    if (!rule_ || rate == 0 || chartView->pointCount(Series::Altitude) == 0) {
        chartView->setReadingText(QString(), QString());
        return;
    }
    const WindowReading w = ReadForWindow(session_.current, *rule_, session_.language);
    // Seconds from the record's start to positions on the time axis.
    const auto at = [rate](double s) { return s * rate / 10.0; };
    if (w.marks.windowS)
        chartView->shadeWindow(at(w.marks.windowS->first), at(w.marks.windowS->second));
    for (const double s : w.marks.linesS)
        chartView->addInstantLine(at(s));
    if (w.marks.point) chartView->addMarkPoint(at(w.marks.point->first), w.marks.point->second);
    if (w.marks.noData)
        chartView->setMarkNote(QString::fromUtf8(Tr(ReadingText::NoData, session_.language)));
    chartView->setReadingText(QString::fromStdString(w.text),
                              QString::fromUtf8(Tr(ReadingText::ReadingName, session_.language)));
}

void MainWindow::repaintMainCurves() {
    chartView->replot();
}

// --- Paper, pictures, manual, information ----------------------------------------------------

PrintTitle MainWindow::printTitle() const {
    const FlightReadout::Shown shown = currentReadout_->shown();
    return {caption(Caption::ReadFrom),
            currentReadout_->fileName().isEmpty() ? shown.caption : currentReadout_->fileName(),
            caption(Caption::CompetitorNo),
            shown.competitor,
            caption(Caption::SerialNo),
            shown.serial,
            shown.maximum,
            shown.minimum,
            shown.temperature,
            caption(Caption::Sampling),
            shown.sampling,
            caption(Caption::Compare).trimmed(),
            chartView->pointCount(Series::Comparison) > 0 ? comparisonReadout_->fileName()
                                                          : QString()};
}

void MainWindow::setUpPrinter() {
    printing_->setUpPrinter();
}

void MainWindow::printChart() {
    printing_->print(printTitle());
}

void MainWindow::savePicture() {
    printing_->savePicture(printTitle());
}

void MainWindow::openManual() {
    const QString manual = FindManual(session_.language);
    if (manual.isEmpty()) {
        showError(Message::ManualNotFound, ManualName(session_.language));
        return;
    }
    prompter_.openDocument(manual);
}

void MainWindow::helpRequested() {
    openManual();
}

void MainWindow::showInfo() {
    prompter_.showModal(*infoDialog);
}

} // namespace orlomat
