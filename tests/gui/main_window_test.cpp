#include "core/format.h"
#include "tests/support/fake_line.h"
#include "tests/support/scripted_prompter.h"
#include "tests/support/window_controls.h"
#include "tools/synth/flight_synth.h"
#include "ui/chart_view.h"
#include "ui/device_settings_dialog.h"
#include "ui/filter_dialog.h"
#include "ui/info_dialog.h"
#include "ui/main_window.h"
#include "ui/settings_file.h"
#include "ui/widgets.h"

#include <QAction>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>

namespace orlomat {
namespace {

using namespace test; // the window's controls by their designed names

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray Bytes(const std::vector<std::uint8_t>& v) {
    return QByteArray(reinterpret_cast<const char*>(v.data()), static_cast<qsizetype>(v.size()));
}

std::int32_t I32At(const QByteArray& b, int offset) {
    std::uint32_t u = 0;
    for (int i = 0; i < 4; ++i)
        u |= std::uint32_t(static_cast<std::uint8_t>(b[offset + i])) << (8 * i);
    return static_cast<std::int32_t>(u);
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    MainWindow& Open() {
        window_ = std::make_unique<MainWindow>(SettingsPath(), prompter_);
        window_->createDialogs();
        return *window_;
    }
    QString SettingsPath() const { return dir_.filePath(QStringLiteral("OrlomatBMP.par")); }
    QString Path(const QString& name) const { return dir_.filePath(name); }
    QString WriteFlight(const QString& name, const SynthParams& p = {}) {
        const QString path = Path(name);
        WriteAll(path, Bytes(SynthesizeFlight(p)));
        return path;
    }

    QTemporaryDir dir_;
    ScriptedPrompter prompter_;
    std::unique_ptr<MainWindow> window_;
};

TEST_F(MainWindowTest, FirstStartUsesDefaultsAndClosingWritesThem) {
    MainWindow& w = Open();
    EXPECT_EQ(w.session().settings.portName(), "COM5");
    EXPECT_TRUE(Action(w, "Polski1")->isChecked());
    EXPECT_FALSE(Action(w, "English1")->isChecked());
    EXPECT_TRUE(Action(w, "Przyspieszenie1")->isChecked());
    EXPECT_TRUE(Action(w, "Porownanie1")->isChecked());
    EXPECT_FALSE(Action(w, "Warto1")->isChecked());
    EXPECT_EQ(WithoutAccelerator(Button(w, "BZerowanie")->text()), QStringLiteral("Zerowanie"));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Orlomat BMP    Ver. 2016.4"));
    EXPECT_EQ(w.session().current.state.flightTemperature, 20.0f);
    EXPECT_EQ(w.chart()->pointCount(Series::Altitude), 0);
    EXPECT_FALSE(QFile::exists(SettingsPath()));

    w.close();
    const QByteArray b = ReadAll(SettingsPath());
    ASSERT_EQ(b.size(), 40);
    EXPECT_EQ(b.left(5), QByteArray("COM5\0", 5));
    EXPECT_EQ(I32At(b, 12), 50);
    EXPECT_EQ(I32At(b, 24), 350);
    EXPECT_EQ(I32At(b, 28), 250);
    EXPECT_EQ(I32At(b, 32), 8);
    EXPECT_EQ(I32At(b, 36), 12);
}

TEST_F(MainWindowTest, ControlsExistWithTheirDesignedNamesAndStates) {
    MainWindow& w = Open();
    for (const char* name : {"B_Odczyt_Orlomatu",
                             "BZerowanie",
                             "B_Filtr_Alt",
                             "GroupB_Alt",
                             "GBDysk_ZapisOdczyt",
                             "BZapisz",
                             "BOdczyt",
                             "B_Porownanie",
                             "B_Filtr_por",
                             "GroupB_Por",
                             "Chart1",
                             "E_PobDan",
                             "ECzekaj",
                             "LabMaximum",
                             "E_MaxGl",
                             "LmMax",
                             "LMinimum",
                             "EMinimum",
                             "LmMin",
                             "LZaw1",
                             "E_NrZawodnika",
                             "L_NumSer1",
                             "E_NrSeryjny",
                             "LTemp1",
                             "E_TempGl",
                             "Label14",
                             "LProbk1",
                             "E_probkGl",
                             "Label1",
                             "E_Max_Por",
                             "Label7",
                             "Label3",
                             "E_Min_Por",
                             "Label8",
                             "LZaw2",
                             "E_Zaw_Por",
                             "L_NumSer2",
                             "E_NrS_Por",
                             "LTemp2",
                             "E_TempPor",
                             "Label9",
                             "LProbk2",
                             "E_probkPor",
                             "Label6",
                             "Label2",
                             "Label4",
                             "EUstawieniaOK"})
        EXPECT_NE(w.findChild<QWidget*>(QString::fromLatin1(name)), nullptr) << name;
    for (const char* name :
         {"Orlomat1", "Filtr3", "Se1", "Przyspieszenie1", "Porownanie1", "Warto1", "UstawDrukarke1",
          "Drukuj1", "ZapiszObraz1", "ZapiszdoExcela1", "Polski1", "English1", "Info1", "Help1"})
        EXPECT_NE(w.findChild<QAction*>(QString::fromLatin1(name)), nullptr) << name;
    for (QLineEdit* e :
         {Edit(w, "E_MaxGl"), Edit(w, "EMinimum"), Edit(w, "E_NrSeryjny"), Edit(w, "E_TempGl"),
          Edit(w, "E_probkGl"), Edit(w, "E_Max_Por"), Edit(w, "E_TempPor"), Edit(w, "E_PobDan"),
          Edit(w, "ECzekaj"), Edit(w, "EUstawieniaOK")})
        EXPECT_TRUE(e->isReadOnly()) << e->objectName().toStdString();
    EXPECT_FALSE(Edit(w, "E_NrZawodnika")->isReadOnly());
    EXPECT_TRUE(Edit(w, "E_PobDan")->isHidden());
    EXPECT_TRUE(Edit(w, "ECzekaj")->isHidden());
    EXPECT_TRUE(Edit(w, "EUstawieniaOK")->isHidden());
    EXPECT_EQ(Edit(w, "E_PobDan")->text(), QStringLiteral("   Odczyt danych"));
    EXPECT_EQ(Edit(w, "EUstawieniaOK")->text(), QStringLiteral("    OK"));
    EXPECT_EQ(w.chart()->titleLines(),
              QStringList{QStringLiteral("            Wysokosc / Altitude")});
    EXPECT_NE(w.findChild<DeviceSettingsDialog*>(), nullptr);
    EXPECT_NE(w.findChild<InfoDialog*>(), nullptr);
    EXPECT_NE(w.findChild<FilterDialog*>(), nullptr);
}

TEST_F(MainWindowTest, SettingsFileWithEnglishOpensInEnglish) {
    SettingsRecord r;
    r.language = 1;
    r.showSpeedCurve = 0;
    const auto bytes = r.toBytes();
    WriteAll(SettingsPath(), QByteArray(reinterpret_cast<const char*>(bytes.data()), 40));
    MainWindow& w = Open();
    EXPECT_TRUE(Action(w, "English1")->isChecked());
    EXPECT_FALSE(Action(w, "Polski1")->isChecked());
    EXPECT_FALSE(Action(w, "Przyspieszenie1")->isChecked());
    EXPECT_EQ(WithoutAccelerator(Button(w, "B_Odczyt_Orlomatu")->text()),
              QStringLiteral("Read Altimeter"));
}

TEST_F(MainWindowTest, SettingsFileLongerThanTheRecordIsReadUpToIt) {
    QByteArray b(64, '\x07');
    b.replace(0, 8, QByteArray("COM9\0\0\0\0", 8));
    WriteAll(SettingsPath(), b);
    MainWindow& w = Open();
    EXPECT_EQ(w.session().settings.portName(), "COM9");
    EXPECT_EQ(w.session().language, Language::Polish); // 0x07070707 is not 1
    w.close();
    EXPECT_EQ(ReadAll(SettingsPath()).size(), 40);
}

// Every caption of the table, in each language.
void ExpectCaptions(MainWindow& w, int language) {
    const auto pick = [&](const char* pl, const char* en) {
        return QString::fromUtf8(language == 0 ? pl : en);
    };
    EXPECT_EQ(WithoutAccelerator(Button(w, "BZerowanie")->text()), pick("Zerowanie", "Clear"));
    EXPECT_EQ(WithoutAccelerator(Button(w, "B_Odczyt_Orlomatu")->text()),
              pick("Odczyt Orlomatu", "Read Altimeter"));
    EXPECT_EQ(Group(w, "GBDysk_ZapisOdczyt")->title(),
              pick("Dysk - Zapis/Odczyt", "Disc - Save/Load"));
    EXPECT_EQ(WithoutAccelerator(Button(w, "BZapisz")->text()), pick("Zapisz", "Save"));
    EXPECT_EQ(WithoutAccelerator(Button(w, "BOdczyt")->text()), pick("Odczyt", "Load"));
    for (QLabel* l : {Label(w, "LTemp1"), Label(w, "LTemp2")})
        EXPECT_EQ(l->text(), pick("Temperatura", "Temperature"));
    for (QLabel* l : {Label(w, "LProbk1"), Label(w, "LProbk2")})
        EXPECT_EQ(l->text(), pick("Pomiary", "Sampling"));
    for (QLabel* l : {Label(w, "LZaw1"), Label(w, "LZaw2")})
        EXPECT_EQ(l->text(), pick("Nr.Zawodnika", "Competitor No."));
    for (QLabel* l : {Label(w, "L_NumSer1"), Label(w, "L_NumSer2")})
        EXPECT_EQ(l->text(), pick("Nr.Seryjny", "Serial No."));
    EXPECT_EQ(WithoutAccelerator(Button(w, "B_Porownanie")->text()),
              pick("Porównanie", "Compare   "));
    EXPECT_EQ(Group(w, "GroupB_Alt")->title(), pick("Orlomat", "Altimeter"));
    EXPECT_EQ(Group(w, "GroupB_Por")->title(), pick("Plik", "File"));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Orlomat BMP    Ver. 2016.4"));
    EXPECT_EQ(WithoutAccelerator(Menu(w, "Ustawienia1")->title()), pick("Ustawienia", "Setup"));
    EXPECT_EQ(Action(w, "Orlomat1")->text(), pick("Orlomat", "Altimeter"));
    EXPECT_EQ(WithoutAccelerator(Menu(w, "Widok1")->title()), pick("Wykresy", "Charts"));
    EXPECT_EQ(Action(w, "Przyspieszenie1")->text(), pick("Przyspieszenie", "Acceleration  "));
    EXPECT_EQ(Action(w, "Porownanie1")->text(), pick("Porównanie", "Compare   "));
    EXPECT_EQ(Action(w, "UstawDrukarke1")->text(), pick("Ustaw Drukarke", "Printer Setup"));
    EXPECT_EQ(Action(w, "Drukuj1")->text(), pick("Drukuj", "Print"));
    EXPECT_EQ(Action(w, "ZapiszObraz1")->text(), pick("Zapisz Obraz", "Save Picture"));
    EXPECT_EQ(Action(w, "ZapiszdoExcela1")->text(), pick("Export do Excel", "Export to Excel"));
    EXPECT_EQ(w.chart()->seriesTitle(Series::Altitude), pick("Wysokosc", "Altitude"));
    EXPECT_EQ(w.chart()->seriesTitle(Series::Speed), pick("Przyspieszenie", "Acceleration  "));
    EXPECT_EQ(w.chart()->seriesTitle(Series::Comparison), pick("Porównanie", "Compare   "));
    // Texts that never change.
    EXPECT_EQ(WithoutAccelerator(Menu(w, "E1")->title()), QStringLiteral("Print/Export"));
    EXPECT_EQ(WithoutAccelerator(Menu(w, "MenuJezyk")->title()),
              QString::fromUtf8("Język/Language"));
    EXPECT_EQ(Action(w, "Se1")->text(), QStringLiteral("Setup Default"));
    EXPECT_EQ(Action(w, "Warto1")->text(), QStringLiteral("Wartosci"));
    EXPECT_EQ(WithoutAccelerator(Button(w, "B_Filtr_Alt")->text()), QStringLiteral("Filtr"));
    EXPECT_EQ(Label(w, "LabMaximum")->text(), QStringLiteral("Maximum"));
    EXPECT_EQ(Label(w, "Label9")->text(), QStringLiteral("C"));
    EXPECT_EQ(w.chart()->seriesTitle(Series::AltitudeBeforeFilter), QStringLiteral("Filtr1"));
    EXPECT_EQ(w.chart()->seriesTitle(Series::ComparisonBeforeFilter), QStringLiteral("Filtr2"));
}

TEST_F(MainWindowTest, SwitchingLanguageRewritesTheCaptionsAndStoresTheChoice) {
    MainWindow& w = Open();
    ExpectCaptions(w, 0);
    Trigger(w, "English1");
    ExpectCaptions(w, 1);
    EXPECT_TRUE(Action(w, "English1")->isChecked());
    EXPECT_FALSE(Action(w, "Polski1")->isChecked());
    EXPECT_EQ(I32At(ReadAll(SettingsPath()), 16), 1);
    Trigger(w, "Polski1");
    ExpectCaptions(w, 0);
    EXPECT_TRUE(Action(w, "Polski1")->isChecked());
    EXPECT_EQ(I32At(ReadAll(SettingsPath()), 16), 0);
    Trigger(w, "Polski1"); // the language in force again: same result, file written again
    ExpectCaptions(w, 0);
}

TEST_F(MainWindowTest, LegendListsTheShownSeriesOnly) {
    MainWindow& w = Open();
    Trigger(w, "English1");
    ChartView* c = w.chart();
    for (const Series s : {Series::Altitude, Series::Speed, Series::Comparison,
                           Series::AltitudeBeforeFilter, Series::ComparisonBeforeFilter})
        EXPECT_TRUE(c->inLegend(s)) << static_cast<int>(s);
    EXPECT_FALSE(c->inLegend(Series::Unused));
    EXPECT_EQ(c->seriesPen(Series::Altitude).color(), QColor(232, 0, 0));
    EXPECT_EQ(c->seriesPen(Series::Altitude).width(), 2);
    EXPECT_EQ(c->seriesPen(Series::AltitudeBeforeFilter).style(), Qt::DashLine);
    EXPECT_TRUE(c->onRightAxis(Series::Speed));
    EXPECT_FALSE(c->onRightAxis(Series::Altitude));
}

TEST_F(MainWindowTest, LayoutFollowsTheClientWidth) {
    MainWindow& w = Open();
    w.show();
    w.resize(1292, 900);
    QApplication::processEvents();
    ASSERT_EQ(w.centralWidget()->width(), 1292);
    EXPECT_EQ(Button(w, "B_Odczyt_Orlomatu")->x(), 10);
    EXPECT_EQ(Button(w, "BZerowanie")->x(), 10);
    EXPECT_EQ(Button(w, "B_Filtr_Alt")->x(), 98);
    EXPECT_EQ(Group(w, "GroupB_Alt")->x(), 185);
    EXPECT_EQ(Group(w, "GBDysk_ZapisOdczyt")->x(), 541);
    EXPECT_EQ(Button(w, "B_Porownanie")->x(), 875);
    EXPECT_EQ(Button(w, "B_Filtr_por")->x(), 875);
    EXPECT_EQ(Group(w, "GroupB_Por")->x(), 987);
    EXPECT_EQ(w.chart()->width(), 1277);
    EXPECT_EQ(w.chart()->height(), w.centralWidget()->height() - 120);
    EXPECT_EQ(Label(w, "Label2")->x(), 1277 - 85);
    EXPECT_EQ(Label(w, "Label6")->y(), w.chart()->height() - 20);
}

TEST_F(MainWindowTest, LoadingAFlightFillsTheGroupAndDrawsTheCurves) {
    MainWindow& w = Open();
    SynthParams p;
    p.samplingCode = 1;
    p.competitor = 77;
    p.serial = 4321;
    const QString path = WriteFlight(QStringLiteral("lot1.dat"), p);
    prompter_.fileNames = {path};
    Click(w, "BOdczyt");
    EXPECT_TRUE(prompter_.shown.empty());
    EXPECT_EQ(Group(w, "GroupB_Alt")->title(), QStringLiteral("lot1.dat"));
    EXPECT_EQ(Edit(w, "E_NrZawodnika")->text(), QStringLiteral("77"));
    EXPECT_EQ(Edit(w, "E_NrSeryjny")->text(), QStringLiteral("4321"));
    EXPECT_EQ(Edit(w, "E_TempGl")->text(), QStringLiteral("16"));
    EXPECT_FALSE(Edit(w, "E_TempGl")->isReadOnly());
    EXPECT_EQ(Edit(w, "E_probkGl")->text(), QStringLiteral("15 pom/sek"));

    const FlightCurve& c = w.session().current.curve;
    const int m = static_cast<int>(c.altitudePoints.size());
    ASSERT_GT(m, 100);
    EXPECT_EQ(w.chart()->pointCount(Series::Altitude), m);
    EXPECT_EQ(w.chart()->pointCount(Series::Speed), m - 2);
    EXPECT_EQ(w.chart()->pointLabel(Series::Altitude, 15), QStringLiteral("1"));
    EXPECT_EQ(w.chart()->pointLabel(Series::Altitude, 16), QString());
    EXPECT_EQ(w.chart()->pointValue(Series::Altitude, 40),
              static_cast<double>(c.altitudePoints[40].y));
    EXPECT_EQ(Edit(w, "E_MaxGl")->text().toStdString(), FormatOneDecimal(c.maximum));
    EXPECT_EQ(Edit(w, "EMinimum")->text().toStdString(), FormatOneDecimal(c.minimum));
    EXPECT_EQ(w.chart()->leftMaximum(), c.leftAxisMaximum);
    EXPECT_EQ(w.chart()->bottomMinorTickCount(), 14);
    EXPECT_FALSE(w.chart()->bottomMinorGridVisible());

    // A language switch keeps the file's name (the designed caption is for a flight without one).
    Trigger(w, "English1");
    EXPECT_EQ(Group(w, "GroupB_Alt")->title(), QStringLiteral("lot1.dat"));
}

TEST_F(MainWindowTest, GroupCaptionIsTheNameAfterTheLastSeparatorOfEitherKind) {
#ifdef Q_OS_WIN
    GTEST_SKIP() << "a file name holding ':' and '\\' exists on Unix only";
#endif
    MainWindow& w = Open();
    const QString path = WriteFlight(QStringLiteral("D:\\a\\b.c\\lot"));
    ASSERT_TRUE(w.loadFlightFile(path));
    EXPECT_EQ(Group(w, "GroupB_Alt")->title(), QStringLiteral("lot"));
}

TEST_F(MainWindowTest, SaveAfterLoadWritesTheSameBytes) {
    MainWindow& w = Open();
    const QString original = WriteFlight(QStringLiteral("a.dat"));
    const QString copy = Path(QStringLiteral("b.dat"));
    prompter_.fileNames = {original, copy};
    Click(w, "BOdczyt");
    Click(w, "BZapisz");
    EXPECT_TRUE(prompter_.shown.empty());
    EXPECT_EQ(ReadAll(copy), ReadAll(original));

    // A second save to the same name asks; Cancel leaves the file as it was.
    const QByteArray before = ReadAll(copy);
    const QString other = WriteFlight(QStringLiteral("c.dat"), SynthParams{.samplingCode = 4});
    prompter_.fileNames = {other, copy};
    Click(w, "BOdczyt");
    prompter_.confirmations = {false};
    Click(w, "BZapisz");
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_TRUE(prompter_.shown[0].confirmation);
    EXPECT_EQ(prompter_.shown[0].text, QString::fromUtf8("Plik istnieje. Zapisać?"));
    EXPECT_EQ(prompter_.shown[0].caption, QStringLiteral("Orlomat-Zapis"));
    EXPECT_EQ(ReadAll(copy), before);
    // The save dialog starts with the name chosen last.
    EXPECT_EQ(prompter_.dialogStartNames.back(), copy);

    prompter_.fileNames = {copy};
    prompter_.confirmations = {true};
    Click(w, "BZapisz");
    EXPECT_EQ(ReadAll(copy), ReadAll(other));

    // Cancelling the dialog writes nothing.
    prompter_.fileNames = {QString()};
    Click(w, "BZapisz");
    EXPECT_EQ(ReadAll(copy), ReadAll(other));
}

TEST_F(MainWindowTest, SaveWithoutAFlightSaysNoData) {
    MainWindow& w = Open();
    Trigger(w, "English1");
    Click(w, "BZapisz");
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(prompter_.shown[0].text, QStringLiteral("No data"));
    EXPECT_EQ(prompter_.shown[0].caption, QStringLiteral("Altimeter - error"));
    EXPECT_EQ(prompter_.fileDialogs, 0);
}

TEST_F(MainWindowTest, AFailedSaveReportsTheReasonAndKeepsTheOldFile) {
    MainWindow& w = Open();
    ASSERT_TRUE(w.loadFlightFile(WriteFlight(QStringLiteral("a.dat"))));
    prompter_.fileNames = {Path(QStringLiteral("no/such/folder/x.dat"))};
    Click(w, "BZapisz");
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_TRUE(prompter_.shown[0].text.startsWith(QString::fromUtf8("Nie można zapisać pliku ")));
    EXPECT_EQ(prompter_.shown[0].caption, QStringLiteral("Orlomat - problem"));
}

TEST_F(MainWindowTest, FilesThatHoldNoFlightAreRefusedAndTheCurrentFlightStays) {
    MainWindow& w = Open();
    ASSERT_TRUE(w.loadFlightFile(WriteFlight(QStringLiteral("good.dat"))));
    const auto record = w.session().current.record;
    const int points = w.chart()->pointCount(Series::Altitude);
    const QString title = Group(w, "GroupB_Alt")->title();

    const QString tiny = Path(QStringLiteral("tiny.dat"));
    WriteAll(tiny, QByteArray(20, '\x01'));
    EXPECT_FALSE(w.loadFlightFile(tiny));
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(prompter_.shown[0].text, QStringLiteral("Plik nie zawiera zapisu lotu"));

    Trigger(w, "English1");
    EXPECT_FALSE(w.loadFlightFile(Path(QStringLiteral("missing.dat"))));
    ASSERT_EQ(prompter_.shown.size(), 2u);
    EXPECT_TRUE(prompter_.shown[1].text.startsWith(QStringLiteral("Cannot open the file ")));
    EXPECT_EQ(prompter_.shown[1].caption, QStringLiteral("Altimeter - error"));

    EXPECT_EQ(w.session().current.record, record);
    EXPECT_EQ(w.chart()->pointCount(Series::Altitude), points);
    (void)title;
}

TEST_F(MainWindowTest, LongFilesLoadTheirFirst33000Bytes) {
    MainWindow& w = Open();
    SynthParams p;
    p.glideSeconds = 5000.0f;
    auto bytes = SynthesizeFlight(p);
    bytes.resize(40000, 0x33);
    const QString path = Path(QStringLiteral("long.dat"));
    WriteAll(path, Bytes(bytes));
    ASSERT_TRUE(w.loadFlightFile(path));
    EXPECT_EQ(w.session().current.record.size(), 33000u);
    EXPECT_EQ(w.chart()->pointCount(Series::Altitude), 8242 - 5);
}

TEST_F(MainWindowTest, ZoomRuleFollowsTheSpanAndTheSamplingRate) {
    MainWindow& w = Open();
    ASSERT_TRUE(w.loadFlightFile(WriteFlight(QStringLiteral("ten.dat")))); // 10 per second
    ChartView* c = w.chart();
    c->zoomTo(10, 109); // span 99
    EXPECT_EQ(c->bottomMinorTickCount(), 9);
    EXPECT_TRUE(c->bottomMinorGridVisible());
    c->zoomTo(10, 110); // span 100
    EXPECT_EQ(c->bottomMinorTickCount(), 0);
    EXPECT_FALSE(c->bottomMinorGridVisible());
    c->zoomTo(10.9, 109.9); // truncated: 10 and 109
    EXPECT_EQ(c->bottomMinorTickCount(), 9);
    c->undoZoom();
    EXPECT_FALSE(c->bottomMinorGridVisible());
    EXPECT_EQ(c->bottomMinorTickCount(), 9); // undo keeps the count

    ASSERT_TRUE(
        w.loadFlightFile(WriteFlight(QStringLiteral("one.dat"), SynthParams{.samplingCode = 4})));
    c->zoomTo(0, 20);
    EXPECT_EQ(c->bottomMinorTickCount(), 0);
    EXPECT_FALSE(c->bottomMinorGridVisible());
}

TEST_F(MainWindowTest, DraggingZoomsLeftToRightAndUndoesRightToLeft) {
    MainWindow& w = Open();
    w.show();
    ASSERT_TRUE(w.loadFlightFile(WriteFlight(QStringLiteral("a.dat"))));
    QApplication::processEvents();
    ChartView* c = w.chart();
    QSignalSpy zoomed(c, &ChartView::zoomed);
    QSignalSpy undone(c, &ChartView::zoomUndone);
    const double fullMax = c->bottomVisibleMaximum();
    const QPoint a(c->width() / 3, c->height() / 3), b(c->width() / 2, c->height() / 2);
    QWidget* plot = c->childAt(a); // what the mouse reaches there
    ASSERT_NE(plot, nullptr);
    QTest::mousePress(plot, Qt::LeftButton, Qt::NoModifier, a);
    QTest::mouseMove(plot, b);
    QTest::mouseRelease(plot, Qt::LeftButton, Qt::NoModifier, b);
    ASSERT_EQ(zoomed.count(), 1);
    EXPECT_LT(c->bottomVisibleMaximum(), fullMax);
    QTest::mousePress(plot, Qt::LeftButton, Qt::NoModifier, b);
    QTest::mouseMove(plot, a);
    QTest::mouseRelease(plot, Qt::LeftButton, Qt::NoModifier, a);
    ASSERT_EQ(undone.count(), 1);
    EXPECT_EQ(c->bottomVisibleMaximum(), fullMax);
}

TEST_F(MainWindowTest, SpeedSwitchClearsOnlyTheSpeedCurveAndRedrawsFromTheRecord) {
    MainWindow& w = Open();
    ASSERT_TRUE(w.loadFlightFile(WriteFlight(QStringLiteral("a.dat"))));
    const int altitude = w.chart()->pointCount(Series::Altitude);
    Trigger(w, "Przyspieszenie1");
    EXPECT_FALSE(Action(w, "Przyspieszenie1")->isChecked());
    EXPECT_EQ(w.session().settings.showSpeedCurve, 0);
    EXPECT_EQ(w.chart()->pointCount(Series::Speed), 0);
    EXPECT_EQ(w.chart()->pointCount(Series::Altitude), altitude);
    Trigger(w, "Przyspieszenie1");
    EXPECT_TRUE(Action(w, "Przyspieszenie1")->isChecked());
    EXPECT_EQ(w.chart()->pointCount(Series::Altitude), altitude);
    EXPECT_EQ(w.chart()->pointCount(Series::Speed), altitude - 2);
}

TEST(SettingsFile, BesideTheProgramWithTheExtensionReplaced) {
    EXPECT_EQ(SettingsPathBesideProgram(QStringLiteral("C:/loty/OrlomatBMP.exe")),
              QStringLiteral("C:/loty/OrlomatBMP.par"));
    EXPECT_EQ(SettingsPathBesideProgram(QStringLiteral("/usr/bin/OrlomatBMP")),
              QStringLiteral("/usr/bin/OrlomatBMP.par"));
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("OrlomatBMP"));
    EXPECT_EQ(ResolveSettingsPath(program), dir.filePath(QStringLiteral("OrlomatBMP.par")));
    // A folder that cannot be written (here: one that does not exist): the user's own folder.
    const QString elsewhere = ResolveSettingsPath(QStringLiteral("/no/such/folder/OrlomatBMP"));
    EXPECT_TRUE(elsewhere.endsWith(QStringLiteral("/OrlomatBMP.par")));
    EXPECT_FALSE(elsewhere.startsWith(QStringLiteral("/no/such")));
    // Installed (its uninstaller beside it): the folder is the installer's, writable or not.
    QFile uninstaller(dir.filePath(QString::fromUtf8(kUninstallerName)));
    ASSERT_TRUE(uninstaller.open(QIODevice::WriteOnly));
    uninstaller.close();
    const QString installed = ResolveSettingsPath(program);
    EXPECT_TRUE(installed.endsWith(QStringLiteral("/OrlomatBMP.par")));
    EXPECT_FALSE(installed.startsWith(dir.path())) << installed.toStdString();
#ifdef Q_OS_WIN
    EXPECT_EQ(QDir::fromNativeSeparators(installed),
              QDir::fromNativeSeparators(qEnvironmentVariable("APPDATA")) +
                  QStringLiteral("/OrlomatBMP/OrlomatBMP.par"));
    EXPECT_TRUE(DefaultArchiveFolder().startsWith(
        QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)));
#endif
}

