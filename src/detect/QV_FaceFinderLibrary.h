// QV_FaceFinderLibrary: the binding to the optional external face finder, a
// shared library in the data directory that returns a face box for an image.
#pragma once

#include <functional>

#include "QV_DynamicLibrary.h"
#include "QV_Image.h"
#include "QV_Point.h"
#include "QV_String.h"

class QV_FaceFinderLibrary {
public:
    // The library's file in the data directory, in this platform's
    // shared-library form, and the folder of the finder's own network data.
    static constexpr const char* LibraryFileName = "libQVFaceNet.so";
    static constexpr const char* NetworkFolder = "PosnNets";
    // Shown to the user when the library is not there or does not load.
    static constexpr const char* LoadFailedMessage = "Error, failed to load QVFaceNet DLL";

    // Exports of the library, looked up by these names.
    static constexpr const char* InitialiseExport = "FN_Initialise";
    static constexpr const char* SetImageExport = "FN_SetImage";
    static constexpr const char* FindFaceExport = "FN_FindFaceSXY";
    using InitialiseFunction = int (*)(const char* networkPath);
    using SetImageFunction = int (*)(int rows, int cols, int bytesPerPixel, const unsigned char* pixels);
    using FindFaceFunction = int (*)(int* p1, int* p2, int* p3, int* p4);

    // Receives a message for the user (the desktop shows it in a message box).
    using Reporter = std::function<void(const char* message)>;

    // Loads the library from `dataDir` and initialises it with the network
    // folder's path (skipped when the library has no initialisation export).
    // When it does not load, `report` gets LoadFailedMessage once, the result
    // is false and FindFaceExternal answers false from then on.
    bool Load(const QV_String& dataDir, const Reporter& report);
    bool IsLoaded() const { return library.IsOpen(); }
    void Unload() { library.Close(); }
    // Why the last Load failed, as the system's loader put it.
    const std::string& LoadError() const { return library.LastError(); }

    // Asks the library for the face in `image`; on success the two opposite
    // corners of the face box in normalised image coordinates (x / columns,
    // y / rows, rows counted from the bottom). False, with the corners
    // untouched, without the library, on an empty image, when an export is
    // missing or when the library refuses the image or finds no face.
    bool FindFaceExternal(const QV_Image& image, QV_Point2D& corner1, QV_Point2D& corner2) const;

    // The box arithmetic applied to the library's p1..p4 (rows p1, p3 and
    // columns p2, p4): the box keeps its centre, takes 0.8 of the height and
    // 0.6 of that as its width. Integer division truncates toward zero and
    // rounding is to nearest.
    static void BoxFromFinderResult(long long p1, long long p2, long long p3, long long p4, int rows, int cols,
                                    QV_Point2D& corner1, QV_Point2D& corner2);

    // `dir` and `name` joined by one separator ('\\' and '/' both count as one
    // already there), in the form the file system takes.
    static QV_String JoinPath(const QV_String& dir, const char* name);

private:
    QV_DynamicLibrary library;
};
