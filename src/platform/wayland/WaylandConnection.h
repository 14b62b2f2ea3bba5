#pragma once

#include <cstdint>

struct wl_display;
struct wl_registry;
struct wl_seat;
struct zwp_virtual_keyboard_manager_v1;
struct zwlr_foreign_toplevel_manager_v1;

// The program's own connection to the Wayland compositor, apart from any connection the toolkit
// keeps for the program's windows: those may be X11 windows through XWayland while the typing and
// the window list still go through the compositor. Everything runs on the thread that uses it.
class WaylandConnection {
public:
    WaylandConnection() = default;
    ~WaylandConnection();
    WaylandConnection(const WaylandConnection&) = delete;
    WaylandConnection& operator=(const WaylandConnection&) = delete;

    // Connects to the compositor WAYLAND_DISPLAY names (a name in XDG_RUNTIME_DIR or an absolute
    // socket path) and takes the seat and the protocols this program uses. False when there is
    // no compositor to reach or it offers no seat.
    bool Open();
    bool IsOpen() const { return display_ != nullptr; }

    // Whether the compositor offers the protocols (zwp_virtual_keyboard_manager_v1 and
    // zwlr_foreign_toplevel_manager_v1 from version 3 on).
    bool HasVirtualKeyboard() const { return keyboardManager_ != nullptr; }
    bool HasToplevelList() const { return toplevelName_ != 0; }

    // Whether the seat has a keyboard now (a physical one, or a virtual one of any client).
    bool SeatHasKeyboard() const { return seatKeyboard_; }

    wl_display* Display() const { return display_; }
    wl_seat* Seat() const { return seat_; }
    zwp_virtual_keyboard_manager_v1* KeyboardManager() const { return keyboardManager_; }
    // A toplevel manager of the caller's own (it stops and destroys it), null without the
    // protocol. The compositor announces every toplevel as soon as it is bound, so the caller
    // gives it its listener before anything next dispatches.
    zwlr_foreign_toplevel_manager_v1* BindToplevelManager();

    // Sends what is queued and waits until the compositor has handled it and its answers have
    // been processed. False once the connection has failed.
    bool Roundtrip();
    // Processes what the compositor has sent so far, without waiting for more. The program
    // calls it whenever Fd() is readable: the compositor drops a client that leaves its events
    // unread for long (window titles that keep changing fill the socket within hours).
    bool DispatchArrived();
    int Fd() const;
    // Waits up to timeoutMs for events and processes them; false on a failed connection.
    bool DispatchWithin(int timeoutMs);
    // Sends every queued request, waiting while the compositor is behind with reading; false
    // when it has not read for FlushLimitMs or the connection has failed.
    bool Flush();
    static constexpr int FlushLimitMs = 1000;

private:
    static void Global(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                       std::uint32_t version);
    static void GlobalRemove(void* data, wl_registry* registry, std::uint32_t name);
    static void SeatCapabilities(void* data, wl_seat* seat, std::uint32_t capabilities);
    static void SeatName(void* data, wl_seat* seat, const char* name);

    wl_display* display_ = nullptr;
    wl_registry* registry_ = nullptr;
    wl_seat* seat_ = nullptr;
    zwp_virtual_keyboard_manager_v1* keyboardManager_ = nullptr;
    std::uint32_t toplevelName_ = 0;
    std::uint32_t toplevelVersion_ = 0;
    bool seatKeyboard_ = false;
};
