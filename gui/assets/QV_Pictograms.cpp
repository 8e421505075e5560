#include "QV_Pictograms.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QtMath>

namespace {

// Pens scaled for the 32-unit box.
QPen Line(const QColor& colour, qreal width = 1.6)
{
    QPen pen(colour, width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

// The oval of a face, used by several pictograms.
QPainterPath FaceOutline(const QRectF& box)
{
    QPainterPath path;
    const qreal cx = box.center().x();
    path.moveTo(cx, box.top());
    path.cubicTo(box.right(), box.top(), box.right(), box.top() + box.height() * 0.6, cx, box.bottom());
    path.cubicTo(box.left(), box.top() + box.height() * 0.6, box.left(), box.top(), cx, box.top());
    return path;
}

// An eye contour (almond) centred at `c`.
QPainterPath Almond(QPointF c, qreal halfWidth, qreal halfHeight)
{
    QPainterPath path;
    path.moveTo(c.x() - halfWidth, c.y());
    path.quadTo(c.x(), c.y() - 2 * halfHeight, c.x() + halfWidth, c.y());
    path.quadTo(c.x(), c.y() + 2 * halfHeight, c.x() - halfWidth, c.y());
    return path;
}

// A small filled arrow head at `tip` pointing along (dx, dy).
void ArrowHead(QPainter& p, QPointF tip, qreal dx, qreal dy, qreal size, const QColor& colour)
{
    const qreal len = qSqrt(dx * dx + dy * dy);
    if (len <= 0) return;
    dx /= len;
    dy /= len;
    const QPointF back(tip.x() - dx * size, tip.y() - dy * size);
    const QPointF side(-dy * size * 0.6, dx * size * 0.6);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(QPolygonF({tip, back + side, back - side}));
}

// The four move arrows around (cx, cy) reaching `reach` units out.
void MoveArrows(QPainter& p, QPointF c, qreal reach, const QColor& colour)
{
    p.setPen(Line(colour, 1.4));
    p.drawLine(QPointF(c.x() - reach + 2, c.y()), QPointF(c.x() + reach - 2, c.y()));
    p.drawLine(QPointF(c.x(), c.y() - reach + 2), QPointF(c.x(), c.y() + reach - 2));
    ArrowHead(p, QPointF(c.x() + reach, c.y()), 1, 0, 3.5, colour);
    ArrowHead(p, QPointF(c.x() - reach, c.y()), -1, 0, 3.5, colour);
    ArrowHead(p, QPointF(c.x(), c.y() + reach), 0, 1, 3.5, colour);
    ArrowHead(p, QPointF(c.x(), c.y() - reach), 0, -1, 3.5, colour);
}

// The contour shared by the three display pictograms: a jaw line.
QPolygonF JawPoints(int count)
{
    QPolygonF points;
    for (int i = 0; i < count; ++i) {
        const qreal t = M_PI * (0.05 + 0.9 * i / (count - 1));
        points << QPointF(16 - 12 * qCos(t), 8 + 17 * qSin(t));
    }
    return points;
}

void DrawOpenImage(QPainter& p, const QColor& ink, const QColor& accent)
{
    // Folder back, photograph, folder front.
    p.setPen(Line(ink, 1.4));
    p.setBrush(ink.lighter(170));
    p.drawPolygon(QPolygonF({{3, 9}, {11, 9}, {13, 12}, {29, 12}, {29, 28}, {3, 28}}));
    p.setBrush(Qt::white);
    p.save();
    p.translate(17, 13);
    p.rotate(-12);
    p.drawRect(QRectF(-8, -9, 15, 12));
    p.setPen(Qt::NoPen);
    p.setBrush(accent);
    p.drawEllipse(QRectF(-3, -7, 5, 6));  // a small portrait
    p.drawPie(QRectF(-5.5, -2, 10, 8), 0, 180 * 16);
    p.restore();
    p.setPen(Line(ink, 1.4));
    p.setBrush(ink.lighter(130));
    p.drawPolygon(QPolygonF({{3, 28}, {7, 17}, {31, 17}, {29, 28}}));
}

void DrawSaveAvatar(QPainter& p, const QColor& ink, const QColor& accent)
{
    p.setPen(Line(ink, 1.4));
    p.setBrush(ink.lighter(140));
    p.drawPolygon(QPolygonF({{4, 4}, {25, 4}, {28, 7}, {28, 28}, {4, 28}}));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(9, 4, 13, 8));  // shutter
    p.setBrush(ink);
    p.drawRect(QRectF(17, 5.5, 3, 5));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(7, 15, 18, 13));  // label
    p.setPen(Line(accent, 1.3));
    p.setBrush(accent.lighter(150));
    p.drawPath(FaceOutline(QRectF(12.5, 16.5, 7, 10)));
}

void DrawStretchContrast(QPainter& p, const QColor& ink, const QColor& accent)
{
    const QRectF disc(4, 4, 24, 24);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawPie(disc, 90 * 16, 180 * 16);
    p.setBrush(Qt::white);
    p.drawPie(disc, -90 * 16, 180 * 16);
    p.setPen(Line(ink, 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(disc);
    // The stretched ramp from dark to light.
    p.setPen(Line(accent, 2.2));
    p.drawLine(QPointF(9, 23), QPointF(23, 9));
    ArrowHead(p, QPointF(25, 7), 1, -1, 4.5, accent);
}

void DrawEyeLine(QPainter& p, const QColor& ink, const QColor& accent)
{
    p.setPen(Line(ink, 1.4));
    p.setBrush(Qt::white);
    p.drawPath(Almond({8.5, 16}, 6.5, 4));
    p.drawPath(Almond({23.5, 16}, 6.5, 4));
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawEllipse(QPointF(8.5, 16), 2.3, 2.3);
    p.drawEllipse(QPointF(23.5, 16), 2.3, 2.3);
    p.setPen(Line(accent, 2.0));
    p.drawLine(QPointF(8.5, 16), QPointF(21.5, 16));
    ArrowHead(p, QPointF(24.5, 16), 1, 0, 4, accent);
    p.setPen(Qt::NoPen);
    p.setBrush(accent);
    p.drawEllipse(QPointF(8.5, 16), 1.6, 1.6);
}

void DrawFace(QPainter& p, const QRectF& box, const QColor& ink, const QColor& fill)
{
    p.setPen(Line(ink, 1.4));
    p.setBrush(fill);
    p.drawPath(FaceOutline(box));
    const qreal w = box.width(), h = box.height();
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawEllipse(QPointF(box.left() + w * 0.33, box.top() + h * 0.38), w * 0.06, w * 0.06);
    p.drawEllipse(QPointF(box.left() + w * 0.67, box.top() + h * 0.38), w * 0.06, w * 0.06);
    p.setPen(Line(ink, 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(box.left() + w * 0.3, box.top() + h * 0.5, w * 0.4, h * 0.2), 200 * 16, 140 * 16);
}

void DrawAutoCreate(QPainter& p, const QColor& ink, const QColor& accent)
{
    DrawFace(p, QRectF(3, 6, 20, 24), ink, QColor(240, 205, 170));
    // A four-pointed spark at the top right.
    QPainterPath spark;
    const QPointF c(25, 8);
    spark.moveTo(c.x(), c.y() - 7);
    spark.quadTo(c, QPointF(c.x() + 7, c.y()));
    spark.quadTo(c, QPointF(c.x(), c.y() + 7));
    spark.quadTo(c, QPointF(c.x() - 7, c.y()));
    spark.quadTo(c, QPointF(c.x(), c.y() - 7));
    p.setPen(Line(accent.darker(130), 0.8));
    p.setBrush(accent);
    p.drawPath(spark);
}

void DrawRecreate(QPainter& p, const QColor& ink, const QColor& accent)
{
    DrawFace(p, QRectF(10, 8, 12, 16), ink, QColor(240, 205, 170));
    p.setPen(Line(accent, 2.2));
    p.setBrush(Qt::NoBrush);
    const QRectF ring(3, 3, 26, 26);
    p.drawArc(ring, 100 * 16, 150 * 16);
    p.drawArc(ring, -80 * 16, 150 * 16);
    // Arrow heads at the ends of both arcs, following the turn.
    ArrowHead(p, QPointF(16 + 13 * qCos(qDegreesToRadians(250.0)), 16 - 13 * qSin(qDegreesToRadians(250.0))), 1, 0.35,
              4.5, accent);
    ArrowHead(p, QPointF(16 + 13 * qCos(qDegreesToRadians(70.0)), 16 - 13 * qSin(qDegreesToRadians(70.0))), -1, -0.35,
              4.5, accent);
}

void DrawContour(QPainter& p, int markers, qreal markerRadius, const QColor& ink, const QColor& accent)
{
    const QPolygonF fine = JawPoints(17);
    p.setPen(Line(ink, 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(fine);
    p.setPen(Line(ink, 1.3));
    p.drawPath(Almond({10, 11}, 4, 2));
    p.drawPath(Almond({22, 11}, 4, 2));
    if (markers <= 0) return;
    const QPolygonF marks = JawPoints(markers);
    p.setPen(Line(ink.darker(150), 0.8));
    p.setBrush(accent);
    for (const QPointF& m : marks) p.drawEllipse(m, markerRadius, markerRadius);
}

void DrawMoveAll(QPainter& p, const QColor& ink, const QColor& accent)
{
    p.setPen(Line(ink, 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawPath(FaceOutline(QRectF(5, 3, 22, 27)));
    p.drawPath(Almond({11.5, 12}, 3.5, 1.8));
    p.drawPath(Almond({20.5, 12}, 3.5, 1.8));
    p.drawPath(Almond({16, 22}, 4.5, 1.5));
    MoveArrows(p, QPointF(16, 16), 13, accent);
}

void DrawMoveContour(QPainter& p, const QColor& ink, const QColor& accent)
{
    p.setPen(Line(ink.lighter(160), 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawPath(FaceOutline(QRectF(4, 2, 24, 28)));
    p.setPen(Line(ink, 1.8));
    p.setBrush(Qt::white);
    p.drawPath(Almond({16, 16}, 7, 3.5));
    MoveArrows(p, QPointF(16, 16), 13, accent);
}

void DrawMovePoint(QPainter& p, const QColor& ink, const QColor& accent)
{
    p.setPen(Line(ink.lighter(150), 1.3));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({{3, 22}, {9, 14}, {15, 11}, {21, 13}, {29, 20}}));
    p.setPen(Line(ink, 0.8));
    p.setBrush(ink.lighter(150));
    for (const QPointF& m : {QPointF(3, 22), QPointF(9, 14), QPointF(21, 13), QPointF(29, 20)})
        p.drawEllipse(m, 1.4, 1.4);
    p.setBrush(accent);
    p.drawEllipse(QPointF(15, 11), 3, 3);
    // The pointer arrow on the chosen point.
    p.setPen(Line(Qt::black, 0.9));
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygonF({{15, 11}, {15, 27}, {18.5, 23.5}, {21.5, 29.5}, {24, 28.3}, {21, 22.5}, {26, 22.5}}));
}

void DrawWireframe(QPainter& p, const QColor& ink, const QColor& accent)
{
    const QRectF sphere(3, 3, 26, 26);
    p.setPen(Line(ink, 1.1));
    p.setBrush(Qt::NoBrush);
    for (qreal f : {0.35, 0.7}) {  // meridians
        const qreal w = 26 * f;
        p.drawEllipse(QRectF(16 - w / 2, 3, w, 26));
    }
    p.drawLine(QPointF(16, 3), QPointF(16, 29));
    for (qreal y : {-7.0, 0.0, 7.0}) {  // parallels
        const qreal half = qSqrt(169 - y * y);
        p.drawEllipse(QRectF(16 - half, 16 + y - 2, 2 * half, 4));
    }
    p.setPen(Line(accent, 1.8));
    p.drawEllipse(sphere);
}

void DrawTexture(QPainter& p, const QColor& ink, const QColor& accent)
{
    const QRectF sphere(3, 3, 26, 26);
    QPainterPath clip;
    clip.addEllipse(sphere);
    p.save();
    p.setClipPath(clip);
    for (int row = 0; row < 6; ++row)
        for (int col = 0; col < 6; ++col) {
            p.fillRect(QRectF(3 + col * 26.0 / 6, 3 + row * 26.0 / 6, 26.0 / 6 + 0.1, 26.0 / 6 + 0.1),
                       (row + col) % 2 ? accent : accent.lighter(160));
        }
    QRadialGradient shade(QPointF(11, 10), 22);
    shade.setColorAt(0, QColor(255, 255, 255, 140));
    shade.setColorAt(0.5, QColor(255, 255, 255, 0));
    shade.setColorAt(1, QColor(0, 0, 0, 120));
    p.fillRect(sphere, shade);
    p.restore();
    p.setPen(Line(ink, 1.3));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(sphere);
}

void DrawCamera(QPainter& p, const QColor& ink, const QColor& accent)
{
    p.setPen(Line(ink, 1.4));
    p.setBrush(ink.lighter(150));
    p.drawRoundedRect(QRectF(3, 10, 26, 17), 2.5, 2.5);
    p.drawPolygon(QPolygonF({{10, 10}, {12, 6}, {20, 6}, {22, 10}}));
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(16, 18.5), 6, 6);
    p.setPen(Qt::NoPen);
    p.setBrush(accent);
    p.drawEllipse(QPointF(16, 18.5), 3.5, 3.5);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(14.8, 17.3), 1.1, 1.1);
    p.setBrush(QColor(255, 230, 120));
    p.drawRect(QRectF(24, 12, 3, 2));
}

void DrawLight(QPainter& p, const QColor& ink, const QColor& accent)
{
    p.setPen(Line(accent, 1.6));
    for (int i = 0; i < 8; ++i) {
        if (i == 2) continue;  // no ray into the bulb's socket
        const qreal a = qDegreesToRadians(45.0 * i - 90 + 180);
        p.drawLine(QPointF(16 + 10.5 * qCos(a), 13 + 10.5 * qSin(a)), QPointF(16 + 14 * qCos(a), 13 + 14 * qSin(a)));
    }
    QRadialGradient glow(QPointF(14, 10), 9);
    glow.setColorAt(0, Qt::white);
    glow.setColorAt(1, QColor(255, 220, 90));
    p.setPen(Line(ink, 1.3));
    p.setBrush(glow);
    QPainterPath bulb;
    bulb.moveTo(12.5, 22);
    bulb.cubicTo(12.5, 17, 8, 16, 8, 12);
    bulb.cubicTo(8, 4, 24, 4, 24, 12);
    bulb.cubicTo(24, 16, 19.5, 17, 19.5, 22);
    bulb.closeSubpath();
    p.drawPath(bulb);
    p.setBrush(ink.lighter(150));
    p.drawRect(QRectF(12.5, 22, 7, 3));
    p.drawRect(QRectF(13.5, 25, 5, 2.5));
}

void DrawTutorial(QPainter& p, const QColor& ink, const QColor& accent)
{
    p.setPen(Line(ink, 1.3));
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygonF({{16, 8}, {9, 5}, {2, 6}, {2, 26}, {9, 25}, {16, 28}}));
    p.drawPolygon(QPolygonF({{16, 8}, {23, 5}, {30, 6}, {30, 26}, {23, 25}, {16, 28}}));
    p.setPen(Line(ink.lighter(160), 0.9));
    for (qreal y : {11.0, 15.0, 19.0}) p.drawLine(QPointF(4.5, y), QPointF(13, y + 1));
    QFont font;
    font.setPixelSize(17);
    font.setBold(true);
    p.setFont(font);
    p.setPen(accent);
    p.drawText(QRectF(16, 6, 14, 20), Qt::AlignCenter, QStringLiteral("?"));
}

}  // namespace

void QV_DrawPictogram(QPainter& painter, QV_Pictogram pictogram, const QColor& ink, const QColor& accent)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    switch (pictogram) {
    case QV_Pictogram::kOpenImage: DrawOpenImage(painter, ink, accent); break;
    case QV_Pictogram::kSaveAvatar: DrawSaveAvatar(painter, ink, accent); break;
    case QV_Pictogram::kStretchContrast: DrawStretchContrast(painter, ink, accent); break;
    case QV_Pictogram::kEyeLine: DrawEyeLine(painter, ink, accent); break;
    case QV_Pictogram::kAutoCreate: DrawAutoCreate(painter, ink, accent); break;
    case QV_Pictogram::kRecreate: DrawRecreate(painter, ink, accent); break;
    case QV_Pictogram::kLines: DrawContour(painter, 0, 0, ink, accent); break;
    case QV_Pictogram::kLandmarks: DrawContour(painter, 3, 3.2, ink, accent); break;
    case QV_Pictogram::kPoints: DrawContour(painter, 8, 2.0, ink, accent); break;
    case QV_Pictogram::kMoveAll: DrawMoveAll(painter, ink, accent); break;
    case QV_Pictogram::kMoveContour: DrawMoveContour(painter, ink, accent); break;
    case QV_Pictogram::kMovePoint: DrawMovePoint(painter, ink, accent); break;
    case QV_Pictogram::kWireframe: DrawWireframe(painter, ink, accent); break;
    case QV_Pictogram::kTexture: DrawTexture(painter, ink, accent); break;
    case QV_Pictogram::kCamera: DrawCamera(painter, ink, accent); break;
    case QV_Pictogram::kLight: DrawLight(painter, ink, accent); break;
    case QV_Pictogram::kTutorial: DrawTutorial(painter, ink, accent); break;
    }
    painter.restore();
}
