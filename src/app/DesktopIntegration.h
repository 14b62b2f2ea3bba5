#pragma once

#include <QString>

// Registers the program and its setup-file type with the user's desktop: a desktop entry that
// opens "*.tpln_brisk" files with the program, and the shared-mime-info type "Tapline Brisk
// Files". Done at every start, like a per-user file-type registration; failures are ignored.
class DesktopIntegration {
public:
    // dataHome: the user's XDG data folder ($XDG_DATA_HOME or ~/.local/share).
    // executable: the program to start for a file.
    static void Register(const QString& dataHome, const QString& executable);
    static QString DefaultDataHome();

    static const QString DesktopFile; // "tapline-brisk.desktop"
    static QString DesktopEntry(const QString& executable);
    static QString MimeInfo();
};
