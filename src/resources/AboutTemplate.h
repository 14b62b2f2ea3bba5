#pragma once

#include "gui/DialogTemplate.h"

// Template 100: "About Tapline Brisk".
namespace idc100 {
constexpr int Icon = 1100; // the program icon; the template gives it no id of its own
constexpr int Title = 1013;
constexpr int Subtitle = 1018;
constexpr int Version = 1014;
constexpr int Released = 1015;
constexpr int Notice = 1016;
constexpr int Products = 1017;
constexpr int WebLink = 1081;
constexpr int SalesLink = 1082;
constexpr int SupportLink = 1083;
constexpr int Ok = 1;
} // namespace idc100

const DialogTemplate& AboutTemplate();
