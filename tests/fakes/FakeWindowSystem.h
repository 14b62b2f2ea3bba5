#pragma once

#include "platform/WindowSystem.h"

#include <algorithm>
#include <string>
#include <vector>

// A scripted desktop: windows in stacking order, topmost first. Restore, Activate and Raise
// change the scripted state as a window manager would, and every call that acts on a window is
// recorded in order.
class FakeWindowSystem : public WindowSystem {
public:
    struct Window {
        WindowId id = 0;
        std::u16string title;
        bool visible = true;
        bool minimised = false;
        bool exists = true; // false: closed after the list was taken
        bool own = false;
    };
    enum class Action { Restore, Activate, WaitForKeyboard, Raise, Post, Beep, AlwaysOnTop };
    struct Call {
        Action action;
        WindowId window = 0;
        // Post: the message's wParam; WaitForKeyboard: the limit in ms; AlwaysOnTop: 1 on, 0 off
        int wParam = 0;
        friend bool operator==(const Call&, const Call&) = default;
    };

    std::vector<Window> windows; // topmost first
    WindowId foreground = 0;
    std::vector<Call> calls;
    bool listsEveryWindow = true;
    bool ListsEveryWindow() override { return listsEveryWindow; }

    Window& Add(WindowId id, std::u16string title) {
        windows.push_back({id, std::move(title)});
        return windows.back();
    }
    Window* Find(WindowId id) {
        const auto it = std::find_if(windows.begin(), windows.end(),
                                     [id](const Window& w) { return w.id == id; });
        return it == windows.end() ? nullptr : &*it;
    }
    int Beeps() const {
        return static_cast<int>(std::count_if(
            calls.begin(), calls.end(), [](const Call& c) { return c.action == Action::Beep; }));
    }

    std::vector<WindowId> TopLevelWindows() override {
        std::vector<WindowId> ids;
        for (const Window& w : windows)
            ids.push_back(w.id);
        return ids;
    }
    bool IsWindow(WindowId id) override {
        const Window* w = Find(id);
        return w != nullptr && w->exists;
    }
    bool IsVisible(WindowId id) override { return IsWindow(id) && Find(id)->visible; }
    bool IsMinimised(WindowId id) override { return IsWindow(id) && Find(id)->minimised; }
    std::u16string Title(WindowId id) override {
        return IsWindow(id) ? Find(id)->title.substr(0, MaxTitleLength) : std::u16string();
    }
    void Restore(WindowId id) override {
        calls.push_back({Action::Restore, id});
        if (IsWindow(id))
            Find(id)->minimised = false;
    }
    void Activate(WindowId id) override {
        calls.push_back({Action::Activate, id});
        if (IsWindow(id)) {
            foreground = id;
            MoveToTop(id);
        }
    }
    bool WaitForKeyboard(WindowId id, int limitMs) override {
        calls.push_back({Action::WaitForKeyboard, id, limitMs});
        return IsWindow(id) && foreground == id;
    }
    void Raise(WindowId id) override {
        calls.push_back({Action::Raise, id});
        if (IsWindow(id))
            MoveToTop(id);
    }
    WindowId Foreground() override { return foreground; }
    bool IsOwnWindow(WindowId id) override { return IsWindow(id) && Find(id)->own; }
    void PostPortMessage(WindowId id, int wParam) override {
        calls.push_back({Action::Post, id, wParam});
    }
    void Beep() override { calls.push_back({Action::Beep}); }
    void SetAlwaysOnTop(WindowId id, bool on) override {
        calls.push_back({Action::AlwaysOnTop, id, on ? 1 : 0});
    }

private:
    void MoveToTop(WindowId id) {
        const auto it = std::find_if(windows.begin(), windows.end(),
                                     [id](const Window& w) { return w.id == id; });
        std::rotate(windows.begin(), it, it + 1);
    }
};
