#pragma once

#include "platform/portal/KeyStrokes.h"

#include <optional>
#include <string>
#include <unordered_set>

struct wl_display;
struct wl_registry;
struct wl_seat;
struct wl_keyboard;
struct xkb_context;
struct xkb_keymap;

// The keymap the compositor hands its clients, followed over a Wayland connection of our own for
// the program's run, and how it types each character.
//
// Clients learn the active group only while they hold the keyboard focus, which this connection
// never does: the group is known when the keymap has only one, or when the desktop names it
// (SetGroup). In a known group characters are typed by key (Find). Otherwise they are typed
// by keysym, which the compositor looks up in its active group itself; GNOME's types only those
// its active group has and drops the rest without a word, so only the keysyms that every group
// types exactly count as typeable then.
class CompositorKeymap {
public:
    CompositorKeymap();
    ~CompositorKeymap();
    CompositorKeymap(const CompositorKeymap&) = delete;
    CompositorKeymap& operator=(const CompositorKeymap&) = delete;

    // Connects to the session's compositor (WAYLAND_DISPLAY) once; false without one.
    bool Connect();
    // Takes in what the compositor sent since the last call (a new keymap after a layout change).
    // False when the connection is gone.
    bool Refresh();
    bool HasKeymap() const { return keymap_ != nullptr; }
    // How many groups (layouts) the keymap has; 0 without one.
    unsigned Groups() const;
    // The active group as the desktop names it, or nullopt where it does not.
    void SetGroup(std::optional<unsigned> group);
    bool GroupKnown() const { return group_.has_value(); }

    // How the character is typed by key in the active group, when that is known and has it.
    std::optional<KeyStrokes::Stroke> Find(char32_t c) const { return strokes_.Find(c); }
    // The characters of text that cannot be typed exactly, each once, in order: by key where
    // the group is known, else by keysym. Without a keymap none is.
    std::u32string Missing(const std::u32string& text) const;
    // The keysym a character is typed as: Tab and Return for tab and carriage return.
    static unsigned KeysymFor(char32_t c);

    // The entries of the listeners on the registry, the seat and the keyboard.
    static void OnGlobal(void* data, wl_registry* registry, unsigned name, const char* interface,
                         unsigned version);
    static void OnCapabilities(void* data, wl_seat* seat, unsigned capabilities);
    static void OnKeymap(void* data, wl_keyboard* keyboard, unsigned format, int fd, unsigned size);

private:
    // The strokes, or the keysyms typeable by keysym, gathered when the keymap or the group
    // changes.
    void Gather();
    void Disconnect();

    wl_display* display_ = nullptr;
    wl_registry* registry_ = nullptr;
    wl_seat* seat_ = nullptr;
    wl_keyboard* keyboard_ = nullptr;
    xkb_context* context_ = nullptr;
    xkb_keymap* keymap_ = nullptr;
    std::optional<unsigned> named_; // as the desktop names it
    std::optional<unsigned> group_; // known: named and present, or the only one
    KeyStrokes strokes_;
    std::unordered_set<unsigned> typeable_;
};
