#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The keymaps the virtual keyboard types by, as XKB text for the compositor to hand on to the
// focused client.
//
// A character keymap gives every key one symbol on its only level, so no modifier is ever
// needed and no state of the operator's keyboard can change what a key types. The characters
// of readings (printable ASCII, tab, carriage return, backspace, escape) sit on fixed keys, so
// that batches of such characters all share one keymap and clients need not load a new one for
// every reading; other characters are lent the keys after those (the injector keeps them lent
// from batch to batch until all are taken). The key types and modifier rules are the US
// layout's, written out in full, as X servers (XWayland) require them.
class WaylandKeymap {
public:
    // The keysym that types the character: Tab for tab, Return for carriage return and line
    // feed, the Unicode keysym (or its legacy name) for the rest; 0 for none.
    static std::uint32_t KeysymOf(char32_t c);

    // The evdev key code of the fixed key for this keysym, or 0 when it has none.
    static unsigned FixedKey(std::uint32_t keysym);
    // The first evdev key code lent to other characters, and how many there are: XKB keycodes
    // (evdev + 8) stay below 256 for clients running through XWayland.
    static constexpr unsigned FirstLentKey = 100;
    static constexpr unsigned LentKeys = 247 - FirstLentKey + 1;

    // The fixed keys, then extra[i] on key FirstLentKey + i.
    static std::string CharacterKeymap(const std::vector<std::uint32_t>& extra);
};
