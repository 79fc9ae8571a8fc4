// What a contest day's new user met in the window: captions that follow the files through a
// language switch, texts that fit their room (also at 1.5 times the scale: the suite runs this
// file's fitting test again with QT_SCALE_FACTOR=1.5), the file dialogs' titles and folders,
// one accelerator letter per action across both languages, the window's options, the printed
// page's title and units, and the flights list's cut-off downloads.
#include "contest/flight_columns.h"
#include "device/port_finder.h"
#include "tests/support/window_controls.h"
#include "tests/support/window_fixture.h"
#include "tools/synth/flight_synth.h"
#include "ui/chart_view.h"
#include "ui/contest_words.h"
#include "ui/flights_list_window.h"
#include "ui/main_window.h"
#include "ui/widgets.h"
#include "ui/window_arguments.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPrinter>
#include <QPushButton>
#include <QTableView>

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace orlomat {
namespace {

using namespace test;

class WindowTexts : public WindowTest {
protected:
    void SetUp() override {
        OpenWindow();
        window->resize(1300, 834);
        window->show();
    }
    QString Flight(const QString& name, SynthParams p = {}) {
        return Write(name, SynthesizeFlight(p));
    }
};

// The letter after the single "&" of a control's text, lower case; 0 when none.
QChar Accelerator(const QString& text) {
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != u'&') continue;
        if (text[i + 1] == u'&') {
            ++i;
            continue;
        }
        return text[i + 1].toLower();
    }
    return QChar();
}

TEST_F(WindowTexts, ALanguageSwitchKeepsTheFileNamesInTheGroupCaptions) {
    const QString current = Flight(QStringLiteral("c6_code0.dat"));
    const QString other = Flight(QStringLiteral("por.dat"));
    ASSERT_TRUE(window->loadFlightFile(current));
    ASSERT_TRUE(window->loadComparisonFile(other));
    for (const char* language : {"English1", "Polski1", "English1"}) {
        Trigger(*window, language);
        EXPECT_EQ(Group(*window, "GroupB_Alt")->title(), QStringLiteral("c6_code0.dat"))
            << language;
        EXPECT_EQ(Group(*window, "GroupB_Por")->title(), QStringLiteral("por.dat")) << language;
    }
    // A removed curve gives its group the generic caption, which then follows the language.
    window->chart()->seriesClicked(Series::Comparison);
    EXPECT_EQ(Group(*window, "GroupB_Por")->title(), QStringLiteral("File"));
    Trigger(*window, "Polski1");
    EXPECT_EQ(Group(*window, "GroupB_Por")->title(), QStringLiteral("Plik"));
    EXPECT_EQ(Group(*window, "GroupB_Alt")->title(), QStringLiteral("c6_code0.dat"));
}

