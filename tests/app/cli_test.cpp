#include "analysis/rule_readings.h"
#include "app/cli.h"
#include "core/flight.h"
#include "core/json.h"
#include "core/language.h"
#include "device/qt_serial_line.h"
#include "tools/synth/flight_synth.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace orlomat {
namespace {

namespace fs = std::filesystem;

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("orlomat_cli_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        const fs::path p = dir_ / name;
        std::ofstream(p, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return p.string();
    }

    int Run(const std::vector<std::string>& args) {
        out_.str("");
        err_.str("");
        return RunCli(args, out_, err_);
    }

    fs::path dir_;
    std::ostringstream out_, err_;
};

TEST_F(CliTest, InfoPrintsTheHeaderContract) {
    SynthParams p;
    p.samplingCode = 3;
    p.competitor = 77;
    p.serial = 4321;
    p.calibrationWord = 9876;
    const std::string f = Write("a.dat", SynthesizeFlight(p));
    ASSERT_EQ(Run({"info", f}), 0) << err_.str();
    const std::string o = out_.str();
    EXPECT_NE(o.find("\"competitor\":77,"), std::string::npos) << o;
    EXPECT_NE(o.find("\"serial\":4321,"), std::string::npos);
    EXPECT_NE(o.find("\"sampling_code\":3,"), std::string::npos);
    EXPECT_NE(o.find("\"sampling_text\":\"  5 pom/sek\""), std::string::npos);
    EXPECT_NE(o.find("\"rate_value\":50,"), std::string::npos);
    EXPECT_NE(o.find("\"calibration_word\":9876,"), std::string::npos);
    EXPECT_NE(o.find("\"AC1\":408,"), std::string::npos);
    EXPECT_NE(o.find("\"MD\":2868}"), std::string::npos);
    EXPECT_EQ(o.find("series1"), std::string::npos); // info does not decode
    EXPECT_EQ(o.back(), '\n');
}

TEST_F(CliTest, SourceChoosesTheSamplingColumn) {
    SynthParams p;
    p.samplingCode = 6;
    const std::string f = Write("a.dat", SynthesizeFlight(p));
    ASSERT_EQ(Run({"info", f}), 0);
    EXPECT_NE(out_.str().find("\"rate_value\":2,"), std::string::npos);
    ASSERT_EQ(Run({"info", f, "--source", "download"}), 0);
    EXPECT_NE(out_.str().find("\"rate_value\":10,"), std::string::npos);
    ASSERT_EQ(Run({"info", "--source=file", f}), 0);
    EXPECT_NE(out_.str().find("\"rate_value\":2,"), std::string::npos);
}

TEST_F(CliTest, DecodeOptionsChangeTheCurve) {
    const std::string f = Write("a.dat", SynthesizeFlight({}));
    ASSERT_EQ(Run({"decode", f}), 0) << err_.str();
    const std::string warm = out_.str();
    EXPECT_NE(warm.find("\"series2\":[0,"), std::string::npos);
    EXPECT_NE(warm.find("\"label\":\"1\""), std::string::npos);
    ASSERT_EQ(Run({"decode", f, "--no-speed"}), 0);
    EXPECT_NE(out_.str().find("\"series2\":[]"), std::string::npos);
    ASSERT_EQ(Run({"decode", f, "--temperature", "-5"}), 0);
    EXPECT_NE(out_.str(), warm);
}

TEST_F(CliTest, ShortFileAndUnreadableFileAreBadInput) {
    const std::string shortFile = Write("short.dat", std::vector<std::uint8_t>(31, 0));
    EXPECT_EQ(Run({"decode", shortFile}), 1);
    EXPECT_TRUE(out_.str().empty());
    EXPECT_NE(err_.str().find("holds no flight record"), std::string::npos) << err_.str();
    const std::string message = err_.str();
    EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1);
    EXPECT_EQ(Run({"info", (dir_ / "missing.dat").string()}), 1);
    EXPECT_NE(err_.str().find("cannot read file"), std::string::npos);
    EXPECT_EQ(Run({"info", dir_.string()}), 1); // a folder is not a file
    EXPECT_EQ(Run({"info", shortFile, "--lang", "pl"}), 1);
    EXPECT_NE(err_.str().find("nie zawiera zapisu lotu"), std::string::npos) << err_.str();
}

