// The download log: digests, appending line by line, reading a log with damaged lines, and the
// check of a folder against it; keeping a downloaded flight in a folder. The results table:
// reading a folder's rows, the files a folder lists, the expected list.
#include "contest/download_log.h"
#include "contest/expected_list.h"
#include "contest/flight_columns.h"
#include "contest/flight_keeping.h"
#include "contest/flight_rows.h"
#include "contest/results_csv.h"
#include "contest/results_page.h"
#include "contest/results_table.h"
#include "contest/sha256.h"
#include "core/flight.h"
#include "core/json.h"
#include "files/user_file.h"
#include "tools/synth/flight_synth.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <thread>

namespace orlomat {
namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> Bytes(const std::string& s) {
    return {s.begin(), s.end()};
}

// The results' words as their keys: the writers' own bytes are tested, not the language tables.
class KeyWording : public ResultsWording {
public:
    std::string text(PageText) const override { return "text"; }
    std::string heading(std::size_t) const override { return "heading"; }
    std::string fault(const FlightRow& r) const override {
        return r.fault == RowFault::LoggedFileGone ? "gone" : "fault";
    }
    std::string check(FileCheck c) const override { return FileCheckKey(c); }
    std::string noLaunch(NoLaunch) const override { return "no launch"; }
    std::string noLanding(NoLanding) const override { return "no landing"; }
};

std::string PageOf(const std::vector<FlightRow>& rows) {
    std::ostringstream page;
    WriteResultsPage(page, rows, KeyWording(), "", {}, {});
    return page.str();
}

// Each rule's order: a wrong direction, a tie counted as two places, a refused or No Data
// reading placed among the others, or a timekeeper's reading placed at all.
TEST(RulePlaces, EachRuleOrdersItsReadingsAndTiesShareAPlace) {
    const auto flyoff = [](std::optional<std::int32_t> altitude, double duration) {
        F1FlyoffReading r;
        r.reachedMax = altitude.has_value();
        r.altitudeRoundedM = altitude;
        r.durationS = duration;
        return RuleReading(r);
    };
    const auto f5j = [](double penalty) {
        F5jReading r;
        r.penaltyPoints = penalty;
        return RuleReading(r);
    };
    const auto apogee = [](std::optional<double> m, std::optional<double> target = {}) {
        ApogeeReading r;
        r.status = m ? ApogeeStatus::Clean : ApogeeStatus::NoData;
        r.apogeeM = m;
        r.targetM = target;
        if (m && target) r.precisionScorePercent = PrecisionScorePercent(*m, *target);
        return RuleReading(r);
    };
    F1FlyoffReading refused;
    refused.refusal = Refusal::NoLaunch;
    F1FlyoffReading cutInTheAir; // short of the maximum time, no landing in the record
    cutInTheAir.reachedMax = false;
    const struct {
        const char* what;
        std::vector<RuleReading> readings;
        std::vector<int> places;
    } cases[] = {
        {"fly-off: higher first, the short flights after by duration",
         {flyoff(40, 300.1), flyoff({}, 250.0), flyoff(45, 300.0), flyoff(40, 301.0),
          flyoff({}, 280.0), RuleReading(refused), RuleReading(cutInTheAir)},
         {2, 5, 1, 2, 4, 0, 0}},
        {"f5j: the lower penalty first",
         {f5j(77.5), f5j(45.0), f5j(77.5), f5j(100.0)},
         {2, 1, 2, 4}},
        {"apogee: higher first, No Data last",
         {apogee(120.0), apogee({}), apogee(150.0)},
         {2, 3, 1}},
        {"precision: the lower score first, No Data last",
         {apogee(600.0, 550.0), apogee(540.0, 550.0), apogee({}, 550.0), apogee(560.0, 550.0)},
         {3, 1, 4, 1}},
        {"timekeeper: no places", {RuleReading(TimekeeperReading{}), RuleReading()}, {0, 0}},
    };
    for (const auto& c : cases) {
        std::vector<FlightRow> rows(c.readings.size());
        for (std::size_t i = 0; i < rows.size(); ++i)
            rows[i].reading = c.readings[i];
        PlaceRows(rows);
        std::vector<int> places;
        for (const FlightRow& r : rows)
            places.push_back(r.place);
        EXPECT_EQ(places, c.places) << c.what;
        OrderByPlace(rows);
        for (std::size_t i = 1; i < rows.size(); ++i)
            EXPECT_TRUE(rows[i].place == 0 ||
                        (rows[i - 1].place > 0 && rows[i - 1].place <= rows[i].place))
                << c.what;
    }
}

TEST(Sha256, StandardVectors) {
    const std::pair<std::string, const char*> cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", // 56 bytes: two tail blocks
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(1000000, 'a'),
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& [text, digest] : cases)
        EXPECT_EQ(Sha256Hex(Bytes(text)), digest) << text.size();
}