// Each text the window shows against its room: group captions within their frame and above
// the labels, each label before the next column, the legend's names inside its frame, the
// flights list's notes within their column. 1024 x 700, both languages.
TEST_F(WindowTexts, EveryTextFitsItsRoomAt1024x700) {
    if (MeasuredWithWinesSubstituteFonts()) GTEST_SKIP() << "Wine's substitute fonts";
    const QString longName = QStringLiteral("C012_S00312_20261207-175747_partial.dat");
    const QString otherName = QStringLiteral("C034_S00334_20261207-180102.dat");
    ASSERT_TRUE(window->loadFlightFile(Flight(longName)));
    ASSERT_TRUE(window->loadComparisonFile(Flight(otherName)));
    Trigger(*window, "Przyspieszenie1"); // the speed curve and its legend entry
    window->resize(1024, 700);
    QApplication::processEvents();
    for (const char* language : {"Polski1", "English1"}) {
        SCOPED_TRACE(language);
        Trigger(*window, language);
        QApplication::processEvents();
        for (const char* name : {"GroupB_Alt", "GroupB_Por"}) {
            QGroupBox* g = Group(*window, name);
            const QFontMetrics m(g->font());
            EXPECT_LE(m.horizontalAdvance(g->title()), g->width() - 16) << name;
            int labelsTop = g->height();
            for (QLabel* l : g->findChildren<QLabel*>()) {
                labelsTop = std::min(labelsTop, l->y());
                const QFontMetrics lm(l->font());
                EXPECT_LE(lm.horizontalAdvance(l->text()), l->width())
                    << l->objectName().toStdString();
                EXPECT_LE(l->geometry().right(), g->width() - 2) << l->objectName().toStdString();
            }
            EXPECT_LT(m.ascent() + m.tightBoundingRect(g->title()).bottom(), labelsTop)
                << name << ": the caption runs over the labels";
            if (!g->toolTip().isEmpty()) {
                EXPECT_TRUE(g->toolTip() == longName || g->toolTip() == otherName)
                    << "the whole name is at hand";
            }
        }
        // The buttons' words within their frames, the other groups' captions within theirs.
        for (QPushButton* b : window->findChildren<QPushButton*>()) {
            if (b->window() != window.get()) continue;
            const QString words = WithoutAccelerator(b->text());
            EXPECT_LE(QFontMetrics(b->font()).horizontalAdvance(words), b->width() - 8)
                << b->objectName().toStdString() << ": " << words.toStdString();
        }
        QGroupBox* disk = Group(*window, "GBDysk_ZapisOdczyt");
        EXPECT_LE(QFontMetrics(disk->font()).horizontalAdvance(disk->title()), disk->width() - 16);
        ChartView* chart = window->chart();
        chart->refresh();
        const QVector<QRect> texts = chart->legendTextRects();
        EXPECT_EQ(texts.size(), 5); // every series but the unused one
        for (const QRect& text : texts)
            EXPECT_LE(text.right(), chart->legendRect().right() - 3)
                << "a legend text touches the legend's frame";
    }
}

TEST_F(WindowTexts, TheFlightsListsNotesAreNotCut) {
    if (MeasuredWithWinesSubstituteFonts()) GTEST_SKIP() << "Wine's substitute fonts";
    const QString folder = dir.filePath(QStringLiteral("day"));
    QDir().mkpath(folder);
    Write(QStringLiteral("day/C012_S00312_20261207-101500.dat"), SynthesizeFlight({}));
    FlightsListWindow list(prompter, [] { return FilterSettings{}; });
    list.setFolder(folder);
    const QString expected = dir.filePath(QStringLiteral("expected.txt"));
    {
        QFile f(expected);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("12\n77\n");
    }
    list.show();
    ASSERT_TRUE(list.loadExpected(expected));
    // At 1024 x 700, at the width the list opens with on a large screen and a little under it,
    // where a stretched last column cut the note.
    for (const auto& [width, language] :
         {std::pair{1024, Language::Polish}, std::pair{1024, Language::English},
          std::pair{1200, Language::Polish}, std::pair{1150, Language::English},
          std::pair{1320, Language::Polish}, std::pair{1320, Language::English},
          std::pair{1300, Language::English}, std::pair{1290, Language::Polish}}) {
        SCOPED_TRACE(width);
        list.resize(width, 700);
        list.setLanguage(language);
        QApplication::processEvents();
        auto* table = list.findChild<QTableView*>(QStringLiteral("GridLoty"));
        const int notes = table->model()->columnCount() - 1;
        bool seen = false;
        for (int r = 0; r < table->model()->rowCount(); ++r) {
            const QString note = table->model()->index(r, notes).data().toString();
            if (note.isEmpty()) continue;
            seen = true;
            // The text the cell shows within its margins (3 pixels a side).
            EXPECT_EQ(table->fontMetrics().elidedText(note, Qt::ElideRight,
                                                      table->columnWidth(notes) - 6),
                      note);
        }
        EXPECT_TRUE(seen) << "no note for the missing competitor";
    }
}

