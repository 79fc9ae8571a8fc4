// The files layer: the settings record, the spreadsheet export, and the file reader and
// writer every program uses.
#include "core/flight_record.h"
#include "core/language.h"
#include "files/csv_export.h"
#include "files/flight_file.h"
#include "files/settings_record.h"
#include "files/spreadsheet_csv.h"
#include "files/user_file.h"
#include "tools/synth/flight_synth.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace orlomat {
namespace {

namespace fs = std::filesystem;

TEST(SettingsRecord, DefaultBytes) {
    const auto b = SettingsRecord{}.toBytes();
    const std::uint8_t expected[40] = {'C', 'O', 'M', '5', 0, 0, 0, 0, 4, 0, 0,  0,  50,
                                       0,   0,   0,   0,   0, 0, 0, 1, 0, 0, 0,  94, 1,
                                       0,   0,   250, 0,   0, 0, 8, 0, 0, 0, 12, 0};
    EXPECT_EQ(std::memcmp(b.data(), expected, 38), 0);
    EXPECT_EQ(b[38], 0);
    EXPECT_EQ(b[39], 0);
}

TEST(SettingsRecord, ShortAndLongFilesOverlayTheDefaults) {
    SettingsRecord r;
    const std::uint8_t shortFile[] = {'C', 'O', 'M', '7', 0, 0, 0, 0, 6, 0};
    r.overlay(shortFile);
    EXPECT_EQ(r.portName(), "COM7");
    EXPECT_EQ(r.portIndex, 6); // 2 bytes read over the default 4
    EXPECT_EQ(r.preCut, 350);

    std::vector<std::uint8_t> longFile(100, 0xFF);
    SettingsRecord full;
    full.overlay(longFile);
    EXPECT_EQ(full.finalFilterWidth, -1);
    EXPECT_EQ(LanguageOfRecord(full.language), Language::Polish); // a stray language means Polish
    EXPECT_EQ(full.portName(), std::string(8, '\xFF'));

    SettingsRecord english;
    english.language = 1;
    SettingsRecord back;
    back.overlay(english.toBytes());
    EXPECT_EQ(back, english);
    EXPECT_EQ(LanguageOfRecord(back.language), Language::English);
}

TEST(SettingsRecord, PortNameHoldsSevenCharacters) {
    SettingsRecord r;
    r.setPortName("/dev/ttyUSB0");
    EXPECT_EQ(r.portName(), "/dev/tt");
    EXPECT_EQ(r.toBytes()[7], 0);
}

TEST(CsvExport, NumberExamples) {
    const std::pair<std::int32_t, const char*> rows[] = {
        {0, "0.0"},
        {12340, "123.4"},
        {12345, "123.5"},
        {45, "0.5"},
        {4, "0.0"},
        {-4, "0.0"},
        {5, "0.1"},
        {-250, "-2.5"},
        {123456, "1235.0"},
        {999960, "1E4"},
        {1234567, "1.235E4"},
        {9996, "100.0"},
        {100000, "1000.0"},
        {-1234567, "-1.235E4"},
        {99, "1.0"},
        {-5, "-0.1"},
        {2147483647 - 1, "2.147E7"},
        {std::numeric_limits<std::int32_t>::min(), "-2.147E7"}};
    for (const auto& [cm, text] : rows)
        EXPECT_EQ(FormatExportValue(cm), text) << cm;
    EXPECT_EQ(FormatExportValue(12340, ','), "123,4");
}

// The local dialect: a byte-order mark, semicolons, decimal commas, CR LF; the plain one without
// the mark, with commas and points. A cell holding the separator is quoted, the other's is not.
TEST(SpreadsheetCsv, BothDialectsByteForByte) {
    const auto table = [](CsvFormat f) {
        CsvTable t(f);
        t.text("Wysokość [m]").text("a;b").text("c,d").endRow();
        t.figure(-0.004, 2).figure(1234.5, 2).figure(-12.345, 1).endRow();
        return t.bytes();
    };
    EXPECT_EQ(table(CsvFormat::ExcelLocal),
              "\xEF\xBB\xBFWysokość [m];\"a;b\";c,d\r\n0,00;1234,50;-12,3\r\n");
    EXPECT_EQ(table(CsvFormat::Plain), "Wysokość [m],a;b,\"c,d\"\r\n0.00,1234.50,-12.3\r\n");
}

TEST(CsvExport, BytesAndNames) {
    EXPECT_EQ(ExportBytes({12340, -250, kTableEndMark, 77}), "123.4\n\r-2.5\n\r");
    EXPECT_EQ(ExportBytes({kTableEndMark}), "");
    std::vector<std::int32_t> many(500, 100);
    many.push_back(kTableEndMark);
    const std::string b = ExportBytes(many);
    EXPECT_EQ(std::count(b.begin(), b.end(), '\n'), 500);
    EXPECT_EQ(b.substr(b.size() - 2), "\n\r");
    EXPECT_EQ(ExportFileName("lot"), "lot.csv");
    EXPECT_EQ(ExportFileName("lot.CSV"), "lot.CSV.csv");
    EXPECT_EQ(ExportFileName("a.csv.txt"), "a.csv.txt");
}

// Names are UTF-8 in and out, on every system, as the rest of the program hands them over.
class UserFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("orlomat_files_" + std::to_string(std::random_device{}()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string Path(const std::string& name) const {
        return Utf8FromPath(dir_ / PathFromUtf8(name));
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(PathFromUtf8(path), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::vector<std::string> Names(const fs::path& folder = {}) const {
        std::vector<std::string> n;
        for (const auto& e : fs::directory_iterator(folder.empty() ? dir_ : folder))
            n.push_back(Utf8FromPath(e.path().filename()));
        std::sort(n.begin(), n.end());
        return n;
    }
    fs::path dir_;
};

#ifdef _WIN32
constexpr const char* kNullDevice = "NUL";
#else
constexpr const char* kNullDevice = "/dev/null";
#endif

// The old file is replaced whole and no temporary file is left; a directory or a missing
// folder is a reason, not a crash; a device is written through, never replaced.
TEST_F(UserFileTest, AtomicWritesReplaceOnlyWhatTheyShould) {
    const std::string f = Path("lot.csv");
    ASSERT_EQ(WriteFileAtomically(f, "old"), "");
    ASSERT_EQ(WriteFileAtomically(f, "new"), "");
    EXPECT_EQ(Read(f), "new");
    EXPECT_EQ(Names(), (std::vector<std::string>{"lot.csv"}));
    EXPECT_NE(WriteFileAtomically(Utf8FromPath(dir_), "x"), "");
    EXPECT_NE(WriteFileAtomically(Path("no/such.csv"), "x"), "");
    EXPECT_EQ(WriteFileAtomically(kNullDevice, "x"), "");
}

#ifndef _WIN32
// A replaced file keeps its permissions; a link is followed and stays a link; a full device
// is a reason.
TEST_F(UserFileTest, AtomicWritesKeepModeAndLinks) {
    const std::string f = Path("lot.csv");
    ASSERT_EQ(WriteFileAtomically(f, "old"), "");
    ::chmod(f.c_str(), 0640);
    ASSERT_EQ(WriteFileAtomically(f, "new"), "");
    struct stat st {};
    ASSERT_EQ(::stat(f.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    fs::create_symlink(f, Path("link.csv"));
    ASSERT_EQ(WriteFileAtomically(Path("link.csv"), "through"), "");
    EXPECT_TRUE(fs::is_symlink(Path("link.csv")));
    EXPECT_EQ(Read(f), "through");
    EXPECT_EQ(Names(), (std::vector<std::string>{"link.csv", "lot.csv"}));
    EXPECT_EQ(WriteFileAtomically("/dev/full", "x"), std::strerror(ENOSPC));
}
#endif

TEST_F(UserFileTest, NewFilesNeverReplaceOneAndTakeTheNextFreeName) {
    std::string written;
    ASSERT_EQ(WriteNewFile(Path("old.dat"), "1", written), "");
    EXPECT_EQ(written, Path("old.dat"));
    ASSERT_EQ(WriteNewFile(Path("old.dat"), "2", written), "");
    EXPECT_EQ(written, Path("old-2.dat"));
    ASSERT_EQ(WriteNewFile(Path("old.dat"), "3", written), "");
    EXPECT_EQ(written, Path("old-3.dat"));
    EXPECT_EQ(Read(Path("old.dat")), "1");
    EXPECT_EQ(Names(), (std::vector<std::string>{"old-2.dat", "old-3.dat", "old.dat"}));
    EXPECT_EQ(NameWithTag("a/b.c/lot", "-2"), "a/b.c/lot-2");
}

TEST_F(UserFileTest, OnlyRegularFilesAreReadAndOneFileIsOneFile) {
    const std::string f = Path("lot.dat");
    ASSERT_EQ(WriteFileAtomically(f, std::string(40000, 'x')), "");
    std::string error;
    const auto bytes = ReadFileStart(f, 33000, error);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(bytes->size(), 33000u);
    EXPECT_FALSE(ReadFileStart(kNullDevice, 10, error)); // never ends
    EXPECT_EQ(error, "not a regular file");
#ifndef _WIN32
    ASSERT_EQ(::mkfifo(Path("pipe").c_str(), 0600), 0);
    EXPECT_FALSE(ReadFileStart(Path("pipe"), 10, error)); // would block for ever
    EXPECT_EQ(error, "not a regular file");
    fs::create_symlink(f, Path("same.dat"));
    EXPECT_TRUE(SameFile(f, Path("same.dat")));
#endif
    EXPECT_FALSE(ReadFileStart(Utf8FromPath(dir_), 10, error));
    EXPECT_FALSE(ReadFileStart(Path("missing"), 10, error));
    EXPECT_TRUE(SameFile(f, Path("./lot.dat")));
    EXPECT_FALSE(SameFile(f, Path("missing")));
}

// Each kind of file a flight reader meets, with what its caller words: the system's reason
// for a file it cannot read, the fault of one that holds no flight.
TEST_F(UserFileTest, FlightFilesAreDecodedOrRefusedWithTheirReason) {
    const std::vector<std::uint8_t> flight = SynthesizeFlight({});
    ASSERT_EQ(WriteFileAtomically(Path("flight.dat"), std::string(flight.begin(), flight.end())),
              "");
    ASSERT_EQ(WriteFileAtomically(Path("notes.dat"), std::string(64, 'a')), "");
    ASSERT_EQ(WriteFileAtomically(Path("empty.dat"), ""), "");
    const struct {
        std::string name;
        FlightFileRefusal refusal;
        RecordFault fault;
    } cases[] = {
        {"flight.dat", FlightFileRefusal::None, RecordFault::None},
        {"notes.dat", FlightFileRefusal::NotAFlight, RecordFault::Text},
        {"empty.dat", FlightFileRefusal::NotAFlight, RecordFault::NoHeader},
        {"missing.dat", FlightFileRefusal::Unreadable, RecordFault::None},
        {"", FlightFileRefusal::Unreadable, RecordFault::None}, // the folder
    };
    for (const auto& c : cases) {
        const FlightFile f = ReadFlightFile(Path(c.name), {.chartPoints = false});
        EXPECT_EQ(f.refusal, c.refusal) << c.name;
        EXPECT_EQ(f.fault, c.fault) << c.name;
        EXPECT_EQ(f.flight.has_value(), c.refusal == FlightFileRefusal::None) << c.name;
        EXPECT_EQ(f.systemReason.empty(), c.refusal != FlightFileRefusal::Unreadable) << c.name;
    }
    const FlightFile f = ReadFlightFile(Path("flight.dat"));
    ASSERT_TRUE(f.flight);
    EXPECT_EQ(f.flight->record, flight);
    EXPECT_GT(f.flight->curve.chartedCount(), 0u);
}

// Polish letters in folder and file names: a name that went through a narrow (code page)
// call on Windows would be written under another name and never found again.
TEST_F(UserFileTest, NonAsciiNamesAreWrittenFoundAndRead) {
    fs::create_directory(dir_ / PathFromUtf8("łąka"));
    const std::string f = Path("łąka/żółć.txt");
    ASSERT_EQ(WriteFileAtomically(f, "old"), "");
    ASSERT_EQ(WriteFileAtomically(f, "new"), "");
    EXPECT_EQ(Names(dir_ / PathFromUtf8("łąka")), (std::vector<std::string>{"żółć.txt"}));
    std::string error;
    const auto bytes = ReadFileStart(f, 10, error);
    ASSERT_TRUE(bytes) << error;
    EXPECT_EQ(std::string(bytes->begin(), bytes->end()), "new");
    std::string written;
    ASSERT_EQ(WriteNewFile(f, "second", written), "");
    EXPECT_EQ(written, Path("łąka/żółć-2.txt"));
    EXPECT_EQ(Read(written), "second");
    EXPECT_TRUE(SameFile(f, Path("łąka/../łąka/żółć.txt")));
    EXPECT_EQ(NameWithTag("żółć.dat", "-częściowy"), "żółć-częściowy.dat");
}

// Past the classic 260-character limit of Windows, with a file name of 250 characters (the
// temporary name beside it must still fit the file system's 255). Wine does not hold to the
// limit, so there this shows that the long form the layer builds for such names works.
TEST_F(UserFileTest, LongNamesWork) {
    const fs::path folder = dir_ / std::string(100, 'f') / std::string(100, 'g');
    fs::create_directories(folder);
    const std::string f = Utf8FromPath(folder / (std::string(246, 'n') + ".dat"));
    ASSERT_GT(f.size(), 450u);
    ASSERT_EQ(WriteFileAtomically(f, "old"), "");
    ASSERT_EQ(WriteFileAtomically(f, "new"), "");
    std::string error;
    const auto bytes = ReadFileStart(f, 10, error);
    ASSERT_TRUE(bytes) << error;
    EXPECT_EQ(bytes->size(), 3u);
    std::string written;
    ASSERT_EQ(WriteNewFile(f, "x", written), "");
    const std::string second = std::string(246, 'n') + "-2.dat";
    EXPECT_EQ(written, Utf8FromPath(folder / second));
    EXPECT_EQ(Names(folder), (std::vector<std::string>{second, std::string(246, 'n') + ".dat"}));
}

} // namespace
} // namespace orlomat
