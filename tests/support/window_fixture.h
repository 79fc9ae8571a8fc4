// The fixture the window tests share: a private folder for the settings file and flights, a
// scripted prompter, and the main window with its dialogs (on a given line and clock, or the
// real port).
#pragma once

#include "tests/support/scripted_prompter.h"
#include "ui/main_window.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

#include <memory>
#include <vector>

namespace orlomat::test {

// Wine's offscreen platform measures with a substitute of other widths than the fonts the
// window asks for (on Windows and on Linux alike they resolve to fonts of the designed size):
// there the widths say nothing about a user's screen.
inline bool MeasuredWithWinesSubstituteFonts() {
#ifdef _WIN32
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
    return false;
#endif
}

class WindowTest : public ::testing::Test {
protected:
    void OpenWindow(SerialLine* line = nullptr, Clock* clock = nullptr) {
        window = std::make_unique<MainWindow>(dir.filePath(QStringLiteral("OrlomatBMP.par")),
                                              prompter, line, clock);
        window->createDialogs();
    }
    QString Write(const QString& name, const std::vector<std::uint8_t>& bytes) {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
        return path;
    }
    static QByteArray Read(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // The texts of the messages shown so far.
    std::vector<QString> Texts() const {
        std::vector<QString> t;
        for (const auto& m : prompter.shown)
            t.push_back(m.text);
        return t;
    }

    QTemporaryDir dir;
    ScriptedPrompter prompter;
    std::unique_ptr<MainWindow> window;
};

} // namespace orlomat::test
