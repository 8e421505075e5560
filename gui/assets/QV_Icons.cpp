#include "QV_Icons.h"

#include <QLinearGradient>
#include <QPainter>

#include "QV_Pictograms.h"

namespace {

// Which pictogram an icon number shows and whether it is the hover form.
struct IconEntry {
    int number;
    QV_Pictogram pictogram;
    bool hover;
};

// The control bar's icon pairs: the normal icon, then the hover icon of the
// same button.
constexpr IconEntry kIcons[] = {
    {137, QV_Pictogram::kOpenImage, false},       {144, QV_Pictogram::kOpenImage, true},
    {138, QV_Pictogram::kSaveAvatar, false},      {145, QV_Pictogram::kSaveAvatar, true},
    {139, QV_Pictogram::kStretchContrast, false}, {177, QV_Pictogram::kStretchContrast, true},
    {178, QV_Pictogram::kEyeLine, false},         {179, QV_Pictogram::kEyeLine, true},
    {136, QV_Pictogram::kAutoCreate, false},      {146, QV_Pictogram::kAutoCreate, true},
    {163, QV_Pictogram::kRecreate, false},        {147, QV_Pictogram::kRecreate, true},
    {142, QV_Pictogram::kLines, false},           {185, QV_Pictogram::kLines, true},
    {150, QV_Pictogram::kLandmarks, false},       {184, QV_Pictogram::kLandmarks, true},
    {151, QV_Pictogram::kPoints, false},          {186, QV_Pictogram::kPoints, true},
    {154, QV_Pictogram::kMoveAll, false},         {181, QV_Pictogram::kMoveAll, true},
    {160, QV_Pictogram::kMoveContour, false},     {182, QV_Pictogram::kMoveContour, true},
    {161, QV_Pictogram::kMovePoint, false},       {183, QV_Pictogram::kMovePoint, true},
    {143, QV_Pictogram::kWireframe, false},       {149, QV_Pictogram::kWireframe, true},
    {172, QV_Pictogram::kTexture, false},         {174, QV_Pictogram::kTexture, true},
    {162, QV_Pictogram::kCamera, false},          {180, QV_Pictogram::kCamera, true},
    {164, QV_Pictogram::kLight, false},           {173, QV_Pictogram::kLight, true},
    {153, QV_Pictogram::kTutorial, false},        {155, QV_Pictogram::kTutorial, true},
};

const IconEntry* FindIcon(int number)
{
    for (const IconEntry& e : kIcons)
        if (e.number == number) return &e;
    return nullptr;
}

// Largest picture drawn; a bound on what a caller's size can make us allocate.
constexpr int kMaxIconSize = 1024;

}  // namespace

QPixmap QV_IconPixmap(int iconNumber, int size)
{
    const IconEntry* entry = FindIcon(iconNumber);
    if (entry == nullptr || size <= 0 || size > kMaxIconSize) return QPixmap();

    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 32.0, size / 32.0);

    // The button's tile: a soft grey-blue in the normal form; lighter, with
    // an amber ring, while the pointer is over the button.
    const QRectF tile(0.75, 0.75, 30.5, 30.5);
    QLinearGradient background(0, 0, 0, 32);
    if (entry->hover) {
        background.setColorAt(0, QColor(255, 255, 245));
        background.setColorAt(1, QColor(255, 236, 190));
        painter.setPen(QPen(QColor(240, 150, 20), 1.5));
    } else {
        background.setColorAt(0, QColor(236, 240, 246));
        background.setColorAt(1, QColor(200, 210, 224));
        painter.setPen(QPen(QColor(150, 162, 180), 0.8));
    }
    painter.setBrush(background);
    painter.drawRoundedRect(tile, 5, 5);

    // The pictogram inside a margin so the ring stays clear of it.
    painter.translate(16, 16);
    painter.scale(0.8, 0.8);
    painter.translate(-16, -16);
    const QColor ink = entry->hover ? QColor(30, 60, 120) : QColor(55, 65, 85);
    const QColor accent = entry->hover ? QColor(255, 120, 0) : QColor(60, 110, 180);
    QV_DrawPictogram(painter, entry->pictogram, ink, accent);
    return pixmap;
}
