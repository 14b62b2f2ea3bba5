#pragma once

#include "platform/WindowSystem.h"

#include <string>

// The first listed window with exactly this title, or 0.
inline WindowId WindowTitled(WindowSystem& windows, const std::u16string& title) {
    for (const WindowId id : windows.TopLevelWindows())
        if (windows.Title(id) == title)
            return id;
    return 0;
}
