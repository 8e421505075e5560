// Network loading, the pyramid, candidate search, verification and the
// detector's main entry.
#include "QV_FaceDetector.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "QV_DetectorResources.h"
#include "QV_EmbeddedNetworks.h"
#include "QV_Error.h"
#include "QV_Parallel.h"
#include "QV_WindowInputs.h"

namespace {

// Window pixels (inputs besides the bias) of each network.
const int kNetPixels[4] = {30 * 30, 20 * 20, 20 * 20, 25 * 15};

constexpr double kShrink = 0.8333333333333334;

double Scale(int k) { return std::pow(1.2, k); }
int Round(double v) { return static_cast<int>(std::lround(v)); }

}  // namespace

bool QV_FaceDetector::LoadNetworks(const QV_NetworkText texts[4])
{
    ready = false;
    chunkNets.clear();  // copies of the networks these replace
    for (int i = 0; i < 4; ++i) {
        if (!nets[i].Read(texts[i].structure, texts[i].weights)) return false;
        if (nets[i].Inputs() != kNetPixels[i] + 1) {
            QV_PrintError("QV_FaceDetector::LoadNetworks() Error! : network input count does not match its window\n");
            return false;
        }
    }
    ready = true;
    return true;
}

bool QV_FaceDetector::LoadEmbeddedNetworks()
{
    QV_NetworkText texts[4];
    for (int i = 0; i < 4; ++i) {
        const QV_NetworkSource* src = QV_EmbeddedNetwork(i);
        if (!src) return false;
        texts[i].structure.assign(src->structure, src->structure + src->structureLines);
        texts[i].weights.assign(src->weights, src->weights + src->weightLines);
    }
    return LoadNetworks(texts);
}

QV_FaceDetector* QV_DefaultFaceDetector()
{
    static QV_FaceDetector* detector = [] {
        QV_FaceDetector* d = new QV_FaceDetector;
        if (!d->LoadEmbeddedNetworks()) {
            delete d;
            return static_cast<QV_FaceDetector*>(nullptr);
        }
        return d;
    }();
    return detector;
}

void QV_FaceDetector::BuildPyramid(const QV_DetImage& input, std::vector<QV_DetImage>& levels)
{
    levels.clear();
    if (input.width < 20 || input.height < 20) return;
    levels.push_back(input);
    for (;;) {
        const QV_DetImage& prev = levels.back();
        const int w = static_cast<int>(prev.width * kShrink);
        const int h = static_cast<int>(prev.height * kShrink);
        if (w < 20 || h < 20) break;
        QV_DetImage next(w, h);
        // Level pixel (x, y) is the previous level sampled bilinearly at
        // (1.2 x, 1.2 y), so level coordinates scale by 1.2 per level. The
        // columns' sample places are the same on every row.
        std::vector<int> xs0(static_cast<size_t>(w)), xs1(static_cast<size_t>(w));
        std::vector<double> fxs(static_cast<size_t>(w));
        for (int x = 0; x < w; ++x) {
            const double sx = 1.2 * x;
            const int x0 = static_cast<int>(sx);
            xs0[static_cast<size_t>(x)] = x0;
            xs1[static_cast<size_t>(x)] = x0 + 1 < prev.width ? x0 + 1 : prev.width - 1;
            fxs[static_cast<size_t>(x)] = sx - x0;
        }
        for (int y = 0; y < h; ++y) {
            const double sy = 1.2 * y;
            const int y0 = static_cast<int>(sy);
            const int y1 = y0 + 1 < prev.height ? y0 + 1 : prev.height - 1;
            const double fy = sy - y0;
            const unsigned char* row0 = &prev.pixels[static_cast<size_t>(y0) * prev.width];
            const unsigned char* row1 = &prev.pixels[static_cast<size_t>(y1) * prev.width];
            unsigned char* dst = &next.pixels[static_cast<size_t>(y) * w];
            for (int x = 0; x < w; ++x) {
                const int x0 = xs0[static_cast<size_t>(x)], x1 = xs1[static_cast<size_t>(x)];
                const double fx = fxs[static_cast<size_t>(x)];
                const double top = row0[x0] * (1.0 - fx) + row0[x1] * fx;
                const double bottom = row1[x0] * (1.0 - fx) + row1[x1] * fx;
                dst[x] = static_cast<unsigned char>(top * (1.0 - fy) + bottom * fy + 0.5);
            }
        }
        levels.push_back(std::move(next));
    }
}

