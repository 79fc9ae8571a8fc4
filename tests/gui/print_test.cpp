#include "app/cli.h"
#include "core/format.h"
#include "tests/support/window_controls.h"
#include "tests/support/window_fixture.h"
#include "tools/synth/flight_synth.h"
#include "ui/chart_view.h"
#include "ui/main_window.h"
#include "ui/picture_output.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QImage>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <sstream>

namespace orlomat {
namespace {

using namespace test; // the window's controls by their designed names

class PrintTest : public test::WindowTest {
protected:
    void SetUp() override {
        OpenWindow();
        window->resize(1300, 834);
        window->show();
    }
    QString Flight() {
        const QString path = dir.filePath(QStringLiteral("lot.dat"));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        const auto b = SynthesizeFlight({});
        f.write(reinterpret_cast<const char*>(b.data()), static_cast<qsizetype>(b.size()));
        return path;
    }
    // The second title line as the fields on screen give it.
    QString FiguresLine(const char* sampling) {
        return QStringLiteral("        Max: ") + Edit(*window, "E_MaxGl")->text() +
               QStringLiteral(" m    Min: ") + Edit(*window, "EMinimum")->text() +
               QStringLiteral("m    Temp: ") + Edit(*window, "E_TempGl")->text() +
               QString::fromUtf8("°C    ") + QString::fromUtf8(sampling) + QStringLiteral(": ") +
               Edit(*window, "E_probkGl")->text();
    }
    // The lowest row of the rasterised PDF page with ink, as a fraction of the page height.
    double LowestInk(const QString& pdf) {
        const QString stem = dir.filePath(QStringLiteral("page"));
        QProcess::execute(QStringLiteral("pdftoppm"),
                          {QStringLiteral("-r"), QStringLiteral("30"), QStringLiteral("-png"),
                           QStringLiteral("-singlefile"), pdf, stem});
        const QImage page(stem + QStringLiteral(".png"));
        if (page.isNull()) return -1;
        for (int y = page.height() - 1; y >= 0; --y)
            for (int x = 0; x < page.width(); ++x)
                if (qGray(page.pixel(x, y)) < 200)
                    return static_cast<double>(y + 1) / page.height();
        return 0;
    }
};

// The print title, as the picture dialog shows it over the chart: the flight's figures as the
// fields show them, a competitor number as typed.
TEST_F(PrintTest, TitleLinesInBothLanguages) {
    QStringList lines;
    QColor background;
    prompter.onPictureDialog = [&] {
        lines = window->chart()->titleLines();
        background = window->chart()->backgroundColor();
    };
    Trigger(*window, "English1");
    ASSERT_TRUE(window->loadFlightFile(Flight()));
    Edit(*window, "E_NrZawodnika")->setText(QStringLiteral("21")); // typed by the user
    Trigger(*window, "ZapiszObraz1");                              // the dialog cancelled: no file
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0],
              QStringLiteral("        Read from:lot.dat    Competitor No.: 21    Serial No.: 345"));
    EXPECT_EQ(lines[1], QStringLiteral(" "));
    EXPECT_EQ(lines[2], FiguresLine("Sampling"));
    EXPECT_TRUE(lines[2].startsWith(
        QStringLiteral("        Max: ") +
        QString::fromStdString(FormatOneDecimal(window->session().current.curve.maximum, '.')) +
        QStringLiteral(" m")))
        << lines[2].toStdString();
    EXPECT_TRUE(lines[2].endsWith(QStringLiteral("Sampling: 10 pom/sek")));
    EXPECT_EQ(background, QColor(Qt::white));
    EXPECT_EQ(window->chart()->titleLines(),
              QStringList{QStringLiteral("            Wysokosc / Altitude")});
    EXPECT_EQ(window->chart()->backgroundColor(), QColor(243, 243, 243));

