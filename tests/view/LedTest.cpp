#include "resources/LedPattern.h"
#include "view/LED_Ctrl.h"

#include <gtest/gtest.h>

TEST(LED_Ctrl, CornersTakeTheButtonColourAndTheLampStays) {
    CLED_Ctrl leds;
    const QColor face(0xd4, 0xd0, 0xc8);
    leds.PrepareLeds(face);
    const struct {
        Led led;
        QColor lamp;
    } rows[] = {{Led::Red, QColor(255, 0, 0)},
                {Led::Yellow, QColor(255, 255, 0)},
                {Led::Green, QColor(0, 255, 0)},
                {Led::DarkRed, QColor(102, 0, 0)},
                {Led::DarkGreen, QColor(0, 102, 0)}};
    for (const auto& row : rows) {
        const QImage prepared = leds.Image(row.led).toImage().convertToFormat(QImage::Format_RGB32);
        const QImage original = CLED_Ctrl::LoadLed(row.lamp);
        ASSERT_EQ(prepared.size(), QSize(12, 12));
        for (int y = 0; y < 12; ++y) {
            for (int x = 0; x < 12; ++x) {
                const QRgb p = prepared.pixel(x, y);
                EXPECT_NE(p, qRgb(0, 0, 255)) << x << "," << y;
                if (LedPattern[y][x] == 'B')
                    EXPECT_EQ(p, face.rgb()) << x << "," << y;
                else
                    EXPECT_EQ(p, original.pixel(x, y)) << "lamp, outline and highlight unchanged";
            }
        }
    }
}
