#pragma once

#include "gui/DialogTemplate.h"

// Template 321: "Parsing".
namespace idc321 {
constexpr int Instructions = 1029;
constexpr int EopCR = 1681; // end of packet: carriage return, tab, either
constexpr int EopTab = 1682;
constexpr int EopEither = 1683;
constexpr int Prefix = 1025;
constexpr int Suffix = 1026;
constexpr int StampNone = 1677;
constexpr int StampTime = 1678;
constexpr int StampDateTime = 1679;
constexpr int TimePreview = 1688;
constexpr int DateTimePreview = 1687;
constexpr int CommasToTabs = 1676;
constexpr int CommasToCRs = 1684;
constexpr int CRsToTabs = 1680;
constexpr int Help = 1019;
constexpr int Ok = 1018;
constexpr int Cancel = 2;
} // namespace idc321

const DialogTemplate& ParsingTemplate();