void QV_FaceDetector::LevelMap(const QV_DetImage& map, int level, int width, int height, QV_DetImage& out)
{
    out = QV_DetImage(width, height, 0);
    const double s = Scale(level);
    auto clampX = [&](int v) { return v < 0 ? 0 : v >= map.width ? map.width - 1 : v; };
    auto clampY = [&](int v) { return v < 0 ? 0 : v >= map.height ? map.height - 1 : v; };
    // The box of map pixels under each level column is the same on every row.
    std::vector<int> xs0(static_cast<size_t>(width)), xs1(static_cast<size_t>(width));
    for (int j = 0; j < width; ++j) {
        xs0[static_cast<size_t>(j)] = clampX(Round(j * s));
        xs1[static_cast<size_t>(j)] = clampX(Round((j + 1) * s));
    }
    for (int i = 0; i < height; ++i) {
        const int y0 = clampY(Round(i * s)), y1 = clampY(Round((i + 1) * s));
        for (int j = 0; j < width; ++j) {
            const int x0 = xs0[static_cast<size_t>(j)], x1 = xs1[static_cast<size_t>(j)];
            bool covered = true;
            for (int y = y0; y <= y1 && covered; ++y)
                for (int x = x0; x <= x1; ++x)
                    if (!map.At(x, y)) {
                        covered = false;
                        break;
                    }
            out.At(j, i) = covered ? 255 : 0;
        }
    }
}

void QV_FaceDetector::CopyToChunks(int chunks, int net)
{
    if (static_cast<int>(chunkNets.size()) < chunks - 1) chunkNets.resize(static_cast<size_t>(chunks - 1));
    for (int c = 1; c < chunks; ++c) {
        ChunkNets& copy = chunkNets[static_cast<size_t>(c - 1)];
        if (copy.copied[net]) continue;
        copy.net[net] = nets[net];
        copy.copied[net] = true;
    }
}

QV_NeuralNet& QV_FaceDetector::ChunkNet(int chunk, int net)
{
    return chunk == 0 ? nets[net] : chunkNets[static_cast<size_t>(chunk - 1)].net[net];
}

std::vector<int>& QV_FaceDetector::ChunkWindow(int chunk)
{
    return chunk == 0 ? window : chunkNets[static_cast<size_t>(chunk - 1)].window;
}

void QV_FaceDetector::Candidates(const QV_DetImage& image, int level, const QV_DetImage& levelMap,
                                 std::vector<QV_Detection>& out)
{
    // Uncovered pixels per 10 x 10 block.
    const int bw = (image.width + 9) / 10, bh = (image.height + 9) / 10;
    std::vector<int> open(static_cast<size_t>(bw) * bh, 0);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            if (!levelMap.At(x, y)) ++open[(y / 10) * bw + x / 10];

    // Grid rows are shared out in runs; each run keeps its candidates in grid
    // order and the runs are joined in order.
    const int gridRows = (image.height + 9) / 10;
    const int chunks = QV_ChunkCount(gridRows, 4);
    CopyToChunks(chunks, 0);
    std::vector<std::vector<QV_Detection>> found(static_cast<size_t>(chunks));
    QV_ParallelFor(gridRows, chunks, [&](int begin, int end, int chunk) {
        QV_NeuralNet& umec = ChunkNet(chunk, 0);
        std::vector<int>& own = ChunkWindow(chunk);
        own.resize(900);
        for (int Y = 20 + 10 * begin; Y < 20 + 10 * end; Y += 10)
            for (int X = 20; X - 20 < image.width; X += 10) {
                if (open[((Y - 20) / 10) * bw + (X - 20) / 10] <= 5) continue;
                QV_CopyWindow(image, X - 30, Y - 30, 30, 30, false, own.data());
                QV_EqualiseInto(own.data(), 900, nullptr, 0, 256, umec);
                if (umec.ForwardPass() > 0.0f) found[static_cast<size_t>(chunk)].push_back({X - 25, Y - 25, level});
            }
    });
    for (const auto& run : found) out.insert(out.end(), run.begin(), run.end());
}