TEST_F(CliTest, ExactHeaderOnlyRecordDecodesToNothing) {
    const std::string f = Write("h.dat", BuildRecord(DatasheetCalibration(), 2, 27898, {}));
    ASSERT_EQ(Run({"decode", f}), 0);
    EXPECT_NE(out_.str().find("\"samples\":0,"), std::string::npos);
    EXPECT_NE(out_.str().find("\"min_text\":\"10000.0\""), std::string::npos);
}

TEST_F(CliTest, BadOptionValuesAreBadInputAndUsageErrorsAreTwo) {
    const std::string f = Write("a.dat", SynthesizeFlight({}));
    EXPECT_EQ(Run({"decode", f, "--temperature", "warm"}), 1);
    EXPECT_EQ(Run({"decode", f, "--temperature", "nan"}), 1);
    EXPECT_EQ(Run({"decode", f, "--source", "usb"}), 1);
    EXPECT_EQ(Run({"decode", f, "--lang", "de"}), 1);
    EXPECT_EQ(Run({}), 2);
    EXPECT_EQ(Run({"plot-it", f}), 2);
    EXPECT_EQ(Run({"decode"}), 2);
    EXPECT_EQ(Run({"decode", f, f}), 2);
    EXPECT_EQ(Run({"decode", f, "--speed"}), 2);
    EXPECT_EQ(Run({"info", f, "--no-speed"}), 2);
    EXPECT_EQ(Run({"decode", f, "--temperature"}), 2);
    EXPECT_EQ(Run({"--help"}), 0);
    EXPECT_NE(out_.str().find("orlomat decode FILE"), std::string::npos);
    EXPECT_EQ(Run({"--lang", "pl", "--help"}), 0);
    EXPECT_NE(out_.str().find("orlomat decode PLIK"), std::string::npos);
}

TEST_F(CliTest, LongFileIsCutAtTheReceiveBufferSize) {
    SynthParams p;
    p.glideSeconds = 2000.0f;
    auto bytes = SynthesizeFlight(p);
    bytes.resize(40000, 0x11);
    const std::string f = Write("long.dat", bytes);
    ASSERT_EQ(Run({"info", f}), 0);
    EXPECT_NE(out_.str().find("\"length\":33000,"), std::string::npos);
}

TEST_F(CliTest, CompareReportsOnlyTheFieldsTheDrawingSets) {
    const std::string f = Write("a.dat", SynthesizeFlight({}));
    ASSERT_EQ(Run({"compare", f}), 0) << err_.str();
    EXPECT_NE(out_.str().find("\"series3\":["), std::string::npos);
    EXPECT_NE(out_.str().find("\"max_text\":\""), std::string::npos);
    // Never above 0 m: the maximum is never written.
    std::vector<Sample> s(30, Sample{27898, 33010});
    s[0].up = 33000;
    const std::string low = Write("low.dat", BuildRecord(DatasheetCalibration(), 2, 27898, s));
    ASSERT_EQ(Run({"compare", low, "--temperature", "10"}), 0);
    EXPECT_NE(out_.str().find("\"max_text\":null,\"min_text\":null}"), std::string::npos)
        << out_.str();
}

