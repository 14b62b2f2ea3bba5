#pragma once

#include "capture/ViewFields.h"

#include <QColor>
#include <QImage>
#include <QPixmap>

// The lamp images of the main view: the lamp pattern in five colours, with the square corners
// painted in the form's button colour so that only the round lamp stands out.
class CLED_Ctrl {
public:
    virtual ~CLED_Ctrl() = default;

    QPixmap LedDarkRed, LedDarkGreen, LedRed, LedYellow, LedGreen;

    // Builds the five images; the corners take the given colour (the palette's button colour).
    void PrepareLeds(const QColor& buttonFace);
    const QPixmap& Image(Led led) const;

    // One lamp image before and after its corners are filled, for the tests.
    static QImage LoadLed(const QColor& lamp);
    // Fills the region around (x, y) up to pixels of the border colour (4-connected).
    static void FloodFill(QImage& image, int x, int y, QRgb border, QRgb fill);
};
