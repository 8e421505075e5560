// The pictograms of the control-bar buttons, one per command, painted into a
// 32 x 32 unit box with an ink colour and an accent colour.
#pragma once

#include <QColor>

class QPainter;

enum class QV_Pictogram {
    kOpenImage,        // a photograph coming out of a folder
    kSaveAvatar,       // a disk with a head on its label
    kStretchContrast,  // a half-dark, half-light disc with a rising ramp
    kEyeLine,          // two eyes joined by a dragged line
    kAutoCreate,       // a face with a spark
    kRecreate,         // a head inside a circular arrow
    kLines,            // an annotation contour as lines
    kLandmarks,        // a contour with its few landmarks
    kPoints,           // a contour with all its points
    kMoveAll,          // a whole face outline with the four move arrows
    kMoveContour,      // one eye contour with the four move arrows
    kMovePoint,        // one point under the pointer arrow
    kWireframe,        // a wire-frame sphere
    kTexture,          // a shaded, textured sphere
    kCamera,           // a camera
    kLight,            // a light bulb with rays
    kTutorial,         // a book with a question mark
};

// Paints `pictogram` with the painter's transform mapping the 32 x 32 unit box
// onto the target. The painter's state is restored afterwards.
void QV_DrawPictogram(QPainter& painter, QV_Pictogram pictogram, const QColor& ink, const QColor& accent);
