#include "platform/wayland/VirtualKeyboardInjector.h"

#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandKeymap.h"
#include "virtual-keyboard-unstable-v1-client-protocol.h"

#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <sys/mman.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr unsigned LeftShiftKey = 0x2A; // scan code and evdev key code alike

const std::u16string NotAvailableText =
    u"The desktop offers no virtual keyboard to this program, so readings cannot be typed.";
const std::u16string ConnectionLostText =
    u"The connection to the desktop's compositor is lost, so readings cannot be typed.";

} // namespace

VirtualKeyboardInjector::VirtualKeyboardInjector(WaylandConnection& connection)
    : connection_(connection) {
    if (!connection_.IsOpen() || !connection_.HasVirtualKeyboard())
        return;
    context_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    if (context_ != nullptr) {
        const xkb_rule_names us{"evdev", "pc105", "us", "", ""};
        if (xkb_keymap* keymap =
                xkb_keymap_new_from_names(context_, &us, XKB_KEYMAP_COMPILE_NO_FLAGS)) {
            if (char* text = xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1)) {
                usKeymap_ = text;
                free(text);
            }
            const xkb_mod_index_t shift = xkb_keymap_mod_get_index(keymap, XKB_MOD_NAME_SHIFT);
            if (shift != XKB_MOD_INVALID)
                shiftMask_ = 1u << shift;
            xkb_keymap_unref(keymap);
        }
    }
    const bool seatHadKeyboard = connection_.SeatHasKeyboard();
    keyboard_ = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(
        connection_.KeyboardManager(), connection_.Seat());
    // A keyboard without a keymap may not send keys; the one for readings serves most batches.
    UseKeymap(Keymap::Characters);
    SendModifiers(0);
    connection_.Roundtrip();
    if (!seatHadKeyboard) {
        // The clients learn that the seat has a keyboard now and ask for theirs; the compositor
        // hands keys only to those that have asked.
        const auto end =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(NewKeyboardSettleMs);
        for (auto now = std::chrono::steady_clock::now(); now < end;
             now = std::chrono::steady_clock::now()) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - now);
            connection_.DispatchWithin(static_cast<int>(left.count()) + 1);
        }
    }
}

VirtualKeyboardInjector::~VirtualKeyboardInjector() {
    if (keyboard_ != nullptr) {
        zwp_virtual_keyboard_v1_destroy(keyboard_);
        connection_.Flush();
    }
    if (context_ != nullptr)
        xkb_context_unref(context_);
}

bool VirtualKeyboardInjector::Available() const {
    return keyboard_ != nullptr && connection_.IsOpen() &&
           wl_display_get_error(connection_.Display()) == 0;
}

std::uint32_t VirtualKeyboardInjector::Stamp() {
    const auto now = std::chrono::duration_cast<std::chrono::milliseconds>(
                         std::chrono::steady_clock::now().time_since_epoch())
                         .count();
    // Every event later than the one before, as from a person's keyboard.
    lastStamp_ = std::max(static_cast<std::uint32_t>(now), lastStamp_ + 1);
    return lastStamp_;
}

void VirtualKeyboardInjector::UseKeymap(Keymap which) {
    if (which == keymap_ && !(which == Keymap::Characters && lentChanged_))
        return;
    const std::string text =
        which == Keymap::Us ? usKeymap_ : WaylandKeymap::CharacterKeymap(lent_);
    // X clients (through XWayland) read keys by the keymap they fetched last: the keys sent
    // before must be read before it changes, and the new one fetched before keys follow.
    WaitUntil(lastKey_ + std::chrono::milliseconds(RemapSettleMs));
    // The compositor maps the file and hands it on; the request carries a copy of the
    // descriptor, so ours closes at once.
    const int fd = memfd_create("brisk-keymap", MFD_CLOEXEC);
    if (fd < 0)
        return;
    const std::size_t size = text.size() + 1; // with its terminating NUL, as XKB reads it
    std::size_t written = 0;
    while (written < size) {
        const ssize_t n = write(fd, text.c_str() + written, size - written);
        if (n <= 0)
            break;
        written += static_cast<std::size_t>(n);
    }
    if (written == size) {
        zwp_virtual_keyboard_v1_keymap(keyboard_, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd,
                                       static_cast<std::uint32_t>(size));
        keymap_ = which;
        if (which == Keymap::Characters)
            lentChanged_ = false;
        keymapSettled_ =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(RemapSettleMs);
    }
    close(fd);
}

