// The figure target's join of a created head into its stock figure.
#include "QV_Error.h"
#include "QV_HeadRepair.h"
#include "QV_OlderMugShotPlugins.h"
#include "QV_Similarity3D.h"
#include "QV_VertexList.h"

namespace {

bool Inside(int index, const QV_Mesh& mesh) { return index >= 0 && index < mesh.VertexCount(); }

bool Refuse(const char* why)
{
    QV_PrintError((std::string("QV_FigureHeadPlugin::JoinHead() Error! : ") + why + "\n").c_str());
    return false;
}

}  // namespace

bool QV_FigureHeadPlugin::JoinListsFit(const QV_Mesh& head) const
{
    const QV_Mesh& figure = ChosenFigure();
    if (figure.VertexCount() == 0) return true;
    if (headCorrespondance.Size() != static_cast<unsigned>(bodyHeadCorrespondance.Size()) ||
        headNeckCorres.Size() != bodyNeckCorres.Size())
        return Refuse("paired vertex lists differ in length");
    const int low = bodyHeadCorrespondance.Low();
    for (unsigned i = 0; i < headCorrespondance.Size(); ++i)
        if (!Inside(headCorrespondance[i], head) || !Inside(bodyHeadCorrespondance[low + static_cast<int>(i)], figure))
            return Refuse("a head pair names a vertex outside its mesh");
    for (unsigned i = 0; i < headNeckCorres.Size(); ++i)
        if (!Inside(headNeckCorres[i], head) || !Inside(bodyNeckCorres[i], figure))
            return Refuse("a neck pair names a vertex outside its mesh");
    for (unsigned i = 0; i < bodySmooth.Size(); ++i)
        if (!Inside(bodySmooth[i], figure)) return Refuse("a smoothed vertex lies outside the figure");
    return true;
}

bool QV_FigureHeadPlugin::JoinHead(const QV_Mesh& head, QV_Mesh& figure) const
{
    if (!JoinListsFit(head)) return false;
    figure = ChosenFigure();
    if (figure.VertexCount() == 0) {
        // Without its figure the target still gives the head.
        figure = head;
        return true;
    }
    const int low = bodyHeadCorrespondance.Low();
    std::vector<QV_Point3D> headSeam, figureSeam;
    for (unsigned i = 0; i < headNeckCorres.Size(); ++i) {
        headSeam.push_back(head.vertices[headNeckCorres[i]]);
        figureSeam.push_back(figure.vertices[bodyNeckCorres[i]]);
    }
    const std::vector<int> smoothList = QV_IndexVector(bodySmooth);

    // The head sits on the figure where the two neck seams meet.
    QV_Similarity3D place;
    if (!headSeam.empty() && !place.Fit(headSeam, figureSeam)) return Refuse("the neck seam is degenerate");
    for (unsigned i = 0; i < headCorrespondance.Size(); ++i)
        figure.vertices[bodyHeadCorrespondance[low + static_cast<int>(i)]] = place.Apply(head.vertices[headCorrespondance[i]]);
    for (unsigned i = 0; i < headNeckCorres.Size(); ++i)
        figure.vertices[bodyNeckCorres[i]] = place.Apply(head.vertices[headNeckCorres[i]]);
    if (!smoothList.empty()) {
        const QV_VertexNeighbours neighbours(figure);
        for (int pass = 0; pass < kAverageFixPasses; ++pass)
            if (!QV_HeadRepair::AverageFix(figure, smoothList, neighbours)) return false;
    }
    QV_HeadRepair::Finish(figure);
    return true;
}
