#include "resources/AvailablePortsTemplate.h"

const DialogTemplate& AvailablePortsTemplate() {
    using K = ControlKind;
    using namespace idc317;
    static const DialogTemplate layout{
        317,
        "Available Serial Ports",
        366,
        304,
        {
            {0, K::GroupBox, "Serial &ports: ", 8, 8, 188, 288},
            {PortList, K::CheckList, "", 16, 20, 172, 268},
            {0, K::GroupBox, "Instructions: ", 212, 8, 144, 124},
            {Instructions, K::Text, "", 220, 20, 128, 108},
            {SelectAll, K::PushButton, "&Select All", 230, 263, 48, 14},
            {ClearAll, K::PushButton, "C&lear All", 290, 263, 48, 14},
            {Ok, K::DefaultButton, "&OK", 230, 283, 48, 14},
            {Cancel, K::PushButton, "&Cancel", 290, 283, 48, 14},
        }};
    return layout;
}