TEST_F(CliTest, FilterFollowsTheButtonsRules) {
    const std::string f = Write("a.dat", SynthesizeFlight({}));
    ASSERT_EQ(Run({"filter", f}), 0) << err_.str();
    EXPECT_EQ(out_.str().rfind("{\"filtered\":true,\"cleaned_cm\":[", 0), 0u)
        << out_.str().substr(0, 80);
    EXPECT_NE(out_.str().find("\"labels\":[\"0\",\"\","), std::string::npos);
    ASSERT_EQ(Run({"filter", f, "--comparison"}), 0);
    EXPECT_NE(out_.str().find("\"labels\":[\"\",\"\","), std::string::npos);
    SynthParams p;
    p.maxLength = 32 + 15 * 4;
    const std::string shortFlight = Write("s.dat", SynthesizeFlight(p));
    ASSERT_EQ(Run({"filter", shortFlight}), 0);
    EXPECT_EQ(out_.str(), "{\"filtered\":false}\n");
    ASSERT_EQ(Run({"filter", shortFlight, "--comparison"}), 0); // 15 samples are enough there
    EXPECT_NE(out_.str().find("\"filtered\":true"), std::string::npos);
    EXPECT_EQ(Run({"filter", f, "--final-cut", "-1"}), 1);
    EXPECT_EQ(Run({"filter", f, "--final-filter", "101"}), 1);
    EXPECT_EQ(Run({"filter", f, "--prefilter", "x"}), 1);
}

TEST_F(CliTest, ExportWritesTheSpreadsheetBytes) {
    const std::string f = Write("a.dat", SynthesizeFlight({}));
    const std::string out = (dir_ / "a.csv").string();
    ASSERT_EQ(Run({"export-csv", f, out, "--decimal-separator", ","}), 0) << err_.str();
    std::ifstream in(out, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes.substr(0, 5), "0,0\n\r");
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "\n\r");
    const std::string tiny = Write("t.dat", BuildRecord(DatasheetCalibration(), 2, 27898, {}));
    EXPECT_EQ(Run({"export-csv", tiny, (dir_ / "t.csv").string()}), 1);
    EXPECT_EQ(err_.str(), "No data\n");
    EXPECT_FALSE(fs::exists(dir_ / "t.csv"));
    EXPECT_EQ(Run({"export-csv", f}), 2);
    EXPECT_EQ(Run({"export-csv", f, (dir_ / "no" / "x.csv").string()}), 1);

    // The local dialect: heads in the language asked, time and altitude in two columns.
    const std::string local = (dir_ / "pl.csv").string();
    ASSERT_EQ(Run({"export-csv", f, local, "--csv-format", "excel-local", "--lang", "pl"}), 0);
    std::ifstream pl(local, std::ios::binary);
    const std::string sheet((std::istreambuf_iterator<char>(pl)), std::istreambuf_iterator<char>());
    EXPECT_EQ(sheet.substr(0, 44),
              "\xEF\xBB\xBF" + std::string("Czas [s];Wysokość [m]\r\n0,00;0,00\r\n0,10;"))
        << sheet.substr(0, 60);
    EXPECT_EQ(Run({"export-csv", f, local, "--csv-format", "excel"}), 1);
    EXPECT_EQ(
        Run({"export-csv", f, local, "--csv-format", "excel-local", "--decimal-separator", ","}),
        1);
}

