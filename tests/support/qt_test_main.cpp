// GoogleTest main for tests that need a QApplication (offscreen, no display).
#include <QApplication>
#include <QFont>
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
#ifdef _WIN32
    // The offscreen platform has only the fonts of QT_QPA_FONTDIR (DejaVu under Wine): the
    // families Windows always has stand for their DejaVu likes, as fontconfig does on Linux.
    QFont::insertSubstitution(QStringLiteral("Times New Roman"), QStringLiteral("DejaVu Serif"));
    QFont::insertSubstitution(QStringLiteral("Segoe UI"), QStringLiteral("DejaVu Sans"));
#endif
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
