// The program's pictures, drawn in code: the control bar's normal and hover
// icons (by icon number), the application icon and the splash picture.
#pragma once

#include <QIcon>
#include <QPixmap>

// The picture of one control-bar icon number, size x size pixels with a
// transparent background. Normal icons are 136-139, 142, 143, 150, 151, 153,
// 154, 160-164, 172 and 178; their hover icons (144-147, 149, 155, 173, 174,
// 177 and 179-186) show the same pictogram, brightened and inside a coloured
// ring. An unknown number, or a size outside 1..1024, gives a null pixmap.
QPixmap QV_IconPixmap(int iconNumber, int size);

// The icon of the main window and of the program on the desktop, at several sizes.
QIcon QV_ApplicationIcon();

// The picture shown by the loading dialog while the program starts.
QPixmap QV_SplashPixmap();
