#include "app/ProgramIcon.h"

#include <QIconEngine>
#include <QPainter>
#include <QPixmap>
#include <algorithm>

namespace pendrak {

namespace {

// The picture on a 128-unit square, scaled to `rect` as vectors.
void PaintIcon(QPainter& p, const QRectF& rect) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(rect.topLeft());
    p.scale(rect.width() / 128.0, rect.height() / 128.0);
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
    p.restore();
}

// Drawn afresh at every size and scale asked for: at 150 % or 200 % the
// icon has the screen's pixels, never a smaller picture blown up.
class CProgramIconEngine : public QIconEngine {
public:
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override {
        const int side = std::min(rect.width(), rect.height());
        PaintIcon(*painter, QRectF(rect.x() + (rect.width() - side) / 2.0,
                                   rect.y() + (rect.height() - side) / 2.0, side, side));
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return scaledPixmap(size, mode, state, 1.0);
    }
    // QIcon asks in device pixels already, with the scale they are for.
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode, QIcon::State, qreal scale) override {
        QPixmap pixmap = ProgramIconPixmap(std::min(size.width(), size.height()));
        pixmap.setDevicePixelRatio(scale);
        return pixmap;
    }
    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
        const int side = std::min(size.width(), size.height());
        return QSize(side, side);
    }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        return {QSize(16, 16), QSize(24, 24), QSize(32, 32), QSize(48, 48), QSize(64, 64),
                QSize(128, 128), QSize(256, 256)};
    }
    QIconEngine* clone() const override { return new CProgramIconEngine; }
    QString key() const override { return QStringLiteral("pendrak"); }
};

}  // namespace

QPixmap ProgramIconPixmap(int side) {
    QPixmap pixmap(std::max(side, 1), std::max(side, 1));
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    PaintIcon(p, QRectF(0, 0, pixmap.width(), pixmap.height()));
    return pixmap;
}

QIcon ProgramIcon() {
    static const QIcon icon(new CProgramIconEngine);
    return icon;
}

}  // namespace pendrak
