#pragma once

#include "gui/DialogTemplate.h"

// Template 318: "Preferences".
namespace idc318 {
constexpr int MonthDayYear = 1022;
constexpr int DayMonthYear = 1023;
constexpr int DashSeparator = 1158;
constexpr int SlashSeparator = 1159;
constexpr int Clock12 = 1156;
constexpr int Clock24 = 1157;
constexpr int AppActive = 1019;
constexpr int AppInactive = 1020;
constexpr int AppDisabled = 1021;
constexpr int WriteToFile = 1283;
constexpr int SerialPort = 1604;
constexpr int RunMinimized = 1317;
constexpr int Taskbar = 1636;
constexpr int SystemTray = 1637;
constexpr int Help = 1287;
constexpr int Ok = 1018;
constexpr int Cancel = 2;
} // namespace idc318

const DialogTemplate& PreferencesTemplate();
