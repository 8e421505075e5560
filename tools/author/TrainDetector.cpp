// visagen-author train-detector: trains the four detector networks on windows
// prepared as the detector prepares them, positives from the labelled
// training portraits, negatives from face-free pictures with bootstrapping,
// and writes their structure and weight texts.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "Commands.h"
#include "Folders.h"
#include "QV_DetectorSamples.h"
#include "QV_FaceDetector.h"
#include "QV_FaceOverlap.h"
#include "QV_FindEyes.h"
#include "QV_HeldOut.h"
#include "QV_Image.h"
#include "QV_Landmarks68.h"
#include "QV_NetworkTrainerLayouts.h"
#include "WholeNumbers.h"

namespace {

struct Options {
    std::string faces, out;
    std::vector<std::string> negatives;
    std::vector<std::string> crops;  // FILE[:FIRST]
    std::vector<std::string> portraits;  // extra held-out portraits to report on
    int limit = 0;
    int bootstrapPortraits = 160;  // training portraits the networks are bootstrapped on
    int checkPortraits = 100000;   // training portraits the whole detector is run on for false faces (all)
    int jitter = 4;                // turned and scaled copies of each training face
    double candidateRecall = 0.95; // share of the training faces' windows "umec" must accept
    int falseFaceRounds = 5;       // whole-detector rounds over the training portraits
    int otherCheckRows = 561;      // size of the portraits for every other false-face round (0: 512 rows throughout)
    int eyeLevelsBeside = 2;       // face levels each side of the true one the eye network learns
    int missedFaceWindows = 9;     // windows of each face a false-face round finds no face on, taught as faces
    int yawDegrees = 0;            // largest turn of the head about its vertical axis in the jittered copies
    bool brims = false;            // about half the jittered copies get a flat band over the forehead
    int turnedCopies = 0;          // more jittered copies of each face turned well aside (few in the portraits)
    int averageRounds = 0;         // last false-face rounds whose epochs' verification weights are averaged
    int cropFaces = 0;             // verification windows taught from each face crop and its mirror image
    bool eyeOnly = false;          // train and write only the eye network
};

void Usage()
{
    std::fprintf(stderr,
                 "usage: visagen-author train-detector --faces DIR --out DIR [--negatives PATH ...]\n"
                 "       [--crops FILE[:FIRST] ...] [--report-portrait FILE ...] [--limit N]\n"
                 "       [--bootstrap-portraits N] [--jitter N] [--false-face-rounds N]\n"
                 "       [--other-check-rows R] [--missed-face-windows N] [--eye-levels-beside N]\n"
                 "       [--yaw DEG] [--brims] [--turned-copies N] [--average-rounds N]\n"
                 "       [--crop-faces N] [--eye-only]\n"
                 "  --faces DIR     labelled portraits: DIR/landmarks-68.json and the images it names\n"
                 "  --out DIR       where the network texts are written\n"
                 "  --negatives     face-free pictures (files or folders of .png/.jpg)\n"
                 "  --crops         a .npy stack of grey crops, non-faces from index FIRST on\n"
                 "  --limit N       use only the first N training portraits (quick runs)\n"
                 "  --bootstrap-portraits N\n"
                 "                  training portraits whose false hits away from the face are\n"
                 "                  added as negatives (default 160, 0 for none)\n"
                 "  --jitter N      turned and scaled copies of each training face, every\n"
                 "                  second one with darkened skin (default 4)\n"
                 "  --yaw DEG       the jittered copies also turn the head about its vertical\n"
                 "                  axis by up to DEG degrees either way (default 0, at most 40)\n"
                 "  --brims         about half the jittered copies get a flat grey band over the\n"
                 "                  forehead down to just above the brows (a cap's brim, a fringe)\n"
                 "  --turned-copies N\n"
                 "                  faces whose labelled nose tip lies more than 15%% of the jaw's\n"
                 "                  width off its middle (turned a fifth of the way to profile or\n"
                 "                  more) get N jittered copies more (default 0, at most 16)\n"
                 "  --false-face-rounds N\n"
                 "                  rounds of the whole detector over the training portraits\n"
                 "                  whose false faces teach the verification networks (default 5)\n"
                 "  --other-check-rows R\n"
                 "                  every other false-face round runs over the portraits resized to\n"
                 "                  R rows instead of 512 (default 561, half a pyramid level\n"
                 "                  larger; 0 for 512 rows throughout)\n"
                 "  --missed-face-windows N\n"
                 "                  a false-face round also teaches both verification networks\n"
                 "                  the face of every portrait it finds no face on: N windows (at\n"
                 "                  most 9) at the face's own level, moved by up to a pixel\n"
                 "                  (default 9, 0 for none)\n"
                 "  --crop-faces N  the crops before FIRST of each --crops stack are faces framed as\n"
                 "                  lfw_subset.npy frames them; both verification networks learn N\n"
                 "                  turned, scaled and (every second) darkened windows of each,\n"
                 "                  and as many of its mirror image (default 0, at most 16)\n"
                 "  --average-rounds N\n"
                 "                  the verification networks keep the mean of their weights after\n"
                 "                  each epoch of the last N false-face rounds instead of the last\n"
                 "                  weights (default 0, at most the rounds)\n"
                 "  --eye-levels-beside N\n"
                 "                  the eye network also learns each training face's eyes as the\n"
                 "                  detector searches them when it takes the face up to N levels\n"
                 "                  too large or too small (default 2)\n"
                 "  --eye-only      train and write only the eye network (seconds; the same\n"
                 "                  network a full run writes)\n");
}

bool EndsWith(const std::string& s, const char* e)
{
    const size_t n = std::strlen(e);
    if (s.size() < n) return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(s[s.size() - n + i])) != e[i]) return false;
    return true;
}

// Files named directly, and the pictures of named folders in name order.
std::vector<std::string> ExpandPictures(const std::vector<std::string>& paths)
{
    std::vector<std::string> out;
    for (const std::string& p : paths) {
        struct stat st {};
        if (::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            std::vector<std::string> names;
            if (DIR* d = ::opendir(p.c_str())) {
                while (dirent* e = ::readdir(d)) {
                    std::string n = e->d_name;
                    if (EndsWith(n, ".png") || EndsWith(n, ".jpg") || EndsWith(n, ".jpeg")) names.push_back(n);
                }
                ::closedir(d);
            }
            std::sort(names.begin(), names.end());
            for (const std::string& n : names) out.push_back(p + "/" + n);
        } else {
            out.push_back(p);
        }
    }
    return out;
}

bool LoadGrey(const std::string& path, QV_DetImage& out, QV_Image* keep = nullptr)
{
    QV_Image img;
    if (!img.Load(QV_String(path.c_str())) || img.Rows() < 20 || img.Cols() < 20) return false;
    std::vector<unsigned char> grey;
    QV_DetectorGrey(img, grey);
    out = QV_DetectorImage(img.Cols(), img.Rows(), grey.data());
    if (keep) *keep = std::move(img);
    return true;
}

