// The blend of a photograph sample with the stock skin texture through the
// mugshot's mask: green weights the photograph, red a second sample (or the
// stock texture) shifted to the photograph's skin tone, blue the stock texture
// shifted likewise; black mask texels keep the stock colour.
#pragma once

#include <vector>

#include "QV_Image.h"
#include "QV_Point.h"
#include "QV_TextureSampler.h"

struct QV_BlendInput {
    const QV_TextureSampler* sampler = nullptr;
    const std::vector<float>* photoSample = nullptr;   // first sample buffer
    const std::vector<float>* secondSample = nullptr;  // null for the front-only blend
    const QV_Image* mask = nullptr;                    // empty: the photograph everywhere
    QV_Point2D samplePoint{0.23f, 0.70f};              // skin colour, fractions of width, height
};

// texture holds the stock texture on entry and the blended one on return; it
// and the mask are resampled to the sampler's size when they differ. The
// photograph's skin colour minus the stock texture's is written to
// colourOffset. False (texture unchanged) when the sampler has no size, a
// buffer does not fit it or the stock texture is empty.
bool QV_BlendTexture(const QV_BlendInput& in, QV_Image& texture, float colourOffset[3]);
