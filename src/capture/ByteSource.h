#pragma once

#include <cstdint>

// The receive side of the serial port driver, as the capture cycle drains it.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Nonzero while the port is open.
    virtual int IsOpen() const = 0;
    // Bytes waiting in the receive queue; 0 when closed or when the query fails.
    virtual std::uint32_t GetRxDCount() = 0;
    // Reads at most one waiting byte without waiting; returns the number of bytes read, 0 or 1.
    virtual int ReadByte(unsigned char* dest) = 0;
};
