#include "ui/chart_view.h"
#include "tools/synth/flight_synth.h"
#include "core/format.h"
#include "ui/orlomat_1.h"
#include "tests/support/scripted_prompter.h"
#include "ui/settings_file.h"

#include <QAction>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace orlomat {
namespace {

using test::ScriptedPrompter;

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

    TOrlomat_BMP& Open() {
        window_ = std::make_unique<TOrlomat_BMP>(SettingsPath(), prompter_);
        window_->CreateDialogs();
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
    std::unique_ptr<TOrlomat_BMP> window_;
};

TEST_F(MainWindowTest, FirstStartUsesDefaultsAndClosingWritesThem) {
    TOrlomat_BMP& w = Open();
    EXPECT_EQ(w.session().settings.portName(), "COM5");
    EXPECT_TRUE(w.Polski1->isChecked());
    EXPECT_FALSE(w.English1->isChecked());
    EXPECT_TRUE(w.Przyspieszenie1->isChecked());
    EXPECT_TRUE(w.Porownanie1->isChecked());
    EXPECT_FALSE(w.Warto1->isChecked());
    EXPECT_EQ(w.BZerowanie->text(), QStringLiteral("Zerowanie"));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Orlomat BMP    Ver. 2016.4"));
    EXPECT_EQ(w.session().current.state.flightTemperature, 20.0f);
    EXPECT_EQ(w.chart()->pointCount(1), 0);
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
    TOrlomat_BMP& w = Open();
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
    for (QLineEdit* e : {w.E_MaxGl, w.EMinimum, w.E_NrSeryjny, w.E_TempGl, w.E_probkGl, w.E_Max_Por,
                         w.E_TempPor, w.E_PobDan, w.ECzekaj, w.EUstawieniaOK})
        EXPECT_TRUE(e->isReadOnly()) << e->objectName().toStdString();
    EXPECT_FALSE(w.E_NrZawodnika->isReadOnly());
    EXPECT_TRUE(w.E_PobDan->isHidden());
    EXPECT_TRUE(w.ECzekaj->isHidden());
    EXPECT_TRUE(w.EUstawieniaOK->isHidden());
    EXPECT_EQ(w.E_PobDan->text(), QStringLiteral("   Odczyt danych"));
    EXPECT_EQ(w.EUstawieniaOK->text(), QStringLiteral("    OK"));
    EXPECT_EQ(w.chart()->titleLines(),
              QStringList{QStringLiteral("            Wysokosc / Altitude")});
    EXPECT_NE(w.FormUstawienia, nullptr);
    EXPECT_NE(w.FoInfo, nullptr);
    EXPECT_NE(w.F_Filtr, nullptr);
}

TEST_F(MainWindowTest, SettingsFileWithEnglishOpensInEnglish) {
    SettingsRecord r;
    r.language = 1;
    r.showAcceleration = 0;
    const auto bytes = r.toBytes();
    WriteAll(SettingsPath(), QByteArray(reinterpret_cast<const char*>(bytes.data()), 40));
    TOrlomat_BMP& w = Open();
    EXPECT_TRUE(w.English1->isChecked());
    EXPECT_FALSE(w.Polski1->isChecked());
    EXPECT_FALSE(w.Przyspieszenie1->isChecked());
    EXPECT_EQ(w.B_Odczyt_Orlomatu->text(), QStringLiteral("Read Altimeter"));
}

TEST_F(MainWindowTest, SettingsFileLongerThanTheRecordIsReadUpToIt) {
    QByteArray b(64, '\x07');
    b.replace(0, 8, QByteArray("COM9\0\0\0\0", 8));
    WriteAll(SettingsPath(), b);
    TOrlomat_BMP& w = Open();
    EXPECT_EQ(w.session().settings.portName(), "COM9");
    EXPECT_EQ(w.session().language, 0); // 0x07070707 is not 1: Polish
    w.close();
    EXPECT_EQ(ReadAll(SettingsPath()).size(), 40);
}

// Every caption of the table, in each language.
void ExpectCaptions(TOrlomat_BMP& w, int language) {
    const auto pick = [&](const char* pl, const char* en) {
        return QString::fromUtf8(language == 0 ? pl : en);
    };
    EXPECT_EQ(w.BZerowanie->text(), pick("Zerowanie", "Clear"));
    EXPECT_EQ(w.B_Odczyt_Orlomatu->text(), pick("Odczyt Orlomatu", "Read Altimeter"));
    EXPECT_EQ(w.GBDysk_ZapisOdczyt->title(), pick("Dysk - Zapis/Odczyt", "Disc - Save/Load"));
    EXPECT_EQ(w.BZapisz->text(), pick("Zapisz", "Save"));
    EXPECT_EQ(w.BOdczyt->text(), pick("Odczyt", "Load"));
    for (QLabel* l : {w.LTemp1, w.LTemp2})
        EXPECT_EQ(l->text(), pick("Temperatura", "Temperature"));
    for (QLabel* l : {w.LProbk1, w.LProbk2})
        EXPECT_EQ(l->text(), pick("Pomiary", "Sampling"));
    for (QLabel* l : {w.LZaw1, w.LZaw2})
        EXPECT_EQ(l->text(), pick("Nr.Zawodnika", "Competitor No."));
    for (QLabel* l : {w.L_NumSer1, w.L_NumSer2})
        EXPECT_EQ(l->text(), pick("Nr.Seryjny", "Serial No."));
    EXPECT_EQ(w.B_Porownanie->text(), pick("Porównanie", "Compare   "));
    EXPECT_EQ(w.GroupB_Alt->title(), pick("Orlomat", "Altimeter"));
    EXPECT_EQ(w.GroupB_Por->title(), pick("Plik", "File"));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Orlomat BMP    Ver. 2016.4"));
    EXPECT_EQ(w.Ustawienia1->title(), pick("Ustawienia", "Setup"));
    EXPECT_EQ(w.Orlomat1->text(), pick("Orlomat", "Altimeter"));
    EXPECT_EQ(w.Widok1->title(), pick("Wykresy", "Charts"));
    EXPECT_EQ(w.Przyspieszenie1->text(), pick("Przyspieszenie", "Acceleration  "));
    EXPECT_EQ(w.Porownanie1->text(), pick("Porównanie", "Compare   "));
    EXPECT_EQ(w.UstawDrukarke1->text(), pick("Ustaw Drukarke", "Printer Setup"));
    EXPECT_EQ(w.Drukuj1->text(), pick("Drukuj", "Print"));
    EXPECT_EQ(w.ZapiszObraz1->text(), pick("Zapisz Obraz", "Save Picture"));
    EXPECT_EQ(w.ZapiszdoExcela1->text(), pick("Export do Excel", "Export to Excel"));
    EXPECT_EQ(w.chart()->seriesTitle(1), pick("Wysokosc", "Altitude"));
    EXPECT_EQ(w.chart()->seriesTitle(2), pick("Przyspieszenie", "Acceleration  "));
    EXPECT_EQ(w.chart()->seriesTitle(3), pick("Porównanie", "Compare   "));
    // Texts that never change.
    EXPECT_EQ(w.E1->title(), QStringLiteral("Print/Export"));
    EXPECT_EQ(w.MenuJezyk->title(), QString::fromUtf8("Język/Language"));
    EXPECT_EQ(w.Se1->text(), QStringLiteral("Setup Default"));
    EXPECT_EQ(w.Warto1->text(), QStringLiteral("Wartosci"));
    EXPECT_EQ(w.B_Filtr_Alt->text(), QStringLiteral("Filtr"));
    EXPECT_EQ(w.LabMaximum->text(), QStringLiteral("Maximum"));
    EXPECT_EQ(w.Label9->text(), QStringLiteral("C"));
    EXPECT_EQ(w.chart()->seriesTitle(5), QStringLiteral("Filtr1"));
    EXPECT_EQ(w.chart()->seriesTitle(6), QStringLiteral("Filtr2"));
}

TEST_F(MainWindowTest, SwitchingLanguageRewritesTheCaptionsAndStoresTheChoice) {
    TOrlomat_BMP& w = Open();
    ExpectCaptions(w, 0);
    w.English1Click();
    ExpectCaptions(w, 1);
    EXPECT_TRUE(w.English1->isChecked());
    EXPECT_FALSE(w.Polski1->isChecked());
    EXPECT_EQ(I32At(ReadAll(SettingsPath()), 16), 1);
    w.Polski1Click();
    ExpectCaptions(w, 0);
    EXPECT_TRUE(w.Polski1->isChecked());
    EXPECT_EQ(I32At(ReadAll(SettingsPath()), 16), 0);
    w.Polski1Click(); // the language in force again: same result, file written again
    ExpectCaptions(w, 0);
}

TEST_F(MainWindowTest, LegendListsTheShownSeriesOnly) {
    TOrlomat_BMP& w = Open();
    w.English1Click();
    ChartView* c = w.chart();
    for (int s : {1, 2, 3, 5, 6})
        EXPECT_TRUE(c->inLegend(s)) << s;
    EXPECT_FALSE(c->inLegend(4));
    EXPECT_EQ(c->graphOf(1)->pen().color(), QColor(232, 0, 0));
    EXPECT_EQ(c->graphOf(1)->pen().width(), 2);
    EXPECT_EQ(c->graphOf(5)->pen().style(), Qt::DashLine);
    EXPECT_EQ(c->graphOf(2)->valueAxis(), c->yAxis2);
}

TEST_F(MainWindowTest, LayoutFollowsTheClientWidth) {
    TOrlomat_BMP& w = Open();
    w.show();
    w.resize(1292, 900);
    QApplication::processEvents();
    ASSERT_EQ(w.client->width(), 1292);
    EXPECT_EQ(w.B_Odczyt_Orlomatu->x(), 10);
    EXPECT_EQ(w.BZerowanie->x(), 10);
    EXPECT_EQ(w.B_Filtr_Alt->x(), 98);
    EXPECT_EQ(w.GroupB_Alt->x(), 185);
    EXPECT_EQ(w.GBDysk_ZapisOdczyt->x(), 541);
    EXPECT_EQ(w.B_Porownanie->x(), 875);
    EXPECT_EQ(w.B_Filtr_por->x(), 875);
    EXPECT_EQ(w.GroupB_Por->x(), 987);
    EXPECT_EQ(w.Chart1->width(), 1277);
    EXPECT_EQ(w.Chart1->height(), w.client->height() - 120);
    EXPECT_EQ(w.Label2->x(), 1277 - 85);
    EXPECT_EQ(w.Label6->y(), w.Chart1->height() - 20);
}

TEST_F(MainWindowTest, LoadingAFlightFillsTheGroupAndDrawsTheCurves) {
    TOrlomat_BMP& w = Open();
    SynthParams p;
    p.samplingCode = 1;
    p.competitor = 77;
    p.serial = 4321;
    const QString path = WriteFlight(QStringLiteral("lot1.dat"), p);
    prompter_.fileNames = {path};
    w.BLaduj_pomiarClick();
    EXPECT_TRUE(prompter_.shown.empty());
    EXPECT_EQ(w.GroupB_Alt->title(), QStringLiteral("lot1.dat"));
    EXPECT_EQ(w.E_NrZawodnika->text(), QStringLiteral("77"));
    EXPECT_EQ(w.E_NrSeryjny->text(), QStringLiteral("4321"));
    EXPECT_EQ(w.E_TempGl->text(), QStringLiteral("16"));
    EXPECT_FALSE(w.E_TempGl->isReadOnly());
    EXPECT_EQ(w.E_probkGl->text(), QStringLiteral("15 pom/sek"));

    const FlightCurve& c = w.session().current.curve;
    const int m = static_cast<int>(c.series1.size());
    ASSERT_GT(m, 100);
    EXPECT_EQ(w.chart()->pointCount(1), m);
    EXPECT_EQ(w.chart()->pointCount(2), m - 2);
    EXPECT_EQ(w.chart()->pointLabel(1, 15), QStringLiteral("1"));
    EXPECT_EQ(w.chart()->pointLabel(1, 16), QString());
    EXPECT_EQ(w.chart()->pointValue(1, 40), static_cast<double>(c.series1[40].y));
    EXPECT_EQ(w.E_MaxGl->text().toStdString(), FormatOneDecimal(c.maximum));
    EXPECT_EQ(w.EMinimum->text().toStdString(), FormatOneDecimal(c.minimum));
    EXPECT_EQ(w.chart()->leftMaximum(), c.leftAxisMaximum);
    EXPECT_EQ(w.chart()->bottomMinorTickCount(), 14);
    EXPECT_FALSE(w.chart()->bottomMinorGridVisible());

    // Switching the language puts the designed caption back over the file name.
    w.English1Click();
    EXPECT_EQ(w.GroupB_Alt->title(), QStringLiteral("Altimeter"));
}

TEST_F(MainWindowTest, GroupCaptionIsTheNameAfterTheLastSeparatorOfEitherKind) {
    TOrlomat_BMP& w = Open();
    const QString path = WriteFlight(QStringLiteral("D:\\a\\b.c\\lot"));
    ASSERT_TRUE(w.LoadFlightFile(path));
    EXPECT_EQ(w.GroupB_Alt->title(), QStringLiteral("lot"));
}

TEST_F(MainWindowTest, SaveAfterLoadWritesTheSameBytes) {
    TOrlomat_BMP& w = Open();
    const QString original = WriteFlight(QStringLiteral("a.dat"));
    const QString copy = Path(QStringLiteral("b.dat"));
    prompter_.fileNames = {original, copy};
    w.BLaduj_pomiarClick();
    w.BZapisz_PomiarClick();
    EXPECT_TRUE(prompter_.shown.empty());
    EXPECT_EQ(ReadAll(copy), ReadAll(original));

    // A second save to the same name asks; Cancel leaves the file as it was.
    const QByteArray before = ReadAll(copy);
    const QString other = WriteFlight(QStringLiteral("c.dat"), SynthParams{.samplingCode = 4});
    prompter_.fileNames = {other, copy};
    w.BLaduj_pomiarClick();
    prompter_.confirmations = {false};
    w.BZapisz_PomiarClick();
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_TRUE(prompter_.shown[0].confirmation);
    EXPECT_EQ(prompter_.shown[0].text, QString::fromUtf8("Plik istnieje. Zapisać?"));
    EXPECT_EQ(prompter_.shown[0].caption, QStringLiteral("Orlomat-Zapis"));
    EXPECT_EQ(ReadAll(copy), before);
    // The save dialog starts with the name chosen last.
    EXPECT_EQ(prompter_.dialogStartNames.back(), copy);

    prompter_.fileNames = {copy};
    prompter_.confirmations = {true};
    w.BZapisz_PomiarClick();
    EXPECT_EQ(ReadAll(copy), ReadAll(other));

    // Cancelling the dialog writes nothing.
    prompter_.fileNames = {QString()};
    w.BZapisz_PomiarClick();
    EXPECT_EQ(ReadAll(copy), ReadAll(other));
}

TEST_F(MainWindowTest, SaveWithoutAFlightSaysNoData) {
    TOrlomat_BMP& w = Open();
    w.English1Click();
    w.BZapisz_PomiarClick();
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(prompter_.shown[0].text, QStringLiteral("No data"));
    EXPECT_EQ(prompter_.shown[0].caption, QStringLiteral("Altimeter - error"));
    EXPECT_EQ(prompter_.fileDialogs, 0);
}

TEST_F(MainWindowTest, AFailedSaveReportsTheReasonAndKeepsTheOldFile) {
    TOrlomat_BMP& w = Open();
    ASSERT_TRUE(w.LoadFlightFile(WriteFlight(QStringLiteral("a.dat"))));
    prompter_.fileNames = {Path(QStringLiteral("no/such/folder/x.dat"))};
    w.BZapisz_PomiarClick();
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_TRUE(prompter_.shown[0].text.startsWith(QString::fromUtf8("Nie można zapisać pliku ")));
    EXPECT_EQ(prompter_.shown[0].caption, QStringLiteral("Orlomat - problem"));
}

TEST_F(MainWindowTest, FilesThatHoldNoFlightAreRefusedAndTheCurrentFlightStays) {
    TOrlomat_BMP& w = Open();
    ASSERT_TRUE(w.LoadFlightFile(WriteFlight(QStringLiteral("good.dat"))));
    const auto record = w.session().current.record;
    const int points = w.chart()->pointCount(1);
    const QString title = w.GroupB_Alt->title();

    const QString tiny = Path(QStringLiteral("tiny.dat"));
    WriteAll(tiny, QByteArray(20, '\x01'));
    EXPECT_FALSE(w.LoadFlightFile(tiny));
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(prompter_.shown[0].text, QStringLiteral("Plik nie zawiera zapisu lotu"));

    w.English1Click();
    EXPECT_FALSE(w.LoadFlightFile(Path(QStringLiteral("missing.dat"))));
    ASSERT_EQ(prompter_.shown.size(), 2u);
    EXPECT_TRUE(prompter_.shown[1].text.startsWith(QStringLiteral("Cannot open the file ")));
    EXPECT_EQ(prompter_.shown[1].caption, QStringLiteral("Altimeter - error"));

    EXPECT_EQ(w.session().current.record, record);
    EXPECT_EQ(w.chart()->pointCount(1), points);
    (void)title;
}

TEST_F(MainWindowTest, LongFilesLoadTheirFirst33000Bytes) {
    TOrlomat_BMP& w = Open();
    SynthParams p;
    p.glideSeconds = 5000.0f;
    auto bytes = SynthesizeFlight(p);
    bytes.resize(40000, 0x33);
    const QString path = Path(QStringLiteral("long.dat"));
    WriteAll(path, Bytes(bytes));
    ASSERT_TRUE(w.LoadFlightFile(path));
    EXPECT_EQ(w.session().current.record.size(), 33000u);
    EXPECT_EQ(w.chart()->pointCount(1), 8242 - 5);
}

TEST_F(MainWindowTest, ZoomRuleFollowsTheSpanAndTheSamplingRate) {
    TOrlomat_BMP& w = Open();
    ASSERT_TRUE(w.LoadFlightFile(WriteFlight(QStringLiteral("ten.dat")))); // 10 per second
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
        w.LoadFlightFile(WriteFlight(QStringLiteral("one.dat"), SynthParams{.samplingCode = 4})));
    c->zoomTo(0, 20);
    EXPECT_EQ(c->bottomMinorTickCount(), 0);
    EXPECT_FALSE(c->bottomMinorGridVisible());
}

