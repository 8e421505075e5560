// Choosing the mesh file object by extension, and the formats not yet built.
#include <gtest/gtest.h>

#include <typeinfo>

#include "MeshTestUtil.h"
#include "QV_MIO_3DS.h"
#include "QV_MIO_OBJ.h"
#include "QV_MIO_STL.h"
#include "QV_MIO_Scan.h"
#include "QV_MIO_VRML.h"
#include "QV_MIO_XML.h"
#include "QV_Mesh.h"
#include "QV_MeshIO.h"
#include "TestSupport.h"

using namespace mesh_test;

TEST(MeshIO, ObjectByLowerCasedExtension)
{
    struct Case {
        const char* path;
        const std::type_info* type;
    } cases[] = {
        {"a.obj", &typeid(QV_MIO_OBJ)},     {"C:\\x\\A.OBJ", &typeid(QV_MIO_OBJ)},
        {"a.wrl", &typeid(QV_MIO_VRML)},    {"a.VRML", &typeid(QV_MIO_VRML)},
        {"a.amx", &typeid(QV_MIO_AMX)},     {"a.Stl", &typeid(QV_MIO_STL)},
        {"a.3ds", &typeid(QV_MIO_3DS)},     {"a.xml", &typeid(QV_MIO_XML)},
        {"a.gmesh", &typeid(QV_MIO_GMesh)}, {"a.range", &typeid(QV_MIO_Range)},
        {"a.echo", &typeid(QV_MIO_Echo)},   {"dir.obj/a.b.obj", &typeid(QV_MIO_OBJ)},
    };
    for (const Case& c : cases) {
        std::unique_ptr<QV_MeshIO> io = QV_MeshIO::Create(c.path);
        ASSERT_TRUE(io) << c.path;
        EXPECT_EQ(typeid(*io), *c.type) << c.path;
        EXPECT_EQ(io->Path().Std(), c.path);
    }
    for (const char* unknown : {"a.ob", "a.objx", "obj", "dir.obj/file", "a.", "", "a.ÖBJ"})
        EXPECT_FALSE(QV_MeshIO::Create(unknown)) << unknown;
}

TEST(MeshIO, UnknownExtensionAndUnavailableFormatsFail)
{
    visagen_test::TempDir dir;
    QV_Mesh m = SquareAndTriangle();
    struct Case {
        const char* file;
        bool save;
        const char* message;
    } cases[] = {
        {"x.txt", true, "QV_Mesh::Save() Error! : unknown mesh file type: "},
        {"x.txt", false, "QV_Mesh::Load() Error! : unknown mesh file type: "},
        {"x.3ds", false, "QV_MIO_3DS::Load() not implemented\n"},
        {"x.echo", true, "not implemented yet\n"},
        {"x.xml", false, ""},
    };
    for (const Case& c : cases) {
        const QV_String path(dir.File(c.file));
        testing::internal::CaptureStderr();
        const bool ok = c.save ? m.Save(path) : m.Load(path);
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_FALSE(ok) << c.file;
        if (*c.message)
            EXPECT_NE(err.find(c.message), std::string::npos) << c.file << ": " << err;
        else
            EXPECT_EQ(err, "") << c.file;
    }
    // Nothing was written by the refused saves.
    EXPECT_TRUE(visagen_test::ReadFileBytes(dir.File("x.echo")).empty());
}
