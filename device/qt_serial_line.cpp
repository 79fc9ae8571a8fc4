#include "device/qt_serial_line.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <QThread>

#include <algorithm>
#include <cctype>

namespace orlomat {

std::string PortLocation(const std::string& name) {
#ifdef Q_OS_UNIX
    const QString n = QString::fromStdString(name);
    if (n.startsWith(QLatin1Char('/'))) return name;
    if (n.startsWith(QLatin1String("./")) || n.startsWith(QLatin1String("../")))
        return QDir::cleanPath(QDir::current().absoluteFilePath(n)).toStdString();
    return "/dev/" + name;
#else
    return name; // QSerialPort adds the "\\.\" prefix itself
#endif
}

std::string ListedPortName(std::string name) {
    for (const std::string_view prefix : {"\\\\.\\", "//./"})
        if (name.starts_with(prefix)) name.erase(0, prefix.size());
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return name;
}

bool PortPresent(const std::string& name) {
#ifdef Q_OS_UNIX
    return QFileInfo::exists(QString::fromStdString(PortLocation(name)));
#else
    // A USB adapter's COM port is listed while it is plugged in.
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        if (ListedPortName(info.portName().toStdString()) == ListedPortName(name)) return true;
    return false;
#endif
}

bool QtSerialLine::open(const std::string& name, std::string& error) {
    broken_ = false;
    const QString location = QString::fromStdString(PortLocation(name));
    port_ = std::make_unique<QSerialPort>();
    port_->setPortName(location);
    if (!port_->open(QIODevice::ReadWrite)) {
        error = port_->errorString().toStdString();
        port_.reset();
        return false;
    }
    const bool configured =
        port_->setBaudRate(QSerialPort::Baud115200) && port_->setDataBits(QSerialPort::Data8) &&
        port_->setParity(QSerialPort::NoParity) && port_->setStopBits(QSerialPort::TwoStop) &&
        port_->setFlowControl(QSerialPort::NoFlowControl);
    if (!configured) {
        error = port_->errorString().toStdString();
        port_.reset();
        return false;
    }
    location_ = location;
    // A pseudo-terminal has no modem lines: failing to hold DTR and RTS off is harmless.
    port_->setDataTerminalReady(false);
    port_->setRequestToSend(false);
    port_->clearError();
    return true;
}

void QtSerialLine::noteError() {
    if (!port_) return;
    const auto e = port_->error();
    if (e == QSerialPort::ResourceError || e == QSerialPort::DeviceNotFoundError ||
        e == QSerialPort::PermissionError)
        broken_ = true;
    if (e != QSerialPort::NoError) port_->clearError();
}

std::size_t QtSerialLine::waiting() {
    if (!isOpen()) return 0;
    // Without an event loop the port only takes in bytes when asked to wait for them.
    port_->waitForReadyRead(0);
    noteError();
    const auto waiting = static_cast<std::size_t>(port_->bytesAvailable());
#ifdef Q_OS_UNIX
    // A vanished device file is an unplugged adapter (or a closed pseudo-terminal); the port
    // itself does not always report it.
    if (waiting == 0 && !location_.isEmpty() && !QFileInfo::exists(location_)) broken_ = true;
#endif
    return waiting;
}

std::size_t QtSerialLine::read(std::uint8_t* into, std::size_t count) {
    if (!isOpen()) return 0;
    const qint64 got = port_->read(reinterpret_cast<char*>(into), static_cast<qint64>(count));
    noteError();
    return got > 0 ? static_cast<std::size_t>(got) : 0;
}

bool QtSerialLine::write(const std::uint8_t* bytes, std::size_t count) {
    if (!isOpen()) return false;
    const qint64 n = port_->write(reinterpret_cast<const char*>(bytes), static_cast<qint64>(count));
    noteError();
    return n == static_cast<qint64>(count);
}

bool QtSerialLine::waitTransmitEmpty(int timeoutMs) {
    if (!isOpen()) return false;
    bool ok = true;
    while (port_->bytesToWrite() > 0 && ok)
        ok = port_->waitForBytesWritten(timeoutMs);
    noteError();
    return ok && !broken_;
}

void QtSerialLine::flush() {
    if (isOpen()) port_->flush();
}

void QtSerialLine::discardInput() {
    if (!isOpen()) return;
    port_->clear(QSerialPort::Input); // the driver's queue
    port_->readAll();                 // and what the port object had already taken in
    port_->clearError();
}

void QtSerialLine::close() {
    if (isOpen()) port_->close();
    port_.reset();
}

void SteadyClock::sleepMs(int ms) {
    QThread::msleep(static_cast<unsigned long>(ms));
}

std::vector<SerialPortEntry> SystemPortLister::ports() {
    std::vector<SerialPortEntry> out;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        SerialPortEntry e;
        e.systemName = info.portName().toStdString();
        e.location = info.systemLocation().toStdString();
        e.description = info.description().toStdString();
        e.manufacturer = info.manufacturer().toStdString();
        e.serialNumber = info.serialNumber().toStdString();
        if (info.hasVendorIdentifier()) e.vendorId = info.vendorIdentifier();
        if (info.hasProductIdentifier()) e.productId = info.productIdentifier();
        out.push_back(std::move(e));
    }
    return out;
}

} // namespace orlomat
