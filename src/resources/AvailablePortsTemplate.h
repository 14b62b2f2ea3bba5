#pragma once

#include "gui/DialogTemplate.h"

// Template 317: "Available Serial Ports".
namespace idc317 {
constexpr int PortList = 1315;
constexpr int Instructions = 1029;
constexpr int SelectAll = 1209;
constexpr int ClearAll = 1297;
constexpr int Ok = 1032;
constexpr int Cancel = 2;
} // namespace idc317

const DialogTemplate& AvailablePortsTemplate();
