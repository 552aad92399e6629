#include "app/ProgramIcon.h"

#include <QPainter>
#include <QPixmap>

namespace pendrak {

namespace {

QPixmap DrawIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 128.0, size / 128.0);
    p.setPen(Qt::NoPen);
    const QColor blue(0x1f, 0x5f, 0x9e), light(0xe8, 0xee, 0xf5), green(0x2b, 0x8a, 0x57);
    p.setBrush(blue);
    p.drawRoundedRect(QRectF(4, 4, 120, 120), 22, 22);
    p.setBrush(light);
    p.drawRoundedRect(QRectF(72, 12, 8, 34), 3, 3);
    p.drawRoundedRect(QRectF(38, 40, 52, 78), 10, 10);
    p.setBrush(green);
    p.drawRoundedRect(QRectF(46, 50, 36, 24), 3, 3);
    p.setBrush(light);
    p.drawEllipse(QPointF(56, 60), 5, 5);
    p.drawChord(QRectF(48, 66, 16, 12), 0, 180 * 16);
    p.drawRect(QRectF(66, 56, 12, 3));
    p.drawRect(QRectF(66, 63, 9, 3));
    p.setBrush(blue);
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
            p.drawRoundedRect(QRectF(47 + 13 * col, 82 + 11 * row, 9, 6), 2, 2);
    return pixmap;
}

}  // namespace

QIcon ProgramIcon() {
    static const QIcon icon = [] {
        QIcon i;
        for (int size : {16, 24, 32, 48, 64, 128}) i.addPixmap(DrawIcon(size));
        return i;
    }();
    return icon;
}

}  // namespace pendrak
