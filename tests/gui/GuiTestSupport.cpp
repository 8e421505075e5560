#include "GuiTestSupport.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPointingDevice>

#include <algorithm>
#include <cstdlib>

namespace visagen_gui_test {

void Hover(QWidget* widget, const QPoint& at)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(at), QPointF(widget->mapToGlobal(at)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier, QPointingDevice::primaryPointingDevice());
    QApplication::sendEvent(widget, &move);
}

int DistanceFromGrey(const QImage& image, int x, int y, int grey)
{
    const QRgb p = image.pixel(x, y);
    return std::max({std::abs(qRed(p) - grey), std::abs(qGreen(p) - grey), std::abs(qBlue(p) - grey)});
}

int CountDiffering(const QImage& image, const QRect& rect, int grey, int tolerance)
{
    int count = 0;
    const QRect r = rect.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (DistanceFromGrey(image, x, y, grey) > tolerance)
                ++count;
    return count;
}

}  // namespace visagen_gui_test