namespace {

// Whether both verification networks accept the 20 x 20 window centred at
// (px, py) of a level, after lighting correction and masked equalisation.
bool JudgeWindow(const QV_DetImage& level, int px, int py, QV_NeuralNet& first, QV_NeuralNet& second, int* window)
{
    const QV_DetectorResources& res = QV_GetDetectorResources();
    QV_CopyWindow(level, px - 10, py - 10, 20, 20, false, window);
    QV_CorrectLighting(window, res);
    QV_EqualiseInto(window, 400, res.faceInside.data(), static_cast<int>(res.faceInside.size()), 512, first);
    if (first.ForwardPass() <= 0.0f) return false;
    for (int k = 1; k <= 400; ++k) second.SetInput(k, first.Activation(k));
    return second.ForwardPass() > 0.0f;
}

// Calls visit(j, px, py) for every window stage 2 looks at around a
// candidate: 7 x 7 centres two pixels apart at its level and one either side.
template <typename Visit>
void ForEachVerifyWindow(const QV_Detection& cand, int levels, Visit visit)
{
    const int gx = cand.x + 10, gy = cand.y + 10;
    for (int j = cand.level - 1; j <= cand.level + 1; ++j) {
        if (j < 0 || j >= levels) continue;
        const double toJ = Scale(cand.level - j);
        const int cx = Round(toJ * gx), cy = Round(toJ * gy);
        for (int py = cy - 6; py <= cy + 6; py += 2)
            for (int px = cx - 6; px <= cx + 6; px += 2) visit(j, px, py);
    }
}

}  // namespace

bool QV_FaceDetector::Accepts(const QV_DetImage& level, int j, int px, int py)
{
    unsigned char* const kept = verdicts.At(j, px, py);
    if (kept && (*kept == QV_VerdictTable::kNo || *kept == QV_VerdictTable::kYes))
        return *kept == QV_VerdictTable::kYes;
    window.resize(400);
    const bool yes = JudgeWindow(level, px, py, nets[1], nets[2], window.data());
    if (kept) *kept = yes ? QV_VerdictTable::kYes : QV_VerdictTable::kNo;
    return yes;
}

void QV_FaceDetector::JudgeWindows(const std::vector<QV_DetImage>& pyramid, const std::vector<QV_Detection>& candidates)
{
    struct Window {
        int j, px, py;
        unsigned char* verdict;
    };
    std::vector<Window> todo;
    const int levels = static_cast<int>(pyramid.size());
    for (const QV_Detection& cand : candidates)
        ForEachVerifyWindow(cand, levels, [&](int j, int px, int py) {
            // A window without an entry is judged when stage 2 comes to it.
            unsigned char* const verdict = verdicts.At(j, px, py);
            if (!verdict || *verdict != QV_VerdictTable::kUnknown) return;
            *verdict = QV_VerdictTable::kQueued;
            todo.push_back({j, px, py, verdict});
        });
    const int count = static_cast<int>(todo.size());
    if (count == 0) return;
    const int chunks = QV_ChunkCount(count, 16);
    CopyToChunks(chunks, 1);
    CopyToChunks(chunks, 2);
    QV_ParallelFor(count, chunks, [&](int begin, int end, int chunk) {
        QV_NeuralNet& first = ChunkNet(chunk, 1);
        QV_NeuralNet& second = ChunkNet(chunk, 2);
        std::vector<int>& own = ChunkWindow(chunk);
        own.resize(400);
        for (int i = begin; i < end; ++i) {
            const Window& w = todo[static_cast<size_t>(i)];
            const bool yes = JudgeWindow(pyramid[static_cast<size_t>(w.j)], w.px, w.py, first, second, own.data());
            *w.verdict = yes ? QV_VerdictTable::kYes : QV_VerdictTable::kNo;
        }
    });
}