// Deterministic integers and reals from a fixed-seed generator.
struct Random {
    std::mt19937 g;
    explicit Random(unsigned seed) : g(seed) {}
    int Int(int lo, int hi) { return lo + static_cast<int>(g() % static_cast<unsigned>(hi - lo + 1)); }
    double Real() { return g() / 4294967296.0; }
};

struct Picture {
    std::vector<QV_DetImage> pyramid;
};

// A training portrait as the pipeline hands it to the detector (512 rows),
// with where its labelled face lies.
struct Portrait {
    Picture pic;
    QV_FacePlacement face;
};

// The pipeline's view of a labelled portrait: resized to 512 rows, mirrored
// when asked. False when the picture cannot be read.
bool LoadPortrait(const std::string& path, const QV_LabelledFace& lf, bool mirror, Portrait& out, int rows = 512)
{
    QV_Image img;
    if (!img.Load(QV_String(path.c_str())) || img.Rows() < 20 || img.Cols() < 20) return false;
    const double cols0 = img.Cols(), rows0 = img.Rows();
    img.ResizeToHeight(rows, true);
    std::array<QV_Point2D, 68> pts = lf.points;
    for (QV_Point2D& q : pts) {
        q.x = static_cast<float>(q.x * img.Cols() / cols0);
        q.y = static_cast<float>(q.y * img.Rows() / rows0);
    }
    std::vector<unsigned char> grey;
    QV_DetectorGrey(img, grey);
    const QV_DetImage im = QV_DetectorImage(img.Cols(), img.Rows(), grey.data());
    out.face = QV_PlaceFace(pts);
    if (mirror) out.face = QV_MirrorPlacement(out.face, im.width);
    out.pic.pyramid.clear();
    QV_FaceDetector::BuildPyramid(mirror ? QV_MirrorImage(im) : im, out.pic.pyramid);
    return !out.pic.pyramid.empty();
}

// Trains with class-balanced stochastic gradient descent; the epochs go over
// the windows in a fresh shuffled order each time with a falling rate. With
// `mean` the weights after every epoch are added to it.
void Train(QV_NetworkTrainer& net, const QV_WindowSet& set, int epochs, double rate, unsigned seed, const char* what,
           QV_WeightMean* mean = nullptr)
{
    const int n = set.Size();
    if (n == 0) return;
    int pos = 0;
    for (int i = 0; i < n; ++i) pos += set.Label(i) > 0;
    const int neg = n - pos;
    const double wPos = pos ? 0.5 * n / pos : 0.0, wNeg = neg ? 0.5 * n / neg : 0.0;
    std::vector<int> order(n);
    for (int i = 0; i < n; ++i) order[i] = i;
    std::vector<float> in(set.Pixels());
    Random rng(seed);
    for (int e = 0; e < epochs; ++e) {
        for (int i = n - 1; i > 0; --i) std::swap(order[i], order[rng.Int(0, i)]);
        const double r = rate / (1.0 + 0.5 * e);
        double loss = 0.0;
        for (int i : order) {
            set.Inputs(i, in.data());
            const bool p = set.Label(i) > 0;
            loss += net.Step(in.data(), p ? 0.9 : -0.9, r * (p ? wPos : wNeg));
        }
        std::printf("  %s epoch %d: %d windows (%d faces), mean loss %.4f\n", what, e + 1, n, pos, loss / n);
        std::fflush(stdout);
        if (mean) mean->Add(net.Weights());
    }
}

// Share of the windows of each class the network classifies right.
void Score(QV_NetworkTrainer& net, const QV_WindowSet& set, int& posOk, int& pos, int& negOk, int& neg)
{
    posOk = pos = negOk = neg = 0;
    std::vector<float> in(set.Pixels());
    for (int i = 0; i < set.Size(); ++i) {
        set.Inputs(i, in.data());
        const bool yes = net.Evaluate(in.data()) > 0.0f;
        if (set.Label(i) > 0) {
            ++pos;
            posOk += yes;
        } else {
            ++neg;
            negOk += !yes;
        }
    }
}

// Raises the network's output bias until it accepts `share` of the set's faces.
void CalibrateRecall(QV_NetworkTrainer& net, const QV_WindowSet& set, double share, const char* what)
{
    std::vector<std::vector<float>> faces;
    for (int i = 0; i < set.Size(); ++i) {
        if (set.Label(i) <= 0) continue;
        faces.emplace_back(set.Pixels());
        set.Inputs(i, faces.back().data());
    }
    double before = 0.0;
    const double raise = QV_RaiseRecall(net, faces, share, &before);
    std::printf("  %s: accepted %.1f%% of its faces; output bias raised by %.3f to accept %.1f%%\n", what,
                100.0 * before, raise, 100.0 * share);
}

// The detector's stage-1 grid over every level of a picture: the 20 x 20
// candidate windows (x, y, level) where "umec" fires.
// With a face given, only windows away from it count (the false hits of a
// portrait).
void ScanCandidates(QV_NetworkTrainer& umec, const Picture& pic, std::vector<QV_Detection>& out,
                    QV_WindowSet* falseWindows, int cap, const QV_FacePlacement* face = nullptr)
{
    std::vector<float> in(900);
    for (int k = static_cast<int>(pic.pyramid.size()) - 1; k >= 0; --k) {
        const QV_DetImage& im = pic.pyramid[k];
        for (int Y = 20; Y - 20 < im.height; Y += 10)
            for (int X = 20; X - 20 < im.width; X += 10) {
                if (face && QV_WindowOnFace(*face, X - 30, Y - 30, k, 30, 30)) continue;
                QV_PrepareWindow(QV_WINDOW_CANDIDATE, im, X - 30, Y - 30, false, nullptr, in.data());
                if (umec.Evaluate(in.data()) <= 0.0f) continue;
                out.push_back({X - 25, Y - 25, k});
                if (falseWindows && falseWindows->Size() < cap) falseWindows->Add(im, X - 30, Y - 30, false, -1);
            }
    }
}

// Verification windows on a grid of every level (step 6) that `net` accepts
// (and `first`, when given): false hits beyond the candidates' neighbourhoods.
void ScanGrid(QV_NetworkTrainer& net, QV_NetworkTrainer* first, const Picture& pic, QV_WindowSet& out, int cap,
              const QV_FacePlacement* face = nullptr)
{
    std::vector<float> in(400);
    std::vector<std::uint16_t> codes(400);
    for (size_t k = 0; k < pic.pyramid.size(); ++k) {
        const QV_DetImage& im = pic.pyramid[k];
        for (int y = 0; y + 20 <= im.height; y += 6)
            for (int x = 0; x + 20 <= im.width; x += 6) {
                if (out.Size() >= cap) return;
                if (face && QV_WindowOnFace(*face, x, y, static_cast<int>(k))) continue;
                QV_PrepareWindow(QV_WINDOW_FACE, im, x, y, false, codes.data(), in.data());
                if (first && first->Forward(in.data()) <= 0.0) continue;
                if (net.Forward(in.data()) > 0.0) out.AddCodes(codes.data(), -1);
            }
    }
}

