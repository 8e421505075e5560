// Writing a plug-in's data folder back out from what it holds: every target's
// folder reads back, a second export gives the same files, and the plug-in
// itself is not changed by exporting.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "PluginTestUtil.h"

using namespace plugin_test;
using visagen_test::Quiet;
using visagen_test::ReadFileBytes;
using visagen_test::TempDir;

namespace {

// Every regular file under root, as paths relative to it, sorted.
std::vector<std::string> FilesUnder(const std::string& root)
{
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::recursive_directory_iterator(root))
        if (e.is_regular_file()) out.push_back(std::filesystem::relative(e.path(), root).string());
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<unsigned char> HeadBytes(const QV_AvatarPlugin& p, const TempDir& dir, const char* name)
{
    const std::string path = dir.File(name);
    EXPECT_TRUE(QV_SaveHeadModel(path.c_str(), p));
    return ReadFileBytes(path);
}

}  // namespace

TEST(DataExport, EveryTargetsFolderReadsBackAndExportsAgainToTheSameFiles)
{
    for (int type = 0; type < kQV_HeadTypeCount; ++type) {
        TempDir dir;
        std::unique_ptr<QV_AvatarPlugin> p = QV_CreatePlugin(type);
        Fill(*p);
        // Read from their data folders (not from head files, which have no
        // place for them), the body avatar also holds its torso mask and the
        // flat skin target its reference picture.
        if (auto* body = dynamic_cast<QV_BodyAvatarPlugin*>(p.get())) body->torsoMask = Picture(2, 2, 33);
        if (auto* flat = dynamic_cast<QV_FlatSkinPlugin*>(p.get())) flat->reference = Picture(2, 2, 34);
        p->SetDataDirectory("/somewhere");
        const std::vector<unsigned char> before = HeadBytes(*p, dir, "before.qvhead");
        QV_String error, skipped;
        bool ok = false;
        Quiet([&] { ok = p->ExportFiles(dir.File("first").c_str(), error, skipped); });
        ASSERT_TRUE(ok) << type << " " << error.CStr();
        EXPECT_EQ(error.Std(), QV_AvatarPlugin::kExportHeader) << type;
        EXPECT_TRUE(skipped.IsEmpty()) << type << " " << skipped.CStr();  // a filled plug-in lacks nothing
        // Exporting changes nothing of the plug-in.
        EXPECT_EQ(HeadBytes(*p, dir, "after.qvhead"), before) << type;
        EXPECT_EQ(p->DataDirectory().Std(), "/somewhere") << type;

        // The folder holds the whole list: it loads completely.
        std::unique_ptr<QV_AvatarPlugin> q = QV_CreatePlugin(type);
        Quiet([&] { ok = q->LoadDataDirectory(dir.File("first").c_str(), error); });
        ASSERT_TRUE(ok) << type << " " << error.CStr();

        // What was read writes the same files again; JPEG pictures are
        // encoded anew, so they are compared by size alone, and meshes by
        // their geometry.
        Quiet([&] { ok = q->ExportFiles(dir.File("second").c_str(), error, skipped); });
        ASSERT_TRUE(ok) << type << " " << error.CStr();
        const std::vector<std::string> files = FilesUnder(dir.File("first"));
        ASSERT_EQ(FilesUnder(dir.File("second")), files) << type;
        EXPECT_FALSE(files.empty());
        for (const std::string& f : files) {
            const std::string a = dir.File("first/" + f), b = dir.File("second/" + f);
            if (f.size() > 4 && f.compare(f.size() - 4, 4, ".jpg") == 0) {
                QV_Image x, y;
                Quiet([&] { ASSERT_TRUE(x.Load(a.c_str()) && y.Load(b.c_str())) << f; });
                EXPECT_EQ(x.Rows(), y.Rows()) << type << " " << f;
                EXPECT_EQ(x.Cols(), y.Cols()) << type << " " << f;
            } else if (f.size() > 4 && f.compare(f.size() - 4, 4, ".obj") == 0) {
                // The reader adds the normals a file lacks, so the second
                // text may hold them; the geometry is the same.
                QV_Mesh x, y;
                Quiet([&] { ASSERT_TRUE(x.Load(a.c_str()) && y.Load(b.c_str())) << f; });
                ASSERT_EQ(x.VertexCount(), y.VertexCount()) << type << " " << f;
                EXPECT_EQ(x.FaceCount(), y.FaceCount()) << type << " " << f;
                for (int v = 0; v < x.VertexCount(); ++v) EXPECT_EQ(x.vertices[v], y.vertices[v]) << type << " " << f;
                EXPECT_EQ(x.features.Size(), y.features.Size()) << type << " " << f;
            } else {
                EXPECT_EQ(ReadFileBytes(a), ReadFileBytes(b)) << type << " " << f;
            }
        }
    }
}

TEST(DataExport, MissingDataIsLeftOutAndAnUnwritableFolderFails)
{
    TempDir dir;
    QV_StandardHeadPlugin plugin;
    Fill(plugin);
    plugin.profileImage = QV_Image();
    QV_String error, skipped;
    bool ok = false;
    Quiet([&] { ok = plugin.ExportFiles(dir.Path().c_str(), error, skipped); });
    EXPECT_TRUE(ok) << error.CStr();
    EXPECT_EQ(skipped.Std(), dir.File("QuorHeadLoadDir/Right.jpg") + "\n");
    EXPECT_FALSE(visagen_test::Exists(dir.File("QuorHeadLoadDir/Right.jpg")));
    EXPECT_TRUE(visagen_test::Exists(dir.File("QuorHeadLoadDir/Right.mma")));

    // A plain file where the folder should be.
    visagen_test::WriteFileText(dir.File("blocked"), "x");
    Quiet([&] { ok = plugin.ExportFiles(dir.File("blocked").c_str(), error, skipped); });
    EXPECT_FALSE(ok);
    EXPECT_EQ(error.Std().rfind(QV_AvatarPlugin::kExportHeader, 0), 0u);
    EXPECT_NE(error.Std().find(dir.File("blocked/QuorHeadLoadDir/Front.mma")), std::string::npos);
}
