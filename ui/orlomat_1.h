// The main window: the top strip of buttons and value groups, the chart, the menus, and the
// handlers that tie them to the flight core.
#pragma once

#include "core/language.h"
#include "ui/session.h"

#include <QColor>
#include <QMainWindow>

#include <memory>
#include <optional>
#include <vector>

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPrinter;
class QPushButton;
class QTranslator;

namespace orlomat {

class Altimeter;
class DeviceUi;
class ChartView;
class Clock;
class Prompter;
class SerialLine;
class TFormUstawienia;
class TFoInfo;
class TF_Filtr;

class TOrlomat_BMP : public QMainWindow {
    Q_OBJECT
public:
    // Reads the settings file at `settingsPath` (defaults where it holds nothing). Without a
    // line and a clock the window talks to the real serial port.
    TOrlomat_BMP(const QString& settingsPath, Prompter& prompter, SerialLine* line = nullptr,
                 Clock* clock = nullptr, QWidget* parent = nullptr);
    ~TOrlomat_BMP() override;

    // The three dialogs, created once after the main window, in this order.
    void CreateDialogs();

    Session& session() { return session_; }
    const Session& session() const { return session_; }
    ChartView* chart() const { return Chart1; }
    QString settingsPath() const { return settingsPath_; }

    // Makes the flight in `path` the current flight; false (and a message) when it cannot.
    bool LoadFlightFile(const QString& path);

    // A port to use for this run instead of the stored one (not saved).
    void setPortOverride(const QString& port) { portOverride_ = port; }
    std::string portName() const;
    Altimeter& altimeter() { return *altimeter_; }
    QPrinter& printer() { return *printer_; }
    Prompter& prompter() { return prompter_; }
    DeviceUi& deviceUi();

public slots:
    void FormResize();
    void Koniec();
    void SaveSettings();
    void ApplyLanguageTexts();
    void Polski1Click();
    void English1Click();
    void BZapisz_PomiarClick();
    void BLaduj_pomiarClick();
    void Przyspieszenie1Click();
    void B_Odczyt_OrlomatuClick();
    void BZerowanieClick();
    void Ustawienia1Click();
    void Se1Click();
    void Ustawienia2Click();
    void B_Filtr_AltClick();
    void B_Filtr_porClick();
    void B_PorownanieClick();
    void DrawComparison();
    void Porownanie1Click();
    void Warto1Click();
    void xxx(int series);
    void ppp();
    void ZapiszdoExcela1Click();
    // Enter in a flight's temperature field (the key filter runs before).
    void E_TempGlKeyPress(QChar key);
    void E_TempPorKeyPress(QChar key);
    void ComposePrintTitle();
    void RestoreScreenTitle();
    void UstawDrukarke1Click();
    void Drukuj1Click();
    void ZapiszObraz1Click();
    void Help1Click();
    void FormHelp();
    void Info1Click();
    // Loads a comparison flight; false (and a message) when it cannot.
    bool LoadComparisonFile(const QString& path);
    void Chart1Zoom();
    void Chart1UndoZoom();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    void setLanguage(int language);
    void showError(Message text, const QString& detail = {});
    void ApplyFlightHeader(FlightSource source);
    void DecodeCurrentFlight();
    void prepareCurrentFlightAxes();
    void clearComparisonGroup();
    QString chooseFileToOpen();
    // A flight file's bytes (at most one record), or a message and nothing.
    std::optional<std::vector<std::uint8_t>> readFlightFile(const QString& path);
    // Writes a file the user chose, atomically; a message with the reason when it fails.
    bool writeUserFile(const QString& path, const QByteArray& bytes);
    void clearCurrentGroup();
    void showMaximum(const QString& text);
    void applyQtTranslation(int language);
    void showFiltered(const FilteredFlight& f, int mainSeries, int dashedSeries, QLineEdit* maxEdit,
                      QLineEdit* minEdit);
    // Handles a key for a temperature field; true when the key is to be discarded.
    bool temperatureKey(QLineEdit* edit, QChar key);
    QString caption(Caption c) const;
    // The manual of the language in force: a ".chm" or ".html" in the working directory,
    // then beside the program, then where it is installed; empty when there is none.
    QString FindManual() const;
    QString msg(Message m) const;

