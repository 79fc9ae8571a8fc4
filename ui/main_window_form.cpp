// The main window's designed form: its controls and menus with their designed names, places
// and fonts, the texts of the language in force, and the layout for a window size.
#include "ui/main_window.h"

#include "ui/chart_view.h"
#include "ui/download_station.h"
#include "ui/flight_archive.h"
#include "ui/flight_readout.h"
#include "ui/flights_list_window.h"
#include "ui/main_layout.h"
#include "ui/widgets.h"

#include <QAction>
#include <QActionGroup>
#include <QGroupBox>
#include <QMenuBar>
#include <QPushButton>
#include <QShortcut>

namespace orlomat {

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
    // Smaller, the comparison group would be cut off; above it the chart takes up the rest.
    const ClientSize minimum = MinimumClientSize();
    client->setMinimumSize(minimum.width, minimum.height);

    const QString arial = QStringLiteral("Arial");
    readButton = MakeWidget<QPushButton>(client, "B_Odczyt_Orlomatu", 8, 8, 145, 41);
    readButton->setFont(PixelFont(font().family(), 13, true));
    resetButton = MakeWidget<QPushButton>(client, "BZerowanie", 8, 70, 81, 27);
    resetButton->setFont(PixelFont(font().family(), 13));
    filterButton = MakeWidget<QPushButton>(client, "B_Filtr_Alt", 96, 70, 57, 27);
    filterButton->setText(QStringLiteral("&Filtr"));

    currentReadout_ = std::make_unique<FlightReadout>(
        client,
        FlightReadout::Names{"GroupB_Alt", "LabMaximum", "E_MaxGl", "LmMax", "LMinimum", "EMinimum",
                             "LmMin", "LZaw1", "E_NrZawodnika", "L_NumSer1", "E_NrSeryjny",
                             "LTemp1", "E_TempGl", "Label14", "LProbk1", "E_probkGl"},
        FlightReadout::Layout{168, 281, QColor(255, 0, 0), 12, 12, 104, 189});
    currentReadout_->emphasise(16);

    diskGroup = MakeWidget<QGroupBox>(client, "GBDysk_ZapisOdczyt", 528, 0, 129, 113);
    diskGroup->setFont(PixelFont(arial, 13));
    saveButton = MakeWidget<QPushButton>(diskGroup, "BZapisz", 16, 30, 97, 25);
    loadButton = MakeWidget<QPushButton>(diskGroup, "BOdczyt", 16, 69, 97, 25);
    // Their own font: the group's caption may take a smaller one to fit its frame.
    saveButton->setFont(PixelFont(arial, 13));
    loadButton->setFont(PixelFont(arial, 13));

    compareButton = MakeWidget<QPushButton>(client, "B_Porownanie", 864, 8, 97, 41);
    compareButton->setFont(PixelFont(font().family(), 13, true));
    compareFilterButton = MakeWidget<QPushButton>(client, "B_Filtr_por", 864, 72, 75, 25);
    compareFilterButton->setText(QStringLiteral("Fil&tr"));

    comparisonReadout_ = std::make_unique<FlightReadout>(
        client,
        FlightReadout::Names{"GroupB_Por", "Label1", "E_Max_Por", "Label7", "Label3", "E_Min_Por",
                             "Label8", "LZaw2", "E_Zaw_Por", "L_NumSer2", "E_NrS_Por", "LTemp2",
                             "E_TempPor", "Label9", "LProbk2", "E_probkPor"},
        FlightReadout::Layout{976, 297, QColor(255, 255, 0), 13, 16, 112, 205});

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
    stopButton = MakeWidget<QPushButton>(client, "BPrzerwij", 681, 272, 97, 32);
    stopButton->setFont(PixelFont(font().family(), 13, true));
    stopButton->setFocusPolicy(Qt::NoFocus);
    stopButton->hide();
    stopButton->raise();
    // Under the progress: a stream that has gone quiet says so, with the way out.
    stallLine = MakeWidget<QLabel>(client, "StallLine", 360, 312, 520, 64);
    stallLine->setFont(PixelFont(arial, 18, true));
    stallLine->setWordWrap(true);
    stallLine->setMargin(6);
    stallLine->setAutoFillBackground(true);
    QPalette alarm = stallLine->palette();
    alarm.setColor(QPalette::Window, QColor(255, 240, 200));
    alarm.setColor(QPalette::WindowText, QColor(160, 0, 0));
    stallLine->setPalette(alarm);
    stallLine->hide();