// A flight file dropped on the window: the current flight; with Ctrl, the comparison flight;
// a file that is not a flight gets the same message as "Odczyt".
TEST_F(MainWindowTest, DroppedFilesLoadLikeTheButtons) {
    MainWindow& w = Open();
    SynthParams p;
    p.competitor = 77;
    const QString current = WriteFlight(QStringLiteral("a.dat"), p);
    p.competitor = 88;
    const QString comparison = WriteFlight(QStringLiteral("b.dat"), p);
    const auto drop = [&](const QString& path, Qt::KeyboardModifiers modifiers) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        QDragEnterEvent enter(QPoint(300, 300), Qt::CopyAction, &data, Qt::LeftButton, modifiers);
        QCoreApplication::sendEvent(&w, &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent event(QPointF(300, 300), Qt::CopyAction, &data, Qt::LeftButton, modifiers);
        QCoreApplication::sendEvent(&w, &event);
    };
    drop(current, Qt::NoModifier);
    EXPECT_EQ(Edit(w, "E_NrZawodnika")->text(), QStringLiteral("77"));
    EXPECT_EQ(Group(w, "GroupB_Alt")->title(), QStringLiteral("a.dat"));
    drop(comparison, Qt::ControlModifier);
    EXPECT_EQ(Edit(w, "E_Zaw_Por")->text(), QStringLiteral("88"));
    EXPECT_EQ(Edit(w, "E_NrZawodnika")->text(), QStringLiteral("77"));
    WriteAll(Path(QStringLiteral("short.dat")), QByteArray(10, 'x'));
    drop(Path(QStringLiteral("short.dat")), Qt::NoModifier);
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(prompter_.shown[0].text,
              QString::fromUtf8(Tr(Message::NoFlightRecord, Language::Polish)));
    EXPECT_EQ(Edit(w, "E_NrZawodnika")->text(), QStringLiteral("77"));
}

