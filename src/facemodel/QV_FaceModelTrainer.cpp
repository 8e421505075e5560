#include "QV_FaceModelTrainer.h"

#include <cmath>
#include <memory>
#include <vector>

#include "QV_Error.h"
#include "QV_ImagePreparation.h"
#include "QV_ShapeInstance.h"
#include "QV_Similarity.h"

namespace {

void Fail(const char* text)
{
    QV_PrintError((QV_String("QV_FaceModelTrainer::Train() Error! : ") + text + "\n").CStr());
}

// Size of an image resized to `width` columns keeping its aspect ratio.
QV_Point2D WorkingSize(const QV_Image& image, int width)
{
    float rows = std::round(static_cast<float>(image.Rows()) * static_cast<float>(width) /
                            static_cast<float>(image.Cols()));
    return QV_Point2D(static_cast<float>(width), rows < 1.0f ? 1.0f : rows);
}

// True when the annotation has the template's contours with their point counts.
bool MatchesTemplate(const QV_AnnotationModel& a, const QV_AnnotationModel& t)
{
    if (a.Count() != t.Count()) return false;
    for (int i = 0; i < t.Count(); ++i)
        if (a[i].NumPoints() != t[i].NumPoints() || !(a[i].label == t[i].label)) return false;
    return true;
}

QV_Point2D PairAt(const QV_Array<float>& v, int i) { return {v[v.Low() + 2 * i], v[v.Low() + 2 * i + 1]}; }

// Aligns every vector onto a common mean (iterated least-squares similarity
// fits, the mean's own pose held to the first vector's), in place; returns
// the mean.
QV_Array<float> AlignAll(std::vector<QV_Array<float>>& shapes)
{
    const QV_Array<float> first = shapes[0];
    QV_Array<float> mean = first;
    for (int iteration = 0; iteration < 6; ++iteration) {
        for (QV_Array<float>& s : shapes) {
            QV_Similarity pose;
            pose.Align(s, mean);
            pose.ApplyToVector(s);
        }
        QV_Array<float> next(mean.Count());
        for (int k = 0; k < next.Count(); ++k) next[k] = 0.0f;
        for (const QV_Array<float>& s : shapes)
            for (int k = 0; k < next.Count(); ++k) next[k] += s[s.Low() + k];
        for (int k = 0; k < next.Count(); ++k) next[k] /= static_cast<float>(shapes.size());
        QV_Similarity gauge;
        gauge.Align(next, first);
        gauge.ApplyToVector(next);
        mean = next;
    }
    for (QV_Array<float>& s : shapes) {
        QV_Similarity pose;
        pose.Align(s, mean);
        pose.ApplyToVector(s);
    }
    return mean;
}

// Every point of every annotation in pixels of the image, as one vector.
QV_Array<float> AllPoints(const QV_AnnotationModel& a, const QV_Point2D& size)
{
    int n = 0;
    for (int i = 0; i < a.Count(); ++i) n += a[i].NumPoints();
    QV_Array<float> v(2 * n);
    int k = 0;
    for (int i = 0; i < a.Count(); ++i)
        for (int p = 0; p < a[i].NumPoints(); ++p) {
            v[k++] = a[i].points[p].x * size.x;
            v[k++] = a[i].points[p].y * size.y;
        }
    return v;
}

// The reference annotation: the template with the aligned mean of every
// example's points, centred in a 320 x 512 frame at 80% of its height and
// stored as fractions of it.
bool BuildReference(const QV_AnnotationModel& templ, const std::vector<QV_FaceExample>& examples,
                    QV_AnnotationModel& out)
{
    std::vector<QV_Array<float>> all;
    for (const QV_FaceExample& e : examples)
        all.push_back(AllPoints(*e.annotation, QV_Point2D(static_cast<float>(e.image->Cols()),
                                                          static_cast<float>(e.image->Rows()))));
    if (all[0].Count() < 4) return false;
    QV_Array<float> mean = AlignAll(all);
    float minX = 3.4e38f, maxX = -3.4e38f, minY = 3.4e38f, maxY = -3.4e38f;
    for (int i = 0; i < mean.Count() / 2; ++i) {
        QV_Point2D p = PairAt(mean, i);
        minX = std::fmin(minX, p.x);
        maxX = std::fmax(maxX, p.x);
        minY = std::fmin(minY, p.y);
        maxY = std::fmax(maxY, p.y);
    }
    float height = maxY - minY;
    if (!(height > 0.0f)) return false;
    float s = 0.8f * 512.0f / height;
    QV_Point2D c((minX + maxX) * 0.5f, (minY + maxY) * 0.5f);
    out = templ;
    int k = 0;
    for (int i = 0; i < out.Count(); ++i)
        for (int p = 0; p < out[i].NumPoints(); ++p, ++k) {
            QV_Point2D q = PairAt(mean, k);
            out[i].points[p] = QV_Point2D(((q.x - c.x) * s + 160.0f) / 320.0f, ((q.y - c.y) * s + 256.0f) / 512.0f);
            out[i].normalised = 1;
        }
    return true;
}

}  // namespace