    class DeviceView;
    friend class DeviceView;

    Session session_;
    Prompter& prompter_;
    std::unique_ptr<SerialLine> ownLine_;
    std::unique_ptr<Clock> ownClock_;
    std::unique_ptr<Altimeter> altimeter_;
    std::unique_ptr<DeviceView> deviceView_;
    QString portOverride_;
    std::unique_ptr<QPrinter> printer_;
    QColor savedChartColour_;
    QString pictureDialogName_;
    QString settingsPath_;
    QString openDialogName_; // the file dialogs keep the last name chosen
    QString saveDialogName_;
    std::unique_ptr<QTranslator> qtTranslator_; // Qt's own dialog texts in Polish

public:
    // Controls, named as designed.
    QWidget* client = nullptr;
    QPushButton *B_Odczyt_Orlomatu = nullptr, *BZerowanie = nullptr, *B_Filtr_Alt = nullptr;
    QGroupBox* GroupB_Alt = nullptr;
    QLabel *LabMaximum = nullptr, *LMinimum = nullptr, *LZaw1 = nullptr, *L_NumSer1 = nullptr,
           *LTemp1 = nullptr, *LProbk1 = nullptr, *LmMax = nullptr, *LmMin = nullptr,
           *Label14 = nullptr;
    QLineEdit *E_MaxGl = nullptr, *EMinimum = nullptr, *E_NrZawodnika = nullptr,
              *E_NrSeryjny = nullptr, *E_TempGl = nullptr, *E_probkGl = nullptr;
    QGroupBox* GBDysk_ZapisOdczyt = nullptr;
    QPushButton *BZapisz = nullptr, *BOdczyt = nullptr;
    QPushButton *B_Porownanie = nullptr, *B_Filtr_por = nullptr;
    QGroupBox* GroupB_Por = nullptr;
    QLabel *Label1 = nullptr, *Label3 = nullptr, *LZaw2 = nullptr, *L_NumSer2 = nullptr,
           *LTemp2 = nullptr, *LProbk2 = nullptr, *Label7 = nullptr, *Label8 = nullptr,
           *Label9 = nullptr;
    QLineEdit *E_Max_Por = nullptr, *E_Min_Por = nullptr, *E_Zaw_Por = nullptr,
              *E_NrS_Por = nullptr, *E_TempPor = nullptr, *E_probkPor = nullptr;
    ChartView* Chart1 = nullptr;
    QLabel *Label6 = nullptr, *Label2 = nullptr, *Label4 = nullptr;
    QLineEdit *EUstawieniaOK = nullptr, *E_PobDan = nullptr, *ECzekaj = nullptr;

    QMenu *Ustawienia1 = nullptr, *Widok1 = nullptr, *E1 = nullptr, *MenuJezyk = nullptr;
    QAction *Orlomat1 = nullptr, *Filtr3 = nullptr, *Se1 = nullptr;
    QAction *Przyspieszenie1 = nullptr, *Porownanie1 = nullptr, *Warto1 = nullptr;
    QAction *UstawDrukarke1 = nullptr, *Drukuj1 = nullptr, *ZapiszObraz1 = nullptr,
            *ZapiszdoExcela1 = nullptr;
    QAction *Polski1 = nullptr, *English1 = nullptr, *Info1 = nullptr, *Help1 = nullptr;

    TFormUstawienia* FormUstawienia = nullptr;
    TFoInfo* FoInfo = nullptr;
    TF_Filtr* F_Filtr = nullptr;
};

} // namespace orlomat
