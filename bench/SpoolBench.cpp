// What it costs to keep a reading safe: one append to the target file with and without waiting
// for the disk, one line kept in a spool, and the drain of 1000 waiting lines in one open. The
// files live under /var/tmp (a disk, not tmpfs), so fdatasync waits for real.
#include "fakes/FakePacketOwner.h"
#include "platform/ExclusiveFile.h"
#include "setup/SetupRecord.h"
#include "targets/Spool.h"
#include "targets/Target_File.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const std::string kLine = "9:05:03 AM,12.345\r\n";

// A folder of its own on the machine's disk, removed afterwards.
struct Folder {
    fs::path path = fs::path("/var/tmp") / ("brisk-spool-bench-" + std::to_string(getpid()));
    Folder() { fs::create_directories(path); }
    ~Folder() { fs::remove_all(path); }
};

void BM_AppendWithoutSync(benchmark::State& state) {
    Folder folder;
    const std::string file = folder.path / "readings.csv";
    for (auto _ : state) {
        ExclusiveFile out;
        if (!out.Open(file, true) || ::lseek(out.Fd(), 0, SEEK_END) < 0 ||
            ::write(out.Fd(), kLine.data(), kLine.size()) != static_cast<ssize_t>(kLine.size()))
            state.SkipWithError("append failed");
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_AppendWithSync(benchmark::State& state) {
    Folder folder;
    SetupRecords records;
    records.SetDefaults();
    std::strncpy(records.Setup.TargetFilePath, (folder.path / "readings.csv").c_str(), 300);
    FakePacketOwner owner;
    CTarget_File writer;
    writer.Owner = &owner;
    writer.Setup = &records.Setup;
    writer.SpoolFolder = folder.path / "spool";
    for (auto _ : state)
        writer.WritePacket(u"9:05:03 AM,12.345\r");
    state.SetItemsProcessed(state.iterations());
    state.counters["errors"] = owner.FileErrorCount;
}

void BM_SpoolAppend(benchmark::State& state) {
    Folder folder;
    CSpool spool(folder.path / "spool", folder.path / "readings.csv");
    for (auto _ : state)
        spool.Append(kLine);
    state.SetItemsProcessed(state.iterations());
    state.counters["unsaved"] = spool.Error() != 0;
}

void BM_Drain1000(benchmark::State& state) {
    Folder folder;
    const fs::path spools = folder.path / "spool";
    const std::string target = folder.path / "readings.csv";
    const fs::path kept = folder.path / "kept.spool";
    {
        CSpool spool(spools, target);
        for (int i = 0; i < 1000; ++i)
            spool.Append(kLine);
        fs::copy_file(spools / CSpool::FileName(target), kept);
    }
    for (auto _ : state) {
        state.PauseTiming();
        fs::copy_file(kept, spools / CSpool::FileName(target),
                      fs::copy_options::overwrite_existing);
        CSpool spool(spools, target);
        state.ResumeTiming();
        if (spool.Deliver(target) != 1000)
            state.SkipWithError("drain failed");
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}

} // namespace

// Waiting for the disk costs wall time, not CPU time.
BENCHMARK(BM_AppendWithoutSync)->UseRealTime();
BENCHMARK(BM_AppendWithSync)->UseRealTime();
BENCHMARK(BM_SpoolAppend)->UseRealTime();
BENCHMARK(BM_Drain1000)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
