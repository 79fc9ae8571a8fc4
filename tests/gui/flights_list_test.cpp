// The flights list window: opened from the menu, it lists a folder of synthetic flights, sorts
// numbers as numbers, filters by competitor, opens a row as the current or the comparison
// flight with real double clicks, writes the report's own page and marks the expected list.
#include "contest/download_log.h"
#include "contest/flight_columns.h"
#include "contest/flight_rows.h"
#include "contest/results_page.h"
#include "tests/support/window_controls.h"
#include "tests/support/window_fixture.h"
#include "tools/synth/flight_synth.h"
#include "ui/contest_words.h"
#include "ui/flights_list_window.h"

#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>

#include <algorithm>
#include <sstream>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace orlomat {
namespace {

using namespace test;

class FlightsListTest : public WindowTest {
protected:
    void SetUp() override {
        OpenWindow();
        ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("flights")));
        folder = dir.filePath(QStringLiteral("flights"));
        // Competitors whose text order differs from their number order.
        for (const int c : kCompetitors) {
            SynthParams p;
            p.competitor = static_cast<std::uint16_t>(c);
            p.seed = static_cast<std::uint32_t>(c);
            p.peakAltitude = 60.0f + static_cast<float>(c);
            Write(QStringLiteral("flights/C%1.dat").arg(c), SynthesizeFlight(p));
        }
        Write(QStringLiteral("flights/notes.dat"), {'n', 'o', 't', 'e'});
        Trigger(*window, "Loty1");
        list = window->findChild<FlightsListWindow*>(QStringLiteral("FormLoty"));
        ASSERT_NE(list, nullptr);
        list->setFolder(folder);
        table = list->findChild<QTableView*>(QStringLiteral("GridLoty"));
        ASSERT_NE(table, nullptr);
    }

    // The texts of a column as the table shows them, top to bottom.
    QStringList Column(int column) const {
        QStringList texts;
        for (int r = 0; r < table->model()->rowCount(); ++r)
            texts << table->model()->index(r, column).data().toString();
        return texts;
    }
    int RowOf(int competitor) const {
        return static_cast<int>(Column(0).indexOf(QString::number(competitor)));
    }
    void DoubleClick(int row, Qt::KeyboardModifiers modifiers = {}) {
        const QRect cell = table->visualRect(table->model()->index(row, 0));
        QTest::mouseDClick(table->viewport(), Qt::LeftButton, modifiers, cell.center());
    }
    void Press(const char* name) {
        auto* b = list->findChild<QPushButton*>(QString::fromLatin1(name));
        ASSERT_NE(b, nullptr) << name;
        QTest::mouseClick(b, Qt::LeftButton);
    }
    void ClickHeading(int column) {
        QHeaderView* header = table->horizontalHeader();
        const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    }

    static constexpr int kCompetitors[] = {12, 3, 100, 7};
    QString folder;
    FlightsListWindow* list = nullptr;
    QTableView* table = nullptr;
};

