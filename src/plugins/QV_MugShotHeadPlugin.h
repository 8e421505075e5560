// QV_MugShotHeadPlugin: the plug-ins built on a QV_MugShot2D3D: the mugshot,
// the front reference annotation and the reference scale they all carry, the
// blend sample point set after every read, and the check that every vertex
// list they read names a vertex of the mugshot's template head.
#pragma once

#include <vector>

#include "QV_HeadRecordPlugin.h"

class QV_MugShotHeadPlugin : public QV_HeadRecordPlugin {
public:
    QV_MugShot2D3D mugshot;
    QV_AnnotationModel frontReference;  // "Front.mma"
    QV_Point2D referenceScale{0.0f, 0.0f};

    // Where the mugshot samples the blend colour (set after every read or load).
    const QV_Point2D& BlendSample() const { return blendSample; }

protected:
    explicit QV_MugShotHeadPlugin(const QV_Point2D& blend) : blendSample(blend) {}

    // The vertex lists of the template head that the class reads.
    virtual std::vector<const QV_List<int>*> VertexLists() const { return {}; }
    // Rejects a vertex list entry outside the template head, then sets the
    // blend sample point and calls DeriveLists().
    bool AfterRead() override;
    // Working data the class derives from what it read or loaded.
    virtual void DeriveLists() {}

    // Called after a load too: the blend point and the derived lists.
    void Derive();

    // One vertex-list file of a data directory and the list it fills.
    struct VertexListFile {
        const char* name;
        QV_List<int>* list;
    };
    // The data-directory entry of a vertex-list file: the list is replaced
    // only when the file reads and every index names a vertex of the template
    // head (so the mugshot must come earlier in the list).
    DataFile VertexListEntry(const VertexListFile& file);
    // "MUG.mug2d3d", read into a copy so a failed read leaves the held mugshot intact.
    DataFile MugShotEntry();
    // The loading pattern for the plug-ins whose data directory holds
    // "Front.mma", "MUG.mug2d3d", "TexMask.bmp" (copied into the mugshot's
    // mask), then vertex lists, then the files of after, in that order. A vertex list that names a
    // vertex outside the template head counts as a file that failed. The
    // reference scale is set when scale is given; the working data are derived.
    bool LoadMugShotFiles(const QV_String& directory, const QV_String& subdirectory,
                          const std::vector<VertexListFile>& lists, const QV_Point2D* scale, QV_String& error,
                          const std::vector<DataFile>& after = {});

    QV_Point2D blendSample;
};