TEST(FlatJson, ReadsWhatTheWriterWritesAndRefusesCutLines) {
    DownloadLogEntry e;
    e.localTime = "2026-12-08T14:30:15";
    e.port = "/dev/ttyUSB0 \"x\"\t";
    e.competitor = 12;
    e.bytesReceived = 4360;
    e.complete = true;
    e.file = "C012_żółć.dat";
    e.sha256 = std::string(64, 'a');
    const std::string line = DownloadLogLine(e);
    const auto o = ParseFlatObject(line);
    ASSERT_TRUE(o);
    EXPECT_EQ(o->at("port").text, e.port);
    EXPECT_EQ(o->at("file").text, e.file);
    EXPECT_EQ(o->at("competitor").number, 12);
    EXPECT_TRUE(o->at("complete").flag);
    EXPECT_EQ(o->at("bytes_expected").kind, JsonValue::Kind::Null);
    for (std::size_t cut = 0; cut < line.size(); cut += 7)
        EXPECT_FALSE(ParseFlatObject(line.substr(0, cut))) << cut;
    EXPECT_FALSE(ParseFlatObject(line + "x"));
}

class DownloadLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("orlomat_log_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    void Download(const std::string& name, const std::string& content) {
        std::ofstream(dir / name, std::ios::binary) << content;
        DownloadLogEntry e;
        e.file = name;
        e.sha256 = Sha256Hex(Bytes(content));
        std::tie(e.localTime, e.utcTime) = LogTimesNow();
        ASSERT_EQ(AppendDownloadLog(dir.string(), e), "");
    }
    FileCheck Check(const std::string& name) {
        for (const CheckedFile& f : CheckFolder(dir.string(), ReadDownloadLog(dir.string())))
            if (f.file == name) return f.check;
        ADD_FAILURE() << name << " not listed";
        return FileCheck::NotLogged;
    }
    fs::path dir;
};

#ifndef _WIN32
// A log that is no regular file is refused at once (a fifo would block the download after the
// flight was read; a link could lead anywhere) and what it leads to stays as it was.
TEST_F(DownloadLogTest, ALogThatIsNoRegularFileIsRefusedWithoutWaiting) {
    const std::function<void(const fs::path&)> make[] = {
        [](const fs::path& p) { fs::create_symlink("/dev/full", p); },
        [](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0644), 0); },
        [](const fs::path& p) { fs::create_directory(p); },
    };
    for (const auto& m : make) {
        fs::remove_all(dir / kDownloadLogName);
        m(dir / kDownloadLogName);
        DownloadLogEntry e;
        e.file = "a.dat";
        e.sha256 = std::string(64, 'a');
        EXPECT_NE(AppendDownloadLog(dir.string(), e), "");
        const DownloadLog log = ReadDownloadLog(dir.string());
        EXPECT_TRUE(log.present);
        EXPECT_NE(log.unreadable, "");
        EXPECT_FALSE(log.intact());
    }
}
#endif

