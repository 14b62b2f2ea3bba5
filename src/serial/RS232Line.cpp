// The parts of the serial port driver that every platform shares: reading a reply line and
// queueing bytes for the writer thread.
#include "serial/RS232.h"

int CRS232::ReadLine(char* dest) {
    using Clock = std::chrono::steady_clock;
    const auto timeout = std::chrono::milliseconds(LineTimeoutMs);
    int i = 0;
    auto start = Clock::now();
    while (OpenFlag && !ReadFailed) {
        unsigned char c = 0;
        if (ReadByte(&c) > 0) {
            if (i == LineLimit)
                break; // the character after the limit is dropped; the rest stays queued
            dest[i] = static_cast<char>(c);
            if (c == '\r') {
                dest[i + 1] = '\0';
                return i + 1;
            }
            ++i;
            start = Clock::now();
            continue;
        }
        const auto left = timeout - (Clock::now() - start);
        if (left <= Clock::duration::zero() || !WaitForByte(left))
            break;
    }
    dest[i] = '\0';
    return i;
}

void CRS232::SendBytes(const unsigned char* data, int count) {
    if (!OpenFlag || count < 1 || data == nullptr)
        return;
    TxDLock.acquire();
    for (int k = 0; k < count && TxDCount < TxDBufferSize; ++k) {
        TxDBuffer[TxDHead] = data[k];
        TxDHead = (TxDHead + 1) % TxDBufferSize;
        ++TxDCount;
    }
    TxDLock.release();
    WakeWriter();
}