    // A click on the flight's curve takes the curve and its figures: the title has none.
    Trigger(*window, "Polski1");
    window->chart()->seriesClicked(Series::Altitude);
    Trigger(*window, "ZapiszObraz1");
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0],
              QStringLiteral("        Odczyt z: Orlomat    Nr.Zawodnika:     Nr.Seryjny: "));
    EXPECT_EQ(lines[2], FiguresLine("Pomiary"));
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("        Max:  m    Min: m")));
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(PrintTest, PrintLeavesTheBottomMarginFreeForEachOrientation) {
    if (QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty())
        GTEST_SKIP() << "pdftoppm (poppler-utils) is not installed";
    ASSERT_TRUE(window->loadFlightFile(Flight()));
    const QString landscape = dir.filePath(QStringLiteral("l.pdf"));
    const QString portrait = dir.filePath(QStringLiteral("p.pdf"));
    for (const auto& [file, orientation] : {std::pair{landscape, QPageLayout::Landscape},
                                            std::pair{portrait, QPageLayout::Portrait}}) {
        prompter.onPrinterSetup = [&](QPrinter& p) {
            p.setOutputFormat(QPrinter::PdfFormat);
            p.setOutputFileName(file);
            p.setPageOrientation(orientation);
        };
        Trigger(*window, "UstawDrukarke1");
        Trigger(*window, "Drukuj1");
        EXPECT_EQ(window->chart()->titleLines(),
                  QStringList{QStringLiteral("            Wysokosc / Altitude")});
    }
    EXPECT_EQ(prompter.shown.size(), 2u); // where each PDF went
    const double l = LowestInk(landscape), p = LowestInk(portrait);
    EXPECT_GT(l, 0.6);
    EXPECT_LE(l, 0.76);
    EXPECT_GT(p, 0.3);
    EXPECT_LE(p, 0.46);
}

// No printer at all: neither a system printer nor a file chosen.
void ForgetPrinter(QPrinter& printer) {
    printer.setOutputFileName(QString());
    printer.setPrinterName(QString());
}

