#pragma once

#include "platform/KeyboardInjector.h"
#include "platform/x11/XkbKeymap.h"

#include <bitset>
#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

class XkbMapWatch;

// As Xlib declares it; this header stays free of Xlib's macros so that Qt code can include it.
typedef struct _XDisplay Display;

// Injects key events through the XTEST extension on the given display (the program's own
// connection). The requests of one batch are queued and flushed together.
//
// The stream is shaped like a person typing, because toolkits read meaning into its shape:
// every character key is released right after its press (a key left down is repeated by the
// server's autorepeat), and a key pressed again after its release reaches the server at least
// 1 ms later (a release and a press of one key at the same server time is what autorepeat looks
// like, and some applications, LibreOffice among them, fold such a pair away).
//
// Characters are typed by the active layout: the key and level that produce each character in
// the keyboard group in force, with the level's modifiers held around it. A character the layout
// lacks is lent a keycode that has no symbol for the length of the batch. Modifiers the operator
// holds are lifted for the batch and pressed again after it, and lock modifiers (Caps Lock, Num
// Lock) are switched off around it, so the target receives exactly the characters.
class XTestKeyboardInjector : public KeyboardInjector {
public:
    // display may be null (no X11 platform): the injector is then not available.
    explicit XTestKeyboardInjector(Display* display);
    ~XTestKeyboardInjector() override;

    bool Available() const override { return available_; }
    void Inject(const std::uint16_t* keyCodes, const std::uint16_t* scanCodes,
                const std::uint32_t* flags, std::size_t count) override;
    bool TypeCharacters(const std::u32string& text) override;
    void PrepareTyping() override;

    // One request of a batch: a key event, or a keysym lent to a spare keycode and taken back.
    struct Step {
        enum Kind { Press, Release, Bind, Unbind };
        Kind kind;
        unsigned keycode;
        unsigned delayMs = 0;     // key events: the server waits this long before it
        unsigned long keysym = 0; // Bind
        friend bool operator==(const Step&, const Step&) = default;
    };
    using Steps = std::vector<Step>;
    // The keys released since the server last waited, carried from batch to batch.
    using Released = std::bitset<256>;

    // The scan-code events of one packet (keycode = scan code + 8, the evdev keymap of Xorg
    // and Xvfb): Shift held as the events say, every other key released right after its press.
    static void BuildScanCodeSteps(const std::uint16_t* scanCodes, const std::uint32_t* flags,
                                   std::size_t count, Steps& out, Released& released);
    // The characters as the keymap types them. A character without a key is lent a spare
    // keycode; when the batch needs more than there are, it binds them again in rounds.
    static void BuildCharacterSteps(const std::u32string& text, const XkbKeymap& keymap, Steps& out,
                                    Released& released);
    // Makes each press of a key released before (in this batch or at the end of the last one)
    // reach the server at least 1 ms after that release.
    static void SpaceRepeatedKeys(Steps& steps, Released& released);

    static constexpr unsigned KeycodeOffset = 8;
    // Clients reload their keymap when a keycode is lent or taken back; the first key after a
    // change waits this long so that they have the new map before they read the key.
    static constexpr unsigned RemapSettleMs = 50;
    // How long a batch waits for the operator to let go of modifier keys that XTEST cannot
    // lift (those held on the physical keyboard).
    static constexpr int HeldKeyLimitMs = 1000;

private:
    // Brings the keymap up to date: the keyboard state is read for every batch, the map only
    // when the server has changed it since (or every time, where no watch can be opened).
    bool ReadKeymap();
    // Keys released in a batch the server finished long enough ago need no wait before their
    // next press: their releases and the new presses cannot share a server time.
    void ForgetOldReleases();
    // Lifts the modifier keys held now (the keymap read); false when they stay down. A lifted
    // group shift changes the group, so the keymap is read again then.
    bool LiftHeldModifiers(std::vector<unsigned>& lifted);
    void Send(const Steps& steps, const std::vector<unsigned>& lifted, bool clearLocks);
    void Queue(const Steps& steps, const std::vector<unsigned>& lifted, bool clearLocks);
    std::vector<unsigned> ModifierKeysDown();

    Display* display_;
    // Where the batches go: the watch's connection once it is open. The keys, the keymap reads
    // and the wait for the server to finish a batch then stay off the toolkit's connection,
    // whose reader thread would be woken by every reply.
    Display* conn_;
    bool available_ = false;
    XkbKeymap keymap_;
    std::unique_ptr<XkbMapWatch> watch_; // opened with the first batch
    bool watchTried_ = false;
    Steps steps_; // reused from packet to packet
    Released released_;
    std::chrono::steady_clock::time_point lastBatchDone_; // the server had done the last batch
};
