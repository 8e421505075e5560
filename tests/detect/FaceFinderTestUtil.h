// Installing a finder library into a temporary data folder under the name the
// binding looks for, and a reporter that collects what the user would see.
#pragma once

#include <string>
#include <vector>

#include "QV_FaceFinderLibrary.h"
#include "TestSupport.h"

namespace face_finder_test {

// Copies the library at `from` into `dataDir` as the finder library.
inline std::string InstallFinder(const std::string& from, const visagen_test::TempDir& dataDir)
{
    std::string to = dataDir.File(QV_FaceFinderLibrary::LibraryFileName);
    visagen_test::WriteFileBytes(to, visagen_test::ReadFileBytes(from));
    return to;
}

struct Messages {
    std::vector<std::string> shown;
    QV_FaceFinderLibrary::Reporter Reporter()
    {
        return [this](const char* text) { shown.emplace_back(text); };
    }
};

}  // namespace face_finder_test
