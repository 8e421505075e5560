#include "QV_AppearanceTrainer.h"
// Work in progress.
bool QV_AppearanceTrainer::Train(QV_ShapeModel2D&, const std::vector<QV_AppearanceExample>&, QV_AppearanceModel&)
{
    return false;
}
