// QV_StandardHeadPlugin: the maker's own general head target (type 0): a
// mugshot, front and profile reference annotations, the profile reference
// photograph and scale, and the vertex lists derived from the template head.
#pragma once

#include <vector>

#include "QV_HeadRepair.h"
#include "QV_MugShotHeadPlugin.h"

class QV_StandardHeadPlugin : public QV_MugShotHeadPlugin {
public:
    QV_StandardHeadPlugin();

    QV_AnnotationModel profileReference;  // "Right.mma"
    QV_Image profileImage;                // "Right.jpg"

    // Derived after every read or load.
    std::vector<int> rightEar, leftEar;  // groups "RightEar", "LeftEar"

    bool LoadDataDirectory(const QV_String& directory, QV_String& error) override;
    QV_String Name() const override;
    bool CreateFromFront(const QV_FaceSearch& shapeModel, const QV_Image& photo, const QV_AnnotationModel& model,
                         QV_Mesh& out, bool highRes, QV_String& error) override;
    bool SaveFromApplication(const QV_Mesh& mesh, const QV_String& path, QV_String& error) override;
    bool CreateFromFrontAndProfile(const QV_FaceSearch& shapeModel, const QV_Image& front,
                                   const QV_AnnotationModel& frontModel, const QV_Image& profile,
                                   const QV_AnnotationModel& profileModel, QV_Mesh& out, bool highRes,
                                   QV_String& error) override;

    static constexpr float kScaleX = 333.4f;
    static constexpr float kScaleY = 512.0f;

protected:
    void Records(QV_HeadRecordIO& io) override;
    void DeriveLists() override;

    // Whether the eyes are placed as rigid parts.
    virtual bool PlacesEyes() const { return true; }
    // The repairs after a successful creation: average fix, alignment of the
    // whole head to the reference head, the ears replaced by the reference
    // ears, BeforeFinish, and the derived data recomputed.
    bool RepairCreatedHead(QV_Mesh& out) const;
    virtual bool BeforeFinish(QV_Mesh&) const { return true; }

    // The standard file list under subdirectory, followed by extra files.
    bool LoadStandardFiles(const QV_String& directory, const char* subdirectory,
                           const std::vector<DataFile>& extra, QV_String& error);
};
