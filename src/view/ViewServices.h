#pragma once

class SettingsStore;
class MessageBoxService;
class NoticeService;
class SerialPortDiscovery;
class KeyboardInjector;
class WindowSystem;
class ProcessLauncher;
class FileDialogs;

// The operating-system services the main view's machinery uses, chosen once at start-up.
struct ViewServices {
    SettingsStore& settings;
    MessageBoxService& messages;
    SerialPortDiscovery& discovery;
    KeyboardInjector& keyboard;
    WindowSystem& windows;
    ProcessLauncher& processes;
    FileDialogs& dialogs;
    NoticeService& notices;
};
