#include "platform/x11/XTestKeyboardInjector.h"

#include <X11/extensions/XTest.h>

#include <algorithm>

XTestKeyboardInjector::XTestKeyboardInjector(Display* display) : display_(display) {
    if (display_ == nullptr)
        return;
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    available_ = XTestQueryExtension(display_, &eventBase, &errorBase, &major, &minor) != False;
}

void XTestKeyboardInjector::BuildFakeKeys(const std::uint16_t* scanCodes,
                                          const std::uint32_t* flags, std::size_t count,
                                          std::vector<FakeKey>& out) {
    out.clear();
    std::vector<unsigned> down; // in the order pressed
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned keycode = scanCodes[i] + KeycodeOffset;
        if (keycode > 255)
            continue; // no such X key
        const auto held = std::find(down.begin(), down.end(), keycode);
        if ((flags[i] & KeyEventKeyUp) != 0) {
            // A key this batch never pressed may be down on the user's keyboard: leave it.
            if (held != down.end()) {
                out.push_back({keycode, false});
                down.erase(held);
            }
            continue;
        }
        if (held != down.end()) {
            out.push_back({keycode, false});
            down.erase(held);
        }
        out.push_back({keycode, true});
        down.push_back(keycode);
    }
    for (auto key = down.rbegin(); key != down.rend(); ++key)
        out.push_back({*key, false});
}

void XTestKeyboardInjector::Inject(const std::uint16_t* /*keyCodes*/,
                                   const std::uint16_t* scanCodes, const std::uint32_t* flags,
                                   std::size_t count) {
    if (!available_)
        return;
    BuildFakeKeys(scanCodes, flags, count, fakeKeys_);
    for (const FakeKey& key : fakeKeys_)
        XTestFakeKeyEvent(display_, key.keycode, key.press ? True : False, CurrentTime);
    XFlush(display_);
}
