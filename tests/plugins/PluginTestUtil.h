// Small reference data for the plug-in tests: a template head with named
// groups, images, annotations, mugshots, and plug-ins of every type filled
// with distinct values in every record.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "QV_AvatarPlugin.h"
#include "QV_BinaryIO.h"
#include "QV_HeadModelFile.h"
#include "QV_MugShotPluginFamily.h"
#include "QV_OlderMugShotPlugins.h"
#include "QV_StandardHeadPlugin.h"
#include "TestSupport.h"

namespace plugin_test {

inline void AddGroup(QV_Mesh& m, const char* name, std::initializer_list<int> faces)
{
    QV_Feature f;
    f.name = name;
    for (int i : faces) f.faceIndices.Append(i);
    m.features.Append(f);
}

// Eight vertices; faces 0 (0 1 2) "RightEye", 1 (2 3 4) "LeftEye", 2 (4 5 6 7)
// "RightEar", 3 (0 7 6) "LeftEar".
inline QV_Mesh TemplateHead(float offset = 0.0f)
{
    QV_Mesh m;
    for (int i = 0; i < 8; ++i) m.vertices.Append({offset + i, 0.5f * i, -0.25f * i});
    for (int i = 0; i < 8; ++i) m.texCoords.Append({i / 8.0f, 1.0f - i / 8.0f});
    m.faces.Append(QV_Face(0, 1, 2));
    m.faces.Append(QV_Face(2, 3, 4));
    m.faces.Append(QV_Face(4, 5, 6, 7));
    m.faces.Append(QV_Face(0, 7, 6));
    AddGroup(m, "RightEye", {0});
    AddGroup(m, "LeftEye", {1});
    AddGroup(m, "RightEar", {2});
    AddGroup(m, "LeftEar", {3});
    return m;
}

inline QV_Image Picture(int rows, int cols, int seed)
{
    QV_Image im(rows, cols);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c)
            im.Row(r)[c] = QV_Colour(static_cast<unsigned char>(seed + 7 * r), static_cast<unsigned char>(3 * c),
                                     static_cast<unsigned char>(seed * 11 + r * c), 255);
    return im;
}

inline QV_AnnotationModel Annotation(const char* label, float shift)
{
    QV_AnnotationModel m;
    QV_Annotation a;
    a.label = label;
    for (int i = 0; i < 4; ++i) a.points.Append({0.1f * i + shift, 0.2f + 0.05f * i});
    a.landmarks.Append(0);
    m.annotations.Append(a);
    return m;
}

inline void FillMugShot(QV_MugShotBase& m, float offset)
{
    m.templateMesh = TemplateHead(offset);
    QV_MappingEntry e;
    e.w[0] = 0.5f;
    e.w[1] = 0.25f;
    e.w[2] = 0.25f;
    e.i[0] = 0;
    e.i[1] = 1;
    e.i[2] = 2;
    m.frontMapping.entries.push_back(e);
    m.profileMapping.entries.push_back(e);
    m.mask = Picture(3, 2, static_cast<int>(offset) + 5);
}

inline QV_List<int> Indices(std::initializer_list<int> v)
{
    QV_List<int> l;
    for (int i : v) l.Append(i);
    return l;
}

