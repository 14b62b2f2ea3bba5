#include "platform/portal/KeyStrokes.h"

#include <xkbcommon/xkbcommon-keysyms.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <bit>
#include <memory>
#include <utility>

namespace {

// XKB key codes are evdev key codes plus 8.
constexpr xkb_keycode_t EvdevOffset = 8;
// X clients (XWayland) receive key codes up to 255 only.
constexpr xkb_keycode_t LastXKey = 255;

struct StateDeleter {
    void operator()(xkb_state* state) const { xkb_state_unref(state); }
};
using State = std::unique_ptr<xkb_state, StateDeleter>;

// A keyboard state in the group, with the modifiers locked and the keys pressed in this order.
State Holding(xkb_keymap* keymap, xkb_layout_index_t group, xkb_mod_mask_t locked,
              const std::vector<xkb_keycode_t>& pressed) {
    State state(xkb_state_new(keymap));
    if (!state)
        return state;
    xkb_state_update_mask(state.get(), 0, 0, locked, 0, 0, group);
    for (const xkb_keycode_t key : pressed)
        xkb_state_update_key(state.get(), key, XKB_KEY_DOWN);
    return state;
}

bool IsKeypad(xkb_keysym_t keysym) {
    return keysym >= XKB_KEY_KP_Space && keysym <= XKB_KEY_KP_Equal;
}

// The keys that hold Shift, the level three shift (AltGr) and the level five shift, in that
// order, where the group has them: for each the first key whose first level is that shift and
// that sets a modifier while down. Control and Alt never select a character's level, and lock
// keys toggle rather than hold.
std::vector<xkb_keycode_t> LevelShiftKeys(xkb_keymap* keymap, xkb_layout_index_t group,
                                          xkb_keycode_t first, xkb_keycode_t last) {
    const State plain = Holding(keymap, group, 0, {});
    std::vector<xkb_keycode_t> keys;
    const std::pair<xkb_keysym_t, xkb_keysym_t> shifts[] = {
        {XKB_KEY_Shift_L, XKB_KEY_Shift_R},
        {XKB_KEY_ISO_Level3_Shift, XKB_KEY_ISO_Level3_Shift},
        {XKB_KEY_ISO_Level5_Shift, XKB_KEY_ISO_Level5_Shift}};
    for (const auto& [one, other] : shifts) {
        for (xkb_keycode_t key = first; key <= last; ++key) {
            const xkb_keysym_t keysym = xkb_state_key_get_one_sym(plain.get(), key);
            if (keysym != one && keysym != other)
                continue;
            const State down = Holding(keymap, group, 0, {key});
            if (xkb_state_serialize_mods(down.get(), XKB_STATE_MODS_DEPRESSED) != 0) {
                keys.push_back(key);
                break;
            }
        }
    }
    return keys;
}

} // namespace

