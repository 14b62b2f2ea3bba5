#pragma once

#include <X11/Xlib.h>

#include <cstddef>
#include <memory>
#include <string>

// Frees what Xlib allocated for us.
struct XFreeDeleter {
    void operator()(void* data) const {
        if (data != nullptr)
            XFree(data);
    }
};

// One window property, read once and freed with its owner. Valid only when the property exists
// with the expected type and format, so that its data can be trusted.
class XProperty {
public:
    // maxUnits: how many 32-bit units to read at most.
    XProperty(Display* display, Window window, Atom property, Atom expectedType, int expectedFormat,
              long maxUnits = 1024);
    XProperty(const XProperty&) = delete;
    XProperty& operator=(const XProperty&) = delete;

    bool Valid() const { return data_ != nullptr; }
    std::size_t Count() const { return count_; }
    // Format 32 items come back from Xlib as longs, whatever their size on the wire.
    unsigned long Item(std::size_t i) const {
        return static_cast<unsigned long>(reinterpret_cast<const long*>(data_.get())[i]);
    }
    // Format 8 data as bytes.
    std::string Bytes() const {
        return Valid() ? std::string(reinterpret_cast<const char*>(data_.get()), count_)
                       : std::string();
    }

private:
    std::unique_ptr<unsigned char, XFreeDeleter> data_;
    std::size_t count_ = 0;
};

// The text list that Xutf8TextPropertyToTextList returns.
struct XTextListDeleter {
    void operator()(char** list) const {
        if (list != nullptr)
            XFreeStringList(list);
    }
};
using XTextList = std::unique_ptr<char*, XTextListDeleter>;

// An X connection of our own (tests, tools, benchmarks), closed with its owner.
struct XDisplayCloser {
    void operator()(Display* display) const {
        if (display != nullptr)
            XCloseDisplay(display);
    }
};
using XDisplayConnection = std::unique_ptr<Display, XDisplayCloser>;
