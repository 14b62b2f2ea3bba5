#pragma once

#include <string>
#include <unordered_set>

struct wl_display;
struct wl_registry;
struct wl_seat;
struct wl_keyboard;
struct xkb_context;
struct xkb_keymap;

// The keymap the compositor hands its clients, followed over a Wayland connection of our own for
// the program's run. A compositor that types keysyms for others (GNOME's remote desktop) types
// only those its active layout has and drops the rest without a word; this tells in advance
// which characters would be dropped.
//
// Clients learn the active group only while they hold the keyboard focus, which this connection
// never does: the group is the one last announced to it, else the first.
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
    // The characters of text that no key of the active group types on its first four levels
    // (plain, Shift, AltGr, Shift+AltGr: the levels a keysym typist reaches), each once, in
    // order. Without a keymap every character counts as typeable.
    std::u32string Missing(const std::u32string& text) const;
    // The keysym a character is typed as: Tab and Return for tab and carriage return.
    static unsigned KeysymFor(char32_t c);

    // The entries of the listeners on the registry, the seat and the keyboard.
    static void OnGlobal(void* data, wl_registry* registry, unsigned name, const char* interface,
                         unsigned version);
    static void OnCapabilities(void* data, wl_seat* seat, unsigned capabilities);
    static void OnKeymap(void* data, wl_keyboard* keyboard, unsigned format, int fd, unsigned size);
    static void OnModifiers(void* data, wl_keyboard* keyboard, unsigned serial, unsigned depressed,
                            unsigned latched, unsigned locked, unsigned group);

private:
    // The keysyms of the active group's first four levels, gathered when the keymap or the
    // group changes.
    void Gather();
    void Disconnect();

    wl_display* display_ = nullptr;
    wl_registry* registry_ = nullptr;
    wl_seat* seat_ = nullptr;
    wl_keyboard* keyboard_ = nullptr;
    xkb_context* context_ = nullptr;
    xkb_keymap* keymap_ = nullptr;
    unsigned group_ = 0;
    std::unordered_set<unsigned> typeable_;
};
