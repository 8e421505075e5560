// The built visagen-cli program, run as a user runs it: exit statuses, the
// files it writes and the messages on its error stream.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AppTestFixture.h"

using namespace app_fixture;
using visagen_test::TempDir;

namespace {

struct CliResult {
    int status = -1;
    std::string err;
    std::string out;
};

std::string Text(const std::string& path)
{
    const std::vector<unsigned char> b = visagen_test::ReadFileBytes(path);
    return std::string(b.begin(), b.end());
}

// Runs the program through the shell only to catch its two streams in files.
CliResult RunCli(const std::vector<std::string>& args)
{
    TempDir streams;
    const std::string script =
        "exec \"$0\" \"$@\" 2>'" + streams.File("err") + "' >'" + streams.File("out") + "'";
    std::vector<std::string> argv = {"/bin/sh", "-c", script, VISAGEN_CLI};
    argv.insert(argv.end(), args.begin(), args.end());
    CliResult r;
    r.status = visagen_test::RunProgram(argv);
    r.err = Text(streams.File("err"));
    r.out = Text(streams.File("out"));
    return r;
}

}  // namespace

TEST(Cli, CreateWithAnnotationWritesObjAndTexture)
{
    DataDir data;
    const std::string out = data.dir.File("head.obj");
    const std::string saved = data.dir.File("used.ana");
    const CliResult r = RunCli({"create", data.photo, "-o", out, "--data-dir", data.dir.Path(), "--annotation",
                                data.annotation, "--save-annotation", saved, "--plugin", "Standard"});
    ASSERT_EQ(r.status, 0) << r.err;
    QV_Mesh head;
    ASSERT_TRUE(head.Load(out.c_str()));
    EXPECT_EQ(head.VertexCount(), mugshot_fixture::kGridVertices + mugshot_fixture::kBackVertices);
    QV_Image texture;
    ASSERT_TRUE(texture.LoadJPEG(data.dir.File("head.jpg").c_str()));
    EXPECT_EQ(texture.Rows(), mugshot_fixture::kTexSize);
    QV_AnnotationModel used;
    ASSERT_TRUE(used.Load(saved.c_str()));
    EXPECT_EQ(used.Count(), mugshot_fixture::FrontAnnotation().Count());
}

TEST(Cli, HighResolutionTexture)
{
    DataDir data;
    const std::string out = data.dir.File("hi.obj");
    const CliResult r = RunCli({"create", data.photo, "-o", out, "--data-dir", data.dir.Path(), "--annotation",
                                data.annotation, "--high-res"});
    ASSERT_EQ(r.status, 0) << r.err;
    QV_Image texture;
    ASSERT_TRUE(texture.LoadJPEG(data.dir.File("hi.jpg").c_str()));
    QV_Image standard;
    ASSERT_EQ(RunCli({"create", data.photo, "-o", data.dir.File("lo.obj"), "--data-dir", data.dir.Path(),
                      "--annotation", data.annotation})
                  .status,
              0);
    ASSERT_TRUE(standard.LoadJPEG(data.dir.File("lo.jpg").c_str()));
    // The two samplers fill different texels of the same stock texture.
    EXPECT_NE(visagen_test::ReadFileBytes(data.dir.File("hi.jpg")),
              visagen_test::ReadFileBytes(data.dir.File("lo.jpg")));
}

TEST(Cli, FailuresPrintTheSystemsMessagesAndExitNonZero)
{
    DataDir data;
    const std::string dir = data.dir.Path();
    struct Case {
        const char* name;
        std::vector<std::string> args;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"wrong output extension",
         {"create", data.photo, "-o", data.dir.File("head.wrl"), "--data-dir", dir, "--annotation", data.annotation},
         "A Quorvex Avatar can only be saved to an obj file\n"},
        {"unknown output type",
         {"create", data.photo, "-o", data.dir.File("head.txt"), "--data-dir", dir, "--annotation", data.annotation},
         "Unknown file type: " + data.dir.File("head.txt") + "\n"},
        {"missing photograph",
         {"create", data.dir.File("none.jpg"), "-o", data.dir.File("h.obj"), "--data-dir", dir, "--annotation",
          data.annotation},
         "Failed to load:\n" + data.dir.File("none.jpg") + "\n"},
        {"missing annotation",
         {"create", data.photo, "-o", data.dir.File("h.obj"), "--data-dir", dir, "--annotation",
          data.dir.File("none.ana")},
         "Failed to load:\n" + data.dir.File("none.ana") + "\n"},
        {"no face model for the search",
         {"create", data.photo, "-o", data.dir.File("h.obj"), "--data-dir", dir, "--eyes", "0.3,0.6,0.7,0.6"},
         "Could not load face finder\n"},
        {"fit without a face model", {"fit", data.photo, "-o", data.dir.File("f.ana"), "--data-dir", dir},
         "Could not load face finder\n"},
        {"no plug-ins",
         {"create", data.photo, "-o", data.dir.File("h.obj"), "--data-dir", data.dir.File("nothing"), "--annotation",
          data.annotation},
         "You must load an Quorvex math model!\n"},
        {"unknown plug-in",
         {"create", data.photo, "-o", data.dir.File("h.obj"), "--data-dir", dir, "--annotation", data.annotation,
          "--plugin", "Other"},
         "Unknown plug-in: Other\nAvailable: Standard\n"},
    };
    for (const Case& c : cases) {
        const CliResult r = RunCli(c.args);
        EXPECT_EQ(r.status, 1) << c.name;
        // The face model's own diagnostic may come first.
        ASSERT_GE(r.err.size(), c.message.size()) << c.name << ": " << r.err;
        EXPECT_EQ(r.err.substr(r.err.size() - c.message.size()), c.message) << c.name;
    }
    EXPECT_TRUE(visagen_test::ReadFileBytes(data.dir.File("head.wrl")).empty());
    EXPECT_TRUE(visagen_test::ReadFileBytes(data.dir.File("h.obj")).empty());
}

