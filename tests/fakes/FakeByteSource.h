#pragma once

#include "capture/ByteSource.h"

#include <deque>
#include <string>

// A receive queue that a test fills.
class FakeByteSource : public ByteSource {
public:
    bool open = true;
    std::deque<unsigned char> queue;

    void Receive(const std::string& bytes) {
        queue.insert(queue.end(), bytes.begin(), bytes.end());
    }

    int IsOpen() const override { return open ? 1 : 0; }
    std::uint32_t GetRxDCount() override {
        return open ? static_cast<std::uint32_t>(queue.size()) : 0;
    }
    int ReadByte(unsigned char* dest) override {
        if (!open || queue.empty())
            return 0;
        *dest = queue.front();
        queue.pop_front();
        return 1;
    }
};
