// The Charts menu's rule readings: the menu and its dialog, the reading beside the figures in
// both languages, its marks on the chart, F5J's motor stop set by a click, the export's local
// dialect.
#include "analysis/flight_stats.h"
#include "analysis/rule_readings.h"
#include "files/csv_export.h"
#include "files/spreadsheet_csv.h"
#include "tests/support/window_controls.h"
#include "tests/support/window_fixture.h"
#include "tools/synth/flight_synth.h"
#include "ui/chart_view.h"
#include "ui/main_window.h"
#include "ui/rule_dialog.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>

#include <gtest/gtest.h>

namespace orlomat {
namespace {

using namespace test;

QString Words(ReadingText t, Language l) {
    return QString::fromUtf8(Tr(t, l));
}

class RuleReading : public WindowTest {
protected:
    void SetUp() override {
        OpenWindow();
        window->resize(1300, 834);
        window->show();
        path = Write(QStringLiteral("lot.dat"), SynthesizeFlight(params));
        flight = DecodeRecord(SynthesizeFlight(params), FlightSource::File);
        launchS = *ComputeStats(FlightTables(flight)).launchS;
        rate = flight.state.samplingRate;
    }
    // Chooses `action` and answers its dialog with `first` (and `second`), or cancels it.
    void Choose(const char* action, const QString& first, const QString& second = {},
                bool cancel = false) {
        prompter.onModal = [&](QDialog& d) {
            Named<QLineEdit>(d, "RuleFirst")->setText(first);
            if (auto* s = d.findChild<QLineEdit*>(QStringLiteral("RuleSecond"))) s->setText(second);
            if (!cancel) d.accept();
        };
        Trigger(*window, action);
        prompter.onModal = nullptr;
    }
    QString Reading() const { return window->chart()->readingText(); }
    double At(double seconds) const { return seconds * rate / 10.0; }

    SynthParams params;
    QString path;
    Flight flight;
    double launchS = 0.0;
    std::uint32_t rate = 0;
};

// A rule chosen by mistake would change the designed window: none is the default, and a
// cancelled dialog keeps the rule in force.
TEST_F(RuleReading, TheMenuStartsWithNoneAndEscapeKeepsTheRuleInForce) {
    QMenu* charts = Menu(*window, "Widok1");
    QMenu* rules = charts->findChild<QMenu*>(QStringLiteral("Regula1"));
    ASSERT_NE(rules, nullptr);
    EXPECT_EQ(rules->actions().size(), 5);
    EXPECT_TRUE(Action(*window, "RegulaBrak1")->isChecked());
    ASSERT_TRUE(window->loadFlightFile(path));
    EXPECT_TRUE(Reading().isEmpty());
    EXPECT_FALSE(window->chart()->marks().window);

    Choose("RegulaF1Dogrywka1", QStringLiteral("30"));
    EXPECT_TRUE(Action(*window, "RegulaF1Dogrywka1")->isChecked());
    const QString f1 = Reading();
    EXPECT_FALSE(f1.isEmpty());
    Choose("RegulaF5J1", QStringLiteral("5"), {}, true); // Escape
    EXPECT_TRUE(Action(*window, "RegulaF1Dogrywka1")->isChecked());
    EXPECT_FALSE(Action(*window, "RegulaF5J1")->isChecked());
    EXPECT_EQ(Reading(), f1);
    Trigger(*window, "RegulaBrak1");
    EXPECT_TRUE(Reading().isEmpty());
    EXPECT_TRUE(window->chart()->marks().lines.empty());

    for (const auto& [language, l] :
         {std::pair{"Polski1", Language::Polish}, std::pair{"English1", Language::English}}) {
        Trigger(*window, language);
        EXPECT_EQ(rules->title(), Words(ReadingText::Rule, l));
        EXPECT_EQ(Action(*window, "RegulaF5J1")->text(), Words(ReadingText::MenuF5j, l));
        EXPECT_EQ(Action(*window, "CsvLokalny1")->text(), Words(ReadingText::LocalSpreadsheet, l));
    }
}

// Each field's check, in both languages; what passes is what the reading gets.
TEST(RuleDialogChecks, EachFieldIsCheckedBeforeTheDialogCloses) {
    struct Case {
        Rule rule;
        const char *first, *second;
        ReadingText problem; // Count: accepted
        double value;
    };
    const Case cases[] = {
        {Rule::F1Flyoff, "180", "", ReadingText::Count, 180.0},
        {Rule::F1Flyoff, " 12,5 ", "3", ReadingText::Count, 12.5},
        {Rule::F1Flyoff, "0", "", ReadingText::NeedPositiveNumber, 0},
        {Rule::F1Flyoff, "abc", "", ReadingText::NeedPositiveNumber, 0},
        {Rule::F1Flyoff, "180", "0", ReadingText::NeedSignature, 0},
        {Rule::F1Flyoff, "180", "2.5", ReadingText::NeedSignature, 0},
        {Rule::F5jStart, "30", "", ReadingText::Count, 30.0},
        {Rule::F5jStart, "30,1", "", ReadingText::NeedMotorStop, 0},
        {Rule::F5jStart, "-1", "", ReadingText::NeedMotorStop, 0},
        {Rule::Apogee, "", "", ReadingText::Count, 0},
        {Rule::Apogee, "120", "", ReadingText::Count, 120.0},
        {Rule::Apogee, "-5", "", ReadingText::NeedPositiveNumber, 0},
        {Rule::Timekeeper, "", "", ReadingText::NeedPositiveNumber, 0},
        {Rule::Timekeeper, "1e3", "", ReadingText::NeedPositiveNumber, 0},
    };
    for (const Language l : {Language::Polish, Language::English})
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.first) + " / " + c.second);
            RuleDialog d(c.rule, {}, l);
            d.show();
            Named<QLineEdit>(d, "RuleFirst")->setText(QString::fromUtf8(c.first));
            if (auto* s = d.findChild<QLineEdit*>(QStringLiteral("RuleSecond")))
                s->setText(QString::fromUtf8(c.second));
            d.accept();
            if (c.problem == ReadingText::Count) {
                EXPECT_EQ(d.result(), QDialog::Accepted);
                EXPECT_TRUE(d.problem().isEmpty());
                // The apogee with a target is the precision rule.
                EXPECT_EQ(d.choice().rule,
                          c.rule == Rule::Apogee && c.value > 0 ? Rule::Precision : c.rule);
                EXPECT_DOUBLE_EQ(d.choice().value, c.value);
            } else {
                EXPECT_TRUE(d.isVisible()) << "closed with a wrong number";
                EXPECT_EQ(d.problem(), Words(c.problem, l));
                // Wrapped, the words show whole: the label gets the height of all its lines.
                QApplication::processEvents();
                const auto* label = Named<QLabel>(d, "RuleProblem");
                EXPECT_GE(label->height(), label->heightForWidth(label->width()));
            }
        }
}

