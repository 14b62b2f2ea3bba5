#include "platform/x11/XTestKeyboardInjector.h"

#include "platform/x11/XErrorTrap.h"
#include "platform/x11/XkbMapWatch.h"

#include <X11/XKBlib.h>
#include <X11/extensions/XTest.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <chrono>
#include <thread>

XTestKeyboardInjector::XTestKeyboardInjector(Display* display) : display_(display), conn_(display) {
    if (display_ == nullptr)
        return;
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    available_ = XTestQueryExtension(display_, &eventBase, &errorBase, &major, &minor) != False;
}

XTestKeyboardInjector::~XTestKeyboardInjector() = default;

bool XTestKeyboardInjector::ReadKeymap() {
    if (!watchTried_) {
        watchTried_ = true;
        watch_ = std::make_unique<XkbMapWatch>(display_);
        if (watch_->Ok())
            conn_ = watch_->Connection(); // a private line: no toolkit thread to wake
        else
            watch_.reset();
    }
    if (!watch_)
        return keymap_.Read(conn_);
    XkbStateRec state{};
    bool mapChanged = false;
    if (!watch_->ReadState(state, mapChanged))
        return false;
    if ((mapChanged || !keymap_.HasMap()) && !keymap_.ReadMap(watch_->Connection()))
        return false;
    keymap_.SetState(state);
    return true;
}

void XTestKeyboardInjector::PrepareTyping() {
    // The keyboard state read that fences keymap changes, asked for before the caller's window
    // checks rather than after them. The first batch opens the watch and asks then.
    if (watch_)
        watch_->AskState();
}

void XTestKeyboardInjector::ForgetOldReleases() {
    // The server stamps events in whole milliseconds of the same clock.
    if (std::chrono::steady_clock::now() - lastBatchDone_ >= std::chrono::milliseconds(2))
        released_.reset();
}

void XTestKeyboardInjector::BuildScanCodeSteps(const std::uint16_t* scanCodes,
                                               const std::uint32_t* flags, std::size_t count,
                                               Steps& out, Released& released) {
    out.clear();
    constexpr unsigned shift = 0x2A + KeycodeOffset;
    bool shiftDown = false;
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned keycode = scanCodes[i] + KeycodeOffset;
        if (keycode > 255)
            continue; // no such X key
        const bool release = (flags[i] & KeyEventKeyUp) != 0;
        if (keycode == shift) {
            if (release != shiftDown)
                continue; // nothing to do: Shift is already that way
            out.push_back({release ? Step::Release : Step::Press, keycode});
            shiftDown = !release;
        } else if (!release) {
            // Character keys come up at once; their own release events have nothing left to do.
            out.push_back({Step::Press, keycode});
            out.push_back({Step::Release, keycode});
        }
    }
    if (shiftDown)
        out.push_back({Step::Release, shift});
    SpaceRepeatedKeys(out, released);
}

void XTestKeyboardInjector::BuildCharacterSteps(const std::u32string& text, const XkbKeymap& keymap,
                                                Steps& out, Released& released) {
    out.clear();
    const std::vector<unsigned>& spares = keymap.SpareKeycodes();
    unsigned held = 0; // the modifiers this batch holds down now
    const auto hold = [&](Steps& steps, unsigned wanted) {
        for (unsigned bit = 1; bit < 256; bit <<= 1) {
            if ((held & bit) != 0 && (wanted & bit) == 0)
                steps.push_back({Step::Release, keymap.ModifierKey(bit)});
        }
        for (unsigned bit = 1; bit < 256; bit <<= 1) {
            if ((held & bit) == 0 && (wanted & bit) != 0)
                steps.push_back({Step::Press, keymap.ModifierKey(bit)});
        }
        held = wanted;
    };

    // Characters that need a lent keycode go in rounds of at most one per spare keycode: bind
    // them, type the round, take them back.
    std::vector<std::pair<char32_t, unsigned>> lent;
    Steps round;
    const auto endRound = [&] {
        if (lent.empty()) {
            out.insert(out.end(), round.begin(), round.end());
        } else {
            for (const auto& [c, keycode] : lent)
                out.push_back({Step::Bind, keycode, 0, xkb_utf32_to_keysym(c)});
            round.front().delayMs = RemapSettleMs;
            out.insert(out.end(), round.begin(), round.end());
            // The targets read the last key with the lent map: wait before taking it back. A
            // release of a key that is up does nothing but carry the wait.
            out.push_back({Step::Release, lent.front().second, RemapSettleMs});
            for (const auto& [c, keycode] : lent)
                out.push_back({Step::Unbind, keycode});
        }
        round.clear();
        lent.clear();
    };

    for (const char32_t c : text) {
        unsigned keycode = 0;
        if (const std::optional<XkbKeymap::Stroke> stroke = keymap.Find(c)) {
            hold(round, stroke->mods);
            keycode = stroke->keycode;
        } else {
            if (spares.empty() || xkb_utf32_to_keysym(c) == 0)
                continue; // nothing can type it here
            const auto known =
                std::find_if(lent.begin(), lent.end(), [c](const auto& l) { return l.first == c; });
            if (known != lent.end()) {
                keycode = known->second;
            } else {
                if (lent.size() == spares.size()) {
                    hold(round, 0);
                    endRound();
                }
                keycode = spares[lent.size()];
                lent.emplace_back(c, keycode);
            }
            hold(round, 0); // a lent keycode types its symbol on the first level
        }
        round.push_back({Step::Press, keycode});
        round.push_back({Step::Release, keycode});
    }
    hold(round, 0);
    if (!round.empty())
        endRound();
    SpaceRepeatedKeys(out, released);
}

