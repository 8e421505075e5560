// The external face finder: a shared library that finds the largest frontal
// face in an image with a cascade classifier and reports its box to the
// caller as rows and columns counted from the bottom-left of the picture.
// The build's libQVFaceNet.so is installed by copying it into the data
// directory; cascades are looked for in the folder given to FN_Initialise
// and then in the system's haarcascades folder.
//
// Exports (C linkage, the only symbols this library makes visible):
//   int FN_Initialise(const char* networkPath)   loads the cascade, 1 on success
//   int FN_SetImage(int rows, int cols, int bytesPerPixel, const unsigned char* pixels)
//       copies an RGBA image stored bottom row first; 1 when accepted
//   int FN_FindFaceSXY(int* p1, int* p2, int* p3, int* p4)
//       1 and the box of the largest face (p1 bottom row, p3 top row,
//       p2 left column, p4 right column, rows counted from the bottom) or 0
#include <algorithm>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/objdetect.hpp>

#define QV_FINDER_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

// Cascades tried in this order, in the given network folder first and then in
// the system's folder.
const char* const kCascadeNames[] = {"haarcascade_frontalface_default.xml", "haarcascade_frontalface_alt2.xml"};
const char* const kSystemCascadeFolder = "/usr/share/opencv4/haarcascades";

// Largest image side accepted; the grey copy stays well within memory.
constexpr int kMaxSide = 1 << 15;

struct FinderState {
    std::mutex lock;
    cv::CascadeClassifier cascade;
    bool cascadeTried = false;
    cv::Mat grey;  // the image, top row first, one byte per pixel
};

FinderState& State()
{
    static FinderState state;
    return state;
}

std::string Join(std::string folder, const char* name)
{
    for (char& c : folder)
        if (c == '\\') c = '/';
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder + name;
}

bool LoadFirstCascade(FinderState& s, const std::vector<std::string>& folders)
{
    s.cascadeTried = true;
    for (const std::string& folder : folders) {
        for (const char* name : kCascadeNames) {
            std::string path = Join(folder, name);
            // Absent files are skipped quietly (the loader would log each one).
            if (!std::ifstream(path).good()) continue;
            // A file that is not a cascade makes load() fail or throw; either
            // way the next candidate is tried.
            try {
                if (s.cascade.load(path) && !s.cascade.empty()) return true;
            } catch (const cv::Exception&) {
            }
        }
    }
    return false;
}

}  // namespace

QV_FINDER_EXPORT int FN_Initialise(const char* networkPath)
{
    FinderState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    std::vector<std::string> folders;
    if (networkPath && *networkPath) folders.emplace_back(networkPath);
    folders.emplace_back(kSystemCascadeFolder);
    return LoadFirstCascade(s, folders) ? 1 : 0;
}

QV_FINDER_EXPORT int FN_SetImage(int rows, int cols, int bytesPerPixel, const unsigned char* pixels)
{
    FinderState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    s.grey.release();
    if (!pixels || rows <= 0 || cols <= 0 || rows > kMaxSide || cols > kMaxSide) return 0;
    if (bytesPerPixel != 4 && bytesPerPixel != 3 && bytesPerPixel != 1) return 0;
    try {
        // A header over the caller's pixels: only the grey copy below is kept.
        cv::Mat given(rows, cols, CV_8UC(bytesPerPixel), const_cast<unsigned char*>(pixels));
        cv::Mat grey;
        if (bytesPerPixel == 4)
            cv::cvtColor(given, grey, cv::COLOR_RGBA2GRAY);
        else if (bytesPerPixel == 3)
            cv::cvtColor(given, grey, cv::COLOR_RGB2GRAY);
        else
            grey = given;
        // Stored bottom row first; the classifier wants the picture upright.
        cv::flip(grey, s.grey, 0);
    } catch (const cv::Exception&) {
        s.grey.release();
        return 0;
    }
    return 1;
}

QV_FINDER_EXPORT int FN_FindFaceSXY(int* p1, int* p2, int* p3, int* p4)
{
    FinderState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    if (!p1 || !p2 || !p3 || !p4 || s.grey.empty()) return 0;
    // A caller that skipped the initialisation still gets the system's cascade.
    if (!s.cascadeTried) LoadFirstCascade(s, {kSystemCascadeFolder});
    if (s.cascade.empty()) return 0;

    std::vector<cv::Rect> faces;
    try {
        cv::Mat equalised;
        cv::equalizeHist(s.grey, equalised);
        int smallest = std::max(20, std::min(s.grey.rows, s.grey.cols) / 10);
        s.cascade.detectMultiScale(equalised, faces, 1.1, 4, 0, cv::Size(smallest, smallest));
    } catch (const cv::Exception&) {
        return 0;
    }
    if (faces.empty()) return 0;

    const cv::Rect* largest = &faces[0];
    for (const cv::Rect& f : faces)
        if (f.area() > largest->area()) largest = &f;

    // Top-down rows y .. y + height - 1 are bottom-up rows
    // rows - y - height .. rows - y - 1; the box is given by its edges.
    const int rows = s.grey.rows;
    *p1 = rows - (largest->y + largest->height);
    *p3 = rows - largest->y;
    *p2 = largest->x;
    *p4 = largest->x + largest->width;
    return 1;
}
