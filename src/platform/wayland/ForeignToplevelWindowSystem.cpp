#include "platform/wayland/ForeignToplevelWindowSystem.h"

#include "platform/wayland/WaylandConnection.h"
#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <algorithm>
#include <chrono>

namespace {

using Toplevel = ForeignToplevelWindowSystem::Toplevel;

// UTF-8 as the compositor sends titles, cut to the length every window system gives; a
// malformed sequence becomes U+FFFD, and a cut never splits a surrogate pair.
std::u16string CutTitle(const char* utf8) {
    std::u16string out;
    const auto* p = reinterpret_cast<const unsigned char*>(utf8);
    while (*p != 0 && out.size() < WindowSystem::MaxTitleLength) {
        char32_t c = *p;
        int extra = c < 0x80           ? 0
                    : (c >> 5) == 0x6  ? 1
                    : (c >> 4) == 0xE  ? 2
                    : (c >> 3) == 0x1E ? 3
                                       : -1;
        ++p;
        if (extra < 0) {
            out.push_back(u'\uFFFD');
            continue;
        }
        c &= extra == 0 ? 0x7F : (0x3F >> extra);
        int got = 0;
        while (got < extra && (*p & 0xC0) == 0x80) {
            c = (c << 6) | (*p & 0x3F);
            ++p;
            ++got;
        }
        static constexpr char32_t least[] = {0, 0x80, 0x800, 0x10000};
        if (got < extra || c < least[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            out.push_back(u'\uFFFD');
        } else if (c >= 0x10000) {
            if (out.size() + 2 > WindowSystem::MaxTitleLength)
                break;
            c -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
    }
    return out;
}

} // namespace

// The handle's events, applied to the toplevel it belongs to.
struct ToplevelEvents {
    static Toplevel& Of(void* data) { return *static_cast<Toplevel*>(data); }

    static void Title(void* data, zwlr_foreign_toplevel_handle_v1*, const char* title) {
        Of(data).pendingTitle = CutTitle(title);
    }
    static void AppId(void* data, zwlr_foreign_toplevel_handle_v1*, const char* appId) {
        Of(data).pendingAppId = appId;
    }
    static void OutputEnter(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}
    static void OutputLeave(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}
    static void State(void* data, zwlr_foreign_toplevel_handle_v1*, wl_array* states) {
        Toplevel& t = Of(data);
        t.pendingMinimised = t.pendingActivated = false;
        const auto* state = static_cast<const std::uint32_t*>(states->data);
        for (std::size_t i = 0; i < states->size / sizeof(std::uint32_t); ++i) {
            if (state[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_MINIMIZED)
                t.pendingMinimised = true;
            else if (state[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED)
                t.pendingActivated = true;
        }
    }
    static void Done(void* data, zwlr_foreign_toplevel_handle_v1*) {
        Toplevel& t = Of(data);
        if (t.pendingActivated && !t.activated)
            t.lastUsed = ++t.owner->clock_;
        t.title = t.pendingTitle;
        t.appId = t.pendingAppId;
        t.minimised = t.pendingMinimised;
        t.activated = t.pendingActivated;
    }
    static void Closed(void* data, zwlr_foreign_toplevel_handle_v1*) {
        Toplevel& t = Of(data);
        t.owner->Closed(t);
    }
    static void Parent(void*, zwlr_foreign_toplevel_handle_v1*, zwlr_foreign_toplevel_handle_v1*) {}

    static constexpr zwlr_foreign_toplevel_handle_v1_listener listener = {
        &Title, &AppId, &OutputEnter, &OutputLeave, &State, &Done, &Closed, &Parent};
};

ForeignToplevelWindowSystem::ForeignToplevelWindowSystem(WaylandConnection& connection,
                                                         OwnWindowTest isOwnWindow,
                                                         std::function<void()> beep)
    : connection_(connection), isOwnWindow_(std::move(isOwnWindow)), beep_(std::move(beep)) {
    if (!connection_.IsOpen())
        return;
    manager_ = connection_.BindToplevelManager();
    if (manager_ == nullptr)
        return;
    static const zwlr_foreign_toplevel_manager_v1_listener listener = {&OnToplevel, &OnFinished};
    zwlr_foreign_toplevel_manager_v1_add_listener(manager_, &listener, this);
    // The toplevels there now, and what they are.
    Update(true);
}

ForeignToplevelWindowSystem::~ForeignToplevelWindowSystem() {
    for (auto& [id, toplevel] : toplevels_)
        zwlr_foreign_toplevel_handle_v1_destroy(toplevel->handle);
    toplevels_.clear();
    if (manager_ != nullptr) {
        // Events still on their way for it are dropped from here on.
        zwlr_foreign_toplevel_manager_v1_stop(manager_);
        zwlr_foreign_toplevel_manager_v1_destroy(manager_);
        connection_.Flush();
    }
}

void ForeignToplevelWindowSystem::OnToplevel(void* data, zwlr_foreign_toplevel_manager_v1*,
                                             zwlr_foreign_toplevel_handle_v1* handle) {
    auto* self = static_cast<ForeignToplevelWindowSystem*>(data);
    auto toplevel = std::make_unique<Toplevel>();
    toplevel->owner = self;
    toplevel->handle = handle;
    toplevel->id = self->nextId_++;
    toplevel->lastUsed = ++self->clock_;
    zwlr_foreign_toplevel_handle_v1_add_listener(handle, &ToplevelEvents::listener, toplevel.get());
    self->toplevels_.emplace(toplevel->id, std::move(toplevel));
}

void ForeignToplevelWindowSystem::OnFinished(void* data, zwlr_foreign_toplevel_manager_v1*) {
    // The compositor lists no more toplevels (it is going away); the handles close themselves.
    auto* self = static_cast<ForeignToplevelWindowSystem*>(data);
    zwlr_foreign_toplevel_manager_v1_destroy(self->manager_);
    self->manager_ = nullptr;
}

void ForeignToplevelWindowSystem::Closed(Toplevel& toplevel) {
    zwlr_foreign_toplevel_handle_v1_destroy(toplevel.handle);
    toplevels_.erase(toplevel.id); // toplevel is gone from here on
}

void ForeignToplevelWindowSystem::Update(bool fresh) {
    if (fresh)
        connection_.Roundtrip();
    else
        connection_.DispatchArrived();
}

Toplevel* ForeignToplevelWindowSystem::Find(WindowId window) {
    Update(false);
    const auto found = toplevels_.find(window);
    return found == toplevels_.end() ? nullptr : found->second.get();
}

std::vector<WindowId> ForeignToplevelWindowSystem::TopLevelWindows() {
    Update(true);
    std::vector<const Toplevel*> order;
    order.reserve(toplevels_.size());
    for (const auto& [id, toplevel] : toplevels_)
        order.push_back(toplevel.get());
    std::sort(order.begin(), order.end(), [](const Toplevel* a, const Toplevel* b) {
        if (a->activated != b->activated)
            return a->activated;
        return a->lastUsed > b->lastUsed;
    });
    std::vector<WindowId> ids;
    ids.reserve(order.size());
    for (const Toplevel* toplevel : order)
        ids.push_back(toplevel->id);
    return ids;
}

bool ForeignToplevelWindowSystem::IsWindow(WindowId window) {
    return Find(window) != nullptr;
}

bool ForeignToplevelWindowSystem::IsVisible(WindowId window) {
    // The list holds mapped toplevels only; a minimised one counts as shown.
    return Find(window) != nullptr;
}

bool ForeignToplevelWindowSystem::IsMinimised(WindowId window) {
    const Toplevel* toplevel = Find(window);
    return toplevel != nullptr && toplevel->minimised;
}

std::u16string ForeignToplevelWindowSystem::Title(WindowId window) {
    const Toplevel* toplevel = Find(window);
    return toplevel != nullptr ? toplevel->title : std::u16string();
}

void ForeignToplevelWindowSystem::Restore(WindowId window) {
    if (const Toplevel* toplevel = Find(window)) {
        zwlr_foreign_toplevel_handle_v1_unset_minimized(toplevel->handle);
        connection_.Flush();
    }
}

void ForeignToplevelWindowSystem::Activate(WindowId window) {
    if (const Toplevel* toplevel = Find(window)) {
        zwlr_foreign_toplevel_handle_v1_activate(toplevel->handle, connection_.Seat());
        connection_.Flush();
    }
}

bool ForeignToplevelWindowSystem::WaitForKeyboard(WindowId window, int limitMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    Update(true);
    for (;;) {
        const auto found = toplevels_.find(window);
        if (found == toplevels_.end())
            return false;
        if (found->second->activated)
            return true;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !connection_.DispatchWithin(static_cast<int>(left.count()) + 1))
            return false;
    }
}

void ForeignToplevelWindowSystem::Raise(WindowId) {}

WindowId ForeignToplevelWindowSystem::Foreground() {
    Update(true);
    for (const auto& [id, toplevel] : toplevels_) {
        if (toplevel->activated)
            return id;
    }
    return 0;
}

bool ForeignToplevelWindowSystem::IsOwnWindow(WindowId window) {
    const Toplevel* toplevel = Find(window);
    return toplevel != nullptr && isOwnWindow_ && isOwnWindow_(toplevel->title, toplevel->appId);
}

void ForeignToplevelWindowSystem::PostPortMessage(WindowId, int) {}

void ForeignToplevelWindowSystem::Beep() {
    if (beep_)
        beep_();
}

void ForeignToplevelWindowSystem::SetAlwaysOnTop(WindowId, bool) {}
