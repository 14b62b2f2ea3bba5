#include "platform/wayland/WaylandKeymap.h"

#include <xkbcommon/xkbcommon-keysyms.h>
#include <xkbcommon/xkbcommon.h>

#include <array>
#include <cstdlib>

namespace {

// The fixed keys in order: evdev key code 1 + index.
constexpr std::array<std::uint32_t, 99> FixedKeysyms = [] {
    std::array<std::uint32_t, 99> keysyms{};
    std::size_t n = 0;
    for (std::uint32_t c = 0x20; c <= 0x7E; ++c)
        keysyms[n++] = c; // the Latin-1 keysyms are the characters
    keysyms[n++] = XKB_KEY_Tab;
    keysyms[n++] = XKB_KEY_Return;
    keysyms[n++] = XKB_KEY_BackSpace;
    keysyms[n++] = XKB_KEY_Escape;
    return keysyms;
}();

// The key types and modifier rules of the US layout, as XKB writes them out in full: X servers
// (XWayland) refuse a keymap that lacks the standard types, and nothing here needs the rules
// files at the client's end.
const std::string& StandardSections() {
    static const std::string sections = [] {
        std::string text;
        xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
        const xkb_rule_names us{"evdev", "pc105", "us", "", ""};
        xkb_keymap* keymap =
            context ? xkb_keymap_new_from_names(context, &us, XKB_KEYMAP_COMPILE_NO_FLAGS)
                    : nullptr;
        if (char* all =
                keymap ? xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1) : nullptr) {
            const std::string whole = all;
            free(all);
            const std::size_t types = whole.find("xkb_types");
            const std::size_t symbols = whole.find("xkb_symbols");
            if (types != std::string::npos && symbols != std::string::npos && types < symbols)
                text = whole.substr(types, symbols - types);
        }
        xkb_keymap_unref(keymap);
        xkb_context_unref(context);
        return text;
    }();
    return sections;
}

std::string KeyName(unsigned key) {
    return "<K" + std::to_string(key) + ">";
}

void AddKey(std::string& keycodes, std::string& symbols, unsigned key, std::uint32_t keysym) {
    keycodes += "  " + KeyName(key) + " = " + std::to_string(key + 8) + ";\n";
    char name[64] = {};
    xkb_keysym_get_name(keysym, name, sizeof name);
    symbols += "  key " + KeyName(key) + " { [ " + name + " ] };\n";
}

} // namespace

std::uint32_t WaylandKeymap::KeysymOf(char32_t c) {
    if (c == U'\r' || c == U'\n')
        return XKB_KEY_Return;
    return xkb_utf32_to_keysym(static_cast<std::uint32_t>(c));
}

unsigned WaylandKeymap::FixedKey(std::uint32_t keysym) {
    if (keysym >= 0x20 && keysym <= 0x7E)
        return keysym - 0x20 + 1;
    for (std::size_t i = 0x7F - 0x20; i < FixedKeysyms.size(); ++i) {
        if (FixedKeysyms[i] == keysym)
            return static_cast<unsigned>(i + 1);
    }
    return 0;
}

std::string WaylandKeymap::CharacterKeymap(const std::vector<std::uint32_t>& extra) {
    std::string keycodes, symbols;
    keycodes.reserve(40 * (FixedKeysyms.size() + extra.size()));
    symbols.reserve(keycodes.capacity());
    for (std::size_t i = 0; i < FixedKeysyms.size(); ++i)
        AddKey(keycodes, symbols, static_cast<unsigned>(i + 1), FixedKeysyms[i]);
    for (std::size_t i = 0; i < extra.size() && i < LentKeys; ++i)
        AddKey(keycodes, symbols, FirstLentKey + static_cast<unsigned>(i), extra[i]);
    // Every key has one level only: no modifier, Caps Lock or group of any client applies.
    return "xkb_keymap {\n"
           "xkb_keycodes \"brisk\" {\n  minimum = 8;\n  maximum = 255;\n" +
           keycodes + "};\n" + StandardSections() + "xkb_symbols \"brisk\" {\n" + symbols +
           "};\n};\n";
}