// The chain: each line carries the digest of the one before, the first the fixed start; a
// line changed, removed or moved breaks it at the next line; the head finds its line.
TEST_F(DownloadLogTest, EveryLineLinksToTheOneBefore) {
    Download("a.dat", "first");
    Download("b.dat", "second");
    Download("c.dat", "third");
    const fs::path path = dir / kDownloadLogName;
    std::vector<std::string> lines;
    {
        std::ifstream in(path, std::ios::binary);
        for (std::string l; std::getline(in, l);)
            lines.push_back(l);
    }
    ASSERT_EQ(lines.size(), 3u);
    DownloadLog log = ReadDownloadLog(dir.string());
    EXPECT_EQ(log.chain, ChainState::Intact);
    EXPECT_TRUE(log.intact());
    EXPECT_EQ(log.entries[0].prev, kChainStart);
    EXPECT_EQ(log.entries[2].prev, Sha256Hex(lines[1]));
    EXPECT_EQ(log.head, Sha256Hex(lines[2]));
    EXPECT_EQ(LineOfHead(log, log.head.substr(0, kShortHeadLength)), 3);
    EXPECT_EQ(LineOfHead(log, Sha256Hex(lines[0])), 1);
    EXPECT_EQ(LineOfHead(log, std::string(12, 'f')), 0);
    EXPECT_EQ(LineOfHead(log, log.head.substr(0, 11)), 0); // too short to pin anything down
    const auto rewrite = [&](const std::vector<std::string>& ls) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        for (const std::string& l : ls)
            out << l << '\n';
    };
    std::string changed = lines[1];
    changed.replace(changed.find("b.dat"), 1, "x");
    const std::pair<std::vector<std::string>, std::vector<int>> cases[] = {
        {{lines[0], changed, lines[2]}, {3}},
        {{lines[0], lines[2]}, {2}},
        {{lines[1], lines[0], lines[2]}, {1, 2, 3}},
        {{lines[0], lines[1], lines[1], lines[2]}, {3}},
    };
    for (const auto& [ls, broken] : cases) {
        rewrite(ls);
        log = ReadDownloadLog(dir.string());
        EXPECT_EQ(log.chain, ChainState::Broken);
        EXPECT_EQ(log.brokenLinks, broken) << ls.size();
        EXPECT_FALSE(log.intact());
    }
}

// Programs keeping flights in one folder at once (the window's station and a command line) each
// link to the line really before theirs: the chain never forks.
TEST_F(DownloadLogTest, LinesAppendedAtOnceKeepOneChain) {
    std::vector<std::thread> writers;
    for (int w = 0; w < 8; ++w)
        writers.emplace_back([&, w] {
            for (int i = 0; i < 25; ++i) {
                DownloadLogEntry e;
                e.file.assign(1, 'w').append(std::to_string(w)).append("_");
                e.file.append(std::to_string(i)).append(".dat");
                e.sha256 = std::string(64, 'a');
                EXPECT_EQ(AppendDownloadLog(dir.string(), e), "");
            }
        });
    for (std::thread& t : writers)
        t.join();
    const DownloadLog log = ReadDownloadLog(dir.string());
    EXPECT_EQ(log.entries.size(), 200u);
    EXPECT_EQ(log.chain, ChainState::Intact);
    EXPECT_TRUE(log.brokenLinks.empty());
}

// The log reader takes only JSON, only our fields and only values in range (a cast of 1e300
// to an integer would be undefined).
TEST_F(DownloadLogTest, TheReaderTakesOnlyStrictJsonAndValuesInRange) {
    const std::string digest(64, 'a');
    const auto line = [&](const std::string& fields) {
        return "{\"file\":\"a.dat\",\"sha256\":\"" + digest + "\"" + fields + "}";
    };
    const std::pair<std::string, bool> cases[] = {
        {line(""), true},
        {line(",\"competitor\":12"), true},
        {line(",\"competitor\":12.0"), true},
        {line(",\"competitor\":1e300"), false},
        {line(",\"competitor\":-1"), false},
        {line(",\"competitor\":65536"), false},
        {line(",\"competitor\":12.5"), false},
        {line(",\"serial\":NaN"), false},
        {line(",\"serial\":Infinity"), false},
        {line(",\"bytes_received\":18446744073709551615"), false},
        {line(",\"bytes_expected\":1e300"), false},
        {line(",\"complete\":\"yes\""), false},
        {line(",\"port\":7"), false},
        {line(",\"prev\":\"" + std::string(64, 'A') + "\""), false},
        {line(","), false},
        {"{\"file\":\"a.dat\",\"sha256\":\"" + std::string(63, 'a') + "\"}", false},
        {"{\"file\":\"\\uD83D.dat\",\"sha256\":\"" + digest + "\"}", false}, // a lone surrogate
        {"[1,2]", false},
    };
    for (const auto& [text, taken] : cases) {
        std::ofstream(dir / kDownloadLogName, std::ios::binary | std::ios::trunc) << text << '\n';
        const DownloadLog log = ReadDownloadLog(dir.string());
        EXPECT_EQ(log.entries.size(), taken ? 1u : 0u) << text;
        EXPECT_EQ(log.damagedLines.size(), taken ? 0u : 1u) << text;
    }
    // A pair of surrogates is one character, in UTF-8 (not two three-byte halves).
    std::ofstream(dir / kDownloadLogName, std::ios::binary | std::ios::trunc)
        << "{\"file\":\"\\uD83D\\uDE00.dat\",\"sha256\":\"" << digest << "\"}\n";
    const DownloadLog log = ReadDownloadLog(dir.string());
    ASSERT_EQ(log.entries.size(), 1u);
    EXPECT_EQ(log.entries[0].file, "\xF0\x9F\x98\x80.dat");
}

