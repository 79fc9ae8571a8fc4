// The main window as coordinator: each handler gathers its inputs, calls one lower-layer
// operation and shows the result through the form, the readouts, the chart and the
// prompter. Building the form is in main_window_form.cpp.
#include "ui/main_window.h"

#include "analysis/temperature_entry.h"
#include "core/format.h"
#include "device/altimeter.h"
#include "device/qt_serial_line.h"
#include "device/settings_exchange.h"
#include "files/csv_export.h"
#include "files/file_io.h"
#include "ui/chart_output.h"
#include "ui/chart_view.h"
#include "ui/device_settings_dialog.h"
#include "ui/filter_dialog.h"
#include "ui/flight_drawing.h"
#include "ui/flight_readout.h"
#include "ui/info_dialog.h"
#include "ui/manual_lookup.h"
#include "ui/prompter.h"
#include "ui/settings_file.h"
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
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QLocale>
#include <QMimeData>
#include <QStringList>
#include <QTranslator>
#include <QUrl>

namespace orlomat {

namespace {

// The file's name without its folder: what follows the last "/" or "\".
QString NameWithoutFolder(const QString& path) {
    const qsizetype cut =
        std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return path.mid(cut + 1);
}

char DecimalSeparator() {
    const QString point = QLocale().decimalPoint();
    return point.size() == 1 && point.at(0).unicode() < 128 ? point.at(0).toLatin1() : '.';
}

QByteArray Bytes(const std::vector<std::uint8_t>& v) {
    return QByteArray(reinterpret_cast<const char*>(v.data()), static_cast<qsizetype>(v.size()));
}

} // namespace

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
    altimeter_->channel.onOpenFailed = [this](const std::string& port, const std::string&) {
        showError(Message::PortError, QString::fromStdString(port));
    };
    buildControls();
    buildMenus();
    output_ = std::make_unique<ChartOutput>(*chartView);
    deviceUi_ = std::make_unique<WindowDeviceUi>(
        prompter_, [this] { return session_.language; },
        WindowDeviceUi::Controls{readingIndicator, waitIndicator, flightGroup, maxEdit, minEdit,
                                 chartView},
        [this] { prepareCurrentFlightAxes(); });

    session_.settings = LoadSettings(settingsPath_);
    speedCurveAction->setChecked(session_.settings.showSpeedCurve != 0);
    setLanguage(session_.settings.languageIndex());
    applyLanguageTexts();
    chartView->clearSeries(Series::Altitude);
    session_.current.state.flightTemperature = 20.0f;
    chartView->refresh();
}

MainWindow::~MainWindow() = default;

void MainWindow::createDialogs() {
    const DeviceSettingsDialog::Host host{session_,
                                          *altimeter_,
                                          prompter_,
                                          *deviceUi_,
                                          [this] { saveSettings(); },
                                          [this](const QString& port) { setPortOverride(port); },
                                          [this] { return portName(); }};
    deviceSettingsDialog = new DeviceSettingsDialog(host, this);
    infoDialog = new InfoDialog(this);
    filterDialog = new FilterDialog(
        session_, prompter_, [this] { saveSettings(); }, this);
}

QPrinter& MainWindow::printer() {
    return output_->printer();
}

DeviceUi& MainWindow::deviceUi() {
    return *deviceUi_;
}

QString MainWindow::caption(Caption c) const {
    return QString::fromUtf8(Tr(c, session_.language));
}

QString MainWindow::msg(Message m) const {
    return QString::fromUtf8(Tr(m, session_.language));
}

void MainWindow::showError(Message text, const QString& detail) {
    prompter_.message(msg(text) + detail, msg(Message::ErrorCaption));
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == client && event->type() == QEvent::Resize) layOutForm();
    if ((watched == temperatureEdit || watched == compareTemperatureEdit) &&
        event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        // Only typed characters, Backspace and Enter are the field's rules. Tab, Delete, the
        // cursor keys and the editing shortcuts (Ctrl+A, Ctrl+C, Ctrl+V, ...) work as in any
        // line edit: their "characters" are control codes the rules would discard.
        if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
            return false;
        QChar ch;
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            ch = QChar(13);
        else if (key->key() == Qt::Key_Backspace)
            ch = QChar(8);
        else if (!key->text().isEmpty() && key->text().at(0).isPrint())
            ch = key->text().at(0);
        if (ch.isNull()) return false;
        return temperatureKey(static_cast<QLineEdit*>(watched), ch);
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
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
    altimeter_->channel.PortClose();
    saveSettings();
}

std::string MainWindow::portName() const {
    return portOverride_.isEmpty() ? session_.settings.portName() : portOverride_.toStdString();
}