void VirtualKeyboardInjector::WaitUntil(std::chrono::steady_clock::time_point due) {
    if (std::chrono::steady_clock::now() >= due)
        return;
    connection_.Flush();
    std::this_thread::sleep_until(due);
}

void VirtualKeyboardInjector::SendKey(unsigned key, bool press) {
    WaitUntil(keymapSettled_);
    lastKey_ = std::chrono::steady_clock::now();
    zwp_virtual_keyboard_v1_key(keyboard_, Stamp(), key,
                                press ? WL_KEYBOARD_KEY_STATE_PRESSED
                                      : WL_KEYBOARD_KEY_STATE_RELEASED);
    // Sent in parts that libwayland's buffer holds (a key request takes 20 bytes of 4,096).
    if (++unsent_ % FlushEvery == 0)
        connection_.Flush();
    if (unsent_ % PaceKeys == 0)
        Pace();
}

void VirtualKeyboardInjector::Pace() {
    // The compositor passes the keys on as fast as they come and closes the connection of a
    // client that falls behind by more than its socket holds (the target application then
    // loses its windows): a long batch goes on only when the compositor has handled what came
    // before, and no faster than PaceKeys per PaceMs.
    connection_.Roundtrip();
    const auto due = paceStart_ + std::chrono::milliseconds(PaceMs);
    while (std::chrono::steady_clock::now() < due)
        std::this_thread::sleep_until(due);
    paceStart_ = std::chrono::steady_clock::now();
}

void VirtualKeyboardInjector::BeginBatch() {
    unsent_ = 0;
    paceStart_ = std::chrono::steady_clock::now();
}

void VirtualKeyboardInjector::SendModifiers(std::uint32_t depressed) {
    zwp_virtual_keyboard_v1_modifiers(keyboard_, depressed, 0, 0, 0);
}

void VirtualKeyboardInjector::SendKeys() {
    if (keys_.empty())
        return;
    UseKeymap(Keymap::Characters);
    SendModifiers(0);
    for (const unsigned key : keys_) {
        SendKey(key, true);
        SendKey(key, false);
    }
    keys_.clear();
}

bool VirtualKeyboardInjector::Finish() {
    // Back only once the compositor has handed the keys on, so that what the caller does next
    // (activating another window, say) comes after them.
    if (!connection_.Roundtrip()) {
        failure_ = ConnectionLostText;
        return false;
    }
    failure_.clear();
    return true;
}

bool VirtualKeyboardInjector::TypeCharacters(const std::u32string& text) {
    if (!Available()) {
        failure_ = keyboard_ == nullptr ? NotAvailableText : ConnectionLostText;
        return false;
    }
    keys_.clear();
    BeginBatch();
    for (const char32_t c : text) {
        const std::uint32_t keysym = WaylandKeymap::KeysymOf(c);
        if (keysym == 0)
            continue; // no key can type it
        unsigned key = WaylandKeymap::FixedKey(keysym);
        if (key == 0) {
            auto at = std::find(lent_.begin(), lent_.end(), keysym);
            if (at == lent_.end()) {
                if (lent_.size() == WaylandKeymap::LentKeys) {
                    // Every lent key is taken: the keys so far go, and the keys are lent anew.
                    SendKeys();
                    lent_.clear();
                }
                lent_.push_back(keysym);
                lentChanged_ = true;
                at = lent_.end() - 1;
            }
            key = WaylandKeymap::FirstLentKey + static_cast<unsigned>(at - lent_.begin());
        }
        keys_.push_back(key);
    }
    SendKeys();
    return Finish();
}

void VirtualKeyboardInjector::Inject(const std::uint16_t*, const std::uint16_t* scanCodes,
                                     const std::uint32_t* flags, std::size_t count) {
    if (!Available() || usKeymap_.empty())
        return;
    BeginBatch();
    UseKeymap(Keymap::Us);
    SendModifiers(0);
    bool shiftDown = false;
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned key = scanCodes[i];
        if (key == 0 || key + 8 > 255)
            continue; // no such key
        const bool release = (flags[i] & KeyEventKeyUp) != 0;
        if (key == LeftShiftKey) {
            if (release != shiftDown)
                continue; // Shift is already that way
            SendKey(key, !release);
            // The compositor takes a virtual keyboard's modifiers as the client states them.
            SendModifiers(release ? 0 : shiftMask_);
            shiftDown = !release;
        } else if (!release) {
            // Character keys come up at once; their own release events have nothing left to do.
            SendKey(key, true);
            SendKey(key, false);
        }
    }
    if (shiftDown) {
        SendKey(LeftShiftKey, false);
        SendModifiers(0);
    }
    Finish();
}