void XTestKeyboardInjector::SpaceRepeatedKeys(Steps& steps, Released& released) {
    for (Step& step : steps) {
        if (step.kind != Step::Press && step.kind != Step::Release)
            continue;
        if (step.delayMs > 0)
            released.reset();
        if (step.kind == Step::Press && released.test(step.keycode)) {
            step.delayMs = std::max(step.delayMs, 1u);
            released.reset();
        }
        if (step.kind == Step::Release)
            released.set(step.keycode);
    }
}

std::vector<unsigned> XTestKeyboardInjector::ModifierKeysDown() {
    char keys[32] = {};
    XQueryKeymap(conn_, keys);
    std::vector<unsigned> down;
    for (unsigned keycode = KeycodeOffset; keycode < 256; ++keycode) {
        if ((keys[keycode / 8] & (1 << (keycode % 8))) != 0 && keymap_.IsModifierKeycode(keycode))
            down.push_back(keycode);
    }
    return down;
}

bool XTestKeyboardInjector::LiftHeldModifiers(std::vector<unsigned>& lifted) {
    lifted.clear();
    if (!keymap_.SomethingHeld())
        return true;
    // A held Control would turn a reading into shortcuts in the target (Control+S, Control+W),
    // a held Shift or AltGr into other characters.
    const std::vector<unsigned> held = ModifierKeysDown();
    for (const unsigned keycode : held)
        XTestFakeKeyEvent(conn_, keycode, False, CurrentTime);
    // XTEST lifts only keys that XTEST pressed; keys held on the keyboard itself stay down
    // until the operator lets go of them.
    std::vector<unsigned> still = ModifierKeysDown();
    for (const unsigned keycode : held) {
        if (std::find(still.begin(), still.end(), keycode) == still.end()) {
            lifted.push_back(keycode);
            released_.set(keycode);
        }
    }
    const auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(HeldKeyLimitMs);
    while (!still.empty() && std::chrono::steady_clock::now() < limit) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        still = ModifierKeysDown();
    }
    if (!still.empty()) {
        for (const unsigned keycode : lifted)
            XTestFakeKeyEvent(conn_, keycode, True, 1);
        XFlush(conn_);
        return false;
    }
    // Lifting a group shift changes the group the characters must be found in.
    return ReadKeymap();
}

void XTestKeyboardInjector::Send(const Steps& steps, const std::vector<unsigned>& lifted,
                                 bool clearLocks) {
    {
        // Ends by waiting until the server has done the batch, its pauses included.
        XErrorTrap trap(conn_);
        Queue(steps, lifted, clearLocks);
    }
    lastBatchDone_ = std::chrono::steady_clock::now();
}

void XTestKeyboardInjector::Queue(const Steps& steps, const std::vector<unsigned>& lifted,
                                  bool clearLocks) {
    const unsigned locked = clearLocks ? keymap_.LockedMods() : 0;
    if (locked != 0)
        XkbLockModifiers(conn_, XkbUseCoreKbd, locked, 0);
    if (clearLocks && keymap_.LatchedMods() != 0)
        XkbLatchModifiers(conn_, XkbUseCoreKbd, keymap_.LatchedMods(), 0);
    for (const Step& step : steps) {
        switch (step.kind) {
        case Step::Press:
        case Step::Release:
            XTestFakeKeyEvent(conn_, step.keycode, step.kind == Step::Press ? True : False,
                              step.delayMs);
            break;
        case Step::Bind:
        case Step::Unbind: {
            KeySym keysym = step.kind == Step::Bind ? step.keysym : NoSymbol;
            XChangeKeyboardMapping(conn_, static_cast<int>(step.keycode), 1, &keysym, 1);
            break;
        }
        }
    }
    if (locked != 0)
        XkbLockModifiers(conn_, XkbUseCoreKbd, locked, locked);
    // The operator's keys go down again as they were; the first a moment after the batch, so
    // that no release and press of one key share a server time.
    for (std::size_t i = 0; i < lifted.size(); ++i)
        XTestFakeKeyEvent(conn_, lifted[i], True, i == 0 ? 1 : 0);
    if (!lifted.empty())
        released_.reset();
    XFlush(conn_);
}

void XTestKeyboardInjector::Inject(const std::uint16_t* /*keyCodes*/,
                                   const std::uint16_t* scanCodes, const std::uint32_t* flags,
                                   std::size_t count) {
    if (!available_)
        return;
    // Scan codes need no keymap; without XKB the held keys are simply not known.
    ForgetOldReleases();
    std::vector<unsigned> lifted;
    if (ReadKeymap() && !LiftHeldModifiers(lifted))
        return;
    BuildScanCodeSteps(scanCodes, flags, count, steps_, released_);
    // Raw key positions: the target's own Caps Lock state applies, as on a real keyboard.
    Send(steps_, lifted, false);
}

bool XTestKeyboardInjector::TypeCharacters(const std::u32string& text) {
    if (!available_)
        return false;
    ForgetOldReleases();
    std::vector<unsigned> lifted;
    if (!ReadKeymap() || !LiftHeldModifiers(lifted))
        return false;
    BuildCharacterSteps(text, keymap_, steps_, released_);
    Send(steps_, lifted, true);
    return true;
}
