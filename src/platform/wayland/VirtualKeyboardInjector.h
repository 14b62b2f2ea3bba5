#pragma once

#include "platform/KeyboardInjector.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

class WaylandConnection;
struct zwp_virtual_keyboard_v1;
struct xkb_context;

// Types through a virtual keyboard of the wlroots protocol (zwp_virtual_keyboard_v1) on the
// program's own Wayland connection.
//
// The keyboard is made with the injector and kept for the program's life: a seat that gains its
// keyboard only when a batch starts has the focused client ask for it after the first keys went
// by, and those keys are lost. Characters are typed through a keymap of the injector's own, one
// symbol per key (see WaylandKeymap), uploaded when a batch needs a character no key has yet;
// the compositor hands a new keymap to a Wayland client before the keys that follow it, while an
// X client behind XWayland fetches it a little later, so keys wait around a change (see
// RemapSettleMs). Every key is released right after its press, and no modifier is held, so the
// client gets exactly the characters whatever the operator's keyboard is doing. Long batches are
// paced (see PaceKeys). Scan codes go through the US keymap.
class VirtualKeyboardInjector : public KeyboardInjector {
public:
    // connection must be open and outlive the injector; without the protocol the injector is
    // not available.
    explicit VirtualKeyboardInjector(WaylandConnection& connection);
    ~VirtualKeyboardInjector() override;
    VirtualKeyboardInjector(const VirtualKeyboardInjector&) = delete;
    VirtualKeyboardInjector& operator=(const VirtualKeyboardInjector&) = delete;

    bool Available() const override;
    // US-layout scan codes (set 1 make codes, which are the evdev key codes of those keys):
    // Shift held as the events say, every other key released right after its press.
    void Inject(const std::uint16_t* keyCodes, const std::uint16_t* scanCodes,
                const std::uint32_t* flags, std::size_t count) override;
    bool TypeCharacters(const std::u32string& text) override;
    std::u16string LastFailure() const override { return failure_; }

    // How long a seat that had no keyboard before this one is given for its clients to ask for
    // the new keyboard, so that the first reading reaches them.
    static constexpr int NewKeyboardSettleMs = 300;
    // Key requests sent at once before the queue is flushed, and per pause in a long batch.
    static constexpr unsigned FlushEvery = 64;
    static constexpr unsigned PaceKeys = 256;
    static constexpr int PaceMs = 4;
    // How long X clients are given to read the keys sent before a keymap changes, and to fetch
    // the new keymap before keys follow it.
    static constexpr int RemapSettleMs = 50;

private:
    enum class Keymap { None, Characters, Us };
    void UseKeymap(Keymap which);
    void WaitUntil(std::chrono::steady_clock::time_point due);
    void SendKey(unsigned key, bool press);
    void SendModifiers(std::uint32_t depressed);
    void BeginBatch();
    void Pace();
    // Sends the keys collected so far under the character keymap with the keys lent now.
    void SendKeys();
    std::uint32_t Stamp();
    bool Finish();

    WaylandConnection& connection_;
    zwp_virtual_keyboard_v1* keyboard_ = nullptr;
    xkb_context* context_ = nullptr;
    Keymap keymap_ = Keymap::None; // the keymap the compositor has now
    bool lentChanged_ = false;     // keys lent since the character keymap was sent
    std::string usKeymap_;         // for scan codes
    std::chrono::steady_clock::time_point lastKey_, keymapSettled_;
    std::uint32_t shiftMask_ = 0;
    std::uint32_t lastStamp_ = 0;
    unsigned unsent_ = 0; // key requests of the batch so far
    std::chrono::steady_clock::time_point paceStart_;
    // Keysyms of the lent keys, kept from batch to batch so that readings with the same
    // characters need no new keymap; lent anew when all are taken.
    std::vector<std::uint32_t> lent_;
    std::vector<unsigned> keys_; // the keys to type, in order
    std::u16string failure_;
};
