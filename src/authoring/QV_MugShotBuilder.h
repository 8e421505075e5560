// Building a mugshot model from a template head: mapping entries that tie
// every template vertex to the points of a reference annotation, texture
// samplers limited to the texels the photograph fills, and the whole record.
#pragma once

#include <vector>

#include "QV_AnnotationModel.h"
#include "QV_Image.h"
#include "QV_MappingEntry.h"
#include "QV_Mesh.h"
#include "QV_MugShot2D3D.h"
#include "QV_TextureSampler.h"

// One mapping entry per target: the barycentric weights of the target in the
// Delaunay triangle of the annotation's points (all points in model order,
// scaled by frameSize) that contains it, or, outside the hull, in the nearest
// triangle (weights then extrapolate, so the target is still reproduced).
// Targets are in the same scaled frame. False, with a message, when the
// annotation's points admit no triangle.
bool QV_BuildMappingList(const QV_AnnotationModel& model, const QV_Point2D& frameSize,
                         const std::vector<QV_Point2D>& targets, QV_MappingList& out);

// Keeps only the sample entries whose texel may take the photograph: those
// whose texel, or a texel next to it, has a non-zero green weight in the mask
// as the blend resizes it to the sampler's size. Texels outside that region
// never use the photograph sample, so their entries would only enlarge files.
void QV_RestrictSamplerToMask(QV_TextureSampler& sampler, const QV_Image& mask);

// The standard plug-in's data, as written into its asset folder.
struct QV_TemplateHeadData {
    QV_MugShot2D3D mugshot;
    QV_AnnotationModel front;    // "Front.mma"
    QV_AnnotationModel profile;  // "Right.mma"
    QV_Image profileImage;       // "Right.jpg"
    QV_Image mask;               // "TexMask.bmp"
};

// Builds the template head and everything derived from it. False, with a
// message, when a mapping or sampler cannot be built.
bool QV_BuildTemplateHeadData(QV_TemplateHeadData& data);

// Writes the asset files into folder (which must exist). False, with a
// message naming the file, when one cannot be written.
bool QV_SaveTemplateHeadData(const QV_TemplateHeadData& data, const QV_String& folder);
