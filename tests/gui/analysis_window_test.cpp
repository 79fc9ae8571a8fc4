#include "analysis/comparison.h"
#include "core/format.h"
#include "files/csv_export.h"
#include "tests/support/window_controls.h"
#include "tests/support/window_fixture.h"
#include "tools/synth/flight_synth.h"
#include "ui/chart_view.h"
#include "ui/filter_dialog.h"
#include "ui/main_window.h"

#include <QAction>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace orlomat {
namespace {

using namespace test; // the window's controls by their designed names

class AnalysisWindowTest : public test::WindowTest {
protected:
    void SetUp() override { OpenWindow(); }
    ChartView& chart() { return *window->chart(); }
};

TEST_F(AnalysisWindowTest, FilterButtonDrawsTheCleanedCurveBesideTheRawOne) {
    ASSERT_TRUE(window->loadFlightFile(Write(QStringLiteral("a.dat"), SynthesizeFlight({}))));
    const int points = chart().pointCount(Series::Altitude);
    const int speed = chart().pointCount(Series::Speed);
    Click(*window, "B_Filtr_Alt");
    const auto& c = window->session().current.curve;
    EXPECT_EQ(chart().pointCount(Series::Altitude), points);
    EXPECT_EQ(chart().pointCount(Series::AltitudeBeforeFilter), points);
    EXPECT_EQ(chart().pointCount(Series::Speed), speed); // the speed curve stays
    EXPECT_EQ(chart().pointLabel(Series::Altitude, 10), QStringLiteral("1"));
    EXPECT_EQ(chart().pointValue(Series::AltitudeBeforeFilter, 40),
              c.altitudes[40] * 0.01); // dashed: the raw samples
    FilterWork w;
    const FilteredFlight f = FilterFlight(c.altitudes, WhichFlight::Current,
                                          window->session().current.wordCount(), 100, {}, w);
    EXPECT_EQ(Edit(*window, "E_MaxGl")->text().toStdString(), FormatCentimetres(f.maximum));
    EXPECT_EQ(Edit(*window, "EMinimum")->text().toStdString(), FormatCentimetres(f.minimum));
    EXPECT_EQ(chart().pointValue(Series::Altitude, 40), f.cleaned[40] * 0.01);
}

TEST_F(AnalysisWindowTest, FilterIgnoresAFlightOf15Samples) {
    SynthParams p;
    p.maxLength = 32 + 15 * 4;
    ASSERT_TRUE(window->loadFlightFile(Write(QStringLiteral("s.dat"), SynthesizeFlight(p))));
    const QString maxText = Edit(*window, "E_MaxGl")->text();
    const int points = chart().pointCount(Series::Altitude);
    Click(*window, "B_Filtr_Alt");
    EXPECT_EQ(chart().pointCount(Series::AltitudeBeforeFilter), 0);
    EXPECT_EQ(chart().pointCount(Series::Altitude), points);
    EXPECT_EQ(Edit(*window, "E_MaxGl")->text(), maxText);
}

TEST_F(AnalysisWindowTest, ComparisonIsIndependentOfTheCurrentFlight) {
    SynthParams low;
    low.peakAltitude = 60.0f;
    SynthParams high;
    high.peakAltitude = 200.0f;
    high.competitor = 55;
    ASSERT_TRUE(window->loadFlightFile(Write(QStringLiteral("low.dat"), SynthesizeFlight(low))));
    const double axisBefore = chart().leftSetMaximum();
    const auto current = window->session().current.curve.altitudes;
    prompter.fileNames = {Write(QStringLiteral("high.dat"), SynthesizeFlight(high))};
    Click(*window, "B_Porownanie");
    EXPECT_EQ(Group(*window, "GroupB_Por")->title(), QStringLiteral("high.dat"));
    EXPECT_EQ(Edit(*window, "E_Zaw_Por")->text(), QStringLiteral("55"));
    EXPECT_FALSE(Edit(*window, "E_TempPor")->isReadOnly());
    EXPECT_GT(chart().pointCount(Series::Comparison), 100);
    EXPECT_EQ(chart().pointLabel(Series::Comparison, 0), QString());
    const ComparisonCurve& cmp = window->session().comparison.curve;
    EXPECT_EQ(Edit(*window, "E_Max_Por")->text().toStdString(), *cmp.maxText);
    EXPECT_EQ(chart().leftSetMaximum(), *cmp.leftAxisCandidate); // raised
    EXPECT_GT(chart().leftSetMaximum(), axisBefore);

    // Commands on the current flight leave the comparison alone, and the reverse.
    Trigger(*window, "Przyspieszenie1");
    Trigger(*window, "Przyspieszenie1");
    EXPECT_EQ(window->session().current.curve.altitudes, current);
    EXPECT_EQ(chart().pointCount(Series::Comparison), static_cast<int>(cmp.altitudePoints.size()));
    EXPECT_EQ(Edit(*window, "E_Zaw_Por")->text(), QStringLiteral("55"));
    Edit(*window, "E_TempPor")->setText(QStringLiteral("-5"));
    QTest::keyClick(Edit(*window, "E_TempPor"), Qt::Key_Return);
    EXPECT_EQ(window->session().current.curve.altitudes, current);
    EXPECT_EQ(window->session().comparison.state.flightTemperature, -5.0f);
    EXPECT_NE(Edit(*window, "E_TempGl")->text(), QStringLiteral("-5"));

    // A lower comparison leaves the axis where it is.
    const double axis = chart().leftSetMaximum();
    prompter.fileNames = {Write(QStringLiteral("low2.dat"), SynthesizeFlight(low))};
    Click(*window, "B_Porownanie");
    EXPECT_EQ(chart().leftSetMaximum(), axis);
}

TEST_F(AnalysisWindowTest, ClearingTheComparisonAndFilteringItAgain) {
    ASSERT_TRUE(window->loadComparisonFile(Write(QStringLiteral("c.dat"), SynthesizeFlight({}))));
    Trigger(*window, "English1");
    Trigger(*window, "Porownanie1");
    EXPECT_FALSE(Action(*window, "Porownanie1")->isChecked());
    EXPECT_EQ(chart().pointCount(Series::Comparison), 0);
    EXPECT_TRUE(Edit(*window, "E_Max_Por")->text().isEmpty());
    EXPECT_EQ(Group(*window, "GroupB_Por")->title(), QStringLiteral("File"));
    Click(*window, "B_Filtr_por"); // the record stays: the filter draws it again
    EXPECT_GT(chart().pointCount(Series::Comparison), 100);
    EXPECT_EQ(chart().pointCount(Series::ComparisonBeforeFilter),
              chart().pointCount(Series::Comparison));
    Trigger(*window, "Porownanie1");
    EXPECT_TRUE(Action(*window, "Porownanie1")->isChecked());
    // Loading a new comparison does not clear the dashed curve.
    ASSERT_TRUE(window->loadComparisonFile(Write(QStringLiteral("d.dat"), SynthesizeFlight({}))));
    EXPECT_GT(chart().pointCount(Series::ComparisonBeforeFilter), 0);
}

TEST_F(AnalysisWindowTest, ShortComparisonFilesAreRefused) {
    EXPECT_FALSE(window->loadComparisonFile(
        Write(QStringLiteral("t.dat"), std::vector<std::uint8_t>(10, 1))));
    EXPECT_EQ(Texts(), std::vector<QString>{QStringLiteral("Plik nie zawiera zapisu lotu")});
    EXPECT_EQ(Group(*window, "GroupB_Por")->title(), QStringLiteral("Plik"));
}

TEST_F(AnalysisWindowTest, TemperatureFieldTakesThreeDigitsAndRecomputesOnEnter) {
    ASSERT_TRUE(window->loadFlightFile(Write(QStringLiteral("a.dat"), SynthesizeFlight({}))));
    QLineEdit* e = Edit(*window, "E_TempGl");
    e->clear();
    QTest::keyClicks(e, QStringLiteral("1234"));
    EXPECT_EQ(e->text(), QStringLiteral("123"));
    QTest::keyClicks(e, QStringLiteral("-.a"));
    EXPECT_EQ(e->text(), QStringLiteral("123-"));

    const float before = window->session().current.curve.maximum;
    const float t0 = window->session().current.state.flightTemperature;
    e->setText(QStringLiteral("-5"));
    QTest::keyClick(e, Qt::Key_Return);
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(window->session().current.state.flightTemperature, -5.0f);
    EXPECT_NEAR(window->session().current.curve.maximum, before * 268.16f / (t0 + 273.16f), 0.05f);
    EXPECT_EQ(Edit(*window, "E_MaxGl")->text().toStdString(),
              FormatOneDecimal(window->session().current.curve.maximum));

    e->clear();
    QTest::keyClick(e, Qt::Key_Return);
    Trigger(*window, "English1");
    e->setText(QStringLiteral("65535"));
    QTest::keyClick(e, Qt::Key_Return);
    EXPECT_EQ(Texts(), (std::vector<QString>{QString::fromUtf8("Zła wartośc temperatury"),
                                             QStringLiteral("Wrong temperature")}));
    EXPECT_EQ(prompter.shown[1].caption, QStringLiteral("Altimeter - error"));
    EXPECT_EQ(window->session().current.state.flightTemperature, -5.0f);
}

TEST_F(AnalysisWindowTest, ValueMarksAndClicks) {
    ASSERT_TRUE(window->loadFlightFile(Write(QStringLiteral("a.dat"), SynthesizeFlight({}))));
    ASSERT_TRUE(window->loadComparisonFile(Write(QStringLiteral("b.dat"), SynthesizeFlight({}))));
    Trigger(*window, "Warto1");
    EXPECT_TRUE(Action(*window, "Warto1")->isChecked());
    EXPECT_TRUE(chart().marksVisible(Series::Altitude));
    EXPECT_TRUE(chart().marksVisible(Series::Comparison));
    Trigger(*window, "Warto1");
    EXPECT_FALSE(chart().marksVisible(Series::Altitude));
    EXPECT_FALSE(chart().marksVisible(Series::Comparison));

    emit chart().seriesClicked(Series::Comparison);
    EXPECT_EQ(chart().pointCount(Series::Comparison), 0);
    EXPECT_TRUE(Edit(*window, "E_NrS_Por")->text().isEmpty());
    EXPECT_EQ(Group(*window, "GroupB_Por")->title(), QStringLiteral("Plik"));
    EXPECT_FALSE(Edit(*window, "E_MaxGl")->text().isEmpty()); // the current flight's group stays

    emit chart().seriesClicked(Series::Altitude);
    EXPECT_EQ(chart().pointCount(Series::Altitude), 0);
    EXPECT_GT(chart().pointCount(Series::Speed), 0); // the speed curve stays
    EXPECT_TRUE(Edit(*window, "E_TempGl")->text().isEmpty());
    EXPECT_FALSE(Edit(*window, "E_TempGl")->isReadOnly());
    EXPECT_EQ(Group(*window, "GroupB_Alt")->title(), QStringLiteral("Orlomat"));
    emit chart().seriesClicked(Series::Speed);
    EXPECT_EQ(chart().pointCount(Series::Speed), 0);
    QTest::keyClick(Edit(*window, "E_TempGl"), Qt::Key_Return);
    EXPECT_EQ(Texts(), std::vector<QString>{QString::fromUtf8("Zła wartośc temperatury")});
    emit chart().legendClicked(); // repaints only
    EXPECT_EQ(chart().pointCount(Series::Altitude), 0);
}

TEST_F(AnalysisWindowTest, ExportWritesTheAltitudeTable) {
    Trigger(*window, "ZapiszdoExcela1");
    EXPECT_EQ(Texts(), std::vector<QString>{QStringLiteral("Brak danych")});
    prompter.shown.clear();

    ASSERT_TRUE(window->loadFlightFile(Write(QStringLiteral("a.dat"), SynthesizeFlight({}))));
    prompter.fileNames = {dir.filePath(QStringLiteral("lot"))};
    Trigger(*window, "ZapiszdoExcela1");
    const QString csv = dir.filePath(QStringLiteral("lot.csv"));
    const auto& table = window->session().current.curve.altitudes;
    const std::string expected = ExportBytes(table, '.');
    EXPECT_EQ(Read(csv).toStdString(), expected);
    EXPECT_EQ(Read(csv).count('\n'), static_cast<qsizetype>(table.size() - 1));

    // Again to the same name: asked; Cancel leaves the file.
    prompter.fileNames = {csv};
    prompter.confirmations = {false};
    Click(*window, "B_Filtr_Alt"); // the export never writes a filtered curve anyway
    Trigger(*window, "ZapiszdoExcela1");
    EXPECT_EQ(Texts(), std::vector<QString>{QString::fromUtf8("Plik istnieje. Zapisać?")});
    EXPECT_EQ(Read(csv).toStdString(), expected);

    // A comma where the region writes one.
    QLocale::setDefault(QLocale(QLocale::Polish, QLocale::Poland));
    prompter.fileNames = {dir.filePath(QStringLiteral("pl.csv"))};
    Trigger(*window, "ZapiszdoExcela1");
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(Read(dir.filePath(QStringLiteral("pl.csv"))).toStdString(), ExportBytes(table, ','));
}

TEST_F(AnalysisWindowTest, FilterDialogShowsTheStoredSettingsAndItsCaptions) {
    FilterDialog& d = *window->findChild<FilterDialog*>();
    EXPECT_EQ(d.values().finalCut, QStringLiteral("250"));
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Orlomat-Filtr"));
    Trigger(*window, "English1");
    prompter.onModal = [&](QDialog&) {
        EXPECT_EQ(Named<QLabel>(d, "Label4")->text(), QStringLiteral("Final Filter [6-30]"));
        EXPECT_EQ(Named<QPushButton>(d, "Button1")->text(), QStringLiteral("&Default"));
        EXPECT_EQ(Named<QPushButton>(d, "Button2")->text(), QStringLiteral("&Save"));
    };
    Trigger(*window, "Filtr3");
    Trigger(*window, "Polski1");
    prompter.onModal = [&](QDialog&) {
        EXPECT_EQ(Named<QLabel>(d, "Label2")->text(), QStringLiteral("Filtr wstepny [4-20]"));
        EXPECT_EQ(Named<QPushButton>(d, "Button1")->text(), QStringLiteral("&Domyslne"));
    };
    Trigger(*window, "Filtr3");
    EXPECT_EQ(prompter.modals, 2);
}

TEST(SettingsSanitising, HandEditedFilterFieldsOutOfRangeGetTheirDefaults) {
    QTemporaryDir dir;
    SettingsRecord r;
    r.prefilterWidth = 0;
    r.finalCut = -7;
    r.finalFilterWidth = 30;
    const auto b = r.toBytes();
    QFile f(dir.filePath(QStringLiteral("x.par")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(reinterpret_cast<const char*>(b.data()), 40);
    f.close();
    test::ScriptedPrompter prompter;
    MainWindow w(f.fileName(), prompter);
    EXPECT_EQ(w.session().settings.prefilterWidth, 8);
    EXPECT_EQ(w.session().settings.finalCut, 250);
    EXPECT_EQ(w.session().settings.finalFilterWidth, 30);
}

// --- A comparison flight recorded at another rate -------------------------------------------

class ComparisonTimeTest : public AnalysisWindowTest {
protected:
    // A flight at `code` (0: 20/s, 1: 15/s, 2: 10/s, 3: 5/s) peaking 11 s after its start.
    QString Flight(const char* name, unsigned code, float peak, float glide = 60.0f) {
        SynthParams p;
        p.samplingCode = code;
        p.peakAltitude = peak;
        p.glideSeconds = glide;
        p.spike = false;
        return Write(QString::fromLatin1(name), SynthesizeFlight(p));
    }
    int PeakIndex(Series series) {
        int best = 0;
        for (int i = 0; i < chart().pointCount(series); ++i)
            if (chart().pointValue(series, i) > chart().pointValue(series, best)) best = i;
        return best;
    }
    // Seconds of a bottom-axis position, on the current flight's time axis.
    double Seconds(double position) {
        return position * 10.0 / window->session().current.state.samplingRate;
    }
    // Every point of `series` stands where its own rate puts it on the axis.
    void ExpectAtOwnTimes(Series series, std::uint32_t ownRate, const char* fault) {
        const std::uint32_t axis = window->session().current.state.samplingRate;
        for (int i = 0; i < chart().pointCount(series); ++i)
            if (chart().pointPosition(series, i) !=
                ComparisonPosition(static_cast<std::size_t>(i), ownRate, axis)) {
                ADD_FAILURE() << fault << ": point " << i << " of series "
                              << static_cast<int>(series);
                return;
            }
    }
};

TEST_F(ComparisonTimeTest, TheComparisonPeaksAtItsOwnSecondWhateverTheRates) {
    const struct {
        unsigned current, comparison;
        const char* fault;
    } cases[] = {
        {1, 2, "10/s beside 15/s drawn by sample position: peak at 7 s, not 11 s"},
        {0, 3, "5/s beside 20/s squeezed into a quarter of the time"},
        {2, 0, "20/s beside 10/s stretched to twice its time"},
        {2, 2, "equal rates no longer line up sample by sample"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        ASSERT_TRUE(window->loadFlightFile(Flight("cur.dat", c.current, 120.0f)));
        ASSERT_TRUE(window->loadComparisonFile(Flight("cmp.dat", c.comparison, 150.0f)));
        const std::uint32_t own = window->session().comparison.state.samplingRate;
        const double currentPeak =
            Seconds(chart().pointPosition(Series::Altitude, PeakIndex(Series::Altitude)));
        const double comparisonPeak =
            Seconds(chart().pointPosition(Series::Comparison, PeakIndex(Series::Comparison)));
        EXPECT_NEAR(currentPeak, 11.0, 0.4);
        EXPECT_NEAR(comparisonPeak, currentPeak, 0.4);
        ExpectAtOwnTimes(Series::Comparison, own, "comparison drawn off its times");
        // Its filtered curve and the dashed one before filtering stand at the same times.
        Click(*window, "B_Filtr_por");
        ASSERT_GT(chart().pointCount(Series::ComparisonBeforeFilter), 100);
        ExpectAtOwnTimes(Series::Comparison, own, "filtered comparison drawn by sample position");
        ExpectAtOwnTimes(Series::ComparisonBeforeFilter, own,
                         "dashed comparison drawn by sample position");
        EXPECT_NEAR(
            Seconds(chart().pointPosition(Series::Comparison, PeakIndex(Series::Comparison))),
            currentPeak, 0.6);
        Click(*window, "B_Filtr_Alt"); // the current flight's curves keep the axis' positions
        EXPECT_EQ(chart().pointPosition(Series::Altitude, 30), 30.0);
        EXPECT_EQ(chart().pointPosition(Series::AltitudeBeforeFilter, 30), 30.0);
    }
}

TEST_F(ComparisonTimeTest, ANewCurrentFlightAtAnotherRateMovesTheComparisonToItsTimes) {
    // Comparison first: it makes the time axis; then a 15/s current flight takes it over.
    ASSERT_TRUE(window->loadComparisonFile(Flight("cmp.dat", 2, 150.0f)));
    EXPECT_EQ(chart().pointPosition(Series::Comparison, 100), 100.0);
    EXPECT_EQ(chart().timeAxisRate(), 100u);
    ASSERT_TRUE(window->loadFlightFile(Flight("cur.dat", 1, 120.0f)));
    EXPECT_EQ(chart().timeAxisRate(), 150u);
    EXPECT_EQ(chart().pointPosition(Series::Comparison, 100), 150.0)
        << "the comparison stayed on the old axis";
    EXPECT_NEAR(Seconds(chart().pointPosition(Series::Comparison, PeakIndex(Series::Comparison))),
                Seconds(chart().pointPosition(Series::Altitude, PeakIndex(Series::Altitude))), 0.4);
}

TEST_F(ComparisonTimeTest, ALongerComparisonExtendsTheTimeAxisWithLabels) {
    ASSERT_TRUE(window->loadFlightFile(Flight("cur.dat", 1, 120.0f, 60.0f)));
    ASSERT_TRUE(window->loadComparisonFile(Flight("cmp.dat", 2, 150.0f, 90.0f)));
    window->resize(1300, 834);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    chart().replot();
    const double currentEnd =
        chart().pointPosition(Series::Altitude, chart().pointCount(Series::Altitude) - 1);
    const double comparisonEnd =
        chart().pointPosition(Series::Comparison, chart().pointCount(Series::Comparison) - 1);
    ASSERT_GT(comparisonEnd, currentEnd);
    EXPECT_EQ(chart().bottomVisibleMaximum(), comparisonEnd) << "the axis ends with the current";
    // Labels (and with them the grid) go on past the current flight's last second.
    const QVector<double> ticks = chart().bottomTicks();
    const QVector<QString> labels = chart().bottomTickLabels();
    ASSERT_FALSE(ticks.isEmpty());
    EXPECT_GT(ticks.back(), currentEnd) << "no labels past the current flight";
    EXPECT_EQ(labels.back().toDouble(), Seconds(ticks.back())) << "labels off the axis' time";
    EXPECT_GE(labels.back().toInt(), 95);
}

TEST_F(ComparisonTimeTest, EqualRatesDrawPixelForPixelAsBefore) {
    // Equal rates put comparison point i at position i: the chart is the one drawn by
    // sample position.
    ASSERT_TRUE(window->loadFlightFile(Flight("cur.dat", 1, 120.0f, 60.0f)));
    ASSERT_TRUE(window->loadComparisonFile(Flight("cmp.dat", 1, 150.0f, 40.0f)));
    window->resize(1300, 834);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    for (int i = 0; i < chart().pointCount(Series::Comparison); ++i)
        ASSERT_EQ(chart().pointPosition(Series::Comparison, i), static_cast<double>(i)) << i;
    chart().refresh();
    const QImage drawn = chart().picture().toImage();
    const std::vector<float>& ys = window->session().comparison.curve.altitudePoints;
    chart().clearSeries(Series::Comparison);
    chart().setSeriesRate(Series::Comparison, 0);
    for (const float y : ys)
        chart().addPoint(Series::Comparison, static_cast<double>(y), QString());
    chart().refresh();
    const QImage bySample = chart().picture().toImage();
    EXPECT_TRUE(drawn == bySample) << "equal rates changed the picture";
}

} // namespace
} // namespace orlomat
