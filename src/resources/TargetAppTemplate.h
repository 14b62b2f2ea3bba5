#pragma once

#include "gui/DialogTemplate.h"

// Template 319: "Get Target Application".
namespace idc319 {
constexpr int FocusRadio = 2001;    // "Use application with current input focus"
constexpr int SpecificRadio = 2002; // "Use specific application"
constexpr int DisableRadio = 2003;  // "Disable keyboard transfer"
constexpr int AppList = 1125;
constexpr int Hint = 1016;
constexpr int EditLabel = 1015;
constexpr int AppEdit = 1009;
constexpr int ShowApp = 1126;
constexpr int Help = 1024;
constexpr int Ok = 1013;
constexpr int Cancel = 2;
} // namespace idc319

const DialogTemplate& TargetAppTemplate();
