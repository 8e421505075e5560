// Helpers of the desktop program's window tests: pointer events sent straight
// to a widget, and pixel comparisons on grabbed frame buffers.
#pragma once

#include <QImage>
#include <QPoint>
#include <QWidget>

namespace visagen_gui_test {

// A pointer movement with no button held, delivered to the widget directly
// (moving the display's pointer is not needed for hover handling).
void Hover(QWidget* widget, const QPoint& at);

// Largest difference of one colour channel between a pixel and a grey level.
int DistanceFromGrey(const QImage& image, int x, int y, int grey);

// Number of pixels of a rectangle whose colour differs from the grey level
// by more than `tolerance` in some channel.
int CountDiffering(const QImage& image, const QRect& rect, int grey, int tolerance);

}  // namespace visagen_gui_test