TEST_F(PrintTest, PrintWithNoPrinterOffersTheSetUpInsteadOfFailing) {
    ASSERT_TRUE(window->loadFlightFile(Flight()));
    const QString pdf = dir.filePath(QStringLiteral("lot.pdf"));
    const auto choosePdf = [&](QPrinter& p) {
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName(pdf);
    };
    const struct {
        bool english;
        std::function<void(QPrinter&)> choice;
        bool confirmed;
        const char* message; // "" = none
        bool printed;
        const char* fault;
    } cases[] = {
        {false, choosePdf, true, "", true, "print fails instead of asking for a printer"},
        {true, choosePdf, true, "", true, "the English window fails instead of asking"},
        {false, choosePdf, false, "", false, "a cancelled set-up prints or complains"},
        {false, nullptr, true, "Nie można wydrukować: nie wybrano drukarki ani pliku", false,
         "a set-up without a choice gives the empty \": :\" and the word \"printer\""},
        {true, nullptr, true, "Cannot print: no printer or file was chosen", false,
         "the English reason is missing"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        Trigger(*window, c.english ? "English1" : "Polski1");
        QFile::remove(pdf);
        ForgetPrinter(window->printer());
        ASSERT_FALSE(HasPrintDestination(window->printer())) << "the test needs no printer";
        prompter.shown.clear();
        prompter.printerSetupCaptions.clear();
        prompter.onPrinterSetup = c.choice;
        prompter.printerSetupConfirmed = c.confirmed;
        Trigger(*window, "Drukuj1");
        EXPECT_EQ(prompter.printerSetupCaptions,
                  QStringList{c.english ? QStringLiteral("Printer Setup")
                                        : QStringLiteral("Ustaw Drukarke")});
        EXPECT_EQ(QFileInfo::exists(pdf), c.printed);
        if (*c.message == 0 && c.printed) { // where the PDF went, in the window's language
            ASSERT_EQ(prompter.shown.size(), 1u);
            EXPECT_EQ(prompter.shown[0].text,
                      (c.english ? QStringLiteral("The printout was written to the PDF file: ")
                                 : QStringLiteral("Wydruk zapisany w pliku PDF: ")) +
                          QDir::toNativeSeparators(pdf));
        } else if (*c.message == 0) {
            EXPECT_TRUE(prompter.shown.empty()) << prompter.shown[0].text.toStdString();
        } else {
            ASSERT_EQ(prompter.shown.size(), 1u);
            EXPECT_EQ(prompter.shown[0].text, QString::fromUtf8(c.message));
        }
        EXPECT_EQ(window->chart()->titleLines(),
                  QStringList{QStringLiteral("            Wysokosc / Altitude")});
    }
}

TEST_F(PrintTest, TheSetUpChoiceIsRememberedForPrint) {
    ASSERT_TRUE(window->loadFlightFile(Flight()));
    ForgetPrinter(window->printer());
    const QString pdf = dir.filePath(QStringLiteral("setup.pdf"));
    prompter.onPrinterSetup = [&](QPrinter& p) {
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName(pdf);
        p.setPageOrientation(QPageLayout::Portrait);
    };
    Trigger(*window, "English1");
    Trigger(*window, "UstawDrukarke1");
    EXPECT_EQ(prompter.printerSetupCaptions, QStringList{QStringLiteral("Printer Setup")});
    prompter.onPrinterSetup = nullptr;
    for (int print = 0; print < 2; ++print) {
        QFile::remove(pdf);
        Trigger(*window, "Drukuj1");
        EXPECT_TRUE(QFileInfo::exists(pdf)) << "print " << print << " forgot the chosen file";
    }
    EXPECT_EQ(prompter.printerSetupCaptions.size(), 1) << "print asked again";
    EXPECT_EQ(window->printer().pageLayout().orientation(), QPageLayout::Portrait);
    ASSERT_EQ(prompter.shown.size(), 2u);
    for (const auto& m : prompter.shown)
        EXPECT_EQ(m.text, QStringLiteral("The printout was written to the PDF file: ") +
                              QDir::toNativeSeparators(pdf));
}

TEST_F(PrintTest, APrintFailureNamesTheFileAndTheReasonOnly) {
    ASSERT_TRUE(window->loadFlightFile(Flight()));
    const QString pdf = dir.filePath(QStringLiteral("no/such/folder/lot.pdf"));
    window->printer().setOutputFormat(QPrinter::PdfFormat);
    window->printer().setOutputFileName(pdf);
    Trigger(*window, "Drukuj1");
    EXPECT_TRUE(prompter.printerSetupCaptions.isEmpty()) << "a chosen file asks for a printer";
    ASSERT_EQ(prompter.shown.size(), 1u);
    const QString text = prompter.shown[0].text;
    const QString start = QString::fromUtf8("Nie można wydrukować: ") + pdf + QStringLiteral(": ");
    EXPECT_TRUE(text.startsWith(start)) << text.toStdString();
    EXPECT_GT(text.size(), start.size()) << "no reason given";
    EXPECT_FALSE(text.contains(QStringLiteral(": :")) || text.contains(QStringLiteral("::")))
        << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("printer"))) << text.toStdString();
}