TEST(Cli, UsageErrorsExitWithTwoAndHelpDocumentsTheCommands)
{
    const CliResult help = RunCli({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* word : {"create", "fit", "convert", "--data-dir", "--plugin", "--eyes", "--box", "--annotation",
                             "--save-annotation", "--high-res", "--female", "--child", "--verbose"})
        EXPECT_NE(help.out.find(word), std::string::npos) << word;

    const std::vector<std::vector<std::string>> bad = {
        {},
        {"paint"},
        {"create", "p.jpg"},
        {"create", "-o", "h.obj"},
        {"create", "p.jpg", "-o"},
        {"create", "p.jpg", "-o", "h.obj", "--eyes", "0.1,0.2,0.3"},
        {"create", "p.jpg", "-o", "h.obj", "--eyes", "0.1,0.2,0.3,1.5"},
        {"create", "p.jpg", "-o", "h.obj", "--box", "a,b,c,d"},
        {"create", "p.jpg", "-o", "h.obj", "--eyes", "0.1,0.2,0.3,0.4", "--box", "0.1,0.2,0.3,0.4"},
        {"create", "p.jpg", "-o", "h.obj", "--annotation", "a.ana", "--eyes", "0.1,0.2,0.3,0.4"},
        {"fit", "p.jpg", "-o", "a.ana", "--plugin", "Standard"},
        {"fit", "p.jpg", "-o", "a.ana", "--female"},
        {"convert", "a.obj"},
        {"convert", "a.obj", "b.obj", "--verbose"},
    };
    for (const std::vector<std::string>& args : bad) {
        const CliResult r = RunCli(args);
        EXPECT_EQ(r.status, 2) << (args.empty() ? "" : args[0]) << " " << args.size();
        EXPECT_NE(r.err.find("Usage:"), std::string::npos);
    }
}

TEST(Cli, ConvertMeshesAndImagesByExtension)
{
    TempDir dir;
    const QV_Image picture = mugshot_fixture::Photo(40);
    ASSERT_TRUE(picture.SaveBMP(dir.File("in.bmp").c_str()));
    ASSERT_EQ(RunCli({"convert", dir.File("in.bmp"), dir.File("out.png")}).status, 0);
    QV_Image back;
    ASSERT_TRUE(back.LoadPNG(dir.File("out.png").c_str()));
    ASSERT_EQ(back.Rows(), 40);
    EXPECT_EQ(back.Row(7)[9], picture.Row(7)[9]);

    QV_Mesh mesh = mugshot_fixture::TemplateMesh();
    mesh.hasTexture = false;
    ASSERT_TRUE(mesh.Save(dir.File("in.obj").c_str()));
    ASSERT_EQ(RunCli({"convert", dir.File("in.obj"), dir.File("out.amx")}).status, 0);
    QV_Mesh converted;
    ASSERT_TRUE(converted.Load(dir.File("out.amx").c_str()));
    EXPECT_EQ(converted.VertexCount(), mesh.VertexCount());
    EXPECT_EQ(converted.FaceCount(), mesh.FaceCount());

    const CliResult missing = RunCli({"convert", dir.File("none.bmp"), dir.File("x.png")});
    EXPECT_EQ(missing.status, 1);
    // After the reader's own diagnostic.
    EXPECT_TRUE(missing.err.ends_with("Failed to load:\n" + dir.File("none.bmp") + "\n")) << missing.err;
    const CliResult mixed = RunCli({"convert", dir.File("in.obj"), dir.File("x.png")});
    EXPECT_EQ(mixed.status, 1);
    EXPECT_EQ(mixed.err, "Unknown file type: " + dir.File("x.png") + "\n");

    // A mesh file that holds no face (here an empty OBJ) is not converted
    // into another empty file.
    visagen_test::WriteFileText(dir.File("empty.obj"), "# nothing\n");
    const CliResult empty = RunCli({"convert", dir.File("empty.obj"), dir.File("empty.stl")});
    EXPECT_EQ(empty.status, 1);
    EXPECT_TRUE(empty.err.ends_with("Failed to load:\n" + dir.File("empty.obj") + "\n")) << empty.err;
    EXPECT_TRUE(visagen_test::ReadFileBytes(dir.File("empty.stl")).empty());
}
