#include "platform/portal/CompositorKeymap.h"

#include <wayland-client.h>
#include <xkbcommon/xkbcommon-keysyms.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

namespace {

const wl_registry_listener registryListener = {
    CompositorKeymap::OnGlobal,
    [](void*, wl_registry*, unsigned) {},
};

const wl_seat_listener seatListener = {
    CompositorKeymap::OnCapabilities,
    [](void*, wl_seat*, const char*) {},
};

const wl_keyboard_listener keyboardListener = {
    CompositorKeymap::OnKeymap,
    [](void*, wl_keyboard*, unsigned, wl_surface*, wl_array*) {},
    [](void*, wl_keyboard*, unsigned, wl_surface*) {},
    [](void*, wl_keyboard*, unsigned, unsigned, unsigned, unsigned) {},
    // The group in the modifiers comes only with the keyboard focus and is stale without it.
    [](void*, wl_keyboard*, unsigned, unsigned, unsigned, unsigned, unsigned) {},
    [](void*, wl_keyboard*, int, int) {},
};

} // namespace

CompositorKeymap::CompositorKeymap() = default;

CompositorKeymap::~CompositorKeymap() {
    Disconnect();
}

bool CompositorKeymap::Connect() {
    if (display_)
        return true;
    display_ = wl_display_connect(nullptr);
    if (!display_)
        return false;
    context_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    registry_ = wl_display_get_registry(display_);
    wl_registry_add_listener(registry_, &registryListener, this);
    // The globals, then the seat's capabilities, then the keyboard's keymap.
    for (int i = 0; i < 3; ++i) {
        if (wl_display_roundtrip(display_) < 0) {
            Disconnect();
            return false;
        }
    }
    return true;
}

bool CompositorKeymap::Refresh() {
    if (!display_)
        return false;
    if (wl_display_roundtrip(display_) < 0) {
        Disconnect();
        return false;
    }
    return true;
}

void CompositorKeymap::Disconnect() {
    if (keymap_)
        xkb_keymap_unref(keymap_);
    keymap_ = nullptr;
    Gather();
    if (context_)
        xkb_context_unref(context_);
    context_ = nullptr;
    if (keyboard_)
        wl_keyboard_destroy(keyboard_);
    keyboard_ = nullptr;
    if (seat_)
        wl_seat_destroy(seat_);
    seat_ = nullptr;
    if (registry_)
        wl_registry_destroy(registry_);
    registry_ = nullptr;
    if (display_)
        wl_display_disconnect(display_);
    display_ = nullptr;
}

void CompositorKeymap::OnGlobal(void* data, wl_registry* registry, unsigned name,
                                const char* interface, unsigned version) {
    auto* self = static_cast<CompositorKeymap*>(data);
    // The first seat is the one the compositor types into.
    if (self->seat_ || std::strcmp(interface, wl_seat_interface.name) != 0)
        return;
    self->seat_ = static_cast<wl_seat*>(
        wl_registry_bind(registry, name, &wl_seat_interface, std::min(version, 4u)));
    wl_seat_add_listener(self->seat_, &seatListener, self);
}

void CompositorKeymap::OnCapabilities(void* data, wl_seat* seat, unsigned capabilities) {
    auto* self = static_cast<CompositorKeymap*>(data);
    const bool keyboard = (capabilities & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
    if (keyboard && !self->keyboard_) {
        self->keyboard_ = wl_seat_get_keyboard(seat);
        wl_keyboard_add_listener(self->keyboard_, &keyboardListener, self);
    } else if (!keyboard && self->keyboard_) {
        wl_keyboard_destroy(self->keyboard_);
        self->keyboard_ = nullptr;
    }
}

void CompositorKeymap::OnKeymap(void* data, wl_keyboard*, unsigned format, int fd, unsigned size) {
    auto* self = static_cast<CompositorKeymap*>(data);
    if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 && size > 0) {
        void* text = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (text != MAP_FAILED) {
            // The text ends in a NUL within size.
            xkb_keymap* keymap =
                xkb_keymap_new_from_buffer(self->context_, static_cast<const char*>(text),
                                           strnlen(static_cast<const char*>(text), size),
                                           XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
            munmap(text, size);
            if (keymap) {
                if (self->keymap_)
                    xkb_keymap_unref(self->keymap_);
                self->keymap_ = keymap;
                self->Gather();
            }
        }
    }
    close(fd);
}

unsigned CompositorKeymap::Groups() const {
    return keymap_ ? xkb_keymap_num_layouts(keymap_) : 0;
}

void CompositorKeymap::SetGroup(std::optional<unsigned> group) {
    if (group != named_) {
        named_ = group;
        Gather();
    }
}

unsigned CompositorKeymap::KeysymFor(char32_t c) {
    if (c == U'\t')
        return XKB_KEY_Tab;
    if (c == U'\r' || c == U'\n')
        return XKB_KEY_Return;
    return xkb_utf32_to_keysym(c);
}

void CompositorKeymap::Gather() {
    const unsigned groups = Groups();
    group_.reset();
    if (groups == 1)
        group_ = 0;
    else if (named_ && *named_ < groups)
        group_ = named_;
    strokes_.Gather(group_ ? keymap_ : nullptr, group_.value_or(0));
    typeable_.clear();
    if (keymap_ && !group_)
        typeable_ = KeysymsTypedInEveryGroup(keymap_);
}

std::u32string CompositorKeymap::Missing(const std::u32string& text) const {
    std::u32string missing;
    for (const char32_t c : text) {
        if (missing.find(c) != std::u32string::npos)
            continue;
        if (group_ ? !strokes_.Find(c) : !typeable_.contains(KeysymFor(c)))
            missing += c;
    }
    return missing;
}
