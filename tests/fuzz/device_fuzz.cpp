// Every exchange with the altimeter, fed arbitrary reply bytes, lengths and timings.
#include "device/settings_exchange.h"
#include "tests/support/fake_line.h"

#include <cstdlib>

namespace {

class QuietUi : public orlomat::DeviceUi {
public:
    void report(orlomat::DeviceEvent) override {}
    bool confirmReset() override { return true; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace orlomat;
    test::FakeClock clock;
    test::FakeLine line(clock);
    std::size_t at = 0;
    // Each command takes its answer from the input: a length, a rate, then the bytes.
    line.onCommand = [&](const std::vector<std::uint8_t>&) {
        if (at + 3 > size) return;
        const std::size_t length = (std::size_t{data[at]} << 8 | data[at + 1]) % 40000;
        const double rate = 100.0 + data[at + 2] * 200.0;
        at += 3;
        const std::size_t n = std::min(length, size - at);
        line.stream(std::vector<std::uint8_t>(data + at, data + at + n), rate, data[at - 1] % 300);
        at += n;
        if (n < length && length % 7 == 0) line.breakAt = clock.now + 150; // an unplug
    };
    Altimeter alt(line, clock);
    QuietUi ui;
    const DownloadOutcome d = alt.Download("COM5", ui);
    if (d.record.size() > kReplyBufferSize) std::abort();
    line.breakAt = -1;
    alt.Reset("COM5", ui);
    alt.channel.PortOpen("COM5");
    (void)ReadDeviceSettings(alt);
    WriteSettingsCommand(alt, 1, 4, 2, ui);
    WriteManualZeroCommand(alt, 1, ui);
    WriteDelayCommand(alt, 100, ui);
    alt.channel.PortClose();
    DefaultSetup(alt, "COM5", ui);
    if (line.isOpen) std::abort(); // every exchange closes the port again
    return 0;
}