// Every record of the plug-in's class set to something other than its
// default; vertex lists name vertices of the 8-vertex template head.
inline void Fill(QV_AvatarPlugin& p)
{
    if (auto* m = dynamic_cast<QV_MugShotHeadPlugin*>(&p)) {
        FillMugShot(m->mugshot, 1.0f);
        m->frontReference = Annotation("FACE", 0.01f);
        m->referenceScale = {333.4f, 512.0f};
    }
    if (auto* o = dynamic_cast<QV_OlderMugShotPlugin*>(&p)) {
        FillMugShot(o->mugshot, 2.0f);
        o->frontReference = Annotation("FACE", 0.02f);
        o->profileReference = Annotation("PROFILE", 0.03f);
        o->profileImage = Picture(4, 3, 9);
    }
    if (auto* s = dynamic_cast<QV_StandardHeadPlugin*>(&p)) {
        s->profileReference = Annotation("PROFILE", 0.04f);
        s->profileImage = Picture(5, 4, 17);
    }
    if (auto* t = dynamic_cast<QV_BodyAvatarPlugin*>(&p)) {
        t->referenceMesh = TemplateHead(3.0f);
        for (int k = 0; k < 3; ++k) t->masks[k] = Picture(2, 2, 30 + k);
        for (int k = 0; k < 6; ++k) t->bodyMeshes[k] = TemplateHead(10.0f + k);
        t->femaleNeckBlend = Indices({1, 2, 40});
        t->maleNeckBlend = Indices({3});
    }
    if (auto* t = dynamic_cast<QV_EyeRigHeadPlugin*>(&p)) {
        t->referenceMesh = TemplateHead(4.0f);
        t->originalReferenceMesh = TemplateHead(5.0f);
        t->targetHead = TemplateHead(6.0f);
        t->neck = t->topLip = t->botLip = Indices({0, 1});
    }
    if (auto* t = dynamic_cast<QV_FigureHeadPlugin*>(&p)) {
        for (QV_List<int>* l : {&t->headBack, &t->smooth, &t->bodySmooth, &t->headCorrespondance, &t->headNeckCorres,
                                &t->bodyNeckCorres, &t->bodyBodyCorrespondance})
            *l = Indices({static_cast<int>(l->Size()), 9});
        t->bodyHeadCorrespondance.Resize(1, 3);
        for (int i = 1; i <= 3; ++i) t->bodyHeadCorrespondance[i] = 100 + i;
        t->names = {QV_String("Hip"), QV_String(""), QV_String("Head")};
        t->femaleHead = TemplateHead(7.0f);
        t->female = TemplateHead(8.0f);
        t->male = TemplateHead(9.0f);
        t->transparencyMap = Picture(2, 3, 40);
        t->normTransparencyMap = Picture(3, 2, 41);
        t->extraImage = Picture(1, 1, 42);
    }
    if (auto* t = dynamic_cast<QV_EarNeckHeadPlugin*>(&p)) {
        t->rightEar = t->leftEar = t->neck = t->topNeck = Indices({0, 3});
        t->mouthParts = Indices({5, 6, 7});
        t->referenceTexture = Picture(3, 3, 50);
    }
    if (auto* t = dynamic_cast<QV_SkinnedXmlPlugin*>(&p)) {
        t->leading = 7;
        t->skeletonText.Resize(0, 4);
        for (int i = 0; i < 5; ++i) t->skeletonText[i] = static_cast<unsigned char>("<sk/>"[i]);
        t->bonemapText.Resize(1, 1);
        t->bonemapText[1] = 'a';
        t->boneWeights = {{1, 2, 0.5f}, {3, 4, 0.25f}};
        t->head = Indices({6, 7});
        t->flag = 1;
        t->referenceTexture = Picture(2, 2, 60);
    }
    if (auto* t = dynamic_cast<QV_BodySkinPlugin*>(&p)) {
        t->countedInts = {5, -6, 7};
        t->neck = t->rightEar = t->leftEar = Indices({1, 2});
    }
    if (auto* t = dynamic_cast<QV_NeckBlendPlugin*>(&p)) {
        t->slots[0] = 11;
        t->slots[1] = -12;
        t->head = t->neck = Indices({0, 7});
    }
    if (auto* t = dynamic_cast<QV_EyePartsHeadPlugin*>(&p)) {
        t->countedInts = {9};
        t->head = t->derived = t->rear = t->lear = t->smooth = t->blip = t->tlip = Indices({4});
    }
    if (auto* t = dynamic_cast<QV_SolidHeadPlugin*>(&p)) t->neck = Indices({4, 5});
    if (auto* t = dynamic_cast<QV_AnimatedFacePlugin*>(&p)) {
        t->neck = t->nonFace = Indices({1, 2});
        t->blink = TemplateHead(20.0f);
        t->halfBlink = TemplateHead(21.0f);
        t->smile = TemplateHead(22.0f);
    }
    if (auto* t = dynamic_cast<QV_FlatSkinPlugin*>(&p)) {
        t->leading = 1;
        t->torso = Picture(2, 5, 70);
        t->neck = t->rightEar = t->leftEar = t->hair = t->chin = Indices({0, 4});
    }
}

// A filled plug-in of the type, written as a head model file.
inline std::vector<unsigned char> WriteFilledHead(int type, const std::string& path)
{
    std::unique_ptr<QV_AvatarPlugin> p = QV_CreatePlugin(type);
    Fill(*p);
    EXPECT_TRUE(QV_SaveHeadModel(path.c_str(), *p));
    return visagen_test::ReadFileBytes(path);
}

inline void PutI32(std::vector<unsigned char>& bytes, size_t at, int32_t v)
{
    for (int k = 0; k < 4; ++k) bytes[at + k] = static_cast<unsigned char>(static_cast<uint32_t>(v) >> (8 * k));
}

inline std::vector<unsigned char> I32Bytes(std::initializer_list<int32_t> values)
{
    std::vector<unsigned char> out;
    for (int32_t v : values) {
        out.resize(out.size() + 4);
        PutI32(out, out.size() - 4, v);
    }
    return out;
}

}  // namespace plugin_test
