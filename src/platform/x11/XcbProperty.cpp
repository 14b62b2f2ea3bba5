#include "platform/x11/XcbProperty.h"

XcbProperty::XcbProperty(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t property,
                         xcb_atom_t type, int format, std::uint32_t maxUnits)
    : connection_(connection), type_(type), format_(format) {
    if (connection_ == nullptr || window == XCB_WINDOW_NONE)
        return;
    cookie_ = xcb_get_property(connection_, 0, window, property, type, 0, maxUnits);
    asked_ = true;
}

XcbProperty::~XcbProperty() {
    if (asked_ && !taken_)
        xcb_discard_reply(connection_, cookie_.sequence);
}

void XcbProperty::Take() {
    if (taken_ || !asked_)
        return;
    taken_ = true;
    xcb_generic_error_t* error = nullptr;
    reply_.reset(xcb_get_property_reply(connection_, cookie_, &error));
    const XcbReply<xcb_generic_error_t> ownedError(error);
    if (!reply_)
        return;
    answered_ = true;
    if (format_ == 0)
        return;
    valid_ = reply_->type == type_ && reply_->format == format_;
    if (valid_)
        count_ = static_cast<std::size_t>(xcb_get_property_value_length(reply_.get())) /
                 static_cast<std::size_t>(format_ / 8);
}

std::string XcbProperty::Bytes() {
    if (!Valid())
        return {};
    return std::string(static_cast<const char*>(xcb_get_property_value(reply_.get())), count_);
}
