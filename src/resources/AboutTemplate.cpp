#include "resources/AboutTemplate.h"

const DialogTemplate& AboutTemplate() {
    using K = ControlKind;
    using namespace idc100;
    static const DialogTemplate layout{
        100,
        "About Tapline Brisk",
        307,
        338,
        {
            {Icon, K::Bitmap, "", 17, 10, 20, 20},
            {Title, K::CenteredLabel, "Tapline Brisk", 67, 8, 180, 17},
            {Subtitle, K::CenteredLabel, "Software Keyboard Wedge", 55, 25, 204, 18},
            {Version, K::CenteredLabel, "", 73, 49, 160, 8},
            {Released, K::CenteredLabel, "", 73, 59, 160, 8},
            {Notice, K::CenteredLabel, "", 53, 75, 200, 8},
            {0, K::CenteredLabel, "All rights reserved.", 53, 85, 200, 8},
            {0, K::GroupBox, "Supported products: ", 12, 104, 284, 92},
            {Products, K::Text, "", 20, 116, 270, 78},
            {0, K::GroupBox, "Contact information: ", 12, 208, 284, 100},
            {0, K::Label, "Phone:", 74, 220, 38, 8},
            {0, K::Label, "+1 555 014 2300", 114, 220, 170, 8},
            {0, K::Label, "FAX:", 74, 230, 38, 8},
            {0, K::Label, "+1 555 014 2301", 114, 230, 170, 8},
            {0, K::Label, "Web:", 74, 240, 38, 8},
            {WebLink, K::Link, "", 114, 240, 80, 8},
            {0, K::Label, "Email:", 74, 250, 38, 8},
            {SalesLink, K::Link, "", 114, 250, 84, 8},
            {SupportLink, K::Link, "", 114, 258, 92, 8},
            {0, K::Label, "Hours:", 74, 268, 38, 8},
            {0, K::Label, "Monday to Friday, 8:00 AM to 5:00 PM", 114, 268, 170, 8},
            {0, K::Label, "Address:", 74, 278, 38, 8},
            {0, K::Text, "Orvane Systems, 400 Harbour Road\nPortmead, OR 97000, USA", 114, 278, 170,
             18},
            {Ok, K::DefaultButton, "&OK", 117, 316, 72, 16},
        }};
    return layout;
}