TEST_F(FlightsListTest, ListsTheFolderSortsNumbersAsNumbersAndFilters) {
    EXPECT_TRUE(list->isVisible());
    EXPECT_EQ(list->windowTitle(), QStringLiteral("Loty"));
    ASSERT_EQ(table->model()->rowCount(), 5);
    const int notes = static_cast<int>(Column(10).indexOf(QStringLiteral("notes.dat")));
    ASSERT_GE(notes, 0);
    EXPECT_TRUE(
        Column(11)[notes].startsWith(QString::fromUtf8(Tr(Phrase::NotAFlight, Language::Polish))));
    EXPECT_TRUE(Column(0)[notes].isEmpty());

    ClickHeading(0);
    EXPECT_EQ(Column(0), (QStringList{"3", "7", "12", "100", ""}));
    ClickHeading(0);
    EXPECT_EQ(Column(0), (QStringList{"100", "12", "7", "3", ""}));
    Press("B_Odswiez"); // a refresh keeps the order chosen
    EXPECT_EQ(Column(0), (QStringList{"100", "12", "7", "3", ""}));
    // The maximum sorts by its figure: the peaks rise with the competitor's number.
    ClickHeading(4);
    QStringList maxima = Column(4);
    maxima.removeAll(QString());
    ASSERT_EQ(maxima.size(), 4);
    const auto figure = [](const QString& t) { return t.section(' ', -1).toDouble(); };
    EXPECT_TRUE(std::is_sorted(maxima.begin(), maxima.end(), [&](auto& a, auto& b) {
        return figure(a) < figure(b);
    })) << maxima.join(' ').toStdString();

    auto* filter = list->findChild<QLineEdit*>(QStringLiteral("E_FiltrZawodnika"));
    ASSERT_NE(filter, nullptr);
    QTest::keyClicks(filter, QStringLiteral("12"));
    EXPECT_EQ(Column(0), QStringList{"12"});
    filter->clear();
    EXPECT_EQ(table->model()->rowCount(), 5);

    // A short pressure dip makes a suspect maximum: marked, the cleaned maximum in the tip.
    SynthParams dip;
    dip.competitor = 5;
    dip.transients = {{.atSeconds = 30.0f, .depthPa = 3000.0f}};
    Write(QStringLiteral("flights/T5.dat"), SynthesizeFlight(dip));
    Press("B_Odswiez");
    const int suspect = RowOf(5);
    ASSERT_GE(suspect, 0);
    const QModelIndex max = table->model()->index(suspect, 4);
    const FlightRow& row = *std::find_if(list->rows().begin(), list->rows().end(),
                                         [](const FlightRow& r) { return r.competitor == 5; });
    ASSERT_TRUE(row.holdsFlight && row.stats.maxSuspect);
    EXPECT_EQ(max.data().toString(), QString::fromUtf8("\u26a0 ") + row.stats.maxText->c_str());
    EXPECT_TRUE(max.data(Qt::ToolTipRole)
                    .toString()
                    .endsWith(QString::fromStdString(*row.stats.maxCleanText + " m")));

    // Two hours of thermals: the flight's time as h:mm:ss, still sorted as seconds; the
    // landing 650 m below a hill in metres.
    Write(QStringLiteral("flights/T6.dat"),
          SynthesizeFlight(SynthParams::Glider(GliderKind::Thermal, 5, 1, 0, 2.0f)));
    SynthParams hill = SynthParams::Glider(GliderKind::HillSink, 4, 1, 650);
    hill.competitor = 8;
    Write(QStringLiteral("flights/T8.dat"), SynthesizeFlight(hill));
    Press("B_Odswiez");
    const int hours = static_cast<int>(Column(10).indexOf(QStringLiteral("T6.dat")));
    ASSERT_GE(hours, 0);
    EXPECT_TRUE(Column(7)[hours].startsWith(QStringLiteral("1:59:")))
        << Column(7)[hours].toStdString();
    EXPECT_TRUE(Column(8)[RowOf(8)].startsWith(QStringLiteral("-6")))
        << Column(8)[RowOf(8)].toStdString();
    ClickHeading(7);
    EXPECT_EQ(Column(10).indexOf(QStringLiteral("T6.dat")), 6); // the longest of seven flights

    QTest::keyClick(list, Qt::Key_Escape);
    EXPECT_FALSE(list->isVisible());
}

TEST_F(FlightsListTest, DoubleClickOpensTheFlightCtrlTheComparisonEnterToo) {
    DoubleClick(RowOf(100));
    EXPECT_EQ(window->session().current.header.header.competitor, 100);
    DoubleClick(RowOf(7), Qt::ControlModifier);
    EXPECT_EQ(window->session().comparison.header.header.competitor, 7);
    EXPECT_EQ(window->session().current.header.header.competitor, 100);
    table->setCurrentIndex(table->model()->index(RowOf(3), 0));
    QTest::keyClick(table, Qt::Key_Return);
    EXPECT_EQ(window->session().current.header.header.competitor, 3);
    EXPECT_TRUE(prompter.shown.empty()) << prompter.shown.front().text.toStdString();
}

