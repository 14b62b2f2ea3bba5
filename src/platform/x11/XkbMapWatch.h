#pragma once

#include "platform/x11/XProperty.h"

#include <X11/XKBlib.h>

#include <chrono>

// Tells when the server's keyboard map changes (a layout loaded by setxkbmap or the desktop, a
// keycode remapped), so that a map read once serves every batch until then. The notices come on
// a connection of the watch's own: the program's connection belongs to the toolkit, which
// takes every event that arrives on it. The keystrokes can go out on the same connection.
class XkbMapWatch {
public:
    // Opens the watch's connection to the same server as display; Ok() is false when that fails.
    explicit XkbMapWatch(Display* display);
    bool Ok() const { return connection_ != nullptr; }
    Display* Connection() const { return connection_.get(); }

    // Sends the request of the next ReadState now, so that its answer comes while the caller
    // does other things; ReadState takes it if it is called within StateFreshMs, else it asks
    // anew. A request still unanswered is dropped first.
    void AskState();
    // Reads the keyboard state (one round trip, unless AskState came just before). Every notice
    // the server sent before its reply has arrived by then, so the answer about the map is
    // certain, not a matter of timing: true in mapChanged when the map changed since the last
    // call, or it has not been read yet.
    bool ReadState(XkbStateRec& state, bool& mapChanged);

    static constexpr int StateFreshMs = 20;

private:
    XDisplayConnection connection_;
    int eventBase_ = 0;
    bool changed_ = true;
    bool asked_ = false;
    unsigned askedSequence_ = 0;
    std::chrono::steady_clock::time_point askedAt_;
};
