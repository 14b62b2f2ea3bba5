#include "serial/LineSettings.h"

#include <algorithm>
#include <array>

namespace {

// The rates the receivers' serial settings may name.
constexpr std::array<int, 11> Rates{300,   600,   1200,  2400,  4800,  9600,
                                    14400, 19200, 38400, 57600, 115200};

} // namespace

LineSettings BuildLineSettings(int baudRate, int parityLetter, int dataBits, int stopBits) {
    LineSettings s;
    s.BaudRate = std::find(Rates.begin(), Rates.end(), baudRate) != Rates.end() ? baudRate : 9600;
    switch (parityLetter) {
    case 'O':
        s.Parity = OddParity;
        break;
    case 'E':
        s.Parity = EvenParity;
        break;
    case 'M':
        s.Parity = MarkParity;
        break;
    case 'S':
        s.Parity = SpaceParity;
        break;
    default:
        s.Parity = NoParity;
        break;
    }
    s.ByteSize = dataBits & 0xFF;
    s.StopBits = stopBits == 15 ? One5StopBits : stopBits == 2 ? TwoStopBits : OneStopBit;
    return s;
}
