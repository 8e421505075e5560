// Training examples for train-face: loading, mirroring and jitter.
#include "TrainFaceExamples.h"

#include <cmath>
#include <random>

#include "QV_Error.h"
#include "QV_FaceTemplate.h"

bool LoadLabelledPortrait(const std::string& facesDir, const QV_LabelledFace& face, int width, TrainingExample& out)
{
    std::string path = facesDir + "/" + face.image;
    if (!out.image.Load(QV_String(path))) {
        QV_PrintError(("train-face: cannot read " + path + "\n").c_str());
        return false;
    }
    if (out.image.Rows() < 2 || out.image.Cols() < 2) {
        QV_PrintError(("train-face: empty image " + path + "\n").c_str());
        return false;
    }
    // The labels are normalised by the size the label file gives; the image
    // on disk must have that size (a resized copy would shift every point).
    if (out.image.Cols() != face.width || out.image.Rows() != face.height) {
        QV_PrintError(("train-face: " + path + " is not the size its labels give\n").c_str());
        return false;
    }
    if (width > 0 && out.image.Cols() != width) {
        int rows = static_cast<int>(std::lround(static_cast<double>(out.image.Rows()) * width / out.image.Cols()));
        out.image.Resize(rows < 1 ? 1 : rows, width, true);
    }
    QV_BuildFaceTemplate(QV_NormalisedLandmarks(face), static_cast<float>(face.width) / static_cast<float>(face.height),
                         out.annotation);
    return true;
}

TrainingExample MirroredExample(const TrainingExample& example)
{
    TrainingExample m = example;
    m.image.Mirror();
    m.annotation.Mirror();
    return m;
}

TrainingExample JitteredExample(const TrainingExample& example, std::uint32_t seed)
{
    std::mt19937 random(seed);
    auto uniform = [&random](float range) {
        return std::uniform_real_distribution<float>(-range, range)(random);
    };
    const float angle = uniform(6.0f) * 3.14159265f / 180.0f;
    const float scale = 1.0f + uniform(0.06f);
    const float W = static_cast<float>(example.image.Cols()), H = static_cast<float>(example.image.Rows());
    const QV_Point2D shift(uniform(0.03f) * W, uniform(0.03f) * W);
    float gain[3], offset[3];
    for (int k = 0; k < 3; ++k) {
        gain[k] = 1.0f + uniform(0.12f);
        offset[k] = uniform(12.0f);
    }

    // Forward map in pixels (x right, y up from the bottom row): about the
    // image centre, p' = c + s R (p - c) + shift.
    const QV_Point2D centre(W * 0.5f, H * 0.5f);
    const float cs = std::cos(angle) * scale, sn = std::sin(angle) * scale;
    auto forward = [&](const QV_Point2D& p) {
        QV_Point2D d = p - centre;
        return centre + QV_Point2D(cs * d.x - sn * d.y, sn * d.x + cs * d.y) + shift;
    };
    const float det = cs * cs + sn * sn;
    auto inverse = [&](const QV_Point2D& q) {
        QV_Point2D d = q - centre - shift;
        return centre + QV_Point2D((cs * d.x + sn * d.y) / det, (-sn * d.x + cs * d.y) / det);
    };

    TrainingExample j;
    j.image = example.image;
    QV_BilinearSampler sampler(example.image);
    const int rl = example.image.RowLow(), cl = example.image.ColLow();
    for (int r = 0; r < example.image.Rows(); ++r)
        for (int c = 0; c < example.image.Cols(); ++c) {
            QV_Point2D src = inverse(QV_Point2D(static_cast<float>(c) + 0.5f, static_cast<float>(r) + 0.5f));
            QV_Colour v = sampler.Sample(src.x - 0.5f, src.y - 0.5f);
            unsigned char* channel[3] = {&v.red, &v.green, &v.blue};
            for (int k = 0; k < 3; ++k)
                *channel[k] = QV_RoundToByte(static_cast<float>(*channel[k]) * gain[k] + offset[k]);
            j.image(rl + r, cl + c) = v;
        }
    j.annotation = example.annotation;
    for (int a = 0; a < j.annotation.Count(); ++a) {
        QV_Annotation& ann = j.annotation[a];
        for (int p = 0; p < ann.NumPoints(); ++p) {
            QV_Point2D q = forward(ann.points[p].Scaled(QV_Point2D(W, H)));
            ann.points[p] = QV_Point2D(q.x / W, q.y / H);
        }
    }
    return j;
}