// The page's heading carries the minute it was written.
QString WithoutTime(QString html) {
    return html.replace(QRegularExpression(QStringLiteral("\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d")),
                        QStringLiteral("T"));
}

TEST_F(FlightsListTest, ResultsPageIsTheReportOfTheRowsShown) {
    Press("B_StronaWynikow");
    ASSERT_EQ(prompter.openedDocuments.size(), 1);
    const QString page = prompter.openedDocuments.front();
    EXPECT_EQ(page, QDir(folder).filePath(QStringLiteral("results.html")));
    const FilterSettings filter = window->session().filterSettings();
    const auto pageOf = [&](const std::vector<FlightRow>& rows) {
        std::ostringstream out;
        WriteResultsPage(out, rows, LanguageResultsWording(Language::Polish), {}, {}, filter);
        return WithoutTime(QString::fromStdString(out.str()));
    };
    const auto all =
        ReadFlightRows(ListFlightFiles(folder.toStdString(), page.toStdString()), filter);
    EXPECT_EQ(WithoutTime(QString::fromUtf8(Read(page))), pageOf(all.rows));

    // Filtered to one competitor, the page holds that row alone; the page itself is not listed.
    list->findChild<QLineEdit*>(QStringLiteral("E_FiltrZawodnika"))->setText(QStringLiteral("7"));
    Press("B_Odswiez");
    EXPECT_EQ(table->model()->rowCount(), 1);
    Press("B_StronaWynikow");
    const auto one =
        ReadFlightRows({QDir(folder).filePath(QStringLiteral("C7.dat")).toStdString()}, filter);
    EXPECT_EQ(WithoutTime(QString::fromUtf8(Read(page))), pageOf(one.rows));
}

// Where the page went is said when no browser opens it, and when the folder cannot take it
// (results.html holds a flight) it gets a name of its own in the temporary folder.
TEST_F(FlightsListTest, ResultsPageSaysWhereItWentWhenNotOpenedOrNotInTheFolder) {
    const auto said = [&](Phrase p, const QString& page) {
        return !prompter.shown.empty() &&
               prompter.shown.back().text.contains(QString::fromUtf8(Tr(p, Language::Polish))) &&
               prompter.shown.back().text.endsWith(QDir::toNativeSeparators(page));
    };
    prompter.documentsOpen = false;
    const QString inFolder = list->writeResultsPage();
    EXPECT_EQ(inFolder, QDir(folder).filePath(QStringLiteral("results.html")));
    EXPECT_TRUE(said(Phrase::BrowserNotOpened, inFolder));

    prompter.documentsOpen = true;
    Write(QStringLiteral("flights/results.html"), SynthesizeFlight({}));
    const QString first = list->writeResultsPage(), second = list->writeResultsPage();
    for (const QString& page : {first, second}) {
        EXPECT_EQ(QFileInfo(page).absolutePath(), QFileInfo(QDir::tempPath()).absoluteFilePath());
        EXPECT_TRUE(QFileInfo(page).fileName().startsWith(QStringLiteral("results-flights-")));
        EXPECT_TRUE(Read(page).contains("C12.dat"));
    }
    EXPECT_NE(first, second);
    EXPECT_TRUE(said(Phrase::OutputIsFlight, second));
    EXPECT_EQ(prompter.openedDocuments.mid(1), (QStringList{first, second}));
    QFile::remove(first);
    QFile::remove(second);
}