TEST_F(WindowTexts, EachFileDialogHasItsTitleAndStartsWhereItShould) {
    const QString flight = Flight(QStringLiteral("lot.dat"));
    for (const bool english : {false, true}) {
        SCOPED_TRACE(english ? "English" : "Polish");
        Trigger(*window, english ? "English1" : "Polski1");
        prompter.fileCaptions.clear();
        prompter.dialogStartNames.clear();
        prompter.fileNames = {flight, QString(), QString(), QString(), QString()};
        Click(*window, "BOdczyt");      // open: the file read becomes the next start
        Click(*window, "B_Porownanie"); // compare: its folder, without the name
        Click(*window, "BZapisz");      // save
        Trigger(*window, "ZapiszdoExcela1");
        Trigger(*window, "ZapiszObraz1");
        const QStringList titles =
            english ? QStringList{"Open a flight", "Flight to compare", "Save the flight",
                                  "Export to a spreadsheet (Excel)", "Save the chart as a picture"}
                    : QStringList{"Otwórz lot", "Lot do porównania", "Zapisz lot",
                                  "Eksport do arkusza (Excel)", "Zapisz obraz wykresu"};
        EXPECT_EQ(prompter.fileCaptions, titles);
        ASSERT_GE(prompter.dialogStartNames.size(), 2);
        EXPECT_EQ(prompter.dialogStartNames[1], QFileInfo(flight).absolutePath())
            << "the comparison dialog offers the current file again";
    }
    // The expected list from the listed folder, titled.
    FlightsListWindow list(prompter, [] { return FilterSettings{}; });
    list.setLanguage(Language::English);
    list.setFolder(dir.path());
    prompter.fileCaptions.clear();
    prompter.dialogStartNames.clear();
    list.findChild<QPushButton*>(QStringLiteral("B_Oczekiwani"))->click();
    EXPECT_EQ(prompter.fileCaptions, QStringList{QStringLiteral("List of expected competitors")});
    EXPECT_EQ(prompter.dialogStartNames, QStringList{dir.path()});
}

// Over both languages, a letter belongs to one action (Alt+R must not read in one language
// and zero the altimeter in the other), and within a language no letter is used twice.
TEST_F(WindowTexts, OneAcceleratorLetterPerActionAcrossTheLanguages) {
    std::map<QChar, std::set<QString>> actionsOf;
    for (const char* language : {"Polski1", "English1"}) {
        SCOPED_TRACE(language);
        Trigger(*window, language);
        std::map<QChar, QString> used;
        const auto take = [&](const QString& action, const QString& text) {
            const QChar letter = Accelerator(text);
            if (letter.isNull()) return;
            EXPECT_FALSE(used.count(letter))
                << "Alt+" << QString(letter).toStdString() << ": " << action.toStdString()
                << " and " << used[letter].toStdString();
            used[letter] = action;
            actionsOf[letter].insert(action);
        };
        for (QPushButton* b : window->findChildren<QPushButton*>())
            if (b->window() == window.get()) take(b->objectName(), b->text());
        for (QAction* a : window->menuBar()->actions())
            take(a->objectName(), a->text());
        EXPECT_GE(used.size(), 10u) << "the window's accelerators were not all found";
    }
    for (const auto& [letter, actions] : actionsOf)
        EXPECT_EQ(actions.size(), 1u) << "Alt+" << QString(letter).toStdString() << " means "
                                      << QStringList(actions.begin(), actions.end())
                                             .join(QStringLiteral(" / "))
                                             .toStdString();
}