TEST_F(PrintTest, PictureNamesAndSize) {
    ASSERT_TRUE(window->loadFlightFile(Flight()));
    const struct {
        const char *chosen, *written;
    } cases[] = {{"lot", "lot.bmp"}, {"lot.BMP", "lot.BMP.bmp"}, {"lot.bmp.old", "lot.bmp.old"}};
    for (const auto& c : cases) {
        prompter.fileNames = {dir.filePath(QString::fromLatin1(c.chosen))};
        Trigger(*window, "ZapiszObraz1");
        const QImage picture(dir.filePath(QString::fromLatin1(c.written)), "BMP");
        ASSERT_FALSE(picture.isNull()) << c.written;
        EXPECT_EQ(picture.size(), window->chart()->size());
        // The print title and white background are in the picture.
        EXPECT_EQ(QColor(picture.pixel(2, 2)), QColor(Qt::white));
    }
    EXPECT_EQ(prompter.dialogStartNames.back(), dir.filePath(QStringLiteral("lot.BMP")));
    EXPECT_EQ(window->chart()->backgroundColor(), QColor(243, 243, 243));

    prompter.fileNames = {QString()}; // cancelled: nothing written, the screen look returns
    Trigger(*window, "ZapiszObraz1");
    EXPECT_EQ(window->chart()->titleLines(),
              QStringList{QStringLiteral("            Wysokosc / Altitude")});

    prompter.fileNames = {dir.filePath(QStringLiteral("no/such/folder/x"))};
    Trigger(*window, "ZapiszObraz1");
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_TRUE(prompter.shown[0].text.startsWith(QString::fromUtf8("Nie można zapisać pliku ")));
    EXPECT_EQ(window->chart()->backgroundColor(), QColor(243, 243, 243));
}

TEST_F(PrintTest, InfoIsModal) {
    bool modal = false;
    prompter.onModal = [&](QDialog& d) {
        modal = d.isModal() && d.windowTitle() == QStringLiteral("Orlomat USB");
    };
    Trigger(*window, "Info1");
    EXPECT_EQ(prompter.modals, 1);
    EXPECT_TRUE(modal);
}

TEST_F(PrintTest, PlotCommandWritesAPictureThatIsNotBlank) {
    const QString out = dir.filePath(QStringLiteral("plot.png"));
    std::ostringstream o, e;
    ASSERT_EQ(
        RunCli({"plot", Flight().toStdString(), "--lang", "en", "-o", out.toStdString()}, o, e), 0)
        << e.str();
    const QImage image(out);
    ASSERT_FALSE(image.isNull());
    int red = 0;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2)
            red += QColor(image.pixel(x, y)) == QColor(232, 0, 0);
    EXPECT_GT(red, 100);
    EXPECT_EQ(RunCli({"plot", Flight().toStdString(), "-o",
                      dir.filePath(QStringLiteral("x.gif")).toStdString()},
                     o, e),
              1);
}

TEST_F(PrintTest, PlotCompareDrawsAComparisonAtAnotherRateAtItsOwnTimes) {
    // A 15/s flight and a higher 10/s one, both peaking 11 s after their start: the green
    // peak stands above the red one, not at two thirds of its time.
    SynthParams p;
    p.spike = false;
    p.samplingCode = 1;
    const auto current = SynthesizeFlight(p);
    p.samplingCode = 2;
    p.peakAltitude = 160.0f;
    const auto comparison = SynthesizeFlight(p);
    const QString a = dir.filePath(QStringLiteral("a.dat")),
                  b = dir.filePath(QStringLiteral("b.dat"));
    for (const auto& [path, bytes] : {std::pair{a, current}, std::pair{b, comparison}}) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    }
    const QString out = dir.filePath(QStringLiteral("cmp.png"));
    std::ostringstream o, e;
    ASSERT_EQ(
        RunCli({"plot", a.toStdString(), "--compare", b.toStdString(), "-o", out.toStdString()}, o,
               e),
        0)
        << e.str();
    const QImage image(out);
    ASSERT_FALSE(image.isNull());
    // The column of a colour's highest pixel, left of the legend (both peak early).
    const auto peakColumn = [&](QColor colour) {
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width() / 2; ++x)
                if (QColor(image.pixel(x, y)) == colour) return x;
        return -1;
    };
    const int red = peakColumn(QColor(232, 0, 0)), green = peakColumn(QColor(0, 230, 0));
    ASSERT_GT(red, 0);
    ASSERT_GT(green, 0);
    EXPECT_NEAR(green, red, 8) << "the comparison is drawn by sample position";
}

} // namespace
} // namespace orlomat