// --- The altimeter ---------------------------------------------------------------------------

void MainWindow::readAltimeter() {
    DownloadOutcome out = altimeter_->Download(portName(), *deviceUi_);
    using R = DownloadOutcome::Result;
    if (out.result == R::PortFailed || out.result == R::NoStatus) return;
    Flight& flight = session_.current;
    if (out.result == R::TooShort) {
        flight.record = std::move(out.record);
        flight.source = FlightSource::Download;
        flight.curve = FlightCurve{};
        chartView->refresh();
        return;
    }
    showCurrentFlight(
        DecodeRecord(std::move(out.record), FlightSource::Download, {std::nullopt, speedShown()}));
    if (!out.complete()) {
        // The flight stays on screen and can be saved; the user learns it is not whole.
        const QString announced = out.expectedBytes > 0 && out.expectedBytes <= kMaxRecordSize
                                      ? QString::number(out.expectedBytes)
                                      : QStringLiteral("?");
        showError(Message::IncompleteFlight,
                  QStringLiteral("%1 / %2 B").arg(flight.record.size()).arg(announced));
    }
}

void MainWindow::resetAltimeter() {
    altimeter_->Reset(portName(), *deviceUi_);
}

void MainWindow::openDeviceSettings() {
    waitIndicator->setText(caption(Caption::Wait));
    waitIndicator->show();
    waitIndicator->repaint();
    altimeter_->channel.PortOpen(portName());
    if (altimeter_->channel.state() != Channel::State::Open ||
        !deviceSettingsDialog->readFromDevice()) {
        showError(Message::CommunicationError);
        deviceSettingsDialog->clearAfterFailedRead();
    }
    waitIndicator->hide();
    deviceSettingsDialog->showPort(QString::fromStdString(portName()));
    prompter_.showModal(*deviceSettingsDialog);
}

void MainWindow::applyDefaultSetup() {
    const DefaultSetupResult r = DefaultSetup(*altimeter_, portName(), *deviceUi_,
                                              [this] { session_.current.curve.maximum = 0.0f; });
    if (!r.done()) return;
    setupOkIndicator->show();
    setupOkIndicator->repaint();
    altimeter_->channel.clock().sleepMs(1000);
    setupOkIndicator->hide();
}

// --- Settings and languages ------------------------------------------------------------------

void MainWindow::saveSettings() {
    const QString error = StoreSettings(settingsPath_, session_.settings);
    if (!error.isEmpty())
        showError(Message::CannotSaveFile,
                  QDir::toNativeSeparators(settingsPath_) + QStringLiteral(": ") + error);
}

void MainWindow::applyQtTranslation(int language) {
    if (qtTranslator_) {
        QCoreApplication::removeTranslator(qtTranslator_.get());
        qtTranslator_.reset();
    }
    if (language != 0 || QCoreApplication::instance() == nullptr) return;
    auto translator = std::make_unique<QTranslator>();
    if (translator->load(QLocale(QLocale::Polish), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
        QCoreApplication::installTranslator(translator.get()))
        qtTranslator_ = std::move(translator);
}

void MainWindow::setLanguage(int language) {
    if (language != session_.language || !qtTranslator_) applyQtTranslation(language);
    session_.language = language;
    polishAction->setChecked(language == 0);
    englishAction->setChecked(language == 1);
}

void MainWindow::switchToPolish() {
    setLanguage(0);
    session_.settings.language = 0;
    applyLanguageTexts();
    saveSettings();
}

void MainWindow::switchToEnglish() {
    setLanguage(1);
    session_.settings.language = 1;
    applyLanguageTexts();
    saveSettings();
}

void MainWindow::openFilterSettings() {
    prompter_.showModal(*filterDialog);
}

// --- Flight files ----------------------------------------------------------------------------

void MainWindow::saveFlight() {
    const Flight& flight = session_.current;
    if (!flight.present()) {
        showError(Message::NoData);
        return;
    }
    const QString path = prompter_.saveFileName(saveDialogName_);
    if (path.isEmpty()) return;
    saveDialogName_ = path;
    if (QFileInfo::exists(path) &&
        !prompter_.confirm(msg(Message::FileExists), msg(Message::SaveCaption)))
        return;
    writeUserFile(path, Bytes(flight.record));
}

QString MainWindow::chooseFileToOpen() {
    QString path = prompter_.openFileName(openDialogName_);
    if (!path.isEmpty()) openDialogName_ = path;
    return path;
}

void MainWindow::loadFlight() {
    const QString path = chooseFileToOpen();
    if (!path.isEmpty()) loadFlightFile(path);
}

std::optional<std::vector<std::uint8_t>> MainWindow::readFlightFile(const QString& path) {
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) { // a fifo or a device could block for ever
        showError(Message::NotRegularFile, QDir::toNativeSeparators(path));
        return std::nullopt;
    }
    FileRead file = ReadFileStart(path, kMaxRecordSize);
    if (!file.error.isEmpty()) {
        showError(Message::CannotOpenFile,
                  QDir::toNativeSeparators(path) + QStringLiteral(": ") + file.error);
        return std::nullopt;
    }
    if (file.bytes.size() < kHeaderSize) {
        showError(Message::NoFlightRecord);
        return std::nullopt;
    }
    return std::move(file.bytes);
}