TEST_F(MainWindowTest, DraggingZoomsLeftToRightAndUndoesRightToLeft) {
    TOrlomat_BMP& w = Open();
    w.show();
    ASSERT_TRUE(w.LoadFlightFile(WriteFlight(QStringLiteral("a.dat"))));
    QApplication::processEvents();
    ChartView* c = w.chart();
    QSignalSpy zoomed(c, &ChartView::zoomed);
    QSignalSpy undone(c, &ChartView::zoomUndone);
    const double fullMax = c->bottomVisibleMaximum();
    const QPoint a(c->width() / 3, c->height() / 3), b(c->width() / 2, c->height() / 2);
    QTest::mousePress(c, Qt::LeftButton, Qt::NoModifier, a);
    QTest::mouseMove(c, b);
    QTest::mouseRelease(c, Qt::LeftButton, Qt::NoModifier, b);
    ASSERT_EQ(zoomed.count(), 1);
    EXPECT_LT(c->bottomVisibleMaximum(), fullMax);
    QTest::mousePress(c, Qt::LeftButton, Qt::NoModifier, b);
    QTest::mouseMove(c, a);
    QTest::mouseRelease(c, Qt::LeftButton, Qt::NoModifier, a);
    ASSERT_EQ(undone.count(), 1);
    EXPECT_EQ(c->bottomVisibleMaximum(), fullMax);
}

TEST_F(MainWindowTest, SpeedSwitchClearsOnlyTheSpeedCurveAndRedrawsFromTheRecord) {
    TOrlomat_BMP& w = Open();
    ASSERT_TRUE(w.LoadFlightFile(WriteFlight(QStringLiteral("a.dat"))));
    const int altitude = w.chart()->pointCount(1);
    w.Przyspieszenie1Click();
    EXPECT_FALSE(w.Przyspieszenie1->isChecked());
    EXPECT_EQ(w.session().settings.showAcceleration, 0);
    EXPECT_EQ(w.chart()->pointCount(2), 0);
    EXPECT_EQ(w.chart()->pointCount(1), altitude);
    w.Przyspieszenie1Click();
    EXPECT_TRUE(w.Przyspieszenie1->isChecked());
    EXPECT_EQ(w.chart()->pointCount(1), altitude);
    EXPECT_EQ(w.chart()->pointCount(2), altitude - 2);
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
}

} // namespace
} // namespace orlomat
