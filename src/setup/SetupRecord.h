#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

// The settings of one setup: at once the in-memory record and the setup-file format, byte for
// byte. Integers are little-endian; a text field of n bytes holds at most n - 1 bytes of text
// ended by a zero byte (see CTextString::FromField and ToField).
struct SetupRecord {
    std::uint16_t RecordSize;      // 1724; never tested when a file is read
    std::uint16_t ModelCode;       // 512
    std::uint16_t RecordVersion;   // 16
    std::uint8_t TargetAppMode;    // 0 focused application, 1 by title, 2 disabled
    char TargetAppTitle[101];      // piece of the target window's title, UTF-8
    char TargetFilePath[301];      // full path of the target file, the file system's bytes
    char TargetFileName[301];      // file-name part of TargetFilePath, UTF-8; empty = no file
    std::uint8_t DateOrder;        // 0 month-day-year, 1 day-month-year
    std::uint8_t DateSeparator;    // 0 '-', 1 '/'
    std::uint8_t TimeFormat;       // 0 12-hour, 1 24-hour
    std::uint8_t ProgramIcon;      // 0 taskbar, 1 system tray
    std::uint8_t OpenAppActive;    // set at file open: sending to the application on
    std::uint8_t OpenWriteToFile;  // set at file open: sending to the file on
    std::uint8_t OpenSerialPort;   // set at file open: serial port enabled
    std::uint8_t OpenMinimized;    // set at file open: main window minimised
    std::uint8_t OpenAppDisabled;  // set at file open: keyboard transfer disabled
    std::uint8_t EndOfPacket;      // 0 CR, 1 tab, 2 CR or tab
    std::uint8_t CommaReplacement; // separator character: ',', tab or CR
    std::uint8_t CommasToTabs;
    std::uint8_t CRsToTabs;
    std::uint8_t StampType; // 0 none, 1 time, 2 date and time
    std::uint8_t CommasToCRs;
    std::uint8_t StampPosition; // 0 prefix, 1 suffix
    std::uint8_t Reserved[998]; // kept and written back unchanged

    static constexpr std::size_t Size = 1724;
    static constexpr std::uint16_t CurrentModel = 512;
    static constexpr std::uint16_t CurrentVersion = 16;

    // The record as raw bytes, for files and whole-record copies.
    unsigned char* Bytes() { return reinterpret_cast<unsigned char*>(this); }
    const unsigned char* Bytes() const { return reinterpret_cast<const unsigned char*>(this); }
};

static_assert(std::endian::native == std::endian::little,
              "the setup record is stored in memory exactly as in its files (little-endian)");
static_assert(sizeof(SetupRecord) == SetupRecord::Size);
static_assert(offsetof(SetupRecord, ModelCode) == 2);
static_assert(offsetof(SetupRecord, RecordVersion) == 4);
static_assert(offsetof(SetupRecord, TargetAppMode) == 6);
static_assert(offsetof(SetupRecord, TargetAppTitle) == 7);
static_assert(offsetof(SetupRecord, TargetFilePath) == 108);
static_assert(offsetof(SetupRecord, TargetFileName) == 409);
static_assert(offsetof(SetupRecord, DateOrder) == 710);
static_assert(offsetof(SetupRecord, DateSeparator) == 711);
static_assert(offsetof(SetupRecord, TimeFormat) == 712);
static_assert(offsetof(SetupRecord, ProgramIcon) == 713);
static_assert(offsetof(SetupRecord, OpenAppActive) == 714);
static_assert(offsetof(SetupRecord, OpenWriteToFile) == 715);
static_assert(offsetof(SetupRecord, OpenSerialPort) == 716);
static_assert(offsetof(SetupRecord, OpenMinimized) == 717);
static_assert(offsetof(SetupRecord, OpenAppDisabled) == 718);
static_assert(offsetof(SetupRecord, EndOfPacket) == 719);
static_assert(offsetof(SetupRecord, CommaReplacement) == 720);
static_assert(offsetof(SetupRecord, CommasToTabs) == 721);
static_assert(offsetof(SetupRecord, CRsToTabs) == 722);
static_assert(offsetof(SetupRecord, StampType) == 723);
static_assert(offsetof(SetupRecord, CommasToCRs) == 724);
static_assert(offsetof(SetupRecord, StampPosition) == 725);
static_assert(offsetof(SetupRecord, Reserved) == 726);

// The live record and its reference copy, as the setup document holds them. The setup counts as
// changed exactly when the two differ in any byte.
struct SetupRecords {
    SetupRecord Setup{};
    SetupRecord SavedSetup{};

    // Makes both records the default record.
    void SetDefaults();
    // True when Setup and SavedSetup differ in any of their bytes.
    bool SetupChanged() const;
};