TEST_F(WindowTexts, TheWindowsOptionsTakeEqualsSignsAndFilesAfterTheDoubleDash) {
    const QString dash = Flight(QStringLiteral("-lot.dat"));
    const QString plain = Flight(QStringLiteral("zwykly.dat"));
    const QString archive = dir.filePath(QStringLiteral("arch"));
    // "-lot.dat" as typed, from the current folder (put back afterwards).
    struct Back {
        QString was = QDir::currentPath();
        ~Back() { QDir::setCurrent(was); }
    } back;
    QDir::setCurrent(dir.path());
    ApplyWindowArguments(*window, {QStringLiteral("--port=/dev/ttyX9"),
                                   QStringLiteral("--archive=") + archive, QStringLiteral("--"),
                                   QStringLiteral("-lot.dat")});
    EXPECT_EQ(window->portName(), "/dev/ttyX9");
    EXPECT_EQ(window->archiveFolder(), archive);
    EXPECT_EQ(Group(*window, "GroupB_Alt")->title(), QStringLiteral("-lot.dat"));
    EXPECT_TRUE(prompter.shown.empty()) << prompter.shown[0].text.toStdString();

    ApplyWindowArguments(*window, {QStringLiteral("--port"), QStringLiteral("COM3"), plain});
    EXPECT_EQ(window->portName(), "COM3");
    EXPECT_EQ(Group(*window, "GroupB_Alt")->title(), QStringLiteral("zwykly.dat"));
    EXPECT_TRUE(prompter.shown.empty());

    // What cannot be taken is told as typed, in the window's language, with the usage.
    struct Wrong {
        QStringList given;
        const char* told;
    } const wrongs[] = {
        {{"--statoin", "--archive"}, "--statoin, --archive"},
        {{"--archive", "--station"}, "--archive"},
        {{"--station=yes"}, "--station=yes"},
        {{"-x", "--port=COM1"}, "-x"},
        {{"--archive=", "--port"}, "--archive=, --port"},
    };
    for (const bool english : {false, true}) {
        Trigger(*window, english ? "English1" : "Polski1");
        for (const Wrong& w : wrongs) {
            prompter.shown.clear();
            ApplyWindowArguments(*window, w.given);
            ASSERT_EQ(prompter.shown.size(), 1u) << w.given.join(' ').toStdString();
            const QString text = prompter.shown[0].text;
            EXPECT_TRUE(text.startsWith(
                QString::fromUtf8(Tr(Message::WindowOptionUnknown,
                                     english ? Language::English : Language::Polish)) +
                QString::fromUtf8(w.told) + QStringLiteral("\nusage: OrlomatBMP")))
                << text.toStdString();
        }
    }
    EXPECT_FALSE(window->stationOn());
    EXPECT_TRUE(AsksForUsage({QStringLiteral("-h")}));
    EXPECT_TRUE(AsksForUsage({QStringLiteral("--help")}));
    EXPECT_FALSE(AsksForUsage({QStringLiteral("--"), QStringLiteral("--help")}))
        << "a file named --help";
}

// The page says which comparison file is drawn and the axes' units; afterwards the screen
// title is back where it was.
TEST_F(WindowTexts, ThePrintedPageNamesTheComparisonAndTheUnits) {
    ASSERT_TRUE(window->loadFlightFile(Flight(QStringLiteral("lot.dat"))));
    ASSERT_TRUE(window->loadComparisonFile(Flight(QStringLiteral("inny.dat"))));
    Trigger(*window, "English1");
    const QStringList screen = window->chart()->titleLines();
    QStringList lines;
    QString left, bottom, right;
    prompter.onPictureDialog = [&] {
        lines = window->chart()->titleLines();
        const QStringList labels = window->chart()->axisLabels();
        left = labels[0];
        bottom = labels[1];
        right = labels[2];
    };
    Trigger(*window, "ZapiszObraz1");
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("        Read from:lot.dat")));
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral("    Compare: inny.dat")))
        << lines[0].toStdString();
    EXPECT_EQ(left, QStringLiteral("[m]"));
    EXPECT_FALSE(bottom.isEmpty());
    EXPECT_EQ(right, QStringLiteral("dh/dt [m/s]"));
    EXPECT_EQ(window->chart()->titleLines(), screen) << "the screen title moved";
    EXPECT_EQ(window->chart()->axisLabels(), QStringList({{}, {}, {}}));
}

// The ports present come from the lister the window is given (tests list pseudo-terminals so,
// not through the environment): a port that does not open is told with them.
TEST_F(WindowTexts, ThePortsPresentComeFromTheWindowsLister) {
    struct Fixed : PortLister {
        std::vector<SerialPortEntry> ports() override {
            SerialPortEntry e;
            e.systemName = e.location = "/dev/ttyTEST7";
            e.description = "test adapter";
            e.vendorId = e.productId = 0;
            return {e};
        }
    } lister;
    window->setPortLister(lister);
    window->setPortOverride(dir.filePath(QStringLiteral("no-such-port")));
    Click(*window, "B_Odczyt_Orlomatu");
    ASSERT_FALSE(prompter.shown.empty());
    EXPECT_TRUE(prompter.shown[0].text.contains(QStringLiteral("/dev/ttyTEST7 (test adapter)")))
        << prompter.shown[0].text.toStdString();
}

