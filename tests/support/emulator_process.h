// The altimeter emulator as a child process for end-to-end tests: started with its options,
// its port read from its first line, stopped with the test. Every frame it refuses (a wrong
// frame, wrong line settings) is kept in its log, and every frame it takes in a second one:
// the tests read both.
#pragma once

#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

namespace orlomat::test {

class EmulatorProcess {
public:
    explicit EmulatorProcess(QStringList args, const QString& flight = {}) {
        if (!flight.isEmpty()) args << QStringLiteral("--flight") << flight;
        args << QStringLiteral("--log") << log() << QStringLiteral("--frames") << framesLog();
        process_.start(QStringLiteral(ORLOMAT_EMULATOR), args);
        if (process_.waitForReadyRead(5000))
            port_ = QString::fromUtf8(process_.readLine()).trimmed();
    }
    ~EmulatorProcess() {
        process_.terminate();
        if (!process_.waitForFinished(2000)) process_.kill();
        process_.waitForFinished(1000);
    }
    EmulatorProcess(const EmulatorProcess&) = delete;
    EmulatorProcess& operator=(const EmulatorProcess&) = delete;
    QString port() const { return port_; }
    // What the emulator refused so far, one line each; empty when every frame was right.
    QString refusals() const {
        QFile f(log());
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

    // The command letters of the frames taken so far, in order ("4BD6" for a settings read).
    QString commands() const {
        QFile f(framesLog());
        if (!f.open(QIODevice::ReadOnly)) return {};
        QString letters;
        // Each line: "frame L: 65 ..." with L the command letter.
        for (const QByteArray& line : f.readAll().split('\n'))
            if (line.startsWith("frame ") && line.size() > 6) letters += QLatin1Char(line.at(6));
        return letters;
    }

private:
    QString framesLog() const { return folder_.filePath(QStringLiteral("frames.log")); }
    QString log() const { return folder_.filePath(QStringLiteral("emulator.log")); }
    QTemporaryDir folder_;
    QProcess process_;
    QString port_;
};

} // namespace orlomat::test