// `reading`: the library's numbers under their keys, refusals and usage errors never exit 0,
// the lines in both languages.
TEST_F(CliTest, ReadingGivesTheRulesNumbersAndRefusesTruthfully) {
    SynthParams p;
    p.samplingCode = 4;
    p.spike = false;
    p.groundSeconds = 20;
    p.flight = {{40, 60}, {280, 18.42f}, {15.35f, 0}};
    const auto bytes = SynthesizeFlight(p);
    const std::string f = Write("f1.dat", bytes);
    const Flight flight = DecodeRecord(bytes, FlightSource::File);
    const F1FlyoffReading f1 = ReadF1Flyoff(flight, 300, 3);
    ASSERT_EQ(Run({"reading", f, "--rule", "f1-flyoff", "--max-time", "300", "--signature", "3"}),
              0)
        << err_.str();
    const std::string o = out_.str();
    for (const std::string& field : std::vector<std::string>{
             "\"reference\":\"FAI F1 F1.1.4 b\"", "\"altitude_m\":" + FigureText(*f1.altitudeM),
             "\"altitude_rounded_m\":" + std::to_string(*f1.altitudeRoundedM),
             "\"reached_max\":true", "\"duration_s\":" + FigureText(*f1.durationS),
             "\"duration_uncertainty_s\":1,", "\"asked\":3,\"found\":0,\"matches\":false"})
        EXPECT_NE(o.find(field), std::string::npos) << field << " in " << o;

    const F5jReading f5 = ReadF5j(flight, 25);
    ASSERT_EQ(Run({"reading", f, "--rule", "f5j", "--motor-stop", "25"}), 0) << err_.str();
    EXPECT_NE(out_.str().find("\"penalty_points\":" + FigureText(*f5.penaltyPoints)),
              std::string::npos)
        << out_.str();
    EXPECT_NE(out_.str().find("\"motor_stop_from\":\"launch\""), std::string::npos);

    // A refused reading gives no figure and no flag it did not read.
    struct Refused {
        std::vector<std::string> args;
        int code;
        const char* says;                    // in the English table
        std::vector<std::string> shows = {}; // in the JSON
    };
    const Refused refused[] = {
        {{"--rule", "f5j", "--motor-stop", "31"}, 1, "30 s at most", {"\"suspect\":null"}},
        {{"--rule", "f5j", "--motor-stop", "0"},
         1,
         "cannot take",
         {"\"refusal\":\"invalid_argument\""}},
        {{"--rule", "apogee", "--target", "0"},
         1,
         "cannot take",
         {"\"status\":null", "\"highest_sample_m\":null"}},
        {{"--rule", "f1-flyoff", "--max-time", "0", "--signature", "2"},
         1,
         "cannot take",
         {"\"reached_max\":null", "\"asked\":2,\"found\":null,\"matches\":null"}},
        {{"--rule", "f5j", "--motor-stop", "5", "--from", "record"}, 1, "before the launch"},
        {{"--rule", "f5j", "--motor-stop", "5", "--from", "takeoff"}, 1, "--from"},
        {{"--rule", "timekeeper", "--time", "-3"},
         1,
         "cannot take",
         {"\"exceeds_uncertainty\":null"}},
        {{"--rule", "apogee", "--target", "x"}, 1, "--target"},
        {{"--rule", "f1-flyoff", "--signature", "3"}, 2, "--max-time"},
        {{"--rule", "apogee", "--max-time", "3"}, 2, "not one of the rule"},
        {{"--rule", "f3k"}, 2, "unknown rule"},
        {{}, 2, "--rule"},
    };
    for (const Refused& r : refused) {
        std::vector<std::string> args = {"reading", f};
        args.insert(args.end(), r.args.begin(), r.args.end());
        EXPECT_EQ(Run(args), r.code) << r.says;
        EXPECT_NE(err_.str().find(r.says), std::string::npos) << err_.str();
        for (const std::string& shown : r.shows)
            EXPECT_NE(out_.str().find(shown), std::string::npos) << shown << " in " << out_.str();
    }

    for (const Language l : {Language::Polish, Language::English}) {
        ASSERT_EQ(Run({"reading", f, "--rule", "timekeeper", "--time", "330", "--human", "--lang",
                       l == Language::Polish ? "pl" : "en"}),
                  0);
        for (const ReadingText t : {ReadingText::TimekeeperTime, ReadingText::Uncertainty})
            EXPECT_NE(out_.str().find(Tr(t, l)), std::string::npos) << out_.str();
    }
    ASSERT_EQ(Run({"reading", "--help"}), 0);
    EXPECT_NE(out_.str().find("F5 5.5.11"), std::string::npos);
}

// Windows names one port several ways: a port given one way must be found listed, and
// refused as the output file, under the others.
TEST(PortNames, WindowsSpellingsOfOnePortAreOne) {
    const struct {
        const char *given, *listed;
    } cases[] = {{"COM7", "COM7"},          {"com7", "COM7"},     {"\\\\.\\COM10", "COM10"},
                 {"\\\\.\\com12", "COM12"}, {"//./COM3", "COM3"}, {"COM1", "COM1"}};
    for (const auto& c : cases)
        EXPECT_EQ(ListedPortName(c.given), c.listed) << c.given;
    EXPECT_NE(ListedPortName("COM1"), ListedPortName("COM10"));
    EXPECT_NE(ListedPortName("\\\\?\\C:\\COM1"), "COM1"); // a file path stays a path
}

} // namespace
} // namespace orlomat
