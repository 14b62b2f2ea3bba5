// How characters are typed on real XKB layouts (the system's keyboard descriptions): by which
// key, with how many modifiers, and what the keys then type as a client's keyboard state reads
// them; and which characters keysym typing takes when the active group cannot be known.
#include <gtest/gtest.h>

#include "platform/portal/CompositorKeymap.h"
#include "platform/portal/KeyStrokes.h"

#include <xkbcommon/xkbcommon.h>

#include <memory>
#include <string>

namespace {

struct ContextDeleter {
    void operator()(xkb_context* context) const { xkb_context_unref(context); }
};
struct KeymapDeleter {
    void operator()(xkb_keymap* keymap) const { xkb_keymap_unref(keymap); }
};
struct StateDeleter {
    void operator()(xkb_state* state) const { xkb_state_unref(state); }
};

std::unique_ptr<xkb_keymap, KeymapDeleter> Layouts(const char* layouts) {
    static const std::unique_ptr<xkb_context, ContextDeleter> context(
        xkb_context_new(XKB_CONTEXT_NO_FLAGS));
    const xkb_rule_names names{"evdev", "pc105", layouts, "", ""};
    return std::unique_ptr<xkb_keymap, KeymapDeleter>(
        xkb_keymap_new_from_names(context.get(), &names, XKB_KEYMAP_COMPILE_NO_FLAGS));
}

// What the key types with the modifiers held down before it, in the group, Caps Lock on or off.
char32_t Typed(xkb_keymap* keymap, unsigned group, const KeyStrokes::Stroke& stroke, bool caps) {
    const std::unique_ptr<xkb_state, StateDeleter> state(xkb_state_new(keymap));
    const xkb_mod_mask_t lock =
        caps ? 1u << xkb_keymap_mod_get_index(keymap, XKB_MOD_NAME_CAPS) : 0;
    xkb_state_update_mask(state.get(), 0, 0, lock, 0, 0, group);
    for (const unsigned held : stroke.held)
        xkb_state_update_key(state.get(), held + 8, XKB_KEY_DOWN);
    return xkb_state_key_get_utf32(state.get(), stroke.key + 8);
}

TEST(KeyStrokes, CharactersGoByTheMainKeysWithTheFewestModifiersAndTypeExactlyThemselves) {
    const struct {
        const char* layouts;
        unsigned group;
        char32_t c;
        const char* key; // nullptr: the group cannot type it
        std::size_t modifiers;
    } rows[] = {
        {"us", 0, U'*', "AE08", 1}, // not the keypad's, which needs nothing
        {"us", 0, U'+', "AE12", 1},
        {"us", 0, U'\r', "RTRN", 0}, // not keypad Enter
        {"us", 0, U'\n', "RTRN", 0},
        {"us", 0, U'\t', "TAB", 0},
        {"fr", 0, U'\u00B0', "AE11", 1}, // Shift; AE10 has it with Shift and AltGr
        {"fr", 0, U'5', "AE05", 1},
        {"fr", 0, U'@', "AE10", 1}, // AltGr
        {"fr", 0, U'\u00E4', nullptr, 0},
        {"de", 0, U'\u00E9', nullptr, 0},
        {"de", 0, U'.', "AB09", 0},    // not the keypad's decimal key
        {"fr,de", 1, U'z', "AD06", 0}, // the second group's key
        {"fr,de", 1, U'\u00DF', "AE11", 0},
        {"fr,de", 0, U'\u00DF', "AC02", 1},
        // Shift on LSGT and AltGr on AD08 both type Í; Caps Lock changes only the first.
        {"hu", 0, U'\u00CD', "AD08", 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.layouts) + " U+" + std::to_string(unsigned(row.c)));
        const auto keymap = Layouts(row.layouts);
        ASSERT_TRUE(keymap);
        KeyStrokes strokes;
        strokes.Gather(keymap.get(), row.group);
        const std::optional<KeyStrokes::Stroke> stroke = strokes.Find(row.c);
        if (row.key == nullptr) {
            EXPECT_FALSE(stroke);
            continue;
        }
        ASSERT_TRUE(stroke);
        EXPECT_STREQ(xkb_keymap_key_get_name(keymap.get(), stroke->key + 8), row.key);
        EXPECT_EQ(stroke->held.size(), row.modifiers);
        EXPECT_EQ(Typed(keymap.get(), row.group, *stroke, false), row.c == U'\n' ? U'\r' : row.c);
    }
}

// GNOME puts up to four input sources into one keymap and tells only the focused client which
// group is active: typed by keysym, a character must be one the compositor types exactly in
// every group.
TEST(KeyStrokes, KeysymTypingInAnUnknownGroupTakesOnlyWhatEveryGroupTypesExactly) {
    const struct {
        const char* layouts;
        std::u32string typed, refused;
    } rows[] = {
        {"us,ru", U"0123456789.,-+ \t\r\n", U"a@<~"},
        // French has the degree sign first on Shift+AltGr (not pressed for keysyms) of a key
        // whose first level is à, and < on the fourth level of the z key.
        {"us,fr", U"0123456789.,-+az@", U"\u00B0<"},
        {"us,de", U"yz-./", U"\u00B5\u00DF\u00E9"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.layouts);
        const auto keymap = Layouts(row.layouts);
        ASSERT_TRUE(keymap);
        const std::unordered_set<unsigned> every = KeysymsTypedInEveryGroup(keymap.get());
        for (const char32_t c : row.typed)
            EXPECT_TRUE(every.contains(CompositorKeymap::KeysymFor(c))) << "U+" << unsigned(c);
        for (const char32_t c : row.refused)
            EXPECT_FALSE(every.contains(CompositorKeymap::KeysymFor(c))) << "U+" << unsigned(c);
    }
}

} // namespace
