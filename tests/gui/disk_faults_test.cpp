// Files the user saves on a bad disk, and a bad settings file: a message with the system's
// reason, the existing file untouched, the program going on.
#include "app/cli.h"
#include "tests/support/scripted_prompter.h"
#include "tests/support/window_controls.h"
#include "tools/synth/flight_synth.h"
#include "ui/chart_view.h"
#include "ui/main_window.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/mount.h>
#include <unistd.h>
#endif

#include <memory>
#include <sstream>

namespace orlomat {
namespace {

using namespace test; // the window's controls by their designed names

QByteArray Read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool Write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// A small file system of its own (root only, Linux only): full after `kilobytes`.
class SmallDisk {
public:
#ifndef _WIN32
    explicit SmallDisk(int kilobytes) {
        if (geteuid() != 0) return;
        const QByteArray options = "size=" + QByteArray::number(kilobytes) + "k";
        mounted_ = ::mount("tmpfs", dir_.path().toLocal8Bit().constData(), "tmpfs", 0,
                           options.constData()) == 0;
    }
    ~SmallDisk() {
        if (mounted_) ::umount2(dir_.path().toLocal8Bit().constData(), MNT_DETACH);
    }
    bool makeReadOnly() {
        return ::mount("tmpfs", dir_.path().toLocal8Bit().constData(), "tmpfs",
                       MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }
#else
    explicit SmallDisk(int) {}
    bool makeReadOnly() {
        return false;
    }
#endif
    bool mounted() const {
        return mounted_;
    }
    QString path(const QString& name) const {
        return dir_.filePath(name);
    }

private:
    QTemporaryDir dir_;
    bool mounted_ = false;
};

class DiskFaults : public ::testing::Test {
protected:
    void SetUp() override {
        window =
            std::make_unique<MainWindow>(dir.filePath(QStringLiteral("OrlomatBMP.par")), prompter);
        window->createDialogs();
        window->resize(1300, 834);
        window->show();
        SynthParams p;
        p.glideSeconds = 1000.0f; // a full 33 000-byte flight
        const auto b = SynthesizeFlight(p);
        const QString flight = dir.filePath(QStringLiteral("flight.dat"));
        ASSERT_TRUE(Write(flight, QByteArray(reinterpret_cast<const char*>(b.data()),
                                             static_cast<qsizetype>(b.size()))));
        ASSERT_TRUE(window->loadFlightFile(flight));
    }
    // Save, export and picture to `target`, each expected to fail with a message.
    void ExpectEveryWriteFails(const QString& target, const QByteArray& existing) {
        const auto attempt = [&](const char* what, const std::function<void()>& action) {
            prompter.shown.clear();
            prompter.fileNames = {target};
            prompter.confirmations = {true};
            action();
            const bool messaged =
                !prompter.shown.empty() &&
                prompter.shown.back().text.contains(QString::fromUtf8("Nie można zapisać pliku"));
            EXPECT_TRUE(messaged) << what;
            if (!existing.isNull()) {
                EXPECT_EQ(Read(target), existing) << what;
            }
        };
        attempt("save", [&] { Click(*window, "BZapisz"); });
        attempt("export", [&] { Trigger(*window, "ZapiszdoExcela1"); });
        attempt("picture", [&] { Trigger(*window, "ZapiszObraz1"); });
        // The program goes on: the screen look is back and a save elsewhere works.
        EXPECT_EQ(window->chart()->titleLines(),
                  QStringList{QStringLiteral("            Wysokosc / Altitude")});
        prompter.fileNames = {dir.filePath(QStringLiteral("elsewhere.dat"))};
        Click(*window, "BZapisz");
        EXPECT_EQ(Read(dir.filePath(QStringLiteral("elsewhere.dat"))).size(), 33000);
    }

