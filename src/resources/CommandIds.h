#pragma once

// Command identifiers of menus, toolbar, accelerators and the tray menu.
namespace cmd {
constexpr int FileNew = 57600;
constexpr int FileOpen = 57601;
constexpr int FileSave = 57603;
constexpr int FileSaveAs = 57604;
constexpr int FileMru1 = 57616; // to FileMru1 + 3
constexpr int EditCopy = 57634;
constexpr int EditCut = 57635;
constexpr int EditPaste = 57637;
constexpr int EditUndo = 57643;
constexpr int AppAbout = 57664;
constexpr int AppExit = 57665;
constexpr int Help = 57670;
constexpr int DefaultHelp = 57671;
constexpr int NextPane = 57680;
constexpr int PrevPane = 57681;

constexpr int AlwaysOnTop = 32772;
constexpr int TargetApplication = 32775;
constexpr int TargetFile = 32779;
constexpr int SetupSerialPorts = 32782;
constexpr int SetupPreferences = 32791;
constexpr int SetupParsing = 32792;
constexpr int ClearTargetFile = 32799;
constexpr int CommTest = 32801;
constexpr int WebSite = 32803;
constexpr int HelpTopics = 32805;
constexpr int ClearData = 32809;
constexpr int DisableTargetFile = 32810;
constexpr int ClearFileCounters = 32814;
constexpr int ShowTapline = 32815;
constexpr int UsersGuide = 32818;
} // namespace cmd

// Help topics by context number.
namespace help {
constexpr int SerialPorts = 100;
constexpr int TargetApplication = 105;
constexpr int Main = 108;
constexpr int Parsing = 109;
constexpr int Preferences = 110;
} // namespace help
