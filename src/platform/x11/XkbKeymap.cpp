#include "platform/x11/XkbKeymap.h"

#include <X11/XKBlib.h>
#include <X11/keysym.h>
#include <xkbcommon/xkbcommon.h>

#include <bit>
#include <memory>

namespace {

// The group a key shows when the keyboard is in the given group: keys with fewer groups fold
// the group back into their range as their group info says.
int EffectiveGroup(XkbDescPtr xkb, unsigned keycode, unsigned group) {
    const int groups = XkbKeyNumGroups(xkb, keycode);
    if (groups == 0)
        return -1;
    if (static_cast<int>(group) < groups)
        return static_cast<int>(group);
    const unsigned info = XkbKeyGroupInfo(xkb, keycode);
    switch (XkbOutOfRangeGroupAction(info)) {
    case XkbRedirectIntoRange: {
        const int redirect = XkbOutOfRangeGroupNumber(info);
        return redirect < groups ? redirect : 0;
    }
    case XkbClampIntoRange:
        return groups - 1;
    default:
        return static_cast<int>(group) % groups;
    }
}

// The fewest pressable modifiers that select the level in the key type, if any do.
std::optional<unsigned> ModsForLevel(const XkbKeyTypeRec& type, int level, unsigned pressable) {
    if (level == 0)
        return 0u;
    std::optional<unsigned> best;
    for (int i = 0; i < type.map_count; ++i) {
        const XkbKTMapEntryRec& entry = type.map[i];
        if (!entry.active || entry.level != level || (entry.mods.mask & ~pressable) != 0)
            continue;
        if (!best || std::popcount(entry.mods.mask) < std::popcount(*best))
            best = entry.mods.mask;
    }
    return best;
}

bool IsKeypad(KeySym keysym) {
    return keysym >= XK_KP_Space && keysym <= XK_KP_Equal;
}

// Shift, Control, Caps Lock, Meta, Alt, Super, Hyper; the ISO level, group and lock keys.
bool IsModifierKeysym(KeySym keysym) {
    return (keysym >= XK_Shift_L && keysym <= XK_Hyper_R) ||
           (keysym >= XK_ISO_Lock && keysym <= XK_ISO_Level5_Lock) || keysym == XK_Mode_switch ||
           keysym == XK_Num_Lock;
}

} // namespace

void XkbKeymap::DescDeleter::operator()(_XkbDesc* desc) const {
    XkbFreeKeyboard(desc, 0, True);
}

XkbKeymap::XkbKeymap() = default;
XkbKeymap::~XkbKeymap() = default;

bool XkbKeymap::Read(Display* display) {
    XkbStateRec state{};
    if (XkbGetState(display, XkbUseCoreKbd, &state) != Success || !ReadMap(display))
        return false;
    SetState(state);
    return true;
}

bool XkbKeymap::ReadMap(Display* display) {
    desc_.reset(XkbGetMap(display, XkbAllClientInfoMask, XkbUseCoreKbd));
    if (desc_ && desc_->map == nullptr)
        desc_.reset();
    builtGroup_ = -1;
    Clear();
    return desc_ != nullptr;
}

void XkbKeymap::Clear() {
    strokes_.clear();
    spare_.clear();
    std::fill(std::begin(modifierKeys_), std::end(modifierKeys_), 0u);
    std::fill(std::begin(modifierKey_), std::end(modifierKey_), false);
}

void XkbKeymap::SetState(const XkbStateRec& state) {
    heldMods_ = state.base_mods;
    heldGroup_ = static_cast<unsigned>(state.base_group);
    latchedMods_ = state.latched_mods;
    lockedMods_ = state.locked_mods;
    // The group in force, shifts and locks included.
    if (desc_ && builtGroup_ != state.group)
        Build(state.group);
}

void XkbKeymap::Build(unsigned group) {
    builtGroup_ = static_cast<int>(group);
    Clear();
    const XkbDescPtr xkb = desc_.get();
    const unsigned first = xkb->min_key_code, last = std::min(255u, unsigned(xkb->max_key_code));
    // Keys that hold a modifier while down: Shift and the level shifts. Control, Alt and the
    // like never select a character's level, and lock keys toggle rather than hold.
    unsigned pressable = 0;
    for (unsigned kc = first; kc <= last; ++kc) {
        const unsigned modmap = xkb->map->modmap[kc];
        const int g = EffectiveGroup(xkb, kc, group);
        const KeySym sym = g < 0 ? NoSymbol : XkbKeySymEntry(xkb, kc, 0, g);
        modifierKey_[kc] = modmap != 0 || IsModifierKeysym(sym);
        if (modmap == 0 || (sym != XK_Shift_L && sym != XK_Shift_R && sym != XK_ISO_Level3_Shift &&
                            sym != XK_ISO_Level5_Shift))
            continue;
        for (unsigned bit = 0; bit < 8; ++bit) {
            if ((modmap & (1u << bit)) != 0 && modifierKeys_[bit] == 0) {
                modifierKeys_[bit] = kc;
                pressable |= 1u << bit;
            }
        }
    }

    for (unsigned kc = first; kc <= last; ++kc) {
        bool symbolless = true;
        for (int i = 0; i < XkbKeyNumSyms(xkb, kc); ++i)
            symbolless = symbolless && XkbKeySymsPtr(xkb, kc)[i] == NoSymbol;
        if (symbolless && xkb->map->modmap[kc] == 0)
            spare_.insert(spare_.begin(), kc);
        const int g = EffectiveGroup(xkb, kc, group);
        if (symbolless || g < 0)
            continue;
        const XkbKeyTypeRec& type = *XkbKeyKeyType(xkb, kc, g);
        for (int level = 0; level < type.num_levels; ++level) {
            const KeySym sym = XkbKeySymEntry(xkb, kc, level, g);
            // Keypad keys change with Num Lock, and spreadsheets give their decimal key a
            // meaning of its own: type from the main keys only.
            if (sym == NoSymbol || IsKeypad(sym))
                continue;
            const char32_t c = xkb_keysym_to_utf32(static_cast<xkb_keysym_t>(sym));
            if (c == 0)
                continue;
            const std::optional<unsigned> mods = ModsForLevel(type, level, pressable);
            if (!mods)
                continue;
            const auto known = strokes_.find(c);
            if (known == strokes_.end() || std::popcount(*mods) < std::popcount(known->second.mods))
                strokes_[c] = Stroke{kc, *mods};
        }
    }
}

std::optional<XkbKeymap::Stroke> XkbKeymap::Find(char32_t c) const {
    const auto it = strokes_.find(c);
    if (it == strokes_.end())
        return std::nullopt;
    return it->second;
}

unsigned XkbKeymap::ModifierKey(unsigned modBit) const {
    const int bit = std::countr_zero(modBit);
    return modBit != 0 && std::has_single_bit(modBit) && bit < 8 ? modifierKeys_[bit] : 0;
}