TEST(Sha256, FedInPiecesAsWhole) {
    std::string text;
    for (int i = 0; i < 300; ++i)
        text += static_cast<char>(i * 7);
    const std::string whole = Sha256Hex(text);
    for (std::size_t cut = 0; cut <= text.size(); cut += 13) {
        Sha256 d;
        d.add(Bytes(text.substr(0, cut)));
        d.add(Bytes(text.substr(cut, 5)));
        d.add(Bytes(text.substr(std::min(text.size(), cut + 5))));
        EXPECT_EQ(d.hex(), whole) << cut;
    }
}

TEST_F(DownloadLogTest, EveryFileIsCheckedAndTwoLinesForOneNameAreAConflict) {
    Download("a.dat", "first flight");
    Download("b.dat", "second flight");
    Download("c.dat", "third flight");
    std::ofstream(dir / "notes.dat") << "not downloaded";
    std::ofstream(dir / "notes.txt") << "a note beside the flights: not listed";
    std::ofstream(dir / ".d.dat.AbCdEf") << "a killed writer's temporary file: not listed";
    std::ofstream(dir / "results.html") << "<html>"; // a report written there: not listed
    std::ofstream(dir / "b.dat", std::ios::binary) << "second flighT";
    fs::remove(dir / "c.dat");
    EXPECT_EQ(Check("a.dat"), FileCheck::Unchanged);
    EXPECT_EQ(Check("b.dat"), FileCheck::Changed);
    EXPECT_EQ(Check("c.dat"), FileCheck::Missing);
    EXPECT_EQ(Check("notes.dat"), FileCheck::NotLogged);
    EXPECT_EQ(CheckFolder(dir.string(), ReadDownloadLog(dir.string())).size(), 4u);
    Download("b.dat", "downloaded again"); // which line counts is not ours to guess
    EXPECT_EQ(Check("b.dat"), FileCheck::Conflict);
    EXPECT_EQ(CheckFile((dir / "b.dat").string(), ReadDownloadLog(dir.string())).lines,
              (std::vector<int>{2, 4}));
}

TEST_F(DownloadLogTest, ACutLineIsNamedAndNeverGluedToTheNext) {
    Download("a.dat", "first");
    Download("b.dat", "second");
    // A power cut in the middle of the last line.
    const fs::path log = dir / kDownloadLogName;
    const auto size = fs::file_size(log);
    fs::resize_file(log, size - 30);
    DownloadLog read = ReadDownloadLog(dir.string());
    EXPECT_EQ(read.entries.size(), 1u);
    EXPECT_EQ(read.cutLines, std::vector<int>{2});
    EXPECT_TRUE(read.intact());
    EXPECT_EQ(Check("a.dat"), FileCheck::Unchanged);
    EXPECT_EQ(Check("b.dat"), FileCheck::NotLogged);
    // The next download starts a line of its own, which says it follows a cut line.
    Download("c.dat", "third");
    read = ReadDownloadLog(dir.string());
    EXPECT_EQ(read.entries.size(), 2u);
    EXPECT_TRUE(read.entries[1].afterCut);
    EXPECT_EQ(read.cutLines, std::vector<int>{2});
    EXPECT_TRUE(read.damagedLines.empty());
    EXPECT_EQ(read.chain, ChainState::Intact);
    EXPECT_EQ(Check("c.dat"), FileCheck::Unchanged);
}

