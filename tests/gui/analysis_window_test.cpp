#include "ui/chart_view.h"
#include "files/csv_export.h"
#include "ui/filtr.h"
#include "tools/synth/flight_synth.h"
#include "core/format.h"
#include "ui/orlomat_1.h"
#include "tests/support/scripted_prompter.h"

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

class AnalysisWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        window = std::make_unique<TOrlomat_BMP>(dir.filePath(QStringLiteral("OrlomatBMP.par")),
                                                prompter);
        window->CreateDialogs();
    }
    QString Write(const QString& name, const std::vector<std::uint8_t>& bytes) {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
        return path;
    }
    QByteArray Read(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    std::vector<QString> Texts() const {
        std::vector<QString> t;
        for (const auto& m : prompter.shown)
            t.push_back(m.text);
        return t;
    }
    ChartView& chart() { return *window->chart(); }

    QTemporaryDir dir;
    test::ScriptedPrompter prompter;
    std::unique_ptr<TOrlomat_BMP> window;
};

TEST_F(AnalysisWindowTest, FilterButtonDrawsTheCleanedCurveBesideTheRawOne) {
    ASSERT_TRUE(window->LoadFlightFile(Write(QStringLiteral("a.dat"), SynthesizeFlight({}))));
    const int points = chart().pointCount(1);
    const int speed = chart().pointCount(2);
    window->B_Filtr_AltClick();
    const auto& c = window->session().current.curve;
    EXPECT_EQ(chart().pointCount(1), points);
    EXPECT_EQ(chart().pointCount(5), points);
    EXPECT_EQ(chart().pointCount(2), speed); // the speed curve stays
    EXPECT_EQ(chart().pointLabel(1, 10), QStringLiteral("1"));
    EXPECT_EQ(chart().pointValue(5, 40), c.altitudes[40] * 0.01); // dashed: the raw samples
    FilterWork w;
    const FilteredFlight f = FilterFlight(c.altitudes, WhichFlight::Current,
                                          window->session().current.wordCount(), 100, {}, w);
    EXPECT_EQ(window->E_MaxGl->text().toStdString(), FormatCentimetres(f.maximum));
    EXPECT_EQ(window->EMinimum->text().toStdString(), FormatCentimetres(f.minimum));
    EXPECT_EQ(chart().pointValue(1, 40), f.cleaned[40] * 0.01);
}

TEST_F(AnalysisWindowTest, FilterIgnoresAFlightOf15Samples) {
    SynthParams p;
    p.maxLength = 32 + 15 * 4;
    ASSERT_TRUE(window->LoadFlightFile(Write(QStringLiteral("s.dat"), SynthesizeFlight(p))));
    const QString maxText = window->E_MaxGl->text();
    const int points = chart().pointCount(1);
    window->B_Filtr_AltClick();
    EXPECT_EQ(chart().pointCount(5), 0);
    EXPECT_EQ(chart().pointCount(1), points);
    EXPECT_EQ(window->E_MaxGl->text(), maxText);
}

TEST_F(AnalysisWindowTest, ComparisonIsIndependentOfTheCurrentFlight) {
    SynthParams low;
    low.peakAltitude = 60.0f;
    SynthParams high;
    high.peakAltitude = 200.0f;
    high.competitor = 55;
    ASSERT_TRUE(window->LoadFlightFile(Write(QStringLiteral("low.dat"), SynthesizeFlight(low))));
    const double axisBefore = chart().leftSetMaximum();
    const auto current = window->session().current.curve.altitudes;
    prompter.fileNames = {Write(QStringLiteral("high.dat"), SynthesizeFlight(high))};
    window->B_PorownanieClick();
    EXPECT_EQ(window->GroupB_Por->title(), QStringLiteral("high.dat"));
    EXPECT_EQ(window->E_Zaw_Por->text(), QStringLiteral("55"));
    EXPECT_FALSE(window->E_TempPor->isReadOnly());
    EXPECT_GT(chart().pointCount(3), 100);
    EXPECT_EQ(chart().pointLabel(3, 0), QString());
    const ComparisonCurve& cmp = window->session().comparisonCurve;
    EXPECT_EQ(window->E_Max_Por->text().toStdString(), *cmp.maxText);
    EXPECT_EQ(chart().leftSetMaximum(), *cmp.leftAxisCandidate); // raised
    EXPECT_GT(chart().leftSetMaximum(), axisBefore);

    // Commands on the current flight leave the comparison alone, and the reverse.
    window->Przyspieszenie1Click();
    window->Przyspieszenie1Click();
    EXPECT_EQ(window->session().current.curve.altitudes, current);
    EXPECT_EQ(chart().pointCount(3), static_cast<int>(cmp.series3.size()));
    EXPECT_EQ(window->E_Zaw_Por->text(), QStringLiteral("55"));
    window->E_TempPor->setText(QStringLiteral("-5"));
    window->E_TempPorKeyPress(QChar(13));
    EXPECT_EQ(window->session().current.curve.altitudes, current);
    EXPECT_EQ(window->session().comparison.state.flightTemperature, -5.0f);
    EXPECT_NE(window->E_TempGl->text(), QStringLiteral("-5"));

    // A lower comparison leaves the axis where it is.
    const double axis = chart().leftSetMaximum();
    prompter.fileNames = {Write(QStringLiteral("low2.dat"), SynthesizeFlight(low))};
    window->B_PorownanieClick();
    EXPECT_EQ(chart().leftSetMaximum(), axis);
}

