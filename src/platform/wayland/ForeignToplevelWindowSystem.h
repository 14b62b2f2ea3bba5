#pragma once

#include "platform/WindowSystem.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

class WaylandConnection;
struct zwlr_foreign_toplevel_handle_v1;
struct zwlr_foreign_toplevel_manager_v1;

// The desktop's windows as the wlroots toplevel list (zwlr_foreign_toplevel_manager_v1) tells
// them, on the program's own Wayland connection. Wayland windows and XWayland windows alike are
// listed, the program's own included.
//
// A window's id is a number given to its toplevel when the compositor announces it, never given
// again: a window that has closed answers false, empty or nothing. The protocol tells no
// stacking order, so the list runs from the window that has the keyboard, then the others by
// when they last had it or appeared, latest first: on a desktop where the window last used is
// the one on top, that is the stacking order. Every call first takes the events the compositor
// has sent, and the list and Foreground ask it for the latest state, so the answers are current.
//
// Raise does nothing: the protocol can only activate a window, which would take the keyboard
// from the window that has it. Port messages and keeping a window on top are X11 matters and do
// nothing here.
class ForeignToplevelWindowSystem : public WindowSystem {
public:
    // The program's own windows are told by their title and app id.
    using OwnWindowTest =
        std::function<bool(const std::u16string& title, const std::string& appId)>;

    // connection must be open and outlive the window system; without the protocol the list is
    // empty.
    ForeignToplevelWindowSystem(WaylandConnection& connection, OwnWindowTest isOwnWindow,
                                std::function<void()> beep);
    ~ForeignToplevelWindowSystem() override;
    ForeignToplevelWindowSystem(const ForeignToplevelWindowSystem&) = delete;
    ForeignToplevelWindowSystem& operator=(const ForeignToplevelWindowSystem&) = delete;

    bool Available() const { return manager_ != nullptr; }

    std::vector<WindowId> TopLevelWindows() override;
    bool IsWindow(WindowId window) override;
    bool IsVisible(WindowId window) override;
    bool IsMinimised(WindowId window) override;
    std::u16string Title(WindowId window) override;
    void Restore(WindowId window) override;
    void Activate(WindowId window) override;
    bool WaitForKeyboard(WindowId window, int limitMs) override;
    void Raise(WindowId window) override;
    WindowId Foreground() override;
    bool IsOwnWindow(WindowId window) override;
    void PostPortMessage(WindowId window, int wParam) override;
    void Beep() override;
    void SetAlwaysOnTop(WindowId window, bool on) override;

    // One toplevel as the compositor last described it (its "done" applies what came before).
    struct Toplevel {
        ForeignToplevelWindowSystem* owner = nullptr;
        zwlr_foreign_toplevel_handle_v1* handle = nullptr;
        WindowId id = 0;
        std::u16string title, pendingTitle;
        std::string appId, pendingAppId;
        bool minimised = false, activated = false;
        bool pendingMinimised = false, pendingActivated = false;
        std::uint64_t lastUsed = 0; // when it appeared or last got the keyboard
    };

private:
    static void OnToplevel(void* data, zwlr_foreign_toplevel_manager_v1* manager,
                           zwlr_foreign_toplevel_handle_v1* handle);
    static void OnFinished(void* data, zwlr_foreign_toplevel_manager_v1* manager);
    void Closed(Toplevel& toplevel);
    friend struct ToplevelEvents;

    Toplevel* Find(WindowId window);
    // Takes the events that have come; fresh: asks the compositor for everything up to now.
    void Update(bool fresh);

    WaylandConnection& connection_;
    OwnWindowTest isOwnWindow_;
    std::function<void()> beep_;
    zwlr_foreign_toplevel_manager_v1* manager_ = nullptr;
    std::map<WindowId, std::unique_ptr<Toplevel>> toplevels_;
    WindowId nextId_ = 1;
    std::uint64_t clock_ = 0;
};