// The verification windows around candidates (7 x 7 positions at three
// levels, as the detector visits them) that `net` accepts.
void ScanVerify(QV_NetworkTrainer& net, QV_NetworkTrainer* first, const Picture& pic,
                const std::vector<QV_Detection>& cands, QV_WindowSet& out, int cap,
                const QV_FacePlacement* face = nullptr)
{
    std::vector<float> in(400);
    std::vector<std::uint16_t> codes(400);
    const int levels = static_cast<int>(pic.pyramid.size());
    for (const QV_Detection& c : cands)
        for (int j = c.level - 1; j <= c.level + 1; ++j) {
            if (j < 0 || j >= levels) continue;
            const double toJ = std::pow(1.2, c.level - j);
            const int cx = static_cast<int>(std::lround(toJ * (c.x + 10)));
            const int cy = static_cast<int>(std::lround(toJ * (c.y + 10)));
            for (int py = cy - 6; py <= cy + 6; py += 2)
                for (int px = cx - 6; px <= cx + 6; px += 2) {
                    if (out.Size() >= cap) return;
                    if (face && QV_WindowOnFace(*face, px - 10, py - 10, j)) continue;
                    QV_PrepareWindow(QV_WINDOW_FACE, pic.pyramid[j], px - 10, py - 10, false, codes.data(), in.data());
                    if (first && first->Evaluate(in.data()) <= 0.0f) continue;
                    if (net.Evaluate(in.data()) > 0.0f) out.AddCodes(codes.data(), -1);
                }
        }
}

// The number of face windows of a set.
int Positives(const QV_WindowSet& set)
{
    int n = 0;
    for (int i = 0; i < set.Size(); ++i) n += set.Label(i) > 0;
    return n;
}

// Loads the four networks as they are now into a detector.
bool LoadTrained(QV_NetworkTrainer nets[4], QV_FaceDetector& detector)
{
    QV_NetworkText texts[4];
    for (int i = 0; i < 4; ++i) {
        texts[i].structure = nets[i].StructureText();
        texts[i].weights = nets[i].WeightText();
    }
    return detector.LoadNetworks(texts);
}

struct FalseFaceCount {
    int faces = 0;       // false faces found
    int portraits = 0;   // portraits and pictures with at least one
    int first = 0;       // portraits whose first face with both eyes is false
    int missed = 0;      // portraits with no face reported on the labelled one
    int windows17 = 0, windows18 = 0;
};

// Whether the first record with both eyes found (the one FindEyes takes) is
// among the false ones.
bool FirstWithEyesIsFalse(const int* rec, int n, const std::vector<int>& falseOnes)
{
    for (int i = 0; i < n; ++i) {
        const int* r = rec + static_cast<long>(i) * QV_REC_SIZE;
        if (r[QV_REC_EYE_A_FLAG] == 1 && r[QV_REC_EYE_B_FLAG] == 1)
            return std::find(falseOnes.begin(), falseOnes.end(), i) != falseOnes.end();
    }
    return false;
}

// Runs the whole detector with the networks as they are over the portraits
// and the face-free pictures; around every false face (on a portrait, one
// away from its labelled face; on a face-free picture, any), the verification
// windows "face17c" accepts go to its set, those both accept to face18c's.
// A portrait with no face reported on its labelled one gives `missedWindows`
// windows of that face at its own level (the centred one first, then those a
// pixel off) to both sets as faces.
FalseFaceCount AddFalseFaceWindows(QV_NetworkTrainer nets[4], const std::vector<Portrait>& portraits,
                                   const std::vector<Picture>& faceFree, QV_WindowSet& set17, QV_WindowSet& set18,
                                   int missedWindows)
{
    static const int kShift[9][2] = {{0, 0}, {-1, 0}, {1, 0}, {0, -1}, {0, 1}, {-1, -1}, {1, 1}, {-1, 1}, {1, -1}};
    FalseFaceCount c;
    QV_FaceDetector detector;
    if (!LoadTrained(nets, detector)) return c;
    const int before17 = set17.Size(), before18 = set18.Size();
    const int n = static_cast<int>(portraits.size() + faceFree.size());
    std::vector<int> missed;
    // At most twice as many windows as each set has faces (see the rounds above).
    const int total17 = std::min(4000, 2 * Positives(set17)), total18 = std::min(3000, 2 * Positives(set18));
    for (int i = 0; i < n; ++i) {
        const bool portrait = i < static_cast<int>(portraits.size());
        const Picture& pic = portrait ? portraits[i].pic : faceFree[i - portraits.size()];
        const QV_FacePlacement* face = portrait ? &portraits[i].face : nullptr;
        const QV_DetImage& im = pic.pyramid[0];
        int* rec = nullptr;
        const int found = detector.Detect(im.width, im.height, im.pixels.data(), &rec);
        std::vector<int> falseOnes;
        if (face) {
            falseOnes = QV_FalseFaceRecords(rec, found, *face);
            c.first += FirstWithEyesIsFalse(rec, found, falseOnes);
            if (static_cast<int>(falseOnes.size()) == found && QV_FaceLevel(*face) < static_cast<int>(pic.pyramid.size()))
                missed.push_back(i);
        } else {
            for (int k = 0; k < found; ++k) falseOnes.push_back(k);
        }
        c.faces += static_cast<int>(falseOnes.size());
        c.portraits += !falseOnes.empty();
        std::vector<QV_Detection> windows;
        for (int k : falseOnes) {
            QV_Detection d;
            if (QV_RecordWindow(rec + static_cast<long>(k) * QV_REC_SIZE, d)) windows.push_back(d);
        }
        std::free(rec);
        ScanVerify(nets[1], nullptr, pic, windows, set17, before17 + static_cast<int>((i + 1LL) * total17 / n), face);
        ScanVerify(nets[2], &nets[1], pic, windows, set18, before18 + static_cast<int>((i + 1LL) * total18 / n), face);
    }
    c.windows17 = set17.Size() - before17;
    c.windows18 = set18.Size() - before18;
    // The missed faces after the false ones, so that they take no share of
    // the false windows' room.
    c.missed = static_cast<int>(missed.size());
    for (int i : missed) {
        const QV_FacePlacement& face = portraits[i].face;
        const int L = QV_FaceLevel(face);
        int x, y;
        QV_FaceWindowAt(face, L, x, y);
        for (int k = 0; k < std::min(missedWindows, 9); ++k)
            for (QV_WindowSet* set : {&set17, &set18})
                set->Add(portraits[i].pic.pyramid[L], x + kShift[k][0], y + kShift[k][1], false, 1);
    }
    return c;
}

