// Setup file bytes -> the record reader, and an accepted record -> everything that reads it.
// A refused file changes nothing; an accepted record is taken byte for byte, its readers leave it
// as it is, and it saves back byte for byte.
#include "CaptureRig.h"
#include "FuzzCheck.h"
#include "Models.h"
#include "fakes/FakeKeyboardInjector.h"
#include "fakes/FakeWindowSystem.h"
#include "setup/SetupFile.h"
#include "targets/KeyTable.h"
#include "targets/Target_App.h"
#include "targets/Target_File.h"
#include "targets/TextString.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

std::string Folder;

std::uint16_t Word(const std::uint8_t* data, std::size_t at) {
    return static_cast<std::uint16_t>(data[at] | data[at + 1] << 8);
}

// What the reader should answer: 0 taken, 1 too short, 2 other version, 3 other model.
int Verdict(const std::uint8_t* data, std::size_t size) {
    if (size < SetupRecord::Size)
        return 1;
    if (Word(data, 4) != SetupRecord::CurrentVersion)
        return 2;
    if (Word(data, 2) != SetupRecord::CurrentModel)
        return 3;
    return 0;
}

std::string ReadWhole(const std::string& path) {
    std::string bytes;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    FUZZ_CHECK(fd >= 0);
    char chunk[4096];
    ssize_t n;
    while ((n = ::read(fd, chunk, sizeof chunk)) > 0)
        bytes.append(chunk, static_cast<std::size_t>(n));
    ::close(fd);
    return bytes;
}

// Two readings through the capture cycle and the formatter, as the record frames and formats
// them.
void CheckCapture(SetupRecord& setup) {
    fuzz::CaptureRig rig(setup, fuzz::FixedNow);
    FakeByteSource& line = rig.line;
    FakeNotices& notices = rig.notices;
    FakePacketOwner& owner = rig.owner;
    CCaptureCycle& cycle = rig.cycle;

    const std::string readings = "12,345\r7.5\t";
    line.Receive(readings);
    for (int tick = 0; tick < 4; ++tick)
        cycle.OnTimer();

    fuzz::Framed framed;
    fuzz::Frame(framed, setup.EndOfPacket, readings);
    FUZZ_CHECK(owner.app.packets.size() == framed.packets.size());
    FUZZ_CHECK(owner.file.packets == owner.app.packets);
    for (std::size_t i = 0; i < framed.packets.size(); ++i)
        FUZZ_CHECK(fuzz::Bytes(owner.app.packets[i]) ==
                   fuzz::OutputOf(setup, framed.packets[i], fuzz::FixedNow));
    FUZZ_CHECK(notices.posted.empty());
}

// The formatted reading typed by the record's target mode and title.
void CheckTyping(SetupRecord& setup, const std::u16string& text) {
    const std::u16string title = CTextString::FromField(setup.TargetAppTitle);
    FUZZ_CHECK(title.size() <= sizeof setup.TargetAppTitle);
    FakeKeyboardInjector keyboard;
    FakeWindowSystem windows;
    windows.Add(1, u"Tapline Brisk - " + title).own = true;
    windows.Add(7, title);
    windows.foreground = 7;
    CTarget_App sender(keyboard, windows);
    sender.Setup = &setup;
    sender.SendPacket(text);

    // Mode 1 needs a title the window list can show (cut to MaxTitleLength) and that is not
    // empty; the own window above is never the target.
    const bool typed = setup.TargetAppMode == 0 || (setup.TargetAppMode == 1 && !title.empty() &&
                                                    title.size() <= WindowSystem::MaxTitleLength);
    FUZZ_CHECK(keyboard.texts.size() == (typed ? 1u : 0u));
    FUZZ_CHECK(windows.Beeps() == (typed ? 0 : 1));
    for (const auto& call : windows.calls)
        FUZZ_CHECK(call.window != 1);
    if (!typed)
        return;
    std::u32string expected;
    for (const char16_t c : text)
        if (CKeyTable::TypedByLayout(c))
            expected += c;
    FUZZ_CHECK(keyboard.texts[0] == expected);

    // The same by US scan codes: one batch, every key named by the table, Shift let go again.
    keyboard.batches.clear();
    sender.Typing = KeyboardTyping::ScanCodes;
    sender.SendPacket(text);
    FUZZ_CHECK(keyboard.batches.size() == 1u);
    int shiftDown = 0;
    for (const auto& event : keyboard.batches[0]) {
        if (event.scanCode == CKeyTable::LeftShift)
            shiftDown += event.flags == KeyPressFlags ? 1 : -1;
        FUZZ_CHECK(shiftDown == 0 || shiftDown == 1);
    }
    FUZZ_CHECK(shiftDown == 0);
}

