// The files layer: the settings record, the spreadsheet export, and the file reader and
// writer every program uses.
#include "core/flight_record.h"
#include "core/language.h"
#include "files/csv_export.h"
#include "files/settings_record.h"
#include "files/user_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>

#include <sys/stat.h>
#include <unistd.h>

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

class UserFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("orlomat_files_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> n;
        for (const auto& e : fs::directory_iterator(dir_))
            n.push_back(e.path().filename().string());
        std::sort(n.begin(), n.end());
        return n;
    }
    fs::path dir_;
};

// A replaced file keeps its permissions and no temporary file is left; a link is followed
// and stays a link; a directory or a missing folder is a reason, not a crash.
TEST_F(UserFileTest, AtomicWritesReplaceOnlyWhatTheyShould) {
    const std::string f = Path("lot.csv");
    ASSERT_EQ(WriteFileAtomically(f, "old"), "");
    ::chmod(f.c_str(), 0640);
    ASSERT_EQ(WriteFileAtomically(f, "new"), "");
    EXPECT_EQ(Read(f), "new");
    struct stat st {};
    ASSERT_EQ(::stat(f.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    fs::create_symlink(f, Path("link.csv"));
    ASSERT_EQ(WriteFileAtomically(Path("link.csv"), "through"), "");
    EXPECT_TRUE(fs::is_symlink(Path("link.csv")));
    EXPECT_EQ(Read(f), "through");
    EXPECT_EQ(Names(), (std::vector<std::string>{"link.csv", "lot.csv"}));
    EXPECT_NE(WriteFileAtomically(dir_.string(), "x"), "");
    EXPECT_NE(WriteFileAtomically(Path("no/such.csv"), "x"), "");
    EXPECT_EQ(WriteFileAtomically("/dev/null", "x"), "");
    EXPECT_EQ(WriteFileAtomically("/dev/full", "x"), std::strerror(ENOSPC));
}

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
    ASSERT_EQ(::mkfifo(Path("pipe").c_str(), 0600), 0);
    EXPECT_FALSE(ReadFileStart(Path("pipe"), 10, error)); // would block for ever
    EXPECT_EQ(error, "not a regular file");
    EXPECT_FALSE(ReadFileStart(dir_.string(), 10, error));
    EXPECT_FALSE(ReadFileStart(Path("missing"), 10, error));
    fs::create_symlink(f, Path("same.dat"));
    EXPECT_TRUE(SameFile(f, Path("same.dat")));
    EXPECT_FALSE(SameFile(f, Path("missing")));
}

} // namespace
} // namespace orlomat
