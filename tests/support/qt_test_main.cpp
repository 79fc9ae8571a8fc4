// GoogleTest main for tests that need a QApplication (offscreen, no display).
#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Every flight the window reads goes to its archive: into a folder of the test's own.
    const QTemporaryDir data;
    qputenv("XDG_DATA_HOME", data.path().toUtf8());
#ifdef _WIN32
    // And the settings and preferences kept under %APPDATA% on Windows.
    qputenv("APPDATA", data.filePath(QStringLiteral("AppData")).toUtf8());
#endif
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
