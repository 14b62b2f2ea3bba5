#pragma once

#include <termios.h>

// Small codes of the line settings record.
enum ParityCode : int {
    NoParity = 0,
    OddParity = 1,
    EvenParity = 2,
    MarkParity = 3,
    SpaceParity = 4
};
enum StopBitsCode : int { OneStopBit = 0, One5StopBits = 1, TwoStopBits = 2 };

// What the driver asks of the port: built from the driver's settings by BuildLineSettings, so the
// mapping is checked without a port, then applied to the tty by ApplyLineSettings.
struct LineSettings {
    int BaudRate = 9600;
    int Parity = NoParity;
    int ByteSize = 8;
    int StopBits = OneStopBit;
    int DtrControl = 1;  // DTR raised while the port is open
    int RtsControl = 1;  // RTS raised while the port is open
    int OutxCtsFlow = 0; // no hardware flow control
    int OutX = 0;        // no software flow control, either way
    int InX = 0;

    bool operator==(const LineSettings&) const = default;
};

// Rates outside the receivers' list fall back to 9600, unknown parity letters (lower case
// included) to no parity, unknown stop-bit codes (1, 2, 15 for one and a half) to one.
LineSettings BuildLineSettings(int baudRate, int parityLetter, int dataBits, int stopBits);

// The termios form of the record: raw mode, receiver and local lines on, no flow control, reads
// that return at once, the record's parity, data and stop bits and rate. A rate that termios has
// no constant for is left at 9600 here; ApplyLineSettings sets it through termios2.
void ToTermios(const LineSettings& settings, struct termios& tio);
// The record as termios describes the line; BaudRate 0 for a rate without termios constant.
LineSettings FromTermios(const struct termios& tio);

// Raw mode, receiver and local lines on, no flow control, reads that return at once, and the
// record's rate, parity, data and stop bits. Rates that termios has no constant for go through
// termios2. Failures are not reported: a port that refuses a setting keeps its own.
void ApplyLineSettings(int fd, const LineSettings& settings);

// What the tty reports now (rate, parity, data and stop bits; the rest as the defaults).
// customRate tells that the rate is none of termios' constants of the list; a pty does not keep
// such a rate, so BaudRate is then what termios2 reports.
LineSettings ReadLineSettings(int fd, bool* customRate = nullptr);
