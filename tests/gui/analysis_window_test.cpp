#include "core/format.h"
#include "files/csv_export.h"
#include "tests/support/window_fixture.h"
#include "tools/synth/flight_synth.h"
#include "ui/chart_view.h"
#include "ui/filter_dialog.h"
#include "ui/main_window.h"

#include <QAction>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace orlomat {
namespace {

class AnalysisWindowTest : public test::WindowTest {
protected:
    void SetUp() override { OpenWindow(); }
    ChartView& chart() { return *window->chart(); }
};

TEST_F(AnalysisWindowTest, FilterButtonDrawsTheCleanedCurveBesideTheRawOne) {
    ASSERT_TRUE(window->loadFlightFile(Write(QStringLiteral("a.dat"), SynthesizeFlight({}))));
    const int points = chart().pointCount(1);
    const int speed = chart().pointCount(2);
    window->filterCurrentFlight();
    const auto& c = window->session().current.curve;
    EXPECT_EQ(chart().pointCount(1), points);
    EXPECT_EQ(chart().pointCount(5), points);
    EXPECT_EQ(chart().pointCount(2), speed); // the speed curve stays
    EXPECT_EQ(chart().pointLabel(1, 10), QStringLiteral("1"));
    EXPECT_EQ(chart().pointValue(5, 40), c.altitudes[40] * 0.01); // dashed: the raw samples
    FilterWork w;
    const FilteredFlight f = FilterFlight(c.altitudes, WhichFlight::Current,
                                          window->session().current.wordCount(), 100, {}, w);
    EXPECT_EQ(window->maxEdit->text().toStdString(), FormatCentimetres(f.maximum));
    EXPECT_EQ(window->minEdit->text().toStdString(), FormatCentimetres(f.minimum));
    EXPECT_EQ(chart().pointValue(1, 40), f.cleaned[40] * 0.01);
}

TEST_F(AnalysisWindowTest, FilterIgnoresAFlightOf15Samples) {
    SynthParams p;
    p.maxLength = 32 + 15 * 4;
    ASSERT_TRUE(window->loadFlightFile(Write(QStringLiteral("s.dat"), SynthesizeFlight(p))));
    const QString maxText = window->maxEdit->text();
    const int points = chart().pointCount(1);
    window->filterCurrentFlight();
    EXPECT_EQ(chart().pointCount(5), 0);
    EXPECT_EQ(chart().pointCount(1), points);
    EXPECT_EQ(window->maxEdit->text(), maxText);
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
    window->chooseComparison();
    EXPECT_EQ(window->compareGroup->title(), QStringLiteral("high.dat"));
    EXPECT_EQ(window->compareCompetitorEdit->text(), QStringLiteral("55"));
    EXPECT_FALSE(window->compareTemperatureEdit->isReadOnly());
    EXPECT_GT(chart().pointCount(3), 100);
    EXPECT_EQ(chart().pointLabel(3, 0), QString());
    const ComparisonCurve& cmp = window->session().comparison.curve;
    EXPECT_EQ(window->compareMaxEdit->text().toStdString(), *cmp.maxText);
    EXPECT_EQ(chart().leftSetMaximum(), *cmp.leftAxisCandidate); // raised
    EXPECT_GT(chart().leftSetMaximum(), axisBefore);

    // Commands on the current flight leave the comparison alone, and the reverse.
    window->toggleSpeedCurve();
    window->toggleSpeedCurve();
    EXPECT_EQ(window->session().current.curve.altitudes, current);
    EXPECT_EQ(chart().pointCount(3), static_cast<int>(cmp.series3.size()));
    EXPECT_EQ(window->compareCompetitorEdit->text(), QStringLiteral("55"));
    window->compareTemperatureEdit->setText(QStringLiteral("-5"));
    window->comparisonTemperatureKey(QChar(13));
    EXPECT_EQ(window->session().current.curve.altitudes, current);
    EXPECT_EQ(window->session().comparison.state.flightTemperature, -5.0f);
    EXPECT_NE(window->temperatureEdit->text(), QStringLiteral("-5"));

    // A lower comparison leaves the axis where it is.
    const double axis = chart().leftSetMaximum();
    prompter.fileNames = {Write(QStringLiteral("low2.dat"), SynthesizeFlight(low))};
    window->chooseComparison();
    EXPECT_EQ(chart().leftSetMaximum(), axis);
}

TEST_F(AnalysisWindowTest, ClearingTheComparisonAndFilteringItAgain) {
    ASSERT_TRUE(window->loadComparisonFile(Write(QStringLiteral("c.dat"), SynthesizeFlight({}))));
    window->switchToEnglish();
    window->clearComparison();
    EXPECT_FALSE(window->comparisonAction->isChecked());
    EXPECT_EQ(chart().pointCount(3), 0);
    EXPECT_TRUE(window->compareMaxEdit->text().isEmpty());
    EXPECT_EQ(window->compareGroup->title(), QStringLiteral("File"));
    window->filterComparisonFlight(); // the record stays: the filter draws it again
    EXPECT_GT(chart().pointCount(3), 100);
    EXPECT_EQ(chart().pointCount(6), chart().pointCount(3));
    window->clearComparison();
    EXPECT_TRUE(window->comparisonAction->isChecked());
    // Loading a new comparison does not clear the dashed curve.
    ASSERT_TRUE(window->loadComparisonFile(Write(QStringLiteral("d.dat"), SynthesizeFlight({}))));
    EXPECT_GT(chart().pointCount(6), 0);
}

TEST_F(AnalysisWindowTest, ShortComparisonFilesAreRefused) {
    EXPECT_FALSE(window->loadComparisonFile(
        Write(QStringLiteral("t.dat"), std::vector<std::uint8_t>(10, 1))));
    EXPECT_EQ(Texts(), std::vector<QString>{QStringLiteral("Plik nie zawiera zapisu lotu")});
    EXPECT_EQ(window->compareGroup->title(), QStringLiteral("Plik"));
}

TEST_F(AnalysisWindowTest, TemperatureFieldTakesThreeDigitsAndRecomputesOnEnter) {
    ASSERT_TRUE(window->loadFlightFile(Write(QStringLiteral("a.dat"), SynthesizeFlight({}))));
    QLineEdit* e = window->temperatureEdit;
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
    EXPECT_EQ(window->maxEdit->text().toStdString(),
              FormatOneDecimal(window->session().current.curve.maximum));

    e->clear();
    QTest::keyClick(e, Qt::Key_Return);
    window->switchToEnglish();
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
    window->toggleValueMarks();
    EXPECT_TRUE(window->valueMarksAction->isChecked());
    EXPECT_TRUE(chart().marksVisible(1));
    EXPECT_TRUE(chart().marksVisible(3));
    window->toggleValueMarks();
    EXPECT_FALSE(chart().marksVisible(1));
    EXPECT_FALSE(chart().marksVisible(3));

    window->removeClickedCurve(3);
    EXPECT_EQ(chart().pointCount(3), 0);
    EXPECT_TRUE(window->compareSerialEdit->text().isEmpty());
    EXPECT_EQ(window->compareGroup->title(), QStringLiteral("Plik"));
    EXPECT_FALSE(window->maxEdit->text().isEmpty()); // the current flight's group stays

    window->removeClickedCurve(1);
    EXPECT_EQ(chart().pointCount(1), 0);
    EXPECT_GT(chart().pointCount(2), 0); // the speed curve stays
    EXPECT_TRUE(window->temperatureEdit->text().isEmpty());
    EXPECT_FALSE(window->temperatureEdit->isReadOnly());
    EXPECT_EQ(window->flightGroup->title(), QStringLiteral("Orlomat"));
    window->removeClickedCurve(2);
    EXPECT_EQ(chart().pointCount(2), 0);
    QTest::keyClick(window->temperatureEdit, Qt::Key_Return);
    EXPECT_EQ(Texts(), std::vector<QString>{QString::fromUtf8("Zła wartośc temperatury")});
    window->repaintMainCurves(); // repaints only
    EXPECT_EQ(chart().pointCount(1), 0);
}

TEST_F(AnalysisWindowTest, ExportWritesTheAltitudeTable) {
    window->exportToSpreadsheet();
    EXPECT_EQ(Texts(), std::vector<QString>{QStringLiteral("Brak danych")});
    prompter.shown.clear();

    ASSERT_TRUE(window->loadFlightFile(Write(QStringLiteral("a.dat"), SynthesizeFlight({}))));
    prompter.fileNames = {dir.filePath(QStringLiteral("lot"))};
    window->exportToSpreadsheet();
    const QString csv = dir.filePath(QStringLiteral("lot.csv"));
    const auto& table = window->session().current.curve.altitudes;
    const std::string expected = ExportBytes(table, '.');
    EXPECT_EQ(Read(csv).toStdString(), expected);
    EXPECT_EQ(Read(csv).count('\n'), static_cast<qsizetype>(table.size() - 1));

    // Again to the same name: asked; Cancel leaves the file.
    prompter.fileNames = {csv};
    prompter.confirmations = {false};
    window->filterCurrentFlight(); // the export never writes a filtered curve anyway
    window->exportToSpreadsheet();
    EXPECT_EQ(Texts(), std::vector<QString>{QString::fromUtf8("Plik istnieje. Zapisać?")});
    EXPECT_EQ(Read(csv).toStdString(), expected);

    // A comma where the region writes one.
    QLocale::setDefault(QLocale(QLocale::Polish, QLocale::Poland));
    prompter.fileNames = {dir.filePath(QStringLiteral("pl.csv"))};
    window->exportToSpreadsheet();
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(Read(dir.filePath(QStringLiteral("pl.csv"))).toStdString(), ExportBytes(table, ','));
}

TEST_F(AnalysisWindowTest, FilterDialogShowsTheStoredSettingsAndItsCaptions) {
    FilterDialog& d = *window->filterDialog;
    EXPECT_EQ(d.finalCutEdit->text(), QStringLiteral("250"));
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Orlomat-Filtr"));
    window->switchToEnglish();
    prompter.onModal = [&](QDialog&) {
        EXPECT_EQ(d.finalFilterLabel->text(), QStringLiteral("Final Filter [6-30]"));
        EXPECT_EQ(d.defaultsButton->text(), QStringLiteral("&Default"));
        EXPECT_EQ(d.saveButton->text(), QStringLiteral("&Save"));
    };
    window->openFilterSettings();
    window->switchToPolish();
    prompter.onModal = [&](QDialog&) {
        EXPECT_EQ(d.prefilterLabel->text(), QStringLiteral("Filtr wstepny [4-20]"));
        EXPECT_EQ(d.defaultsButton->text(), QStringLiteral("&Domyslne"));
    };
    window->openFilterSettings();
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

} // namespace
} // namespace orlomat
