#include "resources/Icons.h"

#include "resources/CommandIds.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

QImage ProgramImage(int size) {
    QImage pixmap(size, size, QImage::Format_ARGB32_Premultiplied);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2f, 0x5d, 0x8a));
    p.drawRoundedRect(QRectF(4, 14, 56, 38), 6, 6);
    p.setBrush(QColor(0xe8, 0xf1, 0xfa));
    p.drawRoundedRect(QRectF(10, 20, 44, 12), 2, 2);
    for (int i = 0; i < 4; ++i)
        p.drawRoundedRect(QRectF(10 + i * 11, 38, i == 3 ? 11 : 8, 8), 1, 1);
    p.setBrush(QColor(0x2f, 0xbf, 0x4a));
    p.setPen(QPen(QColor(0x1b, 0x1b, 0x1b), 1.5));
    p.drawEllipse(QPointF(52, 10), 6, 6);
    return pixmap;
}

const QList<int>& ProgramIconSizes() {
    static const QList<int> sizes{16, 22, 24, 32, 48, 64, 128, 256};
    return sizes;
}

namespace {

QPixmap Button(const std::function<void(QPainter&)>& draw) {
    QPixmap pixmap(28, 23);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p);
    return pixmap;
}

} // namespace

QIcon ProgramIcon() {
    QIcon icon;
    for (int size : ProgramIconSizes())
        icon.addPixmap(QPixmap::fromImage(ProgramImage(size)));
    return icon;
}

QIcon ToolbarIcon(int commandId) {
    const QColor ink(0x30, 0x30, 0x30);
    switch (commandId) {
    case cmd::FileNew:
        return QIcon(Button([&](QPainter& p) {
            p.setPen(ink);
            p.setBrush(Qt::white);
            QPainterPath page;
            page.moveTo(8, 2);
            page.lineTo(17, 2);
            page.lineTo(21, 6);
            page.lineTo(21, 21);
            page.lineTo(8, 21);
            page.closeSubpath();
            p.drawPath(page);
        }));
    case cmd::FileOpen:
        return QIcon(Button([&](QPainter& p) {
            p.setPen(ink);
            p.setBrush(QColor(0xf2, 0xc9, 0x4c));
            p.drawRect(4, 7, 19, 13);
            p.setBrush(QColor(0xf7, 0xdc, 0x85));
            QPolygonF flap({QPointF(7, 11), QPointF(25, 11), QPointF(22, 20), QPointF(4, 20)});
            p.drawPolygon(flap);
        }));
    case cmd::FileSave:
        return QIcon(Button([&](QPainter& p) {
            p.setPen(ink);
            p.setBrush(QColor(0x3a, 0x6e, 0xa5));
            p.drawRect(5, 2, 18, 19);
            p.setBrush(Qt::white);
            p.drawRect(8, 3, 12, 7);
            p.setBrush(QColor(0xc0, 0xc0, 0xc0));
            p.drawRect(9, 14, 10, 7);
        }));
    case cmd::AlwaysOnTop:
        return QIcon(Button([&](QPainter& p) {
            p.setPen(ink);
            p.setBrush(QColor(0xd0, 0xd0, 0xd0));
            p.drawRect(9, 9, 15, 12);
            p.setBrush(QColor(0x5b, 0x9b, 0xd5));
            p.drawRect(4, 2, 15, 12);
        }));
    case cmd::ClearData:
        return QIcon(Button([&](QPainter& p) {
            p.setPen(QPen(QColor(0xc0, 0x20, 0x20), 3));
            p.drawLine(8, 5, 20, 18);
            p.drawLine(20, 5, 8, 18);
        }));
    default:
        return {};
    }
}
