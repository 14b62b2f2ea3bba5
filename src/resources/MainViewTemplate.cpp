#include "resources/MainViewTemplate.h"

#include "resources/ControlIds.h"

const DialogTemplate& MainViewTemplate() {
    using K = ControlKind;
    static const DialogTemplate layout{
        101,
        nullptr,
        350,
        98,
        {
            {0, K::Label, "Input Packet", 3, 10, 51, 8},
            {ctl::InputPacket, K::ReadOnlyEdit, "", 56, 8, 156, 12},
            {0, K::Label, "Output Packet", 3, 28, 51, 8},
            {ctl::OutputPacket, K::ReadOnlyEdit, "", 56, 26, 156, 12},
            {0, K::Label, "K/B App", 3, 46, 51, 8},
            {ctl::KbApp, K::ReadOnlyEdit, "", 56, 44, 156, 12},
            {0, K::Label, "File && Count", 3, 64, 51, 8},
            {ctl::FileName, K::ReadOnlyEdit, "", 56, 62, 100, 12},
            {ctl::FileWrites, K::ReadOnlyRight, "", 158, 62, 28, 12},
            {ctl::FileErrors, K::ReadOnlyRight, "", 188, 62, 24, 12},
            {0, K::Label, "Device", 3, 82, 51, 8},
            {ctl::Device, K::ReadOnlyEdit, "", 56, 80, 156, 12},
            {0, K::GroupBox, "Status LEDs && Control Buttons: ", 217, 4, 130, 91},
            {ctl::SerialLed, K::Bitmap, "", 225, 19, 0, 0},
            {ctl::SerialSwitch, K::PushCheck, "Enable Serial &Port", 235, 16, 106, 12},
            {ctl::KeyboardLed, K::Bitmap, "", 225, 33, 0, 0},
            {ctl::SendToAppSwitch, K::PushCheck, "Send to &App via Keyboard", 235, 30, 106, 12},
            {ctl::FileLed, K::Bitmap, "", 225, 47, 0, 0},
            {ctl::SendToFileSwitch, K::PushCheck, "Send to &Disk File", 235, 44, 106, 12},
            {0, K::EtchedLine, "", 221, 60, 124, 1},
            {ctl::PacketLed, K::Bitmap, "", 225, 65, 0, 0},
            {0, K::Label, "Serial port packet complete", 237, 65, 100, 8},
            {0, K::Label, "Bytes in RxD Buffer", 225, 80, 74, 8},
            {ctl::RxDBuffer, K::ReadOnlyEdit, "", 301, 78, 40, 12},
        }};
    return layout;
}