    connect(filterButton, &QPushButton::clicked, this, &MainWindow::filterCurrentFlight);
    connect(compareFilterButton, &QPushButton::clicked, this, &MainWindow::filterComparisonFlight);
    connect(compareButton, &QPushButton::clicked, this, &MainWindow::chooseComparison);
    // A click raises both: the curve goes unless F5J takes the click for its motor stop.
    connect(chartView, &ChartView::seriesClicked, this, [this](Series s) {
        if (!rule_ || rule_->rule != Rule::F5jStart) removeClickedCurve(s);
    });
    connect(chartView, &ChartView::seriesClickedAt, this, &MainWindow::curveClicked);
    connect(chartView, &ChartView::legendClicked, this, &MainWindow::repaintMainCurves);
    connect(readButton, &QPushButton::clicked, this, &MainWindow::readAltimeter);
    connect(stopButton, &QPushButton::clicked, this, &MainWindow::stopDownload);
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
    flightsListAction = item(setupMenu, "Loty1", QString());
    flightsListAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    setupMenu->addSeparator();
    archiveAction = item(setupMenu, "ArchiwumLotow1", QString());
    stationAction = item(setupMenu, "StacjaPobierania1", QString());
    stationAction->setCheckable(true);
    chartsMenu = menu("Widok1");
    speedCurveAction = item(chartsMenu, "Przyspieszenie1", QString());
    speedCurveAction->setCheckable(true);
    comparisonAction = item(chartsMenu, "Porownanie1", QString());
    comparisonAction->setCheckable(true);
    comparisonAction->setChecked(true);
    valueMarksAction = item(chartsMenu, "Warto1", QStringLiteral("Wartosci"));
    valueMarksAction->setCheckable(true);
    // A rule's reading; none until one is chosen, so the designed window stays as it was.
    ruleMenu = chartsMenu->addMenu(QString());
    ruleMenu->setObjectName(QStringLiteral("Regula1"));
    ruleMenu->menuAction()->setObjectName(QStringLiteral("Regula1"));
    ruleGroup = new QActionGroup(this);
    ruleNoneAction = item(ruleMenu, "RegulaBrak1", QString());
    ruleF1Action = item(ruleMenu, "RegulaF1Dogrywka1", QString());
    ruleF5jAction = item(ruleMenu, "RegulaF5J1", QString());
    ruleApogeeAction = item(ruleMenu, "RegulaApogeum1", QString());
    ruleTimekeeperAction = item(ruleMenu, "RegulaSedzia1", QString());
    const std::pair<QAction*, std::optional<Rule>> rules[] = {
        {ruleNoneAction, std::nullopt},
        {ruleF1Action, Rule::F1Flyoff},
        {ruleF5jAction, Rule::F5jStart},
        {ruleApogeeAction, Rule::Apogee},
        {ruleTimekeeperAction, Rule::Timekeeper}};
    for (const auto& [action, rule] : rules) {
        action->setCheckable(true);
        ruleGroup->addAction(action);
        connect(action, &QAction::triggered, this, [this, r = rule] { chooseRule(r); });
    }
    ruleNoneAction->setChecked(true);
    printMenu = menu("E1");
    printMenu->setTitle(QStringLiteral("Print/&Export"));
    printerSetupAction = item(printMenu, "UstawDrukarke1", QString());
    printAction = item(printMenu, "Drukuj1", QString());
    savePictureAction = item(printMenu, "ZapiszObraz1", QString());
    exportAction = item(printMenu, "ZapiszdoExcela1", QString());
    localCsvAction = item(printMenu, "CsvLokalny1", QString());
    localCsvAction->setCheckable(true);
    languageMenu = menu("MenuJezyk");
    languageMenu->setTitle(QString::fromUtf8("&Język/Language"));
    polishAction = item(languageMenu, "Polski1", QStringLiteral("Polski"));
    englishAction = item(languageMenu, "English1", QStringLiteral("English"));
    polishAction->setCheckable(true);
    englishAction->setCheckable(true);
    infoAction = bar->addAction(QStringLiteral("&Info"));
    infoAction->setObjectName(QStringLiteral("Info1"));
    helpAction = bar->addAction(QStringLiteral("&Help"));
    helpAction->setObjectName(QStringLiteral("Help1"));

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
    connect(flightsListAction, &QAction::triggered, this, [this] {
        if (flightsList == nullptr) {
            flightsList = new FlightsListWindow(
                prompter_, [this] { return session_.filterSettings(); }, this);
            flightsList->setLanguage(session_.language);
            flightsList->setFolder(archiveFolder()); // the archive in force, --archive too
            connect(flightsList, &FlightsListWindow::openFlight, this, &MainWindow::loadFlightFile);
            connect(flightsList, &FlightsListWindow::openComparison, this,
                    &MainWindow::loadComparisonFile);
        }
        flightsList->show();
        flightsList->raise();
        flightsList->activateWindow();
    });
}

