#pragma once

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
