// The fixture the window tests share: a private folder for the settings file and flights, a
// scripted prompter, and the main window with its dialogs (on a given line and clock, or the
// real port).
#pragma once

#include "tests/support/scripted_prompter.h"
#include "ui/main_window.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace orlomat::test {

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
