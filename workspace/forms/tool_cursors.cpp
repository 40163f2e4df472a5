#include "workspace/forms/tool_cursors.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <array>

namespace {

constexpr int kSize = 32;

// Black strokes with a white outline so the cursor shows on any grey.
void outlined(QPainter& p, const QPainterPath& path, qreal width = 1.5) {
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::white, width + 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);
    p.setPen(QPen(Qt::black, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);
}

QPainterPath crossHair(QPointF c, qreal arm) {
    QPainterPath path;
    path.moveTo(c.x() - arm, c.y());
    path.lineTo(c.x() + arm, c.y());
    path.moveTo(c.x(), c.y() - arm);
    path.lineTo(c.x(), c.y() + arm);
    return path;
}

QCursor drawCursor(int slot) {
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QPoint hot(kSize / 2, kSize / 2);
    QPainterPath path;
    // The shape tools draw a cross hair at their hot spot beside the shape.
    if (slot == 7 || slot == 8 || slot == 9 || slot == 11) {
        path = crossHair(QPointF(6, 6), 5);
        hot = QPoint(6, 6);
    }
    switch (slot) {
        case 5:  // fill: a tipping bucket, hot spot at the drop
            path.addPolygon(
                QPolygonF({QPointF(12, 6), QPointF(24, 14), QPointF(18, 24), QPointF(6, 16)}));
            path.closeSubpath();
            path.moveTo(6, 16);
            path.quadTo(2, 22, 3, 28);
            hot = QPoint(3, 28);
            break;
        case 6:  // pen: a pencil, hot spot at its tip
            path.moveTo(2, 30);
            path.lineTo(6, 20);
            path.lineTo(24, 2);
            path.lineTo(30, 8);
            path.lineTo(12, 26);
            path.closeSubpath();
            path.moveTo(6, 20);
            path.lineTo(12, 26);
            hot = QPoint(2, 30);
            break;
        case 7:  // circle
            path.addEllipse(QRectF(12, 12, 17, 17));
            break;
        case 8:  // rectangle
            path.addRect(QRectF(12, 12, 17, 14));
            break;
        case 9:  // polygon
            path.addPolygon(QPolygonF({QPointF(14, 12), QPointF(29, 16), QPointF(24, 29),
                                       QPointF(12, 25), QPointF(14, 12)}));
            break;
        case 10: {  // move: four arrows
            QPointF c(16, 16);
            path = crossHair(c, 13);
            for (auto [dx, dy] :
                 std::array<std::pair<int, int>, 4>{{{1, 0}, {-1, 0}, {0, 1}, {0, -1}}}) {
                QPointF tip(c.x() + 13 * dx, c.y() + 13 * dy);
                path.moveTo(tip.x() - 4 * dx - 4 * dy, tip.y() - 4 * dy - 4 * dx);
                path.lineTo(tip);
                path.lineTo(tip.x() - 4 * dx + 4 * dy, tip.y() - 4 * dy + 4 * dx);
            }
            break;
        }
        case 11:  // copy: two overlapping sheets
            path.addRect(QRectF(12, 10, 12, 14));
            path.addRect(QRectF(17, 15, 12, 14));
            break;
    }
    outlined(p, path);
    p.end();
    return QCursor(pixmap, hot.x(), hot.y());
}

}  // namespace

QCursor toolCursor(int slot) {
    if (slot == 12) return QCursor(Qt::CrossCursor);
    if (slot < 5 || slot > 11) return QCursor(Qt::ArrowCursor);
    static std::array<QCursor, 7> cursors = [] {
        std::array<QCursor, 7> all;
        for (int s = 5; s <= 11; ++s) all[static_cast<size_t>(s - 5)] = drawCursor(s);
        return all;
    }();
    return cursors[static_cast<size_t>(slot - 5)];
}

QPixmap introBitmap() {
    QPixmap pixmap(420, 260);
    QPainter p(&pixmap);
    QLinearGradient sky(0, 0, 0, 260);
    sky.setColorAt(0, QColor(16, 32, 64));
    sky.setColorAt(1, QColor(4, 8, 20));
    p.fillRect(pixmap.rect(), sky);
    // A patch of texture: the kind of thing the program measures.
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            int g = 60 + ((x * 37 + y * 91 + x * y * 13) % 150);
            p.fillRect(300 + x * 12, 40 + y * 12, 12, 12, QColor(g, g, g));
        }
    p.setPen(QPen(QColor(0, 255, 0), 2));
    p.drawRect(312, 52, 48, 48);
    p.setPen(Qt::white);
    QFont title("Sans", 40, QFont::Bold);
    p.setFont(title);
    p.drawText(QRect(30, 40, 260, 70), Qt::AlignLeft | Qt::AlignVCenter, "Vantu");
    p.setFont(QFont("Sans", 11));
    p.drawText(QRect(30, 120, 380, 60), Qt::AlignLeft | Qt::TextWordWrap,
               "Quantitative texture analysis\nof medical images");
    p.setPen(QColor(160, 170, 190));
    p.setFont(QFont("Sans", 8));
    p.drawText(QRect(30, 225, 380, 20), Qt::AlignLeft,
               "Texture features, feature maps and statistics");
    p.end();
    return pixmap;
}
