#pragma once

#include <QString>

// The main window around the view, and the application behind it, as the view uses them. The
// main frame implements it, so the view needs neither the frame's nor the application's class.
class ViewFrame {
public:
    virtual ~ViewFrame() = default;

    // The title bar shows "Tapline Brisk - " followed by name.
    virtual void SetFrameTitle(const QString& name) = 0;
    // 1 shows the wait cursor, -1 ends it again; the calls nest.
    virtual void DoWaitCursor(int code) = 0;
    // Places the main window at the view's first showing: centred across, in the upper part of
    // the screen.
    virtual void PlaceFrame() = 0;
    // The tray icon's tip tells the serial port's state: asked for whenever the port opens or
    // closes.
    virtual void RefreshTrayTip() = 0;
    // Shows the program on the taskbar (0) or in the system tray (1), once the events waiting
    // now have been handled.
    virtual void PostIconMode(int mode) = 0;
    // The main window's next activation shows it minimised.
    virtual void ShowMinimizedNext() = 0;
    // Keeps the main window above other windows (true) or lets it be covered again (false);
    // position and size stay.
    virtual void KeepOnTop(bool on) = 0;
    // The help topic that F1 and the dialogs' Help buttons open; a dialog of the view sets its
    // own while it is open and puts the previous one back afterwards.
    virtual int GetHelpContext() const = 0;
    virtual void SetHelpContext(int context) = 0;
    // The status bar tells how many readings wait for a target file; empty: none.
    virtual void ShowWaiting(const QString& text) = 0;
    // Opens the program's help at a topic (a dialog's Help button).
    virtual void ShowHelp(int context) = 0;
};
