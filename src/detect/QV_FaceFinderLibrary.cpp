// Loading the external face finder and turning its answer into a face box.
#include "QV_FaceFinderLibrary.h"

#include <cmath>
#include <cstdlib>

#include "QV_BinaryIO.h"

QV_String QV_FaceFinderLibrary::JoinPath(const QV_String& dir, const char* name)
{
    QV_String joined = dir;
    int n = joined.Length();
    if (n > 0 && joined[n - 1] != '/' && joined[n - 1] != '\\') joined += '/';
    joined += name;
    return QV_String(QV_SystemPath(joined.CStr()));
}

bool QV_FaceFinderLibrary::Load(const QV_String& dataDir, const Reporter& report)
{
    QV_String libraryPath = JoinPath(dataDir, LibraryFileName);
    if (!library.Open(libraryPath.CStr())) {
        if (report) report(LoadFailedMessage);
        return false;
    }
    auto initialise = reinterpret_cast<InitialiseFunction>(library.Symbol(InitialiseExport));
    if (initialise) {
        QV_String networkPath = JoinPath(dataDir, NetworkFolder);
        initialise(networkPath.CStr());
    }
    return true;
}

void QV_FaceFinderLibrary::BoxFromFinderResult(long long p1, long long p2, long long p3, long long p4, int rows,
                                               int cols, QV_Point2D& corner1, QV_Point2D& corner2)
{
    // 64-bit throughout so that no answer of the library can overflow.
    long long m1 = (p1 + p3) / 2;
    long long h1 = std::llround(static_cast<double>(std::llabs(p3 - p1)) * 0.8) / 2;
    long long q1 = m1 - h1;
    long long q3 = m1 + h1;
    long long m2 = (p2 + p4) / 2;
    long long h2 = std::llround(static_cast<double>(std::llabs(2 * h1)) * 0.6) / 2;
    long long q2 = m2 - h2;
    long long q4 = m2 + h2;
    corner1.x = static_cast<float>(static_cast<double>(q2) / cols);
    corner1.y = static_cast<float>(static_cast<double>(q1) / rows);
    corner2.x = static_cast<float>(static_cast<double>(q4) / cols);
    corner2.y = static_cast<float>(static_cast<double>(q3) / rows);
}

bool QV_FaceFinderLibrary::FindFaceExternal(const QV_Image& image, QV_Point2D& corner1, QV_Point2D& corner2) const
{
    if (!library.IsOpen()) return false;
    // An empty image has nothing to search and no size to normalise by.
    if (image.Empty() || !image.Data()) return false;

    auto setImage = reinterpret_cast<SetImageFunction>(library.Symbol(SetImageExport));
    if (!setImage) return false;
    // The pixels go across as stored: R, G, B, A, the bottom row first, rows
    // packed without padding.
    const auto* pixels = reinterpret_cast<const unsigned char*>(image.Data());
    if (setImage(image.Rows(), image.Cols(), 4, pixels) <= 0) return false;

    auto findFace = reinterpret_cast<FindFaceFunction>(library.Symbol(FindFaceExport));
    if (!findFace) return false;
    int p1 = 0, p2 = 0, p3 = 0, p4 = 0;
    if (findFace(&p1, &p2, &p3, &p4) <= 0) return false;

    BoxFromFinderResult(p1, p2, p3, p4, image.Rows(), image.Cols(), corner1, corner2);
    return true;
}
