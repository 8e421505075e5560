#include "QV_ImagePreparation.h"
// Implementation in progress.
void QV_PrepareImage(QV_Image&, int) {}
int QV_SharpenWindow(int width) { return width * 15 >= 1536 ? (width * 15) / 512 : 3; }
void QV_DownsampleImage(const QV_Image& finer, QV_Image& coarser) { coarser = finer; }
bool QV_BuildPyramid(const QV_Image&, int, int, bool, int, std::vector<QV_Image>& pyramid) { pyramid.clear(); return false; }
