#pragma once

#include "platform/KeyboardInjector.h"

#include <cstdint>
#include <vector>

// As Xlib declares it; this header stays free of Xlib's macros so that Qt code can include it.
typedef struct _XDisplay Display;

// Injects key events through the XTEST extension on the given display (the program's own
// connection), naming keys by X keycode = scan code + 8, the evdev keymap of Xorg and Xvfb.
// The events of one call are queued and flushed together.
//
// Two habits of the X server shape the stream: a key left down is repeated by the server's own
// autorepeat for as long as it stays down, and a second press of a key that is down counts as
// such a repeat and is dropped when autorepeat is off. So a press of a key this batch holds down
// is preceded by its release, and every key still down at the end of the batch is released.
class XTestKeyboardInjector : public KeyboardInjector {
public:
    // display may be null (no X11 platform): the injector is then not available.
    explicit XTestKeyboardInjector(Display* display);

    bool Available() const override { return available_; }
    void Inject(const std::uint16_t* keyCodes, const std::uint16_t* scanCodes,
                const std::uint32_t* flags, std::size_t count) override;

    struct FakeKey {
        unsigned keycode;
        bool press;
        friend bool operator==(const FakeKey&, const FakeKey&) = default;
    };
    // The XTEST events for one batch, as Inject sends them.
    static void BuildFakeKeys(const std::uint16_t* scanCodes, const std::uint32_t* flags,
                              std::size_t count, std::vector<FakeKey>& out);

    static constexpr unsigned KeycodeOffset = 8;

private:
    Display* display_;
    bool available_ = false;
    std::vector<FakeKey> fakeKeys_; // reused from packet to packet
};
