// Replies to the identify command -> the driver's line reader and the model table, over a real
// pseudo-terminal. The reader never writes past its buffer and splits the reply as the plain
// model below does; a device is identified exactly when the reply is a lone CR and then a line
// that begins with a known identifier.
//
// Input: the bytes the device answers (at most 1024), queued whole before the exchange; the
// silence after them ends a line that has no CR.
#include "FuzzCheck.h"
#include "fakes/FakeMessageBox.h"
#include "fakes/FakeSerialPortDiscovery.h"
#include "fakes/FakeSettingsStore.h"
#include "serial/DeviceDetection.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::size_t MaxReply = 1024;

struct Link {
    int master = -1;
    CRS232 port;
    FakeSettingsStore settings;
    FakeSerialPortDiscovery discovery;
    FakeMessageBox messages;
    std::unique_ptr<CDeviceDetection> detection;
};
Link* wire = nullptr;

// The lines a reader of at most 30 characters makes of the bytes: each ends at CR (kept), or
// after 30 characters (the 31st is dropped), or where the bytes end.
std::vector<std::string> Lines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (line.size() == 30) {
            lines.push_back(line); // bytes[i] is the dropped one
            line.clear();
            continue;
        }
        line += bytes[i];
        if (bytes[i] == '\r') {
            lines.push_back(line);
            line.clear();
        }
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

int ModelOf(const std::string& identifier) {
    static const std::pair<const char*, int> models[] = {
        {"SK-RLAY-00,", 1}, {"SK-DNGL-00,", 2}, {"TN-UDCK-00,", 3}, {"TN-CDCK-00,", 4},
        {"TN-CDCK-R2,", 4}, {"TN-SDCK-00,", 5}, {"TN-LDCK-00,", 6}, {"TN-UDCK-R2,", 3},
        {"TN-SDCK-R2,", 5}, {"TN-KDCK-R2,", 7}};
    for (const auto& [id, type] : models)
        if (identifier == id)
            return type;
    return 0;
}

// Empties what the driver sent (the identify command) and what it left unread, then queues the
// reply and waits until the port holds all of it.
void Queue(const std::string& reply) {
    char sent[256];
    while (::read(wire->master, sent, sizeof sent) > 0) {
    }
    // Through the driver: it may hold bytes it has taken from the system already.
    unsigned char left = 0;
    while (wire->port.ReadByte(&left) == 1) {
    }
    // The pty may take the bytes in parts, and refuse them for a moment while it frees what the
    // flush dropped.
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    std::size_t written = 0;
    while (written < reply.size() && std::chrono::steady_clock::now() < end) {
        const ssize_t n = ::write(wire->master, reply.data() + written, reply.size() - written);
        if (n > 0)
            written += static_cast<std::size_t>(n);
        else if (n < 0 && errno != EAGAIN && errno != EINTR)
            break;
        else if (n < 0 && errno == EAGAIN)
            std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    FUZZ_CHECK(written == reply.size());
    int queued = 0;
    while (::ioctl(wire->port.Handle(), FIONREAD, &queued) == 0 &&
           queued != static_cast<int>(reply.size()) && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::microseconds(20));
    FUZZ_CHECK(queued == static_cast<int>(reply.size()));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    wire = new Link;
    wire->master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    FUZZ_CHECK(wire->master >= 0 && ::grantpt(wire->master) == 0 && ::unlockpt(wire->master) == 0);
    const std::string device = ::ptsname(wire->master);
    wire->port.DevicePath = [device](int) { return device; };
    wire->port.LineTimeoutMs = 0;
    FUZZ_CHECK(wire->port.OpenPort() == 1);
    wire->detection = std::make_unique<CDeviceDetection>(wire->port, wire->settings,
                                                         wire->discovery, wire->messages);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string reply(reinterpret_cast<const char*>(data), std::min(size, MaxReply));
    const std::vector<std::string> lines = Lines(reply);

    Queue(reply);
    const int identified = wire->detection->IdentifyDevice();
    int expected = 0;
    if (lines.size() >= 2 && lines[0] == "\r" && lines[1].size() >= 11)
        expected = ModelOf(lines[1].substr(0, 11));
    FUZZ_CHECK(identified == (expected != 0 ? 1 : 0));
    FUZZ_CHECK(wire->detection->DeviceType == expected);
    FUZZ_CHECK(wire->detection->GetDeviceName().empty() == (expected == 0));

    // The whole reply line by line, into a buffer of exactly the size the reader may fill.
    Queue(reply);
    std::size_t n = 0;
    for (;;) {
        auto buffer = std::make_unique<char[]>(CRS232::LineLimit + 1);
        const int count = wire->port.ReadLine(buffer.get());
        FUZZ_CHECK(count >= 0 && count <= CRS232::LineLimit);
        FUZZ_CHECK(buffer[count] == '\0');
        if (count == 0)
            break;
        FUZZ_CHECK(n < lines.size());
        FUZZ_CHECK(std::string(buffer.get(), count) == lines[n]);
        ++n;
    }
    FUZZ_CHECK(n == lines.size());
    return 0;
}