// A logged flight that was removed has its row; damaged lines of the log are named in red.
TEST_F(FlightsListTest, RemovedLoggedFileAndDamagedLogLinesAreShown) {
    auto* warning = list->findChild<QLabel*>(QStringLiteral("LabelLogWarning"));
    ASSERT_NE(warning, nullptr);
    EXPECT_TRUE(warning->isHidden());
    DownloadLogEntry gone;
    gone.file = "gone.dat";
    gone.sha256 = std::string(64, '0');
    ASSERT_EQ(AppendDownloadLog(folder.toStdString(), gone), "");
    QFile log(QDir(folder).filePath(QString::fromLatin1(kDownloadLogName)));
    ASSERT_TRUE(log.open(QIODevice::Append));
    log.write("{\"cut\n{\"file\":\"../../etc/passwd\",\"sha256\":\"0\"}\n");
    log.close();
    Press("B_Odswiez");
    const int row = static_cast<int>(Column(10).indexOf(QStringLiteral("gone.dat")));
    ASSERT_GE(row, 0);
    EXPECT_EQ(Column(9)[row], QString::fromUtf8(Tr(Phrase::FileMissing, Language::Polish)));
    EXPECT_EQ(Column(11)[row], QString::fromUtf8(Tr(Phrase::LoggedFileMissing, Language::Polish)));
    EXPECT_FALSE(Column(10).contains(QStringLiteral("passwd")));
    EXPECT_FALSE(warning->isHidden());
    EXPECT_EQ(warning->text(),
              QString::fromUtf8(Tr(Phrase::LogLinesDamaged, Language::Polish)) + "2, 3");

    Trigger(*window, "English1");
    EXPECT_TRUE(warning->text().startsWith(Tr(Phrase::LogLinesDamaged, Language::English)));
    EXPECT_EQ(Column(11)[row], QString::fromUtf8(Tr(Phrase::LoggedFileMissing, Language::English)));

    ASSERT_TRUE(log.remove());
    Press("B_Odswiez");
    EXPECT_TRUE(warning->isHidden());
    EXPECT_FALSE(Column(10).contains(QStringLiteral("gone.dat")));
}

// Logged names that are a folder, a fifo or a link to /dev/zero are listed as no files, never
// opened (the list would hang or throw into the event loop); a killed writer's hidden temporary
// file is not listed; the log's short head is shown with the time of its last line.
TEST_F(FlightsListTest, StrangeEntriesAreListedAsNoFilesAndTheHeadIsShown) {
#ifdef _WIN32
    GTEST_SKIP() << "fifos and links to devices are Unix's";
#else
    const QDir d(folder);
    ASSERT_TRUE(d.mkdir(QStringLiteral("dir.dat")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(d.filePath(QStringLiteral("fifo.dat"))).constData(), 0644),
              0);
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), d.filePath(QStringLiteral("zero.dat"))));
    ASSERT_TRUE(QFile::copy(d.filePath(QStringLiteral("C3.dat")),
                            d.filePath(QStringLiteral(".C099.dat.AbCdEf"))));
    for (const char* name : {"dir.dat", "fifo.dat", "zero.dat"}) {
        DownloadLogEntry e;
        e.file = name;
        e.localTime = "2026-12-08T14:30:15";
        e.sha256 = std::string(64, '0');
        ASSERT_EQ(AppendDownloadLog(folder.toStdString(), e), "");
    }
    Press("B_Odswiez");
    for (const char* name : {"dir.dat", "fifo.dat", "zero.dat"}) {
        const int row = static_cast<int>(Column(10).indexOf(QString::fromLatin1(name)));
        ASSERT_GE(row, 0) << name;
        EXPECT_EQ(Column(9)[row], QString::fromUtf8(Tr(Phrase::FileNotAFile, Language::Polish)))
            << name;
    }
    EXPECT_FALSE(Column(10).contains(QStringLiteral(".C099.dat.AbCdEf")));
    auto* head = list->findChild<QLabel*>(QStringLiteral("LabelLogHead"));
    ASSERT_NE(head, nullptr);
    const DownloadLog log = ReadDownloadLog(folder.toStdString());
    EXPECT_FALSE(head->isHidden());
    EXPECT_TRUE(head->text().contains(QString::fromStdString(log.head.substr(0, 12))));
    EXPECT_TRUE(head->text().contains(QStringLiteral("2026-12-08 14:30:15")));
#endif
}

