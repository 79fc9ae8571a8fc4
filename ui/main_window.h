// The main window: the top strip of buttons and value groups, the chart, the menus, and the
// handlers that tie them to the lower layers. It coordinates units with one job each: the
// two flight readouts and temperature fields, the chart view, the flight files, the print
// commands and the device adapter; the designed form is built in main_window_form.cpp.
#pragma once

#include "core/language.h"
#include "ui/reading_words.h"
#include "ui/session.h"

#include <QColor>
#include <QMainWindow>

#include <functional>
#include <memory>
#include <optional>

class QAction;
class QActionGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPrinter;
class QPushButton;
class QTranslator;

namespace orlomat {

class Altimeter;
class PortLister;
class FlightFiles;
class PrintCommands;
class ChartView;
class FlightReadout;
class WindowDeviceUi;
struct PrintTitle;
enum class Series;
class Clock;
class Prompter;
class SerialLine;
class DeviceSettingsDialog;
class InfoDialog;
class FilterDialog;
class FlightsListWindow;
class FlightArchive;
class DownloadStation;
class DeviceController;
class DownloadInputGuard;
struct DownloadOutcome;
struct StationResult;
struct ArchivedFlight;

// The decimal separator of the user's locale, as the window's fields show numbers.
char DecimalSeparator();

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // Reads the settings file at `settingsPath` (defaults where it holds nothing). Without a
    // line and a clock the window talks to the real serial port.
    MainWindow(const QString& settingsPath, Prompter& prompter, SerialLine* line = nullptr,
               Clock* clock = nullptr, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The three dialogs, created once after the main window, in this order.
    void createDialogs();

    // Makes the flight in `path` the current flight; false (and a message) when it cannot.
    bool loadFlightFile(const QString& path);
    // Loads a comparison flight; false (and a message) when it cannot.
    bool loadComparisonFile(const QString& path);
    // A port to use for this run instead of the stored one (not saved).
    void setPortOverride(const QString& port) { portOverride_ = port; }
    // The ports present as `lister` gives them instead of the system (tests: pseudo-terminals,
    // which no system lists); it must outlive the window.
    void setPortLister(PortLister& lister) { ports_ = &lister; }
    PortLister& portLister() { return *ports_; }
    // Options of the command line that could not be taken, in a message.
    void tellOptionProblem(const QString& options);
    // The flight archive's folder for this run instead of the stored one (not saved).
    void setArchiveFolder(const QString& folder);
    QString archiveFolder() const;
    // The download station (as its menu toggle does).
    void startStation();
    void stopStation();
    bool stationOn() const;
    // A termination request (SIGTERM, SIGINT, SIGHUP): a download under way stops and what came
    // is kept in the archive as an incomplete flight; then the station stops and the program
    // ends, without a message box waiting for anyone.
    void endOnSignal();

    // What tests, tools and the benchmark may look at. The controls themselves they find by
    // their designed object names (ui/README.md) and use as the user does.
    const Session& session() const { return session_; }
    ChartView* chart() const { return chartView; }
    QString settingsPath() const { return settingsPath_; }
    std::string portName() const;
    const Altimeter& altimeter() const { return *altimeter_; }
    // Whether a download runs (on its own thread); waitForDownload() lets the window take its
    // steps until it is over (the program's end, tests).
    bool downloading() const;
    Q_INVOKABLE void waitForDownload();
    // The printer chosen in the set-up (tests choose PDF files, or none).
    QPrinter& printer();

protected:
    void closeEvent(QCloseEvent* event) override;
    // A flight file dropped on the window becomes the current flight; with Ctrl held, the
    // comparison flight.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The port an exchange opens: the stored name, or for "auto" the altimeter found among
    // the USB serial ports (nothing, after the message, when none answers).
    std::optional<std::string> exchangePort();
    // The handlers of the buttons, menu commands and chart events.
    void layOutForm();
    void closeProgram();
    void saveSettings();
    void applyLanguageTexts();
    void switchToPolish();
    void switchToEnglish();
    void saveFlight();
    void loadFlight();
    void toggleSpeedCurve();
    void readAltimeter();
    // Starts the window's download from `port` (on its own thread); when it is over, the
    // flight is kept in the archive and shown, and `done` gets what the station's line says
    // of it.
    void startRead(const std::string& port, std::function<void(const StationResult&)> done);
    StationResult finishRead(const std::string& port, DownloadOutcome out);
    // The current flight's fields, mark and curves empty: a download is under way.
    void clearCurrentFlightView();
    StationResult stationResult(const ArchivedFlight* kept, std::uint16_t competitor,
                                bool incomplete, std::size_t bytes, std::uint32_t expected) const;
    // The archive and the station, their menu commands and Escape.
    void buildArchiveAndStation();
    // The exchanges may start unless a download runs or the station is on.
    void enableExchanges();
    // A message: in a box, or while the station runs, on its line.
    void tell(const QString& text, const QString& caption);
    // Stops a download under way (Escape, the stop button, closing the window).
    void stopDownload();
    void resetAltimeter();
    void openDeviceSettings();
    void applyDefaultSetup();
    void openFilterSettings();
    void filterCurrentFlight();
    void filterComparisonFlight();
    void chooseComparison();
    void drawComparison();
    void clearComparison();
    void toggleValueMarks();
    void removeClickedCurve(Series series);
    // A click on a curve at a bottom-axis position: with F5J chosen it sets the motor stop
    // there (and the curve stays).
    void curveClicked(Series series, double position);
    // The Charts menu's rule: none, or one whose numbers its dialog asks for (Escape keeps
    // the rule in force).
    void chooseRule(std::optional<Rule> rule); // none: no rule
    // The chosen rule's reading of the current flight beside the figures, its marks on the
    // chart; nothing without a rule or a flight.
    void showRuleReading();
    void repaintMainCurves();
    void exportToSpreadsheet();
    void setUpPrinter();
    void printChart();
    void savePicture();
    void openManual();
    void helpRequested();
    void showInfo();
    void chartZoomed();
    void chartZoomUndone();

    void buildControls();
    void buildMenus();
    void setLanguage(Language language);
    void showError(Message text, const QString& detail = {});
    // Makes `flight` the current flight: its header in the readout, its curves drawn.
    void showCurrentFlight(Flight flight);
    void drawCurrentFlight();
    // Decodes the current flight again (a new temperature, the speed switch) and draws it.
    void redrawCurrentFlight();
    bool speedShown() const;
    void prepareCurrentFlightAxes();
    PrintTitle printTitle() const;
    // The current flight's maximum marked when a short spike makes it (the cleaned curve's
    // maximum, in the field's format, else empty).
    void markSuspectMaximum();
    QString suspectCleanMaximum_;
    void applyQtTranslation(Language language);
    // A comparison flight's curves stand at its own times (`ownRate`, samples per 10 s).
    void showFiltered(const FilteredFlight& f, Series main, Series dashed, FlightReadout& readout,
                      std::uint32_t ownRate = 0);
    QString caption(Caption c) const;
    QString msg(Message m) const;

    Session session_;
    Prompter& prompter_;
    std::unique_ptr<SerialLine> ownLine_;
    std::unique_ptr<Clock> ownClock_;
    std::unique_ptr<Altimeter> altimeter_;
    bool endRequested_ = false; // a termination signal came: end once the download is over
    // The settings dialog holds the altimeter's port between its read and its write.
    bool settingsOpen_ = false;
    std::unique_ptr<PortLister> systemPorts_;
    PortLister* ports_ = nullptr; // the system's unless a test gave its own
    std::unique_ptr<WindowDeviceUi> deviceUi_;
    std::unique_ptr<DownloadInputGuard> inputGuard_; // while a download runs
    std::unique_ptr<FlightReadout> currentReadout_, comparisonReadout_;
    std::unique_ptr<FlightFiles> files_;
    std::unique_ptr<PrintCommands> printing_;
    std::unique_ptr<FlightArchive> archive_;
    std::unique_ptr<DownloadStation> station_;
    // Last of the device parts: it goes first, while what it reports to is still there.
    std::unique_ptr<DeviceController> device_;
    QString portOverride_;
    QString settingsPath_;
    std::unique_ptr<QTranslator> qtTranslator_; // Qt's own dialog texts in Polish

    // The controls the handlers use (each has its designed name as object name; the
    // readouts own the rest of their groups).
    QWidget* client = nullptr;
    QPushButton *readButton = nullptr, *resetButton = nullptr, *filterButton = nullptr;
    QGroupBox* diskGroup = nullptr;
    QPushButton *saveButton = nullptr, *loadButton = nullptr;
    QPushButton *compareButton = nullptr, *compareFilterButton = nullptr;
    ChartView* chartView = nullptr;
    QLabel* stallLine = nullptr; // "StallLine"

    QLabel *metresCaption = nullptr, *secondsCaption = nullptr, *speedCaption = nullptr;
    QLineEdit *setupOkIndicator = nullptr, *readingIndicator = nullptr, *waitIndicator = nullptr;
    QPushButton* stopButton = nullptr;

    QMenu *setupMenu = nullptr, *chartsMenu = nullptr, *printMenu = nullptr,
          *languageMenu = nullptr;
    QAction *deviceSettingsAction = nullptr, *filterSettingsAction = nullptr,
            *defaultSetupAction = nullptr, *flightsListAction = nullptr, *archiveAction = nullptr,
            *stationAction = nullptr;
    QAction *speedCurveAction = nullptr, *comparisonAction = nullptr, *valueMarksAction = nullptr;
    QAction *printerSetupAction = nullptr, *printAction = nullptr, *savePictureAction = nullptr,
            *exportAction = nullptr;
    QAction *polishAction = nullptr, *englishAction = nullptr, *infoAction = nullptr,
            *helpAction = nullptr;
    QMenu* ruleMenu = nullptr; // "Regula1"
    QActionGroup* ruleGroup = nullptr;
    QAction *ruleNoneAction = nullptr, *ruleF1Action = nullptr, *ruleF5jAction = nullptr,
            *ruleApogeeAction = nullptr, *ruleTimekeeperAction = nullptr;
    QAction* localCsvAction = nullptr; // "CsvLokalny1"
    std::optional<RuleChoice> rule_;

    DeviceSettingsDialog* deviceSettingsDialog = nullptr;
    InfoDialog* infoDialog = nullptr;
    FilterDialog* filterDialog = nullptr;
    FlightsListWindow* flightsList = nullptr; // made when first opened
};

} // namespace orlomat
