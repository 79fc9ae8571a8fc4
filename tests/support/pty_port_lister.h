// The system's serial ports plus pseudo-terminals standing in for plugged-in adapters (the
// system never lists a pseudo-terminal). Each is listed while its device file is there, as an
// adapter is while plugged in.
#pragma once

#include "device/port_finder.h"
#include "device/qt_serial_line.h"

#include <QByteArray>

#include <string>
#include <utility>
#include <vector>

namespace orlomat::test {

class PtyPortLister : public PortLister {
public:
    PtyPortLister(std::vector<std::string> usb, std::vector<std::string> other)
        : usb_(std::move(usb)), other_(std::move(other)) {}

    // From ORLOMAT_TEST_USB_PORTS and ORLOMAT_TEST_OTHER_PORTS (paths separated by ':'), for
    // the test build of the command line.
    static PtyPortLister fromEnvironment() {
        return {Split(qgetenv("ORLOMAT_TEST_USB_PORTS")),
                Split(qgetenv("ORLOMAT_TEST_OTHER_PORTS"))};
    }

    std::vector<SerialPortEntry> ports() override {
        std::vector<SerialPortEntry> out = system_.ports();
        for (const bool usb : {true, false}) {
            for (const std::string& path : usb ? usb_ : other_) {
                if (!PortPresent(path)) continue;
                SerialPortEntry e;
                e.systemName = path;
                e.location = PortLocation(path);
                e.description = usb ? "test adapter" : "test port";
                if (usb) e.vendorId = e.productId = 0;
                out.push_back(std::move(e));
            }
        }
        return out;
    }

private:
    static std::vector<std::string> Split(const QByteArray& paths) {
        std::vector<std::string> out;
        for (const QByteArray& p : paths.split(':'))
            if (!p.isEmpty()) out.push_back(p.toStdString());
        return out;
    }
    SystemPortLister system_;
    std::vector<std::string> usb_, other_;
};

} // namespace orlomat::test
