#pragma once

#include <QIcon>

// The program's pictures, drawn in code so that they need no image plug-in.
QIcon ProgramIcon();
// A toolbar button image (28 x 23) for a command id; a null icon for other ids.
QIcon ToolbarIcon(int commandId);
