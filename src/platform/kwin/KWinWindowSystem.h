#pragma once

#include "platform/WindowSystem.h"

#include <QDBusConnection>
#include <QString>
#include <QTemporaryDir>
#include <QThread>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

class KWinReportReceiver;

// The desktop's windows on a KDE Plasma Wayland session, where KWin offers ordinary clients no
// window list: small KWin scripts, loaded over D-Bus for each call and unloaded after it, read
// or change the window state and report back to an object of ours on the session bus. The
// answers about one window (title, minimised, visible) come from the latest listing while it is
// young, so that a search through the list costs one script, not one per question.
class KWinWindowSystem : public WindowSystem {
public:
    // isOwnTitle tells the program's own windows apart by their titles, beep sounds the desktop's
    // beep; either may be empty.
    KWinWindowSystem(std::function<bool(const std::u16string& title)> isOwnTitle,
                     std::function<void()> beep);
    ~KWinWindowSystem() override;
    KWinWindowSystem(const KWinWindowSystem&) = delete;
    KWinWindowSystem& operator=(const KWinWindowSystem&) = delete;

    // KWin's scripting interface is on the session bus.
    static bool Available();

    std::vector<WindowId> TopLevelWindows() override;
    bool IsWindow(WindowId window) override;
    bool IsVisible(WindowId window) override;
    bool IsMinimised(WindowId window) override;
    std::u16string Title(WindowId window) override;
    void Restore(WindowId window) override;
    void Activate(WindowId window) override;
    bool WaitForKeyboard(WindowId window, int limitMs) override;
    // Takes the keyboard too: see the definition.
    void Raise(WindowId window) override;
    WindowId Foreground() override;
    bool IsOwnWindow(WindowId window) override;
    // The communications test program's messages and the always-on-top hint are X11 features.
    void PostPortMessage(WindowId, int) override {}
    void Beep() override;
    void SetAlwaysOnTop(WindowId, bool) override {}

    // How long a listing answers questions about single windows.
    static constexpr std::chrono::milliseconds ListingLifetime{250};

private:
    struct Entry {
        WindowId id = 0;
        QString uuid; // KWin's internalId
        std::u16string title;
        bool minimised = false;
        bool shown = false; // on the current desktop
        bool active = false;
    };

    // Lists the windows afresh, after running the JavaScript before (if any) in the same script;
    // false (and an empty list) when KWin did not answer.
    bool Refresh(const QString& before = {});
    // The listing entry of the window, listing afresh when the last listing is old.
    const Entry* Find(WindowId window);
    // The entry in the last listing, however old.
    const Entry* Listed(WindowId window) const;
    bool Fresh() const;
    // Runs body (JavaScript that ends by calling report(text)) inside KWin; the reported text,
    // or nothing when KWin did not run it or did not report in time.
    std::optional<QString> RunScript(const QString& body);
    // Runs body with w bound to the window (if KWin still has it), then lists the windows.
    void RunOnWindow(WindowId window, const QString& body);
    bool Call(const QString& path, const QString& interface, const QString& method,
              const QVariantList& arguments, QVariant* answer = nullptr);

    std::function<bool(const std::u16string&)> isOwnTitle_;
    std::function<void()> beep_;
    QString connectionName_;
    QDBusConnection connection_;
    QTemporaryDir scripts_;
    QThread thread_;
    std::unique_ptr<KWinReportReceiver> receiver_;
    unsigned long long calls_ = 0;
    // Window ids are never reused: KWin's internalId to ours.
    std::map<QString, WindowId> ids_;
    WindowId lastId_ = 0;
    std::vector<Entry> listing_; // topmost first
    std::chrono::steady_clock::time_point listedAt_{};
    bool listed_ = false;
};