TEST_F(AnalysisWindowTest, ClearingTheComparisonAndFilteringItAgain) {
    ASSERT_TRUE(window->LoadComparisonFile(Write(QStringLiteral("c.dat"), SynthesizeFlight({}))));
    window->English1Click();
    window->Porownanie1Click();
    EXPECT_FALSE(window->Porownanie1->isChecked());
    EXPECT_EQ(chart().pointCount(3), 0);
    EXPECT_TRUE(window->E_Max_Por->text().isEmpty());
    EXPECT_EQ(window->GroupB_Por->title(), QStringLiteral("File"));
    window->B_Filtr_porClick(); // the record stays: the filter draws it again
    EXPECT_GT(chart().pointCount(3), 100);
    EXPECT_EQ(chart().pointCount(6), chart().pointCount(3));
    window->Porownanie1Click();
    EXPECT_TRUE(window->Porownanie1->isChecked());
    // Loading a new comparison does not clear the dashed curve.
    ASSERT_TRUE(window->LoadComparisonFile(Write(QStringLiteral("d.dat"), SynthesizeFlight({}))));
    EXPECT_GT(chart().pointCount(6), 0);
}

TEST_F(AnalysisWindowTest, ShortComparisonFilesAreRefused) {
    EXPECT_FALSE(window->LoadComparisonFile(
        Write(QStringLiteral("t.dat"), std::vector<std::uint8_t>(10, 1))));
    EXPECT_EQ(Texts(), std::vector<QString>{QStringLiteral("Plik nie zawiera zapisu lotu")});
    EXPECT_EQ(window->GroupB_Por->title(), QStringLiteral("Plik"));
}

TEST_F(AnalysisWindowTest, TemperatureFieldTakesThreeDigitsAndRecomputesOnEnter) {
    ASSERT_TRUE(window->LoadFlightFile(Write(QStringLiteral("a.dat"), SynthesizeFlight({}))));
    QLineEdit* e = window->E_TempGl;
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
    EXPECT_EQ(window->E_MaxGl->text().toStdString(),
              FormatOneDecimal(window->session().current.curve.maximum));

    e->clear();
    QTest::keyClick(e, Qt::Key_Return);
    window->English1Click();
    e->setText(QStringLiteral("65535"));
    QTest::keyClick(e, Qt::Key_Return);
    EXPECT_EQ(Texts(), (std::vector<QString>{QString::fromUtf8("Zła wartośc temperatury"),
                                             QStringLiteral("Wrong temperature")}));
    EXPECT_EQ(prompter.shown[1].caption, QStringLiteral("Altimeter - error"));
    EXPECT_EQ(window->session().current.state.flightTemperature, -5.0f);
}

TEST_F(AnalysisWindowTest, ValueMarksAndClicks) {
    ASSERT_TRUE(window->LoadFlightFile(Write(QStringLiteral("a.dat"), SynthesizeFlight({}))));
    ASSERT_TRUE(window->LoadComparisonFile(Write(QStringLiteral("b.dat"), SynthesizeFlight({}))));
    window->Warto1Click();
    EXPECT_TRUE(window->Warto1->isChecked());
    EXPECT_TRUE(chart().marksVisible(1));
    EXPECT_TRUE(chart().marksVisible(3));
    window->Warto1Click();
    EXPECT_FALSE(chart().marksVisible(1));
    EXPECT_FALSE(chart().marksVisible(3));

    window->xxx(3);
    EXPECT_EQ(chart().pointCount(3), 0);
    EXPECT_TRUE(window->E_NrS_Por->text().isEmpty());
    EXPECT_EQ(window->GroupB_Por->title(), QStringLiteral("Plik"));
    EXPECT_FALSE(window->E_MaxGl->text().isEmpty()); // the current flight's group stays

    window->xxx(1);
    EXPECT_EQ(chart().pointCount(1), 0);
    EXPECT_GT(chart().pointCount(2), 0); // the speed curve stays
    EXPECT_TRUE(window->E_TempGl->text().isEmpty());
    EXPECT_FALSE(window->E_TempGl->isReadOnly());
    EXPECT_EQ(window->GroupB_Alt->title(), QStringLiteral("Orlomat"));
    window->xxx(2);
    EXPECT_EQ(chart().pointCount(2), 0);
    QTest::keyClick(window->E_TempGl, Qt::Key_Return);
    EXPECT_EQ(Texts(), std::vector<QString>{QString::fromUtf8("Zła wartośc temperatury")});
    window->ppp(); // repaints only
    EXPECT_EQ(chart().pointCount(1), 0);
}

