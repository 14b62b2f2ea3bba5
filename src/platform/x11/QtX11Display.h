#pragma once

// As Xlib declares it; this header stays free of Xlib's macros so that Qt code can include it.
typedef struct _XDisplay Display;

// The X connection of the running Qt application, or null when it runs on another platform
// (offscreen, Wayland) or before QGuiApplication exists.
Display* QtX11Display();
