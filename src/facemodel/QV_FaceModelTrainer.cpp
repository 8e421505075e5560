#include "QV_FaceModelTrainer.h"

#include "QV_Error.h"

bool QV_FaceModelTrainer::Train(const QV_AnnotationModel&, const std::vector<QV_FaceExample>&, QV_FaceSearch&)
{
    // Not written yet.
    QV_PrintError("QV_FaceModelTrainer::Train() Error! : not available yet\n");
    return false;
}
