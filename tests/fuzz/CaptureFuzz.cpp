// Serial bytes in any chunks, with timer ticks between them, and the framing and formatting
// options -> the capture cycle and the formatter, checked against the plain model of Models.h:
// no byte lost, reordered or invented beyond the conversions and the stamp, no packet over the
// buffer, one packet a tick at most, and the same output for the same input.
//
// Input: byte 0 EndOfPacket, 1 CommaReplacement, 2 switches (bit 0 commas to tabs, 1 commas to
// CRs, 2 CRs to tabs, 3 day first, 4 '/' in dates, 5 24-hour time, 6 stamp after), 3 StampType,
// 4-7 the clock (seconds, little-endian); then chunks, each a length byte, that many bytes from
// the line and a byte whose low two bits are the ticks that pass before the next chunk; its bit
// 2 set, the receiver goes away after those ticks and the packet it left unfinished is dropped;
// its bits 4-5 not 0, the Parsing dialog sets EndOfPacket to their value less one.
#include "CaptureRig.h"
#include "FuzzCheck.h"
#include "Models.h"
#include "resources/ControlIds.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr std::size_t Header = 8;

SetupRecord Options(const std::uint8_t* data) {
    SetupRecords records;
    records.SetDefaults();
    SetupRecord& s = records.Setup;
    s.EndOfPacket = data[0];
    s.CommaReplacement = data[1];
    s.CommasToTabs = data[2] & 1;
    s.CommasToCRs = (data[2] >> 1) & 1;
    s.CRsToTabs = (data[2] >> 2) & 1;
    s.DateOrder = (data[2] >> 3) & 1;
    s.DateSeparator = (data[2] >> 4) & 1;
    s.TimeFormat = (data[2] >> 5) & 1;
    s.StampPosition = (data[2] >> 6) & 1;
    s.StampType = data[3];
    return s;
}

struct Transcript {
    std::vector<std::u16string> delivered;
    std::vector<std::u16string> fields; // Input and Output Packet after every tick
    std::string line;                   // every byte that came from the line
    bool operator==(const Transcript&) const = default;
};

Transcript Run(const std::uint8_t* data, std::size_t size) {
    SetupRecord setup = Options(data);
    std::int64_t now = 0;
    std::memcpy(&now, data + 4, 4);

    fuzz::CaptureRig rig(setup, now);
    FakeByteSource& line = rig.line;
    FakeViewFields& fields = rig.fields;
    FakeNotices& notices = rig.notices;
    FakePacketOwner& owner = rig.owner;
    CParse_Data_Pkt& packet = rig.packet;
    CCaptureCycle& cycle = rig.cycle;

    Transcript transcript;
    const auto tick = [&] {
        const std::size_t before = owner.app.packets.size();
        cycle.OnTimer();
        FUZZ_CHECK(owner.app.packets.size() - before <= 1);
        FUZZ_CHECK(packet.PacketCount >= 0 && packet.PacketCount <= CParse_Data_Pkt::BufferSize);
        const int inProgress = cycle.PacketDone == 1 ? 0 : packet.PacketCount;
        FUZZ_CHECK(cycle.RxDCount == static_cast<int>(line.queue.size()) + inProgress);
        transcript.fields.push_back(fields.text[ctl::InputPacket]);
        transcript.fields.push_back(fields.text[ctl::OutputPacket]);
    };

    // What happened when how many bytes had been read: the receiver went away (-1), or the end
    // of packet changed (its new value).
    std::vector<std::pair<std::size_t, int>> events;
    const int firstEnd = setup.EndOfPacket;
    std::size_t at = Header;
    while (at < size) {
        const std::size_t wanted = data[at++];
        const std::size_t length = std::min(wanted, size - at);
        const std::string chunk(reinterpret_cast<const char*>(data + at), length);
        at += length;
        line.Receive(chunk);
        transcript.line += chunk;
        const int after = at < size ? data[at++] : 0;
        for (int t = 0; t < (after & 3); ++t)
            tick();
        const std::size_t read = transcript.line.size() - line.queue.size();
        if (after & 4) {
            cycle.DiscardPacket();
            events.push_back({read, -1});
        }
        if (after & 0x30) {
            setup.EndOfPacket = static_cast<std::uint8_t>(((after >> 4) & 3) - 1);
            events.push_back({read, setup.EndOfPacket});
        }
    }
    // The line falls silent: the ticks work off whatever waits, one packet each.
    for (std::size_t guard = 0; !line.queue.empty() && guard <= transcript.line.size(); ++guard)
        tick();
    FUZZ_CHECK(line.queue.empty());
    tick();

    fuzz::Framed framed;
    std::size_t framedUpTo = 0;
    int end = firstEnd;
    for (const auto& [read, what] : events) {
        fuzz::Frame(framed, end, transcript.line.substr(framedUpTo, read - framedUpTo));
        framedUpTo = read;
        if (what < 0)
            framed.pending.clear();
        else
            end = what;
    }
    fuzz::Frame(framed, end, transcript.line.substr(framedUpTo));
    FUZZ_CHECK(owner.app.packets.size() == framed.packets.size());
    FUZZ_CHECK(owner.file.packets == owner.app.packets);
    for (std::size_t i = 0; i < framed.packets.size(); ++i) {
        FUZZ_CHECK(framed.packets[i].size() <= 500);
        for (const char16_t c : owner.app.packets[i])
            FUZZ_CHECK(c < 256);
        FUZZ_CHECK(fuzz::Bytes(owner.app.packets[i]) ==
                   fuzz::OutputOf(setup, framed.packets[i], now));
    }
    // What has not ended yet is in the buffer, in order, and nothing else.
    const std::size_t pending = cycle.PacketDone == 1 ? 0 : packet.PacketCount;
    FUZZ_CHECK(std::string(reinterpret_cast<const char*>(packet.PacketBuffer), pending) ==
               framed.pending);
    FUZZ_CHECK(notices.posted.empty());
    transcript.delivered = owner.app.packets;
    return transcript;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < Header)
        return 0;
    const Transcript first = Run(data, size);
    FUZZ_CHECK(Run(data, size) == first);
    return 0;
}
