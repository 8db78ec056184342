#include "app/qt/AppIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace quillon::gui {

namespace {

// Drawn on a 64 x 64 grid, scaled to the size asked for.
QPixmap Draw(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1f, 0x5f, 0x9f));
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 10, 10);
    // The chip with its pins.
    p.setBrush(QColor(0x2e, 0xcc, 0x40));
    p.drawRect(QRectF(16, 40, 32, 14));
    p.setBrush(Qt::white);
    for (int i = 0; i < 4; ++i) p.drawRect(QRectF(19 + i * 8, 55, 3, 4));
    // The arrow.
    QPainterPath arrow;
    arrow.moveTo(27, 8);
    arrow.lineTo(37, 8);
    arrow.lineTo(37, 22);
    arrow.lineTo(45, 22);
    arrow.lineTo(32, 36);
    arrow.lineTo(19, 22);
    arrow.lineTo(27, 22);
    arrow.closeSubpath();
    p.drawPath(arrow);
    return pixmap;
}

}  // namespace

QIcon AppIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64}) icon.addPixmap(Draw(size));
    return icon;
}

}  // namespace quillon::gui
