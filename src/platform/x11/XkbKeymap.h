#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

// As Xlib declares it; this header stays free of Xlib's macros so that Qt code can include it.
typedef struct _XDisplay Display;
struct _XkbDesc;
struct _XkbStateRec;

// The keyboard as the X server maps it at one moment, for typing characters: which key, with
// which modifiers held, types a character in the active group; which keys hold those modifiers;
// the modifiers the operator holds, latches or locks; and the keycodes that have no symbol at
// all (free to lend a missing character for the length of one batch).
class XkbKeymap {
public:
    // A key and the real modifier mask (Shift, level three, level five) to hold around it.
    struct Stroke {
        unsigned keycode = 0;
        unsigned mods = 0;
        friend bool operator==(const Stroke&, const Stroke&) = default;
    };

    XkbKeymap();
    ~XkbKeymap();
    XkbKeymap(const XkbKeymap&) = delete;
    XkbKeymap& operator=(const XkbKeymap&) = delete;

    // Reads the map and the keyboard state (two round trips). False without XKB.
    bool Read(Display* display);
    // Reads the map alone (one round trip) and keeps it until the next read; the characters are
    // found again with the next state.
    bool ReadMap(Display* display);
    bool HasMap() const { return desc_ != nullptr; }
    // Takes the keyboard state as the server gave it (XkbGetState): the modifiers held, latched
    // and locked, and the group in force, which decides where each character is found.
    void SetState(const _XkbStateRec& state);

    // How the character is typed in the active group without a lock modifier, if it can be.
    std::optional<Stroke> Find(char32_t c) const;
    // The key that holds the given single real modifier bit, or 0.
    unsigned ModifierKey(unsigned modBit) const;
    // A key that changes what other keys type: Shift, Control, Alt, the level and group shifts,
    // the lock keys.
    bool IsModifierKeycode(unsigned keycode) const {
        return keycode < 256 && modifierKey_[keycode];
    }

    const std::vector<unsigned>& SpareKeycodes() const { return spare_; }
    // Modifiers or a group shift held down on the keyboard now.
    bool SomethingHeld() const { return heldMods_ != 0 || heldGroup_ != 0; }
    unsigned LatchedMods() const { return latchedMods_; }
    unsigned LockedMods() const { return lockedMods_; }

private:
    struct DescDeleter {
        void operator()(_XkbDesc* desc) const;
    };
    void Clear();
    // Finds the characters, the modifier keys and the spare keycodes in the group.
    void Build(unsigned group);

    std::unique_ptr<_XkbDesc, DescDeleter> desc_;
    int builtGroup_ = -1; // the group the characters were found in; -1: not yet
    std::unordered_map<char32_t, Stroke> strokes_;
    unsigned modifierKeys_[8] = {};
    bool modifierKey_[256] = {};
    std::vector<unsigned> spare_; // highest keycode first
    unsigned heldMods_ = 0, heldGroup_ = 0, latchedMods_ = 0, lockedMods_ = 0;
};