// A name that leads out of the folder would check a file elsewhere (or list a phantom row).
TEST_F(DownloadLogTest, ANameOutsideTheFolderIsADamagedLine) {
    Download("a.dat", "first");
    const std::string names[] = {"../../etc/passwd",    "sub/b.dat", "sub\\b.dat", ".", "..", "",
                                 std::string("a\0b", 3)};
    for (const std::string& name : names) {
        DownloadLogEntry e;
        e.file = name;
        e.sha256 = std::string(64, '0');
        std::ofstream(dir / kDownloadLogName, std::ios::app) << DownloadLogLine(e) << '\n';
    }
    const DownloadLog log = ReadDownloadLog(dir.string());
    ASSERT_EQ(log.entries.size(), 1u);
    EXPECT_EQ(log.damagedLines, (std::vector<int>{2, 3, 4, 5, 6, 7, 8}));
    const auto files = CheckFolder(dir.string(), log);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].check, FileCheck::Unchanged);
}

// A logged file that was removed has its row (not a flight, "missing"); the log's damaged
// lines are named once, also when no file of the folder was read.
TEST_F(DownloadLogTest, RemovedLoggedFilesGetRowsOfTheirOwn) {
    Download("b.dat", "old");
    Download("a.dat", "kept");
    Download("b.dat", "downloaded again");
    Download("c.dat", "gone too");
    std::ofstream(dir / kDownloadLogName, std::ios::app) << "{\"cut\n";
    fs::remove(dir / "b.dat");
    fs::remove(dir / "c.dat");
    for (const bool filesRead : {true, false}) {
        FlightRows read;
        if (filesRead) read = ReadFlightRows(ListFlightFiles(dir.string()), {});
        AddMissingLoggedFiles(read, dir.string());
        std::vector<std::string> files;
        for (const FlightRow& r : read.rows)
            files.push_back(r.file);
        const std::vector<std::string> removed = {"b.dat", "c.dat"},
                                       all = {"a.dat", "b.dat", "c.dat"};
        EXPECT_EQ(files, filesRead ? all : removed);
        const FlightRow& b = read.rows[filesRead ? 1 : 0];
        EXPECT_FALSE(b.holdsFlight);
        EXPECT_EQ(b.check, FileCheck::Missing);
        EXPECT_EQ(b.fault, RowFault::LoggedFileGone);
        ASSERT_EQ(read.damagedLogLines.size(), 1u);
        EXPECT_EQ(read.damagedLogLines[0].line, 5);
        // The spreadsheet says "missing"; the page shows the row red as a changed one.
        EXPECT_NE(ResultsCsv(read.rows, KeyWording()).find(",missing,,gone\r\n"),
                  std::string::npos);
        EXPECT_NE(PageOf(read.rows).find("<tr class=\"error changed\"><td>b.dat</td><td>gone<"),
                  std::string::npos);
    }
}

