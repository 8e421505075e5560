// The application icon and the splash picture: a head drawn as a shaded
// wire-frame oval, the program's mark.
#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include "QV_Icons.h"

namespace {

// A head in the box (0, 0)-(100, 120): a shaded oval with mesh lines and
// the eyes' places marked.
void DrawHeadMark(QPainter& p, bool meshLines)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath head;
    head.moveTo(50, 4);
    head.cubicTo(96, 4, 98, 70, 50, 116);
    head.cubicTo(2, 70, 4, 4, 50, 4);
    QRadialGradient skin(QPointF(38, 40), 80);
    skin.setColorAt(0, QColor(255, 228, 200));
    skin.setColorAt(0.6, QColor(222, 170, 130));
    skin.setColorAt(1, QColor(150, 100, 70));
    p.setPen(QPen(QColor(90, 60, 40), 3));
    p.setBrush(skin);
    p.drawPath(head);
    if (meshLines) {
        p.setClipPath(head);
        p.setPen(QPen(QColor(60, 110, 180, 170), 1.5));
        p.setBrush(Qt::NoBrush);
        for (int i = 1; i < 6; ++i) p.drawEllipse(QRectF(50 - i * 9, 0, i * 18, 120));
        for (int i = 1; i < 8; ++i) p.drawLine(QPointF(0, i * 15), QPointF(100, i * 15));
        p.setClipping(false);
    }
    p.setPen(QPen(QColor(40, 40, 60), 3));
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(26, 44, 16, 9));
    p.drawEllipse(QRectF(58, 44, 16, 9));
    p.setBrush(QColor(40, 60, 110));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(34, 48.5), 3.5, 3.5);
    p.drawEllipse(QPointF(66, 48.5), 3.5, 3.5);
    p.setPen(QPen(QColor(150, 60, 60), 3, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(36, 76, 28, 14), 200 * 16, 140 * 16);
    p.restore();
}

QPixmap ApplicationIconPixmap(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal scale = size / 128.0;
    p.scale(scale, scale);
    QLinearGradient back(0, 0, 0, 128);
    back.setColorAt(0, QColor(50, 90, 150));
    back.setColorAt(1, QColor(20, 40, 80));
    p.setPen(Qt::NoPen);
    p.setBrush(back);
    p.drawRoundedRect(QRectF(2, 2, 124, 124), 22, 22);
    p.translate(14, 4);
    DrawHeadMark(p, size >= 32);
    return pixmap;
}

}  // namespace

QIcon QV_ApplicationIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) icon.addPixmap(ApplicationIconPixmap(size));
    return icon;
}

QPixmap QV_SplashPixmap()
{
    const int width = 560, height = 280;
    QPixmap pixmap(width, height);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient back(0, 0, width, height);
    back.setColorAt(0, QColor(30, 55, 100));
    back.setColorAt(1, QColor(10, 20, 45));
    p.fillRect(pixmap.rect(), back);

    // The photograph on the left turning into the head on the right.
    p.save();
    p.translate(40, 60);
    p.setPen(QPen(QColor(230, 230, 230), 4));
    p.setBrush(QColor(245, 245, 240));
    p.drawRect(QRectF(-8, -8, 116, 136));
    DrawHeadMark(p, false);
    p.restore();
    p.setPen(QPen(QColor(255, 170, 40), 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(170, 125), QPointF(205, 125));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 170, 40));
    p.drawPolygon(QPolygonF({QPointF(218, 125), QPointF(204, 115), QPointF(204, 135)}));
    p.save();
    p.translate(240, 60);
    DrawHeadMark(p, true);
    p.restore();

    QFont title;
    title.setPixelSize(42);
    title.setBold(true);
    p.setFont(title);
    p.setPen(Qt::white);
    p.drawText(QRectF(365, 70, 180, 60), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Heddle"));
    QFont line;
    line.setPixelSize(14);
    p.setFont(line);
    p.setPen(QColor(200, 215, 240));
    p.drawText(QRectF(367, 130, 170, 60), Qt::AlignLeft | Qt::TextWordWrap,
               QStringLiteral("From one photograph to a 3D head"));
    p.setPen(QColor(140, 160, 200));
    p.drawText(QRectF(20, height - 34, width - 40, 24), Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("Visagen"));
    return pixmap;
}
