#pragma once

class QWidget;

// Keeps a window off the taskbar (or shows it there again). X11 drops the hint when a window is
// hidden, so it is given again before every show. Does nothing where the desktop has no such
// hint (Wayland).
void SetSkipTaskbar(QWidget* window, bool skip);