// Each case prepares the folder, keeps one flight and says what the folder must hold then.
TEST_F(DownloadLogTest, KeepingAFlight) {
    std::vector<std::uint8_t> record(96);
    for (std::size_t i = 0; i < record.size(); ++i)
        record[i] = static_cast<std::uint8_t>(i * 7);
    record[1] = 12, record[2] = 0; // competitor 12
    const KeepDetails details{"ttyUSB0", 96, true};
    const auto keep = [&](bool skip) { return KeepFlight(dir.string(), record, details, skip); };
    struct Case {
        const char* fault;                   // what a wrong answer would mean
        std::function<std::string()> before; // returns the file a duplicate must name
        bool skipDuplicates;
        std::size_t files, logLines; // in the folder afterwards, the log not counted
        bool duplicate;
    };
    const Case cases[] = {
        {"a new flight was not written", [] { return std::string(); }, true, 1, 1, false},
        {"an existing name was written over",
         [&] {
             std::ofstream(dir / FlightFileName(record, true), std::ios::binary) << "earlier";
             return std::string();
         },
         false, 2, 1, false},
        {"the same bytes were kept twice",
         [&] { return fs::path(keep(true).path).filename().string(); }, true, 1, 1, true},
        {"a flight copied in by hand was kept again",
         [&] {
             std::ofstream(dir / "copy.dat", std::ios::binary)
                 .write(reinterpret_cast<const char*>(record.data()),
                        static_cast<std::streamsize>(record.size()));
             return std::string("copy.dat");
         },
         true, 1, 0, true},
        {"a changed file counted as holding the flight",
         [&] {
             std::ofstream(keep(true).path, std::ios::binary | std::ios::app) << "x";
             return std::string();
         },
         true, 2, 2, false},
        {"without the duplicate check nothing was written",
         [&] {
             keep(true);
             return std::string();
         },
         false, 2, 2, false},
        {"a killed writer's hidden temporary file counted as the flight",
         [&] {
             std::ofstream(dir / ("." + FlightFileName(record, true) + ".AbCdEf"), std::ios::binary)
                 .write(reinterpret_cast<const char*>(record.data()),
                        static_cast<std::streamsize>(record.size()));
             return std::string();
         },
         true, 2, 1, false},
        {"a removed logged flight's name was taken again (two lines for one name)",
         [&] {
             fs::remove(keep(true).path);
             return std::string();
         },
         true, 1, 2, false},
    };
    for (const Case& c : cases) {
        fs::remove_all(dir);
        fs::create_directories(dir);
        const std::string duplicate = c.before();
        const KeptFlight kept = keep(c.skipDuplicates);
        SCOPED_TRACE(c.fault);
        EXPECT_EQ(kept.error, "");
        EXPECT_EQ(kept.logError, "");
        EXPECT_EQ(kept.duplicateOf, duplicate);
        EXPECT_EQ(kept.written(), !c.duplicate);
        std::size_t files = 0;
        for (const auto& e : fs::directory_iterator(dir))
            files += e.path().filename() != kDownloadLogName ? 1 : 0;
        EXPECT_EQ(files, c.files);
        const DownloadLog log = ReadDownloadLog(dir.string());
        ASSERT_EQ(log.entries.size(), c.logLines);
        if (c.duplicate) continue;
        // The file holds the record, and its log line its digest and what the download was.
        std::ifstream in(kept.path, std::ios::binary);
        EXPECT_EQ(std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {}), record);
        const DownloadLogEntry& last = log.entries.back();
        EXPECT_EQ(last.file, fs::path(kept.path).filename().string());
        EXPECT_EQ(last.sha256, Sha256Hex(record));
        EXPECT_EQ(CheckFile(kept.path, log).check, FileCheck::Unchanged);
        EXPECT_EQ(last.competitor, 12);
        EXPECT_EQ(last.port, "ttyUSB0");
        EXPECT_EQ(last.bytesExpected, 96);
        EXPECT_TRUE(last.complete);
    }
}

TEST_F(DownloadLogTest, AFolderThatCannotBeWrittenKeepsNothingAndLogsNothing) {
    std::ofstream(dir / "file") << "a file where the folder should be";
    const std::vector<std::uint8_t> record(64, 1);
    for (const fs::path& folder : {dir / "missing", dir / "file"}) {
        const KeptFlight kept = KeepFlight(folder.string(), record, {}, true);
        EXPECT_NE(kept.error, "") << folder;
        EXPECT_FALSE(kept.written());
        EXPECT_FALSE(ReadDownloadLog(folder.string()).present);
    }
    EXPECT_FALSE(fs::exists(dir / kDownloadLogName));
}

TEST(FlightFileName, NamesCompetitorSerialAndWhetherWhole) {
    std::vector<std::uint8_t> record(32);
    record[1] = 12, record[3] = 0x59, record[4] = 0x01; // competitor 12, serial 345
    EXPECT_TRUE(FlightFileName(record, true).starts_with("C012_S00345_"));
    EXPECT_TRUE(FlightFileName(record, false).ends_with("_partial.dat"));
    EXPECT_EQ(FlightFileName(record, true).size(),
              std::string("C012_S00345_20261207-143015.dat").size());
}

