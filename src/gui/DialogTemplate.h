#pragma once

#include <vector>

// A form or dialog laid out in dialog units, as a table: one row per control.
enum class ControlKind {
    Label,         // static text
    ReadOnlyEdit,  // read-only edit field
    ReadOnlyRight, // read-only edit field, right-aligned
    GroupBox,
    Bitmap,    // static picture (a lamp)
    PushCheck, // push-like automatic check box
    EtchedLine,
    PushButton,
    DefaultButton,
};

struct ControlTemplate {
    int id; // 0 for controls the code never addresses
    ControlKind kind;
    const char* text;
    int x, y, cx, cy; // dialog units; cx, cy 0 for bitmaps (sized by their image)
};

struct DialogTemplate {
    int id;
    const char* title;
    int cx, cy; // dialog units
    std::vector<ControlTemplate> controls;
};