TEST_F(FlightsListTest, ExpectedListAddsMissingRowsAndMarksUnknownOnes) {
    prompter.fileNames.push_back(
        Write(QStringLiteral("expected.txt"),
              {'3', '\n', '#', ' ', 'x', '\n', '1', '2', '\n', '7', '7', '\n', '7', '\n', '\n'}));
    Press("B_Oczekiwani");
    ASSERT_EQ(table->model()->rowCount(), 6);
    const int missing = RowOf(77);
    ASSERT_GE(missing, 0);
    EXPECT_EQ(Column(11)[missing], QString::fromUtf8(Tr(Phrase::FlightsMissing, Language::Polish)));
    const int unknown = static_cast<int>(Column(0).indexOf(QStringLiteral("100 ?")));
    ASSERT_GE(unknown, 0);
    EXPECT_EQ(table->model()->index(unknown, 0).data(Qt::ToolTipRole).toString(),
              QString::fromUtf8(Tr(Phrase::NotOnList, Language::Polish)));
    EXPECT_GE(RowOf(12), 0); // expected and flown: as it is

    // A bad line is refused with its place, and the list stays as it was.
    prompter.fileNames.push_back(Write(QStringLiteral("bad.txt"), {'1', '\n', 'x', '\n'}));
    Press("B_Oczekiwani");
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_TRUE(prompter.shown.front().text.contains(QStringLiteral("bad.txt:2")));
    EXPECT_EQ(table->model()->rowCount(), 6);
}

// The rows hold facts, not words: a switch words them again without reading the folder, so
// files gone from it meanwhile still show, in the new language.
TEST_F(FlightsListTest, FollowsTheLanguageSwitch) {
    const int rows = table->model()->rowCount();
    for (const QString& name : QDir(folder).entryList(QDir::Files))
        ASSERT_TRUE(QFile::remove(QDir(folder).filePath(name))) << name.toStdString();
    Trigger(*window, "English1");
    EXPECT_EQ(table->model()->rowCount(), rows) << "the folder was read again";
    EXPECT_EQ(list->windowTitle(), QStringLiteral("Flights"));
    EXPECT_EQ(Action(*window, "Loty1")->text(), QStringLiteral("Flights"));
    EXPECT_EQ(table->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Comp."));
    const int notes = static_cast<int>(Column(10).indexOf(QStringLiteral("notes.dat")));
    EXPECT_TRUE(
        Column(11)[notes].startsWith(QString::fromUtf8(Tr(Phrase::NotAFlight, Language::English))));
    EXPECT_EQ(Action(*window, "Loty1")->shortcut(), QKeySequence(QStringLiteral("Ctrl+L")));
}

// A fly-off chosen in the list: the flights placed as `report --rule f1-flyoff` places them
// (ties sharing a place, the short flight last), listed by their place, the page too; "none"
// gives the designed list back.
TEST_F(FlightsListTest, RuleChosenPlacesTheFlightsAsTheReport) {
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("flyoff")));
    struct Flyer {
        int competitor;
        float peak, glide;
        int place; // at a 60 s maximum: higher at 60 s first, 4 and 5 tied, 6 short of it
    };
    const Flyer flyers[] = {{1, 120, 80, 5}, {2, 150, 80, 1}, {3, 100, 80, 7}, {4, 130, 80, 3},
                            {5, 130, 80, 3}, {6, 90, 40, 8},  {7, 110, 80, 6}, {8, 140, 80, 2}};
    for (const Flyer& f : flyers) {
        SynthParams p;
        p.competitor = static_cast<std::uint16_t>(f.competitor);
        p.peakAltitude = f.peak;
        p.glideSeconds = f.glide;
        p.spike = false;
        Write(QStringLiteral("flyoff/C%1.dat").arg(f.competitor), SynthesizeFlight(p));
    }
    list->setFolder(dir.filePath(QStringLiteral("flyoff")));
    const int designed = table->model()->columnCount();
    auto* combo = list->findChild<QComboBox*>(QStringLiteral("C_Regula"));
    auto* value = list->findChild<QLineEdit*>(QStringLiteral("E_WartoscReguly"));
    ASSERT_NE(combo, nullptr);
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(combo->currentIndex(), 0);
    EXPECT_FALSE(value->isVisible());
    combo->setCurrentIndex(1);
    emit combo->activated(1);
    ASSERT_TRUE(value->isVisible());
    value->setText(QStringLiteral("60"));
    QTest::keyClick(value, Qt::Key_Return);
    ASSERT_TRUE(list->rule().has_value());

    // The place is the first column shown, the rows in its order.
    const int place = table->horizontalHeader()->logicalIndex(0);
    EXPECT_EQ(table->model()->headerData(place, Qt::Horizontal).toString(),
              QStringLiteral("Miejsce"));
    QStringList want, got;
    for (int r = 0; r < table->model()->rowCount(); ++r) {
        const int competitor = table->model()->index(r, 0).data().toInt();
        const auto f = std::find_if(std::begin(flyers), std::end(flyers),
                                    [&](const Flyer& x) { return x.competitor == competitor; });
        ASSERT_NE(f, std::end(flyers));
        want << QString::number(f->place);
        got << table->model()->index(r, place).data().toString();
    }
    EXPECT_EQ(got, want);
    EXPECT_EQ(got, (QStringList{"1", "2", "3", "3", "5", "6", "7", "8"}));

    // The page: the same places in the same order, the rule named.
    Press("B_StronaWynikow");
    ASSERT_EQ(prompter.openedDocuments.size(), 1);
    const QString page = QString::fromUtf8(Read(prompter.openedDocuments.front()));
    EXPECT_TRUE(page.contains(QStringLiteral("FAI F1 F1.1.4 b")));
    QStringList onPage;
    const QRegularExpression placeCell(QStringLiteral("<tr><td>(\\d+)</td>"));
    for (auto m = placeCell.globalMatch(page); m.hasNext();)
        onPage << m.next().captured(1);
    EXPECT_EQ(onPage, want);

    combo->setCurrentIndex(0);
    emit combo->activated(0);
    EXPECT_FALSE(list->rule().has_value());
    EXPECT_EQ(table->model()->columnCount(), designed);
    EXPECT_EQ(table->horizontalHeader()->logicalIndex(0), 0);
}