TEST_F(AnalysisWindowTest, ExportWritesTheAltitudeTable) {
    window->ZapiszdoExcela1Click();
    EXPECT_EQ(Texts(), std::vector<QString>{QStringLiteral("Brak danych")});
    prompter.shown.clear();

    ASSERT_TRUE(window->LoadFlightFile(Write(QStringLiteral("a.dat"), SynthesizeFlight({}))));
    prompter.fileNames = {dir.filePath(QStringLiteral("lot"))};
    window->ZapiszdoExcela1Click();
    const QString csv = dir.filePath(QStringLiteral("lot.csv"));
    const auto& table = window->session().current.curve.altitudes;
    const std::string expected = ExportBytes(table, '.');
    EXPECT_EQ(Read(csv).toStdString(), expected);
    EXPECT_EQ(Read(csv).count('\n'), static_cast<qsizetype>(table.size() - 1));

    // Again to the same name: asked; Cancel leaves the file.
    prompter.fileNames = {csv};
    prompter.confirmations = {false};
    window->B_Filtr_AltClick(); // the export never writes a filtered curve anyway
    window->ZapiszdoExcela1Click();
    EXPECT_EQ(Texts(), std::vector<QString>{QString::fromUtf8("Plik istnieje. Zapisać?")});
    EXPECT_EQ(Read(csv).toStdString(), expected);

    // A comma where the region writes one.
    QLocale::setDefault(QLocale(QLocale::Polish, QLocale::Poland));
    prompter.fileNames = {dir.filePath(QStringLiteral("pl.csv"))};
    window->ZapiszdoExcela1Click();
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(Read(dir.filePath(QStringLiteral("pl.csv"))).toStdString(), ExportBytes(table, ','));
}

TEST_F(AnalysisWindowTest, FilterDialogDefaultsFallbacksAndRanges) {
    TF_Filtr& d = *window->F_Filtr;
    EXPECT_EQ(d.Ed_ObcDokl->text(), QStringLiteral("250"));
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Orlomat-Filtr"));
    window->English1Click();
    prompter.onModal = [&](QDialog&) {
        EXPECT_EQ(d.Label4->text(), QStringLiteral("Final Filter [6-30]"));
        EXPECT_EQ(d.Button1->text(), QStringLiteral("Default"));
        d.Ed_ObcDokl->setText(QStringLiteral("abc"));
        d.Ed_Filtr2->setText(QStringLiteral("x"));
        d.Button2Click();
    };
    window->Ustawienia2Click();
    const SettingsRecord& s = window->session().settings;
    EXPECT_EQ(s.finalCut, 350);
    EXPECT_EQ(s.finalFilterWidth, 13);

    prompter.onModal = [&](QDialog&) {
        d.Button1Click();
        d.Button2Click();
    };
    window->Ustawienia2Click();
    EXPECT_EQ(s.preCut, 350);
    EXPECT_EQ(s.finalCut, 250);
    EXPECT_EQ(s.prefilterWidth, 8);
    EXPECT_EQ(s.finalFilterWidth, 12);

    prompter.onModal = [&](QDialog&) {
        d.Ed_Filtr1->setText(QStringLiteral("0"));
        d.Button2Click();
        EXPECT_TRUE(d.isVisible()); // refused: the dialog stays
    };
    window->Ustawienia2Click();
    EXPECT_EQ(s.prefilterWidth, 8);
    EXPECT_EQ(Texts(), std::vector<QString>{QStringLiteral(
                           "Filter values out of range: cuts from 0, widths from 1 to 100")});
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
    TOrlomat_BMP w(f.fileName(), prompter);
    EXPECT_EQ(w.session().settings.prefilterWidth, 8);
    EXPECT_EQ(w.session().settings.finalCut, 250);
    EXPECT_EQ(w.session().settings.finalFilterWidth, 30);
}

} // namespace
} // namespace orlomat
