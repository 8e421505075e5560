// Loading labelled portraits as training examples for the face search model:
// the image at a working width, the template annotation built from its 68
// points, and the augmented copies (mirror, similarity and photometric jitter).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "QV_AnnotationModel.h"
#include "QV_Image.h"
#include "QV_Landmarks68.h"

struct TrainingExample {
    QV_Image image;
    QV_AnnotationModel annotation;
};

// Loads the portrait `face` (relative to `facesDir`), resized to `width`
// columns (0 keeps its size), with its template annotation. False with a
// message when the image cannot be read.
bool LoadLabelledPortrait(const std::string& facesDir, const QV_LabelledFace& face, int width, TrainingExample& out);

// The mirrored copy: the image mirrored and the annotation through Mirror.
TrainingExample MirroredExample(const TrainingExample& example);

// A copy under a random similarity about the image centre (rotation within
// +-6 degrees, scale within +-6 %, shift within +-3 % of the width) and a
// random per-channel gain (+-12 %) and offset (+-12 grey levels), drawn from
// a generator seeded with `seed`.
TrainingExample JitteredExample(const TrainingExample& example, std::uint32_t seed);
