#pragma once

#include "view/ViewServices.h"

#include <QString>
#include <functional>

class QUrl;

// Everything the program takes from its surroundings, chosen once in main() (or by a test).
struct AppServices {
    ViewServices view;
    std::function<bool(const QUrl&)> openUrl; // documents and links through the desktop
    QString documentsFolder;                  // the user's documents folder; empty = home
};