void MainWindow::applyLanguageTexts() {
    // Alt accelerators, one letter each per language, none shared between the buttons and the
    // menu bar (Filtr F and t, Print/Export E, Język J, Info I, Help H in both), and no letter
    // for two actions across the languages: Alt+R reads in English, so Zerowanie takes N.
    const bool pl = session_.language == Language::Polish;
    const auto accelerated = [&](Caption c, char polish, char english) {
        return WithAccelerator(caption(c), QLatin1Char(pl ? polish : english));
    };
    resetButton->setText(accelerated(Caption::Clear, 'n', 'C'));
    readButton->setText(accelerated(Caption::ReadAltimeter, 'O', 'R'));
    stopButton->setText(caption(Caption::StopDownload));
    diskGroup->setTitle(caption(Caption::DiscSaveLoad));
    FitFont(diskGroup, diskGroup->title(), 13, diskGroup->width() - 16);
    saveButton->setText(accelerated(Caption::Save, 'Z', 'S'));
    loadButton->setText(accelerated(Caption::Load, 'd', 'L'));
    for (FlightReadout* r : {currentReadout_.get(), comparisonReadout_.get()})
        r->applyCaptions(caption(Caption::CompetitorNo), caption(Caption::SerialNo),
                         caption(Caption::Temperature), caption(Caption::Sampling));
    compareButton->setText(accelerated(Caption::Compare, 'P', 'p'));
    // The loaded files' names stay; only the captions of flights without one follow.
    currentReadout_->applyGenericCaption(caption(Caption::Altimeter));
    comparisonReadout_->applyGenericCaption(caption(Caption::File));
    setWindowTitle(caption(Caption::WindowCaption));
    setupMenu->setTitle(accelerated(Caption::Setup, 'U', 'u'));
    deviceSettingsAction->setText(caption(Caption::Altimeter));
    archiveAction->setText(caption(Caption::FlightArchive) + QStringLiteral("..."));
    stationAction->setText(caption(Caption::DownloadStation));
    station_->retranslate();
    archive_->retranslate();
    chartsMenu->setTitle(accelerated(Caption::Charts, 'W', 'a'));
    speedCurveAction->setText(caption(Caption::Acceleration));
    comparisonAction->setText(caption(Caption::Compare));
    const auto reading = [&](ReadingText t) { return QString::fromUtf8(Tr(t, session_.language)); };
    ruleMenu->setTitle(reading(ReadingText::Rule));
    ruleNoneAction->setText(reading(ReadingText::MenuNone));
    ruleF1Action->setText(reading(ReadingText::MenuF1Flyoff));
    ruleF5jAction->setText(reading(ReadingText::MenuF5j));
    ruleApogeeAction->setText(reading(ReadingText::MenuApogee));
    ruleTimekeeperAction->setText(reading(ReadingText::MenuTimekeeper));
    localCsvAction->setText(reading(ReadingText::LocalSpreadsheet));
    printerSetupAction->setText(caption(Caption::PrinterSetup));
    printAction->setText(caption(Caption::Print));
    savePictureAction->setText(caption(Caption::SavePicture));
    exportAction->setText(caption(Caption::ExportToExcel));
    flightsListAction->setText(QString::fromUtf8(Tr(Phrase::FlightsListTitle, session_.language)));
    if (flightsList != nullptr) flightsList->setLanguage(session_.language);
    chartView->setSeriesTitle(Series::Altitude, caption(Caption::Altitude));
    chartView->setSeriesTitle(Series::Speed, caption(Caption::Acceleration));
    chartView->setSeriesTitle(Series::Comparison, caption(Caption::Compare));
    markSuspectMaximum();
    showRuleReading();
    chartView->refresh();
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
    currentReadout_->placeAt(l.flightGroupLeft);
    diskGroup->move(l.diskGroupLeft, diskGroup->y());
    compareButton->move(l.compareLeft, compareButton->y());
    compareFilterButton->move(l.compareLeft, compareFilterButton->y());
    comparisonReadout_->placeAt(l.compareGroupLeft);
}

} // namespace orlomat
