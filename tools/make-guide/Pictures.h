#pragma once

#include <QImage>
#include <QMap>
#include <QString>

// The program's windows as the guide shows them, drawn from its own widgets with sample
// contents, by the name the guide's source gives each picture (main-window.png ...).
QMap<QString, QImage> WindowPictures();