bool ParseOptions(int argc, char** argv, Options& o)
{
    // The options that take a whole number from 0 to the most given.
    const struct {
        const char* name;
        int* value;
        long most;
    } counts[] = {
        {"--bootstrap-portraits", &o.bootstrapPortraits, 100000},
        {"--false-face-rounds", &o.falseFaceRounds, 64},
        {"--other-check-rows", &o.otherCheckRows, 4096},
        {"--missed-face-windows", &o.missedFaceWindows, 9},
        {"--yaw", &o.yawDegrees, 40},
        {"--eye-levels-beside", &o.eyeLevelsBeside, 4},
        {"--turned-copies", &o.turnedCopies, 16},
        {"--average-rounds", &o.averageRounds, 64},
        {"--crop-faces", &o.cropFaces, 16},
        {"--jitter", &o.jitter, 16},
    };
    std::vector<std::string>* list = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](std::string& v) {
            if (i + 1 >= argc) return false;
            v = argv[++i];
            return true;
        };
        // A list of files runs up to the next option.
        if (!a.empty() && a[0] == '-') list = nullptr;
        const auto counted = std::find_if(std::begin(counts), std::end(counts),
                                          [&](const auto& c) { return a == c.name; });
        if (counted != std::end(counts)) {
            std::string v;
            if (!value(v) || !ParseWholeNumber(v.c_str(), 0, counted->most, *counted->value)) return false;
        } else if (a == "--faces") {
            if (!value(o.faces)) return false;
        } else if (a == "--out") {
            if (!value(o.out)) return false;
        } else if (a == "--limit") {
            std::string v;
            if (!value(v) || !ParseWholeNumber(v.c_str(), 1, 1000000, o.limit)) return false;
        } else if (a == "--brims") {
            o.brims = true;
        } else if (a == "--eye-only") {
            o.eyeOnly = true;
        } else if (a == "--negatives") {
            list = &o.negatives;
        } else if (a == "--crops") {
            list = &o.crops;
        } else if (a == "--report-portrait") {
            list = &o.portraits;
        } else if (!a.empty() && a[0] == '-') {
            return false;
        } else if (list) {
            list->push_back(a);
        } else {
            return false;
        }
    }
    return !o.faces.empty() && !o.out.empty() && o.averageRounds <= o.falseFaceRounds;
}

}  // namespace