    QTemporaryDir dir;
    test::ScriptedPrompter prompter;
    std::unique_ptr<MainWindow> window;
};

TEST_F(DiskFaults, AFileThatCannotBeReplacedStaysAsItWas) {
    // A folder stands where the file would go: nothing can replace it.
    const QString target = dir.filePath(QStringLiteral("taken.csv.bmp"));
    ASSERT_TRUE(QDir().mkpath(target));
    ExpectEveryWriteFails(target, QByteArray());
    EXPECT_TRUE(QFileInfo(target).isDir());
}

TEST_F(DiskFaults, ReadOnlyFolder) {
    SmallDisk disk(256);
    if (!disk.mounted()) GTEST_SKIP() << "needs root to mount a file system of its own";
    const QString target = disk.path(QStringLiteral("old.csv.bmp"));
    const QByteArray before("the competitor's earlier file");
    ASSERT_TRUE(Write(target, before));
    ASSERT_TRUE(disk.makeReadOnly());
    ExpectEveryWriteFails(target, before);
}

TEST_F(DiskFaults, FullFileSystemLeavesTheOldFileAndNoScraps) {
    SmallDisk disk(16); // too small for a 33 000-byte flight or a picture
    if (!disk.mounted()) GTEST_SKIP() << "needs root to mount a file system of its own";
    const QString target = disk.path(QStringLiteral("old.dat"));
    const QByteArray before("an earlier flight");
    ASSERT_TRUE(Write(target, before));
    prompter.fileNames = {target};
    prompter.confirmations = {true};
    Click(*window, "BZapisz");
    ASSERT_EQ(prompter.shown.size(), 2u); // the question, then the failure
    EXPECT_TRUE(prompter.shown[1].text.contains(QStringLiteral("No space left on device")))
        << prompter.shown[1].text.toStdString();
    EXPECT_EQ(Read(target), before);
    EXPECT_EQ(QDir(QFileInfo(target).path()).entryList(QDir::Files),
              QStringList{QStringLiteral("old.dat")});
    prompter.shown.clear();
    prompter.fileNames = {disk.path(QStringLiteral("lot"))};
    Trigger(*window, "ZapiszObraz1");
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_FALSE(QFile::exists(disk.path(QStringLiteral("lot.bmp"))));

    // The command line over pictures and exports the user had: refused, kept, no scraps.
    const QString flight = dir.filePath(QStringLiteral("flight.dat"));
    for (const char* name : {"old.png", "old.pdf", "old.csv"}) {
        const QString out = disk.path(QString::fromLatin1(name));
        ASSERT_TRUE(Write(out, "the user's file"));
        std::ostringstream o, e;
        const std::vector<std::string> args =
            QString::fromLatin1(name).endsWith(QLatin1String(".csv"))
                ? std::vector<std::string>{"export-csv", flight.toStdString(), out.toStdString()}
                : std::vector<std::string>{"plot", flight.toStdString(), "-o", out.toStdString()};
        EXPECT_EQ(RunCli(args, o, e), 1) << name;
        EXPECT_NE(e.str().find("No space left on device"), std::string::npos) << e.str();
        EXPECT_EQ(Read(out), QByteArray("the user's file")) << name;
    }
    EXPECT_EQ(QDir(disk.path(QString())).entryList(QDir::Files | QDir::Hidden).size(), 4);
}

// Settings files the program may meet at start.
class SettingsFaults : public ::testing::Test {
protected:
    QString Path() const { return dir.filePath(QStringLiteral("OrlomatBMP.par")); }
    QTemporaryDir dir;
    test::ScriptedPrompter prompter;
};

TEST_F(SettingsFaults, AnyContentStartsWithSaneSettings) {
    const QByteArray contents[] = {QByteArray(), QByteArray("X"), QByteArray(40, '\xA7'),
                                   QByteArray(41, '\x01'), QByteArray(5000, '\xFF')};
    for (const QByteArray& c : contents) {
        ASSERT_TRUE(Write(Path(), c));
        MainWindow w(Path(), prompter);
        const SettingsRecord& s = w.session().settings;
        EXPECT_TRUE(
            (FilterSettings{s.preCut, s.finalCut, s.prefilterWidth, s.finalFilterWidth}).valid())
            << c.size();
        w.close();
        EXPECT_EQ(Read(Path()).size(), 40) << c.size();
    }
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(SettingsFaults, UnreadableSettingsGiveDefaults) {
    ASSERT_TRUE(QDir().mkpath(Path())); // a folder where the file should be: cannot be read
    MainWindow w(Path(), prompter);
    EXPECT_EQ(w.session().settings, SettingsRecord{});
    // Closing cannot write it either: the reason is shown, the window closes all the same,
    // and nothing else in the folder is touched.
    ASSERT_TRUE(Write(dir.filePath(QStringLiteral("lot.dat")), "keep"));
    EXPECT_TRUE(w.close());
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_TRUE(prompter.shown[0].text.startsWith(QString::fromUtf8("Nie można zapisać pliku ")));
    EXPECT_EQ(Read(dir.filePath(QStringLiteral("lot.dat"))), QByteArray("keep"));
}

} // namespace
} // namespace orlomat
