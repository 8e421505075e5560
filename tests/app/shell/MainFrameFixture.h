// Fixtures of the workspace tests: fixture data directories built from the
// shipped face model and head file, corrupt head files, the stand-in face
// finder, and a MainFrame wired to a recording platform.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "FakePlatform.h"
#include "MainFrame.h"
#include "TestSupport.h"

namespace shell_test {

inline std::string ShippedData(const std::string& name) { return std::string(VISAGEN_DATA_DIR) + "/" + name; }
inline std::string Sample(const std::string& name) { return std::string(VISAGEN_SAMPLES_DIR) + "/" + name; }

// A data directory in a temporary folder, holding the shipped face model
// unless told otherwise.
class FixtureDir {
public:
    explicit FixtureDir(bool withHeadFace = true)
    {
        if (withHeadFace) Link("Head.qvface", "Head.qvface");
    }
    const std::string& Path() const { return dir.Path(); }
    std::string File(const std::string& name) const { return dir.File(name); }
    // A shipped file under a name of this directory.
    void Link(const std::string& shippedName, const std::string& as)
    {
        std::filesystem::create_symlink(ShippedData(shippedName), dir.File(as));
    }
    void AddStandardHead(const std::string& as) { Link("Standard.qvhead", as); }
    void Write(const std::string& name, const std::string& bytes) { visagen_test::WriteFileText(dir.File(name), bytes); }
    // The stand-in external face finder as the directory's finder library.
    bool AddFinder()
    {
#ifdef VISAGEN_FAKE_FINDER
        std::error_code ec;
        std::filesystem::copy_file(VISAGEN_FAKE_FINDER, dir.File("libQVFaceNet.so"), ec);
        return !ec;
#else
        return false;
#endif
    }

private:
    visagen_test::TempDir dir;
};

// A workspace on a recording platform whose settings name `dataDir`.
struct Workspace {
    explicit Workspace(const std::string& dataDir) { platform.settingsValue = dataDir.c_str(); }
    FakePlatform platform;
    MainFrame frame{platform};
};

}  // namespace shell_test
