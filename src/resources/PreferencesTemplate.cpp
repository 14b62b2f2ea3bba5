#include "resources/PreferencesTemplate.h"

const DialogTemplate& PreferencesTemplate() {
    using K = ControlKind;
    using namespace idc318;
    static const DialogTemplate layout{
        318,
        "Preferences",
        322,
        134,
        {
            {1471, K::GroupBox, "Date format: ", 8, 4, 92, 76},
            {MonthDayYear, K::RadioButton, "&Month-Day-Year", 16, 16, 76, 10, StyleGroup},
            {DayMonthYear, K::RadioButton, "Day-Month-Y&ear", 16, 28, 76, 10},
            {1458, K::EtchedLine, "", 16, 44, 76, 1},
            {DashSeparator, K::RadioButton, "- &Separator", 16, 52, 70, 10, StyleGroup},
            {SlashSeparator, K::RadioButton, "/ Se&parator", 16, 64, 70, 10},
            {1472, K::GroupBox, "Time format: ", 8, 88, 92, 40},
            {Clock12, K::RadioButton, "&12 Hour clock", 16, 100, 70, 10, StyleGroup},
            {Clock24, K::RadioButton, "&24 Hour clock", 16, 112, 70, 10},
            {1473, K::GroupBox, "Set at file open:", 112, 4, 96, 124},
            {AppActive, K::RadioButton, "Send to app &active", 120, 16, 77, 10, StyleGroup},
            {AppInactive, K::RadioButton, "Send to app &inactive", 120, 28, 82, 10},
            {AppDisabled, K::RadioButton, "Send to app &disabled", 120, 40, 85, 10},
            {1190, K::EtchedLine, "", 120, 56, 80, 1},
            {WriteToFile, K::CheckBox, "&Write to file", 120, 64, 64, 10},
            {SerialPort, K::CheckBox, "Se&rial port", 120, 76, 64, 10},
            {RunMinimized, K::CheckBox, "R&un minimized", 120, 88, 64, 10},
            {0, K::GroupBox, "Program icon: ", 220, 4, 92, 40},
            {Taskbar, K::RadioButton, "&Taskbar", 228, 16, 48, 10, StyleGroup},
            {SystemTray, K::RadioButton, "S&ystem tray", 228, 28, 60, 10},
            {Help, K::PushButton, "&Help", 238, 74, 48, 14},
            {Ok, K::PushButton, "&OK", 238, 94, 48, 14},
            {Cancel, K::PushButton, "&Cancel", 238, 114, 48, 14},
        }};
    return layout;
}
