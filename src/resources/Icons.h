#pragma once

#include <QIcon>
#include <QImage>
#include <QList>

// The program's pictures, drawn in code so that they need no image plug-in.
QIcon ProgramIcon();
// The program icon at one size, and the sizes the desktop's icon theme gets.
QImage ProgramImage(int size);
const QList<int>& ProgramIconSizes();
// A toolbar button image (28 x 23) for a command id; a null icon for other ids.
QIcon ToolbarIcon(int commandId);