// On the page the legend stays inside the plot, clear of the right axis's labels, in both
// orientations; the screen's layout is not disturbed.
TEST_F(WindowTexts, OnThePageTheLegendStaysInsideThePlot) {
    ASSERT_TRUE(window->loadFlightFile(Flight(QStringLiteral("lot.dat"))));
    Trigger(*window, "Przyspieszenie1");
    ChartView* chart = window->chart();
    chart->refresh();
    const QRect screenLegend = chart->legendRect();
    for (const auto orientation : {QPageLayout::Landscape, QPageLayout::Portrait}) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath(QStringLiteral("page.pdf")));
        printer.setPageOrientation(orientation);
        ASSERT_TRUE(chart->printOn(printer));
        // The layout of the page just drawn.
        EXPECT_TRUE(chart->plotRect().contains(chart->legendRect())) << orientation;
        chart->refresh();
        EXPECT_EQ(chart->legendRect(), screenLegend);
    }
}

TEST_F(WindowTexts, TheFlightsListMarksCutOffDownloadsInTheirOrder) {
    const QString folder = dir.filePath(QStringLiteral("day"));
    QDir().mkpath(folder);
    SynthParams cut;
    cut.competitor = 21;
    cut.endMarker = false;
    cut.maxLength = 700; // ends in the air without its end mark
    // Written in the opposite order of their times: the note follows the names' times.
    Write(QStringLiteral("day/C012_S00345_20261207-102000_partial.dat"), SynthesizeFlight({}));
    Write(QStringLiteral("day/C012_S00345_20261207-101500_partial.dat"), SynthesizeFlight({}));
    Write(QStringLiteral("day/C021_S00345_20261207-103000.dat"), SynthesizeFlight(cut));
    Write(QStringLiteral("day/C033_S00345_20261207-104000.dat"), SynthesizeFlight({}));
    FlightsListWindow list(prompter, [] { return FilterSettings{}; });
    list.setFolder(folder);
    list.show();
    for (const Language language : {Language::Polish, Language::English}) {
        list.setLanguage(language);
        const bool pl = language == Language::Polish;
        const std::map<QString, QString> notes = {
            {"C012_S00345_20261207-101500_partial.dat",
             pl ? QString::fromUtf8("zapis urwany — pobranie 1 z 2")
                : QString::fromUtf8("record cut off — download 1 of 2")},
            {"C012_S00345_20261207-102000_partial.dat",
             pl ? QString::fromUtf8("zapis urwany — pobranie 2 z 2")
                : QString::fromUtf8("record cut off — download 2 of 2")},
            {"C021_S00345_20261207-103000.dat",
             QString::fromUtf8(Tr(Phrase::RecordCutOff, language))},
            {"C033_S00345_20261207-104000.dat", QString()},
        };
        auto* table = list.findChild<QTableView*>(QStringLiteral("GridLoty"));
        const int last = table->model()->columnCount() - 1;
        int fileColumn = -1;
        for (int c = 0; c < last; ++c)
            if (table->model()->headerData(c, Qt::Horizontal).toString() ==
                QString::fromUtf8(ColumnHeading(column::kFile, language)))
                fileColumn = c;
        ASSERT_GE(fileColumn, 0);
        ASSERT_EQ(table->model()->rowCount(), 4);
        for (int r = 0; r < 4; ++r) {
            const QString file = table->model()->index(r, fileColumn).data().toString();
            ASSERT_TRUE(notes.count(file)) << file.toStdString();
            EXPECT_EQ(table->model()->index(r, last).data().toString(), notes.at(file))
                << file.toStdString();
        }
    }
}

} // namespace
} // namespace orlomat
