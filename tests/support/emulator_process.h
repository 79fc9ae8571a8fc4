// The altimeter emulator as a child process for end-to-end tests: started with its options,
// its port read from its first line, stopped with the test.
#pragma once

#include <QProcess>
#include <QStringList>

namespace orlomat::test {

class EmulatorProcess {
public:
    explicit EmulatorProcess(QStringList args, const QString& flight = {}) {
        if (!flight.isEmpty()) args << QStringLiteral("--flight") << flight;
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

private:
    QProcess process_;
    QString port_;
};

} // namespace orlomat::test