void WriteBytes(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

// Fifty flights (names in another order than competitors), one file that is none, a damaged
// log line: each row holds its own file's figures, as one flight decoded alone gives them.
TEST_F(DownloadLogTest, FiftyFilesReadIntoTheirOwnRows) {
    const FilterSettings filter;
    std::vector<std::vector<std::uint8_t>> records;
    for (std::uint16_t i = 0; i < 50; ++i) {
        SynthParams p;
        p.competitor = static_cast<std::uint16_t>(200 - i);
        p.seed = i;
        p.peakAltitude = 50.0f + i;
        p.samplingCode = 1 + i % 4;
        records.push_back(SynthesizeFlight(p));
        std::string name(1, 'F'); // one append at a time: g++ 12 warns wrongly on "F" + ...
        name.append(std::to_string(1000 + i)).append(".dat");
        WriteBytes(dir / name, records.back());
    }
    Download("zz.dat", "no flight");
    std::ofstream(dir / kDownloadLogName, std::ios::app) << "{\"cut\n";
    const std::vector<std::string> paths = ListFlightFiles(dir.string());
    ASSERT_EQ(paths.size(), 51u);
    const FlightRows read = ReadFlightRows(paths, filter);
    ASSERT_EQ(read.rows.size(), 51u);
    for (std::size_t i = 0; i < 50; ++i) {
        const FlightRow& r = read.rows[i];
        const Flight alone = DecodeRecord(records[i], FlightSource::File, {.chartPoints = false});
        ASSERT_TRUE(r.holdsFlight) << r.file << r.systemReason;
        EXPECT_EQ(r.path, paths[i]);
        EXPECT_EQ(r.competitor, alone.header.header.competitor);
        EXPECT_EQ(r.samplingRate, alone.header.samplingRate);
        EXPECT_EQ(r.stats.maxText, ComputeStats(alone, filter).maxText) << r.file;
        EXPECT_EQ(r.check, FileCheck::NotLogged);
    }
    EXPECT_FALSE(read.rows[50].holdsFlight);
    EXPECT_EQ(read.rows[50].check, FileCheck::Unchanged);
    EXPECT_EQ(read.rows[50].fault, RowFault::NotAFlight);
    EXPECT_NE(read.rows[50].recordFault, RecordFault::None);
    ASSERT_EQ(read.damagedLogLines.size(), 1u);
    EXPECT_EQ(read.damagedLogLines[0].line, 2);
    EXPECT_EQ(read.damagedLogLines[0].log, Utf8FromPath(dir / kDownloadLogName));
}

TEST_F(DownloadLogTest, AFolderListsItsFlightsButNotItsReportsLogOrOutput) {
    const auto flight = SynthesizeFlight({});
    WriteBytes(dir / "b.dat", flight);
    WriteBytes(dir / "a flight.csv", flight); // a flight whatever its name says
    std::ofstream(dir / "results.html") << "<html>";
    std::ofstream(dir / "old.csv") << "file,competitor";
    std::ofstream(dir / "out.txt") << "being written";
    Download("c.dat", "downloaded");
    const std::vector<std::string> expected = {(dir / "a flight.csv").string(),
                                               (dir / "b.dat").string(), (dir / "c.dat").string()};
    EXPECT_EQ(ListFlightFiles(dir.string(), (dir / "out.txt").string()), expected);
    EXPECT_TRUE(HoldsFlight((dir / "a flight.csv").string()));
    EXPECT_FALSE(HoldsFlight((dir / "results.html").string()));
    EXPECT_FALSE(HoldsFlight((dir / "none.html").string()));
}

TEST_F(DownloadLogTest, ExpectedListReadAndMarked) {
    const struct {
        const char* text;
        std::set<std::int64_t> numbers;
        const char* error; // the place named in the refusal
    } cases[] = {
        {"3\n# the juniors\n  12 # late\r\n\n7\n", {3, 7, 12}, ""},
        {"", {}, ""},
        {"3\n12a\n", {}, "2 12a"},
        {"65536\n", {}, "1 65536"},
        {"-1\n", {}, "1 -1"},
    };
    for (const auto& c : cases) {
        std::ofstream(dir / "expected.txt", std::ios::binary) << c.text;
        ExpectedListFault fault;
        const auto read = ReadExpectedList(Utf8FromPath(dir / "expected.txt"), fault);
        if (*c.error) {
            EXPECT_FALSE(read) << c.text;
            EXPECT_EQ(fault.kind, ExpectedListFault::Kind::BadLine);
            EXPECT_EQ(std::to_string(fault.line) + " " + fault.text, c.error);
        } else {
            ASSERT_TRUE(read) << c.text << fault.reason;
            EXPECT_EQ(*read, c.numbers);
        }
    }
    ExpectedListFault fault;
    EXPECT_FALSE(ReadExpectedList(Utf8FromPath(dir / "none.txt"), fault));
    EXPECT_EQ(fault.kind, ExpectedListFault::Kind::Unreadable);
    EXPECT_EQ(fault.reason, std::strerror(ENOENT));

    std::vector<FlightRow> rows(3);
    rows[0].holdsFlight = true, rows[0].competitor = 3;
    rows[1].holdsFlight = true, rows[1].competitor = 5;
    rows[2].fault = RowFault::NotAFlight;
    const ExpectedCounts counts = MarkExpected(rows, {3, 7, 12});
    EXPECT_EQ(counts.missing, 2);
    EXPECT_EQ(counts.unknown, 1);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0].listStatus, ListStatus::Expected);
    EXPECT_EQ(rows[1].listStatus, ListStatus::Unknown);
    EXPECT_EQ(rows[2].listStatus, ListStatus::Unlisted);
    EXPECT_EQ(rows[3].listStatus, ListStatus::Missing);
    EXPECT_EQ(rows[3].competitor, 7);
    EXPECT_EQ(rows[4].competitor, 12);
    // A missing competitor's cells: the number and the mark, no file.
    const auto cells = FlightCells(rows[3]);
    EXPECT_EQ(cells[column::kCompetitor].shown(), "7");
    EXPECT_EQ(cells[column::kEntry].shown(), "missing");
    EXPECT_FALSE(cells[column::kFile].present);
}

} // namespace
} // namespace orlomat

