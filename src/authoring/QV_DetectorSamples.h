// Training windows for the detector networks, prepared exactly as the
// detector prepares the windows it classifies, and where a labelled face sits
// in the detector's pyramid.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "QV_NamedImages.h"
#include "QV_Point.h"

// The three ways the detector turns a window into network inputs.
enum QV_WindowKind {
    QV_WINDOW_CANDIDATE = 0,  // 30 x 30, equalised over all pixels ("umec")
    QV_WINDOW_FACE = 1,       // 20 x 20, lighting corrected, equalised over the face mask
    QV_WINDOW_EYE = 2         // 25 x 15, equalised over all pixels, optionally mirrored
};

// Width, height and the number of pixels the equalisation counts.
int QV_WindowCols(QV_WindowKind kind);
int QV_WindowRows(QV_WindowKind kind);
int QV_WindowCounted(QV_WindowKind kind);

// A set of prepared windows with their labels. Each input is kept as its
// equalisation code k (the input is k / counted - 1, computed in float as the
// detector does), two bytes per pixel.
class QV_WindowSet {
public:
    explicit QV_WindowSet(QV_WindowKind k) : kind(k) {}
    QV_WindowKind Kind() const { return kind; }
    int Pixels() const { return QV_WindowCols(kind) * QV_WindowRows(kind); }
    int Size() const { return static_cast<int>(labels.size()); }
    // Prepares the window with top-left (left, top) of a pyramid level and
    // adds it with the label (+1 face / eye, -1 other).
    void Add(const QV_DetImage& level, int left, int top, bool mirror, int label);
    // Adds already prepared codes.
    void AddCodes(const std::uint16_t* codes, int label);
    int Label(int i) const { return labels[i]; }
    // The network inputs of window i (Pixels() floats).
    void Inputs(int i, float* out) const;
    const std::uint16_t* Codes(int i) const { return &codes[static_cast<size_t>(i) * Pixels()]; }
    void Clear()
    {
        codes.clear();
        labels.clear();
    }

private:
    QV_WindowKind kind;
    std::vector<std::uint16_t> codes;
    std::vector<signed char> labels;
};

// Prepares one window: its equalisation codes (Pixels() of them) and its
// network inputs (may be null), taken through the detector's own window
// copy, lighting correction and equalisation.
void QV_PrepareWindow(QV_WindowKind kind, const QV_DetImage& level, int left, int top, bool mirror,
                      std::uint16_t* codes, float* inputs);

// Where a labelled face lies for the detector: the canonical 20 x 20 window
// has the eye centres at (5.5, 5.5) and (13.5, 5.5) and the mouth centre
// about 9 pixels below their midpoint.
struct QV_FacePlacement {
    double midX, midY;         // midpoint of the eye centres, input pixels (y down)
    double size;               // face size in input pixels; 8 in the canonical window
    double eyeBX, eyeBY;       // eye in the picture's left half (subject's right)
    double eyeAX, eyeAY;       // eye in the picture's right half
};

// From 68 points in pixels, x right, y down (iBUG order).
QV_FacePlacement QV_PlaceFace(const std::array<QV_Point2D, 68>& pixels);
// The same face in the picture mirrored left to right (width columns).
QV_FacePlacement QV_MirrorPlacement(const QV_FacePlacement& p, int width);

// Where the face lies in the 25 x 25 face crops of scikit-image's
// lfw_subset.npy (the mean of its 100 face crops: eye centres at about
// (5.75, 8) and (14.75, 8), the mouth's centre at (10.5, 17.5)).
QV_FacePlacement QV_LfwCropFace();

// The pyramid level at which the face has about its canonical size.
int QV_FaceLevel(const QV_FacePlacement& p);
// Top-left corner of the face's 20 x 20 window at a pyramid level.
void QV_FaceWindowAt(const QV_FacePlacement& p, int level, int& left, int& top);
// Top-left corner of the 25 x 15 window centred on an eye at a level.
void QV_EyeWindowAt(double eyeX, double eyeY, int level, int& left, int& top);

// The detector's grey picture of an image (top row first).
QV_DetImage QV_DetectorImage(int width, int height, const unsigned char* grey);
// The picture mirrored left to right.
QV_DetImage QV_MirrorImage(const QV_DetImage& image);

// A training face seen differently: the face turned by `angle` radians and
// scaled by `scale` about its eye midpoint, and with `gamma` > 1 its skin
// darkened (a gamma curve faded in over an ellipse around the eyes, nose and
// mouth, so eye whites stay bright and the background keeps its tones).
// With `yaw` (radians, positive towards the picture's right) the head is
// first turned about its vertical axis, the face taken as a cylinder 1.2 eye
// distances in radius centred under the eye midpoint; the picture outside
// the cylinder stays where it was.
// With `brimTone` 0..255 a flat band of that grey (a cap's brim, a fringe)
// covers the forehead from `brimHeight` eye distances above the eye line
// 1.2 eye distances up, and 1.6 to each side of the eye midpoint, its lower
// edge faded over a tenth of the eye distance.
struct QV_FaceJitter {
    double angle = 0.0;
    double scale = 1.0;
    double gamma = 1.0;
    double yaw = 0.0;
    int brimTone = -1;
    double brimHeight = 0.6;
};
// Resamples `level` (pyramid level `levelIndex` of a picture whose face is
// `face`, in input pixels) bilinearly into `out`, of the same size, and gives
// where the face now lies. Borders repeat outward.
void QV_JitterFaceLevel(const QV_DetImage& level, int levelIndex, const QV_FacePlacement& face,
                        const QV_FaceJitter& jitter, QV_DetImage& out, QV_FacePlacement& outFace);

// Parses a NumPy .npy array of unsigned bytes ('|u1') or little-endian
// doubles ('<f8', scaled from 0..1 to 0..255), C order, of any shape; false
// with a message on any other type or a damaged or truncated file. `shape`
// gets the dimensions, `data` the values as bytes.
bool QV_ParseNpyBytes(const unsigned char* file, size_t size, std::vector<long>& shape, std::vector<unsigned char>& data);
bool QV_ReadNpyBytes(const char* path, std::vector<long>& shape, std::vector<unsigned char>& data);
