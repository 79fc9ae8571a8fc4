#include "ui/main_window.h"

#include "device/altimeter.h"
#include "ui/chart_view.h"
#include "files/csv_export.h"
#include "ui/info_dialog.h"
#include "files/file_io.h"
#include "ui/filter_dialog.h"
#include "core/format.h"
#include "ui/device_settings_dialog.h"
#include "ui/main_layout.h"
#include "ui/picture_output.h"
#include "ui/prompter.h"
#include "device/qt_serial_line.h"
#include "device/settings_exchange.h"
#include "ui/settings_file.h"
#include "analysis/temperature_entry.h"
#include "ui/widgets.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QMenuBar>
#include <QPrinter>
#include <QPushButton>
#include <QShortcut>

namespace orlomat {

namespace {

QFont PixelFont(const QString& family, int pixels, bool bold = false) {
    QFont f(family);
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

QLineEdit* MakeReadOnlyEdit(QWidget* parent, const char* name, int x, int y, int w, int h) {
    auto* e = MakeWidget<QLineEdit>(parent, name, x, y, w, h);
    e->setReadOnly(true);
    return e;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int x, int y) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->move(x, y);
    l->adjustSize();
    return l;
}

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

// The edits and labels of one value group; the two groups have the same shape.
struct GroupNames {
    const char *maxLabel, *maxEdit, *maxUnit;
    const char *minLabel, *minEdit, *minUnit;
    const char *zawLabel, *zawEdit, *serLabel, *serEdit;
    const char *tempLabel, *tempEdit, *tempUnit, *probLabel, *probEdit;
};

} // namespace

// What the device exchanges show, on the window's controls.
class MainWindow::DeviceView : public DeviceUi {
public:
    explicit DeviceView(MainWindow& w) : w_(w) {}

