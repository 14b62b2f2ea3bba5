#include "platform/wayland/WaylandConnection.h"

#include "virtual-keyboard-unstable-v1-client-protocol.h"
#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <poll.h>

namespace {

// The version this program was written for; later ones are taken as this one.
constexpr std::uint32_t ToplevelVersion = 3;

} // namespace

WaylandConnection::~WaylandConnection() {
    if (display_ == nullptr)
        return;
    if (keyboardManager_ != nullptr)
        zwp_virtual_keyboard_manager_v1_destroy(keyboardManager_);
    if (seat_ != nullptr) {
        if (wl_seat_get_version(seat_) >= WL_SEAT_RELEASE_SINCE_VERSION)
            wl_seat_release(seat_);
        else
            wl_seat_destroy(seat_);
    }
    if (registry_ != nullptr)
        wl_registry_destroy(registry_);
    wl_display_flush(display_);
    wl_display_disconnect(display_);
}

bool WaylandConnection::Open() {
    if (display_ != nullptr)
        return seat_ != nullptr;
    display_ = wl_display_connect(nullptr);
    if (display_ == nullptr)
        return false;
    static const wl_registry_listener listener = {&WaylandConnection::Global,
                                                  &WaylandConnection::GlobalRemove};
    registry_ = wl_display_get_registry(display_);
    wl_registry_add_listener(registry_, &listener, this);
    // The globals, then the seat's first capabilities.
    return wl_display_roundtrip(display_) >= 0 && seat_ != nullptr &&
           wl_display_roundtrip(display_) >= 0;
}

void WaylandConnection::Global(void* data, wl_registry* registry, std::uint32_t name,
                               const char* interface, std::uint32_t version) {
    auto* self = static_cast<WaylandConnection*>(data);
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && self->seat_ == nullptr) {
        // The first seat: desktops with more than one are for several operators at one machine.
        self->seat_ = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface,
                                                             std::min<std::uint32_t>(version, 5)));
        static const wl_seat_listener seatListener = {&WaylandConnection::SeatCapabilities,
                                                      &WaylandConnection::SeatName};
        wl_seat_add_listener(self->seat_, &seatListener, self);
    } else if (std::strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name) == 0 &&
               self->keyboardManager_ == nullptr) {
        self->keyboardManager_ = static_cast<zwp_virtual_keyboard_manager_v1*>(
            wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
    } else if (std::strcmp(interface, zwlr_foreign_toplevel_manager_v1_interface.name) == 0 &&
               version >= ToplevelVersion && self->toplevelName_ == 0) {
        self->toplevelName_ = name;
        self->toplevelVersion_ = std::min(version, ToplevelVersion);
    }
}

void WaylandConnection::GlobalRemove(void*, wl_registry*, std::uint32_t) {
    // Seats and managers stay for the compositor's life; an output or seat that goes later
    // makes the requests that name it fail harmlessly.
}

void WaylandConnection::SeatCapabilities(void* data, wl_seat*, std::uint32_t capabilities) {
    static_cast<WaylandConnection*>(data)->seatKeyboard_ =
        (capabilities & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
}

void WaylandConnection::SeatName(void*, wl_seat*, const char*) {}

zwlr_foreign_toplevel_manager_v1* WaylandConnection::BindToplevelManager() {
    if (toplevelName_ == 0)
        return nullptr;
    return static_cast<zwlr_foreign_toplevel_manager_v1*>(wl_registry_bind(
        registry_, toplevelName_, &zwlr_foreign_toplevel_manager_v1_interface, toplevelVersion_));
}

bool WaylandConnection::Roundtrip() {
    return display_ != nullptr && wl_display_roundtrip(display_) >= 0;
}

bool WaylandConnection::Flush() {
    if (display_ == nullptr)
        return false;
    // libwayland buffers only a few kilobytes of requests and gives up the connection when a
    // request finds the buffer full and the socket too: a long batch waits for the compositor
    // to read instead.
    while (wl_display_flush(display_) < 0) {
        if (errno != EAGAIN)
            return false;
        pollfd writable{wl_display_get_fd(display_), POLLOUT, 0};
        if (poll(&writable, 1, FlushLimitMs) <= 0 && errno != EINTR)
            return false;
    }
    return true;
}

int WaylandConnection::Fd() const {
    return display_ != nullptr ? wl_display_get_fd(display_) : -1;
}

bool WaylandConnection::DispatchArrived() {
    return DispatchWithin(0);
}

bool WaylandConnection::DispatchWithin(int timeoutMs) {
    if (display_ == nullptr)
        return false;
    // Events already read but not yet handled come first; prepare_read refuses until they are.
    while (wl_display_prepare_read(display_) != 0) {
        if (wl_display_dispatch_pending(display_) < 0)
            return false;
    }
    wl_display_flush(display_);
    pollfd readable{wl_display_get_fd(display_), POLLIN, 0};
    int ready = 0;
    do
        ready = poll(&readable, 1, timeoutMs);
    while (ready < 0 && errno == EINTR);
    if (ready <= 0) {
        wl_display_cancel_read(display_);
        return ready == 0;
    }
    if (wl_display_read_events(display_) < 0)
        return false;
    return wl_display_dispatch_pending(display_) >= 0;
}