// Closing the window while a flight streams in stops the download instead of losing what
// came: the window stays, the partial flight is the current one, the user is told its size
// against the announced one, and nothing more is sent to the altimeter.
TEST_F(MainWindowTest, ClosingTheWindowDuringADownloadStopsItAndKeepsWhatCame) {
    test::FakeClock clock;
    test::FakeLine line{clock};
    const auto record = SynthesizeFlight({});
    const auto blocks = static_cast<std::uint32_t>((record.size() + 31) / 32);
    MainWindow w(SettingsPath(), prompter_, &line, &clock);
    w.createDialogs();
    w.show();
    line.onCommand = [&](const std::vector<std::uint8_t>& f) {
        if (f[1] == '4') line.deliver({12, 0, 89, 1, 21, 40, 0, 0x82});
        if (f[1] == 'D')
            line.deliver({0, 0, 0x10, 0x27, static_cast<std::uint8_t>(blocks & 0xFF),
                          static_cast<std::uint8_t>(blocks >> 8), 0, 0});
        if (f[1] == '1') {
            line.stream(record, 2000.0);
            QTimer::singleShot(0, &w, [&w] { w.close(); }); // during the first pass
        }
    };
    Click(w, "B_Odczyt_Orlomatu");
    EXPECT_TRUE(w.isVisible()) << "the window closed over a download";
    EXPECT_FALSE(QFile::exists(SettingsPath()));
    const std::size_t kept = w.session().current.record.size();
    EXPECT_GT(kept, kHeaderSize);
    EXPECT_LT(kept, record.size());
    EXPECT_EQ(line.frames.size(), 3u); // "e4", "eD", "e1" and nothing after the stop
    EXPECT_FALSE(line.isOpen);
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(prompter_.shown[0].text,
              QString::fromUtf8("Lot niekompletny: odebrano %1 B z %2 B. Zapisz go, jeśli chcesz "
                                "go zachować.")
                  .arg(kept)
                  .arg(blocks * 32));
    EXPECT_TRUE(w.close()); // once the download is over, the window closes
    EXPECT_TRUE(QFile::exists(SettingsPath()));
}

} // namespace
} // namespace orlomat