namespace orlomat {
namespace {

// Folders and files named with Polish letters are listed, read, checked against their log and
// shown by their own names, also where the system's code page has no such letters (Windows).
TEST_F(DownloadLogTest, PolishNamesListedReadAndChecked) {
    const fs::path day = dir / PathFromUtf8("Zawody_Łódź"), meadow = dir / PathFromUtf8("Łąka");
    const auto flight = SynthesizeFlight({});
    const std::string content(flight.begin(), flight.end());
    const auto keep = [&](const fs::path& folder, const std::string& name, bool logged) {
        fs::create_directories(folder);
        std::ofstream(folder / PathFromUtf8(name), std::ios::binary) << content;
        if (!logged) return;
        DownloadLogEntry e;
        e.file = name;
        e.sha256 = Sha256Hex(flight);
        std::tie(e.localTime, e.utcTime) = LogTimesNow();
        ASSERT_EQ(AppendDownloadLog(Utf8FromPath(folder), e), "");
    };
    keep(day, "lot żółw.dat", true);
    keep(day, "gęś.dat", true);
    keep(day, "źdźbło.dat", false);
    keep(meadow, "lot żółw.dat", false);
    fs::remove(day / PathFromUtf8("gęś.dat"));
    std::ofstream(day / kDownloadLogName, std::ios::app) << "{\"cut\n";

    std::vector<std::string> paths = ListFlightFiles(Utf8FromPath(day));
    EXPECT_EQ(paths, (std::vector<std::string>{Utf8FromPath(day / PathFromUtf8("lot żółw.dat")),
                                               Utf8FromPath(day / PathFromUtf8("źdźbło.dat"))}));
    paths.push_back(Utf8FromPath(meadow / PathFromUtf8("lot żółw.dat")));
    FlightRows read = ReadFlightRows(paths, {});
    AddMissingLoggedFiles(read, Utf8FromPath(day));
    const struct {
        const char* file;
        bool holdsFlight;
        FileCheck check;
    } expected[] = {
        {"Zawody_Łódź/lot żółw.dat", true, FileCheck::Unchanged},
        {"źdźbło.dat", true, FileCheck::NotLogged},
        {"Łąka/lot żółw.dat", true, FileCheck::NotLogged},
        {"gęś.dat", false, FileCheck::Missing},
    };
    ASSERT_EQ(read.rows.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(read.rows[i].file, expected[i].file);
        EXPECT_EQ(read.rows[i].holdsFlight, expected[i].holdsFlight) << expected[i].file;
        EXPECT_EQ(read.rows[i].check, expected[i].check) << expected[i].file;
    }
    ASSERT_EQ(read.damagedLogLines.size(), 1u);
    EXPECT_EQ(read.damagedLogLines[0].log, Utf8FromPath(day / kDownloadLogName));
}

} // namespace
} // namespace orlomat
