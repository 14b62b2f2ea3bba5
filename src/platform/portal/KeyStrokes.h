#pragma once

#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

struct xkb_keymap;

// How each character is typed by key in one group of an XKB keymap: a key of the main keyboard
// and the modifier keys (Shift, level three, level five) held around it, read from an XKB
// state as the compositor's own keyboard state will read the same presses.
//
// The fewest modifiers win; among strokes with as many, one that Caps Lock does not change.
// Keypad keys are never used: Num Lock changes them, and spreadsheets give their decimal key a
// meaning of its own. Keys above 255 are left out too, as X clients (XWayland) cannot get them.
class KeyStrokes {
public:
    struct Stroke {
        unsigned key = 0;           // evdev key code
        std::vector<unsigned> held; // evdev key codes of the modifiers, in the order they go down
    };

    // The strokes of the keymap's group; none without a keymap.
    void Gather(xkb_keymap* keymap, unsigned group);
    // How c is typed, if the group has it; a line feed as a carriage return (Return).
    std::optional<Stroke> Find(char32_t c) const;

private:
    std::unordered_map<char32_t, Stroke> strokes_;
};

// The keysyms that a compositor typing keysyms itself types exactly whichever group of the
// keymap is active. GNOME's does so in the active group: it takes the first key, in key code
// order, that has the keysym on any level, and holds Shift for the second level and the level
// three shift for the third; on any other level the key goes without its modifiers.
std::unordered_set<unsigned> KeysymsTypedInEveryGroup(xkb_keymap* keymap);