bool QV_FaceModelTrainer::Train(const QV_AnnotationModel& templateModel, const std::vector<QV_FaceExample>& examples,
                                QV_FaceSearch& out)
{
    const QV_FaceModelTrainerOptions& o = options;
    if (examples.size() < 2) {
        Fail("less than 2 examples");
        return false;
    }
    if (o.profileLevels < 1 || o.profileWidth < 1 || o.profileHalfLength < 0 || o.appearanceLevels < 1 ||
        o.appearanceWidth < 1) {
        Fail("bad options");
        return false;
    }
    for (const QV_FaceExample& e : examples) {
        if (!e.image || !e.annotation || e.image->Rows() < 1 || e.image->Cols() < 1 ||
            !MatchesTemplate(*e.annotation, templateModel)) {
            Fail("an example has no image or does not match the template");
            return false;
        }
    }

    // Annotations restricted to the template's contours.
    std::vector<QV_AnnotationModel> annotations;
    for (const QV_FaceExample& e : examples) {
        annotations.push_back(*e.annotation);
        annotations.back().CopyUsedFlags(templateModel);
    }

    // ---- shape model: aligned shapes in pixels of the working image ----
    std::vector<QV_Array<float>> shapes;
    for (size_t i = 0; i < examples.size(); ++i) {
        QV_Array<float> v;
        QV_ShapeInstance::ShapeVector(WorkingSize(*examples[i].image, o.profileWidth), annotations[i], v);
        shapes.push_back(v);
    }
    if (shapes[0].Count() < 4) {
        Fail("the template has fewer than 2 used points");
        return false;
    }
    QV_Array<float> mean = AlignAll(shapes);
    QV_ShapeModel2D shapeModel;
    shapeModel.templateModel = templateModel;
    shapeModel.modelType = 1;
    shapeModel.meanScale = 1.0f;
    shapeModel.pca = std::make_unique<QV_PCA>();
    for (const QV_Array<float>& s : shapes) shapeModel.pca->AddObservation(s);
    if (shapeModel.pca->Build(o.shapePercentage) < 0.0f || shapeModel.pca->NumModes() < 1) {
        Fail("the shape model cannot be built");
        return false;
    }
    shapeModel.pca->ClearObservations();
    shapeModel.referenceShape = shapeModel.pca->GetMean();

    // ---- profile models, and the images the appearance levels train on ----
    QV_ProfileSearch profile;
    profile.levels = o.profileLevels;
    profile.workingWidth = o.profileWidth;
    profile.profileHalfLength = o.profileHalfLength;
    profile.shapeModel = shapeModel;
    const int numPoints = shapeModel.NumPoints();
    std::vector<std::vector<QV_PCA>> profilePcas(static_cast<size_t>(o.profileLevels),
                                                 std::vector<QV_PCA>(static_cast<size_t>(numPoints)));
    std::vector<std::vector<QV_Image>> appearanceImages(static_cast<size_t>(o.appearanceLevels));
    QV_ProfileSearch scratch = profile;
    for (size_t e = 0; e < examples.size(); ++e) {
        if (!scratch.BuildPyramid(*examples[e].image) || scratch.PyramidLevels() != o.profileLevels) {
            Fail("an example image gives no pyramid");
            return false;
        }
        for (int l = 0; l < o.profileLevels; ++l) {
            QV_ShapeInstance shape;
            shape.SetFromAnnotation(scratch.LevelSize(l), annotations[e]);
            shape.UpdateNormals();
            QV_Array<float> values;
            for (int p = 0; p < numPoints; ++p) {
                scratch.TrainingProfile(scratch.LevelImage(l), shape.Point(p), shape.Normal(p), values);
                profilePcas[static_cast<size_t>(l)][static_cast<size_t>(p)].AddObservation(values);
            }
        }
        std::vector<QV_Image> levels;
        for (int l = 0; l < scratch.PyramidLevels(); ++l) levels.push_back(scratch.LevelImage(l));
        int source = QV_AppearanceSearch::ChooseSourceLevel(levels, o.appearanceWidth);
        std::vector<QV_Image> small;
        if (source < 0 || !QV_BuildPyramid(levels[static_cast<size_t>(source)], o.appearanceWidth, o.appearanceLevels,
                                           false, 0, small) ||
            static_cast<int>(small.size()) != o.appearanceLevels) {
            Fail("an example image gives no appearance pyramid");
            return false;
        }
        for (int l = 0; l < o.appearanceLevels; ++l)
            appearanceImages[static_cast<size_t>(l)].push_back(std::move(small[static_cast<size_t>(l)]));
    }
    profile.profileModels.resize(static_cast<size_t>(o.profileLevels));
    for (int l = 0; l < o.profileLevels; ++l) {
        QV_ProfileSearch::LevelModels& level = profile.profileModels[static_cast<size_t>(l)];
        level.low = 0;
        level.high = numPoints - 1;
        for (QV_PCA& pca : profilePcas[static_cast<size_t>(l)]) {
            if (pca.Build(o.profilePercentage) < 0.0f || pca.NumModes() < 1) {
                Fail("a profile model cannot be built");
                return false;
            }
            pca.ClearObservations();
            level.models.push_back(std::move(pca));
        }
    }

    // ---- appearance levels ----
    QV_AppearanceSearch appearance;
    appearance.levels = o.appearanceLevels;
    appearance.workingWidth = o.appearanceWidth;
    appearance.shapeModel = shapeModel;
    QV_AppearanceTrainer trainer;
    trainer.options = o.appearance;
    for (int l = 0; l < o.appearanceLevels; ++l) {
        std::vector<QV_AppearanceExample> level;
        for (size_t e = 0; e < examples.size(); ++e) {
            const QV_Image& image = appearanceImages[static_cast<size_t>(l)][e];
            QV_AppearanceExample x;
            x.image = &image;
            QV_ShapeInstance::ShapeVector(
                QV_Point2D(static_cast<float>(image.Cols()), static_cast<float>(image.Rows())), annotations[e],
                x.shape);
            level.push_back(std::move(x));
        }
        QV_AppearanceModel model;
        if (!trainer.Train(appearance.shapeModel, level, model)) {
            Fail("an appearance level cannot be built");
            return false;
        }
        appearance.models.push_back(std::move(model));
    }

    QV_AnnotationModel reference;
    if (!BuildReference(templateModel, examples, reference)) {
        Fail("the reference annotation cannot be built");
        return false;
    }

    out.header = 0;
    out.fitter = QV_FaceFitter();
    out.fitter.profileSearch = std::move(profile);
    out.fitter.appearanceSearch = std::move(appearance);
    out.reference = std::move(reference);
    return true;
}