// The reading in the language in force, worded again on a switch, with the figures the
// reading of the flight gives.
TEST_F(RuleReading, TheReadingFollowsTheLanguage) {
    ASSERT_TRUE(window->loadFlightFile(path));
    Choose("RegulaF5J1", QStringLiteral("5"));
    const F5jReading r = ReadF5j(flight, 5.0);
    ASSERT_TRUE(r.startHeightRoundedM);
    QLabel* label = Named<QLabel>(*window->chart(), "RuleReading");
    for (const auto& [language, l, other] :
         {std::tuple{"English1", Language::English, Language::Polish},
          std::tuple{"Polski1", Language::Polish, Language::English}}) {
        Trigger(*window, language);
        SCOPED_TRACE(language);
        EXPECT_TRUE(Reading().contains(Words(ReadingText::StartHeight, l)));
        EXPECT_FALSE(Reading().contains(Words(ReadingText::StartHeight, other)));
        EXPECT_TRUE(Reading().contains(QStringLiteral("FAI F5 5.5.11")));
        EXPECT_TRUE(Reading().contains(QString::number(*r.startHeightRoundedM) + " m)"));
        EXPECT_EQ(label->accessibleName(), Words(ReadingText::ReadingName, l));
    }
    // A refusal is worded too: a motor stop clicked past the longest run.
    window->chart()->seriesClickedAt(Series::Altitude, At(launchS + 40.0));
    const QString tooLong = Words(ReadingText::RefusedRunTooLong, Language::Polish);
    EXPECT_TRUE(Reading().contains(tooLong.left(tooLong.indexOf(QLatin1Char('%')))));
    EXPECT_FALSE(window->chart()->marks().points.size()) << "no start height to mark";
}

// Each rule's marks where its reading puts them, on the chart's time axis.
TEST_F(RuleReading, EachRuleDrawsItsWindowOrInstant) {
    ASSERT_TRUE(window->loadFlightFile(path));
    ChartView* chart = window->chart();

    Choose("RegulaF1Dogrywka1", QStringLiteral("30"));
    const F1FlyoffReading f1 = ReadF1Flyoff(flight, 30.0);
    ASSERT_TRUE(f1.altitudeM);
    ChartView::Marks m = chart->marks();
    ASSERT_EQ(m.lines.size(), 1u);
    EXPECT_NEAR(m.lines[0], At(launchS + 30.0), 1e-9);
    ASSERT_EQ(m.points.size(), 1u);
    EXPECT_NEAR(m.points[0].y(), *f1.altitudeM, 1e-9);
    EXPECT_FALSE(m.window);

    Choose("RegulaF5J1", QStringLiteral("5"));
    const F5jReading f5 = ReadF5j(flight, 5.0);
    m = chart->marks();
    ASSERT_TRUE(m.window);
    EXPECT_NEAR(m.window->first, At(launchS), 1e-9);
    EXPECT_NEAR(m.window->second, At(launchS + 15.0), 1e-9);
    ASSERT_EQ(m.points.size(), 1u);
    EXPECT_NEAR(m.points[0].x(), At(launchS + *f5.startHeightAtS), 1e-9);
    EXPECT_TRUE(m.lines.empty());

    Choose("RegulaApogeum1", QString());
    const ApogeeReading ap = ReadApogee(flight);
    m = chart->marks();
    ASSERT_EQ(m.points.size(), 1u);
    EXPECT_NEAR(m.points[0].x(), At(*ap.apogeeAtS), 1e-9);
    EXPECT_NEAR(m.points[0].y(), *ap.apogeeM, 1e-9);
    EXPECT_FALSE(m.window);

    Choose("RegulaSedzia1", QStringLiteral("60"));
    const TimekeeperReading tk = ReadTimekeeper(flight, 60.0);
    m = chart->marks();
    ASSERT_EQ(m.lines.size(), 2u);
    EXPECT_NEAR(m.lines[0], At(launchS), 1e-9);
    EXPECT_NEAR(m.lines[1], At(launchS + *tk.traceDurationS), 1e-9);
    EXPECT_TRUE(m.points.empty());

    // The marks go with the flight's curve.
    chart->seriesClicked(Series::Altitude);
    EXPECT_TRUE(chart->marks().lines.empty());
    EXPECT_TRUE(Reading().isEmpty());
}

