// The download log: digests, appending line by line, reading a log with damaged lines, and the
// check of a folder against it; keeping a downloaded flight in a folder.
#include "contest/download_log.h"
#include "contest/flight_keeping.h"
#include "contest/sha256.h"
#include "core/json.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

namespace orlomat {
namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> Bytes(const std::string& s) {
    return {s.begin(), s.end()};
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

TEST_F(DownloadLogTest, EveryFileIsCheckedAgainstItsLastEntry) {
    Download("a.dat", "first flight");
    Download("b.dat", "second flight");
    Download("c.dat", "third flight");
    std::ofstream(dir / "notes.dat") << "not downloaded";
    std::ofstream(dir / "results.html") << "<html>"; // a report written there: not listed
    std::ofstream(dir / "b.dat", std::ios::binary) << "second flighT";
    fs::remove(dir / "c.dat");
    EXPECT_EQ(Check("a.dat"), FileCheck::Unchanged);
    EXPECT_EQ(Check("b.dat"), FileCheck::Changed);
    EXPECT_EQ(Check("c.dat"), FileCheck::Missing);
    EXPECT_EQ(Check("notes.dat"), FileCheck::NotLogged);
    EXPECT_EQ(CheckFolder(dir.string(), ReadDownloadLog(dir.string())).size(), 4u);
    Download("b.dat", "downloaded again"); // the last entry counts
    EXPECT_EQ(Check("b.dat"), FileCheck::Unchanged);
}

TEST_F(DownloadLogTest, ACutLineIsSkippedAndNeverGluedToTheNext) {
    Download("a.dat", "first");
    Download("b.dat", "second");
    // A power cut in the middle of the last line.
    const fs::path log = dir / kDownloadLogName;
    const auto size = fs::file_size(log);
    fs::resize_file(log, size - 30);
    DownloadLog read = ReadDownloadLog(dir.string());
    EXPECT_EQ(read.entries.size(), 1u);
    EXPECT_EQ(read.damagedLines, std::vector<int>{2});
    EXPECT_EQ(Check("a.dat"), FileCheck::Unchanged);
    EXPECT_EQ(Check("b.dat"), FileCheck::NotLogged);
    // The next download starts a line of its own.
    Download("c.dat", "third");
    read = ReadDownloadLog(dir.string());
    EXPECT_EQ(read.entries.size(), 2u);
    EXPECT_EQ(read.damagedLines, std::vector<int>{2});
    EXPECT_EQ(Check("c.dat"), FileCheck::Unchanged);
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

} // namespace
} // namespace orlomat
