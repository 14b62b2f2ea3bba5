// Speed of the capture pipeline: one packet drained, formatted and shown, and one line appended
// to the target file with the exclusive open.
#include "capture/CaptureCycle.h"
#include "fakes/FakeByteSource.h"
#include "fakes/FakeNotices.h"
#include "fakes/FakePacketOwner.h"
#include "fakes/FakeViewFields.h"
#include "targets/Target_File.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <unistd.h>

namespace {

void CaptureAndFormat(benchmark::State& state, const std::string& reading) {
    SetupRecords records;
    records.SetDefaults();
    records.Setup.StampType = 2; // date and time: the most work per packet
    FakeByteSource port;
    FakeViewFields fields;
    FakeNotices notices;
    FakePacketOwner owner;
    owner.SendToApp = 1;
    CParse_Data_Pkt packet;
    packet.Owner = &owner;
    packet.Setup = &records.Setup;
    packet.Fields = &fields;
    CCaptureCycle cycle(port, packet, fields, notices);
    cycle.Setup = &records.Setup;
    for (auto _ : state) {
        port.Receive(reading);
        cycle.OnTimer();
        owner.app.packets.clear();
    }
    state.SetLabel(std::to_string(reading.size()) + "-byte packet");
}

void BM_CaptureReading(benchmark::State& state) {
    CaptureAndFormat(state, "12.345\r");
}
void BM_CaptureFullPacket(benchmark::State& state) {
    CaptureAndFormat(state, std::string(499, '7') + "\r");
}

void BM_WritePacket(benchmark::State& state) {
    SetupRecords records;
    records.SetDefaults();
    const auto file = std::filesystem::temp_directory_path() /
                      ("brisk-bench-" + std::to_string(getpid()) + ".csv");
    std::strncpy(records.Setup.TargetFilePath, file.c_str(), 300);
    FakePacketOwner owner;
    CTarget_File writer;
    writer.Owner = &owner;
    writer.Setup = &records.Setup;
    for (auto _ : state)
        writer.WritePacket(u"9:05:03 AM,12.345\r");
    state.SetItemsProcessed(state.iterations());
    state.counters["errors"] = owner.FileErrorCount;
    std::filesystem::remove(file);
}

} // namespace

BENCHMARK(BM_CaptureReading);
BENCHMARK(BM_CaptureFullPacket);
BENCHMARK(BM_WritePacket);
BENCHMARK_MAIN();
