#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

// Frees what xcb hands out (replies, errors, events).
struct XcbFree {
    void operator()(void* data) const { std::free(data); }
};
template <class T> using XcbReply = std::unique_ptr<T, XcbFree>;

// An xcb connection of our own, closed with its owner.
struct XcbDisconnect {
    void operator()(xcb_connection_t* connection) const { xcb_disconnect(connection); }
};
using XcbConnection = std::unique_ptr<xcb_connection_t, XcbDisconnect>;

// One window property, asked for when made and answered when first looked at: requests made
// one after the other share one round trip. Valid only when the property exists with the
// expected type and format, so that its data can be trusted.
class XcbProperty {
public:
    // maxUnits: how many 32-bit units to read at most. type XCB_ATOM_ANY with format 0 asks
    // only whether the window is there.
    XcbProperty(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t property,
                xcb_atom_t type, int format, std::uint32_t maxUnits);
    // A reply never looked at is dropped, not left with the connection.
    ~XcbProperty();
    XcbProperty(const XcbProperty&) = delete;
    XcbProperty& operator=(const XcbProperty&) = delete;

    // False when the window was not there (or the request failed otherwise).
    bool WindowExists() { return Take(), answered_; }
    bool Valid() { return Take(), valid_; }
    std::size_t Count() { return Take(), count_; }
    std::uint32_t Item(std::size_t i) {
        return Take(), static_cast<const std::uint32_t*>(xcb_get_property_value(reply_.get()))[i];
    }
    std::string Bytes();

private:
    void Take();

    xcb_connection_t* connection_;
    xcb_get_property_cookie_t cookie_{};
    xcb_atom_t type_;
    int format_;
    bool asked_ = false, taken_ = false, answered_ = false, valid_ = false;
    std::size_t count_ = 0;
    XcbReply<xcb_get_property_reply_t> reply_;
};
