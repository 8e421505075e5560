#include "QV_Icons.h"

#include <QColor>
#include <QPainter>

QPixmap QV_IconPixmap(int iconNumber, int size)
{
    if (size <= 0 || iconNumber < 136 || iconNumber > 186)
        return QPixmap();
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(70, 110, 170));
    painter.drawEllipse(QRectF(1, 1, size - 2, size - 2));
    return pixmap;
}

QIcon QV_ApplicationIcon()
{
    return QIcon(QV_IconPixmap(136, 64));
}

QPixmap QV_SplashPixmap()
{
    QPixmap pixmap(400, 250);
    pixmap.fill(QColor(40, 60, 90));
    return pixmap;
}