// At the designed width every column shows its texts whole in both languages, with a cut-off
// download's long name and its note: only the file name may give way, elided in the middle
// with the whole name in its tip; no scroll bar.
TEST_F(FlightsListTest, EveryColumnFitsAtTheDesignedWidth) {
    if (MeasuredWithWinesSubstituteFonts()) GTEST_SKIP() << "Wine's substitute fonts";
    SynthParams p;
    p.competitor = 31;
    p.maxLength = 2000;
    p.endMarker = false;
    Write(QStringLiteral("flights/C031_S00345_20261209-101500_partial.dat"), SynthesizeFlight(p));
    list->resize(1320, 560);
    for (const char* language : {"Polski1", "English1"}) {
        Trigger(*window, language);
        Press("B_Odswiez");
        QCoreApplication::processEvents();
        QHeaderView* header = table->horizontalHeader();
        const int file = 10;
        ASSERT_EQ(table->model()->headerData(file, Qt::Horizontal).toString(),
                  QString::fromUtf8(ColumnHeading(
                      column::kFile, language[0] == 'P' ? Language::Polish : Language::English)));
        for (int c = 0; c < header->count(); ++c) {
            const int needed =
                std::max(header->sectionSizeHint(c),
                         static_cast<QAbstractItemView*>(table)->sizeHintForColumn(c));
            if (c != file) {
                EXPECT_GE(table->columnWidth(c), needed)
                    << language << " column " << c << " "
                    << table->model()->headerData(c, Qt::Horizontal).toString().toStdString();
            }
        }
        EXPECT_EQ(table->horizontalScrollBar()->maximum(), 0) << language;
        const int partial = static_cast<int>(
            Column(file).indexOf(QStringLiteral("C031_S00345_20261209-101500_partial.dat")));
        ASSERT_GE(partial, 0);
        EXPECT_EQ(table->model()->index(partial, file).data(Qt::ToolTipRole).toString(),
                  QStringLiteral("C031_S00345_20261209-101500_partial.dat"));
        EXPECT_EQ(Column(11)[partial],
                  QString::fromUtf8(Tr(Phrase::RecordCutOff,
                                       language[0] == 'P' ? Language::Polish : Language::English)));
    }
}

} // namespace
} // namespace orlomat
