#pragma once

// Control identifiers of the main view's form (template 101). Shared by the core code that fills
// the fields and by the form built from the template.
namespace ctl {
constexpr int SendToAppSwitch = 1000;  // "Send to App via Keyboard"
constexpr int SendToFileSwitch = 1001; // "Send to Disk File"
constexpr int SerialSwitch = 1002;     // "Enable Serial Port"
constexpr int InputPacket = 1003;
constexpr int SerialLed = 1004;
constexpr int KeyboardLed = 1005;
constexpr int FileLed = 1006;
constexpr int OutputPacket = 1007;
constexpr int FileName = 1008;
constexpr int KbApp = 1009;
constexpr int PacketLed = 1010;
constexpr int Device = 1011;
constexpr int RxDBuffer = 1012; // "Bytes in RxD Buffer"
constexpr int FileErrors = 1013;
constexpr int FileWrites = 1014;
} // namespace ctl