// With F5J chosen a click on a curve sets the motor stop there; with no rule it still
// removes the curve.
TEST_F(RuleReading, AClickSetsF5jsMotorStopAndOtherwiseRemovesTheCurve) {
    ASSERT_TRUE(window->loadFlightFile(path));
    ChartView* chart = window->chart();
    Choose("RegulaF5J1", QStringLiteral("5"));
    const int points = chart->pointCount(Series::Altitude);
    chart->seriesClickedAt(Series::Altitude, At(launchS + 8.0));
    chart->seriesClicked(Series::Altitude); // a click raises both
    EXPECT_EQ(chart->pointCount(Series::Altitude), points);
    ASSERT_TRUE(chart->marks().window);
    EXPECT_NEAR(chart->marks().window->second, At(launchS + 18.0), 1e-6);
    const F5jReading r = ReadF5j(flight, 8.0);
    EXPECT_TRUE(Reading().contains(QString::number(*r.startHeightRoundedM) + " m)"));

    Trigger(*window, "RegulaBrak1");
    chart->seriesClickedAt(Series::Altitude, At(launchS + 8.0));
    chart->seriesClicked(Series::Altitude);
    EXPECT_EQ(chart->pointCount(Series::Altitude), 0);
}

// The reading's strip over no control, no curve and no caption, at the smallest window the
// manual names (and at 1.5 times the scale: gui_texts_scaled).
TEST_F(RuleReading, TheReadingFitsAt1024x700OverNothing) {
    ASSERT_TRUE(window->loadFlightFile(path));
    ASSERT_TRUE(window->loadComparisonFile(path));
    window->resize(1024, 700);
    QApplication::processEvents();
    for (const char* language : {"Polski1", "English1"}) {
        Trigger(*window, language);
        Choose("RegulaF1Dogrywka1", QStringLiteral("30"), QStringLiteral("2"));
        QApplication::processEvents();
        ChartView* chart = window->chart();
        const QRect reading = chart->readingRect();
        ASSERT_FALSE(reading.isEmpty()) << language;
        QLabel* label = Named<QLabel>(*chart, "RuleReading");
        EXPECT_LE(label->heightForWidth(label->width()), reading.height()) << "text cut";
        EXPECT_LE(reading.bottom(), chart->plotRect().top()) << language;
        EXPECT_LE(reading.right(), chart->width()) << language;
        EXPECT_FALSE(reading.intersects(Named<QLabel>(*chart, "Label4")->geometry()));
        EXPECT_FALSE(reading.intersects(chart->legendRect()));
    }
}

// The export as it was unless the local dialect is asked for.
TEST_F(RuleReading, TheExportWritesTheLocalDialectOnlyWhenAsked) {
    ASSERT_TRUE(window->loadFlightFile(path));
    const QString plain = dir.filePath(QStringLiteral("plain.csv"));
    const QString local = dir.filePath(QStringLiteral("local.csv"));
    prompter.fileNames = {plain, local};
    Trigger(*window, "ZapiszdoExcela1");
    const std::string expected = ExportBytes(flight.curve.altitudes, DecimalSeparator());
    EXPECT_EQ(Read(plain), QByteArray(expected.data(), static_cast<qsizetype>(expected.size())));
    Trigger(*window, "CsvLokalny1");
    Trigger(*window, "ZapiszdoExcela1");
    const QByteArray bytes = Read(local);
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF" +
                                 Words(ReadingText::TimeColumn, Language::Polish).toUtf8() + ';'));
    EXPECT_TRUE(bytes.contains("\r\n0,00;")) << "the first time, in the local dialect";
    EXPECT_EQ(bytes.count("\r\n"), static_cast<qsizetype>(flight.curve.chartedCount() + 1));
}

} // namespace
} // namespace orlomat