int TrainDetectorCommand(int argc, char** argv)
{
    Options opt;
    if (!ParseOptions(argc, argv, opt)) {
        Usage();
        return 2;
    }
    std::vector<QV_LabelledFace> labels;
    const std::string labelPath = opt.faces + "/landmarks-68.json";
    if (!QV_ReadLandmarks68(labelPath.c_str(), labels)) {
        std::fprintf(stderr, "visagen-author train-detector: cannot read %s (pass --faces DIR with the labelled portraits)\n",
                     labelPath.c_str());
        return 1;
    }
    // The networks are written only after the training: find a bad output
    // path before it.
    if (!MakeFolder("visagen-author train-detector", opt.out)) return 1;
    std::vector<const QV_LabelledFace*> train, heldOut;
    for (const QV_LabelledFace& f : labels) (QV_IsHeldOut(f.image) ? heldOut : train).push_back(&f);
    if (opt.limit > 0 && static_cast<int>(train.size()) > opt.limit) train.resize(opt.limit);
    if (opt.limit > 0 && static_cast<int>(heldOut.size()) > opt.limit) heldOut.resize(opt.limit);

    // Face-free pictures: every fourth is kept out of training to measure
    // false positives on.
    std::vector<Picture> negTrain, negTest;
    const std::vector<std::string> negFiles = ExpandPictures(opt.negatives);
    for (size_t i = 0; i < negFiles.size(); ++i) {
        QV_DetImage grey;
        if (!LoadGrey(negFiles[i], grey)) {
            std::fprintf(stderr, "visagen-author train-detector: skipping unreadable %s\n", negFiles[i].c_str());
            continue;
        }
        Picture p;
        QV_FaceDetector::BuildPyramid(grey, p.pyramid);
        if (p.pyramid.empty()) continue;
        if (i % 4 == 3) {
            negTest.push_back(std::move(p));
            continue;
        }
        negTrain.push_back(std::move(p));
        // The training pictures also mirrored: more face-free windows.
        Picture m;
        QV_FaceDetector::BuildPyramid(QV_MirrorImage(grey), m.pyramid);
        negTrain.push_back(std::move(m));
    }
    // Non-face crops, split the same way.
    std::vector<QV_DetImage> cropTrain, cropTest, faceCropTrain, faceCropTest;
    for (const std::string& spec : opt.crops) {
        std::string file = spec;
        int first = 0;
        // FILE:FIRST when what follows the last colon is a whole number;
        // otherwise the colon belongs to the file name.
        const size_t colon = spec.rfind(':');
        if (colon != std::string::npos && ParseWholeNumber(spec.c_str() + colon + 1, 0, 1L << 30, first))
            file = spec.substr(0, colon);
        std::vector<long> shape;
        std::vector<unsigned char> data;
        if (!QV_ReadNpyBytes(file.c_str(), shape, data) || shape.size() != 3 || shape[1] < 20 || shape[2] < 20) {
            std::fprintf(stderr, "visagen-author train-detector: skipping crops %s\n", file.c_str());
            continue;
        }
        const long h = shape[1], w = shape[2];
        for (long k = 0; k < shape[0]; ++k) {
            QV_DetImage c = QV_DetectorImage(static_cast<int>(w), static_cast<int>(h), &data[static_cast<size_t>(k * w * h)]);
            if (k >= first) (k % 4 == 3 ? cropTest : cropTrain).push_back(std::move(c));
            else if (opt.cropFaces > 0) (k % 4 == 3 ? faceCropTest : faceCropTrain).push_back(std::move(c));
        }
    }
    std::printf("train-detector: %zu training and %zu held-out portraits, %zu + %zu face-free pictures, %zu + %zu crops\n",
                train.size(), heldOut.size(), negTrain.size(), negTest.size(), cropTrain.size(), cropTest.size());
    if (opt.cropFaces > 0) std::printf("train-detector: %zu + %zu face crops\n", faceCropTrain.size(), faceCropTest.size());

    QV_WindowSet candSet(QV_WINDOW_CANDIDATE), faceSet(QV_WINDOW_FACE), eyeSet(QV_WINDOW_EYE);
    QV_WindowSet candTest(QV_WINDOW_CANDIDATE), faceTest(QV_WINDOW_FACE), eyeTest(QV_WINDOW_EYE);
    Random rng(20261207);
    // Draws for the eye windows at the levels beside the face's own: their own
    // sequence, so the other networks' windows do not change with them.
    Random eyeRng(20261208);

    // The window on one eye at the detector's eye level (side 1: the eye in
    // the picture's right half).
    auto eyeWindow = [](const QV_FacePlacement& p, int side, int E, int& x, int& y) {
        QV_EyeWindowAt(side ? p.eyeAX : p.eyeBX, side ? p.eyeAY : p.eyeBY, E, x, y);
    };
    // Eye windows centred on both eyes of a face at the detector's eye level;
    // the right-half eye mirrored.
    auto addEyes = [&](QV_WindowSet& es, const std::vector<QV_DetImage>& pyr, const QV_FacePlacement& p, int L,
                       int perEye, Random* draw = nullptr) {
        Random& r = draw ? *draw : rng;
        const int E = QV_FaceDetector::EyeLevel(L);
        if (E < 0 || E >= static_cast<int>(pyr.size()) || pyr[E].width == 0) return;
        for (int side = 0; side < 2; ++side) {
            int ex0, ey0;
            eyeWindow(p, side, E, ex0, ey0);
            for (int k = 0; k < perEye; ++k) es.Add(pyr[E], ex0 + r.Int(-1, 1), ey0 + r.Int(-1, 1), side == 1, 1);
        }
    };
    // Eye-sized windows of the detector's search area for each half of a face
    // found at level L, a little widened, away from the eye.
    auto addEyeAreaNegatives = [&](QV_WindowSet& es, const std::vector<QV_DetImage>& pyr, const QV_FacePlacement& p,
                                   int L, int perHalf, Random& r) {
        const int E = QV_FaceDetector::EyeLevel(L);
        if (E < 0 || E >= static_cast<int>(pyr.size()) || pyr[E].width == 0) return;
        int x, y;
        QV_FaceWindowAt(p, L, x, y);
        const double s = std::pow(1.2, L - E);
        const QV_DetImage& ei = pyr[E];
        for (int side = 0; side < 2; ++side) {
            int ex0, ey0;
            eyeWindow(p, side, E, ex0, ey0);
            const int top0 = static_cast<int>(std::lround(s * y)) - 7 - 3;
            const int top1 = static_cast<int>(std::lround(s * (y + 10))) - 15 + 3;
            const int l0 = static_cast<int>(std::lround(s * (x + 10 * side))) - 12 - 3;
            const int l1 = static_cast<int>(std::lround(s * (x + 10 + 10 * side))) - 12 + 3;
            for (int k = 0; k < perHalf; ++k) {
                const int wl = r.Int(l0, std::max(l0, l1)), wt = r.Int(top0, std::max(top0, top1));
                if (std::abs(wl - ex0) >= 3 || std::abs(wt - ey0) >= 3) es.Add(ei, wl, wt, side == 1, -1);
            }
        }
    };

    // Positives (and nearby negatives) from one portrait, as is and mirrored,
    // and from turned, scaled and darkened copies of its face.
    auto addPortrait = [&](const QV_LabelledFace& lf, bool test) -> bool {
        QV_DetImage grey;
        if (!LoadGrey(opt.faces + "/" + lf.image, grey)) return false;
        QV_WindowSet& cs = test ? candTest : candSet;
        QV_WindowSet& fs = test ? faceTest : faceSet;
        QV_WindowSet& es = test ? eyeTest : eyeSet;
        const QV_FacePlacement p0 = QV_PlaceFace(lf.points);
        for (int m = 0; m < 2; ++m) {
            const QV_DetImage image = m ? QV_MirrorImage(grey) : grey;
            const QV_FacePlacement p = m ? QV_MirrorPlacement(p0, grey.width) : p0;
            std::vector<QV_DetImage> pyr;
            QV_FaceDetector::BuildPyramid(image, pyr);
            const int L = QV_FaceLevel(p), levels = static_cast<int>(pyr.size());
            if (L >= levels) continue;
            int x, y;
            QV_FaceWindowAt(p, L, x, y);
            for (int k = 0; k < 4; ++k) cs.Add(pyr[L], x - 5 + rng.Int(-5, 5), y - 5 + rng.Int(-5, 5), false, 1);
            for (int k = 0; k < 2; ++k) fs.Add(pyr[L], x + rng.Int(-1, 1), y + rng.Int(-1, 1), false, 1);
            // Windows of the same picture well away from the face, or at a
            // scale far from it.
            for (int k = 0; k < 3; ++k) {
                const int l = rng.Int(0, levels - 1);
                int fx, fy;
                QV_FaceWindowAt(p, l, fx, fy);
                const QV_DetImage& im = pyr[l];
                const int wx = rng.Int(-10, im.width - 10), wy = rng.Int(-10, im.height - 10);
                const bool far = std::abs(l - L) >= 3 || std::abs(wx - fx) > 12 || std::abs(wy - fy) > 12;
                if (far) cs.Add(im, wx - 5, wy - 5, false, -1);
                const bool farFace = std::abs(l - L) >= 2 || std::abs(wx - fx) >= 5 || std::abs(wy - fy) >= 5;
                if (farFace) fs.Add(im, wx, wy, false, -1);
            }
            // The face seen off-centre by a third to a half of the window, at
            // its own level or one beside it (the forehead and hair, the chin
            // and collar, one cheek): the verification networks must answer
            // "face" only where the face is centred, or arbitration settles on
            // a window half off the face.
            for (int k = 0; k < 4; ++k) {
                const int l = std::clamp(L + rng.Int(-1, 1), 0, levels - 1);
                int fx, fy;
                QV_FaceWindowAt(p, l, fx, fy);
                // One draw per statement: the order of draws is then fixed.
                int along = rng.Int(7, 10);
                if (rng.Int(0, 1)) along = -along;
                const int across = rng.Int(-10, 10);
                const bool vertical = rng.Int(0, 1) == 1;
                fs.Add(pyr[l], fx + (vertical ? across : along), fy + (vertical ? along : across), false, -1);
            }
            addEyes(es, pyr, p, L, 2);
            addEyeAreaNegatives(es, pyr, p, L, 6, rng);
            // The face arbitrated a level or two too large or too small: its
            // eye search then runs at a level beside the eye level, over an
            // area whose other half may hold the other eye. The eye is still
            // the eye there, and the rest of the area is not.
            for (int dL = -opt.eyeLevelsBeside; dL <= opt.eyeLevelsBeside && !test; ++dL) {
                const int L2 = L + dL;
                if (dL == 0 || L2 < 0 || L2 >= levels) continue;
                addEyes(es, pyr, p, L2, 1, &eyeRng);
                addEyeAreaNegatives(es, pyr, p, L2, 4, eyeRng);
            }
            // Copies of the face turned by up to 10 degrees and scaled by up
            // to 10%, the second also with darkened skin: the training
            // portraits are mostly lit evenly and light-skinned.
            // Faces turned well aside are few among the portraits; those get
            // more copies.
            const int copies = test ? 0
                                    : opt.jitter + (std::abs(QV_HeadTurn(lf)) > 0.15 ? opt.turnedCopies : 0);
            for (int j = 0; j < copies; ++j) {
                QV_FaceJitter jit;
                jit.angle = (rng.Real() * 2.0 - 1.0) * 10.0 * M_PI / 180.0;
                jit.scale = 0.9 + 0.2 * rng.Real();
                const double g = 1.6 + 1.4 * rng.Real();
                if (j % 2 == 1) jit.gamma = g;
                if (opt.yawDegrees > 0) jit.yaw = (rng.Real() * 2.0 - 1.0) * opt.yawDegrees * M_PI / 180.0;
                if (opt.brims && rng.Int(0, 1) == 1) {
                    jit.brimTone = rng.Int(10, 240);
                    jit.brimHeight = 0.45 + 0.4 * rng.Real();
                }
                // From eight levels finer than the face: the eye level too.
                const int B = std::max(0, L - 8);
                QV_DetImage warped;
                QV_FacePlacement q;
                QV_JitterFaceLevel(pyr[B], B, p, jit, warped, q);
                std::vector<QV_DetImage> jp(B), tail;
                QV_FaceDetector::BuildPyramid(warped, tail);
                for (QV_DetImage& t : tail) jp.push_back(std::move(t));
                const int Lq = QV_FaceLevel(q);
                if (Lq < B || Lq >= static_cast<int>(jp.size())) continue;
                int qx, qy;
                QV_FaceWindowAt(q, Lq, qx, qy);
                for (int k = 0; k < 2; ++k) cs.Add(jp[Lq], qx - 5 + rng.Int(-5, 5), qy - 5 + rng.Int(-5, 5), false, 1);
                for (int k = 0; k < 2; ++k) fs.Add(jp[Lq], qx + rng.Int(-1, 1), qy + rng.Int(-1, 1), false, 1);
                addEyes(es, jp, q, Lq, 1);
            }
        }
        return true;
    };
    int used = 0;
    for (const QV_LabelledFace* f : train) used += addPortrait(*f, false);
    // The face crops (other people, other cameras, turned heads, caps): the
    // verification windows of each, as it is and mirrored; held-out crops
    // once each way, unchanged but for the scale.
    QV_WindowSet faceCropTestSet(QV_WINDOW_FACE);
    Random cropRng(20261209);
    auto addFaceCrop = [&](const QV_DetImage& crop, bool test) {
        for (int m = 0; m < 2; ++m) {
            const QV_DetImage image = m ? QV_MirrorImage(crop) : crop;
            const QV_FacePlacement p = m ? QV_MirrorPlacement(QV_LfwCropFace(), crop.width) : QV_LfwCropFace();
            for (int j = 0; j < (test ? 1 : opt.cropFaces); ++j) {
                QV_FaceJitter jit;
                // The canonical size, give or take what the pyramid's steps leave.
                jit.scale = 8.0 / p.size;
                if (!test) {
                    jit.angle = (cropRng.Real() * 2.0 - 1.0) * 10.0 * M_PI / 180.0;
                    jit.scale *= 0.91 + 0.19 * cropRng.Real();
                    if (j % 2 == 1) jit.gamma = 1.6 + 1.4 * cropRng.Real();
                }
                QV_DetImage warped;
                QV_FacePlacement q;
                QV_JitterFaceLevel(image, 0, p, jit, warped, q);
                int x, y;
                QV_FaceWindowAt(q, 0, x, y);
                if (test) faceCropTestSet.Add(warped, x, y, false, 1);
                else faceSet.Add(warped, x + cropRng.Int(-1, 1), y + cropRng.Int(-1, 1), false, 1);
            }
        }
    };
    for (const QV_DetImage& c : faceCropTrain) addFaceCrop(c, false);
    for (const QV_DetImage& c : faceCropTest) addFaceCrop(c, true);
    for (const QV_LabelledFace* f : heldOut) addPortrait(*f, true);
    std::printf("train-detector: %d portraits read; %d candidate, %d face, %d eye windows\n", used, candSet.Size(),
                faceSet.Size(), eyeSet.Size());

    // Training portraits spread over the list, as the pipeline sees them
    // (every other one mirrored), to bootstrap on their false hits: `boot`
    // for the window scans, the larger `checks` for whole-detector runs.
    // Portraits whose place in the spread has parity `mirrorParity` are mirrored.
    auto spread = [&](int count, std::vector<Portrait>& out, int rows = 512, int mirrorParity = 1) {
        if (count <= 0 || train.empty()) return;
        const size_t want = std::min(train.size(), static_cast<size_t>(count));
        for (size_t k = 0; k < want; ++k) {
            const QV_LabelledFace& lf = *train[k * train.size() / want];
            Portrait p;
            if (LoadPortrait(opt.faces + "/" + lf.image, lf, static_cast<int>(k % 2) == mirrorParity, p, rows))
                out.push_back(std::move(p));
        }
    };
    // The eye network alone needs none of them.
    const int checkCount = opt.eyeOnly || !opt.bootstrapPortraits ? 0 : opt.checkPortraits;
    std::vector<Portrait> boot, checks, otherChecks;
    spread(opt.eyeOnly ? 0 : opt.bootstrapPortraits, boot);
    spread(checkCount, checks);
    // The same portraits at another size, the other ones mirrored: the
    // pyramid then samples every face between the levels it had before.
    if (opt.otherCheckRows > 0 && opt.falseFaceRounds > 1) spread(checkCount, otherChecks, opt.otherCheckRows, 0);
    std::printf("train-detector: %zu training portraits to bootstrap on, %zu to check for false faces (and %zu at %d "
                "rows)\n",
                boot.size(), checks.size(), otherChecks.size(), opt.otherCheckRows);

    // Random windows of the face-free pictures and the crops.
    auto addRandom = [&](const std::vector<Picture>& pics, const std::vector<QV_DetImage>& crops, QV_WindowSet& set,
                         int perPicture) {
        for (const Picture& pic : pics)
            for (int k = 0; k < perPicture; ++k) {
                const int l = rng.Int(0, static_cast<int>(pic.pyramid.size()) - 1);
                const QV_DetImage& im = pic.pyramid[l];
                const int w = QV_WindowCols(set.Kind()), h = QV_WindowRows(set.Kind());
                set.Add(im, rng.Int(0, std::max(0, im.width - w)), rng.Int(0, std::max(0, im.height - h)),
                        set.Kind() == QV_WINDOW_EYE && (k & 1), -1);
            }
        for (const QV_DetImage& c : crops) {
            const int w = QV_WindowCols(set.Kind()), h = QV_WindowRows(set.Kind());
            set.Add(c, (c.width - w) / 2, (c.height - h) / 2, false, -1);
        }
    };
    addRandom(negTrain, cropTrain, candSet, 150);
    addRandom(negTrain, cropTrain, faceSet, 100);
    addRandom(negTrain, cropTrain, eyeSet, 40);
    addRandom(negTest, cropTest, candTest, 150);
    addRandom(negTest, cropTest, faceTest, 100);
    addRandom(negTest, cropTest, eyeTest, 40);

    QV_NetworkTrainer nets[4];
    for (int i = 0; i < 4; ++i)
        if (!nets[i].Build(QV_DetectorLayout(i), 1000u + i)) return 1;

    // The eye network's windows do not depend on the face networks: it can
    // be trained alone, the same as in a full run.
    auto trainEye = [&] { Train(nets[3], eyeSet, 8, 0.01, 41, "eye"); };
    // How a network does on its held-out windows.
    auto reportHeldOut = [&](int i) {
        const char* names[4] = {"umec", "face17c", "face18c", "eye"};
        const QV_WindowSet* tests[4] = {&candTest, &faceTest, &faceTest, &eyeTest};
        int po, p, no, n;
        Score(nets[i], *tests[i], po, p, no, n);
        std::printf("held-out %s: %d / %d positive windows accepted, %d / %d negative windows accepted\n", names[i], po, p,
                    n - no, n);
    };
    if (opt.eyeOnly) {
        trainEye();
        nets[3].Quantise();
        if (!nets[3].Save(opt.out)) return 1;
        reportHeldOut(3);
        return 0;
    }
    // Stage 1 with two rounds of bootstrapping on the pictures' false hits.
    Train(nets[0], candSet, 6, 0.01, 11, "umec");
    for (int round = 0; round < 2; ++round) {
        const int before = candSet.Size();
        std::vector<QV_Detection> cands;
        for (const Picture& pic : negTrain) ScanCandidates(nets[0], pic, cands, &candSet, before + 6000);
        std::printf("  umec bootstrap %d: %d false candidates added\n", round + 1, candSet.Size() - before);
        Train(nets[0], candSet, 3, 0.005, 12 + round, "umec");
    }
    const int nBoot = static_cast<int>(boot.size());
    // Each portrait may add its share of a round's windows, so that the first
    // portraits do not fill the round alone. A round adds at most twice as
    // many windows as the set has faces: with few portraits (quick runs) the
    // portraits' false hits would otherwise swamp the faces.
    auto share = [&](const QV_WindowSet& set, int before, int i, int total) {
        total = std::min(total, 2 * Positives(set));
        return before + static_cast<int>((i + 1LL) * total / nBoot);
    };
    if (nBoot > 0) {  // then on the training portraits, away from their faces
        const int before = candSet.Size();
        std::vector<QV_Detection> cands;
        for (int i = 0; i < nBoot; ++i)
            ScanCandidates(nets[0], boot[i].pic, cands, &candSet, share(candSet, before, i, 6000), &boot[i].face);
        std::printf("  umec portrait bootstrap: %d false candidates added\n", candSet.Size() - before);
        Train(nets[0], candSet, 3, 0.005, 14, "umec");
    }
    CalibrateRecall(nets[0], candSet, opt.candidateRecall, "umec");

    // Stage 2: the verification windows around the false candidates.
    std::vector<std::vector<QV_Detection>> falseCands(negTrain.size());
    for (size_t i = 0; i < negTrain.size(); ++i) ScanCandidates(nets[0], negTrain[i], falseCands[i], nullptr, 0);
    Train(nets[1], faceSet, 6, 0.01, 21, "face17c");
    for (int round = 0; round < 3; ++round) {
        const int before = faceSet.Size();
        for (size_t i = 0; i < negTrain.size(); ++i)
            ScanVerify(nets[1], nullptr, negTrain[i], falseCands[i], faceSet, before + 6000);
        for (const Picture& pic : negTrain) ScanGrid(nets[1], nullptr, pic, faceSet, before + 9000);
        std::printf("  face17c bootstrap %d: %d false windows added\n", round + 1, faceSet.Size() - before);
        Train(nets[1], faceSet, 3, 0.005, 22 + round, "face17c");
    }
    // The candidates "umec" finds on the portraits away from their faces.
    std::vector<std::vector<QV_Detection>> bootCands(nBoot);
    for (int i = 0; i < nBoot; ++i) ScanCandidates(nets[0], boot[i].pic, bootCands[i], nullptr, 0, &boot[i].face);
    for (int round = 0; round < 2 && nBoot > 0; ++round) {
        const int before = faceSet.Size();
        for (int i = 0; i < nBoot; ++i) {
            ScanVerify(nets[1], nullptr, boot[i].pic, bootCands[i], faceSet, share(faceSet, before, i, 4000),
                       &boot[i].face);
            ScanGrid(nets[1], nullptr, boot[i].pic, faceSet, share(faceSet, before, i, 6000), &boot[i].face);
        }
        std::printf("  face17c portrait bootstrap %d: %d false windows added\n", round + 1, faceSet.Size() - before);
        Train(nets[1], faceSet, 3, 0.005, 25 + round, "face17c");
    }
    QV_WindowSet face18Set = faceSet;
    Train(nets[2], face18Set, 6, 0.01, 31, "face18c");
    for (int round = 0; round < 3; ++round) {
        const int before = face18Set.Size();
        for (size_t i = 0; i < negTrain.size(); ++i)
            ScanVerify(nets[2], &nets[1], negTrain[i], falseCands[i], face18Set, before + 4000);
        for (const Picture& pic : negTrain) ScanGrid(nets[2], &nets[1], pic, face18Set, before + 6000);
        std::printf("  face18c bootstrap %d: %d false windows added\n", round + 1, face18Set.Size() - before);
        Train(nets[2], face18Set, 3, 0.005, 32 + round, "face18c");
    }
    for (int round = 0; round < 2 && nBoot > 0; ++round) {
        const int before = face18Set.Size();
        for (int i = 0; i < nBoot; ++i) {
            ScanVerify(nets[2], &nets[1], boot[i].pic, bootCands[i], face18Set, share(face18Set, before, i, 3000),
                       &boot[i].face);
            ScanGrid(nets[2], &nets[1], boot[i].pic, face18Set, share(face18Set, before, i, 4000), &boot[i].face);
        }
        std::printf("  face18c portrait bootstrap %d: %d false windows added\n", round + 1, face18Set.Size() - before);
        Train(nets[2], face18Set, 3, 0.005, 35 + round, "face18c");
    }
    // Faces the whole detector reports on the portraits away from the
    // labelled face, and on the face-free pictures: the windows that voted
    // for them are taught to both verification networks.
    // Every other round runs over the portraits at the other size.
    QV_WeightMean means[2];
    for (int round = 0; round < opt.falseFaceRounds && !checks.empty(); ++round) {
        const FalseFaceCount c = AddFalseFaceWindows(nets, (round % 2 && !otherChecks.empty()) ? otherChecks : checks, negTrain,
                                                    faceSet, face18Set, opt.missedFaceWindows);
        std::printf("  false faces %d: %d on %d of %zu portraits and pictures (%d before the true face); no face on "
                    "%d portraits; %d + %d false windows added\n",
                    round + 1, c.faces, c.portraits, checks.size() + negTrain.size(), c.first, c.missed, c.windows17,
                    c.windows18);
        const bool averaged = round >= opt.falseFaceRounds - opt.averageRounds;
        Train(nets[1], faceSet, 2, 0.003, 27 + round, "face17c", averaged ? &means[0] : nullptr);
        Train(nets[2], face18Set, 2, 0.003, 37 + round, "face18c", averaged ? &means[1] : nullptr);
    }
    // The mean of the last rounds' weights: single stochastic steps leave the
    // last weights wherever the last windows pushed them.
    for (int i = 0; i < 2; ++i)
        if (means[i].Count() > 0) means[i].Apply(nets[1 + i].Weights());
    trainEye();

    for (QV_NetworkTrainer& n : nets) n.Quantise();
    for (QV_NetworkTrainer& n : nets)
        if (!n.Save(opt.out)) return 1;

    // Held-out report.
    for (int i = 0; i < 4; ++i) reportHeldOut(i);
    {  // The two verification networks together, as the detector uses them.
        std::vector<float> in(400);
        int acc = 0, pos = 0, fp = 0, neg = 0;
        for (int i = 0; i < faceTest.Size(); ++i) {
            faceTest.Inputs(i, in.data());
            const bool yes = nets[1].Evaluate(in.data()) > 0.0f && nets[2].Evaluate(in.data()) > 0.0f;
            if (faceTest.Label(i) > 0) {
                ++pos;
                acc += yes;
            } else {
                ++neg;
                fp += yes;
            }
        }
        std::printf("held-out face17c+face18c: detection rate %d / %d, false positives %d / %d\n", acc, pos, fp, neg);
        if (faceCropTestSet.Size() > 0) {
            int cropAcc = 0;
            for (int i = 0; i < faceCropTestSet.Size(); ++i) {
                faceCropTestSet.Inputs(i, in.data());
                cropAcc += nets[1].Evaluate(in.data()) > 0.0f && nets[2].Evaluate(in.data()) > 0.0f;
            }
            std::printf("held-out face crops: face17c+face18c accept %d / %d\n", cropAcc, faceCropTestSet.Size());
        }
    }

    QV_FaceDetector detector;
    if (!LoadTrained(nets, detector)) return 1;
    int falseFaces = 0;
    for (const Picture& pic : negTest) {
        const QV_DetImage& im = pic.pyramid[0];
        int* rec = nullptr;
        falseFaces += detector.Detect(im.width, im.height, im.pixels.data(), &rec);
        std::free(rec);
    }
    std::printf("held-out face-free pictures: %d false faces in %zu pictures\n", falseFaces, negTest.size());
    auto eyesReport = [&](const std::string& path, const QV_LabelledFace* lf, int& both, int& close) {
        QV_Image img;
        if (!img.Load(QV_String(path.c_str()))) {
            close = -1;
            return;
        }
        QV_Point2D e1, e2;
        if (!FindEyes(detector, img, e1, e2)) return;
        ++both;
        if (!lf)
            std::printf("%s: eyes at (%.0f, %.0f) and (%.0f, %.0f) pixels from the top left\n", path.c_str(),
                        e1.x * img.Cols(), img.Rows() - 1 - e1.y * img.Rows(), e2.x * img.Cols(),
                        img.Rows() - 1 - e2.y * img.Rows());
        if (!lf) return;
        const QV_FacePlacement p = QV_PlaceFace(lf->points);
        const double W = img.Cols(), H = img.Rows();
        const double iod = std::hypot(p.eyeAX - p.eyeBX, p.eyeAY - p.eyeBY);
        const double d1 = std::hypot(e1.x * W - p.eyeBX, (H - 1 - e1.y * H) - p.eyeBY);
        const double d2 = std::hypot(e2.x * W - p.eyeAX, (H - 1 - e2.y * H) - p.eyeAY);
        if (d1 < 0.25 * iod && d2 < 0.25 * iod) ++close;
    };
    int both = 0, close = 0;
    for (const QV_LabelledFace* f : heldOut) eyesReport(opt.faces + "/" + f->image, f, both, close);
    std::printf("held-out portraits: FindEyes found both eyes on %d / %zu (%d within a quarter of the eye distance)\n",
                both, heldOut.size(), close);
    {  // As the pipeline runs it, on the portraits at 512 rows.
        int read = 0, pairs = 0, near = 0, falseFirst = 0;
        std::string noPair, offPair, falseNames;  // the portraits behind the counts
        auto name = [](std::string& list, const std::string& image) {
            list += ' ';
            list += image.substr(image.find_last_of("/\\") + 1);
        };
        for (const QV_LabelledFace* f : heldOut) {
            Portrait p;
            if (!LoadPortrait(opt.faces + "/" + f->image, *f, false, p)) continue;
            ++read;
            const QV_DetImage& im = p.pic.pyramid[0];
            int* rec = nullptr;
            const int found = detector.Detect(im.width, im.height, im.pixels.data(), &rec);
            if (FirstWithEyesIsFalse(rec, found, QV_FalseFaceRecords(rec, found, p.face))) {
                ++falseFirst;
                name(falseNames, f->image);
            }
            bool paired = false;
            for (int i = 0; i < found && !paired; ++i) {
                const int* r = rec + static_cast<long>(i) * QV_REC_SIZE;
                if (r[QV_REC_EYE_A_FLAG] != 1 || r[QV_REC_EYE_B_FLAG] != 1) continue;
                paired = true;
                ++pairs;
                const double iod = std::hypot(p.face.eyeAX - p.face.eyeBX, p.face.eyeAY - p.face.eyeBY);
                const bool close =
                    std::hypot(r[QV_REC_EYE_A_X] - p.face.eyeAX, r[QV_REC_EYE_A_Y] - p.face.eyeAY) < 0.25 * iod &&
                    std::hypot(r[QV_REC_EYE_B_X] - p.face.eyeBX, r[QV_REC_EYE_B_Y] - p.face.eyeBY) < 0.25 * iod;
                near += close;
                if (!close) name(offPair, f->image);
            }
            if (!paired) name(noPair, f->image);
            std::free(rec);
        }
        std::printf("held-out portraits at 512 rows: both eyes on %d / %d (%d within a quarter of the eye distance), "
                    "a false face first on %d\n",
                    pairs, read, near, falseFirst);
        if (!noPair.empty()) std::printf("  no eye pair:%s\n", noPair.c_str());
        if (!offPair.empty()) std::printf("  the pair a quarter of the eye distance off or more:%s\n", offPair.c_str());
        if (!falseNames.empty()) std::printf("  a false face first:%s\n", falseNames.c_str());
    }
    for (const std::string& path : opt.portraits) {
        int b = 0, c = 0;
        eyesReport(path, nullptr, b, c);
        std::printf("%s: %s\n", path.c_str(),
                    c < 0 ? "cannot be read" : b ? "FindEyes found both eyes" : "FindEyes found no eye pair");
    }
    return 0;
}