// The line the file writer would append, and the file it would append to.
void CheckFileLine(SetupRecord& setup, const std::u16string& text) {
    CTarget_File writer;
    writer.Setup = &setup;
    const std::string path = writer.TargetPath();
    FUZZ_CHECK(std::memcmp(path.data(), setup.TargetFilePath, path.size()) == 0);
    FUZZ_CHECK(path.find('\0') == std::string::npos);

    const std::string line = CTarget_File::LineBytes(text);
    std::string kept;
    for (const char16_t c : text)
        if (c != u'\n')
            kept += static_cast<char>(c);
    if (kept.empty()) {
        FUZZ_CHECK(line.empty());
        return;
    }
    // Every carriage return ends a line, and so does the end of the text.
    std::string expected;
    for (const char c : kept)
        expected += c == '\r' ? std::string("\r\n") : std::string(1, c);
    if (kept.back() != '\r')
        expected += "\r\n";
    FUZZ_CHECK(line == expected);

    // A name shown and stored again by the dialogs keeps what fits.
    const std::u16string name = CTextString::FromField(setup.TargetFileName);
    char again[sizeof setup.TargetFileName];
    std::memset(again, 'x', sizeof again);
    CTextString::ToField(name, again);
    FUZZ_CHECK(again[sizeof again - 1] == '\0');
    const std::u16string reread = CTextString::FromField(again);
    FUZZ_CHECK(name.compare(0, reread.size(), reread) == 0);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/brisk-fuzz-setup.XXXXXX";
    FUZZ_CHECK(::mkdtemp(pattern.data()) != nullptr);
    Folder = pattern;
    std::atexit([] {
        ::unlink((Folder + "/opened.tpln_brisk").c_str());
        ::unlink((Folder + "/saved.tpln_brisk").c_str());
        ::rmdir(Folder.c_str());
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string opened = Folder + "/opened.tpln_brisk";
    const int fd = ::open(opened.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    FUZZ_CHECK(fd >= 0);
    FUZZ_CHECK(::write(fd, data, size) == static_cast<ssize_t>(size));

    // The setup in force before the open: the defaults, with a change not yet saved.
    auto records = std::make_unique<SetupRecords>();
    records->SetDefaults();
    records->Setup.StampType = 2;
    const SetupRecords before = *records;

    const int result = ReadSetupRecord(fd, *records);
    ::close(fd);
    FUZZ_CHECK(result == Verdict(data, size));
    if (result != 0) {
        FUZZ_CHECK(std::memcmp(records.get(), &before, sizeof before) == 0);
        return 0;
    }
    FUZZ_CHECK(std::memcmp(records->Setup.Bytes(), data, SetupRecord::Size) == 0);
    FUZZ_CHECK(!records->SetupChanged());

    // Alone on the heap, so that a read past the record's end is caught.
    auto setup = std::make_unique<SetupRecord>(records->Setup);
    CheckCapture(*setup);
    CParse_Data_Pkt packet;
    packet.Setup = setup.get();
    packet.Now = [] { return fuzz::FixedNow; };
    std::memcpy(packet.PacketBuffer, "1,2.5\r", 6);
    packet.PacketCount = 6;
    packet.FormatPacket();
    CheckTyping(*setup, packet.OutputText);
    CheckFileLine(*setup, packet.OutputText);
    FUZZ_CHECK(std::memcmp(setup->Bytes(), data, SetupRecord::Size) == 0);

    const std::string saved = Folder + "/saved.tpln_brisk";
    FUZZ_CHECK(WriteSetupFile(saved, *setup));
    FUZZ_CHECK(ReadWhole(saved) ==
               std::string(reinterpret_cast<const char*>(data), SetupRecord::Size));
    return 0;
}
