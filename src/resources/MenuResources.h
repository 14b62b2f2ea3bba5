#pragma once

#include <vector>

// Menus, toolbar, accelerators and command prompts, as tables.
struct MenuItem {
    const char* text; // "&" marks the access key, "\t" separates the key name
    int id;           // 0 for a separator
};

struct MenuResource {
    const char* title;
    std::vector<MenuItem> items;
};

struct Accelerator {
    const char* keys; // as QKeySequence reads it
    int id;
};

// Menu 128: the main menu. The recent-file list goes where RecentFilePlaceholder stands.
constexpr int RecentFilePlaceholder = 57616;
const std::vector<MenuResource>& MainMenu();
// Menu 324: the tray icon's menu.
const MenuResource& TrayMenu();
// Toolbar 128: command ids, 0 for a separator.
const std::vector<int>& MainToolbar();
// Accelerators 128.
const std::vector<Accelerator>& Accelerators();
// The status-bar prompt of a command ("prompt\ntool tip"), or nullptr.
const char* CommandPrompt(int id);
