#include "view/LED_Ctrl.h"

#include "resources/LedPattern.h"

#include <vector>

QImage CLED_Ctrl::LoadLed(const QColor& lamp) {
    QImage image(12, 12, QImage::Format_RGB32);
    for (int y = 0; y < 12; ++y) {
        for (int x = 0; x < 12; ++x) {
            QRgb c = qRgb(0, 0, 255);
            switch (LedPattern[y][x]) {
            case 'K':
                c = qRgb(0, 0, 0);
                break;
            case 'L':
                c = lamp.rgb();
                break;
            case 'W':
                c = qRgb(255, 255, 255);
                break;
            }
            image.setPixel(x, y, c);
        }
    }
    return image;
}

void CLED_Ctrl::FloodFill(QImage& image, int x, int y, QRgb border, QRgb fill) {
    std::vector<QPoint> stack{{x, y}};
    while (!stack.empty()) {
        const QPoint p = stack.back();
        stack.pop_back();
        if (!image.rect().contains(p))
            continue;
        const QRgb c = image.pixel(p);
        if (c == border || c == fill)
            continue;
        image.setPixel(p, fill);
        stack.push_back({p.x() + 1, p.y()});
        stack.push_back({p.x() - 1, p.y()});
        stack.push_back({p.x(), p.y() + 1});
        stack.push_back({p.x(), p.y() - 1});
    }
}

void CLED_Ctrl::PrepareLeds(const QColor& buttonFace) {
    auto prepare = [&](const QColor& lamp) {
        QImage image = LoadLed(lamp);
        for (const QPoint corner : {QPoint(0, 0), QPoint(0, 11), QPoint(11, 11), QPoint(11, 0)})
            FloodFill(image, corner.x(), corner.y(), qRgb(0, 0, 0), buttonFace.rgb());
        return QPixmap::fromImage(image);
    };
    LedRed = prepare(QColor(255, 0, 0));
    LedYellow = prepare(QColor(255, 255, 0));
    LedGreen = prepare(QColor(0, 255, 0));
    LedDarkRed = prepare(QColor(102, 0, 0));
    LedDarkGreen = prepare(QColor(0, 102, 0));
}

const QPixmap& CLED_Ctrl::Image(Led led) const {
    switch (led) {
    case Led::DarkGreen:
        return LedDarkGreen;
    case Led::Red:
        return LedRed;
    case Led::Yellow:
        return LedYellow;
    case Led::Green:
        return LedGreen;
    case Led::DarkRed:
        break;
    }
    return LedDarkRed;
}
