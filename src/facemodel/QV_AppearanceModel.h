// QV_AppearanceModel: one pyramid level of the appearance model - the texture
// and combined appearance PCAs, the matrices that turn appearance parameters
// into texture and model-frame shape, the table of texture sample points inside
// the mean shape's triangles, and the parameter update model.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "QV_Array.h"
#include "QV_Array2D.h"
#include "QV_PCA.h"
#include "QV_UpdateModel.h"

// A texture sample point as barycentric weights of its triangle's corners.
struct QV_SampleWeights {
    float w0 = 0.0f;
    float w1 = 0.0f;
    float w2 = 0.0f;
};

// A pair of indices kept with each sampling-table record.
struct QV_IndexPair {
    int32_t first = 0;
    int32_t second = 0;
};

// One triangle of the model's mesh: the shape-vector indices of the x
// coordinates of its three corners and the sample points inside it.
struct QV_SamplingTriangle {
    int32_t corner[3] = {0, 0, 0};
    std::vector<QV_SampleWeights> samples;
    std::vector<QV_IndexPair> pairs;
};

class QV_AppearanceModel {
public:
    static constexpr int32_t kCurrentVersion = 2;

    // Model version: 1 normalises texture scale by normalisationTexture, 2 and
    // later by the stored textureScale.
    int32_t version = kCurrentVersion;
    int32_t reserved[3] = {0, 0, 0};
    // Each must be 1 (a plain PCA) in a file.
    int32_t textureModelType = 1;
    int32_t appearanceModelType = 1;
    // Two stored values kept as they are, then the shape parameter weight.
    uint32_t weightReserved[2] = {0, 0};
    float shapeWeight = 1.0f;
    QV_Array<float> firstTexture;
    QV_Array<float> normalisationTexture;
    // Version 2 on: a stored value kept as it is, then the texture scale.
    uint32_t scaleReserved = 0;
    float textureScale = 1.0f;
    // texture = textureModel mean + textureFromAppearance · c
    QV_Matrix textureFromAppearance;
    // model-frame shape = shape PCA mean + shapeFromAppearance · c
    QV_Matrix shapeFromAppearance;
    // The sampling table, with the bounds it is stored under.
    std::vector<QV_SamplingTriangle> sampling;
    int64_t samplingLow = 0;
    QV_UpdateModel update;
    QV_PCA textureModel;
    QV_PCA appearanceModel;

    // Number of texture values the sampling table yields (3 per sample point).
    int TextureSize() const;
    int SampleCount() const;
    // Appearance parameters (appearance PCA modes) and the full search vector
    // length (photometric 2 + pose 4 + appearance modes).
    int AppearanceModes() const;
    int ParameterCount() const { return AppearanceModes() + 6; }

    // Samples the image texture at a shape vector in pixels (x, y pairs; x =
    // column, y = row): for every sample point of every triangle, in order, the
    // red, green and blue of the bilinear sample at the barycentric combination
    // of the triangle's corners. False when a corner index does not fit the shape.
    template <class Sampler>
    bool SampleTexture(const Sampler& sampler, const QV_Array<float>& shape, QV_Array<float>& texture) const;

    // Checks that every part fits the others: corner indices inside the shape
    // length (rows of shapeFromAppearance), the texture size of the table equal
    // to the texture PCA's and textureFromAppearance's, the appearance mode
    // counts of both matrices, the update model's residual and parameter sizes.
    // With shapeSize >= 0 the shape length must also equal it.
    bool IsConsistent(int shapeSize = -1) const;

    // Binary form, fields in the order above. Read fails (false, model
    // cleared) on a short read, a PCA type code other than 1, a count the file
    // cannot hold, or parts that do not fit together (IsConsistent()).
    bool Read(std::FILE* f);
    bool Write(std::FILE* f) const;
};

template <class Sampler>
bool QV_AppearanceModel::SampleTexture(const Sampler& sampler, const QV_Array<float>& shape,
                                       QV_Array<float>& texture) const
{
    const int n = shape.Count();
    for (const QV_SamplingTriangle& t : sampling)
        for (int k = 0; k < 3; ++k)
            if (t.corner[k] < 0 || t.corner[k] + 1 >= n) return false;
    texture.Resize(TextureSize());
    const float* s = shape.Data();
    int out = 0;
    for (const QV_SamplingTriangle& t : sampling) {
        const float* a = s + t.corner[0];
        const float* b = s + t.corner[1];
        const float* c = s + t.corner[2];
        for (const QV_SampleWeights& w : t.samples) {
            const float x = w.w0 * a[0] + w.w1 * b[0] + w.w2 * c[0];
            const float y = w.w0 * a[1] + w.w1 * b[1] + w.w2 * c[1];
            const auto colour = sampler.Sample(x, y);
            texture[out++] = colour.red;
            texture[out++] = colour.green;
            texture[out++] = colour.blue;
        }
    }
    return true;
}
