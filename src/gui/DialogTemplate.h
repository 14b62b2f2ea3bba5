#pragma once

#include <vector>

// A form or dialog laid out in dialog units, as a table: one row per control.
enum class ControlKind {
    Label,         // static text on one line
    ReadOnlyEdit,  // read-only edit field
    ReadOnlyRight, // read-only edit field, right-aligned
    GroupBox,
    Bitmap,     // static picture (a lamp)
    PushCheck,  // push-like automatic check box
    EtchedLine, // etched line, upright when it is taller than wide
    PushButton,
    DefaultButton,
    Text,          // static text over several lines, wrapped at the control's width
    RadioButton,   // automatic radio button; StyleGroup starts a new group
    CheckBox,      // automatic check box
    Edit,          // one-line edit field that scrolls horizontally; limit caps its length
    ListBox,       // list of texts, one selectable; StyleSorted keeps it in order
    CheckList,     // report-style list with columns, check boxes, grid lines and row selection
    CenteredLabel, // static text on one line, centred in its box
    Link,          // one line shown as a link; a left click is a Command, and it takes tab focus
};

// Style bits of a control.
enum ControlStyle : unsigned {
    StyleGroup = 1,  // the first radio button of a group
    StyleSorted = 2, // the list box sorts its texts, ignoring case
};

struct ControlTemplate {
    int id; // 0 for controls the code never addresses
    ControlKind kind;
    const char* text;
    int x, y, cx, cy;   // dialog units; cx, cy 0 for bitmaps (sized by their image)
    unsigned style = 0; // ControlStyle bits
    int limit = 0;      // edit fields: most characters the user may enter; 0 for no limit
};

struct DialogTemplate {
    int id;
    const char* title;
    int cx, cy; // dialog units
    std::vector<ControlTemplate> controls;
};
