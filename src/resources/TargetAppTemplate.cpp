#include "resources/TargetAppTemplate.h"

const DialogTemplate& TargetAppTemplate() {
    using K = ControlKind;
    using namespace idc319;
    static const DialogTemplate layout{
        319,
        "Get Target Application",
        359,
        271,
        {
            {0, K::GroupBox, "Select target application: ", 8, 8, 344, 60},
            {FocusRadio, K::RadioButton, "Use application with current &input focus", 20, 20, 145,
             10, StyleGroup},
            {SpecificRadio, K::RadioButton, "Use &specific application", 20, 36, 91, 10},
            {DisableRadio, K::RadioButton, "&Disable keyboard transfer", 20, 52, 99, 10},
            {0, K::GroupBox, "Open a&pplications: ", 8, 80, 344, 164},
            {AppList, K::ListBox, "", 20, 92, 324, 112, StyleSorted},
            {Hint, K::Label, "Double-click to select application", 20, 206, 324, 8},
            {EditLabel, K::Label, "&Target app", 20, 226, 42, 8},
            {AppEdit, K::Edit, "", 64, 224, 216, 14},
            {ShowApp, K::PushButton, "Show &App", 292, 224, 52, 14},
            {Help, K::PushButton, "&Help", 172, 252, 52, 14},
            {Ok, K::PushButton, "&OK", 236, 252, 52, 14},
            {Cancel, K::PushButton, "&Cancel", 300, 252, 52, 14},
        }};
    return layout;
}
