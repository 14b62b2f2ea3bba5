#pragma once

#include "view/ViewFrame.h"

#include <vector>

// The main frame as the view sees it: records what the view asked of it.
class FakeViewFrame : public ViewFrame {
public:
    QString title;              // the last name given for the title bar
    int waitCursors = 0;        // shown and not yet ended
    int placed = 0;             // PlaceFrame calls
    int trayTipRefreshes = 0;   // RefreshTrayTip calls
    std::vector<int> iconModes; // posted, in order
    bool minimizedNext = false; // the next activation shows the window minimised
    int helpContext = 108;
    std::vector<bool> keptOnTop; // KeepOnTop requests, in order
    std::vector<int> helpShown;  // ShowHelp topics, in order
    QString waiting;             // what the status bar says of waiting readings

    void SetFrameTitle(const QString& name) override { title = name; }
    void DoWaitCursor(int code) override { waitCursors += code > 0 ? 1 : code < 0 ? -1 : 0; }
    void PlaceFrame() override { ++placed; }
    void RefreshTrayTip() override { ++trayTipRefreshes; }
    void PostIconMode(int mode) override { iconModes.push_back(mode); }
    void ShowMinimizedNext() override { minimizedNext = true; }
    void KeepOnTop(bool on) override { keptOnTop.push_back(on); }
    int GetHelpContext() const override { return helpContext; }
    void SetHelpContext(int context) override { helpContext = context; }
    void ShowHelp(int context) override { helpShown.push_back(context); }
    void ShowWaiting(const QString& text) override { waiting = text; }
};