void KeyStrokes::Gather(xkb_keymap* keymap, unsigned group) {
    strokes_.clear();
    if (keymap == nullptr || group >= xkb_keymap_num_layouts(keymap))
        return;
    const xkb_keycode_t first = std::max(xkb_keymap_min_keycode(keymap), EvdevOffset);
    const xkb_keycode_t last = std::min(xkb_keymap_max_keycode(keymap), LastXKey);
    const xkb_mod_index_t capsIndex = xkb_keymap_mod_get_index(keymap, XKB_MOD_NAME_CAPS);
    const xkb_mod_mask_t caps = capsIndex == XKB_MOD_INVALID ? 0 : 1u << capsIndex;
    const std::vector<xkb_keycode_t> shifts = LevelShiftKeys(keymap, group, first, last);
    const State plain = Holding(keymap, group, 0, {});

    // Every combination of the level shifts, fewest first, each read the way the compositor
    // will read the same presses: twice the keys held, plus one where Caps Lock changes what
    // the key types, ranks a stroke.
    std::unordered_map<char32_t, unsigned> ranks;
    const unsigned combinations = 1u << shifts.size();
    for (unsigned count = 0; count <= shifts.size(); ++count) {
        for (unsigned combination = 0; combination < combinations; ++combination) {
            if (static_cast<unsigned>(std::popcount(combination)) != count)
                continue;
            std::vector<xkb_keycode_t> held;
            for (std::size_t i = 0; i < shifts.size(); ++i) {
                if ((combination & (1u << i)) != 0)
                    held.push_back(shifts[i]);
            }
            const State state = Holding(keymap, group, 0, held);
            const State locked = Holding(keymap, group, caps, held);
            if (!plain || !state || !locked)
                return;
            for (xkb_keycode_t key = first; key <= last; ++key) {
                if (IsKeypad(xkb_state_key_get_one_sym(plain.get(), key)) ||
                    IsKeypad(xkb_state_key_get_one_sym(state.get(), key)))
                    continue;
                const char32_t c = xkb_state_key_get_utf32(state.get(), key);
                if (c == 0)
                    continue;
                const unsigned rank =
                    2 * count + (xkb_state_key_get_utf32(locked.get(), key) != c ? 1 : 0);
                const auto [known, added] = ranks.try_emplace(c, rank);
                if (!added && rank >= known->second)
                    continue;
                known->second = rank;
                Stroke& stroke = strokes_[c];
                stroke.key = key - EvdevOffset;
                stroke.held.clear();
                for (const xkb_keycode_t shift : held)
                    stroke.held.push_back(shift - EvdevOffset);
            }
        }
    }
}

std::optional<KeyStrokes::Stroke> KeyStrokes::Find(char32_t c) const {
    const auto it = strokes_.find(c == U'\n' ? U'\r' : c);
    if (it == strokes_.end())
        return std::nullopt;
    return it->second;
}

std::unordered_set<unsigned> KeysymsTypedInEveryGroup(xkb_keymap* keymap) {
    std::unordered_set<unsigned> every;
    if (keymap == nullptr)
        return every;
    const xkb_keycode_t first = xkb_keymap_min_keycode(keymap);
    const xkb_keycode_t last = xkb_keymap_max_keycode(keymap);
    const xkb_layout_index_t groups = xkb_keymap_num_layouts(keymap);
    for (xkb_layout_index_t group = 0; group < groups; ++group) {
        // The first key and level of each keysym, as the compositor looks them up.
        std::unordered_map<xkb_keysym_t, std::pair<xkb_keycode_t, xkb_level_index_t>> places;
        for (xkb_keycode_t key = first; key < last; ++key) {
            const xkb_level_index_t levels = xkb_keymap_num_levels_for_key(keymap, key, group);
            for (xkb_level_index_t level = 0; level < levels; ++level) {
                const xkb_keysym_t* keysyms = nullptr;
                const int count =
                    xkb_keymap_key_get_syms_by_level(keymap, key, group, level, &keysyms);
                for (int i = 0; i < count; ++i)
                    places.try_emplace(keysyms[i], key, level);
            }
        }
        // What each key types with nothing, Shift or the level three shift held.
        const auto holdingFirstKeyOf = [&](xkb_keysym_t shift) {
            const auto place = places.find(shift);
            return place == places.end() ? State()
                                         : Holding(keymap, group, 0, {place->second.first});
        };
        const State levels[3] = {Holding(keymap, group, 0, {}), holdingFirstKeyOf(XKB_KEY_Shift_L),
                                 holdingFirstKeyOf(XKB_KEY_ISO_Level3_Shift)};
        std::unordered_set<unsigned> typed;
        for (const auto& [keysym, place] : places) {
            const auto [key, level] = place;
            if (level < 3 && levels[level] &&
                xkb_state_key_get_one_sym(levels[level].get(), key) == keysym)
                typed.insert(keysym);
        }
        if (group == 0) {
            every = std::move(typed);
        } else {
            std::erase_if(every, [&](unsigned keysym) { return !typed.contains(keysym); });
        }
    }
    return every;
}