    void message(Message text, Message caption, const std::string& detail) override {
        w_.prompter_.message(w_.msg(text) + QString::fromStdString(detail), w_.msg(caption));
    }
    bool confirm(Message text, Message caption) override {
        return w_.prompter_.confirm(w_.msg(text), w_.msg(caption));
    }
    void downloadBegins() override {
        w_.readingIndicator->show();
        w_.readingIndicator->repaint();
        w_.flightGroup->setTitle(w_.caption(Caption::Altimeter));
    }
    void downloadEnds() override {
        w_.waitIndicator->hide();
        w_.readingIndicator->hide();
    }
    void prepareForFlight() override {
        w_.chartView->undoZoom();
        for (int s : {1, 2, 4, 5})
            w_.chartView->clearSeries(s);
        w_.prepareCurrentFlightAxes();
        w_.chartView->refresh();
    }
    void streamStarted() override {
        w_.maxEdit->setText(QStringLiteral("   "));
        w_.minEdit->setText(QStringLiteral("   "));
    }
    void progress(const std::string& text) override {
        w_.waitIndicator->setText(QString::fromStdString(text));
        w_.waitIndicator->show();
        w_.waitIndicator->repaint();
    }

private:
    MainWindow& w_;
};

MainWindow::MainWindow(const QString& settingsPath, Prompter& prompter, SerialLine* line,
                           Clock* clock, QWidget* parent)
    : QMainWindow(parent), prompter_(prompter), settingsPath_(settingsPath) {
    setObjectName(QStringLiteral("Orlomat_BMP"));
    if (line == nullptr) {
        ownLine_ = std::make_unique<QtSerialLine>();
        line = ownLine_.get();
    }
    if (clock == nullptr) {
        ownClock_ = std::make_unique<SteadyClock>();
        clock = ownClock_.get();
    }
    altimeter_ = std::make_unique<Altimeter>(*line, *clock);
    printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer_->setPageOrientation(QPageLayout::Landscape);
    deviceView_ = std::make_unique<DeviceView>(*this);
    altimeter_->channel.onOpenFailed = [this](const std::string& port, const std::string&) {
        showError(Message::PortError, QString::fromStdString(port));
    };
    buildControls();
    buildMenus();

    session_.settings = LoadSettings(settingsPath_);
    speedCurveAction->setChecked(session_.settings.showAcceleration != 0);
    setLanguage(session_.settings.languageIndex());
    applyLanguageTexts();
    chartView->clearSeries(1);
    session_.current.state.flightTemperature = 20.0f;
    chartView->refresh();
}

MainWindow::~MainWindow() = default;

void MainWindow::createDialogs() {
    deviceSettingsDialog = new DeviceSettingsDialog(*this);
    infoDialog = new InfoDialog(this);
    filterDialog = new FilterDialog(*this);
}

void MainWindow::buildControls() {
    resize(1300, 834);
    setFont(PixelFont(QStringLiteral("MS Sans Serif"), 11));
    client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setAutoFillBackground(true);
    QPalette silver = client->palette();
    silver.setColor(QPalette::Window, QColor(192, 192, 192));
    client->setPalette(silver);
    setCentralWidget(client);
    client->installEventFilter(this);

    const QString arial = QStringLiteral("Arial");
    readButton = MakeWidget<QPushButton>(client, "B_Odczyt_Orlomatu", 8, 8, 145, 41);
    readButton->setFont(PixelFont(font().family(), 13, true));
    resetButton = MakeWidget<QPushButton>(client, "BZerowanie", 8, 70, 81, 27);
    resetButton->setFont(PixelFont(font().family(), 13));
    filterButton = MakeWidget<QPushButton>(client, "B_Filtr_Alt", 96, 70, 57, 27);
    filterButton->setText(QStringLiteral("Filtr"));

    const auto makeGroup = [&](const char* name, int x, int w, const QColor& colour, int col1Label,
                               int col1Edit, int col2, int col3, const GroupNames& n,
                               QLabel** labels[9], QLineEdit** edits[6]) {
        auto* g = MakeWidget<QGroupBox>(client, name, x, 0, w, 113);
        g->setFont(PixelFont(arial, 16, true));
        QPalette p = g->palette();
        p.setColor(QPalette::WindowText, colour);
        g->setPalette(p);
        const QFont plain = font();
        QPalette normal = client->palette();
        normal.setColor(QPalette::WindowText, Qt::black);
        const auto label = [&](const char* nm, const QString& text, int lx, int ly) {
            QLabel* l = MakeLabel(g, nm, text, lx, ly);
            l->setFont(plain);
            l->setPalette(normal);
            l->adjustSize();
            return l;
        };
        const auto edit = [&](const char* nm, int ex, int ey, int ew) {
            QLineEdit* e = MakeReadOnlyEdit(g, nm, ex, ey, ew, 24);
            e->setFont(plain);
            return e;
        };
        *labels[0] = label(n.maxLabel, QStringLiteral("Maximum"), col1Label, 18);
        *labels[1] = label(n.minLabel, QStringLiteral("Minimum"), col1Label, 66);
        *labels[2] = label(n.zawLabel, QString(), col2, 18);
        *labels[3] = label(n.serLabel, QString(), col2, 66);
        *labels[4] = label(n.tempLabel, QString(), col3, 18);
        *labels[5] = label(n.probLabel, QString(), col3, 66);
        *edits[0] = edit(n.maxEdit, col1Edit, 32, 70);
        *edits[1] = edit(n.minEdit, col1Edit, 80, 70);
        *edits[2] = edit(n.zawEdit, col2, 32, 73);
        *edits[3] = edit(n.serEdit, col2, 80, 73);
        *edits[4] = edit(n.tempEdit, col3, 32, 64);
        *edits[5] = edit(n.probEdit, col3, 80, 80);
        *labels[6] = label(n.maxUnit, QStringLiteral("m"), col1Edit + 73, 36);
        *labels[7] = label(n.minUnit, QStringLiteral("m"), col1Edit + 73, 84);
        *labels[8] = label(n.tempUnit, QStringLiteral("C"), col3 + 67, 36);
        return g;
    };

    {
        const GroupNames n = {"LabMaximum", "E_MaxGl",  "LmMax",         "LMinimum",  "EMinimum",
                              "LmMin",      "LZaw1",    "E_NrZawodnika", "L_NumSer1", "E_NrSeryjny",
                              "LTemp1",     "E_TempGl", "Label14",       "LProbk1",   "E_probkGl"};
        QLabel** labels[9] = {&maxLabel, &minLabel, &competitorLabel, &serialLabel, &temperatureLabel,
                              &samplingLabel,    &maxUnitLabel,    &minUnitLabel, &temperatureUnitLabel};
        QLineEdit** edits[6] = {&maxEdit,     &minEdit, &competitorEdit,
                                &serialEdit, &temperatureEdit, &samplingEdit};
        flightGroup = makeGroup("GroupB_Alt", 168, 281, QColor(255, 0, 0), 12, 12, 104, 189, n,
                               labels, edits);
        maxEdit->setFont(PixelFont(font().family(), 16, true));
        competitorEdit->setReadOnly(false); // the one edit designed writable
    }

    diskGroup = MakeWidget<QGroupBox>(client, "GBDysk_ZapisOdczyt", 528, 0, 129, 113);
    diskGroup->setFont(PixelFont(arial, 13));
    saveButton = MakeWidget<QPushButton>(diskGroup, "BZapisz", 16, 30, 97, 25);
    loadButton = MakeWidget<QPushButton>(diskGroup, "BOdczyt", 16, 69, 97, 25);

    compareButton = MakeWidget<QPushButton>(client, "B_Porownanie", 864, 8, 97, 41);
    compareButton->setFont(PixelFont(font().family(), 13, true));
    compareFilterButton = MakeWidget<QPushButton>(client, "B_Filtr_por", 864, 72, 75, 25);
    compareFilterButton->setText(QStringLiteral("Filtr"));

    {
        const GroupNames n = {"Label1", "E_Max_Por", "Label7",    "Label3",    "E_Min_Por",
                              "Label8", "LZaw2",     "E_Zaw_Por", "L_NumSer2", "E_NrS_Por",
                              "LTemp2", "E_TempPor", "Label9",    "LProbk2",   "E_probkPor"};
        QLabel** labels[9] = {&compareMaxLabel,  &compareMinLabel, &compareCompetitorLabel,  &compareSerialLabel, &compareTemperatureLabel,
                              &compareSamplingLabel, &compareMaxUnitLabel, &compareMinUnitLabel, &compareTemperatureUnitLabel};
        QLineEdit** edits[6] = {&compareMaxEdit, &compareMinEdit, &compareCompetitorEdit,
                                &compareSerialEdit, &compareTemperatureEdit, &compareSamplingEdit};
        compareGroup = makeGroup("GroupB_Por", 976, 297, QColor(255, 255, 0), 13, 16, 112, 205, n,
                               labels, edits);
    }

    chartView = new ChartView(client);
    chartView->setObjectName(QStringLiteral("Chart1"));
    chartView->setGeometry(8, 120, 1265, 745);
    metresCaption = MakeLabel(chartView, "Label6", QStringLiteral("[m]"), 8, 745 - 20);
    secondsCaption = MakeLabel(chartView, "Label2", QStringLiteral("[sek]"), 1265 - 85, 745 - 20);
    speedCaption = MakeLabel(chartView, "Label4", QStringLiteral("dh/dt"), 1265 - 85, 8);
    for (QLabel* l : {metresCaption, secondsCaption, speedCaption}) {
        l->setFont(PixelFont(font().family(), 13, true));
        l->adjustSize();
    }
    setupOkIndicator = MakeReadOnlyEdit(chartView, "EUstawieniaOK", 560, 192, 89, 37);
    setupOkIndicator->setFont(PixelFont(font().family(), 24));
    setupOkIndicator->setText(QStringLiteral("    OK"));
    setupOkIndicator->hide();

    QPalette grey = client->palette();
    grey.setColor(QPalette::Base, QColor(200, 200, 200));
    readingIndicator = MakeReadOnlyEdit(client, "E_PobDan", 520, 232, 177, 32);
    readingIndicator->setText(QStringLiteral("   Odczyt danych"));
    waitIndicator = MakeReadOnlyEdit(client, "ECzekaj", 560, 272, 113, 32);
    waitIndicator->setText(QStringLiteral("    Czekaj"));
    for (QLineEdit* e : {readingIndicator, waitIndicator}) {
        e->setFont(PixelFont(arial, 21));
        e->setPalette(grey);
        e->hide();
        e->raise();
    }

    connect(filterButton, &QPushButton::clicked, this, &MainWindow::filterCurrentFlight);
    connect(compareFilterButton, &QPushButton::clicked, this, &MainWindow::filterComparisonFlight);
    connect(compareButton, &QPushButton::clicked, this, &MainWindow::chooseComparison);
    connect(chartView, &ChartView::seriesClicked, this, &MainWindow::removeClickedCurve);
    connect(chartView, &ChartView::legendClicked, this, &MainWindow::repaintMainCurves);
    temperatureEdit->installEventFilter(this);
    compareTemperatureEdit->installEventFilter(this);

    connect(readButton, &QPushButton::clicked, this, &MainWindow::readAltimeter);
    connect(resetButton, &QPushButton::clicked, this, &MainWindow::resetAltimeter);

    connect(saveButton, &QPushButton::clicked, this, &MainWindow::saveFlight);
    connect(loadButton, &QPushButton::clicked, this, &MainWindow::loadFlight);
    connect(chartView, &ChartView::zoomed, this, &MainWindow::chartZoomed);
    connect(chartView, &ChartView::zoomUndone, this, &MainWindow::chartZoomUndone);
}

void MainWindow::buildMenus() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    const auto menu = [&](const char* name) {
        QMenu* m = bar->addMenu(QString());
        m->setObjectName(QString::fromLatin1(name));
        m->menuAction()->setObjectName(QString::fromLatin1(name));
        return m;
    };
    const auto item = [&](QMenu* m, const char* name, const QString& text) {
        QAction* a = m->addAction(text);
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    setupMenu = menu("Ustawienia1");
    deviceSettingsAction = item(setupMenu, "Orlomat1", QString());
    filterSettingsAction = item(setupMenu, "Filtr3", QStringLiteral("Filtr"));
    defaultSetupAction = item(setupMenu, "Se1", QStringLiteral("Setup Default"));
    chartsMenu = menu("Widok1");
    speedCurveAction = item(chartsMenu, "Przyspieszenie1", QString());
    speedCurveAction->setCheckable(true);
    comparisonAction = item(chartsMenu, "Porownanie1", QString());
    comparisonAction->setCheckable(true);
    comparisonAction->setChecked(true);
    valueMarksAction = item(chartsMenu, "Warto1", QStringLiteral("Wartosci"));
    valueMarksAction->setCheckable(true);
    printMenu = menu("E1");
    printMenu->setTitle(QStringLiteral("Print/Export"));
    printerSetupAction = item(printMenu, "UstawDrukarke1", QString());
    printAction = item(printMenu, "Drukuj1", QString());
    savePictureAction = item(printMenu, "ZapiszObraz1", QString());
    exportAction = item(printMenu, "ZapiszdoExcela1", QString());
    languageMenu = menu("MenuJezyk");
    languageMenu->setTitle(QString::fromUtf8("Język/Language"));
    polishAction = item(languageMenu, "Polski1", QStringLiteral("Polski"));
    englishAction = item(languageMenu, "English1", QStringLiteral("English"));
    polishAction->setCheckable(true);
    englishAction->setCheckable(true);
    infoAction = bar->addAction(QStringLiteral("Info"));
    infoAction->setObjectName(QStringLiteral("Info1"));
    helpAction = bar->addAction(QStringLiteral("Help"));
    helpAction->setObjectName(QStringLiteral("Help1"));

    // Features that arrive with later work stay visible but inert until then.
    connect(printerSetupAction, &QAction::triggered, this, &MainWindow::setUpPrinter);
    connect(printAction, &QAction::triggered, this, &MainWindow::printChart);
    connect(savePictureAction, &QAction::triggered, this, &MainWindow::savePicture);
    connect(infoAction, &QAction::triggered, this, &MainWindow::showInfo);
    connect(helpAction, &QAction::triggered, this, &MainWindow::openManual);
    auto* f1 = new QShortcut(QKeySequence::HelpContents, this);
    connect(f1, &QShortcut::activated, this, &MainWindow::helpRequested);
    connect(filterSettingsAction, &QAction::triggered, this, &MainWindow::openFilterSettings);
    // The handlers set these check marks themselves: undo the menu's own toggle first.
    connect(comparisonAction, &QAction::triggered, this, [this] {
        comparisonAction->setChecked(!comparisonAction->isChecked());
        clearComparison();
    });
    connect(valueMarksAction, &QAction::triggered, this, [this] {
        valueMarksAction->setChecked(!valueMarksAction->isChecked());
        toggleValueMarks();
    });
    connect(exportAction, &QAction::triggered, this, &MainWindow::exportToSpreadsheet);

    connect(polishAction, &QAction::triggered, this, &MainWindow::switchToPolish);
    connect(englishAction, &QAction::triggered, this, &MainWindow::switchToEnglish);
    connect(speedCurveAction, &QAction::triggered, this, &MainWindow::toggleSpeedCurve);
    connect(deviceSettingsAction, &QAction::triggered, this, &MainWindow::openDeviceSettings);
    connect(defaultSetupAction, &QAction::triggered, this, &MainWindow::applyDefaultSetup);
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
    if ((watched == temperatureEdit || watched == compareTemperatureEdit) && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        QChar ch = key->text().isEmpty() ? QChar() : key->text().at(0);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) ch = QChar(13);
        if (key->key() == Qt::Key_Backspace) ch = QChar(8);
        if (ch.isNull()) return false; // cursor keys and the like: the edit's own business
        return temperatureKey(static_cast<QLineEdit*>(watched), ch);
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::layOutForm() {
    const MainLayout l = ComputeMainLayout(client->width(), client->height());
    chartView->resize(l.chartWidth, l.chartHeight);
    metresCaption->move(metresCaption->x(), l.unitLabelsTop);
    secondsCaption->move(l.rightLabelsLeft, l.unitLabelsTop);
    speedCaption->move(l.rightLabelsLeft, speedCaption->y());
    readButton->move(l.readLeft, readButton->y());
    resetButton->move(l.readLeft, resetButton->y());
    filterButton->move(l.filterLeft, filterButton->y());
    flightGroup->move(l.flightGroupLeft, flightGroup->y());
    diskGroup->move(l.diskGroupLeft, diskGroup->y());
    compareButton->move(l.compareLeft, compareButton->y());
    compareFilterButton->move(l.compareLeft, compareFilterButton->y());
    compareGroup->move(l.compareGroupLeft, compareGroup->y());
}

void MainWindow::closeEvent(QCloseEvent* event) {
    closeProgram();
    event->accept();
}

void MainWindow::closeProgram() {
    altimeter_->channel.PortClose();
    saveSettings();
}

std::string MainWindow::portName() const {
    return portOverride_.isEmpty() ? session_.settings.portName() : portOverride_.toStdString();
}

void MainWindow::readAltimeter() {
    DownloadOutcome out = altimeter_->Download(portName(), *deviceView_);
    using R = DownloadOutcome::Result;
    if (out.result == R::PortFailed || out.result == R::NoStatus) return;
    Flight& flight = session_.current;
    flight.record = std::move(out.record);
    flight.source = FlightSource::Download;
    if (out.result == R::TooShort) {
        flight.curve = FlightCurve{};
        chartView->refresh();
        return;
    }
    applyFlightHeader(FlightSource::Download);
    decodeCurrentFlight();
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
    altimeter_->Reset(portName(), *deviceView_);
}

DeviceUi& MainWindow::deviceUi() {
    return *deviceView_;
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
    const DefaultSetupResult r = DefaultSetup(*altimeter_, portName(), *deviceView_,
                                              [this] { session_.current.curve.maximum = 0.0f; });
    if (!r.done()) return;
    setupOkIndicator->show();
    setupOkIndicator->repaint();
    altimeter_->channel.clock().sleepMs(1000);
    setupOkIndicator->hide();
}

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

void MainWindow::applyLanguageTexts() {
    resetButton->setText(caption(Caption::Clear));
    readButton->setText(caption(Caption::ReadAltimeter));
    diskGroup->setTitle(caption(Caption::DiscSaveLoad));
    saveButton->setText(caption(Caption::Save));
    loadButton->setText(caption(Caption::Load));
    for (QLabel* l : {temperatureLabel, compareTemperatureLabel})
        l->setText(caption(Caption::Temperature));
    for (QLabel* l : {samplingLabel, compareSamplingLabel})
        l->setText(caption(Caption::Sampling));
    for (QLabel* l : {competitorLabel, compareCompetitorLabel})
        l->setText(caption(Caption::CompetitorNo));
    for (QLabel* l : {serialLabel, compareSerialLabel})
        l->setText(caption(Caption::SerialNo));
    // A label keeps a gap to the next column (or the group's edge), in either language.
    const int plain = font().pixelSize();
    const std::pair<QLabel*, int> limits[] = {
        {competitorLabel, temperatureLabel->x() - 6},          {serialLabel, samplingLabel->x() - 6},
        {temperatureLabel, flightGroup->width() - 4}, {samplingLabel, flightGroup->width() - 4},
        {compareCompetitorLabel, compareTemperatureLabel->x() - 6},          {compareSerialLabel, compareSamplingLabel->x() - 6},
        {compareTemperatureLabel, compareGroup->width() - 4}, {compareSamplingLabel, compareGroup->width() - 4}};
    for (const auto& [label, right] : limits) {
        FitFont(label, label->text(), plain, right - label->x());
        label->adjustSize();
    }
    compareButton->setText(caption(Caption::Compare));
    flightGroup->setTitle(caption(Caption::Altimeter));
    compareGroup->setTitle(caption(Caption::File));
    setWindowTitle(caption(Caption::WindowCaption));
    setupMenu->setTitle(caption(Caption::Setup));
    deviceSettingsAction->setText(caption(Caption::Altimeter));
    chartsMenu->setTitle(caption(Caption::Charts));
    speedCurveAction->setText(caption(Caption::Acceleration));
    comparisonAction->setText(caption(Caption::Compare));
    printerSetupAction->setText(caption(Caption::PrinterSetup));
    printAction->setText(caption(Caption::Print));
    savePictureAction->setText(caption(Caption::SavePicture));
    exportAction->setText(caption(Caption::ExportToExcel));
    chartView->setSeriesTitle(1, caption(Caption::Altitude));
    chartView->setSeriesTitle(2, caption(Caption::Acceleration));
    chartView->setSeriesTitle(3, caption(Caption::Compare));
    chartView->refresh();
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
    writeUserFile(path, QByteArray(reinterpret_cast<const char*>(flight.record.data()),
                                   static_cast<qsizetype>(flight.record.size())));
}

QString MainWindow::chooseFileToOpen() {
    const QString path = prompter_.openFileName(openDialogName_);
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
    for (int s : {1, 2, 4, 5})
        chartView->clearSeries(s);
    chartView->setLeftIncrement(0);
    session_.current.record = std::move(*bytes);
    applyFlightHeader(FlightSource::File);
    decodeCurrentFlight();
    return true;
}

void MainWindow::applyFlightHeader(FlightSource source) {
    Flight& flight = session_.current;
    const HeaderInfo info = InterpretFlightHeader(flight.record, source);
    flight.source = source;
    competitorEdit->setText(QString::number(info.header.competitor));
    serialEdit->setText(QString::number(info.header.serial));
    temperatureEdit->setText(QString::number(info.temperature));
    temperatureEdit->setReadOnly(false);
    samplingEdit->setText(QString::fromStdString(info.samplingText));
    ApplyHeaderToState(info, flight.state);
}

void MainWindow::prepareCurrentFlightAxes() {
    chartView->setLeftMinMax(0, 10);
    chartView->setLeftAutomatic(false);
    chartView->setLeftAutomaticMaximum(false);
    chartView->setLeftAutomaticMinimum(true);
}

// Decodes the current flight from its own record and draws it (the callers clear the series).
void MainWindow::decodeCurrentFlight() {
    Flight& flight = session_.current;
    flight.curve = DecodeFlight(flight.record, flight.state,
                                session_.settings.showAcceleration != 0, flight.wordCount());
    const FlightCurve& c = flight.curve;
    chartView->setBottomMinorGridVisible(false);
    prepareCurrentFlightAxes();
    chartView->setBottomMinorTickCount(c.minorTickCount);
    for (const ChartPoint& p : c.series1)
        chartView->addPoint(1, static_cast<double>(p.y), QString::fromStdString(p.label));
    for (const float v : c.series2)
        chartView->addPoint(2, static_cast<double>(v), QString());
    const char separator = DecimalSeparator();
    showMaximum(QString::fromStdString(FormatOneDecimal(c.maximum, separator)));
    minEdit->setText(QString::fromStdString(FormatOneDecimal(c.minimum, separator)));
    chartView->setLeftMinMax(0, c.leftAxisMaximum);
    chartView->refresh();
}

void MainWindow::showMaximum(const QString& text) {
    // The bold maximum keeps its 16 pixels while the value fits, and shrinks when it would not.
    FitFont(maxEdit, text, 16, maxEdit->width() - 10);
    maxEdit->setText(text);
}

void MainWindow::toggleSpeedCurve() {
    SettingsRecord& s = session_.settings;
    if (s.showAcceleration != 0) {
        speedCurveAction->setChecked(false);
        s.showAcceleration = 0;
        chartView->clearSeries(2);
        chartView->refresh();
        return;
    }
    speedCurveAction->setChecked(true);
    s.showAcceleration = 1;
    if (session_.current.wordCount() == 0) return;
    chartView->clearSeries(1);
    chartView->clearSeries(2);
    decodeCurrentFlight();
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

} // namespace orlomat

namespace orlomat {

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

void MainWindow::currentTemperatureKey(QChar key) {
    if (key.unicode() != 13) return;
    const std::int32_t t = ParseTemperatureEntry(temperatureEdit->text().toStdString());
    if (t == kWrongTemperature) {
        showError(Message::WrongTemperature);
        return;
    }
    session_.current.state.flightTemperature = static_cast<float>(t);
    chartView->clearSeries(1);
    chartView->clearSeries(2);
    decodeCurrentFlight();
}

void MainWindow::comparisonTemperatureKey(QChar key) {
    if (key.unicode() != 13) return;
    const std::int32_t t = ParseTemperatureEntry(compareTemperatureEdit->text().toStdString());
    if (t == kWrongTemperature) {
        showError(Message::WrongTemperature);
        return;
    }
    session_.comparison.state.flightTemperature = static_cast<float>(t);
    drawComparison();
}

void MainWindow::openFilterSettings() {
    prompter_.showModal(*filterDialog);
}

void MainWindow::showFiltered(const FilteredFlight& f, int mainSeries, int dashedSeries,
                                QLineEdit* maxField, QLineEdit* minField) {
    chartView->clearSeries(mainSeries);
    chartView->clearSeries(dashedSeries);
    for (std::size_t k = 0; k < f.cleaned.size(); ++k)
        chartView->addPoint(mainSeries, f.cleaned[k] * 0.01, QString::fromStdString(f.labels[k]));
    for (const std::int32_t v : f.source)
        chartView->addPoint(dashedSeries, v * 0.01, QString());
    const char separator = DecimalSeparator();
    const QString maximum = QString::fromStdString(FormatCentimetres(f.maximum, separator));
    if (maxField == maxEdit)
        showMaximum(maximum);
    else
        maxField->setText(maximum);
    minField->setText(QString::fromStdString(FormatCentimetres(f.minimum, separator)));
    chartView->refresh();
}

void MainWindow::filterCurrentFlight() {
    const Flight& flight = session_.current;
    const FilteredFlight f =
        FilterFlight(flight.curve.altitudes, WhichFlight::Current, flight.wordCount(),
                     flight.state.samplingRate, session_.filterSettings(), session_.filterWork);
    if (f.filtered) showFiltered(f, 1, 5, maxEdit, minEdit);
}

void MainWindow::filterComparisonFlight() {
    const Flight& flight = session_.comparison;
    const FilteredFlight f = FilterFlight(
        session_.comparisonCurve.altitudes, WhichFlight::Comparison, flight.byteCount(),
        flight.state.samplingRate, session_.filterSettings(), session_.filterWork);
    if (f.filtered) showFiltered(f, 3, 6, compareMaxEdit, compareMinEdit);
}

void MainWindow::chooseComparison() {
    const QString path = chooseFileToOpen();
    if (!path.isEmpty()) loadComparisonFile(path);
}

bool MainWindow::loadComparisonFile(const QString& path) {
    auto bytes = readFlightFile(path);
    if (!bytes) return false;
    compareGroup->setTitle(NameWithoutFolder(path));
    comparisonAction->setChecked(true);
    Flight& flight = session_.comparison;
    flight.record = std::move(*bytes);
    flight.source = FlightSource::File;
    const HeaderInfo info = InterpretFlightHeader(flight.record, FlightSource::File);
    compareCompetitorEdit->setText(QString::number(info.header.competitor));
    compareSerialEdit->setText(QString::number(info.header.serial));
    compareTemperatureEdit->setText(QString::number(info.temperature));
    compareTemperatureEdit->setReadOnly(false);
    compareSamplingEdit->setText(QString::fromStdString(info.samplingText));
    ApplyHeaderToState(info, flight.state);
    drawComparison();
    return true;
}

void MainWindow::drawComparison() {
    Flight& flight = session_.comparison;
    chartView->clearSeries(3);
    chartView->setLeftAutomatic(false);
    chartView->setLeftAutomaticMaximum(false);
    chartView->setLeftAutomaticMinimum(true);
    ComparisonCurve& c = session_.comparisonCurve;
    c = DecodeComparison(flight.record, flight.state, flight.byteCount(), DecimalSeparator());
    chartView->setBottomMinorTickCount(c.minorTickCount);
    for (const float y : c.series3)
        chartView->addPoint(3, static_cast<double>(y), QString());
    if (c.maxText) compareMaxEdit->setText(QString::fromStdString(*c.maxText));
    if (c.minText) compareMinEdit->setText(QString::fromStdString(*c.minText));
    if (c.leftAxisCandidate && *c.leftAxisCandidate > chartView->leftSetMaximum())
        chartView->setLeftMinMax(chartView->leftSetMinimum(), *c.leftAxisCandidate);
    chartView->refresh();
}

void MainWindow::clearComparisonGroup() {
    for (QLineEdit* e : {compareMaxEdit, compareMinEdit, compareSamplingEdit, compareTemperatureEdit, compareCompetitorEdit, compareSerialEdit})
        e->clear();
    compareGroup->setTitle(caption(Caption::File));
}

void MainWindow::clearCurrentGroup() {
    for (QLineEdit* e : {maxEdit, minEdit, temperatureEdit, samplingEdit, competitorEdit, serialEdit})
        e->clear();
    flightGroup->setTitle(caption(Caption::Altimeter));
}

void MainWindow::clearComparison() {
    if (!comparisonAction->isChecked()) {
        comparisonAction->setChecked(true);
        return;
    }
    comparisonAction->setChecked(false);
    clearComparisonGroup();
    chartView->clearSeries(3);
    chartView->refresh();
}

void MainWindow::toggleValueMarks() {
    const bool on = !valueMarksAction->isChecked();
    valueMarksAction->setChecked(on);
    chartView->setMarksVisible(1, on);
    chartView->setMarksVisible(3, on);
    chartView->replot();
}

void MainWindow::removeClickedCurve(int series) {
    chartView->clearSeries(series);
    if (series == 3) clearComparisonGroup();
    if (series == 1) clearCurrentGroup();
    chartView->refresh();
}

void MainWindow::repaintMainCurves() {
    chartView->replot();
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

} // namespace orlomat

namespace orlomat {

void MainWindow::composePrintTitle() {
    savedChartColour_ = chartView->backgroundColor();
    chartView->setBackgroundColor(Qt::white);
    chartView->clearTitle();
    const QString gap = QStringLiteral("    ");
    chartView->addTitleLine(QStringLiteral("        ") + caption(Caption::ReadFrom) +
                         flightGroup->title() + gap + caption(Caption::CompetitorNo) +
                         QStringLiteral(": ") + competitorEdit->text() + gap +
                         caption(Caption::SerialNo) + QStringLiteral(": ") + serialEdit->text());
    chartView->addTitleLine(QStringLiteral(" "));
    chartView->addTitleLine(QStringLiteral("        Max: ") + maxEdit->text() + QStringLiteral(" m") +
                         gap + QStringLiteral("Min: ") + minEdit->text() + QStringLiteral("m") +
                         gap + QStringLiteral("Temp: ") + temperatureEdit->text() +
                         QString::fromUtf8("°C") + gap + caption(Caption::Sampling) +
                         QStringLiteral(": ") + samplingEdit->text());
    chartView->replot();
}

void MainWindow::restoreScreenTitle() {
    chartView->clearTitle();
    chartView->addTitleLine(QStringLiteral("        Wysokosc / Altitude"));
    chartView->setBackgroundColor(savedChartColour_);
    chartView->replot();
}

void MainWindow::setUpPrinter() {
    prompter_.printerSetup(*printer_);
}

void MainWindow::printChart() {
    composePrintTitle();
    chartView->setBottomPrintMargin(
        printer_->pageLayout().orientation() == QPageLayout::Landscape ? 25 : 55);
    const QString problem = PrintChart(*chartView, *printer_);
    restoreScreenTitle();
    if (!problem.isEmpty()) {
        const QString where = printer_->outputFileName().isEmpty() ? printer_->printerName()
                                                                   : printer_->outputFileName();
        showError(Message::CannotPrint, where + QStringLiteral(": ") + problem);
    }
}

void MainWindow::savePicture() {
    composePrintTitle();
    const QString chosen = prompter_.pictureFileName(pictureDialogName_);
    if (!chosen.isEmpty()) {
        pictureDialogName_ = chosen;
        const QString path =
            chosen.contains(QLatin1String(".bmp")) ? chosen : chosen + QStringLiteral(".bmp");
        QByteArray bytes;
        QString error = RenderPicture(*chartView, "BMP", bytes);
        if (error.isEmpty()) error = WriteFileAtomically(path, bytes);
        if (!error.isEmpty()) {
            restoreScreenTitle();
            showError(Message::CannotSaveFile,
                      QDir::toNativeSeparators(path) + QStringLiteral(": ") + error);
            return;
        }
    }
    restoreScreenTitle();
}

QString MainWindow::findManual() const {
    const QString base =
        session_.language != 0 ? QStringLiteral("Orl_HELPA") : QStringLiteral("Orl_HELPP");
    const QString programDir = QCoreApplication::applicationDirPath();
    const QStringList folders = {QDir::currentPath(), programDir,
                                 programDir + QStringLiteral("/../share/doc/orlomatbmp"),
                                 programDir + QStringLiteral("/../../docs")};
    for (const QString& folder : folders)
        for (const char* ext : {".chm", ".html"}) {
            const QFileInfo f(QDir(folder).filePath(base + QLatin1String(ext)));
            if (f.isFile()) return f.absoluteFilePath();
        }
    return {};
}

void MainWindow::openManual() {
    const QString manual = findManual();
    if (manual.isEmpty()) {
        showError(Message::ManualNotFound, session_.language != 0
                                               ? QStringLiteral("Orl_HELPA.html")
                                               : QStringLiteral("Orl_HELPP.html"));
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