bool QV_FaceDetector::Verify(const std::vector<QV_DetImage>& pyramid, const QV_Detection& cand, QV_Detection& out)
{
    const QV_DetectorResources& res = QV_GetDetectorResources();
    if (!res.lightingValid) return false;
    const int levels = static_cast<int>(pyramid.size());
    int votes = 0;
    double sumLevel = 0.0, sumX = 0.0, sumY = 0.0;
    ForEachVerifyWindow(cand, levels, [&](int j, int px, int py) {
        if (!Accepts(pyramid[static_cast<size_t>(j)], j, px, py)) return;
        const double toInput = Scale(j);
        ++votes;
        sumLevel += j;
        sumX += toInput * px;
        sumY += toInput * py;
    });
    if (votes == 0) return false;
    int L = Round(sumLevel / votes);
    L = L < 0 ? 0 : L >= levels ? levels - 1 : L;
    const double s = Scale(L);
    out.x = Round(sumX / votes / s) - 10;
    out.y = Round(sumY / votes / s) - 10;
    out.level = L;
    return true;
}

void QV_FaceDetector::MarkCovered(QV_DetImage& map, const QV_Detection& d)
{
    const double s = Scale(d.level);
    // The rectangle is clipped to the map: detections near the border reach
    // outside it.
    int x0 = static_cast<int>(std::trunc(s * d.x + 0.5));
    int y0 = static_cast<int>(std::trunc(s * d.y + 0.5));
    int x1 = static_cast<int>(std::trunc(s * (d.x + 20) + 0.5));
    int y1 = static_cast<int>(std::trunc(s * (d.y + 20) + 0.5));
    x0 = x0 < 0 ? 0 : x0;
    y0 = y0 < 0 ? 0 : y0;
    x1 = x1 >= map.width ? map.width - 1 : x1;
    y1 = y1 >= map.height ? map.height - 1 : y1;
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) map.At(x, y) = 255;
}

int QV_FaceDetector::Detect(int width, int height, const unsigned char* grey, int** records)
{
    *records = nullptr;
    if (!ready || width <= 0 || height <= 0 || !grey) return 0;
    QV_GetDetectorResources();

    QV_DetImage input(width, height);
    std::memcpy(input.pixels.data(), grey, input.pixels.size());
    std::vector<QV_DetImage> pyramid;
    BuildPyramid(input, pyramid);
    const int levels = static_cast<int>(pyramid.size());
    if (levels == 0) return 0;

    // Verdicts are kept for this picture's pyramid only.
    verdicts.Reset(pyramid);
    QV_DetImage map(width, height, 0);
    bool anyCovered = false;
    std::vector<QV_Detection> detections, candidates;
    QV_DetImage levelMap;
    for (int k = levels - 1; k >= 0; --k) {
        const QV_DetImage& image = pyramid[k];
        if (anyCovered)
            LevelMap(map, k, image.width, image.height, levelMap);
        else
            levelMap = QV_DetImage(image.width, image.height, 0);
        candidates.clear();
        Candidates(image, k, levelMap, candidates);
        if (QV_GetDetectorResources().lightingValid) JudgeWindows(pyramid, candidates);
        for (const QV_Detection& c : candidates) {
            QV_Detection d;
            if (!Verify(pyramid, c, d)) continue;
            detections.push_back(d);
            MarkCovered(map, d);
            anyCovered = true;
        }
    }

    verdicts.Clear();

    std::vector<QV_Detection> faces;
    Arbitrate(detections, levels, faces);
    if (faces.empty()) return 0;
    int* out = static_cast<int*>(std::malloc(faces.size() * QV_REC_SIZE * sizeof(int)));
    if (!out) {
        QV_PrintError("malloc() failed in allocating matrix/vector data.\n");
        std::exit(1);
    }
    for (size_t f = 0; f < faces.size(); ++f) FaceRecord(pyramid, faces[f], out + f * QV_REC_SIZE);
    *records = out;
    return static_cast<int>(faces.size());
}
