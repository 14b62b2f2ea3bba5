#include "resources/MenuResources.h"

#include "resources/CommandIds.h"

#include <map>

const std::vector<MenuResource>& MainMenu() {
    static const std::vector<MenuResource> menu{
        {"&File",
         {{"&New\tCtrl+N", cmd::FileNew},
          {"&Open...\tCtrl+O", cmd::FileOpen},
          {"&Save\tCtrl+S", cmd::FileSave},
          {"Save &As...", cmd::FileSaveAs},
          {nullptr, 0},
          {"Recent File", RecentFilePlaceholder},
          {nullptr, 0},
          {"E&xit", cmd::AppExit}}},
        {"&Setup",
         {{"&Parsing...", cmd::SetupParsing},
          {"&Available Serial Ports...", cmd::SetupSerialPorts},
          {"P&references...", cmd::SetupPreferences}}},
        {"&Targets",
         {{"Get Target &Application...", cmd::TargetApplication},
          {nullptr, 0},
          {"Get Target &File...", cmd::TargetFile},
          {"&Disable Target File", cmd::DisableTargetFile},
          {"&Clear Target File", cmd::ClearTargetFile},
          {"Clear File C&ounters", cmd::ClearFileCounters}}},
        {"T&est", {{"&Communications Test (Linescope)", cmd::CommTest}}},
        {"&Help",
         {{"&Help Topics...", cmd::HelpTopics},
          {"Tapline Brisk &User's Guide (PDF Document)", cmd::UsersGuide},
          {nullptr, 0},
          {"Orvane on the &Web", cmd::WebSite},
          {nullptr, 0},
          {"&About Tapline Brisk...", cmd::AppAbout}}},
    };
    return menu;
}

const MenuResource& TrayMenu() {
    static const MenuResource menu{"Sys_Tray_1",
                                   {{"&Show Tapline", cmd::ShowTapline}, {"E&xit", cmd::AppExit}}};
    return menu;
}

const std::vector<int>& MainToolbar() {
    static const std::vector<int> buttons{cmd::FileNew,     cmd::FileOpen, cmd::FileSave, 0,
                                          cmd::AlwaysOnTop, cmd::ClearData};
    return buttons;
}

const std::vector<Accelerator>& Accelerators() {
    static const std::vector<Accelerator> keys{
        {"Ctrl+N", cmd::FileNew},    {"Ctrl+O", cmd::FileOpen},        {"Ctrl+S", cmd::FileSave},
        {"Ctrl+Z", cmd::EditUndo},   {"Alt+Backspace", cmd::EditUndo}, {"Ctrl+X", cmd::EditCut},
        {"Shift+Del", cmd::EditCut}, {"Ctrl+C", cmd::EditCopy},        {"Ctrl+Ins", cmd::EditCopy},
        {"Ctrl+V", cmd::EditPaste},  {"Shift+Ins", cmd::EditPaste},    {"F6", cmd::NextPane},
        {"Shift+F6", cmd::PrevPane},
    };
    return keys;
}

const char* CommandPrompt(int id) {
    static const std::map<int, const char*> prompts{
        {cmd::FileNew, "Create a new configuration\nNew"},
        {cmd::FileOpen, "Open an existing configuration\nOpen"},
        {cmd::FileSave, "Save the active configuration\nSave"},
        {cmd::FileSaveAs, "Save the active configuration with a new name\nSave As"},
        {cmd::FileMru1, "Open this configuration"},
        {cmd::FileMru1 + 1, "Open this configuration"},
        {cmd::FileMru1 + 2, "Open this configuration"},
        {cmd::FileMru1 + 3, "Open this configuration"},
        {cmd::AppAbout, "Display program information, version number and copyright\nAbout"},
        {cmd::AppExit, "Quit the Tapline\nExit"},
        {cmd::AlwaysOnTop, "Keep Tapline on top\nAlways on top"},
        {cmd::TargetApplication, "Select the target application\nTarget application"},
        {cmd::TargetFile, "Select the target disk file\nTarget file"},
        {cmd::SetupSerialPorts, "Identify available serial ports\nSerial ports"},
        {cmd::SetupPreferences, "Configure preferences\nPreferences"},
        {cmd::SetupParsing, "Set up data parsing\nParsing"},
        {cmd::ClearTargetFile, "Clear the target disk file\nClear target file"},
        {cmd::CommTest, "Run the serial communications test program\nLinescope"},
        {cmd::WebSite, "Go to the Orvane web page\nOrvane web"},
        {cmd::HelpTopics, "Show the help topics\nHelp topics"},
        {cmd::ClearData, "Clear the input and output data\nClear"},
        {cmd::DisableTargetFile, "Disable the target disk file\nDisable target file"},
        {cmd::ClearFileCounters, "Clear counters for packets saved & failed\nClear file counters"},
        {cmd::ShowTapline, "Show Tapline\nShow Tapline"},
        {cmd::UsersGuide, "Tapline Brisk User's Guide (requires a PDF reader)"},
    };
    const auto it = prompts.find(id);
    return it == prompts.end() ? nullptr : it->second;
}
