// QV_HeadRecordPlugin: the common ground of the plug-in classes: the head
// record written and read from one list of record calls per class (after the
// format value), the checks and derived data that follow a read, and the
// simplest save (the mesh by the path's extension).
#pragma once

#include <cstdio>

#include "QV_AvatarPlugin.h"
#include "QV_HeadRecords.h"

class QV_HeadRecordPlugin : public QV_AvatarPlugin {
public:
    // The format value (1, ignored when read), then Records().
    bool WriteHead(std::FILE* f) const override;
    // Reads the format value and Records() in order, stopping at the first
    // failure; then AfterRead() checks what was read and derives the working
    // data. False when any of these fails.
    bool ReadHead(std::FILE* f) override;
    // The mesh by extension; "Failed to save: " and the path on failure.
    bool SaveAvatar(const QV_Mesh& mesh, const QV_String& path, QV_String& error) override;
    // The files of the data-directory list, written by ExportFiles.
    void ExportDataDirectory(const QV_String& directory) override;

protected:
    // The class's records after the format value, in file order.
    virtual void Records(QV_HeadRecordIO& io) = 0;
    // Checks and derived data after a complete read; false rejects the file.
    virtual bool AfterRead() { return true; }

    // The entry of a mugshot file of either kind, read into a copy so that a
    // failed read leaves the held mugshot intact.
    template <class MugShot>
    static DataFile MugShotFile(const char* name, MugShot& mugshot)
    {
        return {name,
                [&mugshot](const QV_String& p) {
                    MugShot read;
                    if (!read.Load(p)) return false;
                    mugshot = read;
                    return true;
                },
                [&mugshot](const QV_String& p) {
                    return mugshot.templateMesh.VertexCount() == 0 ? Written::kNothing : WrittenIf(mugshot.Save(p));
                }};
    }

    // False when a list holds an index outside 0..count-1.
    static bool IndicesBelow(const QV_List<int>& list, int count);
    // False when a list holds a negative index.
    static bool IndicesNonNegative(const QV_List<int>& list);
};