bool MainWindow::writeUserFile(const QString& path, const QByteArray& bytes) {
    const QString error = WriteFileAtomically(path, bytes);
    if (error.isEmpty()) return true;
    showError(Message::CannotSaveFile,
              QDir::toNativeSeparators(path) + QStringLiteral(": ") + error);
    return false;
}

bool MainWindow::loadFlightFile(const QString& path) {
    auto bytes = readFlightFile(path);
    if (!bytes) return false;
    flightGroup->setTitle(NameWithoutFolder(path));
    chartView->undoZoom();
    chartView->setLeftIncrement(0);
    showCurrentFlight(
        DecodeRecord(std::move(*bytes), FlightSource::File, {std::nullopt, speedShown()}));
    return true;
}

void MainWindow::exportToSpreadsheet() {
    const Flight& flight = session_.current;
    if (flight.curve.smoothedCount == 0) {
        showError(Message::NoData);
        return;
    }
    const QString chosen = prompter_.saveFileName(saveDialogName_);
    if (chosen.isEmpty()) return;
    saveDialogName_ = chosen;
    const QString path = QString::fromStdString(ExportFileName(chosen.toStdString()));
    if (QFileInfo::exists(path) &&
        !prompter_.confirm(msg(Message::FileExists), msg(Message::SaveCaption)))
        return;
    const std::string bytes = ExportBytes(flight.curve.altitudes, DecimalSeparator());
    writeUserFile(path, QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

// --- Drawing the flights ---------------------------------------------------------------------

bool MainWindow::speedShown() const {
    return session_.settings.showSpeedCurve != 0;
}

void MainWindow::showCurrentFlight(Flight flight) {
    session_.current = std::move(flight);
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
    showMaximum(QString::fromStdString(FormatOneDecimal(c.maximum, separator)));
    minEdit->setText(QString::fromStdString(FormatOneDecimal(c.minimum, separator)));
}

void MainWindow::redrawCurrentFlight() {
    chartView->clearSeries(Series::Altitude);
    chartView->clearSeries(Series::Speed);
    DecodeAgain(session_.current, speedShown());
    drawCurrentFlight();
}

void MainWindow::showMaximum(const QString& text) {
    // The bold maximum keeps its 16 pixels while the value fits, and shrinks when it would not.
    FitFont(maxEdit, text, 16, maxEdit->width() - 10);
    maxEdit->setText(text);
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

bool MainWindow::temperatureKey(QLineEdit* edit, QChar key) {
    if (!TemperatureKeyPasses(key.unicode(), static_cast<std::size_t>(edit->text().size())))
        return true;
    if (key.unicode() == 13) {
        if (edit == temperatureEdit)
            currentTemperatureKey(key);
        else
            comparisonTemperatureKey(key);
    }
    return false;
}

std::optional<float> MainWindow::enteredTemperature(const QLineEdit* edit) {
    const std::int32_t t = ParseTemperatureEntry(edit->text().toStdString());
    if (t == kWrongTemperature) {
        showError(Message::WrongTemperature);
        return std::nullopt;
    }
    return static_cast<float>(t);
}

void MainWindow::currentTemperatureKey(QChar key) {
    if (key.unicode() != 13) return;
    if (const auto t = enteredTemperature(temperatureEdit)) {
        session_.current.state.flightTemperature = *t;
        redrawCurrentFlight();
    }
}

void MainWindow::comparisonTemperatureKey(QChar key) {
    if (key.unicode() != 13) return;
    if (const auto t = enteredTemperature(compareTemperatureEdit)) {
        session_.comparison.state.flightTemperature = *t;
        drawComparison();
    }
}

void MainWindow::showFiltered(const FilteredFlight& f, Series main, Series dashed,
                              QLineEdit* maxField, QLineEdit* minField, std::uint32_t ownRate) {
    DrawFiltered(*chartView, f, main, dashed, ownRate);
    const char separator = DecimalSeparator();
    const QString maximum = QString::fromStdString(FormatCentimetres(f.maximum, separator));
    if (maxField == maxEdit)
        showMaximum(maximum);
    else
        maxField->setText(maximum);
    minField->setText(QString::fromStdString(FormatCentimetres(f.minimum, separator)));
}

void MainWindow::filterCurrentFlight() {
    const Flight& flight = session_.current;
    const FilteredFlight f =
        FilterFlight(flight.curve.altitudes, WhichFlight::Current, flight.wordCount(),
                     flight.state.samplingRate, session_.filterSettings(), session_.filterWork);
    if (f.filtered)
        showFiltered(f, Series::Altitude, Series::AltitudeBeforeFilter, maxEdit, minEdit);
}

void MainWindow::filterComparisonFlight() {
    const ComparisonFlight& flight = session_.comparison;
    const FilteredFlight f =
        FilterFlight(flight.curve.altitudes, WhichFlight::Comparison, flight.byteCount(),
                     flight.state.samplingRate, session_.filterSettings(), session_.filterWork);
    if (f.filtered)
        showFiltered(f, Series::Comparison, Series::ComparisonBeforeFilter, compareMaxEdit,
                     compareMinEdit, flight.state.samplingRate);
}

// --- The comparison flight -------------------------------------------------------------------

void MainWindow::chooseComparison() {
    const QString path = chooseFileToOpen();
    if (!path.isEmpty()) loadComparisonFile(path);
}

bool MainWindow::loadComparisonFile(const QString& path) {
    auto bytes = readFlightFile(path);
    if (!bytes) return false;
    compareGroup->setTitle(NameWithoutFolder(path));
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
    if (c.maxText) compareMaxEdit->setText(QString::fromStdString(*c.maxText));
    if (c.minText) compareMinEdit->setText(QString::fromStdString(*c.minText));
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

void MainWindow::removeClickedCurve(int series) {
    chartView->clearSeries(series);
    if (series == static_cast<int>(Series::Comparison))
        comparisonReadout_->clear(caption(Caption::File));
    if (series == static_cast<int>(Series::Altitude))
        currentReadout_->clear(caption(Caption::Altimeter));
    chartView->refresh();
}

void MainWindow::repaintMainCurves() {
    chartView->replot();
}

// --- Paper, pictures, manual, information ----------------------------------------------------

PrintTitle MainWindow::printTitle() const {
    return {caption(Caption::ReadFrom),
            flightGroup->title(),
            caption(Caption::CompetitorNo),
            competitorEdit->text(),
            caption(Caption::SerialNo),
            serialEdit->text(),
            maxEdit->text(),
            minEdit->text(),
            temperatureEdit->text(),
            caption(Caption::Sampling),
            samplingEdit->text()};
}

void MainWindow::composePrintTitle() {
    output_->composePrintTitle(printTitle());
}

void MainWindow::restoreScreenTitle() {
    output_->restoreScreenTitle();
}

void MainWindow::setUpPrinter() {
    prompter_.printerSetup(output_->printer(), caption(Caption::PrinterSetup));
}

void MainWindow::printChart() {
    // With no printer at all, and no file chosen yet, printing could only fail: the set-up
    // dialog comes first, and cancelling it prints nothing.
    if (!output_->hasDestination() &&
        !prompter_.printerSetup(output_->printer(), caption(Caption::PrinterSetup)))
        return;
    QString where;
    const PrintResult r = output_->print(printTitle(), where);
    if (r.ok()) return;
    QStringList parts{where};
    switch (r.fault) {
    case PrintFault::NoDestination:
        parts << msg(Message::NoPrinterChosen);
        break;
    case PrintFault::PrinterRefused:
        parts << msg(Message::PrinterRefused);
        break;
    case PrintFault::PageNotRendered:
        parts << msg(Message::PageNotRendered);
        break;
    case PrintFault::FileNotWritten:
    case PrintFault::None:
        break;
    }
    parts << r.reason;
    parts.removeAll(QString());
    showError(Message::CannotPrint, parts.join(QStringLiteral(": ")));
}

void MainWindow::savePicture() {
    composePrintTitle();
    const QString chosen = prompter_.pictureFileName(pictureDialogName_);
    QString path, error;
    if (!chosen.isEmpty()) {
        pictureDialogName_ = chosen;
        error = output_->savePicture(chosen, path);
    }
    restoreScreenTitle();
    if (!error.isEmpty())
        showError(Message::CannotSaveFile,
                  QDir::toNativeSeparators(path) + QStringLiteral(": ") + error);
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
