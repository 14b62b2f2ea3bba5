#pragma once

class QWidget;

// Asks the window manager to keep a window off the taskbar (or to show it there again). X11
// drops the hint when a window is hidden, so it is given again before every show. Does nothing
// off X11.
void SetSkipTaskbar(QWidget* window, bool skip);
